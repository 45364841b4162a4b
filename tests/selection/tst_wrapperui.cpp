#include "rules/checkboxslots.h"
#include "window/windowitems.h"
#include "windowharness.h"

#include <QHash>
#include <QJsonArray>
#include <QQuickWindow>
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

// A click on the box labelled name, or the key of that name pressed where the focus is.
bool press(WindowHarness &window, const QString &name)
{
    static const QHash<QString, Qt::Key> keys {{"Tab", Qt::Key_Tab}, {"Space", Qt::Key_Space},
        {"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter}};
    if (!keys.contains(name))
        return clickLabelled(window, name);
    QTest::keyClick(window.window(), keys.value(name));
    return true;
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
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QStringList>("notApplying");

    const auto row = [](const char *tag, const QJsonArray &products, const QStringList &clicks,
                         const QStringList &ticked, const QStringList &notApplying = {}) {
        QTest::newRow(tag) << products << clicks << ticked << notApplying;
    };
    const QJsonArray toA {QStringLiteral("A")};
    const QJsonArray toB {QStringLiteral("B")};
    const QJsonArray toP {QStringLiteral("P")};

    row("unticking the only ticked box hides Install", {product("P")}, {"P"}, {});
    row("ticking it again shows Install", {product("P")}, {"P", "P"}, {"P"});
    row("ticking one of several shows Install", {product("P"), product("Q")}, {"P", "Q", "Q"},
        {"Q"});
    // The first box has the focus; Return and Enter on a box start nothing.
    row("Space unticks the focused box, Return and Enter leave it", {product("P"), product("Q")},
        {"Space", "Return", "Enter"}, {"Q"});
    row("Tab moves on to the next box", {product("P"), product("Q")}, {"Tab", "Space"}, {"P"});

    row("unticking P unticks the A it lists", {product("P", toA), product("A")}, {"P"}, {});
    row("ticking P ticks the A it lists", {product("P", toA), product("A")}, {"P", "P"},
        {"A", "P"});
    row("unticking A directly leaves P ticked", {product("P", toA), product("A")}, {"A"}, {"P"});

    const QJsonArray shared {product("P", toA), product("Q", toA), product("A")};
    row("P and Q list A: unticking P keeps A for Q", shared, {"P"}, {"A", "Q"});
    row("P and Q list A: unticking Q afterwards unticks A", shared, {"P", "Q"}, {});

    const QJsonArray chain {product("P", toA), product("A", toB), product("B")};
    row("chain P A B: unticking P unticks A and B", chain, {"P"}, {});
    row("chain P A B: ticking P ticks A and B", chain, {"A", "P", "P"}, {"A", "B", "P"});
    const QJsonArray heldChain {
        product("P", toA), product("A", toB), product("B"), product("Q", toB)};
    row("chain stops at B while Q lists it", heldChain, {"P"}, {"B", "Q"});
    row("chain end is released once Q is unticked", heldChain, {"P", "Q"}, {});
    row("diamond unticks the shared product after both parents",
        {product("P", QJsonArray {"A", "B"}), product("A", QJsonArray {"C"}),
            product("B", QJsonArray {"C"}), product("C")},
        {"P"}, {});
    row("ticking follows the links of an already ticked product",
        {product("P", toA), product("Q", toA), product("A", toB), product("B")}, {"B", "P", "P"},
        {"A", "B", "P", "Q"});

    row("hidden linked product is unticked with P", {product("P", toA), hidden("A")}, {"P"}, {});
    row("hidden linked product is ticked with P", {product("P", toA), hidden("A")}, {"P", "P"},
        {"A", "P"});
    row("hidden ticked product keeps Install visible", {product("P"), hidden("H")}, {"P"}, {"H"});
    row("hidden holder keeps the hidden linked product and Install",
        {product("P", toA), hidden("A"), hidden("G", toA)}, {"P"}, {"A", "G"});

    // X would sit in slot 2 by its place in the file; A takes that slot instead.
    row("linked product that does not apply is ignored",
        {product("P", QJsonArray {"X"}), product("X", toA), product("A")}, {"A", "P", "P"}, {"P"},
        {"X"});
    row("linked product named like an empty slot is ignored",
        {product("P", QJsonArray {unplacedLabel}), product(unplacedLabel)}, {"P", "P"}, {"P"},
        {unplacedLabel});
    row("linked product missing from the file is ignored",
        {product("P", QJsonArray {"Missing", "A"}), product("A")}, {"A", "P", "P"}, {"A", "P"});
    row("links match names case-sensitively", {product("P", QJsonArray {"a"}), product("A")},
        {"A", "P", "P"}, {"P"});
    row("links given as one string instead of a list are ignored",
        {product("P", QStringLiteral("A")), product("A")}, {"P"}, {"A"});
    row("non-string entries of the list are skipped",
        {product("P", QJsonArray {42, QJsonValue::Null, "A"}), product("A")}, {"P"}, {});

    const QJsonArray pair {product("P", toA), product("A", toP)};
    row("cycle of two: unticking P ends with both unticked", pair, {"P"}, {});
    row("cycle of two: ticking P ends with both ticked", pair, {"P", "P"}, {"A", "P"});
    row("cycle of two: unticking A ends with both unticked", pair, {"A"}, {});
    const QJsonArray self {product("P", toP), product("Q")};
    row("product listing itself: unticking ends", self, {"P"}, {"Q"});
    row("product listing itself: ticking ends", self, {"P", "P"}, {"P", "Q"});
    const QJsonArray triangle {product("P", toA), product("A", toB), product("B", toP)};
    row("cycle of three: unticking A ends with all unticked", triangle, {"A"}, {});
    row("cycle of three: ticking A ends with all ticked", triangle, {"A", "A"}, {"A", "B", "P"});
    row("cycle held by another ticked product ends",
        {product("P", toA), product("A", toP), product("Q", toA)}, {"P"}, {"A", "Q"});
}

void tst_WrapperUI::clicksFollowLinks()
{
    QFETCH(QJsonArray, products);
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, ticked);
    QFETCH(QStringList, notApplying);

    WindowHarness window(products, notApplying);
    QVERIFY(window.isReady());

    for (const QString &name : qAsConst(clicks))
        QVERIFY2(press(window, name), qPrintable(name));

    QCOMPARE(tickedLabels(window), ticked);
    QCOMPARE(window.property("buttonInstall", "visible").toBool(), !ticked.isEmpty());
    // Only start-up enables the button; clicks show and hide it.
    QCOMPARE(window.property("buttonInstall", "enabled").toBool(), true);
}

void tst_WrapperUI::onlyUserClicksRunTheHandler()
{
    WindowHarness window(QJsonArray {product("P", QJsonArray {"A"}), product("A"), product("B")});
    QVERIFY(window.isReady());

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
    WindowHarness window(products);
    QVERIFY(window.isReady());
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
