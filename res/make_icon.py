#!/usr/bin/env python3
"""Renders the application icon, res/tessmor.ico: ten 32-bit images from 256 down to 16 pixels.

The artwork: a rounded tile with two signal waves, one for each of the card's tuners. Images of
48 pixels and more are stored as PNG, which Windows reads in icons since Vista (the programs
need Windows 7), and the three small ones as bitmaps: a quarter of the size of bitmaps only. Needs only the
Python standard library: python3 res/make_icon.py
"""
import math
import os
import struct
import zlib

SIZES = [256, 128, 96, 80, 72, 64, 48, 32, 24, 16]
PNG_FROM = 48  # images this large and larger are stored as PNG
SUPERSAMPLE = 4


def shade(u, v):
    """Colour (r, g, b, a) of the point (u, v) of the unit square, before anti-aliasing."""
    radius = 0.2
    inset = 0.04
    # Rounded tile.
    dx = max(inset + radius - u, 0, u - (1 - inset - radius))
    dy = max(inset + radius - v, 0, v - (1 - inset - radius))
    if dx * dx + dy * dy > radius * radius:
        return (0, 0, 0, 0)
    # Background: a vertical gradient from teal to deep blue.
    top, bottom = (22, 140, 160), (16, 48, 110)
    r, g, b = (int(top[i] + (bottom[i] - top[i]) * v) for i in range(3))
    # Two waves: tuner 0 above, tuner 1 below.
    for centre, colour in ((0.36, (255, 255, 255)), (0.66, (255, 200, 60))):
        wave = centre + 0.08 * math.sin((u - 0.12) * 2.4 * math.pi)
        if 0.14 <= u <= 0.86 and abs(v - wave) < 0.045:
            return colour + (255,)
    return (r, g, b, 255)


def render(size):
    """Rows of RGBA pixels, top row first."""
    rows = []
    n = SUPERSAMPLE
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = shade((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3]:
                row.append(tuple(round(c / acc[3]) for c in acc[:3]) + (round(alpha),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(size, rows):
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def bitmap(size, rows):
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return info + pixels + bytes(mask)


def main():
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png(size, rows) if size >= PNG_FROM else bitmap(size, rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        side = 0 if size == 256 else size
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tessmor.ico")
    with open(target, "wb") as out:
        out.write(directory + entries + b"".join(data for _, data in images))
    print(target, offset, "bytes")


if __name__ == "__main__":
    main()
