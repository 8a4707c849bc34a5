#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/labels/CCBMFontConfiguration.h"
#include "engine/labels/CCBMFontConfigurationCache.h"
#include "engine/labels/CCLabelBMFont.h"
#include "foundation/Log.h"
#include "tests/engine/labels/BitmapFontFixtures.h"
#include "tests/engine/sprites/SpriteTestSupport.h"

namespace mw {
namespace {

using test::GlyphSpec;

const std::vector<test::KerningSpec> kKernings = {{'A', 'B', -2}, {'B', 'A', 3}};

bool sameDefinition(const ccBMFontDef& a, const ccBMFontDef& b)
{
    return a.charID == b.charID && a.rect == b.rect && a.xOffset == b.xOffset && a.yOffset == b.yOffset &&
           a.xAdvance == b.xAdvance;
}

TEST(BMFontConfigurationTest, ReadsGlyphsKerningLineHeightAndPage)
{
    const std::string text =
        "info face=\"x\" size=16\n"
        "common lineHeight=20 base=16 scaleW=64 scaleH=64 pages=1 packed=0\n"
        "page id=0 file=\"letters.png\"\n"
        "chars count=1\n"
        "char id=65   x=2     y=4     width=10    height=12    xoffset=1     yoffset=3     "
        "xadvance=11    page=0  chnl=0\n"
        "kernings count=1\n"
        "kerning first=65  second=86  amount=-2\n";
    auto configuration = CCBMFontConfiguration::configurationWithFNTText(text, "fonts/letters.fnt");
    EXPECT_EQ(configuration->commonHeight(), 20u);
    EXPECT_EQ(configuration->atlasName(), "fonts/letters.png") << "next to the description";
    ASSERT_EQ(configuration->characterCount(), 1u);
    const ccBMFontDef* a = configuration->definition('A');
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(sameDefinition(*a, {65, {2, 4, 10, 12}, 1, 3, 11}));
    EXPECT_EQ(configuration->definition('B'), nullptr);
    EXPECT_EQ(configuration->kerningAmount('A', 'V'), -2);
    EXPECT_EQ(configuration->kerningAmount('V', 'A'), 0);
    const ccBMFontPadding& padding = configuration->padding();
    EXPECT_EQ(padding.left + padding.top + padding.right + padding.bottom, 0) << "not read";
    EXPECT_EQ(configuration->description().substr(0, 25), "<CCBMFontConfiguration = ");
    EXPECT_NE(configuration->description().find("| Kernings:1 | Image = fonts/letters.png>"),
              std::string::npos);

    EXPECT_EQ(CCBMFontConfiguration::configurationWithFNTText(text, "letters.fnt")->atlasName(),
              "letters.png");
}

TEST(BMFontConfigurationTest, CarriageReturnLineEndsReadTheSame)
{
    const std::vector<GlyphSpec> glyphs = test::blockGlyphs(true);
    auto lf = CCBMFontConfiguration::configurationWithFNTText(test::fntText(glyphs, kKernings, 20, "b.png"),
                                                              "b.fnt");
    auto crlf = CCBMFontConfiguration::configurationWithFNTText(
        test::fntText(glyphs, kKernings, 20, "b.png", "\r\n"), "b.fnt");
    EXPECT_EQ(crlf->atlasName(), "b.png") << "no carriage return in the name";
    EXPECT_EQ(crlf->commonHeight(), lf->commonHeight());
    ASSERT_EQ(crlf->characterCount(), glyphs.size());
    for (const GlyphSpec& g : glyphs) {
        ASSERT_NE(crlf->definition(g.code), nullptr) << char(g.code);
        EXPECT_TRUE(sameDefinition(*crlf->definition(g.code), *lf->definition(g.code))) << char(g.code);
    }
    EXPECT_EQ(crlf->kerningAmount('A', 'B'), -2);
    EXPECT_EQ(crlf->kerningAmount('B', 'A'), 3);
}

// Each malformed line sits between two good glyph lines: it is skipped with
// one log line naming it, and the file's other lines still count.
TEST(BMFontConfigurationTest, MalformedLinesAreSkippedAndTheRestIsRead)
{
    struct Case {
        const char* line;
        const char* logged; // empty: read as valid
    };
    const Case cases[] = {
        {"char id=66", "fewer than eight values"},
        {"char id=66 x=1 y=2", "fewer than eight values"},
        {"char id=66\tx=1 y=0 width=5 height=5 xoffset=0 yoffset=0 xadvance=5", "no space after"},
        {"char", "fewer than eight values"},
        {"chars", "fewer than eight values"}, // not "chars c": read as a char line
        {"page id=0", "names no file"},
        {"page id=0 file=letters.png", "no quoted file name"},
        {"page id=0 file=\"\"", "empty file name"},
        {"common lineHeight", "no line height"},
        {"common lineHeight=-20 base=16", "negative line height"},
        {"kerning first=65", "fewer than three values"},
        {"kerning first=65 second=67", "fewer than three values"},
        // Outside what the layout reads, but not malformed.
        {"common lineHeight=30", ""},
        {"kerning first=99999999999 second=-5 amount=", ""},
        {"char id=66 x= y= width= height= xoffset= yoffset= xadvance=", ""},
        {"garbage = = =", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string text = "common lineHeight=20\npage id=0 file=\"p.png\"\n"
                                 "char id=65 x=1 y=2 width=3 height=4 xoffset=5 yoffset=6 xadvance=7\n" +
                                 std::string(c.line) +
                                 "\nchar id=67 x=1 y=2 width=3 height=4 xoffset=5 yoffset=6 xadvance=8\n";
        ScopedLogCapture log;
        auto configuration = CCBMFontConfiguration::configurationWithFNTText(text, "m.fnt");
        if (*c.logged) {
            ASSERT_EQ(log.lines().size(), 1u);
            EXPECT_NE(log.lines()[0].find("m.fnt line 4"), std::string::npos) << log.lines()[0];
            EXPECT_NE(log.lines()[0].find(c.logged), std::string::npos) << log.lines()[0];
            EXPECT_EQ(configuration->definition('B'), nullptr);
            EXPECT_EQ(configuration->commonHeight(), 20u);
            EXPECT_EQ(configuration->atlasName(), "p.png");
        } else {
            EXPECT_TRUE(log.lines().empty());
        }
        ASSERT_NE(configuration->definition('A'), nullptr);
        ASSERT_NE(configuration->definition('C'), nullptr);
        EXPECT_EQ(configuration->definition('C')->xAdvance, 8);
    }
}

TEST(BMFontConfigurationTest, LaterDefinitionsReplaceEarlierOnesAndWideCodesDoNotAlias)
{
    const std::string text = "char id=65 x=0 y=0 width=1 height=1 xoffset=0 yoffset=0 xadvance=4\n"
                             "char id=65 x=0 y=0 width=1 height=1 xoffset=0 yoffset=0 xadvance=9\n"
                             "kerning first=65 second=66 amount=-1\n"
                             "kerning first=65 second=66 amount=-3\n"
                             // 0x10041 and 0x10042 shifted into 32 bits would land on the pair (A, B).
                             "kerning first=65601 second=66 amount=40\n"
                             "kerning first=65 second=65602 amount=50\n";
    auto configuration = CCBMFontConfiguration::configurationWithFNTText(text, "r.fnt");
    EXPECT_EQ(configuration->definition('A')->xAdvance, 9);
    EXPECT_EQ(configuration->kerningAmount('A', 'B'), -3);
    EXPECT_EQ(configuration->kerningCount(), 1u);
}

class BMFontCacheTest : public ::testing::Test {
protected:
    test::ScratchBundle bundle_;
};

TEST_F(BMFontCacheTest, EachFileIsReadOnceUntilTheCacheIsPurged)
{
    bundle_.writeText("fonts/a.fnt", test::fntText(test::blockGlyphs(), {}, 20, "a.png"));
    CCBMFontConfigurationCache* cache = CCBMFontConfigurationCache::sharedCache();
    Ref<CCBMFontConfiguration> first(cache->configurationForFile("fonts/a.fnt"));
    EXPECT_EQ(first->atlasName(), "fonts/a.png");
    EXPECT_EQ(cache->configurationForFile("fonts/a.fnt"), first.get());
    EXPECT_EQ(cache->count(), 1u);

    CCLabelBMFont::purgeCachedData();
    Ref<CCBMFontConfiguration> second(
        CCBMFontConfigurationCache::sharedCache()->configurationForFile("fonts/a.fnt"));
    EXPECT_NE(second, first);
    EXPECT_EQ(second->characterCount(), first->characterCount());
}

TEST_F(BMFontCacheTest, AnUnreadableFileGivesAnEmptyFontAndNoLabel)
{
    ScopedLogCapture log;
    CCBMFontConfiguration* missing =
        CCBMFontConfigurationCache::sharedCache()->configurationForFile("none.fnt");
    EXPECT_EQ(missing->characterCount(), 0u);
    EXPECT_EQ(missing->atlasName(), "");
    EXPECT_TRUE(log.contains("cannot read none.fnt"));
    EXPECT_EQ(CCLabelBMFont::labelWithString("A", "none.fnt"), nullptr);
    EXPECT_TRUE(log.contains("none.fnt names no page image"));
}

} // namespace
} // namespace mw
