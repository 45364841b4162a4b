#!/usr/bin/env bash
# Installs, as root on Debian 12, whatever Kestrun needs to build, run and test, and nothing
# when all of it is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config ccache
    qtbase5-dev qtdeclarative5-dev qttools5-dev qttools5-dev-tools
    qml-module-qtquick2 qml-module-qtquick-controls qml-module-qtquick-window2
    qml-module-qtquick-dialogs qml-module-qtquick-layouts
    clang-14 libfuzzer-14-dev libclang-rt-14-dev
    libgl1-mesa-dri xvfb xauth xdotool x11-utils imagemagick
    dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0 python3-jsonschema
    fonts-wine # Tahoma, which every Windows has, for the Wine prefixes
    nginx-light openssl osslsigncode wine wine64 wixl msitools g++-mingw-w64-x86-64
    tinyproxy curl hyperfine time libssl-dev qtdeclarative5-dev-tools linux-perf
    dpkg-dev # apt-get source, when scripts/windows-qt.sh builds Qt for Windows from sources
    optipng # scripts/make-artwork.sh
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
