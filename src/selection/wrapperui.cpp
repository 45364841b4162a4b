#include "wrapperui.h"

#include "config/configmanager.h"

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
    Q_UNUSED(sender)
    Q_UNUSED(parent)
    Q_UNUSED(num)
}
