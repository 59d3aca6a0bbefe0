#!/bin/sh
# Renders desktop/icons/vistrel.svg as the PNG sizes of the hicolor icon
# theme, desktop/icons/vistrel-NxN.png. The PNGs are committed; run this by
# hand after changing the SVG (needs rsvg-convert, package librsvg2-bin).
set -eu
cd "$(dirname "$0")/icons"
command -v rsvg-convert >/dev/null 2>&1 || {
  echo "make-icons.sh: rsvg-convert not found (apt-get install librsvg2-bin)" >&2
  exit 1
}
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "vistrel-${size}x${size}.png" vistrel.svg
  echo "icons/vistrel-${size}x${size}.png"
done
