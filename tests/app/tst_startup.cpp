#include "app/startup.h"
#include "config/configmanager.h"
#include "scopedconfig.h"
#include "window/windowitems.h"
#include "windowharness.h"

#include <QFile>
#include <QFontInfo>
#include <QJsonArray>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString box(int slot)
{
    return WindowItems::checkBoxName(slot);
}

QString label(int slot)
{
    return WindowItems::labelName(slot);
}

/** Products of those names, each with values of its own, so that a slot that shows another
    product's values stands out; those named in hidden are not displayed. */
QJsonArray productsNamed(const QStringList &names, const QStringList &hidden = {})
{
    QJsonArray products;
    for (const QString &name : names) {
        QJsonObject values {{"parameters", "/q " + name}, {"remove-first", "{" + name + "}"}};
        if (hidden.contains(name))
            values.insert("display", "false");
        products.append(ScopedConfig::product(name, name + QStringLiteral(".msi"), values));
    }
    return products;
}

CheckBoxSlots::ProductFilter only(const QStringList &applying)
{
    return [applying](const QString &name) { return applying.contains(name); };
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(ConfigManager::configPath()); }

    void placesApplyingProductsInOrder_data();
    void placesApplyingProductsInOrder();
    void displayValues_data();
    void displayValues();
    void hiddenBetweenShownLeavesNoGap();
    void labelsStayInsideTheColumn_data();
    void labelsStayInsideTheColumn();
    void brokenWindowGivesNoRoot();
};

void tst_Startup::placesApplyingProductsInOrder_data()
{
    QTest::addColumn<QJsonObject>("config"); // none is written when empty
    QTest::addColumn<QStringList>("applying");
    QTest::addColumn<QStringList>("placed"); // slot by slot
    QTest::addColumn<QString>("title");

    const auto config = [](const QJsonValue &title, const QJsonArray &products) {
        QJsonObject config {{"products", products}};
        if (!title.isUndefined())
            config.insert("title", title);
        return config;
    };
    const QStringList none;
    const QStringList p {"P"};
    QStringList thirteen;
    for (int i = 1; i <= 13; ++i)
        thirteen << QStringLiteral("Product %1").arg(i);
    // Product 2 does not apply, so products 11 and 12 still find slots; 13 is left out.
    QStringList twelve = thirteen;
    twelve.removeAt(1);

    // The third product takes the second slot with its own values, not the hidden second's.
    QTest::newRow("only applying products, in order")
        << config("Updates here", productsNamed({"First", "Second", "Third"}, {"Second"}))
        << QStringList {"First", "Third"} << QStringList {"First", "Third"} << "Updates here";
    QTest::newRow("no product applies")
        << config("T", productsNamed({"A", "B"})) << none << none << "T";
    QTest::newRow("no products") << config("T", QJsonArray()) << none << none << "T";
    QTest::newRow("no kestrun.json") << QJsonObject() << none << none << "";
    QTest::newRow("more than ten apply")
        << config("T", productsNamed(thirteen)) << twelve << QStringList(twelve.mid(0, 10)) << "T";
    QTest::newRow("title absent replaces \"Updates\"")
        << config(QJsonValue::Undefined, productsNamed(p)) << p << p << "";
    QTest::newRow("title not a string") << config(12, productsNamed(p)) << p << p << "";
}

void tst_Startup::placesApplyingProductsInOrder()
{
    QFETCH(QJsonObject, config);
    QFETCH(QStringList, applying);
    QFETCH(QStringList, placed);
    QFETCH(QString, title);
    std::unique_ptr<ScopedConfig> file;
    if (!config.isEmpty())
        file = std::make_unique<ScopedConfig>(config);
    WindowHarness window;
    QVERIFY(window.window());
    QCOMPARE(window.window()->title(), QStringLiteral("Updates"));

    QCOMPARE(Startup::placeProducts(window.window(), only(applying)), placed.size());
    for (int slot = 1; slot <= placed.size(); ++slot) {
        const QString &name = placed.at(slot - 1);
        QCOMPARE(window.property(label(slot), "text").toString(), name);
        QCOMPARE(window.property(box(slot), "visible").toBool(), true);
        QCOMPARE(window.property(box(slot), "checked"), QVariant(true));
        QCOMPARE(window.property(box(slot), "file").toString(), name + ".msi");
        QCOMPARE(window.property(box(slot), "parameters").toString(), "/q " + name);
        QCOMPARE(window.property(box(slot), "remove").toString(), "{" + name + "}");
    }
    for (int slot = placed.size() + 1; slot <= CheckBoxSlots::Count; ++slot) {
        QCOMPARE(window.property(box(slot), "visible").toBool(), false);
        QCOMPARE(window.property(box(slot), "checked").toBool(), false);
        QCOMPARE(window.property(label(slot), "text").toString(), QStringLiteral("Check Box"));
        QVERIFY(!window.property(box(slot), "file").isValid());
        QVERIFY(!window.property(box(slot), "remove").isValid());
    }
    QVERIFY(!window.object(box(CheckBoxSlots::Count + 1)));
    QCOMPARE(window.property("buttonInstall", "enabled").toBool(), !placed.isEmpty());
    QVERIFY(window.item(placed.isEmpty() ? QStringLiteral("buttonExit") : box(1))->hasFocus());
    QCOMPARE(window.property("buttonDownload", "enabled").toBool(), true);
    QCOMPARE(window.property("buttonExit", "enabled").toBool(), true);
    QCOMPARE(window.window()->title(), title);
}

void tst_Startup::displayValues_data()
{
    QTest::addColumn<QJsonValue>("display");
    QTest::addColumn<bool>("visible");

    QTest::newRow("absent") << QJsonValue(QJsonValue::Undefined) << true;
    QTest::newRow("\"true\"") << QJsonValue("true") << true;
    QTest::newRow("\"false\"") << QJsonValue("false") << false;
    QTest::newRow("\"False\"") << QJsonValue("False") << false;
    QTest::newRow("\"0\"") << QJsonValue("0") << false;
    QTest::newRow("empty string") << QJsonValue("") << false;
    QTest::newRow("any other text") << QJsonValue("yes") << true;
}

void tst_Startup::displayValues()
{
    QFETCH(QJsonValue, display);
    QFETCH(bool, visible);
    QJsonObject product = ScopedConfig::product("P", "p.msi");
    if (!display.isUndefined())
        product.insert("display", display);
    ScopedConfig file(ScopedConfig::make("T", {product}));
    WindowHarness window;
    QVERIFY(window.window());

    QCOMPARE(window.placeAllProducts(), 1);
    QCOMPARE(window.property(box(1), "visible").toBool(), visible);
    // Hidden or not, a placed product is ticked and makes "Install" usable.
    QCOMPARE(window.property(box(1), "checked"), QVariant(true));
    QCOMPARE(window.property("buttonInstall", "enabled").toBool(), true);
    QVERIFY(window.item(visible ? box(1) : QStringLiteral("buttonInstall"))->hasFocus());
}

void tst_Startup::hiddenBetweenShownLeavesNoGap()
{
    ScopedConfig file(
        ScopedConfig::make("T", productsNamed({"Shown 1", "Hidden", "Shown 2"}, {"Hidden"})));
    WindowHarness window;
    QVERIFY(window.show());
    QCOMPARE(window.placeAllProducts(), 3);

    QQuickItem *first = window.item(box(1));
    QQuickItem *third = window.item(box(3));
    QVERIFY(first && third);
    QTRY_VERIFY(third->isVisible() && third->height() > 0);
    QTRY_COMPARE(third->y(), first->y() + first->height() + 25);
    QCOMPARE(window.property(label(2), "text").toString(), QStringLiteral("Hidden"));
}

void tst_Startup::labelsStayInsideTheColumn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shortened");
    QTest::newRow("short") << "Editor 2.0 Update 1" << false;
    QTest::newRow("longer than the column")
        << "Runtime Library Update for Visual Components 2015 (x64) Security Rollup KB4567890"
        << true;
}

void tst_Startup::labelsStayInsideTheColumn()
{
    QFETCH(QString, name);
    QFETCH(bool, shortened);
    ScopedConfig file(ScopedConfig::make("T", productsNamed({name})));
    WindowHarness window;
    QVERIFY(window.show());
    QCOMPARE(window.placeAllProducts(), 1);
    QQuickItem *text = window.item(label(1));
    QQuickItem *column = window.item("checkBoxHolder");
    QVERIFY(text && column);

    // The label keeps the whole name; what is drawn ends at the column's right edge, once the
    // column has laid the new name out.
    QCOMPARE(text->property("text").toString(), name);
    // The face the window asks for is one the system has, not the platform's substitute.
    const QFont font = text->property("font").value<QFont>();
    QCOMPARE(QFontInfo(font).family(), font.family());
    const auto laidOut = [text, column, shortened] {
        const qreal right = text->mapRectToItem(column, text->boundingRect()).right();
        if (!shortened)
            return !text->property("truncated").toBool() && text->width() >= text->implicitWidth();
        return text->property("truncated").toBool() && right <= column->width()
            && right > column->width() - 20;
    };
    QTRY_VERIFY(laidOut());
}

void tst_Startup::brokenWindowGivesNoRoot()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile broken(dir.filePath("broken.qml"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("import QtQuick.NoSuchModule 9.9\nItem {}\n");
    broken.close();

    QQmlApplicationEngine engine;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("NoSuchModule"));
    QCOMPARE(Startup::loadWindow(engine, QUrl::fromLocalFile(broken.fileName())), nullptr);
    QCOMPARE(Startup::loadWindow(engine, QUrl("qrc:///missing.qml")), nullptr);
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
