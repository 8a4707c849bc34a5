#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/actions/CCActionInstant.h"
#include "engine/director/CADisplayLink.h"
#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/director/CCDirectorLifeCycle.h"
#include "engine/labels/CCBMFontConfigurationCache.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/nodes/CCLayer.h"
#include "engine/scheduler/CCScheduler.h"
#include "engine/sprites/CCAnimationCache.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTextureCache.h"
#include "platform/Image.h"
#include "platform/LifeCycle.h"
#include "tests/engine/director/DirectorTestSupport.h"
#include "tests/engine/touch/TouchTestDelegates.h"

namespace mw::test {
namespace {

class CCDirectorShutdownTest : public DirectorTest {
protected:
    void TearDown() override
    {
        CCDirector::setPurgeObserver(nullptr);
        DirectorTest::TearDown();
    }
    Ref<RecordingScene> runScene()
    {
        Ref<RecordingScene> scene = makeRef<RecordingScene>("A", journal);
        director().runWithScene(scene.get());
        driver().runFrames(1);
        journal.clear();
        return scene;
    }
    static Ref<CCTexture2D> textureNamed(const std::string& key)
    {
        Ref<Image> image = Image::fromRGBA(std::vector<uint8_t>(4 * 4 * 4, 255), 4, 4, ImageAlphaInfo::Last);
        return CCTextureCache::sharedTextureCache()->addCGImage(image.get(), key);
    }

    Journal journal;
};

TEST_F(CCDirectorShutdownTest, EndExitsTheSceneStopsTheFramesAndPurgesInOrder)
{
    Ref<RecordingScene> scene = runScene();
    Ref<CCLayer> layer = CCLayer::node();
    layer->setIsTouchEnabled(true);
    scene->addChild(layer.get());
    Ref<CCLayer> offStage = CCLayer::node(); // registered by hand: only end removes it
    CCTouchDispatcher::sharedDispatcher()->addStandardDelegate(offStage.get(), 5);
    ASSERT_EQ(CCTouchDispatcher::sharedDispatcher()->handlerCount(1), 2);

    // Held so that a fresh object cannot reuse an old one's address.
    Ref<CCTouchDispatcher> dispatcherBefore(CCTouchDispatcher::sharedDispatcher());
    Ref<CCScheduler> schedulerBefore(CCScheduler::sharedScheduler());
    Ref<CCActionManager> managerBefore(CCActionManager::sharedManager());
    Ref<CCTextureCache> cacheBefore(CCTextureCache::sharedTextureCache());
    Ref<CCSpriteFrameCache> framesBefore(CCSpriteFrameCache::sharedSpriteFrameCache());
    Ref<CCAnimationCache> animationsBefore(CCAnimationCache::sharedAnimationCache());
    std::vector<std::string> purged;
    CCDirector::setPurgeObserver([&](const char* name) {
        // Each purge finds the scene gone and the frames stopped.
        EXPECT_EQ(director().runningScene(), nullptr);
        EXPECT_FALSE(isAnimating(director()));
        purged.push_back(name);
    });

    director().end();

    EXPECT_EQ(journal, (Journal{"A:exit", "A:cleanup"}));
    EXPECT_EQ(purged, (std::vector<std::string>{"CCTouchDispatcher", "UIAccelerometer",
                                                "CCBMFontConfigurationCache", "CCAnimationCache",
                                                "CCSpriteFrameCache", "CCActionManager", "CCScheduler",
                                                "CCTextureCache"}));
    EXPECT_EQ(director().scenesStack()->count(), 0u);
    EXPECT_EQ(director().nextScene(), nullptr);
    EXPECT_EQ(director().openGLView(), nullptr);
    EXPECT_FALSE(isAnimating(director()));
    // Touch delegates are gone before anything else.
    EXPECT_EQ(dispatcherBefore->handlerCount(0), 0);
    EXPECT_EQ(dispatcherBefore->handlerCount(1), 0);
    EXPECT_EQ(CCTouchDispatcher::sharedDispatcher()->handlerCount(1), 0);
    // The shared objects are fresh ones.
    EXPECT_NE(CCTouchDispatcher::sharedDispatcher(), dispatcherBefore);
    EXPECT_NE(CCScheduler::sharedScheduler(), schedulerBefore);
    EXPECT_NE(CCActionManager::sharedManager(), managerBefore);
    EXPECT_NE(CCTextureCache::sharedTextureCache(), cacheBefore);
    EXPECT_NE(CCSpriteFrameCache::sharedSpriteFrameCache(), framesBefore);
    EXPECT_NE(CCAnimationCache::sharedAnimationCache(), animationsBefore);
    // The director itself stays.
    EXPECT_EQ(CCDirector::currentDirector(), &director());
}

// A node that ends the director from inside the frame: from its per-frame
// update (the scheduler is mid-tick), from a running action (the action
// manager is mid-step), or from its draw.
class EndingNode : public CCNode {
public:
    enum class When { Update, Action, Draw };
    explicit EndingNode(When when) : when_(when) {}

    void onEnter() override
    {
        CCNode::onEnter();
        if (when_ == When::Update) scheduleUpdate();
        if (when_ == When::Action) {
            auto call = CCCallFunc::actionWithTarget(this, call_selector(EndingNode::finish));
            runAction(call);
        }
    }
    void update(float) override { finish(); }
    void draw() override
    {
        if (when_ == When::Draw) finish();
    }
    void finish()
    {
        ++calls;
        CCDirector::sharedDirector()->end();
    }
    int calls = 0;

private:
    When when_;
};

TEST_F(CCDirectorShutdownTest, EndingInsideAFrameFinishesThatFrameSafely)
{
    // The sanitizers watch for the scheduler, the action manager or the view
    // being freed while the frame still uses them.
    for (auto when : {EndingNode::When::Update, EndingNode::When::Action, EndingNode::When::Draw}) {
        Ref<RecordingScene> scene = runScene();
        Ref<EndingNode> node = makeRef<EndingNode>(when);
        scene->addChild(node.get());
        driver().runFrames(2);
        EXPECT_EQ(node->calls, 1) << "case " << static_cast<int>(when);
        EXPECT_EQ(director().runningScene(), nullptr);
        EXPECT_EQ(CCScheduler::sharedScheduler()->isTargetPaused(node.get()), false);
        journal.clear();
        TearDown();
        SetUp();
    }
}

TEST_F(CCDirectorShutdownTest, EndingFromATouchFinishesThatDeliveryAndDisconnectsTheView)
{
    Ref<RecordingScene> scene = runScene();
    CallLog log;
    // Does not claim the touch, so the standard delegate gets it next.
    auto ender = makeRef<LoggingTargeted>("ender", log, false);
    ender->onBegan = [] { CCDirector::sharedDirector()->end(); };
    auto bystander = makeRef<LoggingStandard>("bystander", log);
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(ender.get(), 0, false);
    CCTouchDispatcher::sharedDispatcher()->addStandardDelegate(bystander.get(), 0);

    // The sanitizers watch for the dispatcher being freed while it delivers,
    // and for the view delivering to it once it is gone.
    Ref<UITouch> touch = driver().touchDown({10, 20});
    const std::vector<std::string> delivered{"ender:began", "bystander:began(1)"};
    EXPECT_EQ(log.lines, delivered) << "removals wait for the event in delivery";
    EXPECT_EQ(director().runningScene(), nullptr);
    EXPECT_EQ(driver().view()->touchDelegate(), nullptr);
    driver().touchUp(touch.get());
    Ref<UITouch> later = driver().touchDown({10, 20});
    EXPECT_EQ(log.lines, delivered) << "nothing reaches a delegate after the end";
}

TEST_F(CCDirectorShutdownTest, MemoryWarningDropsTheFontDescriptionsAndOnlyTheTexturesNobodyHolds)
{
    Ref<RecordingScene> scene = runScene();
    (void)CCBMFontConfigurationCache::sharedCache()->configurationForFile("absent.fnt");
    ASSERT_EQ(CCBMFontConfigurationCache::sharedCache()->count(), 1u);
    // The frame-rate counter's image may already be cached.
    const size_t before = CCTextureCache::sharedTextureCache()->count();
    Ref<CCTexture2D> kept = textureNamed("kept");
    {
        Ref<CCTexture2D> dropped = textureNamed("dropped");
    }
    ASSERT_EQ(CCTextureCache::sharedTextureCache()->count(), before + 2u);

    CCDirectorLifeCycle().applicationDidReceiveMemoryWarning();

    EXPECT_EQ(CCTextureCache::sharedTextureCache()->textureForKey("dropped"), nullptr);
    EXPECT_EQ(CCTextureCache::sharedTextureCache()->textureForKey("kept"), kept);
    EXPECT_EQ(CCBMFontConfigurationCache::sharedCache()->count(), 0u);
    CCTextureCache::sharedTextureCache()->removeAllTextures();
}

TEST_F(CCDirectorShutdownTest, LifeCycleEventsPauseStopAndEndTheDirector)
{
    Ref<RecordingScene> scene = runScene();
    CCDirectorLifeCycle forward;
    LifeCycle lifeCycle;
    lifeCycle.setDelegate(&forward);
    lifeCycle.launch();

    struct Step {
        const char* event;
        void (LifeCycle::*deliver)();
        bool paused;
        bool animating;
    };
    const Step steps[] = {
        {"focus lost: resign active", &LifeCycle::focusLost, true, true},
        {"focus gained: active", &LifeCycle::focusGained, false, true},
        {"minimised: background", &LifeCycle::hidden, true, false},
        {"restored: foreground", &LifeCycle::shown, true, true},
        {"focus gained after restore", &LifeCycle::focusGained, false, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.event);
        (lifeCycle.*step.deliver)();
        EXPECT_EQ(director().isPaused(), step.paused);
        EXPECT_EQ(isAnimating(director()), step.animating);
    }
    lifeCycle.quit();
    EXPECT_EQ(director().runningScene(), nullptr);
    EXPECT_EQ(journal, (Journal{"A:exit", "A:cleanup"}));
}

} // namespace
} // namespace mw::test
