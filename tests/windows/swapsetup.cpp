// An .exe installer that tampers with the next product's package: it copies the file named by
// its first argument over the one named by its second, which lies beside it (in the folder the
// packages were downloaded to), and writes "replaced", or why not, to C:\swapsetup.txt.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t *argv[])
{
    if (argc != 3)
        return 2;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring target = self;
    target.erase(target.find_last_of(L'\\') + 1);
    target += argv[2];
    const bool replaced = CopyFileW(argv[1], target.c_str(), FALSE) != 0;
    const DWORD error = GetLastError();
    FILE *record = _wfopen(L"C:\\swapsetup.txt", L"w");
    if (!record)
        return 1;
    if (replaced)
        std::fputs("replaced\n", record);
    else
        std::fprintf(record, "not replaced: error %lu, %ls\n", error, target.c_str());
    std::fclose(record);
    return 0;
}
