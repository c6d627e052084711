#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders Varnholt's own pictures from icon.svg and banner.svg, with rsvg-convert
# (librsvg2-bin) and ImageMagick, next to this script:
#   icon.png, icon@2x.png    32x32 in 256 colours with a transparency mask, and 64x64,
#                            for both windows (Qt takes @2x on high-density screens)
#   icon.ico                 the Windows program file's icon (32, 48 and 256)
#   hicolor/NxN.png          48 to 256, for the desktop's icon theme (with icon.svg)
#   banner.png, banner@2x.png  350x128 and 700x256 in 24-bit colour, the main window's banner
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for size in 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" icon.svg -o "$work/icon-$size.png"
done
convert "$work/icon-32.png" -colors 255 PNG8:icon.png
cp "$work/icon-64.png" icon@2x.png
convert icon.png "$work/icon-48.png" "$work/icon-256.png" icon.ico
mkdir -p hicolor
for size in 48 64 128 256; do
    cp "$work/icon-$size.png" "hicolor/${size}x${size}.png"
done

rsvg-convert -w 350 -h 128 banner.svg -o "$work/banner.png"
rsvg-convert -w 700 -h 256 banner.svg -o "$work/banner@2x.png"
for name in banner banner@2x; do
    convert "$work/$name.png" -background black -alpha remove -type TrueColor -define png:color-type=2 "PNG24:$name.png"
done
