#include <gtest/gtest.h>

#include "engine/text/TrueTypeLabel.h"
#include "engine/text/TrueTypeStringDrawing.h"
#include "engine/text/UIFont.h"
#include "engine/text/UIStringDrawing.h"
#include "engine/text/ZAttributedString.h"
#include "engine/text/ZFont.h"
#include "platform/BitmapContext.h"
#include "tests/engine/text/FakeFontFace.h"
#include "tests/engine/text/TextTestSupport.h"

namespace mw {
namespace {

ccColor4B rgbaAt(const BitmapContext& canvas, int x, int y)
{
    const uint8_t* p = canvas.pixels().data() + (static_cast<size_t>(y) * canvas.width() + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// Rows and columns of a canvas that have ink, as a box (x, y, w, h).
CGRect inkBox(const BitmapContext& canvas)
{
    int left = canvas.width(), top = canvas.height(), right = -1, bottom = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (rgbaAt(canvas, x, y).a == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return CGRectZero;
    return CGRectMake(float(left), float(top), float(right - left + 1), float(bottom - top + 1));
}

class TrueTypeLabelTest : public ::testing::Test {
protected:
    Ref<test::FakeFontFace> face_ = makeRef<test::FakeFontFace>();
};

TEST_F(TrueTypeLabelTest, SettingTheSameSizeOrFaceKeepsTheFont)
{
    Ref<TrueTypeLabel> label = TrueTypeLabel::labelWithFrame({0, 0, 100, 20}, face_, 12);
    ZFont* font = label->zFont();
    ASSERT_TRUE(font);
    label->setPointSize(12);
    label->setCGFont(face_);
    EXPECT_EQ(label->zFont(), font);
    label->setPointSize(14);
    EXPECT_NE(label->zFont(), font);
    EXPECT_EQ(label->cgFont(), face_.get());
    EXPECT_EQ(label->pointSize(), 14);
}

TEST_F(TrueTypeLabelTest, TextRectsFollowTheTextAndTheLineLimit)
{
    Ref<TrueTypeLabel> label = TrueTypeLabel::labelWithFrame({0, 0, 100, 100}, face_, 10);
    label->setText("ab cd ef gh");
    struct Case {
        CGRect bounds;
        int lines;
        CGRect rect;
    };
    const Case cases[] = {
        {{5, 6, 200, 100}, 1, {5, 6, 110, 10}}, // one line, as wide as the text
        {{5, 6, 50, 100}, 1, {5, 6, 50, 10}},   // limited to the bounds
        {{0, 0, 40, 100}, 0, {0, 0, 20, 40}},   // wrapped, no line limit
        {{0, 0, 40, 100}, 2, {0, 0, 30, 20}},   // two lines' height, the second "cd…"
    };
    for (const Case& c : cases) {
        EXPECT_EQ(label->textRectForBounds(c.bounds, c.lines), c.rect)
            << c.lines << " " << c.bounds.size.width;
    }
}

TEST_F(TrueTypeLabelTest, OneLineIsCentredVerticallyAndAligned)
{
    Ref<TrueTypeLabel> label = TrueTypeLabel::labelWithFrame({0, 0, 100, 30}, face_, 10);
    label->setText("abcd");
    label->textAlignment = UITextAlignmentRight;
    auto canvas = label->render();
    ASSERT_TRUE(canvas);
    // Leading 10 in 30: the line's top at 10, the glyph boxes 8 high.
    EXPECT_EQ(inkBox(*canvas), CGRectMake(60, 10, 40, 8));
    EXPECT_EQ(rgbaAt(*canvas, 70, 12), (ccColor4B{0, 0, 0, 255})) << "black by default";
    label->highlighted = true;
    canvas = label->render();
    EXPECT_EQ(rgbaAt(*canvas, 70, 12), (ccColor4B{255, 255, 255, 255})) << "white when highlighted";
}

TEST_F(TrueTypeLabelTest, ShrinksToFitDownToTheMinimumSize)
{
    struct Case {
        float minimum;
        CGRect ink;
    };
    const Case cases[] = {
        // Twice as wide as the label at 20 points: drawn at 10, the
        // baselines kept aligned (ascender 16 at 20 points, 8 at 10).
        {0, {0, 8, 100, 8}},
        // At the minimum of 15 it still does not fit: tail truncated.
        {15, {0, 4, 90, 12}},
    };
    for (const Case& c : cases) {
        Ref<TrueTypeLabel> label = TrueTypeLabel::labelWithFrame({0, 0, 100, 20}, face_, 20);
        label->setText("abcdefghij");
        label->adjustsFontSizeToFitWidth = true;
        label->minimumFontSize = c.minimum;
        auto canvas = label->render();
        EXPECT_EQ(inkBox(*canvas), c.ink) << c.minimum;
    }
}

TEST_F(TrueTypeLabelTest, SeveralLinesAreCentredAsABlock)
{
    Ref<TrueTypeLabel> label = TrueTypeLabel::labelWithFrame({0, 0, 40, 50}, face_, 10);
    label->setText("ab cd");
    label->numberOfLines = 0;
    label->textAlignment = UITextAlignmentCenter;
    auto canvas = label->render();
    // Two lines, 20 high in 50: from 15; "ab" and "cd" 20 wide each.
    EXPECT_EQ(inkBox(*canvas), CGRectMake(10, 15, 20, 18));
}

TEST_F(TrueTypeLabelTest, HighlightTurnsOnlyUncolouredRunsWhite)
{
    Ref<ZFont> font = ZFont::fontWithCGFont(face_, 10);
    ZMutableAttributedString text("abcd", {{std::string(ZFontAttributeName), font}});
    text.addAttribute(ZForegroundColorAttributeName, ccColor4F{1, 0, 0, 1}, {0, 2});
    Ref<TrueTypeLabel> label = makeRef<TrueTypeLabel>(CGRectMake(0, 0, 40, 10));
    label->setZAttributedText(&text);
    EXPECT_NE(label->zAttributedText(), &text) << "the label keeps its own copy";
    label->highlighted = true;
    auto canvas = label->render();
    EXPECT_EQ(rgbaAt(*canvas, 5, 4), (ccColor4B{255, 0, 0, 255}));
    EXPECT_EQ(rgbaAt(*canvas, 25, 4), (ccColor4B{255, 255, 255, 255}));
    EXPECT_TRUE(label->zAttributedText()->attribute(ZForegroundColorAttributeName, 3).isAbsent())
        << "the label's own text is not changed";
}

TEST_F(TrueTypeLabelTest, WithoutATrueTypeFontItIsAPlainLabelInItsPlatformFont)
{
    Ref<TrueTypeLabel> label = makeRef<TrueTypeLabel>(CGRectMake(0, 0, 200, 30));
    ASSERT_TRUE(label->font());
    EXPECT_EQ(label->font()->pointSize(), 17);
    label->setText("Grüße, Łódź");
    auto canvas = label->render();
    // The platform's own drawing of the same line, centred the same way.
    Ref<ZFont> font = ZFont::fontWithUIFont(label->font());
    auto expected = BitmapContext::create(200, 30, BitmapFormat::RGBA8Premultiplied);
    drawAtPoint(*expected, "Grüße, Łódź", {0, std::round((30 - font->leading()) * 0.5f)}, label->font());
    EXPECT_EQ(canvas->pixels(), expected->pixels());
    EXPECT_GT(inkBox(*canvas).size.width, 50);
}

} // namespace
} // namespace mw
