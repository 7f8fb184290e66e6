#!/bin/sh
# Writes the SVG sources (gen.py) and renders them into the PNGs committed beside them.
# Needs python3 and ImageMagick with an SVG reader (librsvg2-bin). Run from anywhere.
set -e
cd "$(dirname "$0")"
python3 gen.py
mkdir -p img/icons
for f in svg/*.svg; do
  name=$(basename "$f" .svg)
  convert -background none "$f" "PNG32:img/icons/$name.png"
done
