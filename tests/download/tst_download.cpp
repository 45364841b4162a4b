#include "faultserver.h"
#include "scopedconfig.h"
#include "windowharness.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <algorithm>

namespace {

constexpr int PassTimeout = 15000;

const QByteArray package = QByteArray("package body ").repeated(500);

QString installsPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1String("/installs");
}

QString doneMessage()
{
    return QLatin1String("All files have been downloaded to the following location.\n\n")
        + installsPath();
}

QString failureMessage(const QStringList &givenUp)
{
    return QLatin1String("The following files could not be downloaded.\n\n")
        + givenUp.join(QLatin1Char('\n'))
        + QLatin1String("\n\nDownloaded files are in the following location.\n\n") + installsPath();
}

bool place(const QString &name, const QByteArray &contents)
{
    QFile file(installsPath() + QLatin1Char('/') + name);
    return QDir().mkpath(installsPath()) && file.open(QIODevice::WriteOnly)
        && file.write(contents) == contents.size();
}

// A "file" value starting with "/" is a path on the fault server; anything else is taken as is.
QString fileValue(const FaultServer &server, const QString &file)
{
    return file.startsWith(QLatin1Char('/')) ? server.url(file).toString() : file;
}

bool allRequested(const FaultServer &server, const QStringList &paths)
{
    return std::all_of(paths.cbegin(), paths.cend(),
        [&server](const QString &path) { return server.count(path) > 0; });
}

} // namespace

class tst_Download : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void downloadAllShowsProgressThenTheReport_data();
    void downloadAllShowsProgressThenTheReport();
    void nothingToFetchFinishesWithinTheClick_data();
    void nothingToFetchFinishesWithinTheClick();
    void reportNamesTheFolderUsed_data();
    void reportNamesTheFolderUsed();
    void translatesItsTexts_data();
    void translatesItsTexts();
};

void tst_Download::init()
{
    QDir(installsPath()).removeRecursively();
}

void tst_Download::cleanup()
{
    QDir(installsPath()).removeRecursively();
}

void tst_Download::downloadAllShowsProgressThenTheReport_data()
{
    QTest::addColumn<QStringList>("files"); // the products' "file" values, in order
    QTest::addColumn<QStringList>("available"); // server paths that answer with a package
    QTest::addColumn<QStringList>("givenUp"); // the files the report names, as configured

    QStringList twelve;
    for (int i = 1; i <= 12; ++i)
        twelve << QStringLiteral("/pkg%1.msi").arg(i);
    // Products beyond the tenth slot and hidden ones are fetched all the same.
    QTest::newRow("twelve products, all fetched") << twelve << twelve << QStringList();

    const QStringList mixed {QStringLiteral("/good.msi"), QStringLiteral("/gone.msi"),
        QStringLiteral("missing.msi"), QStringLiteral("/no-extension"), QString()};
    QTest::newRow("some given up")
        << mixed << QStringList {QStringLiteral("/good.msi")}
        << QStringList {QStringLiteral("/gone.msi"), QStringLiteral("missing.msi"),
               QStringLiteral("/no-extension")};
}

void tst_Download::downloadAllShowsProgressThenTheReport()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, available);
    QFETCH(QStringList, givenUp);

    FaultServer server;
    QVERIFY(server.listen());
    for (const QString &path : qAsConst(available))
        server.serve(path, {FaultServer::held(package)});
    QJsonArray products;
    for (int i = 0; i < files.size(); ++i) {
        const QJsonObject hidden {{QStringLiteral("display"), QStringLiteral("false")}};
        products << ScopedConfig::product(QStringLiteral("Product %1").arg(i),
            fileValue(server, files.at(i)), i == 0 ? hidden : QJsonObject());
    }
    ScopedConfig config(ScopedConfig::make(QStringLiteral("Updates"), products));
    WindowHarness window;
    QVERIFY(window.window());
    QVERIFY(window.placeAllProducts() > 0);
    QVERIFY(window.show());

    QVERIFY(window.click(QStringLiteral("buttonDownload")));
    QTRY_VERIFY_WITH_TIMEOUT(allRequested(server, available), PassTimeout);
    QCOMPARE(window.property("feedbackText", "text").toString(),
        QStringLiteral("Downloading all files..."));
    QCOMPARE(window.property("feedbackText", "visible").toBool(), true);
    QCOMPARE(window.property("mainProgressBar", "visible").toBool(), true);
    QCOMPARE(window.property("checkBoxHolder", "visible").toBool(), false);
    for (const char *button : {"buttonDownload", "buttonInstall"}) {
        QCOMPARE(window.property(QLatin1String(button), "visible").toBool(), false);
        QCOMPARE(window.property(QLatin1String(button), "enabled").toBool(), false);
    }

    server.release();
    QStringList configured;
    for (const QString &file : qAsConst(givenUp))
        configured << fileValue(server, file);
    const QString expected = givenUp.isEmpty() ? doneMessage() : failureMessage(configured);
    QTRY_COMPARE_WITH_TIMEOUT(
        window.property("feedbackText", "text").toString(), expected, PassTimeout);
    QCOMPARE(window.property("feedbackText", "visible").toBool(), true);
    QCOMPARE(window.property("mainProgressBar", "visible").toBool(), false);
    QCOMPARE(window.property("checkBoxHolder", "visible").toBool(), false);
    QCOMPARE(window.property("buttonDownload", "visible").toBool(), false);
    QCOMPARE(window.property("buttonInstall", "visible").toBool(), false);
    for (const QString &path : qAsConst(available)) {
        QCOMPARE(server.count(path), 1);
        QVERIFY(QFile::exists(installsPath() + path));
    }
}

void tst_Download::nothingToFetchFinishesWithinTheClick_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("placePackages");

    QTest::newRow("no products") << QStringList() << false;
    QTest::newRow("packages present with matching digests")
        << QStringList {QStringLiteral("/a.msi"), QStringLiteral("/b.msp")} << true;
    QTest::newRow("local path present") << QStringList {QStringLiteral("a.msi")} << true;
}

void tst_Download::nothingToFetchFinishesWithinTheClick()
{
    QFETCH(QStringList, files);
    QFETCH(bool, placePackages);

    FaultServer server;
    QVERIFY(server.listen());
    const QByteArray digest = QCryptographicHash::hash(package, QCryptographicHash::Md5).toHex();
    QJsonArray products;
    for (const QString &file : qAsConst(files)) {
        const QString name = QFileInfo(file).fileName();
        if (placePackages) {
            QVERIFY(place(name, package));
            QVERIFY(place(QFileInfo(name).completeBaseName() + QLatin1String(".md5"),
                digest + "  " + name.toUtf8() + '\n'));
        }
        products << ScopedConfig::product(name, fileValue(server, file));
    }
    ScopedConfig config(ScopedConfig::make(QStringLiteral("Updates"), products));
    WindowHarness window;
    QVERIFY(window.window());
    window.placeAllProducts();
    QVERIFY(window.show());

    QVERIFY(window.click(QStringLiteral("buttonDownload")));
    QCOMPARE(window.property("feedbackText", "text").toString(), doneMessage());
    QCOMPARE(window.property("mainProgressBar", "visible").toBool(), false);
    QCOMPARE(window.property("buttonDownload", "visible").toBool(), false);
    QCOMPARE(server.requests(), QStringList());
}

void tst_Download::reportNamesTheFolderUsed_data()
{
    QTest::addColumn<bool>("blocked");
    QTest::newRow("beside the executable") << false;
    QTest::newRow("per user, when a file blocks the folder beside it") << true;
}

void tst_Download::reportNamesTheFolderUsed()
{
    QFETCH(bool, blocked);
    QTemporaryDir dataHome; // the per-user data folder, never the real one
    QVERIFY(dataHome.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    QFile blocker(installsPath());
    QVERIFY(!blocked || blocker.open(QIODevice::WriteOnly));
    blocker.close();
    FaultServer server;
    QVERIFY(server.listen());
    server.serve(QStringLiteral("/fix.msi"), {FaultServer::ok(package)});
    ScopedConfig config(ScopedConfig::make(QStringLiteral("Updates"),
        {ScopedConfig::product(QStringLiteral("Fix"), server.url("/fix.msi").toString())}));
    WindowHarness window;
    QVERIFY(window.window());
    window.placeAllProducts();
    QVERIFY(window.show());

    QVERIFY(window.click(QStringLiteral("buttonDownload")));
    const QString prefix =
        QStringLiteral("All files have been downloaded to the following location.\n\n");
    QTRY_VERIFY_WITH_TIMEOUT(
        window.property("feedbackText", "text").toString().startsWith(prefix), PassTimeout);
    const QString folder = window.property("feedbackText", "text").toString().mid(prefix.size());
    QFile::remove(installsPath());
    if (blocked)
        QVERIFY2(folder.startsWith(dataHome.path() + '/') && folder.endsWith("/installs"),
            qPrintable(folder));
    else
        QCOMPARE(folder, installsPath());
    QVERIFY(QFile::exists(folder + QStringLiteral("/fix.msi")));
}

void tst_Download::translatesItsTexts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("text");
    for (const char *language : {"de", "fr"}) {
        for (const char *text : {"Downloading all files...",
                 "All files have been downloaded to the following location.",
                 "The following files could not be downloaded.",
                 "Downloaded files are in the following location."}) {
            QTest::addRow("%s: %s", language, text)
                << QString::fromLatin1(language) << QString::fromLatin1(text);
        }
    }
}

void tst_Download::translatesItsTexts()
{
    QFETCH(QString, language);
    QFETCH(QString, text);
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(KESTRUN_LOCALIZATION_DIR "/kestrun_") + language));
    const QString translated = translator.translate("Download", text.toLatin1().constData());
    QVERIFY(!translated.isEmpty());
    QVERIFY(translated != text);
}

QTEST_MAIN(tst_Download)
#include "tst_download.moc"
