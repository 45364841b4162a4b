#ifndef CONFIGCHECK_H
#define CONFIGCHECK_H

#include "check/checkreport.h"
#include "platform/systemqueries.h"

#include <memory>

class UrlProbe;

/** The check of one configuration file, put together from its parts. */
namespace ConfigCheck {

/** Reads the file at configPath as Kestrun does, lists its mistakes and explains every product
    on the machine that queries answer for. */
CheckReport run(const QString &configPath, std::unique_ptr<SystemQueries> queries);

/** Probes the URL packages of the configuration at configPath; probe ends with finished(). */
void probeUrls(const QString &configPath, UrlProbe &probe);

/** Adds what a finished probe found to report. */
void addUrls(CheckReport &report, const UrlProbe &probe);

} // namespace ConfigCheck

#endif // CONFIGCHECK_H
