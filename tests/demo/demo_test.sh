#!/usr/bin/env bash
# The whole demo, as scripts/run.sh plays it without a display, twice in a fresh demo folder:
# the package server, the query helper under Wine, the demo's own Wine prefix, real clicks on
# the window under Xvfb. Checks what the window offers, the report, Wine's registry after the
# first run, and that the second run, with every package pinned by kestrun-check --pin, offers
# what applies now and installs it.
#
# Usage: demo_test.sh <source folder> <build folder> <work folder>
#          plays scripts/demo.sh from a built tree (CTest runs it through
#          tests/support/with-tools.sh, which checks for the tools it needs);
#        demo_test.sh --windows <windows folder> <source folder> <build folder> <work folder>
#          the same with kestrun.exe under Wine, from the folder scripts/build-windows.sh lays
#          out; its report is seen in the picture, not read;
#        demo_test.sh --fresh-clone <checkout> <work folder>
#          plays the README's run command as a newcomer meets it: a clone of the checkout's
#          committed HEAD in the work folder, no build folder, no display, no standard input,
#          `bash scripts/run.sh` twice, its own build step included.
set -euo pipefail

missing() {
    echo "FAIL: the build made no $1, so the demo cannot be played"
    exit 1
}
if [[ $1 == --windows ]]; then
    export KESTRUN_DEMO_WINDOWS=$2
    shift 2
fi
if [[ $1 == --fresh-clone ]]; then
    work=$3
    rm -rf "$work"
    git clone --quiet "$2" "$work/kestrun"
    demo=$work/kestrun/build/demo-run
    play() { bash "$work/kestrun/scripts/run.sh" </dev/null; }
else
    source=$(cd "$1" && pwd)
    build=$(cd "$2" && pwd)
    demo=$3
    [[ -f $build/queryhelper/kestrun-query.exe ]] || missing "query helper"
    [[ -f $build/demo/packages/Editor20.msi ]] || missing "demo packages"
    rm -rf "$demo"
    mkdir -p "$demo"
    export KESTRUN_DEMO_DIR=$demo
    play() { bash "$source/scripts/demo.sh" "$build"; }
fi
unset DISPLAY WAYLAND_DISPLAY LC_ALL LANGUAGE
export LANG=C.UTF-8 # the report in the language the checks expect

here=$(cd "$(dirname "$0")/../support" && pwd)
# shellcheck source=../support/checks.sh
source "$here/checks.sh"
[[ -z ${KESTRUN_DEMO_WINDOWS:-} || -f $KESTRUN_DEMO_WINDOWS/kestrun.exe ]] || missing_prerequisite \
    "no kestrun.exe in $KESTRUN_DEMO_WINDOWS" "bash scripts/build-windows.sh builds it"
# shellcheck source=../support/wine.sh
source "$here/wine.sh"
shows() { grep -Fxq -- "$2" <<<"$1"; }
lacks() { ! grep -Fq -- "$2" <<<"$1"; }
# The window as the demo printed it before the click, and what it showed after.
window_before() { sed -n "/^Kestrun's window:/,/^\$/p" <<<"$1"; }
window_after() { sed -n '/^After Install, pressed with the keyboard:/,$p' <<<"$1"; }
is_png() { [[ $(head -c 8 "$1" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]]; }
if [[ -n ${KESTRUN_DEMO_WINDOWS:-} ]]; then
    # shellcheck source=../../scripts/wine-window.sh
    source "$source/scripts/wine-window.sh"
    reports_success() { kestrun_shows_report "$demo/after-install.png"; }
    # Windows lists the MSI products; the runtime's installer is checked in the registry below.
    reported=("Corvane Editor 2.0" "Corvane Viewer")
    publishers=1
else
    reports_success() { shows "$1" "text: Successfully installed the following products."; }
    reported=("Corvane Editor 2.0" "Editor Runtime 2.0" "Corvane Viewer")
    publishers=0
fi

export WINEPREFIX=$demo/wine/prefix WINEDEBUG=-all

echo "== first run"
first=$(play) || { echo "$first"; echo "FAIL: the first run ended with an error"; exit 1; }
echo "$first"
before=$(window_before "$first")
after=$(window_after "$first")
check "Editor 2.0 is offered while Editor 1.0 is installed" shows "$before" "[x] Corvane Editor 2.0"
check "the Viewer is offered while it is not installed" shows "$before" "[x] Corvane Viewer"
check "the hidden runtime has no visible box" lacks "$before" "Editor Runtime"
for product in "Viewer PDF Add-in" "Editor Spell Checker" "Legacy Toolbar"; do
    check "$product is not offered yet" lacks "$before" "$product"
done
check "the report heading" reports_success "$after"
for product in "${reported[@]}"; do
    check "$product is reported installed" shows "$after" "$product"
done
check "the picture before Install" is_png "$demo/before-install.png"
check "the picture of the report" is_png "$demo/after-install.png"
check "the run ends naming both pictures" shows "$(tail -n 3 <<<"$first")" \
    "Pictures: $demo/before-install.png and $demo/after-install.png"

check "Editor 2.0 is in Wine's registry" installed "$editor20" "Corvane Editor 2.0"
check "the Viewer is in Wine's registry" installed "$viewer" "Corvane Viewer"
check "Editor 1.0 was removed first" not installed "$editor10" "Corvane Editor 1.0"
check "the runtime's installer ran with its parameters" grep -q "Parameters.*/quiet /norestart" \
    <<<"$(registry 'HKLM\SOFTWARE\Corvane\Editor Runtime' /v Parameters)"
check "the Viewer's registry value is there for the add-in's rule" grep -q "Corvane Viewer" \
    <<<"$(registry 'HKLM\SOFTWARE\Corvane\Viewer' /v InstalledBy)"

echo "== second run, pinned"
second=$(KESTRUN_DEMO_PIN=1 play) ||
    { echo "$second"; echo "FAIL: the second run ended with an error"; exit 1; }
echo "$second"
check "the configuration was pinned" grep -q '"sha256": "[0-9a-f]\{64\}"' \
    "$demo/app${KESTRUN_DEMO_WINDOWS:+-windows}/kestrun.json"
check "the packages' publisher is pinned only where kestrun.exe checks signatures" \
    test "$(grep -c '"publisher"' "$demo"/app*/kestrun.json)" -eq "$publishers"
before=$(window_before "$second")
check "the add-in is offered now that the Viewer's value exists" shows "$before" "[x] Viewer PDF Add-in"
check "the spell checker is offered now that Editor 2.0 is installed" \
    shows "$before" "[x] Editor Spell Checker"
for product in "Corvane Editor 2.0" "Corvane Viewer" "Legacy Toolbar"; do
    check "$product is no longer offered" lacks "$before" "[x] $product"
done
check "the second report" reports_success "$(window_after "$second")"

echo "== third run: nothing left to offer"
# Bounded: a window left open would keep the run waiting for good.
third=$(source=${source:-} build=${build:-} work=${work:-} \
    timeout 300 bash -c "$(declare -f play); play") ||
    { echo "$third"; echo "FAIL: the third run ended with an error or did not end"; exit 1; }
echo "$third"
check "the third run says nothing is offered, and ends" \
    grep -q "^Nothing is offered any more" <<<"$third"

wineserver -k 2>/dev/null || true
checks_passed
rm -rf "${work:-$demo}"
echo "PASS: the demo played through twice, and a third time with nothing left to offer"
