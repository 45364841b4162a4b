// Prints the full path Win32System gives a program of the system folder, so that a script can
// compare it with the one Windows (or Wine) uses:  systemfolderprobe <program name>

#include "platform/win32system.h"

#include <cstdio>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2)
        return 2;
    std::wprintf(L"%ls\n", Win32System::systemProgramPath(argv[1]).c_str());
    return 0;
}
