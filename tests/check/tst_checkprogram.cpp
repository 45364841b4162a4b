#include "faultserver.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Clean = R"({"title": "t", "products": [
    {"name": "Editor", "file": "Editor.msp", "dependencies": {"platforms": ["all"]}},
    {"name": "Viewer", "file": "Viewer.msi", "dependencies": {"platforms": ["x86"]}}]})";
const QByteArray Broken = R"({"products": [{"name": "Editor", "file": "SETUP.EXE"}]})";

QByteArray elevenProducts()
{
    QByteArrayList products;
    for (int i = 1; i <= 11; ++i)
        products << "{\"name\": \"P" + QByteArray::number(i) + "\", \"file\": \"p.msi\"}";
    return "{\"products\": [" + products.join(',') + "]}";
}

} // namespace

/** The built kestrun-check run as an administrator runs it: its exit codes and its output. */
class tst_CheckProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QProcess::ExitStatus>(); }

    void exitCodes_data();
    void exitCodes();
    void jsonForScripts();
    void configBesideTheProgram();
    void shippedConfigurationsAreExplained_data();
    void shippedConfigurationsAreExplained();

private:
    QString write(const QString &name, const QByteArray &contents);
    int run(const QStringList &arguments, const QString &program = QStringLiteral(KESTRUN_CHECK));

    QTemporaryDir folder;
    QByteArray output;
    FaultServer server;
};

QString tst_CheckProgram::write(const QString &name, const QByteArray &contents)
{
    const QString path = QDir(folder.path()).filePath(name);
    TestFiles::writeFile(path, contents);
    return path;
}

// Runs the program without blocking the event loop, so that a server in this process answers.
int tst_CheckProgram::run(const QStringList &arguments, const QString &program)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QSignalSpy finished(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    process.start(program, arguments);
    [&] { QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000); }();
    output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void tst_CheckProgram::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("shown");

    QTest::newRow("no errors") << QStringList {"CONFIG"} << Clean << 0
                               << QByteArray("product 2 \"Viewer\": no check box");
    QTest::newRow("warnings only")
        << QStringList {"CONFIG"} << elevenProducts() << 0 << QByteArray("0 errors, 2 warnings");
    QTest::newRow("errors") << QStringList {"CONFIG"} << Broken << 1
                            << QByteArray("[package-ending]");
    QTest::newRow("not JSON") << QStringList {"CONFIG"} << QByteArray("{\n\"a\" 1}") << 1
                              << QByteArray("line 2, column 6");
    QTest::newRow("help") << QStringList {"--help"} << QByteArray() << 0 << QByteArray("--urls");
    QTest::newRow("an unknown option")
        << QStringList {"--url"} << QByteArray() << 2 << QByteArray();
    QTest::newRow("two configurations")
        << QStringList {"CONFIG", "CONFIG"} << Clean << 2 << QByteArray();

    // --pin: every package's SHA-256 in its "sha256", every other byte as it stands.
    const auto sha256 = [](const QByteArray &body) {
        return QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex();
    };
    const QByteArray pinnable =
        "{\n    \"products\": [\n        {\n            \"name\": \"A\",\n"
        "            \"file\": \"SERVER/a.msi\"\n        },\n"
        "        {\"name\": \"B\", \"file\": \"SERVER/b.msi\", \"sha256\": \"\"}\n"
        "    ]\n}\n";
    QByteArray pinned = pinnable;
    pinned.replace("\"SERVER/a.msi\"",
        "\"SERVER/a.msi\",\n            \"sha256\": \"" + sha256("package a") + '"');
    pinned.replace("\"sha256\": \"\"", "\"sha256\": \"" + sha256("package b") + '"');
    QTest::newRow("--pin") << QStringList {"--pin", "CONFIG"} << pinnable << 0 << pinned;
    QTest::newRow("--pin, a package that does not match its digest file") << QStringList {"--pin",
        "CONFIG"} << QByteArray(pinnable).replace("b.msi", "c.msi") << 1 << QByteArray();
    QTest::newRow("--pin, a package not there")
        << QStringList {"--pin", "CONFIG"} << QByteArray(pinnable).replace("b.msi", "gone.msi") << 1
        << QByteArray();
    QTest::newRow("--pin with --urls")
        << QStringList {"--pin", "--urls", "CONFIG"} << pinnable << 2 << QByteArray();
}

void tst_CheckProgram::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, contents);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, shown);

    const QByteArray origin = server.url(QString()).toEncoded();
    server.serve("/a.msi", {FaultServer::ok("package a")});
    server.serve("/b.msi", {FaultServer::ok("package b")});
    server.serve("/b.md5",
        {FaultServer::ok(
            QCryptographicHash::hash("package b", QCryptographicHash::Md5).toHex() + " b.msi\n")});
    server.serve("/c.msi", {FaultServer::ok("package c")});
    server.serve("/c.md5", {FaultServer::ok(QByteArray(32, '0') + " c.msi\n")});

    const QString config =
        write(QStringLiteral("kestrun.json"), QByteArray(contents).replace("SERVER", origin));
    arguments.replaceInStrings(QStringLiteral("CONFIG"), config);
    QCOMPARE(run(arguments), exitCode);
    QVERIFY2(output.contains(shown.replace("SERVER", origin)), output.constData());
    // A configuration pinned in part is never printed.
    if (arguments.contains(QStringLiteral("--pin")) && exitCode != 0)
        QCOMPARE(output, QByteArray());
}

void tst_CheckProgram::configBesideTheProgram()
{
    // Shipped beside kestrun, it checks the kestrun.json there when given none.
    const QString program = QDir(folder.path()).filePath(QStringLiteral("kestrun-check"));
    QFile::remove(program);
    QVERIFY(QFile::copy(QStringLiteral(KESTRUN_CHECK), program));
    write(QStringLiteral("kestrun.json"), Broken);
    QCOMPARE(run({}, program), 1);
    QVERIFY(output.contains(QDir(folder.path()).filePath(QStringLiteral("kestrun.json")).toUtf8()));
}

void tst_CheckProgram::jsonForScripts()
{
    FaultServer server;
    server.serve("/p/Editor.msp", {FaultServer::ok("package")});
    const QByteArray config = "{\"products\": [{\"name\": \"Editor\", \"file\": \""
        + server.url("/p/Editor.msp").toEncoded() + "\"}, {\"name\": \"Gone\", \"file\": \""
        + server.url("/p/Gone.msi").toEncoded()
        + "\"}, {\"name\": \"Setup\", \"file\": \"SETUP.EXE\"}]}";
    const QString path = write(QStringLiteral("kestrun.json"), config);

    // Without --urls nothing is asked.
    QCOMPARE(run({QStringLiteral("--json"), path}), 1);
    QCOMPARE(server.requests().size(), 0);
    QJsonParseError error;
    QJsonObject report = QJsonDocument::fromJson(output, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(report.value("errors").toInt(), 1);
    QCOMPARE(report.value("findings").toArray().first().toObject().value("kind").toString(),
        QStringLiteral("package-ending"));
    const QJsonObject editor = report.value("products").toArray().first().toObject();
    QCOMPARE(editor.value("name").toString(), QStringLiteral("Editor"));
    QCOMPARE(editor.value("checkBox").toInt(), 1);
    QVERIFY(!report.contains("urls"));

    // What each answer means is UrlProbe's; here, that the program asks and counts them.
    QCOMPARE(run({QStringLiteral("--urls"), QStringLiteral("--json"), path}), 1);
    report = QJsonDocument::fromJson(output).object();
    QCOMPARE(report.value("urls").toArray().size(), 2);
    QCOMPARE(report.value("errors").toInt(), 2);
    QCOMPARE(report.value("warnings").toInt(), 2);
    QCOMPARE(server.requests().size(), 4);
}

void tst_CheckProgram::shippedConfigurationsAreExplained_data()
{
    QTest::addColumn<QByteArray>("contents");

    const QByteArray text = TestFiles::contentsOf(QStringLiteral(KESTRUN_SOURCE_DIR "/README.md"));
    const int start = text.indexOf("```json\n") + 8;
    QVERIFY(start > 8);
    QTest::newRow("the README's example") << text.mid(start, text.indexOf("```", start) - start);

    QTest::newRow("the demo configuration")
        << TestFiles::contentsOf(QStringLiteral(KESTRUN_SOURCE_DIR "/demo/kestrun.json"));
}

void tst_CheckProgram::shippedConfigurationsAreExplained()
{
    QFETCH(QByteArray, contents);

    const QString config = write(QStringLiteral("kestrun.json"), contents);
    QCOMPARE(run({config}), 0);
    QVERIFY2(output.contains("Findings: 0 errors, 0 warnings"), output.constData());
    const QJsonArray products =
        QJsonDocument::fromJson(contents).object().value("products").toArray();
    QVERIFY(!products.isEmpty());
    for (int i = 0; i < products.size(); ++i) {
        const QByteArray explained = "  product " + QByteArray::number(i + 1) + " \""
            + products.at(i).toObject().value("name").toString().toUtf8() + "\": ";
        QVERIFY2(output.contains(explained), explained.constData());
    }
}

QTEST_GUILESS_MAIN(tst_CheckProgram)
#include "tst_checkprogram.moc"
