#!/usr/bin/env python3
"""Draws the logo of the configuration dialog: 172 x 74 pixels, 24 bits per
pixel, uncompressed BMP. Run from anywhere; writes logo.bmp beside this script.

A round emblem with a quill-like tail and three signal arcs on a dark
blue-to-teal gradient, and the name in a small pixel font."""

import math
import os
import struct

WIDTH, HEIGHT = 172, 74
SAMPLES = 4  # supersampling per axis for smooth edges

GLYPHS = {  # 5 x 7 pixel font, one string per row
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def background(x, y):
    top_left, bottom_right = (22, 34, 72), (18, 110, 120)
    t = (x / WIDTH) * 0.7 + (y / HEIGHT) * 0.3
    return mix(top_left, bottom_right, t)


CENTER = (37.0, 37.0)


def emblem_coverage(x, y):
    """1 where the white emblem is drawn, else 0 (sampled at sub-pixels)."""
    dx, dy = x - CENTER[0], y - CENTER[1]
    r = math.hypot(dx, dy)
    # The ring.
    if 25.0 <= r <= 29.0:
        return 1.0
    # The tail of the Q, sweeping down to the right like a quill.
    tx, ty = x - 58.0, y - 58.0
    if -9.0 <= tx <= 9.0 and abs(ty - tx * 0.9) <= 1.8 - tx * 0.12:
        return 1.0
    # Three signal arcs opening to the upper right, from a dot.
    if r <= 3.2:
        return 1.0
    angle = math.atan2(-dy, dx)
    if -0.95 <= angle - math.pi / 4 <= 0.95:
        for radius in (8.0, 14.0, 20.0):
            if abs(r - radius) <= 1.6:
                return 1.0
    return 0.0


def draw_text(pixels, text, left, top, scale, colour):
    x = left
    for ch in text:
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    for sy in range(scale):
                        for sx in range(scale):
                            pixels[top + row * scale + sy][x + col * scale + sx] = colour
        x += 6 * scale


def main():
    white = (246, 248, 250)
    pixels = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            covered = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    covered += emblem_coverage(x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES)
            covered /= SAMPLES * SAMPLES
            row.append(mix(background(x, y), white, covered))
        pixels.append(row)

    draw_text(pixels, "QUILLON", 78, 22, 2, white)
    for x in range(78, 160):  # a thin rule under the name
        pixels[40][x] = mix(pixels[40][x], white, 0.55)
    draw_text(pixels, "REMOTE", 78, 45, 1, (170, 225, 228))

    row_size = WIDTH * 3
    padding = (4 - row_size % 4) % 4
    image = bytearray()
    for y in reversed(range(HEIGHT)):  # BMP rows go bottom-up
        for x in range(WIDTH):
            r, g, b = (int(round(c)) for c in pixels[y][x])
            image += bytes((b, g, r))
        image += b"\0" * padding

    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "logo.bmp")
    with open(path, "wb") as out:
        out.write(header + info + image)


if __name__ == "__main__":
    main()
