#!/usr/bin/env python3
"""Writes data/source.bmp, the bundled source image for the sampling formulas.

A 256 x 256 24-bit picture: a rainbow background, a colour wheel in the middle
with a ring round it, a few discs, and a striped and a chequered patch, so that
sample() and samptile() have smooth gradients and hard edges to show.

Usage: scripts/make-source-image.py [output path]
"""
import colorsys
import math
import struct
import sys

SIZE = 256


def colour_at(x, y):
    """(red, green, blue), 0..255 each, of pixel (x, y) with y = 0 at the top."""
    cx, cy = x - 127.5, y - 127.5
    radius = math.hypot(cx, cy)

    if radius < 70:  # colour wheel: hue by angle, white in the centre
        hue = (math.atan2(cy, cx) / (2 * math.pi)) % 1.0
        return colorsys.hsv_to_rgb(hue, radius / 70, 1.0)
    if radius < 76:
        return (1.0, 1.0, 1.0)
    if radius < 82:
        return (0.08, 0.08, 0.12)

    for dx, dy, r, hue in ((34, 34, 22, 0.0), (222, 34, 22, 0.33), (34, 222, 22, 0.66)):
        d = math.hypot(x - dx, y - dy)
        if d < r:  # discs shaded like spheres
            shade = math.sqrt(1 - (d / r) ** 2)
            return colorsys.hsv_to_rgb(hue, 0.9, 0.35 + 0.65 * shade)

    if 200 <= x < 248 and 200 <= y < 248:  # chequered patch
        on = ((x - 200) // 8 + (y - 200) // 8) % 2 == 0
        return (0.95, 0.9, 0.2) if on else (0.2, 0.1, 0.45)
    if 200 <= x < 248 and 84 <= y < 172 and ((x + y) // 6) % 2 == 0:  # diagonal stripes
        return (0.1, 0.75, 0.85)

    hue = (x / SIZE + 0.12 * math.sin(y / 23.0)) % 1.0
    return colorsys.hsv_to_rgb(hue, 0.8, 0.45 + 0.5 * y / (SIZE - 1))


def bmp_bytes():
    row_size = (3 * SIZE + 3) & ~3
    pixels = bytearray()
    for y in range(SIZE - 1, -1, -1):  # bottom row first
        row = bytearray()
        for x in range(SIZE):
            red, green, blue = (int(round(c * 255)) for c in colour_at(x, y))
            row += bytes((blue, green, red))
        row += bytes(row_size - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, 0, 2834, 2834, 0, 0)
    return header + info + bytes(pixels)


if __name__ == "__main__":
    path = sys.argv[1] if len(sys.argv) > 1 else "data/source.bmp"
    with open(path, "wb") as out:
        out.write(bmp_bytes())
