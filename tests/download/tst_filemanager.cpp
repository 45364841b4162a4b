#include "download/filemanager.h"
#include "download/hashlane.h"
#include "faultserver.h"
#include "report/datasize.h"
#include "scopedconfig.h"
#include "scopedinstalls.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <memory>

#include <unistd.h>

using Responses = QList<FaultServer::Response>;
Q_DECLARE_METATYPE(Responses)
using Ranges = QList<QByteArray>;
Q_DECLARE_METATYPE(Ranges)
// Files in the installs folder before a pass, by name; a name ending in "/" is a folder.
using Placed = QMap<QString, QByteArray>;
Q_DECLARE_METATYPE(Placed)

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

/** A tmpfs of that size mounted where the installs folder goes, for as long as it lives. */
class ScopedDisk
{
public:
    explicit ScopedDisk(int kib)
    {
        QDir().mkpath(ScopedInstalls::path());
        mounted = QProcess::execute(QStringLiteral("mount"),
                      {"-t", "tmpfs", "-o", QStringLiteral("size=%1k").arg(kib), "tmpfs",
                          ScopedInstalls::path()})
            == 0;
    }
    // Lazily: a row that failed may return while a transfer still holds a file open there.
    ~ScopedDisk()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {"-l", ScopedInstalls::path()});
    }
    bool isMounted() const { return mounted; }

private:
    bool mounted = false;
};

QByteArray severalJobs()
{
    return package.repeated(2 * HashLane::MaxJobBytes / package.size() + 5);
}

const QByteArray digest = md5(package);
const QByteArray wrongDigest = md5("something else");
const QByteArray sha256Digest = sha256(package);

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
    void digestFormNamesTheAlgorithm_data();
    void digestFormNamesTheAlgorithm();
    void hashesNoFileThatGrewInTheQueue();
    void namesTheDigestCompanion_data();
    void namesTheDigestCompanion();

    void fetchesAndVerifies_data();
    void fetchesAndVerifies();
    void judgesNamesForEverySystem_data();
    void judgesNamesForEverySystem();
    void keepsSharedDigestNamesApart_data();
    void keepsSharedDigestNamesApart();
    void namesDigestsByEveryPackage_data();
    void namesDigestsByEveryPackage();
    void downloadsPerUserWhenInstallsCannotBeWritten_data();
    void downloadsPerUserWhenInstallsCannotBeWritten();
    void onlyLooksForLocalPaths_data();
    void onlyLooksForLocalPaths();
    void fetchesOneLocalNameOnce_data();
    void fetchesOneLocalNameOnce();
    void joinsTheRunningPassThenStartsAfresh();
    void reportsProgressOverThePass();
    void resumesABrokenTransfer_data();
    void resumesABrokenTransfer();
    void checksOfLargeFilesHoldNothingUp_data();
    void checksOfLargeFilesHoldNothingUp();

private:
    /** Starts a pass and waits for its end; false when allFilesDone() never came. */
    bool runPass(const QStringList &items);
    /** The fault server, started by the first test of a run that talks to it: the tables of
        names and digest lines start none. */
    FaultServer &server();
    QString item(const QString &path) { return server().url(path).toString(); }
    /** The item with the path as written, where item() would have QUrl normalize it. */
    QString asWritten(const QString &path) { return item(QStringLiteral("/")) + path.mid(1); }

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
    if (!faultServer)
        faultServer = std::make_unique<FaultServer>();
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
    const QByteArray line = digest + " fix.msi\n// ";
    QTest::newRow("64 KiB exactly")
        << QByteArray(line + QByteArray(64 * 1024 - line.size(), 'x')) << d;
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

    const QStringList fields = PackageFiles::readMD5File(path);
    QCOMPARE(fields.isEmpty(), expected.isNull());
    if (!expected.isNull())
        QCOMPARE(fields.first(), expected);
}

void tst_FileManager::digestFormNamesTheAlgorithm_data()
{
    QTest::addColumn<QByteArray>("digestField");
    QTest::addColumn<int>("algorithm"); // -1: no form the program knows
    QTest::addColumn<bool>("matches");

    // A file of two hashing jobs and a bit, so that it is read in pieces.
    const QByteArray file = severalJobs();
    const QByteArray fileMd5 = md5(file);
    const QByteArray fileSha256 = sha256(file);
    const int md5Form = int(Hasher::Algorithm::Md5);
    const int sha256Form = int(Hasher::Algorithm::Sha256);
    const QByteArray sha1 = QCryptographicHash::hash(file, QCryptographicHash::Sha1).toHex();
    const QByteArray sha512 = QCryptographicHash::hash(file, QCryptographicHash::Sha512).toHex();
    QTest::newRow("MD5") << fileMd5 << md5Form << true;
    QTest::newRow("MD5, upper case") << fileMd5.toUpper() << md5Form << true;
    QTest::newRow("SHA-256") << fileSha256 << sha256Form << true;
    QTest::newRow("SHA-256, upper case") << fileSha256.toUpper() << sha256Form << true;
    QTest::newRow("SHA-256 of something else") << sha256("something else") << sha256Form << false;
    QTest::newRow("SHA-256 cut to 32 digits") << fileSha256.left(32) << md5Form << false;
    QTest::newRow("MD5 with one digit more") << QByteArray(fileMd5 + "0") << -1 << false;
    QTest::newRow("MD5 with one digit less") << fileMd5.left(31) << -1 << false;
    QTest::newRow("SHA-256 with one digit less") << fileSha256.left(63) << -1 << false;
    QTest::newRow("SHA-256 with one digit more") << QByteArray(fileSha256 + "0") << -1 << false;
    QTest::newRow("SHA-1") << sha1 << -1 << false;
    QTest::newRow("SHA-512") << sha512 << -1 << false;
    QTest::newRow("64 characters, not hex") << QByteArray(fileSha256.left(63) + "g") << -1 << false;
    QTest::newRow("MD5 with a sign") << QByteArray("+" + fileMd5.mid(1)) << -1 << false;
    QTest::newRow("empty") << QByteArray() << -1 << false;
}

void tst_FileManager::digestFormNamesTheAlgorithm()
{
    QFETCH(QByteArray, digestField);
    QFETCH(int, algorithm);
    QFETCH(bool, matches);
    auto named = static_cast<Hasher::Algorithm>(-1); // neither
    QCOMPARE(
        PackageFiles::digestAlgorithm(QString::fromLatin1(digestField), named), algorithm >= 0);
    if (algorithm >= 0)
        QCOMPARE(int(named), algorithm);
    QVERIFY(writeFile(scratch->filePath(QStringLiteral("fix.msi")), severalJobs()));
    // Hashed as a copy already present is; a file that cannot be read matches nothing.
    for (const QString &name : {QStringLiteral("fix.msi"), QStringLiteral("missing.msi")}) {
        HashLane lane;
        lane.addFile(scratch->filePath(name));
        QSignalSpy hashed(&lane, &HashLane::finished);
        lane.finish();
        QVERIFY(hashed.wait());
        QCOMPARE(PackageFiles::matchesDigest(QString::fromLatin1(digestField), lane),
            matches && name == QLatin1String("fix.msi"));
    }
}

// A file that grew after its size was taken is not the file that was queued. The lane hashes
// its first piece until the event loop turns, so the file waits in its queue meanwhile.
void tst_FileManager::hashesNoFileThatGrewInTheQueue()
{
    QVERIFY(writeFile(scratch->filePath(QStringLiteral("fix.msi")), severalJobs()));
    HashLane grown;
    grown.add("first piece");
    grown.addFile(scratch->filePath(QStringLiteral("fix.msi")));
    QFile file(scratch->filePath(QStringLiteral("fix.msi")));
    QVERIFY(file.open(QIODevice::Append) && file.write("more") == 4);
    file.close();
    QSignalSpy hashed(&grown, &HashLane::finished);
    grown.finish();
    QVERIFY(hashed.wait());
    QCOMPARE(grown.digest(Hasher::Algorithm::Md5), QString());
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
    QCOMPARE(PackageFiles::digestUrl(QUrl(package)).toString(QUrl::FullyEncoded), expectedUrl);
}

void tst_FileManager::fetchesAndVerifies_data()
{
    QTest::addColumn<Placed>("placed");
    QTest::addColumn<Responses>("packageResponses");
    QTest::addColumn<Responses>("digestResponses");
    QTest::addColumn<int>("packageRequests");
    QTest::addColumn<int>("digestRequests");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("reason"); // why pkg.msi was given up; empty: it was kept
    QTest::addColumn<QByteArray>("pin"); // the SHA-256 the configuration pins for it
    // The size of a disk of its own that installs is, in KiB; 0: the build's disk. The reason
    // may name its free space before the pass, less what the package beside announces, as {free}.
    QTest::addColumn<int>("diskKiB");
    // The answers for a second package in the same pass, pinned to its last answer's body; it
    // has sent its first piece by the time pkg.msi's held answer is released.
    QTest::addColumn<Responses>("beside");
    const auto row = [](const char *name, const Responses &packageResponses,
                         const Responses &digestResponses, int packageRequests, int digestRequests,
                         const QStringList &files, const QString &reason = QString(),
                         const Placed &placed = Placed(), const QByteArray &pin = QByteArray(),
                         int diskKiB = 0, const Responses &beside = Responses()) {
        QTest::newRow(name) << placed << packageResponses << digestResponses << packageRequests
                            << digestRequests << files << reason << pin << diskKiB << beside;
    };

    using S = FaultServer;
    const Responses whole {S::ok(package, 4)};
    const Responses rightDigest {S::ok(digest + " pkg.msi\n")};
    const Responses noDigest;
    const QStringList both {QStringLiteral("pkg.md5"), QStringLiteral("pkg.msi")};
    const QStringList packageOnly {QStringLiteral("pkg.msi")};
    const QStringList none;
    const auto mismatch = [](const QByteArray &expected, const QByteArray &received) {
        return QStringLiteral("digest mismatch (expected %1, received %2)")
            .arg(QString::fromLatin1(expected), QString::fromLatin1(received));
    };
    const QByteArray otherSha256 = sha256("something else");
    const auto notFetched = [](const char *why) {
        return QStringLiteral("the digest could not be fetched (%1)").arg(QLatin1String(why));
    };

    row("several pieces, digest matches", whole, rightDigest, 1, 1, both);
    row("upper-case digest", whole, {S::ok(digest.toUpper() + " pkg.msi\n")}, 1, 1, both);
    row("sha256sum format", whole, {S::ok(sha256Digest + "  pkg.msi\n")}, 1, 1, both);
    row("SHA-256 never matches", whole, {S::ok(otherSha256 + " pkg.msi\n")}, 3, 3, none,
        mismatch(otherSha256, sha256Digest));
    row("blank digest line", whole, {S::ok("\n" + digest + "\n")}, 3, 3, none,
        mismatch("", digest));
    row("name in the line points elsewhere", whole, {S::ok(digest + " ../other/elsewhere.msi\n")},
        1, 1, both);
    // The package is hashed, not the file the line names, so a matching decoy changes nothing.
    row("line names a decoy that matches", whole, {S::ok(md5("decoy") + " decoy.msi\n")}, 3, 3,
        {QStringLiteral("decoy.msi")}, mismatch(md5("decoy"), digest), {{"decoy.msi", "decoy"}});
    row("wrong digest once, then right", whole,
        {S::ok(wrongDigest + " pkg.msi\n"), rightDigest.first()}, 2, 2, both);
    row("damaged body once, then whole", {S::ok("damaged"), S::ok(package, 3)}, rightDigest, 2, 2,
        both);
    row("digest never matches", whole, {S::ok(wrongDigest + " pkg.msi\n")}, 3, 3, none,
        mismatch(wrongDigest, digest));
    row("no digest file: accepted unverified", whole, {S::status(404)}, 1, 1, packageOnly);
    row("digest gone for good (410): accepted unverified", whole, {S::status(410)}, 1, 1,
        packageOnly);
    // The package stays while only its digest is fetched again.
    row("digest fails once (500)", whole, {S::status(500), rightDigest.first()}, 1, 2, both);
    row("digest always fails: never unchecked", whole, {S::status(500)}, 1, 3, none,
        notFetched("the server answered HTTP 500"));
    row("digest always breaks off: never unchecked", whole, {S::reset("", 100)}, 1, 3, none,
        notFetched("the connection failed"));
    // One network drop hits both; every later package arrives damaged.
    row("package and digest fail once, then a damaged package", {S::status(500), S::ok("damaged")},
        {S::status(500), rightDigest.first()}, 3, 3, none, mismatch(digest, md5("damaged")));
    // Read once as it arrived: a digest file that goes away later lets nothing pass unchecked.
    row("digest file gone before a damaged package arrives",
        {S::status(500), S::held("damaged"), S::ok("damaged")}, rightDigest, 3, 2, none,
        mismatch(digest, md5("damaged")));
    row("digest file over 64 KiB: never unchecked", whole,
        {S::ok(digest + " pkg.msi\n// " + QByteArray(64 * 1024, 'x'))}, 1, 3, none,
        notFetched("the file is larger than 64 KiB"));
    // Cut as it arrives: a stalled gigabyte would wait for the stall time-out.
    row("digest larger than 64 KiB as it arrives", whole,
        {S::stalled(QByteArray(100 * 1024, 'x'), qint64(1) << 30)}, 1, 3, none,
        notFetched("the file is larger than 64 KiB"));
    const QByteArray line = digest + " pkg.msi\n// ";
    row("digest file of exactly 64 KiB", whole,
        {S::ok(line + QByteArray(64 * 1024 - line.size(), 'x'))}, 1, 1, both);
    row("digest file without a digest line: accepted unverified", whole,
        {S::ok("// no digest yet\n")}, 1, 1, both);
    row("404", {S::status(404)}, noDigest, 3, 1, none, "not found on the server (HTTP 404)");
    row("404, digest served: the digest goes too", {S::status(404)}, rightDigest, 3, 1, none,
        "not found on the server (HTTP 404)");
    row("500", {S::status(500)}, noDigest, 3, 1, none, "the server answered HTTP 500");
    row("400", {S::status(400)}, noDigest, 3, 1, none, "the server answered HTTP 400");
    row("empty body", {S::ok("")}, noDigest, 3, 1, none, "the server sent no data");
    row("body shorter than announced", {S::truncated(package.left(500), package.size())}, noDigest,
        3, 1, none, "the connection broke off");
    row("body stalls", {S::stalled(package.left(500), package.size())}, noDigest, 3, 1, none,
        "no progress for 1 second");
    // The digest is the configured URL's, never one beside the mirror.
    row("redirected to a mirror", {S::redirect("/mirror/pkg.msi")}, rightDigest, 1, 1, both);
    row("endless redirection", {S::redirect("/mirror/loop")}, noDigest, 3, 1, none,
        "the server's redirection was refused");
    row("cut short once, then whole",
        {S::truncated(package.left(500), package.size()), S::ok(package)}, rightDigest, 2, 1, both);
    // A folder under the package's name can be neither replaced nor run.
    const Placed folder {{"pkg.msi/inside/", {}}};
    const QString notWritable = QStringLiteral("the file could not be written to the disk");
    row("a folder in its place, digest served", whole, rightDigest, 3, 1, packageOnly, notWritable,
        folder);
    row("a folder in its place, no digest file", whole, {S::status(404)}, 3, 1, packageOnly,
        notWritable, folder);

    // Present before the pass: kept while it matches the digest beside it, else fetched anew.
    // How the digest file is read and matched is the first tables' part.
    const QByteArray old("old package");
    row("present, matching digest", whole, rightDigest, 0, 0, both, QString(),
        {{"pkg.msi", package}, {"pkg.md5", digest + " pkg.msi\n"}});
    row("present, sha256sum format", whole, rightDigest, 0, 0, both, QString(),
        {{"pkg.msi", package}, {"pkg.md5", sha256Digest + "  pkg.msi\n"}});
    row("present, no digest beside it", whole, rightDigest, 1, 1, both, QString(),
        {{"pkg.msi", old}});
    row("present, digest no longer matches", whole, rightDigest, 1, 1, both, QString(),
        {{"pkg.msi", old}, {"pkg.md5", md5("the package before") + " pkg.msi\n"}});
    // A copy recorded as fetched from another URL (the configuration moved on) is fetched again,
    // and stays until its successor has passed.
    const Placed moved {{"pkg.msi", old},
        {"pkg.md5", "// origin: http://127.0.0.1:9/2024.1/pkg.msi\n" + md5(old) + " pkg.msi\n"}};
    row("present, recorded from another URL", whole, rightDigest, 1, 1, both, QString(), moved);
    row("present, recorded from another URL that fails now", {S::status(404)}, rightDigest, 3, 1,
        both, "not found on the server (HTTP 404)", moved);

    // A pinned SHA-256 stands in for the digest file, which is never asked for.
    const QString pinMismatch =
        QStringLiteral("the package does not match the digest in the configuration");
    row("pinned", whole, rightDigest, 1, 0, both, QString(), {}, sha256Digest);
    row("pinned, its digest refused as a signed URL's is", whole, {S::status(403)}, 1, 0, both,
        QString(), {}, sha256Digest);
    row("pinned, the package changed on the server", whole, rightDigest, 3, 0, none, pinMismatch,
        {}, sha256("the package pinned"));
    row("pinned, present and matching", whole, rightDigest, 0, 0, packageOnly, QString(),
        {{"pkg.msi", package}}, sha256Digest);
    row("pinned, present and matching only its digest file", whole, rightDigest, 1, 0, both,
        QString(), {{"pkg.msi", old}, {"pkg.md5", md5(old) + " pkg.msi\n"}}, sha256Digest);

    // A disk of 1 MiB and a package of 2: pinned, so that no digest file takes space meanwhile.
    const QByteArray large(2 * 1024 * 1024, 'L');
    S::Response unannounced = S::ok(large, 8);
    unannounced.unannounced = true;
    row("larger than the free space, its size announced: never written", {S::ok(large, 8)},
        rightDigest, 1, 0, none, "not enough disk space: needs 2.0\u00A0MB, {free} free", {},
        sha256(large), 1024);
    row("larger than the free space, its size not announced: the disk fills", {unannounced},
        rightDigest, 1, 0, none, "the disk is full", {}, sha256(large), 1024);
    // Each of 10 MiB fits on a disk of 16, not both: the one announced second is refused, and
    // the first, stalled meanwhile, completes on its next attempt.
    const QByteArray tenMiB(10 * 1024 * 1024, 'T');
    row("fits the free space, not beside a package still arriving", {S::held(tenMiB)}, rightDigest,
        1, 0, {QStringLiteral("beside.md5"), QStringLiteral("beside.msi")},
        "not enough disk space: needs 10.0\u00A0MB, {free} free", {}, sha256(tenMiB), 16384,
        {S::stalled(tenMiB.left(64 * 1024), tenMiB.size()), S::ok(tenMiB, 8)});
}

void tst_FileManager::fetchesAndVerifies()
{
    QFETCH(Placed, placed);
    QFETCH(Responses, packageResponses);
    QFETCH(Responses, digestResponses);
    QFETCH(int, packageRequests);
    QFETCH(int, digestRequests);
    QFETCH(QStringList, files);
    QFETCH(QString, reason);
    QFETCH(QByteArray, pin);
    QFETCH(int, diskKiB);
    QFETCH(Responses, beside);
    const std::unique_ptr<ScopedDisk> disk(diskKiB ? new ScopedDisk(diskKiB) : nullptr);
    if (disk && !disk->isMounted() && qgetenv("CI") != "true")
        QSKIP("no disk of its own: mounting a tmpfs takes root");
    QVERIFY2(!disk || disk->isMounted(), "a tmpfs could not be mounted for installs");
    reason.replace(QStringLiteral("{free}"),
        DataSize::text(QStorageInfo(ScopedInstalls::path()).bytesAvailable()
            - (beside.isEmpty() ? 0 : beside.first().announcedLength)));
    for (auto it = placed.cbegin(); it != placed.cend(); ++it) {
        QVERIFY(it.key().endsWith(QLatin1Char('/'))
                ? QDir().mkpath(ScopedInstalls::filePath(it.key()))
                : ScopedInstalls::write(it.key(), it.value()));
    }
    server().serve(QStringLiteral("/pkg.msi"), packageResponses);
    server().serve(QStringLiteral("/pkg.md5"), digestResponses);
    server().serve(QStringLiteral("/mirror/pkg.msi"), {FaultServer::ok(package, 2)});
    server().serve(QStringLiteral("/mirror/loop"), {FaultServer::redirect("/mirror/loop")});
    const QString url = item(QStringLiteral("/pkg.msi"));
    const QString besideUrl = item(QStringLiteral("/beside.msi"));
    QJsonArray products {
        ScopedConfig::product(QStringLiteral("P"), url, {{"sha256", QString::fromLatin1(pin)}})};
    if (!beside.isEmpty()) {
        server().serve(QStringLiteral("/beside.msi"), beside);
        products << ScopedConfig::product(QStringLiteral("B"), besideUrl,
            {{"sha256", QString::fromLatin1(sha256(beside.last().pieces.join()))}});
    }
    const ScopedConfig config(ScopedConfig::make(QStringLiteral("Pinned"), products));

    fileManager->getFiles(beside.isEmpty() ? QStringList {url} : QStringList {besideUrl, url});
    // Even a copy already present is hashed off the window's thread: the pass ends later, and
    // the status line says what it waits for.
    QCOMPARE(done->count(), 0);
    const auto held = std::find_if(packageResponses.cbegin(), packageResponses.cend(),
        [](const FaultServer::Response &response) { return response.held; });
    if (held != packageResponses.cend()) {
        QTRY_COMPARE_WITH_TIMEOUT(server().count(QStringLiteral("/pkg.msi")),
            int(held - packageResponses.cbegin()) + 1, PassTimeout);
        // The digest file as it arrived goes while the package is held.
        QFile::remove(ScopedInstalls::filePath(QStringLiteral("pkg.md5")));
        if (!beside.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(fileManager->getProgress().bytesReceived,
                qint64(beside.first().pieces.first().size()), PassTimeout);
        server().release();
    }
    // A copy recorded from another URL is no copy of this package, and not looked at.
    const QByteArray placedDigest = placed.value(QStringLiteral("pkg.md5"));
    if (!placedDigest.isEmpty() && !placedDigest.startsWith("// origin:")) {
        QCOMPARE(fileManager->getProgress().text(),
            QStringLiteral("Checking the packages already downloaded..."));
        QCOMPARE(fileManager->getProgress().share(), -1.0);
    }
    QVERIFY(done->wait(PassTimeout));
    QCOMPARE(done->count(), 1);
    QCOMPARE(server().count(QStringLiteral("/pkg.msi")), packageRequests);
    QCOMPARE(server().count(QStringLiteral("/pkg.md5")), digestRequests);
    QCOMPARE(fileManager->getGivenUpFiles(), reason.isEmpty() ? QStringList() : QStringList {url});
    QCOMPARE(fileManager->getFailureReason(url).text(), reason);
    QCOMPARE(ScopedInstalls::entries(), files);
    if (reason.isEmpty())
        QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("pkg.msi"))), package);
    // Verified or given up, every package fetched is done once the pass is.
    QCOMPARE(fileManager->getProgress().filesDone, fileManager->getProgress().fileCount);
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
    QTest::newRow("another package's partial download") << "fix.msi.Part" << false;
    QTest::newRow("named like a digest") << "package.MD5" << false;
    QTest::newRow("no extension") << "package" << false;
    QTest::newRow("only an extension") << ".msi" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("backslashes") << "..\\..\\evil.msi" << false;
    QTest::newRow("colon") << "C:evil.msi" << false;
    QTest::newRow("line feed") << "evil\n.msi" << false;
    QTest::newRow("delete character") << "evil\x7F.msi" << false;
    // Only the whole name before the first dot is a device.
    QTest::newRow("console") << "console.msi" << true;
    QTest::newRow("device at the end of a word") << "falcon.msi" << true;
    QTest::newRow("device at the end of a word, with a digit") << "helpt1.exe" << true;
    QTest::newRow("COM10") << "COM10.msi" << true;
    QTest::newRow("LPT without a digit") << "LPT.exe" << true;
    QTest::newRow("device later in the name") << "fix.con.msi" << true;
    QTest::newRow("auxiliary") << "auxiliary.msp" << true;
    QTest::newRow("inner blanks and dots") << "my fix 1.2.msi" << true;
    QTest::newRow("a path too long for Windows") << QString(250, 'x') + ".msi" << true;
    // The double quote was found by fuzzing: it ended the quoted path of the msiexec line.
    for (const char *reserved : {"\"", "<", ">", "|", "?", "*"})
        QTest::addRow("reserved %s", reserved) << QStringLiteral("a%1b.msi").arg(reserved) << false;
}

void tst_FileManager::judgesNamesForEverySystem()
{
    QFETCH(QString, name);
    QFETCH(bool, safe);
    QCOMPARE(PackageFiles::isSafeName(name), safe);
    // Windows could neither hold nor start a package at a longer path.
    fileManager->setMaxPathLength(259);
    if (safe && ScopedInstalls::filePath(name).size() <= 259)
        return;
    // As the file of a URL, escaped, the name is given up before anything is asked or written.
    const QString url = item(
        QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(name, QByteArray(), ".")));
    const QStringList appDirBefore = QDir(QCoreApplication::applicationDirPath()).entryList();
    fileManager->getFiles({url});
    QCOMPARE(done->count(), 1);
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList {url});
    QCOMPARE(server().requests(), QStringList());
    // A path is measured in the folder it would lie in, which is made; nothing else is written.
    if (safe)
        QCOMPARE(ScopedInstalls::entries(), QStringList());
    else
        QCOMPARE(QDir(QCoreApplication::applicationDirPath()).entryList(), appDirBefore);
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
    const int windows = Qt::CaseInsensitive;
    QTest::newRow("case differs, Windows")
        << "fix.msi" << QStringList {"FIX.exe"} << windows << "fix.msi.md5";
    QTest::newRow("case differs beyond ASCII, Windows")
        << QStringLiteral("\u00C9diteur.msi") << QStringList {QStringLiteral("\u00E9DITEUR.exe")}
        << windows << QStringLiteral("\u00C9diteur.msi.md5");
    QTest::newRow("extension case differs, case-sensitive")
        << "fix.MSP" << QStringList {"fix.msp"} << sensitive << "fix.MSP.md5";
    QTest::newRow("extension case differs, Windows: one package")
        << "fix.MSP" << QStringList {"fix.msp"} << windows << "fix.md5";
}

void tst_FileManager::namesDigestsByEveryPackage()
{
    QFETCH(QString, package);
    QFETCH(QStringList, others);
    QFETCH(int, rule);
    QFETCH(QString, digestName);
    QCOMPARE(PackageFiles::digestPath(
                 ScopedInstalls::filePath(package), others << package, Qt::CaseSensitivity(rule)),
        ScopedInstalls::filePath(digestName));
}

void tst_FileManager::downloadsPerUserWhenInstallsCannotBeWritten_data()
{
    QTest::addColumn<bool>("readOnly"); // else a plain file takes the folder's place
    QTest::addColumn<QByteArray>("besideDigest"); // of a.msi, beside it in a read-only installs
    QTest::addColumn<bool>("usedWhereItIs");
    // Another deployment's a.msi and a.md5, which agree, in its own per-user folder and in the
    // one folder that all deployments shared before.
    QTest::addColumn<bool>("othersThere");

    // Root may write anywhere, but not where a plain file takes the folder's place.
    QTest::newRow("a file in the way") << false << QByteArray() << false << false;
    // An administrator downloaded into installs beside the executable; a standard user cannot
    // write there. Root may write anywhere, so as root these cases run again as nobody.
    QTest::newRow("read-only, verified copy used where it is") << true << digest << true << false;
    QTest::newRow("read-only, damaged copy fetched per user")
        << true << wrongDigest << false << false;
    QTest::newRow("read-only, another deployment's copy of the name per user")
        << true << wrongDigest << false << true;
}

void tst_FileManager::downloadsPerUserWhenInstallsCannotBeWritten()
{
    QFETCH(bool, readOnly);
    QFETCH(QByteArray, besideDigest);
    QFETCH(bool, usedWhereItIs);
    QFETCH(bool, othersThere);
    const char *const unprivileged = "KESTRUN_TEST_UNPRIVILEGED";
    const bool asChild = qEnvironmentVariableIsSet(unprivileged);
    if (!readOnly) {
        QVERIFY(writeFile(ScopedInstalls::path(), "not a folder"));
    } else if (!asChild) {
        QVERIFY(ScopedInstalls::write(QStringLiteral("a.msi"), package));
        QVERIFY(ScopedInstalls::write(QStringLiteral("a.md5"), besideDigest + " a.msi\n"));
        QVERIFY(QFile::setPermissions(ScopedInstalls::path(),
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                | QFile::ReadOther | QFile::ExeOther));
    }
    const auto writable = qScopeGuard([readOnly] {
        if (readOnly) {
            QFile::setPermissions(ScopedInstalls::path(),
                QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                    | QFile::ExeOther);
        }
    });
    if (readOnly && geteuid() == 0 && !asChild) {
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
                QStringLiteral("downloadsPerUserWhenInstallsCannotBeWritten:")
                    + QString::fromLatin1(QTest::currentDataTag())});
        if (!child.waitForStarted() && qgetenv("CI") != "true")
            QSKIP("setpriv cannot be started: no way to drop root's privileges");
        QVERIFY(child.waitForFinished(PassTimeout * 2));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        return;
    }
    QCOMPARE(QFileInfo(ScopedInstalls::path()).isWritable(), !readOnly);
    for (const char *name : {"a", "b"}) {
        server().serve(QStringLiteral("/%1.msi").arg(name), {FaultServer::ok(package)});
        server().serve(
            QStringLiteral("/%1.md5").arg(name), {FaultServer::ok(digest + ' ' + name + ".msi\n")});
    }
    const QString local = scratch->filePath(QStringLiteral("local.msi"));
    QVERIFY(writeFile(local, package));
    const QStringList items {item(QStringLiteral("/a.msi")), item(QStringLiteral("/b.msi")), local};
    const QString dataRoot = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QStringList others {dataRoot + "/kestrun/installs",
        FileManager::perUserInstallsPath(QStringLiteral("/opt/another vendor"))};
    const QByteArray theirs("another vendor's a.msi");
    for (const QString &folder : others) {
        QVERIFY(!othersThere
            || (QDir().mkpath(folder) && writeFile(folder + "/a.msi", theirs)
                && writeFile(folder + "/a.md5", md5(theirs) + " a.msi\n")));
    }

    QVERIFY(runPass(items));
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    const QString perUser = fileManager->getInstallsPath();
    QCOMPARE(perUser, FileManager::perUserInstallsPath(QCoreApplication::applicationDirPath()));
    QVERIFY2(QRegularExpression(QStringLiteral("/kestrun/[0-9a-f]{16}/installs$"))
                 .match(perUser)
                 .hasMatch(),
        qPrintable(perUser));
    for (const QString &folder : others)
        QCOMPARE(contentsOf(folder + "/a.msi"), othersThere ? theirs : QByteArray());
    if (!asChild)
        QVERIFY2(perUser.startsWith(dataHome.path() + '/'), qPrintable(perUser));
    if (!readOnly)
        QCOMPARE(contentsOf(ScopedInstalls::path()), QByteArray("not a folder"));
    QCOMPARE(server().count(QStringLiteral("/a.msi")), usedWhereItIs ? 0 : 1);
    QCOMPARE(server().count(QStringLiteral("/b.msi")), 1);
    QCOMPARE(contentsOf(perUser + QLatin1String("/b.msi")), package);
    QCOMPARE(QDir(perUser).entryList(QDir::Files | QDir::Hidden),
        usedWhereItIs ? QStringList({"b.md5", "b.msi"})
                      : QStringList({"a.md5", "a.msi", "b.md5", "b.msi"}));
    QCOMPARE(fileManager->localPath(items[0]),
        usedWhereItIs ? ScopedInstalls::filePath(QStringLiteral("a.msi"))
                      : perUser + QLatin1String("/a.msi"));
    QCOMPARE(fileManager->localPath(items[1]), perUser + QLatin1String("/b.msi"));
    // A local package is looked for, and run, where it was given.
    QCOMPARE(fileManager->localPath(local), local);
    QCOMPARE(fileManager->localPath(QStringLiteral("sub/fix.msi")),
        ScopedInstalls::path() + "/sub/fix.msi");
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
    QTest::addColumn<QByteArray>("pin"); // the SHA-256 the configuration pins for it

    const QString fix = QStringLiteral("fix.msi");
    QTest::newRow("relative, present in installs") << fix << false << true << QByteArray();
    QTest::newRow("absolute, present elsewhere") << fix << true << true << QByteArray();
    QTest::newRow("relative, missing") << "sub/keep.msi" << false << false << QByteArray();
    QTest::newRow("absolute, missing") << "keep.msi" << true << false << QByteArray();
    // A folder under the package's name can be neither replaced nor run.
    QTest::newRow("relative, a folder") << "folder.msi" << false << false << QByteArray();
    QTest::newRow("absolute, pinned") << fix << true << true << sha256Digest;
    QTest::newRow("relative, pinned to another package") << fix << false << true << sha256("other");
    QTest::newRow("relative, its path too long for Windows")
        << "sub/" + QString(250, 'x') + ".msi" << false << true << QByteArray();
}

void tst_FileManager::onlyLooksForLocalPaths()
{
    QFETCH(QString, name);
    QFETCH(bool, absolute);
    QFETCH(bool, present);
    QFETCH(QByteArray, pin);
    // Bystanders that share the missing items' file names must survive them.
    QVERIFY(ScopedInstalls::write(QStringLiteral("keep.msi"), package));
    QVERIFY(QDir().mkpath(ScopedInstalls::filePath(QStringLiteral("folder.msi/inside"))));
    const QString localItem = absolute ? scratch->filePath(name) : name;
    if (present)
        QVERIFY(absolute ? writeFile(localItem, package) : ScopedInstalls::write(name, package));
    const QStringList before = ScopedInstalls::entries();
    const ScopedConfig config(ScopedConfig::make(QStringLiteral("Pinned"),
        {ScopedConfig::product(QStringLiteral("P"), localItem, {{"sha256", QString(pin)}})}));
    const bool matches = pin.isEmpty() || pin == sha256Digest;
    const QString path = absolute ? localItem : ScopedInstalls::filePath(name);
    QString reason = !present ? QStringLiteral("the file is not there")
        : matches             ? QString()
                  : QStringLiteral("the package does not match the digest in the configuration");
    if (path.size() > 259)
        reason = QStringLiteral("its path is too long for Windows (%1 characters, at most 259)")
                     .arg(path.size());
    fileManager->setMaxPathLength(259);

    // Only a pin makes the pass wait, for the package's check.
    fileManager->getFiles({localItem});
    QCOMPARE(done->count(), pin.isEmpty() ? 1 : 0);
    QVERIFY(done->count() == 1 || done->wait(PassTimeout));
    QCOMPARE(
        fileManager->getGivenUpFiles(), reason.isEmpty() ? QStringList() : QStringList {localItem});
    QCOMPARE(fileManager->getFailureReason(localItem).text(), reason);
    QCOMPARE(ScopedInstalls::entries(), before);
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("keep.msi"))), package);
}

void tst_FileManager::fetchesOneLocalNameOnce_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<int>("rule"); // how the system compares names
    QTest::addColumn<bool>("served");
    QTest::addColumn<QList<int>>("requests"); // of each path, in order, once each
    QTest::addColumn<QStringList>("givenUp"); // paths
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<Placed>("placed"); // in installs before the pass

    const QString a = QStringLiteral("/a/pkg.msi");
    const QString b = QStringLiteral("/b/pkg.msi");
    const int sensitive = Qt::CaseSensitive;
    const int windows = Qt::CaseInsensitive;
    const QStringList pkg {QStringLiteral("pkg.md5"), QStringLiteral("pkg.msi")};
    const int max = PackageFetch::MaxAttempts;
    QTest::newRow("same URL twice") << QStringList {a, a} << sensitive << true << QList<int> {1}
                                    << QStringList() << pkg << Placed();
    QTest::newRow("one URL written two ways")
        << QStringList {a, QStringLiteral("/a/pk%67.msi")} << sensitive << true << QList<int> {1, 0}
        << QStringList() << pkg << Placed();
    // The later one would have the earlier one's package run in its place.
    QTest::newRow("two URLs ending in the same name")
        << QStringList {a, b} << sensitive << true << QList<int> {1, 0} << QStringList {b} << pkg
        << Placed();
    QTest::newRow("two URLs, both failing")
        << QStringList {a, b} << sensitive << false << QList<int> {max, 0} << QStringList {a, b}
        << QStringList() << Placed();
    const QStringList setup {QStringLiteral("/a/Setup.msi"), QStringLiteral("/b/setup.msi")};
    const QStringList setupFiles {QStringLiteral("Setup.md5"), QStringLiteral("Setup.msi")};
    QTest::newRow("Windows: names differing in case are one file")
        << setup << windows << true << QList<int> {1, 0} << QStringList {setup[1]} << setupFiles
        << Placed();
    QTest::newRow("Windows: a copy being checked under the other case")
        << setup << windows << true << QList<int> {0, 0} << QStringList {setup[1]} << setupFiles
        << Placed {{"Setup.msi", package}, {"Setup.md5", digest + " Setup.msi\n"}};
    QTest::newRow("case-sensitive system: two files")
        << setup << sensitive << true << QList<int> {1, 1} << QStringList()
        << QStringList {QStringLiteral("Setup.md5"), QStringLiteral("Setup.msi"),
               QStringLiteral("setup.md5"), QStringLiteral("setup.msi")}
        << Placed();
    // Both wait on the stale copy's check, and both go with the fetch that follows it.
    QTest::newRow("one URL written two ways, a stale copy there, failing")
        << QStringList {a, QStringLiteral("/a/pk%67.msi")} << sensitive << false
        << QList<int> {max, 0} << QStringList {a, QStringLiteral("/a/pk%67.msi")} << QStringList()
        << Placed {{"pkg.msi", "old package"}, {"pkg.md5", digest + " pkg.msi\n"}};
}

void tst_FileManager::fetchesOneLocalNameOnce()
{
    QFETCH(QStringList, paths);
    QFETCH(int, rule);
    QFETCH(bool, served);
    QFETCH(QList<int>, requests);
    QFETCH(QStringList, givenUp);
    QFETCH(QStringList, files);
    QFETCH(Placed, placed);
    for (auto it = placed.cbegin(); it != placed.cend(); ++it)
        QVERIFY(ScopedInstalls::write(it.key(), it.value()));
    QStringList items;
    for (const QString &path : qAsConst(paths)) {
        if (served) {
            server().serve(path, {FaultServer::ok(package, 3)});
            server().serve(PackageFiles::digestPath(path),
                {FaultServer::ok(digest + ' ' + QFileInfo(path).fileName().toLatin1() + '\n')});
        }
        items << asWritten(path);
    }
    QStringList givenUpItems;
    for (const QString &path : qAsConst(givenUp))
        givenUpItems << asWritten(path);
    fileManager->setNameCase(Qt::CaseSensitivity(rule));

    QVERIFY(runPass(items));
    QCOMPARE(done->count(), 1);
    paths.removeDuplicates();
    QList<int> counted;
    for (const QString &path : qAsConst(paths))
        counted << server().count(path);
    QCOMPARE(counted, requests);
    QCOMPARE(fileManager->getGivenUpFiles(), givenUpItems);
    QCOMPARE(ScopedInstalls::entries(), files);
    if (served && !givenUp.isEmpty())
        QCOMPARE(fileManager->getFailureReason(givenUpItems.first()).text(),
            QStringLiteral("another product's package has the same file name, ")
                + QFileInfo(givenUp.first()).fileName());
}

// A call while a pass runs joins it; the pass after it starts afresh.
void tst_FileManager::joinsTheRunningPassThenStartsAfresh()
{
    // A request taken for stalled while held is asked again, and an answer asked for after the
    // release is held for good: the pass would give the package up.
    fileManager->setStallTimeout(PassTimeout);
    server().serve(QStringLiteral("/first.msi"), {FaultServer::held(package)});
    const QString second = item(QStringLiteral("/second.msi")); // not found for now
    const QString bad = item(QStringLiteral("/..")); // given up at once, yet part of this pass

    fileManager->getFiles({item(QStringLiteral("/first.msi"))});
    QTRY_COMPARE_WITH_TIMEOUT(server().count(QStringLiteral("/first.msi")), 1, PassTimeout);
    fileManager->getFiles({second, bad});
    QCOMPARE(done->count(), 0);
    server().release();
    QVERIFY(done->wait(PassTimeout));
    QCOMPARE(done->count(), 1);
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList({second, bad}));
    QCOMPARE(server().count(QStringLiteral("/second.msi")), PackageFetch::MaxAttempts);
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("first.msi"))), package);

    server().serve(QStringLiteral("/second.msi"), {FaultServer::ok(package)});
    done->clear();
    QVERIFY(runPass({second}));
    QCOMPARE(done->count(), 1);
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    QCOMPARE(server().count(QStringLiteral("/second.msi")), PackageFetch::MaxAttempts + 1);
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("second.msi"))), package);
}

// The progress while transfers run side by side is shown by the window's status line tests;
// here, the totals once every package is in, its size announced or not.
void tst_FileManager::reportsProgressOverThePass()
{
    server().serve(QStringLiteral("/a.msi"), {FaultServer::ok(package)});
    server().serve(QStringLiteral("/b.msp"), {FaultServer::ok(package)});
    FaultServer::Response unknownSize = FaultServer::ok(package);
    unknownSize.unannounced = true;
    server().serve(QStringLiteral("/c.exe"), {unknownSize});
    QSignalSpy changes(fileManager, &FileManager::progressChanged);

    QVERIFY(runPass({item(QStringLiteral("/a.msi")), item(QStringLiteral("/b.msp")),
        item(QStringLiteral("/c.exe"))}));
    const DownloadProgress progress = fileManager->getProgress();
    QCOMPARE(progress.fileCount, 3);
    QCOMPARE(progress.filesDone, 3);
    QCOMPARE(progress.bytesReceived, qint64(3 * package.size()));
    QCOMPARE(progress.bytesExpected, qint64(3 * package.size()));
    QVERIFY(changes.count() > 3);
    QCOMPARE(ScopedInstalls::entries(),
        QStringList({QStringLiteral("a.msi"), QStringLiteral("b.msp"), QStringLiteral("c.exe")}));
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
    QTest::newRow("a part of another entity is refused, then all of it fetched")
        << Responses {broken, S::part(wrongTail, cut, v2), S::ok(package)} << Ranges {"", rest, ""}
        << 1 << false << 2.1;
    QTest::newRow("a part starting before the partial file's end is refused")
        << Responses {broken, S::part(package, cut - 10, v1), S::ok(package)}
        << Ranges {"", rest, ""} << 1 << false << 2.1;
    QTest::newRow("a part starting after the partial file's end is refused")
        << Responses {broken, S::part(package, cut + 10, v1), S::ok(package)}
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
    // Left by an earlier run; which entity they belonged to is unknown, so they are never resumed.
    QVERIFY(ScopedInstalls::write(QStringLiteral("pkg.msi.part"), package.left(1000)));
    QVERIFY(ScopedInstalls::write(QStringLiteral("pkg.md5.part"), "0123"));
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
        QCOMPARE(ScopedInstalls::entries(),
            QStringList({QStringLiteral("pkg.md5"), QStringLiteral("pkg.msi")}));
        QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("pkg.msi"))), package);
    }
}

void tst_FileManager::checksOfLargeFilesHoldNothingUp_data()
{
    QTest::addColumn<int>("copies"); // large copies in place before the pass
    QTest::addColumn<bool>("recheck"); // the package grows large before its check before a run
    QTest::addColumn<bool>("downloadBeside"); // which arrives and is verified meanwhile

    QTest::newRow("a large copy in place") << 1 << false << false;
    QTest::newRow("a large package checked again before it runs") << 0 << true << false;
    QTest::newRow("a download beside a large copy for every hashing thread")
        << HashLane::pool()->maxThreadCount() << false << true;
}

// Files that take minutes to hash (64 GiB, sparse): nothing waits for the whole of them, and
// destroying the manager, as Exit does, waits for a piece at most.
void tst_FileManager::checksOfLargeFilesHoldNothingUp()
{
    QFETCH(int, copies);
    QFETCH(bool, recheck);
    QFETCH(bool, downloadBeside);
    const auto makeLarge = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadWrite) && file.resize(qint64(64) << 30);
    };
    QStringList items;
    for (int copy = 0; copy < copies; ++copy) {
        const QString name = QStringLiteral("large%1.msi").arg(copy);
        QVERIFY(ScopedInstalls::write(name, {}) && makeLarge(ScopedInstalls::filePath(name)));
        QVERIFY(ScopedInstalls::write(PackageFiles::digestPath(name), digest + '\n'));
        items << item('/' + name);
    }
    server().serve(QStringLiteral("/pkg.msi"), {FaultServer::ok(package)});
    server().serve(QStringLiteral("/pkg.md5"), {FaultServer::ok(digest + " pkg.msi\n")});
    if (recheck || downloadBeside)
        items << item(QStringLiteral("/pkg.msi"));

    fileManager->getFiles(items);
    if (recheck) {
        QVERIFY(done->wait(PassTimeout));
        QVERIFY(makeLarge(ScopedInstalls::filePath(QStringLiteral("pkg.msi"))));
        fileManager->checkUnchanged(items.last());
    }
    if (downloadBeside)
        QTRY_COMPARE_WITH_TIMEOUT(fileManager->getProgress().filesDone, 1, PassTimeout);
    QCOMPARE(fileManager->getProgress().filesChecking, copies);
    QElapsedTimer clock;
    clock.start();
    delete std::exchange(fileManager, nullptr);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(tst_FileManager)
#include "tst_filemanager.moc"
