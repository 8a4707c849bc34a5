#include <cmath>
#include <cstdlib>
#include <functional>
#include <string_view>

#include <gtest/gtest.h>

#include "engine/text/TrueTypeStringDrawing.h"
#include "engine/text/UIFont.h"
#include "engine/text/UIStringDrawing.h"
#include "engine/text/ZAttributedString.h"
#include "engine/text/ZFont.h"
#include "foundation/Utf16.h"
#include "platform/BitmapContext.h"
#include "platform/Image.h"
#include "tests/engine/text/FakeFontFace.h"
#include "tests/engine/text/FreeTypeReference.h"
#include "tests/engine/text/TextTestSupport.h"

namespace mw {
namespace {

uint8_t greyAt(const BitmapContext& canvas, int x, int y)
{
    return canvas.pixels()[static_cast<size_t>(y) * canvas.width() + x];
}

ccColor4B rgbaAt(const BitmapContext& canvas, int x, int y)
{
    const uint8_t* p = canvas.pixels().data() + (static_cast<size_t>(y) * canvas.width() + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// The columns of a row that have ink, as [first, last]; (-1, -1) for none.
std::pair<int, int> inkedColumns(const BitmapContext& canvas, int row)
{
    int first = -1, last = -1;
    for (int x = 0; x < canvas.width(); ++x) {
        if (greyAt(canvas, x, row) == 0) continue;
        if (first < 0) first = x;
        last = x;
    }
    return {first, last};
}

class FakeFontDrawingTest : public ::testing::Test {
protected:
    Ref<test::FakeFontFace> face_ = makeRef<test::FakeFontFace>();
    Ref<ZFont> font_ = ZFont::fontWithCGFont(face_, 10);
};

TEST_F(FakeFontDrawingTest, LinesSitWhereTheirAlignmentPutsThem)
{
    struct Case {
        UITextAlignment alignment;
        std::pair<int, int> columns;
    };
    const Case cases[] = {
        {UITextAlignmentLeft, {0, 39}},
        {UITextAlignmentCenter, {30, 69}},
        {UITextAlignmentRight, {60, 99}},
    };
    for (const Case& c : cases) {
        auto canvas = BitmapContext::create(100, 20, BitmapFormat::Gray8);
        canvas->setFillColor({1, 1, 1, 1});
        drawInRect(*canvas, "abcd", {0, 0, 100, 20}, font_.get(), UILineBreakModeWordWrap, c.alignment);
        EXPECT_EQ(inkedColumns(*canvas, 4), c.columns) << c.alignment;
        EXPECT_EQ(inkedColumns(*canvas, 8), std::make_pair(-1, -1)) << "glyphs stand on the baseline at 8";
    }
}

TEST_F(FakeFontDrawingTest, TheRectangleMovesTheTextAndLinesStack)
{
    auto canvas = BitmapContext::create(64, 40, BitmapFormat::Gray8);
    canvas->setFillColor({1, 1, 1, 1});
    const CGSize size = drawInRect(*canvas, "ab cd", {5, 7, 30, 30}, font_.get());
    EXPECT_EQ(size, CGSizeMake(20, 20));
    EXPECT_EQ(inkedColumns(*canvas, 7), std::make_pair(5, 24)) << "\"ab\", the space skipped";
    EXPECT_EQ(inkedColumns(*canvas, 6), std::make_pair(-1, -1));
    EXPECT_EQ(inkedColumns(*canvas, 17), std::make_pair(5, 24)) << "\"cd\" one line down";
    EXPECT_EQ(canvas->offset(), CGPointZero) << "the context's state is restored";
}

TEST_F(FakeFontDrawingTest, PlainTextUsesTheContextsFillColour)
{
    auto canvas = BitmapContext::create(20, 10, BitmapFormat::RGBA8Premultiplied);
    canvas->setFillColor({0, 1, 0, 1});
    drawAtPoint(*canvas, "a", CGPointZero, font_.get());
    EXPECT_EQ(rgbaAt(*canvas, 5, 4), (ccColor4B{0, 255, 0, 255}));
    EXPECT_EQ(rgbaAt(*canvas, 15, 4), (ccColor4B{0, 0, 0, 0}));
}

TEST_F(FakeFontDrawingTest, RunsDrawTheirColoursAndUnderlines)
{
    const ccColor4F red{1, 0, 0, 1}, blue{0, 0, 1, 1};
    ZMutableAttributedString text("abcdef", {{std::string(ZFontAttributeName), font_}});
    text.addAttributes({{std::string(ZForegroundColorAttributeName), red},
                        {std::string(ZBackgroundColorAttributeName), blue},
                        {std::string(ZUnderlineStyleAttributeName), 1}},
                       {0, 2});
    text.addAttributes({{std::string(ZBackgroundColorAttributeName), kZClearColor},
                        {std::string(ZUnderlineStyleAttributeName), 256}},
                       {2, 2});
    auto canvas = BitmapContext::create(60, 10, BitmapFormat::RGBA8Premultiplied);
    drawAtPoint(*canvas, text, CGPointZero);
    const ccColor4B opaqueRed{255, 0, 0, 255}, opaqueBlue{0, 0, 255, 255}, black{0, 0, 0, 255},
        none{0, 0, 0, 0};
    struct Case {
        const char* what;
        int x, y;
        ccColor4B colour;
    };
    const Case cases[] = {
        {"foreground", 5, 4, opaqueRed},        {"background below the glyphs", 5, 9, opaqueBlue},
        {"underline on the baseline", 5, 8, opaqueRed},
        {"no foreground: black", 25, 4, black}, {"a clear background is not filled", 25, 9, none},
        {"style 256 draws no underline", 25, 8, none}, {"plain run", 45, 4, black},
        {"plain run has no underline", 45, 8, none},
    };
    for (const Case& c : cases) {
        const ccColor4B got = rgbaAt(*canvas, c.x, c.y);
        EXPECT_EQ(got, c.colour) << c.what << ": " << int(got.r) << "," << int(got.g) << "," << int(got.b)
                                 << "," << int(got.a);
    }
}

// With one line, CR LF becomes one space; the run after it must still start
// at its own character.
TEST_F(FakeFontDrawingTest, OneLineKeepsLaterRunsOnTheirCharacters)
{
    ZMutableAttributedString text("a\r\nb",
                                  {{std::string(ZFontAttributeName), font_},
                                   {std::string(ZForegroundColorAttributeName), ccColor4F{1, 0, 0, 1}}});
    text.addAttribute(ZForegroundColorAttributeName, ccColor4F{0, 0, 1, 1}, {3, 1});
    auto canvas = BitmapContext::create(40, 10, BitmapFormat::RGBA8Premultiplied);
    EXPECT_EQ(attributedStringSize(text), CGSizeMake(30, 10));
    drawAtPoint(*canvas, text, CGPointZero);
    EXPECT_EQ(rgbaAt(*canvas, 5, 4), (ccColor4B{255, 0, 0, 255}));
    EXPECT_EQ(rgbaAt(*canvas, 15, 4), (ccColor4B{255, 0, 0, 255})) << "the space, in the CR's run";
    EXPECT_EQ(rgbaAt(*canvas, 25, 4), (ccColor4B{0, 0, 255, 255})) << "b in its own colour";
    EXPECT_EQ(rgbaAt(*canvas, 35, 4), (ccColor4B{0, 0, 0, 0}));
}

TEST_F(FakeFontDrawingTest, PlatformFontVariantsMatchTheZFontOperationOfTheSameShape)
{
    // A size that is not whole, so that the result depends on it exactly.
    constexpr float kPointSize = 7.5f;
    // Four lines when wrapped at words (ab / cdef / g / h), three at characters.
    const std::string_view text = "ab cdefg\nh";
    const CGSize box{33, 40};
    const CGRect rect{{3, 2}, box};
    using ViaFace = std::function<CGSize(BitmapContext&, FontFace*)>;
    using ViaFont = std::function<CGSize(BitmapContext&, ZFont*)>;
    struct Case {
        const char* name;
        ViaFace viaFace;
        ViaFont viaFont; // with the values the shorter form stands for written out
    };
    const Case cases[] = {
        {"size", [&](BitmapContext&, FontFace* f) { return sizeWithCGFont(text, f, kPointSize); },
         [&](BitmapContext&, ZFont* f) { return sizeWithZFont(text, f); }},
        {"size constrained", [&](BitmapContext&, FontFace* f) { return sizeWithCGFont(text, f, kPointSize, box); },
         [&](BitmapContext&, ZFont* f) { return sizeWithZFont(text, f, box, UILineBreakModeWordWrap, 0); }},
        {"size constrained, mode",
         [&](BitmapContext&, FontFace* f) {
             return sizeWithCGFont(text, f, kPointSize, box, UILineBreakModeCharacterWrap);
         },
         [&](BitmapContext&, ZFont* f) { return sizeWithZFont(text, f, box, UILineBreakModeCharacterWrap, 0); }},
        {"draw at point", [&](BitmapContext& c, FontFace* f) { return drawAtPoint(c, text, {4, 5}, f, kPointSize); },
         [&](BitmapContext& c, ZFont* f) { return drawAtPoint(c, text, {4, 5}, f); }},
        {"draw in rect", [&](BitmapContext& c, FontFace* f) { return drawInRect(c, text, rect, f, kPointSize); },
         [&](BitmapContext& c, ZFont* f) {
             return drawInRect(c, text, rect, f, UILineBreakModeWordWrap, UITextAlignmentLeft, 0);
         }},
        {"draw in rect, mode",
         [&](BitmapContext& c, FontFace* f) {
             return drawInRect(c, text, rect, f, kPointSize, UILineBreakModeCharacterWrap);
         },
         [&](BitmapContext& c, ZFont* f) {
             return drawInRect(c, text, rect, f, UILineBreakModeCharacterWrap, UITextAlignmentLeft, 0);
         }},
        {"draw in rect, mode, alignment",
         [&](BitmapContext& c, FontFace* f) {
             return drawInRect(c, text, rect, f, kPointSize, UILineBreakModeCharacterWrap, UITextAlignmentRight);
         },
         [&](BitmapContext& c, ZFont* f) {
             return drawInRect(c, text, rect, f, UILineBreakModeCharacterWrap, UITextAlignmentRight, 0);
         }},
    };
    const Ref<ZFont> font = ZFont::fontWithCGFont(face_.get(), kPointSize);
    for (const Case& c : cases) {
        auto viaFace = BitmapContext::create(48, 48, BitmapFormat::Gray8);
        auto viaFont = BitmapContext::create(48, 48, BitmapFormat::Gray8);
        viaFace->setFillColor({1, 1, 1, 1});
        viaFont->setFillColor({1, 1, 1, 1});
        const CGSize expected = c.viaFont(*viaFont, font.get());
        EXPECT_NE(expected, CGSizeZero) << c.name;
        EXPECT_EQ(c.viaFace(*viaFace, face_.get()), expected) << c.name;
        EXPECT_EQ(viaFace->pixels(), viaFont->pixels()) << c.name;
        EXPECT_EQ(c.viaFace(*viaFace, nullptr), CGSizeZero) << c.name << ": a null face measures nothing";
    }
}

TEST_F(FakeFontDrawingTest, TheEllipsisIsDrawnAfterTheKeptText)
{
    auto canvas = BitmapContext::create(60, 10, BitmapFormat::Gray8);
    canvas->setFillColor({1, 1, 1, 1});
    face_->rendered = 0;
    const CGSize size =
        drawAtPoint(*canvas, "abcdefgh", CGPointZero, 50, font_.get(), UILineBreakModeTailTruncation);
    EXPECT_EQ(size, CGSizeMake(50, 10));
    EXPECT_EQ(face_->rendered, 5) << "a b c d and the ellipsis";
    EXPECT_EQ(inkedColumns(*canvas, 4), std::make_pair(0, 49));
}

// ---- real faces against FreeType used directly ----

TEST(TrueTypeDrawingTest, MatchesFreeTypeDrawingTheSameGlyphs)
{
    struct Case {
        const char* fontName;
        float size;
        const char* text;
    };
    const Case cases[] = {
        {"HelveticaNeue", 20, "Mosswick: Äpfel, Grüße, żółć"},
        {"HelveticaNeue-Bold", 13, "Łódź ąćęńś ÖÜß 0123"},
        {"Marker Felt", 17.5f, "Marker ŹŻ źż ó"},
    };
    for (const Case& c : cases) {
        Ref<UIFont> font = UIFont::fontWithName(c.fontName, c.size);
        ASSERT_TRUE(font) << c.fontName;
        const int width = 320, height = 32;
        const CGPoint origin{3.25f, 2.5f};
        auto canvas = BitmapContext::create(width, height, BitmapFormat::Gray8);
        canvas->setFillColor({1, 1, 1, 1});
        drawAtPoint(*canvas, c.text, origin, font.get());
        const std::vector<uint8_t> expected = test::referenceRendering(
            test::platformFontPath(c.fontName), c.size, utf8ToUtf16(c.text), origin, width, height);
        int differing = 0, inked = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            if (std::abs(int(expected[i]) - int(canvas->pixels()[i])) > 1) ++differing;
            if (expected[i] > 128) ++inked;
        }
        EXPECT_GT(inked, 100) << c.fontName;
        EXPECT_EQ(differing, 0) << c.fontName;
    }
}

TEST(TrueTypeDrawingTest, PlatformStringDrawingIsTheSameLayout)
{
    Ref<UIFont> font = UIFont::fontWithName("HelveticaNeue", 16);
    ASSERT_TRUE(font);
    Ref<ZFont> zFont = ZFont::fontWithUIFont(font);
    const char* text = "Der schnelle braune Fuchs springt über den faulen Hund.";
    EXPECT_EQ(sizeWithFont(text, font.get()), sizeWithZFont(text, zFont.get()));
    EXPECT_EQ(sizeWithFont(text, font.get(), {120, 200}, UILineBreakModeWordWrap),
              sizeWithZFont(text, zFont.get(), {120, 200}, UILineBreakModeWordWrap));
    auto viaPlatform = BitmapContext::create(128, 128, BitmapFormat::Gray8);
    auto viaZFont = BitmapContext::create(128, 128, BitmapFormat::Gray8);
    viaPlatform->setFillColor({1, 1, 1, 1});
    viaZFont->setFillColor({1, 1, 1, 1});
    drawInRect(*viaPlatform, text, {0, 0, 120, 120}, font.get(), UILineBreakModeWordWrap,
               UITextAlignmentCenter);
    drawInRect(*viaZFont, text, {0, 0, 120, 120}, zFont.get(), UILineBreakModeWordWrap,
               UITextAlignmentCenter);
    EXPECT_EQ(viaPlatform->pixels(), viaZFont->pixels());
    EXPECT_EQ(sizeWithFont(text, nullptr), CGSizeZero);
}

// A picture to look at: a paragraph in each alignment and the letters of the
// string table's languages in every platform face, written to the build folder
// (the working folder when run by hand) as text_specimen.png.
TEST(TrueTypeDrawingTest, RendersASpecimen)
{
    const int width = 480, height = 420;
    auto canvas = BitmapContext::create(width, height, BitmapFormat::RGBA8Premultiplied);
    canvas->setFillColor({1, 1, 1, 1});
    canvas->fillRect({0, 0, float(width), float(height)});
    const char* paragraph =
        "Mosswick grows from a clearing in the woods: build the mill, hire (and feed) the workers, "
        "and trade what the mine and the fields give.";
    Ref<UIFont> body = UIFont::fontWithName("HelveticaNeue", 13);
    ASSERT_TRUE(body);
    const UITextAlignment alignments[] = {UITextAlignmentLeft, UITextAlignmentCenter, UITextAlignmentRight};
    float y = 8;
    for (UITextAlignment alignment : alignments) {
        canvas->setFillColor({0.85f, 0.9f, 1, 1});
        canvas->fillRect({10, y, 300, 64});
        canvas->setFillColor({0, 0, 0, 1});
        const CGSize size =
            drawInRect(*canvas, paragraph, {10, y, 300, 64}, body.get(), UILineBreakModeWordWrap, alignment);
        EXPECT_GT(size.height, 40) << "the paragraph wraps";
        y += 72;
    }
    canvas->setFillColor({0.85f, 0.9f, 1, 1});
    canvas->fillRect({320, 8, 150, 40});
    canvas->setFillColor({0, 0, 0, 1});
    drawInRect(*canvas, "A long title that will not fit in the two lines this small box allows",
               {320, 8, 150, 40}, body.get(), UILineBreakModeTailTruncation, UITextAlignmentLeft, 2);
    for (const std::string name : {"HelveticaNeue", "HelveticaNeue-Bold", "Marker Felt"}) {
        Ref<UIFont> font = UIFont::fontWithName(name, 17);
        ASSERT_TRUE(font);
        drawAtPoint(*canvas, name + ": äöü ÄÖÜ ß ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ", {10, y}, font.get());
        y += 28;
    }
    Ref<ZFont> regular = ZFont::fontWithUIFont(body);
    const Ref<UIFont> boldFace = UIFont::fontWithName("HelveticaNeue-Bold", 13);
    Ref<ZFont> bold = ZFont::fontWithUIFont(boldFace);
    ZMutableAttributedString rich("Runs: bold, red on yellow, underlined.",
                                  {{std::string(ZFontAttributeName), regular}});
    rich.addAttribute(ZFontAttributeName, bold, {6, 4});
    rich.addAttributes({{std::string(ZForegroundColorAttributeName), ccColor4F{0.8f, 0, 0, 1}},
                        {std::string(ZBackgroundColorAttributeName), ccColor4F{1, 1, 0, 1}}},
                       {12, 13});
    rich.addAttribute(ZUnderlineStyleAttributeName, 1, {27, 10});
    drawAtPoint(*canvas, rich, {10, y + 4});

    Ref<Image> image = canvas->makeImage();
    ASSERT_TRUE(image);
    const char* build = std::getenv("MOSSWICK_BUILD_DIR");
    const std::string folder = build && *build ? std::string(build) + "/" : std::string();
    EXPECT_TRUE(image->writePNG(folder + "text_specimen.png"));
}

} // namespace
} // namespace mw
