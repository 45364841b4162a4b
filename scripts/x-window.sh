# Sourced by the scripts that find a program's window on the X display in DISPLAY.

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
