#include "windowharness.h"

#include "app/startup.h"
#include "window/windowitems.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

WindowHarness::WindowHarness()
{
    load();
}

WindowHarness::WindowHarness(const QJsonArray &products, const QStringList &notApplying)
{
    config.emplace(ScopedConfig::make(QStringLiteral("Updates"), products));
    load();
    if (!quickWindow)
        return;
    const int applying = products.size() - notApplying.size();
    const int placed = Startup::placeProducts(
        quickWindow, [&notApplying](const QString &name) { return !notApplying.contains(name); });
    ready = placed == qMin(applying, CheckBoxSlots::Count) && show()
        && QTest::qWaitFor([this] { return laidOut(); });
}

void WindowHarness::load()
{
    static const bool registered = [] {
        Startup::registerQmlTypes();
        return true;
    }();
    Q_UNUSED(registered)
    engine = std::make_unique<QQmlApplicationEngine>();
    quickWindow = qobject_cast<QQuickWindow *>(Startup::loadWindow(*engine));
}

void WindowHarness::close()
{
    quickWindow = nullptr;
    engine.reset();
}

QObject *WindowHarness::object(const QString &objectName) const
{
    return quickWindow ? quickWindow->findChild<QObject *>(objectName) : nullptr;
}

QQuickItem *WindowHarness::item(const QString &objectName) const
{
    return qobject_cast<QQuickItem *>(object(objectName));
}

QVariant WindowHarness::property(const QString &objectName, const char *name) const
{
    const QObject *found = object(objectName);
    return found ? found->property(name) : QVariant();
}

bool WindowHarness::show()
{
    if (!quickWindow)
        return false;
    quickWindow->show();
    return QTest::qWaitForWindowExposed(quickWindow);
}

bool WindowHarness::click(const QString &objectName)
{
    QQuickItem *target = item(objectName);
    if (!target || !quickWindow)
        return false;
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(quickWindow, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    return true;
}

int WindowHarness::placeAllProducts()
{
    return Startup::placeProducts(quickWindow, [](const QString &) { return true; });
}

QString WindowHarness::checkBoxOf(const QString &name) const
{
    for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot) {
        if (property(WindowItems::labelName(slot), "text").toString() == name)
            return WindowItems::checkBoxName(slot);
    }
    return QString();
}

bool WindowHarness::laidOut() const
{
    qreal bottom = -1;
    for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot) {
        const QQuickItem *box = item(WindowItems::checkBoxName(slot));
        if (!box || !box->isVisible())
            continue;
        if (box->height() <= 0 || box->y() <= bottom)
            return false;
        bottom = box->y() + box->height();
    }
    return true;
}
