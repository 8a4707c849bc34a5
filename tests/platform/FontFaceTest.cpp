#include <gtest/gtest.h>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "platform/FontFace.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

Ref<FontFace> bundledFace(const char* file)
{
    const std::string path = Paths::pathForResource(std::string("fonts/") + file);
    EXPECT_FALSE(path.empty()) << file;
    return FontFace::load(path);
}

TEST(FontFaceTest, ReadsMetricsAndTablesOfTheBundledFaces)
{
    for (const char* file : {"NimbusSans-Regular.otf", "NimbusSans-Bold.otf", "ComicNeue-Bold.otf"}) {
        Ref<FontFace> face = bundledFace(file);
        ASSERT_TRUE(face) << file;
        EXPECT_EQ(face->unitsPerEm(), 1000) << file;
        EXPECT_GT(face->ascent(), 0) << file;
        EXPECT_LT(face->descent(), 0) << file;
        EXPECT_GT(face->xHeight(), 0) << file;
        EXPECT_GT(face->capHeight(), face->xHeight()) << file;
        EXPECT_GT(face->glyphCount(), 100u) << file;
        std::vector<uint8_t> table;
        EXPECT_TRUE(face->copyTable(fontTableTag("cmap"), table)) << file;
        EXPECT_GT(table.size(), 4u);
        EXPECT_TRUE(face->copyTable(fontTableTag("name"), table)) << file;
        EXPECT_FALSE(face->copyTable(fontTableTag("zzzz"), table)) << file;
        EXPECT_TRUE(table.empty());
    }
}

TEST(FontFaceTest, AdvancesAreFontUnitsAndUnknownGlyphsAdvanceByZero)
{
    Ref<FontFace> face = bundledFace("NimbusSans-Regular.otf");
    ASSERT_TRUE(face);
    const uint16_t glyphs[] = {1, 2, 0xFFFF};
    int32_t advances[3] = {-1, -1, -1};
    ASSERT_TRUE(face->glyphAdvances(glyphs, 3, advances));
    EXPECT_GT(advances[0], 0);
    EXPECT_LT(advances[0], 2 * face->unitsPerEm());
    EXPECT_EQ(advances[2], 0);
}

TEST(FontFaceTest, RasterisesGlyphsBetweenPixels)
{
    Ref<FontFace> face = bundledFace("NimbusSans-Bold.otf");
    ASSERT_TRUE(face);
    GlyphImage whole, shifted;
    // The first glyph with an outline (.notdef and the space have none).
    uint16_t glyph = 0;
    while (glyph < 100 && face->renderGlyph(glyph, 20, 0, 0, whole) && whole.coverage.empty()) ++glyph;
    ASSERT_TRUE(face->renderGlyph(glyph, 20, 0, 0, whole));
    ASSERT_TRUE(face->renderGlyph(glyph, 20, 0.5f, 0, shifted));
    EXPECT_GT(whole.width, 0);
    EXPECT_GT(whole.height, 0);
    EXPECT_EQ(whole.coverage.size(), size_t(whole.width) * size_t(whole.height));
    EXPECT_NE(whole.coverage, shifted.coverage) << "half a pixel to the right changes the edges";
    EXPECT_FALSE(face->renderGlyph(0xFFFF, 20, 0, 0, whole));
    EXPECT_FALSE(face->renderGlyph(0, 0, 0, 0, whole));
    EXPECT_TRUE(whole.coverage.empty());
}

TEST(FontFaceTest, RefusesWhatIsNotAFontWithOneLogLine)
{
    test::TempDir dir;
    test::TempDir::writeText(dir.file("text.ttf"), "just some text, long enough to look at");
    test::TempDir::writeText(dir.file("empty.ttf"), "");
    struct Case {
        std::string path;
        const char* logged;
    };
    const Case cases[] = {
        {dir.file("missing.ttf"), "cannot open"},
        {dir.file("empty.ttf"), "implausible size"},
        {dir.file("text.ttf"), "is not a font"},
    };
    for (const Case& c : cases) {
        ScopedLogCapture log;
        EXPECT_FALSE(FontFace::load(c.path)) << c.path;
        EXPECT_EQ(log.lines().size(), 1u) << c.path;
        EXPECT_TRUE(log.contains(c.logged)) << c.path;
    }
    ScopedLogCapture log;
    EXPECT_FALSE(FontFace::fromData({}, "nothing"));
}

} // namespace
} // namespace mw
