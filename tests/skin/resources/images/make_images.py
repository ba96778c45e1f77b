#!/usr/bin/env python3
"""Writes the small pictures embedded into the image tests (image_test.rc).

Run from this folder; the outputs are committed. Each picture has known pixel
values that the tests check after decoding."""
import struct
import zlib


def png(width, height, rgba_rows):
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rgba_rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def bmp24(width, height, rgb_rows):
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rgb_rows):  # bottom-up
        line = b"".join(bytes((b, g, r)) for (r, g, b) in row)
        pixels += line + b"\x00" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + pixels


def ico32(size, rgba):
    r, g, b, a = rgba
    xor = bytes((b, g, r, a)) * (size * size)
    mask_stride = ((size + 31) // 32) * 4
    andmask = b"\x00" * (mask_stride * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    image = info + xor + andmask
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + image


# Bitmap 1: 4 x 2, every pixel different.
BMP1 = [[(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)],
        [(0, 255, 255), (255, 0, 255), (10, 20, 30), (200, 150, 100)]]
# Bitmap 2: 2 x 2.
BMP2 = [[(1, 2, 3), (4, 5, 6)], [(7, 8, 9), (10, 11, 12)]]
# PNG 5: 1 x 2 (a skin folder's 5.png must win over it).
PNG5 = [[(9, 9, 9, 255)], [(9, 9, 9, 255)]]
# PNG 5 drawn for 150 %: 2 x 3 of another grey (a skin folder's 5.png must
# never be drawn from it).
PNG5_150 = [[(77, 77, 77, 255)] * 2] * 3
# PNG 6: 2 x 2, opaque, half transparent and fully transparent pixels.
PNG6 = [[(255, 0, 0, 255), (0, 0, 255, 128)], [(0, 255, 0, 0), (30, 60, 90, 255)]]
# PNG 7: 1 x 1.
PNG7 = [[(100, 110, 120, 255)]]

if __name__ == "__main__":
    with open("bitmap1.bmp", "wb") as f:
        f.write(bmp24(4, 2, BMP1))
    with open("bitmap2.bmp", "wb") as f:
        f.write(bmp24(2, 2, BMP2))
    with open("image5.png", "wb") as f:
        f.write(png(1, 2, PNG5))
    with open("image5@150.png", "wb") as f:
        f.write(png(2, 3, PNG5_150))
    with open("image6.png", "wb") as f:
        f.write(png(2, 2, PNG6))
    with open("image7.png", "wb") as f:
        f.write(png(1, 1, PNG7))
    with open("icon101.ico", "wb") as f:
        f.write(ico32(16, (220, 30, 40, 255)))
