#!/usr/bin/env python3
"""Draws the two tray icons and writes them as .ico files.

running.ico: an upright rocker switch whose upper half is a red panel
reading "ON" in white.  stopped.ico: the same switch with a blue panel in
its lower half reading "OFF" in white.  Each file holds one 32 x 32 image
with 16 colours (4 bits per pixel) and a transparency (AND) mask, written
byte by byte so that nothing beyond python3 is needed.

Usage: make_icons.py [output folder]   (default: the folder of this script)
"""

import os
import struct
import sys

SIZE = 32

# The standard 16-colour palette as (red, green, blue); the index is what
# the pixels store.
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 maroon
    (0x00, 0x80, 0x00),  # 2 green
    (0x80, 0x80, 0x00),  # 3 olive
    (0x00, 0x00, 0x80),  # 4 navy
    (0x80, 0x00, 0x80),  # 5 purple
    (0x00, 0x80, 0x80),  # 6 teal
    (0xC0, 0xC0, 0xC0),  # 7 silver
    (0x80, 0x80, 0x80),  # 8 grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 lime
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 fuchsia
    (0x00, 0xFF, 0xFF),  # 14 aqua
    (0xFF, 0xFF, 0xFF),  # 15 white
]
BLACK, MAROON, NAVY, SILVER, GREY, RED, BLUE, WHITE = 0, 1, 4, 7, 8, 9, 12, 15
TRANSPARENT = None

# Letters 7 pixels high; "#" is a lit pixel.
GLYPHS = {
    "O": [".##.", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."],
    "N": ["#..#", "##.#", "##.#", "#.##", "#.##", "#..#", "#..#"],
    "F": ["###", "#..", "#..", "##.", "#..", "#..", "#.."],
}

# Geometry of the switch (pixel columns and rows, inclusive).
BEZEL_LEFT, BEZEL_RIGHT = 5, 26
BEZEL_TOP, BEZEL_BOTTOM = 0, 31
ROCKER_LEFT, ROCKER_RIGHT = 8, 23
UPPER_TOP, UPPER_BOTTOM = 3, 15
LOWER_TOP, LOWER_BOTTOM = 16, 28


def blank():
    return [[TRANSPARENT] * SIZE for _ in range(SIZE)]


def fill(img, left, top, right, bottom, colour):
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            img[y][x] = colour


def text_width(text):
    return sum(len(GLYPHS[c][0]) for c in text) + len(text) - 1


def draw_text(img, text, left, right, top, bottom, colour):
    """Draws text centred in the box (inclusive bounds)."""
    x = left + (right - left + 1 - text_width(text)) // 2
    y = top + (bottom - top + 1 - len(GLYPHS["O"])) // 2
    for c in text:
        glyph = GLYPHS[c]
        for dy, row in enumerate(glyph):
            for dx, cell in enumerate(row):
                if cell == "#":
                    img[y + dy][x + dx] = colour
        x += len(glyph[0]) + 1


def draw_switch(lit_half, text, panel, panel_shadow):
    """The bezel and rocker, with the panel of lit_half ("upper" or "lower")."""
    img = blank()
    # Bezel: black outline with rounded corners, a silver frame lit from
    # the top left and shaded at the bottom right.
    fill(img, BEZEL_LEFT, BEZEL_TOP, BEZEL_RIGHT, BEZEL_BOTTOM, BLACK)
    for x, y in ((BEZEL_LEFT, BEZEL_TOP), (BEZEL_RIGHT, BEZEL_TOP), (BEZEL_LEFT, BEZEL_BOTTOM),
                 (BEZEL_RIGHT, BEZEL_BOTTOM)):
        img[y][x] = TRANSPARENT
    fill(img, BEZEL_LEFT + 1, BEZEL_TOP + 1, BEZEL_RIGHT - 1, BEZEL_BOTTOM - 1, SILVER)
    fill(img, BEZEL_LEFT + 1, BEZEL_TOP + 1, BEZEL_RIGHT - 1, BEZEL_TOP + 1, WHITE)
    fill(img, BEZEL_LEFT + 1, BEZEL_TOP + 1, BEZEL_LEFT + 1, BEZEL_BOTTOM - 1, WHITE)
    fill(img, BEZEL_LEFT + 1, BEZEL_BOTTOM - 1, BEZEL_RIGHT - 1, BEZEL_BOTTOM - 1, GREY)
    fill(img, BEZEL_RIGHT - 1, BEZEL_TOP + 2, BEZEL_RIGHT - 1, BEZEL_BOTTOM - 1, GREY)
    # Opening of the rocker: a black line around both halves.
    fill(img, ROCKER_LEFT - 1, UPPER_TOP - 1, ROCKER_RIGHT + 1, LOWER_BOTTOM + 1, BLACK)
    # Both halves grey first; the unlit one stays so.
    fill(img, ROCKER_LEFT, UPPER_TOP, ROCKER_RIGHT, UPPER_BOTTOM, GREY)
    fill(img, ROCKER_LEFT, LOWER_TOP, ROCKER_RIGHT, LOWER_BOTTOM, GREY)
    if lit_half == "upper":
        top, bottom = UPPER_TOP, UPPER_BOTTOM
    else:
        top, bottom = LOWER_TOP, LOWER_BOTTOM
    fill(img, ROCKER_LEFT, top, ROCKER_RIGHT, bottom, panel)
    # A darker edge under and right of the panel gives it some depth.
    fill(img, ROCKER_LEFT, bottom, ROCKER_RIGHT, bottom, panel_shadow)
    fill(img, ROCKER_RIGHT, top, ROCKER_RIGHT, bottom, panel_shadow)
    # The seam between the halves.
    fill(img, ROCKER_LEFT, UPPER_BOTTOM, ROCKER_RIGHT, UPPER_BOTTOM, BLACK)
    draw_text(img, text, ROCKER_LEFT, ROCKER_RIGHT - 1, top, bottom - 1, WHITE)
    return img


def running_image():
    return draw_switch("upper", "ON", RED, MAROON)


def stopped_image():
    return draw_switch("lower", "OFF", BLUE, NAVY)


def ico_bytes(img):
    """One-image .ico: directory, BITMAPINFOHEADER, palette, XOR and AND."""
    xor_stride = SIZE // 2  # 4 bits per pixel, 16 bytes: already 32-bit aligned
    and_stride = 4  # 32 bits, one bit per pixel
    xor = bytearray()
    mask = bytearray()
    for y in range(SIZE - 1, -1, -1):  # DIBs are stored bottom-up
        row = img[y]
        for x in range(0, SIZE, 2):
            hi = row[x] if row[x] is not TRANSPARENT else BLACK
            lo = row[x + 1] if row[x + 1] is not TRANSPARENT else BLACK
            xor.append((hi << 4) | lo)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is TRANSPARENT else 0)
        mask += struct.pack(">I", bits)
    assert len(xor) == xor_stride * SIZE and len(mask) == and_stride * SIZE
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    image_size = len(xor) + len(mask)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, image_size, 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main(argv):
    out_dir = argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, img in (("running.ico", running_image()), ("stopped.ico", stopped_image())):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(ico_bytes(img))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
