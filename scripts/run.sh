#!/usr/bin/env bash
# Sets up, builds and starts Kestrun on the demo configuration. Without a display the window
# opens on a virtual one, a screenshot is saved and the program is closed again.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh"
"$here/build.sh" kestrun kestrun_translations
cd "$here/.."
cp demo/kestrun.json build/kestrun.json

if [[ -n ${DISPLAY:-} ]]; then
    exec build/kestrun
fi
"$here/screenshot.sh" build/screenshot.png
echo "No display: Kestrun ran on a virtual screen; its window is in build/screenshot.png"
