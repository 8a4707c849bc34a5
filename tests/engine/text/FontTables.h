#pragma once

// Builders of small font tables for tests: big-endian bytes laid out as
// the sfnt tables are.

#include <cstdint>
#include <string>
#include <vector>

namespace mw::test {

class TableWriter {
public:
    TableWriter& u16(uint32_t value)
    {
        bytes.push_back(static_cast<uint8_t>(value >> 8));
        bytes.push_back(static_cast<uint8_t>(value));
        return *this;
    }
    TableWriter& u32(uint32_t value)
    {
        u16(value >> 16);
        return u16(value & 0xFFFF);
    }
    TableWriter& append(const std::vector<uint8_t>& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    std::vector<uint8_t> bytes;
};

struct Segment4 {
    uint16_t start, end;
    int16_t delta;
    // Glyphs for start..end through the glyph array instead of the delta.
    std::vector<uint16_t> glyphs = {};
};

// A format-4 subtable; the 0xFFFF end segment is added.
inline std::vector<uint8_t> format4Subtable(std::vector<Segment4> segments)
{
    segments.push_back({0xFFFF, 0xFFFF, 1});
    const uint32_t segCountX2 = static_cast<uint32_t>(segments.size() * 2);
    std::vector<uint16_t> glyphArray;
    std::vector<uint16_t> rangeOffsets;
    for (size_t i = 0; i < segments.size(); ++i) {
        if (segments[i].glyphs.empty()) {
            rangeOffsets.push_back(0);
            continue;
        }
        // From this range-offset entry to the glyph array's entry.
        const size_t entriesToEnd = segments.size() - i;
        rangeOffsets.push_back(static_cast<uint16_t>(2 * (entriesToEnd + glyphArray.size())));
        glyphArray.insert(glyphArray.end(), segments[i].glyphs.begin(), segments[i].glyphs.end());
    }
    TableWriter w;
    const uint32_t length = 16 + 4 * segCountX2 + 2 * static_cast<uint32_t>(glyphArray.size());
    w.u16(4).u16(length).u16(0).u16(segCountX2).u16(0).u16(0).u16(0);
    for (const Segment4& s : segments) w.u16(s.end);
    w.u16(0);
    for (const Segment4& s : segments) w.u16(s.start);
    for (const Segment4& s : segments) w.u16(static_cast<uint16_t>(s.delta));
    for (uint16_t offset : rangeOffsets) w.u16(offset);
    for (uint16_t glyph : glyphArray) w.u16(glyph);
    return w.bytes;
}

struct Group12 {
    uint32_t start, end, startGlyph;
};

inline std::vector<uint8_t> format12Subtable(const std::vector<Group12>& groups,
                                             uint32_t declaredGroups = UINT32_MAX, uint16_t reserved = 0)
{
    TableWriter w;
    const uint32_t count =
        declaredGroups == UINT32_MAX ? static_cast<uint32_t>(groups.size()) : declaredGroups;
    w.u16(12).u16(reserved).u32(16 + 12 * static_cast<uint32_t>(groups.size())).u32(0).u32(count);
    for (const Group12& g : groups) w.u32(g.start).u32(g.end).u32(g.startGlyph);
    return w.bytes;
}

struct EncodingRecord {
    uint16_t platform, encoding;
    std::vector<uint8_t> subtable;
};

// A `cmap` table with the records in order, each subtable after the records.
inline std::vector<uint8_t> cmapTable(const std::vector<EncodingRecord>& records)
{
    TableWriter w;
    w.u16(0).u16(static_cast<uint32_t>(records.size()));
    uint32_t offset = 4 + 8 * static_cast<uint32_t>(records.size());
    for (const EncodingRecord& r : records) {
        w.u16(r.platform).u16(r.encoding).u32(offset);
        offset += static_cast<uint32_t>(r.subtable.size());
    }
    for (const EncodingRecord& r : records) w.append(r.subtable);
    return w.bytes;
}

struct NameRecord {
    uint16_t platform, encoding, language, nameID;
    std::vector<uint8_t> text;
    // Overrides of the record's length and offset (to point outside).
    int32_t length = -1;
    int32_t offset = -1;
};

inline std::vector<uint8_t> utf16BE(const std::u16string& text)
{
    TableWriter w;
    for (char16_t unit : text) w.u16(unit);
    return w.bytes;
}

inline std::vector<uint8_t> nameTable(const std::vector<NameRecord>& records)
{
    TableWriter w;
    const uint32_t storage = 6 + 12 * static_cast<uint32_t>(records.size());
    w.u16(0).u16(static_cast<uint32_t>(records.size())).u16(storage);
    std::vector<uint8_t> strings;
    for (const NameRecord& r : records) {
        const uint32_t length = r.length >= 0 ? uint32_t(r.length) : uint32_t(r.text.size());
        const uint32_t offset = r.offset >= 0 ? uint32_t(r.offset) : uint32_t(strings.size());
        w.u16(r.platform).u16(r.encoding).u16(r.language).u16(r.nameID).u16(length).u16(offset);
        strings.insert(strings.end(), r.text.begin(), r.text.end());
    }
    return w.append(strings).bytes;
}

} // namespace mw::test
