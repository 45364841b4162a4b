// Hostile kestrun.json files given to the real executable on a virtual display. Each must give a
// window that starts, answers clicks on a check box and on "Download All", shows its report and
// exits with 0 after "Exit". The big files are made here, at test time.

#include "programsession.h"
#include "recordingstandin.h"
#include "tally.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>

namespace {

// Generous: the configurations are large, and the sanitizer build runs the same test.
constexpr int StartTimeout = 120000;
constexpr int ClickTimeout = 60000;
constexpr int ExitTimeout = 30000;

QByteArray json(const QJsonObject &config)
{
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

QByteArray productsConfig(const QJsonArray &products, const QString &title = QString())
{
    return json({{"title", title}, {"products", products}});
}

QByteArray binaryGarbage()
{
    QRandomGenerator generator(20161);
    QByteArray bytes(64 * 1024, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

QByteArray nestedArrays(int depth)
{
    return "{\"title\":\"deep\",\"products\":" + QByteArray(depth, '[') + QByteArray(depth, ']')
        + '}';
}

QByteArray ring(int count, const QJsonArray &platforms)
{
    QJsonArray products;
    for (int i = 0; i < count; ++i) {
        const QJsonObject rules {{"platforms", platforms},
            {"linked-products-ui", QJsonArray {QStringLiteral("P%1").arg((i + 1) % count)}}};
        products.append(
            QJsonObject {{"name", QStringLiteral("P%1").arg(i)}, {"dependencies", rules}});
    }
    return productsConfig(products, QStringLiteral("ring"));
}

QByteArray longTexts(int length)
{
    const QJsonObject product {{"name", QString(length, QLatin1Char('N'))},
        {"file", QString(length, QLatin1Char('f')) + QLatin1String(".msi")},
        {"parameters", QString(length, QLatin1Char(' '))}};
    return productsConfig({product}, QString(length, QLatin1Char('T')));
}

QByteArray wrongTypes()
{
    const QJsonArray products {
        QJsonObject {{"name", true}, {"file", QJsonValue::Null}, {"display", "yes"},
            {"remove-first", false}, {"parameters", QJsonArray {1, 2}}, {"dependencies", "all"}},
        QStringLiteral("a product that is a string"), 42,
        QJsonObject {{"name", "Typed Wrongly"}, {"guid", 7},
            {"dependencies",
                QJsonObject {{"platforms", "all"}, {"versions", QJsonObject {{">", 1}}},
                    {"registry", QJsonArray {"SOFTWARE", 3}},
                    {"linked-products-ui", QJsonObject {{"a", "b"}}}}}}};
    return json({{"title", QJsonArray {"not", "text"}}, {"products", products}});
}

QByteArray hugeVersionRules()
{
    const QJsonArray rules {">99999999999999999999999999", "<", "=..", "!1..2.", ">-2147483649",
        "=4294967296.18446744073709551616", "", ">" + QString(5000, QLatin1Char('9'))};
    const QJsonObject product {{"name", "Versioned"},
        {"guid", "{11111111-2222-3333-4444-555555555555}"},
        {"dependencies", QJsonObject {{"versions", rules}}}};
    const QJsonObject always {{"name", "Always Offered"}, {"file", "always.msi"}};
    return productsConfig({product, always}, QStringLiteral("versions"));
}

bool showsAnUntickedBox(const QString &reading)
{
    return reading.contains(QLatin1String("[ ] "));
}

int checkBoxesIn(const QString &reading)
{
    return reading.count(QLatin1String("\n[x] ")) + reading.count(QLatin1String("\n[ ] "));
}

} // namespace

class tst_HostileConfig : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void opensAnswersAndExits_data();
    void opensAnswersAndExits();

private:
    Tally tally;
};

void tst_HostileConfig::cleanupTestCase()
{
    tally.print(QStringLiteral("Hostile configurations through the whole program"));
}

void tst_HostileConfig::opensAnswersAndExits_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<bool>("placesProducts");

    QTest::newRow("binary garbage") << binaryGarbage() << false;
    QTest::newRow("100,000 nested arrays") << nestedArrays(100000) << false;
    QTest::newRow("20,000 products linked in a ring") << ring(20000, {"all"}) << true;
    QTest::newRow("20,000 products, none applies") << ring(20000, {"none"}) << false;
    QTest::newRow("100,000-character name, title, file and parameters")
        << longTexts(100000) << true;
    QTest::newRow("values of the wrong JSON types") << wrongTypes() << true;
    QTest::newRow("version rules with huge numbers and empty parts") << hugeVersionRules() << true;
}

void tst_HostileConfig::opensAnswersAndExits()
{
    QFETCH(QByteArray, config);
    QFETCH(bool, placesProducts);

    ProgramSession session;
    QVERIFY(session.isValid());
    QVERIFY(session.writeConfig(config));
    RecordingStandIn standIn;

    QElapsedTimer clock;
    clock.start();
    bool answered = session.start(StartTimeout);
    const int boxes = checkBoxesIn(session.lastReading());
    if (answered && placesProducts) {
        // Unticking the first box and ticking it again, links and all.
        answered = session.click(ProgramSession::CheckBox1)
            && session.waitFor(showsAnUntickedBox, ClickTimeout)
            && session.click(ProgramSession::CheckBox1)
            && session.waitFor(
                [](const QString &reading) { return !showsAnUntickedBox(reading); }, ClickTimeout);
    }
    const QString installs = session.installsPath();
    answered = answered && session.click(ProgramSession::DownloadAll)
        && session.waitFor(
            [&installs](const QString &reading) {
                return ProgramSession::showsReport(reading) && reading.contains(installs);
            },
            ClickTimeout);
    const QString reading = session.lastReading();
    const int exitCode = session.exitByButton(ExitTimeout);

    Tally::Case outcome;
    outcome.name = QString::fromLatin1(QTest::currentDataTag());
    outcome.hung = !answered;
    outcome.crashed = exitCode != 0;
    outcome.unverifiedRun = !standIn.calls().isEmpty();
    outcome.seconds = clock.elapsed() / 1000.0;
    outcome.shown = QStringLiteral("check boxes: %1; then \"%2\"")
                        .arg(boxes)
                        .arg(ProgramSession::reportHeading(reading));
    tally.add(outcome);

    QVERIFY2(answered, qPrintable(reading.left(2000)));
    QCOMPARE(boxes > 0, placesProducts);
    QCOMPARE(exitCode, 0);
    QCOMPARE(standIn.calls(), QList<QStringList>());
}

QTEST_GUILESS_MAIN(tst_HostileConfig)
#include "tst_hostileconfig.moc"
