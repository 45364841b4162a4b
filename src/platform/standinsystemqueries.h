#ifndef STANDINSYSTEMQUERIES_H
#define STANDINSYSTEMQUERIES_H

#include "platform/systemqueries.h"

/**
 * A machine with nothing in its registry and nothing installed: the system queries where there
 * is no Windows registry or Windows Installer, and what the platform rule alone makes of a
 * configuration on a 64-bit or a 32-bit Windows. Answers at once.
 */
class StandInSystemQueries : public SystemQueries
{
public:
    /** A machine of the running system's architecture. */
    StandInSystemQueries();
    /** A machine that is AMD64 when amd64 is set and x86 otherwise. */
    explicit StandInSystemQueries(bool amd64);

    /** The machine's architecture as given or found at construction. */
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

private:
    bool amd64;
};

#endif // STANDINSYSTEMQUERIES_H
