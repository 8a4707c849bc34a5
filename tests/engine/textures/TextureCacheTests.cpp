#include <gtest/gtest.h>

#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/RunLoop.h"
#include "tests/engine/textures/PVRContainerFiles.h"
#include "tests/engine/textures/PVRTestFiles.h"
#include "tests/engine/textures/TextureTestSupport.h"
#include "tests/support/SharedInstances.h"

namespace mw {
namespace {

using test::patternImage;

// Records what the background loader hands back.
class LoadReceiver : public Object {
public:
    void loaded(Object* texture)
    {
        ++calls;
        last = dynamic_cast<CCTexture2D*>(texture);
        nulls += last ? 0 : 1;
    }
    int calls = 0;
    int nulls = 0;
    Ref<CCTexture2D> last;
};

class TextureCacheTest : public test::GLRenderTest {
protected:
    void SetUp() override
    {
        GLRenderTest::SetUp();
        savedBundle_ = CCFileUtils::bundlePath();
        CCFileUtils::setBundlePath(folder_.path());
        ASSERT_TRUE(patternImage(5, 3, {{255, 0, 0, 255}, {0, 0, 255, 128}})->writePNG(folder_.file("a.png")));
        ASSERT_TRUE(patternImage(4, 4, {{0, 255, 0, 255}})->writePNG(folder_.file("b.png")));
        ASSERT_TRUE(patternImage(8, 8, {{90, 90, 90, 255}}, false)->writeJPEG(folder_.file("c.JPG"), 0.9f));
        const auto pvr = test::makePVRFile({4, 4, 0x1B, test::mipChainBytes(4, 4, 8)});
        folder_.write("d.pvr.ccz", test::cczContainer(pvr));
    }
    void TearDown() override
    {
        test::resetSharedInstances();
        CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
        CCFileUtils::setBundlePath(savedBundle_);
    }

    test::TempDir folder_;
    std::string savedBundle_;
};

TEST_F(TextureCacheTest, SharesTexturesByNameAsWritten)
{
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    EXPECT_EQ(CCTextureCache::sharedTextureCache(), cache);
    Ref<CCTexture2D> first = cache->addImage("a.png");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache->addImage("a.png"), first);
    EXPECT_EQ(cache->textureForKey("a.png"), first);
    // Another spelling of the same file is another entry.
    Ref<CCTexture2D> dotted = cache->addImage("./a.png");
    ASSERT_NE(dotted, nullptr);
    EXPECT_NE(dotted, first);
    EXPECT_EQ(cache->count(), 2u);
    EXPECT_EQ(first->pixelsWide(), 8u);
    EXPECT_EQ(first->resolutionType(), kCCResolutioniPhone);

    // Case is ignored when choosing the reader, kept in the key.
    folder_.write("E.PVR.CCZ", test::cczContainer(test::makePVRFile({2, 2, 0x12, 16})));
    Ref<CCTexture2D> pvr = cache->addImage("E.PVR.CCZ");
    ASSERT_NE(pvr, nullptr);
    EXPECT_EQ(pvr->pixelFormat(), kCCTexture2DPixelFormat_RGBA8888);
    EXPECT_EQ(cache->textureForKey("E.PVR.CCZ"), pvr);
    EXPECT_EQ(cache->addPVRImage("d.pvr.ccz")->pixelFormat(), kCCTexture2DPixelFormat_A8);

    // Files that cannot be read leave the cache as it was.
    folder_.write("broken.png", "not a png");
    EXPECT_EQ(cache->addImage("broken.png"), nullptr);
    EXPECT_EQ(cache->addImage("missing.png"), nullptr);
    EXPECT_EQ(cache->count(), 4u);
    EXPECT_NE(cache->description().find("| num of textures =  4 | keys: (./a.png, E.PVR.CCZ, a.png, d.pvr.ccz)>"),
              std::string::npos)
        << cache->description();
}

// Several files at once: decoded side by side, made in order, each in its
// own format; the cached, JPEG, PVR and unreadable ones as addImage treats
// them, and the default format left as it was.
TEST_F(TextureCacheTest, SeveralImagesAtOnceComeInOrderEachInItsFormat)
{
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    Ref<CCTexture2D> cached = cache->addImage("b.png");
    ASSERT_NE(cached, nullptr);
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGB565);
    const std::vector<Ref<CCTexture2D>> made = cache->addImages({
        {"a.png", kCCTexture2DPixelFormat_RGBA4444},
        {"b.png", kCCTexture2DPixelFormat_RGBA4444},
        {"missing.png", kCCTexture2DPixelFormat_RGBA8888},
        {"c.JPG", kCCTexture2DPixelFormat_RGBA4444},
        {"d.pvr.ccz", kCCTexture2DPixelFormat_RGBA4444},
        {"./a.png", kCCTexture2DPixelFormat_RGBA8888},
    });
    ASSERT_EQ(made.size(), 6u);
    EXPECT_EQ(CCTexture2D::defaultAlphaPixelFormat(), kCCTexture2DPixelFormat_RGB565);
    ASSERT_NE(made[0], nullptr);
    EXPECT_EQ(made[0]->pixelFormat(), kCCTexture2DPixelFormat_RGBA4444);
    EXPECT_EQ(made[0]->pixelsWide(), 8u);
    EXPECT_EQ(made[0]->resolutionType(), kCCResolutioniPhone);
    EXPECT_EQ(cache->textureForKey("a.png"), made[0]);
    EXPECT_EQ(made[1], cached) << "a cached texture is handed back as it is";
    EXPECT_EQ(made[2], nullptr);
    ASSERT_NE(made[3], nullptr);
    EXPECT_EQ(made[3]->pixelFormat(), kCCTexture2DPixelFormat_RGBA8888) << "the JPEG rule";
    ASSERT_NE(made[4], nullptr);
    EXPECT_EQ(made[4]->pixelFormat(), kCCTexture2DPixelFormat_A8);
    ASSERT_NE(made[5], nullptr);
    EXPECT_EQ(made[5]->pixelFormat(), kCCTexture2DPixelFormat_RGBA8888);
    EXPECT_EQ(cache->count(), 5u);
}

TEST_F(TextureCacheTest, JpegTexturesStayRGBA8888WhateverTheDefault)
{
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA4444);
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    Ref<CCTexture2D> jpeg = cache->addImage("c.JPG");
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->pixelFormat(), kCCTexture2DPixelFormat_RGBA8888);
    EXPECT_EQ(cache->addImage("b.png")->pixelFormat(), kCCTexture2DPixelFormat_RGBA4444);
}

// The JPEG rule came with system 4.0: before it a JPEG is an image like any other.
TEST_F(TextureCacheTest, JpegTexturesFollowTheDefaultOnSystemsBefore4)
{
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    test::ScopedDevice olderSystem("", maxTextureSize, "3.1.3");
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA4444);
    Ref<CCTexture2D> jpeg = CCTextureCache::sharedTextureCache()->addImage("c.JPG");
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->pixelFormat(), kCCTexture2DPixelFormat_RGBA4444);
}

TEST_F(TextureCacheTest, RemoveUnusedTexturesDropsOnlyTexturesNobodyHolds)
{
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    Ref<CCTexture2D> held = cache->addImage("a.png");
    (void)cache->addImage("b.png");
    (void)cache->addImage("c.JPG");
    ASSERT_EQ(cache->count(), 3u);
    cache->removeUnusedTextures();
    EXPECT_EQ(cache->count(), 1u);
    EXPECT_EQ(cache->textureForKey("a.png"), held);
    EXPECT_EQ(cache->textureForKey("b.png"), nullptr);
    EXPECT_EQ(held->retainCount(), 2);

    cache->removeTexture(held.get());
    EXPECT_EQ(cache->count(), 0u);
    EXPECT_EQ(held->retainCount(), 1); // the caller's copy outlives the cache entry
    cache->removeTexture(nullptr);

    (void)cache->addImage("b.png");
    cache->removeTextureForKey("b.png");
    cache->removeTextureForKey("never.png");
    EXPECT_EQ(cache->count(), 0u);
}

TEST_F(TextureCacheTest, ImagesUnderAKeyAreSharedWithoutAKeyFresh)
{
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    Ref<Image> image = patternImage(3, 3, {{1, 2, 3, 255}});
    Ref<CCTexture2D> loose1 = cache->addCGImage(image.get(), std::nullopt);
    Ref<CCTexture2D> loose2 = cache->addCGImage(image.get(), std::nullopt);
    ASSERT_NE(loose1, nullptr);
    EXPECT_NE(loose1, loose2);
    EXPECT_EQ(cache->count(), 0u);
    Ref<CCTexture2D> keyed = cache->addCGImage(image.get(), std::string("picture"));
    EXPECT_EQ(cache->addCGImage(image.get(), std::string("picture")), keyed);
    EXPECT_EQ(keyed->resolutionType(), kCCResolutionUnknown);
    EXPECT_EQ(cache->count(), 1u);
}

TEST_F(TextureCacheTest, BackgroundLoadsHandBackOnTheMainRunLoop)
{
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    Ref<LoadReceiver> receiver = makeRef<LoadReceiver>();
    Ref<CCTexture2D> cached = cache->addImage("a.png");
    cache->addImageAsync("a.png", receiver.get(), callO_selector(LoadReceiver::loaded));
    EXPECT_EQ(receiver->calls, 1); // at once, before returning
    EXPECT_EQ(receiver->last, cached);

    cache->addImageAsync("b.png", receiver.get(), callO_selector(LoadReceiver::loaded));
    cache->addImageAsync("d.pvr.ccz", receiver.get(), callO_selector(LoadReceiver::loaded));
    cache->addImageAsync("missing.png", receiver.get(), callO_selector(LoadReceiver::loaded));
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return receiver->calls == 4; }, 10.0));
    EXPECT_EQ(cache->count(), 3u);
    EXPECT_NE(cache->textureForKey("b.png"), nullptr);
    EXPECT_NE(cache->textureForKey("d.pvr.ccz"), nullptr);
    EXPECT_EQ(receiver->nulls, 1); // the missing file
}

TEST_F(TextureCacheTest, PurgeMakesAFreshCache)
{
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    Ref<CCTexture2D> texture = cache->addImage("a.png");
    CCTextureCache::purgeSharedTextureCache();
    EXPECT_EQ(texture->retainCount(), 1);
    EXPECT_EQ(CCTextureCache::sharedTextureCache()->count(), 0u);
}

// Raw PVRTC files need the GL's PVRTC support, which Mesa lacks: they give
// no texture and leave the cache as it was.
TEST_F(TextureCacheTest, PVRTCFilesGiveNoTextureWithoutSupport)
{
    folder_.write("raw.pvrtc", std::vector<unsigned char>(32 * 32 * 4 / 8, 0x55));
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    EXPECT_EQ(cache->addPVRTCImage("raw.pvrtc", 4, true, 32), nullptr);
    EXPECT_EQ(cache->addPVRTCImage("missing.pvrtc", 2, false, 8), nullptr);
    EXPECT_EQ(cache->count(), 0u);
}

TEST_F(TextureCacheTest, CachedTextureInfoCountsTheGLBytes)
{
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    EXPECT_EQ(cache->dumpCachedTextureInfo(), 0u);
    (void)cache->addImage("a.png"); // 5x3 -> 8x4 RGBA8888: 128 bytes
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA4444);
    (void)cache->addImage("b.png");     // 4x4 RGBA4444: 32 bytes
    (void)cache->addImage("d.pvr.ccz"); // 4x4 A8: 16 bytes
    EXPECT_EQ(cache->dumpCachedTextureInfo(), 128u + 32u + 16u);
}

} // namespace
} // namespace mw
