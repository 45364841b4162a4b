#include "faultserver.h"
#include "recordingstandin.h"
#include "scopedconfig.h"
#include "scopedinstalls.h"
#include "windowharness.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString successHeading = QStringLiteral("Successfully installed the following products.");
const QString failureHeading = QStringLiteral("Failed to install the following products.");
// Wine's msiexec takes seconds, not milliseconds.
constexpr int wineTimeout = 120000;

// The package the test builds with wixl from the demo's product.wxs.
const QString sampleName = QStringLiteral("Kestrun Sample One");
const QString sampleCode = QStringLiteral("{1B2C3D4E-5F60-4718-92A3-B4C5D6E7F801}");

/** Runs a tool to its end; its exit code, or -1 when it did not start or end in time. */
int runTool(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    if (!tool.waitForFinished(wineTimeout) || tool.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = tool.readAll();
    return tool.exitCode();
}

} // namespace

/**
 * The whole road of one Install under Wine: the package is served over HTTP from 127.0.0.1,
 * downloaded and verified into the installs folder, and installed by Wine's Windows Installer
 * through the msiexec.exe stand-in beside the executable, after a click on "Install". A good
 * package installed and an older product removed first are the demo's test; here, the rest.
 * Its launcher makes the Wine prefix, as the shell tests make theirs.
 */
class tst_WineInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void brokenPackageIsReportedFailed();
    void localPackageRunsFromItsOwnFolder();
    void standInHandsWineWindowsPaths();

private:
    bool isSampleInstalled();
    /** Clicks "Install" in a window configured with product; the report it shows. */
    QString installThroughWindow(const QJsonObject &product);

    QTemporaryDir built;
    FaultServer server;
};

void tst_WineInstall::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("WINEPREFIX"),
        "run it through CTest, whose launcher makes a Wine prefix of the test's own");
    QVERIFY2(QFile::exists(QCoreApplication::applicationDirPath() + "/msiexec.exe"),
        "the build places the msiexec.exe stand-in beside this test");
    // Started from its own folder, as a double click starts the program: the stand-in lies
    // in the current folder then.
    QVERIFY(QDir::setCurrent(QCoreApplication::applicationDirPath()));
    QCOMPARE(runTool("wixl",
                 {"-a", "x64", "-o", built.filePath("SampleOne.msi"), "-D",
                     "ProductName=" + sampleName, "-D", "ProductCode=" + sampleCode, "-D",
                     "UpgradeCode={1B2C3D4E-5F60-4718-92A3-B4C5D6E7F800}", "-D",
                     "ComponentGuid={1B2C3D4E-5F60-4718-92A3-B4C5D6E7F802}", "-D",
                     "FolderName=SampleOne", "-D", "ProductVersion=1.0.0",
                     QStringLiteral(KESTRUN_SAMPLE_WXS)}),
        0);
}

bool tst_WineInstall::isSampleInstalled()
{
    QByteArray output;
    const int code = runTool("wine",
        {"reg", "query",
            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + sampleCode},
        &output);
    return code == 0 && output.contains(sampleName.toUtf8());
}

QString tst_WineInstall::installThroughWindow(const QJsonObject &product)
{
    ScopedConfig config(ScopedConfig::make(QStringLiteral("Updates"), QJsonArray {product}));
    WindowHarness window;
    if (!window.show() || window.placeAllProducts() != 1
        || !window.click(QStringLiteral("buttonInstall")))
        return QStringLiteral("the window did not start an install");
    // The status line shows in the same place during the run; the report comes with the bar gone.
    const bool reported = QTest::qWaitFor(
        [&window] {
            return !window.property(QStringLiteral("mainProgressBar"), "visible").toBool()
                && window.property(QStringLiteral("feedbackText"), "visible").toBool();
        },
        wineTimeout);
    if (!reported)
        return QStringLiteral("no report after %1 ms").arg(wineTimeout);
    return window.property(QStringLiteral("feedbackText"), "text").toString();
}

void tst_WineInstall::brokenPackageIsReportedFailed()
{
    ScopedInstalls installs;
    const QByteArray broken("this is not a Windows Installer package");
    const QByteArray digest = QCryptographicHash::hash(broken, QCryptographicHash::Md5).toHex();
    server.serve(QStringLiteral("/packages/broken.msi"), {FaultServer::ok(broken)});
    server.serve(QStringLiteral("/packages/broken.md5"), {FaultServer::ok(digest + " broken.msi")});
    const QString url = server.url(QStringLiteral("/packages/broken.msi")).toString();

    // It downloads and verifies, then Windows Installer refuses it.
    const QString report = installThroughWindow(
        ScopedConfig::product(QStringLiteral("Broken Product"), url, {{"parameters", "/qn"}}));

    QVERIFY2(report.startsWith(failureHeading + "\n\nBroken Product \u2014 exit code "),
        qPrintable(report));
    QCOMPARE(server.count(QStringLiteral("/packages/broken.md5")), 1);
}

void tst_WineInstall::localPackageRunsFromItsOwnFolder()
{
    ScopedInstalls installs;
    QVERIFY(!isSampleInstalled());
    // An administrator's package outside the installs folder, in a folder with a blank.
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const QString package = elsewhere.filePath(QStringLiteral("shared packages/Sample One.msi"));
    QVERIFY(QDir().mkpath(QFileInfo(package).path()));
    QVERIFY(QFile::copy(built.filePath("SampleOne.msi"), package));

    const QString report =
        installThroughWindow(ScopedConfig::product(sampleName, package, {{"parameters", "/qn"}}));

    QCOMPARE(report, successHeading + "\n\n" + sampleName);
    QVERIFY(isSampleInstalled());
    QVERIFY(!QFile::exists(installs.filePath(QStringLiteral("Sample One.msi"))));
}

void tst_WineInstall::standInHandsWineWindowsPaths()
{
    // Wine's own msiexec is replaced by a recorder; winepath is the real one.
    RecordingStandIn wine(QStringList {"wine"});
    wine.searchSystemPathToo();
    QTemporaryDir elsewhere; // outside the prefix's drive C:, reached only through Z:
    QVERIFY(elsewhere.isValid());
    const QString package = elsewhere.filePath(QStringLiteral("my fix.msi"));
    QVERIFY(QFile(package).open(QIODevice::WriteOnly));
    const QString missing = elsewhere.filePath(QStringLiteral("missing.msi"));
    QProcess standIn;

    standIn.start(QCoreApplication::applicationDirPath() + "/msiexec.exe",
        {"/package", package, "/qn", missing, "relative.msi"});

    QVERIFY(standIn.waitForFinished(wineTimeout));
    QCOMPARE(standIn.exitCode(), 0);
    const QString windowsPath = QStringLiteral("Z:") + QString(package).replace('/', '\\');
    const QList<QStringList> expected {{"wine", "C:\\windows\\system32\\msiexec.exe", "/package",
        windowsPath, "/qn", missing, "relative.msi"}};
    QCOMPARE(wine.calls(), expected);
}

QTEST_MAIN(tst_WineInstall)
#include "tst_wineinstall.moc"
