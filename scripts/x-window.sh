# shellcheck shell=bash
# Sourced by the scripts that start a virtual X display or find a program's window on one.

# Starts Xvfb on a display that it picks free and names in the file given, at 96 dpi: a screen
# at 100 %, where the window has its own size (Xvfb's own 100 dpi has Qt scale it). Its process
# is in xvfb. Fails when the display is not up within 10 seconds.
start_xvfb() { # file for the display number, [screen size, 1024x700 unless given]
    local deadline=$((SECONDS + 10))
    rm -f "$1"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "${2:-1024x700}x24" -dpi 96 3>"$1" 2>/dev/null &
    xvfb=$!
    until [[ -s $1 ]]; do
        kill -0 "$xvfb" 2>/dev/null && ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# Prints the first visible X window that the xdotool search arguments given match, waiting up to
# the seconds given. Each search starts again: a window that another program destroys while
# xdotool looks at it ends xdotool with BadWindow, which says nothing of the window sought.
visible_window() { # seconds, xdotool search arguments...
    local deadline=$((SECONDS + $1)) window
    shift
    until window=$(xdotool search --onlyvisible "$@" 2>/dev/null | head -n 1) && [[ -n $window ]]; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
    echo "$window"
}

# Presses keys in a window, as a user without a mouse does. Without a window manager xdotool
# finds no focused window to name, and says so; the keys arrive anyway.
window_keys() { xdotool key --window "$@" 2>/dev/null; } # window, keys...

# Presses Install in Kestrun's window by keyboard: the first box shown has the focus when the
# window opens, so Install is as many Tabs away as boxes are shown.
kestrun_keys_install() { # window, number of boxes shown
    local keys=() box
    for ((box = 0; box < $2; box++)); do keys+=(Tab); done
    window_keys "$1" "${keys[@]}" Return
}

# Presses Exit by keyboard once the report has the focus: Exit is the next stop.
kestrun_keys_exit() { window_keys "$1" Tab Return; } # window

# Presses Exit by keyboard in a window that offers nothing: Install has the focus, and Exit is
# two stops on, past Download All.
kestrun_keys_exit_unoffered() { window_keys "$1" Tab Tab Return; } # window
