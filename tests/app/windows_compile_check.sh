#!/usr/bin/env bash
# Compiles every C++ source under src/ for Windows with mingw-w64, syntax only, against the Qt
# headers of this system, so that the code only Windows builds (Q_OS_WIN branches, the Win32
# layer and its Qt adapter) cannot rot unseen. The sources are found afresh on every run.
#
# Usage: windows_compile_check.sh <src folder> <the engine's generated include folder>
set -euo pipefail

src=$(cd "$1" && pwd)
generated=$2
qt=$(qmake -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt5)

qt_includes=(-isystem "$qt")
for module in QtCore QtGui QtNetwork QtQml QtQuick QtWidgets; do
    qt_includes+=(-isystem "$qt/$module")
done

mapfile -t sources < <(find "$src" -name '*.cpp' | sort)
if ((${#sources[@]} == 0)); then
    echo "FAIL: no sources under $src"
    exit 1
fi

failed=0
for source in "${sources[@]}"; do
    if ! x86_64-w64-mingw32-g++ -std=c++17 -fsyntax-only -Wall -Wextra -Werror \
        -DUNICODE -D_UNICODE -DQT_NO_FOREACH -DQT_DISABLE_DEPRECATED_BEFORE=0x050F00 \
        -I"$src" -I"$generated" "${qt_includes[@]}" "$source"; then
        echo "FAIL: ${source#"$src"/}"
        failed=1
    fi
done
((failed == 0)) && echo "PASS: ${#sources[@]} sources compile for Windows"
exit "$failed"
