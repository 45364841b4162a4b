#ifndef WIN32SYSTEMQUERIES_H
#define WIN32SYSTEMQUERIES_H

#include "platform/systemqueries.h"

/** The system queries on Windows: Qt strings handed to the plain Win32 calls. */
class Win32SystemQueries : public SystemQueries
{
public:
    /** GetNativeSystemInfo reports AMD64. */
    bool isNativeAmd64() override;
    /** RegOpenKeyExW and RegQueryValueExW under HKEY_LOCAL_MACHINE succeed. */
    bool registryValueExists(
        const QString &keyPath, const QString &valueName, bool view64) override;
    /** MsiOpenProductW opens the product. */
    bool isProductInstalled(const QString &productCode) override;
    /** MsiGetProductPropertyW "ProductVersion" of the opened product; empty otherwise. */
    QString productVersion(const QString &productCode) override;
};

#endif // WIN32SYSTEMQUERIES_H
