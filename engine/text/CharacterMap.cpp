#include "engine/text/CharacterMap.h"

namespace mw {

namespace {

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t read32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

constexpr size_t kGroupBytes = 12;

} // namespace

std::unique_ptr<CharacterMap> CharacterMap::parse(std::vector<uint8_t> table)
{
    std::unique_ptr<CharacterMap> map(new CharacterMap);
    map->table_ = std::move(table);
    const std::vector<uint8_t>& bytes = map->table_;
    if (bytes.size() < 4) return nullptr;
    const size_t recordCount = read16(bytes.data() + 2);
    bool chosen = false;
    int chosenEncoding = -1;
    for (size_t i = 0; i < recordCount; ++i) {
        const size_t at = 4 + i * 8;
        if (at + 8 > bytes.size()) break;
        const uint16_t platform = read16(bytes.data() + at);
        const uint16_t encoding = read16(bytes.data() + at + 2);
        if (platform != 0 && !(platform == 3 && encoding == 1)) continue;
        const bool examine = !chosen || (platform == 0 && int(encoding) > chosenEncoding);
        if (!examine) continue;
        if (map->choose(read32(bytes.data() + at + 4))) {
            chosen = true;
            chosenEncoding = encoding;
        }
    }
    if (!chosen) return nullptr;
    return map;
}

bool CharacterMap::choose(size_t subtable)
{
    const size_t size = table_.size();
    if (subtable > size || size - subtable < 4) return false;
    const uint8_t* base = table_.data() + subtable;
    const uint16_t format = read16(base);
    if (format == 4) {
        if (size - subtable < 16) return false;
        const size_t segCountX2 = read16(base + 6);
        const size_t segments = segCountX2 / 2;
        // End codes, a reserved word, start codes, deltas, range offsets:
        // the last array must end inside the table.
        if (size - subtable < 16 + 3 * segCountX2 + 2 * segments) return false;
        format_ = 4;
        segments_ = segments;
        endCodes_ = subtable + 14;
        startCodes_ = subtable + 16 + segCountX2;
        deltas_ = subtable + 16 + 2 * segCountX2;
        rangeOffsets_ = subtable + 16 + 3 * segCountX2;
        return true;
    }
    if (format == 12) {
        if (size - subtable < 16 || read16(base + 2) != 0) return false;
        const size_t declared = read32(base + 12);
        // A count that claims more groups than the table holds keeps the
        // groups that are there.
        format_ = 12;
        groups_ = std::min(declared, (size - subtable - 16) / kGroupBytes);
        firstGroup_ = subtable + 16;
        lastGroup_ = SIZE_MAX;
        return true;
    }
    return false;
}

size_t CharacterMap::mapCharacters(const char16_t* units, size_t count, uint16_t* glyphs)
{
    size_t written = 0;
    for (size_t i = 0; i < count; ++i) {
        char32_t codePoint = units[i];
        if (isHighSurrogate(units[i]) && i + 1 < count && isLowSurrogate(units[i + 1])) {
            codePoint = 0x10000 + ((char32_t(units[i]) - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00);
            ++i;
        }
        glyphs[written++] = glyphForCodePoint(codePoint);
    }
    return written;
}

uint16_t CharacterMap::glyphForCodePoint(char32_t codePoint)
{
    return format_ == 4 ? format4Glyph(codePoint) : format12Glyph(codePoint);
}

uint16_t CharacterMap::format4Glyph(char32_t codePoint) const
{
    if (codePoint > 0xFFFF) return 0;
    const uint8_t* bytes = table_.data();
    for (size_t segment = 0; segment < segments_; ++segment) {
        if (read16(bytes + endCodes_ + 2 * segment) < codePoint) continue;
        const uint16_t start = read16(bytes + startCodes_ + 2 * segment);
        if (start > codePoint) return 0;
        const uint16_t delta = read16(bytes + deltas_ + 2 * segment);
        const size_t rangeOffsetAt = rangeOffsets_ + 2 * segment;
        const uint16_t rangeOffset = read16(bytes + rangeOffsetAt);
        if (rangeOffset == 0) return static_cast<uint16_t>(delta + codePoint);
        // The offset counts from the range-offset entry itself into the
        // glyph array that follows the segment arrays.
        const size_t glyphAt = rangeOffsetAt + rangeOffset + 2 * (codePoint - start);
        if (glyphAt + 2 > table_.size()) return 0;
        const uint16_t glyph = read16(bytes + glyphAt);
        return glyph == 0 ? 0 : static_cast<uint16_t>(glyph + delta);
    }
    return 0;
}

uint16_t CharacterMap::format12Glyph(char32_t codePoint)
{
    const uint8_t* groups = table_.data() + firstGroup_;
    auto startOf = [&](size_t g) { return read32(groups + g * kGroupBytes); };
    auto endOf = [&](size_t g) { return read32(groups + g * kGroupBytes + 4); };
    auto glyphIn = [&](size_t g) {
        return static_cast<uint16_t>(read32(groups + g * kGroupBytes + 8) + (codePoint - startOf(g)));
    };
    if (codePoint <= 127) {
        for (size_t g = 0; g < groups_; ++g) {
            if (startOf(g) > codePoint) return 0;
            if (endOf(g) >= codePoint) return glyphIn(g);
        }
        return 0;
    }
    // Gallop from the last match: steps of 8, 16, 32 ... towards the code
    // point while the range is wide, then bisect.
    size_t lo = 0;
    size_t hi = groups_;
    size_t probe = lastGroup_ < groups_ ? lastGroup_ : groups_ / 2;
    size_t step = 8;
    while (lo < hi) {
        bool upwards;
        if (codePoint < startOf(probe)) {
            hi = probe;
            upwards = false;
        } else if (codePoint > endOf(probe)) {
            lo = probe + 1;
            upwards = true;
        } else {
            lastGroup_ = probe;
            return glyphIn(probe);
        }
        if (lo >= hi) break;
        if (hi - lo > 2 * step) {
            probe = upwards ? probe + step : probe - step;
            step *= 2;
        } else {
            probe = lo + (hi - lo) / 2;
        }
    }
    return 0;
}

} // namespace mw
