#include "install/installcommand.h"

#include <QTest>

using Kind = InstallCommand::Kind;
Q_DECLARE_METATYPE(Kind)

namespace {

const QString msiexec = QStringLiteral("msiexec.exe");
const QString programFiles = QStringLiteral("C:\\Program Files\\Updates\\installs\\");

} // namespace

class tst_InstallCommand : public QObject
{
    Q_OBJECT

private slots:
    void commandLines_data();
    void commandLines();
    void packageKinds_data();
    void packageKinds();
};

void tst_InstallCommand::commandLines_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("program");
    // What Windows hands to msiexec unchanged, after the program.
    QTest::addColumn<QString>("nativeArguments");
    // What other systems start, word by word.
    QTest::addColumn<QStringList>("arguments");

    const QString fix = programFiles + "fix.msi";
    QTest::newRow("quoted property value with blanks")
        << Kind::Msi << fix << R"(INSTALLDIR="C:\Program Files\Editor" /qn)" << msiexec
        << R"(/package "C:\Program Files\Updates\installs\fix.msi" INSTALLDIR="C:\Program Files\Editor" /qn)"
        << QStringList {"/package", fix, R"(INSTALLDIR=C:\Program Files\Editor)", "/qn"};
    QTest::newRow("two blanks in a row")
        << Kind::Msi << fix << "/qn  REBOOT=ReallySuppress" << msiexec
        << "/package \"" + fix + "\" /qn  REBOOT=ReallySuppress"
        << QStringList {"/package", fix, "/qn", "REBOOT=ReallySuppress"};
    QTest::newRow("empty parameters end in a blank")
        << Kind::Msi << fix << "" << msiexec << "/package \"" + fix + "\" "
        << QStringList {"/package", fix};
    QTest::newRow("patch path with blanks")
        << Kind::Msp << programFiles + "my fix.msp"
        << "/qb" << msiexec << "/update \"" + programFiles + "my fix.msp\" /qb"
        << QStringList {"/update", programFiles + "my fix.msp", "/qb"};
    QTest::newRow("remove value with blanks, not quoted")
        << Kind::Removal << "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE} REBOOT=R"
        << "" << msiexec
        << "/uninstall {AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE} REBOOT=R /passive /norestart"
        << QStringList {"/uninstall", "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}", "REBOOT=R",
               "/passive", "/norestart"};
    QTest::newRow("remove value quoted by the configuration")
        << Kind::Removal << R"("C:\Old Editor\editor.msi")"
        << "" << msiexec << R"(/uninstall "C:\Old Editor\editor.msi" /passive /norestart)"
        << QStringList {"/uninstall", R"(C:\Old Editor\editor.msi)", "/passive", "/norestart"};
    QTest::newRow("empty remove value") << Kind::Removal << ""
                                        << "" << msiexec << "/uninstall  /passive /norestart"
                                        << QStringList {"/uninstall", "/passive", "/norestart"};
    QTest::newRow("exe: parameters split at every blank") << Kind::Exe << programFiles + "setup.exe"
                                                          << "/s  /v" << programFiles + "setup.exe"
                                                          << "" << QStringList {"/s", "", "/v"};
    QTest::newRow("exe with empty parameters") << Kind::Exe << programFiles + "setup.exe"
                                               << "" << programFiles + "setup.exe"
                                               << "" << QStringList {""};
    QTest::newRow("unknown kind starts nothing") << Kind::Unknown << programFiles + "fix.zip"
                                                 << "/qn"
                                                 << ""
                                                 << "" << QStringList();
}

void tst_InstallCommand::commandLines()
{
    QFETCH(Kind, kind);
    QFETCH(QString, target);
    QFETCH(QString, parameters);
    QFETCH(QString, program);
    QFETCH(QString, nativeArguments);
    QFETCH(QStringList, arguments);

    const InstallCommand command = InstallCommand::make(kind, target, parameters);
    QCOMPARE(command.kind, kind);
    QCOMPARE(command.program, program);
    QCOMPARE(command.nativeArguments, nativeArguments);
    QCOMPARE(command.arguments, arguments);
    QCOMPARE(command.runsMsiexec(), program == msiexec);
}

void tst_InstallCommand::packageKinds_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Kind>("kind");

    QTest::newRow("msi") << programFiles + "fix.msi" << Kind::Msi;
    QTest::newRow("msp") << programFiles + "fix.msp" << Kind::Msp;
    QTest::newRow("exe") << programFiles + "setup.exe" << Kind::Exe;
    QTest::newRow("endings compare case-sensitively") << "SETUP.EXE" << Kind::Unknown;
    QTest::newRow("fix.MSI") << "fix.MSI" << Kind::Unknown;
    QTest::newRow("zip") << "fix.zip" << Kind::Unknown;
    QTest::newRow("nothing") << "" << Kind::Unknown;
}

void tst_InstallCommand::packageKinds()
{
    QFETCH(QString, path);
    QFETCH(Kind, kind);
    QCOMPARE(InstallCommand::packageKind(path), kind);
}

QTEST_APPLESS_MAIN(tst_InstallCommand)
#include "tst_installcommand.moc"
