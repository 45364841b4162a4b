#include "win32system.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

namespace {

constexpr DWORD RegistryBufferBytes = 8192;
constexpr DWORD VersionBufferUnits = 260;

// Opens the product with the installer's own dialogs silenced, hands the handle to use and
// closes it again; false when the product is not installed.
template<typename Use>
bool withOpenProduct(const std::wstring &productCode, Use use)
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    MSIHANDLE handle = 0;
    const bool opened = MsiOpenProductW(productCode.c_str(), &handle) == ERROR_SUCCESS;
    if (opened)
        use(handle);
    if (handle != 0)
        MsiCloseHandle(handle);
    return opened;
}

} // namespace

namespace Win32System {

bool isNativeAmd64()
{
    SYSTEM_INFO info = {};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

bool registryValueExists(const std::wstring &keyPath, const std::wstring &valueName, bool view64)
{
    const REGSAM access = view64 ? KEY_READ | KEY_WOW64_64KEY : KEY_READ;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return false;
    // Only presence counts, but data beyond the buffer fails the query like a missing value.
    BYTE data[RegistryBufferBytes];
    DWORD size = RegistryBufferBytes;
    const LSTATUS result = RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr, data, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool isProductInstalled(const std::wstring &productCode)
{
    return withOpenProduct(productCode, [](MSIHANDLE) {});
}

std::optional<std::wstring> productVersion(const std::wstring &productCode)
{
    std::wstring version;
    const bool installed = withOpenProduct(productCode, [&version](MSIHANDLE handle) {
        wchar_t buffer[VersionBufferUnits] = {};
        DWORD count = VersionBufferUnits;
        // An unreadable version (too long, say) leaves the product installed with no version.
        if (MsiGetProductPropertyW(handle, L"ProductVersion", buffer, &count) == ERROR_SUCCESS)
            version.assign(buffer);
    });
    if (!installed)
        return std::nullopt;
    return version;
}

std::wstring systemProgramPath(const std::wstring &program)
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return std::wstring(folder, length) + L"\\" + program;
}

} // namespace Win32System
