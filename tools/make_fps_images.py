#!/usr/bin/env python3
"""Draws resources/fps_images.png: the frame-rate counter's character map.

The director's counter is a character-map label with 16x24-point cells that
start at "." (code 46), one row of 16 cells across a 256-pixel-wide image, so
the cells hold ".", "/", "0" .. "9". The glyphs come from the 5x7 bitmap
table below, doubled to 10x14 pixels, white with a one-pixel dark outline so
they read over any scene. Only the standard library is used (zlib for PNG).

Run: python3 tools/make_fps_images.py [output path]
"""
import os
import struct
import sys
import zlib

CELL_W, CELL_H = 16, 24
WIDTH, HEIGHT = 256, 24
FIRST_CHAR = ord(".")

# 5 columns x 7 rows per glyph, "#" set.
GLYPHS = {
    ".": ["     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "],
    "/": ["    #", "    #", "   # ", "  #  ", " #   ", "#    ", "#    "],
    "0": [" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "],
    "1": ["  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "2": [" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"],
    "3": ["#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "],
    "4": ["   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "],
    "5": ["#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "],
    "6": ["  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "],
    "7": ["#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "],
    "8": [" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "],
    "9": [" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "],
}
SCALE = 2


def glyph_mask(char):
    """The glyph's coverage in a cell, as a set of (x, y) with y from the top."""
    rows = GLYPHS[char]
    width, height = 5 * SCALE, 7 * SCALE
    left, top = (CELL_W - width) // 2, (CELL_H - height) // 2
    return {
        (left + gx * SCALE + sx, top + gy * SCALE + sy)
        for gy, row in enumerate(rows)
        for gx, bit in enumerate(row)
        if bit == "#"
        for sx in range(SCALE)
        for sy in range(SCALE)
    }


def draw():
    pixels = [[(0, 0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    for index in range(WIDTH // CELL_W):
        char = chr(FIRST_CHAR + index)
        if char not in GLYPHS:
            continue
        mask = glyph_mask(char)
        origin_x = index * CELL_W
        for y in range(CELL_H):
            for x in range(CELL_W):
                if (x, y) in mask:
                    pixels[y][origin_x + x] = (255, 255, 255, 255)
                elif any((x + dx, y + dy) in mask for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                    pixels[y][origin_x + x] = (20, 20, 20, 200)
    return pixels


def png_bytes(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in pixels)
    header = struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "fps_images.png")
    with open(output, "wb") as out:
        out.write(png_bytes(draw()))
    print(output)


if __name__ == "__main__":
    main()
