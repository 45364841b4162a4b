#include "configcheck.h"

#include "check/configfile.h"
#include "check/configlint.h"
#include "config/configmanager.h"

namespace ConfigCheck {

CheckReport run(const QString &configPath, std::unique_ptr<SystemQueries> queries)
{
    CheckReport report;
    report.configPath = configPath;
    ConfigFile file;
    if (file.read(configPath))
        report.findings = ConfigLint(file.object(), configPath).findings();
    else
        report.findings = file.findings();
    report.amd64 = queries->isNativeAmd64();
    report.products = ProductExplanation::explainAll(configPath, std::move(queries));
    return report;
}

void probeUrls(const QString &configPath, UrlProbe &probe)
{
    ConfigManager config;
    config.readConfig(configPath);
    probe.probe(config.getNameList(), config.getFileList(), config.getPinnedDigests());
}

void addUrls(CheckReport &report, const UrlProbe &probe)
{
    report.urlsProbed = true;
    report.urls = probe.answers();
    report.findings += probe.findings();
}

} // namespace ConfigCheck
