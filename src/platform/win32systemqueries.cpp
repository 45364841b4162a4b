#include "win32systemqueries.h"

#include "platform/win32system.h"

std::unique_ptr<SystemQueries> createSystemQueries(const QString &)
{
    return std::make_unique<Win32SystemQueries>();
}

bool Win32SystemQueries::isNativeAmd64()
{
    return Win32System::isNativeAmd64();
}

bool Win32SystemQueries::registryValueExists(
    const QString &keyPath, const QString &valueName, bool view64)
{
    return Win32System::registryValueExists(
        keyPath.toStdWString(), valueName.toStdWString(), view64);
}

bool Win32SystemQueries::isProductInstalled(const QString &productCode)
{
    return Win32System::isProductInstalled(productCode.toStdWString());
}

QString Win32SystemQueries::productVersion(const QString &productCode)
{
    return QString::fromStdWString(
        Win32System::productVersion(productCode.toStdWString()).value_or(std::wstring()));
}
