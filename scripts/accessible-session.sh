#!/usr/bin/env bash
# Runs a command in a D-Bus session with the accessibility bus up, so that scripts/window-reader.py
# can read Kestrun's window. Qt programs started by the command expose their windows there.
set -euo pipefail
(($#)) || { echo "usage: $0 COMMAND [ARGUMENT...]" >&2; exit 2; }
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
exec dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    launcher=$!
    trap "kill $launcher 2>/dev/null" EXIT
    "$@"' accessible-session "$@" 2> >(grep -v "Failed to set fd limit\|XDG_RUNTIME_DIR\|SpiRegistry daemon\|Activating service\|Successfully activated" >&2)
