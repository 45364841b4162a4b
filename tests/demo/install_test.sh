#!/usr/bin/env bash
# cmake --install lays out a folder that ships as it stands: installs the build into a fresh
# prefix, checks its contents and starts the installed program, in German, on a virtual display
# until its window shows the example configuration's title and the translated buttons.
#
# Usage: install_test.sh <source folder> <build folder> <work folder>
# CTest runs it through tests/support/with-tools.sh, which checks for the tools it needs.
set -euo pipefail
source=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
work=$3

rm -rf "$work"
mkdir -p "$work/empty-path"
cmake --install "$build" --prefix "$work/shipped"
cd "$work/shipped"

# shellcheck source=../support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
check "kestrun" test -x kestrun
check "kestrun-check" test -x kestrun-check
check "the German translation" test -f localization/kestrun_de.qm
check "the French translation" test -f localization/kestrun_fr.qm
check "the example configuration" cmp -s kestrun.json "$source/docs/kestrun.json"
check "its schema" cmp -s kestrun.schema.json "$source/docs/kestrun.schema.json"
check "the msiexec.exe stand-in" test -x msiexec.exe
check "the query helper" test -f kestrun-query.exe
check "nothing else" test "$(find . -type f | sort | tr '\n' ' ')" == \
    "./kestrun ./kestrun-check ./kestrun-query.exe ./kestrun.json ./kestrun.schema.json ./localization/kestrun_de.qm ./localization/kestrun_fr.qm ./msiexec.exe "
check "kestrun-check finds the example beside it clean" \
    bash -c 'PATH=$1 "$2" >/dev/null' check "$work/empty-path" "$work/shipped/kestrun-check"

# Started from elsewhere, with no wine on PATH (so no Wine prefix is made): the program finds
# its configuration and translation beside itself.
start_display "$work/display"
trap 'kill $xvfb 2>/dev/null || true' EXIT
cd /
window=$(LANG=de_DE.UTF-8 LANGUAGE= LC_ALL= \
    "$source/scripts/accessible-session.sh" bash -c '
        PATH=$1 "$2/kestrun" &
        kestrun=$!
        /usr/bin/python3 "$3/window-reader.py" --wait "button: Beenden"
        seen=$?
        kill $kestrun
        exit $seen' session "$work/empty-path" "$work/shipped" "$source/scripts") || true
echo "$window"
check "the window opens with the example's title" grep -Fxq "window: Available updates" <<<"$window"
check "the buttons speak German" grep -Fxq "button: Installieren" <<<"$window"

checks_passed
rm -rf "$work"
echo "PASS: the installed folder runs as it stands"
