#include "config/configmanager.h"
#include "recordingsystemqueries.h"
#include "rules/dependencymanager.h"
#include "scopedconfig.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using Machine = RecordingSystemQueries::Machine;
using namespace SampleMachine;

namespace {

const QString Product = QStringLiteral("Product under test");
QJsonObject registryValue(const QString &keyPath, const QJsonValue &valueName)
{
    return {{keyPath, valueName}};
}

} // namespace

class tst_DependencyManager : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(ConfigManager::configPath()); }

    void applies_data();
    void applies();
    void versionRuleAgainstInstalledVersion_data();
    void versionRuleAgainstInstalledVersion();
    void compareSplitVersions_data();
    void compareSplitVersions();

private:
    bool appliesOn(bool amd64, const QJsonValue &dependencies, const QString &guid);
};

// Writes kestrun.json with the product under test and asks a DependencyManager about it.
bool tst_DependencyManager::appliesOn(
    bool amd64, const QJsonValue &dependencies, const QString &guid)
{
    QJsonObject more;
    if (!dependencies.isUndefined())
        more.insert("dependencies", dependencies);
    if (!guid.isEmpty())
        more.insert("guid", guid);
    ScopedConfig file(ScopedConfig::make("Rules", {ScopedConfig::product(Product, "p.msi", more)}));
    Machine onMachine = SampleMachine::make(amd64);
    DependencyManager dependencyManager(std::make_unique<RecordingSystemQueries>(onMachine));
    return dependencyManager.checkDependencies(Product);
}

void tst_DependencyManager::applies_data()
{
    QTest::addColumn<QJsonValue>("dependencies");
    QTest::addColumn<QString>("guid");
    QTest::addColumn<bool>("amd64");
    QTest::addColumn<bool>("applies");

    const auto rule = [](const char *key, const QJsonArray &value) {
        return QJsonObject {{QLatin1String(key), value}};
    };

    QTest::newRow("no dependencies key") << QJsonValue(QJsonValue::Undefined) << "" << true << true;
    QTest::newRow("dependencies null") << QJsonValue() << "" << true << true;
    QTest::newRow("empty rules object") << QJsonValue(QJsonObject()) << "" << true << true;
    QTest::newRow("dependencies not an object") << QJsonValue("x86") << "" << true << true;
    QTest::newRow("only linked products")
        << QJsonValue(rule("linked-products-ui", {"Other"})) << "" << true << true;

    for (const bool amd64 : {true, false}) {
        const QByteArray machineName = amd64 ? " on AMD64" : " on x86";
        const auto row = [&](const char *tag, const QJsonArray &platforms, bool applies) {
            QTest::newRow(tag + machineName)
                << QJsonValue(rule("platforms", platforms)) << "" << amd64 << applies;
        };
        row("all", {"all"}, true);
        row("x64 only", {"x64"}, amd64);
        row("x86 only", {"x86"}, !amd64);
        row("x86 and x64", {"x86", "x64"}, true);
        row("all after another", {"ia64", "all"}, true);
        row("empty platforms", {}, false);
        row("X64 in capitals", {"X64"}, false);
        row("ALL in capitals", {"ALL"}, false);
        row("non-string platform", {64}, false);
    }

    const auto versions = [&](const QJsonArray &rules) {
        return QJsonValue(rule("versions", rules));
    };
    QTest::newRow("versions empty with guid") << versions({}) << Alpha << true << true;
    QTest::newRow("versions empty without guid") << versions({}) << "" << true << false;
    QTest::newRow("<2016 without guid") << versions({"<2016"}) << "" << true << false;
    QTest::newRow("<2016 not installed") << versions({"<2016"}) << Absent << true << true;
    QTest::newRow(">0 not installed") << versions({">0"}) << Absent << true << false;
    QTest::newRow("<2016 installed 2015.1.0") << versions({"<2016"}) << Alpha << true << true;
    QTest::newRow(">2016 installed 2015.1.0") << versions({">2016"}) << Alpha << true << false;
    QTest::newRow(">2015 and <2017 installed 2016.2")
        << versions({">2015", "<2017"}) << Beta << true << true;
    QTest::newRow(">2014 and <2015 installed 2015.1.0: second fails")
        << versions({">2014", "<2015"}) << Alpha << true << false;
    QTest::newRow("unreadable version compares as 0 (=0)")
        << versions({"=0"}) << Unreadable << true << true;
    QTest::newRow("unreadable version compares as 0 (>0)")
        << versions({">0"}) << Unreadable << true << false;
    QTest::newRow("non-string version rule") << versions({2015}) << Alpha << true << false;

    const auto registry = [&](const QJsonArray &objects) {
        return QJsonValue(rule("registry", objects));
    };
    QTest::newRow("registry value present")
        << registry({registryValue(Kestrun, "Version")}) << "" << true << true;
    QTest::newRow("registry value missing")
        << registry({registryValue(Kestrun, "Missing")}) << "" << true << false;
    QTest::newRow("registry key missing")
        << registry({registryValue("SOFTWARE\\Nowhere", "Version")}) << "" << true << false;
    QTest::newRow("default value set")
        << registry({registryValue(Kestrun, "")}) << "" << true << true;
    QTest::newRow("default value not set")
        << registry({registryValue(Other, "")}) << "" << true << false;
    QTest::newRow("non-string value name reads default value")
        << registry({registryValue(Kestrun, 5)}) << "" << true << true;
    QTest::newRow("non-string value name, no default value")
        << registry({registryValue(Other, QJsonValue())}) << "" << true << false;
    QTest::newRow("value only in 32-bit view on AMD64")
        << registry({registryValue(Only32, "Name")}) << "" << true << false;
    QTest::newRow("value only in 64-bit view on AMD64")
        << registry({registryValue(Only64, "Name")}) << "" << true << true;
    QTest::newRow("value in default view on x86")
        << registry({registryValue(Only32, "Name")}) << "" << false << true;
    QTest::newRow("every key of an object must hold")
        << registry({QJsonObject {{Kestrun, "Version"}, {Other, "Missing"}}}) << "" << true
        << false;
    QTest::newRow("every object must hold")
        << registry({registryValue(Kestrun, "Version"), registryValue(Other, "Missing")}) << ""
        << true << false;
    QTest::newRow("two objects holding")
        << registry({registryValue(Kestrun, "Version"), registryValue(Other, "Name")}) << "" << true
        << true;
    QTest::newRow("registry empty") << registry({}) << "" << true << true;
    QTest::newRow("registry object without keys")
        << registry({QJsonObject()}) << "" << true << true;
    QTest::newRow("registry element not an object")
        << registry({"SOFTWARE\\Nowhere"}) << "" << true << true;

    const auto installed = [&](const QJsonArray &codes) {
        return QJsonValue(rule("installed-products", codes));
    };
    QTest::newRow("first of two products installed")
        << installed({Alpha, Absent}) << "" << true << true;
    QTest::newRow("second of two products installed")
        << installed({Absent, Beta}) << "" << true << true;
    QTest::newRow("neither product installed")
        << installed({Absent, "{EEEEEEEE-0000-0000-0000-000000000005}"}) << "" << true << false;
    QTest::newRow("installed without a readable version")
        << installed({Unreadable}) << "" << true << true;
    QTest::newRow("installed products empty") << installed({}) << "" << true << false;
    QTest::newRow("non-string product code") << installed({1}) << "" << true << false;
    QTest::newRow("product codes compare exactly")
        << installed({Alpha.toLower()}) << "" << true << false;

    const QJsonObject allHold {{"platforms", QJsonArray {"x64"}},
        {"versions", QJsonArray {"<2016"}},
        {"registry", QJsonArray {registryValue(Kestrun, "Version")}},
        {"installed-products", QJsonArray {Beta}}};
    QTest::newRow("all four rules hold") << QJsonValue(allHold) << Alpha << true << true;
    QTest::newRow("all four rules, x64 fails on x86")
        << QJsonValue(allHold) << Alpha << false << false;

    // A rule value that is not an array reads as an empty one.
    const QList<QPair<QString, bool>> emptyRules = {{"platforms", false}, {"versions", true},
        {"registry", true}, {"installed-products", false}};
    const QList<QPair<QByteArray, QJsonValue>> values = {
        {"string", "all"},
        {"number", 64},
        {"boolean", true},
        {"null", QJsonValue()},
        {"object", QJsonObject {{"all", "x64"}}},
    };
    for (const auto &emptyRule : emptyRules) {
        for (const auto &value : values) {
            QTest::newRow(qPrintable(emptyRule.first + " as " + value.first))
                << QJsonValue(QJsonObject {{emptyRule.first, value.second}}) << Alpha << true
                << emptyRule.second;
        }
    }
}

void tst_DependencyManager::applies()
{
    QFETCH(QJsonValue, dependencies);
    QFETCH(QString, guid);
    QFETCH(bool, amd64);
    QFETCH(bool, applies);

    QCOMPARE(appliesOn(amd64, dependencies, guid), applies);
}

void tst_DependencyManager::versionRuleAgainstInstalledVersion_data()
{
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<bool>("holds");
    const auto row = [](const char *tag, const char *installed, const char *rule, bool holds) {
        QTest::newRow(tag) << QString::fromUtf8(installed) << QString::fromUtf8(rule) << holds;
    };

    row("2016.1.0 >2015", "2016.1.0", ">2015", true);
    row("2015.0.0 <2016", "2015.0.0", "<2016", true);
    row("2015.0.0 <2015.1: first difference decides", "2015.0.0", "<2015.1", true);
    row("1.10 >1.9: numeric, not text", "1.10", ">1.9", true);
    row("1.9 >1.10", "1.9", ">1.10", false);
    row("1.02 =1.2: leading zeros", "1.02", "=1.2", true);
    row("2015.0.0 =2015.0.0", "2015.0.0", "=2015.0.0", true);
    row("2015.0.0 !2015.0.0", "2015.0.0", "!2015.0.0", false);
    row("2015.0.1 !2015.0.0", "2015.0.1", "!2015.0.0", true);
    row("2015.0.0 >2015.0.0", "2015.0.0", ">2015.0.0", false);
    row("1.2 =1.2.5: installed runs out first", "1.2", "=1.2.5", true);
    row("1.2 >1.2.5", "1.2", ">1.2.5", false);
    row("1.2 <1.2.5", "1.2", "<1.2.5", false);
    row("1.2 !1.2.5", "1.2", "!1.2.5", false);
    row("not installed <2016", "", "<2016", true);
    row("not installed =0", "", "=0", true);
    row("not installed >0", "", ">0", false);
    row("not installed !2016", "", "!2016", true);
    row("a.b =0.0: letters count as 0", "a.b", "=0.0", true);
    row("3 >=4: operator > against =4, which is 0", "3", ">=4", true);
    row("5 2015: no operator", "5", "2015", false);
    row("5 against the empty rule", "5", "", false);
    row("5 >: empty required version is 0", "5", ">", true);
    row("0 >", "0", ">", false);

    // The required version runs out first: only the components both have are compared.
    row("2015.1.0 =2015: required runs out first", "2015.1.0", "=2015", true);
    row("2015.1.0 >2015", "2015.1.0", ">2015", false);
    row("2015.1.0 <2015.1", "2015.1.0", "<2015.1", false);
    row("2015.0.0 !2015", "2015.0.0", "!2015", false);
    row("2016.1.0 <2016.2: difference before it runs out", "2016.1.0", "<2016.2", true);
    row("1..2 =1.0.2: empty middle component", "1..2", "=1.0.2", true);
    row("1..2 <1.1: empty component is 0", "1..2", "<1.1", true);
    row("99999999999 =0: out of int range is 0", "99999999999", "=0", true);
    row("2147483647 >2147483646: whole int range", "2147483647", ">2147483646", true);
    row("-1 <0: signed components", "-1", "<0", true);
    row("2 ~1: unknown operator", "2", "~1", false);
    row("2 \" >1\": blank is no operator", "2", " >1", false);
}

void tst_DependencyManager::versionRuleAgainstInstalledVersion()
{
    QFETCH(QString, installed);
    QFETCH(QString, rule);
    QFETCH(bool, holds);
    QCOMPARE(DependencyManager::versionRuleHolds(installed, rule), holds);
}

void tst_DependencyManager::compareSplitVersions_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("required");
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("holds");

    QTest::newRow("no installed components") << QStringList() << QStringList {"0"} << "=" << false;
    QTest::newRow("no required components") << QStringList {"0"} << QStringList() << "=" << false;
    QTest::newRow("two-character operator")
        << QStringList {"2"} << QStringList {"1"} << ">=" << false;
    QTest::newRow("empty operator") << QStringList {"2"} << QStringList {"2"} << "" << false;
    QTest::newRow("equal single components under =")
        << QStringList {"7"} << QStringList {"07"} << "=" << true;
}

void tst_DependencyManager::compareSplitVersions()
{
    QFETCH(QStringList, installed);
    QFETCH(QStringList, required);
    QFETCH(QString, op);
    QFETCH(bool, holds);
    QCOMPARE(DependencyManager::compareVersions(installed, required, op), holds);
}

QTEST_GUILESS_MAIN(tst_DependencyManager)
#include "tst_dependencymanager.moc"
