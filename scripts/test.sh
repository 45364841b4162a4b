#!/usr/bin/env bash
# Sets up, builds and runs every test of Kestrun.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh"
"$here/build.sh"
cd "$here/../build"
ctest --output-on-failure --timeout 600
