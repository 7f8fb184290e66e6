#!/bin/sh
# Renders the hand-written SVG sources of the region page's icons into the committed PNGs.
set -e
cd "$(dirname "$0")"
mkdir -p img/icons
for f in svg/*.svg; do
  name=$(basename "$f" .svg)
  if command -v rsvg-convert >/dev/null 2>&1; then
    rsvg-convert -o "img/icons/$name.png" "$f"
  else
    convert -background none "$f" "PNG32:img/icons/$name.png"
  fi
done
