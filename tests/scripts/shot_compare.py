#!/usr/bin/env python3
"""Compares screenshots (8-bit RGB or RGBA PNG, as the runner and ImageMagick's PNG24/PNG32 write
them) without any image library, for the scripted tests.

    shot_compare.py diff A.png B.png [X Y W H]   number of pixels that differ (in the rectangle)
    shot_compare.py same A.png B.png [X Y W H]   exit 1 unless the pixels are equal
    shot_compare.py hash A.png X Y W H           SHA-256 of the rectangle's RGB bytes
    shot_compare.py crop A.png X Y W H OUT.png   writes the rectangle as a new PNG
    shot_compare.py sample A.png W H OUT.png     writes A scaled to WxH as the game's windows scale
                                                 it: each pixel is the one under its centre
"""
import hashlib
import struct
import sys
import zlib


class Picture:
    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows  # list of bytes objects, 3 bytes (RGB) a pixel

    def region(self, x, y, w, h):
        if x < 0 or y < 0 or w <= 0 or h <= 0 or x + w > self.width or y + h > self.height:
            raise SystemExit(f"rectangle {x},{y} {w}x{h} is outside the {self.width}x{self.height} picture")
        return [self.rows[r][3 * x:3 * (x + w)] for r in range(y, y + h)]


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG file")
    pos, idat, header = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        pos += 12 + length
    if header is None:
        raise SystemExit(f"{path}: no IHDR")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise SystemExit(f"{path}: only 8-bit RGB/RGBA, non-interlaced PNG is read (depth {depth}, type {colour})")
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * bpp
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif kind == 2:
            line = bytearray((x + y) & 255 for x, y in zip(line, previous))
        elif kind == 3:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((a + previous[i]) >> 1)) & 255
        elif kind == 4:
            for i in range(stride):
                if i >= bpp:
                    line[i] = (line[i] + _paeth(line[i - bpp], previous[i], previous[i - bpp])) & 255
                else:
                    line[i] = (line[i] + previous[i]) & 255
        previous = line
        if bpp == 4:
            rows.append(bytes(v for p in range(width) for v in line[4 * p:4 * p + 3]))
        else:
            rows.append(bytes(line))
    return Picture(width, height, rows)


def write_png(path, rows, width):
    raw = b"".join(b"\x00" + r for r in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, len(rows), 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def differing_pixels(a, b, rect):
    if (a.width, a.height) != (b.width, b.height):
        raise SystemExit(f"sizes differ: {a.width}x{a.height} and {b.width}x{b.height}")
    x, y, w, h = rect if rect else (0, 0, a.width, a.height)
    count = 0
    for ra, rb in zip(a.region(x, y, w, h), b.region(x, y, w, h)):
        if ra != rb:
            count += sum(1 for p in range(w) if ra[3 * p:3 * p + 3] != rb[3 * p:3 * p + 3])
    return count


def sample(picture, width, height):
    """Nearest neighbour by the pixel centres: target pixel t shows source pixel
    floor((t + 1/2) * source / target), worked out in whole numbers."""
    columns = [(2 * x + 1) * picture.width // (2 * width) for x in range(width)]
    rows = []
    for y in range(height):
        source = picture.rows[(2 * y + 1) * picture.height // (2 * height)]
        pixels = [source[3 * c:3 * c + 3] for c in range(picture.width)]
        rows.append(b"".join(pixels[c] for c in columns))
    return rows


def main(argv):
    if len(argv) < 3:
        raise SystemExit(__doc__)
    verb = argv[1]
    ints = lambda words: tuple(int(v) for v in words)
    if verb in ("diff", "same"):
        rect = ints(argv[4:8]) if len(argv) >= 8 else None
        count = differing_pixels(read_png(argv[2]), read_png(argv[3]), rect)
        print(count)
        return 1 if verb == "same" and count else 0
    if verb == "hash":
        rows = read_png(argv[2]).region(*ints(argv[3:7]))
        print(hashlib.sha256(b"".join(rows)).hexdigest())
        return 0
    if verb == "sample":
        width, height = ints(argv[3:5])
        write_png(argv[5], sample(read_png(argv[2]), width, height), width)
        return 0
    if verb == "crop":
        x, y, w, h = ints(argv[3:7])
        write_png(argv[7], read_png(argv[2]).region(x, y, w, h), w)
        return 0
    raise SystemExit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
