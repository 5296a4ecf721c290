#!/usr/bin/env python3
"""Draws Bytwacht's icons from res/icons/icons.json into .ico files.

Usage: make-icons.py SOURCE.json OUTPUT_DIR
The output depends on the source file only (no time stamps, fixed palette),
so every build produces the same bytes.
"""
import json
import math
import os
import struct
import sys

SAMPLES = 4  # supersampling per axis


def seg_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    cx, cy = ax + t * dx, ay + t * dy
    return math.hypot(px - cx, py - cy), t


def in_triangle(px, py, tri):
    (x1, y1), (x2, y2), (x3, y3) = tri
    d1 = (px - x2) * (y1 - y2) - (x1 - x2) * (py - y2)
    d2 = (px - x3) * (y2 - y3) - (x2 - x3) * (py - y3)
    d3 = (px - x1) * (y3 - y1) - (x3 - x1) * (py - y1)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def line_colour(colours, x):
    # Red on the left through yellow to green on the right.
    t = max(0.0, min(1.0, (x - 0.2) / 0.7))
    if t < 0.5:
        return mix(colours[0], colours[1], t * 2)
    return mix(colours[1], colours[2], (t - 0.5) * 2)


def colour_at(src, icon, x, y, size):
    """Colour of the topmost shape at (x, y) in unit coordinates, or None."""
    chart = src["chart"]
    # Lines are at least one pixel wide at small sizes.
    min_w = 1.0 / size
    colour = None
    aw = max(chart["axis_width"], min_w) / 2
    for a, b in (chart["y_axis"], chart["x_axis"]):
        if seg_distance(x, y, a[0], a[1], b[0], b[1])[0] <= aw:
            colour = chart["axis_colour"]
    if in_triangle(x, y, chart["arrow_up"]) or in_triangle(x, y, chart["arrow_right"]):
        colour = chart["axis_colour"]
    lw = max(chart["line_width"], min_w) / 2
    pts = chart["line"]
    for i in range(len(pts) - 1):
        if seg_distance(x, y, pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1])[0] <= lw:
            colour = line_colour(chart["line_colours"], x)
    if "badge_colour" in icon:
        badge = src["badge"]
        r = math.hypot(x - badge["centre"][0], y - badge["centre"][1])
        if r <= badge["radius"]:
            colour = badge["ring_colour"]
        if r <= badge["radius"] - badge["ring_width"]:
            colour = icon["badge_colour"]
            sym = src["symbols"].get(icon.get("symbol"))
            if sym:
                sw = max(sym["width"], min_w) / 2
                sp = sym["points"]
                for i in range(len(sp) - 1):
                    if seg_distance(x, y, sp[i][0], sp[i][1], sp[i + 1][0], sp[i + 1][1])[0] <= sw:
                        colour = sym["colour"]
    return colour


def render(src, icon, size):
    """Rows of (r, g, b, a) pixels, top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    c = colour_at(src, icon, x, y, size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[i] / hits)) for i in range(3)) + (int(round(255 * hits / SAMPLES ** 2)),))
        rows.append(row)
    return rows


def palette():
    """A fixed 256-colour palette: the 6x6x6 cube, then 40 greys."""
    pal = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    pal += [(int(i * 255 / 39),) * 3 for i in range(40)]
    return pal


def nearest(pal, c):
    best, best_d = 0, None
    for i, p in enumerate(pal):
        d = (p[0] - c[0]) ** 2 + (p[1] - c[1]) ** 2 + (p[2] - c[2]) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def and_mask(rows, size):
    stride = ((size + 31) // 32) * 4
    data = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bytes(bits)
    return data


def image_bytes(rows, size, depth):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0, 0, 0, 0, 0, 0)
    if depth == 32:
        pixels = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(rows) for p in row)
        return header + pixels + and_mask(rows, size)
    pal = palette()
    pal_bytes = b"".join(bytes((c[2], c[1], c[0], 0)) for c in pal)
    stride = ((size + 3) // 4) * 4
    pixels = b""
    for row in reversed(rows):
        line = bytes(nearest(pal, p[:3]) if p[3] >= 128 else 0 for p in row)
        pixels += line + bytes(stride - size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    return header + pal_bytes + pixels + and_mask(rows, size)


def write_ico(path, images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, depth, data in images:
        colours = 0 if depth >= 8 else 1 << depth
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, depth, len(data), offset)
        blobs += data
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + entries + blobs)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make-icons.py SOURCE.json OUTPUT_DIR")
    with open(sys.argv[1]) as f:
        src = json.load(f)
    os.makedirs(sys.argv[2], exist_ok=True)
    for icon in src["icons"]:
        images = []
        for size in icon["sizes"]:
            rows = render(src, icon, size)
            # A 256-colour image first where one is asked for, as before.
            depths = ([8] if size in icon.get("paletted_sizes", []) else []) + icon["depths"]
            for depth in depths:
                images.append((size, depth, image_bytes(rows, size, depth)))
        write_ico(os.path.join(sys.argv[2], icon["file"]), images)


if __name__ == "__main__":
    main()
