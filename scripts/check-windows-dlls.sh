#!/usr/bin/env bash
# Checks a folder laid out for Windows (scripts/build-windows.sh) for DLLs that would be missing
# on a clean Windows: every DLL that an executable or DLL anywhere in the folder imports (its
# import table, read with mingw-w64's objdump) must lie beside the executables, where Windows
# looks first, or be one of Windows' own. Prints each missing DLL with who imports it and fails.
#
# Usage: check-windows-dlls.sh <folder>
set -euo pipefail
folder=$1

# Windows' own DLLs, present on every Windows 7 to 11; a new import of another system DLL is
# added here after checking that every supported Windows has it.
system_dlls=(advapi32.dll bcrypt.dll comdlg32.dll crypt32.dll d3d11.dll d3d9.dll dnsapi.dll dwmapi.dll
    dxgi.dll gdi32.dll imm32.dll iphlpapi.dll kernel32.dll mpr.dll msi.dll msvcrt.dll
    netapi32.dll ntdll.dll ole32.dll oleaut32.dll opengl32.dll setupapi.dll shell32.dll
    shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll winspool.drv wintrust.dll
    ws2_32.dll wtsapi32.dll)
declare -A known
for dll in "${system_dlls[@]}"; do known[$dll]=system; done
while IFS= read -r dll; do known[${dll,,}]=shipped; done < <(
    find "$folder" -maxdepth 1 -type f -iname '*.dll' -printf '%f\n')

modules=()
while IFS= read -r -d '' module; do modules+=("$module"); done < <(
    find "$folder" -type f \( -iname '*.dll' -o -iname '*.exe' \) -print0 | sort -z)
if ((${#modules[@]} == 0)); then
    echo "check-windows-dlls: no executable or DLL in $folder" >&2
    exit 1
fi

missing=0
for module in "${modules[@]}"; do
    imports=$(x86_64-w64-mingw32-objdump -p "$module" | awk '/DLL Name:/ { print $3 }') || {
        echo "check-windows-dlls: ${module#"$folder"/} cannot be read" >&2
        missing=1
        continue
    }
    for dll in $imports; do
        name=${dll,,}
        [[ -n ${known[$name]:-} || $name == api-ms-win-* ]] ||
            { echo "missing: $dll, imported by ${module#"$folder"/}" >&2; missing=1; }
    done
done
if ((missing)); then
    echo "check-windows-dlls: $folder lacks DLLs it needs on Windows" >&2
    exit 1
fi
echo "check-windows-dlls: the ${#modules[@]} executables and DLLs in $folder find every DLL they import"
