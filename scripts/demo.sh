#!/usr/bin/env bash
# Plays Kestrun's demo from a built tree (scripts/run.sh builds it first):
#  - lays out the demo folder as it ships (cmake --install), with the demo configuration
#    (demo/kestrun.json) pointing at the package server's port;
#  - prepares a Wine prefix of the demo's own, where the older Corvane Editor 1.0 is installed,
#    and hands it to Kestrun and its children through WINEPREFIX;
#  - serves the demo's packages (build/demo/packages) with nginx on 127.0.0.1 on a free port,
#    stopped when Kestrun ends;
#  - starts Kestrun. With a display the window is the user's. Without one it plays the demo on
#    a virtual display: a picture of the window, "Install" pressed with the keyboard, a picture
#    of the report, then the report's text and where the pictures are.
# The prefix and the installs folder stay, so a second run shows what the first installed;
# delete the demo folder to start again.
#
# Usage: demo.sh [build folder, default build]
# Environment, to try a configuration of one's own in the same set-up:
#   KESTRUN_DEMO_DIR       the demo folder (default <build folder>/demo-run)
#   KESTRUN_DEMO_CONFIG    the configuration (default demo/kestrun.json); its URLs name
#                          127.0.0.1:8080, which becomes the server's port
#   KESTRUN_DEMO_PACKAGES  the folder served (default <build folder>/demo/packages)
#   KESTRUN_DEMO_PIN=1     pins every package's SHA-256 into the configuration with
#                          kestrun-check --pin once the server is up, as an administrator would
# and to play it with the Windows program as it ships, under Wine (scripts/run.sh --windows):
#   KESTRUN_DEMO_WINDOWS   the folder scripts/build-windows.sh lays out (build-windows/kestrun);
#                          the demo copies it to <demo folder>/app-windows and runs kestrun.exe.
#                          With the demo's own configuration and packages, the packages are
#                          signed by a test publisher whom the prefix trusts and the
#                          configuration pins; the Linux program checks no signature, and its
#                          demo pins none
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/.." && pwd)
fail() { echo "demo: $*" >&2; exit 1; }
build=${1:-$source/build}
[[ -d $build ]] || fail "there is no build in $build: run bash scripts/run.sh, which builds and plays the demo"
build=$(cd "$build" && pwd)
demo=${KESTRUN_DEMO_DIR:-$build/demo-run}
built=$build/demo/packages
config=${KESTRUN_DEMO_CONFIG:-$source/demo/kestrun.json}
tools=(nginx wine wineserver)
[[ -n ${DISPLAY:-} ]] || tools+=(Xvfb xdotool import dbus-run-session)
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done
[[ -f $build/queryhelper/kestrun-query.exe && -f $built/Editor10.msi && -f $build/demo/trustroot.exe ]] ||
    fail "the query helper or the demo packages are not built: run bash scripts/run.sh (it installs mingw-w64 and wixl and builds them)"
packages=$(cd "${KESTRUN_DEMO_PACKAGES:-$built}" && pwd)

mkdir -p "$demo"
demo=$(cd "$demo" && pwd)
windows=${KESTRUN_DEMO_WINDOWS:-}
if [[ -n $windows ]]; then
    [[ -f $windows/kestrun.exe ]] ||
        fail "no kestrun.exe in $windows: run bash scripts/run.sh --windows, which builds it"
    app=$demo/app-windows
    mkdir -p "$app"
    cp -r "$windows/." "$app/"
    program=(wine "$app/kestrun.exe")
    checker=(wine "$app/kestrun-check.exe")
    play=("$here/demo-play-windows.sh")
    command -v osslsigncode >/dev/null || fail "osslsigncode is missing (scripts/setup.sh installs it)"
else
    app=$demo/app
    cmake --install "$build" --prefix "$app" >"$demo/install.log" 2>&1 ||
        fail "the build in $build lacks part of the shipped folder ($(grep -m1 -o 'cannot find "[^"]*"' "$demo/install.log")): run bash scripts/run.sh, which builds all of it"
    program=("$app/kestrun")
    checker=("$app/kestrun-check")
    play=("$here/accessible-session.sh" bash "$here/demo-play.sh")
fi
port=$(python3 "$here/free-port.py")
sed "s|127.0.0.1:8080|127.0.0.1:$port|g" "$config" >"$app/kestrun.json"
publisher="Corvane Demo Publisher"
signed=false
[[ -z $windows || -n ${KESTRUN_DEMO_CONFIG:-}${KESTRUN_DEMO_PACKAGES:-} ]] || signed=true
! $signed || sed -i "1a\\    \"publisher\": \"$publisher\"," "$app/kestrun.json" # after the {

# Wine keeps the demo's Windows in a prefix of its own; Kestrun passes these on to the query
# helper, msiexec and the .exe installer it starts.
export WINEPREFIX=$demo/wine/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [[ ! -f $demo/wine/prepared ]]; then
    echo "Preparing the demo's Wine prefix with Corvane Editor 1.0 installed (about a minute, first run only)"
    rm -rf "$demo/wine"
    mkdir -p "$demo/wine"
    env -u DISPLAY wine wineboot --init >/dev/null 2>&1
    env -u DISPLAY wine msiexec /i "$(winepath -w "$built/Editor10.msi" 2>/dev/null)" /qn
    wineserver -w
    touch "$demo/wine/prepared"
fi
if $signed; then
    # shellcheck source=signing.sh
    source "$here/signing.sh"
    signing=$demo/wine/signing # made and trusted with the prefix, gone with it
    if [[ ! -f $signing.der ]]; then
        make_signing_key "$publisher" "$signing" 3650
        env -u DISPLAY wine "$build/demo/trustroot.exe" "$(winepath -w "$signing.der" 2>/dev/null)"
    fi
    packages=$demo/signed-packages
    mkdir -p "$packages"
    for package in "$built"/*.msi "$built"/*.exe; do
        name=${package##*/}
        sign_package "$signing" "$package" "$packages/$name"
        (cd "$packages" && md5sum "$name" >"${name%.*}.md5")
    done
    echo "Signed the demo's packages as \"$publisher\", whom the prefix trusts and kestrun.json pins"
fi

# shellcheck source=nginx.sh
source "$here/nginx.sh"
children=()
trap 'kill "${children[@]}" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
start_nginx "$demo/nginx" "  access_log \"$demo/nginx/access.log\";
  server { listen 127.0.0.1:$port; root \"$packages\"; }"
children+=("$nginx_pid")
nginx_listens "$port" || fail "nginx did not start"
echo "Serving the demo packages on http://127.0.0.1:$port/"
if [[ ${KESTRUN_DEMO_PIN:-} == 1 ]]; then
    (cd "$app" && "${checker[@]}" --pin kestrun.json >"$demo/pinned.json") ||
        fail "kestrun-check --pin could not pin the demo's packages: its message is above"
    mv "$demo/pinned.json" "$app/kestrun.json"
    echo "Pinned each package's SHA-256 in $app/kestrun.json: Kestrun checks the packages against it"
fi
# Wine programs started without this display (the prefix's preparation, a registry query) keep
# their Wine server, whose desktop would then give kestrun.exe no window: they end first.
wineserver -w

if [[ -n ${DISPLAY:-} ]]; then
    "${program[@]}"
    wineserver -w # the installers' Wine processes end before the server goes
    exit
fi
# shellcheck source=x-window.sh
source "$here/x-window.sh"
start_xvfb "$demo/display" || fail "Xvfb did not start"
children+=("$xvfb")
echo "Playing the demo on a virtual display: Install, pressed with the keyboard, downloads, verifies and installs (about a minute)"
DISPLAY=:$(cat "$demo/display") "${play[@]}" "$app" "$demo"
wineserver -w # Wine's processes leave the virtual display before it goes
