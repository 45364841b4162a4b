#!/usr/bin/env bash
# Plays the demo with kestrun.exe under Wine on the X display in DISPLAY (scripts/demo.sh with
# KESTRUN_DEMO_WINDOWS): prints what the window offers as kestrun-check.exe explains it on the
# same Windows, starts kestrun.exe, saves a picture of its window, presses "Install" with the
# keyboard alone, waits for the report, saves a picture of it, prints the products Windows lists
# as installed and presses "Exit". Wine's windows offer X no accessibility: the pictures show
# the report's text.
#
# Usage: demo-play-windows.sh <folder of kestrun.exe> <folder for the pictures>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
app=$1
out=$2
fail() { echo "demo: $*" >&2; exit 1; }
# shellcheck source=wine-window.sh
source "$here/wine-window.sh"

# The products that get a visible check box: those kestrun-check explains with a box and no
# "hidden" line.
explanation=$(LC_ALL=C.UTF-8 wine "$app/kestrun-check.exe" 2>/dev/null | tr -d '\r') || true
offered=$(awk '/^  product / { if (name) print name; name = "" }
               /^  product .*: check box/ { sub(/^  product [0-9]+ "/, ""); sub(/": check box.*/, "")
                                           name = "[x] " $0 }
               /^      hidden:/ { name = "" }
               END { if (name) print name }' <<<"$explanation")

wine_tahoma || fail "the demo's Windows has no Tahoma"
LC_ALL=C.UTF-8 LANG=C.UTF-8 LANGUAGE= wine "$app/kestrun.exe" &
kestrun=$!
trap 'kill $kestrun 2>/dev/null || true' EXIT
window=$(kestrun_window) || fail "the Kestrun window did not appear"
kestrun_picture_when_drawn "$window" "$out/before-install.png" || fail "the Kestrun window stayed blank"
echo "Kestrun's window:"
[[ -z $offered ]] || echo "$offered"
echo "(the products kestrun-check.exe finds offered on this Windows; the picture shows them)"
echo

if [[ -z $offered ]]; then
    echo "Nothing is offered any more: every demo product that applies is installed."
    kestrun_keys_exit_unoffered "$window"
    wait $kestrun
    exit
fi
kestrun_keys_install "$window" "$(grep -c . <<<"$offered")"
kestrun_picture_of_report "$window" "$out/after-install.png" 600 || fail "no report from Kestrun"
echo "After Install, pressed with the keyboard:"
echo "(the picture shows the report; Windows lists as installed)"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:64 2>/dev/null |
    tr -d '\r' | sed -n 's/^ *DisplayName *REG_SZ *//p' | sort
echo
echo "Pictures: $out/before-install.png and $out/after-install.png"
kestrun_keys_exit "$window"
wait $kestrun
