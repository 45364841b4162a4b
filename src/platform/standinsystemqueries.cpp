#include "standinsystemqueries.h"

#include <QSysInfo>

// The architecture does not change while the program runs: it is asked once.
StandInSystemQueries::StandInSystemQueries()
    : amd64(isAmd64Architecture(QSysInfo::currentCpuArchitecture()))
{ }

StandInSystemQueries::StandInSystemQueries(bool amd64)
    : amd64(amd64)
{ }

bool StandInSystemQueries::isNativeAmd64()
{
    return amd64;
}

bool StandInSystemQueries::registryValueExists(const QString &, const QString &, bool)
{
    return false;
}

bool StandInSystemQueries::isProductInstalled(const QString &)
{
    return false;
}

QString StandInSystemQueries::productVersion(const QString &)
{
    return QString();
}

bool StandInSystemQueries::isAmd64Architecture(const QString &cpuArchitecture)
{
    return cpuArchitecture == QLatin1String("x86_64");
}
