#!/usr/bin/env bash
# Draws the game's pictures with ImageMagick: the sky, the menu background,
# the logo and the texture maps of the rock and the ship.
# Usage: tools/assets/images.sh DATADIR
set -euo pipefail
out="${1:?usage: images.sh DATADIR}"
# The real ImageMagick, not whatever else is called convert on PATH.
IM=/usr/bin/convert
# One thread: ImageMagick splits some operations by thread count, and the
# results then differ from machine to machine.
export MAGICK_THREAD_LIMIT=1
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out/arWing"

# Grey noise field: seed, width, height, blur sigma (0 for none).
noise() {
  $IM -seed "$1" -size "$2x$3" xc:gray50 +noise Random -channel G -separate +channel \
      -virtual-pixel tile -blur "0x$4" -auto-level "$5"
}
# Smooth cloud field built from three octaves of upscaled noise.
clouds() { # seed width height cells-across output
  local s=$1 w=$2 h=$3 c=$4
  $IM -seed "$s" \
    \( -size "${c}x$((c / 2))" xc:gray50 +noise Random -channel G -separate +channel -resize "${w}x${h}!" \) \
    \( -size "$((c * 3))x$((c * 3 / 2))" xc:gray50 +noise Random -channel G -separate +channel -resize "${w}x${h}!" \) \
    \( -size "$((c * 12))x$((c * 6))" xc:gray50 +noise Random -channel G -separate +channel -resize "${w}x${h}!" \) \
    -poly "0.6,1 0.28,1 0.12,1" -auto-level -level 42%,100% -evaluate pow 1.5 "$5"
}
# Stars over a field: sparse faint points and a few bright ones with a glow.
stars() { # seed width height output
  local s=$1 w=$2 h=$3
  $IM -seed "$s" -size "${w}x${h}" xc:gray50 +noise Random -channel G -separate +channel -threshold 99.72% "$tmp/sa.png"
  $IM -seed "$((s + 1))" -size "${w}x${h}" xc:gray50 +noise Random -channel G -separate +channel -threshold 99.97% "$tmp/sb.png"
  $IM -seed "$((s + 2))" -size "${w}x${h}" xc:gray50 +noise Random -channel G -separate +channel -level 20%,100% "$tmp/sl.png"
  $IM "$tmp/sa.png" "$tmp/sl.png" -compose multiply -composite -blur 0x0.5 -level 0,58% \
      \( "$tmp/sb.png" \( +clone -blur 0x0.8 -level 0,40% \) \( "$tmp/sb.png" -blur 0x2.5 -level 0,8% \) \
         -background black -compose screen -flatten \) -compose screen -composite "$4"
}
# Nebula colour: two tints mixed by a second cloud field, scaled by density.
nebula() { # seed width height cells tint1 tint2 strength output
  clouds "$1" "$2" "$3" "$4" "$tmp/density.png"
  clouds "$(($1 + 50))" "$2" "$3" "$(($4 / 2))" "$tmp/mix.png"
  $IM \( -size "$2x$3" xc:"$5" \) \( -size "$2x$3" xc:"$6" \) "$tmp/mix.png" -compose over -composite \
      "$tmp/density.png" -compose multiply -composite -evaluate multiply "$7" "$8"
}
# JPEG in three colour channels always: the sky and the texture maps are
# uploaded as 24-bit RGB, so a greyscale file must never come out.
jpeg() { $IM "$1" -type TrueColor -sampling-factor 1x1 -quality "$2" -strip "$3"; }

# space.jpg: the inside of the sky sphere, an equirectangular star field.
nebula 7 2048 1024 24 'rgb(110,35,150)' 'rgb(25,85,160)' 0.65 "$tmp/neb.png"
stars 3 2048 1024 "$tmp/stars.png"
$IM -size 2048x1024 xc:'rgb(2,3,12)' "$tmp/neb.png" -compose plus -composite \
    "$tmp/stars.png" -compose screen -composite "$tmp/space.png"
jpeg "$tmp/space.png" 88 "$out/space.jpg"

# background.jpg: the menu's picture, stars above the dark limb of a planet.
# The planet's night side is pure black from three quarters of the height
# down, where the menu puts the logo (drawn without alpha blending, its
# transparent parts show black); the menu's red labels stand on dark colours
# everywhere.
W=1024; H=768; R=1500; CX=512; CY=$((470 + R))
nebula 21 $W $H 16 'rgb(20,40,120)' 'rgb(70,30,130)' 0.6 "$tmp/bneb.png"
stars 23 $W $H "$tmp/bstars.png"
$IM -size ${W}x${H} xc:'rgb(3,4,14)' "$tmp/bneb.png" -compose plus -composite \
    "$tmp/bstars.png" -compose screen -composite "$tmp/bsky.png"
$IM -size ${W}x${H} xc:black -fill white -draw "circle $CX,$CY $CX,$((CY - R))" "$tmp/disc.png"
$IM -size ${W}x${H} xc:black -fill none -stroke white -strokewidth 3 -draw "circle $CX,$CY $CX,$((CY - R))" \
    \( +clone -blur 0x10 -level 0,35% \) -compose screen -composite -blur 0x1 \
    \( -size ${W}x${H} xc:'rgb(90,160,255)' \) -compose multiply -composite "$tmp/rim.png"
$IM -size ${W}x85 gradient:'rgb(16,24,48)'-black -background black -gravity north -extent ${W}x$((H - 470)) \
    -gravity south -extent ${W}x${H} "$tmp/night.png"
$IM "$tmp/bsky.png" "$tmp/night.png" "$tmp/disc.png" -compose over -composite \
    "$tmp/rim.png" -compose screen -composite "$tmp/background.png"
jpeg "$tmp/background.png" 88 "$out/background.jpg"

# brackwater_logo.png: the studio's name over a wave, with an alpha channel.
# Its colours are stored already blended over black, so that drawn without
# alpha blending on the black planet it looks the same as with blending.
LW=384; LH=96
$IM -size ${LW}x${LH} xc:black -font "$FONT" -pointsize 52 -fill white -gravity north -annotate +0+4 'BRACKWATER' "$tmp/text.png"
$IM -size ${LW}x${LH} xc:black -fx 'dd=abs(j-(80+5*sin((i-20)/344*2*pi*2))); ee=min(i-16,368-i); (i<16||i>368)?0:min(1,max(0,2.6-dd))*min(1,ee/12)' "$tmp/wave.png"
$IM "$tmp/text.png" "$tmp/wave.png" -compose lighten -composite -morphology Dilate Disk:2 -blur 0x2 -level 0,70% "$tmp/glow.png"
$IM \( -size ${LW}x${LH} xc:'rgb(10,40,50)' "$tmp/glow.png" -alpha off -compose CopyOpacity -composite \) \
    \( -size ${LW}x${LH} xc:'rgb(60,170,200)' "$tmp/wave.png" -alpha off -compose CopyOpacity -composite \) -compose over -composite \
    \( -size ${LW}x${LH} gradient:'rgb(150,230,215)'-'rgb(30,120,110)' "$tmp/text.png" -alpha off -compose CopyOpacity -composite \) \
    -compose over -composite "$tmp/logo.png"
$IM "$tmp/logo.png" -background black -alpha remove -alpha off "$tmp/logo_rgb.png"
$IM "$tmp/logo.png" -alpha extract "$tmp/logo_a.png"
$IM "$tmp/logo_rgb.png" "$tmp/logo_a.png" -alpha off -compose CopyOpacity -composite -strip \
    -define png:exclude-chunks=date,time -depth 8 "PNG32:$out/brackwater_logo.png"

# rock.jpg: the meteor's texture map, 256 x 256 and seamless, because the
# model repeats it across its faces.
S=256
noise 31 $S $S 14 "$tmp/r1.png"; noise 32 $S $S 6 "$tmp/r2.png"
noise 33 $S $S 2.2 "$tmp/r3.png"; noise 34 $S $S 0.7 "$tmp/r4.png"
$IM "$tmp/r1.png" "$tmp/r2.png" "$tmp/r3.png" "$tmp/r4.png" -poly "0.4,1 0.3,1 0.2,1 0.1,1" -auto-level "$tmp/height.png"
$IM "$tmp/height.png" \( +clone -virtual-pixel tile -shade 120x40 -auto-level \) -compose overlay -composite -level 8%,95% "$tmp/rock.png"
$IM -seed 35 -size ${S}x${S} xc:gray50 +noise Random -channel G -separate +channel -threshold 99.3% \
    -virtual-pixel tile -morphology Dilate Disk:1.5 -blur 0x1 -negate "$tmp/pits.png"
$IM -seed 36 -size ${S}x${S} xc:gray50 +noise Random -channel G -separate +channel -threshold 99.5% \
    -virtual-pixel tile -blur 0x0.6 -level 0,50% "$tmp/flecks.png"
$IM -size 1x256 gradient:'rgb(150,140,128)'-'rgb(40,33,28)' "$tmp/ramp.png"
$IM "$tmp/rock.png" "$tmp/pits.png" -compose multiply -composite "$tmp/flecks.png" -compose screen -composite \
    "$tmp/ramp.png" -clut "$tmp/rock_c.png"
jpeg "$tmp/rock_c.png" 90 "$out/rock.jpg"

# arWing/hull.jpg: light grey hull plating with seams, rivets and grime; the
# ship's materials tint it.
panels=""
for r in "0 0 96 64" "96 0 176 64" "176 0 256 40" "176 40 256 96" "0 64 60 128" "60 64 176 128" \
         "176 96 256 160" "0 128 110 192" "110 128 176 200" "176 160 256 256" "0 192 110 256" "110 200 176 256"; do
  set -- $r; panels="$panels rectangle $1,$2 $(($3 - 1)),$(($4 - 1))"
done
rivets=""; for x in $(seq 6 10 250); do rivets="$rivets circle $x,4 $x,5 circle $x,124 $x,125"; done
$IM -seed 41 -size ${S}x${S} xc:gray50 +noise Random -channel G -separate +channel -virtual-pixel tile -blur 0x5 -auto-level +level 85%,100% "$tmp/grime.png"
$IM -seed 42 -size ${S}x${S} xc:gray50 +noise Random -channel G -separate +channel -blur 0x0.5 -auto-level +level 90%,100% "$tmp/grain.png"
$IM -size ${S}x${S} xc:'gray(92%)' -fill 'gray(80%)' -draw "rectangle 96,0 175,63" -draw "rectangle 0,128 109,191" \
    -draw "rectangle 176,160 255,255" -fill none -stroke 'gray(45%)' -strokewidth 1.5 -draw "$panels" \
    -fill 'gray(55%)' -stroke none -draw "$rivets" \
    "$tmp/grime.png" -compose multiply -composite "$tmp/grain.png" -compose multiply -composite "$tmp/hull.png"
jpeg "$tmp/hull.png" 90 "$out/arWing/hull.jpg"
