#include "download/filemanager.h"
#include "faultserver.h"
#include "scopedconfig.h"
#include "scopedinstalls.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <unistd.h>

using Responses = QList<FaultServer::Response>;
Q_DECLARE_METATYPE(Responses)
using Ranges = QList<QByteArray>;
Q_DECLARE_METATYPE(Ranges)

using TestFiles::contentsOf;
using TestFiles::writeFile;

namespace {

constexpr int PassTimeout = 15000;

const QByteArray package = QByteArray("MSI package body ").repeated(3000);

QByteArray md5(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
}

QByteArray sha256(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

const QByteArray digest = md5(package);
const QByteArray wrongDigest = md5("something else");
const QByteArray sha256Digest = sha256(package);

// The package and its digest are requested side by side, in no fixed order.
QStringList sorted(QStringList paths)
{
    paths.sort();
    return paths;
}

} // namespace

class tst_FileManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void readsTheDigestLine_data();
    void readsTheDigestLine();
    void hashesWholeFiles_data();
    void hashesWholeFiles();
    void digestFormNamesTheAlgorithm_data();
    void digestFormNamesTheAlgorithm();
    void namesTheDigestCompanion_data();
    void namesTheDigestCompanion();

    void fetchesAndVerifies_data();
    void fetchesAndVerifies();
    void presentPackageIsFetchedWhenStale_data();
    void presentPackageIsFetchedWhenStale();
    void refusesUnsafeNames_data();
    void refusesUnsafeNames();
    void judgesNamesForEverySystem_data();
    void judgesNamesForEverySystem();
    void foldsNamesByCaseRule_data();
    void foldsNamesByCaseRule();
    void keepsSharedDigestNamesApart_data();
    void keepsSharedDigestNamesApart();
    void namesDigestsByEveryPackage_data();
    void namesDigestsByEveryPackage();
    void downloadsPerUserWhenBesideIsBlocked_data();
    void downloadsPerUserWhenBesideIsBlocked();
    void usesVerifiedCopiesInAReadOnlyFolder_data();
    void usesVerifiedCopiesInAReadOnlyFolder();
    void onlyLooksForLocalPaths_data();
    void onlyLooksForLocalPaths();
    void skipsEmptyItems_data();
    void skipsEmptyItems();
    void neverTakesAFolderForAPackage_data();
    void neverTakesAFolderForAPackage();
    void fetchesOneLocalNameOnce_data();
    void fetchesOneLocalNameOnce();
    void runsDownloadsInParallel();
    void laterCallJoinsTheRunningPass();
    void eachPassStartsAfresh();
    void givenUpItemsSayWhy_data();
    void givenUpItemsSayWhy();
    void reportsProgressOverThePass();
    void resumesABrokenTransfer_data();
    void resumesABrokenTransfer();
    void removesPartialFilesOfAnEarlierRun();

private:
    /** Starts a pass and waits for its end; false when allFilesDone() never came. */
    bool runPass(const QStringList &items);
    /** For tests in which the server holds answers until the test releases them. */
    void waitOutHeldAnswers();
    /** The fault server, started by the first test of a run that talks to it: the tables of
        names and digest lines start none. */
    FaultServer &server();
    QUrl serverUrl(const QString &path) { return server().url(path); }
    QString item(const QString &path) { return serverUrl(path).toString(); }

    QTemporaryDir dataHome; // the per-user data folder, never the real one
    std::unique_ptr<QTemporaryDir> scratch; // for files outside the installs folder
    std::unique_ptr<FaultServer> faultServer;
    FileManager *fileManager = nullptr;
    QSignalSpy *done = nullptr;
};

void tst_FileManager::initTestCase()
{
    QVERIFY(dataHome.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
}

void tst_FileManager::init()
{
    scratch = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch->isValid());
    ScopedInstalls::remove();
    fileManager = new FileManager(this);
    fileManager->setStallTimeout(FaultServer::ClientStallTimeout);
    done = new QSignalSpy(fileManager, &FileManager::allFilesDone);
    QVERIFY(done->isValid());
}

void tst_FileManager::cleanup()
{
    delete done;
    delete fileManager;
    faultServer.reset();
    scratch.reset();
    ScopedInstalls::remove();
    QDir(dataHome.path()).removeRecursively();
}

FaultServer &tst_FileManager::server()
{
    if (!faultServer) {
        faultServer = std::make_unique<FaultServer>();
        if (!faultServer->listen())
            qFatal("the fault server cannot listen on 127.0.0.1");
    }
    return *faultServer;
}

bool tst_FileManager::runPass(const QStringList &items)
{
    fileManager->getFiles(items);
    return done->count() > 0 || done->wait(PassTimeout);
}

void tst_FileManager::readsTheDigestLine_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("expected"); // field 1; null: no digest line

    const QString d = QString::fromLatin1(digest);
    QTest::newRow("digest, blank, name") << QByteArray(digest + " fix.msi\n") << d;
    QTest::newRow("md5sum text mode: two blanks") << QByteArray(digest + "  fix.msi\n") << d;
    QTest::newRow("md5sum binary mode: blank, asterisk") << QByteArray(digest + " *fix.msi\n") << d;
    QTest::newRow("bare digest line") << QByteArray(digest + "\n") << d;
    QTest::newRow("bare digest, no line end") << digest << d;
    QTest::newRow("Windows line end") << QByteArray(digest + "\r\n") << d;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF" + digest + " fix.msi") << d;
    QTest::newRow("comments before it")
        << QByteArray("// made by md5sum\n//\n" + digest + " fix.msi\n") << d;
    QTest::newRow("later lines ignored")
        << QByteArray(digest + " fix.msi\n" + wrongDigest + " x.msi\n") << d;
    QTest::newRow("upper case kept for comparing") << digest.toUpper() << d.toUpper();
    QTest::newRow("blank first line: an empty digest") << QByteArray("\n" + digest) << "";
    QTest::newRow("only comments") << QByteArray("// nothing here\n// at all\n") << QString();
    QTest::newRow("empty file") << QByteArray("") << QString();
}

void tst_FileManager::readsTheDigestLine()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, expected);
    const QString path = scratch->filePath(QStringLiteral("fix.md5"));
    QVERIFY(writeFile(path, contents));

    const QStringList fields = FileManager::readMD5File(path);
    QCOMPARE(fields.isEmpty(), expected.isNull());
    if (!expected.isNull())
        QCOMPARE(fields.first(), expected);
}

void tst_FileManager::hashesWholeFiles_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty file") << QByteArray("")
                                << QStringLiteral("d41d8cd98f00b204e9800998ecf8427e");
    QTest::newRow("one line") << QByteArray("The quick brown fox jumps over the lazy dog")
                              << QStringLiteral("9e107d9d372bb6826bd81d3542a419d6");
    // Larger than any read block, with an odd tail.
    const QByteArray large = QByteArray("0123456789abcdef").repeated(70000) + "tail";
    QTest::newRow("many blocks") << large << QString::fromLatin1(md5(large));
}

void tst_FileManager::hashesWholeFiles()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, expected);
    const QString path = scratch->filePath(QStringLiteral("fix.msi"));
    QVERIFY(writeFile(path, contents));
    QCOMPARE(FileManager::calculateMD5(path), expected);
    QCOMPARE(
        FileManager::calculateMD5(scratch->filePath(QStringLiteral("missing.msi"))), QString());
}

void tst_FileManager::digestFormNamesTheAlgorithm_data()
{
    QTest::addColumn<QByteArray>("digestField");
    QTest::addColumn<int>("algorithm"); // -1: no form the program knows
    QTest::addColumn<bool>("matches");

    const int md5Form = int(Hasher::Algorithm::Md5);
    const int sha256Form = int(Hasher::Algorithm::Sha256);
    const QByteArray sha1 = QCryptographicHash::hash(package, QCryptographicHash::Sha1).toHex();
    const QByteArray sha512 = QCryptographicHash::hash(package, QCryptographicHash::Sha512).toHex();
    QTest::newRow("MD5") << digest << md5Form << true;
    QTest::newRow("MD5, upper case") << digest.toUpper() << md5Form << true;
    QTest::newRow("SHA-256") << sha256Digest << sha256Form << true;
    QTest::newRow("SHA-256, upper case") << sha256Digest.toUpper() << sha256Form << true;
    QTest::newRow("SHA-256 of something else") << sha256("something else") << sha256Form << false;
    QTest::newRow("SHA-256 cut to 32 digits") << sha256Digest.left(32) << md5Form << false;
    QTest::newRow("MD5 with one digit more") << QByteArray(digest + "0") << -1 << false;
    QTest::newRow("MD5 with one digit less") << digest.left(31) << -1 << false;
    QTest::newRow("SHA-256 with one digit less") << sha256Digest.left(63) << -1 << false;
    QTest::newRow("SHA-256 with one digit more") << QByteArray(sha256Digest + "0") << -1 << false;
    QTest::newRow("SHA-1") << sha1 << -1 << false;
    QTest::newRow("SHA-512") << sha512 << -1 << false;
    QTest::newRow("64 characters, not hex")
        << QByteArray(sha256Digest.left(63) + "g") << -1 << false;
    QTest::newRow("MD5 with a sign") << QByteArray("+" + digest.mid(1)) << -1 << false;
    QTest::newRow("empty") << QByteArray() << -1 << false;
}

void tst_FileManager::digestFormNamesTheAlgorithm()
{
    QFETCH(QByteArray, digestField);
    QFETCH(int, algorithm);
    QFETCH(bool, matches);
    auto named = static_cast<Hasher::Algorithm>(-1); // neither
    QCOMPARE(FileManager::digestAlgorithm(QString::fromLatin1(digestField), named), algorithm >= 0);
    if (algorithm >= 0)
        QCOMPARE(int(named), algorithm);
    const QString path = scratch->filePath(QStringLiteral("fix.msi"));
    QVERIFY(writeFile(path, package));
    QCOMPARE(FileManager::matchesDigest(path, QString::fromLatin1(digestField)), matches);
    // A file that cannot be read matches nothing, whatever the digest.
    QVERIFY(!FileManager::matchesDigest(
        scratch->filePath(QStringLiteral("missing.msi")), QString::fromLatin1(digestField)));
}

void tst_FileManager::namesTheDigestCompanion_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<QString>("expectedUrl");

    QTest::newRow("plain") << QStringLiteral("http://host/patches/fix.msi")
                           << QStringLiteral("http://host/patches/fix.md5");
    QTest::newRow("percent-escaped name") << QStringLiteral("http://host/fix%20one.msp")
                                          << QStringLiteral("http://host/fix%20one.md5");
    QTest::newRow("dotted folder")
        << QStringLiteral("http://host/v1.2/fix.exe") << QStringLiteral("http://host/v1.2/fix.md5");
    QTest::newRow("query kept") << QStringLiteral("https://host/fix.msi?tag=1.2")
                                << QStringLiteral("https://host/fix.md5?tag=1.2");
}

void tst_FileManager::namesTheDigestCompanion()
{
    QFETCH(QString, package);
    QFETCH(QString, expectedUrl);
    QCOMPARE(FileManager::digestUrl(QUrl(package)).toString(QUrl::FullyEncoded), expectedUrl);
    const QString local = ScopedInstalls::filePath(FileManager::localName(package));
    QCOMPARE(FileManager::digestPath(local),
        ScopedInstalls::filePath(QFileInfo(local).completeBaseName() + QLatin1String(".md5")));
}

void tst_FileManager::fetchesAndVerifies_data()
{
    QTest::addColumn<Responses>("packageResponses");
    QTest::addColumn<Responses>("digestResponses");
    QTest::addColumn<QByteArray>("decoy"); // placed as installs/decoy.msi when not null
    QTest::addColumn<int>("packageRequests");
    QTest::addColumn<int>("digestRequests");
    QTest::addColumn<bool>("givenUp");
    QTest::addColumn<QStringList>("files");

    using S = FaultServer;
    const Responses whole {S::ok(package, 4)};
    const QStringList both {QStringLiteral("pkg.md5"), QStringLiteral("pkg.msi")};
    const QStringList digestOnly {QStringLiteral("pkg.md5")};
    const QStringList none;

    QTest::newRow("several pieces, digest matches")
        << whole << Responses {S::ok(digest + " pkg.msi\n")} << QByteArray() << 1 << 1 << false
        << both;
    QTest::newRow("upper-case digest")
        << whole << Responses {S::ok(digest.toUpper() + " pkg.msi\n")} << QByteArray() << 1 << 1
        << false << both;
    QTest::newRow("sha256sum format") << whole << Responses {S::ok(sha256Digest + "  pkg.msi\n")}
                                      << QByteArray() << 1 << 1 << false << both;
    QTest::newRow("SHA-256 never matches")
        << whole << Responses {S::ok(sha256("something else") + " pkg.msi\n")} << QByteArray() << 3
        << 3 << true << digestOnly;
    QTest::newRow("blank digest line") << whole << Responses {S::ok("\n" + digest + "\n")}
                                       << QByteArray() << 3 << 3 << true << digestOnly;
    QTest::newRow("name in the line points elsewhere")
        << whole << Responses {S::ok(digest + " ../other/elsewhere.msi\n")} << QByteArray() << 1
        << 1 << false << both;
    // The package is hashed, not the file the line names, so a matching decoy changes nothing.
    QTest::newRow("line names a decoy that matches")
        << whole << Responses {S::ok(md5("decoy") + " decoy.msi\n")} << QByteArray("decoy") << 3
        << 3 << true << QStringList {QStringLiteral("decoy.msi"), QStringLiteral("pkg.md5")};
    QTest::newRow("wrong digest once, then right")
        << whole << Responses {S::ok(wrongDigest + " pkg.msi\n"), S::ok(digest + " pkg.msi\n")}
        << QByteArray() << 2 << 2 << false << both;
    QTest::newRow("damaged body once, then whole")
        << Responses {S::ok("damaged"), S::ok(package, 3)}
        << Responses {S::ok(digest + " pkg.msi\n")} << QByteArray() << 2 << 2 << false << both;
    QTest::newRow("digest never matches") << whole << Responses {S::ok(wrongDigest + " pkg.msi\n")}
                                          << QByteArray() << 3 << 3 << true << digestOnly;
    QTest::newRow("no digest file: accepted unverified")
        << whole << Responses {S::status(404)} << QByteArray() << 1 << 1 << false
        << QStringList {QStringLiteral("pkg.msi")};
    QTest::newRow("digest gone for good (410): accepted unverified")
        << whole << Responses {S::status(410)} << QByteArray() << 1 << 1 << false
        << QStringList {QStringLiteral("pkg.msi")};
    QTest::newRow("digest fails once (500): fetched again with the package")
        << whole << Responses {S::status(500), S::ok(digest + " pkg.msi\n")} << QByteArray() << 2
        << 2 << false << both;
    QTest::newRow("digest always fails: never unchecked")
        << whole << Responses {S::status(500)} << QByteArray() << 3 << 3 << true << none;
    // One network drop hits both; every later package arrives damaged.
    QTest::newRow("package and digest fail once, then a damaged package")
        << Responses {S::status(500), S::ok("damaged")}
        << Responses {S::status(500), S::ok(digest + " pkg.msi\n")} << QByteArray() << 3 << 3
        << true << digestOnly;
    QTest::newRow("digest file over 64 KiB: never unchecked")
        << whole << Responses {S::ok(digest + " pkg.msi\n// " + QByteArray(64 * 1024, 'x'))}
        << QByteArray() << 3 << 3 << true << digestOnly;
    QTest::newRow("digest file without a digest line: accepted unverified")
        << whole << Responses {S::ok("// no digest yet\n")} << QByteArray() << 1 << 1 << false
        << both;
    QTest::newRow("404") << Responses {S::status(404)} << Responses() << QByteArray() << 3 << 1
                         << true << none;
    QTest::newRow("404, digest served: the digest goes too")
        << Responses {S::status(404)} << Responses {S::ok(digest + " pkg.msi\n")} << QByteArray()
        << 3 << 1 << true << none;
    QTest::newRow("500") << Responses {S::status(500)} << Responses() << QByteArray() << 3 << 1
                         << true << none;
    QTest::newRow("body shorter than announced")
        << Responses {S::truncated(package.left(500), package.size())} << Responses()
        << QByteArray() << 3 << 1 << true << none;
    QTest::newRow("body stalls") << Responses {S::stalled(package.left(500), package.size())}
                                 << Responses() << QByteArray() << 3 << 1 << true << none;
    // The digest is the configured URL's, never one beside the mirror.
    QTest::newRow("redirected to a mirror")
        << Responses {S::redirect("/mirror/pkg.msi")} << Responses {S::ok(digest + " pkg.msi\n")}
        << QByteArray() << 1 << 1 << false << both;
    QTest::newRow("cut short once, then whole")
        << Responses {S::truncated(package.left(500), package.size()), S::ok(package)}
        << Responses {S::ok(digest + " pkg.msi\n")} << QByteArray() << 2 << 1 << false << both;
}

void tst_FileManager::fetchesAndVerifies()
{
    QFETCH(Responses, packageResponses);
    QFETCH(Responses, digestResponses);
    QFETCH(QByteArray, decoy);
    QFETCH(int, packageRequests);
    QFETCH(int, digestRequests);
    QFETCH(bool, givenUp);
    QFETCH(QStringList, files);

    server().serve(QStringLiteral("/pkg.msi"), packageResponses);
    server().serve(QStringLiteral("/pkg.md5"), digestResponses);
    server().serve(QStringLiteral("/mirror/pkg.msi"), {FaultServer::ok(package, 2)});
    if (!decoy.isNull())
        QVERIFY(ScopedInstalls::write(QStringLiteral("decoy.msi"), decoy));
    const QString url = item(QStringLiteral("/pkg.msi"));

    QVERIFY(runPass({url}));
    QCOMPARE(done->count(), 1);
    QCOMPARE(server().count(QStringLiteral("/pkg.msi")), packageRequests);
    QCOMPARE(server().count(QStringLiteral("/pkg.md5")), digestRequests);
    QCOMPARE(fileManager->getGivenUpFiles(), givenUp ? QStringList {url} : QStringList());
    QCOMPARE(ScopedInstalls::entries(), files);
    if (!givenUp)
        QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("pkg.msi"))), package);
}

void tst_FileManager::presentPackageIsFetchedWhenStale_data()
{
    QTest::addColumn<QByteArray>("present"); // pkg.msi before the pass
    QTest::addColumn<QByteArray>("digestFile"); // null: none beside the package
    QTest::addColumn<bool>("fetched");

    QTest::newRow("lower-case digest") << package << QByteArray(digest + " pkg.msi\n") << false;
    QTest::newRow("upper-case digest")
        << package << QByteArray(digest.toUpper() + " pkg.msi\n") << false;
    QTest::newRow("md5sum format after comments")
        << package << QByteArray("// x\n" + digest + " *pkg.msi\n") << false;
    QTest::newRow("sha256sum format") << package << QByteArray(sha256Digest + "  pkg.msi\n") << false;
    const QByteArray old("old package");
    QTest::newRow("no digest beside it") << old << QByteArray() << true;
    QTest::newRow("digest no longer matches")
        << old << QByteArray(md5("the package before") + " pkg.msi\n") << true;
    QTest::newRow("SHA-256 no longer matches")
        << old << QByteArray(sha256("the package before") + " pkg.msi\n") << true;
    QTest::newRow("digest of another form") << old << QByteArray(digest.left(30) + " pkg.msi\n")
                                            << true;
    QTest::newRow("digest file without a digest line") << old << QByteArray("// later\n") << true;
}

void tst_FileManager::presentPackageIsFetchedWhenStale()
{
    QFETCH(QByteArray, present);
    QFETCH(QByteArray, digestFile);
    QFETCH(bool, fetched);
    QVERIFY(ScopedInstalls::write(QStringLiteral("pkg.msi"), present));
    if (!digestFile.isNull())
        QVERIFY(ScopedInstalls::write(QStringLiteral("pkg.md5"), digestFile));
    const QByteArray servedDigest = digest + " pkg.msi\n";
    server().serve(QStringLiteral("/pkg.msi"), {FaultServer::ok(package)});
    server().serve(QStringLiteral("/pkg.md5"), {FaultServer::ok(servedDigest)});

    fileManager->getFiles({item(QStringLiteral("/pkg.msi"))});
    // A present package too is hashed off the window's thread: the pass ends later.
    QCOMPARE(done->count(), 0);
    QVERIFY(done->wait(PassTimeout));
    QCOMPARE(sorted(server().requests()),
        fetched ? QStringList({QStringLiteral("/pkg.md5"), QStringLiteral("/pkg.msi")})
                : QStringList());
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("pkg.msi"))), package);
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("pkg.md5"))),
        fetched ? servedDigest : digestFile);
}

void tst_FileManager::refusesUnsafeNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("empty name") << QStringLiteral("/patches/");
    QTest::newRow("dot") << QStringLiteral("/patches/%2E");
    QTest::newRow("dot dot") << QStringLiteral("/patches/%2E%2E");
    QTest::newRow("backslashes") << QStringLiteral("/..%5C..%5Cevil.msi");
    QTest::newRow("colon") << QStringLiteral("/C%3Aevil.msi");
    QTest::newRow("line feed") << QStringLiteral("/evil%0A.msi");
    QTest::newRow("delete character") << QStringLiteral("/evil%7F.msi");
    QTest::newRow("no extension") << QStringLiteral("/patches/package");
    QTest::newRow("trailing dot") << QStringLiteral("/patches/package.");
    QTest::newRow("only an extension") << QStringLiteral("/patches/.msi");
    QTest::newRow("named like a digest") << QStringLiteral("/patches/package.MD5");
    QTest::newRow("named like a partial download") << QStringLiteral("/patches/fix.msi.Part");
    QTest::newRow("device name CON") << QStringLiteral("/patches/con.msi");
    QTest::newRow("device name LPT9") << QStringLiteral("/patches/Lpt9.exe");
    QTest::newRow("trailing blank") << QStringLiteral("/patches/fix.msi%20");
    // Found by fuzzing: the quote ended the quoted path of the msiexec line.
    QTest::newRow("double quote") << QStringLiteral("/W%22i.msi");
}

void tst_FileManager::refusesUnsafeNames()
{
    QFETCH(QString, path);
    server().serve(path, {FaultServer::ok(package)});
    const QStringList appDirBefore = QDir(QCoreApplication::applicationDirPath()).entryList();
    const QString url = item(path);

    fileManager->getFiles({url});
    QCOMPARE(done->count(), 1); // within the call: nothing was requested
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList {url});
    QVERIFY(!QFileInfo::exists(ScopedInstalls::path()));
    QCOMPARE(QDir(QCoreApplication::applicationDirPath()).entryList(), appDirBefore);
}

void tst_FileManager::judgesNamesForEverySystem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("safe");

    // Windows cannot store these as files, whatever the system that downloads them.
    const QStringList devices {"CON", "PRN", "AUX", "NUL", "COM1", "COM9", "LPT1", "LPT9", "COM0"};
    for (const QString &device : devices) {
        QTest::addRow("%s.msi", qPrintable(device)) << device + ".msi" << false;
        QTest::addRow("%s.exe lower case", qPrintable(device))
            << device.toLower() + ".exe" << false;
    }
    QTest::newRow("device with two extensions") << "nul.tar.msi" << false;
    QTest::newRow("device followed by blanks") << "aux  .msp" << false;
    QTest::newRow("bare device name") << "AUX" << false;
    QTest::newRow("superscript port") << QStringLiteral("COM\u00B9.msi") << false;
    QTest::newRow("ends in a dot") << "fix.msi." << false;
    QTest::newRow("ends in a blank") << "fix.msi " << false;
    QTest::newRow("another package's partial download") << "fix.msi.part" << false;
    // Only the whole name before the first dot is a device.
    QTest::newRow("console") << "console.msi" << true;
    QTest::newRow("device at the end of a word") << "falcon.msi" << true;
    QTest::newRow("device at the end of a word, with a digit") << "helpt1.exe" << true;
    QTest::newRow("COM10") << "COM10.msi" << true;
    QTest::newRow("LPT without a digit") << "LPT.exe" << true;
    QTest::newRow("device later in the name") << "fix.con.msi" << true;
    QTest::newRow("auxiliary") << "auxiliary.msp" << true;
    QTest::newRow("inner blanks and dots") << "my fix 1.2.msi" << true;
    for (const char *reserved : {"\"", "<", ">", "|", "?", "*"})
        QTest::addRow("reserved %s", reserved) << QStringLiteral("a%1b.msi").arg(reserved) << false;
}

void tst_FileManager::judgesNamesForEverySystem()
{
    QFETCH(QString, name);
    QFETCH(bool, safe);
    QCOMPARE(FileManager::isSafeName(name), safe);
}

void tst_FileManager::foldsNamesByCaseRule_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("sameOnWindows");

    QTest::newRow("case only") << "Setup.msi"
                               << "setup.msi" << true;
    QTest::newRow("extension case") << "fix.MSP"
                                    << "fix.msp" << true;
    QTest::newRow("beyond ASCII") << QStringLiteral("\u00C9diteur.msi")
                                  << QStringLiteral("\u00E9DITEUR.MSI") << true;
    QTest::newRow("different names") << "setup.msi"
                                     << "setup.exe" << false;
}

void tst_FileManager::foldsNamesByCaseRule()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, sameOnWindows);
    const auto same = [&](Qt::CaseSensitivity rule) {
        return FileManager::foldedName(first, rule) == FileManager::foldedName(second, rule);
    };
    QCOMPARE(same(Qt::CaseInsensitive), sameOnWindows);
    QCOMPARE(same(Qt::CaseSensitive), first == second);
}

void tst_FileManager::keepsSharedDigestNamesApart_data()
{
    QTest::addColumn<QString>("second"); // the package whose digest name fix.msi shares
    QTest::addColumn<bool>("secondHasDigest");
    QTest::addColumn<bool>("firstArrivesFirst");

    for (const QString &second : {QStringLiteral("fix.msp"), QStringLiteral("fix.exe")}) {
        for (const bool hasDigest : {true, false}) {
            for (const bool msiFirst : {true, false}) {
                QTest::addRow("%s %s, %s arrives first", qPrintable(second),
                    hasDigest ? "with a digest" : "without a digest",
                    msiFirst ? "fix.msi" : qPrintable(second))
                    << second << hasDigest << msiFirst;
            }
        }
    }
}

void tst_FileManager::keepsSharedDigestNamesApart()
{
    QFETCH(QString, second);
    QFETCH(bool, secondHasDigest);
    QFETCH(bool, firstArrivesFirst);
    const QByteArray otherPackage = QByteArray("the other package ").repeated(100);
    const QString msiPath = QStringLiteral("/editor/fix.msi");
    const QString otherPath = QStringLiteral("/viewer/") + second;
    // Digests held, so that both packages are in and their digests requested before either
    // digest arrives, in the order the row asks for.
    server().serve(msiPath, {FaultServer::ok(package)});
    server().serve(otherPath, {FaultServer::ok(otherPackage)});
    server().serve(QStringLiteral("/editor/fix.md5"), {FaultServer::held(digest + " fix.msi\n")});
    FaultServer::Response otherDigest = secondHasDigest
        ? FaultServer::ok(md5(otherPackage) + ' ' + second.toLatin1() + '\n')
        : FaultServer::status(404);
    otherDigest.held = true;
    server().serve(QStringLiteral("/viewer/fix.md5"), {otherDigest});
    const QStringList items {item(msiPath), item(otherPath)};
    const ScopedConfig config(ScopedConfig::make(QStringLiteral("Updates"),
        {ScopedConfig::product(QStringLiteral("Editor"), items[0]),
            ScopedConfig::product(QStringLiteral("Viewer"), items[1])}));

    fileManager->getFiles(items);
    QTRY_COMPARE_WITH_TIMEOUT(server().requests().size(), 4, PassTimeout);
    const QStringList order {QStringLiteral("/editor/fix.md5"), QStringLiteral("/viewer/fix.md5")};
    server().release(order[firstArrivesFirst ? 0 : 1]);
    server().release(order[firstArrivesFirst ? 1 : 0]);
    QVERIFY(done->wait(PassTimeout));
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    QCOMPARE(server().count(msiPath), 1);
    QCOMPARE(server().count(otherPath), 1);
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("fix.msi"))), package);
    QCOMPARE(contentsOf(ScopedInstalls::filePath(second)), otherPackage);
    otherDigest.held = false; // a held answer would stall, and a stalled digest fails the package
    server().serve(QStringLiteral("/viewer/fix.md5"), {otherDigest});

    // Later passes, with both, one or the other, fetch fix.msi no more; the other only when it
    // has no digest to be checked against.
    for (const QStringList &later : {items, QStringList {items[0]}, QStringList {items[1]}}) {
        done->clear();
        const int requestsBefore = server().requests().size();
        QVERIFY(runPass(later));
        QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
        QCOMPARE(server().count(msiPath), 1);
        const int expectedRequests = secondHasDigest || !later.contains(items[1]) ? 0 : 2;
        QCOMPARE(server().requests().size() - requestsBefore, expectedRequests);
    }
}

void tst_FileManager::namesDigestsByEveryPackage_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("digestName");

    const int sensitive = Qt::CaseSensitive;
    QTest::newRow("alone: its own name") << "fix.msi" << QStringList() << sensitive << "fix.md5";
    QTest::newRow("beside other names")
        << "fix.msi" << QStringList {"other.msp", "fix2.msi"} << sensitive << "fix.md5";
    QTest::newRow("twice the same package")
        << "fix.msi" << QStringList {"fix.msi"} << sensitive << "fix.md5";
    QTest::newRow("beside fix.msp")
        << "fix.msi" << QStringList {"fix.msp"} << sensitive << "fix.msi.md5";
    QTest::newRow("beside a package named after it")
        << "fix.msi" << QStringList {"fix.msi.exe"} << sensitive << "fix.md5";
    QTest::newRow("named after another package")
        << "fix.msi.exe" << QStringList {"fix.msi"} << sensitive << "fix.msi.exe.md5";
    QTest::newRow("case differs, case-sensitive")
        << "fix.msi" << QStringList {"FIX.exe"} << sensitive << "fix.md5";
    QTest::newRow("case differs, Windows")
        << "fix.msi" << QStringList {"FIX.exe"} << int(Qt::CaseInsensitive) << "fix.msi.md5";
}

void tst_FileManager::namesDigestsByEveryPackage()
{
    QFETCH(QString, package);
    QFETCH(QStringList, others);
    QFETCH(int, rule);
    QFETCH(QString, digestName);
    QCOMPARE(FileManager::digestPath(
                 ScopedInstalls::filePath(package), others << package, Qt::CaseSensitivity(rule)),
        ScopedInstalls::filePath(digestName));
}

void tst_FileManager::downloadsPerUserWhenBesideIsBlocked_data()
{
    QTest::addColumn<QString>("inTheWay");
    QTest::newRow("beside the executable when writable") << "";
    QTest::newRow("per user when a file is in the way") << "file";
    QTest::newRow("per user when the folder cannot be written") << "unwritable folder";
}

void tst_FileManager::downloadsPerUserWhenBesideIsBlocked()
{
    QFETCH(QString, inTheWay);
    const bool blocked = !inTheWay.isEmpty();
    // Root may write anywhere: a plain file takes the folder's place, or a link to a process's
    // folder, in which not even root can make a file.
    if (inTheWay == QLatin1String("file"))
        QVERIFY(writeFile(ScopedInstalls::path(), "not a folder"));
    else if (blocked)
        QVERIFY(QFile::link(QStringLiteral("/proc/self"), ScopedInstalls::path()));
    QVERIFY(writeFile(scratch->filePath(QStringLiteral("local.msi")), package));
    server().serve(QStringLiteral("/pkg.msi"), {FaultServer::ok(package)});
    server().serve(QStringLiteral("/pkg.md5"), {FaultServer::ok(digest + " pkg.msi\n")});

    QVERIFY(runPass({item(QStringLiteral("/pkg.msi")), scratch->filePath("local.msi")}));
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    const QString folder = fileManager->getInstallsPath();
    if (blocked) {
        QVERIFY2(folder.startsWith(dataHome.path() + '/') && folder.endsWith("/installs"),
            qPrintable(folder));
        if (inTheWay == QLatin1String("file"))
            QCOMPARE(contentsOf(ScopedInstalls::path()), QByteArray("not a folder"));
    } else {
        QCOMPARE(folder, ScopedInstalls::path());
    }
    QCOMPARE(contentsOf(QDir(folder).filePath(QStringLiteral("pkg.msi"))), package);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
        QStringList({QStringLiteral("pkg.md5"), QStringLiteral("pkg.msi")}));
    // A local package is looked for, and run, where it was given.
    QCOMPARE(
        fileManager->localPath(scratch->filePath("local.msi")), scratch->filePath("local.msi"));
    QCOMPARE(fileManager->localPath(QStringLiteral("sub/fix.msi")),
        ScopedInstalls::path() + "/sub/fix.msi");
}

void tst_FileManager::usesVerifiedCopiesInAReadOnlyFolder_data()
{
    QTest::addColumn<QByteArray>("besideDigest"); // of a.msi, beside it in installs
    QTest::addColumn<bool>("usedWhereItIs");

    QTest::newRow("verified copy used where it is") << digest << true;
    QTest::newRow("damaged copy fetched per user") << wrongDigest << false;
}

// An administrator downloaded into installs beside the executable; a standard user cannot
// write there. Root may write anywhere, so as root the case runs again as nobody.
void tst_FileManager::usesVerifiedCopiesInAReadOnlyFolder()
{
    QFETCH(QByteArray, besideDigest);
    QFETCH(bool, usedWhereItIs);
    const char *const unprivileged = "KESTRUN_TEST_UNPRIVILEGED";
    const bool asChild = qEnvironmentVariableIsSet(unprivileged);
    if (!asChild) {
        QVERIFY(ScopedInstalls::write(QStringLiteral("a.msi"), package));
        QVERIFY(ScopedInstalls::write(QStringLiteral("a.md5"), besideDigest + " a.msi\n"));
        QVERIFY(QFile::setPermissions(ScopedInstalls::path(),
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                | QFile::ReadOther | QFile::ExeOther));
    }
    const auto writable = qScopeGuard([] {
        QFile::setPermissions(ScopedInstalls::path(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                | QFile::ExeOther);
    });
    if (geteuid() == 0 && !asChild) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(unprivileged), QStringLiteral("1"));
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        environment.insert(QStringLiteral("TMPDIR"), QStringLiteral("/tmp")); // nobody writes there
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QStringLiteral("setpriv"),
            {"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                QCoreApplication::applicationFilePath(),
                QStringLiteral("usesVerifiedCopiesInAReadOnlyFolder:")
                    + QString::fromLatin1(QTest::currentDataTag())});
        if (!child.waitForStarted() && qgetenv("CI") != "true")
            QSKIP("setpriv cannot be started: no way to drop root's privileges");
        QVERIFY(child.waitForFinished(PassTimeout * 2));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        return;
    }
    QVERIFY(!QFileInfo(ScopedInstalls::path()).isWritable());
    server().serve(QStringLiteral("/a.msi"), {FaultServer::ok(package)});
    server().serve(QStringLiteral("/a.md5"), {FaultServer::ok(digest + " a.msi\n")});
    server().serve(QStringLiteral("/b.msi"), {FaultServer::ok(package)});
    server().serve(QStringLiteral("/b.md5"), {FaultServer::ok(digest + " b.msi\n")});
    const QStringList items {item(QStringLiteral("/a.msi")), item(QStringLiteral("/b.msi"))};

    QVERIFY(runPass(items));
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    const QString perUser = fileManager->getInstallsPath();
    QVERIFY(perUser != ScopedInstalls::path());
    QCOMPARE(server().count(QStringLiteral("/a.msi")), usedWhereItIs ? 0 : 1);
    QCOMPARE(server().count(QStringLiteral("/b.msi")), 1);
    QCOMPARE(fileManager->localPath(items[0]),
        usedWhereItIs ? ScopedInstalls::filePath(QStringLiteral("a.msi"))
                      : perUser + QLatin1String("/a.msi"));
    QCOMPARE(fileManager->localPath(items[1]), perUser + QLatin1String("/b.msi"));
    const QStringList folders =
        usedWhereItIs ? QStringList {ScopedInstalls::path(), perUser} : QStringList {perUser};
    QCOMPARE(fileManager->getFolders(), folders);
    QSignalSpy checked(fileManager, &FileManager::unchangedChecked);
    fileManager->checkUnchanged(items[0]);
    QVERIFY(checked.wait(PassTimeout));
    QCOMPARE(checked.first(), QVariantList({items[0], true}));
}

void tst_FileManager::onlyLooksForLocalPaths_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("absolute"); // in the scratch folder, else relative to installs
    QTest::addColumn<bool>("present");

    QTest::newRow("relative, present in installs") << QStringLiteral("fix.msi") << false << true;
    QTest::newRow("absolute, present elsewhere") << QStringLiteral("fix.msi") << true << true;
    QTest::newRow("relative, missing") << QStringLiteral("sub/keep.msi") << false << false;
    QTest::newRow("absolute, missing") << QStringLiteral("keep.msi") << true << false;
}

void tst_FileManager::onlyLooksForLocalPaths()
{
    QFETCH(QString, name);
    QFETCH(bool, absolute);
    QFETCH(bool, present);
    // A bystander that shares the missing items' file name must survive them.
    QVERIFY(ScopedInstalls::write(QStringLiteral("keep.msi"), package));
    const QString localItem = absolute ? scratch->filePath(name) : name;
    if (present)
        QVERIFY(writeFile(absolute ? localItem : ScopedInstalls::filePath(name), package));
    const QStringList before = ScopedInstalls::entries();

    fileManager->getFiles({localItem});
    QCOMPARE(done->count(), 1);
    QCOMPARE(fileManager->getGivenUpFiles(), present ? QStringList() : QStringList {localItem});
    QCOMPARE(ScopedInstalls::entries(), before);
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("keep.msi"))), package);
}

void tst_FileManager::skipsEmptyItems_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::newRow("empty list") << QStringList();
    QTest::newRow("one empty item") << QStringList {QString()};
    QTest::newRow("only empty items") << QStringList {QString(), QString()};
}

void tst_FileManager::skipsEmptyItems()
{
    QFETCH(QStringList, items);
    fileManager->getFiles(items);
    QCOMPARE(done->count(), 1);
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    QVERIFY(!QFileInfo::exists(ScopedInstalls::path()));
}

void tst_FileManager::neverTakesAFolderForAPackage_data()
{
    QTest::addColumn<bool>("url");
    QTest::addColumn<Responses>("digestResponses");
    QTest::addColumn<int>("packageRequests");
    QTest::addColumn<int>("reason");

    using S = FaultServer;
    QTest::newRow("URL, digest served")
        << true << Responses {S::ok(digest + " pkg.msi\n")} << 3 << int(FailureReason::NotWritable);
    QTest::newRow("URL, no digest file")
        << true << Responses {S::status(404)} << 3 << int(FailureReason::NotWritable);
    QTest::newRow("local path") << false << Responses() << 0
                                << int(FailureReason::LocalFileMissing);
}

// A folder under the package's name can be neither replaced nor run; it must be given up.
void tst_FileManager::neverTakesAFolderForAPackage()
{
    QFETCH(bool, url);
    QFETCH(Responses, digestResponses);
    QFETCH(int, packageRequests);
    QFETCH(int, reason);
    QVERIFY(QDir().mkpath(ScopedInstalls::filePath(QStringLiteral("pkg.msi/inside"))));
    server().serve(QStringLiteral("/pkg.msi"), {FaultServer::ok(package)});
    server().serve(QStringLiteral("/pkg.md5"), digestResponses);
    const QString given = url ? item(QStringLiteral("/pkg.msi")) : QStringLiteral("pkg.msi");

    QVERIFY(runPass({given}));
    QCOMPARE(done->count(), 1);
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList {given});
    QCOMPARE(server().count(QStringLiteral("/pkg.msi")), packageRequests);
    QCOMPARE(int(fileManager->getFailureReason(given).kind), reason);
    QVERIFY(QFileInfo(ScopedInstalls::filePath(QStringLiteral("pkg.msi/inside"))).isDir());
}

void tst_FileManager::fetchesOneLocalNameOnce_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<int>("rule"); // how the system compares names
    QTest::addColumn<bool>("served");
    QTest::addColumn<int>("packageRequests");
    QTest::addColumn<QStringList>("givenUp"); // paths
    QTest::addColumn<QStringList>("files");

    const QString a = QStringLiteral("/a/pkg.msi");
    const QString b = QStringLiteral("/b/pkg.msi");
    const int sensitive = Qt::CaseSensitive;
    const QStringList pkg {QStringLiteral("pkg.md5"), QStringLiteral("pkg.msi")};
    QTest::newRow("same URL twice") << QStringList {a, a} << sensitive << true << 1 << QStringList()
                                    << pkg;
    // The later one would have the earlier one's package run in its place.
    QTest::newRow("two URLs ending in the same name")
        << QStringList {a, b} << sensitive << true << 1 << QStringList {b} << pkg;
    QTest::newRow("two URLs, both failing")
        << QStringList {a, b} << sensitive << false << 3 << QStringList {a, b} << QStringList();
    const QStringList setup {QStringLiteral("/a/Setup.msi"), QStringLiteral("/b/setup.msi")};
    QTest::newRow("Windows: names differing in case are one file")
        << setup << int(Qt::CaseInsensitive) << true << 1 << QStringList {setup[1]}
        << QStringList {QStringLiteral("Setup.md5"), QStringLiteral("Setup.msi")};
    QTest::newRow("case-sensitive system: two files")
        << setup << sensitive << true << 2 << QStringList()
        << QStringList {QStringLiteral("Setup.md5"), QStringLiteral("Setup.msi"),
               QStringLiteral("setup.md5"), QStringLiteral("setup.msi")};
}

void tst_FileManager::fetchesOneLocalNameOnce()
{
    QFETCH(QStringList, paths);
    QFETCH(int, rule);
    QFETCH(bool, served);
    QFETCH(int, packageRequests);
    QFETCH(QStringList, givenUp);
    QFETCH(QStringList, files);
    QStringList items;
    for (const QString &path : qAsConst(paths)) {
        if (served) {
            server().serve(path, {FaultServer::ok(package, 3)});
            server().serve(FileManager::digestPath(path), {FaultServer::ok(digest + " pkg.msi\n")});
        }
        items << item(path);
    }
    QStringList givenUpItems;
    for (const QString &path : qAsConst(givenUp))
        givenUpItems << item(path);
    fileManager->setNameCase(Qt::CaseSensitivity(rule));

    QVERIFY(runPass(items));
    QCOMPARE(done->count(), 1);
    QCOMPARE(server().count(paths[0]), served ? 1 : FileManager::MaxAttempts);
    QCOMPARE(server().count(paths[0]) + (paths[1] == paths[0] ? 0 : server().count(paths[1])),
        packageRequests);
    QCOMPARE(fileManager->getGivenUpFiles(), givenUpItems);
    QCOMPARE(ScopedInstalls::entries(), files);
    if (served && !givenUp.isEmpty())
        QCOMPARE(fileManager->getFailureReason(givenUpItems.first()).text(),
            QStringLiteral("another product's package has the same file name, ")
                + QFileInfo(givenUp.first()).fileName());
}

void tst_FileManager::waitOutHeldAnswers()
{
    // A request taken for stalled while held is asked again, and an answer asked for after the
    // release is held for good: the pass would give the package up.
    fileManager->setStallTimeout(PassTimeout);
}

void tst_FileManager::runsDownloadsInParallel()
{
    waitOutHeldAnswers();
    const QStringList names {
        QStringLiteral("/one.msi"), QStringLiteral("/two.msp"), QStringLiteral("/three.exe")};
    QStringList items;
    for (const QString &name : names) {
        server().serve(name, {FaultServer::held(package)});
        items << item(name);
    }

    fileManager->getFiles(items);
    // All three are asked for while none has been answered.
    const auto packageRequests = [&] {
        int count = 0;
        for (const QString &name : names)
            count += server().count(name);
        return count;
    };
    QTRY_COMPARE_WITH_TIMEOUT(packageRequests(), 3, PassTimeout);
    QCOMPARE(done->count(), 0);
    server().release();
    QVERIFY(done->wait(PassTimeout));
    QCOMPARE(ScopedInstalls::entries(),
        QStringList(
            {QStringLiteral("one.msi"), QStringLiteral("three.exe"), QStringLiteral("two.msp")}));
}

void tst_FileManager::laterCallJoinsTheRunningPass()
{
    waitOutHeldAnswers();
    server().serve(QStringLiteral("/first.msi"), {FaultServer::held(package)});
    server().serve(QStringLiteral("/second.msi"), {FaultServer::status(404)});
    const QString bad = QStringLiteral("/.."); // given up at once, yet part of this pass

    fileManager->getFiles({item(QStringLiteral("/first.msi"))});
    QTRY_COMPARE_WITH_TIMEOUT(server().count(QStringLiteral("/first.msi")), 1, PassTimeout);
    fileManager->getFiles({item(QStringLiteral("/second.msi")), item(bad)});
    QCOMPARE(done->count(), 0);
    server().release();
    QVERIFY(done->wait(PassTimeout));
    QCOMPARE(done->count(), 1);
    QCOMPARE(fileManager->getGivenUpFiles(),
        QStringList({item(QStringLiteral("/second.msi")), item(bad)}));
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("first.msi"))), package);
}

void tst_FileManager::eachPassStartsAfresh()
{
    const QString url = item(QStringLiteral("/pkg.msi"));
    QVERIFY(runPass({url}));
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList {url});
    QCOMPARE(server().count(QStringLiteral("/pkg.msi")), FileManager::MaxAttempts);

    server().serve(QStringLiteral("/pkg.msi"), {FaultServer::ok(package)});
    done->clear();
    QVERIFY(runPass({url}));
    QCOMPARE(done->count(), 1);
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    QCOMPARE(server().count(QStringLiteral("/pkg.msi")), FileManager::MaxAttempts + 1);
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("pkg.msi"))), package);
}

void tst_FileManager::givenUpItemsSayWhy_data()
{
    using S = FaultServer;
    QTest::addColumn<QString>("file"); // a path on the server, "closed:" or "proxied:" before it
    QTest::addColumn<Responses>("packageResponses");
    QTest::addColumn<Responses>("digestResponses");
    QTest::addColumn<QString>("reason");

    const Responses none;
    QTest::newRow("404") << "/pkg.msi" << Responses {S::status(404)} << none
                         << "not found on the server (HTTP 404)";
    QTest::newRow("500") << "/pkg.msi" << Responses {S::status(500)} << none
                         << "the server answered HTTP 500";
    QTest::newRow("empty body") << "/pkg.msi" << Responses {S::ok("")} << none
                                << "the server sent no data";
    QTest::newRow("body shorter than announced")
        << "/pkg.msi" << Responses {S::truncated(package.left(500), package.size())} << none
        << "the connection broke off";
    QTest::newRow("body stalls") << "/pkg.msi"
                                 << Responses {S::stalled(package.left(500), package.size())}
                                 << none << "no progress for 1 second";
    QTest::newRow("endless redirection") << "/pkg.msi" << Responses {S::redirect("/pkg.msi")}
                                         << none << "the server's redirection was refused";
    QTest::newRow("digest never matches")
        << "/pkg.msi" << Responses {S::ok(package)} << Responses {S::ok(wrongDigest + " pkg.msi")}
        << QStringLiteral("digest mismatch (expected %1, received %2)")
               .arg(QString::fromLatin1(wrongDigest), QString::fromLatin1(digest));
    QTest::newRow("digest fails") << "/pkg.msi" << Responses {S::ok(package)}
                                  << Responses {S::reset("", 100)}
                                  << "the digest could not be fetched (the connection failed)";
    QTest::newRow("connection refused")
        << "closed:/pkg.msi" << none << none << "the server refused the connection";
    S::Response signIn = S::status(407);
    signIn.headers << qMakePair(QByteArray("Proxy-Authenticate"), QByteArray("Basic realm=\"x\""));
    QTest::newRow("proxy wants a sign-in")
        << "proxied:http://updates.example.com/pkg.msi" << Responses {signIn} << none
        << "the proxy asked for a sign-in";
    // A name that cannot be stored and a missing local file: the install manager's table.
}

void tst_FileManager::givenUpItemsSayWhy()
{
    QFETCH(QString, file);
    QFETCH(Responses, packageResponses);
    QFETCH(Responses, digestResponses);
    QFETCH(QString, reason);

    QString url = file.startsWith(QLatin1Char('/')) ? item(file) : file;
    QString servedPath = file;
    const QByteArray savedProxy = qgetenv("http_proxy");
    const auto restoreProxy = qScopeGuard([&savedProxy] { qputenv("http_proxy", savedProxy); });
    if (file.startsWith(QLatin1String("closed:"))) {
        url = FaultServer::refusingUrl(file.mid(7)).toString();
    } else if (file.startsWith(QLatin1String("proxied:"))) {
        // The system's proxy setting: only the proxy, on 127.0.0.1, is ever contacted, and it
        // sees the whole URL.
        url = servedPath = file.mid(8);
        qputenv("http_proxy", serverUrl(QStringLiteral("/")).toString().toLatin1());
    }
    server().serve(servedPath, packageResponses);
    server().serve(QStringLiteral("/pkg.md5"), digestResponses);

    const bool finished = runPass({url});
    QVERIFY(finished);
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList {url});
    QCOMPARE(fileManager->getFailureReason(url).text(), reason);
}

void tst_FileManager::reportsProgressOverThePass()
{
    waitOutHeldAnswers();
    const QByteArray first = package.left(1000);
    server().serve(QStringLiteral("/a.msi"), {FaultServer::paused(first, package.mid(1000))});
    FaultServer::Response unknownSize = FaultServer::paused(first, package.mid(1000));
    unknownSize.unannounced = true;
    server().serve(QStringLiteral("/b.msi"), {unknownSize});
    QSignalSpy changes(fileManager, &FileManager::progressChanged);
    const auto progress = [this] { return fileManager->getProgress(); };

    fileManager->getFiles({item(QStringLiteral("/a.msi")), item(QStringLiteral("/b.msi"))});
    QTRY_COMPARE(progress().bytesReceived, qint64(2 * first.size()));
    QCOMPARE(progress().fileCount, 2);
    QCOMPARE(progress().filesDone, 0);
    QCOMPARE(progress().bytesExpected, qint64(-1)); // b.msi has not said how large it is

    server().release();
    QVERIFY(done->wait(PassTimeout));
    QCOMPARE(progress().filesDone, 2);
    QCOMPARE(progress().bytesReceived, qint64(2 * package.size()));
    QCOMPARE(progress().bytesExpected, qint64(2 * package.size()));
    QVERIFY(changes.count() > 2);
}

void tst_FileManager::resumesABrokenTransfer_data()
{
    QTest::addColumn<Responses>("packageResponses");
    QTest::addColumn<Ranges>("ranges"); // the Range header of each package request
    QTest::addColumn<int>("digestRequests");
    QTest::addColumn<bool>("givenUp");
    QTest::addColumn<double>("maxBytesSent"); // body bytes sent for the package, in packages

    using S = FaultServer;
    const int cut = package.size() * 6 / 10;
    const QByteArray v1("\"v1\""), v2("\"v2\"");
    const QByteArray rest = "bytes=" + QByteArray::number(cut) + '-';
    const S::Response broken = S::tagged(S::truncated(package.left(cut), package.size()), v1);
    QByteArray wrongTail = package;
    wrongTail.replace(cut, 10, "0123456789");

    QTest::newRow("the rest is asked for and appended")
        << Responses {broken, S::ranged(package, v1)} << Ranges {"", rest} << 1 << false << 1.1;
    QTest::newRow("server ignores the range: all of it again")
        << Responses {broken, S::tagged(S::ok(package), v1)} << Ranges {"", rest} << 1 << false
        << 1.7;
    QTest::newRow("entity changed: the server sends all of the new one")
        << Responses {broken, S::ranged(package, v2)} << Ranges {"", rest} << 1 << false << 1.7;
    // A 206 with the body from first on, whatever was asked for.
    const auto partFrom = [](qint64 first, const QByteArray &body, const QByteArray &etag) {
        S::Response part = S::tagged(S::ok(body.mid(first)), etag);
        part.status = 206;
        part.headers << qMakePair(QByteArray("Content-Range"),
            "bytes " + QByteArray::number(first) + '-' + QByteArray::number(body.size() - 1) + '/'
                + QByteArray::number(body.size()));
        return part;
    };
    QTest::newRow("a part of another entity is refused, then all of it fetched")
        << Responses {broken, partFrom(cut, wrongTail, v2), S::ok(package)} << Ranges {"", rest, ""}
        << 1 << false << 2.1;
    QTest::newRow("a part starting before the partial file's end is refused")
        << Responses {broken, partFrom(cut - 10, package, v1), S::ok(package)}
        << Ranges {"", rest, ""} << 1 << false << 2.1;
    QTest::newRow("a part starting after the partial file's end is refused")
        << Responses {broken, partFrom(cut + 10, package, v1), S::ok(package)}
        << Ranges {"", rest, ""} << 1 << false << 2.1;
    QTest::newRow("a wrong tail fails the digest and is not kept")
        << Responses {broken, S::ranged(wrongTail, v1), S::ok(package)} << Ranges {"", rest, ""}
        << 2 << false << 2.1;
    QTest::newRow("no validator: started over")
        << Responses {S::truncated(package.left(cut), package.size()), S::ok(package)}
        << Ranges {"", ""} << 1 << false << 1.7;
    QTest::newRow("breaks off every time: given up, nothing left")
        << Responses {broken} << Ranges {"", rest, rest} << 1 << true << 1.9;
}

void tst_FileManager::resumesABrokenTransfer()
{
    QFETCH(Responses, packageResponses);
    QFETCH(Ranges, ranges);
    QFETCH(int, digestRequests);
    QFETCH(bool, givenUp);
    QFETCH(double, maxBytesSent);
    const QString pkg = QStringLiteral("/pkg.msi");
    server().serve(pkg, packageResponses);
    server().serve(QStringLiteral("/pkg.md5"), {FaultServer::ok(digest + " pkg.msi\n")});

    QVERIFY(runPass({item(pkg)}));
    QCOMPARE(done->count(), 1);
    QCOMPARE(server().ranges(pkg), ranges);
    QCOMPARE(server().count(QStringLiteral("/pkg.md5")), digestRequests);
    QVERIFY2(server().bodyBytesSent(pkg) < maxBytesSent * package.size(),
        qPrintable(QString::number(server().bodyBytesSent(pkg))));
    QCOMPARE(fileManager->getGivenUpFiles(), givenUp ? QStringList {item(pkg)} : QStringList());
    if (givenUp) {
        // The digest came for a package that never did: it goes with the partial file.
        QCOMPARE(ScopedInstalls::entries(), QStringList());
    } else {
        QCOMPARE(
            ScopedInstalls::entries(), QStringList({QStringLiteral("pkg.md5"), QStringLiteral("pkg.msi")}));
        QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("pkg.msi"))), package);
    }
}

void tst_FileManager::removesPartialFilesOfAnEarlierRun()
{
    QVERIFY(ScopedInstalls::write(QStringLiteral("pkg.msi.part"), package.left(1000)));
    QVERIFY(ScopedInstalls::write(QStringLiteral("pkg.md5.part"), "0123"));
    server().serve(QStringLiteral("/pkg.msi"), {FaultServer::ranged(package, "\"v1\"")});
    server().serve(QStringLiteral("/pkg.md5"), {FaultServer::ok(digest + " pkg.msi\n")});

    QVERIFY(runPass({item(QStringLiteral("/pkg.msi"))}));
    // Which entity the leftover belonged to is unknown: it is not resumed.
    QCOMPARE(server().ranges(QStringLiteral("/pkg.msi")), Ranges {""});
    QCOMPARE(
        ScopedInstalls::entries(), QStringList({QStringLiteral("pkg.md5"), QStringLiteral("pkg.msi")}));
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("pkg.msi"))), package);
}

QTEST_GUILESS_MAIN(tst_FileManager)
#include "tst_filemanager.moc"
