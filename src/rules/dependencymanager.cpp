#include "dependencymanager.h"

#include <QJsonObject>
#include <QJsonValue>

namespace {

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

DependencyManager::DependencyManager(std::unique_ptr<SystemQueries> queries)
    : systemQueries(std::move(queries))
{
    configManager.readConfig();
}

bool DependencyManager::checkDependencies(const QString &name)
{
    const QJsonObject rules = configManager.getDependencies(name);
    const auto holds = [&rules](const char *key, const auto &check) {
        const QString ruleKey = QLatin1String(key);
        return !rules.contains(ruleKey) || check(rules.value(ruleKey).toArray());
    };
    // && keeps the order and skips the queries of every rule after the first that fails.
    return holds("platforms", [this](const QJsonArray &value) { return checkPlatforms(value); })
        && holds("versions",
            [this, &name](const QJsonArray &value) { return checkVersions(name, value); })
        && holds("registry", [this](const QJsonArray &value) { return checkRegistry(value); })
        && holds("installed-products",
            [this](const QJsonArray &value) { return checkInstalledProducts(value); });
}

bool DependencyManager::checkPlatforms(const QJsonArray &platforms)
{
    return platforms.contains(QLatin1String("all")) || platforms.contains(nativeArchitectureName());
}

bool DependencyManager::checkVersions(const QString &name, const QJsonArray &versions)
{
    const QString guid = configManager.getGuid(name);
    if (guid.isEmpty())
        return false;
    // Empty when the product is not installed, so that it compares as version 0.
    const QString installed = systemQueries->productVersion(guid);
    for (const QJsonValue &rule : versions) {
        if (!versionRuleHolds(installed, rule.toString()))
            return false;
    }
    return true;
}

bool DependencyManager::checkRegistry(const QJsonArray &registry)
{
    for (const QJsonValue &entry : registry) {
        const QJsonObject values = entry.toObject();
        for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
            const bool view64 = systemQueries->isNativeAmd64();
            if (!systemQueries->registryValueExists(it.key(), it.value().toString(), view64))
                return false;
        }
    }
    return true;
}

bool DependencyManager::checkInstalledProducts(const QJsonArray &products)
{
    for (const QJsonValue &product : products) {
        if (systemQueries->isProductInstalled(product.toString()))
            return true;
    }
    return false;
}

bool DependencyManager::versionRuleHolds(const QString &installedVersion, const QString &rule)
{
    return compareVersions(splitVersion(installedVersion), splitVersion(rule.mid(1)), rule.left(1));
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
