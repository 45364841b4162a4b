#include "tally.h"

#include <cstdio>

namespace {

QString mark(bool failed)
{
    return failed ? QStringLiteral("**yes**") : QStringLiteral("no");
}

} // namespace

void Tally::print(const QString &title) const
{
    QStringList lines {title, QString(),
        QStringLiteral("| Case | Seconds | Hang | Crash | Damaged file accepted | "
                       "Unverified installer run | Window showed |"),
        QStringLiteral("|---|---|---|---|---|---|---|")};
    int hangs = 0, crashes = 0, damaged = 0, unverified = 0;
    for (const Case &outcome : cases) {
        QString shown = outcome.shown;
        shown.replace(QLatin1Char('|'), QLatin1Char('/'));
        lines << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 |")
                     .arg(outcome.name)
                     .arg(outcome.seconds, 0, 'f', 1)
                     .arg(mark(outcome.hung), mark(outcome.crashed), mark(outcome.damagedAccepted),
                         mark(outcome.unverifiedRun), shown);
        hangs += outcome.hung;
        crashes += outcome.crashed;
        damaged += outcome.damagedAccepted;
        unverified += outcome.unverifiedRun;
    }
    lines << QString()
          << QStringLiteral("| Cases run | Hangs | Crashes | Damaged files accepted | "
                            "Unverified installers run |")
          << QStringLiteral("|---|---|---|---|---|")
          << QStringLiteral("| %1 | %2 | %3 | %4 | %5 |")
                 .arg(cases.size())
                 .arg(hangs)
                 .arg(crashes)
                 .arg(damaged)
                 .arg(unverified);
    std::printf("\n%s\n\n", qPrintable(lines.join(QLatin1Char('\n'))));
    std::fflush(stdout);
}
