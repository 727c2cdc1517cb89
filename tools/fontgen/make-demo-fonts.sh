#!/bin/sh
# Makes the demo game's fonts (content/fnt, glyph pictures in content/gfx/Fonts) from DejaVu
# (Debian's fonts-dejavu-core) with hoe-fontgen. Usage: make-demo-fonts.sh [PATH-TO-hoe-fontgen]
set -eu
cd "$(dirname "$0")/../.."
GEN=${1:-build/default/tools/hoe-fontgen}
DEJAVU=/usr/share/fonts/truetype/dejavu
mkdir -p content/fnt content/gfx/Fonts
# name, font file, pixel size
while read -r NAME FILE SIZE; do
  "$GEN" "$DEJAVU/$FILE" "$SIZE" "content/fnt/$NAME.fnt" \
    --png "content/gfx/Fonts/$NAME.png" --sprite-url "Fonts\\$NAME.png"
done <<LIST
System DejaVuSans.ttf 13
Text DejaVuSans.ttf 18
Panel DejaVuSans.ttf 14
Title DejaVuSerif-Bold.ttf 32
LIST
