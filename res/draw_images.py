#!/usr/bin/python3
"""Draws every image the program embeds: PNG 1-13 (also at 150 % and 200 % of
their size, as N@150.png and N@200.png, for displays at those scales),
bitmaps 1-3 and the program icon.

    res/draw_images.py [output folder] [--preview folder]

Without an output folder the files are written beside this script (res/), where
tavora.rc picks them up. The output is deterministic: shapes are rendered with
PIL at a fixed oversampling and box-filtered down, and the files are encoded by
the small writers below (fixed zlib level, no time stamps, no metadata), so the
same inputs always give the same bytes.

The look: a sky-blue set built around the accent 45B1E5 of the check box
labels and the list's row colours A9DAF1 / E0EDFD, on the body colour FBFCFD.
"""

import math
import os
import struct
import sys
import zlib

from PIL import Image, ImageChops, ImageDraw

# Oversampling factor for anti-aliased shapes.
S = 8

# Display scale the PNG images are drawn for: shapes are placed in 100 % units
# and rendered K times larger (each side rounded to a whole pixel).
K = 1.0


def at_scale(length):
    """A length in 100 % units as whole pixels at the current scale."""
    return int(math.floor(length * K + 0.5))

# Palette shared by all images (RGB tuples).
ACCENT = (0x45, 0xB1, 0xE5)
ACCENT_LIGHT = (0x6C, 0xC6, 0xF0)
ACCENT_DARK = (0x23, 0x84, 0xC6)
ACCENT_DEEP = (0x17, 0x5E, 0x93)
ROW_ODD = (0xA9, 0xDA, 0xF1)
ROW_EVEN = (0xE0, 0xED, 0xFD)
BODY = (0xFB, 0xFC, 0xFD)
WHITE = (0xFF, 0xFF, 0xFF)
OUTLINE = (0x3A, 0x8C, 0xC4)      # window outline around header, body and footer
GLYPH = (0x16, 0x47, 0x6C)        # dark navy for glyphs on the light header
HEAD_TOP = (0x9C, 0xD8, 0xF6)
HEAD_BOTTOM = (0x5D, 0xBB, 0xEA)
HEAD_SHINE = (0xCF, 0xEE, 0xFC)
HEAD_SEPARATOR = (0x3B, 0x9C, 0xD6)
FOOT_TOP = (0xEC, 0xF6, 0xFD)
FOOT_BOTTOM = (0xD2, 0xEA, 0xF8)
FOOT_SEPARATOR = (0xC4, 0xE1, 0xF3)
CLOSE_HOVER = (0xE8, 0x4A, 0x4F)
CLOSE_PUSHED = (0xB8, 0x2F, 0x35)
FIELD_BORDER = (0x9E, 0xC6, 0xE0)
FIELD_SHADE = (0xEA, 0xF3, 0xF9)
BOX_BORDER = (0x94, 0xB3, 0xC9)
INVALID_BORDER = (0xD9, 0x30, 0x25)
INVALID_FILL = (0xFF, 0xF4, 0xF3)


# ---------------------------------------------------------------- encoders

def png_bytes(img):
    """8-bit RGBA PNG: IHDR, one IDAT (filter 'none' on every row), IEND."""
    img = img.convert("RGBA")
    w, h = img.size
    raw = img.tobytes()
    stride = w * 4
    rows = b"".join(b"\x00" + raw[y * stride:(y + 1) * stride] for y in range(h))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def bmp_bytes(img):
    """24-bit bottom-up Windows bitmap file."""
    img = img.convert("RGB")
    w, h = img.size
    stride = (w * 3 + 3) & ~3
    px = img.load()
    data = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = px[x, y]
            row += bytes((b, g, r))
        row += b"\x00" * (stride - len(row))
        data += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + bytes(data)


def _and_mask(w, h, transparent):
    """1-bit AND mask rows, bottom-up, each padded to 32 bits."""
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if transparent(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def icon_dib_32(img):
    w, h = img.size
    px = img.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
    mask = _and_mask(w, h, lambda x, y: px[x, y][3] == 0)
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + mask


def icon_dib_8(img):
    """256-colour icon image: palette entry 0 is black, used under the AND mask."""
    w, h = img.size
    px = img.load()
    # Edge pixels that stay visible are flattened onto a neutral grey.
    flat = Image.new("RGB", (w, h))
    fp = flat.load()
    for y in range(h):
        for x in range(w):
            r, g, b, a = px[x, y]
            fp[x, y] = tuple((c * a + 0xC0 * (255 - a) + 127) // 255 for c in (r, g, b))
    quant = flat.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    qpal = quant.getpalette()[:255 * 3]
    qp = quant.load()
    palette = bytearray(b"\x00\x00\x00\x00")
    for i in range(255):
        r, g, b = (qpal[3 * i:3 * i + 3] + [0, 0, 0])[:3]
        palette += bytes((b, g, r, 0))
    stride = (w + 3) & ~3
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            row[x] = 0 if px[x, y][3] < 128 else qp[x, y] + 1
        xor += row
    mask = _and_mask(w, h, lambda x, y: px[x, y][3] < 128)
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0)
    return info + bytes(palette) + bytes(xor) + mask


def ico_bytes(entries):
    """entries: list of (size, bit count, DIB bytes)."""
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    directory = b""
    blobs = b""
    for size, bits, dib in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(dib), offset)
        offset += len(dib)
        blobs += dib
    return head + directory + blobs


# ---------------------------------------------------------------- drawing helpers

def blank(w, h):
    return Image.new("RGBA", (at_scale(w), at_scale(h)), (0, 0, 0, 0))


def coverage(w, h, draw):
    """Anti-aliased coverage mask: `draw(d, s)` paints white at S * K times scale."""
    big = Image.new("L", (at_scale(w) * S, at_scale(h) * S), 0)
    draw(ImageDraw.Draw(big), S * K)
    return big.resize((at_scale(w), at_scale(h)), Image.BOX)


def cut(mask, hole):
    return ImageChops.subtract(mask, hole)


def vgradient(w, h, top, bottom, y0=0, y1=None):
    """Vertical gradient from `top` at row y0 to `bottom` at row y1 (clamped)."""
    y1 = h - 1 if y1 is None else y1
    w, h, y0, y1 = at_scale(w), at_scale(h), y0 * K, y1 * K
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = 0.0 if y1 <= y0 else min(1.0, max(0.0, (y - y0) / (y1 - y0)))
        c = tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom))
        d.line([(0, y), (w - 1, y)], fill=c)
    return img


def paint(canvas, mask, fill, opacity=255):
    """Composites a colour (or an RGB image of the canvas size) through a mask."""
    w, h = canvas.size
    layer = Image.new("RGB", (w, h), fill) if isinstance(fill, tuple) else fill.convert("RGB")
    alpha = mask if opacity == 255 else mask.point(lambda v: v * opacity // 255)
    layer = layer.convert("RGBA")
    layer.putalpha(alpha)
    canvas.alpha_composite(layer)


def shifted(mask, dx, dy):
    out = Image.new("L", mask.size, 0)
    out.paste(mask, (at_scale(dx), at_scale(dy)))
    return out


def rrect(x0, y0, x1, y1, r):
    """Rounded rectangle covering [x0, x1) x [y0, y1) in pixel units."""
    return lambda d, s: d.rounded_rectangle([x0 * s, y0 * s, x1 * s - 1, y1 * s - 1], r * s, fill=255)


def disc(cx, cy, r):
    return lambda d, s: d.ellipse([(cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s], fill=255)


def stroke(points, width):
    """Polyline with round caps and joins."""
    def draw(d, s):
        pts = [(x * s, y * s) for x, y in points]
        d.line(pts, fill=255, width=int(round(width * s)), joint="curve")
        r = width * s / 2
        for x, y in pts:
            d.ellipse([x - r, y - r, x + r, y + r], fill=255)
    return draw


def polygon(points):
    return lambda d, s: d.polygon([(x * s, y * s) for x, y in points], fill=255)


def union(*parts):
    def draw(d, s):
        for p in parts:
            p(d, s)
    return draw


def outline_ring(w, h, x0, y0, x1, y1, r, width=1):
    outer = coverage(w, h, rrect(x0, y0, x1, y1, r))
    inner = coverage(w, h, rrect(x0 + width, y0 + width, x1 - width, y1 - width, max(0, r - width)))
    return cut(outer, inner)


def strip(frames):
    w = sum(f.size[0] for f in frames)
    h = frames[0].size[1]
    out = Image.new("RGBA", (w, h), (0, 0, 0, 0))   # the frames are already at scale
    x = 0
    for f in frames:
        out.paste(f, (x, 0))
        x += f.size[0]
    return out


# ---------------------------------------------------------------- header buttons

def caption_button(w, h, glyph, state, hover_bg, pushed_bg, hover_glyph, pushed_glyph, bg_opacity=(255, 255)):
    img = blank(w, h)
    bg_mask = coverage(w, h, rrect(0, -4, w - 1, h, 4))   # square top, round bottom corners
    if state == 1:
        paint(img, bg_mask, hover_bg, bg_opacity[0])
    elif state == 2:
        paint(img, bg_mask, pushed_bg, bg_opacity[1])
    colour = (GLYPH, hover_glyph, pushed_glyph)[state]
    glyph_mask = coverage(w, h, glyph)
    if state == 0:
        # A soft light halo keeps the glyph crisp on the blue gradient.
        paint(img, shifted(glyph_mask, 0, 1), WHITE, 70)
    paint(img, glyph_mask, colour)
    return img


def close_strip():
    cx, cy, k = 19.0, 9.5, 4.0
    glyph = union(stroke([(cx - k, cy - k), (cx + k, cy + k)], 1.7),
                  stroke([(cx + k, cy - k), (cx - k, cy + k)], 1.7))
    return strip([caption_button(39, 19, glyph, st, CLOSE_HOVER, CLOSE_PUSHED, WHITE, (0xF4, 0xD6, 0xD7))
                  for st in range(3)])


def minimise_strip():
    glyph = lambda d, s: d.rectangle([9 * s, 11 * s, 19 * s - 1, 13 * s - 1], fill=255)
    return strip([caption_button(29, 19, glyph, st, WHITE, ACCENT_DEEP, GLYPH, WHITE, (110, 210))
                  for st in range(3)])


def maximise_strip():
    # An outlined window with a heavier title edge.
    def glyph(d, s):
        d.rectangle([9 * s, 5 * s, 20 * s - 1, 15 * s - 1], fill=255)
        d.rectangle([10 * s, 7 * s, 19 * s - 1, 14 * s - 1], fill=0)
    return strip([caption_button(29, 19, glyph, st, WHITE, ACCENT_DEEP, GLYPH, WHITE, (110, 210))
                  for st in range(3)])


def restore_strip():
    # Two overlapping windows: the back one's visible corner, the front one whole.
    def glyph(d, s):
        d.rectangle([12 * s, 4 * s, 21 * s - 1, 12 * s - 1], fill=255)
        d.rectangle([13 * s, 5 * s, 20 * s - 1, 11 * s - 1], fill=0)
        d.rectangle([8 * s, 7 * s, 17 * s - 1, 16 * s - 1], fill=0)
        d.rectangle([8 * s, 7 * s, 17 * s - 1, 16 * s - 1], fill=255)
        d.rectangle([9 * s, 9 * s, 16 * s - 1, 15 * s - 1], fill=0)
    return strip([caption_button(29, 19, glyph, st, WHITE, ACCENT_DEEP, GLYPH, WHITE, (110, 210))
                  for st in range(3)])


# ---------------------------------------------------------------- tab heads

TILE = (4, 3, 46, 45)          # the icon tile inside each 71 x 71 image
TILE_COLOURS = [
    ((0x62, 0xC7, 0xF2), (0x27, 0x8D, 0xD3)),   # ticket query: blue
    ((0x67, 0xD2, 0x92), (0x2B, 0xA3, 0x5E)),   # timetable: green
    ((0xFF, 0xBA, 0x52), (0xEE, 0x82, 0x1C)),   # fare: orange
    ((0xAB, 0x8E, 0xEC), (0x72, 0x52, 0xCE)),   # help: purple
    ((0x93, 0xA6, 0xBD), (0x5A, 0x6E, 0x89)),   # spare (settings): slate
]


def glyph_ticket(cx, cy):
    """A ticket with a magnifier over its lower right corner: the query."""
    tx, ty = cx - 2.5, cy - 3
    body = rrect(tx - 12, ty - 8, tx + 12, ty + 8, 2.5)
    mx, my = cx + 6.5, cy + 6
    holes = union(disc(tx - 12, ty, 3), disc(tx + 12, ty, 3),
                  *[rrect(tx + 4.5, ty - 6 + 4.4 * i, tx + 5.9, ty - 3.6 + 4.4 * i, 0.6) for i in range(3)],
                  rrect(tx - 8, ty - 3.5, tx + 1.5, ty - 1.5, 1),
                  rrect(tx - 8, ty + 1.5, tx - 1.5, ty + 3.5, 1),
                  disc(mx, my, 9))        # clear ground around the magnifier
    lens = union(stroke([(mx + 4.2, my + 4.2), (mx + 8, my + 8)], 3.4))
    ring = disc(mx, my, 6.2)
    ring_hole = disc(mx, my, 3.8)
    return body, holes, lens, ring, ring_hole


def glyph_clock(cx, cy):
    ring = union(disc(cx, cy, 13.5))
    holes = disc(cx, cy, 10.8)
    hands = union(stroke([(cx, cy), (cx, cy - 8)], 2.6), stroke([(cx, cy), (cx + 5.5, cy + 3.2)], 2.6),
                  disc(cx, cy, 2.2))
    return union(ring, ), holes, hands


def glyph_coin(cx, cy):
    coin = disc(cx, cy, 14)
    yen = union(stroke([(cx - 6, cy - 8), (cx, cy - 0.5)], 2.6),
                stroke([(cx + 6, cy - 8), (cx, cy - 0.5)], 2.6),
                stroke([(cx, cy - 0.5), (cx, cy + 9)], 2.6),
                stroke([(cx - 5.5, cy + 1.5), (cx + 5.5, cy + 1.5)], 2.2),
                stroke([(cx - 5.5, cy + 5.6), (cx + 5.5, cy + 5.6)], 2.2))
    return coin, yen


def glyph_question(cx, cy):
    r, ox, oy = 6.6, cx, cy - 4.5
    arc_pts = [(ox + r * math.cos(math.radians(a)), oy + r * math.sin(math.radians(a)))
               for a in range(180, 421, 6)]
    end = arc_pts[-1]
    pts = arc_pts + [(cx + 0.4, end[1] + 2.8), (cx, cy + 4.2)]
    return union(stroke(pts, 3.6), disc(cx, cy + 10, 2.4))


def glyph_gear(cx, cy):
    teeth = []
    for k in range(8):
        a = math.radians(k * 45 + 22.5)
        ux, uy = math.cos(a), math.sin(a)
        vx, vy = -uy, ux
        pts = []
        for rad, half in ((8.5, 3.4), (14.2, 2.5), (14.2, -2.5), (8.5, -3.4)):
            pts.append((cx + ux * rad + vx * half, cy + uy * rad + vy * half))
        teeth.append(polygon(pts))
    return union(disc(cx, cy, 11), *teeth), disc(cx, cy, 4.6)


def tab_icon(index):
    img = blank(71, 71)
    x0, y0, x1, y1 = TILE
    tile = coverage(71, 71, rrect(x0, y0, x1, y1, 10))
    paint(img, shifted(tile, 0, 1), (0x1C, 0x3F, 0x5A), 55)
    top, bottom = TILE_COLOURS[index]
    paint(img, tile, vgradient(71, 71, top, bottom, y0, y1 - 1))
    # Gloss over the upper half of the tile.
    gloss = ImageChops.multiply(tile, coverage(71, 71, rrect(x0, y0 - 30, x1, (y0 + y1) / 2, 40)))
    paint(img, gloss, WHITE, 36)
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    if index == 0:
        body, holes, handle, ring, ring_hole = glyph_ticket(cx, cy)
        glyph = cut(coverage(71, 71, body), coverage(71, 71, holes))
        glyph = ImageChops.lighter(glyph, cut(coverage(71, 71, ring), coverage(71, 71, ring_hole)))
        glyph = ImageChops.lighter(glyph, coverage(71, 71, handle))
    elif index == 1:
        ring, holes, hands = glyph_clock(cx, cy)
        glyph = ImageChops.lighter(cut(coverage(71, 71, ring), coverage(71, 71, holes)),
                                   coverage(71, 71, hands))
    elif index == 2:
        coin, yen = glyph_coin(cx, cy)
        glyph = cut(coverage(71, 71, coin), coverage(71, 71, yen))
    elif index == 3:
        glyph = coverage(71, 71, glyph_question(cx, cy))
    else:
        gear, hole = glyph_gear(cx, cy)
        glyph = cut(coverage(71, 71, gear), coverage(71, 71, hole))
    paint(img, shifted(glyph, 0, 1), bottom, 120)
    paint(img, glyph, WHITE)
    return img


def tab_icon_strip():
    return strip([tab_icon(i) for i in range(5)])


def tab_background(state):
    img = blank(71, 71)
    if state == 0:
        return img
    if state == 1:
        paint(img, coverage(71, 71, rrect(0, 0, 71, 71, 6)), (0xEE, 0xF7, 0xFE))
        paint(img, outline_ring(71, 71, 0, 0, 71, 71, 6), (0xBE, 0xE0, 0xF4))
        return img
    body = coverage(71, 71, rrect(0, 0, 71, 71, 6))
    paint(img, body, vgradient(71, 71, (0xE3, 0xF4, 0xFD), (0xB8, 0xE0, 0xF6)))
    paint(img, outline_ring(71, 71, 0, 0, 71, 71, 6), ACCENT)
    paint(img, outline_ring(71, 71, 1, 1, 70, 70, 5), WHITE, 110)
    # Accent bar along the bottom edge marks the current tab.
    paint(img, ImageChops.multiply(body, coverage(71, 71, rrect(0, 67, 71, 71, 0))), ACCENT)
    return img


def tab_background_strip():
    return strip([tab_background(i) for i in range(3)])


# ---------------------------------------------------------------- edit frame and check boxes

def edit_frame():
    w, h = 30, 28
    img = blank(w, h)
    paint(img, coverage(w, h, rrect(0, 0, w, h, 4)), WHITE)
    # A faint inner shade under the top edge makes the field look recessed.
    shade = ImageChops.multiply(coverage(w, h, rrect(1, 1, w - 1, h - 1, 3)),
                                coverage(w, h, rrect(0, 0, w, 3, 0)))
    paint(img, shade, FIELD_SHADE)
    paint(img, outline_ring(w, h, 0, 0, w, h, 4), FIELD_BORDER)
    return img


def invalid_edit_frame():
    """The edit frame of a field whose text was refused: a red border."""
    w, h = 30, 28
    img = blank(w, h)
    paint(img, coverage(w, h, rrect(0, 0, w, h, 4)), WHITE)
    paint(img, coverage(w, h, rrect(1, 1, w - 1, h - 1, 3)), INVALID_FILL)
    paint(img, outline_ring(w, h, 0, 0, w, h, 4), INVALID_BORDER)
    paint(img, outline_ring(w, h, 1, 1, w - 1, h - 1, 3), INVALID_BORDER, 120)
    return img


def calendar_button(state):
    """18 x 18: a small calendar page; hover and pushed on a light tile."""
    img = blank(18, 18)
    if state:
        paint(img, coverage(18, 18, rrect(0, 0, 18, 18, 3)), ((0xE6, 0xF4, 0xFC), (0xC8, 0xE6, 0xF7))[state - 1])
    ink = (ACCENT_DARK, ACCENT, ACCENT_DEEP)[state]
    page = cut(coverage(18, 18, rrect(3, 4, 15, 15, 1.5)), coverage(18, 18, rrect(4.4, 7.6, 13.6, 13.6, 0.5)))
    paint(img, page, ink)
    for x in (6, 9, 12):
        for y in (9, 11.6):
            paint(img, coverage(18, 18, rrect(x - 0.9, y - 0.7, x + 0.9, y + 0.9, 0)), ink)
    for x in (6.2, 11.8):
        paint(img, coverage(18, 18, rrect(x - 0.8, 2.4, x + 0.8, 5.6, 0.6)), ink)
    return img


def calendar_button_strip():
    return strip([calendar_button(st) for st in range(3)])


def check_box(checked, state):
    img = blank(16, 16)
    box = coverage(16, 16, rrect(1, 1, 15, 15, 3))
    ring = outline_ring(16, 16, 1, 1, 15, 15, 3)
    if not checked:
        fills = (WHITE, (0xF0, 0xF8, 0xFE), (0xD3, 0xEB, 0xF9))
        borders = (BOX_BORDER, ACCENT, ACCENT_DARK)
        paint(img, box, vgradient(16, 16, fills[state], tuple(max(0, c - 8) for c in fills[state])))
        paint(img, ring, borders[state])
        if state == 1:
            paint(img, outline_ring(16, 16, 2, 2, 14, 14, 2), ACCENT, 70)
        return img
    fills = ((ACCENT_LIGHT, ACCENT), ((0x86, 0xD3, 0xF5), (0x5B, 0xBF, 0xEC)), (ACCENT, ACCENT_DARK))
    borders = (ACCENT_DARK, ACCENT, ACCENT_DEEP)
    paint(img, box, vgradient(16, 16, fills[state][0], fills[state][1], 1, 14))
    paint(img, ring, borders[state])
    tick = coverage(16, 16, stroke([(4.6, 8.2), (7.0, 10.6), (11.5, 5.4)], 2.0))
    paint(img, tick, WHITE)
    return img


def check_box_strip():
    return strip([check_box(c, st) for c in (False, True) for st in range(3)])


# ---------------------------------------------------------------- search button and busy spinner

def search_background():
    img = blank(71, 71)
    body = coverage(71, 71, rrect(0, 0, 71, 71, 12))
    paint(img, body, vgradient(71, 71, (0x67, 0xC6, 0xF1), (0x22, 0x8B, 0xD0)))
    gloss = ImageChops.multiply(body, coverage(71, 71, rrect(2, -40, 69, 35, 46)))
    paint(img, gloss, WHITE, 40)
    paint(img, outline_ring(71, 71, 0, 0, 71, 71, 12), (0x1E, 0x78, 0xB8))
    paint(img, outline_ring(71, 71, 1, 1, 70, 70, 11), WHITE, 60)
    return img


def search_face():
    img = blank(71, 71)
    lens = cut(coverage(71, 71, disc(31, 31, 16.5)), coverage(71, 71, disc(31, 31, 10.5)))
    handle = coverage(71, 71, stroke([(43.5, 43.5), (52, 52)], 8.5))
    glyph = ImageChops.lighter(lens, handle)
    paint(img, shifted(glyph, 0, 2), (0x0D, 0x4C, 0x7C), 90)
    paint(img, glyph, WHITE)
    return img


def busy_frame(frame):
    img = blank(48, 48)
    for i in range(12):
        age = (frame - i) % 12           # 0: the leading dot
        a = math.radians(i * 30 - 90)
        x, y = 24 + 15 * math.cos(a), 24 + 15 * math.sin(a)
        r = 3.6 - 0.12 * age
        opacity = max(45, 255 - age * 22)
        paint(img, coverage(48, 48, disc(x, y, r)), WHITE, opacity)
    return img


def busy_strip():
    return strip([busy_frame(f) for f in range(12)])


# ---------------------------------------------------------------- window bitmaps

def header_bitmap():
    """13 x 29: outline with the window's cut corners, gradient, bottom separator."""
    w, h = 13, 29
    img = vgradient(w, h, HEAD_TOP, HEAD_BOTTOM, 1, h - 2)
    px = img.load()
    for x in range(w):
        px[x, 0] = OUTLINE
        px[x, 1] = HEAD_SHINE
        px[x, h - 1] = HEAD_SEPARATOR
    for y in range(h):
        px[0, y] = OUTLINE
        px[w - 1, y] = OUTLINE
    # The frame's region drops (0,0), (1,0), (0,1) at each top corner; the
    # outline follows that staircase through (1,1).
    for x0, dx in ((0, 1), (w - 1, -1)):
        px[x0, 0] = HEAD_TOP
        px[x0 + dx, 0] = HEAD_TOP
        px[x0, 1] = HEAD_TOP
        px[x0 + dx, 1] = OUTLINE
        px[x0 + 2 * dx, 1] = HEAD_SHINE
    return img


def body_bitmap():
    """9 x 5 frame: outline columns at both sides, a soft shadow under the header."""
    w, h = 9, 5
    img = Image.new("RGB", (w, h), BODY)
    px = img.load()
    for x in range(1, w - 1):
        px[x, 0] = (0xE4, 0xF1, 0xFA)
        px[x, 1] = (0xF3, 0xF8, 0xFC)
    for y in range(h):
        px[0, y] = OUTLINE
        px[w - 1, y] = OUTLINE
    return img


def footer_bitmap():
    """13 x 23: top separator, light gradient, outline with the cut bottom corners."""
    w, h = 13, 23
    img = vgradient(w, h, FOOT_TOP, FOOT_BOTTOM, 1, h - 2)
    px = img.load()
    for x in range(w):
        px[x, 0] = FOOT_SEPARATOR
        px[x, h - 1] = OUTLINE
    for y in range(h):
        px[0, y] = OUTLINE
        px[w - 1, y] = OUTLINE
    for x0, dx in ((0, 1), (w - 1, -1)):
        px[x0, h - 1] = FOOT_BOTTOM
        px[x0 + dx, h - 1] = FOOT_BOTTOM
        px[x0, h - 2] = FOOT_BOTTOM
        px[x0 + dx, h - 2] = OUTLINE
    px[0, 0] = OUTLINE
    px[w - 1, 0] = OUTLINE
    return img


# ---------------------------------------------------------------- program icon

def program_icon(size):
    """Blue tile with a white train front, drawn directly at `size` pixels."""
    u = size / 32.0                      # design grid: 32 units
    img = blank(size, size)
    tile = coverage(size, size, rrect(1 * u, 1 * u, 31 * u, 31 * u, 7 * u))
    paint(img, tile, vgradient(size, size, (0x66, 0xC8, 0xF2), (0x1F, 0x84, 0xCB)))
    if size >= 24:
        paint(img, outline_ring(size, size, 1 * u, 1 * u, 31 * u, 31 * u, 7 * u, max(1, size // 32)),
              (0x18, 0x6F, 0xAE), 150)
    body = rrect(8.5 * u, 5 * u, 23.5 * u, 23.5 * u, 4 * u)
    holes = union(rrect(10.5 * u, 8 * u, 21.5 * u, 14.5 * u, 1.5 * u),
                  disc(12 * u, 19.5 * u, 1.5 * u), disc(20 * u, 19.5 * u, 1.5 * u))
    legs = union(stroke([(12 * u, 24 * u), (9.5 * u, 27.5 * u)], 2.2 * u),
                 stroke([(20 * u, 24 * u), (22.5 * u, 27.5 * u)], 2.2 * u))
    glyph = ImageChops.lighter(cut(coverage(size, size, body), coverage(size, size, holes)),
                               coverage(size, size, legs))
    paint(img, glyph, WHITE)
    return img


def program_icon_file():
    entries = [(s, 8, icon_dib_8(program_icon(s))) for s in (16, 24, 32)]
    entries += [(s, 32, icon_dib_32(program_icon(s))) for s in (16, 32, 48)]
    return ico_bytes(entries)


# ---------------------------------------------------------------- main

PNG_IMAGES = [
    ("1", close_strip), ("2", minimise_strip), ("3", tab_icon_strip), ("4", tab_background_strip),
    ("5", edit_frame), ("6", check_box_strip), ("7", search_background), ("8", search_face), ("9", busy_strip),
    ("10", invalid_edit_frame), ("11", calendar_button_strip),
    ("12", maximise_strip), ("13", restore_strip),
]

# Scales, in percent, the PNG images are also drawn for.
PNG_SCALES = (150, 200)


def outputs():
    """File name -> bytes, for every image the resource script embeds."""
    global K
    files = {}
    try:
        for percent in (100,) + PNG_SCALES:
            K = percent / 100.0
            suffix = "" if percent == 100 else "@%d" % percent
            for name, draw in PNG_IMAGES:
                files[name + suffix + ".png"] = png_bytes(draw())
    finally:
        K = 1.0
    files.update({
        "1.bmp": bmp_bytes(header_bitmap()),
        "2.bmp": bmp_bytes(body_bitmap()),
        "3.bmp": bmp_bytes(footer_bitmap()),
        "tavora.ico": program_icon_file(),
    })
    return files


def write_preview(folder, files):
    """Enlarged copies on a checkerboard, for looking at the images."""
    import io
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        if name.endswith(".ico"):
            continue
        img = Image.open(io.BytesIO(data)).convert("RGBA")
        scale = 8 if max(img.size) <= 120 else 4
        board = Image.new("RGBA", img.size)
        bp = board.load()
        for y in range(img.size[1]):
            for x in range(img.size[0]):
                bp[x, y] = (0xCC, 0xCC, 0xCC, 255) if (x // 4 + y // 4) % 2 else (0xFF, 0xFF, 0xFF, 255)
        board.alpha_composite(img)
        board.resize((img.size[0] * scale, img.size[1] * scale), Image.NEAREST).save(
            os.path.join(folder, name.replace(".", "_") + ".png"))
    for s in (16, 24, 32, 48):
        program_icon(s).resize((s * 8, s * 8), Image.NEAREST).save(os.path.join(folder, "icon_%d.png" % s))


def main(argv):
    args = list(argv[1:])
    preview = None
    if "--preview" in args:
        i = args.index("--preview")
        preview = args[i + 1]
        del args[i:i + 2]
    out = args[0] if args else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    files = outputs()
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    if preview:
        write_preview(preview, files)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
