#include "app/startup.h"
#include "testfiles.h"
#include "windowharness.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTemporaryDir>
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
    void everyTextOfTheProgramIsTranslated_data();
    void everyTextOfTheProgramIsTranslated();

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

void tst_Translation::everyTextOfTheProgramIsTranslated_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("German") << "de";
    QTest::newRow("French") << "fr";
}

void tst_Translation::everyTextOfTheProgramIsTranslated()
{
    QFETCH(QString, language);
    // The texts as lupdate finds them in the sources today, merged into a copy of the
    // translation: a text it holds no translation of comes out unfinished or empty.
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString merged = scratch.filePath(QStringLiteral("merged.ts"));
    QVERIFY(QFile::copy(
        QStringLiteral(KESTRUN_SOURCE_DIR "/translations/kestrun_%1.ts").arg(language), merged));
    QProcess lupdate;
    lupdate.start(QStringLiteral(KESTRUN_LUPDATE),
        {QStringLiteral("-silent"), QStringLiteral("-no-obsolete"),
            QStringLiteral(KESTRUN_SOURCE_DIR "/src"), QStringLiteral(KESTRUN_SOURCE_DIR "/qml"),
            QStringLiteral("-ts"), merged});
    QVERIFY(lupdate.waitForFinished(60000));
    QCOMPARE(lupdate.exitCode(), 0);
    const QString translation = QString::fromUtf8(TestFiles::contentsOf(merged));
    QVERIFY(translation.count(QLatin1String("<message")) > 30);
    // Names the first source text whose translation is unfinished or empty.
    const QRegularExpression untranslated(
        QStringLiteral("<source>([^<]*)</source>(?:(?!</message>).)*?"
                       "(type=\"unfinished\"|<translation></|<numerusform></)"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch found = untranslated.match(translation);
    QVERIFY2(!found.hasMatch(), qPrintable(found.captured(1)));
}

QTEST_MAIN(tst_Translation)
#include "tst_translation.moc"
