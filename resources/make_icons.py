#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Draws the normal, UP and DOWN icons from icon-drawing.json.

Each .ico holds three images with a 1-bit transparency mask: 16x16 at 8 bits
with a 256-entry palette, 32x32 and 48x48 at 24 bits (12,014 bytes per file).
The normal picture is also written as PNGs for the desktop icon theme, and the
UP and DOWN pictures as PNGs in png/: the window and the tray are
given these, whose transparency every reader honours.
Standard library only: run it with /usr/bin/python3 from any folder.
"""
import json
import math
import struct
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent
SIZES = ((16, 8), (32, 24), (48, 24))  # (pixels, bits per pixel)
SUBSAMPLES = 4  # per axis, for smooth edges inside the tile
FILES = {"normal": "normal.ico", "UP": "up.ico", "DOWN": "down.ico"}


def rgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def inside_tile(tile, x, y):
    left, top, right, bottom, r = tile["left"], tile["top"], tile["right"], tile["bottom"], tile["radius"]
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + r), right - r)
    cy = min(max(y, top + r), bottom - r)
    return math.hypot(x - cx, y - cy) <= r


def inside_shape(shape, x, y):
    if shape["kind"] == "dot":
        cx, cy = shape["center"]
        return math.hypot(x - cx, y - cy) <= shape["radius"]
    points = shape["points"]
    half = shape["width"] / 2
    return any(segment_distance(x, y, *points[i], *points[i + 1]) <= half for i in range(len(points) - 1))


def coverage(test, px, py, scale):
    hits = 0
    for sy in range(SUBSAMPLES):
        for sx in range(SUBSAMPLES):
            x = (px + (sx + 0.5) / SUBSAMPLES) * scale
            y = (py + (sy + 0.5) / SUBSAMPLES) * scale
            hits += test(x, y)
    return hits / (SUBSAMPLES * SUBSAMPLES)


def render(drawing, colours, size):
    """Rows top to bottom of (r, g, b) or None where the pixel is transparent."""
    scale = drawing["canvas"] / size
    tile = drawing["tile"]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            if coverage(lambda x, y: inside_tile(tile, x, y), px, py, scale) < 0.5:
                row.append(None)
                continue
            colour = rgb(colours["tile"])
            for shape in drawing["shapes"]:
                c = coverage(lambda x, y: inside_shape(shape, x, y), px, py, scale)
                if c > 0:
                    ink = rgb(colours[shape["role"]])
                    colour = tuple(round(a + (b - a) * c) for a, b in zip(colour, ink))
            row.append(colour)
        rows.append(row)
    return rows


def and_mask(rows, size):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel is None:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def bitmap(rows, size, bpp):
    """The BITMAPINFOHEADER, palette, colour pixels and mask of one icon image."""
    pixels = [p or (0, 0, 0) for row in rows for p in row]
    palette = b""
    if bpp == 8:
        colours = sorted(set(pixels))
        if len(colours) > 256:
            raise SystemExit("more than 256 colours in a 16x16 image")
        index = {c: i for i, c in enumerate(colours)}
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
        palette += bytes(4 * (256 - len(colours)))
        colour_bytes = b"".join(bytes(index[p or (0, 0, 0)] for p in row) for row in reversed(rows))
    else:
        colour_bytes = b"".join(bytes(v for p in row for v in reversed(p or (0, 0, 0))) for row in reversed(rows))
    mask = and_mask(rows, size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(colour_bytes) + len(mask), 0, 0,
                         256 if bpp == 8 else 0, 0)
    return header + palette + colour_bytes + mask


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def png(rows, size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + bytes(v for p in row for v in ((*p, 255) if p else (0, 0, 0, 0))) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    drawing = json.loads((HERE / "icon-drawing.json").read_text())
    for variant, name in FILES.items():
        colours = drawing["variants"][variant]
        images = []
        for size, bpp in SIZES:
            rows = render(drawing, colours, size)
            images.append((size, bpp, bitmap(rows, size, bpp)))
            if variant == "normal":
                target = HERE / "hicolor" / f"{size}x{size}" / "apps" / "line-warden.png"
            else:
                target = HERE / "png" / f"{variant.lower()}-{size}.png"
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(png(rows, size))
        (HERE / name).write_bytes(ico(images))
        print(f"{name}: {len(ico(images))} bytes")


if __name__ == "__main__":
    main()
