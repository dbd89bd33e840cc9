#!/usr/bin/env python3
"""Writes the program's icon: one ICO file with 16, 32 and 48 px images, each
an 8-bit palettised BMP entry with its AND mask (7406 bytes in all).

The picture: a rounded teal tile holding two rising white bars and an orange
one, the dashboard's two charts and the freed memory.

Usage: tools/make_icon.py resources/quorvel.ico
"""
import struct
import sys

SIZES = (16, 32, 48)
TRANSPARENT, TILE, EDGE, BAR, ACCENT, SHADE = range(6)
PALETTE = [
    (0, 0, 0),        # masked out by the AND mask
    (0, 128, 128),    # tile
    (0, 80, 88),      # tile edge
    (255, 255, 255),  # bars
    (255, 128, 0),    # the accent bar
    (0, 104, 112),    # bar shadow
]


def inside_rounded(x, y, size, radius):
    cx = min(max(x, radius), size - 1 - radius)
    cy = min(max(y, radius), size - 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def picture(size):
    radius = max(2, size // 6)
    edge = max(1, size // 16)
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if not inside_rounded(x, y, size, radius):
                continue
            inner = inside_rounded(x - edge, y - edge, size - 2 * edge, max(1, radius - edge)) \
                if edge <= x < size - edge and edge <= y < size - edge else False
            pixels[y][x] = TILE if inner else EDGE
    bar_w = max(2, size // 6)
    gap = max(1, size // 12)
    base = size - size // 5
    left = (size - (3 * bar_w + 2 * gap)) // 2
    heights = (size * 3 // 10, size * 5 // 10, size * 7 // 10)
    for i, height in enumerate(heights):
        colour = ACCENT if i == 2 else BAR
        x0 = left + i * (bar_w + gap)
        for y in range(base - height, base):
            for x in range(x0, x0 + bar_w):
                pixels[y][x] = colour
            if x0 + bar_w < size - edge:
                pixels[y][x0 + bar_w] = SHADE
    return pixels  # top row first


def bmp_entry(size):
    pixels = picture(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    palette += b'\0' * (4 * (256 - len(PALETTE)))
    xor_row = (size + 3) // 4 * 4
    and_row = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up
        xor += bytes(row) + b'\0' * (xor_row - size)
        bits = bytearray(and_row)
        for x, index in enumerate(row):
            if index == TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def main(path):
    entries = [bmp_entry(size) for size in SIZES]
    directory = struct.pack('<HHH', 0, 1, len(SIZES))
    offset = 6 + 16 * len(SIZES)
    for size, entry in zip(SIZES, entries):
        directory += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(entry), offset)
        offset += len(entry)
    data = directory + b''.join(entries)
    with open(path, 'wb') as out:
        out.write(data)
    print(f'{path}: {len(data)} bytes')


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'resources/quorvel.ico')
