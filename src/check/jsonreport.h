#ifndef JSONREPORT_H
#define JSONREPORT_H

#include <QByteArray>

struct CheckReport;

/** The report as one JSON document, for scripts. */
namespace JsonReport {

QByteArray format(const CheckReport &report);

} // namespace JsonReport

#endif // JSONREPORT_H
