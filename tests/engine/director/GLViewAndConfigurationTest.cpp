#include <gtest/gtest.h>

#include "foundation/KeyedArchive.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/director/EAGLView.h"
#include "engine/gl/CCConfiguration.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {
namespace {

TEST(CCConfigurationTest, PacksTheSystemVersionOneComponentAByte)
{
    struct Case {
        const char* version;
        uint32_t packed;
    };
    const Case cases[] = {
        {"5.0", 0x05000000},
        {"4.2.1", 0x04020100},
        {"4.3.1", 0x04030100},
        {"6", 0x06000000},
        {"1.2.3.4.5", 0x01020304}, // a fifth component adds nothing
        {"3.x.2", 0x03000200},     // not a number: 0
        {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(CCConfiguration::packSystemVersion(c.version), c.packed);
    }
}

TEST(CCConfigurationTest, ExtensionsMatchOnlyAsWholeWords)
{
    const std::string list = "GL_OES_a GL_EXT_discard_framebuffer_extra GL_IMG_b GL_EXT_last";
    struct Case {
        const char* name;
        bool listed;
    };
    const Case cases[] = {
        {"GL_OES_a", true},    {"GL_IMG_b", true},
        {"GL_EXT_last", true}, {"GL_EXT_discard_framebuffer", false}, // only a longer name begins with it
        {"GL_OES", false},     {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CCConfiguration::extensionListHas(list, c.name), c.listed);
    }
}

// Mesa's GLES 1 names none of the device vendors' texture extensions (its
// BGRA extension has the EXT prefix, which does not count), but offers the
// discard hint.
TEST(CCConfigurationTest, MesaAnswersFromItsRealExtensionString)
{
    ASSERT_NE(GLTestContext::acquire(64, 64), nullptr);
    const std::string extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const CCConfiguration configuration("4.3.1");
    EXPECT_EQ(configuration.OSVersion(), 0x04030100u);
    EXPECT_EQ(configuration.supportsPVRTC(),
              extensions.find("GL_IMG_texture_compression_pvrtc") != std::string::npos);
    EXPECT_FALSE(configuration.supportsNPOT());
    EXPECT_FALSE(configuration.supportsBGRA8888());
    EXPECT_EQ(configuration.supportsDiscardFramebuffer(),
              CCConfiguration::extensionListHas(extensions, "GL_EXT_discard_framebuffer"));
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    EXPECT_EQ(configuration.maxTextureSize(), maxTexture);
    EXPECT_GE(configuration.maxModelviewStackDepth(), 16);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); // no query of a missing extension
}

// A GL error pending when the configuration is measured is printed to
// standard output, in the words other tools look for; none prints nothing.
TEST(CCConfigurationTest, APendingGLErrorIsPrintedToStandardOutput)
{
    ASSERT_NE(GLTestContext::acquire(64, 64), nullptr);
    struct Case {
        const char* name;
        void (*leaveError)();
        std::string printed;
    };
    const Case cases[] = {
        {"an invalid enum", [] { glEnable(0xFFFF); }, "OpenGL error 0x0500 in -[CCConfiguration init]\n"},
        {"an invalid value", [] { glLineWidth(-1); }, "OpenGL error 0x0501 in -[CCConfiguration init]\n"},
        {"no error", [] {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        while (glGetError() != GL_NO_ERROR) {
        }
        c.leaveError();
        testing::internal::CaptureStdout();
        const CCConfiguration configuration("4.3.1");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_EQ(configuration.OSVersion(), 0x04030100u) << "the values read are kept";
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

// Tests pose as devices through an extension list; the flags come from it by
// the same whole-word rules as from GL's own string.
TEST(CCConfigurationTest, PosedDevicesAnswerFromTheirExtensionList)
{
    struct Case {
        const char* extensions;
        bool pvrtc, npot, bgra, discard;
    };
    const Case cases[] = {
        {"", false, false, false, false},
        {"GL_IMG_texture_format_BGRA8888", false, false, true, false},
        {"GL_APPLE_texture_format_BGRA8888", false, false, true, false},
        {"GL_EXT_texture_format_BGRA8888 GL_OES_texture_npot", false, false, false, false},
        {"GL_IMG_texture_compression_pvrtc GL_APPLE_texture_2D_limited_npot", true, true, false, false},
        {"GL_EXT_discard_framebuffer_extra GL_EXT_discard_framebuffer", false, false, false, true},
        {"GL_EXT_discard_framebuffer_extra", false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extensions);
        const auto device = CCConfiguration::posingAs(c.extensions, 2048, "4.2.1");
        EXPECT_EQ(device->supportsPVRTC(), c.pvrtc);
        EXPECT_EQ(device->supportsNPOT(), c.npot);
        EXPECT_EQ(device->supportsBGRA8888(), c.bgra);
        EXPECT_EQ(device->supportsDiscardFramebuffer(), c.discard);
        EXPECT_EQ(device->maxTextureSize(), 2048);
        EXPECT_EQ(device->OSVersion(), 0x04020100u);
    }
}

TEST(CCConfigurationTest, APosedDeviceStandsInForTheSharedOneUntilPutBack)
{
    ASSERT_NE(GLTestContext::acquire(64, 64), nullptr);
    const CCConfiguration* measured = CCConfiguration::sharedConfiguration();
    std::unique_ptr<CCConfiguration> previous =
        CCConfiguration::replaceShared(CCConfiguration::posingAs("GL_APPLE_texture_2D_limited_npot", 512));
    EXPECT_EQ(previous.get(), measured);
    EXPECT_TRUE(CCConfiguration::sharedConfiguration()->supportsNPOT());
    EXPECT_EQ(CCConfiguration::sharedConfiguration()->maxTextureSize(), 512);

    CCConfiguration::replaceShared(nullptr); // the next use measures GL again
    const CCConfiguration* remeasured = CCConfiguration::sharedConfiguration();
    EXPECT_FALSE(remeasured->supportsNPOT());
    EXPECT_EQ(remeasured->maxTextureSize(), measured->maxTextureSize());

    CCConfiguration::replaceShared(std::move(previous));
    EXPECT_EQ(CCConfiguration::sharedConfiguration(), measured);
}

TEST(EAGLViewTest, OnlyThe565NameGivesSixteenBitColour)
{
    EXPECT_EQ(EAGLView::convertPixelFormat(kEAGLColorFormatRGB565), static_cast<uint32_t>(GL_RGB565_OES));
    EXPECT_EQ(EAGLView::convertPixelFormat(kEAGLColorFormatRGBA8), static_cast<uint32_t>(GL_RGBA8_OES));
    EXPECT_EQ(EAGLView::convertPixelFormat("RGB565"), static_cast<uint32_t>(GL_RGBA8_OES));
    EXPECT_EQ(EAGLView::convertPixelFormat(""), static_cast<uint32_t>(GL_RGBA8_OES));
}

TEST(EAGLViewTest, AViewFromAnInterfaceArchiveStartsAs565WithoutDepth)
{
    GLTestContext* gl = GLTestContext::acquire(64, 64);
    ASSERT_NE(gl, nullptr);
    // Whatever else the archive says about the surface, only the frame counts.
    KeyedArchiver archiver;
    archiver.encodeString("frame", "{{0, 0}, {48, 32}}");
    archiver.encodeString("pixelFormat", kEAGLColorFormatRGBA8);
    archiver.encodeInt32("depthFormat", 0x81A5);
    archiver.encodeBool("multiSampling", true);
    KeyedUnarchiver coder(archiver.encodedData());
    ASSERT_TRUE(coder.ok()) << coder.error();

    Ref<EAGLView> view = EAGLView::viewWithCoder(gl->context(), coder);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pixelFormat(), kEAGLColorFormatRGB565);
    EXPECT_EQ(view->depthFormat(), 0u);
    EXPECT_FALSE(view->multiSampling());
    EXPECT_FALSE(view->preserveBackbuffer());
    EXPECT_EQ(view->frame(), CGRect(0, 0, 48, 32));
}

TEST(EAGLViewTest, MultisamplingFallsBackToNoneWithoutTheExtension)
{
    GLTestContext* gl = GLTestContext::acquire(64, 64);
    ASSERT_NE(gl, nullptr);
    Ref<EAGLView> view = EAGLView::viewWithFrame(gl->context(), CGRect(0, 0, 32, 32), kEAGLColorFormatRGBA8,
                                                 0, false, true, 4);
    ASSERT_NE(view, nullptr);
    const bool hasExtension =
        CCConfiguration::sharedConfiguration()->checkForGLExtension("GL_APPLE_framebuffer_multisample");
    EXPECT_EQ(view->multiSampling(), hasExtension);
    if (!hasExtension) {
        EXPECT_EQ(view->renderer()->samplesToUse(), 0u);
    }
}

TEST(ES1RendererTest, SamplesAreTheRequestedNumberCappedByTheDevice)
{
    struct Case {
        int deviceMax;
        unsigned requested;
        unsigned used;
    };
    const Case cases[] = {{4, 8, 4}, {4, 2, 2}, {4, 4, 4}, {0, 4, 0}, {-1, 4, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.deviceMax << " allowed, " << c.requested << " asked");
        EXPECT_EQ(ES1Renderer::samplesToUseFor(c.deviceMax, c.requested), c.used);
    }
}

class CCRetinaViewTest : public DirectorTest {
protected:
    CCRetinaViewTest() : DirectorTest("phone-hd") {}
};

TEST_F(CCRetinaViewTest, ViewPointsMapToSurfacePixelsAtTheContentScale)
{
    EAGLView& view = *driver().view();
    EXPECT_EQ(view.contentScaleFactor(), 2.0f);
    EXPECT_EQ(view.convertPointFromViewToSurface({10, 20}), CGPoint(20, 40));
    EXPECT_EQ(view.convertRectFromViewToSurface(CGRect(1, 2, 3, 4)), CGRect(2, 4, 6, 8));
}

TEST_F(CCRetinaViewTest, EveryLayoutRebuildsTheSurfaceAndDrawsAFrameAtOnce)
{
    EAGLView& view = *driver().view();
    const int generation = view.renderer()->frameBufferGeneration();
    const uint32_t frames = director().totalFrames();
    view.layoutSubviews(); // same size
    EXPECT_EQ(view.renderer()->frameBufferGeneration(), generation + 1);
    EXPECT_EQ(director().totalFrames(), frames + 1);
    EXPECT_EQ(view.surfaceSize(), CGSize(640, 960));
    EXPECT_EQ(director().winSizeInPixels(), CGSize(640, 960));
}

TEST_F(CCRetinaViewTest, SettingTheSameViewAgainKeepsTheGLState)
{
    director().setDepthTest(false);
    director().setOpenGLView(driver().view());
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

} // namespace
} // namespace mw::test
