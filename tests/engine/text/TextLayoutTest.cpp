#include <gtest/gtest.h>

#include "engine/text/TextLayout.h"
#include "engine/text/TrueTypeStringDrawing.h"
#include "engine/text/ZAttributedString.h"
#include "foundation/Utf16.h"
#include "platform/BitmapContext.h"
#include "tests/engine/text/FakeFontFace.h"

namespace mw {
namespace {

// At 10 points every character of the fake face is 10 wide, lines are 10
// high with the ascender at 8.
struct BreakCase {
    const char* name;
    const char* text;
    float width;
    float height;
    int maxLines;
    UILineBreakMode mode;
    std::vector<std::string> lines;
};

std::vector<std::string> lineTexts(const TextLayout& layout)
{
    std::vector<std::string> out;
    for (const TextLine& line : layout.lines()) out.push_back(layout.lineText(line));
    return out;
}

class TextLayoutTest : public ::testing::Test {
protected:
    std::unique_ptr<TextLayout> layOut(const std::string& text, CGSize size, int maxLines,
                                       UILineBreakMode mode)
    {
        std::u16string units = utf8ToUtf16(text);
        std::vector<TextLayoutRun> runs{{0, units.size(), font_.get(), nullptr}};
        return std::make_unique<TextLayout>(units, runs, TextLayoutOptions{size, maxLines, mode});
    }

    Ref<test::FakeFontFace> face_ = makeRef<test::FakeFontFace>();
    Ref<ZFont> font_ = ZFont::fontWithCGFont(face_, 10);
};

constexpr float kFree = kUnboundedTextSize;

TEST_F(TextLayoutTest, BreaksLinesAsTheModeSays)
{
    const auto W = UILineBreakModeWordWrap;
    const auto C = UILineBreakModeCharacterWrap;
    const auto K = UILineBreakModeClip;
    const auto T = UILineBreakModeTailTruncation;
    const BreakCase cases[] = {
        // A word that does not fit moves down whole; the spaces before it
        // are skipped.
        {"space", "ab cd", 40, kFree, 0, W, {"ab", "cd"}},
        {"several spaces are skipped", "ab   cd", 40, kFree, 0, W, {"ab", "cd"}},
        {"an opening bracket stays with its word", "ab (cd)", 60, kFree, 0, W, {"ab", "(cd)"}},
        {"an opening quote stays with its word", "ab \"cd\"", 60, kFree, 0, W, {"ab", "\"cd\""}},
        {"after a hyphen", "ab-cd", 40, kFree, 0, W, {"ab-", "cd"}},
        {"a long word breaks where it overflows", "abcdefgh", 30, kFree, 0, W, {"abc", "def", "gh"}},
        {"so it does in character wrap", "abcdefgh", 30, kFree, 0, C, {"abc", "def", "gh"}},
        {"and in clip", "abcdefgh", 30, kFree, 0, K, {"abc", "def", "gh"}},
        {"and in tail truncation", "abcdefgh", 30, kFree, 0, T, {"abc", "def", "gh"}},
        {"character wrap ignores words", "ab cd ef", 40, kFree, 0, C, {"ab c", "d ef"}},
        {"line feed", "ab\ncd", kFree, kFree, 0, W, {"ab", "cd"}},
        {"carriage return", "ab\rcd", kFree, kFree, 0, W, {"ab", "cd"}},
        {"CR LF ends one line", "ab\r\ncd", kFree, kFree, 0, W, {"ab", "cd"}},
        {"next line", "ab\u0085cd", kFree, kFree, 0, W, {"ab", "cd"}},
        {"empty lines", "a\n\nb", kFree, kFree, 0, W, {"a", "", "b"}},
        {"one line joins lines with spaces", "a\r\nb\nc", kFree, kFree, 1, W, {"a b c"}},
        {"the line count ends the layout", "ab cd ef", 30, kFree, 2, W, {"ab", "cd"}},
        {"tail truncation ends in an ellipsis, dropping spaces", "abc def ghi", 50, kFree, 1, T, {"abc…"}},
        {"tail truncation shortens the text to fit the ellipsis", "abcdefgh", 50, kFree, 1, T, {"abcd…"}},
        {"tail truncation keeps one character", "abcdef", 15, kFree, 1, T, {"a…"}},
        {"no ellipsis when everything fits", "abc", 50, kFree, 1, T, {"abc"}},
        {"the height makes the last line", "ab cd ef", 20, 25, 0, T, {"ab", "c…"}},
        {"clip cuts the last line at the overflow", "abc def", 50, kFree, 1, K, {"abc d"}},
        {"head truncation lays out as word wrap",
         "abc def",
         50,
         kFree,
         1,
         UILineBreakModeHeadTruncation,
         {"abc"}},
        {"middle truncation too", "abc def", 50, kFree, 1, UILineBreakModeMiddleTruncation, {"abc"}},
        {"a surrogate pair is never split", "a\U0001F600b", 20, kFree, 0, C, {"a\U0001F600", "b"}},
        // A width narrower than one glyph still takes a character a line
        // (it would otherwise make empty lines without end).
        {"narrower than a glyph", "abc", 5, kFree, 0, W, {"a", "b", "c"}},
        {"narrower than a glyph, one line", "abc", 5, kFree, 1, T, {"a…"}},
    };
    for (const BreakCase& c : cases) {
        auto layout = layOut(c.text, {c.width, c.height}, c.maxLines, c.mode);
        EXPECT_EQ(lineTexts(*layout), c.lines) << c.name;
    }
}

TEST_F(TextLayoutTest, SizesCountAdvancesAndLineHeights)
{
    struct Case {
        const char* text;
        CGSize constrained;
        int maxLines;
        CGSize size;
    };
    const Case cases[] = {
        {"ab cd", {40, kFree}, 0, {20, 20}}, // the skipped space does not count
        {"abc", {kFree, kFree}, 0, {30, 10}},
        {"a\n\nb", {kFree, kFree}, 0, {10, 30}},
        {"abcdef", {15, kFree}, 1, {20, 10}}, // a and the ellipsis overflow the width
        {"", {kFree, kFree}, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        auto layout = layOut(c.text, c.constrained, c.maxLines, UILineBreakModeTailTruncation);
        EXPECT_EQ(layout->size(), c.size) << c.text;
    }
    // One line even with line feeds.
    EXPECT_EQ(sizeWithZFont("ab\ncd", font_.get()), CGSizeMake(50, 10));
    EXPECT_EQ(sizeWithZFont("ab cd ef", font_.get(), {40, 100}), CGSizeMake(20, 30));
    EXPECT_EQ(sizeWithZFont("abc", nullptr), CGSizeZero);
}

TEST_F(TextLayoutTest, SizingRoundsUpAndDrawingDoesNot)
{
    Ref<test::FakeFontFace> face = makeRef<test::FakeFontFace>(std::map<uint16_t, int32_t>{{'x', 372}});
    Ref<ZFont> font = ZFont::fontWithCGFont(face, 10);
    EXPECT_EQ(sizeWithZFont("xxxxxxxxxx", font.get()), CGSizeMake(38, 10));
    auto canvas = BitmapContext::create(64, 16, BitmapFormat::Gray8);
    const CGSize drawn = drawInRect(*canvas, "xxxxxxxxxx", {0, 0, 64, 16}, font.get());
    EXPECT_NEAR(drawn.width, 37.2f, 1e-4f);
    EXPECT_EQ(drawn.height, 10);
}

TEST_F(TextLayoutTest, ATallerRunRaisesItsLine)
{
    Ref<ZFont> big = ZFont::fontWithCGFont(face_, 20);
    ZMutableAttributedString text("ab CD ef", {{std::string(ZFontAttributeName), font_}});
    text.addAttribute(ZFontAttributeName, big, {3, 2});
    std::u16string units = text.utf16();
    std::vector<TextLayoutRun> runs;
    for (size_t i = 0; i < text.attributeRuns().size(); ++i) {
        const ZAttributeRun& run = text.attributeRuns()[i];
        const size_t end =
            i + 1 < text.attributeRuns().size() ? text.attributeRuns()[i + 1].index : units.size();
        runs.push_back(
            {run.index, end, attributeValue(run.attributes, ZFontAttributeName).font(), &run.attributes});
    }
    TextLayout layout(units, runs, {{80, kFree}, 0, UILineBreakModeWordWrap});
    ASSERT_EQ(lineTexts(layout), (std::vector<std::string>{"ab CD", "ef"}));
    EXPECT_EQ(layout.lines()[0].height, 20);
    EXPECT_EQ(layout.lines()[0].ascender, 16);
    EXPECT_EQ(layout.lines()[0].width, 70);
    EXPECT_EQ(layout.lines()[1].top, 20);
    EXPECT_EQ(layout.lines()[1].height, 10);
    EXPECT_EQ(attributedStringSize(text, {80, kFree}), CGSizeMake(70, 30));
}

TEST_F(TextLayoutTest, RunsThatDoNotCoverTheTextLayOutNothing)
{
    const std::u16string text = u"abcdef";
    const std::vector<std::vector<TextLayoutRun>> broken = {
        {},
        {{0, 3, font_.get()}},                          // short of the end
        {{0, 3, font_.get()}, {4, 6, font_.get()}},     // a gap
        {{1, 6, font_.get()}},                          // not from 0
        {{0, 3, font_.get()}, {3, 6, nullptr}},         // no font
        {{0, 9, font_.get()}},                          // past the end
    };
    for (const auto& runs : broken) {
        TextLayout layout(text, runs, {{kFree, kFree}, 0, UILineBreakModeWordWrap});
        EXPECT_TRUE(layout.lines().empty());
        EXPECT_EQ(layout.size(), CGSizeZero);
    }
}

TEST_F(TextLayoutTest, AFaceWithoutACharacterMapDrawsGlyphZero)
{
    face_->withCmap = false;
    auto layout = layOut("abc", {kFree, kFree}, 0, UILineBreakModeWordWrap);
    EXPECT_EQ(layout->size(), CGSizeMake(30, 10)) << "glyph 0 has an advance too";
}

} // namespace
} // namespace mw
