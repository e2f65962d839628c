#!/usr/bin/env bash
# Draws the demo installer's two page bitmaps into FOLDER with ImageMagick (scripts/setup installs
# it): logo.bmp, the 200 x 76 band at the top left of every page (a night sky with the ball's
# path and the ball), and product.bmp, the 56 x 56 picture in the framed box at the top right
# (the ball). Both are 24-bit Windows bitmaps (BMP3, no alpha), which the installer loads.
# Usage: make_bitmaps.sh FOLDER
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: make_bitmaps.sh FOLDER" >&2; exit 2; }
folder=$1
readonly sky_top='#1e3a78' sky_bottom='#5fa8e0' ball='#f0c040' rim='#a06010' path='#c8dcf0'
mkdir -p "$folder"
convert -size 200x76 "gradient:$sky_top-$sky_bottom" \
  -fill none -stroke "$path" -strokewidth 2 -draw 'path "M 8,64 Q 40,4 72,64 Q 104,4 136,64"' \
  -fill "$ball" -stroke "$rim" -strokewidth 3 -draw 'circle 160,40 160,18' \
  -alpha off -type TrueColor "BMP3:$folder/logo.bmp"
convert -size 56x56 "xc:$sky_top" \
  -fill "$ball" -stroke "$rim" -strokewidth 3 -draw 'circle 28,28 28,6' \
  -fill white -stroke none -draw 'circle 20,20 20,15' \
  -alpha off -type TrueColor "BMP3:$folder/product.bmp"
