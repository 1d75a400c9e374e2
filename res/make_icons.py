#!/usr/bin/env python3
"""Draws Clickmend's icons: a mouse whose left button is mended (a small green check).

Writes res/clickmend.ico (48, 32 and 16 pixels), res/tray.ico (16 pixels) and its greyed
twin res/tray_paused.ico, shown while Clickmend is paused; all 32-bit images with alpha. Change the shapes or colours below and run: python3 res/make_icons.py
"""
import math
import os
import struct

BODY = (245, 245, 248)
OUTLINE = (52, 58, 74)
BUTTON = (66, 133, 244)
CHECK = (46, 160, 67)
SAMPLES = 4  # supersampling per axis


def mouse_shape(u, v):
    """Colour and coverage of the glyph at (u, v) in the unit square, or None."""
    # The mouse body: a rounded capsule centred horizontally.
    cx, cy, rx, ry = 0.44, 0.55, 0.30, 0.42
    d = ((u - cx) / rx) ** 2 + ((v - cy) / ry) ** 2
    if d <= 1.0:
        edge = d > 0.78
        if edge:
            return OUTLINE
        if v < cy - 0.02 and u < cx - 0.02:
            return BUTTON  # the left button
        if abs(u - cx) < 0.025 and v < cy:
            return OUTLINE  # the split between the buttons
        if abs(v - (cy - 0.02)) < 0.025:
            return OUTLINE  # the lower edge of the buttons
        return BODY
    # A check mark at the lower right: two thick strokes.
    def seg(ax, ay, bx, by, w):
        px, py = u - ax, v - ay
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
        return math.hypot(px - t * dx, py - t * dy) < w
    if seg(0.62, 0.78, 0.74, 0.90, 0.07) or seg(0.74, 0.90, 0.96, 0.62, 0.07):
        return CHECK
    return None


def greyed(colour):
    """The colour as the paused icon shows it: its brightness only, washed out towards grey."""
    r, g, b, a = colour
    y = (299 * r + 587 * g + 114 * b) // 1000
    y = (y + 2 * 160) // 3
    return (y, y, y, a * 3 // 4)


def render(size):
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    u = (x + (sx + 0.5) / SAMPLES) / size
                    v = (y + (sy + 0.5) / SAMPLES) / size
                    c = mouse_shape(u, v)
                    if c:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            n = SAMPLES * SAMPLES
            if hits:
                row.append((acc[0] // hits, acc[1] // hits, acc[2] // hits, 255 * hits // n))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def bitmap(size, paint=None):
    """A 32-bit DIB as stored in an .ico: header, bottom-up BGRA rows, AND mask."""
    pixels = render(size)
    if paint:
        pixels = [[paint(p) for p in row] for row in pixels]
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    data = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            data += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(data) + bytes(mask)


def write_ico(path, sizes, paint=None):
    images = [bitmap(s, paint) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, 'clickmend.ico'), [48, 32, 16])
    write_ico(os.path.join(here, 'tray.ico'), [16])
    write_ico(os.path.join(here, 'tray_paused.ico'), [16], greyed)
