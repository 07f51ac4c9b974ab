#!/usr/bin/env bash
# The framework's built-in bitmap font is derived from the public-domain
# console font Uni2-Fixed14 of Debian's console-setup-linux.
# Usage: tools/assets/bitmapfont.sh BITMAPFONT_TOOL OUT.h
set -euo pipefail
tool="${1:?usage: bitmapfont.sh BITMAPFONT_TOOL OUT.h}"
out="${2:?usage: bitmapfont.sh BITMAPFONT_TOOL OUT.h}"
psf="$(mktemp)"
trap 'rm -f "$psf"' EXIT
zcat /usr/share/consolefonts/Uni2-Fixed14.psf.gz > "$psf"
"$tool" "$psf" "$out"
