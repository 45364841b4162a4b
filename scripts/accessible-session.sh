#!/usr/bin/env bash
# Runs a command in a D-Bus session with the accessibility bus up, so that scripts/window-reader.py
# can read Kestrun's window. Qt programs started by the command expose their windows there.
#
# The accessibility bus gets a runtime folder of its own: by default its socket lies in one place
# per user, and sessions running side by side would take it from each other. Qt programs find the
# bus announced on the X display, so DISPLAY must name a running server before this starts; the
# window reader is handed the bus's address directly. The registry is started before the command
# runs.
set -euo pipefail
(($#)) || { echo "usage: $0 COMMAND [ARGUMENT...]" >&2; exit 2; }
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    launcher=$!
    trap "kill $launcher 2>/dev/null" EXIT
    for _ in $(seq 100); do
        AT_SPI_BUS_ADDRESS=$(dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
            org.a11y.Bus.GetAddress 2>/dev/null | sed -n "s/^ *string \"\(.*\)\"$/\1/p") || true
        [[ -n $AT_SPI_BUS_ADDRESS ]] && break
        sleep 0.1
    done
    export AT_SPI_BUS_ADDRESS
    # Programs that find no registry when they start never register their windows; a busy
    # machine can take longer to start it than they wait.
    for _ in $(seq 100); do
        dbus-send --bus="$AT_SPI_BUS_ADDRESS" --print-reply --dest=org.a11y.atspi.Registry \
            /org/a11y/atspi/registry org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1 && break
        sleep 0.1
    done
    "$@"' accessible-session "$@" 2> >(grep -v "Failed to set fd limit\|XDG_RUNTIME_DIR\|SpiRegistry daemon\|Activating service\|Successfully activated" >&2)
