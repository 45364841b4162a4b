#include "wrapperui.h"

#include "config/configmanager.h"
#include "rules/checkboxslots.h"
#include "window/windowitems.h"

#include <QJsonValue>
#include <QVariant>

WrapperUI::WrapperUI(QObject *parent)
    : QObject(parent)
    , configManager(new ConfigManager)
{
    configManager->readConfig();
}

WrapperUI::~WrapperUI()
{
    delete configManager;
}

void WrapperUI::checkBoxClicked(QObject *sender, QObject *parent, int num)
{
    this->sender = sender;
    this->parent = parent;
    this->num = num;

    const QString name = labelText(num);
    updateCheckBoxes();
    if (this->sender) {
        // The clicked box already holds the user's new state; links only follow it.
        visited = {name};
        setLinkedProducts(name, isTicked(this->sender));
        visited.clear();
    }
    updateCheckBoxes();
}

QObject *WrapperUI::findObject(const QString &objectName) const
{
    return WindowItems::find(parent, objectName);
}

QString WrapperUI::labelText(int slot) const
{
    const QObject *label = findObject(WindowItems::labelName(slot));
    return label ? label->property("text").toString() : QString();
}

bool WrapperUI::isTicked(const QObject *checkBox)
{
    return checkBox->property("checked") == QVariant(true);
}

QJsonArray WrapperUI::linkedProducts(const QString &name)
{
    return configManager->getDependencies(name)
        .value(QLatin1String("linked-products-ui"))
        .toArray();
}

void WrapperUI::updateCheckBoxes()
{
    bool anyTicked = false;
    for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot) {
        QObject *checkBox = findObject(WindowItems::checkBoxName(slot));
        if (!checkBox)
            continue;
        // Only slots that start-up filled carry "file"; the others all read "Check Box" and
        // must not stand in for a product of that name that does not apply.
        if (checkBox->property("file").isValid())
            checkBoxes.insert(labelText(slot), checkBox);
        anyTicked = anyTicked || isTicked(checkBox);
    }
    buttonInstall = findObject(QStringLiteral("buttonInstall"));
    if (buttonInstall)
        buttonInstall->setProperty("visible", anyTicked);
}

void WrapperUI::setLinkedProducts(const QString &name, bool ticked)
{
    const QJsonArray links = linkedProducts(name);
    for (const QJsonValue &link : links) {
        const QString linked = link.toString();
        QObject *checkBox = checkBoxes.value(linked);
        if (!checkBox || visited.contains(linked))
            continue;
        if (!ticked && isLinkedByOtherChecked(name, linked))
            continue;
        visited.insert(linked);
        checkBox->setProperty("checked", ticked);
        setLinkedProducts(linked, ticked);
    }
}

bool WrapperUI::isLinkedByOtherChecked(const QString &name, const QString &linked)
{
    for (auto entry = checkBoxes.cbegin(); entry != checkBoxes.cend(); ++entry) {
        if (entry.key() != name && isTicked(entry.value())
            && linkedProducts(entry.key()).contains(QJsonValue(linked)))
            return true;
    }
    return false;
}
