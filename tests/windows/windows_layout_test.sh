#!/usr/bin/env bash
# The folder scripts/build-windows.sh lays out ships as it stands on a clean Windows: it holds
# the executables, the platform plugin, the window's QML modules, OpenSSL and every DLL anything
# in it imports; and the DLL check fails, naming it, when one of those DLLs is taken away.
#
# Usage: windows_layout_test.sh <source folder> <shipped folder> <work folder>
set -euo pipefail
source=$(cd "$1" && pwd)
shipped=$2
work=$3

# shellcheck source=../support/checks.sh
source "$source/tests/support/checks.sh"
[[ -f $shipped/kestrun.exe ]] ||
    missing_prerequisite "no kestrun.exe in $shipped" "bash scripts/build-windows.sh builds it"
for file in kestrun.exe kestrun-check.exe kestrun.json kestrun.schema.json qt.conf \
    localization/kestrun_de.qm platforms/qwindows.dll libssl-3-x64.dll libcrypto-3-x64.dll \
    qml/QtQuick/Controls/qmldir qml/QtQuick/Dialogs/qmldir qml/QtQuick.2/qmldir; do
    check "$file" test -f "$shipped/$file"
done
check "every imported DLL is there" bash "$source/scripts/check-windows-dlls.sh" "$shipped"

rm -rf "$work"
mkdir -p "$work"
cp -r "$shipped" "$work/folder"
rm "$work/folder/libwinpthread-1.dll"
status=0
output=$(bash "$source/scripts/check-windows-dlls.sh" "$work/folder" 2>&1) || status=$?
check "the check fails without libwinpthread-1.dll" test "$status" -ne 0
check "and names the DLL and who imports it" \
    grep -Fq "missing: libwinpthread-1.dll, imported by libstdc++-6.dll" <<<"$output"

checks_passed
rm -rf "$work"
echo "PASS: the Windows folder holds what it needs"
