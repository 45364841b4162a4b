#include "win32installer.h"

#include <windows.h>

#include <shellapi.h>
#include <winnetwk.h>

#include <vector>

namespace {

// ERROR_ELEVATION_REQUIRED, which not every SDK's headers define.
constexpr DWORD ElevationRequired = 740;

} // namespace

namespace Win32Installer {

Hold holdFile(const std::wstring &path, void *&handle)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    handle = file == INVALID_HANDLE_VALUE ? nullptr : file;
    if (handle)
        return Hold::Held;
    // A virus scanner or a backup agent reading a freshly written package, for a while.
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? Hold::InUse
                                                                             : Hold::Failed;
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

Started startElevatedIfRequired(
    const std::wstring &program, const std::wstring &parameters, void *owner)
{
    Started outcome;
    // CreateProcessW may write into the command line it is given.
    std::wstring commandLine = L"\"" + program + L"\" " + parameters;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
            nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        outcome.process = started.hProcess;
        return outcome;
    }
    if (GetLastError() != ElevationRequired)
        return outcome;
    const std::wstring file = universalPath(program);
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.hwnd = static_cast<HWND>(owner);
    execute.lpVerb = L"runas";
    execute.lpFile = file.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&execute) && execute.hProcess)
        outcome.process = execute.hProcess;
    else
        outcome.refused = GetLastError() == ERROR_CANCELLED;
    return outcome;
}

Aside::~Aside()
{
    if (done)
        CloseHandle(done);
}

std::shared_ptr<Aside> runAside(std::function<void()> work)
{
    struct Job
    {
        std::shared_ptr<Aside> aside;
        std::function<void()> work;
    };
    auto aside = std::make_shared<Aside>();
    aside->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const auto run = [](void *argument) -> DWORD {
        const std::unique_ptr<Job> job(static_cast<Job *>(argument));
        job->work();
        SetEvent(job->aside->done);
        return 0;
    };
    // Not waited for: a prompt left unanswered, or a large file being read, must not keep the
    // program alive after Exit.
    auto job = std::make_unique<Job>(Job {aside, std::move(work)});
    const HANDLE thread = CreateThread(nullptr, 0, run, job.get(), 0, nullptr);
    if (thread) {
        job.release();
        CloseHandle(thread);
    } else {
        job->work();
        SetEvent(aside->done);
    }
    return aside;
}

StartAside startElevatedAside(
    const std::wstring &program, const std::wstring &parameters, void *owner)
{
    auto started = std::make_shared<Started>();
    return {runAside([started, program, parameters, owner] {
                *started = startElevatedIfRequired(program, parameters, owner);
            }),
        started};
}

std::wstring universalPath(const std::wstring &path)
{
    const bool driveLetter = path.size() > 2 && path[1] == L':' && path[2] == L'\\';
    if (!driveLetter || GetDriveTypeW(path.substr(0, 3).c_str()) != DRIVE_REMOTE)
        return path;
    DWORD size = 0;
    UNIVERSAL_NAME_INFOW probe = {};
    if (WNetGetUniversalNameW(path.c_str(), UNIVERSAL_NAME_INFO_LEVEL, &probe, &size)
        != ERROR_MORE_DATA)
        return path;
    std::vector<char> buffer(size);
    auto info = reinterpret_cast<UNIVERSAL_NAME_INFOW *>(buffer.data());
    if (WNetGetUniversalNameW(path.c_str(), UNIVERSAL_NAME_INFO_LEVEL, info, &size) != NO_ERROR)
        return path;
    return info->lpUniversalName;
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
