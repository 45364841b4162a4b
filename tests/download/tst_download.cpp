#include "faultserver.h"
#include "scopedconfig.h"
#include "scopedinstalls.h"
#include "scopedtranslation.h"
#include "window/windowitems.h"
#include "windowharness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace {

constexpr int PassTimeout = 15000;

const QByteArray package = QByteArray("package body ").repeated(500);

QString doneMessage()
{
    return QLatin1String("All files have been downloaded to the following location.\n\n")
        + ScopedInstalls::path();
}

QString failureMessage(const QStringList &givenUp)
{
    return QLatin1String("The following files could not be downloaded.\n\n")
        + givenUp.join(QLatin1Char('\n'))
        + QLatin1String("\n\nDownloaded files are in the following location.\n\n")
        + ScopedInstalls::path();
}

// A "file" value starting with "/" is a path on the fault server; anything else is taken as is.
QString fileValue(const FaultServer &server, const QString &file)
{
    return file.startsWith(QLatin1Char('/')) ? server.url(file).toString() : file;
}

} // namespace

class tst_Download : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void downloadAllEndsWithTheReport_data();
    void downloadAllEndsWithTheReport();
    void statusLineFollowsThePass_data();
    void statusLineFollowsThePass();
    void manySmallFilesRefreshTheWindowAFewTimesASecond();
    void reportOfTenFailuresStaysInItsArea();
};

void tst_Download::init()
{
    ScopedInstalls::remove();
}

void tst_Download::cleanup()
{
    ScopedInstalls::remove();
}

void tst_Download::downloadAllEndsWithTheReport_data()
{
    QTest::addColumn<QStringList>("files"); // the products' "file" values, in order
    QTest::addColumn<QStringList>("placed"); // packages in installs, digests beside them
    QTest::addColumn<QStringList>("available"); // server paths that answer with a package
    QTest::addColumn<QStringList>("givenUp"); // the files the report names, as configured
    QTest::addColumn<QStringList>("reasons"); // what the report says after each of them

    QStringList twelve;
    for (int i = 1; i <= 12; ++i)
        twelve << QStringLiteral("/pkg%1.msi").arg(i);
    // Products beyond the tenth slot and hidden ones are fetched all the same.
    QTest::newRow("twelve products, all fetched")
        << twelve << QStringList() << twelve << QStringList() << QStringList();

    const QStringList mixed {QStringLiteral("/good.msi"), QStringLiteral("/gone.msi"),
        QStringLiteral("missing.msi"), QStringLiteral("/no-extension"), QString()};
    QTest::newRow("some given up")
        << mixed << QStringList() << QStringList {QStringLiteral("/good.msi")}
        << QStringList {QStringLiteral("/gone.msi"), QStringLiteral("missing.msi"),
               QStringLiteral("/no-extension")}
        << QStringList {QStringLiteral("not found on the server (HTTP 404)"),
               QStringLiteral("the file is not there"),
               QStringLiteral("the file name cannot be stored")};

    // Nothing to fetch.
    QTest::newRow("no products") << QStringList() << QStringList() << QStringList() << QStringList()
                                 << QStringList();
    QTest::newRow("only empty file values") << QStringList {QString(), QString()} << QStringList()
                                            << QStringList() << QStringList() << QStringList();
    const QStringList present {QStringLiteral("a.msi"), QStringLiteral("b.msp")};
    QTest::newRow("packages present with matching digests")
        << QStringList {QStringLiteral("/a.msi"), QStringLiteral("/b.msp")} << present
        << QStringList() << QStringList() << QStringList();
    QTest::newRow("local path present") << QStringList {QStringLiteral("a.msi")} << present
                                        << QStringList() << QStringList() << QStringList();
}

void tst_Download::downloadAllEndsWithTheReport()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, placed);
    QFETCH(QStringList, available);
    QFETCH(QStringList, givenUp);
    QFETCH(QStringList, reasons);

    FaultServer server;
    for (const QString &path : qAsConst(available))
        server.serve(path, {FaultServer::ok(package)});
    for (const QString &name : qAsConst(placed))
        QVERIFY(ScopedInstalls::place(name));
    QJsonArray products;
    for (int i = 0; i < files.size(); ++i) {
        const QJsonObject hidden {{QStringLiteral("display"), QStringLiteral("false")}};
        products << ScopedConfig::product(QStringLiteral("Product %1").arg(i),
            fileValue(server, files.at(i)), i == 0 ? hidden : QJsonObject());
    }
    WindowHarness window(products);
    QVERIFY(window.isReady());

    QStringList configured;
    for (int i = 0; i < givenUp.size(); ++i)
        configured << fileValue(server, givenUp.at(i)) + QStringLiteral(" \u2014 ") + reasons.at(i);
    const QString expected = givenUp.isEmpty() ? doneMessage() : failureMessage(configured);

    QVERIFY(window.click(QStringLiteral("buttonDownload")));
    // With nothing to fetch or check the report comes within the click.
    if (available.isEmpty() && placed.isEmpty())
        QCOMPARE(window.property("feedbackText", "text").toString(), expected);
    QTRY_COMPARE_WITH_TIMEOUT(
        window.property("feedbackText", "text").toString(), expected, PassTimeout);
    QCOMPARE(window.property("feedbackText", "visible").toBool(), true);
    QCOMPARE(window.property("mainProgressBar", "visible").toBool(), false);
    QCOMPARE(window.property("checkBoxHolder", "visible").toBool(), false);
    QCOMPARE(window.property("buttonDownload", "visible").toBool(), false);
    QCOMPARE(window.property("buttonInstall", "visible").toBool(), false);
    for (const QString &path : qAsConst(available)) {
        QCOMPARE(server.count(path), 1);
        QVERIFY(QFile::exists(ScopedInstalls::path() + path));
    }
    if (available.isEmpty())
        QCOMPARE(server.requests(), QStringList());
}

void tst_Download::statusLineFollowsThePass_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("secondSizeKnown");
    QTest::addColumn<QString>("status"); // while the first 1000 bytes of each have arrived
    QTest::addColumn<double>("share"); // negative: the bar moves without a value

    QTest::newRow("sizes known") << "en" << true
                                 << QString::fromUtf8(
                                        "Downloading file 1 of 2 (2.0\u00a0kB of 7.8\u00a0kB)")
                                 << 0.25;
    QTest::newRow("one size unknown")
        << "en" << false << QString::fromUtf8("Downloading file 1 of 2 (2.0\u00a0kB)") << -1.0;
    QTest::newRow("German")
        << "de" << true
        << QString::fromUtf8("Datei 1 von 2 wird heruntergeladen (2,0\u00a0kB von 7,8\u00a0kB)")
        << 0.25;
    QTest::newRow("French") << "fr" << false
                            << QString::fromUtf8("Téléchargement du fichier 1 sur 2 (2,0\u00a0ko)")
                            << -1.0;
}

void tst_Download::statusLineFollowsThePass()
{
    QFETCH(QString, language);
    QFETCH(bool, secondSizeKnown);
    QFETCH(QString, status);
    QFETCH(double, share);

    ScopedTranslation translation(language);
    QVERIFY(translation.isValid());
    const QByteArray body(4000, 'x');
    FaultServer server;
    server.serve("/a.msi", {FaultServer::paused(body.left(1000), body.mid(1000))});
    FaultServer::Response second = FaultServer::paused(body.left(1000), body.mid(1000));
    second.unannounced = !secondSizeKnown;
    server.serve("/b.msi", {second});
    WindowHarness window({ScopedConfig::product("A", server.url("/a.msi").toString()),
        ScopedConfig::product("B", server.url("/b.msi").toString())});
    QVERIFY(window.isReady());

    QVERIFY(window.click(QStringLiteral("buttonDownload")));
    QTRY_COMPARE_WITH_TIMEOUT(
        window.property("feedbackText", "text").toString(), status, PassTimeout);
    QCOMPARE(window.property("mainProgressBar", "indeterminate").toBool(), share < 0);
    if (share >= 0)
        QCOMPARE(window.property("mainProgressBar", "value").toDouble(), share);
    QCOMPARE(window.property("feedbackText", "visible").toBool(), true);
    QCOMPARE(window.property("mainProgressBar", "visible").toBool(), true);
    QCOMPARE(window.property("checkBoxHolder", "visible").toBool(), false);
    for (const char *button : {"buttonDownload", "buttonInstall"}) {
        QCOMPARE(window.property(QLatin1String(button), "visible").toBool(), false);
        QCOMPARE(window.property(QLatin1String(button), "enabled").toBool(), false);
    }

    server.release();
    QTRY_COMPARE_WITH_TIMEOUT(
        window.property("mainProgressBar", "visible").toBool(), false, PassTimeout);
}

void tst_Download::manySmallFilesRefreshTheWindowAFewTimesASecond()
{
    FaultServer server;
    QJsonArray products;
    for (int i = 0; i < 60; ++i) {
        const QString path = QStringLiteral("/small%1.msi").arg(i);
        server.serve(path, {FaultServer::ok(package, 4)});
        products << ScopedConfig::product(path, server.url(path).toString());
    }
    WindowHarness window(products);
    QVERIFY(window.isReady());
    QSignalSpy lines(window.object("feedbackText"), SIGNAL(textChanged(QString)));
    QVERIFY(lines.isValid());

    QElapsedTimer pass;
    pass.start();
    QVERIFY(window.click(QStringLiteral("buttonDownload")));
    QTRY_COMPARE_WITH_TIMEOUT(
        window.property("feedbackText", "text").toString(), doneMessage(), PassTimeout);
    const qint64 elapsed = pass.elapsed();

    // The first line and the final report come at once; in between, at most four refreshes a
    // second. The rate is written out: a bound taken from the constant would follow its faults.
    const qint64 allowed = 3 + elapsed / 250;
    QVERIFY2(lines.count() <= allowed,
        qPrintable(QStringLiteral("%1 refreshes in %2 ms").arg(lines.count()).arg(elapsed)));
    QVERIFY(lines.count() >= 3); // the first line, some progress, the report
}

void tst_Download::reportOfTenFailuresStaysInItsArea()
{
    QJsonArray products;
    for (int i = 0; i < 10; ++i) {
        products << ScopedConfig::product(QStringLiteral("Product %1").arg(i),
            FaultServer::refusingUrl(QStringLiteral("/updates/2026/december/cumulative/"
                                                    "Corvane_Designer_Service_Pack_3_x64_%1.msi")
                                         .arg(i))
                .toString());
    }
    WindowHarness window(products);
    QVERIFY(window.isReady());

    QVERIFY(window.click(QStringLiteral("buttonDownload")));
    QTRY_VERIFY_WITH_TIMEOUT(
        window.property("feedbackText", "text").toString().endsWith(ScopedInstalls::path()),
        PassTimeout);
    // Every line fits across the area; the area scrolls down to the last one.
    const QQuickItem *report = window.item("feedbackText");
    const QQuickItem *area = window.item("feedbackArea");
    QVERIFY(report && area);
    QVERIFY(report->property("contentWidth").toReal() <= area->width());
    const QRectF onArea = report->mapRectToItem(area, report->boundingRect());
    QVERIFY(onArea.left() >= 0 && onArea.right() <= area->width());
    QCOMPARE(onArea.top(), 0.0);
    QVERIFY(report->height() > area->height());
    const QPointF centre = area->mapToScene(QPointF(area->width() / 2, area->height() / 2));
    const auto bottom = [report, area] {
        return report->mapRectToItem(area, report->boundingRect()).bottom();
    };
    // One notch at a time until the end shows: the scroll view may still be laying out the
    // report when the first notches arrive.
    const auto scrolledToEnd = [&] {
        QWheelEvent wheel(centre, centre, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
            Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window.window(), &wheel);
        return bottom() <= area->height() && bottom() > area->height() - 30;
    };
    QTRY_VERIFY_WITH_TIMEOUT(scrolledToEnd(), PassTimeout);
}

QTEST_MAIN(tst_Download)
#include "tst_download.moc"
