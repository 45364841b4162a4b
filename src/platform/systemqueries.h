#ifndef SYSTEMQUERIES_H
#define SYSTEMQUERIES_H

#include <QString>

#include <memory>

/**
 * The read-only questions the applicability rules ask the operating system. Every call asks
 * afresh; nothing is cached, and no failure is reported other than through the answer.
 */
class SystemQueries
{
public:
    virtual ~SystemQueries() = default;

    /** True when the machine itself (not only this process) runs AMD64 (x64). */
    virtual bool isNativeAmd64() = 0;

    /**
     * True when keyPath under HKEY_LOCAL_MACHINE opens for reading, in the 64-bit registry view
     * when view64 is set, and holds a value called valueName (empty: the key's default value)
     * whose data fits in 8192 bytes.
     */
    virtual bool registryValueExists(
        const QString &keyPath, const QString &valueName, bool view64) = 0;

    /** True when the Windows Installer product with that product code is installed. */
    virtual bool isProductInstalled(const QString &productCode) = 0;

    /**
     * The "ProductVersion" of the installed product with that product code; empty when it is
     * not installed or its version cannot be read.
     */
    virtual QString productVersion(const QString &productCode) = 0;
};

/**
 * The queries of the system this program runs on. On Windows they are the Win32 calls.
 * Elsewhere they are the query helper under Wine when kestrun-query.exe lies in helperFolder
 * (empty: the folder of the executable) and wine can be started, and the stand-in otherwise.
 */
std::unique_ptr<SystemQueries> createSystemQueries(const QString &helperFolder = QString());

#endif // SYSTEMQUERIES_H
