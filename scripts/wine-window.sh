# Sourced by the scripts that drive kestrun.exe under Wine on an X display (DISPLAY). Wine's
# windows offer X no accessibility, so the window is found by its X class, the buttons are
# clicked where MainForm.ui.qml places them (the window is 860 x 570 at 100 %, without a frame
# on a display with no window manager), and the report is known to be there when the bottom
# bar is white from the logo to Exit: the report hides Install, Download All and the run's
# progress bar.

declare -A kestrun_button=([Install]="592 535" [Download]="697 535" [Exit]="802 535")

# shellcheck source=x-window.sh
source "$(dirname "${BASH_SOURCE[0]}")/x-window.sh"

# Puts Wine's own Tahoma (Debian's fonts-wine) in the Fonts folder of the prefix in WINEPREFIX,
# as every Windows has it. Debian's Wine does not find it by itself, and without it the dialog
# face that Qt takes its measures from falls back to the first face Wine knows.
wine_tahoma() {
    local fonts=/usr/share/wine/fonts
    if [[ ! -f $fonts/tahoma.ttf ]]; then
        echo "Wine's Tahoma is missing (scripts/setup.sh installs fonts-wine)" >&2
        return 1
    fi
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp "$fonts/tahoma.ttf" "$fonts/tahomabd.ttf" "$WINEPREFIX/drive_c/windows/Fonts/"
}

# Prints the X window of the visible kestrun.exe window, waiting up to two minutes for it.
kestrun_window() { visible_window 120 --classname '^kestrun\.exe$'; }

kestrun_click() { # window, button
    sleep 1 # Qt Quick has drawn the window once it is mapped, not necessarily laid out its items
    # shellcheck disable=SC2086 # "x y"
    xdotool mousemove --sync --window "$1" ${kestrun_button[$2]} click 1
}

# Whether the part of the picture given as WIDTHxHEIGHT+X+Y is white throughout.
kestrun_white() { # picture, geometry
    [[ $(convert "$1" -crop "$2" +repage -format "%[fx:minima]" info:) == 1 ]]
}

# Whether the picture shows the report: nothing between the logo and Exit. During a run the
# progress bar is there, empty at first, its border drawn.
kestrun_shows_report() { kestrun_white "$1" 580x41+165+515; } # picture

# Whether the picture shows the window before a run: Install, and no progress bar left of it.
kestrun_shows_install() { # picture
    kestrun_white "$1" 370x41+165+515 && ! kestrun_white "$1" 100x35+542+518
}

# Takes the window's picture until the picture passes the test given, for up to the seconds
# given: under load a frame may reach the screen seconds after the change it shows.
kestrun_picture_until() { # window, picture, seconds, test command...
    local window=$1 picture=$2 deadline=$((SECONDS + $3))
    shift 3
    until import -window "$window" "$picture" && "$@" "$picture"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.5
    done
}

# The first picture that passes the test, taken again a second later, once the rest of what
# changed with it is drawn too.
kestrun_picture_settled() { # window, picture, seconds, test command...
    kestrun_picture_until "$@" && sleep 1 && import -window "$1" "$2"
}

# The window's first frame, which shows Install, with the ticks of the boxes placed after it.
kestrun_picture_when_drawn() { kestrun_picture_settled "$1" "$2" 60 kestrun_shows_install; }

# The report, once it has taken the window, with its last line.
kestrun_picture_of_report() { kestrun_picture_settled "$1" "$2" "$3" kestrun_shows_report; }
