#!/usr/bin/env python3
"""Draws the program's icons: a grey joystick whose stick is a red thermometer.

The motif is described once, as shapes on a 32 x 32 grid, and rasterised at every size:
the desktop icons in the 16 standard VGA colours (transparent outside the motif), the
About picture in true colour with shading. The program's own icon (32 and 64 pixels) is also
written as XPM arrays, which the toolkit reads without an image decoder. Standard library only;
run from anywhere:
    python3 scripts/draw-icons.py
"""
import math
import os
import struct
import zlib

VGA = {
    "black": (0, 0, 0), "maroon": (128, 0, 0), "green": (0, 128, 0), "olive": (128, 128, 0),
    "navy": (0, 0, 128), "purple": (128, 0, 128), "teal": (0, 128, 128), "silver": (192, 192, 192),
    "grey": (128, 128, 128), "red": (255, 0, 0), "lime": (0, 255, 0), "yellow": (255, 255, 0),
    "blue": (0, 0, 255), "fuchsia": (255, 0, 255), "aqua": (0, 255, 255), "white": (255, 255, 255),
}


# Signed distances on the 32-unit grid: negative inside.
def ellipse(cx, cy, rx, ry):
    def d(x, y):
        k = math.hypot((x - cx) / rx, (y - cy) / ry)
        return (k - 1.0) * min(rx, ry)
    return d


def box(x0, y0, x1, y1, r=0.0):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return d


def union(*parts):
    return lambda x, y: min(p(x, y) for p in parts)


def tilted(shape, degrees=-10.0, cx=16.0, cy=21.0):
    """The stick leans like a joystick pushed to one side, pivoting on the bulb."""
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    def d(x, y):
        dx, dy = x - cx, y - cy
        return shape(cx + c * dx + s * dy, cy - s * dx + c * dy)
    return d


# Each layer: shape, flat VGA colour, true-colour shading (x, y) -> rgb, outlined or not.
def vertical(top, bottom, y0, y1):
    def shade(_x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
    return shade


def radial(centre, edge, cx, cy, r):
    def shade(x, y):
        t = min(math.hypot(x - cx, y - cy) / r, 1.0)
        return tuple(round(a + (b - a) * t) for a, b in zip(centre, edge))
    return shade


def flat(rgb):
    return lambda _x, _y: rgb


LAYERS = [
    # base: a round puck, dark below, light on top
    (union(box(4, 22, 28, 28), ellipse(16, 28, 12, 3)), "grey",
     vertical((150, 150, 150), (90, 90, 90), 22, 31), True),
    (ellipse(16, 22, 12, 4.5), "silver", radial((235, 235, 235), (175, 175, 175), 13, 21, 12), True),
    # fire button
    (ellipse(8, 21.5, 2.2, 1.2), "maroon", radial((220, 60, 60), (120, 0, 0), 7.5, 21, 2.2), True),
    # the stick: a glass tube with its scale
    (tilted(box(13, 2, 19, 20, 3)), "white", vertical((255, 255, 255), (215, 225, 235), 2, 20), True),
    (tilted(box(20, 6, 21.6, 7)), "black", flat((40, 40, 40)), False),
    (tilted(box(20, 9, 21.6, 10)), "black", flat((40, 40, 40)), False),
    (tilted(box(20, 12, 21.6, 13)), "black", flat((40, 40, 40)), False),
    (tilted(box(20, 15, 21.6, 16)), "black", flat((40, 40, 40)), False),
    # mercury column and bulb, where the stick meets the base
    (tilted(box(15, 8, 17, 21)), "red", flat((230, 0, 0)), False),
    (ellipse(16, 21, 4, 4), "red", radial((255, 120, 120), (200, 0, 0), 15, 20, 4.5), True),
    (ellipse(14.9, 19.9, 0.9, 0.9), "white", flat((255, 225, 225)), False),
]


def render_palette(size):
    """Pixel centres decide; an outline is every outside pixel beside an inside one."""
    unit = 32.0 / size
    rows = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for shape, name, _shade, outlined in LAYERS:
        inside = [[shape((px + 0.5) * unit, (py + 0.5) * unit) < 0 for px in range(size)]
                  for py in range(size)]
        for py in range(size):
            for px in range(size):
                if inside[py][px]:
                    rows[py][px] = VGA[name] + (255,)
                elif outlined and any(
                        0 <= ny < size and 0 <= nx < size and inside[ny][nx]
                        for ny, nx in ((py - 1, px), (py + 1, px), (py, px - 1), (py, px + 1))):
                    rows[py][px] = VGA["black"] + (255,)
    return rows


def render(size, truecolour):
    """Rows of RGBA tuples, each pixel the average of 4 x 4 samples."""
    if not truecolour:
        return render_palette(size)
    unit = 32.0 / size
    stroke = unit * (1.0 if size <= 64 else 1.5)
    samples = 4 if truecolour else 1
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc, covered = [0, 0, 0], 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * unit
                    y = (py + (sy + 0.5) / samples) * unit
                    colour = None
                    for shape, name, shade, outlined in LAYERS:
                        d = shape(x, y)
                        if d < 0:
                            colour = shade(x, y) if truecolour else VGA[name]
                        elif outlined and d < stroke:
                            colour = (30, 30, 30) if truecolour else VGA["black"]
                    if colour is not None:
                        covered += 1
                        for i in range(3):
                            acc[i] += colour[i]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                n = samples * samples
                row.append(tuple(round(c / covered) for c in acc) + (round(255 * covered / n),))
        rows.append(row)
    return rows


def write_png(path, rows):
    width, height = len(rows[0]), len(rows)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_xpm(path, images):
    """images: (array name, rows) pairs, every pixel opaque or fully transparent."""
    symbols = ".abcdefghijklmnopqrstuvwxyz"
    lines = ["// Generated by scripts/draw-icons.py: the program's icon as XPM arrays.", "#pragma once"]
    for name, rows in images:
        colours = sorted({px[:3] for row in rows for px in row if px[3] == 255})
        key = {rgb: symbols[i + 1] for i, rgb in enumerate(colours)}
        lines.append("")
        lines.append(f"static const char* const {name}[] = {{")
        lines.append(f'    "{len(rows[0])} {len(rows)} {len(colours) + 1} 1",')
        lines.append('    ". c None",')
        for rgb in colours:
            lines.append(f'    "{key[rgb]} c #{rgb[0]:02X}{rgb[1]:02X}{rgb[2]:02X}",')
        for row in rows:
            lines.append('    "' + "".join(key[px[:3]] if px[3] == 255 else "." for px in row) + '",')
        lines.append("};")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "icons")
    os.makedirs(out, exist_ok=True)
    write_png(os.path.join(out, "quorvil4.png"), render(32, False))
    for size in (48, 64, 128):
        write_png(os.path.join(out, f"quorvil4-{size}.png"), render(size, False))
    write_png(os.path.join(out, "about.png"), render(72, True))
    write_xpm(os.path.join(out, "programicon.h"),
              [("ProgramIcon32", render(32, False)), ("ProgramIcon64", render(64, False))])


if __name__ == "__main__":
    main()
