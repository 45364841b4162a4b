#include "startup.h"

#include "config/configmanager.h"
#include "download/download.h"
#include "install/install.h"
#include "selection/wrapperui.h"
#include "window/windowitems.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTranslator>
#include <QtQml>

namespace {

struct Product
{
    QString name;
    QString display;
    QString file;
    QString parameters;
    QString remove;
};

void placeProduct(QObject *window, int slot, const Product &product)
{
    QObject *label = WindowItems::find(window, WindowItems::labelName(slot));
    QObject *checkBox = WindowItems::find(window, WindowItems::checkBoxName(slot));
    if (!label || !checkBox)
        return;
    label->setProperty("text", product.name);
    // "display" goes on as a string: "", "0" and "false" in any case hide the box.
    checkBox->setProperty("visible", product.display);
    checkBox->setProperty("checked", true);
    checkBox->setProperty("file", product.file);
    checkBox->setProperty("parameters", product.parameters);
    checkBox->setProperty("remove", product.remove);
}

// The keyboard starts where the user would: on the first box shown, else on Install, else on
// Exit.
void focusFirstControl(QObject *window)
{
    QStringList names;
    for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot)
        names << WindowItems::checkBoxName(slot);
    names << QStringLiteral("buttonInstall") << QStringLiteral("buttonExit");
    for (const QString &name : qAsConst(names)) {
        auto *item = qobject_cast<QQuickItem *>(WindowItems::find(window, name));
        if (item && item->isVisible() && item->isEnabled()) {
            item->forceActiveFocus();
            return;
        }
    }
}

} // namespace

namespace Startup {

void enableHighDpiScaling()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void registerQmlTypes()
{
    qmlRegisterType<WrapperUI>("com.corvane.Qt.wrapperui", 1, 0, "WrapperUI");
    qmlRegisterType<Install>("com.corvane.Qt.install", 1, 0, "Install");
    qmlRegisterType<Download>("com.corvane.Qt.download", 1, 0, "Download");
}

void installTranslator(QCoreApplication &app, QTranslator &translator)
{
    // QTranslator falls back to kestrun_de.qm and kestrun.qm when kestrun_de_DE.qm is missing.
    translator.load(QCoreApplication::applicationDirPath() + QLatin1String("/localization/kestrun_")
        + QLocale::system().name() + QLatin1String(".qm"));
    app.installTranslator(&translator);
}

QObject *loadWindow(QQmlApplicationEngine &engine, const QUrl &url)
{
    // A fixed window whose texts never scale or turn: the system's own glyphs, as the desktop
    // style draws its controls, and no distance fields to compute before the first frame.
    QQuickWindow::setTextRenderType(QQuickWindow::NativeTextRendering);
    engine.load(url);
    const QList<QObject *> roots = engine.rootObjects();
    return roots.isEmpty() ? nullptr : roots.first();
}

int placeProducts(QObject *window, const CheckBoxSlots::ProductFilter &applies)
{
    ConfigManager config;
    config.readConfig();
    window->setProperty("title", config.getTitle());

    const QStringList names = config.getNameList();
    const QStringList displays = config.getDisplayList();
    const QStringList files = config.getFileList();
    const QStringList parameters = config.getParameterList();
    const QStringList removes = config.getRemoveFirstList();

    const QList<int> boxes = CheckBoxSlots::assign(names, applies);
    int placed = 0;
    for (int i = 0; i < boxes.size(); ++i) {
        if (boxes.at(i) == 0)
            continue;
        placed = boxes.at(i);
        placeProduct(window, placed,
            {names.at(i), displays.at(i), files.at(i), parameters.at(i), removes.at(i)});
    }
    if (placed > 0)
        WindowItems::set(
            WindowItems::find(window, QStringLiteral("buttonInstall")), "enabled", true);
    focusFirstControl(window);
    return placed;
}

} // namespace Startup
