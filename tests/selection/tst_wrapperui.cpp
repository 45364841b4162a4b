#include "placedwindow.h"
#include "rules/checkboxslots.h"
#include "window/windowitems.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

namespace {

const QString unplacedLabel = QStringLiteral("Check Box");

using WindowItems::checkBoxName;
using WindowItems::labelName;

/** A product whose "linked-products-ui" is links (any JSON value), shown unless told. */
QJsonObject product(const QString &name, const QJsonValue &links = QJsonArray(), bool shown = true)
{
    QJsonObject more {{QStringLiteral("dependencies"),
        QJsonObject {{QStringLiteral("linked-products-ui"), links}}}};
    if (!shown)
        more.insert(QStringLiteral("display"), QStringLiteral("false"));
    return ScopedConfig::product(name, name + QLatin1String(".msi"), more);
}

QJsonObject hidden(const QString &name, const QJsonValue &links = QJsonArray())
{
    return product(name, links, false);
}

/** Labels of the ticked check boxes, hidden and unplaced slots included, sorted. */
QStringList tickedLabels(const WindowHarness &window)
{
    QStringList labels;
    for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot) {
        if (window.property(checkBoxName(slot), "checked") == QVariant(true))
            labels << window.property(labelName(slot), "text").toString();
    }
    labels.sort();
    return labels;
}

bool clickLabelled(WindowHarness &window, const QString &name)
{
    return window.click(window.checkBoxOf(name));
}

} // namespace

class tst_WrapperUI : public QObject
{
    Q_OBJECT

private slots:
    void clicksFollowLinks_data();
    void clicksFollowLinks();
    void onlyUserClicksRunTheHandler();
    void everyBoxReportsItself_data();
    void everyBoxReportsItself();
};

void tst_WrapperUI::clicksFollowLinks_data()
{
    QTest::addColumn<QJsonArray>("products");
    QTest::addColumn<QStringList>("notApplying");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("ticked");

    const QStringList all;
    const QStringList none;
    const QJsonArray toA {QStringLiteral("A")};
    const QJsonArray toB {QStringLiteral("B")};
    const QJsonArray toP {QStringLiteral("P")};

    QTest::newRow("unticking the only ticked box hides Install")
        << QJsonArray {product("P")} << all << QStringList {"P"} << none;
    QTest::newRow("ticking it again shows Install")
        << QJsonArray {product("P")} << all << QStringList {"P", "P"} << QStringList {"P"};
    QTest::newRow("ticking one of several shows Install")
        << QJsonArray {product("P"), product("Q")} << all << QStringList {"P", "Q", "Q"}
        << QStringList {"Q"};

    QTest::newRow("unticking P unticks the A it lists")
        << QJsonArray {product("P", toA), product("A")} << all << QStringList {"P"} << none;
    QTest::newRow("ticking P ticks the A it lists")
        << QJsonArray {product("P", toA), product("A")} << all << QStringList {"P", "P"}
        << QStringList {"A", "P"};
    QTest::newRow("unticking A directly leaves P ticked") << QJsonArray {product("P", toA),
        product("A")} << all << QStringList {"A"} << QStringList {"P"};

    const QJsonArray shared {product("P", toA), product("Q", toA), product("A")};
    QTest::newRow("P and Q list A: unticking P keeps A for Q")
        << shared << all << QStringList {"P"} << QStringList {"A", "Q"};
    QTest::newRow("P and Q list A: unticking Q afterwards unticks A")
        << shared << all << QStringList {"P", "Q"} << none;

    const QJsonArray chain {product("P", toA), product("A", toB), product("B")};
    QTest::newRow("chain P A B: unticking P unticks A and B")
        << chain << all << QStringList {"P"} << none;
    QTest::newRow("chain P A B: ticking P ticks A and B")
        << chain << all << QStringList {"A", "P", "P"} << QStringList {"A", "B", "P"};
    const QJsonArray heldChain {
        product("P", toA), product("A", toB), product("B"), product("Q", toB)};
    QTest::newRow("chain stops at B while Q lists it")
        << heldChain << all << QStringList {"P"} << QStringList {"B", "Q"};
    QTest::newRow("chain end is released once Q is unticked")
        << heldChain << all << QStringList {"P", "Q"} << none;
    QTest::newRow("diamond unticks the shared product after both parents")
        << QJsonArray {product("P", QJsonArray {"A", "B"}), product("A", QJsonArray {"C"}),
               product("B", QJsonArray {"C"}), product("C")}
        << all << QStringList {"P"} << none;
    QTest::newRow("ticking follows the links of an already ticked product")
        << QJsonArray {product("P", toA), product("Q", toA), product("A", toB), product("B")} << all
        << QStringList {"B", "P", "P"} << QStringList {"A", "B", "P", "Q"};

    QTest::newRow("hidden linked product is unticked with P")
        << QJsonArray {product("P", toA), hidden("A")} << all << QStringList {"P"} << none;
    QTest::newRow("hidden linked product is ticked with P") << QJsonArray {product("P", toA),
        hidden("A")} << all << QStringList {"P", "P"} << QStringList {"A", "P"};
    QTest::newRow("hidden ticked product keeps Install visible")
        << QJsonArray {product("P"), hidden("H")} << all << QStringList {"P"} << QStringList {"H"};
    QTest::newRow("hidden holder keeps the hidden linked product and Install")
        << QJsonArray {product("P", toA), hidden("A"), hidden("G", toA)} << all << QStringList {"P"}
        << QStringList {"A", "G"};

    // X would sit in slot 2 by its place in the file; A takes that slot instead.
    QTest::newRow("linked product that does not apply is ignored")
        << QJsonArray {product("P", QJsonArray {"X"}), product("X", toA), product("A")}
        << QStringList {"X"} << QStringList {"A", "P", "P"} << QStringList {"P"};
    QTest::newRow("linked product named like an empty slot is ignored")
        << QJsonArray {product("P", QJsonArray {unplacedLabel}), product(unplacedLabel)}
        << QStringList {unplacedLabel} << QStringList {"P", "P"} << QStringList {"P"};
    QTest::newRow("linked product missing from the file is ignored")
        << QJsonArray {product("P", QJsonArray {"Missing", "A"}), product("A")} << all
        << QStringList {"A", "P", "P"} << QStringList {"A", "P"};
    QTest::newRow("links match names case-sensitively")
        << QJsonArray {product("P", QJsonArray {"a"}), product("A")} << all
        << QStringList {"A", "P", "P"} << QStringList {"P"};
    QTest::newRow("links given as one string instead of a list are ignored")
        << QJsonArray {product("P", QStringLiteral("A")), product("A")} << all << QStringList {"P"}
        << QStringList {"A"};
    QTest::newRow("non-string entries of the list are skipped")
        << QJsonArray {product("P", QJsonArray {42, QJsonValue::Null, "A"}), product("A")} << all
        << QStringList {"P"} << none;

    const QJsonArray pair {product("P", toA), product("A", toP)};
    QTest::newRow("cycle of two: unticking P ends with both unticked")
        << pair << all << QStringList {"P"} << none;
    QTest::newRow("cycle of two: ticking P ends with both ticked")
        << pair << all << QStringList {"P", "P"} << QStringList {"A", "P"};
    QTest::newRow("cycle of two: unticking A ends with both unticked")
        << pair << all << QStringList {"A"} << none;
    const QJsonArray self {product("P", toP), product("Q")};
    QTest::newRow("product listing itself: unticking ends")
        << self << all << QStringList {"P"} << QStringList {"Q"};
    QTest::newRow("product listing itself: ticking ends")
        << self << all << QStringList {"P", "P"} << QStringList {"P", "Q"};
    const QJsonArray triangle {product("P", toA), product("A", toB), product("B", toP)};
    QTest::newRow("cycle of three: unticking A ends with all unticked")
        << triangle << all << QStringList {"A"} << none;
    QTest::newRow("cycle of three: ticking A ends with all ticked")
        << triangle << all << QStringList {"A", "A"} << QStringList {"A", "B", "P"};
    QTest::newRow("cycle held by another ticked product ends")
        << QJsonArray {product("P", toA), product("A", toP), product("Q", toA)} << all
        << QStringList {"P"} << QStringList {"A", "Q"};
}

void tst_WrapperUI::clicksFollowLinks()
{
    QFETCH(QJsonArray, products);
    QFETCH(QStringList, notApplying);
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, ticked);

    PlacedWindow run(products, notApplying);
    QVERIFY(run.isReady());
    WindowHarness &window = run.window();

    for (const QString &name : qAsConst(clicks))
        QVERIFY2(clickLabelled(window, name), qPrintable(name));

    QCOMPARE(tickedLabels(window), ticked);
    QCOMPARE(window.property("buttonInstall", "visible").toBool(), !ticked.isEmpty());
    // Only start-up enables the button; clicks show and hide it.
    QCOMPARE(window.property("buttonInstall", "enabled").toBool(), true);
}

void tst_WrapperUI::onlyUserClicksRunTheHandler()
{
    PlacedWindow run(QJsonArray {product("P", QJsonArray {"A"}), product("A"), product("B")});
    QVERIFY(run.isReady());
    WindowHarness &window = run.window();

    const QStringList names {"P", "A", "B"};
    std::vector<std::unique_ptr<QSignalSpy>> clicked;
    for (const QString &name : names) {
        clicked.push_back(std::make_unique<QSignalSpy>(
            window.object(window.checkBoxOf(name)), SIGNAL(clicked())));
        QVERIFY(clicked.back()->isValid());
    }
    auto clickCounts = [&clicked] {
        QList<int> counts;
        for (const auto &spy : clicked)
            counts << spy->count();
        return counts;
    };

    // Unticking from code runs no handler: P keeps A, and Install stays shown with none ticked.
    window.object(window.checkBoxOf("P"))->setProperty("checked", false);
    QCOMPARE(tickedLabels(window), (QStringList {"A", "B"}));
    for (const QString &name : names)
        window.object(window.checkBoxOf(name))->setProperty("checked", false);
    QCOMPARE(clickCounts(), (QList<int> {0, 0, 0}));
    QCOMPARE(window.property("buttonInstall", "visible").toBool(), true);

    // The user's click ticks P and, through the link, A, without a click on A.
    QVERIFY(clickLabelled(window, "P"));
    QCOMPARE(tickedLabels(window), (QStringList {"A", "P"}));
    QCOMPARE(clickCounts(), (QList<int> {1, 0, 0}));
    QCOMPARE(window.property("buttonInstall", "visible").toBool(), true);
}

void tst_WrapperUI::everyBoxReportsItself_data()
{
    QTest::addColumn<int>("slot");
    for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot)
        QTest::addRow("box %d", slot) << slot;
}

void tst_WrapperUI::everyBoxReportsItself()
{
    // Ten products, each linked to its own partner five boxes away: a box whose click handler
    // names another box moves the wrong partner.
    QFETCH(int, slot);
    const int count = CheckBoxSlots::Count;
    const auto nameOf = [](int box) { return QStringLiteral("Product %1").arg(box); };
    const auto partnerOf = [count](int box) { return (box + count / 2 - 1) % count + 1; };
    QJsonArray products;
    QStringList all;
    for (int box = 1; box <= count; ++box) {
        products << product(nameOf(box), QJsonArray {nameOf(partnerOf(box))});
        all << nameOf(box);
    }
    all.sort();
    PlacedWindow run(products);
    QVERIFY(run.isReady());
    WindowHarness &window = run.window();
    QCOMPARE(window.checkBoxOf(nameOf(slot)), checkBoxName(slot));

    QVERIFY(clickLabelled(window, nameOf(slot)));
    QStringList others = all;
    others.removeOne(nameOf(slot));
    others.removeOne(nameOf(partnerOf(slot)));
    QCOMPARE(tickedLabels(window), others);

    QVERIFY(clickLabelled(window, nameOf(slot)));
    QCOMPARE(tickedLabels(window), all);
}

QTEST_MAIN(tst_WrapperUI)
#include "tst_wrapperui.moc"
