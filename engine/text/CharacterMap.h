#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace mw {

// The decoded character-to-glyph map of one font: the subtable of its
// `cmap` table that the text layout reads.
//
// Encoding records of platform 0 (any encoding) and of platform 3 encoding 1
// are considered, in order; a later platform-0 record with a higher encoding
// number than the chosen one replaces the choice, a platform-3 record never
// replaces one. A
// subtable is usable when its format is 4 or 12 and it lies inside the table
// (format 12 must also have 0 in its reserved field). Every offset and count
// is checked against the table's size, so any bytes are safe to parse.
class CharacterMap {
public:
    // Null when the table holds no usable subtable.
    [[nodiscard]] static std::unique_ptr<CharacterMap> parse(std::vector<uint8_t> table);

    int format() const { return format_; }

    // Maps UTF-16 units to glyphs, one glyph for each character: a surrogate
    // pair is one character (and one glyph), a lone surrogate is one
    // character. Characters the font lacks get glyph 0. `glyphs` must hold
    // `count` entries; answers the number of glyphs written.
    size_t mapCharacters(const char16_t* units, size_t count, uint16_t* glyphs);

    // The glyph of one code point (0 when missing).
    uint16_t glyphForCodePoint(char32_t codePoint);

private:
    CharacterMap() = default;
    bool choose(size_t subtable);
    uint16_t format4Glyph(char32_t codePoint) const;
    uint16_t format12Glyph(char32_t codePoint);

    std::vector<uint8_t> table_;
    int format_ = 0;
    // Format 4: the segment count and where its four arrays start.
    size_t segments_ = 0;
    size_t endCodes_ = 0, startCodes_ = 0, deltas_ = 0, rangeOffsets_ = 0;
    // Format 12: the group count and where the groups start.
    size_t groups_ = 0;
    size_t firstGroup_ = 0;
    // The group that matched the last code point above 127: consecutive
    // characters of one script are found from there with few probes.
    size_t lastGroup_ = SIZE_MAX;
};

} // namespace mw
