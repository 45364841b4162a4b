#ifndef DEPENDENCYMANAGER_H
#define DEPENDENCYMANAGER_H

#include "config/configmanager.h"
#include "platform/systemqueries.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <memory>

/**
 * Decides whether a product of kestrun.json applies to this machine, from the rules under its
 * "dependencies" key and read-only queries of the system. A rule that cannot be evaluated does
 * not hold; nothing is reported.
 */
class DependencyManager
{
public:
    /** Reads the configuration into a ConfigManager of its own; asks this system's queries. */
    DependencyManager();
    /** As above, but asks queries instead of the system (tests give a recording one). */
    explicit DependencyManager(std::unique_ptr<SystemQueries> queries);

    /**
     * True when the product called name applies: "platforms", "versions", "registry" and
     * "installed-products" are evaluated in that order, an absent rule holds, and the first
     * rule that fails ends the evaluation without asking the system anything further.
     */
    bool checkDependencies(const QString &name);

    /** True when platforms holds "all", or "x64" on an AMD64 machine, or "x86" elsewhere. */
    bool checkPlatforms(const QJsonArray &platforms);
    /**
     * True when the product called name has a "guid" and every version rule holds against the
     * installed version of that product (compared as 0 when it is not installed).
     */
    bool checkVersions(const QString &name, const QJsonArray &versions);
    /**
     * True when, for every object in registry, each key path under HKEY_LOCAL_MACHINE holds
     * the value named under it (an empty or non-string name means the default value).
     */
    bool checkRegistry(const QJsonArray &registry);
    /** True when at least one of the product codes in products is installed. */
    bool checkInstalledProducts(const QJsonArray &products);

    /**
     * True when the version rule (operator ">", "<", "!" or "=" followed by a dotted version)
     * holds against installedVersion; false for a rule without such an operator.
     */
    static bool versionRuleHolds(const QString &installedVersion, const QString &rule);
    /**
     * Compares the split installed and required versions component by component as integers
     * (unconvertible components count as 0) under the one-character operator op. Only the
     * components both lists have are compared: the first difference decides, and when all of
     * them are equal the versions count as equal. False for an empty list or another operator.
     */
    static bool compareVersions(QStringList installed, QStringList required, QString op);

private:
    QString nativeArchitectureName();

    ConfigManager configManager;
    std::unique_ptr<SystemQueries> systemQueries;
};

#endif // DEPENDENCYMANAGER_H
