#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files (16, 32, 48 px,
32-bit BGRA). Rerun to reproduce res/qavicon.ico and res/delicon.ico exactly:
    python3 tools/make-icons.py res
QAVICON: a yellow archive box with a brown strap and a blue "Q" ring.
DELICON: the same box, smaller, crossed by a red X (the uninstaller)."""
import struct, sys, os

def blank(n):
    return [[(0, 0, 0, 0)] * n for _ in range(n)]

def rect(img, x0, y0, x1, y1, c):
    n = len(img)
    for y in range(max(0, int(y0)), min(n, int(y1))):
        for x in range(max(0, int(x0)), min(n, int(x1))):
            img[y][x] = c

def ring(img, cx, cy, r0, r1, c):
    n = len(img)
    for y in range(n):
        for x in range(n):
            d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
            if r0 <= d <= r1:
                img[y][x] = c

def line(img, x0, y0, x1, y1, w, c):
    n = len(img)
    for y in range(n):
        for x in range(n):
            px, py = x + 0.5, y + 0.5
            dx, dy = x1 - x0, y1 - y0
            t = max(0, min(1, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
            if ((px - x0 - t * dx) ** 2 + (py - y0 - t * dy) ** 2) ** 0.5 <= w / 2:
                img[y][x] = c

YELLOW = (60, 200, 250, 255)   # BGRA
DARK = (30, 60, 110, 255)
BLUE = (200, 90, 20, 255)
RED = (40, 40, 220, 255)
WHITE = (255, 255, 255, 255)

def box(img, n, s):
    rect(img, 2 * s, 5 * s, n - 2 * s, n - 2 * s, DARK)
    rect(img, 3 * s, 6 * s, n - 3 * s, n - 3 * s, YELLOW)
    rect(img, n / 2 - s, 5 * s, n / 2 + s, n - 2 * s, DARK)

def qavicon(n):
    s = n / 16
    img = blank(n)
    box(img, n, s)
    ring(img, n * 0.62, n * 0.62, 2.2 * s, 3.6 * s, BLUE)
    line(img, n * 0.70, n * 0.70, n * 0.88, n * 0.88, 1.6 * s, BLUE)
    return img

def delicon(n):
    s = n / 16
    img = blank(n)
    box(img, n, s)
    line(img, 3 * s, 3 * s, n - 3 * s, n - 3 * s, 3.2 * s, WHITE)
    line(img, n - 3 * s, 3 * s, 3 * s, n - 3 * s, 3.2 * s, WHITE)
    line(img, 3 * s, 3 * s, n - 3 * s, n - 3 * s, 2.0 * s, RED)
    line(img, n - 3 * s, 3 * s, 3 * s, n - 3 * s, 2.0 * s, RED)
    return img

def bmp_entry(img):
    n = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes(img[y][x]) for y in range(n - 1, -1, -1) for x in range(n))
    mask_row = ((n + 31) // 32) * 4
    mask = b''
    for y in range(n - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(n):
            if img[y][x][3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask

def write_ico(path, draw):
    sizes = [16, 32, 48]
    blobs = [bmp_entry(draw(n)) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, b in zip(sizes, blobs):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(b), offset)
        offset += len(b)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blobs))

if __name__ == '__main__':
    d = sys.argv[1] if len(sys.argv) > 1 else 'res'
    write_ico(os.path.join(d, 'qavicon.ico'), qavicon)
    write_ico(os.path.join(d, 'delicon.ico'), delicon)
