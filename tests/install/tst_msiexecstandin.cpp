#include "recordingstandin.h"

#include <QProcess>
#include <QTest>

namespace {

const QString wineMsiexec = QStringLiteral("C:\\windows\\system32\\msiexec.exe");

/** The stand-in as the build places it beside the executable. */
QString standInPath()
{
    return QStringLiteral(KESTRUN_MSIEXEC);
}

} // namespace

class tst_MsiexecStandIn : public QObject
{
    Q_OBJECT

private slots:
    void failsWithoutWine();
    void handsCommandLineToWine_data();
    void handsCommandLineToWine();
};

void tst_MsiexecStandIn::failsWithoutWine()
{
    RecordingStandIn emptyPath(QStringList {});
    QVERIFY(emptyPath.isValid());
    QProcess standIn;

    standIn.start(standInPath(), {"/package", "/tmp/fix.msi", "/qn"});

    QVERIFY(standIn.waitForFinished(10000));
    QCOMPARE(standIn.exitStatus(), QProcess::NormalExit);
    // 1603, the Windows Installer's fatal error, in the 8 bits a Unix exit status has.
    QCOMPARE(standIn.exitCode(), 1603 % 256);
    QCOMPARE(standIn.readAllStandardOutput(), QByteArray());
    const QByteArray error = standIn.readAllStandardError();
    QVERIFY2(error.endsWith('\n') && error.count('\n') == 1 && error.size() > 1, error);
}

void tst_MsiexecStandIn::handsCommandLineToWine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("removal") << QStringList {"/uninstall", "{OLD}", "/passive"} << 0;
    QTest::newRow("package path with a blank stays one argument")
        << QStringList {"/package", "/no such folder/my fix.msi", "/qn"} << 0;
    QTest::newRow("empty argument kept") << QStringList {"/update", "", "/qb"} << 0;
    QTest::newRow("exit code passed back") << QStringList {"/package", "fails.msi"} << 1603;
}

void tst_MsiexecStandIn::handsCommandLineToWine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    RecordingStandIn wine(QStringList {"wine"});
    QVERIFY(wine.isValid());
    wine.setExitCode(QStringLiteral("fails.msi"), exitCode);
    QProcess standIn;

    standIn.start(standInPath(), arguments);

    QVERIFY(standIn.waitForFinished(10000));
    QCOMPARE(standIn.exitCode(), exitCode % 256);
    // Wine's own msiexec, by its full path, with the command line unchanged.
    const QList<QStringList> expected {QStringList {"wine", wineMsiexec} + arguments};
    QCOMPARE(wine.calls(), expected);
}

QTEST_GUILESS_MAIN(tst_MsiexecStandIn)
#include "tst_msiexecstandin.moc"
