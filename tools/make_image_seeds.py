#!/usr/bin/env python3
"""Writes small PNG seeds for the image decoder's fuzz target (fuzz/corpus/image_decoder)."""
import os
import struct
import sys
import zlib


def chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, colour_type, bit_depth, rows, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def main(out):
    os.makedirs(out, exist_ok=True)
    seeds = {
        "rgba_2x2.png": png(2, 2, 6, 8, [b"\xff\x00\x00\xff\x00\xff\x00\x80", b"\x00\x00\xff\x00\xff\xff\xff\xff"]),
        "rgb_3x1.png": png(3, 1, 2, 8, [b"\x10\x20\x30\x40\x50\x60\x70\x80\x90"]),
        "gray_2x2.png": png(2, 2, 0, 8, [b"\x00\xff", b"\x80\x40"]),
        "palette_trns.png": png(2, 1, 3, 8, [b"\x00\x01"],
                                chunk(b"PLTE", b"\xff\x00\x00\x00\x00\xff") + chunk(b"tRNS", b"\x80")),
        "jpeg_header.jpg": b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xff\xd9",
    }
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "corpus", "image_decoder"))
