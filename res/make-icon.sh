#!/bin/sh
# Redraws veltrane.ico: a white "V" with a launch arrow on a deep teal
# rounded square, rendered once at 256 px and scaled down to the sizes the
# shell asks for. Needs ImageMagick 6 (/usr/bin/convert).
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/convert -size 256x256 xc:none \
  -fill '#0f5c6e' -draw 'roundrectangle 8,8 247,247 44,44' \
  -fill '#1b8aa3' -draw 'roundrectangle 8,8 247,120 44,44' \
  -fill '#0f5c6e' -draw 'rectangle 8,80 247,130' \
  -stroke white -strokewidth 30 -fill none \
  -draw 'polyline 60,64 128,200 196,64' \
  -stroke '#f2a900' -strokewidth 16 \
  -draw 'line 150,106 214,42' \
  -stroke none -fill '#f2a900' -draw 'polygon 226,30 226,86 170,30' \
  "$work/256.png"

# 8 bits per channel with alpha: Windows reads only 32-bit PNG icon images.
/usr/bin/convert "$work/256.png" -depth 8 -filter Lanczos \
  -define png:color-type=6 -define icon:auto-resize=256,64,48,32,24,16 veltrane.ico
