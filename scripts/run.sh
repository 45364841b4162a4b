#!/usr/bin/env bash
# Sets up, builds and plays Kestrun's demo (scripts/demo.sh): the demo packages served on
# 127.0.0.1, a Wine prefix of the demo's own, and the window; without a display the demo plays
# itself on a virtual one and prints the report.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh"
"$here/build.sh" kestrun kestrun_translations kestrun_queryhelper kestrun_demo_packages
exec "$here/demo.sh" "$here/../build"
