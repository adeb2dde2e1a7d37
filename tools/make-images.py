#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the program's icon and logos into src/panel.

The icon is pixel art painted here and written by hand as a 16-colour Windows
icon (one 32x32 image, 4 bits per pixel) plus a 64x64 PNG for Linux desktops.
The logos reuse the icon and add the product title with ImageMagick's
`convert`, whose text rendering beats anything worth writing here.

Run from anywhere: python3 tools/make-images.py
The output is committed; run this again only to change the artwork.
"""

import pathlib
import struct
import subprocess
import tempfile
import zlib

PANEL = pathlib.Path(__file__).resolve().parent.parent / "src" / "panel"
TITLE = "ZQ40613 Evaluation kit"
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_REGULAR = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
TEXT_BLUE = "#1F3A93"
ACCENT_YELLOW = "#F2C200"

ICON_SIZE = 32
TRANSPARENT = "."

# The 16 standard Windows colours; the icon uses a few of them by letter.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
COLOUR_INDEX = {TRANSPARENT: 0, "K": 0, "N": 4, "S": 7, "Y": 11, "W": 15}

# A chip package: body 7..24, four pins on each side, a lightning bolt inside
# and a pin-1 dot. The interior art covers the 16x16 square inside the outline.
BODY_FIRST, BODY_LAST = 7, 24
PIN_STARTS = (9, 13, 17, 21)
PIN_WIDTH, PIN_LENGTH = 2, 4
INTERIOR = [
    "................",
    ".WW.......YYYY..",
    ".WW......YYYY...",
    "........YYYY....",
    ".......YYYY.....",
    "......YYYY......",
    ".....YYYYYYYY...",
    "....YYYYYYYY....",
    ".......YYYY.....",
    "......YYYY......",
    ".....YYYY.......",
    "....YYY.........",
    "...YY...........",
    "................",
    "................",
    "................",
]


def icon_pixels():
    """Returns the icon as 32 strings of 32 colour letters, top row first."""
    grid = [[TRANSPARENT] * ICON_SIZE for _ in range(ICON_SIZE)]
    for start in PIN_STARTS:
        for along in range(start, start + PIN_WIDTH):
            for out in range(PIN_LENGTH):
                grid[BODY_FIRST - 1 - out][along] = "S"
                grid[BODY_LAST + 1 + out][along] = "S"
                grid[along][BODY_FIRST - 1 - out] = "S"
                grid[along][BODY_LAST + 1 + out] = "S"
    for y in range(BODY_FIRST, BODY_LAST + 1):
        for x in range(BODY_FIRST, BODY_LAST + 1):
            edge = y in (BODY_FIRST, BODY_LAST) or x in (BODY_FIRST, BODY_LAST)
            grid[y][x] = "K" if edge else "N"
    for dy, row in enumerate(INTERIOR):
        for dx, letter in enumerate(row):
            if letter != TRANSPARENT:
                grid[BODY_FIRST + 1 + dy][BODY_FIRST + 1 + dx] = letter
    return ["".join(row) for row in grid]


def ico_bytes(pixels):
    """A Windows icon file holding one 32x32 image with 16 colours."""
    xor_row_bytes = ICON_SIZE // 2           # two pixels a byte
    and_row_bytes = ICON_SIZE // 8           # one bit a pixel, rows already 4-byte aligned
    xor_size = xor_row_bytes * ICON_SIZE
    and_size = and_row_bytes * ICON_SIZE
    header_size = 40
    palette_size = 4 * len(PALETTE)
    image_size = header_size + palette_size + xor_size + and_size

    xor_mask = bytearray()
    and_mask = bytearray()
    for row in reversed(pixels):             # bitmaps are stored bottom-up
        indices = [COLOUR_INDEX[c] for c in row]
        for x in range(0, ICON_SIZE, 2):
            xor_mask.append(indices[x] << 4 | indices[x + 1])
        bits = 0
        for c in row:
            bits = bits << 1 | (c == TRANSPARENT)
        and_mask += bits.to_bytes(and_row_bytes, "big")

    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", ICON_SIZE, ICON_SIZE, len(PALETTE), 0, 1, 4,
                        image_size, len(directory) + 16)
    # The height counts the XOR and AND masks together, as icons require.
    info = struct.pack("<IiiHHIIiiII", header_size, ICON_SIZE, 2 * ICON_SIZE, 1, 4, 0,
                       xor_size + and_size, 0, 0, len(PALETTE), 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return directory + entry + info + palette + bytes(xor_mask) + bytes(and_mask)


def png_bytes(pixels, scale):
    """An 8-bit RGBA PNG of the icon, each pixel drawn as a scale x scale block."""
    raw = bytearray()
    for row in pixels:
        line = bytearray([0])                # filter type: none
        for c in row:
            alpha = 0 if c == TRANSPARENT else 255
            line += bytes(PALETTE[COLOUR_INDEX[c]]) + bytes([alpha])
            line += line[-4:] * (scale - 1)
        raw += bytes(line) * scale

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data)))

    size = ICON_SIZE * scale
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def convert(size, background, icon, icon_at, texts, accent, target):
    """Composes one logo: background, the icon, text lines and an accent bar.

    `target` carries ImageMagick's format prefix (PNG24: for 8-bit RGB,
    PNG32: for 8-bit RGBA) so the colour type does not depend on the content.
    """
    args = ["convert", "-size", size, "xc:" + background,
            str(icon), "-geometry", icon_at, "-composite"]
    for font, points, at, text in texts:
        args += ["-font", font, "-pointsize", str(points), "-fill", TEXT_BLUE,
                 "-annotate", at, text]
    args += ["-fill", ACCENT_YELLOW, "-draw", "rectangle " + accent,
             "-strip", "-define", "png:exclude-chunk=date,time", target]
    subprocess.run(args, check=True)


def main():
    pixels = icon_pixels()
    (PANEL / "icon.ico").write_bytes(ico_bytes(pixels))
    (PANEL / "zq40613-eval.png").write_bytes(png_bytes(pixels, 2))

    images = PANEL / "images"
    images.mkdir(exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        icons = {}
        for scale in (1, 2, 3):
            icons[scale] = pathlib.Path(tmp) / f"icon{scale}.png"
            icons[scale].write_bytes(png_bytes(pixels, scale))

        convert("402x50", "white", icons[1], "+9+9",
                [(FONT_BOLD, 22, "+52+32", TITLE)],
                "52,39 392,40", "PNG24:" + str(images / "vo_logo_2.PNG"))
        convert("499x117", "white", icons[3], "+10+10",
                [(FONT_BOLD, 46, "+124+60", "ZQ40613"),
                 (FONT_REGULAR, 30, "+126+98", "Evaluation kit")],
                "124,72 480,74", "PNG24:" + str(images / "vo_logo.png"))
        convert("250x70", "none", icons[2], "+3+3",
                [(FONT_BOLD, 26, "+74+32", "ZQ40613"),
                 (FONT_REGULAR, 17, "+75+58", "Evaluation kit")],
                "74,40 240,41", "PNG32:" + str(images / "logo.png"))


if __name__ == "__main__":
    main()
