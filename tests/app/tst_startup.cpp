#include "app/startup.h"
#include "config/configmanager.h"
#include "scopedconfig.h"
#include "window/windowitems.h"
#include "windowharness.h"

#include <QFile>
#include <QJsonArray>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QString box(int slot)
{
    return WindowItems::checkBoxName(slot);
}

QString label(int slot)
{
    return WindowItems::labelName(slot);
}

QJsonArray productsNamed(const QStringList &names)
{
    QJsonArray products;
    for (const QString &name : names)
        products.append(ScopedConfig::product(name, name + QStringLiteral(".msi")));
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

    void placesOnlyApplyingProductsInOrder();
    void nothingPlaced_data();
    void nothingPlaced();
    void displayValues_data();
    void displayValues();
    void hiddenBetweenShownLeavesNoGap();
    void labelsStayInsideTheColumn_data();
    void labelsStayInsideTheColumn();
    void title_data();
    void title();
    void moreThanTenApply();
    void exitEndsEventLoopWithZero();
    void brokenWindowGivesNoRoot();

private:
    void verifyEmptySlot(const WindowHarness &window, int slot);
};

void tst_Startup::verifyEmptySlot(const WindowHarness &window, int slot)
{
    QCOMPARE(window.property(box(slot), "visible").toBool(), false);
    QCOMPARE(window.property(box(slot), "checked").toBool(), false);
    QCOMPARE(window.property(label(slot), "text").toString(), QStringLiteral("Check Box"));
    QVERIFY(!window.property(box(slot), "file").isValid());
    QVERIFY(!window.property(box(slot), "remove").isValid());
}

void tst_Startup::placesOnlyApplyingProductsInOrder()
{
    ScopedConfig file(ScopedConfig::make("Updates here",
        {ScopedConfig::product("First", "http://host/first.msi", {{"parameters", "/q"}}),
            ScopedConfig::product("Second", "second.msp"),
            ScopedConfig::product("Third", "third.exe",
                {{"parameters", "/s /v"}, {"remove-first", "{OLD}"}, {"display", "false"}})}));
    WindowHarness window;
    QVERIFY(window.window());

    QCOMPARE(Startup::placeProducts(window.window(), only({"First", "Third"})), 2);

    // The third product takes the second slot, with its own values, not the second product's.
    const QList<QStringList> placed {{"First", "shown", "http://host/first.msi", "/q", "false"},
        {"Third", "hidden", "third.exe", "/s /v", "{OLD}"}};
    for (int slot = 1; slot <= placed.size(); ++slot) {
        const QStringList &values = placed.at(slot - 1);
        QCOMPARE(window.property(label(slot), "text").toString(), values[0]);
        QCOMPARE(window.property(box(slot), "visible").toBool(), values[1] == "shown");
        QCOMPARE(window.property(box(slot), "checked"), QVariant(true));
        QCOMPARE(window.property(box(slot), "file").toString(), values[2]);
        QCOMPARE(window.property(box(slot), "parameters").toString(), values[3]);
        QCOMPARE(window.property(box(slot), "remove").toString(), values[4]);
    }

    for (int slot = 3; slot <= CheckBoxSlots::Count; ++slot)
        verifyEmptySlot(window, slot);
    QCOMPARE(window.property("buttonInstall", "enabled").toBool(), true);
    QCOMPARE(window.window()->title(), QStringLiteral("Updates here"));
}

void tst_Startup::nothingPlaced_data()
{
    QTest::addColumn<bool>("writeConfig");
    QTest::addColumn<QJsonArray>("products");

    QTest::newRow("no product applies") << true << productsNamed({"A", "B"});
    QTest::newRow("no products") << true << QJsonArray();
    QTest::newRow("no kestrun.json") << false << QJsonArray();
}

void tst_Startup::nothingPlaced()
{
    QFETCH(bool, writeConfig);
    QFETCH(QJsonArray, products);
    std::unique_ptr<ScopedConfig> file;
    if (writeConfig)
        file = std::make_unique<ScopedConfig>(ScopedConfig::make("T", products));
    WindowHarness window;
    QVERIFY(window.window());

    QCOMPARE(Startup::placeProducts(window.window(), only({})), 0);
    for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot)
        verifyEmptySlot(window, slot);
    QCOMPARE(window.property("buttonInstall", "enabled").toBool(), false);
    QCOMPARE(window.property("buttonDownload", "enabled").toBool(), true);
    QCOMPARE(window.property("buttonExit", "enabled").toBool(), true);
    QCOMPARE(window.window()->title(), writeConfig ? QStringLiteral("T") : QString());
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
    QTest::newRow("JSON true reads as empty") << QJsonValue(true) << false;
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
}

void tst_Startup::hiddenBetweenShownLeavesNoGap()
{
    QJsonArray products = productsNamed({"Shown 1", "Hidden", "Shown 2"});
    QJsonObject hidden = products.at(1).toObject();
    hidden.insert("display", "false");
    products.replace(1, hidden);
    ScopedConfig file(ScopedConfig::make("T", products));
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
    const auto laidOut = [text, column, shortened] {
        const qreal right = text->mapRectToItem(column, text->boundingRect()).right();
        if (!shortened)
            return !text->property("truncated").toBool() && text->width() >= text->implicitWidth();
        return text->property("truncated").toBool() && right <= column->width()
            && right > column->width() - 20;
    };
    QTRY_VERIFY(laidOut());
}

void tst_Startup::title_data()
{
    QTest::addColumn<QJsonValue>("title");
    QTest::addColumn<QString>("shown");
    QTest::newRow("given") << QJsonValue("Available updates") << "Available updates";
    QTest::newRow("absent replaces \"Updates\"") << QJsonValue(QJsonValue::Undefined) << "";
    QTest::newRow("not a string") << QJsonValue(12) << "";
}

void tst_Startup::title()
{
    QFETCH(QJsonValue, title);
    QFETCH(QString, shown);
    QJsonObject config {{"products", productsNamed({"P"})}};
    if (!title.isUndefined())
        config.insert("title", title);
    ScopedConfig file(config);
    WindowHarness window;
    QVERIFY(window.window());
    QCOMPARE(window.window()->title(), QStringLiteral("Updates"));

    window.placeAllProducts();
    QCOMPARE(window.window()->title(), shown);
}

void tst_Startup::moreThanTenApply()
{
    QStringList names;
    for (int i = 1; i <= 13; ++i)
        names << QStringLiteral("Product %1").arg(i);
    ScopedConfig file(ScopedConfig::make("T", productsNamed(names)));
    WindowHarness window;
    QVERIFY(window.window());

    // Product 2 does not apply, so products 11 and 12 still find slots; 13 is left out.
    names.removeAt(1);
    QCOMPARE(Startup::placeProducts(window.window(), only(names)), CheckBoxSlots::Count);
    for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot) {
        QCOMPARE(window.property(label(slot), "text").toString(), names.at(slot - 1));
        QCOMPARE(window.property(box(slot), "file").toString(), names.at(slot - 1) + ".msi");
    }
    QVERIFY(!window.object(box(11)));
}

void tst_Startup::exitEndsEventLoopWithZero()
{
    ScopedConfig file(ScopedConfig::make("T", productsNamed({"P"})));
    WindowHarness window;
    QVERIFY(window.show());
    window.placeAllProducts();

    bool clicked = false;
    QTimer::singleShot(0, this, [&] { clicked = window.click("buttonExit"); });
    // Should the click not end the loop, end it with a code the test rejects.
    QTimer::singleShot(10000, this, [] { QCoreApplication::exit(99); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(clicked);
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
