#include <gtest/gtest.h>

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/base/CCWinSize.h"
#include "engine/base/ccContentScale.h"
#include "engine/base/ccDrawingState.h"
#include "engine/rendering/CCRenderTexture.h"
#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTexture2D.h"
#include "tests/engine/sprites/SpriteTestSupport.h"

namespace mw {
namespace {

using test::RGBA;

CGSize screenOf64() { return {64, 64}; }

RGBA pixelOf(const Image& image, int x, int yFromTop)
{
    const uint8_t* p = &image.pixels()[(static_cast<size_t>(yFromTop) * image.width() + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

class RenderTextureTest : public test::GLRenderTest {
protected:
    RenderTextureTest() : GLRenderTest(64, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        bundle_->loadTestSheet();
        ccSetWinSizeProvider(&screenOf64);
        ccSetNodeDrawingState(64, 64);
    }
    void TearDown() override
    {
        ccSetWinSizeProvider(nullptr);
        bundle_.reset();
    }

    std::unique_ptr<test::ScratchBundle> bundle_;
};

TEST_F(RenderTextureTest, SizesFollowTheContentScale)
{
    ccSetContentScaleFactor(2);
    Ref<CCRenderTexture> target = CCRenderTexture::renderTextureWithWidth(100, 50);
    EXPECT_EQ(target->texture()->pixelsWide(), 256u);
    EXPECT_EQ(target->texture()->pixelsHigh(), 128u);
    EXPECT_EQ(target->texture()->contentSizeInPixels(), (CGSize{200, 100}));
    EXPECT_EQ(target->sprite()->contentSize(), (CGSize{100, 50}));
    EXPECT_EQ(target->sprite()->scaleY(), -1);
    EXPECT_EQ(target->sprite()->blendFunc(), kCCBlendFuncDefault);
    ccSetContentScaleFactor(1);
}

TEST_F(RenderTextureTest, SizesWithoutPixelsAreRefused)
{
    GLint before = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &before);
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{0, 8}, {8, 0}, {-5, 8}, {8, -1}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        EXPECT_THROW((void)CCRenderTexture::renderTextureWithWidth(width, height), std::invalid_argument);
    }
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &bound);
    EXPECT_EQ(bound, before) << "the screen's framebuffer stays bound";
}

TEST_F(RenderTextureTest, ClearFillsTheTextureAndLeavesTheScreenAlone)
{
    test::clearSurface(0, 0, 1);
    glClearColor(0.25f, 0.5f, 0.75f, 1);
    Ref<CCRenderTexture> target = CCRenderTexture::renderTextureWithWidth(8, 8);
    target->clear(1, 0, 0, 1);

    GLfloat clearColour[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    EXPECT_FLOAT_EQ(clearColour[0], 0.25f);
    EXPECT_FLOAT_EQ(clearColour[2], 0.75f);
    EXPECT_TRUE(test::nearColor(gl().readPixel(4, 4), test::kBlue));  // the screen is untouched

    Ref<Image> image = target->getUIImageFromBuffer();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width(), 8);
    EXPECT_TRUE(test::nearColor(pixelOf(*image, 3, 3), test::kRed));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 64);
    EXPECT_EQ(viewport[3], 64);
}

TEST_F(RenderTextureTest, RawReadBackPutsTheTopRowFirst)
{
    Ref<CCRenderTexture> target = CCRenderTexture::renderTextureWithWidth(3, 2);
    target->beginWithClear(0, 1, 0, 1);
    // GL counts rows from the bottom: row 1 is the top one.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 1, 3, 1);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    target->end();

    const std::vector<uint8_t> raw = target->getUIImageAsDataFromBuffer(kCCImageFormatRawData);
    ASSERT_EQ(raw.size(), 24u);
    EXPECT_EQ((std::vector<uint8_t>(raw.begin(), raw.begin() + 4)), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ((std::vector<uint8_t>(raw.begin() + 12, raw.begin() + 16)),
              (std::vector<uint8_t>{0, 255, 0, 255}));
}

TEST_F(RenderTextureTest, DrawsAScenePutsItOnScreenUprightAndSavesIt)
{
    // Half the screen's size: screen coordinates land on the texture's pixels.
    Ref<CCRenderTexture> target = CCRenderTexture::renderTextureWithWidth(32, 32);
    Ref<CCSprite> split = CCSprite::spriteWithSpriteFrameName("split");  // blue | yellow, 32x16
    split->setPosition({16, 24});
    Ref<CCSprite> red = CCSprite::spriteWithSpriteFrameName("red");
    red->setPosition({8, 8});
    target->beginWithClear(0, 0, 0, 0);
    split->visit();
    red->visit();
    target->end();

    Ref<Image> image = target->getUIImageFromBuffer();
    ASSERT_NE(image, nullptr);
    // Top rows (y from the top 0..15) hold the split sprite, bottom-left the red one.
    EXPECT_TRUE(test::nearColor(pixelOf(*image, 4, 4), test::kBlue));
    EXPECT_TRUE(test::nearColor(pixelOf(*image, 28, 4), test::kYellow));
    EXPECT_TRUE(test::nearColor(pixelOf(*image, 4, 28), test::kRed));
    EXPECT_TRUE(test::nearColor(pixelOf(*image, 28, 28), test::kClear));

    // The node shows the texture the right way up where it stands.
    test::clearSurface(0, 0, 0);
    target->setPosition({32, 32});
    target->visit();
    test::keepPicture(gl(), "render texture on screen");
    EXPECT_TRUE(test::nearColor(gl().readPixel(20, 44), test::kBlue)) << gl().readPixel(20, 44);
    EXPECT_TRUE(test::nearColor(gl().readPixel(44, 44), test::kYellow)) << gl().readPixel(44, 44);
    EXPECT_TRUE(test::nearColor(gl().readPixel(20, 20), test::kRed)) << gl().readPixel(20, 20);
    EXPECT_TRUE(test::nearColor(gl().readPixel(44, 20), test::kBlack)) << gl().readPixel(44, 20);

    struct Saved {
        const char* name;
        tImageFormat format;
        int tolerance;
    };
    for (const Saved& s :
         {Saved{"scene.png", kCCImageFormatPNG, 0}, Saved{"scene.jpg", kCCImageFormatJPG, 24}}) {
        SCOPED_TRACE(s.name);
        const std::string path = bundle_->path() + "/" + s.name;
        ASSERT_TRUE(target->saveBuffer(path, s.format));
        Ref<Image> saved = Image::load(path);
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(saved->fileType(),
                  s.format == kCCImageFormatPNG ? ImageFileType::PNG : ImageFileType::JPEG);
        EXPECT_EQ(saved->width(), 32);
        EXPECT_TRUE(test::nearColor(pixelOf(*saved, 4, 28), test::kRed, s.tolerance))
            << pixelOf(*saved, 4, 28);
        EXPECT_TRUE(test::nearColor(pixelOf(*saved, 28, 4), test::kYellow, s.tolerance))
            << pixelOf(*saved, 28, 4);
    }
    EXPECT_FALSE(target->saveBuffer(bundle_->path() + "/no/such/folder/x.png", kCCImageFormatPNG));
}

} // namespace
} // namespace mw
