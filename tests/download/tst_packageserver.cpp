#include "download/filemanager.h"
#include "nginxserver.h"
#include "scopedinstalls.h"
#include "testfiles.h"
#include "tinyproxy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using TestFiles::contentsOf;

namespace {

constexpr int PassTimeout = 60000;
constexpr qint64 MiB = 1024 * 1024;

/** A digest file as a checked package keeps it: its origin line, then the file as served. */
bool keptAsServed(const QString &kept, const QString &served)
{
    const QByteArray contents = contentsOf(kept);
    return contents.startsWith("// origin: http")
        && contents.mid(contents.indexOf('\n') + 1) == contentsOf(served);
}

/** Runs a tool in folder, its standard output into outputFile when given; true on exit 0. */
bool run(const QString &program, const QStringList &arguments, const QString &folder,
    const QString &outputFile = QString())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

/** A package of random bytes and its ".md5" companion made by md5sum (in binary mode when
    asked). */
bool makePackage(const QString &folder, const QString &name, qint64 size, bool binaryMode)
{
    const QString digestName = QFileInfo(name).completeBaseName() + QLatin1String(".md5");
    QStringList arguments {name};
    if (binaryMode)
        arguments.prepend(QStringLiteral("-b"));
    return run(QStringLiteral("head"),
               {QStringLiteral("-c"), QString::number(size), QStringLiteral("/dev/urandom")},
               folder, QDir(folder).filePath(name))
        && run(QStringLiteral("md5sum"), arguments, folder, QDir(folder).filePath(digestName));
}

qint64 procStatusKiB(const QByteArray &field)
{
    const QList<QByteArray> lines = contentsOf(QStringLiteral("/proc/self/status")).split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).simplified().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Resets the peak resident size to the present one; false where the kernel does not allow it.
bool resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

// Qt never sends requests for a loopback address through a proxy. On Linux 0.0.0.0 reaches the
// same local server without being taken for one.
QUrl viaProxyable(QUrl url)
{
    url.setHost(QStringLiteral("0.0.0.0"));
    return url;
}

} // namespace

class tst_PackageServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fetchesByteForByteWithFlatMemory();
    void neverFollowsARedirectionFromHttpsToHttp();
    void goesThroughTheSystemProxy_data();
    void goesThroughTheSystemProxy();
    void givesUpAtOnceWhenTheProxyAsksForASignIn_data();
    void givesUpAtOnceWhenTheProxyAsksForASignIn();

private:
    /** Runs one pass; false when allFilesDone() never came. */
    bool runPass(const QStringList &items);
    QString served(const QString &name) const { return QDir(root).filePath(name); }

    std::unique_ptr<QTemporaryDir> work; // declared first: it goes last, after the servers in it
    std::unique_ptr<NginxServer> nginx;
    std::unique_ptr<TinyProxy> proxy; // lets everything through
    std::unique_ptr<TinyProxy> signInProxy; // demands Basic credentials
    QString root;
    FileManager *fileManager = nullptr;
    QSignalSpy *done = nullptr;
};

void tst_PackageServer::initTestCase()
{
    QVERIFY2(QFileInfo::exists(QStringLiteral("/usr/sbin/nginx")),
        "nginx is missing: run scripts/setup.sh");
    // Inside the build folder, beside the test.
    work = std::make_unique<QTemporaryDir>(
        QCoreApplication::applicationDirPath() + QLatin1String("/nginx-XXXXXX"));
    QVERIFY(work->isValid());
    root = work->filePath(QStringLiteral("root"));
    QVERIFY(QDir().mkpath(root));

    QVERIFY(makePackage(root, QStringLiteral("small.msi"), 1000, false));
    QVERIFY(makePackage(root, QStringLiteral("fix one.msp"), 300 * 1024 + 7, true));
    QVERIFY(makePackage(root, QStringLiteral("setup.exe"), 3 * MiB + 3, false));

    const QString certificate = work->filePath(QStringLiteral("cert.pem"));
    const QString key = work->filePath(QStringLiteral("key.pem"));
    QStringList request =
        QStringLiteral("req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                       "-addext subjectAltName=IP:127.0.0.1,IP:0.0.0.0")
            .split(QLatin1Char(' '));
    request << QStringLiteral("-keyout") << key << QStringLiteral("-out") << certificate;
    QVERIFY2(run(QStringLiteral("openssl"), request, work->path()),
        "openssl could not make a certificate: run scripts/setup.sh");
    // Trust the test's own certificate, as a company would trust its update server's.
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.addCaCertificates(QSslCertificate::fromPath(certificate));
    QSslConfiguration::setDefaultConfiguration(ssl);

    nginx = std::make_unique<NginxServer>(work->filePath(QStringLiteral("prefix")));
    QVERIFY(nginx->start(root, certificate, key));
    QTRY_VERIFY2_WITH_TIMEOUT(nginx->isListening(), qPrintable(nginx->errorText()), 10000);

    QVERIFY2(QFileInfo::exists(QStringLiteral("/usr/bin/tinyproxy")),
        "tinyproxy is missing: run scripts/setup.sh");
    proxy = std::make_unique<TinyProxy>(work->filePath(QStringLiteral("proxy")));
    signInProxy = std::make_unique<TinyProxy>(work->filePath(QStringLiteral("sign-in-proxy")));
    QVERIFY(proxy->start());
    QVERIFY(signInProxy->start(QStringLiteral("kestrun"), QStringLiteral("secret")));
    QTRY_VERIFY2_WITH_TIMEOUT(proxy->isListening(), qPrintable(proxy->logText()), 10000);
    QTRY_VERIFY2_WITH_TIMEOUT(
        signInProxy->isListening(), qPrintable(signInProxy->logText()), 10000);
}

void tst_PackageServer::init()
{
    ScopedInstalls::remove();
    fileManager = new FileManager(this);
    done = new QSignalSpy(fileManager, &FileManager::allFilesDone);
    QVERIFY(done->isValid());
}

void tst_PackageServer::cleanup()
{
    delete done;
    delete fileManager;
    for (const char *variable : {"http_proxy", "https_proxy", "no_proxy"})
        qunsetenv(variable);
    ScopedInstalls::remove();
}

bool tst_PackageServer::runPass(const QStringList &items)
{
    const int before = done->count();
    fileManager->getFiles(items);
    return done->count() > before || done->wait(PassTimeout);
}

// Packages of several sizes, md5sum's two formats and an escaped name: the first pass fetches
// each with its digest, the second, with everything in place, asks the server nothing. Packages
// are hashed as they arrive and again when present, never held in memory whole.
void tst_PackageServer::fetchesByteForByteWithFlatMemory()
{
    const qint64 large = 64 * MiB;
    QVERIFY(makePackage(root, QStringLiteral("large.msi"), large, false));
    const QStringList names {QStringLiteral("small.msi"), QStringLiteral("fix one.msp"),
        QStringLiteral("setup.exe"), QStringLiteral("large.msi")};
    QStringList items;
    for (const QString &name : names)
        items << nginx->url(QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(name)))
                     .toString();
    const int logged = nginx->requests().size();

    const qint64 baseline = procStatusKiB(resetPeakMemory() ? "VmRSS" : "VmHWM");
    QVERIFY(runPass(items));
    QCOMPARE(nginx->requests().size(), logged + 8);
    QVERIFY(runPass(items));
    const qint64 growth = procStatusKiB("VmHWM") - baseline;

    QCOMPARE(done->count(), 2);
    QCOMPARE(nginx->requests().size(), logged + 8);
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    for (const QString &name : names) {
        const QString digestName = QFileInfo(name).completeBaseName() + QLatin1String(".md5");
        QCOMPARE(contentsOf(ScopedInstalls::filePath(name)), contentsOf(served(name)));
        QVERIFY(keptAsServed(ScopedInstalls::filePath(digestName), served(digestName)));
    }
    QFile::remove(served(QStringLiteral("large.msi")));
#ifdef KESTRUN_SANITIZED
    Q_UNUSED(growth) // AddressSanitizer keeps freed memory in quarantine: the normal build measures
#else
    QVERIFY2(growth * 1024 < large / 4,
        qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(growth)));
#endif
}

// Following it would hand the package to anyone who can tamper with plain HTTP.
void tst_PackageServer::neverFollowsARedirectionFromHttpsToHttp()
{
    const QString url = nginx->secureUrl(QStringLiteral("/downgrade/small.msi")).toString();
    const QString plainRequest = QStringLiteral("GET /small.msi");
    const int plainBefore = nginx->requests().count(plainRequest);

    QVERIFY(runPass({url}));
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList {url});
    QCOMPARE(fileManager->getFailureReason(url).text(),
        QStringLiteral("the server's redirection was refused"));
    QCOMPARE(ScopedInstalls::entries(), QStringList());
    // The plain-HTTP server never saw the request the redirection pointed at.
    QCOMPARE(nginx->requests().count(plainRequest), plainBefore);
}

void tst_PackageServer::goesThroughTheSystemProxy_data()
{
    QTest::addColumn<bool>("secure");
    QTest::addColumn<QByteArray>("noProxy");
    QTest::addColumn<bool>("throughProxy");

    QTest::newRow("http") << false << QByteArray() << true;
    QTest::newRow("https, tunnelled with CONNECT") << true << QByteArray() << true;
    QTest::newRow("no_proxy names another host") << false << QByteArray("example.com") << true;
    QTest::newRow("no_proxy names the server") << false << QByteArray("0.0.0.0") << false;
    QTest::newRow("no_proxy names the server, https") << true << QByteArray("0.0.0.0") << false;
}

void tst_PackageServer::goesThroughTheSystemProxy()
{
    QFETCH(bool, secure);
    QFETCH(QByteArray, noProxy);
    QFETCH(bool, throughProxy);
    qputenv("http_proxy", proxy->url().toEncoded());
    qputenv("https_proxy", proxy->url().toEncoded());
    qputenv("no_proxy", noProxy);
    const QUrl package = viaProxyable(secure ? nginx->secureUrl(QStringLiteral("/small.msi"))
                                             : nginx->url(QStringLiteral("/small.msi")));
    const QUrl digest = viaProxyable(secure ? nginx->secureUrl(QStringLiteral("/small.md5"))
                                            : nginx->url(QStringLiteral("/small.md5")));
    const int before = proxy->requests().size();

    QVERIFY(runPass({package.toString()}));
    QCOMPARE(fileManager->getGivenUpFiles(), QStringList());
    QCOMPARE(contentsOf(ScopedInstalls::filePath(QStringLiteral("small.msi"))),
        contentsOf(served(QStringLiteral("small.msi"))));
    QVERIFY(keptAsServed(ScopedInstalls::filePath(QStringLiteral("small.md5")),
        served(QStringLiteral("small.md5"))));

    const QStringList seen = proxy->requests().mid(before);
    if (!throughProxy) {
        QCOMPARE(seen, QStringList());
    } else if (secure) {
        // The proxy sees only the tunnels, one per transfer; what runs inside them is encrypted.
        const QString tunnel = QStringLiteral("CONNECT 0.0.0.0:%1").arg(package.port());
        QCOMPARE(seen, QStringList({tunnel, tunnel}));
    } else {
        QCOMPARE(seen.count(QLatin1String("GET ") + package.toString()), 1);
        QCOMPARE(seen.count(QLatin1String("GET ") + digest.toString()), 1);
    }
}

void tst_PackageServer::givesUpAtOnceWhenTheProxyAsksForASignIn_data()
{
    QTest::addColumn<QByteArray>("credentials"); // in http_proxy, before the host
    // Within one attempt Qt itself may ask again with what credentials it has; three attempts
    // would show as three times as many.
    QTest::addColumn<int>("maxRequests");
    QTest::addColumn<QString>("reason"); // empty: fetched

    QTest::newRow("no credentials") << QByteArray() << 1 << "the proxy asked for a sign-in";
    // Qt reports proxy credentials that were refused as the sign-in having failed.
    QTest::newRow("wrong credentials")
        << QByteArray("kestrun:guess@") << 3 << "the server answered HTTP 401";
    QTest::newRow("credentials given in http_proxy")
        << QByteArray("kestrun:secret@") << 2 << QString();
}

void tst_PackageServer::givesUpAtOnceWhenTheProxyAsksForASignIn()
{
    QFETCH(QByteArray, credentials);
    QFETCH(int, maxRequests);
    QFETCH(QString, reason);
    const bool fetched = reason.isEmpty();
    qputenv("http_proxy", signInProxy->url().toEncoded().replace("//", "//" + credentials));
    qputenv("no_proxy", QByteArray());
    const QString url = viaProxyable(nginx->url(QStringLiteral("/small.msi"))).toString();
    const int before = signInProxy->requests().count(QLatin1String("GET ") + url);

    QVERIFY(runPass({url}));
    const int requests = signInProxy->requests().count(QLatin1String("GET ") + url) - before;
    QVERIFY2(requests >= 1 && requests <= maxRequests, qPrintable(QString::number(requests)));
    QCOMPARE(QFile::exists(ScopedInstalls::filePath(QStringLiteral("small.msi"))), fetched);
    QCOMPARE(fileManager->getGivenUpFiles(), fetched ? QStringList() : QStringList {url});
    QCOMPARE(fileManager->getFailureReason(url).text(), reason);
    QCOMPARE(ScopedInstalls::entries(),
        fetched ? QStringList({QStringLiteral("small.md5"), QStringLiteral("small.msi")})
                : QStringList());
}

QTEST_GUILESS_MAIN(tst_PackageServer)
#include "tst_packageserver.moc"
