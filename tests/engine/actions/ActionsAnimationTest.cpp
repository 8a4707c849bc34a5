#include <any>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/actions/CCAnimate.h"
#include "engine/nodes/CCNode.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCAnimationCache.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/sprites/CCSpriteProtocol.h"
#include "engine/support/CCFileUtils.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/PropertyList.h"
#include "platform/ImageCodecs.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// Frames are told apart by their x: frame i covers (10 i, 0, 10, 10).
Ref<CCSpriteFrame> frameNumber(int i) { return CCSpriteFrame::frameWithTexture(nullptr, CGRect(10.0f * i, 0, 10, 10)); }

int numberOf(const CCSpriteFrame* frame) { return frame ? static_cast<int>(frame->rect().origin.x / 10) : -1; }

std::vector<Ref<CCSpriteFrame>> spriteFrames(int count)
{
    std::vector<Ref<CCSpriteFrame>> frames;
    for (int i = 0; i < count; ++i) frames.push_back(frameNumber(i));
    return frames;
}

std::vector<Ref<CCAnimationFrame>> framesWithUnits(const std::vector<float>& units)
{
    std::vector<Ref<CCAnimationFrame>> frames;
    for (size_t i = 0; i < units.size(); ++i) {
        frames.push_back(makeRef<CCAnimationFrame>(frameNumber(static_cast<int>(i)).get(), units[i]));
    }
    return frames;
}

// A sprite as the frame animation sees it: it shows one frame at a time.
class FrameSprite : public CCNode, public CCSpriteProtocol {
public:
    FrameSprite() : shown_(frameNumber(99)) {}

    Ref<CCSpriteFrame> displayedFrame() const override { return shown_->copy(); }
    void setDisplayFrame(CCSpriteFrame* frame) override
    {
        shown_ = frame;
        history.push_back(numberOf(frame));
    }
    void setFlipX(bool) override {}
    void setFlipY(bool) override {}

    int shown() const { return numberOf(shown_.get()); }
    std::vector<int> history;

private:
    Ref<CCSpriteFrame> shown_;
};

struct SplitCase {
    std::string name;
    std::function<Ref<CCAnimate>()> make;
    std::vector<float> splits;
    float duration;
};

TEST(ActionsAnimationTest, SplitTimesAreTheShareOfDelayUnitsBeforeEachFrame)
{
    const std::vector<SplitCase> cases = {
        {"four frames of a quarter second",
         [] { return CCAnimate::actionWithAnimation(CCAnimation::animationWithFrames(spriteFrames(4), 0.25f).get()); },
         {0, 0.25f, 0.5f, 0.75f}, 1},
        {"delay units 1, 2, 1",
         [] { return CCAnimate::actionWithAnimation(CCAnimation::animationWithFrames(framesWithUnits({1, 2, 1}), 0.1f).get()); },
         {0, 0.25f, 0.75f}, 0.4f},
        {"reverse of delay units 1, 1, 2",
         [] {
             auto forward = CCAnimate::actionWithAnimation(CCAnimation::animationWithFrames(framesWithUnits({1, 1, 2}), 0.5f).get());
             return dynamicRef<CCAnimate>(forward->reverse());
         },
         {0, 0.5f, 0.75f}, 2},
        {"a longer duration keeps the shares",
         [] { return CCAnimate::actionWithDuration(3, CCAnimation::animationWithFrames(framesWithUnits({1, 3}), 0.1f).get(), false); },
         {0, 0.25f}, 3},
        {"delays summing to zero make every frame due at once",
         [] { return CCAnimate::actionWithAnimation(CCAnimation::animationWithFrames(framesWithUnits({0, 0, 0}), 0.1f).get()); },
         {0, 0, 0}, FLT_EPSILON},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto animate = c.make();
        ASSERT_TRUE(animate);
        EXPECT_FLOAT_EQ(animate->duration(), c.duration);
        ASSERT_EQ(animate->splitTimes().size(), c.splits.size());
        for (size_t i = 0; i < c.splits.size(); ++i) EXPECT_FLOAT_EQ(animate->splitTimes()[i], c.splits[i]) << i;
    }
}

TEST(ActionsAnimationTest, AnimationTotalsFollowTheWayFramesWereAdded)
{
    auto byFrames = CCAnimation::animationWithFrames(spriteFrames(4), 0.25f);
    EXPECT_FLOAT_EQ(byFrames->duration(), 1);
    EXPECT_FLOAT_EQ(byFrames->totalDelayUnits(), 4);
    EXPECT_FALSE(byFrames->restoreOriginalFrame());

    // The first delay becomes the delay per unit.
    auto added = CCAnimation::animation();
    added->addFrame(frameNumber(0).get(), 0.1f);
    added->addFrame(frameNumber(1).get(), 0.2f);
    added->addFrame(frameNumber(2).get());
    EXPECT_FLOAT_EQ(added->delayPerUnit(), 0.1f);
    EXPECT_FLOAT_EQ(added->frames()[0]->delayUnits(), 1);
    EXPECT_FLOAT_EQ(added->frames()[1]->delayUnits(), 2);
    EXPECT_FLOAT_EQ(added->totalDelayUnits(), 4);
    EXPECT_FLOAT_EQ(added->duration(), 0.4f);

    // A zero first delay must not turn later frames into NaN units.
    auto zero = CCAnimation::animation();
    zero->addFrame(frameNumber(0).get(), 0);
    zero->addFrame(frameNumber(1).get(), 0.2f);
    EXPECT_EQ(zero->totalDelayUnits(), 0);
    EXPECT_FLOAT_EQ(zero->duration(), 0.2f);
}

TEST(ActionsAnimationTest, ShowsAtMostOneFramePerUpdateWithoutWrapping)
{
    auto sprite = makeRef<FrameSprite>();
    auto animate = CCAnimate::actionWithDuration(0.1f, CCAnimation::animationWithFrames(spriteFrames(10), 0.01f).get(), false);
    animate->startWithTarget(sprite);
    int steps = 0;
    while (!animate->isDone() && steps < 10) {
        animate->step(1 / 30.0f);
        ++steps;
    }
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(sprite->history, (std::vector<int>{0, 1, 2, 3}));
    animate->stop();
    EXPECT_EQ(sprite->shown(), 3);  // without the restore flag the last frame stays
}

TEST(ActionsAnimationTest, AnAnimationWithoutDelaysRunsThroughAndEnds)
{
    auto sprite = makeRef<FrameSprite>();
    auto animate = CCAnimate::actionWithAnimation(CCAnimation::animationWithFrames(framesWithUnits({0, 0}), 0.5f).get());
    animate->startWithTarget(sprite);
    animate->step(1 / 30.0f);
    animate->step(1 / 30.0f);
    EXPECT_TRUE(animate->isDone());
    EXPECT_EQ(sprite->history, (std::vector<int>{0, 1}));
}

TEST(ActionsAnimationTest, TheRestoreFlagPutsTheEarlierFrameBack)
{
    for (bool restore : {false, true}) {
        SCOPED_TRACE(restore ? "restore" : "keep");
        auto sprite = makeRef<FrameSprite>();
        auto animation = CCAnimation::animationWithFrames(spriteFrames(2), 0.5f);
        animation->setRestoreOriginalFrame(restore);
        auto animate = CCAnimate::actionWithAnimation(animation.get());
        animate->startWithTarget(sprite);
        animate->update(0);
        animate->update(1);
        EXPECT_EQ(sprite->shown(), 1);
        animate->stop();
        EXPECT_EQ(sprite->shown(), restore ? 99 : 1);
    }
}

TEST(ActionsAnimationTest, FramesWithUserInformationAnnounceThemselves)
{
    auto frames = framesWithUnits({1, 1, 1});
    frames[1]->setUserInfo(Value::dictionary({{"sound", "step"}}));
    auto animate = CCAnimate::actionWithAnimation(CCAnimation::animationWithFrames(frames, 0.1f).get());
    auto sprite = makeRef<FrameSprite>();

    std::vector<std::string> heard;
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    auto id = centre.addObserver(nullptr, CCAnimate::kFrameDisplayedNotification, nullptr,
                                 [&](const Notification& n) {
                                     EXPECT_EQ(n.object(), static_cast<Object*>(sprite.get()));
                                     heard.push_back(std::any_cast<Value>(n.userInfo())["sound"].asString());
                                 });
    for (int run = 0; run < 2; ++run) {
        animate->startWithTarget(sprite);
        for (float t : {0.0f, 0.4f, 0.5f, 0.7f, 1.0f}) animate->update(t);
        animate->stop();
    }
    centre.removeObserver(id);
    EXPECT_EQ(heard, (std::vector<std::string>{"step", "step"}));
    EXPECT_EQ(sprite->history, (std::vector<int>{0, 1, 2, 0, 1, 2}));
}

TEST(ActionsAnimationTest, CopiesShareTheAnimationAndReversesCopyTheFrames)
{
    auto animation = CCAnimation::animationWithFrames(framesWithUnits({1, 1, 2}), 0.5f);
    auto animate = CCAnimate::actionWithAnimation(animation.get(), true);
    auto copied = copyAs<CCAnimate>(*animate);
    EXPECT_EQ(copied->animation(), animation.get());
    EXPECT_FLOAT_EQ(copied->duration(), 2);

    auto reversed = dynamicRef<CCAnimate>(animate->reverse());
    ASSERT_TRUE(reversed);
    ASSERT_EQ(reversed->animation()->frames().size(), 3u);
    EXPECT_NE(reversed->animation()->frames()[0].get(), animation->frames()[2].get());
    EXPECT_NE(reversed->animation()->frames()[0]->spriteFrame(), animation->frames()[2]->spriteFrame());
    auto sprite = makeRef<FrameSprite>();
    reversed->startWithTarget(sprite);
    for (float t : {0.0f, 0.5f, 0.75f}) reversed->update(t);
    EXPECT_EQ(sprite->history, (std::vector<int>{2, 1, 0}));
    reversed->stop();
    EXPECT_EQ(sprite->shown(), 99);  // the restore flag came along
}

// Animation property lists, read through the shared caches.
class AnimationCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frameCache()->addSpriteFrame(frameNumber(1).get(), "a.png");
        frameCache()->addSpriteFrame(frameNumber(2).get(), "b.png");
    }
    void TearDown() override { test::resetSharedInstances(); }
    static CCSpriteFrameCache* frameCache() { return CCSpriteFrameCache::sharedSpriteFrameCache(); }
    static CCAnimationCache* cache() { return CCAnimationCache::sharedAnimationCache(); }

    static std::vector<int> framesOf(const CCAnimation* animation)
    {
        std::vector<int> numbers;
        for (const auto& frame : animation->frames()) numbers.push_back(numberOf(frame->spriteFrame()));
        return numbers;
    }
};

TEST_F(AnimationCacheTest, FormatOneTakesFrameNamesAndOneDelay)
{
    cache()->addAnimationsWithDictionary(Value::dictionary({
        {"animations", Value::dictionary({
                           {"walk", Value::dictionary({{"frames", Value::array({"a.png", "missing.png", "b.png"})},
                                                       {"delay", 0.2}})},
                           {"ghost", Value::dictionary({{"frames", Value::array({"missing.png"})}, {"delay", 0.2}})},
                           {"bare", Value::dictionary({{"delay", 0.2}})},
                       })},
    }));
    CCAnimation* walk = cache()->animationByName("walk");
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(framesOf(walk), (std::vector<int>{1, 2}));
    EXPECT_FLOAT_EQ(walk->delayPerUnit(), 0.2f);
    EXPECT_FLOAT_EQ(walk->duration(), 0.4f);
    EXPECT_EQ(cache()->animationByName("ghost"), nullptr);  // no frame found: not stored
    EXPECT_EQ(cache()->animationByName("bare"), nullptr);
}

TEST_F(AnimationCacheTest, FormatTwoTakesDelayUnitsNotificationsAndTheRestoreFlag)
{
    const Value properties = Value::dictionary({{"format", 2}});
    cache()->addAnimationsWithDictionary(Value::dictionary({
        {"properties", properties},
        {"animations",
         Value::dictionary({
             {"jump", Value::dictionary({
                          {"frames", Value::array({
                                         Value::dictionary({{"spriteframe", "a.png"},
                                                            {"delayUnits", 1},
                                                            {"notification", Value::dictionary({{"hit", true}})}}),
                                         Value::dictionary({{"spriteframe", "missing.png"}, {"delayUnits", 5}}),
                                         Value::dictionary({{"spriteframe", "b.png"}, {"delayUnits", 2.0}}),
                                     })},
                          {"delayPerUnit", 0.1},
                          {"restoreOriginalFrame", true},
                      })},
             {"gone", Value::dictionary({{"frames", Value::array({Value::dictionary({{"spriteframe", "x"}})})}})},
         })},
    }));
    CCAnimation* jump = cache()->animationByName("jump");
    ASSERT_NE(jump, nullptr);
    EXPECT_EQ(framesOf(jump), (std::vector<int>{1, 2}));
    EXPECT_FLOAT_EQ(jump->totalDelayUnits(), 3);
    EXPECT_FLOAT_EQ(jump->duration(), 0.3f);
    EXPECT_TRUE(jump->restoreOriginalFrame());
    EXPECT_TRUE(jump->frames()[0]->userInfo()["hit"].asBool());
    EXPECT_TRUE(jump->frames()[1]->userInfo().isNull());
    // An animation whose frames are all missing is still stored, empty.
    ASSERT_NE(cache()->animationByName("gone"), nullptr);
    EXPECT_TRUE(cache()->animationByName("gone")->frames().empty());
}

TEST_F(AnimationCacheTest, NoFormatOrAnUnknownOneLoadsNoAnimation)
{
    const Value animations =
        Value::dictionary({{"walk", Value::dictionary({{"frames", Value::array({"a.png"})}, {"delay", 0.1}})}});
    for (const Value& properties : {Value::dictionary({{"spritesheets", Value::array()}}),
                                    Value::dictionary({{"format", 3}})}) {
        cache()->addAnimationsWithDictionary(Value::dictionary({{"properties", properties}, {"animations", animations}}));
        EXPECT_EQ(cache()->animationByName("walk"), nullptr);
    }
    cache()->addAnimationsWithDictionary(Value::dictionary({{"animations", animations}}));
    EXPECT_NE(cache()->animationByName("walk"), nullptr);
    cache()->removeAnimationByName("walk");
    EXPECT_EQ(cache()->animationByName("walk"), nullptr);
}

// Sprites look animations up in the shared cache, so a cache of its own
// that loads a list fills the shared one, by either format's rule.
TEST_F(AnimationCacheTest, ACacheOfItsOwnLoadsIntoTheSharedCache)
{
    const Value formatOne = Value::dictionary({{"frames", Value::array({"a.png"})}, {"delay", 0.1}});
    const Value frameA = Value::dictionary({{"spriteframe", "a.png"}, {"delayUnits", 1}});
    const Value formatTwo = Value::dictionary({{"frames", Value::array({frameA})}, {"delayPerUnit", 0.1}});
    struct Case {
        const char* name;
        Value list;
    };
    const Case cases[] = {
        {"format 1", Value::dictionary({{"animations", Value::dictionary({{"walk", formatOne}})}})},
        {"format 2", Value::dictionary({{"properties", Value::dictionary({{"format", 2}})},
                                        {"animations", Value::dictionary({{"walk", formatTwo}})}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto own = makeRef<CCAnimationCache>();
        own->addAnimationsWithDictionary(c.list);
        EXPECT_EQ(own->animationByName("walk"), nullptr) << "the cache asked keeps nothing";
        ASSERT_NE(cache()->animationByName("walk"), nullptr);
        EXPECT_EQ(framesOf(cache()->animationByName("walk")), (std::vector<int>{1}));
        cache()->removeAnimationByName("walk");
    }
}

TEST_F(AnimationCacheTest, PurgingGivesAFreshEmptyCache)
{
    auto animation = CCAnimation::animation();
    cache()->addAnimation(animation.get(), "idle");
    EXPECT_EQ(cache()->animationByName("idle"), animation.get());
    CCAnimationCache::purgeSharedAnimationCache();
    EXPECT_EQ(cache()->animationByName("idle"), nullptr);
    EXPECT_NE(cache()->description().find("num of animations =  0"), std::string::npos);
}

// Files: an animation list naming a sprite sheet, read from a bundle folder.
class AnimationFileTest : public test::GLRenderTest {
protected:
    void SetUp() override
    {
        GLRenderTest::SetUp();
        savedBundle_ = CCFileUtils::bundlePath();
        CCFileUtils::setBundlePath(folder_.path());
        writeSheet();
    }
    void TearDown() override
    {
        test::resetSharedInstances();
        CCFileUtils::setBundlePath(savedBundle_);
    }

    void writeFile(const std::string& name, const std::string& bytes) { folder_.write(name, bytes); }

    // A 32 x 16 image holding two frames of format 2, one turned.
    void writeSheet()
    {
        std::vector<uint8_t> pixels(32 * 16 * 4, 255), png;
        std::string error;
        ASSERT_TRUE(codecs::encodePNG(pixels.data(), 32, 16, 4, png, error)) << error;
        writeFile("sheets/walker.png", std::string(png.begin(), png.end()));
        const Value sheet = Value::dictionary({
            {"frames", Value::dictionary({
                           {"w1.png", Value::dictionary({{"frame", "{{0,0},{16,16}}"},
                                                         {"offset", "{0,0}"},
                                                         {"sourceSize", "{16,16}"}})},
                           {"w2.png", Value::dictionary({{"frame", "{{16,0},{16,16}}"},
                                                         {"rotated", true},
                                                         {"offset", "{1,-1}"},
                                                         {"sourceSize", "{18,18}"}})},
                       })},
            {"metadata", Value::dictionary({{"format", 2}})},
        });
        writeFile("sheets/walker.plist", writePropertyList(sheet));
    }

    test::TempDir folder_;
    std::string savedBundle_;
};

TEST_F(AnimationFileTest, LoadsTheListedSheetsThenTheAnimations)
{
    const Value list = Value::dictionary({
        {"properties", Value::dictionary({{"format", 1}, {"spritesheets", Value::array({"sheets/walker.plist"})}})},
        {"animations", Value::dictionary({{"walk", Value::dictionary({{"frames", Value::array({"w1.png", "w2.png"})},
                                                                      {"delay", 0.125}})}})},
    });
    writeFile("walker-anim.plist", writePropertyList(list));
    ASSERT_TRUE(CCAnimationCache::sharedAnimationCache()->addAnimationsWithFile("walker-anim.plist"));

    CCAnimation* walk = CCAnimationCache::sharedAnimationCache()->animationByName("walk");
    ASSERT_NE(walk, nullptr);
    ASSERT_EQ(walk->frames().size(), 2u);
    CCSpriteFrame* second = walk->frames()[1]->spriteFrame();
    EXPECT_EQ(second->rectInPixels(), CGRect(16, 0, 16, 16));
    EXPECT_TRUE(second->rotated());
    EXPECT_EQ(second->offsetInPixels(), CGPoint(1, -1));
    EXPECT_EQ(second->originalSizeInPixels(), CGSize(18, 18));
    ASSERT_NE(second->texture(), nullptr);
    EXPECT_EQ(second->texture(), walk->frames()[0]->spriteFrame()->texture());
    EXPECT_FLOAT_EQ(walk->duration(), 0.25f);
}

TEST_F(AnimationFileTest, WithoutAFormatTheSheetsLoadButNoAnimation)
{
    const Value list = Value::dictionary({
        {"properties", Value::dictionary({{"spritesheets", Value::array({"sheets/walker.plist"})}})},
        {"animations", Value::dictionary({{"walk", Value::dictionary({{"frames", Value::array({"w1.png"})},
                                                                      {"delay", 0.125}})}})},
    });
    writeFile("no-format.plist", writePropertyList(list));
    ASSERT_TRUE(CCAnimationCache::sharedAnimationCache()->addAnimationsWithFile("no-format.plist"));
    EXPECT_NE(CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("w1.png"), nullptr);
    EXPECT_EQ(CCAnimationCache::sharedAnimationCache()->animationByName("walk"), nullptr);
}

TEST_F(AnimationFileTest, FramesFromImageFilesCoverTheWholeImage)
{
    auto animation = CCAnimation::animation();
    animation->setDelayPerUnit(0.5f);
    EXPECT_TRUE(animation->addFrameWithFilename("sheets/walker.png"));
    {
        ScopedLogCapture log;
        EXPECT_FALSE(animation->addFrameWithFilename("sheets/none.png"));
        EXPECT_TRUE(log.contains("sheets/none.png"));
    }
    ASSERT_EQ(animation->frames().size(), 1u);
    CCSpriteFrame* frame = animation->frames()[0]->spriteFrame();
    EXPECT_EQ(frame->rect(), CGRect(0, 0, 32, 16));
    animation->addFrameWithTexture(frame->texture(), CGRect(16, 0, 16, 16));
    EXPECT_EQ(animation->frames()[1]->spriteFrame()->rect(), CGRect(16, 0, 16, 16));
    EXPECT_EQ(animation->frames()[1]->spriteFrame()->texture(), frame->texture());
    EXPECT_FLOAT_EQ(animation->duration(), 1);
    EXPECT_FLOAT_EQ(animation->totalDelayUnits(), 2);
}

TEST_F(AnimationFileTest, UnreadableFilesLoadNothingAndSaySo)
{
    writeFile("broken.plist", "<plist><dict><key>animations</key>");
    for (const char* name : {"broken.plist", "absent.plist"}) {
        ScopedLogCapture log;
        EXPECT_FALSE(CCAnimationCache::sharedAnimationCache()->addAnimationsWithFile(name));
        EXPECT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.contains(name));
    }
}

} // namespace
} // namespace mw
