// EditorRuntime.exe: the demo's .exe installer. It "installs" the runtime by recording its
// command line in HKLM\SOFTWARE\Corvane\Editor Runtime (value Parameters, 64-bit view), so
// that the demo can show which parameters it was given, and exits 0; 1603 (fatal error during
// installation) when it cannot write there. Plain Win32, built with mingw-w64.

#include <windows.h>

#include <string>

int wmain(int argc, wchar_t **argv)
{
    std::wstring parameters;
    for (int i = 1; i < argc; ++i)
        parameters += (i > 1 ? L" " : L"") + std::wstring(argv[i]);

    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Corvane\\Editor Runtime", 0, nullptr, 0,
            KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;
    const auto bytes = static_cast<DWORD>((parameters.size() + 1) * sizeof(wchar_t));
    const LSTATUS written = RegSetValueExW(
        key, L"Parameters", 0, REG_SZ, reinterpret_cast<const BYTE *>(parameters.c_str()), bytes);
    RegCloseKey(key);
    return written == ERROR_SUCCESS ? 0 : ERROR_INSTALL_FAILURE;
}
