#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/base/UIAccelerometer.h"
#include "engine/director/CCDirector.h"
#include "engine/gl/CCConfiguration.h"
#include "engine/labels/CCBMFontConfigurationCache.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/nodes/CCNode.h"
#include "engine/scheduler/CCScheduler.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCAnimationCache.h"
#include "engine/sprites/CCSpriteFrame.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTextureCache.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Shared.h"
#include "platform/Image.h"
#include "tests/engine/touch/TouchTestDelegates.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SharedInstances.h"

namespace mw::test {
namespace {

class SharedInstancesTest : public GLRenderTest {
protected:
    void TearDown() override { resetSharedInstances(); }

    Ref<CCNode> node = CCNode::node();
    CallLog log;
    Ref<LoggingStandard> delegate = makeRef<LoggingStandard>("d", log);
    UIAccelerometerDelegate tilt;
};

// Each shared instance is left with some state, then one reset must leave
// none of it behind: an instance the reset misses carries one test's state
// into the next.
TEST_F(SharedInstancesTest, AResetLeavesNoStateOfAnySharedInstanceBehind)
{
    struct Case {
        const char* sharedClass;
        std::function<void()> leaveState;
        std::function<bool()> stateGone;
    };
    const std::vector<Case> cases = {
        {"CCDirector", [] { (void)CCDirector::sharedDirector(); },
         [] { return CCDirector::currentDirector() == nullptr; }},
        {"CCTouchDispatcher",
         [&] {
             CCTouchDispatcher::sharedDispatcher()->addStandardDelegate(delegate.get(), 0);
             CCTouchDispatcher::sharedDispatcher()->setSortingAlgorithm(CCTouchDispatcher::kSortQuick);
         },
         [] {
             const CCTouchDispatcher* dispatcher = CCTouchDispatcher::sharedDispatcher();
             return dispatcher->handlerCount(1) == 0 &&
                    dispatcher->sortingAlgorithm() == CCTouchDispatcher::kSortInsertion;
         }},
        {"UIAccelerometer", [&] { UIAccelerometer::sharedAccelerometer()->setDelegate(&tilt); },
         [] { return UIAccelerometer::sharedAccelerometer()->delegate() == nullptr; }},
        {"CCBMFontConfigurationCache",
         [] { (void)CCBMFontConfigurationCache::sharedCache()->configurationForFile("trace.fnt"); },
         [] { return CCBMFontConfigurationCache::sharedCache()->count() == 0; }},
        {"CCTextureCache",
         [] {
             std::vector<uint8_t> white(4 * 4 * 4, 255);
             Ref<Image> image = Image::fromRGBA(std::move(white), 4, 4, ImageAlphaInfo::Last);
             Ref<CCTexture2D> texture =
                 CCTextureCache::sharedTextureCache()->addCGImage(image.get(), "trace");
             auto frame = CCSpriteFrame::frameWithTexture(texture, CGRect(0, 0, 4, 4));
             CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFrame(frame, "trace");
         },
         [] { return CCTextureCache::sharedTextureCache()->count() == 0; }},
        {"CCSpriteFrameCache", [] {},  // left by the texture cache's row
         [] { return !CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("trace"); }},
        {"CCAnimationCache",
         [] {
             auto animation = CCAnimation::animation();
             CCAnimationCache::sharedAnimationCache()->addAnimation(animation, "trace");
         },
         [] { return CCAnimationCache::sharedAnimationCache()->animationByName("trace") == nullptr; }},
        {"CCActionManager",
         [&] {
             auto wait = CCDelayTime::actionWithDuration(5);
             CCActionManager::sharedManager()->addAction(wait, node, false);
         },
         [&] { return CCActionManager::sharedManager()->numberOfRunningActionsInTarget(node) == 0; }},
        {"CCScheduler", [] { CCScheduler::sharedScheduler()->setTimeScale(2); },
         [] { return CCScheduler::sharedScheduler()->timeScale() == 1; }},
        {"CCConfiguration", [] { CCConfiguration::replaceShared(CCConfiguration::posingAs("", 16)); },
         [] { return CCConfiguration::sharedConfiguration()->maxTextureSize() != 16; }},
    };
    for (const Case& c : cases) c.leaveState();

    resetSharedInstances();

    // The teardown makes nothing afresh on its way: what it dropped stays dropped.
    EXPECT_EQ(Shared<CCDirector>::current(), nullptr);
    EXPECT_EQ(Shared<CCTouchDispatcher>::current(), nullptr);
    EXPECT_EQ(Shared<CCActionManager>::current(), nullptr);
    EXPECT_EQ(Shared<CCTextureCache>::current(), nullptr);
    EXPECT_EQ(Shared<CCBMFontConfigurationCache>::current(), nullptr);
    for (const Case& c : cases) EXPECT_TRUE(c.stateGone()) << c.sharedClass;
}

} // namespace
} // namespace mw::test
