#!/usr/bin/env python3
"""Draws the program's icon and writes res/quillbeck.ico.

The artwork is a closed envelope with an orange "@" badge, drawn from shapes
given in a unit square and rendered at 16, 32, 48 and 64 pixels. Each image is
stored as an 8-bit (256-colour) palettized bitmap with a 1-bit AND mask, which
every Windows version since XP shows. Standard library only.

Usage: python3 res/make_icon.py [output.ico]   (default: quillbeck.ico beside this script)
"""
import math
import os
import struct
import sys

SIZES = (16, 32, 48, 64)
SUBSAMPLES = 8  # per pixel side: 64 samples per pixel

BLUE = (31, 78, 140)
PAPER_TOP = (252, 250, 244)
PAPER_BOTTOM = (226, 222, 208)
FLAP = (214, 226, 243)
ORANGE_TOP = (250, 150, 60)
ORANGE_BOTTOM = (214, 92, 16)
WHITE = (255, 255, 255)


# --- shapes: signed distances in unit coordinates (negative inside) ---------

def sd_round_rect(x, y, x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def sd_segment(x, y, ax, ay, bx, by):
    px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
    t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - vx * t, py - vy * t)


def sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def sd_arc(x, y, cx, cy, r, start, end):
    """Distance to the arc of radius r from angle start to end (radians, y down, clockwise)."""
    a = math.atan2(y - cy, x - cx) % (2 * math.pi)
    span = (end - start) % (2 * math.pi)
    if (a - start) % (2 * math.pi) <= span:
        return abs(math.hypot(x - cx, y - cy) - r)
    ends = ((cx + r * math.cos(start), cy + r * math.sin(start)), (cx + r * math.cos(end), cy + r * math.sin(end)))
    return min(math.hypot(x - ex, y - ey) for ex, ey in ends)


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


# --- the artwork ---------------------------------------------------------------

class Artwork:
    """The layers of the icon for one image size; stroke widths never go below one pixel."""

    def __init__(self, size):
        px = 1.0 / size

        def snap(v):  # to the pixel grid, so that straight edges stay crisp
            return round(v * size) / size

        self.size = size
        self.line = max(1, round(0.034 * size)) * px
        self.body = (snap(0.04), snap(0.19), snap(0.96), snap(0.81))
        self.tip = (0.5, snap(0.56))
        self.detailed = size >= 32
        if self.detailed:
            self.badge = (0.72, 0.70, 0.255)
            self.badge_ring = max(0.035, px)
        else:
            # At 16 pixels the badge is a plain disc with a small ring: an "@"
            # would not be legible.
            self.badge = (0.70, 0.68, 0.25)
            self.badge_ring = 0.0
        self.at_stroke = max(0.036, px)

    def color(self, x, y):
        """Colour of the point, or None where the icon is transparent."""
        bcx, bcy, br = self.badge
        d_badge = sd_circle(x, y, bcx, bcy, br)
        if d_badge <= 0:
            return self.badge_color(x, y, d_badge)

        x0, y0, x1, y1 = self.body
        d_body = sd_round_rect(x, y, x0, y0, x1, y1, 0.07)
        if d_body > 0:
            return None
        if d_body > -self.line:
            return BLUE
        tx, ty = self.tip
        flap_edge = min(sd_segment(x, y, x0, y0, tx, ty), sd_segment(x, y, tx, ty, x1, y0))
        if flap_edge < self.line / 2:
            return BLUE
        # Inside the flap: above both lines from the top corners to the tip.
        left = (y - y0) * (tx - x0) - (x - x0) * (ty - y0)
        right = (y - y0) * (tx - x1) - (x - x1) * (ty - y0)
        if left < 0 and right > 0:
            return mix(FLAP, WHITE, max(0.0, (ty - y) / (ty - y0)) * 0.5)
        return mix(PAPER_TOP, PAPER_BOTTOM, (y - y0) / (y1 - y0))

    def badge_color(self, x, y, d_badge):
        bcx, bcy, br = self.badge
        if d_badge > -self.badge_ring:
            return WHITE
        t = self.at_stroke / 2
        r_in = br * (0.27 if self.detailed else 0.36)
        d_at = abs(sd_circle(x, y, bcx, bcy, r_in))
        if self.detailed:
            r_out = br * 0.58
            # The outer stroke of "@" runs from the right, over the top, round
            # to the lower right; the stem of the "a" joins it on the right.
            d_at = min(d_at, sd_arc(x, y, bcx, bcy, r_out, math.radians(40), math.radians(0)))
            sx = bcx + r_in
            d_at = min(d_at, sd_segment(x, y, sx, bcy - r_in, sx, bcy + r_in * 0.55))
            d_at = min(d_at, sd_segment(x, y, sx, bcy + r_in * 0.55, sx + (r_out - r_in) * 0.55, bcy + r_in * 0.75))
            d_at = min(d_at, sd_segment(x, y, sx + (r_out - r_in) * 0.55, bcy + r_in * 0.75, bcx + r_out, bcy))
        if d_at < t:
            return WHITE
        return mix(ORANGE_TOP, ORANGE_BOTTOM, (y - (bcy - br)) / (2 * br))


def render(size):
    """Rows of (r, g, b) or None (transparent), supersampled."""
    art = Artwork(size)
    n = SUBSAMPLES
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(n):
                for sx in range(n):
                    c = art.color((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    if c is not None:
                        covered += 1
                        total[0] += c[0]
                        total[1] += c[1]
                        total[2] += c[2]
            if covered * 2 < n * n:
                row.append(None)
            else:
                row.append(tuple(int(round(v / covered)) for v in total))
        rows.append(row)
    return rows


# --- 256-colour palette ----------------------------------------------------------

def median_cut(colors, count):
    """Up to `count` representative colours for the list of (r, g, b) with repeats."""
    boxes = [list(colors)]
    while len(boxes) < count:
        boxes.sort(key=lambda b: max(max(c[i] for c in b) - min(c[i] for c in b) for i in range(3)) if b else -1)
        box = boxes[-1]
        if len(set(box)) <= 1:
            break
        channel = max(range(3), key=lambda i: max(c[i] for c in box) - min(c[i] for c in box))
        box.sort(key=lambda c: c[channel])
        mid = len(box) // 2
        boxes[-1:] = [box[:mid], box[mid:]]
    return [tuple(round(sum(c[i] for c in b) / len(b)) for i in range(3)) for b in boxes if b]


def palettize(rows):
    """A 256-entry palette and the index rows. Index 0 is black, used for transparent pixels."""
    opaque = [c for row in rows for c in row if c is not None]
    distinct = sorted(set(opaque))
    colors = distinct if len(distinct) <= 255 else median_cut(opaque, 255)
    palette = [(0, 0, 0)] + colors
    cache = {}

    def nearest(c):
        if c not in cache:
            cache[c] = min(range(1, len(palette)),
                           key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], c)))
        return cache[c]

    indexes = [[0 if c is None else nearest(c) for c in row] for row in rows]
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette, indexes


# --- ICO file --------------------------------------------------------------------

def bmp_entry(size, rows):
    palette, indexes = palettize(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    colors = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in palette)
    xor_stride = (size + 3) // 4 * 4
    and_stride = (size + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # bottom-up
        xor += bytes(indexes[y]) + bytes(xor_stride - size)
        bits = bytearray(and_stride)
        for x, c in enumerate(rows[y]):
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colors + bytes(xor) + bytes(mask)


def write_ico(path, images):
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    data = b''
    for size, blob in images:
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 8, len(blob), offset + len(data))
        data += blob
    with open(path, 'wb') as f:
        f.write(directory + entries + data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), 'quillbeck.ico')
    images = [(size, bmp_entry(size, render(size))) for size in SIZES]
    write_ico(out, images)
    print(f'{out}: {", ".join(str(s) for s in SIZES)} pixels, 256 colours')


if __name__ == '__main__':
    main()
