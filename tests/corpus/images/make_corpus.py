#!/usr/bin/env python3
"""Writes the damaged pictures of this folder. Each one must make the decoders throw a clear
error; none may crash, hang or allocate for the size it claims. Run it from anywhere:
the files land next to this script. They are small and checked in, so the test does not
depend on this script."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# ---- BMP ----

def bmp(width, height, bpp, pixels, compression=0, palette=b"", colours_used=0, offset=None):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, 0, 2835, 2835, colours_used, 0)
    if offset is None:
        offset = 14 + len(info) + len(palette)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + info + palette + pixels


GREYS = b"".join(bytes((i, i, i, 0)) for i in range(256))
SIXTEEN = b"".join(bytes((i * 17, i * 17, i * 17, 0)) for i in range(16))

write("bmp_header_cut.bmp", b"BM" + b"\x00" * 10)
write("bmp_info_header_cut.bmp", bmp(4, 4, 24, b"\0" * 64)[:30])
write("bmp_huge_dimensions.bmp", bmp(40000, 40000, 24, b"\0" * 16))
write("bmp_too_many_pixels.bmp", bmp(16000, -16000, 8, b"\0" * 16, palette=GREYS))
write("bmp_negative_width.bmp", bmp(-5, 5, 24, b"\0" * 80))
write("bmp_pixels_cut.bmp", bmp(64, 64, 24, b"\x80" * 100))
write("bmp_offset_past_end.bmp", bmp(2, 2, 24, b"\0" * 16, offset=0x7FFFFFF0))
write("bmp_palette_cut.bmp", bmp(4, 4, 8, b"\0" * 16, palette=GREYS)[:54 + 40])
write("bmp_bit_depth_7.bmp", bmp(4, 4, 7, b"\0" * 16))
write("bmp_rle8_delta_cut.bmp", bmp(4, 2, 8, bytes((0x04, 0x01, 0x00, 0x02, 0x01)), compression=1, palette=GREYS))
write("bmp_rle8_absolute_cut.bmp", bmp(8, 2, 8, bytes((0x00, 0x08, 1, 2, 3)), compression=1, palette=GREYS))
write("bmp_rle8_no_end.bmp", bmp(8, 8, 8, bytes((0x08, 0x01, 0x00, 0x00, 0x08, 0x02)), compression=1, palette=GREYS))
write("bmp_rle4_absolute_cut.bmp",
      bmp(8, 2, 4, bytes((0x09, 0x12, 0x00, 0x00, 0x00, 0x07, 0x12, 0x34)), compression=2, palette=SIXTEEN))
write("bmp_rle4_with_8_bits.bmp", bmp(8, 2, 8, bytes((0x00, 0x01)), compression=2, palette=GREYS))

# ---- PNG ----

def chunk(kind, body, crc=None):
    if crc is None:
        crc = zlib.crc32(kind + body) & 0xFFFFFFFF
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)


SIG = b"\x89PNG\r\n\x1a\n"


def png(width, height, raw, colour_type=2, depth=8, idat=None):
    ihdr = chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0))
    body = zlib.compress(raw) if idat is None else idat
    return SIG + ihdr + chunk(b"IDAT", body) + chunk(b"IEND", b"")


good = png(16, 16, b"".join(b"\x00" + bytes(range(48)) for _ in range(16)))
write("png_cut_in_idat.png", good[:len(good) - 30])
write("png_signature_only.png", SIG)
write("png_huge_dimensions.png", png(100000, 100000, b"\x00\x00\x00\x00"))
write("png_too_many_pixels.png", png(16384, 16384, b"\x00\x00\x00\x00"))
write("png_zero_width.png", png(0, 4, b"\x00" * 4))
bad_crc = bytearray(good)
bad_crc[29] ^= 0x55
write("png_ihdr_crc.png", bytes(bad_crc))
write("png_idat_not_zlib.png", png(16, 16, b"", idat=bytes(range(7, 200))))
write("png_idat_too_short.png", png(16, 16, b"\x00" * 20))
write("png_no_idat.png", SIG + chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 2, 0, 0, 0)) + chunk(b"IEND", b""))
write("png_bad_colour_type.png", png(4, 4, b"\x00" * 20, colour_type=5))
write("png_palette_missing.png", png(4, 4, b"\x00\x00\x00" * 4, colour_type=3))

# ---- JPEG ----
# A baseline 8 x 8 grey picture without Huffman tables (the decoder falls back to the standard
# ones): one block whose DC difference is 0 followed by end-of-block, bits 00 1010 -> 0x2B.

def jpeg(width=8, height=8, scan=b"\x2B", eoi=True):
    soi = b"\xFF\xD8"
    dqt = b"\xFF\xDB" + struct.pack(">H", 67) + b"\x00" + b"\x01" * 64
    sof = b"\xFF\xC0" + struct.pack(">HBHHB", 11, 8, height, width, 1) + b"\x01\x11\x00"
    sos = b"\xFF\xDA" + struct.pack(">HB", 8, 1) + b"\x01\x00" + b"\x00\x3F\x00"
    return soi + dqt + sof + sos + scan + (b"\xFF\xD9" if eoi else b"")


write("jpeg_soi_only.jpg", b"\xFF\xD8")
write("jpeg_garbage_after_soi.jpg", b"\xFF\xD8" + bytes(range(1, 120)))
write("jpeg_huge_dimensions.jpg", jpeg(60000, 60000))
write("jpeg_zero_width.jpg", jpeg(0, 8))
write("jpeg_scan_cut.jpg", jpeg(64, 64, scan=b"\x2B\x2B", eoi=False))
write("jpeg_no_frame.jpg", b"\xFF\xD8" + b"\xFF\xDA" + struct.pack(">HB", 8, 1) + b"\x01\x00\x00\x3F\x00" + b"\x00\xFF\xD9")

write("unknown_format.bin", b"GIF89a" + b"\0" * 20)
