#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/actions/CCAnimate.h"
#include "engine/base/ccContentScale.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "tests/engine/sprites/SpriteTestSupport.h"

namespace mw {
namespace {

using test::format2Frame;
using test::plistDocument;

CCSpriteFrameCache* cache() { return CCSpriteFrameCache::sharedSpriteFrameCache(); }

std::string formatMetadata(int format, const std::string& texture = "sheet.png")
{
    return "<key>format</key><integer>" + std::to_string(format) +
           "</integer><key>textureFileName</key><string>" + texture + "</string>";
}

class SpriteFrameCacheTest : public test::GLRenderTest {
protected:
    void SetUp() override
    {
        GLRenderTest::SetUp();
        bundle_ = std::make_unique<test::ScratchBundle>();
        bundle_->writeImage("sheet.png", *test::sheetImage());
    }
    void TearDown() override { bundle_.reset(); }

    // Writes the property list and loads it.
    bool load(const std::string& name, const std::string& plist)
    {
        bundle_->writeText(name, plist);
        return cache()->addSpriteFramesWithFile(name);
    }

    std::unique_ptr<test::ScratchBundle> bundle_;
};

struct FormatCase {
    const char* label;
    std::string plist;
    CGRect rectInPixels;
    bool rotated;
    CGPoint offset;
    CGSize originalSize;
};

TEST_F(SpriteFrameCacheTest, EachSheetFormatHandsOutTheFramesItDescribes)
{
    const std::vector<FormatCase> cases = {
        {"format 0 with a negative untrimmed width",
         plistDocument("<key>f</key><dict><key>x</key><real>2</real><key>y</key><integer>3</integer>"
                       "<key>width</key><real>30</real><key>height</key><real>20</real>"
                       "<key>offsetX</key><real>1.5</real><key>offsetY</key><real>-2</real>"
                       "<key>originalWidth</key><integer>-64</integer>"
                       "<key>originalHeight</key><integer>32</integer></dict>",
                       formatMetadata(0)),
         {2, 3, 30, 20}, false, {1.5f, -2}, {64, 32}},
        {"format 1 ignores a rotated key",
         plistDocument("<key>f</key><dict><key>frame</key><string>{{4,5},{6,7}}</string>"
                       "<key>offset</key><string>{1,2}</string><key>rotated</key><true/>"
                       "<key>sourceSize</key><string>{8,9}</string></dict>",
                       formatMetadata(1)),
         {4, 5, 6, 7}, false, {1, 2}, {8, 9}},
        {"format 2 reads the rotated flag",
         plistDocument(format2Frame("f", "{{32,0},{40,20}}", true, "{-1,3}", "{44,24}"), formatMetadata(2)),
         {32, 0, 40, 20}, true, {-1, 3}, {44, 24}},
        {"format 3 takes only the origin of textureRect",
         plistDocument("<key>f</key><dict><key>spriteSize</key><string>{30,40}</string>"
                       "<key>spriteOffset</key><string>{2,-3}</string>"
                       "<key>spriteSourceSize</key><string>{34,46}</string>"
                       "<key>textureRect</key><string>{{10,20},{99,99}}</string>"
                       "<key>textureRotated</key><true/></dict>",
                       formatMetadata(3)),
         {10, 20, 30, 40}, true, {2, -3}, {34, 46}},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.label);
        cache()->removeSpriteFrames();
        ASSERT_TRUE(load("case.plist", c.plist));
        Ref<CCSpriteFrame> frame = cache()->spriteFrameByName("f");
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->rectInPixels(), c.rectInPixels);
        EXPECT_EQ(frame->rotated(), c.rotated);
        EXPECT_EQ(frame->offsetInPixels(), c.offset);
        EXPECT_EQ(frame->originalSizeInPixels(), c.originalSize);
        ASSERT_NE(frame->texture(), nullptr);
        EXPECT_EQ(frame->texture(), CCTextureCache::sharedTextureCache()->textureForKey("sheet.png").get());
    }
}

TEST_F(SpriteFrameCacheTest, AnAliasFindsItsFrameAndRemovingByAliasRemovesBoth)
{
    ASSERT_TRUE(load("aliases.plist",
                     plistDocument("<key>tile</key><dict><key>spriteSize</key><string>{16,16}</string>"
                                   "<key>spriteOffset</key><string>{0,0}</string>"
                                   "<key>spriteSourceSize</key><string>{16,16}</string>"
                                   "<key>textureRect</key><string>{{16,0},{16,16}}</string>"
                                   "<key>textureRotated</key><false/>"
                                   "<key>aliases</key><array><string>tile_alias</string></array></dict>",
                                   formatMetadata(3))));
    Ref<CCSpriteFrame> byName = cache()->spriteFrameByName("tile");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(cache()->spriteFrameByName("tile_alias"), byName);

    cache()->removeSpriteFrameByName("tile_alias");
    EXPECT_EQ(cache()->spriteFrameByName("tile"), nullptr);
    EXPECT_EQ(cache()->spriteFrameByName("tile_alias"), nullptr);
}

TEST_F(SpriteFrameCacheTest, ASheetWithoutMetadataTakesTheSiblingPNGOfItsOwnName)
{
    bundle_->writeImage("sub/icons.png", *test::sheetImage());
    ASSERT_TRUE(load("sub/icons.plist",
                     plistDocument("<key>dot</key><dict><key>x</key><real>0</real><key>y</key><real>0</real>"
                                   "<key>width</key><real>16</real><key>height</key><real>16</real>"
                                   "<key>offsetX</key><real>0</real><key>offsetY</key><real>0</real>"
                                   "<key>originalWidth</key><integer>16</integer>"
                                   "<key>originalHeight</key><integer>16</integer></dict>",
                                   "")));
    Ref<CCSpriteFrame> frame = cache()->spriteFrameByName("dot");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->texture(), CCTextureCache::sharedTextureCache()->textureForKey("sub/icons.png").get());
}

TEST_F(SpriteFrameCacheTest, RegionsInPointsFollowTheContentScale)
{
    ccSetContentScaleFactor(2);
    ASSERT_TRUE(load("scaled.plist",
                     plistDocument(format2Frame("f", "{{0,0},{64,32}}", false, "{0,0}", "{64,32}"),
                                   formatMetadata(2))));
    Ref<CCSpriteFrame> frame = cache()->spriteFrameByName("f");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->rect(), (CGRect{0, 0, 32, 16}));
    EXPECT_EQ(frame->rectInPixels(), (CGRect{0, 0, 64, 32}));
}

TEST_F(SpriteFrameCacheTest, UnreadableSheetsAddNothingAndSayWhy)
{
    struct BadSheet {
        const char* label;
        std::string plist;
        const char* logged;
    };
    const std::vector<BadSheet> cases = {
        {"truncated XML", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>frames</key>",
         "cannot read"},
        {"array at the top", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>",
         "not a dictionary"},
        {"frames not a dictionary",
         "<?xml version=\"1.0\"?><plist "
         "version=\"1.0\"><dict><key>frames</key><string>x</string></dict></plist>",
         "frames"},
        {"unknown format",
         plistDocument(format2Frame("f", "{{0,0},{1,1}}", false, "{0,0}", "{1,1}"), formatMetadata(7)),
         "format 7"},
        {"missing texture",
         plistDocument(format2Frame("f", "{{0,0},{1,1}}", false, "{0,0}", "{1,1}"),
                       formatMetadata(2, "absent.png")),
         "no texture"},
    };
    for (const BadSheet& c : cases) {
        SCOPED_TRACE(c.label);
        ScopedLogCapture log;
        EXPECT_FALSE(load("bad.plist", c.plist));
        EXPECT_EQ(cache()->spriteFrameByName("f"), nullptr);
        EXPECT_TRUE(log.contains(c.logged)) << (log.lines().empty() ? "" : log.lines().front());
    }
    ScopedLogCapture log;
    EXPECT_FALSE(cache()->addSpriteFramesWithFile("nowhere.plist"));
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST_F(SpriteFrameCacheTest, RemovalByFileByTextureAndWhenUnused)
{
    bundle_->loadTestSheet();
    Ref<CCSpriteFrame> red = cache()->spriteFrameByName("red");
    ASSERT_NE(red, nullptr);

    // Frames held elsewhere (here, by an animation) survive the purge of unused ones.
    Ref<CCAnimation> animation = CCAnimation::animationWithFrames(std::vector<Ref<CCSpriteFrame>>{red}, 0.1f);
    red = nullptr;
    cache()->removeUnusedSpriteFrames();
    EXPECT_NE(cache()->spriteFrameByName("red"), nullptr);
    EXPECT_EQ(cache()->spriteFrameByName("white"), nullptr);

    bundle_->loadTestSheet();
    cache()->addSpriteFrame(
        CCSpriteFrame::frameWithTexture(
            CCTextureCache::sharedTextureCache()->textureForKey("sheet.png").get(), CGRect{0, 0, 1, 1})
            .get(),
        "extra");
    EXPECT_TRUE(cache()->removeSpriteFramesFromFile("sheet.plist"));
    EXPECT_EQ(cache()->spriteFrameByName("split"), nullptr);
    EXPECT_NE(cache()->spriteFrameByName("extra"), nullptr);

    cache()->removeSpriteFramesFromTexture(
        CCTextureCache::sharedTextureCache()->textureForKey("sheet.png").get());
    EXPECT_EQ(cache()->spriteFrameByName("extra"), nullptr);
}

TEST_F(SpriteFrameCacheTest, PurgeGivesAnEmptyCacheAndDescriptionCountsFrames)
{
    bundle_->loadTestSheet();
    EXPECT_NE(cache()->description().find("| num of sprite frames =  6>"), std::string::npos)
        << cache()->description();
    CCSpriteFrameCache::purgeSharedSpriteFrameCache();
    EXPECT_EQ(cache()->spriteFrameByName("red"), nullptr);
}

} // namespace
} // namespace mw
