#include "dependencymanager.h"

#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>

namespace {

// Greater, less, equal, different: the one character that starts every version rule.
const QLatin1String versionOperators("><=!");

bool isNumber(const QString &component)
{
    if (component.isEmpty())
        return false;
    for (const QChar c : component) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

QStringList splitVersion(const QString &version)
{
    return version.split(QLatin1Char('.'), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

// The outcome once a pair of components differs: the first difference decides.
bool differenceHolds(const QString &op, int installed, int required)
{
    if (op == QLatin1String(">"))
        return installed > required;
    if (op == QLatin1String("<"))
        return installed < required;
    return op == QLatin1String("!");
}

} // namespace

DependencyManager::DependencyManager()
    : DependencyManager(createSystemQueries())
{ }

DependencyManager::DependencyManager(
    std::unique_ptr<SystemQueries> queries, const QString &configPath)
    : systemQueries(std::move(queries))
{
    configManager.readConfig(configPath);
}

bool DependencyManager::checkDependencies(const QString &name)
{
    return allHold(explainDependencies(name));
}

bool DependencyManager::allHold(const QList<RuleOutcome> &outcomes)
{
    // Evaluation ends at the first rule that fails, so only the last can have failed.
    return outcomes.isEmpty() || outcomes.last().holds;
}

QList<DependencyManager::RuleOutcome> DependencyManager::explainDependencies(const QString &name)
{
    const QJsonObject rules = configManager.getDependencies(name);
    QList<RuleOutcome> outcomes;
    const QStringList keys = ruleKeys();
    for (const QString &key : keys) {
        if (!rules.contains(key))
            continue;
        outcomes << explainRule(key, name, rules.value(key).toArray());
        // The rules after the first that fails are not evaluated and ask the system nothing.
        if (!outcomes.last().holds)
            break;
    }
    return outcomes;
}

bool DependencyManager::checkPlatforms(const QJsonArray &platforms)
{
    return explainPlatforms(platforms).holds;
}

QStringList DependencyManager::ruleKeys()
{
    return {QStringLiteral("platforms"), QStringLiteral("versions"), QStringLiteral("registry"),
        QStringLiteral("installed-products")};
}

DependencyManager::RuleOutcome DependencyManager::explainRule(
    const QString &rule, const QString &name, const QJsonArray &value)
{
    RuleOutcome outcome;
    if (rule == QLatin1String("platforms"))
        outcome = explainPlatforms(value);
    else if (rule == QLatin1String("versions"))
        outcome = explainVersions(name, value);
    else if (rule == QLatin1String("registry"))
        outcome = explainRegistry(value);
    else
        outcome = explainInstalledProducts(value);
    outcome.rule = rule;
    return outcome;
}

DependencyManager::RuleOutcome DependencyManager::explainPlatforms(const QJsonArray &platforms)
{
    RuleOutcome outcome;
    const QString architecture = nativeArchitectureName();
    for (const QJsonValue &platform : platforms) {
        const QString element = platform.toString();
        const bool holds = element == QLatin1String("all") || element == architecture;
        outcome.checks << RuleCheck {element, QString(), architecture, holds};
        outcome.holds = outcome.holds || holds;
    }
    return outcome;
}

DependencyManager::RuleOutcome DependencyManager::explainVersions(
    const QString &name, const QJsonArray &versions)
{
    RuleOutcome outcome;
    outcome.productCode = configManager.getGuid(name);
    if (outcome.productCode.isEmpty())
        return outcome;
    // Empty when the product is not installed, so that it compares as version 0. Every rule is
    // judged against this one answer, so judging them all asks the system nothing more.
    const QString installed = systemQueries->productVersion(outcome.productCode);
    outcome.holds = true;
    for (const QJsonValue &rule : versions) {
        const QString element = rule.toString();
        const bool holds = versionRuleHolds(installed, element);
        outcome.checks << RuleCheck {element, QString(), installed, holds};
        outcome.holds = outcome.holds && holds;
    }
    return outcome;
}

DependencyManager::RuleOutcome DependencyManager::explainRegistry(const QJsonArray &registry)
{
    RuleOutcome outcome;
    for (const QJsonValue &entry : registry) {
        const QJsonObject values = entry.toObject();
        for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
            const bool view64 = systemQueries->isNativeAmd64();
            const QString valueName = it.value().toString();
            const bool holds = systemQueries->registryValueExists(it.key(), valueName, view64);
            outcome.checks << RuleCheck {it.key(), valueName, QString(), holds};
            if (!holds)
                return outcome;
        }
    }
    outcome.holds = true;
    return outcome;
}

DependencyManager::RuleOutcome DependencyManager::explainInstalledProducts(
    const QJsonArray &products)
{
    RuleOutcome outcome;
    for (const QJsonValue &product : products) {
        const QString code = product.toString();
        outcome.holds = systemQueries->isProductInstalled(code);
        outcome.checks << RuleCheck {code, QString(), QString(), outcome.holds};
        if (outcome.holds)
            break;
    }
    return outcome;
}

bool DependencyManager::versionRuleHolds(const QString &installedVersion, const QString &rule)
{
    return compareVersions(splitVersion(installedVersion), splitVersion(rule.mid(1)), rule.left(1));
}

bool DependencyManager::isWellFormedVersionRule(const QString &rule)
{
    if (rule.size() < 2 || !versionOperators.contains(rule.at(0)))
        return false;
    const QStringList components = splitVersion(rule.mid(1));
    return std::all_of(components.cbegin(), components.cend(), isNumber);
}

bool DependencyManager::compareVersions(QStringList installed, QStringList required, QString op)
{
    const int common = qMin(installed.size(), required.size());
    for (int i = 0; i < common; ++i) {
        const int a = installed.at(i).toInt();
        const int b = required.at(i).toInt();
        if (a != b)
            return differenceHolds(op, a, b);
    }
    return common > 0 && op == QLatin1String("=");
}

QString DependencyManager::nativeArchitectureName()
{
    return systemQueries->isNativeAmd64() ? QStringLiteral("x64") : QStringLiteral("x86");
}
