#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/base/ccUtils.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/support/CCFileUtils.h"
#include "engine/text/UIFont.h"
#include "engine/text/UIStringDrawing.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Log.h"
#include "foundation/Utf16.h"
#include "tests/engine/sprites/SpriteTestSupport.h"
#include "tests/engine/text/FreeTypeReference.h"
#include "tests/engine/text/TextTestSupport.h"

namespace mw {
namespace {

class LabelTTFTest : public test::GLRenderTest {
protected:
    LabelTTFTest() : GLRenderTest(320, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        test::resetSharedInstances();
        FontManager::purgeSharedManager();
        ccSetContentScaleFactor(1);
    }
    void TearDown() override
    {
        CCFileUtils::setDeviceQuery(nullptr);
        ccSetContentScaleFactor(1);
        test::resetSharedInstances();
    }

    // The label drawn white on black with its bottom-left corner at the
    // surface's; answers its pixels' alpha, rows top first, over its
    // content size in pixels.
    std::vector<uint8_t> drawnCoverage(CCLabelTTF& label)
    {
        label.setAnchorPoint(CGPointZero);
        label.setPosition(CGPointZero);
        test::clearSurface(0, 0, 0);
        ccSetNodeDrawingState(static_cast<float>(gl().width()), static_cast<float>(gl().height()));
        label.visit();
        const CGSize size = label.contentSizeInPixels();
        const int width = static_cast<int>(size.width), height = static_cast<int>(size.height);
        std::vector<uint8_t> coverage(static_cast<size_t>(width) * height);
        for (int row = 0; row < height; ++row) {
            for (int x = 0; x < width; ++x)
                coverage[static_cast<size_t>(row) * width + x] = gl().readPixel(x, height - 1 - row).r;
        }
        return coverage;
    }
};

// The label's texture, put on the screen pixel for pixel, against the same
// line drawn by FreeType alone: sized to the text it is centred in its
// measured width (rounded up to whole pixels); in a box it starts at the
// box's left edge. At content scale 2 the font is twice as many pixels.
TEST_F(LabelTTFTest, TheTextureHoldsTheSamePixelsAsFreeTypeDraws)
{
    struct Case {
        const char* fontName;
        float size;
        float scale;
        const char* text;
        bool inABox;
    };
    const Case cases[] = {
        {"HelveticaNeue", 17, 1, "Gold: 12 345", false},
        {"HelveticaNeue-Bold", 12, 2, "Łódź, Grüße: ąćęńśźż", false},
        {"Marker Felt", 15.5f, 1, "Äpfel und Birnen", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fontName);
        ccSetContentScaleFactor(c.scale);
        const float pixels = c.size * c.scale;
        Ref<CCLabelTTF> label =
            c.inABox ? CCLabelTTF::labelWithString(c.text, {200, 30}, UITextAlignmentLeft, c.fontName, c.size)
                     : CCLabelTTF::labelWithString(c.text, c.fontName, c.size);
        ASSERT_NE(label->texture(), nullptr);
        EXPECT_EQ(label->fontSizeInPixels(), pixels);
        const CGSize size = label->contentSizeInPixels();
        const std::u16string units = utf8ToUtf16(c.text);
        const std::string path = test::platformFontPath(c.fontName);
        const float lineWidth = test::referenceLineWidth(path, pixels, units);
        const CGPoint origin{c.inABox ? 0 : (size.width - lineWidth) / 2, 0};
        const std::vector<uint8_t> expected = test::referenceRendering(
            path, pixels, units, origin, static_cast<int>(size.width), static_cast<int>(size.height));
        const std::vector<uint8_t> drawn = drawnCoverage(*label);
        test::keepPicture(gl(), std::string("ttf label ") + c.fontName);
        ASSERT_EQ(drawn.size(), expected.size());
        int differing = 0, inked = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            if (std::abs(int(expected[i]) - int(drawn[i])) > 2) ++differing;
            if (expected[i] > 128) ++inked;
        }
        EXPECT_GT(inked, 100);
        EXPECT_EQ(differing, 0);
    }
}

TEST_F(LabelTTFTest, TheLabelTakesTheTexturesSizeOrItsBoxInPoints)
{
    Ref<UIFont> font = UIFont::fontWithName("HelveticaNeue", 12);
    const CGSize measured = sizeWithFont("Wood 25", font.get());
    struct Case {
        float scale;
        bool inABox;
        CGSize points;
        uint32_t textureWide, textureHigh;
    };
    const Case cases[] = {
        {1, false, measured, ccNextPOT(uint32_t(measured.width)), ccNextPOT(uint32_t(measured.height))},
        {1, true, {200, 40}, 256, 64},
        {2, true, {200, 40}, 512, 128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << (c.inABox ? " box" : " text"));
        ccSetContentScaleFactor(c.scale);
        Ref<CCLabelTTF> label =
            c.inABox ? CCLabelTTF::labelWithString("Wood 25", {200, 40}, UITextAlignmentCenter,
                                                   UILineBreakModeTailTruncation, "HelveticaNeue", 12)
                     : CCLabelTTF::labelWithString("Wood 25", "HelveticaNeue", 12);
        CCTexture2D* texture = label->texture();
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(label->contentSize(), c.points);
        EXPECT_EQ(label->textureRect(), (CGRect{CGPointZero, c.points}));
        EXPECT_EQ(texture->pixelsWide(), c.textureWide);
        EXPECT_EQ(texture->pixelsHigh(), c.textureHigh);
        EXPECT_EQ(texture->pixelFormat(), kCCTexture2DPixelFormat_A8);
        EXPECT_FALSE(texture->hasPremultipliedAlpha());
        EXPECT_EQ(label->blendFunc(), kCCBlendFuncAlpha) << "the colour tints the text unmultiplied";
        if (c.inABox) {
            EXPECT_EQ(label->dimensionsInPixels(), (CGSize{200 * c.scale, 40 * c.scale}));
            EXPECT_EQ(label->alignment(), UITextAlignmentCenter);
            EXPECT_EQ(label->lineBreakMode(), UILineBreakModeTailTruncation);
        }
    }

    // At scale 2 a 12-point label renders the 24-pixel font and measures about
    // as many points as at scale 1 (each size rounds up to whole pixels).
    ccSetContentScaleFactor(2);
    Ref<CCLabelTTF> sharp = CCLabelTTF::labelWithString("Wood 25", "HelveticaNeue", 12);
    const CGSize twice = sizeWithFont("Wood 25", UIFont::fontWithName("HelveticaNeue", 24).get());
    EXPECT_EQ(sharp->contentSizeInPixels(), twice);
    EXPECT_NEAR(sharp->contentSize().width, measured.width, 1);
    EXPECT_NEAR(sharp->contentSize().height, measured.height, 1);
}

TEST_F(LabelTTFTest, EverySetStringRendersAFreshEqualTexture)
{
    Ref<CCLabelTTF> label = CCLabelTTF::labelWithString("Food 7", "HelveticaNeue", 14);
    Ref<CCTexture2D> first(label->texture());
    const std::vector<uint8_t> before = drawnCoverage(*label);
    label->setString("Food 7");
    EXPECT_NE(label->texture(), first.get()) << "rendered again";
    EXPECT_EQ(label->string(), "Food 7");
    EXPECT_EQ(drawnCoverage(*label), before);
    first = nullptr;

    label->setString("Food 8");
    EXPECT_NE(drawnCoverage(*label), before);
}

TEST_F(LabelTTFTest, WithoutAFontOrTextTheLabelShowsNothing)
{
    struct Case {
        const char* text;
        const char* fontName;
        bool logged;
    };
    const Case cases[] = {{"Gold", "NoSuchFont", true}, {"", "HelveticaNeue", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fontName);
        ScopedLogCapture log;
        Ref<CCLabelTTF> label = CCLabelTTF::labelWithString(c.text, c.fontName, 12);
        EXPECT_EQ(label->texture(), nullptr);
        EXPECT_EQ(label->contentSize(), CGSizeZero);
        EXPECT_EQ(label->textureRect(), CGRectZero);
        EXPECT_EQ(log.contains("no font named"), c.logged);
        label->visit(); // draws nothing, safely
    }

    // A label that had text and loses it drops its texture.
    Ref<CCLabelTTF> label = CCLabelTTF::labelWithString("9", "HelveticaNeue", 12);
    ASSERT_NE(label->texture(), nullptr);
    label->setString("");
    EXPECT_EQ(label->texture(), nullptr);
    EXPECT_EQ(label->contentSize(), CGSizeZero);
    EXPECT_EQ(label->description().substr(0, 14), "<CCLabelTTF = ");
    EXPECT_NE(label->description().find("| FontSize = 12.0>"), std::string::npos);
}

TEST_F(LabelTTFTest, FontsComeFromThePlatformThenFromTheFontManager)
{
    // "NimbusSans-Bold.otf" is no platform font name, but the bundle's fonts
    // folder holds a file of that name.
    Ref<CCLabelTTF> fromFile = CCLabelTTF::labelWithString("Ab", "NimbusSans-Bold.otf", 20);
    Ref<CCLabelTTF> platform = CCLabelTTF::labelWithString("Ab", "HelveticaNeue-Bold", 20);
    ASSERT_NE(fromFile->texture(), nullptr);
    ASSERT_NE(platform->texture(), nullptr);
    EXPECT_EQ(fromFile->contentSize(), platform->contentSize()) << "the same face";
    EXPECT_EQ(drawnCoverage(*fromFile), drawnCoverage(*platform));
}

TEST_F(LabelTTFTest, TheTextureIsMarkedForTheDevice)
{
    struct Case {
        bool tablet;
        float scale;
        ccResolutionType type;
    };
    const Case cases[] = {
        {false, 1, kCCResolutioniPhone},
        {false, 2, kCCResolutioniPhoneRetinaDisplay},
        {true, 1, kCCResolutioniPad},
        {true, 2, kCCResolutioniPadRetinaDisplay},
    };
    for (const Case& c : cases) {
        CCFileUtils::setDeviceQuery([c] { return CCFileUtilsDevice{c.tablet, c.scale}; });
        Ref<CCLabelTTF> label = CCLabelTTF::labelWithString("1", "HelveticaNeue", 12);
        ASSERT_NE(label->texture(), nullptr);
        EXPECT_EQ(label->texture()->resolutionType(), c.type);
    }
}

TEST_F(LabelTTFTest, TheColourTintsTheText)
{
    Ref<CCLabelTTF> label = CCLabelTTF::labelWithString("HI", "HelveticaNeue-Bold", 30);
    label->setColor({255, 64, 0});
    label->setOpacity(255);
    ASSERT_NE(label->texture(), nullptr);
    const std::vector<uint8_t> alpha = drawnCoverage(*label);
    // The fullest pixel of the text shows the colour at full strength.
    const auto fullest = std::max_element(alpha.begin(), alpha.end()) - alpha.begin();
    const int width = static_cast<int>(label->contentSizeInPixels().width);
    const int height = static_cast<int>(label->contentSizeInPixels().height);
    const int x = static_cast<int>(fullest % width), row = static_cast<int>(fullest / width);
    EXPECT_TRUE(test::nearColor(gl().readPixel(x, height - 1 - row), {255, 64, 0, 255}))
        << gl().readPixel(x, height - 1 - row);
}

} // namespace
} // namespace mw
