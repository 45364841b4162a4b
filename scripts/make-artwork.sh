#!/usr/bin/env bash
# Draws the window's artwork with ImageMagick: the 860x500 background and the 160x70 logo,
# both 8-bit RGB PNGs without alpha, and their @2x variants (twice the pixels each way), which
# Qt Quick picks on screens scaled by more than 100 %. Run from anywhere; writes into qml/images.
set -euo pipefail
cd "$(dirname "$0")/../qml/images"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# Every coordinate below is in window pixels; s scales them to the picture's pixels.
draw() {
    local s=$1 suffix=$2
    # Background: a deep blue-to-teal sky with soft rising arcs on the right-hand side,
    # where the white panel behind the check boxes does not reach.
    convert -size $((860 * s))x$((500 * s)) gradient:'#0b2545-#13807a' -rotate 0 \
        \( -size $((860 * s))x$((500 * s)) xc:none \
           -fill '#ffffff18' -draw "circle $((720 * s)),$((560 * s)) $((720 * s)),$((140 * s))" \
           -fill '#ffffff12' -draw "circle $((760 * s)),$((600 * s)) $((760 * s)),$((120 * s))" \
           -fill '#ffffff0c' -draw "circle $((800 * s)),$((640 * s)) $((800 * s)),$((80 * s))" \) \
        -composite \
        -fill '#ffffffcc' -font "$font" -pointsize $((30 * s)) \
        -annotate +$((560 * s))+$((90 * s)) 'Kestrun' \
        -fill '#ffffff99' -pointsize $((15 * s)) -annotate +$((562 * s))+$((116 * s)) 'Software updates' \
        -alpha off -depth 8 -define png:color-type=2 "PNG24:Background$suffix.png"

    # Logo: a dark kestrel-wing mark and the name, on white like the bar behind it.
    convert -size $((160 * s))x$((70 * s)) xc:'#ffffff' \
        -fill '#0b2545' -draw "polygon $(scale "$s" 14,50 34,18 44,30 56,14 50,50 40,40)" \
        -fill '#13807a' -draw "polygon $(scale "$s" 40,40 50,50 30,56)" \
        -fill '#0b2545' -font "$font" -pointsize $((17 * s)) -annotate +$((64 * s))+$((42 * s)) 'Corvane' \
        -alpha off -depth 8 -define png:color-type=2 "PNG24:Corvane_white$suffix.png"
}

# "x,y" points scaled by the first argument.
scale() {
    local s=$1 point out=()
    shift
    for point in "$@"; do out+=("$((${point%,*} * s)),$((${point#*,} * s))"); done
    echo "${out[*]}"
}

draw 1 ''
draw 2 '@2x'
# The background is decoded before the window's first frame: unfiltered rows decode in half the
# time of ImageMagick's adaptive filters, and these pictures compress no larger that way.
optipng -quiet -strip all -nx -f0 -zc9 -zm9 -zs0 Background*.png Corvane_white*.png
