#ifndef FIXEDARCHITECTUREQUERIES_H
#define FIXEDARCHITECTUREQUERIES_H

#include "platform/systemqueries.h"

/**
 * A machine of a given architecture with nothing in its registry and nothing installed: what
 * the platform rule alone makes of a configuration on a 64-bit or a 32-bit Windows.
 */
class FixedArchitectureQueries : public SystemQueries
{
public:
    explicit FixedArchitectureQueries(bool amd64);

    bool isNativeAmd64() override;
    bool registryValueExists(
        const QString &keyPath, const QString &valueName, bool view64) override;
    bool isProductInstalled(const QString &productCode) override;
    QString productVersion(const QString &productCode) override;

private:
    bool amd64;
};

#endif // FIXEDARCHITECTUREQUERIES_H
