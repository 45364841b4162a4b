#ifndef CHECKREPORT_H
#define CHECKREPORT_H

#include "check/finding.h"
#include "check/productexplanation.h"
#include "check/urlprobe.h"

#include <QList>
#include <QString>

/** Everything one check of a configuration found, ready to be written as text or JSON. */
struct CheckReport
{
    QString configPath;
    QList<Finding> findings;
    /** The machine the explanations are for. */
    bool amd64 = false;
    QList<ProductExplanation> products;
    bool urlsProbed = false;
    QList<UrlProbe::Answer> urls;

    int count(Finding::Severity severity) const
    {
        return int(std::count_if(findings.cbegin(), findings.cend(),
            [severity](const Finding &finding) { return finding.severity == severity; }));
    }
};

#endif // CHECKREPORT_H
