#!/usr/bin/env python3
"""Writes the seed corpora of the texture fuzz targets:
fuzz/corpus/pvr_container/ (PVR files plain, gzip, zlib, CCZ, base64) and
fuzz/corpus/tga_reader/ (plain, grey and run-length TGA files)."""
import base64
import gzip
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus")


def pvr(width, height, pixel_type, data_length, payload=None, alpha=0xFF):
    header = struct.pack("<13I", 52, height, width, 0, pixel_type, data_length, 0, 0, 0, 0, alpha,
                         struct.unpack("<I", b"PVR!")[0], 1)
    size = data_length if payload is None else payload
    return header + bytes((i * 13 + 5) & 0xFF for i in range(size))


def ccz(raw, version=2, compression=0, claimed=None):
    length = len(raw) if claimed is None else claimed
    return b"CCZ!" + struct.pack(">HHII", compression, version, 0, length) + zlib.compress(raw, 9)


def tga(image_type, width, height, depth, pixels, top_down=False):
    header = bytes([0, 0, image_type, 0, 0, 0, 0, 0]) + struct.pack("<HHHH", 0, 0, width, height)
    header += bytes([depth, 0x20 if top_down else 0])
    return header + bytes(pixels)


def write(folder, name, data):
    path = os.path.join(ROOT, folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as out:
        out.write(data)


def main():
    rgba = pvr(8, 8, 0x12, 8 * 8 * 4 + 4 * 4 * 4 + 2 * 2 * 4 + 2 * 2 * 4)
    a8 = pvr(4, 4, 0x1B, 16 + 4 + 4)
    pvrtc = pvr(16, 16, 0x19, 128 + 32 + 32 + 32 + 32)
    write("pvr_container", "rgba_mips.pvr", rgba)
    write("pvr_container", "a8.pvr", a8)
    write("pvr_container", "pvrtc4.pvr", pvrtc)
    write("pvr_container", "bgra.pvr", pvr(2, 2, 0x1A, 16))
    write("pvr_container", "rgb565.pvr", pvr(4, 4, 0x13, 32 + 8 + 8))
    write("pvr_container", "short_data.pvr", pvr(8, 8, 0x12, 256, payload=40))
    write("pvr_container", "rgba.pvr.gz", gzip.compress(rgba, 9, mtime=0))
    write("pvr_container", "a8.zlib", zlib.compress(a8, 9))
    write("pvr_container", "rgba.pvr.ccz", ccz(rgba))
    write("pvr_container", "a8_claims_more.ccz", ccz(a8, claimed=1000))
    write("pvr_container", "version3.ccz", ccz(a8, version=3))
    write("pvr_container", "text.b64", base64.encodebytes(a8))

    write("tga_reader", "rgb24_topdown.tga", tga(2, 2, 2, 24, range(12), top_down=True))
    write("tga_reader", "rgba32.tga", tga(2, 3, 2, 32, range(24)))
    write("tga_reader", "grey8.tga", tga(3, 4, 1, 8, [1, 2, 3, 4]))
    write("tga_reader", "rle24.tga", tga(10, 6, 1, 24, [0x82, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12]))
    write("tga_reader", "rle32_topdown.tga", tga(10, 2, 2, 32, [0x81, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12],
                                                  top_down=True))
    write("tga_reader", "colour_mapped.tga", tga(1, 1, 1, 8, [0]))


if __name__ == "__main__":
    main()
