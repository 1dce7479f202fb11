#!/usr/bin/python3
"""Writes the header and palette variants of tests/data/variants/ and the dark pixels
Pillow sees in each of them (tests/data/variants/dark.txt).

Run by tests/data/make_pictures.sh; by hand:  /usr/bin/python3 tests/data/make_variants.py
Needs the real ImageMagick at /usr/bin/convert, Debian's python3-pil and an ICC profile
(ghostscript's sgray.icc: ImageMagick writes a V5 header only for a picture that carries
a profile).

Where a tool writes the variant, the tool made it: ImageMagick for the Windows 3 (BMP3:),
OS/2 1.x (BMP2:), V4 (BMP:) and V5 (BMP: with a profile) headers, for colour 0 light or
dark and for palettes that are not black and white; Pillow for its own one-bit files.
Where no tool writes it, the file is one of those, changed by the byte patches below:
top-down row order, the OS/2 2.x and the 52- and 56-byte headers, non-zero fourth palette
bytes, a near-white colour 0, a gap before the pixels, an explicit colour count.

refused/: a real writer's file that the reader refuses.

dark.txt: for every picture a line "name W H", then H lines of W characters from the top
row, '#' where Pillow's grey (mode "L") is below 128, '.' elsewhere. Pillow reads no 52- or
56-byte header; for those the pixels of the file they were made from are written, which
the patch does not touch.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "variants")
CONVERT = "/usr/bin/convert"
PROFILE = "/usr/share/color/icc/ghostscript/sgray.icc"


def pattern(x, y):
    """The drawing of every variant: y = 0 is the top row."""
    return (x + 2 * y) % 7 == 0 or x < 3


def pbm(path, w, h):
    with open(path, "w") as f:
        f.write("P1\n%d %d\n" % (w, h))
        for y in range(h):
            f.write(" ".join("1" if pattern(x, y) else "0" for x in range(w)) + "\n")


def im(src, dst, *opts):
    subprocess.run([CONVERT, src, *opts, dst], check=True)


# ------------------------------------------------------------------ byte patches


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def put32(b, at, v, signed=False):
    struct.pack_into("<i" if signed else "<I", b, at, v)


def rows_of(b):
    """Offset, stride and height of a bottom-up 40-byte-family file."""
    w, h = struct.unpack_from("<ii", b, 18)
    return u32(b, 10), (w + 31) // 32 * 4, h


def top_down(b):
    """The same picture with its rows stored top row first and the height negated."""
    b = bytearray(b)
    off, stride, h = rows_of(b)
    rows = [bytes(b[off + r * stride: off + (r + 1) * stride]) for r in range(h)]
    b[off: off + h * stride] = b"".join(reversed(rows))
    put32(b, 22, -h, signed=True)
    return b


def grow_header(b, new_size):
    """The 40-byte header widened to new_size bytes (zero fields after the first 40)."""
    b = bytearray(b)
    extra = new_size - u32(b, 14)
    b[54:54] = bytes(extra)
    put32(b, 14, new_size)
    put32(b, 10, u32(b, 10) + extra)
    put32(b, 2, len(b))
    return b


def palette_bytes(b, entries):
    """Colour-table entries (4 bytes each) replaced; entries: {index: 4 bytes}."""
    b = bytearray(b)
    start = 14 + u32(b, 14)
    for i, v in entries.items():
        b[start + 4 * i: start + 4 * i + 4] = v
    return b


def gap_before_pixels(b, n):
    """n junk bytes between the colour table and the pixels, the offset moved past them."""
    b = bytearray(b)
    off = u32(b, 10)
    b[off:off] = bytes([0xA5] * n)
    put32(b, 10, off + n)
    put32(b, 2, len(b))
    return b


def colour_count(b, n):
    b = bytearray(b)
    put32(b, 46, n)
    return b


# ------------------------------------------------------------------ the set


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(os.path.join(OUT, "refused"))
    made = []  # (name, file whose pixels Pillow reads for dark.txt)
    tmp = tempfile.mkdtemp()

    def path(name):
        return os.path.join(OUT, name)

    def src(w, h):
        p = os.path.join(tmp, "p%dx%d.pbm" % (w, h))
        if not os.path.exists(p):
            pbm(p, w, h)
        return p

    # Colour 0 dark: ImageMagick orders a two-colour table dark first. Colour 0 light:
    # negating a palette picture swaps its table, not its indices.
    def im_pair(name, w, h, fmt, *opts):
        im(src(w, h), fmt + ":" + path(name % "black0"), "-monochrome", *opts)
        im(src(w, h), fmt + ":" + path(name % "white0"), "-negate", "-monochrome", "-negate", *opts)
        made.extend([(name % "black0", None), (name % "white0", None)])

    im_pair("v3_%s_13x7_im.bmp", 13, 7, "BMP3")
    im_pair("os2v1_%s_13x7_im.bmp", 13, 7, "BMP2")
    im_pair("v4_%s_13x7_im.bmp", 13, 7, "BMP")
    im_pair("v5_%s_13x7_im.bmp", 13, 7, "BMP", "-profile", PROFILE)

    for w, h in ((1, 1), (31, 3), (33, 5), (65, 2)):
        name = "w%d_%dx%d_im.bmp" % (w, w, h)
        im(src(w, h), "BMP3:" + path(name), "-monochrome")
        made.append((name, None))
        name = "w%d_%dx%d_pil.bmp" % (w, w, h)
        Image.open(src(w, h)).convert("1").save(path(name), "BMP")
        made.append((name, None))

    # Two-colour pictures that are not black and white: (dark pixels, light pixels), the
    # colour of the dark pixels first in the table unless the name says otherwise.
    pairs = {
        "grey_dark0": ("#203040", "#E0D0C0"),
        "red_green": ("#FF0000", "#00FF00"),  # grey 76 and 150
        "edge_7f_80": ("#7F7F7F", "#808080"),  # grey 127 (dark) and 128 (light)
        "both_dark": ("#400000", "#000050"),
        "both_light": ("#C0C0FF", "#FFFFC0"),
    }
    for key, (d, l) in pairs.items():
        name = "%s_13x7_im.bmp" % key
        im(src(13, 7), "BMP3:" + path(name), "-fill", d, "-opaque", "black", "-fill", l,
           "-opaque", "white", "-type", "Palette")
        made.append((name, None))
    # The light colour first: drawn negated, the table negated back.
    for key, (d, l) in {"grey_light0": ("#203040", "#E0D0C0"),
                        "nearwhite0": ("#000000", "#FEFFFF")}.items():
        neg = lambda c: "#%06X" % (0xFFFFFF - int(c[1:], 16))
        name = "%s_13x7_im.bmp" % key
        im(src(13, 7), "BMP3:" + path(name), "-negate", "-fill", neg(l), "-opaque", "black",
           "-fill", neg(d), "-opaque", "white", "-type", "Palette", "-negate")
        made.append((name, None))

    def patched(name, base, fn, pixels_from=None):
        with open(path(base), "rb") as f:
            b = fn(f.read())
        with open(path(name), "wb") as f:
            f.write(b)
        made.append((name, pixels_from))

    patched("topdown_black0_13x7.bmp", "v3_black0_13x7_im.bmp", top_down)
    patched("topdown_white0_13x7.bmp", "v3_white0_13x7_im.bmp", top_down)
    patched("topdown_v5_13x7.bmp", "v5_black0_13x7_im.bmp", top_down)
    patched("topdown_33x5.bmp", "w33_33x5_pil.bmp", top_down)
    patched("os2v2_black0_13x7.bmp", "v3_black0_13x7_im.bmp", lambda b: grow_header(b, 64))
    patched("os2v2_white0_13x7.bmp", "v3_white0_13x7_im.bmp", lambda b: grow_header(b, 64))
    patched("v52_13x7.bmp", "v3_black0_13x7_im.bmp", lambda b: grow_header(b, 52),
            "v3_black0_13x7_im.bmp")
    patched("v56_white0_13x7.bmp", "v3_white0_13x7_im.bmp", lambda b: grow_header(b, 56),
            "v3_white0_13x7_im.bmp")
    # A fourth byte that is not zero: black stays black, white stays white.
    patched("reserved_black0_13x7.bmp", "v3_black0_13x7_im.bmp",
            lambda b: palette_bytes(b, {0: b"\x00\x00\x00\xFF", 1: b"\xFF\xFF\xFF\x80"}))
    patched("reserved_white0_13x7.bmp", "v3_white0_13x7_im.bmp",
            lambda b: palette_bytes(b, {0: b"\xFF\xFF\xFF\x01", 1: b"\x00\x00\x00\x01"}))
    patched("gap_13x7.bmp", "v3_black0_13x7_im.bmp", lambda b: gap_before_pixels(b, 6))
    patched("colours2_13x7.bmp", "v3_white0_13x7_im.bmp", lambda b: colour_count(b, 2))

    # Refused, and so not in dark.txt: a real writer's compressed file. For a one-bit
    # picture ImageMagick writes RLE8, 8 bits per pixel.
    im(src(13, 7), "BMP3:" + path("refused/rle8_13x7_im.bmp"), "-monochrome", "-compress", "RLE")

    with open(path("dark.txt"), "w") as out:
        out.write("# name W H, then the rows from the top: '#' dark, '.' light, as Pillow sees them\n")
        for name, pixels_from in made:
            pic = Image.open(path(pixels_from or name)).convert("L")
            w, h = pic.size
            out.write("%s %d %d\n" % (name, w, h))
            for y in range(h):
                out.write("".join("#" if pic.getpixel((x, y)) < 128 else "." for x in range(w)) + "\n")
    shutil.rmtree(tmp)


if __name__ == "__main__":
    sys.exit(main())
