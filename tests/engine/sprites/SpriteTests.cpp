#include <gtest/gtest.h>

#include <GLES/gl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/base/ccDrawingState.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCAnimationCache.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "platform/Image.h"
#include "tests/engine/sprites/SpriteTestSupport.h"

namespace mw {
namespace {

using test::nearColor;
using test::RGBA;

CCSpriteFrame* frameNamed(const std::string& name)
{
    return CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name).get();
}

bool sameTexCoords(const ccV3F_C4B_T2F_Quad& a, const ccV3F_C4B_T2F_Quad& b)
{
    return a.tl.texCoords == b.tl.texCoords && a.bl.texCoords == b.bl.texCoords &&
           a.tr.texCoords == b.tr.texCoords && a.br.texCoords == b.br.texCoords;
}

// A 2x2 RGBA8888 texture made from straight-alpha bytes (not premultiplied).
Ref<CCTexture2D> straightTexture(RGBA colour)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 4; ++i) bytes.insert(bytes.end(), {colour.r, colour.g, colour.b, colour.a});
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    EXPECT_TRUE(texture->initWithData(bytes.data(), kCCTexture2DPixelFormat_RGBA8888, 2, 2, {2, 2}));
    return texture;
}

class SpriteTest : public test::GLRenderTest {
protected:
    SpriteTest() : GLRenderTest(64, 64) {}
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        bundle_->loadTestSheet();
    }
    void TearDown() override { bundle_.reset(); }

    // Draws the node as the frame loop does, over a cleared surface.
    void render(CCNode* node, RGBA background = test::kBlack)
    {
        test::clearSurface(background.r / 255.f, background.g / 255.f, background.b / 255.f);
        ccSetNodeDrawingState(64, 64);
        node->visit();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    std::unique_ptr<test::ScratchBundle> bundle_;
};

// ---------------------------------------------------------------- quads

TEST_F(SpriteTest, FlippingTwiceRestoresTexCoordsAndOffsetAndAnUnchangedFlipDoesNothing)
{
    for (const char* name : {"split", "turned"}) {
        SCOPED_TRACE(name);
        Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(name);
        // An offset makes the mirrored offset visible.
        Ref<CCSpriteFrame> frame = frameNamed(name)->copy();
        frame->setOffsetInPixels({3, -2});
        frame->setOriginalSizeInPixels({frame->originalSizeInPixels().width + 10,
                                        frame->originalSizeInPixels().height + 10});
        sprite->setDisplayFrame(frame.get());
        const ccV3F_C4B_T2F_Quad before = sprite->quad();
        const CGPoint offsetBefore = sprite->offsetPositionInPixels();

        sprite->setFlipX(false);
        EXPECT_TRUE(sameTexCoords(sprite->quad(), before));
        sprite->setFlipX(true);
        EXPECT_FALSE(sameTexCoords(sprite->quad(), before));
        EXPECT_EQ(sprite->offsetPositionInPixels().x, offsetBefore.x - 6);
        sprite->setFlipY(true);
        EXPECT_EQ(sprite->offsetPositionInPixels().y, offsetBefore.y + 4);
        sprite->setFlipX(false);
        sprite->setFlipY(false);
        EXPECT_TRUE(sameTexCoords(sprite->quad(), before));
        EXPECT_EQ(sprite->offsetPositionInPixels(), offsetBefore);
    }
}

TEST_F(SpriteTest, ARotatedFrameShowsItsOwnSizeWhileSamplingTheTurnedRegion)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName("turned");
    EXPECT_EQ(sprite->contentSizeInPixels(), (CGSize{40, 20}));
    const ccV3F_C4B_T2F_Quad& quad = sprite->quad();
    EXPECT_EQ(quad.bl.vertices, vertex3(0, 0, 0));
    EXPECT_EQ(quad.tr.vertices, vertex3(40, 20, 0));
    // 20 wide and 40 high in a 64x64 texture, starting at (32, 0).
    EXPECT_FLOAT_EQ(quad.bl.texCoords.u, 32 / 64.f);
    EXPECT_FLOAT_EQ(quad.bl.texCoords.v, 0);
    EXPECT_FLOAT_EQ(quad.tr.texCoords.u, 52 / 64.f);
    EXPECT_FLOAT_EQ(quad.tr.texCoords.v, 40 / 64.f);
    EXPECT_TRUE(sprite->textureRectRotated());
}

TEST_F(SpriteTest, OpacityModifiesTheColourOfPremultipliedTexturesOnly)
{
    Ref<CCSprite> premultipliedSprite = CCSprite::spriteWithSpriteFrameName("white");
    ASSERT_TRUE(premultipliedSprite->doesOpacityModifyRGB());
    EXPECT_EQ(premultipliedSprite->blendFunc(), kCCBlendFuncDefault);
    premultipliedSprite->setColor({255, 128, 0});
    premultipliedSprite->setOpacity(128);
    EXPECT_EQ(premultipliedSprite->quad().tl.colors, ccc4(128, 64, 0, 128));
    EXPECT_EQ(premultipliedSprite->color(), ccc3(255, 128, 0));
    premultipliedSprite->setOpacity(255);
    EXPECT_EQ(premultipliedSprite->quad().br.colors, ccc4(255, 128, 0, 255));

    Ref<CCSprite> straightSprite = CCSprite::spriteWithTexture(straightTexture({255, 0, 0, 128}).get());
    EXPECT_FALSE(straightSprite->doesOpacityModifyRGB());
    EXPECT_EQ(straightSprite->blendFunc(), kCCBlendFuncAlpha);
    straightSprite->setColor({255, 128, 0});
    straightSprite->setOpacity(128);
    EXPECT_EQ(straightSprite->quad().tl.colors, ccc4(255, 128, 0, 128));
}

TEST_F(SpriteTest, DisplayedFrameDescribesWhatIsShown)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName("red");
    EXPECT_TRUE(sprite->isFrameDisplayed(frameNamed("red")));
    EXPECT_FALSE(sprite->isFrameDisplayed(frameNamed("white")));
    Ref<CCSpriteFrame> shown = sprite->displayedFrame();
    sprite->setDisplayFrame(frameNamed("turned"));
    EXPECT_FALSE(sprite->isFrameDisplayed(shown.get()));
    sprite->setDisplayFrame(shown.get());
    EXPECT_TRUE(sprite->isFrameDisplayed(frameNamed("red")));
    EXPECT_EQ(sprite->contentSize(), (CGSize{16, 16}));
}

TEST_F(SpriteTest, ShowingAFrameRecomputesBlendingOnlyWhenTheTextureChanges)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName("red");
    const ccBlendFunc additive{GL_ONE, GL_ONE};
    sprite->setBlendFunc(additive);
    sprite->setDisplayFrame(frameNamed("white"));  // same sheet
    EXPECT_EQ(sprite->blendFunc(), additive);

    Ref<CCTexture2D> straight = straightTexture({0, 255, 0, 255});
    sprite->setDisplayFrame(CCSpriteFrame::frameWithTexture(straight.get(), CGRect{0, 0, 2, 2}).get());
    EXPECT_EQ(sprite->texture(), straight.get());
    EXPECT_EQ(sprite->blendFunc(), kCCBlendFuncAlpha);
    EXPECT_FALSE(sprite->doesOpacityModifyRGB());
}

TEST_F(SpriteTest, RegionsInPointsBecomePixelsByTheContentScale)
{
    ccSetContentScaleFactor(2);
    Ref<CCSprite> sprite = CCSprite::spriteWithTexture(
        CCTextureCache::sharedTextureCache()->textureForKey("sheet.png").get(), CGRect{8, 0, 8, 4});
    EXPECT_EQ(sprite->textureRectInPixels(), (CGRect{16, 0, 16, 8}));
    EXPECT_EQ(sprite->textureRect(), (CGRect{8, 0, 8, 4}));
    EXPECT_EQ(sprite->contentSize(), (CGSize{8, 4}));
    EXPECT_EQ(sprite->quad().tr.vertices, vertex3(16, 8, 0));
    EXPECT_FLOAT_EQ(sprite->quad().tr.texCoords.u, 32 / 64.f);
    ccSetContentScaleFactor(1);
}

TEST_F(SpriteTest, ShowsAFrameOfANamedAnimation)
{
    Ref<CCAnimation> walk = CCAnimation::animationWithFrames(
        std::vector<Ref<CCSpriteFrame>>{Ref<CCSpriteFrame>(frameNamed("red")),
                                        Ref<CCSpriteFrame>(frameNamed("split"))},
        0.1f);
    CCAnimationCache::sharedAnimationCache()->addAnimation(walk.get(), "walk");
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName("red");
    sprite->setDisplayFrameWithAnimationName("walk", 1);
    EXPECT_TRUE(sprite->isFrameDisplayed(frameNamed("split")));

    ScopedLogCapture log;
    sprite->setDisplayFrameWithAnimationName("walk", 2);
    sprite->setDisplayFrameWithAnimationName("run", 0);
    EXPECT_TRUE(sprite->isFrameDisplayed(frameNamed("split")));
    EXPECT_EQ(log.lines().size(), 2u);
}

TEST_F(SpriteTest, AnUnknownFrameNameGivesAnEmptySpriteAndOneLogLine)
{
    ScopedLogCapture log;
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName("nothing");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->texture(), nullptr);
    EXPECT_EQ(sprite->contentSize(), CGSizeZero);
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(CCSprite::spriteWithFile("absent.png"), nullptr);
}

TEST_F(SpriteTest, DescriptionShowsRectTagAndIndex)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName("split");
    sprite->setTag(7);
    const std::string text = sprite->description();
    EXPECT_EQ(text.rfind("<CCSprite = ", 0), 0u) << text;
    EXPECT_NE(text.find("| Rect = (0.00,16.00,32.00,16.00) | tag = 7 | atlasIndex = -1>"), std::string::npos)
        << text;
}

// ---------------------------------------------------------------- pixels

struct PixelProbe {
    int x, y;
    RGBA expected;
};

struct RenderCase {
    const char* label;
    const char* frame;
    std::function<void(CCSprite*)> setUp;
    RGBA background;
    std::vector<PixelProbe> probes;
};

TEST_F(SpriteTest, SelfRenderedSpritesGiveTheExpectedPixels)
{
    const auto none = [](CCSprite*) {};
    const std::vector<RenderCase> cases = {
        {"plain", "split", none, test::kBlack,
         {{24, 32, test::kBlue}, {40, 32, test::kYellow}, {12, 32, test::kBlack}}},
        {"flipX", "split", [](CCSprite* s) { s->setFlipX(true); }, test::kBlack,
         {{24, 32, test::kYellow}, {40, 32, test::kBlue}}},
        {"flipY", "updown", [](CCSprite* s) { s->setFlipY(true); }, test::kBlack,
         {{32, 36, test::kMagenta}, {32, 28, test::kGreen}}},
        {"upright", "updown", none, test::kBlack, {{32, 36, test::kGreen}, {32, 28, test::kMagenta}}},
        {"rotated 90 clockwise", "split", [](CCSprite* s) { s->setRotation(90); }, test::kBlack,
         {{32, 40, test::kBlue}, {32, 24, test::kYellow}, {20, 32, test::kBlack}}},
        {"turned frame", "turned", none, test::kBlack,
         {{20, 26, test::kMagenta}, {20, 38, test::kWhite}, {44, 26, test::kCyan}, {44, 38, test::kOrange}}},
        {"tint", "white", [](CCSprite* s) { s->setColor({255, 128, 0}); }, test::kBlack,
         {{32, 32, test::kOrange}}},
        {"tint at half opacity", "white",
         [](CCSprite* s) {
             s->setColor({255, 128, 0});
             s->setOpacity(128);
         },
         test::kBlack, {{32, 32, {128, 64, 0, 255}}}},
        {"premultiplied glass over blue", "glass", none, test::kBlue, {{32, 32, {128, 0, 127, 255}}}},
        {"additive blend", "red", [](CCSprite* s) { s->setBlendFunc({GL_ONE, GL_ONE}); }, test::kBlue,
         {{32, 32, test::kMagenta}}},
    };
    for (const RenderCase& c : cases) {
        SCOPED_TRACE(c.label);
        Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(c.frame);
        sprite->setPosition({32, 32});
        c.setUp(sprite.get());
        render(sprite.get(), c.background);
        test::keepPicture(gl(), std::string("sprite ") + c.label);
        for (const PixelProbe& probe : c.probes) {
            EXPECT_TRUE(nearColor(gl().readPixel(probe.x, probe.y), probe.expected))
                << "at " << probe.x << "," << probe.y << ": " << gl().readPixel(probe.x, probe.y);
        }
        EXPECT_EQ(test::currentBlendFactors(), (std::pair<GLint, GLint>{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}));
    }
}

TEST_F(SpriteTest, StraightAlphaTexturesBlendByTheirAlphaToTheSamePicture)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithTexture(straightTexture({255, 0, 0, 128}).get());
    sprite->setScale(8);
    sprite->setPosition({32, 32});
    render(sprite.get(), test::kBlue);
    // Colour as with premultiplied alpha; only the surface's own alpha differs.
    RGBA seen = gl().readPixel(32, 32);
    seen.a = 255;
    EXPECT_TRUE(nearColor(seen, {128, 0, 127, 255})) << seen;
    EXPECT_EQ(test::currentBlendFactors(), (std::pair<GLint, GLint>{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}));
}

// ---------------------------------------------------------------- images in memory

// A 20x12 picture of one colour (stored in a 32x16 texture).
Ref<Image> plainImage(RGBA colour)
{
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 20 * 12; ++i) pixels.insert(pixels.end(), {colour.r, colour.g, colour.b, colour.a});
    return Image::fromRGBA(std::move(pixels), 20, 12, ImageAlphaInfo::Last);
}

TEST_F(SpriteTest, ImagesInMemoryShareATextureUnderAKeyAndGetAFreshOneWithout)
{
    const Ref<Image> green = plainImage(test::kGreen);
    const Ref<Image> cyan = plainImage(test::kCyan);
    struct Case {
        const char* label;
        std::optional<std::string> key;
        bool shared;  // the second sprite shows the first sprite's texture
    };
    const std::vector<Case> cases = {{"under a key", std::string("picture"), true},
                                     {"without a key", std::nullopt, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Ref<CCSprite> first = CCSprite::spriteWithCGImage(green.get(), c.key);
        Ref<CCSprite> second = CCSprite::spriteWithCGImage(cyan.get(), c.key);
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(first->contentSize(), (CGSize{20, 12}));
        EXPECT_EQ(first->textureRect(), (CGRect{{0, 0}, {20, 12}}));
        EXPECT_EQ(first->texture() == second->texture(), c.shared);
        if (c.key) {
            EXPECT_EQ(CCTextureCache::sharedTextureCache()->textureForKey(*c.key).get(), first->texture());
        } else {
            EXPECT_EQ(first->texture()->retainCount(), 1) << "only the sprite holds it; the cache kept nothing";
        }
        second->setPosition({32, 32});
        render(second.get());
        const RGBA shown = c.shared ? test::kGreen : test::kCyan;
        EXPECT_TRUE(nearColor(gl().readPixel(32, 32), shown)) << gl().readPixel(32, 32);
        EXPECT_TRUE(nearColor(gl().readPixel(32, 40), test::kBlack)) << "12 points high, no more";
    }
    EXPECT_EQ(CCSprite::spriteWithCGImage(nullptr, std::string("nothing")), nullptr);
    EXPECT_EQ(CCTextureCache::sharedTextureCache()->textureForKey("nothing"), nullptr);
}

} // namespace
} // namespace mw
