#!/usr/bin/env python3
"""Writes the seed corpus of the font-table fuzz target, fuzz/corpus/font_tables/:
a `cmap` table with format 4 and format 12 subtables, a `name` table, and a
tiny TrueType font (two box glyphs and a space) that carries both. The
fuzz target reads every input as a `cmap` table, as a `name` table and as a
whole font file. Only the standard library is used.

Run: python3 tools/make_font_fuzz_seeds.py
"""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus", "font_tables")


def format4(segments):
    """segments: (start, end, delta); the 0xFFFF end segment is added."""
    segments = list(segments) + [(0xFFFF, 0xFFFF, 1)]
    seg_x2 = 2 * len(segments)
    body = b"".join(struct.pack(">H", end) for _, end, _ in segments) + b"\0\0"
    body += b"".join(struct.pack(">H", start) for start, _, _ in segments)
    body += b"".join(struct.pack(">h", delta) for _, _, delta in segments)
    body += b"\0\0" * len(segments)
    return struct.pack(">7H", 4, 14 + len(body), 0, seg_x2, 0, 0, 0) + body


def format12(groups):
    body = b"".join(struct.pack(">3I", *group) for group in groups)
    return struct.pack(">HHIII", 12, 0, 16 + len(body), 0, len(groups)) + body


def cmap(records):
    out = struct.pack(">HH", 0, len(records))
    offset = 4 + 8 * len(records)
    tables = b""
    for platform, encoding, table in records:
        out += struct.pack(">HHI", platform, encoding, offset + len(tables))
        tables += table
    return out + tables


def name_table(entries):
    """entries: (platform, encoding, language, name id, encoded bytes)."""
    storage = 6 + 12 * len(entries)
    records = b""
    strings = b""
    for platform, encoding, language, name_id, text in entries:
        records += struct.pack(">6H", platform, encoding, language, name_id, len(text), len(strings))
        strings += text
    return struct.pack(">3H", 0, len(entries), storage) + records + strings


def names(family, full, postscript):
    entries = []
    for name_id, text in ((1, family), (4, full), (6, postscript)):
        entries.append((1, 0, 0, name_id, text.encode("mac_roman")))
        entries.append((3, 1, 0x409, name_id, text.encode("utf-16-be")))
    return name_table(entries)


def box_glyph(x0, y0, x1, y1):
    flags = bytes([0x01] * 4)
    xs = struct.pack(">4h", x0, 0, x1 - x0, 0)
    ys = struct.pack(">4h", y0, y1 - y0, 0, y0 - y1)
    return struct.pack(">5hH", 1, x0, y0, x1, y1, 3) + struct.pack(">H", 0) + flags + xs + ys


def tiny_font():
    glyphs = [box_glyph(50, 0, 550, 700), box_glyph(100, 0, 500, 500), b""]  # .notdef, letters, space
    advances = [600, 600, 250]
    glyf = b""
    loca = []
    for glyph in glyphs:
        loca.append(len(glyf) // 2)
        glyf += glyph + (b"\0" if len(glyph) % 2 else b"")
    loca.append(len(glyf) // 2)
    count = len(glyphs)
    tables = {
        b"head": struct.pack(">IIIIHHqqhhhhHHhhh", 0x00010000, 0x00010000, 0, 0x5F0F3CF5, 0x000B, 1000, 0, 0,
                             0, -200, 600, 800, 0, 8, 2, 0, 0),
        b"hhea": struct.pack(">Ihhh H hhh hhh hhhhh H".replace(" ", ""), 0x00010000, 800, -200, 0, 600, 0, 0, 550,
                             1, 0, 0, 0, 0, 0, 0, 0, count),
        b"maxp": struct.pack(">IHHHHHHHHHHHHHH", 0x00010000, count, 4, 1, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0),
        b"hmtx": b"".join(struct.pack(">Hh", advance, 0) for advance in advances),
        b"loca": b"".join(struct.pack(">H", entry) for entry in loca),
        b"glyf": glyf,
        b"cmap": cmap([(3, 1, format4([(0x20, 0x20, 2 - 0x20), (0x41, 0x5A, 1 - 0x41), (0x2026, 0x2026, 1 - 0x2026)])),
                       (0, 4, format12([(0x20, 0x20, 2), (0x41, 0x5A, 1), (0x1F600, 0x1F600, 1)]))]),
        b"name": names("Seed", "Seed Regular", "Seed-Regular"),
        b"OS/2": struct.pack(">Hh", 2, 600) + bytes(82) + struct.pack(">hhHHH", 500, 700, 0, 32, 1),
        b"post": struct.pack(">IihhIIIII", 0x00030000, 0, -100, 50, 0, 0, 0, 0, 0),
    }
    tags = sorted(tables)
    header_size = 12 + 16 * len(tags)
    directory = b""
    data = b""
    for tag in tags:
        table = tables[tag]
        checksum = sum(struct.unpack(">%dI" % ((len(table) + 3) // 4), table + b"\0" * (-len(table) % 4))) & 0xFFFFFFFF
        directory += tag + struct.pack(">III", checksum, header_size + len(data), len(table))
        data += table + b"\0" * (-len(table) % 4)
    search = 1
    selector = 0
    while search * 2 <= len(tags):
        search *= 2
        selector += 1
    offset_table = struct.pack(">IHHHH", 0x00010000, len(tags), search * 16, selector, len(tags) * 16 - search * 16)
    return offset_table + directory + data


def write(name, data):
    os.makedirs(ROOT, exist_ok=True)
    with open(os.path.join(ROOT, name), "wb") as out:
        out.write(data)


def main():
    write("cmap_format4.bin", cmap([(3, 1, format4([(0x41, 0x5A, 3), (0x104, 0x17F, -200)]))]))
    write("cmap_format12.bin", cmap([(3, 1, format4([(0x41, 0x5A, 3)])),
                                     (0, 4, format12([(0x41, 0x5A, 3), (0x104, 0x17F, 30), (0x1F600, 0x1F64F, 200)]))]))
    write("name_table.bin", names("Seed", "Seed Regular", "Seed-Regular"))
    write("tiny.ttf", tiny_font())


if __name__ == "__main__":
    main()
