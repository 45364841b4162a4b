#include "check/urlprobe.h"
#include "faultserver.h"

#include <QSignalSpy>
#include <QTest>

using Response = FaultServer::Response;

Q_DECLARE_METATYPE(QList<Response>)

namespace {

const QByteArray Md5 = "9e107d9d372bb6826bd81d3542a419d6";
const QByteArray Sha256 = "d7a8fbb307d7809469ca9abcb0082e4f8d5651e46d3cdb762d02d0bf37c9e592";

QString describe(const Finding &finding)
{
    return QStringLiteral("%1@%2%3")
        .arg(finding.kind)
        .arg(finding.product)
        .arg(finding.isError() ? QString() : QStringLiteral(" (warning)"));
}

} // namespace

/** --urls: every package and its digest file asked of the fault server. */
class tst_UrlProbe : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void eachUrlOnceAndLocalFilesNot();

private:
    UrlProbe *probed(const QStringList &files, const QHash<QString, QString> &pins = {});

    FaultServer server;
};

UrlProbe *tst_UrlProbe::probed(const QStringList &files, const QHash<QString, QString> &pins)
{
    auto probe = new UrlProbe(this);
    QSignalSpy finished(probe, &UrlProbe::finished);
    QStringList names;
    for (int i = 1; i <= files.size(); ++i)
        names << QStringLiteral("P%1").arg(i);
    probe->probe(names, files, pins);
    [&] { QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000); }();
    return probe;
}

void tst_UrlProbe::answers_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QList<Response>>("package");
    QTest::addColumn<QList<Response>>("digest");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("findings");

    const auto ok = [](const QByteArray &body) { return QList<Response> {FaultServer::ok(body)}; };
    const QList<Response> notFound {FaultServer::status(404)};

    QTest::newRow("package and MD5 digest in md5sum's form")
        << "/a/fix.msi" << ok("package") << ok("// built today\n" + Md5 + "  fix.msi\n") << 200
        << qint64(7) << "MD5" << QStringList();
    QTest::newRow("no digest file: installed unchecked")
        << "/c/fix.msi" << ok("package") << notFound << 200 << qint64(7) << ""
        << QStringList {"no-digest-file@1 (warning)"};
    QTest::newRow("a digest file of comments only")
        << "/d/fix.msi" << ok("package") << ok("// nothing here\n") << 200 << qint64(7) << ""
        << QStringList {"no-digest-line@1 (warning)"};
    QTest::newRow("a SHA-256 digest") << "/e/fix.msi" << ok("package") << ok(Sha256 + " fix.msi")
                                      << 200 << qint64(7) << "SHA-256" << QStringList();
    QTest::newRow("not a digest") << "/f/fix.msi" << ok("package") << ok("hello world") << 200
                                  << qint64(7) << "" << QStringList {"digest-format@1"};
    // Pre-signed and CDN URLs often refuse HEAD and serve GET.
    for (const int refusal : {405, 403, 501}) {
        QTest::addRow("HEAD refused with %d, GET served", refusal)
            << QStringLiteral("/k%1/fix.msi").arg(refusal)
            << QList<Response> {FaultServer::status(refusal), FaultServer::ok("package")} << ok(Md5)
            << 200 << qint64(7) << "MD5" << QStringList();
    }
    // Kestrun gives a package up for every failed digest but one the server says is not there.
    for (const int status : {403, 500}) {
        QTest::addRow("digest answers %d", status)
            << QStringLiteral("/m%1/fix.msi").arg(status) << ok("package")
            << QList<Response> {FaultServer::status(status)} << 200 << qint64(7) << ""
            << QStringList {"digest-unreachable@1"};
    }
    QTest::newRow("empty digest file") << "/n/fix.msi" << ok("package") << ok("") << 200
                                       << qint64(7) << "" << QStringList {"digest-unreachable@1"};
    QTest::newRow("digest file over 64 KiB")
        << "/o/fix.msi" << ok("package") << ok(Md5 + QByteArray(64 * 1024, ' ')) << 200 << qint64(7)
        << "" << QStringList {"digest-unreachable@1"};
    // In pieces, so that the probe cuts it off before it has all arrived.
    const QByteArray package(64 * 1024, 'p');
    Response whole = FaultServer::part(package, 0, "\"v1\"");
    whole.pieces = FaultServer::ok(package, 16).pieces;
    QTest::newRow("HEAD refused, the byte asked for answered with all of it")
        << "/p/fix.msi" << QList<Response> {FaultServer::status(405), whole} << ok(Md5) << 206
        << qint64(package.size()) << "MD5" << QStringList();
    QTest::newRow("HEAD refused, a ranged answer names the whole size")
        << "/l/fix.msi"
        << QList<Response> {FaultServer::status(405), FaultServer::part("package", 6, "\"v1\"")}
        << ok(Md5) << 206 << qint64(7) << "MD5" << QStringList();
    // The server announces a gigabyte, sends a few bytes and falls silent: a fetch would wait
    // for the rest; a question about the package has its answer with the headers.
    QTest::newRow("packages are asked about, not fetched")
        << "/big/fix.msi" << QList<Response> {FaultServer::stalled("start", qint64(1) << 30)}
        << ok(Md5) << 200 << (qint64(1) << 30) << "MD5" << QStringList();
    QTest::newRow("package missing")
        << "/g/fix.msi" << notFound << notFound << 404 << qint64(-1) << ""
        << QStringList {"package-unreachable@1", "no-digest-file@1 (warning)"};
    QTest::newRow("server error") << "/h/fix.msi" << QList<Response> {FaultServer::status(500)}
                                  << ok(Md5) << 500 << qint64(-1) << "MD5"
                                  << QStringList {"package-unreachable@1"};
    QTest::newRow("both redirected, as downloads follow them")
        << "/i/fix.msi" << QList<Response> {FaultServer::redirect("/a/fix.msi")}
        << QList<Response> {FaultServer::redirect("/a/fix.md5", 301)} << 200 << qint64(7) << "MD5"
        << QStringList();
}

void tst_UrlProbe::answers()
{
    QFETCH(QString, path);
    QFETCH(QList<Response>, package);
    QFETCH(QList<Response>, digest);
    QFETCH(int, status);
    QFETCH(qint64, size);
    QFETCH(QString, format);
    QFETCH(QStringList, findings);

    server.serve("/a/fix.msi", {FaultServer::ok("package")});
    server.serve("/a/fix.md5", {FaultServer::ok(Md5 + "  fix.msi\n")});
    server.serve(path, package);
    server.serve(QString(path).replace(".msi", ".md5"), digest);

    UrlProbe *probe = probed({server.url(path).toString()});
    QCOMPARE(probe->answers().size(), 1);
    const UrlProbe::Answer answer = probe->answers().first();
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.size, size);
    QCOMPARE(answer.digestFormat(), format);
    QCOMPARE(answer.digestUrl, server.url(QString(path).replace(".msi", ".md5")).toString());
    QStringList found;
    for (const Finding &finding : probe->findings())
        found << describe(finding);
    QCOMPARE(found, findings);
}

void tst_UrlProbe::eachUrlOnceAndLocalFilesNot()
{
    server.serve("/once/fix.msi", {FaultServer::ok("package")});
    server.serve("/once/fix.md5", {FaultServer::ok(Md5)});
    server.serve("/pinned/fix.msi", {FaultServer::ok("package")});
    const QString url = server.url("/once/fix.msi").toString();
    // A pinned package's digest file is not Kestrun's concern, nor the check's.
    const QString pinned = server.url("/pinned/fix.msi").toString();
    UrlProbe *probe = probed({"local.msi", url, url, "", pinned}, {{pinned, QString(Sha256)}});
    QCOMPARE(probe->answers().size(), 2);
    QCOMPARE(probe->answers().first().product, 2);
    QCOMPARE(probe->answers().first().productName, QStringLiteral("P2"));
    QCOMPARE(server.count("/once/fix.msi"), 1);
    QCOMPARE(server.count("/once/fix.md5"), 1);
    QCOMPARE(server.count("/pinned/fix.msi"), 1);
    QCOMPARE(server.count("/pinned/fix.md5"), 0);
    QCOMPARE(probe->findings().size(), 0);

    QSignalSpy finished(probe, &UrlProbe::finished);
    probe->probe({"A"}, {"local.msi"});
    QCOMPARE(finished.count(), 1);
    QVERIFY(probe->answers().isEmpty());
}

QTEST_GUILESS_MAIN(tst_UrlProbe)
#include "tst_urlprobe.moc"
