#ifndef STANDINSYSTEMQUERIES_H
#define STANDINSYSTEMQUERIES_H

#include "platform/systemqueries.h"

/**
 * The system queries where there is no Windows registry or Windows Installer: the running
 * system's architecture, and nothing in the registry or installed. Answers at once.
 */
class StandInSystemQueries : public SystemQueries
{
public:
    /** The running system's CPU architecture is x86_64. */
    bool isNativeAmd64() override;
    /** Always false: there is no registry. */
    bool registryValueExists(
        const QString &keyPath, const QString &valueName, bool view64) override;
    /** Always false: nothing is installed through Windows Installer. */
    bool isProductInstalled(const QString &productCode) override;
    /** Always empty: nothing is installed. */
    QString productVersion(const QString &productCode) override;

    /** True for the QSysInfo architecture name that means AMD64 ("x86_64"). */
    static bool isAmd64Architecture(const QString &cpuArchitecture);
};

#endif // STANDINSYSTEMQUERIES_H
