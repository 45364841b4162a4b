#!/usr/bin/env bash
# Builds and starts Kestrun (build/kestrun with the kestrun.json beside it, the demo one when
# there is none) on a virtual X display and saves a picture of its window to the file given
# (default build/screenshot.png).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh kestrun
out=${1:-build/screenshot.png}
[[ -f build/kestrun.json ]] || cp demo/kestrun.json build/kestrun.json

# shellcheck source=x-window.sh
source scripts/x-window.sh
display_file=$(mktemp)
app=
xvfb=
trap 'kill $app $xvfb 2>/dev/null || true; rm -f "$display_file"' EXIT
start_xvfb "$display_file" || { echo "screenshot: Xvfb did not start" >&2; exit 1; }
DISPLAY=:$(cat "$display_file")
export DISPLAY

build/kestrun &
app=$!
window=$(visible_window 30 --pid "$app") ||
    { echo "screenshot: the Kestrun window did not appear" >&2; exit 1; }
sleep 1.5   # let the first frames render
import -window "$window" "$out"
