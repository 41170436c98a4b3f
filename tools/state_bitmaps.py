#!/usr/bin/env python3
"""Writes the four contact-list state bitmaps (resources 9981 to 9984).

Each is 16 x 16 pixels, 24-bit, on the transparent colour (255, 0, 255): a
small monitor in the upper left and, in the lower right corner, an 8 x 8 disc
with a black outline filled with the state's colour. Run from anywhere:

    python3 tools/state_bitmaps.py [OUTPUT_DIR]   (default src/gg/res)
"""
import os
import struct
import sys

SIZE = 16
BACKGROUND = (255, 0, 255)
BLACK = (0, 0, 0)
FRAME = (64, 64, 64)
SCREEN = (96, 160, 224)
STAND = (128, 128, 128)

# (resource id, file name, disc colour) in PeerState order 0..3.
STATES = [
    (9981, "no_direct.bmp", (255, 0, 0)),
    (9982, "ask_to_call.bmp", (255, 169, 51)),
    (9983, "not_listed.bmp", (140, 140, 140)),
    (9984, "direct.bmp", (102, 204, 51)),
]

# The disc, 8 x 8: '#' outline, 'o' fill, '.' background.
DISC = [
    "..####..",
    ".#oooo#.",
    "#oooooo#",
    "#oooooo#",
    "#oooooo#",
    "#oooooo#",
    ".#oooo#.",
    "..####..",
]


def picture(colour):
    """Rows top to bottom of (r, g, b) pixels."""
    pixels = [[BACKGROUND] * SIZE for _ in range(SIZE)]
    # Monitor: frame rows 1 and 7, columns 0 and 9; screen inside; neck; base.
    for x in range(0, 10):
        pixels[1][x] = FRAME
        pixels[7][x] = FRAME
    for y in range(2, 7):
        pixels[y][0] = FRAME
        pixels[y][9] = FRAME
        for x in range(1, 9):
            pixels[y][x] = SCREEN
    for x in (4, 5):
        pixels[8][x] = STAND
    for x in range(2, 8):
        pixels[9][x] = STAND
    # Disc in the lower right corner.
    for dy, row in enumerate(DISC):
        for dx, cell in enumerate(row):
            if cell == "#":
                pixels[8 + dy][8 + dx] = BLACK
            elif cell == "o":
                pixels[8 + dy][8 + dx] = colour
    return pixels


def bmp_bytes(pixels):
    """A BITMAPFILEHEADER + BITMAPINFOHEADER file, bottom-up BGR rows."""
    height = len(pixels)
    width = len(pixels[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        data += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + bytes(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "gg", "res")
    os.makedirs(out, exist_ok=True)
    for _, name, colour in STATES:
        with open(os.path.join(out, name), "wb") as f:
            f.write(bmp_bytes(picture(colour)))


if __name__ == "__main__":
    main()
