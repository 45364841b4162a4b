#!/usr/bin/env bash
# Draws the window's artwork with ImageMagick: the 860x500 background and the 160x70 logo,
# both 8-bit RGB PNGs without alpha. Run from anywhere; writes into qml/images.
set -euo pipefail
cd "$(dirname "$0")/../qml/images"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# Background: a deep blue-to-teal sky with soft rising arcs on the right-hand side,
# where the white panel behind the check boxes does not reach.
convert -size 860x500 gradient:'#0b2545-#13807a' -rotate 0 \
    \( -size 860x500 xc:none -fill '#ffffff18' -draw 'circle 720,560 720,140' \
       -fill '#ffffff12' -draw 'circle 760,600 760,120' \
       -fill '#ffffff0c' -draw 'circle 800,640 800,80' \) -composite \
    -fill '#ffffffcc' -font "$font" -pointsize 30 -annotate +560+90 'Kestrun' \
    -fill '#ffffff99' -pointsize 15 -annotate +562+116 'Software updates' \
    -alpha off -depth 8 -define png:color-type=2 PNG24:Background.png

# Logo: a dark kestrel-wing mark and the name, on white like the bar behind it.
convert -size 160x70 xc:'#ffffff' \
    -fill '#0b2545' -draw 'polygon 14,50 34,18 44,30 56,14 50,50 40,40' \
    -fill '#13807a' -draw 'polygon 40,40 50,50 30,56' \
    -fill '#0b2545' -font "$font" -pointsize 17 -annotate +64+42 'Corvane' \
    -alpha off -depth 8 -define png:color-type=2 PNG24:Corvane_white.png
