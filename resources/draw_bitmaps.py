#!/usr/bin/env python3
"""Draws the small wizard pictures that are ours: the end page's picture (153) and the
discovery icon of the office list page (164). 24-bit BMPs, run once; the output is kept
in this folder beside the header (137) and watermark (138)."""
import math
import struct
import sys


def write_bmp(path, width, height, pixel):
    row_size = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def end_picture(x, y):
    # A green disc with a white tick on the page's white background.
    cx, cy, r = 23.5, 23.5, 22
    d = math.hypot(x - cx, y - cy)
    if d > r:
        return (255, 255, 255)
    def near(ax, ay, bx, by, width=3.2):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
        return math.hypot(x - (ax + t * vx), y - (ay + t * vy)) <= width
    if near(12, 24, 20, 32) or near(20, 32, 35, 15):
        return (255, 255, 255)
    return (40, 150, 70)


def discovery_icon(x, y):
    # A dot with two arcs above it: the signal of a search on the network. The background
    # is the light gray that loading with LR_LOADMAP3DCOLORS turns into the dialog's face.
    cx, cy = 7.5, 12.5
    d = math.hypot(x - cx, y - cy)
    above = y < cy - 1 and abs(x - cx) < (cy - y) * 1.2
    if d <= 2.2 or (above and (4.2 <= d <= 5.6 or 8.2 <= d <= 9.6)):
        return (20, 90, 170)
    return (192, 192, 192)


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    write_bmp(folder + "/end.bmp", 48, 48, end_picture)
    write_bmp(folder + "/discovery.bmp", 16, 16, discovery_icon)
