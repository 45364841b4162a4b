#!/usr/bin/env bash
# Checks the plain Win32 queries against a real (Wine) Windows, through the query helper that
# the build makes of them with mingw-w64 (kestrun-query.exe): prepares a fresh Wine prefix in
# which msiexec installs two of three MSI packages (one with a version too long to read) and reg
# adds some registry values, asks the helper everything over its standard input in one run,
# and compares every answer. Then, through a probe built of the Win32 layer (win32probe.cpp),
# checks the path of msiexec.exe in the system folder; holds a package and starts programs
# through the installer's Win32 code, and compares what other processes could do and what the
# programs received; writes to a terminal (Wine's console) and a pipe as kestrun-check does;
# checks the CNG digests against coreutils'; and checks, while held, the signatures of packages
# signed by osslsigncode with two keys.
#
# Usage: win32_under_wine.sh <query helper> <this test's source folder> <src folder> <work folder>
# CTest runs it through tests/support/with-tools.sh, which checks for mingw-w64, Wine and wixl.
set -euo pipefail

helper=$1
here=$(cd "$2" && pwd)
src=$(cd "$3" && pwd)
work=$4

if [[ ! -x $helper ]]; then
    echo "FAIL: the build made no query helper at $helper"
    exit 1
fi

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
cd "$work"
# shellcheck source=../support/wine.sh
source "$here/../support/wine.sh"
wine_environment "$work"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

step() { echo "== $*"; }
# Ends the test when what came differs from what was expected.
expect_same() { # what, expected, actual
    diff -u "$2" "$3" && return
    echo "FAIL: $1 (- expected, + actual)"
    exit 1
}

alpha_code="{6B1D3C57-2A43-4E0B-9C1F-0D2E8A7B5C31}"
beta_code="{C4E2A9F0-7D18-4B6A-8E35-91F0B2D4A6E7}"
gamma_code="{5D7E9F10-3B2C-4A6D-B8E9-0F1A2B3C4D5E}"
unknown_code="{00000000-1111-2222-3333-444444444444}"
test_key='Software\Kestrun Test'
long_text() { printf '%*s' "$1" '' | tr ' ' x; }

# The demo's product: its registry value lies under SOFTWARE\Corvane\<name>.
build_msi() { # name code upgrade component version
    wixl -a x64 -o "$1.msi" -D ProductName="Kestrun Probe $1" -D ProductCode="$2" \
        -D UpgradeCode="$3" -D ComponentGuid="$4" -D ProductVersion="$5" -D FolderName="$1" \
        "$here/../../demo/packages/product.wxs"
}

step "building three packages with wixl"
build_msi alpha "$alpha_code" "{2F3A4B5C-6D7E-4F80-9A1B-2C3D4E5F6071}" \
    "{8A9B0C1D-2E3F-4051-8273-9485A6B7C8D9}" 14.2.31
build_msi beta "$beta_code" "{3E4F5061-7283-4495-A6B7-C8D9EAFB0C1D}" \
    "{9B0C1D2E-3F40-4152-9384-A5B6C7D8E9FA}" 3.0.0
# A ProductVersion longer than the 260 units MsiGetProductPropertyW is given.
build_msi gamma "$gamma_code" "{4A5B6C7D-8E9F-40A1-B2C3-D4E5F6071829}" \
    "{A1B2C3D4-E5F6-4718-293A-4B5C6D7E8F90}" "1.2.$(long_text 300 | tr x 9)"

step "creating a fresh 64-bit Wine prefix"
fresh_prefix

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

step "asking the query helper"
# Each request (fields separated by tabs) and the answer expected to it.
tab=$'\t'
cases=(
    "amd64" "yes"
    "installed$tab$alpha_code" "yes"
    "installed$tab$beta_code" "no"
    "installed$tab$unknown_code" "no"
    "installed$tab" "no"
    "version$tab$alpha_code" "yes${tab}14.2.31"
    "version$tab$beta_code" "no"
    "installed$tab$gamma_code" "yes"
    "version$tab$gamma_code" "yes$tab"
    "value${tab}64${tab}SOFTWARE\\Corvane\\alpha${tab}InstalledBy" "yes"
    "value${tab}64${tab}SOFTWARE\\Corvane\\beta${tab}InstalledBy" "no"
    "value${tab}64$tab$test_key${tab}Added" "yes"
    "value${tab}default$tab$test_key${tab}Added" "yes"
    "value${tab}64$tab$test_key${tab}Missing" "no"
    "value${tab}64$tab$test_key$tab" "yes"
    "value${tab}64${tab}SOFTWARE\\Corvane\\alpha$tab" "no"
    "value${tab}64${tab}Software\\No Such Key${tab}Added" "no"
    "value${tab}64$tab$test_key\\Only32${tab}Name" "no"
    "value${tab}64$tab$test_key${tab}Fits" "yes"
    "value${tab}64$tab$test_key${tab}TooLong" "no"
    "value${tab}32$tab$test_key${tab}Added" "?"
    "bogus" "?"
)
requests=() expected=("kestrun-query 1")
for ((i = 0; i < ${#cases[@]}; i += 2)); do
    requests+=("${cases[i]}")
    expected+=("${cases[i]} => ${cases[i + 1]}")
done
printf '%s\n' "${requests[@]}" >requests.txt
# Wine's own errors go to a file, to be shown when the helper fails; its messages about a program
# it cannot start land among the answers.
ask_helper() {
    local status=0
    WINEDEBUG=-all,err+all wine "$helper" <requests.txt >answers.txt 2>helper-errors.txt || status=$?
    mapfile -t answers < <(tr -d '\r' <answers.txt)
    if [[ ${answers[0]:-} != "kestrun-query 1" ]]; then
        echo "the helper did not greet (exit status $status); what Wine said:"
        cat helper-errors.txt
        return 1
    fi
}
# Only a helper that never started is asked again, once: wrong answers are never retried.
ask_helper || { step "asking the query helper again"; ask_helper; } || true
actual=("${answers[0]:-}")
for ((i = 0; i < ${#requests[@]}; ++i)); do
    actual+=("${requests[i]} => ${answers[i + 1]:-(no answer)}")
done
expect_same "the query helper's answers" <(printf '%s\n' "${expected[@]}") \
    <(printf '%s\n' "${actual[@]}")
printf '%s\n' "${actual[@]}"
echo "PASS: every answer as expected"

step "building the probe of the Win32 layer"
mingw_build -municode -I"$src" "$here/win32probe.cpp" "$src/platform/win32installer.cpp" \
    "$src/platform/win32system.cpp" "$src/platform/win32console.cpp" \
    "$src/platform/win32hash.cpp" "$src/platform/win32signature.cpp" -o win32probe.exe -lmsi \
    -ladvapi32 -lshell32 -lbcrypt -lmpr -lwintrust -lcrypt32
# Its exit status tells nothing its output does not.
probe() { wine win32probe.exe "$@" | tr -d '\r' || true; }

step "asking for msiexec.exe in the system folder"
expect_same "the path of msiexec.exe" <(echo 'C:\windows\system32\msiexec.exe') \
    <(probe system msiexec.exe)
echo "PASS: msiexec.exe of the system folder"

step "holding a package and starting programs with the installer's Win32 code"
mkdir "folder with blanks"
cp win32probe.exe "folder with blanks/recorder.exe"
cp beta.msi held.msi
recorded() { sed -e '1s/^\xef\xbb\xbf//' -e 's/\r$//' arguments.txt; }
# What another process can do with a held package, what a started program sees and returns,
# that an .exe installer and msiexec's package can run while they are held, and whether Wine's
# administrator and the standard user its token carries are elevated.
# Each command and the output expected of it.
tail='record "C:\dir with blanks\a b.msi" /q "PROP=\"quoted value\"" "" end\ "x\\\"y" "Zoë\\"'
runs=(
    "hold${tab}held.msi" "held: read yes, write no, rename no, delete no
released: read yes, write yes, rename yes, delete yes"
    "hold${tab}no such.msi" "not held"
    "busy${tab}beta.msi" "in use"
    "universal${tab}C:\\dir\\a.msi" "C:\\dir\\a.msi"
    "start${tab}win32probe.exe${tab}exit 3" "exit 3"
    "start${tab}win32probe.exe${tab}exit 0" "exit 0"
    "start${tab}folder with blanks\\recorder.exe$tab$tail" "exit 0"
    "start${tab}folder with blanks\\recorder.exe${tab}exit 4${tab}folder with blanks\\recorder.exe" "exit 4"
    "start${tab}no such program.exe${tab}exit 3" "not started, refused no"
    "elevated" "elevated yes"
    "limited${tab}elevated" "elevated no"
    "limited${tab}start win32probe.exe \"exit 3\"" "exit 3"
    "start${tab}C:\\windows\\system32\\msiexec.exe${tab}/i beta.msi /qn${tab}beta.msi" "exit 0"
)
outcomes=()
for ((i = 0; i < ${#runs[@]}; i += 2)); do
    IFS=$tab read -ra arguments <<<"${runs[i]}"
    outcomes+=("${runs[i]}" "$(LANG=C.UTF-8 probe "${arguments[@]}")")
done
expect_same "what the installer's Win32 code did" <(printf '%s\n' "${runs[@]}") \
    <(printf '%s\n' "${outcomes[@]}")
expected_arguments='[C:\dir with blanks\a b.msi]
[/q]
[PROP="quoted value"]
[]
[end\]
[x\"y]
[Zoë\]'
expect_same "the arguments the started program received" <(echo "$expected_arguments") \
    <(recorded)
expect_same "whether msiexec installed the held beta.msi" <(echo yes) \
    <(printf 'installed\t%s\n' "$beta_code" | wine "$helper" | tr -d '\r' | tail -n 1)
echo "PASS: held, started and installed as expected"

step "writing to a console and to a pipe as kestrun-check does"
text='Zoë ✓'
piped=$(LANG=C.UTF-8 probe console 2 "$text")
# script gives the program a terminal, wide enough that Wine's console never wraps, and its
# cursor and erase sequences are dropped; more than one call's worth of text must arrive whole.
shown=$(LANG=C.UTF-8 script -qec "stty cols 30000; wine win32probe.exe console 20000 '$text'" \
    /dev/null </dev/null | sed -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' | tr -d '\r' || true)
if [[ $piped != "no console" || $shown != "$(printf '%*s' 20000 '' | tr ' ' x)$text" ]]; then
    echo "FAIL: through a pipe '$piped'; on a console ${#shown} characters ending '${shown: -20}'"
    exit 1
fi
echo "PASS: a console shows the wide text whole, a pipe is no console"

step "hashing with CNG, against md5sum and sha256sum"
: >empty.bin
printf abc >abc.bin
head -c 1000000 /dev/zero | tr '\0' a >million.bin
# Many of the probe's pieces, with an odd tail.
head -c 5000011 /dev/urandom >random.bin
hashed=(empty.bin abc.bin million.bin random.bin)
expected_digests() {
    for file in "${hashed[@]}"; do
        echo "md5 $(md5sum "$file")"
        echo "sha256 $(sha256sum "$file")"
    done
}
for piece in 7 65536 100000000; do
    expect_same "CNG's digests in pieces of $piece, against coreutils'" <(expected_digests) \
        <(probe hash "$piece" "${hashed[@]}")
done
echo "PASS: CNG's digests are coreutils'"

step "signing packages with two keys, and checking their signatures while they are held"
# shellcheck source=../../scripts/signing.sh
source "$here/../../scripts/signing.sh"
make_test_signers
cp win32probe.exe unsigned.exe
sign_package publisher unsigned.exe signed.exe
sign_package other beta.msi other.msi
cp signed.exe changed.exe
change_signed_exe changed.exe
# Each package and the verdict expected of it; an untrusted root and a changed .msi only
# Windows refuses.
signatures=(unsigned.exe "unsigned" beta.msi "unsigned" signed.exe "valid Kestrun Test Publisher"
    other.msi "valid Kestrun Other Publisher" changed.exe "invalid 0x80096010")
verdicts=()
for ((i = 0; i < ${#signatures[@]}; i += 2)); do
    verdicts+=("${signatures[i]}" "$(probe signature "${signatures[i]}")")
done
expect_same "the signatures found" <(printf '%s\n' "${signatures[@]}") \
    <(printf '%s\n' "${verdicts[@]}")
echo "PASS: unsigned, signed by each name, and a changed .exe refused"
wineserver -k
wineserver -w
rm -rf "$work/prefix"
