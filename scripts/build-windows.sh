#!/usr/bin/env bash
# Builds kestrun.exe and kestrun-check.exe for 64-bit Windows with mingw-w64 into build-windows/
# (incremental after the first run), against Qt for Windows from scripts/windows-qt.sh, and lays
# out the folder as it ships in build-windows/kestrun: the executables, their translations, the
# example kestrun.json and every DLL, plugin and QML module they need. Then checks that the
# folder holds every DLL anything in it imports.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
qt=$(bash scripts/windows-qt.sh | tail -n 1)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# A build folder made against another Qt for Windows (another cache key or place) starts over.
grep -qsxF "Qt5_DIR:PATH=$qt/lib/cmake/Qt5" build-windows/CMakeCache.txt || rm -rf build-windows
[[ -f build-windows/build.ninja ]] ||
    cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/scripts/mingw-w64-toolchain.cmake" \
        -DCMAKE_PREFIX_PATH="$qt" "${launcher[@]}"
cmake --build build-windows --parallel "$(nproc)"
rm -rf build-windows/kestrun
cmake --install build-windows --prefix build-windows/kestrun >/dev/null
bash scripts/check-windows-dlls.sh build-windows/kestrun
echo "build-windows: kestrun.exe laid out in build-windows/kestrun in $((SECONDS - start)) s"
