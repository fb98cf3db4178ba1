#!/usr/bin/env python3
"""Draws resources/images/KorvaneIcon.png: a two-jaw gripper on a blue disc.

Plain Python (zlib) so the picture can be redrawn anywhere without an editor.
"""
import math
import struct
import sys
import zlib

SIZE = 64


def pixel(x, y):
    cx = cy = (SIZE - 1) / 2
    r = math.hypot(x - cx, y - cy)
    if r > 31.5:
        return (0, 0, 0, 0)
    edge = max(0.0, min(1.0, 31.5 - r))
    base = (24, 64, 140)
    # Two jaws facing each other, a palm joining them at the top, a wrist above.
    white = (
        (14 <= x <= 49 and 14 <= y <= 21)  # palm
        or (14 <= x <= 21 and 21 <= y <= 47)  # left jaw
        or (42 <= x <= 49 and 21 <= y <= 47)  # right jaw
        or (28 <= x <= 35 and 6 <= y <= 14)  # wrist
    )
    pad = (22 <= x <= 25 or 38 <= x <= 41) and 36 <= y <= 47  # jaw pads
    if pad:
        colour = (240, 150, 30)
    elif white:
        colour = (245, 245, 245)
    else:
        shade = 1.0 - 0.25 * (y / SIZE)
        colour = tuple(int(c * shade) for c in base)
    return colour + (int(255 * edge),)


def png(width, height, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/images/KorvaneIcon.png"
    with open(out, "wb") as f:
        f.write(png(SIZE, SIZE, [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]))
