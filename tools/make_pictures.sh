#!/usr/bin/env bash
# Redraws the README's pictures in docs/ with krelan-render: the contact
# sheet of the whole show and one picture of each scene.
#
#   tools/make_pictures.sh [KRELAN_RENDER]   (default build/tools/renderer/krelan-render)
#
# Needs ImageMagick's convert. PNGs are written without time stamps, so a
# rerun of an unchanged show gives the same files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
render=${1:-$root/build/tools/renderer/krelan-render}
docs=$root/docs
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}

# save INPUT NAME: docs/NAME from INPUT, without time stamps.
save() { convert "$1" -strip -define png:exclude-chunks=date,time "$docs/$2"; }
frame() { "$render" frame --beat "$1" --sound "$2" --out "$work/$3.png"; }

"$render" preview --out "$docs/contact-sheet.png"

frame 100.9 16000 sphere
convert "$work/sphere.png" -resize 50% "$work/sphere-half.png"
save "$work/sphere-half.png" scene-sphere.png

# The field with its scroller at four beats, half size, with grey rules
# between the panels so that no line of text seems to run on.
for b in 160 172.5 189 205.5; do
  frame "$b" 0 "field-$b"
  convert "$work/field-$b.png" -resize 50% -shave 2 -bordercolor gray50 -border 2 "$work/f$b.png"
done
convert \( "$work/f160.png" "$work/f172.5.png" +append \) \
        \( "$work/f189.png" "$work/f205.5.png" +append \) -append "$work/field.png"
save "$work/field.png" scene-field.png

frame 250.3 12000 particles
save "$work/particles.png" scene-particles.png

frame 300.5 0 lattice
convert "$work/lattice.png" -resize 50% "$work/lattice-half.png"
save "$work/lattice-half.png" scene-lattice.png
echo "pictures written to $docs"
