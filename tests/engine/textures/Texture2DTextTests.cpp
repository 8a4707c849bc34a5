#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/text/FontManager.h"
#include "engine/text/UIFont.h"
#include "engine/text/UIStringDrawing.h"
#include "engine/text/ZFont.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Log.h"
#include "platform/BitmapContext.h"
#include "tests/engine/textures/TextureTestSupport.h"

namespace mw {
namespace {

class Texture2DTextTest : public test::GLRenderTest {
protected:
    Texture2DTextTest() : GLRenderTest(128, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        FontManager::purgeSharedManager();
    }
    void TearDown() override { FontManager::purgeSharedManager(); }
};

TEST_F(Texture2DTextTest, TheBoxRoundsUpToPowersOfTwoAndStaysTheContent)
{
    Ref<UIFont> font = UIFont::fontWithName("HelveticaNeue", 12);
    ASSERT_TRUE(font);
    struct Case {
        CGSize box;
        bool made;
        uint32_t wide, high;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {{70, 20}, true, 128, 32}, {{70.6f, 20.2f}, true, 128, 32}, {{64, 64}, true, 64, 64},
        {{1, 1}, true, 1, 1},      {{0.5f, 10}, false, 0, 0},       {{0, 0}, false, 0, 0},
        {{-5, 10}, false, 0, 0},   {{nan, 10}, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.box.width << " x " << c.box.height);
        Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
        ASSERT_EQ(
            texture->initWithString("Wood", c.box, UITextAlignmentLeft, UILineBreakModeWordWrap, font.get()),
            c.made);
        if (!c.made) continue;
        EXPECT_EQ(texture->pixelsWide(), c.wide);
        EXPECT_EQ(texture->pixelsHigh(), c.high);
        EXPECT_EQ(texture->contentSizeInPixels(), c.box);
        EXPECT_EQ(texture->pixelFormat(), kCCTexture2DPixelFormat_A8);
        EXPECT_FALSE(texture->hasPremultipliedAlpha());
        EXPECT_EQ(texture->resolutionType(), kCCResolutionUnknown);
    }
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    EXPECT_FALSE(texture->initWithString("Wood", {70, 20}, UITextAlignmentLeft, UILineBreakModeWordWrap,
                                         static_cast<UIFont*>(nullptr)));
}

// What the texture shows, drawn at the surface's bottom-left, is the text as
// the string drawing puts it into a canvas of the box: top row first,
// centred in the measured size.
TEST_F(Texture2DTextTest, SizedToTheTextItHoldsTheCentredTextTopRowFirst)
{
    const char* text = "Żółw 42";
    Ref<UIFont> font = UIFont::fontWithName("HelveticaNeue", 16);
    const CGSize measured = sizeWithFont(text, font.get());
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    ASSERT_TRUE(texture->initWithString(text, "HelveticaNeue", 16));
    ASSERT_EQ(texture->contentSizeInPixels(), measured);

    auto canvas = BitmapContext::create(static_cast<int>(measured.width), static_cast<int>(measured.height),
                                        BitmapFormat::Gray8);
    canvas->setFillColor({1, 1, 1, 1});
    drawInRect(*canvas, text, {CGPointZero, measured}, font.get(), UILineBreakModeWordWrap,
               UITextAlignmentCenter);

    test::useEngineDrawingState(gl());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    texture->setAliasTexParameters();
    texture->drawAtPoint(CGPointZero);
    int differing = 0;
    for (int row = 0; row < canvas->height(); ++row) {
        for (int x = 0; x < canvas->width(); ++x) {
            const int shown = gl().readPixel(x, canvas->height() - 1 - row).r;
            if (std::abs(shown - canvas->pixels()[static_cast<size_t>(row) * canvas->width() + x]) > 1)
                ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(Texture2DTextTest, ANameFindsThePlatformFontThenABundleFontFile)
{
    struct Case {
        const char* name;
        bool made;
    };
    const Case cases[] = {{"HelveticaNeue", true}, {"NimbusSans-Regular.otf", true}, {"NoSuchFont", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture log;
        Ref<CCTexture2D> sized = makeRef<CCTexture2D>();
        Ref<CCTexture2D> boxed = makeRef<CCTexture2D>();
        EXPECT_EQ(sized->initWithString("Hi", c.name, 12), c.made);
        EXPECT_EQ(boxed->initWithString("Hi", {40, 20}, UITextAlignmentRight, c.name, 12), c.made);
        EXPECT_EQ(log.contains(std::string("no font named \"") + c.name + "\""), !c.made);
    }
    // The font manager's font and the platform font of the same face agree.
    Ref<CCTexture2D> viaManager = makeRef<CCTexture2D>();
    Ref<CCTexture2D> viaPlatform = makeRef<CCTexture2D>();
    ASSERT_TRUE(viaManager->initWithString("Hi", "NimbusSans-Regular.otf", 12));
    ASSERT_TRUE(viaPlatform->initWithString("Hi", "HelveticaNeue", 12));
    EXPECT_EQ(viaManager->contentSizeInPixels(), viaPlatform->contentSizeInPixels());
}

} // namespace
} // namespace mw
