// Writes text through Win32Console as kestrun-check does, so that a script can see what a
// console shows of it:  consoleprobe <count of x> <text>
// prints that many x, then the text and a new line, through the console's wide-character output
// when the standard output is a console, or "no console" through the file API when it is not.

#include "platform/win32console.h"

#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3)
        return 2;
    if (!Win32Console::isStandardOutputConsole()) {
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "no console\n", 11, &written, nullptr);
        return 0;
    }
    const std::wstring text =
        std::wstring(size_t(std::wcstol(argv[1], nullptr, 10)), L'x') + argv[2] + L"\n";
    return Win32Console::writeToStandardOutput(text) ? 0 : 1;
}
