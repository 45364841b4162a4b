#!/usr/bin/env bash
# Builds and starts Kestrun (build/kestrun with the kestrun.json beside it, the demo one when
# there is none) on a virtual X display and saves a picture of its window to the file given
# (default docs/screenshot.png).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh kestrun
out=${1:-docs/screenshot.png}
[[ -f build/kestrun.json ]] || cp demo/kestrun.json build/kestrun.json

display=:$((90 + RANDOM % 100))
# 96 dpi is a screen at 100 %: the window at its own size (Xvfb's own default is 100 dpi).
Xvfb "$display" -screen 0 1024x700x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

build/kestrun &
app=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --sync --onlyvisible --pid "$app" 2>/dev/null | head -n 1) && [[ -n $window ]] && break
    sleep 0.1
done
[[ -n $window ]] || { echo "screenshot: the Kestrun window did not appear" >&2; exit 1; }
sleep 1.5   # let the first frames render
import -window "$window" "$out"
