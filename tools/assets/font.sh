#!/usr/bin/env bash
# The game's font is DejaVu Sans Condensed from Debian's fonts-dejavu-core,
# copied unchanged under the name the game loads, with the font's licence
# beside it. It is the narrowest DejaVu face: the long lines of the
# information screens come closest to fitting the 800-pixel window at 28 points.
# Usage: tools/assets/font.sh DATADIR
set -euo pipefail
out="${1:?usage: font.sh DATADIR}"
mkdir -p "$out"
cp /usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf "$out/vantor.ttf"
# The licence as Debian ships it: the part of the copyright file on the fonts.
awk '/^Files: debian/ { exit } { print }' /usr/share/doc/fonts-dejavu-core/copyright > "$out/vantor-LICENSE.txt"
