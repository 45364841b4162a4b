# shellcheck shell=bash disable=SC2034 # the variables are for the tests that source this
# Sourced by the tests that run Windows programs under Wine: a prefix of the test's own, test
# programs built with mingw-w64, and the registry read back.

# Wine keeps everything it writes in the work folder: the prefix and a home of its own. No
# display, no Mono or Gecko installers, no desktop menu entries.
wine_environment() { # work folder
    export WINEPREFIX=$1/prefix WINEARCH=win64 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export HOME=$1/home XDG_CONFIG_HOME=$1/home/.config XDG_DATA_HOME=$1/home/.local
    export XDG_CACHE_HOME=$1/home/.cache
    mkdir -p "$HOME"
    unset DISPLAY WAYLAND_DISPLAY
}

# A fresh 64-bit prefix, and one server for every step from here on, so that no program starts
# while the server of the step before is still shutting down.
fresh_prefix() {
    wine wineboot --init >/dev/null 2>&1
    wineserver -w
    wineserver -p
}

# Builds a test program for 64-bit Windows, linked statically so that it needs no DLL beside it.
mingw_build() { # compiler arguments...
    x86_64-w64-mingw32-g++ -std=c++17 -Wall -Wextra -Werror -static "$@"
}

registry() { wine reg query "$@" /reg:64 2>/dev/null | tr -d '\r'; }
uninstall_entry() { registry "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1"; }
installed() { grep -q "DisplayName.*$2" <<<"$(uninstall_entry "$1")"; } # product code, name

# The demo's products the tests look for in the registry.
editor10="{D60B9189-E02E-4731-A16C-3377D62A015C}"
editor20="{EC2F9545-5F22-46D3-B13F-79EB95F777D3}"
viewer="{89B9EFDA-1313-4959-94B5-6D24D5AA5001}"
