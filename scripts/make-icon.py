#!/usr/bin/env python3
"""Writes the program's icon (16x16 and 32x32, 16 colours) as a Windows .ico file.

The picture: a round dark-blue dial with a light ring and a green dot in the middle,
the "is it answering?" lamp. Drawn from geometry so the file needs no binary asset.
With a mark, the same picture carries a round badge at the bottom right: green for a
server that is up, red for one that is down, grey for not known (the notification
icon's three states).
Usage: make-icon.py OUT.ico [up|down|unknown]
"""
import struct
import sys

# The standard 16-colour palette (index: B, G, R, 0).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # as (R, G, B)
BLACK, NAVY, GREEN_LIGHT, WHITE, SILVER, GREY, RED_LIGHT = 0, 4, 10, 15, 7, 8, 9
MARKS = {"up": GREEN_LIGHT, "down": RED_LIGHT, "unknown": GREY}


def badge(size, x, y, colour):
    """The mark's palette index at (x, y), or None outside it."""
    r = size * 0.24
    c = size - 1 - r
    d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
    if d > r + 0.5:
        return None
    return BLACK if d > r - 0.7 else colour


def pixel(size, x, y, mark=None):
    """Palette index for pixel (x, y) from the top left, or None for transparent."""
    if mark is not None:
        b = badge(size, x, y, mark)
        if b is not None:
            return b
    c = (size - 1) / 2.0
    r = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
    outer = size / 2.0
    if r > outer - 0.2:
        return None
    if r > outer - 1.2:
        return BLACK
    if r > outer - 2.2 - size / 16.0:
        return SILVER
    if r < size / 6.0:
        return GREEN_LIGHT
    if r < size / 6.0 + 0.9:
        return WHITE
    return NAVY


def image(size, mark=None):
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):  # bitmaps are stored bottom-up
        xor_row = bytearray(xor_stride)
        and_row = bytearray(and_stride)
        for x in range(size):
            p = pixel(size, x, y, mark)
            if p is None:
                and_row[x // 8] |= 0x80 >> (x % 8)
                p = 0
            xor_row[x // 2] |= p << (4 if x % 2 == 0 else 0)
        xor_rows.append(bytes(xor_row))
        and_rows.append(bytes(and_row))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(xor_rows) * xor_stride + len(and_rows) * and_stride, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def main():
    mark = MARKS[sys.argv[2]] if len(sys.argv) > 2 else None
    sizes = [32, 16]
    images = [image(s, mark) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
