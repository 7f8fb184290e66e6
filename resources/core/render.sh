#!/bin/sh
# Renders the hand-written SVG sources into the PNGs that are committed beside them.
# Needs ImageMagick with an SVG reader (librsvg2-bin). Run from anywhere.
set -e
cd "$(dirname "$0")"
mkdir -p img/icons images
for name in 2 3-1 slideru sliderd slidert buttonu buttond 19 18 ZoomIn; do
  convert -background none "svg/$name.svg" "PNG32:img/icons/$name.png"
done
for name in title line edit Origin MoveUp MoveDown MoveLeft MoveRight \
            CheckedAdmin Admin CheckedOperator Operator CheckedLimitUser LimitUser; do
  convert -background none "svg/$name.svg" "PNG32:images/$name.png"
done
