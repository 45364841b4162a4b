#ifndef WIN32SYSTEM_H
#define WIN32SYSTEM_H

#include <optional>
#include <string>

/**
 * The Windows system, registry and Windows Installer queries, in plain Win32 without Qt, so
 * that they build with any Windows C++ compiler. Every key and handle opened is closed again.
 */
namespace Win32System {

/** True when GetNativeSystemInfo reports PROCESSOR_ARCHITECTURE_AMD64. */
bool isNativeAmd64();

/**
 * True when keyPath under HKEY_LOCAL_MACHINE opens with KEY_READ (plus KEY_WOW64_64KEY when
 * view64 is set) and its value valueName (empty: the default value) reads into 8192 bytes.
 */
bool registryValueExists(const std::wstring &keyPath, const std::wstring &valueName, bool view64);

/** True when MsiOpenProductW opens the product with that product code. */
bool isProductInstalled(const std::wstring &productCode);

/**
 * The "ProductVersion" of the product with that product code; no value when it is not
 * installed, an empty string when it is installed but the property cannot be read.
 */
std::optional<std::wstring> productVersion(const std::wstring &productCode);

/**
 * The full path of a program in the system folder (GetSystemDirectoryW), such as
 * C:\Windows\System32\msiexec.exe; empty when the folder cannot be read.
 */
std::wstring systemProgramPath(const std::wstring &program);

} // namespace Win32System

#endif // WIN32SYSTEM_H
