// Runs Win32Installer under a script's control, so that the script can see what Windows (or
// Wine) does with it:
//   installerprobe hold <file>               holds the file, lets another process of its own try
//                                            it, releases it and lets one try again; prints
//                                            "held: ..." and "released: ..."
//   installerprobe start <program> <tail> [<held file>]
//                                            starts program with that command line tail, the
//                                            file held while it runs, and prints "exit <code>",
//                                            or "not started" and whether it was refused
//   installerprobe exit <code>               ends with that code
//   installerprobe record <arguments...>     writes each argument as Windows split them, one a
//                                            line in brackets, to arguments.txt
//   installerprobe elevated                  prints "elevated yes" or "elevated no"
//   installerprobe limited <tail>            runs itself with that tail under the limited token
//                                            linked to its own, as a standard user's program
// The other process's findings come back as the bits of its exit code:
//   installerprobe try <file>                1 read, 2 written, 4 renamed, 8 deleted

#include "platform/win32installer.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

enum Access { Read = 1, Written = 2, Renamed = 4, Deleted = 8 };

bool opens(const std::wstring &path, DWORD access)
{
    const HANDLE file = CreateFileW(path.c_str(), access,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool renames(const std::wstring &path)
{
    const std::wstring moved = path + L".moved";
    if (!MoveFileExW(path.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING))
        return false;
    // Back under its own name, for the deletion to find it.
    return MoveFileExW(moved.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

int tryFile(const std::wstring &path)
{
    return (opens(path, GENERIC_READ) ? Read : 0) | (opens(path, GENERIC_WRITE) ? Written : 0)
        | (renames(path) ? Renamed : 0) | (DeleteFileW(path.c_str()) ? Deleted : 0);
}

std::wstring quoted(const std::wstring &text)
{
    return L"\"" + text + L"\"";
}

std::wstring thisProgram()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Runs program with tail and waits for it; -1 when it did not start.
long long runToEnd(const std::wstring &program, const std::wstring &tail, bool &refused)
{
    void *process = Win32Installer::startElevatedIfRequired(program, tail, refused);
    if (!process)
        return -1;
    WaitForSingleObject(process, INFINITE);
    return (long long)(Win32Installer::takeExitCode(process));
}

void printFindings(const wchar_t *state, long long found)
{
    const auto said = [found](int bit) { return found >= 0 && (found & bit) ? L"yes" : L"no"; };
    std::wprintf(L"%ls: read %ls, write %ls, rename %ls, delete %ls\n", state, said(Read),
        said(Written), said(Renamed), said(Deleted));
}

int hold(const std::wstring &path)
{
    void *held = Win32Installer::holdFile(path);
    if (!held) {
        std::wprintf(L"not held\n");
        return 1;
    }
    bool refused = false;
    const std::wstring tail = L"try " + quoted(path);
    printFindings(L"held", runToEnd(thisProgram(), tail, refused));
    Win32Installer::releaseFile(held);
    printFindings(L"released", runToEnd(thisProgram(), tail, refused));
    return 0;
}

int start(const std::wstring &program, const std::wstring &tail, const wchar_t *heldFile)
{
    void *held = heldFile ? Win32Installer::holdFile(heldFile) : nullptr;
    if (heldFile && !held) {
        std::wprintf(L"not held\n");
        return 1;
    }
    bool refused = false;
    const long long code = runToEnd(program, tail, refused);
    Win32Installer::releaseFile(held);
    if (code < 0)
        std::wprintf(L"not started, refused %ls\n", refused ? L"yes" : L"no");
    else
        std::wprintf(L"exit %lld\n", code);
    return 0;
}

int record(int count, wchar_t **arguments)
{
    FILE *file = _wfopen(L"arguments.txt", L"w, ccs=UTF-8");
    if (!file)
        return 1;
    for (int i = 0; i < count; ++i)
        std::fwprintf(file, L"[%ls]\n", arguments[i]);
    std::fclose(file);
    return 0;
}

// A full administrator token carries the limited one that UAC gives the same user's programs.
int runLimited(const std::wstring &tail)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 1;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = sizeof linked;
    const bool hasLinked =
        GetTokenInformation(token, TokenLinkedToken, &linked, size, &size) != 0;
    CloseHandle(token);
    if (!hasLinked)
        return 1;
    std::wstring commandLine = quoted(thisProgram()) + L" " + tail;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    const bool ran = CreateProcessAsUserW(linked.LinkedToken, nullptr, &commandLine[0], nullptr,
        nullptr, FALSE, 0, nullptr, nullptr, &startup, &started);
    CloseHandle(linked.LinkedToken);
    if (!ran)
        return 1;
    CloseHandle(started.hThread);
    WaitForSingleObject(started.hProcess, INFINITE);
    return int(Win32Installer::takeExitCode(started.hProcess));
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"hold" && argc == 3)
        return hold(argv[2]);
    if (command == L"try" && argc == 3)
        return tryFile(argv[2]);
    if (command == L"start" && (argc == 4 || argc == 5))
        return start(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (command == L"exit" && argc == 3)
        return std::wcstol(argv[2], nullptr, 10);
    if (command == L"record")
        return record(argc - 2, argv + 2);
    if (command == L"elevated" && argc == 2) {
        std::wprintf(L"elevated %ls\n", Win32Installer::isElevated() ? L"yes" : L"no");
        return 0;
    }
    if (command == L"limited" && argc == 3)
        return runLimited(argv[2]);
    return 2;
}
