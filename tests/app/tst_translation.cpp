#include "app/startup.h"
#include "windowharness.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

/** One text of the program: its context, its source text, whether it has plural forms. */
struct Message
{
    QString context;
    QString source;
    bool numerus = false;
};

/** The messages of a Qt Linguist .ts file. */
QList<Message> readMessages(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Message> messages;
    QString context;
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages.append({context, QString(),
                xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes")});
        } else if (xml.name() == QLatin1String("source") && !messages.isEmpty()) {
            messages.last().source = xml.readElementText();
        }
    }
    return messages;
}

} // namespace

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
    // The texts as lupdate finds them in the sources today, not as the .ts files remember them.
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString found = scratch.filePath(QStringLiteral("found.ts"));
    QProcess lupdate;
    lupdate.start(QStringLiteral(KESTRUN_LUPDATE),
        {QStringLiteral("-silent"), QStringLiteral(KESTRUN_SOURCE_DIR "/src"),
            QStringLiteral(KESTRUN_SOURCE_DIR "/qml"), QStringLiteral("-ts"), found});
    QVERIFY(lupdate.waitForFinished(60000));
    QCOMPARE(lupdate.exitCode(), 0);
    const QList<Message> messages = readMessages(found);
    QVERIFY(messages.size() > 30);

    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(KESTRUN_LOCALIZATION_DIR "/kestrun_") + language));
    for (const Message &message : messages) {
        const QString translated = translator.translate(qPrintable(message.context),
            qPrintable(message.source), nullptr, message.numerus ? 2 : -1);
        QVERIFY2(!translated.isEmpty(),
            qPrintable(message.context + QLatin1String(": ") + message.source));
    }
}

QTEST_MAIN(tst_Translation)
#include "tst_translation.moc"
