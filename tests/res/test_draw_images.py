"""res/draw_images.py reproduces the committed images and writes valid files."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.normpath(os.path.join(HERE, "..", "..", "res"))
SCRIPT = os.path.join(RES, "draw_images.py")

PNG_SIZES = {
    "1.png": (117, 19), "2.png": (87, 19), "3.png": (355, 71), "4.png": (213, 71), "5.png": (30, 28),
    "6.png": (96, 16), "7.png": (71, 71), "8.png": (71, 71), "9.png": (576, 48), "10.png": (30, 28), "11.png": (54, 18),
    "12.png": (87, 19), "13.png": (87, 19),
}
# The same images drawn for 150 % and 200 %: each frame's sides times the
# scale, rounded to whole pixels.
PNG_SIZES.update({
    "1@150.png": (177, 29), "2@150.png": (132, 29), "3@150.png": (535, 107), "4@150.png": (321, 107),
    "5@150.png": (45, 42), "6@150.png": (144, 24), "7@150.png": (107, 107), "8@150.png": (107, 107),
    "9@150.png": (864, 72), "10@150.png": (45, 42), "11@150.png": (81, 27),
    "12@150.png": (132, 29), "13@150.png": (132, 29),
    "1@200.png": (234, 38), "2@200.png": (174, 38), "3@200.png": (710, 142), "4@200.png": (426, 142),
    "5@200.png": (60, 56), "6@200.png": (192, 32), "7@200.png": (142, 142), "8@200.png": (142, 142),
    "9@200.png": (1152, 96), "10@200.png": (60, 56), "11@200.png": (108, 36),
    "12@200.png": (174, 38), "13@200.png": (174, 38),
})
BMP_SIZES = {"1.bmp": (13, 29), "2.bmp": (9, 5), "3.bmp": (13, 23)}
ICON_ENTRIES = [(16, 8), (24, 8), (32, 8), (16, 32), (32, 32), (48, 32)]


def png_pixels(data):
    """Straight RGBA rows of an 8-bit RGBA, non-interlaced PNG (any filter)."""
    w, h = struct.unpack(">II", data[16:24])
    at, idat = 8, b""
    while at < len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        if data[at + 4:at + 8] == b"IDAT":
            idat += data[at + 8:at + 8 + length]
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = w * 4
    rows, prev = [], bytearray(stride)
    for y in range(h):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if f == 1:
                line[i] = (line[i] + a) & 0xFF
            elif f == 2:
                line[i] = (line[i] + b) & 0xFF
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(bytes(line))
        prev = line
    return w, h, rows


class DrawImagesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        subprocess.run([sys.executable, SCRIPT, cls.tmp.name], check=True)
        cls.names = sorted(os.listdir(cls.tmp.name))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def read(self, folder, name):
        with open(os.path.join(folder, name), "rb") as f:
            return f.read()

    def test_writes_every_embedded_image(self):
        self.assertEqual(self.names, sorted(list(PNG_SIZES) + list(BMP_SIZES) + ["tavora.ico"]))

    def test_output_matches_the_committed_files_byte_for_byte(self):
        for name in self.names:
            with self.subTest(name=name):
                self.assertEqual(self.read(self.tmp.name, name), self.read(RES, name))

    def test_second_run_gives_identical_bytes(self):
        with tempfile.TemporaryDirectory() as again:
            subprocess.run([sys.executable, SCRIPT, again], check=True)
            for name in self.names:
                self.assertEqual(self.read(again, name), self.read(self.tmp.name, name), name)

    def test_pngs_are_8_bit_rgba_with_intact_chunks(self):
        for name, (w, h) in PNG_SIZES.items():
            with self.subTest(name=name):
                data = self.read(self.tmp.name, name)
                self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
                self.assertEqual(data[12:16], b"IHDR")
                self.assertEqual(struct.unpack(">IIBBBBB", data[16:29]), (w, h, 8, 6, 0, 0, 0))
                at, kinds = 8, []
                while at < len(data):
                    (length,) = struct.unpack(">I", data[at:at + 4])
                    body = data[at + 4:at + 8 + length]
                    (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
                    self.assertEqual(zlib.crc32(body) & 0xFFFFFFFF, crc)
                    kinds.append(body[:4])
                    at += 12 + length
                self.assertEqual(at, len(data))
                self.assertEqual(kinds[0], b"IHDR")
                self.assertEqual(kinds[-1], b"IEND")
                # No time stamps or text that would make the output vary.
                self.assertFalse({b"tIME", b"tEXt", b"zTXt", b"iTXt"} & set(kinds))
                pw, ph, rows = png_pixels(data)
                self.assertEqual((pw, ph, len(rows)), (w, h, h))

    def test_no_visible_pixel_is_the_colour_key(self):
        for name in PNG_SIZES:
            _, _, rows = png_pixels(self.read(self.tmp.name, name))
            for row in rows:
                for i in range(0, len(row), 4):
                    if row[i + 3]:
                        self.assertNotEqual(row[i:i + 3], b"\xff\x00\xff", name)

    def test_bitmaps_are_24_bit_bottom_up(self):
        for name, (w, h) in BMP_SIZES.items():
            with self.subTest(name=name):
                data = self.read(self.tmp.name, name)
                magic, size, _, _, offset = struct.unpack("<2sIHHI", data[:14])
                self.assertEqual((magic, size, offset), (b"BM", len(data), 54))
                hdr = struct.unpack("<IiiHHIIiiII", data[14:54])
                self.assertEqual(hdr[:6], (40, w, h, 1, 24, 0))
                self.assertEqual(len(data), 54 + ((w * 3 + 3) & ~3) * h)

    def test_icon_holds_six_images(self):
        data = self.read(self.tmp.name, "tavora.ico")
        reserved, kind, count = struct.unpack("<HHH", data[:6])
        self.assertEqual((reserved, kind, count), (0, 1, 6))
        for i, (size, bits) in enumerate(ICON_ENTRIES):
            w, h, colours, _, planes, bitcount, length, offset = struct.unpack(
                "<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
            self.assertEqual((w, h, colours, planes, bitcount), (size, size, 0, 1, bits))
            dib = struct.unpack("<IiiHH", data[offset:offset + 16])
            self.assertEqual(dib, (40, size, 2 * size, 1, bits))
            self.assertLessEqual(offset + length, len(data))


if __name__ == "__main__":
    unittest.main()
