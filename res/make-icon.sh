#!/bin/sh
# Redraws veltrane.ico: a white "V" with a launch arrow on a deep teal
# rounded square, rendered once at 256 px and scaled down to the sizes the
# shell asks for. Every image is stored as a PNG, which Windows reads in
# icons of any size since Vista: the icon takes about 15 KB of the launcher
# instead of 41 KB. Needs ImageMagick 6 (/usr/bin/convert) and python3.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes="256 64 48 32 24 16"

/usr/bin/convert -size 256x256 xc:none \
  -fill '#0f5c6e' -draw 'roundrectangle 8,8 247,247 44,44' \
  -fill '#1b8aa3' -draw 'roundrectangle 8,8 247,120 44,44' \
  -fill '#0f5c6e' -draw 'rectangle 8,80 247,130' \
  -stroke white -strokewidth 30 -fill none \
  -draw 'polyline 60,64 128,200 196,64' \
  -stroke '#f2a900' -strokewidth 16 \
  -draw 'line 150,106 214,42' \
  -stroke none -fill '#f2a900' -draw 'polygon 226,30 226,86 170,30' \
  "$work/drawing.png"

# 8 bits per channel with alpha: Windows reads only 32-bit PNG icon images.
# No ancillary chunks (time stamps), so a redraw gives the same bytes.
for size in $sizes; do
  /usr/bin/convert "$work/drawing.png" -filter Lanczos -resize "${size}x$size" -depth 8 \
    -strip -define png:color-type=6 -define png:compression-level=9 \
    -define png:exclude-chunks=all "$work/$size.png"
done

# The icon file: a directory of the images, largest first, then the PNGs.
python3 - "$work" $sizes >veltrane.ico <<'PY'
import struct
import sys

work, sizes = sys.argv[1], [int(size) for size in sys.argv[2:]]
images = [open(f"{work}/{size}.png", "rb").read() for size in sizes]
offset = 6 + 16 * len(images)
directory = struct.pack("<HHH", 0, 1, len(images))
for size, image in zip(sizes, images):
    # A width or height of 256 is written as 0.
    directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
sys.stdout.buffer.write(directory + b"".join(images))
PY
