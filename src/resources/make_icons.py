#!/usr/bin/env python3
"""Draws the program's icons and its drag cursor and writes them as .ico/.cur files.

usage: make_icons.py OUTDIR

Every image is drawn from the same few shapes in unit coordinates and rendered with 4x4
supersampling at each size, so the 16-pixel tray icons stay sharp.
"""
import math
import os
import struct
import sys

SUB = 4  # samples per pixel edge


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    inner = r - width
    return lambda x, y: inner * inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)

    def inside(x, y):
        dx, dy = x - cx, y - cy
        u, v = dx * c + dy * s, -dx * s + dy * c
        return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0
    return inside


def box(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def note():
    """An eighth note: tilted head, stem and flag."""
    head = ellipse(0.40, 0.70, 0.165, 0.115, -22)
    stem = box(0.505, 0.20, 0.585, 0.70)
    flag = polygon([(0.505, 0.20), (0.585, 0.20), (0.78, 0.36), (0.76, 0.50), (0.585, 0.36)])
    return lambda x, y: head(x, y) or stem(x, y) or flag(x, y)


def render(size, layers):
    """layers: (shape, (r, g, b, a)) painted in order. Returns rows of BGRA, top first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SUB):
                for sx in range(SUB):
                    x = (px + (sx + 0.5) / SUB) / size
                    y = (py + (sy + 0.5) / SUB) / size
                    col = [0.0, 0.0, 0.0, 0.0]
                    for shape, (r, g, b, a) in layers:
                        if shape(x, y):
                            fa = a / 255.0
                            col = [r * fa + col[0] * (1 - fa), g * fa + col[1] * (1 - fa),
                                   b * fa + col[2] * (1 - fa), fa + col[3] * (1 - fa)]
                    for k in range(4):
                        acc[k] += col[k]
            n = SUB * SUB
            alpha = acc[3] / n
            if alpha <= 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (min(255, round(acc[k] / n / alpha)) for k in range(3))
                row.append((b, g, r, round(alpha * 255)))
        rows.append(row)
    return rows


def dib(rows):
    """A 32-bit icon image: header, colour rows bottom-up, then the AND mask."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes(c for px in row for c in px) for row in reversed(rows))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def write_icon(path, images, hotspot=None):
    """images: list of rows; hotspot makes it a cursor."""
    kind = 2 if hotspot else 1
    data = [dib(rows) for rows in images]
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for rows, blob in zip(images, data):
        size = len(rows)
        a, b = hotspot if hotspot else (1, 32)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, a, b, len(blob), offset)
        offset += len(blob)
    with open(path, 'wb') as f:
        f.write(out + b''.join(data))


ORANGE = (240, 120, 40, 255)
RUST = (150, 62, 18, 255)
CREAM = (250, 246, 238, 255)
WHITE = (255, 255, 255, 255)


def normal_layers():
    return [(disc(0.5, 0.5, 0.48), ORANGE), (ring(0.5, 0.5, 0.48, 0.07), RUST), (note(), WHITE)]


def flip_layers():
    return [(disc(0.5, 0.5, 0.48), CREAM), (ring(0.5, 0.5, 0.48, 0.07), ORANGE), (note(), RUST)]


def blink_off_layers():
    return [(disc(0.5, 0.5, 0.48), (150, 150, 150, 110)), (ring(0.5, 0.5, 0.48, 0.07), (110, 110, 110, 150)),
            (note(), (235, 235, 235, 170))]


def drag_cursor():
    """Arrow with a list row under it: an entry being moved."""
    arrow = [(0.03, 0.03), (0.03, 0.62), (0.17, 0.49), (0.27, 0.72), (0.35, 0.68), (0.25, 0.46), (0.44, 0.46)]
    outline = [(x, y) for x, y in arrow]
    return [(polygon(grow(outline, 0.035)), WHITE), (polygon(arrow), (0, 0, 0, 255)),
            (box(0.40, 0.66, 0.97, 0.90), (0, 0, 0, 255)), (box(0.43, 0.69, 0.94, 0.87), WHITE),
            (box(0.48, 0.76, 0.86, 0.80), (0, 0, 0, 255))]


def grow(points, d):
    """The polygon pushed out from its centre by d: a cheap outline."""
    cx = sum(p[0] for p in points) / len(points)
    cy = sum(p[1] for p in points) / len(points)
    out = []
    for x, y in points:
        dx, dy = x - cx, y - cy
        n = math.hypot(dx, dy) or 1.0
        out.append((x + dx / n * d, y + dy / n * d))
    return out


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    write_icon(os.path.join(outdir, 'Orvane.ico'), [render(s, normal_layers()) for s in (16, 32, 48)])
    write_icon(os.path.join(outdir, 'TrayNormal.ico'), [render(s, normal_layers()) for s in (16, 32)])
    write_icon(os.path.join(outdir, 'TrayFlip.ico'), [render(s, flip_layers()) for s in (16, 32)])
    write_icon(os.path.join(outdir, 'TrayBlinkOff.ico'), [render(s, blink_off_layers()) for s in (16, 32)])
    write_icon(os.path.join(outdir, 'Drag.cur'), [render(32, drag_cursor())], hotspot=(1, 1))


if __name__ == '__main__':
    main()
