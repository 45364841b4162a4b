#include "jsonreport.h"

#include "check/checkreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using RuleCheck = DependencyManager::RuleCheck;
using RuleOutcome = DependencyManager::RuleOutcome;

// Absent rather than 0 or "", so that a script can test for the key.
void insertIf(QJsonObject &object, bool present, const QString &key, const QJsonValue &value)
{
    if (present)
        object.insert(key, value);
}

QJsonObject findingObject(const Finding &finding)
{
    QJsonObject object {
        {QStringLiteral("severity"),
            finding.isError() ? QStringLiteral("error") : QStringLiteral("warning")},
        {QStringLiteral("kind"), finding.kind},
        {QStringLiteral("message"), finding.message},
    };
    insertIf(object, finding.product > 0, QStringLiteral("product"), finding.product);
    insertIf(object, finding.product > 0, QStringLiteral("productName"), finding.productName);
    insertIf(object, finding.line > 0, QStringLiteral("line"), finding.line);
    insertIf(object, finding.line > 0, QStringLiteral("column"), finding.column);
    return object;
}

QJsonObject checkObject(const RuleOutcome &outcome, const RuleCheck &check)
{
    QJsonObject object {
        {QStringLiteral("element"), check.element},
        {QStringLiteral("holds"), check.holds},
    };
    const bool registry = outcome.rule == QLatin1String("registry");
    insertIf(object, registry, QStringLiteral("valueName"), check.valueName);
    if (outcome.rule == QLatin1String("platforms"))
        object.insert(QStringLiteral("architecture"), check.found);
    if (outcome.rule == QLatin1String("versions"))
        object.insert(QStringLiteral("installedVersion"), check.found);
    return object;
}

QJsonObject ruleObject(const RuleOutcome &outcome)
{
    QJsonArray checks;
    for (const RuleCheck &check : outcome.checks)
        checks << checkObject(outcome, check);
    QJsonObject object {
        {QStringLiteral("rule"), outcome.rule},
        {QStringLiteral("holds"), outcome.holds},
        {QStringLiteral("checks"), checks},
    };
    insertIf(object, outcome.rule == QLatin1String("versions"), QStringLiteral("guid"),
        outcome.productCode);
    return object;
}

QJsonObject productObject(const ProductExplanation &product)
{
    QJsonArray rules;
    for (const RuleOutcome &outcome : product.outcomes)
        rules << ruleObject(outcome);
    QJsonObject object {
        {QStringLiteral("position"), product.position},
        {QStringLiteral("name"), product.name},
        {QStringLiteral("hidden"), product.hidden},
        {QStringLiteral("applies"), product.applies},
        {QStringLiteral("checkBox"),
            product.checkBox > 0 ? QJsonValue(product.checkBox) : QJsonValue()},
        {QStringLiteral("windowFull"), product.leftOutByFullWindow()},
        {QStringLiteral("package"), product.packageRequirement()},
        {QStringLiteral("rules"), rules},
    };
    insertIf(object, product.rulesOf > 0, QStringLiteral("rulesOf"), product.rulesOf);
    return object;
}

QJsonObject urlObject(const UrlProbe::Answer &answer)
{
    QJsonObject object {
        {QStringLiteral("product"), answer.product},
        {QStringLiteral("productName"), answer.productName},
        {QStringLiteral("url"), answer.url},
        {QStringLiteral("fetched"), answer.fetched()},
        {QStringLiteral("status"), answer.status},
        {QStringLiteral("size"), answer.size >= 0 ? QJsonValue(double(answer.size)) : QJsonValue()},
        {QStringLiteral("digestUrl"), answer.digestUrl},
        {QStringLiteral("digestFetched"), answer.digestFetched},
        {QStringLiteral("digestStatus"), answer.digestStatus},
        {QStringLiteral("digest"), answer.digest.isEmpty() ? QJsonValue() : answer.digest},
        {QStringLiteral("digestFormat"),
            answer.digestFormat().isEmpty() ? QJsonValue() : answer.digestFormat()},
    };
    insertIf(object, !answer.error.isEmpty(), QStringLiteral("error"), answer.error);
    insertIf(
        object, !answer.digestError.isEmpty(), QStringLiteral("digestError"), answer.digestError);
    return object;
}

} // namespace

namespace JsonReport {

QByteArray format(const CheckReport &report)
{
    QJsonArray findings;
    for (const Finding &finding : report.findings)
        findings << findingObject(finding);
    QJsonArray products;
    for (const ProductExplanation &product : report.products)
        products << productObject(product);
    QJsonObject document {
        {QStringLiteral("config"), report.configPath},
        {QStringLiteral("errors"), report.count(Finding::Severity::Error)},
        {QStringLiteral("warnings"), report.count(Finding::Severity::Warning)},
        {QStringLiteral("findings"), findings},
        {QStringLiteral("architecture"),
            report.amd64 ? QStringLiteral("x64") : QStringLiteral("x86")},
        {QStringLiteral("products"), products},
    };
    if (report.urlsProbed) {
        QJsonArray urls;
        for (const UrlProbe::Answer &answer : report.urls)
            urls << urlObject(answer);
        document.insert(QStringLiteral("urls"), urls);
    }
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

} // namespace JsonReport
