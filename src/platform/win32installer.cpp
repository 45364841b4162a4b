#include "win32installer.h"

#include <windows.h>

#include <shellapi.h>

namespace {

// ERROR_ELEVATION_REQUIRED, which not every SDK's headers define.
constexpr DWORD ElevationRequired = 740;

} // namespace

namespace Win32Installer {

void *holdFile(const std::wstring &path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

void releaseFile(void *handle)
{
    if (handle)
        CloseHandle(handle);
}

bool isElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = sizeof elevation;
    const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, size, &size)
        && elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

void *startElevatedIfRequired(
    const std::wstring &program, const std::wstring &parameters, bool &refused)
{
    refused = false;
    // CreateProcessW may write into the command line it is given.
    std::wstring commandLine = L"\"" + program + L"\" " + parameters;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
            nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        return started.hProcess;
    }
    if (GetLastError() != ElevationRequired)
        return nullptr;
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    execute.lpVerb = L"runas";
    execute.lpFile = program.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&execute) && execute.hProcess)
        return execute.hProcess;
    refused = GetLastError() == ERROR_CANCELLED;
    return nullptr;
}

unsigned long takeExitCode(void *process)
{
    DWORD code = 0;
    if (!GetExitCodeProcess(process, &code))
        code = DWORD(-1);
    CloseHandle(process);
    return code;
}

} // namespace Win32Installer
