#include "check/productexplanation.h"
#include "recordingsystemqueries.h"
#include "testfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using Machine = RecordingSystemQueries::Machine;
using namespace SampleMachine;
using RuleCheck = DependencyManager::RuleCheck;
using RuleOutcome = DependencyManager::RuleOutcome;

Q_DECLARE_METATYPE(QList<RuleOutcome>)

namespace {

QJsonObject product(const QString &name, const QJsonObject &rules, const QString &guid = {})
{
    QJsonObject object {{"name", name}, {"file", name + ".msi"}, {"dependencies", rules}};
    if (!guid.isEmpty())
        object.insert("guid", guid);
    return object;
}

RuleCheck check(const QString &element, const QString &found, bool holds)
{
    return RuleCheck {element, QString(), found, holds};
}

RuleOutcome outcome(const QString &rule, bool holds, const QList<RuleCheck> &checks,
    const QString &productCode = {})
{
    return RuleOutcome {rule, holds, productCode, checks};
}

/** Every field of the outcomes, so that comparing the texts compares the outcomes. */
QString describe(const QList<RuleOutcome> &outcomes)
{
    QStringList texts;
    for (const RuleOutcome &o : outcomes) {
        QStringList checks;
        for (const RuleCheck &c : o.checks)
            checks
                << QStringLiteral("%1|%2|%3|%4").arg(c.element, c.valueName, c.found).arg(c.holds);
        texts << QStringLiteral("%1 %2 %3 [%4]")
                     .arg(o.rule)
                     .arg(o.holds)
                     .arg(o.productCode, checks.join(QLatin1String(", ")));
    }
    return texts.join(QLatin1String("; "));
}

} // namespace

/** Every product explained on a made-up machine through the program's own rules. */
class tst_ProductExplanation : public QObject
{
    Q_OBJECT

private slots:
    void eachRule_data();
    void eachRule();
    void wholeConfiguration();

private:
    QList<ProductExplanation> explain(
        const QJsonArray &products, Machine &machine, const QString &publisher = {});

    QTemporaryDir folder;
};

QList<ProductExplanation> tst_ProductExplanation::explain(
    const QJsonArray &products, Machine &machine, const QString &publisher)
{
    const QString path = QDir(folder.path()).filePath(QStringLiteral("kestrun.json"));
    const QJsonObject config {{"products", products}, {"publisher", publisher}};
    TestFiles::writeFile(path, QJsonDocument(config).toJson());
    return ProductExplanation::explainAll(path, std::make_unique<RecordingSystemQueries>(machine));
}

void tst_ProductExplanation::eachRule_data()
{
    QTest::addColumn<QJsonObject>("product");
    QTest::addColumn<bool>("amd64");
    QTest::addColumn<QList<RuleOutcome>>("outcomes");
    QTest::addColumn<QStringList>("asked");

    const auto registryAsked = &RecordingSystemQueries::registryQuestion;
    const auto installedAsked = &RecordingSystemQueries::installedQuestion;
    const auto versionAsked = &RecordingSystemQueries::versionQuestion;

    QTest::newRow("no rules") << product("P", {}) << true << QList<RuleOutcome>() << QStringList();
    QTest::newRow("platforms: the architecture found, against each entry")
        << product("P", {{"platforms", QJsonArray {"x86", "x64"}}}) << true
        << QList<RuleOutcome> {outcome(
               "platforms", true, {check("x86", "x64", false), check("x64", "x64", true)})}
        << QStringList();
    QTest::newRow("platforms fail on x86, and end the evaluation")
        << product("P",
               {{"platforms", QJsonArray {"x64"}},
                   {"registry", QJsonArray {QJsonObject {{Viewer, "InstallDir"}}}}})
        << false << QList<RuleOutcome> {outcome("platforms", false, {check("x64", "x86", false)})}
        << QStringList();
    QTest::newRow("versions: the installed version against every rule")
        << product("P", {{"versions", QJsonArray {">2015", "<2016", "=2015.1"}}}, Alpha) << true
        << QList<RuleOutcome> {outcome("versions", false,
               {check(">2015", "2015.1.0", false), check("<2016", "2015.1.0", true),
                   check("=2015.1", "2015.1.0", true)},
               Alpha)}
        << QStringList {versionAsked(Alpha)};
    QTest::newRow("versions: not installed counts as 0")
        << product("P", {{"versions", QJsonArray {"<2016"}}}, Absent) << true
        << QList<RuleOutcome> {outcome("versions", true, {check("<2016", "", true)}, Absent)}
        << QStringList {versionAsked(Absent)};
    QTest::newRow("versions without a guid ask nothing")
        << product("P", {{"versions", QJsonArray {"<2016"}}}) << true
        << QList<RuleOutcome> {outcome("versions", false, {})} << QStringList();
    QTest::newRow("registry: each value found or missing, in the machine's view")
        << product("P",
               {{"registry",
                   QJsonArray {QJsonObject {{Viewer, "InstallDir"}}, QJsonObject {{Viewer, "Path"}},
                       QJsonObject {{Viewer, ""}}}}})
        << false
        << QList<RuleOutcome> {outcome("registry", false,
               {RuleCheck {Viewer, "InstallDir", "", true}, RuleCheck {Viewer, "Path", "", false}})}
        << QStringList {
               registryAsked(Viewer, "InstallDir", false), registryAsked(Viewer, "Path", false)};
    QTest::newRow("registry fails: no installed product is asked")
        << product("P",
               {{"registry", QJsonArray {QJsonObject {{Kestrun, "Missing"}}}},
                   {"installed-products", QJsonArray {Alpha}}})
        << true
        << QList<RuleOutcome> {outcome(
               "registry", false, {RuleCheck {Kestrun, "Missing", "", false}})}
        << QStringList {registryAsked(Kestrun, "Missing", true)};
    QTest::newRow("installed products: a non-string code is asked as empty")
        << product("P", {{"installed-products", QJsonArray {QJsonValue(), Beta}}}) << true
        << QList<RuleOutcome> {outcome(
               "installed-products", true, {check("", "", false), check(Beta, "", true)})}
        << QStringList {installedAsked(""), installedAsked(Beta)};
    QTest::newRow("installed products: up to the first that is installed")
        << product("P", {{"installed-products", QJsonArray {Absent, Beta, Alpha}}}) << true
        << QList<RuleOutcome> {outcome(
               "installed-products", true, {check(Absent, "", false), check(Beta, "", true)})}
        << QStringList {installedAsked(Absent), installedAsked(Beta)};
    QTest::newRow("all four in order")
        << product("P",
               {{"installed-products", QJsonArray {Absent}},
                   {"registry", QJsonArray {QJsonObject {{Viewer, "InstallDir"}}}},
                   {"versions", QJsonArray {">2015.0.5"}}, {"platforms", QJsonArray {"all"}}},
               Alpha)
        << true
        << QList<RuleOutcome> {outcome("platforms", true, {check("all", "x64", true)}),
               outcome("versions", true, {check(">2015.0.5", "2015.1.0", true)}, Alpha),
               outcome("registry", true, {RuleCheck {Viewer, "InstallDir", "", true}}),
               outcome("installed-products", false, {check(Absent, "", false)})}
        << QStringList {versionAsked(Alpha), registryAsked(Viewer, "InstallDir", true),
               installedAsked(Absent)};
}

void tst_ProductExplanation::eachRule()
{
    QFETCH(QJsonObject, product);
    QFETCH(bool, amd64);
    QFETCH(QList<RuleOutcome>, outcomes);
    QFETCH(QStringList, asked);

    Machine machine = SampleMachine::make(amd64);
    const QList<ProductExplanation> explained = explain({product}, machine);
    QCOMPARE(explained.size(), 1);
    QCOMPARE(describe(explained.first().outcomes), describe(outcomes));
    QCOMPARE(explained.first().applies, DependencyManager::allHold(outcomes));
    QCOMPARE(explained.first().checkBox, explained.first().applies ? 1 : 0);
    QCOMPARE(machine.asked, asked);
}

void tst_ProductExplanation::wholeConfiguration()
{
    // Thirteen products: the second does not apply, the hidden third does, and the fourth has
    // the second's name, so the second's rules are the ones read for it; the twelfth takes the
    // last box, and the thirteenth applies too but finds the window full.
    QJsonArray products;
    for (int i = 1; i <= 13; ++i) {
        QJsonObject rules;
        if (i == 2)
            rules.insert("platforms", QJsonArray {"x86"});
        if (i == 4)
            rules.insert("platforms", QJsonArray {"x64"});
        if (i == 13)
            rules.insert("installed-products", QJsonArray {Beta});
        QJsonObject p = product(QStringLiteral("P%1").arg(i == 4 ? 2 : i), rules);
        if (i == 3)
            p.insert("display", "FALSE");
        if (i == 5)
            p.insert("file", "http://h/p/P5.msi");
        if (i == 6)
            p.insert("sha256", QString(64, 'A'));
        if (i == 7)
            p.insert("publisher", "Corvane");
        products << p;
    }
    Machine machine = SampleMachine::make(true);
    const QList<ProductExplanation> explained = explain(products, machine, "Top");

    QList<int> boxes;
    QList<int> rulesOf;
    QList<int> leftOutByFullWindow;
    for (const ProductExplanation &p : explained) {
        boxes << p.checkBox;
        rulesOf << p.rulesOf;
        if (p.leftOutByFullWindow())
            leftOutByFullWindow << p.position;
        QCOMPARE(p.hidden, p.position == 3);
    }
    QCOMPARE(boxes, (QList<int> {1, 0, 2, 0, 3, 4, 5, 6, 7, 8, 9, 10, 0}));
    QCOMPARE(rulesOf, (QList<int> {0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(leftOutByFullWindow, QList<int> {13});
    QCOMPARE(explained.at(1).outcomes.last().rule, QStringLiteral("platforms"));
    QCOMPARE(describe(explained.at(3).outcomes), describe(explained.at(1).outcomes));
    // What the package must be: a local one is only looked for. This system checks no
    // signature, so a pinned publisher gives every package up.
    const QString unchecked = QStringLiteral("; it must be signed by \"%1\", which cannot be "
                                             "checked on this system: Install gives it up");
    const QString local = QStringLiteral("looked for where it is, not checked");
    QCOMPARE(explained.at(0).packageRequirement(), local + unchecked.arg("Top"));
    QCOMPARE(explained.at(4).packageRequirement(),
        "must match the digest file http://h/p/P5.md5, unless the server says it has none"
            + unchecked.arg("Top"));
    QCOMPARE(explained.at(5).packageRequirement(),
        "must have the SHA-256 " + QString(64, 'a')
            + " that \"sha256\" pins; no digest file is fetched" + unchecked.arg("Top"));
    QCOMPARE(explained.at(6).packageRequirement(), local + unchecked.arg("Corvane"));
    ProductExplanation onWindows = explained.at(6);
    onWindows.signaturesChecked = true;
    QCOMPARE(onWindows.packageRequirement(),
        local
            + "; it must carry a valid signature by \"Corvane\" (the signer's common name, in any "
              "case)");
    onWindows.publisher.clear();
    QCOMPARE(
        onWindows.packageRequirement(), local + "; its signature, if it has one, must be valid");
    onWindows.signaturesChecked = false;
    QCOMPARE(
        onWindows.packageRequirement(), local + "; its signature cannot be checked on this system");
}

QTEST_GUILESS_MAIN(tst_ProductExplanation)
#include "tst_productexplanation.moc"
