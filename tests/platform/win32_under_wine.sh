#!/usr/bin/env bash
# Checks the plain Win32 queries against a real (Wine) Windows: builds a small probe program
# around them with mingw-w64, prepares a fresh Wine prefix in which msiexec installs two of
# three MSI packages (one with a version too long to read) and reg adds some registry values,
# and compares every answer.
#
# Usage: win32_under_wine.sh <src folder> <this test's source folder> <work folder>
# CTest runs it through tests/common/with-tools.sh, which checks for mingw-w64, Wine and wixl.
set -euo pipefail

src=$(cd "$1" && pwd)
here=$(cd "$2" && pwd)
work=$3

rm -rf "$work"
mkdir -p "$work/home"
work=$(cd "$work" && pwd)
cd "$work"

# Wine keeps everything it writes in this folder: the prefix and a home of its own. No
# display, no Mono or Gecko installers, no desktop menu entries.
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local"
export XDG_CACHE_HOME="$work/home/.cache"
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

step() { echo "== $*"; }

step "building win32probe.exe with mingw-w64"
x86_64-w64-mingw32-g++ -std=c++17 -Wall -Wextra -Werror -municode -static -I"$src" \
    "$here/win32probe.cpp" "$src/platform/win32system.cpp" -o win32probe.exe -lmsi -ladvapi32

alpha_code="{6B1D3C57-2A43-4E0B-9C1F-0D2E8A7B5C31}"
beta_code="{C4E2A9F0-7D18-4B6A-8E35-91F0B2D4A6E7}"
gamma_code="{5D7E9F10-3B2C-4A6D-B8E9-0F1A2B3C4D5E}"
unknown_code="{00000000-1111-2222-3333-444444444444}"
test_key='Software\Kestrun Test'
long_text() { printf '%*s' "$1" '' | tr ' ' x; }

build_msi() { # name code upgrade component version key
    wixl -a x64 -o "$1.msi" -D ProductName="Kestrun Probe $1" -D ProductCode="$2" \
        -D UpgradeCode="$3" -D ComponentGuid="$4" -D ProductVersion="$5" -D RegistryKey="$6" \
        "$here/probe-product.wxs"
}

step "building three packages with wixl"
build_msi alpha "$alpha_code" "{2F3A4B5C-6D7E-4F80-9A1B-2C3D4E5F6071}" \
    "{8A9B0C1D-2E3F-4051-8273-9485A6B7C8D9}" 14.2.31 "$test_key\\Alpha"
build_msi beta "$beta_code" "{3E4F5061-7283-4495-A6B7-C8D9EAFB0C1D}" \
    "{9B0C1D2E-3F40-4152-9384-A5B6C7D8E9FA}" 3.0.0 "$test_key\\Beta"
# A ProductVersion longer than the 260 units MsiGetProductPropertyW is given.
build_msi gamma "$gamma_code" "{4A5B6C7D-8E9F-40A1-B2C3-D4E5F6071829}" \
    "{A1B2C3D4-E5F6-4718-293A-4B5C6D7E8F90}" "1.2.$(long_text 300 | tr x 9)" "$test_key\\Gamma"

step "creating a fresh 64-bit Wine prefix"
wine wineboot --init >/dev/null 2>&1
wineserver -w

step "installing alpha.msi and gamma.msi with msiexec"
wine msiexec /i alpha.msi /qn
wine msiexec /i gamma.msi /qn
step "adding registry values with reg"
add_value() { wine reg add "HKLM\\$test_key" "$@" /f >/dev/null; }
add_value /v Added /t REG_SZ /d added
add_value /ve /t REG_SZ /d "default value"
# A REG_SZ of 4095 characters and its terminator take exactly the 8192 bytes the query reads.
add_value /v Fits /t REG_SZ /d "$(long_text 4095)"
add_value /v TooLong /t REG_SZ /d "$(long_text 4096)"
wine reg add "HKLM\\$test_key\\Only32" /v Name /t REG_SZ /d 32-bit /reg:32 /f >/dev/null
wineserver -w

step "asking the Win32 queries"
questions=(
    arch
    installed "$alpha_code"
    installed "$beta_code"
    installed "$unknown_code"
    installed ""
    version "$alpha_code"
    version "$beta_code"
    installed "$gamma_code"
    version "$gamma_code"
    value 64 "$test_key\\Alpha" InstalledBy
    value 64 "$test_key\\Beta" InstalledBy
    value 64 "$test_key" Added
    value default "$test_key" Added
    value 64 "$test_key" Missing
    value 64 "$test_key" ""
    value 64 "$test_key\\Alpha" ""
    value 64 'Software\No Such Key' Added
    value 64 "$test_key\\Only32" Name
    value 64 "$test_key" Fits
    value 64 "$test_key" TooLong
    systemprogram msiexec.exe
)
expected="arch => AMD64
installed $alpha_code => installed
installed $beta_code => not installed
installed $unknown_code => not installed
installed  => not installed
version $alpha_code => version \"14.2.31\"
version $beta_code => not installed
installed $gamma_code => installed
version $gamma_code => version \"\"
value 64 [$test_key\\Alpha] [InstalledBy] => present
value 64 [$test_key\\Beta] [InstalledBy] => absent
value 64 [$test_key] [Added] => present
value default [$test_key] [Added] => present
value 64 [$test_key] [Missing] => absent
value 64 [$test_key] [] => present
value 64 [$test_key\\Alpha] [] => absent
value 64 [Software\\No Such Key] [Added] => absent
value 64 [$test_key\\Only32] [Name] => absent
value 64 [$test_key] [Fits] => present
value 64 [$test_key] [TooLong] => absent
systemprogram msiexec.exe => C:\\windows\\system32\\msiexec.exe"

actual=$(wine win32probe.exe "${questions[@]}" | tr -d '\r')
if ! diff -u <(echo "$expected") <(echo "$actual"); then
    echo "FAIL: the Win32 queries answered differently (- expected, + actual)"
    exit 1
fi
echo "$actual"
echo "PASS: every answer as expected"
wineserver -w
rm -rf "$work/prefix"
