#include "platform/standinsystemqueries.h"
#include "platform/winesystemqueries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/utsname.h>

namespace {

const QString fakeHelper = QStringLiteral(KESTRUN_FAKE_QUERY_HELPER);
// Short enough to keep the failing cases quick, long enough for bash to start on a busy machine.
const WineSystemQueries::Timeouts testTimeouts {10000, 2000};

enum class Question { Amd64, Installed, Version, Value, DefaultValue };

/** Asks one question; the answer as text, so that every kind fits one table column. */
QString ask(SystemQueries &queries, Question question, const QString &subject)
{
    switch (question) {
    case Question::Amd64:
        return queries.isNativeAmd64() ? "yes" : "no";
    case Question::Installed:
        return queries.isProductInstalled(subject) ? "yes" : "no";
    case Question::Version:
        return queries.productVersion(subject);
    case Question::Value:
        return queries.registryValueExists(subject, "InstalledBy", true) ? "yes" : "no";
    case Question::DefaultValue:
        return queries.registryValueExists(subject, QString(), false) ? "yes" : "no";
    }
    return QString();
}

} // namespace

Q_DECLARE_METATYPE(Question)

/**
 * The system queries answered by the query helper over its line protocol, with a scripted
 * helper in place of "wine kestrun-query.exe"; whatever way the helper fails, the stand-in
 * answers, and the helper is started once.
 */
class tst_WineSystemQueries : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void answersFromTheHelper_data();
    void answersFromTheHelper();
    void oneHelperAsksWhatTheProtocolCarries();
    void failingHelperLeavesTheStandIn_data();
    void failingHelperLeavesTheStandIn();
    void selection_data();
    void selection();
    void standInArchitecture_data();
    void standInArchitecture();
    void standInIsThisMachine();

private:
    std::unique_ptr<WineSystemQueries> helperIn(const QString &mode);
    QStringList log() const;

    QTemporaryDir scratch;
};

void tst_WineSystemQueries::init()
{
    QVERIFY(scratch.isValid());
    QFile::remove(scratch.filePath("log"));
}

// The mode "missing" names no program that could be started.
std::unique_ptr<WineSystemQueries> tst_WineSystemQueries::helperIn(const QString &mode)
{
    const QString program = mode == "missing" ? scratch.filePath("no-such-wine") : "bash";
    return std::make_unique<WineSystemQueries>(
        program, QStringList {fakeHelper, mode, scratch.filePath("log")}, testTimeouts);
}

QStringList tst_WineSystemQueries::log() const
{
    QFile file(scratch.filePath("log"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void tst_WineSystemQueries::answersFromTheHelper_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<Question>("question");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("answer");

    const auto row = [](const char *tag, Question question, const QString &subject,
                         const QString &answer, const QString &mode = QStringLiteral("answering")) {
        QTest::newRow(tag) << mode << question << subject << answer;
    };
    row("not AMD64", Question::Amd64, "", "no");
    row("installed", Question::Installed, "{A}", "yes");
    row("not installed", Question::Installed, "{C}", "no");
    row("version", Question::Version, "{A}", "14.2.31");
    row("version unreadable", Question::Version, "{B}", "");
    row("no version", Question::Version, "{C}", "");
    row("value present", Question::Value, "SOFTWARE\\Corvane", "yes");
    row("value absent", Question::Value, "SOFTWARE\\Other", "no");
    row("default value", Question::DefaultValue, "SOFTWARE\\Corvane", "yes");
    row("non-ASCII key", Question::Value, "SOFTWARE\\Čorvané", "no");
    // Wine may take long to start: the greeting has the start time-out, not an answer's.
    row("greets later than an answer may take", Question::Installed, "{A}", "yes", "late-greeting");
}

void tst_WineSystemQueries::answersFromTheHelper()
{
    QFETCH(QString, mode);
    QFETCH(Question, question);
    QFETCH(QString, subject);
    QFETCH(QString, answer);

    auto queries = helperIn(mode);
    QCOMPARE(ask(*queries, question, subject), answer);
    QVERIFY(queries->isHelperAnswering());
}

void tst_WineSystemQueries::oneHelperAsksWhatTheProtocolCarries()
{
    auto queries = helperIn("answering");
    QVERIFY(queries->isProductInstalled("{A}"));
    // A field the protocol cannot carry is never sent, and the protocol stays in step.
    QVERIFY(!queries->registryValueExists("SOFTWARE\\Corvane\nInstalledBy", "x", true));
    QVERIFY(!queries->registryValueExists("SOFTWARE\\Corvane", "Installed\tBy", true));
    QVERIFY(!queries->isProductInstalled("{A}\r"));
    QCOMPARE(queries->productVersion("{A}"), QStringLiteral("14.2.31"));
    QVERIFY(queries->registryValueExists("SOFTWARE\\Corvane", "InstalledBy", true));
    QVERIFY(queries->isHelperAnswering());

    // Its input ends with the queries, and the helper with it.
    queries.reset();
    QCOMPARE(log(),
        QStringList({"start", "ask installed\t{A}", "ask version\t{A}",
            "ask value\t64\tSOFTWARE\\Corvane\tInstalledBy", "end"}));
}

void tst_WineSystemQueries::failingHelperLeavesTheStandIn_data()
{
    QTest::addColumn<QString>("mode");

    QTest::newRow("no greeting") << "no-greeting";
    QTest::newRow("dies") << "dies";
    QTest::newRow("silent") << "silent";
    QTest::newRow("nonsense") << "nonsense";
    QTest::newRow("request not understood") << "unknown";
    QTest::newRow("version without its text") << "textless";
    QTest::newRow("no program to start") << "missing";
}

void tst_WineSystemQueries::failingHelperLeavesTheStandIn()
{
    QFETCH(QString, mode);

    auto queries = helperIn(mode);
    StandInSystemQueries standIn;
    // The helper's first answer fails (textless fails at the version): the stand-in's answers
    // from then on, although the answering helper would say otherwise.
    QCOMPARE(queries->productVersion("{A}"), QString());
    QVERIFY(!queries->isHelperAnswering());
    QVERIFY(!queries->isProductInstalled("{A}"));
    QVERIFY(!queries->registryValueExists("SOFTWARE\\Corvane", "InstalledBy", true));
    QCOMPARE(queries->isNativeAmd64(), standIn.isNativeAmd64());
    QCOMPARE(log().count("start"), mode == "missing" ? 0 : 1);
}

void tst_WineSystemQueries::selection_data()
{
    QTest::addColumn<bool>("helperThere");
    QTest::addColumn<bool>("wineThere");
    QTest::addColumn<bool>("chosen");

    QTest::newRow("helper and wine") << true << true << true;
    QTest::newRow("no helper") << false << true << false;
    QTest::newRow("no wine") << true << false << false;
}

void tst_WineSystemQueries::selection()
{
    QFETCH(bool, helperThere);
    QFETCH(bool, wineThere);
    QFETCH(bool, chosen);

    // A folder that ships the helper, and a PATH that holds (or lacks) a wine that runs it.
    const QString folder = scratch.filePath("shipped");
    const QString bin = scratch.filePath("bin");
    QDir(folder).removeRecursively();
    QDir(bin).removeRecursively();
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(bin));
    if (helperThere) {
        QFile helper(QDir(folder).filePath(WineSystemQueries::HelperFileName));
        QVERIFY(helper.open(QIODevice::WriteOnly));
    }
    if (wineThere) {
        QFile wine(QDir(bin).filePath("wine"));
        QVERIFY(wine.open(QIODevice::WriteOnly));
        wine.write(QStringLiteral("#!/bin/sh\nexec /bin/bash '%1' answering '%2'\n")
                       .arg(fakeHelper, scratch.filePath("log"))
                       .toUtf8());
        wine.setPermissions(wine.permissions() | QFile::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin));
    const std::unique_ptr<SystemQueries> queries = createSystemQueries(folder);
    qputenv("PATH", path);

    QCOMPARE(dynamic_cast<WineSystemQueries *>(queries.get()) != nullptr, chosen);
    QCOMPARE(dynamic_cast<StandInSystemQueries *>(queries.get()) != nullptr, !chosen);
    QCOMPARE(queries->isProductInstalled("{A}"), chosen);
    QCOMPARE(log().count("start"), chosen ? 1 : 0);
}

void tst_WineSystemQueries::standInArchitecture_data()
{
    QTest::addColumn<QString>("architecture");
    QTest::addColumn<bool>("amd64");

    QTest::newRow("x86_64 is AMD64") << "x86_64" << true;
    QTest::newRow("i386 is x86") << "i386" << false;
    QTest::newRow("x86, the Windows name, is not AMD64") << "x86" << false;
    QTest::newRow("Itanium is not AMD64") << "ia64" << false;
    QTest::newRow("arm64 is not AMD64") << "arm64" << false;
    QTest::newRow("unknown") << "" << false;
}

void tst_WineSystemQueries::standInArchitecture()
{
    QFETCH(QString, architecture);
    QFETCH(bool, amd64);
    QCOMPARE(StandInSystemQueries::isAmd64Architecture(architecture), amd64);
    QCOMPARE(StandInSystemQueries(amd64).isNativeAmd64(), amd64);
}

void tst_WineSystemQueries::standInIsThisMachine()
{
    // The kernel's machine name, not the one this test was compiled for.
    utsname system;
    QCOMPARE(uname(&system), 0);
    QCOMPARE(StandInSystemQueries().isNativeAmd64(), qstrcmp(system.machine, "x86_64") == 0);
}

QTEST_GUILESS_MAIN(tst_WineSystemQueries)
#include "tst_winesystemqueries.moc"
