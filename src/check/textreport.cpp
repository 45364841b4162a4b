#include "textreport.h"

#include "check/checkreport.h"
#include "rules/checkboxslots.h"

#include <QStringList>

namespace {

using RuleCheck = DependencyManager::RuleCheck;
using RuleOutcome = DependencyManager::RuleOutcome;

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString verdict(bool holds)
{
    return holds ? QStringLiteral("holds") : QStringLiteral("fails");
}

QString plural(int count, const char *noun)
{
    return QStringLiteral("%1 %2%3")
        .arg(count)
        .arg(QLatin1String(noun))
        .arg(count == 1 ? QString() : QStringLiteral("s"));
}

QString productLabel(int position, const QString &name)
{
    return QStringLiteral("product %1 %2").arg(position).arg(quoted(name));
}

QString findingLine(const Finding &finding)
{
    QString where;
    if (finding.product > 0)
        where = productLabel(finding.product, finding.productName) + QLatin1String(": ");
    else if (finding.line > 0)
        where = QStringLiteral("line %1, column %2: ").arg(finding.line).arg(finding.column);
    return QStringLiteral("  %1 %2%3 [%4]\n")
        .arg(finding.isError() ? QLatin1String("error:  ") : QLatin1String("warning:"), where,
            finding.message, finding.kind);
}

QString platformsDetail(const RuleOutcome &outcome)
{
    if (outcome.checks.isEmpty())
        return QStringLiteral("the list is empty");
    QStringList listed;
    for (const RuleCheck &check : outcome.checks)
        listed << quoted(check.element);
    return QStringLiteral("this machine is %1, the list holds %2")
        .arg(outcome.checks.first().found, listed.join(QLatin1String(", ")));
}

QString versionsDetail(const RuleOutcome &outcome)
{
    if (outcome.productCode.isEmpty())
        return QStringLiteral("the product has no \"guid\" whose version could be read");
    QStringList parts;
    for (const RuleCheck &check : outcome.checks)
        parts << QStringLiteral("%1 %2").arg(quoted(check.element), verdict(check.holds));
    const QString installed = outcome.checks.isEmpty() ? QString() : outcome.checks.first().found;
    // The version is read even without rules, but only the rules carry it back.
    const QString state = outcome.checks.isEmpty() ? QStringLiteral("no version rules")
        : installed.isEmpty()                      ? QStringLiteral("not installed (version 0)")
                              : QStringLiteral("installed as version %1").arg(installed);
    parts.prepend(QStringLiteral("%1 %2").arg(outcome.productCode, state));
    return parts.join(QLatin1String("; "));
}

QString registryDetail(const RuleOutcome &outcome, bool amd64)
{
    QStringList parts;
    for (const RuleCheck &check : outcome.checks) {
        const QString value = check.valueName.isEmpty()
            ? QStringLiteral("default value")
            : QStringLiteral("value ") + quoted(check.valueName);
        parts << QStringLiteral("HKLM\\%1 %2 %3")
                     .arg(check.element, value,
                         check.holds ? QStringLiteral("found") : QStringLiteral("missing"));
    }
    if (parts.isEmpty())
        return QStringLiteral("no values listed");
    return parts.join(QLatin1String("; "))
        + (amd64 ? QStringLiteral(" (64-bit view)") : QStringLiteral(" (default view)"));
}

QString installedDetail(const RuleOutcome &outcome)
{
    if (outcome.checks.isEmpty())
        return QStringLiteral("the list is empty");
    QStringList parts;
    for (const RuleCheck &check : outcome.checks)
        parts << check.element
                + (check.holds ? QStringLiteral(" installed") : QStringLiteral(" not installed"));
    return parts.join(QLatin1String("; "));
}

QString ruleLine(const RuleOutcome &outcome, bool amd64)
{
    QString detail;
    if (outcome.rule == QLatin1String("platforms"))
        detail = platformsDetail(outcome);
    else if (outcome.rule == QLatin1String("versions"))
        detail = versionsDetail(outcome);
    else if (outcome.rule == QLatin1String("registry"))
        detail = registryDetail(outcome, amd64);
    else
        detail = installedDetail(outcome);
    return QStringLiteral("      %1 %2: %3\n").arg(outcome.rule, verdict(outcome.holds), detail);
}

QString placement(const ProductExplanation &product)
{
    if (product.checkBox > 0)
        return QStringLiteral("check box %1").arg(product.checkBox);
    if (product.leftOutByFullWindow())
        return QStringLiteral("no check box: it applies, but the window's %1 boxes are taken")
            .arg(CheckBoxSlots::Count);
    return QStringLiteral("no check box: the %1 rule fails")
        .arg(quoted(product.outcomes.last().rule));
}

QString productBlock(const ProductExplanation &product, bool amd64)
{
    QString text = QStringLiteral("  %1: %2\n")
                       .arg(productLabel(product.position, product.name), placement(product));
    if (product.hidden)
        text += QStringLiteral("      hidden: \"display\" hides its box; ticked, it is still "
                               "installed\n");
    text += QStringLiteral("      package: %1\n").arg(product.packageRequirement());
    if (product.rulesOf > 0)
        text += QStringLiteral("      judged by the rules of product %1, the first of this "
                               "name\n")
                    .arg(product.rulesOf);
    if (product.outcomes.isEmpty())
        text += QStringLiteral("      no rules: offered on every machine\n");
    for (const RuleOutcome &outcome : product.outcomes)
        text += ruleLine(outcome, amd64);
    return text;
}

QString urlBlock(const UrlProbe::Answer &answer)
{
    const QString package = answer.fetched()
        ? QStringLiteral("HTTP %1, %2")
              .arg(answer.status)
              .arg(answer.size < 0 ? QStringLiteral("size unknown")
                                   : QStringLiteral("%1 bytes").arg(answer.size))
        : (answer.error.isEmpty() ? QStringLiteral("HTTP %1").arg(answer.status) : answer.error);
    QString digest;
    if (!answer.digestFetched)
        digest = answer.digestError.isEmpty() ? QStringLiteral("HTTP %1").arg(answer.digestStatus)
                                              : answer.digestError;
    else if (answer.digest.isEmpty())
        digest = QStringLiteral("HTTP %1, no digest line").arg(answer.digestStatus);
    else
        digest = QStringLiteral("HTTP %1, %2 %3")
                     .arg(answer.digestStatus)
                     .arg(answer.digestFormat().isEmpty() ? QStringLiteral("unrecognised digest")
                                                          : answer.digestFormat(),
                         answer.digest);
    return QStringLiteral("  %1\n      %2: %3\n      %4: %5\n")
        .arg(productLabel(answer.product, answer.productName), answer.url, package,
            answer.digestUrl, digest);
}

} // namespace

namespace TextReport {

QString format(const CheckReport &report)
{
    const int errors = report.count(Finding::Severity::Error);
    const int warnings = report.count(Finding::Severity::Warning);
    QString text = QStringLiteral("Configuration: %1\n\n").arg(report.configPath);

    text += QStringLiteral("Findings: %1, %2\n")
                .arg(plural(errors, "error"), plural(warnings, "warning"));
    for (const Finding &finding : report.findings)
        text += findingLine(finding);

    text += QStringLiteral("\nOn this machine (%1):\n")
                .arg(report.amd64 ? QStringLiteral("64-bit, x64") : QStringLiteral("32-bit, x86"));
    if (report.products.isEmpty())
        text += QStringLiteral("  no products: the window stays empty\n");
    for (const ProductExplanation &product : report.products)
        text += productBlock(product, report.amd64);

    if (report.urlsProbed) {
        text += QStringLiteral("\nPackages and digest files:\n");
        if (report.urls.isEmpty())
            text += QStringLiteral("  no package is a URL\n");
        for (const UrlProbe::Answer &answer : report.urls)
            text += urlBlock(answer);
    }
    return text;
}

} // namespace TextReport
