#include "fixedarchitecturequeries.h"

FixedArchitectureQueries::FixedArchitectureQueries(bool amd64)
    : amd64(amd64)
{ }

bool FixedArchitectureQueries::isNativeAmd64()
{
    return amd64;
}

bool FixedArchitectureQueries::registryValueExists(const QString &, const QString &, bool)
{
    return false;
}

bool FixedArchitectureQueries::isProductInstalled(const QString &)
{
    return false;
}

QString FixedArchitectureQueries::productVersion(const QString &)
{
    return QString();
}
