// Runs the Win32 layer under a script's control, so that the script can see what Windows (or
// Wine) does with it. The installer's code:
//   win32probe hold <file>                   holds the file, lets another process of its own try
//                                            it, releases it and lets one try again; prints
//                                            "held: ..." and "released: ..."
//   win32probe busy <file>                   has another process of its own open the file as a
//                                            scanner may, shutting others out, and prints how a
//                                            hold of it ends meanwhile: "in use"
//   win32probe start <program> <tail> [<held file>]
//                                            starts program with that command line tail on a
//                                            thread of its own, as a prompt for administrator
//                                            rights is answered, the file held while it runs,
//                                            and prints "exit <code>", or "not started" and
//                                            whether it was refused
//   win32probe exit <code>                   ends with that code
//   win32probe record <arguments...>         writes each argument as Windows split them, one a
//                                            line in brackets, to arguments.txt
//   win32probe elevated                      prints "elevated yes" or "elevated no"
//   win32probe limited <tail>                runs itself with that tail under the limited token
//                                            linked to its own, as a standard user's program
// The other process's findings come back as the bits of its exit code:
//   win32probe try <file>                    1 read, 2 written, 4 renamed, 8 deleted
// The rest of the layer:
//   win32probe system <program name>         prints the full path of a program of the system
//                                            folder
//   win32probe universal <path>              prints the path's UNC name on a mapped network
//                                            drive, the path itself elsewhere
//   win32probe console <count of x> <text>   writes that many x, the text and a new line as
//                                            kestrun-check does: through the console's
//                                            wide-character output when the standard output is
//                                            a console, else "no console" through the file API
//   win32probe signature <file>              holds the file and prints its signature: "unsigned",
//                                            "valid <signer>" or "invalid <status>"
//   win32probe hash <piece size> <file>...   prints each file's MD5 and SHA-256, fed in pieces of
//                                            that size, as md5sum and sha256sum print them; one
//                                            engine per algorithm serves every file, so that each
//                                            digest after the first shows that a finished engine
//                                            starts over

#include "platform/win32console.h"
#include "platform/win32hash.h"
#include "platform/win32installer.h"
#include "platform/win32signature.h"
#include "platform/win32system.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>

namespace {

enum Access { Read = 1, Written = 2, Renamed = 4, Deleted = 8 };

bool opens(const std::wstring &path, DWORD access)
{
    const HANDLE file =
        CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    const auto aside = Win32Installer::startElevatedAside(program, tail, GetConsoleWindow());
    WaitForSingleObject(aside.aside->done, INFINITE);
    refused = aside.started->refused;
    void *process = aside.started->process;
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

void *held(const std::wstring &path)
{
    void *handle = nullptr;
    Win32Installer::holdFile(path, handle);
    return handle;
}

// A scanner's process: opens the file shutting others out, says so, and waits to be ended.
int scan(const std::wstring &path)
{
    const HANDLE file = CreateFileW(
        path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"KestrunProbeScanning"));
    Sleep(INFINITE);
    return 0;
}

int busy(const std::wstring &path)
{
    const HANDLE scanning = CreateEventW(nullptr, TRUE, FALSE, L"KestrunProbeScanning");
    std::wstring commandLine = quoted(thisProgram()) + L" scan " + quoted(path);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION scanner = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
            &startup, &scanner))
        return 1;
    CloseHandle(scanner.hThread);
    WaitForSingleObject(scanning, 30000);
    void *handle = nullptr;
    const Win32Installer::Hold hold = Win32Installer::holdFile(path, handle);
    Win32Installer::releaseFile(handle);
    TerminateProcess(scanner.hProcess, 0);
    WaitForSingleObject(scanner.hProcess, INFINITE);
    CloseHandle(scanner.hProcess);
    CloseHandle(scanning);
    std::wprintf(L"%ls\n",
        hold == Win32Installer::Hold::InUse      ? L"in use"
            : hold == Win32Installer::Hold::Held ? L"held"
                                                 : L"not held");
    return 0;
}

int printSignature(const std::wstring &path)
{
    void *held = ::held(path);
    if (!held) {
        std::wprintf(L"not held\n");
        return 1;
    }
    const Win32Signature::Verdict verdict = Win32Signature::verify(path);
    Win32Installer::releaseFile(held);
    if (verdict.trust == Win32Signature::Trust::Invalid)
        std::wprintf(L"invalid 0x%08lx\n", static_cast<unsigned long>(verdict.status));
    else if (verdict.trust == Win32Signature::Trust::Valid)
        std::wprintf(L"valid %ls\n", verdict.signer.c_str());
    else
        std::wprintf(L"unsigned\n");
    return 0;
}

int hold(const std::wstring &path)
{
    void *held = ::held(path);
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
    void *held = heldFile ? ::held(heldFile) : nullptr;
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
    const bool hasLinked = GetTokenInformation(token, TokenLinkedToken, &linked, size, &size) != 0;
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

int writeToConsole(const wchar_t *count, const wchar_t *text)
{
    if (!Win32Console::isStandardOutputConsole()) {
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "no console\n", 11, &written, nullptr);
        return 0;
    }
    const std::wstring line =
        std::wstring(size_t(std::wcstol(count, nullptr, 10)), L'x') + text + L"\n";
    return Win32Console::writeToStandardOutput(line) ? 0 : 1;
}

std::string hex(const std::string &digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::string digestOf(Win32Hash &hash, const std::string &data, std::size_t piece)
{
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const std::size_t size = std::min(piece, data.size() - at);
        hash.add(reinterpret_cast<const unsigned char *>(data.data() + at), size);
    }
    return hex(hash.finish());
}

int hashFiles(const wchar_t *pieceSize, int count, wchar_t **files)
{
    const std::size_t piece = std::wcstoul(pieceSize, nullptr, 10);
    Win32Hash md5(HashAlgorithm::Md5);
    Win32Hash sha256(HashAlgorithm::Sha256);
    if (piece == 0 || !md5.isValid() || !sha256.isValid())
        return 1;
    for (int i = 0; i < count; ++i) {
        std::ifstream file(files[i], std::ios::binary);
        const std::string data(std::istreambuf_iterator<char>(file), {});
        std::wprintf(L"md5 %hs  %ls\n", digestOf(md5, data, piece).c_str(), files[i]);
        std::wprintf(L"sha256 %hs  %ls\n", digestOf(sha256, data, piece).c_str(), files[i]);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"hold" && argc == 3)
        return hold(argv[2]);
    if (command == L"busy" && argc == 3)
        return busy(argv[2]);
    if (command == L"scan" && argc == 3)
        return scan(argv[2]);
    if (command == L"universal" && argc == 3) {
        std::wprintf(L"%ls\n", Win32Installer::universalPath(argv[2]).c_str());
        return 0;
    }
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
    if (command == L"system" && argc == 3) {
        std::wprintf(L"%ls\n", Win32System::systemProgramPath(argv[2]).c_str());
        return 0;
    }
    if (command == L"console" && argc == 4)
        return writeToConsole(argv[2], argv[3]);
    if (command == L"signature" && argc == 3)
        return printSignature(argv[2]);
    if (command == L"hash" && argc >= 4)
        return hashFiles(argv[2], argc - 3, argv + 3);
    return 2;
}
