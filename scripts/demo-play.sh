#!/usr/bin/env bash
# Plays the demo on the X display in DISPLAY, inside scripts/accessible-session.sh: starts the
# Kestrun of the demo folder, saves a picture of its window, presses "Install" with the keyboard
# alone, waits for the report, saves a picture of it, prints what the window shows and presses
# "Exit".
#
# Usage: demo-play.sh <folder of kestrun> <folder for the pictures>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
app=$1
out=$2
fail() { echo "demo: $*" >&2; exit 1; }
reader() { /usr/bin/python3 "$here/window-reader.py" "$@"; }
# shellcheck source=x-window.sh
source "$here/x-window.sh"

# In English whatever the user's language: the play finds the buttons and the report by their
# texts. The window a user opens with a display speaks the user's language.
LC_ALL=C.UTF-8 LANG=C.UTF-8 LANGUAGE= "$app/kestrun" &
kestrun=$!
trap 'kill $kestrun 2>/dev/null || true' EXIT

# The window as a user first sees it: read it once its buttons are there, then picture it.
before=$(reader --wait "button: Exit" --timeout 120) || fail "the Kestrun window did not appear"
window=$(visible_window 30 --pid "$kestrun") || fail "no window of the Kestrun started"
picture() { # file
    sleep 1 # the frame that shows the last change reaches the screen
    import -window "$window" "$1"
}
picture "$out/before-install.png"
echo "Kestrun's window:"
echo "$before"

if ! grep -q '^\[x\]' <<<"$before"; then
    echo "Nothing is offered any more: every demo product that applies is installed."
    kestrun_keys_exit_unoffered "$window"
    wait $kestrun
    exit
fi
kestrun_keys_install "$window" "$(grep -c '^\[' <<<"$before")"
after=$(reader --wait "the following products." --timeout 600) || fail "no report from Kestrun"
picture "$out/after-install.png"
echo
echo "After Install, pressed with the keyboard:"
echo "$after"
echo
echo "Pictures: $out/before-install.png and $out/after-install.png"
kestrun_keys_exit "$window"
wait $kestrun
