#!/usr/bin/env bash
# kestrun.exe's window as Windows draws it, under Wine, against the Linux window on the same
# configuration: each is played with the keyboard alone (Tab to Install, Return, Tab to Exit,
# Return) and pictured before and after Install, and the pictures are compared by where each box
# row and each report line lies in the left column. The packages are local files that are not
# there, so the report lists every product without a server or an installer.
#
# Usage: window_pictures_test.sh <source folder> <build folder> <shipped folder> <work folder>
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
rm -rf "$work"
mkdir -p "$work/linux"
work=$(cd "$work" && pwd)
cp -r "$shipped" "$work/windows"
cp "$build/kestrun" "$work/linux/"
for app in linux windows; do
    echo '{"title": "Pictures", "products": [{"name": "Corvane Editor 2.0", "file": "Editor20.msi"},
        {"name": "Runtime", "file": "Runtime.exe", "display": "false"},
        {"name": "Corvane Viewer", "file": "Viewer.msi"}]}' >"$work/$app/kestrun.json"
done
cd "$work"
wine_environment "$work"
export LANG=C.UTF-8
unset LC_ALL LANGUAGE
start_display display
stop() {
    kill "$xvfb" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap stop EXIT
fresh_prefix
# shellcheck source=../../scripts/wine-window.sh
source "$source/scripts/wine-window.sh"
wine_tahoma

play() { # name, command...
    local name=$1 program window
    shift
    "$@" >"$name.log" 2>&1 &
    program=$!
    window=$(visible_window 120 --classname '^kestrun(\.exe)?$') || return 1
    kestrun_picture_when_drawn "$window" "$name-before.png" || return 1
    sleep 1 # the ticks are drawn once the boxes are placed
    import -window "$window" "$name-before.png"
    kestrun_keys_install "$window" 2
    kestrun_picture_until "$window" "$name-after.png" 60 kestrun_shows_report || return 1
    sleep 1 # the report's last line has reached the screen
    import -window "$window" "$name-after.png"
    kestrun_keys_exit "$window"
    within 30 bash -c "! kill -0 $program 2>/dev/null"
}
# Prints, for each band of rows with dark ink in the left column of each picture, its top and
# its left edge; the two lists must match within three pixels.
same_places() { # picture, picture
    /usr/bin/python3 - "$@" <<'COMPARE'
import subprocess, sys
def bands(picture):
    x, y = 16, 5
    pgm = subprocess.run(["convert", picture, "-crop", f"310x490+{x}+{y}", "-colorspace", "gray",
                          "-compress", "none", "pgm:-"], check=True, capture_output=True, text=True)
    width, height, _, *values = map(int, pgm.stdout.split()[1:])
    rows = [[i for i in range(width) if values[row * width + i] < 110] for row in range(height)]
    found, top = [], None
    for row, ink in enumerate(rows + [[]]):
        if ink and top is None:
            top = row
        elif not ink and top is not None:
            found.append((y + top, x + min(min(r) for r in rows[top:row])))
            top = None
    return found
linux, windows = bands(sys.argv[1]), bands(sys.argv[2])
print("linux:", linux, "windows:", windows)
sys.exit(len(linux) != len(windows) or any(abs(a - b) > 3 for l, w in zip(linux, windows)
                                          for a, b in zip(l, w)))
COMPARE
}

check "the Linux window plays with the keyboard" play linux "$work/linux/kestrun"
check "kestrun.exe's window plays with the keyboard" play windows wine "$work/windows/kestrun.exe"
check "its boxes lie where the Linux window has them" same_places linux-before.png windows-before.png
check "its report's lines lie where the Linux window has them" \
    same_places linux-after.png windows-after.png
checks_passed
stop
trap - EXIT
rm -rf "$work"
echo "PASS: kestrun.exe's window matches the Linux window"
