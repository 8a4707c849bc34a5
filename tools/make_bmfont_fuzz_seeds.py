#!/usr/bin/env python3
"""Writes the seed corpus of the bitmap-font description fuzz target,
fuzz/corpus/bmfont_config/: a small font in the AngelCode text form with
kerning pairs, the same with carriage-return line ends, and one whose lines
are cut short, unquoted or out of range. Only the standard library is used.

Run: python3 tools/make_bmfont_fuzz_seeds.py
"""
import os

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus", "bmfont_config")

# (code, x, y, width, height, xoffset, yoffset, xadvance) on a 64 x 64 page.
GLYPHS = [
    (32, 0, 0, 0, 0, 0, 0, 5),
    (65, 0, 0, 10, 12, 0, 3, 10),
    (66, 10, 0, 8, 12, 1, 3, 8),
    (86, 18, 0, 10, 12, -1, 3, 9),
    (228, 28, 0, 10, 15, 0, 0, 10),   # a with diaeresis
    (322, 38, 0, 6, 12, 0, 3, 5),     # l with stroke
]
KERNINGS = [(65, 86, -2), (86, 65, -2), (66, 65, 1)]


def font(line_end):
    lines = [
        'info face="Seed" size=16 bold=0 italic=0 charset="" unicode=1 stretchH=100 smooth=1 aa=1 '
        'padding=0,0,0,0 spacing=1,1',
        "common lineHeight=20 base=16 scaleW=64 scaleH=64 pages=1 packed=0",
        'page id=0 file="seed.png"',
        "chars count=%d" % len(GLYPHS),
    ]
    for g in GLYPHS:
        lines.append("char id=%-4d x=%-5d y=%-5d width=%-5d height=%-5d xoffset=%-5d yoffset=%-5d "
                     "xadvance=%-5d page=0  chnl=15" % g)
    lines.append("kernings count=%d" % len(KERNINGS))
    for k in KERNINGS:
        lines.append("kerning first=%d  second=%d  amount=%d" % k)
    return line_end.join(lines) + line_end


MALFORMED = "\n".join([
    "common lineHeight",
    "common lineHeight=-4",
    "page id=0",
    "page id=0 file=seed.png",
    'page id=0 file=""',
    'page id=1 file="other/page.png',
    "char id=65",
    "char id=66\tx=1 y=2 width=3 height=4 xoffset=5 yoffset=6 xadvance=7",
    "char id=99999999999 x=-1 y=-2 width=-3 height=-4 xoffset=2147483648 yoffset=-2147483649 xadvance=1",
    "chars",
    "kerning first=65",
    "kerning first=65601 second=66 amount=40",
    "kerning first=+65 second=-66 amount=--1",
    "= = = =",
]) + "\n"


def main():
    os.makedirs(ROOT, exist_ok=True)
    seeds = {
        "font.fnt": font("\n"),
        "font_crlf.fnt": font("\r\n"),
        "malformed.fnt": MALFORMED,
    }
    for name, text in seeds.items():
        with open(os.path.join(ROOT, name), "w", encoding="utf-8", newline="") as out:
            out.write(text)


if __name__ == "__main__":
    main()
