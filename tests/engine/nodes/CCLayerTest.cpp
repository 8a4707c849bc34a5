#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCLayerMultiplex.h"
#include "engine/nodes/CCScene.h"
#include "tests/engine/nodes/CCLayerTestSupport.h"

namespace mw {
namespace {

constexpr int32_t kTargeted = 0;
constexpr int32_t kStandard = 1;

using CCLayerTest = test::LayerTest;

// --- Geometry ----------------------------------------------------------------

struct WindowCase {
    float factor;
    CGPoint anchorInPixels;
    CGSize sizeInPixels;
};

TEST_F(CCLayerTest, NewLayerCoversTheWindow)
{
    const WindowCase cases[] = {
        {1, {160, 240}, {320, 480}},
        {2, {320, 480}, {640, 960}},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.factor);
        ccSetContentScaleFactor(c.factor);
        auto layer = CCLayer::node();
        EXPECT_EQ(layer->contentSize(), (CGSize{320, 480}));
        EXPECT_EQ(layer->contentSizeInPixels(), c.sizeInPixels);
        EXPECT_EQ(layer->anchorPoint(), (CGPoint{0.5f, 0.5f}));
        EXPECT_EQ(layer->anchorPointInPixels(), c.anchorInPixels);
        EXPECT_FALSE(layer->isRelativeAnchorPoint());
        EXPECT_FALSE(layer->isTouchEnabled());
        EXPECT_FALSE(layer->isAccelerometerEnabled());
        // Placed by its lower-left corner: at (0,0) it covers the window.
        EXPECT_EQ(layer->boundingBox(), (CGRect{0, 0, 320, 480}));
    }
}

TEST_F(CCLayerTest, ScalesAboutTheWindowCentre)
{
    auto layer = CCLayer::node();
    layer->setScale(0.5f);
    EXPECT_EQ(layer->boundingBox(), (CGRect{80, 120, 160, 240}));
}

TEST_F(CCLayerTest, ClaimsEveryTargetedTouchByDefault)
{
    auto layer = CCLayer::node();
    auto touch = makeRef<UITouch>(CGPoint{1, 2}, 0.0);
    EXPECT_TRUE(layer->ccTouchBegan(touch.get(), UIEvent{}));
}

// --- Touch registration ------------------------------------------------------

// A running scene to add layers to, as the director would run one.
class RunningScene {
public:
    RunningScene()
    {
        scene->onEnter();
        scene->onEnterTransitionDidFinish();
    }
    ~RunningScene()
    {
        scene->onExitTransitionDidStart();
        scene->onExit();
    }
    Ref<CCScene> scene = CCScene::node();
};

TEST_F(CCLayerTest, TouchEnabledLayerIsRegisteredOnlyWhileRunning)
{
    RunningScene stage;
    auto layer = CCLayer::node();
    layer->setIsTouchEnabled(true);
    EXPECT_EQ(dispatcher().countDelegateUsage(layer.get(), kStandard), 0);

    stage.scene->addChild(layer.get());
    EXPECT_EQ(dispatcher().countDelegateUsage(layer.get(), kStandard), 1);
    EXPECT_EQ(dispatcher().retrievePriorityField(layer.get(), kStandard), 0);
    EXPECT_EQ(dispatcher().countDelegateUsage(layer.get(), kTargeted), 0);

    layer->setIsTouchEnabled(true);  // unchanged: no second registration
    EXPECT_EQ(dispatcher().countDelegateUsage(layer.get(), kStandard), 1);

    stage.scene->removeChild(layer.get(), true);
    EXPECT_EQ(dispatcher().countDelegatesUsage(kStandard), 0);
    EXPECT_EQ(layer->retainCount(), 1);  // the dispatcher let go of it
}

TEST_F(CCLayerTest, SwitchingTouchesWhileRunningRegistersAndRemoves)
{
    RunningScene stage;
    auto layer = CCLayer::node();
    stage.scene->addChild(layer.get());
    EXPECT_EQ(dispatcher().countDelegatesUsage(kStandard), 0);
    layer->setIsTouchEnabled(true);
    EXPECT_EQ(dispatcher().countDelegateUsage(layer.get(), kStandard), 1);
    layer->setIsTouchEnabled(false);
    EXPECT_EQ(dispatcher().countDelegateUsage(layer.get(), kStandard), 0);

    // Switched off while running, it does not register when it enters again.
    stage.scene->removeChild(layer.get(), false);
    stage.scene->addChild(layer.get());
    EXPECT_EQ(dispatcher().countDelegatesUsage(kStandard), 0);
}

TEST_F(CCLayerTest, SwitchingTouchesOffStageOnlyRecordsTheWish)
{
    auto layer = CCLayer::node();
    layer->setIsTouchEnabled(true);
    layer->setIsTouchEnabled(false);
    layer->setIsTouchEnabled(true);
    EXPECT_EQ(dispatcher().countDelegatesUsage(kStandard), 0);
    EXPECT_TRUE(layer->isTouchEnabled());
}

// A board-like layer: targeted, swallowing, at its own priority, logging.
class TargetedLayer : public CCLayer {
public:
    void registerWithTouchDispatcher() override
    {
        CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 100, true);
    }
    bool ccTouchBegan(UITouch*, const UIEvent&) override
    {
        log.push_back("began");
        return true;
    }
    void ccTouchEnded(UITouch*, const UIEvent&) override { log.push_back("ended"); }
    int32_t targetedTouchCallbacks() const override { return kCCTouchBeganBit | kCCTouchEndedBit; }
    std::vector<std::string> log;
};

// A plain layer that takes whole touch sets.
class StandardLayer : public CCLayer {
public:
    void ccTouchesBegan(const UITouchSet& touches, const UIEvent&) override
    {
        counts.push_back(touches.size());
    }
    int32_t standardTouchCallbacks() const override { return kCCTouchBeganBit; }
    std::vector<size_t> counts;
};

TEST_F(CCLayerTest, LayersReceiveTouchesThroughTheSharedDispatcher)
{
    RunningScene stage;
    auto board = makeRef<TargetedLayer>();
    auto backdrop = makeRef<StandardLayer>();
    board->setIsTouchEnabled(true);
    backdrop->setIsTouchEnabled(true);
    stage.scene->addChild(backdrop.get());
    stage.scene->addChild(board.get());
    EXPECT_EQ(dispatcher().retrievePriorityField(board.get(), kTargeted), 100);

    auto onBoard = makeRef<UITouch>(CGPoint{10, 10}, 0.0);
    auto elsewhere = makeRef<UITouch>(CGPoint{20, 20}, 0.0);
    dispatcher().touches({onBoard, elsewhere}, UIEvent{}, UITouchPhase::Began);
    dispatcher().touches({onBoard}, UIEvent{}, UITouchPhase::Ended);
    // The board swallows both touches, so the backdrop is never called.
    EXPECT_EQ(board->log, (std::vector<std::string>{"began", "began", "ended"}));
    EXPECT_TRUE(backdrop->counts.empty());

    stage.scene->removeChild(board.get(), true);
    EXPECT_EQ(dispatcher().countDelegatesUsage(kTargeted), 0);
    dispatcher().touches({elsewhere}, UIEvent{}, UITouchPhase::Began);
    EXPECT_EQ(backdrop->counts, (std::vector<size_t>{1}));
}

// --- Accelerometer -----------------------------------------------------------

class TiltLayer : public CCLayer {
public:
    void accelerometer(UIAccelerometer*, const UIAcceleration& reading) override
    {
        readings.push_back(reading.x);
    }
    std::vector<double> readings;
};

TEST_F(CCLayerTest, AccelerometerDelegateIsSetAfterTheEnterTransitionAndClearedOnExit)
{
    UIAccelerometer& accelerometer = *UIAccelerometer::sharedAccelerometer();
    auto layer = makeRef<TiltLayer>();
    layer->setIsAccelerometerEnabled(true);
    EXPECT_EQ(accelerometer.delegate(), nullptr);  // off stage

    layer->onEnter();
    EXPECT_EQ(accelerometer.delegate(), nullptr);  // not before the transition finished
    layer->onEnterTransitionDidFinish();
    EXPECT_EQ(accelerometer.delegate(), layer.get());
    accelerometer.deliver({0.25, 0, -1, 0});
    EXPECT_EQ(layer->readings, (std::vector<double>{0.25}));

    layer->setIsAccelerometerEnabled(false);
    EXPECT_EQ(accelerometer.delegate(), nullptr);
    layer->setIsAccelerometerEnabled(true);
    EXPECT_EQ(accelerometer.delegate(), layer.get());

    layer->onExit();
    EXPECT_EQ(accelerometer.delegate(), nullptr);
    accelerometer.deliver({0.5, 0, -1, 0});
    EXPECT_EQ(layer->readings.size(), 1u);
}

// --- Multiplex ---------------------------------------------------------------

class CCLayerMultiplexTest : public test::LayerTest {
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        for (auto& layer : layers) {
            layer = CCLayer::node();
            layer->setIsTouchEnabled(true);
        }
        multiplex = CCLayerMultiplex::layerWithLayers({layers[0].get(), layers[1].get(), layers[2].get()});
        stage.scene->addChild(multiplex.get());
    }
    CCNode* shownChild() const
    {
        CCArray* children = multiplex->children();
        return children && children->count() == 1 ? children->objectAtIndexAs<CCNode>(0) : nullptr;
    }

    RunningScene stage;
    Ref<CCLayer> layers[3];
    Ref<CCLayerMultiplex> multiplex;
};

TEST_F(CCLayerMultiplexTest, ShowsOneLayerAtATimeAndKeepsTheOthers)
{
    EXPECT_EQ(shownChild(), layers[0].get());
    EXPECT_EQ(multiplex->enabledLayer(), 0u);
    EXPECT_EQ(dispatcher().countDelegateUsage(layers[0].get(), kStandard), 1);

    EXPECT_TRUE(multiplex->switchTo(1));
    EXPECT_EQ(shownChild(), layers[1].get());
    EXPECT_EQ(multiplex->enabledLayer(), 1u);
    // The hidden layer left the stage (and the dispatcher) but is still kept.
    EXPECT_FALSE(layers[0]->isRunning());
    EXPECT_EQ(layers[0]->parent(), nullptr);
    EXPECT_EQ(dispatcher().countDelegateUsage(layers[0].get(), kStandard), 0);
    EXPECT_EQ(dispatcher().countDelegateUsage(layers[1].get(), kStandard), 1);
    EXPECT_EQ(layers[0]->retainCount(), 2);

    EXPECT_TRUE(multiplex->switchTo(0));
    EXPECT_EQ(shownChild(), layers[0].get());
    EXPECT_TRUE(layers[0]->isRunning());
}

TEST_F(CCLayerMultiplexTest, SwitchToAndReleaseMeLetsGoOfTheLayerItLeaves)
{
    ASSERT_TRUE(multiplex->switchTo(1));
    EXPECT_TRUE(multiplex->switchToAndReleaseMe(2));
    EXPECT_EQ(shownChild(), layers[2].get());
    EXPECT_EQ(multiplex->layerAt(1), nullptr);
    EXPECT_EQ(layers[1]->retainCount(), 1);  // only the test holds it now
    EXPECT_EQ(multiplex->layerCount(), 3u);
}

struct RefusedSwitch {
    const char* name;
    bool releaseMe;
    uint32_t index;
};

TEST_F(CCLayerMultiplexTest, SwitchesThatWouldShowNothingAreRefused)
{
    ASSERT_TRUE(multiplex->switchToAndReleaseMe(1));  // slot 0 is let go of
    const RefusedSwitch cases[] = {
        {"past the end", false, 3},
        {"past the end, releasing", true, 7},
        {"a slot let go of", false, 0},
        {"a slot let go of, releasing", true, 0},
        {"the shown layer, releasing", true, 1},
    };
    for (const RefusedSwitch& c : cases) {
        SCOPED_TRACE(c.name);
        const bool switched
            = c.releaseMe ? multiplex->switchToAndReleaseMe(c.index) : multiplex->switchTo(c.index);
        EXPECT_FALSE(switched);
        EXPECT_EQ(shownChild(), layers[1].get());
        EXPECT_EQ(multiplex->enabledLayer(), 1u);
        EXPECT_TRUE(layers[1]->isRunning());
    }
}

TEST_F(CCLayerTest, MultiplexListEndsAtTheFirstNull)
{
    auto a = CCLayer::node();
    auto b = CCLayer::node();
    auto c = CCLayer::node();
    auto multiplex = CCLayerMultiplex::layerWithLayers({a.get(), b.get(), nullptr, c.get()});
    EXPECT_EQ(multiplex->layerCount(), 2u);
    EXPECT_FALSE(multiplex->switchTo(2));

    auto empty = CCLayerMultiplex::layerWithLayers({});
    EXPECT_EQ(empty->children(), nullptr);
    EXPECT_FALSE(empty->switchTo(0));
}

} // namespace
} // namespace mw
