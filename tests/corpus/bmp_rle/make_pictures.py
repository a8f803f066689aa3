#!/usr/bin/env python3
"""Writes the run-length-encoded bitmaps of this folder and, beside each NAME.bmp, NAME.png: the
picture the decoder must give. Needs ImageMagick's convert and compare (Debian's imagemagick;
version 6.9 made these). The files are small and checked in, so the tests need neither
ImageMagick nor this script.

The rle8_im_* pictures are ImageMagick's own: it writes RLE8 only, with runs only, and its runs
cover the padded row (a multiple of four pixels), so on widths that are not such a multiple the
last run of a row passes the row's end. Their NAME.png is the picture ImageMagick encoded, drawn
by the same command; ImageMagick's own decoding of the file agrees, except on the 1-pixel-wide
one, where it lets each row's padding wrap into the rows above and keeps it there.

The others are written here, byte by byte, for what ImageMagick does not write: RLE4, absolute
runs, deltas, an early end of bitmap and a delta below the last row. Their NAME.png is
ImageMagick's decoding of the file. Each of them ends a row that a run passes with an
end-of-line code and draws over what ImageMagick wraps into the next row, so that its wrapping
and the decoder's clipping give the same picture."""
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))


def path(name):
    return os.path.join(HERE, name)


def png_of(name):
    return path(name[:-4] + ".png")


def same_pixels(a, b):
    result = subprocess.run(["compare", "-metric", "AE", a, b, "null:"], capture_output=True, text=True)
    return result.returncode == 0 and result.stderr.strip() == "0"


def imagemagick(name, *args):
    # The picture first, then the bitmap from it: with no more than 256 colours, the palette is exact.
    subprocess.run(["convert", "-dither", "None", *args, "-define", "png:exclude-chunks=date,time",
                    "PNG24:" + png_of(name)], check=True)
    subprocess.run(["convert", png_of(name), "-type", "Palette", "-compress", "RLE", "BMP3:" + path(name)],
                   check=True)
    if not same_pixels(path(name), png_of(name)):
        print("note: ImageMagick's decoding of %s differs from the picture it encoded" % name)


# ---- ImageMagick's own: odd widths, long flat rows (runs of 255 and more), bands of a gradient
# (short runs), single points (runs of one).
imagemagick("rle8_im_606x6.bmp", "-size", "6x606", "gradient:#f0e0d0-#102030", "-rotate", "90", "-colors", "24",
            "-fill", "#102030", "-draw", "rectangle 0,0 605,0", "-fill", "#c03030", "-draw", "rectangle 0,2 605,2",
            "-draw", "point 509,4", "-draw", "point 605,5")
imagemagick("rle8_im_37x6.bmp", "-size", "37x6", "gradient:red-blue", "-colors", "12", "+antialias", "-fill", "white",
            "-draw", "line 0,0 36,5", "-draw", "point 36,2")
imagemagick("rle8_im_5x3.bmp", "-size", "5x3", "xc:#80ff00", "-fill", "navy", "-draw", "point 4,0", "-draw",
            "point 0,2")
imagemagick("rle8_im_3x4.bmp", "-size", "3x4", "xc:gold", "-fill", "black", "-draw", "rectangle 2,0 2,3")
imagemagick("rle8_im_1x4.bmp", "-size", "1x4", "xc:teal", "-fill", "orange", "-draw", "point 0,1")

# ---- Written here. Palette: 0 black (what skipped pixels show), then red, green, blue, white,
# grey, yellow, magenta, cyan.
PALETTE = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (128, 128, 128), (255, 255, 0),
           (255, 0, 255), (0, 255, 255)]


def bmp(width, height, bpp, codes):
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    compression = 1 if bpp == 8 else 2
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(codes), 2835, 2835,
                       len(PALETTE), 0)
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(codes), 0, 0, offset) + info + palette + bytes(codes)


def write(name, width, height, bpp, codes):
    with open(path(name), "wb") as f:
        f.write(bmp(width, height, bpp, codes))
    subprocess.run(["convert", path(name), "-define", "png:exclude-chunks=date,time", "PNG24:" + png_of(name)],
                   check=True)


EOL, EOB = [0, 0], [0, 1]


def delta(right, up):
    return [0, 2, right, up]


# 7 x 5, RLE8, rows from the bottom.
write("rle8_codes_7x5.bmp", 7, 5, 8,
      [9, 1] + EOL                                   # a run of 9 in a row of 7
      + [3, 2, 0, 5, 3, 4, 5, 6, 7, 0] + EOL         # 3 runs, then 5 absolute pixels (two past the end), padded
      + [2, 4] + delta(3, 0) + [2, 8] + EOL          # a delta inside the row
      + [1, 6] + delta(2, 1) + [0, 3, 1, 2, 3, 0]    # a delta up a row; an absolute run of 3, padded
      + [1, 7] + EOB)                                # the end before the top row: it stays colour 0

# 7 x 4, RLE4: runs alternate two nibbles, absolute runs are padded to a 16-bit boundary.
write("rle4_codes_7x4.bmp", 7, 4, 4,
      [11, 0x12] + EOL                               # 11 nibbles in a row of 7
      + [0, 5, 0x34, 0x56, 0x70, 0] + [4, 0x88] + EOL  # 5 absolute nibbles (3 bytes, padded), 2 of 4 past the end
      + [0, 9, 0x12, 0x34, 0x56, 0x78, 0x80, 0] + EOL  # 9 absolute nibbles, 2 past the end
      + [2, 0x50] + delta(3, 0) + [3, 0x67] + EOB)    # a run, a delta, and a run of 3 of which 2 fit

# The end comes through a delta below the last row: what follows never reaches the picture.
write("rle8_delta_below_picture_6x3.bmp", 6, 3, 8,
      [6, 3] + EOL + [2, 4] + delta(1, 7) + [6, 1] + EOL + [6, 2] + EOB)
write("rle4_delta_below_picture_8x2.bmp", 8, 2, 4, [0, 2, 3, 7] + EOB)

