#include "config/configmanager.h"
#include "scopedconfig.h"

#include <QFile>
#include <QJsonArray>
#include <QTest>
#include <QTextCodec>

#include <memory>
#include <optional>

namespace {

// A title and a product name outside Latin-1, so that every byte of the encoding counts.
const QString title = QStringLiteral("Mises \u00E0 jour \u2013 \u65E5\u672C");
const QString name = QStringLiteral("\u00C9diteur \U0001F4E6");

QByteArray configText()
{
    return QStringLiteral(R"({"title": "%1", "products": [{"name": "%2", "file": "fix.msi"}]})")
        .arg(title, name)
        .toUtf8();
}

QByteArray encoded(const char *codec, const QByteArray &mark)
{
    // Without the codec's own mark: each row says which one it wants.
    const std::unique_ptr<QTextEncoder> encoder(
        QTextCodec::codecForName(codec)->makeEncoder(QTextCodec::IgnoreHeader));
    return mark + encoder->fromUnicode(QString::fromUtf8(configText()));
}

} // namespace

class tst_ConfigManager : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(ConfigManager::configPath()); }

    void workedExample();
    void wrongTypes_data();
    void wrongTypes();
    void nonObjectProducts();
    void emptyDocuments_data();
    void emptyDocuments();
    void duplicateNames();
    void encodings_data();
    void encodings();
};

void tst_ConfigManager::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("readable");

    using E = ConfigManager::Encoding;
    QTest::newRow("UTF-8") << configText() << int(E::Utf8) << true;
    QTest::newRow("UTF-8 with byte-order mark")
        << QByteArray("\xEF\xBB\xBF" + configText()) << int(E::Utf8WithBom) << true;
    // Notepad's "Unicode" and "Unicode big endian".
    QTest::newRow("UTF-16 LE with byte-order mark")
        << encoded("UTF-16LE", "\xFF\xFE") << int(E::Utf16LittleEndian) << true;
    QTest::newRow("UTF-16 BE with byte-order mark")
        << encoded("UTF-16BE", "\xFE\xFF") << int(E::Utf16BigEndian) << true;
    QTest::newRow("UTF-16 LE without a mark is not guessed")
        << encoded("UTF-16LE", "") << int(E::Utf8) << false;
    QTest::newRow("a lone mark") << QByteArray("\xFF\xFE") << int(E::Utf16LittleEndian) << false;
}

void tst_ConfigManager::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(bool, readable);
    QCOMPARE(int(ConfigManager::encodingOf(bytes)), encoding);
    ScopedConfig file(bytes);
    ConfigManager config;
    QVERIFY(config.readConfig());

    QCOMPARE(config.getTitle(), readable ? title : QString());
    QCOMPARE(config.getNameList(), readable ? QStringList {name} : QStringList());
    QCOMPARE(config.getProductFiles(), readable ? QStringList {"fix.msi"} : QStringList());
}

void tst_ConfigManager::workedExample()
{
    const QByteArray json = R"({
        "title": "Available updates",
        "products": [
            {"name": "Editor 2.0 Update 1", "file": "Editor20_Update1.msp",
             "guid": "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}",
             "dependencies": {"platforms": ["all"]}},
            {"name": "Runtime Library Update", "file": "RuntimeUpdate.exe", "display": "false",
             "dependencies": {"platforms": ["x64"], "linked-products-ui": ["Editor 2.0 Update 1"]}},
            {"name": "Viewer Add-in", "file": "ViewerAddin.msi",
             "remove-first": "{FFFFFFFF-EEEE-DDDD-CCCC-BBBBBBBBBBBB}",
             "parameters": "REBOOT=ReallySuppress"}
        ]})";
    ScopedConfig file(json);
    ConfigManager config;
    QVERIFY(config.readConfig());

    QCOMPARE(config.getTitle(), QStringLiteral("Available updates"));
    QCOMPARE(config.getNameList(),
        QStringList({"Editor 2.0 Update 1", "Runtime Library Update", "Viewer Add-in"}));
    QCOMPARE(config.getDisplayList(), QStringList({"true", "false", "true"}));
    QCOMPARE(config.getRemoveFirstList(),
        QStringList({"false", "false", "{FFFFFFFF-EEEE-DDDD-CCCC-BBBBBBBBBBBB}"}));
    QCOMPARE(config.getFileList(),
        QStringList({"Editor20_Update1.msp", "RuntimeUpdate.exe", "ViewerAddin.msi"}));
    QCOMPARE(config.getParameterList(), QStringList({"", "", "REBOOT=ReallySuppress"}));
    QCOMPARE(config.getProductFiles(), config.getFileList());

    QCOMPARE(config.getGuid("Editor 2.0 Update 1"),
        QStringLiteral("{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}"));
    QCOMPARE(config.getGuid("Viewer Add-in"), QString());
    QCOMPARE(config.getGuid("No such product"), QString());

    const QJsonObject runtime = config.getDependencies("Runtime Library Update");
    QCOMPARE(runtime.value("platforms").toArray(), QJsonArray({"x64"}));
    QCOMPARE(runtime.value("linked-products-ui").toArray(), QJsonArray({"Editor 2.0 Update 1"}));
    QCOMPARE(runtime.size(), 2);
    QVERIFY(config.getDependencies("Viewer Add-in").isEmpty());
}

void tst_ConfigManager::wrongTypes_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("expected");

    // A present key of another JSON type reads as "", defaults apply only to absent keys.
    QTest::newRow("display true as boolean hides") << "display" << QJsonValue(true) << "";
    QTest::newRow("display absent shows")
        << "display" << QJsonValue(QJsonValue::Undefined) << "true";
    QTest::newRow("display as string") << "display" << QJsonValue("false") << "false";
    QTest::newRow("remove-first false as boolean") << "remove-first" << QJsonValue(false) << "";
    QTest::newRow("remove-first null") << "remove-first" << QJsonValue() << "";
    QTest::newRow("remove-first absent")
        << "remove-first" << QJsonValue(QJsonValue::Undefined) << "false";
    QTest::newRow("name as number") << "name" << QJsonValue(5) << "";
    QTest::newRow("file as array") << "file" << QJsonValue(QJsonArray({"a.msi"})) << "";
    QTest::newRow("parameters as object")
        << "parameters" << QJsonValue(QJsonObject({{"a", "b"}})) << "";
    QTest::newRow("title as number") << "title" << QJsonValue(3) << "";
}

void tst_ConfigManager::wrongTypes()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(QString, expected);

    QJsonObject product {{"name", "P"}, {"file", "p.msi"}, {"parameters", "/q"}};
    QJsonObject top {{"title", "T"}};
    QJsonObject &target = key == "title" ? top : product;
    if (value.isUndefined())
        target.remove(key);
    else
        target.insert(key, value);
    top.insert("products", QJsonArray({product}));

    ScopedConfig file(top);
    ConfigManager config;
    QVERIFY(config.readConfig());
    const QHash<QString, QString> read {{"title", config.getTitle()},
        {"name", config.getNameList().value(0)}, {"file", config.getFileList().value(0)},
        {"display", config.getDisplayList().value(0)},
        {"remove-first", config.getRemoveFirstList().value(0)},
        {"parameters", config.getParameterList().value(0)}};
    QCOMPARE(read.value(key), expected);
    QCOMPARE(config.getNameList().size(), 1);
}

void tst_ConfigManager::nonObjectProducts()
{
    ScopedConfig file(QByteArray(R"({"products": ["text", 7, null,
        {"name": "Real", "guid": "{G}", "dependencies": ["not", "an", "object"]}]})"));
    ConfigManager config;
    QVERIFY(config.readConfig());

    QCOMPARE(config.getNameList(), QStringList({"", "", "", "Real"}));
    QCOMPARE(config.getFileList(), QStringList({"", "", "", ""}));
    QCOMPARE(config.getDisplayList(), QStringList({"true", "true", "true", "true"}));
    QCOMPARE(config.getRemoveFirstList(), QStringList({"false", "false", "false", "false"}));
    QCOMPARE(config.getParameterList(), QStringList({"", "", "", ""}));
    QCOMPARE(config.getGuid("Real"), QStringLiteral("{G}"));
    QVERIFY(config.getDependencies("Real").isEmpty());
}

void tst_ConfigManager::emptyDocuments_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("no file") << false << QByteArray();
    QTest::newRow("empty file") << true << QByteArray();
    QTest::newRow("invalid JSON") << true << QByteArray("{\"title\": \"T\", \"products\": [");
    QTest::newRow("top-level array") << true << QByteArray(R"([{"title": "T"}])");
    QTest::newRow("products not an array")
        << true << QByteArray(R"({"products": {"name": "P", "file": "p.msi"}})");
    QTest::newRow("no products key") << true << QByteArray("{}");
}

void tst_ConfigManager::emptyDocuments()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, contents);
    ConfigManager config;
    std::optional<ScopedConfig> file;
    file.emplace(ScopedConfig::make("Earlier", {ScopedConfig::product("P", "p.msi")}));
    QVERIFY(config.readConfig());
    file.reset();
    if (present)
        file.emplace(contents);

    // Only a missing file is not read, and leaves the earlier values; any file read yields no
    // products.
    QCOMPARE(config.readConfig(), present);
    if (!present) {
        QCOMPARE(config.getTitle(), QStringLiteral("Earlier"));
        QCOMPARE(config.getNameList(), QStringList({"P"}));
        return;
    }
    QCOMPARE(config.getTitle(), QString());
    QVERIFY(config.getNameList().isEmpty());
    QVERIFY(config.getDisplayList().isEmpty());
    QVERIFY(config.getFileList().isEmpty());
    QVERIFY(config.getProductFiles().isEmpty());
    QCOMPARE(config.getGuid("P"), QString());
    QVERIFY(config.getDependencies("P").isEmpty());
}

void tst_ConfigManager::duplicateNames()
{
    ScopedConfig file(ScopedConfig::make("T",
        {ScopedConfig::product("Same", "first.msi",
             {{"guid", "{FIRST}"},
                 {"dependencies", QJsonObject {{"platforms", QJsonArray {"x86"}}}}}),
            ScopedConfig::product("Same", "second.msi",
                {{"guid", "{SECOND}"},
                    {"dependencies", QJsonObject {{"platforms", QJsonArray {"x64"}}}}}),
            ScopedConfig::product("same", "third.msi",
                {{"guid", "{LOWER}"}, {"dependencies", QJsonObject {{"a", 1}}}})}));
    ConfigManager config;
    QVERIFY(config.readConfig());
    QCOMPARE(config.getNameList(), QStringList({"Same", "Same", "same"}));
    QCOMPARE(config.getFileList(), QStringList({"first.msi", "second.msi", "third.msi"}));
    QCOMPARE(config.getGuid("Same"), QStringLiteral("{FIRST}"));
    QCOMPARE(config.getGuid("same"), QStringLiteral("{LOWER}"));
    QCOMPARE(config.getGuid(" Same"), QString());
    QCOMPARE(config.getDependencies("Same").value("platforms").toArray(), QJsonArray({"x86"}));
    // The label of an empty slot reaches the lookup; it must not answer with the last product.
    QVERIFY(config.getDependencies("Check Box").isEmpty());
}

QTEST_GUILESS_MAIN(tst_ConfigManager)
#include "tst_configmanager.moc"
