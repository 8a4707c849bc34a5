#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTexturePVR.h"
#include "foundation/Log.h"
#include "tests/engine/textures/PVRContainerFiles.h"
#include "tests/engine/textures/PVRTestFiles.h"
#include "tests/engine/textures/TextureTestSupport.h"

namespace mw {
namespace {

using test::makePVRFile;
using test::makeTightPVRFile;
using test::mipChainBytes;
using test::nearColor;
using test::PVRFileFields;
using test::RGBA;

class TexturePVRLoadTest : public test::GLRenderTest {
protected:
    TexturePVRLoadTest() : GLRenderTest(32, 32) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        savedBundle_ = CCFileUtils::bundlePath();
        CCFileUtils::setBundlePath(folder_.path());
    }
    void TearDown() override { CCFileUtils::setBundlePath(savedBundle_); }

    test::TempDir folder_;
    std::string savedBundle_;
};

// Every pixel type loads from a plain, a gzip and a CCZ file, except PVRTC:
// the GL here has no PVRTC support, so those files give no texture. BGRA data
// needs a BGRA extension the reader knows: the files load on a device posing
// with one and are refused on Mesa itself.
TEST_F(TexturePVRLoadTest, EveryPixelTypeLoadsFromEachContainer)
{
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    auto bgraDevice = std::make_unique<test::ScopedDevice>("GL_IMG_texture_format_BGRA8888", maxTextureSize);
    struct Case {
        uint8_t pixelType;
        uint32_t bitsPerPixel;
        CCTexture2DPixelFormat format;
        bool loads;
    };
    const Case cases[] = {
        {0x10, 16, kCCTexture2DPixelFormat_RGBA4444, true}, {0x11, 16, kCCTexture2DPixelFormat_RGB5A1, true},
        {0x12, 32, kCCTexture2DPixelFormat_RGBA8888, true}, {0x13, 16, kCCTexture2DPixelFormat_RGB565, true},
        {0x15, 24, kCCTexture2DPixelFormat_RGB888, true},   {0x1B, 8, kCCTexture2DPixelFormat_A8, true},
        {0x16, 8, kCCTexture2DPixelFormat_I8, true},        {0x17, 16, kCCTexture2DPixelFormat_AI88, true},
        {0x1A, 32, kCCTexture2DPixelFormat_RGBA8888, true}, {0x18, 2, kCCTexture2DPixelFormat_PVRTC2, false},
        {0x19, 4, kCCTexture2DPixelFormat_PVRTC4, false},
    };
    // Uncompressed levels come tight, as tools write them, and padded to 2 x 2.
    struct Layout {
        const char* suffix;
        std::vector<unsigned char> file;
    };
    for (const Case& c : cases) {
        const bool compressed = c.pixelType == 0x18 || c.pixelType == 0x19;
        const uint32_t dataLength = compressed ? 256 + 64 + 32 + 32 + 32 + 32 : mipChainBytes(16, 16, c.bitsPerPixel);
        std::vector<Layout> layouts = {{"", makePVRFile({16, 16, c.pixelType, dataLength})}};
        if (!compressed) {
            layouts.push_back({"-tight", makeTightPVRFile({16, 16, c.pixelType})});
        }
        std::vector<std::string> names;
        for (const Layout& layout : layouts) {
            const std::string stem = "type" + std::to_string(c.pixelType) + layout.suffix;
            folder_.write(stem + ".pvr", layout.file);
            test::writeGZipFile(folder_, stem + ".pvr.gz", layout.file);
            folder_.write(stem + ".pvr.ccz", test::cczContainer(layout.file));
            names.insert(names.end(), {stem + ".pvr", stem + ".pvr.gz", stem + ".pvr.ccz"});
        }
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
            ASSERT_EQ(texture->initWithPVRFile(name), c.loads);
            if (!c.loads) {
                EXPECT_EQ(texture->name(), 0u);
                continue;
            }
            EXPECT_NE(texture->name(), 0u);
            EXPECT_EQ(texture->pixelFormat(), c.format);
            EXPECT_EQ(texture->pixelsWide(), 16u);
            EXPECT_EQ(texture->contentSizeInPixels(), CGSize(16, 16));
            EXPECT_FLOAT_EQ(texture->maxS(), 1.0f);
            EXPECT_EQ(texture->resolutionType(), kCCResolutioniPhone);
        }
    }

    bgraDevice.reset();
    for (const char* name : {"type26.pvr", "type26.pvr.gz", "type26.pvr.ccz"}) {
        SCOPED_TRACE(name);
        Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
        EXPECT_FALSE(texture->initWithPVRFile(name));
        EXPECT_EQ(texture->name(), 0u);
    }
}

TEST_F(TexturePVRLoadTest, BrokenFilesGiveNoTexture)
{
    const std::vector<unsigned char> good = makePVRFile({8, 8, 0x12, 256});
    std::vector<unsigned char> truncatedCCZ = test::cczContainer(good);
    truncatedCCZ.resize(truncatedCCZ.size() - 10);
    std::vector<unsigned char> shortHeader(good.begin(), good.begin() + 40);
    folder_.write("cut.pvr.ccz", truncatedCCZ);
    folder_.write("short.pvr", shortHeader);
    folder_.write("overlong.pvr", makePVRFile({8, 8, 0x12, 256, 0xFF, 100}));
    // A valid header without pixel data would give a texture with no GL name.
    folder_.write("nodata.pvr", makePVRFile({8, 8, 0x12, 0}));
    std::vector<unsigned char> gz;
    test::writeGZipFile(folder_, "whole.pvr.gz", good);
    ASSERT_GE(ccLoadFileIntoMemory(folder_.file("whole.pvr.gz").c_str(), gz), 0);
    gz.resize(gz.size() / 2);
    folder_.write("cut.pvr.gz", gz);
    for (const char* name : {"cut.pvr.ccz", "short.pvr", "overlong.pvr", "nodata.pvr", "cut.pvr.gz", "missing.pvr"}) {
        SCOPED_TRACE(name);
        Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
        EXPECT_FALSE(texture->initWithPVRFile(name));
    }
}

// Draws a 2-level RGBA8888 file written tight, as tools do (2 x 2 then
// 1 x 1): level 0 fills the quad when drawn at full size; a 1-pixel quad with
// mipmapped sampling shows level 1.
TEST_F(TexturePVRLoadTest, LevelsAndChannelOrderReachTheScreen)
{
    std::vector<unsigned char> rgba = makeTightPVRFile({2, 2, 0x12});
    ASSERT_EQ(rgba.size(), 52u + 16 + 4);
    const unsigned char level0[4] = {200, 10, 20, 255};
    const unsigned char level1[4] = {5, 180, 60, 255};
    for (int i = 0; i < 4; ++i) {
        std::copy(level0, level0 + 4, &rgba[52 + 4 * i]);
    }
    std::copy(level1, level1 + 4, &rgba[52 + 16]);
    std::vector<unsigned char> bgra = makePVRFile({2, 2, 0x1A, 16});
    for (int i = 0; i < 4; ++i) {
        const unsigned char pixel[4] = {30, 60, 240, 255}; // B, G, R, A
        std::copy(pixel, pixel + 4, &bgra[52 + 4 * i]);
    }
    folder_.write("mips.pvr", rgba);
    folder_.write("bgra.pvr", bgra);

    Ref<CCTexture2D> mips = makeRef<CCTexture2D>();
    ASSERT_TRUE(mips->initWithPVRFile("mips.pvr"));
    test::useEngineDrawingState(gl());
    mips->setTexParameters({GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE});
    mips->drawInRect(CGRect(0, 0, 16, 16));
    mips->drawInRect(CGRect(20, 20, 1, 1));
    EXPECT_TRUE(nearColor(gl().readPixel(8, 8), {200, 10, 20, 255})) << gl().readPixel(8, 8);
    EXPECT_TRUE(nearColor(gl().readPixel(20, 20), {5, 180, 60, 255})) << gl().readPixel(20, 20);

    gl().resetState();
    // Mesa names BGRA source data only with its EXT extension, which the
    // reader does not count; posing as a device with the IMG name, the same
    // GL_BGRA_EXT upload runs.
    Ref<CCTexture2D> refused = makeRef<CCTexture2D>();
    EXPECT_FALSE(refused->initWithPVRFile("bgra.pvr"));
    test::ScopedDevice bgraDevice("GL_IMG_texture_format_BGRA8888", 1024);
    Ref<CCTexture2D> swapped = makeRef<CCTexture2D>();
    ASSERT_TRUE(swapped->initWithPVRFile("bgra.pvr"));
    test::useEngineDrawingState(gl());
    swapped->drawInRect(CGRect(0, 0, 16, 16));
    EXPECT_TRUE(nearColor(gl().readPixel(8, 8), {240, 60, 30, 255})) << gl().readPixel(8, 8);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A GL error left pending by earlier code is reported through the log sink,
// and the upload goes on.
TEST_F(TexturePVRLoadTest, APendingGLErrorIsLoggedAndTheUploadGoesOn)
{
    const std::vector<unsigned char> file = makeTightPVRFile({4, 4, 0x12});
    Ref<CCTexturePVR> pvr = makeRef<CCTexturePVR>();
    ASSERT_TRUE(pvr->unpackPVRData(file.data(), file.size(), *CCConfiguration::sharedConfiguration()));
    glEnable(0x1234); // not a capability: GL_INVALID_ENUM stays pending
    ScopedLogCapture log;
    EXPECT_TRUE(pvr->createGLTexture(*CCConfiguration::sharedConfiguration()));
    EXPECT_NE(pvr->name(), 0u);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"OpenGL error 0x0500 in CCTexturePVR::createGLTexture"});
}

TEST_F(TexturePVRLoadTest, PVRTCDataNeedsTheExtension)
{
    std::vector<unsigned char> data(32, 0);
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    EXPECT_FALSE(texture->initWithPVRTCData(data.data(), 0, 2, true, 8, kCCTexture2DPixelFormat_PVRTC2));
    EXPECT_EQ(texture->name(), 0u);
}

TEST_F(TexturePVRLoadTest, PremultipliedFlagAndURLs)
{
    folder_.write("flag.pvr", makePVRFile({4, 4, 0x12, 64}));
    for (bool premultiplied : {true, false}) {
        SCOPED_TRACE(premultiplied);
        CCTexture2D::PVRImagesHavePremultipliedAlpha(premultiplied);
        Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
        ASSERT_TRUE(texture->initWithPVRFile("flag.pvr"));
        EXPECT_EQ(texture->hasPremultipliedAlpha(), premultiplied);
    }

    Ref<CCTexturePVR> fromURL = CCTexturePVR::pvrTextureWithContentsOfURL("file://" + folder_.file("flag.pvr"));
    ASSERT_NE(fromURL, nullptr);
    EXPECT_NE(fromURL->name(), 0u);
    EXPECT_EQ(fromURL->width(), 4u);
    EXPECT_EQ(CCTexturePVR::pvrTextureWithContentsOfURL("http://example.invalid/flag.pvr"), nullptr);
    EXPECT_EQ(CCTexturePVR::pvrTextureWithContentsOfURL(folder_.file("flag.pvr")), nullptr); // no scheme
}

} // namespace
} // namespace mw
