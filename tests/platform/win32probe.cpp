// Asks the Win32 queries what the command line names and prints one line per question, so
// that a script can compare the answers Windows (or Wine) gives with the ones it expects.
//
//   win32probe arch
//              installed <product code>
//              version <product code>
//              value <64|default> <key path under HKLM> <value name, empty for the default>
//              systemprogram <program name>
//
// Questions follow each other on one command line. Plain Win32 C++: no Qt on this side.

#include "platform/win32system.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string narrow(const std::wstring &text)
{
    const int size = WideCharToMultiByte(
        CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], size,
        nullptr, nullptr);
    return result;
}

void answer(const std::wstring &question, const std::string &reply)
{
    std::printf("%s => %s\n", narrow(question).c_str(), reply.c_str());
}

// Answers the question that starts at args[0]; returns how many arguments it took, or 0 when
// the question is malformed.
int ask(int count, wchar_t **args)
{
    const std::wstring kind = args[0];
    if (kind == L"arch") {
        answer(kind, Win32System::isNativeAmd64() ? "AMD64" : "x86");
        return 1;
    }
    if ((kind == L"installed" || kind == L"version") && count >= 2) {
        const std::wstring code = args[1];
        const std::wstring question = kind + L" " + code;
        if (kind == L"installed") {
            answer(question, Win32System::isProductInstalled(code) ? "installed" : "not installed");
        } else {
            const auto version = Win32System::productVersion(code);
            answer(question, version ? "version \"" + narrow(*version) + "\"" : "not installed");
        }
        return 2;
    }
    if (kind == L"systemprogram" && count >= 2) {
        const std::wstring program = args[1];
        answer(kind + L" " + program, narrow(Win32System::systemProgramPath(program)));
        return 2;
    }
    if (kind == L"value" && count >= 4) {
        const std::wstring view = args[1];
        const std::wstring key = args[2];
        const std::wstring name = args[3];
        const bool present = Win32System::registryValueExists(key, name, view == L"64");
        answer(kind + L" " + view + L" [" + key + L"] [" + name + L"]",
            present ? "present" : "absent");
        return 4;
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    for (int i = 1; i < argc;) {
        const int taken = ask(argc - i, argv + i);
        if (taken == 0) {
            std::fprintf(stderr, "win32probe: cannot understand '%s'\n", narrow(argv[i]).c_str());
            return 2;
        }
        i += taken;
    }
    return 0;
}
