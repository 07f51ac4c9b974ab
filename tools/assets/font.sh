#!/usr/bin/env bash
# The game's font is Liberation Sans Narrow from Debian's fonts-liberation,
# copied unchanged under the name the game loads, with the font's licence
# beside it. A narrow face: the longest line of the information screens
# measures 724 pixels at 28 points and fits the 800-pixel window.
# Usage: tools/assets/font.sh DATADIR
set -euo pipefail
out="${1:?usage: font.sh DATADIR}"
mkdir -p "$out"
cp /usr/share/fonts/truetype/liberation/LiberationSansNarrow-Regular.ttf "$out/vantor.ttf"
# The licence as Debian ships it, followed by the GPL it grants the font under.
{
  cat /usr/share/doc/fonts-liberation/copyright
  printf '\n%s\n\n' '-- /usr/share/common-licenses/GPL-2 --'
  cat /usr/share/common-licenses/GPL-2
} > "$out/vantor-LICENSE.txt"
