// The whole program against a misbehaving package server and a hostile installs folder: the real
// executable on a virtual display, "Install" or "Download All" pressed with real clicks, the
// report read from the window. Every case must end with a report in bounded time, keep nothing
// damaged under a package's name, run no installer for a package that failed verification, and
// exit with 0 after "Exit". The figures of the run are printed as a table at the end.

#include "faultserver.h"
#include "programsession.h"
#include "recordingstandin.h"
#include "tally.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

using Responses = QList<FaultServer::Response>;
Q_DECLARE_METATYPE(Responses)

using TestFiles::contentsOf;
using TestFiles::writeFile;

namespace {

enum class Setup { Server, Refused, InstallsIsAFile, PackageIsAFolder, InstallerCrashes };

constexpr int StartTimeout = 30000;
// Three attempts at a misbehaving server take a few seconds; a stalled transfer waits out the
// program's 30 s time-out once.
constexpr int ReportTimeout = 60000;
constexpr int StallReportTimeout = 100000;
constexpr int ExitTimeout = 15000;

const QByteArray goodPackage = QByteArray("good package ").repeated(4000);
const QByteArray faultyPackage = QByteArray("faulty package ").repeated(4000);
const QString goodName = QStringLiteral("Good Package");
const QString faultyName = QStringLiteral("Faulty Package");
const QByteArray notAFolder = "a plain file where the installs folder belongs";

QByteArray sha256Line(const QByteArray &body, const QByteArray &name)
{
    return QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() + "  " + name + '\n';
}

// A file under the package's name that is not the package is a damaged file kept.
bool isDamaged(const QString &path, const QByteArray &package)
{
    return QFileInfo(path).isFile() && contentsOf(path) != package;
}

bool installerRanFor(const RecordingStandIn &standIn, const QString &name)
{
    const QList<QStringList> calls = standIn.calls();
    for (const QStringList &call : calls) {
        for (const QString &argument : call) {
            if (argument.endsWith(name))
                return true;
        }
    }
    return false;
}

QByteArray configFor(const QString &goodUrl, const QString &faultyUrl)
{
    const QJsonArray products {QJsonObject {{"name", goodName}, {"file", goodUrl}},
        QJsonObject {{"name", faultyName}, {"file", faultyUrl}}};
    return QJsonDocument(QJsonObject {{"title", "Fault run"}, {"products", products}}).toJson();
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class tst_FaultRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void endsWithAReport_data();
    void endsWithAReport();

private:
    void prepare(Setup setup, const ProgramSession &session, RecordingStandIn &standIn);

    FaultServer server;
    Tally tally;
};

void tst_FaultRun::initTestCase()
{
    server.serve(QStringLiteral("/good.msi"), {FaultServer::ok(goodPackage, 4)});
    server.serve(
        QStringLiteral("/good.md5"), {FaultServer::ok(sha256Line(goodPackage, "good.msi"))});
}

void tst_FaultRun::cleanupTestCase()
{
    tally.print(QStringLiteral("Fault run of the whole program"));
}

void tst_FaultRun::endsWithAReport_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Responses>("package");
    QTest::addColumn<Responses>("digest");
    QTest::addColumn<bool>("givenUp"); // the download step must give the faulty package up
    QTest::addColumn<int>("reportTimeout");
    QTest::addColumn<QString>("reason"); // shown after the faulty package; none when it succeeds
    QTest::addColumn<bool>("byKeyboard");

    using S = FaultServer;
    const Responses whole {S::ok(faultyPackage, 4)};
    const Responses rightDigest {S::ok(sha256Line(faultyPackage, "faulty.msi"))};
    S::Response longerThanAnnounced = S::ok(faultyPackage);
    longerThanAnnounced.announcedLength = faultyPackage.size() / 2;
    const QByteArray sha1 =
        QCryptographicHash::hash(faultyPackage, QCryptographicHash::Sha1).toHex();

    struct Row
    {
        const char *name;
        Setup setup;
        Responses package;
        Responses digest;
        bool givenUp;
        int reportTimeout;
        bool bothButtons;
        const char *reason;
        bool byKeyboard = false; // Tab and Return alone, the focus and the work read on the way
    };
    const QList<Row> rows {
        {"refused connection", Setup::Refused, {}, {}, true, ReportTimeout, true,
            "the server refused the connection"},
        {"reset mid-body", Setup::Server,
            {S::reset(faultyPackage.left(5000), faultyPackage.size())}, rightDigest, true,
            ReportTimeout, true, "the connection broke off"},
        {"stalls once, then whole", Setup::Server,
            {S::stalled(faultyPackage.left(5000), faultyPackage.size()), S::ok(faultyPackage)},
            rightDigest, false, StallReportTimeout, false, "", true},
        {"wrong digest", Setup::Server, whole, {S::ok(sha256Line("another package", "faulty.msi"))},
            true, ReportTimeout, true, "digest mismatch", true},
        {"digest in a wrong format (SHA-1)", Setup::Server, whole, {S::ok(sha1 + "  faulty.msi\n")},
            true, ReportTimeout, true, "digest mismatch"},
        // Cut to its Content-Length, the body is not the package.
        {"body longer than its Content-Length", Setup::Server, {longerThanAnnounced}, rightDigest,
            true, ReportTimeout, true, "digest mismatch"},
        // The per-user folder takes the place of the blocked one.
        {"plain file named installs", Setup::InstallsIsAFile, whole, rightDigest, false,
            ReportTimeout, true, ""},
        {"package is a folder", Setup::PackageIsAFolder, whole, rightDigest, true, ReportTimeout,
            true, "the file could not be written to the disk"},
        // Killed by a signal, as a crash ends a program here.
        {"installer crashes", Setup::InstallerCrashes, whole, rightDigest, false, ReportTimeout,
            false, "exit code"},
    };
    for (const Row &row : rows) {
        for (const char *button : {"Install", "Download All"}) {
            if (!row.bothButtons && QLatin1String(button) != QLatin1String("Install"))
                continue;
            QTest::addRow("%s, %s", row.name, button)
                << row.setup << row.package << row.digest << row.givenUp << row.reportTimeout
                << QString::fromLatin1(row.reason) << row.byKeyboard;
        }
    }
}

void tst_FaultRun::endsWithAReport()
{
    QFETCH(Setup, setup);
    QFETCH(Responses, package);
    QFETCH(Responses, digest);
    QFETCH(bool, givenUp);
    QFETCH(int, reportTimeout);
    QFETCH(QString, reason);
    QFETCH(bool, byKeyboard);
    const bool viaInstall = QByteArray(QTest::currentDataTag()).endsWith(", Install");

    ProgramSession session;
    QVERIFY(session.isValid());
    server.serve(QStringLiteral("/faulty.msi"), package);
    server.serve(QStringLiteral("/faulty.md5"), digest);
    const QString goodUrl = server.url(QStringLiteral("/good.msi")).toString();
    const QString faultyPath = QStringLiteral("/faulty.msi");
    const QString faultyUrl =
        (setup == Setup::Refused ? FaultServer::refusingUrl(faultyPath) : server.url(faultyPath))
            .toString();
    QVERIFY(session.writeConfig(configFor(goodUrl, faultyUrl)));
    RecordingStandIn standIn;
    prepare(setup, session, standIn);

    QElapsedTimer clock;
    clock.start();
    const bool started = session.start(StartTimeout);
    const bool startsOnFirstBox = session.lastReading().contains("\nfocus: [x] " + goodName);
    // The first box has the focus, where Return and Enter do nothing; Install is two Tabs on,
    // Download All three.
    const bool pressed = byKeyboard
        ? session.pressKeys(
            ("Return KP_Enter " + QString("Tab ").repeated(viaInstall ? 2 : 3) + "Return")
                .split(' '))
        : session.click(viaInstall ? ProgramSession::Install : ProgramSession::DownloadAll);
    // The status line and the bar as a screen reader finds them while a stalled transfer waits.
    const auto showsWork = [](const QString &reading) {
        return reading.contains("\ntext: Downloading file ")
            && reading.contains(QRegularExpression("\nprogress: [1-9]\\d?%"));
    };
    const bool workRead = !byKeyboard || givenUp || session.waitFor(showsWork, reportTimeout);
    const bool reported =
        started && pressed && session.waitFor(ProgramSession::showsReport, reportTimeout);
    const QString report = session.lastReading();
    const bool exitReached = byKeyboard && session.pressKeys({"Tab"})
        && session.waitFor(
            [](const QString &reading) { return reading.contains("\nfocus: button: Exit"); },
            ExitTimeout);
    const int exitCode = session.exitByButton(ExitTimeout);

    const QDir installs(
        setup == Setup::InstallsIsAFile ? session.perUserInstallsPath() : session.installsPath());
    Tally::Case outcome;
    outcome.name = QString::fromLatin1(QTest::currentDataTag());
    outcome.hung = !reported;
    outcome.crashed = exitCode != 0;
    outcome.damagedAccepted = isDamaged(installs.filePath(QStringLiteral("good.msi")), goodPackage)
        || isDamaged(installs.filePath(QStringLiteral("faulty.msi")), faultyPackage);
    outcome.unverifiedRun = givenUp && installerRanFor(standIn, QStringLiteral("faulty.msi"));
    outcome.seconds = clock.elapsed() / 1000.0;
    outcome.shown = ProgramSession::lineWith(report, viaInstall ? faultyName : faultyUrl);
    if (outcome.shown.isEmpty())
        outcome.shown = ProgramSession::lineWith(report, ProgramSession::reportHeadings().at(2));
    tally.add(outcome);

    QVERIFY2(started, qPrintable(report));
    QVERIFY2(reported, qPrintable(report));
    if (byKeyboard) {
        QVERIFY(startsOnFirstBox && workRead && exitReached);
        // The report has the focus, so that a screen reader reads it.
        QVERIFY2(report.contains("\nfocus: text: " + ProgramSession::reportHeading(report)),
            qPrintable(report));
    }
    QCOMPARE(exitCode, 0);
    QVERIFY(!outcome.damagedAccepted);
    QVERIFY(!outcome.unverifiedRun);
    QVERIFY2(outcome.shown.contains(reason), qPrintable(report));
    const QStringList &headings = ProgramSession::reportHeadings();
    if (viaInstall) {
        // The failed products, or when none failed the installed ones.
        const bool faultyFails = givenUp || setup == Setup::InstallerCrashes;
        QVERIFY2(report.contains(headings.at(faultyFails ? 1 : 0)), qPrintable(report));
        QVERIFY2(report.contains(faultyName), qPrintable(report));
        QCOMPARE(report.contains(goodName), !faultyFails);
        QVERIFY(installerRanFor(standIn, QStringLiteral("good.msi")));
    } else {
        // The packages that could not be fetched, as written in the configuration, and the folder.
        QVERIFY2(report.contains(headings.at(givenUp ? 3 : 2)), qPrintable(report));
        QCOMPARE(report.contains(faultyUrl), givenUp);
        QVERIFY2(!report.contains(goodUrl), qPrintable(report));
        QVERIFY2(report.contains(installs.path()), qPrintable(report));
        QCOMPARE(standIn.calls(), QList<QStringList>());
    }
    if (setup == Setup::InstallsIsAFile)
        QCOMPARE(contentsOf(session.installsPath()), notAFolder);
    if (setup == Setup::PackageIsAFolder)
        QVERIFY(QFileInfo(installs.filePath(QStringLiteral("faulty.msi/inside"))).isDir());
}

void tst_FaultRun::prepare(Setup setup, const ProgramSession &session, RecordingStandIn &standIn)
{
    switch (setup) {
    case Setup::InstallsIsAFile:
        QVERIFY(writeFile(session.installsPath(), notAFolder));
        break;
    case Setup::PackageIsAFolder:
        QVERIFY(QDir().mkpath(QDir(session.installsPath()).filePath("faulty.msi/inside")));
        break;
    case Setup::InstallerCrashes:
        standIn.setCrash(QStringLiteral("faulty.msi"));
        break;
    case Setup::Server:
    case Setup::Refused:
        break;
    }
}

QTEST_GUILESS_MAIN(tst_FaultRun)
#include "tst_faultrun.moc"
