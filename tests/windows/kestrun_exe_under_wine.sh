#!/usr/bin/env bash
# kestrun.exe as it ships (the folder scripts/build-windows.sh lays out), run under Wine on a
# virtual display with real clicks, in a Wine prefix of this test's own where the older Corvane
# Editor 1.0 is installed and a test certificate authority is trusted. nginx serves the demo's
# packages on 127.0.0.1, the Viewer's over https with a certificate of that authority, so that
# it arrives only through the OpenSSL DLLs shipped beside the executable.
#
# First the window and the Linux window's, played with the keyboard alone on one configuration,
# are compared in pictures.
#
# Five runs, each step's checks saying what it shows: Install, the Viewer over https; Download
# All where installs cannot be made beside the program, with a Windows device name and names
# that differ only in case; Install after a package was replaced behind its check;
# kestrun-check.exe with Wine's registry and Windows Installer; and Install with a pinned
# publisher of packages signed by osslsigncode. The report is seen in pictures:
# Wine has no accessibility bridge to X for reading it.
#
# Usage: kestrun_exe_under_wine.sh <source folder> <build folder> <shipped folder> <work folder>
# CTest runs it through tests/support/with-tools.sh, which checks for the tools it needs.
set -euo pipefail
source=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
shipped=$3
work=$4

# shellcheck source=../support/checks.sh
source "$source/tests/support/checks.sh"
# shellcheck source=../support/wine.sh
source "$source/tests/support/wine.sh"
[[ -f $shipped/kestrun.exe ]] ||
    missing_prerequisite "no kestrun.exe in $shipped" "bash scripts/build-windows.sh builds it"
packages=$build/demo/packages
[[ -f $packages/Editor10.msi ]] || { echo "FAIL: the build made no demo packages"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
cp -r "$shipped" "$work/app"
cd "$work"

wine_environment "$work"
export LANG=C.UTF-8
unset LC_ALL LANGUAGE
children=()
stop_children() {
    kill "${children[@]}" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap stop_children EXIT
step() { echo "== $*"; }

step "a test certificate authority and the server's certificate for 127.0.0.1"
openssl_quiet() { openssl "$@" 2>/dev/null; }
openssl_quiet req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kestrun Test CA" \
    -keyout ca.key -out ca.pem -addext basicConstraints=critical,CA:TRUE \
    -addext keyUsage=critical,keyCertSign,cRLSign
openssl_quiet req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout server.key -out server.csr
openssl_quiet x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
    -out server.pem -extfile <(printf '%s\n' subjectAltName=IP:127.0.0.1 extendedKeyUsage=serverAuth)
openssl x509 -in ca.pem -outform der -out ca.der

step "nginx on 127.0.0.1, http and https"
# shellcheck source=../../scripts/nginx.sh
source "$source/scripts/nginx.sh"
http=$(python3 "$source/scripts/free-port.py")
https=$(python3 "$source/scripts/free-port.py")
start_nginx "$work/nginx" "  server {
    listen 127.0.0.1:$http;
    root \"$packages\";
    access_log \"$work/nginx/http.log\";
    location /extra/ { alias \"$work/extra/\"; }
  }
  server {
    listen 127.0.0.1:$https ssl;
    ssl_certificate \"$work/server.pem\";
    ssl_certificate_key \"$work/server.key\";
    root \"$packages\";
    access_log \"$work/nginx/https.log\";
  }"
children+=("$nginx_pid")
nginx_listens "$http" "$https" || { echo "FAIL: nginx did not start"; exit 1; }

# The demo's configuration, with the Viewer over https.
sed -e "s|http://127.0.0.1:8080/Viewer.msi|https://127.0.0.1:$https/Viewer.msi|" \
    -e "s|127.0.0.1:8080|127.0.0.1:$http|g" "$source/demo/kestrun.json" >app/kestrun.json
grep -q "https://127.0.0.1:$https/Viewer.msi" app/kestrun.json ||
    { echo "FAIL: the demo configuration no longer names Viewer.msi"; exit 1; }

step "a virtual display, for every Wine program of the test"
start_display display
children+=("$xvfb")

step "a fresh 64-bit Wine prefix with Corvane Editor 1.0 installed and the test authority trusted"
fresh_prefix
wine msiexec /i "$(winepath -w "$packages/Editor10.msi" 2>/dev/null)" /qn
wine "$build/demo/trustroot.exe" ca.der

# shellcheck source=../../scripts/wine-window.sh
source "$source/scripts/wine-window.sh"
wine_tahoma

step "kestrun.exe's window against the Linux window, played with the keyboard alone"
# Packages that are not there: the report lists each product, with no server and no installer.
install -D "$build/kestrun" pictures/linux/kestrun
cp -r "$shipped" pictures/windows
echo '{"products": [{"name": "Editor", "file": "Editor.msi"}, {"name": "Hidden", "display": "false",
    "file": "Hidden.exe"}, {"name": "Viewer", "file": "Viewer.msi"}]}' >pictures/linux/kestrun.json
cp pictures/linux/kestrun.json pictures/windows/
play() { # name, command...
    "${@:2}" >"pictures/$1.log" 2>&1 &
    local program=$! window
    window=$(visible_window 120 --classname '^kestrun(\.exe)?$') &&
        kestrun_picture_when_drawn "$window" "pictures/$1-before.png" &&
        kestrun_keys_install "$window" 2 &&
        kestrun_picture_of_report "$window" "pictures/$1-after.png" 60 &&
        kestrun_keys_exit "$window" || return 1
    within 30 bash -c "! kill -0 $program 2>/dev/null"
}
# Each run of inked rows in a picture's left column: its top and its left edge.
ink_places() { # picture
    convert "$1" -crop 310x490+16+5 +repage -colorspace gray -threshold 43% -negate txt:- |
        awk -F'[,: ]+' 'NR > 1 && /#FFFFFF/ && (!($2 in left) || $1 < left[$2]) { left[$2] = $1 }
            END { for (y = 0; y < 490; y++) if (y in left) {
                      if (!(y - 1 in left)) { top = y; edge = left[y] }
                      else if (left[y] < edge) edge = left[y]
                      if (!(y + 1 in left)) print top, edge } }'
}
# As many runs in both windows, each top and left edge within three pixels of the Linux window's.
same_places() { # picture name
    paste <(ink_places "pictures/linux-$1.png") <(ink_places "pictures/windows-$1.png") |
        awk '{ print } NF != 4 || ($1 - $3) ^ 2 > 9 || ($2 - $4) ^ 2 > 9 { far = 1 }
             END { exit far }'
}
check "the Linux window plays with the keyboard" play linux pictures/linux/kestrun
check "kestrun.exe's window plays with the keyboard" play windows wine pictures/windows/kestrun.exe
check "its boxes lie where the Linux window has them" same_places before
check "its report's lines lie where the Linux window has them" same_places after

start_kestrun() { # log file
    wine app/kestrun.exe >"$1" 2>&1 &
    kestrun=$!
    window=$(kestrun_window) || window=
    [[ -n $window ]]
}
click() { kestrun_click "$window" "$1"; }
ended() { ! kill -0 "$kestrun" 2>/dev/null; }
exit_kestrun() {
    click Exit
    check "Exit ends the program" within 30 ended
}
# Changes the configuration beside the program with Python statements on config, given the
# package server in server.
edit_config() { # statements
    python3 - app/kestrun.json "http://127.0.0.1:$http" "$1" <<'EDIT'
import json, sys
path, server, statements = sys.argv[1:]
with open(path) as file:
    config = json.load(file)
exec(statements)
with open(path, "w") as file:
    json.dump(config, file)
EDIT
}
packages_in() { # folder, names...
    local folder=$1 name
    shift
    for name in "$@"; do [[ -f $folder/$name && -f $folder/${name%.*}.md5 ]] || return 1; done
}

step "kestrun.exe: the window, then Install"
check "the window opens" start_kestrun first-run.log
if [[ -n $window ]]; then
    # The window is mapped with its declared title; start-up names it after reading the
    # configuration, which under load reaches X a moment later.
    # shellcheck disable=SC2317 # called through within
    titled() { [[ $(xdotool getwindowname "$window") == "Corvane updates" ]]; }
    check "with the configuration's title" within 60 titled
    check "Install was there before" kestrun_picture_when_drawn "$window" before-install.png
    click Install
    # What Install leaves in the registry is the Windows demo's test; here, the https road.
    check "the report has taken the window" \
        kestrun_picture_until "$window" after-install.png 300 kestrun_shows_report
    check "the Viewer came over https, through the shipped OpenSSL" \
        grep -q "GET /Viewer.msi HTTP/1.1\" 200" nginx/https.log
    check "and Wine's msiexec installed it" installed "$viewer" "Corvane Viewer"
    exit_kestrun
fi
kill "$kestrun" 2>/dev/null || true

step "kestrun.exe: Download All, where installs cannot be made beside the program"
# A file in the folder's place, as the Linux tests do: Wine runs as whoever runs the tests, and
# permissions do not stop root. Two more products: a Windows device name, which must never be
# requested, and a name that differs from the add-in's only in case, one file on Windows.
rm -rf app/installs
touch app/installs
cp app/kestrun.json install-run.json
edit_config 'config["products"] += [{"name": "Device", "file": server + "/con.msi"},
                       {"name": "Same add-in", "file": server + "/VIEWERPDF.msi"},
                       {"name": "Long", "file": server + "/" + "L" * 250 + ".msi"}]'
check "the window opens again" start_kestrun second-run.log
if [[ -n $window ]]; then
    click Download
    # This deployment's folder in the local application data folder of the prefix's user.
    # shellcheck disable=SC2317 # called through within
    all_packages_there() {
        installs=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Local/kestrun/*/installs)
        packages_in "$installs" Editor20.msi EditorRuntime.exe Viewer.msi ViewerPdf.msi \
            SpellChecker.msi LegacyToolbar.msi
    }
    check "Download All fetches every package with its digest file into %LOCALAPPDATA%\\kestrun\\<id>" \
        within 120 all_packages_there
    check "nothing was requested for the device name CON" not grep -qi "GET /con\.msi" nginx/http.log
    check "nor for a name whose path Windows could not start" not grep -q "GET /LLLL" nginx/http.log
    check "the name that differs only in case was fetched once" \
        not grep -q "GET /VIEWERPDF\.msi" nginx/http.log
    check "and only one file is there for both" test "$(find "$installs" -iname viewerpdf.msi | wc -l)" -eq 1
    exit_kestrun
fi
kill "$kestrun" 2>/dev/null || true
cp install-run.json app/kestrun.json

step "kestrun.exe: a package replaced after its download is not run, nor one changed after signing"
# The first product's installer copies the Viewer PDF Add-in's package, a valid MSI, over the
# Spell Checker's, which was downloaded and verified before: run, it would install the add-in.
mkdir extra
mingw_build -municode "$source/tests/windows/swapsetup.cpp" -o extra/SwapSetup.exe
# shellcheck source=../../scripts/signing.sh
source "$source/scripts/signing.sh"
make_test_signers
wine "$build/demo/trustroot.exe" publisher.der
cp "$packages/LegacyToolbar.msi" extra/
sign_package other "$packages/SpellChecker.msi" extra/SpellChecker.msi
sign_package publisher "$packages/ViewerPdf.msi" extra/ViewerPdf.msi
sign_package publisher "$packages/EditorRuntime.exe" extra/EditorRuntime.exe
change_signed_exe extra/EditorRuntime.exe
(cd extra && for package in *.msi *.exe; do md5sum "$package" >"${package%.*}.md5"; done)
# Where a path in the parameters cannot hold a blank, which would split it.
cp "$packages/ViewerPdf.msi" "$WINEPREFIX/drive_c/addin.msi"
edit_config '
spell = next(p for p in config["products"] if p["file"].endswith("/SpellChecker.msi"))
del spell["dependencies"]["installed-products"]
config["products"] = [{"name": "Swap", "file": server + "/extra/SwapSetup.exe",
                       "parameters": "C:\\addin.msi SpellChecker.msi"}, spell,
                      {"name": "Changed", "file": server + "/extra/EditorRuntime.exe",
                       "parameters": "/changed"}]'
spell_checker="{22DC008B-766C-4291-8186-9B87A8BABD4B}"
addin="{2D74115D-B836-4C29-8601-3C01C0833E6A}"
check "the window opens a third time" start_kestrun third-run.log
if [[ -n $window ]]; then
    click Install
    check "the first installer replaced the Spell Checker's package" \
        within 120 grep -qs '^replaced' "$WINEPREFIX/drive_c/swapsetup.txt"
    check "the report follows" kestrun_picture_until "$window" third-run.png 60 kestrun_shows_report
    check "the replaced package did not run" not installed "$addin" "Viewer PDF"
    check "nor was the Spell Checker installed" not installed "$spell_checker" "Spell Checker"
    check "nor the signed .exe changed afterwards" not grep -q /changed \
        <<<"$(registry 'HKLM\SOFTWARE\Corvane\Editor Runtime' /v Parameters)"
    exit_kestrun
fi
kill "$kestrun" 2>/dev/null || true
cp install-run.json app/kestrun.json

step "kestrun-check.exe explains the configuration beside it"
status=0
report=$(wine app/kestrun-check.exe 2>/dev/null | tr -d '\r') || status=$?
echo "$report"
check "kestrun-check finds no errors" test "$status" -eq 0
check "it names the configuration by its Windows path" \
    grep -Eq '^Configuration: [A-Z]:\\[^/]*\\app\\kestrun\.json$' <<<"$report"
check "it asks Wine's registry: the add-in applies now that the Viewer's value exists" \
    grep -Fq 'product 4 "Viewer PDF Add-in": check box' <<<"$report"
check "it asks Wine's Windows Installer: Editor 2.0 no longer applies" \
    grep -Fq 'product 1 "Corvane Editor 2.0": no check box: the "versions" rule fails' <<<"$report"
check "64-bit Windows: the Legacy Toolbar never applies" \
    grep -Fq 'product 6 "Legacy Toolbar (32-bit Windows only)": no check box: the "platforms" rule fails' <<<"$report"

step "kestrun.exe: a pinned publisher, in other letter case (the first run's were unsigned, unpinned)"
edit_config 'config["publisher"] = "KESTRUN TEST PUBLISHER"
config["products"] = [{"name": name, "file": server + "/extra/" + name, "parameters": "/qn"}
    for name in ["LegacyToolbar.msi", "SpellChecker.msi", "ViewerPdf.msi"]]'
check "the window opens a fourth time" start_kestrun fourth-run.log
if [[ -n $window ]]; then
    click Install
    check "the report follows" kestrun_picture_until "$window" fourth-run.png 120 kestrun_shows_report
    check "the package of the pinned signer ran" installed "$addin" "Viewer PDF"
    check "the unsigned one did not" not installed "{A3F107DF-C11B-4AD0-98C6-2C92670991C8}" Legacy
    check "nor the other signer's" not installed "$spell_checker" "Spell Checker"
    exit_kestrun
fi
kill "$kestrun" 2>/dev/null || true

checks_passed || {
    echo "kestrun's output:"
    cat first-run.log second-run.log 2>/dev/null || true
    exit 1
}
stop_children
trap - EXIT
rm -rf "$work"
echo "PASS: kestrun.exe runs under Wine as it ships"
