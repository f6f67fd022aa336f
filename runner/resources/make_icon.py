#!/usr/bin/env python3
"""Draws Tesso's application icon (icon group 101) and writes it as a multi-size .ico file.

The artwork is our own: a white monitor on a rounded blue square. It is drawn from signed
distance functions at each size (16, 24, 32, 48, 64 and 256 pixels), so the small sizes stay
crisp. Sizes up to 64 are stored as 32-bit bitmaps, 256 as PNG, as Windows expects. Standard
library only; the output depends on nothing but this file, byte for byte.

Usage: make_icon.py OUTPUT.ico
"""

import math
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 256)
SUPERSAMPLE = 4  # samples per pixel along each axis

# Colours, RGB.
GRADIENT_TOP = (37, 99, 235)
GRADIENT_BOTTOM = (8, 145, 178)
WHITE = (255, 255, 255)
SCREEN = (219, 234, 254)


def rounded_box(x, y, cx, cy, hw, hh, r):
    """Signed distance from (x, y) to a rounded rectangle (negative inside)."""
    qx = abs(x - cx) - hw + r
    qy = abs(y - cy) - hh + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - r


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def shade(x, y):
    """Colour (r, g, b) and coverage of the point (x, y) in the unit square."""
    if rounded_box(x, y, 0.5, 0.5, 0.47, 0.47, 0.2) > 0:
        return (0.0, 0.0, 0.0), 0.0
    colour = mix(GRADIENT_TOP, GRADIENT_BOTTOM, min(max((x + y) / 2.0, 0.0), 1.0))
    # The monitor: a white frame around a pale screen, a neck and a foot.
    if rounded_box(x, y, 0.5, 0.43, 0.31, 0.22, 0.05) <= 0:
        colour = WHITE
        if rounded_box(x, y, 0.5, 0.43, 0.25, 0.16, 0.02) <= 0:
            colour = SCREEN
            # A pointer on the screen: the remote viewer's cursor.
            if pointer(x, y):
                colour = GRADIENT_TOP
    elif rounded_box(x, y, 0.5, 0.70, 0.05, 0.06, 0.0) <= 0:
        colour = WHITE
    elif rounded_box(x, y, 0.5, 0.775, 0.17, 0.03, 0.03) <= 0:
        colour = WHITE
    return colour, 1.0


def pointer(x, y):
    """An arrow-shaped pointer whose tip is at (0.42, 0.33)."""
    tx, ty = 0.42, 0.33
    u, v = x - tx, y - ty
    # A triangle with corners at the tip, straight below and down to the right.
    if v < 0 or u < 0:
        return False
    return u <= v * 0.62 and v <= 0.2 - u * 0.35


def render(size):
    """Rows of (r, g, b, a) bytes, top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            alpha = 0.0
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    colour, cover = shade(x, y)
                    alpha += cover
                    for i in range(3):
                        acc[i] += colour[i] * cover
            if alpha > 0:
                rgb = [round(acc[i] / alpha) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row += bytes(rgb + [round(255 * alpha / (n * n))])
        rows.append(bytes(row))
    return rows


def bmp_image(size, rows):
    """The bitmap form of an icon image: header, BGRA rows bottom-up, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for i in range(0, len(row), 4):
            r, g, b, a = row[i:i + 4]
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for px in range(size):
            if row[px * 4 + 3] == 0:  # transparent where nothing is drawn
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def png_image(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def icon_file(images):
    """An .ico file of (size, image bytes) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png_image(size, rows) if size >= 256 else bmp_image(size, rows)))
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file(images))


if __name__ == "__main__":
    main()
