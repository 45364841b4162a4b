#include "check/configcheck.h"
#include "check/configfile.h"
#include "platform/standinsystemqueries.h"
#include "testfiles.h"

#include <QDir>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A configuration whose products are the given JSON objects, joined.
QByteArray withProducts(const QByteArrayList &products)
{
    return "{\"title\": \"t\", \"products\": [" + products.join(",\n") + "]}";
}

QByteArray plain(const QByteArray &name, const QByteArray &file, const QByteArray &more = {})
{
    return "{\"name\": \"" + name + "\", \"file\": \"" + file + "\"" + (more.isEmpty() ? "" : ", ")
        + more + "}";
}

// kind, "@product" when it concerns one, ":line:column" when it has a place in the text.
QString describe(const Finding &finding)
{
    QString text = finding.kind;
    if (finding.product > 0)
        text += QLatin1Char('@') + QString::number(finding.product);
    if (finding.line > 0)
        text += QStringLiteral(":%1:%2").arg(finding.line).arg(finding.column);
    if (!finding.isError())
        text += QLatin1String(" (warning)");
    return text;
}

// Whether python3-jsonschema's validator, as an editor's, takes the file at path, read as
// Kestrun reads it, for valid.
bool schemaAccepts(const QString &path)
{
    ConfigFile file;
    const QString plain = path + QStringLiteral(".plain");
    return file.read(path) && TestFiles::writeFile(plain, QJsonDocument(file.object()).toJson())
        && QProcess::execute(QStringLiteral("jsonschema"),
               {"-i", plain, QStringLiteral(KESTRUN_SOURCE_DIR "/docs/kestrun.schema.json")})
        == 0;
}

} // namespace

/** Broken configurations with the findings each must give, and clean ones that give none. */
class tst_ConfigLint : public QObject
{
    Q_OBJECT

private slots:
    void findings_data();
    void findings();
    void missingAndUnreadableFiles();

private:
    QString writeConfig(const QByteArray &contents);
    /** The findings for the configuration at path, each as describe() gives it. */
    QStringList findingsOf(const QString &path, QStringList *messages = nullptr);

    QTemporaryDir folder;
};

QString tst_ConfigLint::writeConfig(const QByteArray &contents)
{
    const QString path = QDir(folder.path()).filePath(QStringLiteral("kestrun.json"));
    TestFiles::writeFile(path, contents);
    return path;
}

QStringList tst_ConfigLint::findingsOf(const QString &path, QStringList *messages)
{
    const CheckReport report = ConfigCheck::run(path, std::make_unique<StandInSystemQueries>(true));
    QStringList described;
    for (const Finding &finding : report.findings) {
        described << describe(finding);
        if (messages)
            *messages << finding.message;
    }
    return described;
}

void tst_ConfigLint::findings_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("expected");
    // Words that one of the findings' messages must contain.
    QTest::addColumn<QString>("hint");

    const auto row = [](const char *tag, const QByteArray &contents, const QStringList &expected,
                         const QString &hint = QString()) {
        QTest::newRow(tag) << contents << expected << hint;
    };
    const QByteArray code = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";

    // Clean: nothing to say.
    row("one local package", withProducts({plain("A", "a.msi")}), {});
    row("the same URL twice is one download",
        withProducts({plain("A", "http://h/p/a.msi"), plain("B", "http://h/p/a.msi")}), {});
    row("digest names differ by folder only on the server",
        withProducts({plain("A", "http://h/one/a.msi"), plain("B", "http://h/two/b.msi")}), {});
    row("UTF-8 with a byte order mark", "\xEF\xBB\xBF" + withProducts({plain("A", "a.msi")}), {});
    QByteArrayList ten;
    for (int i = 1; i <= 10; ++i)
        ten << plain("P" + QByteArray::number(i), "a.msi");
    row("ten products that can apply on one machine", withProducts(ten), {});
    for (const char *shipped : {"docs/kestrun.json", "demo/kestrun.json"})
        row(shipped, TestFiles::contentsOf(QStringLiteral(KESTRUN_SOURCE_DIR "/") + shipped), {});

    // The file as a whole.
    row("not JSON", "{\"title\": \"t\",\n  \"products\" []}", {"invalid-json:2:15"});
    row("empty file", "", {"invalid-json:1:1"});
    row("an array, not an object", "[{\"name\": \"A\"}]", {"not-an-object"});
    const QString wide = QString::fromUtf8(withProducts({plain("A", "a.msi")}));
    const QByteArray utf16(reinterpret_cast<const char *>(wide.utf16()), wide.size() * 2);
    row("UTF-16 with a byte order mark, as Notepad saves it", "\xFF\xFE" + utf16, {});
    row("UTF-16 without a byte order mark", utf16, {"unreadable-encoding"});
    const QString broken = QStringLiteral("{\n \"a\" 1}");
    row("not JSON in UTF-16: the place in the decoded text",
        "\xFF\xFE" + QByteArray(reinterpret_cast<const char *>(broken.utf16()), broken.size() * 2),
        {"invalid-json:2:7"});
    row("Windows-1252 text", withProducts({plain("Caf\xE9", "a.msi")}),
        {"unreadable-encoding:1:42"});

    // Keys and types.
    row("values that must be strings",
        withProducts({"{\"name\": \"A\", \"file\": \"a.msi\", \"display\": true, "
                      "\"remove-first\": false, \"parameters\": 3, \"guid\": null}"}),
        {"not-a-string@1", "not-a-string@1", "not-a-string@1", "not-a-string@1"});
    // Unknown keys at every level; one that resembles a known one is named.
    row("dependancies", withProducts({plain("A", "a.msi", "\"dependancies\": {}")}),
        {"unknown-key@1"}, "(did you mean \"dependencies\"?)");
    row("remove_first", withProducts({plain("A", "a.msi", "\"remove_first\": \"x\"")}),
        {"unknown-key@1"}, "(did you mean \"remove-first\"?)");
    // A product's own key is no rule.
    row("linked-products, and a guid among the rules",
        withProducts({plain(
            "A", "a.msi", "\"dependencies\": {\"linked-products\": [\"A\"], \"guid\": \"x\"}")}),
        {"unknown-key@1", "unknown-key@1"}, "(did you mean \"linked-products-ui\"?)");
    row("Title in capitals", "{\"Title\": \"t\"}", {"unknown-key"}, "(did you mean \"title\"?)");
    row("a rule beside the name", withProducts({plain("A", "a.msi", "\"platforms\": [\"all\"]")}),
        {"unknown-key@1"}, "(\"platforms\" belongs in \"dependencies\")");
    row("a title that is no string", "{\"title\": 1}", {"not-a-string"});
    row("products not an array", "{\"products\": {}}", {"wrong-type"});
    row("a product that is no object", withProducts({plain("A", "a.msi"), "7"}), {"wrong-type@2"});
    row("dependencies not an object", withProducts({plain("A", "a.msi", "\"dependencies\": []")}),
        {"wrong-type@1"});
    row("a rule that is not an array",
        withProducts({plain("A", "a.msi", "\"dependencies\": {\"platforms\": \"x64\"}")}),
        {"wrong-type@1"});
    row("non-string list elements",
        withProducts({plain("A", "a.msi",
            "\"dependencies\": {\"platforms\": [\"all\", 64], \"linked-products-ui\": [null]}")}),
        {"not-a-string@1", "not-a-string@1"});

    // Package files.
    row("endings compare case-sensitively",
        withProducts(
            {plain("A", "SETUP.EXE"), plain("B", "http://h/fix.MSI"), plain("C", "notes.txt")}),
        {"package-ending@1", "package-ending@2", "package-ending@3"});
    row("no file", withProducts({"{\"name\": \"A\"}", plain("B", "")}),
        {"no-package@1", "no-package@2"});
    row("a URL name Kestrun refuses",
        withProducts({plain("A", "http://h/p/a%3Ab.msi"), plain("B", "http://h/p/.msi")}),
        {"unsafe-package-name@1", "unsafe-package-name@2"});
    row("a device name of Windows", withProducts({plain("A", "http://h/p/CON.msi")}),
        {"unsafe-package-name@1"});
    row("two URLs, one local name",
        withProducts({plain("A", "http://h/one/fix.msi"), plain("B", "http://h/two/fix.msi")}),
        {"shared-local-name@2"});
    row("two packages, one digest name",
        withProducts({plain("A", "http://h/p/fix.msi"), plain("B", "http://h/p/fix.msp")}),
        {"shared-digest-name@2"});
    row("two folders: the digest files are kept apart in installs",
        withProducts({plain("A", "http://h/one/fix.msi"), plain("B", "http://h/two/fix.msp")}), {});
    row("names that differ in case are one file on Windows",
        withProducts({plain("A", "http://h/one/Fix.msi"), plain("B", "http://h/two/fix.msi")}),
        {"shared-local-name@2"});

    // Run quietly without a word against it, msiexec restarts Windows when it must.
    row("quiet MSI and MSP runs that may restart Windows",
        withProducts({plain("A", "a.msi", "\"parameters\": \"/qn\""),
            plain("B", "http://h/b.msp", "\"parameters\": \"/passive PROP=1\""),
            plain("C", "c.msi", "\"parameters\": \"/QB- /norestart\""),
            plain("D", "d.msi", "\"parameters\": \"/quiet REBOOT=ReallySuppress\""),
            plain("E", "e.exe", "\"parameters\": \"/quiet\""),
            plain("F", "f.msi", "\"parameters\": \"/l*v log.txt\"")}),
        {"may-restart@1 (warning)", "may-restart@2 (warning)"});

    // Pinned digests.
    const QByteArray pin = "\"sha256\": \"" + QByteArray(64, 'a') + "\"";
    row("a pin on a local and on a URL package",
        withProducts({plain("A", "a.msi", pin), plain("B", "http://h/p/b.msi", pin)}), {});
    row("pins not of 64 hexadecimal digits",
        withProducts({plain("A", "a.msi", "\"sha256\": \"" + QByteArray(32, 'a') + "\""),
            plain("B", "b.msi", "\"sha256\": \"" + QByteArray(63, 'a') + "g\"")}),
        {"pin-form@1", "pin-form@2"});
    row("a pin without a file", withProducts({"{\"name\": \"A\", " + pin + "}"}),
        {"no-package@1", "pin-without-file@1"});
    row("one package pinned two ways",
        withProducts({plain("A", "http://h/p/a.msi", pin),
            plain("B", "http://h/p/a.msi", "\"sha256\": \"" + QByteArray(64, 'b') + "\"")}),
        {"pin-differs@2"}, "checked against product 1's");

    // Pinned publishers.
    row("a publisher at the top level, another in a product",
        "{\"publisher\": \"C\", \"products\": [" + plain("A", "a.msi", "\"publisher\": \"O\"")
            + "]}",
        {});
    row("publishers empty or no string",
        "{\"publisher\": \"\", \"products\": [" + plain("A", "a.msi", "\"publisher\": 1") + ","
            + plain("B", "b.msi", "\"publisher\": \"\"") + "]}",
        {"empty-publisher", "not-a-string@1", "empty-publisher@2"});
    row("a publisher among the rules",
        withProducts({plain("A", "a.msi", "\"dependencies\": {\"publisher\": \"x\"}")}),
        {"unknown-key@1"}, "(\"publisher\" belongs at the top level or in a product)");

    // Rules that can never hold as written.
    row("version rules not of the form operator and dotted numbers",
        withProducts({plain("A", "a.msi",
            "\"guid\": \"" + code
                + "\", \"dependencies\": {\"versions\": [\">=2015\", \"2016\", \"<2016.x\", "
                  "\"<2016.1\", \"!1..2\"]}")}),
        {"version-rule-form@1", "version-rule-form@1", "version-rule-form@1",
            "version-rule-form@1"});
    row("versions without a guid",
        withProducts({plain("A", "a.msi", "\"dependencies\": {\"versions\": [\"<2016\"]}")}),
        {"versions-without-guid@1"});
    row("guids that are no product codes",
        withProducts({plain("A", "a.msi",
            "\"guid\": \"{aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee}\", \"dependencies\": "
            "{\"installed-products\": [\"AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE\", \""
                + code + "\"]}")}),
        {"guid-form@1", "guid-form@1"});
    row("platform values Kestrun does not know",
        withProducts({plain(
            "A", "a.msi", "\"dependencies\": {\"platforms\": [\"X64\", \"amd64\", \"x86\"]}")}),
        {"platform-value@1", "platform-value@1"});
    row("empty lists that never hold",
        withProducts({plain("A", "a.msi", "\"dependencies\": {\"platforms\": []}"),
            plain("B", "b.msi", "\"dependencies\": {\"installed-products\": []}")}),
        {"rule-never-holds@1", "rule-never-holds@2"});
    row("registry rules that are not objects of key to value name",
        withProducts({plain("A", "a.msi",
            "\"dependencies\": {\"registry\": [\"SOFTWARE\\\\X\", {\"SOFTWARE\\\\Y\": 1}, "
            "{\"SOFTWARE\\\\Z\": \"\"}]}")}),
        {"registry-form@1", "registry-form@1"});

    // Names.
    row("duplicate names", withProducts({plain("A", "a.msi"), plain("A", "b.msi")}),
        {"duplicate-name@2"});
    row("links to names that do not exist",
        withProducts({plain("A", "a.msi", "\"dependencies\": {\"linked-products-ui\": [\"b\"]}"),
            plain("B", "b.msi")}),
        {"unknown-link@1"});
    row("empty names", withProducts({plain("", "a.msi"), "{\"file\": \"b.msi\"}"}),
        {"empty-name@1", "empty-name@2"});

    // The window's ten boxes.
    const QByteArrayList eleven = ten + QByteArrayList {plain("P11", "a.msi")};
    row("eleven products that can apply on every machine", withProducts(eleven),
        {"too-many-products (warning)", "too-many-products (warning)"});
    QByteArrayList split = eleven;
    split[10] = plain("P11", "a.msi", "\"dependencies\": {\"platforms\": [\"x86\"]}");
    row("the eleventh only on 32-bit Windows", withProducts(split),
        {"too-many-products (warning)"});
    split[10] = plain("P11", "a.msi", "\"dependencies\": {\"platforms\": [\"X86\"]}");
    row("a product that can never apply leaves room", withProducts(split), {"platform-value@11"});
    split[10] = plain("P11", "a.msi", "\"dependencies\": {\"versions\": [\"<2016\"]}");
    row("versions without a guid leave room", withProducts(split), {"versions-without-guid@11"});
    split[10] = plain("P11", "a.msi",
        "\"guid\": \"" + code + "\", \"dependencies\": {\"versions\": [\"<2016\"]}");
    row("versions with a guid take a box", withProducts(split),
        {"too-many-products (warning)", "too-many-products (warning)"});
}

void tst_ConfigLint::findings()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, expected);
    QFETCH(QString, hint);

    QStringList messages;
    const QString path = writeConfig(contents);
    QStringList found = findingsOf(path, &messages);
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
    // The schema rejects a file with any finding but those about names, links, counts, pins
    // that disagree and parameters.
    static const QRegularExpression beyondSchema(
        "^(shared-|unsafe-|duplicate-|unknown-link|too-many|pin-differs|may-restart)");
    QCOMPARE(schemaAccepts(path), found.filter(beyondSchema).size() == found.size());
    QVERIFY2(messages.join('\n').contains(hint), qPrintable(messages.join('\n')));
}

void tst_ConfigLint::missingAndUnreadableFiles()
{
    QCOMPARE(findingsOf(QDir(folder.path()).filePath(QStringLiteral("none.json"))),
        QStringList {"file-missing"});
    QCOMPARE(findingsOf(folder.path()), QStringList {"file-unreadable"});
}

QTEST_GUILESS_MAIN(tst_ConfigLint)
#include "tst_configlint.moc"
