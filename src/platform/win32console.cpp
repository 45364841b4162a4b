#include "win32console.h"

#include <windows.h>

namespace Win32Console {

bool isStandardOutputConsole()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

bool writeToStandardOutput(const std::wstring &text)
{
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    const wchar_t *next = text.data();
    size_t left = text.size();
    while (left > 0) {
        // A console takes a bounded amount in one call; a surrogate pair stays in one piece.
        DWORD chunk = DWORD(left < 8192 ? left : 8192);
        if (chunk < left && IS_HIGH_SURROGATE(next[chunk - 1]))
            --chunk;
        DWORD written = 0;
        if (!WriteConsoleW(console, next, chunk, &written, nullptr) || written == 0)
            return false;
        next += written;
        left -= written;
    }
    return true;
}

} // namespace Win32Console
