#!/bin/sh
# Renders the hand-written SVG sources into the PNGs committed beside them (ImageMagick).
set -e
cd "$(dirname "$0")"
mkdir -p img/icons
for name in ZoomOut 54 55 70 71 2a; do
  convert -background none "svg/$name.svg" "PNG32:img/icons/$name.png"
done
# The slider knob's name in the application style sheet is not ASCII; its source is circle1.svg.
convert -background none svg/circle1.svg "PNG32:img/icons/圆1.png"
