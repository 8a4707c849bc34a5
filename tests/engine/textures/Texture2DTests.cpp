#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <stdexcept>

#include "engine/base/ccContentScale.h"
#include "engine/textures/CCTexture2D.h"
#include "tests/engine/textures/TextureTestSupport.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

using test::nearColor;
using test::patternImage;
using test::RGBA;
using test::ScopedDevice;

// Expands an n-bit channel value back to 8 bits as GL does.
uint8_t expand(unsigned value, unsigned bits)
{
    unsigned top = (1u << bits) - 1;
    return static_cast<uint8_t>((value * 255 + top / 2) / top);
}

uint8_t quantise(uint8_t channel, unsigned bits)
{
    return expand(channel >> (8 - bits), bits);
}

uint8_t premultiply(uint8_t channel, uint8_t alpha)
{
    return static_cast<uint8_t>((channel * alpha + 127) / 255);
}

class Texture2DTest : public test::GLRenderTest {
protected:
    Texture2DTest() : GLRenderTest(64, 64) {}
    void TearDown() override { CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888); }

    // Draws the texture's content scaled by `scale` at the origin with
    // nearest sampling, and returns the surface pixel showing image pixel
    // (x, y) (y counted from the image's top).
    void drawScaled(CCTexture2D& texture, float scale)
    {
        test::useEngineDrawingState(gl());
        texture.setAliasTexParameters();
        const CGSize size = texture.contentSizeInPixels();
        texture.drawInRect(CGRect(0, 0, size.width * scale, size.height * scale));
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    RGBA shownPixel(const CCTexture2D& texture, float scale, int x, int y)
    {
        const int rows = static_cast<int>(texture.contentSizeInPixels().height);
        return gl().readPixel(static_cast<int>((x + 0.5f) * scale), static_cast<int>((rows - 1 - y + 0.5f) * scale));
    }
};

TEST_F(Texture2DTest, SizesFollowPowerOfTwoSupportAndTheMaximum)
{
    struct Case {
        const char* name;
        int width, height;
        bool npot;
        int maxSize;
        bool made;
        uint32_t pixelsWide, pixelsHigh;
        float maxS, maxT;
    };
    const Case cases[] = {
        {"padded", 100, 60, false, 1024, true, 128, 64, 0.78125f, 0.9375f},
        {"npot", 100, 60, true, 1024, true, 100, 60, 1.0f, 1.0f},
        {"already pot", 64, 32, false, 1024, true, 64, 32, 1.0f, 1.0f},
        {"wider than the maximum", 2048, 10, false, 1024, false, 0, 0, 0, 0},
        {"padding passes the maximum", 1025, 4, true, 1024, false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedDevice device(c.npot ? "GL_APPLE_texture_2D_limited_npot" : "", c.maxSize);
        Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
        bool made = texture->initWithImage(patternImage(c.width, c.height, {{255, 0, 0, 255}}).get(),
                                           kCCResolutioniPhone);
        ASSERT_EQ(made, c.made);
        if (!made) {
            EXPECT_EQ(texture->name(), 0u);
            continue;
        }
        EXPECT_NE(texture->name(), 0u);
        EXPECT_EQ(texture->pixelsWide(), c.pixelsWide);
        EXPECT_EQ(texture->pixelsHigh(), c.pixelsHigh);
        EXPECT_EQ(texture->contentSizeInPixels(), CGSize(static_cast<float>(c.width), static_cast<float>(c.height)));
        EXPECT_FLOAT_EQ(texture->maxS(), c.maxS);
        EXPECT_FLOAT_EQ(texture->maxT(), c.maxT);
        EXPECT_EQ(texture->resolutionType(), kCCResolutioniPhone);
    }
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    EXPECT_FALSE(texture->initWithImage(nullptr));
}

TEST_F(Texture2DTest, FormatChoiceFollowsImageKindDefaultAndJpegFlag)
{
    // An opaque RGB image with 5 bits per component (a 16-bit source).
    Image::Description lowDepth;
    lowDepth.width = 2;
    lowDepth.height = 2;
    lowDepth.bitsPerComponent = 5;
    lowDepth.alphaInfo = ImageAlphaInfo::NoneSkipLast;
    Ref<Image> opaqueLowDepth = makeRef<Image>(lowDepth, std::vector<uint8_t>(16, 200));
    Ref<Image> translucent = patternImage(2, 2, {{255, 0, 0, 128}});
    Ref<Image> opaque = patternImage(2, 2, {{0, 255, 0, 255}}, false);
    Ref<Image> mask = Image::fromAlpha({0, 64, 128, 255}, 2, 2);

    struct Case {
        const char* name;
        Image* image;
        CCTexture2DPixelFormat defaultFormat;
        bool jpg;
        CCTexture2DPixelFormat expected;
        bool premultiplied;
    };
    const Case cases[] = {
        {"alpha image, default 8888", translucent.get(), kCCTexture2DPixelFormat_RGBA8888, false,
         kCCTexture2DPixelFormat_RGBA8888, true},
        {"alpha image, default 4444", translucent.get(), kCCTexture2DPixelFormat_RGBA4444, false,
         kCCTexture2DPixelFormat_RGBA4444, true},
        {"alpha image, default 5A1", translucent.get(), kCCTexture2DPixelFormat_RGB5A1, false,
         kCCTexture2DPixelFormat_RGB5A1, true},
        {"alpha image, default 565", translucent.get(), kCCTexture2DPixelFormat_RGB565, false,
         kCCTexture2DPixelFormat_RGB565, false},
        {"opaque 8-bit, default 4444", opaque.get(), kCCTexture2DPixelFormat_RGBA4444, false,
         kCCTexture2DPixelFormat_RGBA4444, false},
        {"opaque low depth stays 8888", opaqueLowDepth.get(), kCCTexture2DPixelFormat_RGBA4444, false,
         kCCTexture2DPixelFormat_RGBA8888, false},
        {"jpeg stays 8888", opaque.get(), kCCTexture2DPixelFormat_RGBA4444, true, kCCTexture2DPixelFormat_RGBA8888,
         false},
        {"mask becomes A8", mask.get(), kCCTexture2DPixelFormat_RGBA8888, false, kCCTexture2DPixelFormat_A8, false},
        {"A8 default", translucent.get(), kCCTexture2DPixelFormat_A8, false, kCCTexture2DPixelFormat_A8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCTexture2D::setDefaultAlphaPixelFormat(c.defaultFormat);
        Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
        ASSERT_TRUE(texture->initWithImage(c.image, kCCResolutionUnknown, c.jpg));
        EXPECT_EQ(texture->pixelFormat(), c.expected);
        EXPECT_EQ(texture->hasPremultipliedAlpha(), c.premultiplied);
    }
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGB888);
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    EXPECT_THROW((void)texture->initWithImage(translucent.get()), std::invalid_argument);
}

TEST(Texture2DPacking, SixteenBitPackingsKeepTheTopBits)
{
    const uint8_t pixel[] = {0xFF, 0x80, 0x40, 0xFF};
    struct Case {
        CCTexture2DPixelFormat format;
        uint16_t expected;
    };
    const Case cases[] = {
        {kCCTexture2DPixelFormat_RGBA4444, 0xF84F},
        {kCCTexture2DPixelFormat_RGB5A1, 0xFC11},
        {kCCTexture2DPixelFormat_RGB565, 0xFC08},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CCTexture2D::packPixels16(pixel, 1, c.format), std::vector<uint16_t>{c.expected}) << c.format;
    }
    const uint8_t halfAlpha[] = {0x07, 0x0F, 0xF8, 0x7F};
    EXPECT_EQ(CCTexture2D::packPixels16(halfAlpha, 1, kCCTexture2DPixelFormat_RGB5A1), std::vector<uint16_t>{0x007E});
    EXPECT_EQ(CCTexture2D::bitsPerPixelForFormat(kCCTexture2DPixelFormat_RGB888), 24u);
    EXPECT_EQ(CCTexture2D::bitsPerPixelForFormat(static_cast<CCTexture2DPixelFormat>(0)), UINT32_MAX);
    EXPECT_EQ(CCTexture2D::pvrtcDataSize(2, 8), 32u);
    EXPECT_EQ(CCTexture2D::pvrtcDataSize(4, 64), 2048u);
}

// Decodes a PNG and a JPEG file in every format and checks the pixels that
// reach the screen: premultiplied, quantised to the format's bits.
TEST_F(Texture2DTest, PngAndJpegFilesDrawInEveryFormat)
{
    test::TempDir folder;
    const std::vector<RGBA> colours = {{255, 0, 0, 255}, {0, 255, 0, 128}, {40, 90, 250, 255},
                                       {255, 255, 255, 0}, {255, 128, 64, 200}, {10, 20, 30, 255}};
    const std::string png = folder.file("pattern.png");
    ASSERT_TRUE(patternImage(3, 2, colours)->writePNG(png));
    Ref<Image> decoded = Image::load(png);
    ASSERT_NE(decoded, nullptr);

    struct Case {
        CCTexture2DPixelFormat format;
        unsigned redBits, greenBits, blueBits, alphaBits; // 0 alpha bits: opaque
    };
    const Case cases[] = {
        {kCCTexture2DPixelFormat_RGBA8888, 8, 8, 8, 8},
        {kCCTexture2DPixelFormat_RGBA4444, 4, 4, 4, 4},
        {kCCTexture2DPixelFormat_RGB5A1, 5, 5, 5, 1},
        {kCCTexture2DPixelFormat_RGB565, 5, 6, 5, 0},
    };
    const float scale = 8;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        CCTexture2D::setDefaultAlphaPixelFormat(c.format);
        Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
        ASSERT_TRUE(texture->initWithImage(decoded.get()));
        EXPECT_EQ(texture->pixelsWide(), 4u);
        EXPECT_EQ(texture->pixelsHigh(), 2u);
        gl().resetState();
        drawScaled(*texture, scale);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                const RGBA& source = colours[static_cast<size_t>(y * 3 + x)];
                RGBA expected{quantise(premultiply(source.r, source.a), c.redBits),
                              quantise(premultiply(source.g, source.a), c.greenBits),
                              quantise(premultiply(source.b, source.a), c.blueBits),
                              c.alphaBits ? quantise(source.a, c.alphaBits) : uint8_t{255}};
                EXPECT_TRUE(nearColor(shownPixel(*texture, scale, x, y), expected, 3))
                    << "pixel " << x << "," << y << " shows " << shownPixel(*texture, scale, x, y) << " expected "
                    << expected;
            }
        }
    }

    // JPEG is lossy: a flat colour survives within a small tolerance.
    const std::string jpeg = folder.file("flat.jpg");
    ASSERT_TRUE(patternImage(16, 16, {{200, 60, 30, 255}}, false)->writeJPEG(jpeg, 0.95f));
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA4444);
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    ASSERT_TRUE(texture->initWithImage(Image::load(jpeg).get(), kCCResolutionUnknown, true));
    EXPECT_EQ(texture->pixelFormat(), kCCTexture2DPixelFormat_RGBA8888);
    gl().resetState();
    drawScaled(*texture, 2);
    EXPECT_TRUE(nearColor(shownPixel(*texture, 2, 8, 8), {200, 60, 30, 255}, 6)) << shownPixel(*texture, 2, 8, 8);
}

TEST_F(Texture2DTest, PaddingIsTransparentAndMasksDrawAsAlpha)
{
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    ASSERT_TRUE(texture->initWithImage(patternImage(3, 3, {{0, 0, 255, 255}}).get()));
    ASSERT_EQ(texture->pixelsWide(), 4u);
    // Show the whole 4x4 texture: the fourth column and row are padding, and
    // the image sits in the top rows.
    texture->setMaxS(1);
    texture->setMaxT(1);
    test::useEngineDrawingState(gl());
    texture->setAliasTexParameters();
    texture->drawInRect(CGRect(0, 0, 32, 32));
    EXPECT_EQ(gl().readPixel(4, 28), (RGBA{0, 0, 255, 255}));  // top-left of the image
    EXPECT_EQ(gl().readPixel(28, 28), (RGBA{0, 0, 0, 0}));    // right padding column
    EXPECT_EQ(gl().readPixel(4, 4), (RGBA{0, 0, 0, 0}));      // bottom padding row

    gl().resetState();
    Ref<CCTexture2D> mask = makeRef<CCTexture2D>();
    ASSERT_TRUE(mask->initWithImage(Image::fromAlpha({0, 64, 128, 255}, 2, 2).get()));
    ASSERT_EQ(mask->pixelFormat(), kCCTexture2DPixelFormat_A8);
    drawScaled(*mask, 8);
    // Alpha textures modulate the current colour (white): alpha only.
    EXPECT_TRUE(nearColor(shownPixel(*mask, 8, 1, 0), {255, 255, 255, 64}));
    EXPECT_TRUE(nearColor(shownPixel(*mask, 8, 0, 1), {255, 255, 255, 128}));
}

TEST_F(Texture2DTest, RawDataUploadsAndRefusesFormatsItCannotTake)
{
    const uint8_t luminanceAlpha[] = {200, 100, 50, 255, 0, 0, 0, 0};
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    ASSERT_TRUE(texture->initWithData(luminanceAlpha, kCCTexture2DPixelFormat_AI88, 2, 2, CGSize(2, 1)));
    EXPECT_FLOAT_EQ(texture->maxS(), 1.0f);
    EXPECT_FLOAT_EQ(texture->maxT(), 0.5f);
    EXPECT_FALSE(texture->hasPremultipliedAlpha());
    EXPECT_EQ(texture->resolutionType(), kCCResolutionUnknown);
    drawScaled(*texture, 8);
    EXPECT_TRUE(nearColor(shownPixel(*texture, 8, 0, 0), {200, 200, 200, 100}));
    EXPECT_TRUE(nearColor(shownPixel(*texture, 8, 1, 0), {50, 50, 50, 255}));

    for (CCTexture2DPixelFormat format : {kCCTexture2DPixelFormat_RGB888, kCCTexture2DPixelFormat_I8,
                                          kCCTexture2DPixelFormat_PVRTC4, static_cast<CCTexture2DPixelFormat>(42)}) {
        Ref<CCTexture2D> refused = makeRef<CCTexture2D>();
        EXPECT_THROW((void)refused->initWithData(luminanceAlpha, format, 2, 2, CGSize(2, 2)), std::invalid_argument);
        EXPECT_EQ(refused->name(), 0u);
    }
    EXPECT_NE(texture->description().find("| Dimensions = 2x2 | Coordinates = (1.00, 0.50)>"), std::string::npos)
        << texture->description();
}

// drawAtPoint spans the content only (pixel size x maxS/maxT), not the padded
// texture; contentSize reports points.
TEST_F(Texture2DTest, DrawAtPointSpansTheContentAndSizesInPoints)
{
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    const std::vector<RGBA> columns = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    ASSERT_TRUE(texture->initWithImage(patternImage(3, 2, columns).get()));
    ASSERT_EQ(texture->pixelsWide(), 4u);
    test::useEngineDrawingState(gl());
    texture->setAliasTexParameters();
    glScalef(8, 8, 1);
    texture->drawAtPoint(CGPoint(1, 1)); // covers x 8..32, y 8..24 on the surface
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (int column = 0; column < 3; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(gl().readPixel(8 + 8 * column + 4, 20), columns[static_cast<size_t>(column)]);
    }
    EXPECT_EQ(gl().readPixel(36, 20), (RGBA{0, 0, 0, 0}));

    ccSetContentScaleFactor(2.0f);
    const CGSize points = texture->contentSize();
    ccSetContentScaleFactor(1.0f);
    EXPECT_EQ(points, CGSize(1.5f, 1.0f));
    EXPECT_EQ(texture->contentSizeInPixels(), CGSize(3, 2));
}

// The mipmap chain GL makes reaches the screen: a 1-pixel quad sampled from
// the smallest level shows the average of the four texels.
TEST_F(Texture2DTest, GenerateMipmapFillsTheSmallerLevels)
{
    const uint8_t pixels[] = {200, 0, 0, 255, 0, 200, 0, 255, 0, 0, 200, 255, 200, 200, 200, 255};
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    ASSERT_TRUE(texture->initWithData(pixels, kCCTexture2DPixelFormat_RGBA8888, 2, 2, CGSize(2, 2)));
    texture->generateMipmap();
    texture->setTexParameters({GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE});
    test::useEngineDrawingState(gl());
    texture->drawInRect(CGRect(10, 10, 1, 1));
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(nearColor(gl().readPixel(10, 10), {100, 100, 100, 255})) << gl().readPixel(10, 10);
}

} // namespace
} // namespace mw
