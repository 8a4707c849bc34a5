"""Measures texts the way the game's text layout draws them.

Glyph advances come from the committed fonts (resources/fonts), unhinted and
without kerning, scaled by point size / units per em; a line is as tall as
the rounded-up ascent (ascender plus line gap) minus the rounded-down
descent. Word wrap breaks at the first of a row of spaces or before a word
that follows punctuation, as the game's layout does; a box holds n lines when
(n - 1) lines plus one ascent fit in its height.
"""

import math
import os
import struct

from PIL import ImageFont

FONT_FILES = {
    "HelveticaNeue": "NimbusSans-Regular.otf",
    "HelveticaNeue-Bold": "NimbusSans-Bold.otf",
}


def _tables(data):
    count = struct.unpack(">H", data[4:6])[0]
    tables = {}
    for i in range(count):
        tag, _checksum, offset, length = struct.unpack(">4sLLL", data[12 + 16 * i:28 + 16 * i])
        tables[tag.decode("latin-1")] = (offset, length)
    return tables


class Face:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        tables = _tables(data)
        head = tables["head"][0]
        hhea = tables["hhea"][0]
        self.units_per_em = struct.unpack(">H", data[head + 18:head + 20])[0]
        ascender, descender, line_gap = struct.unpack(">hhh", data[hhea + 4:hhea + 10])
        self.ascent = ascender + max(0, line_gap)
        self.descent = descender
        # At one pixel per font unit the advances are the font's own units.
        self.font = ImageFont.truetype(path, size=self.units_per_em, layout_engine=ImageFont.Layout.BASIC)
        self._advances = {}
        self._probe = ImageFont.truetype(path, size=40, layout_engine=ImageFont.Layout.BASIC)
        self._missing = self._shape(chr(0xE000))
        self._has = {}

    def _shape(self, ch):
        mask = self._probe.getmask(ch)
        return mask.size, bytes(mask)

    def has_glyph(self, ch):
        """Whether the face draws the character (a character it lacks is
        drawn as the same box as a private-use one)."""
        found = self._has.get(ch)
        if found is None:
            found = ch == " " or self._shape(ch) != self._missing
            self._has[ch] = found
        return found

    def advance(self, ch):
        units = self._advances.get(ch)
        if units is None:
            units = self.font.getlength(ch)
            self._advances[ch] = units
        return units


class Fonts:
    def __init__(self, font_dir):
        self.faces = {name: Face(os.path.join(font_dir, file)) for name, file in FONT_FILES.items()}

    def metrics(self, font, size):
        face = self.faces[font]
        ratio = size / face.units_per_em
        ascender = math.ceil(ratio * face.ascent)
        leading = ascender - math.floor(ratio * face.descent)
        return ratio, ascender, leading

    def missing(self, text, font):
        face = self.faces[font]
        return sorted({ch for ch in text if not face.has_glyph(ch)})

    def width(self, text, font, size):
        face = self.faces[font]
        ratio = size / face.units_per_em
        return sum(face.advance(ch) * ratio for ch in text)

    def wrap(self, text, font, size, width):
        """The lines of the text in a box of that width, and whether a word
        had to be broken inside because it is wider than the box."""
        face = self.faces[font]
        ratio = size / face.units_per_em
        lines = []
        broken = False
        start = 0
        n = len(text)
        while start < n:
            line_width = 0.0
            candidate = None
            in_word = False
            i = start
            end = None
            skip = 0
            while i < n:
                ch = text[i]
                word = _is_word_character(ch)
                after_space = i > start and text[i - 1] == " "
                if (ch == " " or (word and not in_word)) and not after_space:
                    candidate = i
                in_word = word
                advance = face.advance(ch) * ratio
                if line_width + advance <= width:
                    line_width += advance
                    i += 1
                    continue
                if candidate is not None and candidate > start:
                    end = candidate
                    while end + skip < n and text[end + skip] == " ":
                        skip += 1
                elif i == start:
                    end = i + 1
                    broken = True
                else:
                    end = i
                    broken = True
                break
            if end is None:
                end = n
            lines.append(text[start:end].rstrip(" "))
            start = end + skip
        return lines, broken

    def lines_that_fit(self, font, size, height):
        _ratio, ascender, leading = self.metrics(font, size)
        if height < ascender:
            return 0
        return 1 + int((height - ascender) // leading)


def _is_word_character(ch):
    code = ord(ch)
    if code < 0x80:
        return ch.isalnum() or ch in "([{'\""
    if code in (0x2019, 0x02BC):
        return True
    if code < 0x100:
        return code in (0xAA, 0xB2, 0xB3, 0xB5, 0xB9, 0xBA) or 0xBC <= code <= 0xBE or (
            code >= 0xC0 and code not in (0xD7, 0xF7))
    if 0x2000 <= code <= 0x2BFF:
        return False
    return True
