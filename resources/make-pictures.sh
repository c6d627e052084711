#!/usr/bin/env bash
# Draws Varnholt's own pictures with ImageMagick and Liberation Sans:
#   icon.png    32x32 globe, 256 colours with a transparency mask (both windows' icon)
#   icon.ico    the same for the Windows program file
#   banner.png  350x128 title banner in 24-bit colour (the main window)
# Run it from anywhere; it writes next to itself.
set -euo pipefail
cd "$(dirname "$0")"

convert -size 32x32 xc:none \
    -fill '#1f63b0' -stroke '#0c2f59' -strokewidth 1 -draw 'circle 15.5,15.5 15.5,1.5' \
    -stroke none -fill '#3e9b3b' \
    -draw 'polygon 7,9 12,5 17,6 18,10 14,13 10,15 7,13' \
    -draw 'polygon 17,17 23,13 27,16 26,22 21,27 18,24' \
    -draw 'ellipse 9,22 3,2 0,360' \
    -fill none -stroke '#a9cdf2' -strokewidth 0.7 \
    -draw 'ellipse 15.5,15.5 6.5,13.5 0,360' -draw 'line 2.5,15.5 28.5,15.5' \
    -colors 255 PNG8:icon.png
convert icon.png -colors 256 icon.ico

convert -size 350x128 gradient:'#f6c15a'-'#4b1a63' \
    -fill '#27103a' -stroke '#f6c15a' -strokewidth 1 -draw 'ellipse 330,172 150,86 0,360' \
    -fill '#3e9b3b' -stroke none -draw 'polygon 262,114 284,101 312,99 322,108 300,121 274,124' \
    -font Liberation-Sans-Bold -pointsize 44 -fill '#fff3d2' -stroke '#3a1450' -strokewidth 2 \
    -annotate +16+60 'POPULOUS' \
    -font Liberation-Sans-Bold -pointsize 19 -stroke none -fill '#fff3d2' \
    -annotate +20+90 'The Beginning' \
    -font Liberation-Sans -pointsize 12 -annotate +20+110 'single player levels for multiplayer' \
    -type TrueColor -define png:color-type=2 PNG24:banner.png
