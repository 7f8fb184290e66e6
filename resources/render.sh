#!/bin/sh
# Renders the hand-written SVG sources of the picture folders into the PNGs committed beside them:
# FOLDER/svg/NAME.svg becomes FOLDER/img/icons/NAME.png (exceptions below). A folder with a gen.py
# has its SVG sources written by it first.
# Usage: resources/render.sh [FOLDER...]   (default: every folder with an svg/ or a gen.py)
# Needs python3 and ImageMagick with an SVG reader (librsvg2-bin). Run from anywhere.
set -e
cd "$(dirname "$0")"

# Where a picture goes: core's frame and user pictures live in images/; the slider knob's name in
# the application style sheet is not ASCII.
target() {
  case "$1/$2" in
    core/title | core/line | core/edit | core/Origin | core/Move* | core/*Admin | core/*Operator | core/*LimitUser)
      echo "$1/images/$2.png" ;;
    mainwindow/circle1) echo "$1/img/icons/圆1.png" ;;
    *) echo "$1/img/icons/$2.png" ;;
  esac
}

if [ $# -eq 0 ]; then
  for d in */; do
    d=${d%/}
    if [ -d "$d/svg" ] || [ -f "$d/gen.py" ]; then set -- "$@" "$d"; fi
  done
fi

for folder in "$@"; do
  folder=${folder%/}
  if [ -f "$folder/gen.py" ]; then (cd "$folder" && python3 gen.py); fi
  for f in "$folder"/svg/*.svg; do
    out=$(target "$folder" "$(basename "$f" .svg)")
    mkdir -p "$(dirname "$out")"
    convert -background none "$f" "PNG32:$out"
  done
done
