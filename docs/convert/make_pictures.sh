#!/usr/bin/env bash
# Makes the pictures of the "Converting pictures" section of docs/image.md: a shop's logo
# as a designer would send it (before.png: 1500 x 600, colour, transparent background), the
# logo the console tool makes of it (after.png), and a part of it by each method
# (methods.png). The 1-bit results are the tool's own BMP files, turned into PNG without a
# change of any dot. Run from the repository root after building:
#   bash docs/convert/make_pictures.sh [build/cli/tarvix-vizaze-cli]
# Needs ImageMagick (/usr/bin/convert) and the DejaVu fonts.
set -euo pipefail
cd "$(dirname "$0")"
CLI=$(realpath "${1:-../../build/cli/tarvix-vizaze-cli}")
IM=/usr/bin/convert
# No dates in the PNG files: the same pictures give the same bytes.
PNG_OPTS=(-define png:exclude-chunks=date,time)
F=/usr/share/fonts/truetype/dejavu
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$IM" -size 1500x600 xc:none \
  \( -size 460x460 radial-gradient:'#ffd54a-#e0461e' -alpha set \
     \( -size 460x460 xc:black -fill white -draw "circle 230,230 230,8" \) -alpha off -compose copy_opacity -composite \) \
  -geometry +60+70 -compose over -composite \
  -fill none -stroke '#7a2a10' -strokewidth 14 -draw "circle 290,300 290,78" \
  -stroke none -fill '#2b2b2b' -font $F/DejaVuSans-Bold.ttf -pointsize 150 -annotate +600+300 'Żółw' \
  -fill '#3c7a3c' -font $F/DejaVuSans.ttf -pointsize 64 -annotate +610+410 'piekarnia · cukiernia' \
  -fill '#1d4fa8' -draw "roundrectangle 600,460 1440,520 30,30" \
  -fill '#ffffff' -font $F/DejaVuSans-Bold.ttf -pointsize 40 -annotate +700+505 'ul. Łąkowa 5, Gdańsk' \
  -depth 8 "${PNG_OPTS[@]}" PNG32:before.png

"$CLI" --dir "$tmp" --printer convert before.png "$tmp/after.bmp"
"$IM" "$tmp/after.bmp" "${PNG_OPTS[@]}" after.png
parts=()
for m in floyd atkinson ordered threshold; do
  "$CLI" --dir "$tmp" --printer --dither "$m" convert before.png "$tmp/$m.bmp" >/dev/null
  "$IM" "$tmp/$m.bmp" -crop 330x256+0+0 +repage -bordercolor '#888888' -border 2 "$tmp/$m.png"
  parts+=("$tmp/$m.png")
done
"$IM" "${parts[@]}" +append "${PNG_OPTS[@]}" methods.png
