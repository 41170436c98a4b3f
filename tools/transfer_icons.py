#!/usr/bin/env python3
"""Writes the transfer window's two row icons as 10 x 10, 24-bit icons with a
mask: a red arrow pointing right (receiving) and a green arrow pointing left
(sending).

    python3 tools/transfer_icons.py [OUTPUT_DIR]   # default: src/ui/res
"""
import os
import struct
import sys

SIZE = 10
# The arrow pointing right; '#' is painted, '.' is transparent.
ARROW_RIGHT = [
    ".....#....",
    ".....##...",
    ".....###..",
    "#########.",
    "##########",
    "#########.",
    ".....###..",
    ".....##...",
    ".....#....",
    "..........",
]

ICONS = {
    "receive_arrow.ico": ((255, 0, 0), ARROW_RIGHT),
    "send_arrow.ico": ((0, 128, 0), [row[::-1] for row in ARROW_RIGHT]),
}


def row_stride(bits_per_row):
    """Bytes per bitmap row: rows are padded to 32 bits."""
    return (bits_per_row + 31) // 32 * 4


def icon_bytes(colour, picture):
    red, green, blue = colour
    colour_rows = []
    mask_rows = []
    # Icon bitmaps are stored bottom-up.
    for line in reversed(picture):
        pixels = bytearray()
        mask_bits = 0
        for x, cell in enumerate(line):
            painted = cell == "#"
            pixels += bytes((blue, green, red)) if painted else bytes(3)
            if not painted:
                mask_bits |= 1 << (SIZE - 1 - x)
        pixels += bytes(row_stride(SIZE * 24) - len(pixels))
        mask = (mask_bits << (row_stride(SIZE) * 8 - SIZE)).to_bytes(row_stride(SIZE), "big")
        colour_rows.append(bytes(pixels))
        mask_rows.append(mask)
    image_data = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 24, 0, len(image_data), 0, 0, 0, 0)
    image = header + image_data
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "ui", "res")
    for name, (colour, picture) in ICONS.items():
        assert len(picture) == SIZE and all(len(row) == SIZE for row in picture)
        with open(os.path.join(output, name), "wb") as out:
            out.write(icon_bytes(colour, picture))


if __name__ == "__main__":
    main()
