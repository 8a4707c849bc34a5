#include <gtest/gtest.h>

#include "foundation/Log.h"
#include "platform/BitmapContext.h"
#include "platform/Image.h"

namespace mw {
namespace {

std::vector<uint8_t> row(const BitmapContext& canvas, int y)
{
    const auto begin = canvas.pixels().begin() + static_cast<ptrdiff_t>(canvas.bytesPerRow()) * y;
    return {begin, begin + static_cast<ptrdiff_t>(canvas.bytesPerRow())};
}

TEST(BitmapContextTest, FillsRectanglesWithCoverageAtTheirEdges)
{
    struct Case {
        const char* name;
        CGRect rect;
        FillColor colour;
        std::vector<uint8_t> row1; // the second row of a 6x3 grey canvas
    };
    const Case cases[] = {
        {"whole pixels", {1, 0, 3, 3}, {1, 1, 1, 1}, {0, 255, 255, 255, 0, 0}},
        {"half pixels at both ends", {0.5f, 0, 2, 3}, {1, 1, 1, 1}, {128, 255, 128, 0, 0, 0}},
        {"half alpha", {0, 0, 2, 3}, {1, 1, 1, 0.5f}, {128, 128, 0, 0, 0, 0}},
        {"grey by luminance", {0, 0, 1, 3}, {1, 0, 0, 1}, {76, 0, 0, 0, 0, 0}},
        {"clipped to the canvas", {-10, -10, 12, 100}, {1, 1, 1, 1}, {255, 255, 0, 0, 0, 0}},
        {"a negative size fills the same area", {3, 3, -2, -3}, {1, 1, 1, 1}, {0, 255, 255, 0, 0, 0}},
        {"empty", {2, 0, 0, 3}, {1, 1, 1, 1}, {0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        auto canvas = BitmapContext::create(6, 3, BitmapFormat::Gray8);
        canvas->setFillColor(c.colour);
        canvas->fillRect(c.rect);
        EXPECT_EQ(row(*canvas, 1), c.row1) << c.name;
    }
}

TEST(BitmapContextTest, BlendsPremultipliedColourOverWhatIsThere)
{
    auto canvas = BitmapContext::create(2, 1, BitmapFormat::RGBA8Premultiplied);
    canvas->setFillColor({0, 0, 1, 1});
    canvas->fillRect({0, 0, 2, 1});
    canvas->setFillColor({1, 0, 0, 0.5f});
    canvas->fillRect({1, 0, 1, 1});
    EXPECT_EQ(row(*canvas, 0), (std::vector<uint8_t>{0, 0, 255, 255, 128, 0, 128, 255}));
}

TEST(BitmapContextTest, SavedStateComesBack)
{
    auto canvas = BitmapContext::create(4, 4, BitmapFormat::Gray8);
    canvas->setFillColor({1, 1, 1, 1});
    canvas->saveState();
    canvas->translate(2, 1);
    canvas->setFillColor({0.5f, 0.5f, 0.5f, 1});
    canvas->fillRect({0, 0, 1, 1});
    canvas->restoreState();
    canvas->restoreState(); // unmatched: nothing happens
    EXPECT_EQ(canvas->offset(), CGPointZero);
    EXPECT_EQ(canvas->fillColor(), (FillColor{1, 1, 1, 1}));
    EXPECT_EQ(row(*canvas, 1), (std::vector<uint8_t>{0, 0, 128, 0}));
}

TEST(BitmapContextTest, RefusesSizesItCannotHold)
{
    ScopedLogCapture log;
    EXPECT_FALSE(BitmapContext::create(0, 4, BitmapFormat::Gray8));
    EXPECT_FALSE(BitmapContext::create(4, -1, BitmapFormat::Gray8));
    EXPECT_FALSE(
        BitmapContext::create(BitmapContext::kMaxDimension + 1, 1, BitmapFormat::RGBA8Premultiplied));
    EXPECT_EQ(log.lines().size(), 3u);
}

TEST(BitmapContextTest, BecomesAnImage)
{
    auto grey = BitmapContext::create(3, 2, BitmapFormat::Gray8);
    grey->setFillColor({1, 1, 1, 1});
    grey->fillRect({0, 0, 1, 1});
    Ref<Image> image = grey->makeImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 3);
    EXPECT_EQ(image->pixels()[0], 255);
    EXPECT_FALSE(image->encodePNG().empty());
    auto rgba = BitmapContext::create(1, 1, BitmapFormat::RGBA8Premultiplied);
    EXPECT_TRUE(rgba->makeImage()->hasAlpha());
}

} // namespace
} // namespace mw
