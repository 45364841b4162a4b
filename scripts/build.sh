#!/usr/bin/env bash
# Configures and builds Kestrun into build/ (incremental after the first run): the targets
# named on the command line, or everything, tests included.
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache makes a fresh clone's first build quick on a machine that built Kestrun
# before: paths relative to the clone, and the build folder left out of the key (debug
# information then names the folder that first built an object).
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
fi
[[ -f build/build.ninja ]] ||
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build build --parallel "$(nproc)" "${targets[@]}"
