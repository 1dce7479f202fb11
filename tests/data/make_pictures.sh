#!/usr/bin/env bash
# Regenerates the test pictures of this folder with two independent BMP writers:
# ImageMagick (convert ... -monochrome BMP3:) and Pillow (mode "1", saved as BMP).
# The tests only read the shipped files; run this by hand after changing a picture:
#   bash tests/data/make_pictures.sh
# Needs the real ImageMagick at /usr/bin/convert and Debian's python3-pil.
#
# Pictures (W x H, writer, colour-table entry 0):
#   worked_10x2_{im,pil}.bmp      10 x 2: top row only its leftmost pixel dark, bottom row dark;
#   worked_10x2_white0_im.bmp     the same picture with colour 0 white
#   pattern_16x16_im.bmp          16 x 16 pattern, colour 0 black
#   pattern_100x10_pil.bmp        100 x 10 pattern (S = 16, P = 13), colour 0 black
#   logo_64x24_{black0_im,white0_im,pil}.bmp   one picture in both polarities
#   logo_100x10_{black0_im,white0_im}.bmp      the same with a width that is no multiple of 8
#   allwhite_32x8_{im,pil}.bmp    ImageMagick writes colour 0 white here, Pillow black
#   allblack_32x8_{im,pil}.bmp    both write colour 0 black
#   full_640x640_im.bmp           largest accepted size
#   wide_641x10_im.bmp            one pixel too wide
#   rgb24_48x16_im.bmp            24 bits per pixel
#   variants/                     header forms, palettes, odd widths and top-down files, with
#                                 the dark pixels Pillow sees in each (make_variants.py)
# The pattern: pixel (x, y), y = 0 the top row, is dark when (x + 2*y) % 7 == 0 or x < 3.
cd "$(dirname "$0")"
. ./picture_tools.sh

# A plain PBM (1 = dark) of the pattern, W x H.
pattern_pbm() {
  "$PY" - "$1" "$2" "$3" <<'PYEOF'
import sys
w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
with open(out, "w") as f:
    f.write(f"P1\n{w} {h}\n")
    for y in range(h):
        f.write(" ".join("1" if ((x + 2 * y) % 7 == 0 or x < 3) else "0" for x in range(w)) + "\n")
PYEOF
}

# ImageMagick, colour 0 black (it orders the two-entry table black, white).
im_black0() { "$CONVERT" "$1" -monochrome "BMP3:$2"; }
# ImageMagick, colour 0 white: negating a palette image swaps its table, not its indices.
im_white0() { "$CONVERT" "$1" -negate -monochrome -negate "BMP3:$2"; }
# Pillow, mode "1" (it always writes colour 0 black).
pil() { "$PY" -c 'import sys; from PIL import Image; Image.open(sys.argv[1]).convert("1").save(sys.argv[2], "BMP")' "$1" "$2"; }

printf 'P1\n10 2\n1 0 0 0 0 0 0 0 0 0\n1 1 1 1 1 1 1 1 1 1\n' > "$tmp/worked.pbm"
im_black0 "$tmp/worked.pbm" worked_10x2_im.bmp
im_white0 "$tmp/worked.pbm" worked_10x2_white0_im.bmp
pil "$tmp/worked.pbm" worked_10x2_pil.bmp

pattern_pbm 16 16 "$tmp/p16.pbm";   im_black0 "$tmp/p16.pbm" pattern_16x16_im.bmp
pattern_pbm 100 10 "$tmp/p100.pbm"; pil "$tmp/p100.pbm" pattern_100x10_pil.bmp

pattern_pbm 64 24 "$tmp/logo.pbm"
im_black0 "$tmp/logo.pbm" logo_64x24_black0_im.bmp
im_white0 "$tmp/logo.pbm" logo_64x24_white0_im.bmp
pil "$tmp/logo.pbm" logo_64x24_pil.bmp
im_black0 "$tmp/p100.pbm" logo_100x10_black0_im.bmp
im_white0 "$tmp/p100.pbm" logo_100x10_white0_im.bmp

"$CONVERT" -size 32x8 xc:white -monochrome BMP3:allwhite_32x8_im.bmp
"$CONVERT" -size 32x8 xc:black -monochrome BMP3:allblack_32x8_im.bmp
"$PY" -c 'from PIL import Image; Image.new("1", (32, 8), 1).save("allwhite_32x8_pil.bmp", "BMP")'
"$PY" -c 'from PIL import Image; Image.new("1", (32, 8), 0).save("allblack_32x8_pil.bmp", "BMP")'

pattern_pbm 640 640 "$tmp/full.pbm"; im_black0 "$tmp/full.pbm" full_640x640_im.bmp
pattern_pbm 641 10 "$tmp/wide.pbm";  im_black0 "$tmp/wide.pbm" wide_641x10_im.bmp
"$CONVERT" -size 48x16 xc:red -fill blue -draw "rectangle 4,4 20,12" -type TrueColor BMP3:rgb24_48x16_im.bmp

"$PY" make_variants.py
