#!/usr/bin/env bash
# Regenerates the pictures of this folder: one small test card written by other programs
# (Pillow and ImageMagick) in every format and depth the logo conversion reads. The tests
# only read the shipped files; run this by hand after changing a picture:
#   bash tests/data/pictures/make_pictures.sh
# Needs the real ImageMagick at /usr/bin/convert and Debian's python3-pil.
#
# The card, 24 x 16: columns 0-7 black, 8-15 white but for a black bar in the top four
# rows (so that a picture read upside down shows), 16-23 the third field:
#   pictures with alpha (and the GIF and palette PNG with a transparent colour): black with
#   alpha 0, which must come out as white paper;
#   the others: pure blue (0, 0, 255), which is dark (its luminance is 7 % of white's).
# card.gif has a second frame, all black, that must be ignored.
# Damaged files: card_cut.png (cut in the middle), card_cut.bmp (24-bit, pixel rows cut),
# card_rle8.bmp (RLE-compressed, which the decoder does not take), not_a_picture.txt.
cd "$(dirname "$0")"
. ../picture_tools.sh

"$PY" - "$tmp" <<'PYEOF'
import struct, sys
from PIL import Image
tmp = sys.argv[1]
W, H = 24, 16

def field(x, y):  # 0 black, 1 white, 2 the third field
    if x < 8 or (x < 16 and y < 4): return 0
    return 1 if x < 16 else 2

def card(third, mode="RGBA"):
    im = Image.new(mode, (W, H))
    colours = [(0, 0, 0, 255), (255, 255, 255, 255), third]
    for y in range(H):
        for x in range(W):
            c = colours[field(x, y)]
            im.putpixel((x, y), c if mode == "RGBA" else c[:3])
    return im

blue = card((0, 0, 255, 255), "RGB")
clear = card((0, 0, 0, 0))
blue.save(f"{tmp}/blue.png")
clear.save(f"{tmp}/clear.png")

# PNG: RGB, RGBA, palette with a transparent entry, grey, grey 16-bit, grey+alpha, 1-bit.
blue.save("card_rgb.png")
clear.save("card_rgba.png")
pal = Image.new("P", (W, H))
pal.putpalette([0, 0, 0, 255, 255, 255, 0, 0, 0] + [0] * (253 * 3))
for y in range(H):
    for x in range(W):
        pal.putpixel((x, y), field(x, y))
pal.save("card_palette.png", transparency=2)
blue.convert("L").save("card_grey.png")
g16 = Image.new("I;16", (W, H))
for y in range(H):
    for x in range(W):
        g16.putpixel((x, y), [0, 65535, 4000][field(x, y)])
g16.save("card_grey16.png")
clear.convert("LA").save("card_greyalpha.png")
blue.convert("L").point(lambda v: 255 if v >= 128 else 0).convert("1", dither=Image.NONE).save("card_1bit.png")

# JPEG: colour (no chroma subsampling), grey, progressive.
blue.save("card_rgb.jpg", quality=95, subsampling=0)
blue.convert("L").save("card_grey.jpg", quality=95)
blue.save("card_progressive.jpg", quality=95, subsampling=0, progressive=True)

# GIF: transparent third field, and a second frame all black.
black = Image.new("P", (W, H), 0)
black.putpalette([0, 0, 0, 255, 255, 255, 0, 0, 0] + [0] * (253 * 3))
pal.save("card.gif", save_all=True, append_images=[black], transparency=2, disposal=1, duration=100, loop=0)

# BMP: 8-bit palette, 24-bit, and a top-down 24-bit file (negative height).
blue.convert("P", palette=Image.ADAPTIVE, colors=4).save("card_8bit.bmp")
blue.save("card_24bit.bmp")
stride = (W * 3 + 3) // 4 * 4
rows = b""
for y in range(H):
    row = b"".join(bytes((b, g, r)) for (r, g, b) in (blue.getpixel((x, y)) for x in range(W)))
    rows += row + b"\0" * (stride - W * 3)
hdr = b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54)
hdr += struct.pack("<IiiHHIIiiII", 40, W, -H, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
open("card_topdown.bmp", "wb").write(hdr + rows)

# TGA: plain, run-length compressed and with alpha; PNM: PPM and PGM.
blue.save("card.tga")
blue.save("card_rle.tga", compression="tga_rle")
clear.save("card_rgba.tga")
blue.save("card.ppm")
blue.convert("L").save("card.pgm")

# Damaged.
data = open("card_rgb.png", "rb").read()
open("card_cut.png", "wb").write(data[: len(data) // 2])
data = open("card_24bit.bmp", "rb").read()
open("card_cut.bmp", "wb").write(data[: 54 + 5 * stride])
open("not_a_picture.txt", "w").write("To nie jest obraz, tylko tekst.\n")
PYEOF

# ImageMagick: 4-bit BMP, 16-bit (RGB 5-6-5) BMP, 32-bit BMP with alpha, the old OS/2
# header, 16-bit PGM, 16-bit-per-channel PNG with alpha, RLE-compressed BMP.
"$CONVERT" "$tmp/blue.png" -type Palette -colors 4 BMP3:card_4bit.bmp
"$CONVERT" "$tmp/blue.png" -define bmp:subtype=RGB565 BMP:card_rgb565.bmp
"$CONVERT" "$tmp/clear.png" -define bmp:format=bmp4 BMP:card_32bit_alpha.bmp
"$CONVERT" "$tmp/blue.png" -type TrueColor BMP2:card_os2.bmp
"$CONVERT" "$tmp/blue.png" -colorspace Gray -depth 16 card16.pgm
"$CONVERT" "$tmp/clear.png" -depth 16 PNG64:card_rgba64.png
"$CONVERT" "$tmp/blue.png" -type Palette -compress RLE BMP3:card_rle8.bmp
ls -l
