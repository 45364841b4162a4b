#ifndef DEPENDENCYMANAGER_H
#define DEPENDENCYMANAGER_H

#include "config/configmanager.h"

#include <QString>

/** Decides whether a product of kestrun.json applies to this machine. */
class DependencyManager
{
public:
    /** Reads the configuration into a ConfigManager of its own. */
    DependencyManager();

    /** True when the product called name applies to this machine. */
    bool checkDependencies(const QString &name);

private:
    ConfigManager configManager;
};

#endif // DEPENDENCYMANAGER_H
