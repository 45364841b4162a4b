#!/usr/bin/env bash
# Configures and builds Kestrun and its tests into build/ (incremental after the first run).
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -f build/build.ninja ]] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)"
