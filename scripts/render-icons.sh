#!/usr/bin/env bash
# Renders the program's icon (desktop/icons/tenvel202.svg) to the PNG sizes the desktop looks up
# (desktop/icons/<size>.png, committed). Run again after editing the SVG. Needs rsvg-convert
# (librsvg2-bin) or ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")/../desktop/icons"

for size in 16 24 32 48 64 128 256; do
  if command -v rsvg-convert >/dev/null; then
    rsvg-convert -w "$size" -h "$size" tenvel202.svg -o "$size.png"
  else
    # Rendered large and scaled down, so the small sizes keep smooth edges.
    convert -background none -density 384 tenvel202.svg -resize "${size}x${size}" \
      -depth 8 -strip "PNG32:$size.png"
  fi
done
