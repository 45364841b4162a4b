// Version rules and installed versions as arbitrary text: "installed version\nrule". Whatever
// the text, the comparison must answer, and its answers must agree with each other.

#include "fuzzapplication.h"
#include "rules/dependencymanager.h"

namespace {

bool holds(const QString &installed, const QString &op, const QString &required)
{
    return DependencyManager::versionRuleHolds(installed, op + required);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const int newline = text.indexOf(QLatin1Char('\n'));
    const QString installed = newline < 0 ? QString() : text.left(newline);
    const QString rule = text.mid(newline + 1);

    (void)DependencyManager::versionRuleHolds(installed, rule);

    // The same versions under the four operators: "=" and "!" never agree, "!" holds exactly
    // when ">" or "<" does, and ">" and "<" never hold together.
    const QString required = rule.mid(1);
    const bool equal = holds(installed, QStringLiteral("="), required);
    const bool different = holds(installed, QStringLiteral("!"), required);
    const bool greater = holds(installed, QStringLiteral(">"), required);
    const bool less = holds(installed, QStringLiteral("<"), required);
    FuzzApplication::require(
        equal != different && different == (greater || less) && !(greater && less));
    // Swapping the sides swaps the order.
    FuzzApplication::require(greater == holds(required, QStringLiteral("<"), installed));
    return 0;
}
