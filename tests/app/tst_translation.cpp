#include "app/startup.h"
#include "windowharness.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QQuickWindow>
#include <QTest>
#include <QTranslator>

// Runs with the system locale fr_CA (set by CTest), with only kestrun_fr.qm shipped.
class tst_Translation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void missingTranslationKeepsEnglish();
    void countryFallsBackToLanguage();

private:
    QString localizationDir() const
    {
        return QCoreApplication::applicationDirPath() + QLatin1String("/localization");
    }
};

void tst_Translation::initTestCase()
{
    QCOMPARE(QLocale::system().name(), QStringLiteral("fr_CA"));
    QDir(localizationDir()).removeRecursively();
}

void tst_Translation::cleanupTestCase()
{
    QDir(localizationDir()).removeRecursively();
}

void tst_Translation::missingTranslationKeepsEnglish()
{
    QTranslator translator;
    Startup::installTranslator(*QCoreApplication::instance(), translator);
    WindowHarness window;
    QVERIFY(window.window());
    QCOMPARE(window.property("buttonInstall", "text").toString(), QStringLiteral("Install"));
    QCOMPARE(window.property("buttonDownload", "text").toString(), QStringLiteral("Download All"));
    QCOMPARE(window.property("buttonExit", "text").toString(), QStringLiteral("Exit"));
}

void tst_Translation::countryFallsBackToLanguage()
{
    QVERIFY(QDir().mkpath(localizationDir()));
    QVERIFY(QFile::copy(QStringLiteral(KESTRUN_LOCALIZATION_DIR "/kestrun_fr.qm"),
        localizationDir() + QLatin1String("/kestrun_fr.qm")));
    QTranslator translator;
    Startup::installTranslator(*QCoreApplication::instance(), translator);
    WindowHarness window;
    QVERIFY(window.window());
    QCOMPARE(window.window()->title(), QStringLiteral("Mises à jour"));
    QCOMPARE(window.property("buttonInstall", "text").toString(), QStringLiteral("Installer"));
    QCOMPARE(
        window.property("buttonDownload", "text").toString(), QStringLiteral("Tout télécharger"));
    QCOMPARE(window.property("buttonExit", "text").toString(), QStringLiteral("Quitter"));
}

QTEST_MAIN(tst_Translation)
#include "tst_translation.moc"
