#include "dependencymanager.h"

DependencyManager::DependencyManager()
{
    configManager.readConfig();
}

bool DependencyManager::checkDependencies(const QString &name)
{
    // Every product applies until the applicability rules are evaluated here.
    Q_UNUSED(name)
    return true;
}
