#include "download/downloadmanager.h"
#include "faultserver.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>

using Script = QHash<QString, QList<FaultServer::Response>>;
Q_DECLARE_METATYPE(Script)
using Algorithms = QList<Hasher::Algorithm>;
Q_DECLARE_METATYPE(Algorithms)

namespace {

constexpr int WaitTimeout = 10000;

QByteArray packageBody()
{
    QByteArray body;
    for (int i = 0; i < 4096; ++i)
        body += QByteArray::number(i) + ' ';
    return body;
}

QStringList chainPaths(int hops, bool reachesEnd)
{
    QStringList paths {QStringLiteral("/pkg.msi")};
    for (int hop = 2; hop <= hops; ++hop)
        paths << QStringLiteral("/hop%1").arg(hop);
    if (reachesEnd)
        paths << QStringLiteral("/real/pkg.msi");
    return paths;
}

Script redirectChain(int hops)
{
    Script script;
    for (int hop = 1; hop <= hops; ++hop) {
        const QString path =
            hop == 1 ? QStringLiteral("/pkg.msi") : QStringLiteral("/hop%1").arg(hop);
        const QByteArray next =
            hop == hops ? "/real/pkg.msi" : "/hop" + QByteArray::number(hop + 1);
        script.insert(path, {FaultServer::redirect(next)});
    }
    script.insert(QStringLiteral("/real/pkg.msi"), {FaultServer::ok(packageBody(), 3)});
    return script;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class tst_DownloadManager : public QObject
{
    Q_OBJECT

private slots:
    void storesOnlyWholeSuccessfulBodies_data();
    void storesOnlyWholeSuccessfulBodies();
    void refusedConnectionLeavesNoFile();
    void unwritableTargetEndsTheTransfer();
};

void tst_DownloadManager::storesOnlyWholeSuccessfulBodies_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QByteArray>("expected"); // null: no file at all
    QTest::addColumn<QStringList>("expectedPaths");
    QTest::addColumn<Algorithms>("taken"); // the digests asked for while the body arrives
    QTest::addColumn<int>("busyMsecs"); // every hashing thread busy that long at the start

    const QByteArray body = packageBody();
    const QString pkg = QStringLiteral("/pkg.msi");
    QTest::newRow("200 in four pieces") << Script {{pkg, {FaultServer::ok(body, 4)}}} << body
                                        << QStringList {pkg} << Algorithms {} << 0;
    QTest::newRow("200, only its MD5 asked for")
        << Script {{pkg, {FaultServer::ok(body, 4)}}} << body << QStringList {pkg}
        << Algorithms {Hasher::Algorithm::Md5} << 0;
    QTest::newRow("200, only its SHA-256 asked for")
        << Script {{pkg, {FaultServer::ok(body, 4)}}} << body << QStringList {pkg}
        << Algorithms {Hasher::Algorithm::Sha256} << 0;
    QTest::newRow("302 followed, its body dropped")
        << redirectChain(1) << body << chainPaths(1, true) << Algorithms {} << 0;
    QTest::newRow("10 redirections followed")
        << redirectChain(10) << body << chainPaths(10, true) << Algorithms {} << 0;
    QTest::newRow("11 redirections refused")
        << redirectChain(11) << QByteArray() << chainPaths(11, false) << Algorithms {} << 0;
    FaultServer::Response nowhere = FaultServer::status(302);
    QTest::newRow("redirection without a location")
        << Script {{pkg, {nowhere}}} << QByteArray() << QStringList {pkg} << Algorithms {} << 0;
    // Reading waits while the hashing falls behind, and nothing is lost or reordered meanwhile.
    const QByteArray large = body.repeated(3 * HashLane::MaxBacklog / body.size());
    QTest::newRow("body three times the hashing backlog")
        << Script {{pkg, {FaultServer::ok(large, 1)}}} << large << QStringList {pkg}
        << Algorithms {} << 0;
    // Held back for the lane while other work holds the threads, which is no stall.
    QTest::newRow("body three times the backlog, hashing threads busy past the stall time-out")
        << Script {{pkg, {FaultServer::ok(large, 1)}}} << large << QStringList {pkg}
        << Algorithms {} << 2 * FaultServer::ClientStallTimeout;
    // Refused statuses and broken bodies leave no file either: FileManager's table shows it.
    // About 60 pieces a few milliseconds apart take longer than the stall timeout in all.
    QTest::newRow("slow but steady body is no stall")
        << Script {{pkg, {FaultServer::ok(body, 60)}}} << body << QStringList {pkg} << Algorithms {}
        << 0;
}

void tst_DownloadManager::storesOnlyWholeSuccessfulBodies()
{
    QFETCH(Script, script);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, expectedPaths);
    QFETCH(Algorithms, taken);
    QFETCH(int, busyMsecs);
    for (int thread = 0; busyMsecs > 0 && thread < HashLane::pool()->maxThreadCount(); ++thread)
        HashLane::pool()->start([busyMsecs] { QThread::msleep(busyMsecs); });

    FaultServer server;
    for (auto it = script.cbegin(); it != script.cend(); ++it)
        server.serve(it.key(), it.value());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("pkg.msi"));

    DownloadManager dm(server.url(QStringLiteral("/pkg.msi")), target);
    dm.setStallTimeout(FaultServer::ClientStallTimeout);
    // Asked once the body flows, as when the digest file arrives while the package does: the
    // lane is hashing then, and lets the other algorithm go only between its jobs.
    bool asked = false;
    connect(&dm, &DownloadManager::progressed, &dm, [&](qint64 received) {
        if (received == 0 || std::exchange(asked, true))
            return;
        for (const Hasher::Algorithm algorithm : qAsConst(taken))
            dm.setDigestAlgorithm(algorithm);
    });
    QSignalSpy spy(&dm, &DownloadManager::downloaded);
    QVERIFY(spy.isValid());
    QVERIFY(spy.wait(WaitTimeout));

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().value<DownloadManager *>(), &dm);
    // Qt may send a redirected request twice when the server closes the connection under it.
    QStringList paths = server.requests();
    paths.removeDuplicates();
    QCOMPARE(paths, expectedPaths);
    if (expected.isNull()) {
        QCOMPARE(entries(dir.path()), QStringList());
        QCOMPARE(dm.getMD5(), QString());
        return;
    }
    QCOMPARE(entries(dir.path()), QStringList {QStringLiteral("pkg.msi")});
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
    // Both digests while nobody asked for one, otherwise only the one asked for.
    const auto digestOf = [&](Hasher::Algorithm algorithm, QCryptographicHash::Algorithm qt) {
        return taken.isEmpty() || taken.contains(algorithm)
            ? QString::fromLatin1(QCryptographicHash::hash(expected, qt).toHex())
            : QString();
    };
    QCOMPARE(dm.getMD5(), digestOf(Hasher::Algorithm::Md5, QCryptographicHash::Md5));
    QCOMPARE(dm.getDigest(Hasher::Algorithm::Sha256),
        digestOf(Hasher::Algorithm::Sha256, QCryptographicHash::Sha256));
}

void tst_DownloadManager::refusedConnectionLeavesNoFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    DownloadManager dm(FaultServer::refusingUrl(QStringLiteral("/pkg.msi")),
        dir.filePath(QStringLiteral("pkg.msi")));
    QSignalSpy spy(&dm, &DownloadManager::downloaded);
    QVERIFY(spy.wait(WaitTimeout));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(entries(dir.path()), QStringList());
    QCOMPARE(dm.failureReason().text(), QStringLiteral("the server refused the connection"));
}

void tst_DownloadManager::unwritableTargetEndsTheTransfer()
{
    FaultServer server;
    // Never finishes on its own: only giving up on the target ends the transfer.
    server.serve(QStringLiteral("/pkg.msi"), {FaultServer::stalled("first piece", 100000)});
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    const QString target = dir.filePath(QStringLiteral("missing/pkg.msi"));
    DownloadManager dm(server.url(QStringLiteral("/pkg.msi")), target);
    QSignalSpy spy(&dm, &DownloadManager::downloaded);
    QVERIFY(spy.wait(WaitTimeout));
    QCOMPARE(spy.count(), 1);
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(entries(dir.path()), QStringList());
}

QTEST_GUILESS_MAIN(tst_DownloadManager)
#include "tst_downloadmanager.moc"
