#!/usr/bin/env python3
"""Draws the programs' icons from one description: the wizard's, a two-jaw gripper on a blue disc, and the
station's, the same gripper over a bench on a green disc, so a menu tells the two apart:

  resources/images/korvane-upgrader.svg      the wizard's scalable icon (desktop menus, software centres)
  resources/images/hicolor/NxN.png           the sizes desktops ask for, and the wizard's window icon
  resources/images/KorvaneIcon.png           the 64 px picture the wizard shows
  resources/windows/korvane.ico              the Windows programs' icon (PNG entries)
  resources/images/korvane-station.svg       the station's scalable icon
  resources/images/station/NxN.png           the station's sizes and window icon
  resources/windows/korvane-station.ico      the station's Windows icon

Plain Python (zlib) so the pictures can be redrawn anywhere without an editor:
    python3 scripts/draw-icon.py [OUTPUT_ROOT]
"""
import os
import struct
import sys
import zlib

UNIT = 64  # the drawing's own coordinates; every size is this scaled
SIZES = (16, 24, 32, 48, 64, 128, 256)
BASE = (24, 64, 140)
STATION_BASE = (22, 110, 80)
WHITE = (245, 245, 245)
PAD = (240, 150, 30)
# (x, y, width, height) in drawing units.
GRIPPER = [(14, 14, 36, 8), (14, 21, 8, 27), (42, 21, 8, 27), (28, 6, 8, 9)]  # palm, jaws, wrist
PADS = [(22, 36, 4, 12), (38, 36, 4, 12)]
BENCH = [(10, 51, 44, 4)]  # the station's: the bench the grippers stand on


def inside(rects, x, y):
    return any(rx <= x < rx + w and ry <= y < ry + h for rx, ry, w, h in rects)


def sample(x, y, base, white):
    """The colour at a point of the drawing, or None outside the disc."""
    if (x - 32) ** 2 + (y - 32) ** 2 > 32 ** 2:
        return None
    if inside(PADS, x, y):
        return PAD
    if inside(white, x, y):
        return WHITE
    shade = 1.0 - 0.25 * (y / UNIT)  # the disc darkens towards the bottom
    return tuple(c * shade for c in base)


def render(size, base=BASE, white=GRIPPER):
    """RGBA rows, each pixel the mean of 4 x 4 samples, so edges are smooth at every size."""
    n = 4
    scale = UNIT / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    c = sample((px + (sx + 0.5) / n) * scale, (py + (sy + 0.5) / n) * scale, base, white)
                    if c is not None:
                        hits += 1
                        acc = [a + v for a, v in zip(acc, c)]
            if hits:
                row.append(tuple(int(a / hits + 0.5) for a in acc) + (int(255 * hits / (n * n) + 0.5),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(pngs):
    """An .ico whose entries are PNGs, as Windows reads them since Vista."""
    header = struct.pack("<HHH", 0, 1, len(pngs))
    offset = 6 + 16 * len(pngs)
    entries, blobs = b"", b""
    for size, data in pngs:
        side = 0 if size >= 256 else size  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs += data
    return header + entries + blobs


def svg(base=BASE, white=GRIPPER):
    rect = '  <rect x="{}" y="{}" width="{}" height="{}" fill="{}"/>\n'
    hexcolour = "#{:02x}{:02x}{:02x}".format
    dark = tuple(int(c * 0.75) for c in base)
    body = ('<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">\n'
            '  <defs><linearGradient id="disc" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="{}"/><stop offset="1" stop-color="{}"/></linearGradient></defs>\n'
            '  <circle cx="32" cy="32" r="32" fill="url(#disc)"/>\n').format(hexcolour(*base), hexcolour(*dark))
    body += "".join(rect.format(*r, hexcolour(*WHITE)) for r in white)
    body += "".join(rect.format(*r, hexcolour(*PAD)) for r in PADS)
    return body + "</svg>\n"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    images = os.path.join(root, "resources", "images")
    pngs = [(size, png(size, render(size))) for size in SIZES]
    for size, data in pngs:
        write(os.path.join(images, "hicolor", "{0}x{0}.png".format(size)), data)
    write(os.path.join(images, "KorvaneIcon.png"), dict(pngs)[64])
    write(os.path.join(images, "korvane-upgrader.svg"), svg().encode())
    write(os.path.join(root, "resources", "windows", "korvane.ico"),
          ico([(s, d) for s, d in pngs if s in (16, 24, 32, 48, 64, 256)]))
    station = [(size, png(size, render(size, STATION_BASE, GRIPPER + BENCH))) for size in SIZES]
    for size, data in station:
        write(os.path.join(images, "station", "{0}x{0}.png".format(size)), data)
    write(os.path.join(root, "resources", "windows", "korvane-station.ico"),
          ico([(s, d) for s, d in station if s in (16, 24, 32, 48, 64, 256)]))
    write(os.path.join(images, "korvane-station.svg"), svg(STATION_BASE, GRIPPER + BENCH).encode())
