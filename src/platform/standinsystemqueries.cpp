#include "standinsystemqueries.h"

#include <QSysInfo>

bool StandInSystemQueries::isNativeAmd64()
{
    // Asked once per rule; the architecture does not change while the program runs.
    static const bool amd64 = isAmd64Architecture(QSysInfo::currentCpuArchitecture());
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
