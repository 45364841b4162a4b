#ifndef DEPENDENCYMANAGER_H
#define DEPENDENCYMANAGER_H

#include "config/configmanager.h"
#include "platform/systemqueries.h"

#include <QJsonArray>
#include <QList>
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
    /** One element of a rule as it was judged on this machine. */
    struct RuleCheck
    {
        /** The element as read: a platform, a version rule, a registry key path or a product
            code (a non-string reads as ""). */
        QString element;
        /** "registry" only: the value name looked for under the key ("" is the default). */
        QString valueName;
        /** What the machine answered where the answer is more than yes or no: the architecture
            ("x64" or "x86") for "platforms", the installed version ("" when not installed) for
            "versions". */
        QString found;
        bool holds = false;
    };

    /** The outcome of one rule, with the elements judged in the order they were judged. */
    struct RuleOutcome
    {
        QString rule;
        bool holds = false;
        /** "versions": the product's "guid" whose installed version was read. */
        QString productCode;
        QList<RuleCheck> checks;
    };

    /** Reads the configuration into a ConfigManager of its own; asks this system's queries. */
    DependencyManager();
    /** As above, but asks queries instead of the system (tests give a recording one), and
        reads the configuration from configPath. */
    explicit DependencyManager(std::unique_ptr<SystemQueries> queries,
        const QString &configPath = ConfigManager::configPath());

    /**
     * True when the product called name applies: "platforms", "versions", "registry" and
     * "installed-products" are evaluated in that order, an absent rule holds, and the first
     * rule that fails ends the evaluation without asking the system anything further.
     */
    bool checkDependencies(const QString &name);
    /**
     * The outcomes on which checkDependencies(name) decides, one per present rule in the order
     * of evaluation, ending with the first that fails. The product applies when none fails.
     */
    QList<RuleOutcome> explainDependencies(const QString &name);
    /** Whether the product whose rules gave outcomes applies: none of them failed. */
    static bool allHold(const QList<RuleOutcome> &outcomes);

    /** True when platforms holds "all", or "x64" on an AMD64 machine, or "x86" elsewhere. */
    bool checkPlatforms(const QJsonArray &platforms);

    /** The applicability rules' keys under "dependencies", in the order they are evaluated. */
    static QStringList ruleKeys();

    /**
     * True when the version rule (operator ">", "<", "!" or "=" followed by a dotted version)
     * holds against installedVersion; false for a rule without such an operator.
     */
    static bool versionRuleHolds(const QString &installedVersion, const QString &rule);
    /** True when rule is one operator character (">", "<", "=" or "!") followed by a dotted
        version of decimal numbers: the form in which every component counts as written. */
    static bool isWellFormedVersionRule(const QString &rule);
    /**
     * Compares the split installed and required versions component by component as integers
     * (unconvertible components count as 0) under the one-character operator op. Only the
     * components both lists have are compared: the first difference decides, and when all of
     * them are equal the versions count as equal. False for an empty list or another operator.
     */
    static bool compareVersions(QStringList installed, QStringList required, QString op);

private:
    RuleOutcome explainRule(const QString &rule, const QString &name, const QJsonArray &value);
    RuleOutcome explainPlatforms(const QJsonArray &platforms);
    RuleOutcome explainVersions(const QString &name, const QJsonArray &versions);
    RuleOutcome explainRegistry(const QJsonArray &registry);
    RuleOutcome explainInstalledProducts(const QJsonArray &products);
    QString nativeArchitectureName();

    ConfigManager configManager;
    std::unique_ptr<SystemQueries> systemQueries;
};

#endif // DEPENDENCYMANAGER_H
