#ifndef TEXTREPORT_H
#define TEXTREPORT_H

#include <QString>

struct CheckReport;

/** The report as an administrator reads it on a console. */
namespace TextReport {

QString format(const CheckReport &report);

} // namespace TextReport

#endif // TEXTREPORT_H
