#include "app/startup.h"
#include "config/configmanager.h"
#include "recordingsystemqueries.h"
#include "rules/dependencymanager.h"
#include "scopedconfig.h"
#include "window/windowitems.h"
#include "windowharness.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QQuickWindow>
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

int placeWith(DependencyManager &dependencyManager, const WindowHarness &window)
{
    return Startup::placeProducts(window.window(), [&dependencyManager](const QString &name) {
        return dependencyManager.checkDependencies(name);
    });
}

} // namespace

/** Start-up asking a real DependencyManager which products to place. */
class tst_ProductPlacement : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(ConfigManager::configPath()); }

    void firstAndThirdOfThreeApply();
    void thisMachineHidesFailingRules();

private:
    void verifySlot(
        const WindowHarness &window, int slot, const QString &name, const QString &file);
    void verifyEmptySlots(const WindowHarness &window, int firstEmpty);
};

void tst_ProductPlacement::verifySlot(
    const WindowHarness &window, int slot, const QString &name, const QString &file)
{
    QCOMPARE(window.property(label(slot), "text").toString(), name);
    QCOMPARE(window.property(box(slot), "checked"), QVariant(true));
    QCOMPARE(window.property(box(slot), "file").toString(), file);
}

void tst_ProductPlacement::verifyEmptySlots(const WindowHarness &window, int firstEmpty)
{
    for (int slot = firstEmpty; slot <= CheckBoxSlots::Count; ++slot) {
        QCOMPARE(window.property(box(slot), "visible").toBool(), false);
        QVERIFY(!window.property(box(slot), "file").isValid());
    }
}

void tst_ProductPlacement::firstAndThirdOfThreeApply()
{
    const QString installed = QStringLiteral("{AAAAAAAA-0000-0000-0000-000000000001}");
    ScopedConfig file(ScopedConfig::make("Updates",
        {ScopedConfig::product("Editor", "editor.msp",
             {{"dependencies",
                 QJsonObject {{"platforms", QJsonArray {"x64"}},
                     {"installed-products", QJsonArray {installed}}}}}),
            ScopedConfig::product("Runtime", "runtime.exe",
                {{"dependencies",
                    QJsonObject {
                        {"registry", QJsonArray {QJsonObject {{"SOFTWARE\\Runtime", "Path"}}}}}}}),
            ScopedConfig::product("Viewer", "viewer.msi",
                {{"guid", "{BBBBBBBB-0000-0000-0000-000000000002}"}, {"display", "false"},
                    {"parameters", "REBOOT=ReallySuppress"},
                    {"remove-first", "{CCCCCCCC-0000-0000-0000-000000000003}"},
                    {"dependencies", QJsonObject {{"versions", QJsonArray {"<2016"}}}}})}));
    WindowHarness window;
    QVERIFY(window.window());
    RecordingSystemQueries::Machine machine;
    machine.installed.insert(installed, "1.0");
    DependencyManager dependencyManager(std::make_unique<RecordingSystemQueries>(machine));

    QCOMPARE(placeWith(dependencyManager, window), 2);

    verifySlot(window, 1, "Editor", "editor.msp");
    QCOMPARE(window.property(box(1), "visible").toBool(), true);
    verifySlot(window, 2, "Viewer", "viewer.msi");
    QCOMPARE(window.property(box(2), "visible").toBool(), false);
    QCOMPARE(
        window.property(box(2), "parameters").toString(), QStringLiteral("REBOOT=ReallySuppress"));
    QCOMPARE(window.property(box(2), "remove").toString(),
        QStringLiteral("{CCCCCCCC-0000-0000-0000-000000000003}"));
    verifyEmptySlots(window, 3);
    QCOMPARE(window.property("buttonInstall", "enabled").toBool(), true);
}

void tst_ProductPlacement::thisMachineHidesFailingRules()
{
    // The queries of the system the tests run on: no machine has this registry value or
    // product, and every machine is x86 or x64.
    ScopedConfig file(ScopedConfig::make("Updates",
        {ScopedConfig::product("Needs a registry value", "registry.msi",
             {{"dependencies",
                 QJsonObject {{"registry",
                     QJsonArray {
                         QJsonObject {{"SOFTWARE\\Kestrun Tests\\Never Written", "Value"}}}}}}}),
            ScopedConfig::product("Everywhere", "everywhere.msi",
                {{"dependencies", QJsonObject {{"platforms", QJsonArray {"x86", "x64"}}}}}),
            ScopedConfig::product("Needs a product", "product.msi",
                {{"dependencies",
                    QJsonObject {{"installed-products",
                        QJsonArray {"{0F0E0D0C-0B0A-0908-0706-050403020100}"}}}}})}));
    WindowHarness window;
    QVERIFY(window.window());
    DependencyManager dependencyManager;

    QCOMPARE(placeWith(dependencyManager, window), 1);

    verifySlot(window, 1, "Everywhere", "everywhere.msi");
    verifyEmptySlots(window, 2);
}

QTEST_MAIN(tst_ProductPlacement)
#include "tst_productplacement.moc"
