#include <gtest/gtest.h>

#include "engine/text/CharacterMap.h"
#include "tests/engine/text/FontTables.h"

namespace mw {
namespace {

using test::cmapTable;
using test::format12Subtable;
using test::format4Subtable;

uint16_t glyphOf(CharacterMap& map, char32_t codePoint)
{
    return map.glyphForCodePoint(codePoint);
}

TEST(CharacterMapTest, Format4MapsThroughDeltasAndTheGlyphArray)
{
    auto map = CharacterMap::parse(cmapTable({{3, 1,
                                               format4Subtable({
                                                   {'A', 'C', 10},                       // delta
                                                   {'x', 'z', 0, {70, 0, 72}},           // glyph array
                                                   {0x0104, 0x0105, -0x0104 + 3},        // negative delta
                                                   {0xFFF0, 0xFFF1, 0x20},               // wraps modulo 65536
                                               })}}));
    ASSERT_TRUE(map);
    EXPECT_EQ(map->format(), 4);
    struct Case {
        char32_t codePoint;
        uint16_t glyph;
    };
    const Case cases[] = {
        {'A', 'A' + 10}, {'C', 'C' + 10}, {'D', 0},   // past the segment, before the next one starts
        {'x', 70},       {'y', 0},        {'z', 72},  // a 0 in the glyph array stays 0
        {0x0104, 3},     {0x0105, 4},     {0xFFF1, 0x11},
        {'@', 0},        {0x1F600, 0},    // beyond the 16-bit range of format 4
    };
    for (const Case& c : cases)
        EXPECT_EQ(glyphOf(*map, c.codePoint), c.glyph) << std::hex << uint32_t(c.codePoint);
}

TEST(CharacterMapTest, Format12FindsEveryCodePointAsALinearSearchWould)
{
    // Many groups so that the galloping search has room to step.
    std::vector<test::Group12> groups;
    for (uint32_t i = 0; i < 200; ++i)
        groups.push_back({0x20 + i * 0x300, 0x20 + i * 0x300 + 0x10, 1 + i * 0x11});
    auto map = CharacterMap::parse(cmapTable({{3, 10, {}}, {0, 4, format12Subtable(groups)}}));
    ASSERT_TRUE(map);
    EXPECT_EQ(map->format(), 12);
    auto linear = [&](char32_t cp) -> uint16_t {
        for (const auto& g : groups) {
            if (cp >= g.start && cp <= g.end) return static_cast<uint16_t>(g.startGlyph + (cp - g.start));
        }
        return 0;
    };
    // Forwards, backwards and jumping, so the search starts from near and far groups.
    constexpr int64_t kEnd = 200 * 0x300 + 0x40;
    std::vector<char32_t> order;
    for (int64_t cp = 0; cp < kEnd; cp += 7) order.push_back(char32_t(cp));
    for (int64_t cp = kEnd; cp >= 0; cp -= 13) order.push_back(char32_t(cp));
    for (int64_t cp = 5, i = 0; i < 10000; ++i, cp = (cp * 7919 + 1) % kEnd) order.push_back(char32_t(cp));
    for (char32_t cp : order) ASSERT_EQ(glyphOf(*map, cp), linear(cp)) << std::hex << uint32_t(cp);
}

TEST(CharacterMapTest, SurrogatePairsMapAsOneCharacterInFormat12)
{
    auto map =
        CharacterMap::parse(cmapTable({{0, 4, format12Subtable({{'a', 'c', 5}, {0x1F600, 0x1F601, 40}})}}));
    ASSERT_TRUE(map);
    const std::u16string text = u"a\U0001F601b\xD800";
    std::vector<uint16_t> glyphs(text.size());
    const size_t count = map->mapCharacters(text.data(), text.size(), glyphs.data());
    ASSERT_EQ(count, 4u); // a, the emoji, b, the lone surrogate
    EXPECT_EQ(glyphs[0], 5);
    EXPECT_EQ(glyphs[1], 41);
    EXPECT_EQ(glyphs[2], 6);
    EXPECT_EQ(glyphs[3], 0);
}

TEST(CharacterMapTest, ChoosesTheSubtableAsTheRulesSay)
{
    const auto glyphA4 = [](int16_t delta) { return format4Subtable({{'A', 'A', delta}}); };
    const auto glyphA12 = [](uint32_t glyph) { return format12Subtable({{'A', 'A', glyph}}); };
    struct Case {
        const char* name;
        std::vector<test::EncodingRecord> records;
        uint16_t glyphForA; // 0: no usable subtable
    };
    const Case cases[] = {
        {"platform 3 encoding 1", {{3, 1, glyphA4(1)}}, 'A' + 1},
        {"platform 3 other encodings are skipped", {{3, 0, glyphA4(1)}, {3, 10, glyphA12(7)}}, 0},
        {"Mac platform is skipped", {{1, 0, glyphA4(1)}}, 0},
        {"a higher platform-0 encoding replaces", {{0, 3, glyphA4(1)}, {0, 4, glyphA12(9)}}, 9},
        {"a lower platform-0 encoding does not", {{0, 4, glyphA12(9)}, {0, 3, glyphA4(1)}}, 9},
        {"platform 3 never replaces", {{0, 3, glyphA4(1)}, {3, 1, glyphA4(2)}}, 'A' + 1},
        {"platform 0 with a higher encoding replaces platform 3",
         {{3, 1, glyphA4(2)}, {0, 4, glyphA12(9)}},
         9},
        {"platform 0 with a lower encoding does not", {{3, 1, glyphA4(2)}, {0, 0, glyphA12(9)}}, 'A' + 2},
        {"unsupported formats are passed over",
         {{0, 3, test::TableWriter().u16(6).u16(0).bytes}, {3, 1, glyphA4(1)}},
         'A' + 1},
        {"format 12 with a reserved field set is refused",
         {{0, 4, format12Subtable({{'A', 'A', 9}}, UINT32_MAX, 1)}},
         0},
    };
    for (const Case& c : cases) {
        auto map = CharacterMap::parse(cmapTable(c.records));
        EXPECT_EQ(map ? glyphOf(*map, 'A') : 0, c.glyphForA) << c.name;
    }
}

// Tables that lie about their sizes must not be read past their end.
TEST(CharacterMapTest, TablesCutShortAreReadWithinTheirBounds)
{
    std::vector<uint8_t> format4 =
        cmapTable({{3, 1, format4Subtable({{'A', 'Z', 0, std::vector<uint16_t>(26, 9)}})}});
    std::vector<uint8_t> format12 =
        cmapTable({{3, 1, format12Subtable({{'A', 'B', 3}, {0x100, 0x1FF, 10}})}});

    struct Case {
        const char* name;
        std::vector<uint8_t> table;
        bool usable;
    };
    std::vector<Case> cases = {
        {"empty", {}, false},
        {"header only", {0, 0, 0, 5}, false},
        {"record past the end", test::TableWriter().u16(0).u16(1).u16(3).u16(1).u32(0xFFFFFFF0).bytes, false},
        {"format 4 without its arrays", std::vector<uint8_t>(format4.begin(), format4.begin() + 4 + 8 + 20),
         false},
        // The glyph array is cut: the segment arrays are whole, lookups
        // that reach past the end give glyph 0.
        {"format 4 without its glyph array", std::vector<uint8_t>(format4.begin(), format4.end() - 40), true},
        // Claims a million groups: only the groups present are searched.
        {"format 12 claiming too many groups",
         cmapTable({{3, 1, format12Subtable({{'A', 'B', 3}, {0x100, 0x1FF, 10}}, 1000000)}}), true},
        {"format 12 cut inside a group", std::vector<uint8_t>(format12.begin(), format12.end() - 5), true},
    };
    for (const Case& c : cases) {
        auto map = CharacterMap::parse(c.table);
        EXPECT_EQ(map != nullptr, c.usable) << c.name;
        if (!map) continue;
        for (char32_t cp = 0; cp < 0x300; ++cp) (void)glyphOf(*map, cp);
    }
    auto cut = CharacterMap::parse(std::vector<uint8_t>(format4.begin(), format4.end() - 40));
    EXPECT_EQ(glyphOf(*cut, 'A'), 9);
    EXPECT_EQ(glyphOf(*cut, 'Z'), 0);
    auto overclaimed = CharacterMap::parse(
        cmapTable({{3, 1, format12Subtable({{'A', 'B', 3}, {0x100, 0x1FF, 10}}, 1000000)}}));
    EXPECT_EQ(glyphOf(*overclaimed, 0x150), 10 + 0x50);
}

} // namespace
} // namespace mw
