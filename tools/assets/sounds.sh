#!/usr/bin/env bash
# Synthesises the sound effects and the music loop with soundgen and encodes
# the loop as MP3 with lame. lame's tag records its encoder delay and padding,
# so a gapless decoder (libsndfile through mpg123) gives back exactly the
# loop's frames and the music loops without a gap.
# Usage: tools/assets/sounds.sh SOUNDGEN DATADIR
set -euo pipefail
soundgen="${1:?usage: sounds.sh SOUNDGEN DATADIR}"
out="${2:?usage: sounds.sh SOUNDGEN DATADIR}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

"$soundgen" "$tmp"
cp "$tmp/laser_shot.wav" "$tmp/explosion.wav" "$out/"
lame --quiet --noreplaygain -b 128 -q 2 "$tmp/evil_2.wav" "$out/evil_2.mp3"
