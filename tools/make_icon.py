#!/usr/bin/env python3
"""Draws the program's icon (a small tear-off calendar page) and writes res/vendaro.ico.

The .ico is kept in the repository; run this again only to change the picture.
"""
import struct
import sys

ORANGE = (255, 128, 0, 255)
DARK = (60, 60, 60, 255)
WHITE = (255, 255, 255, 255)
RED = (220, 40, 30, 255)
CLEAR = (0, 0, 0, 0)


def draw(n):
    px = [[CLEAR] * n for _ in range(n)]
    m = max(1, n // 16)

    def fill(x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(n, y1)):
            for x in range(max(0, x0), min(n, x1)):
                px[y][x] = c

    fill(m, 2 * m, n - m, n - m, DARK)                 # page outline
    fill(2 * m, 3 * m, n - 2 * m, n - 2 * m, WHITE)    # page
    fill(2 * m, 3 * m, n - 2 * m, 6 * m, ORANGE)       # header band
    fill(4 * m, m, 5 * m + max(1, m // 2), 5 * m, DARK)          # rings
    fill(n - 5 * m - max(1, m // 2), m, n - 4 * m, 5 * m, DARK)
    # a countdown mark: a bold red tick across the days grid
    cell = max(1, (n - 6 * m) // 4)
    for row in range(3):
        for col in range(4):
            x = 3 * m + col * cell
            y = 7 * m + row * cell
            fill(x, y, x + max(1, cell - m), y + max(1, cell - m), (200, 200, 200, 255))
    fill(3 * m + 2 * cell, 7 * m + cell, 3 * m + 3 * cell - m, 7 * m + 2 * cell - m, RED)
    return px


def dib(px):
    n = len(px)
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b''.join(bytes(c for (r, g, b, a) in px[y] for c in (b, g, r, a)) for y in reversed(range(n)))
    mask_row = ((n + 31) // 32) * 4
    return header + rows + b'\0' * (mask_row * n)


def main(path):
    images = [dib(draw(n)) for n in (16, 32, 48)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip((16, 32, 48), images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/vendaro.ico')
