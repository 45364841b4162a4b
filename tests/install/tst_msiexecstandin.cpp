#include "recordingstandin.h"

#include <QProcess>
#include <QTest>

namespace {

const QString wineMsiexec = QStringLiteral("C:\\windows\\system32\\msiexec.exe");

} // namespace

/** The msiexec.exe stand-in as the build places it beside the executable. */
class tst_MsiexecStandIn : public QObject
{
    Q_OBJECT

private slots:
    void passesToWineOrFails_data();
    void passesToWineOrFails();
};

void tst_MsiexecStandIn::passesToWineOrFails_data()
{
    QTest::addColumn<bool>("wine");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("removal") << true << QStringList {"/uninstall", "{OLD}", "/passive"} << 0;
    QTest::newRow("package path with a blank stays one argument")
        << true << QStringList {"/package", "/no such folder/my fix.msi", "/qn"} << 0;
    QTest::newRow("empty argument kept") << true << QStringList {"/update", "", "/qb"} << 0;
    QTest::newRow("exit code passed back") << true << QStringList {"/package", "fails.msi"} << 1603;
    // 1603, the Windows Installer's fatal error.
    QTest::newRow("no wine: fails as the Windows Installer fails")
        << false << QStringList {"/package", "/tmp/fix.msi", "/qn"} << 1603;
}

void tst_MsiexecStandIn::passesToWineOrFails()
{
    QFETCH(bool, wine);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    RecordingStandIn recorder(wine ? QStringList {"wine"} : QStringList {});
    recorder.setExitCode(QStringLiteral("fails.msi"), exitCode);
    QProcess standIn;

    standIn.start(QStringLiteral(KESTRUN_MSIEXEC), arguments);

    QVERIFY(standIn.waitForFinished(10000));
    QCOMPARE(standIn.exitStatus(), QProcess::NormalExit);
    // In the 8 bits a Unix exit status has.
    QCOMPARE(standIn.exitCode(), exitCode % 256);
    QCOMPARE(standIn.readAllStandardOutput(), QByteArray());
    // Wine's own msiexec, by its full path, with the command line unchanged; without Wine, one
    // line that says why.
    const QByteArray error = standIn.readAllStandardError();
    QVERIFY2(
        wine ? error.isEmpty() : error.endsWith('\n') && error.count('\n') == 1 && error.size() > 1,
        error);
    const QList<QStringList> expected {QStringList {"wine", wineMsiexec} + arguments};
    QCOMPARE(recorder.calls(), wine ? expected : QList<QStringList>());
}

QTEST_GUILESS_MAIN(tst_MsiexecStandIn)
#include "tst_msiexecstandin.moc"
