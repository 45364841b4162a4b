#include "childscript.h"
#include "install/install.h"
#include "recordingstandin.h"
#include "scopedinstalls.h"
#include "window/windowitems.h"
#include "windowharness.h"

#include <QJsonArray>
#include <QQuickWindow>
#include <QTest>

#include <algorithm>

namespace {

const QString successHeading = QStringLiteral("Successfully installed the following products.");
const QString failureHeading = QStringLiteral("Failed to install the following products.");

using WindowItems::checkBoxName;

QJsonObject product(const QString &name, const QString &file, const QJsonObject &more = {})
{
    return ScopedConfig::product(name, file, more);
}

/** Three products A, B and C with the packages a.msi, b.msi and c.msi. */
QJsonArray threeProducts()
{
    return {product("A", "a.msi"), product("B", "b.msi"), product("C", "c.msi")};
}

/** The placed window with the products' packages in the installs folder and the recording
    stand-in on PATH. */
class InstallWindow : public WindowHarness
{
public:
    explicit InstallWindow(const QJsonArray &products)
        : WindowHarness(products)
    {
        packagesPlaced = std::all_of(products.begin(), products.end(), [&](const QJsonValue &p) {
            const QString file = p.toObject().value(QStringLiteral("file")).toString();
            return installs.place(file);
        });
    }

    bool isReady() const { return WindowHarness::isReady() && packagesPlaced; }
    /** Has the window's runs started by script, as Windows reports their codes. */
    void runByScript(ChildScript &script)
    {
        InstallManager &manager = window()->findChild<Install *>()->manager();
        manager.setChildFactory(script.factory());
        manager.setPatience({{1, 1, 1}, {1, 1, 1}});
    }

    RecordingStandIn standIn;

private:
    ScopedInstalls installs;
    bool packagesPlaced = false;
};

/** What the status line and the bar show, each time the line changes. */
class StatusRecorder : public QObject
{
    Q_OBJECT
public:
    explicit StatusRecorder(WindowHarness &window)
        : window(window)
    {
        connect(window.object(QStringLiteral("feedbackText")), SIGNAL(textChanged(QString)), this,
            SLOT(record()));
    }

    QStringList lines;

public slots:
    void record()
    {
        const bool moving =
            window.property(QStringLiteral("mainProgressBar"), "indeterminate").toBool();
        const double value = window.property(QStringLiteral("mainProgressBar"), "value").toDouble();
        lines << window.property(QStringLiteral("feedbackText"), "text").toString()
                + QLatin1String(" | ")
                + (moving ? QStringLiteral("moving") : QString::number(value, 'f', 2));
    }

private:
    WindowHarness &window;
};

} // namespace

class tst_Install : public QObject
{
    Q_OBJECT

private slots:
    void report_data();
    void report();
    void nothingTicked();
    void lockedDuringRunAndClosingLeavesInstallerAlone();
    void statusLineNamesEachStep();
};

void tst_Install::report_data()
{
    QTest::addColumn<QJsonArray>("products");
    QTest::addColumn<QList<int>>("unticked");
    QTest::addColumn<QVariantMap>("exitCodes"); // by the ending of the package's file
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QStringList>("labels"); // and the lines after them

    QTest::newRow("boxes 1 and 3 installed") << threeProducts() << QList<int> {2} << QVariantMap()
                                             << successHeading << QStringList {"A", "C"};
    QTest::newRow("same file in two boxes, labelled by the later")
        << QJsonArray {product("Earlier", "fix.msi"), product("Later", "fix.msi")} << QList<int>()
        << QVariantMap() << successHeading << QStringList {"Later"};
    QTest::newRow("ticked hidden product is installed")
        << QJsonArray {product("Shown", "a.msi"),
               product("Hidden", "b.msi", {{"display", "false"}})}
        << QList<int>() << QVariantMap() << successHeading << QStringList {"Shown", "Hidden"};
    QTest::newRow("report follows the boxes' order")
        << QJsonArray {product("Zeta", "z.msi"), product("Alpha", "a.msi"),
               product("Mike", "m.exe"), product("Bravo", "b.msp"), product("Yankee", "y.msi"),
               product("Echo", "e.msi")}
        << QList<int>() << QVariantMap() << successHeading
        << QStringList {"Zeta", "Alpha", "Mike", "Bravo", "Yankee", "Echo"};
    QTest::newRow("failures follow the boxes' order")
        << QJsonArray {product("Zeta", "z.msi"), product("Alpha", "a.msi"),
               product("Mike", "m.exe"), product("Bravo", "b.msp"), product("Yankee", "y.msi")}
        << QList<int>() << QVariantMap {{"y.msi", 1}, {"a.msi", 1}, {"b.msp", 1}, {"z.msi", 1}}
        << failureHeading
        << QStringList {"Zeta — exit code 1", "Alpha — exit code 1", "Bravo — exit code 1",
               "Yankee — exit code 1"};
    // Installed short of a restart is a failure by the rule; the report says what to do.
    QTest::newRow("a restart needed")
        << threeProducts() << QList<int> {2} << QVariantMap {{"a.msi", 3010}} << failureHeading
        << QStringList {"A — installed; Windows must restart to finish "
                        "(exit code 3010)",
               "", "Restart Windows to finish installing."};
}

void tst_Install::report()
{
    QFETCH(QJsonArray, products);
    QFETCH(QList<int>, unticked);
    QFETCH(QVariantMap, exitCodes);
    QFETCH(QString, heading);
    QFETCH(QStringList, labels);
    InstallWindow window(products);
    QVERIFY(window.isReady());
    ChildScript script;
    for (auto it = exitCodes.cbegin(); it != exitCodes.cend(); ++it)
        script.setCodes(it.key(), {it.value().toInt()});
    window.runByScript(script);

    for (int number : qAsConst(unticked)) {
        QVERIFY(window.click(checkBoxName(number)));
        QTRY_COMPARE(window.property(checkBoxName(number), "checked").toBool(), false);
    }
    QVERIFY(window.click(QStringLiteral("buttonInstall")));
    // Reported: the report in place of the boxes and the bar, only "Exit" left.
    QTRY_COMPARE(window.property(QStringLiteral("mainProgressBar"), "visible").toBool(), false);
    for (const QString &gone : {QStringLiteral("checkBoxHolder"), QStringLiteral("buttonInstall"),
             QStringLiteral("buttonDownload")})
        QCOMPARE(window.property(gone, "visible").toBool(), false);
    QCOMPARE(window.property(QStringLiteral("feedbackText"), "visible").toBool(), true);
    QCOMPARE(window.property(QStringLiteral("buttonExit"), "visible").toBool(), true);

    // The heading, an empty line, one label per line in the boxes' order, no final break.
    const QStringList lines =
        window.property(QStringLiteral("feedbackText"), "text").toString().split('\n');
    QCOMPARE(lines.value(0), heading);
    QCOMPARE(lines.value(1, QStringLiteral("no second line")), QString());
    QCOMPARE(lines.mid(2), labels);
    QVERIFY(!script.overlapped());
}

void tst_Install::nothingTicked()
{
    InstallWindow window(threeProducts());
    QVERIFY(window.isReady());
    // Unticked as the selection logic does it, which leaves "Install" showing.
    for (int number = 1; number <= 3; ++number)
        window.object(checkBoxName(number))->setProperty("checked", false);

    QVERIFY(window.click(QStringLiteral("buttonInstall")));

    QTRY_COMPARE(window.property(QStringLiteral("feedbackText"), "visible").toBool(), true);
    QCOMPARE(
        window.property(QStringLiteral("feedbackText"), "text").toString(), successHeading + '\n');
    QCOMPARE(window.property(QStringLiteral("checkBoxHolder"), "visible").toBool(), false);
    QVERIFY(window.standIn.calls().isEmpty());
}

void tst_Install::lockedDuringRunAndClosingLeavesInstallerAlone()
{
    InstallWindow window(threeProducts());
    QVERIFY(window.isReady());
    QVERIFY(window.click(checkBoxName(2)));
    QTRY_COMPARE(window.property(checkBoxName(2), "checked").toBool(), false);
    window.standIn.hold();

    QVERIFY(window.click(QStringLiteral("buttonInstall")));
    QTRY_COMPARE(window.standIn.calls().size(), 1);

    // Running: everything locked but "Exit", the status line in the column's place.
    QCOMPARE(window.property(QStringLiteral("mainProgressBar"), "visible").toBool(), true);
    for (const QString &button :
        {QStringLiteral("buttonInstall"), QStringLiteral("buttonDownload")}) {
        QCOMPARE(window.property(button, "visible").toBool(), false);
        QCOMPARE(window.property(button, "enabled").toBool(), false);
    }
    QCOMPARE(window.property(QStringLiteral("buttonExit"), "enabled").toBool(), true);
    for (int number = 1; number <= 10; ++number)
        QCOMPARE(window.property(checkBoxName(number), "enabled").toBool(), false);
    for (int number = 1; number <= 3; ++number)
        QCOMPARE(window.property(checkBoxName(number), "checked").toBool(), number != 2);
    QCOMPARE(window.property(QStringLiteral("checkBoxHolder"), "visible").toBool(), false);
    QCOMPARE(window.property(QStringLiteral("feedbackText"), "visible").toBool(), true);
    QCOMPARE(window.property(QStringLiteral("feedbackText"), "text").toString(),
        QStringLiteral("Installing A (1 of 2)"));

    // Closed: the running installer finishes on its own; no later package is started.
    window.close();
    window.standIn.release();
    QTRY_COMPARE(window.standIn.finishedCalls().size(), 1);
    QCOMPARE(window.standIn.calls().size(), 1);
}

void tst_Install::statusLineNamesEachStep()
{
    InstallWindow window({product("Editor 2.0 Update 1", "editor.msp"),
        product("Viewer Add-in", "viewer.msi", {{"remove-first", "{OLD}"}}),
        product("Runtime", "runtime.exe", {{"display", "false"}})});
    QVERIFY(window.isReady());
    ChildScript script;
    script.setCodes(QStringLiteral("runtime.exe"), {1});
    script.setCodes(QStringLiteral("viewer.msi"), {1618, 0});
    window.runByScript(script);
    StatusRecorder status(window);

    QVERIFY(window.click(QStringLiteral("buttonInstall")));
    QTRY_COMPARE(status.lines.size(), 7);

    // Each step as it starts, with the bar at the share of items done before it; a wait for
    // another installation with the bar moving.
    QCOMPARE(status.lines,
        (QStringList {"Installing Editor 2.0 Update 1 (1 of 3) | 0.00",
            "Removing the previous version of Viewer Add-in | 0.33",
            "Installing Viewer Add-in (2 of 3) | 0.33",
            "Waiting for another installation to finish: Viewer Add-in, try 2 of 4 | moving",
            "Installing Viewer Add-in (2 of 3) | 0.33", "Installing Runtime (3 of 3) | 0.67",
            failureHeading + "\n\nRuntime — exit code 1 | 0.67"}));
}

QTEST_MAIN(tst_Install)
#include "tst_install.moc"
