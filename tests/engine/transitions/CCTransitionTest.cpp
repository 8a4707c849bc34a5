#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/effects/CCActionGrid.h"
#include "engine/effects/CCGridBase.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "engine/transitions/CCTransition.h"
#include "engine/transitions/CCTransitionFade.h"
#include "engine/transitions/CCTransitionGrid.h"
#include "engine/transitions/CCTransitionPageTurn.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {
namespace {

// A scene with a full-window colour backdrop that writes its life cycle into
// a journal and counts the touches its layer is given.
class Screen : public CCScene {
public:
    Screen(std::string name, Journal& journal, ccColor4B colour) : name_(std::move(name)), journal_(journal)
    {
        auto backdrop = makeRef<TouchLayer>(colour, touches);
        addChild(backdrop.get());
    }

    void onEnter() override
    {
        journal_.push_back(name_ + ":enter");
        CCScene::onEnter();
    }
    void onEnterTransitionDidFinish() override
    {
        journal_.push_back(name_ + ":entered");
        CCScene::onEnterTransitionDidFinish();
    }
    void onExitTransitionDidStart() override
    {
        journal_.push_back(name_ + ":leaving");
        CCScene::onExitTransitionDidStart();
    }
    void onExit() override
    {
        journal_.push_back(name_ + ":exit");
        CCScene::onExit();
    }
    void cleanup() override
    {
        journal_.push_back(name_ + ":cleanup");
        CCScene::cleanup();
    }

    int touches = 0;

private:
    // Claims every touch (as a standard layer at priority 0).
    class TouchLayer : public CCLayerColor {
    public:
        TouchLayer(ccColor4B colour, int& touches) : CCLayerColor(colour), touches_(touches)
        {
            setIsTouchEnabled(true);
        }
        int32_t standardTouchCallbacks() const override { return kCCTouchBeganBit; }
        void ccTouchesBegan(const UITouchSet&, const UIEvent&) override { ++touches_; }

    private:
        int& touches_;
    };

    std::string name_;
    Journal& journal_;
};

const ccColor4B kRed = {255, 0, 0, 255};
const ccColor4B kBlue = {0, 0, 255, 255};

class TransitionTest : public DirectorTest {
protected:
    void SetUp() override
    {
        DirectorTest::SetUp();
        if (HasFatalFailure()) return;
        a = makeRef<Screen>("A", journal, kRed);
        b = makeRef<Screen>("B", journal, kBlue);
        director().runWithScene(a.get());
        driver().runFrames(1);
        journal.clear();
    }

    bool touchesOn() const { return CCTouchDispatcher::sharedDispatcher()->dispatchEvents(); }

    void tap()
    {
        Ref<UITouch> touch = driver().touchDown({100, 100});
        driver().touchUp(touch.get());
    }

    // The pixel at a GL point of the phone's window (scale 1).
    RGBA pixelAt(CGPoint point)
    {
        const std::vector<uint8_t> rgba = driver().readPixels();
        const int width = driver().context().pixelSize().width;
        const int height = driver().context().pixelSize().height;
        const size_t at = (static_cast<size_t>(height - 1 - static_cast<int>(point.y)) * width
                           + static_cast<size_t>(point.x))
            * 4;
        return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
    }

    Journal journal;
    Ref<Screen> a;
    Ref<Screen> b;
};

TEST_F(TransitionTest, AFadeRunsItsLifeCycleInOrderWithTouchesOffUntilTheHandOver)
{
    auto fade = CCTransitionFade::transitionWithDuration(0.4f, b.get());
    ASSERT_NE(fade, nullptr);
    // Off from creation, not from the start of the run.
    EXPECT_FALSE(touchesOn());
    director().replaceScene(fade.get());
    CCTransitionFade* transition = fade.get();
    fade = nullptr;

    driver().runFrames(1);
    EXPECT_EQ(journal, (Journal{"A:leaving", "B:enter"}));
    EXPECT_EQ(director().runningScene(), transition);
    tap();
    EXPECT_EQ(a->touches + b->touches, 0);

    // About 0.2 s in, the scenes swap under the full colour.
    auto* layer = dynamic_cast<CCLayerColor*>(transition->getChildByTag(kSceneFade));
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->opacity(), 0);
    EXPECT_FALSE(b->visible());
    int frames = 0;
    while (a->visible() && frames < 30) {
        driver().runFrames(1);
        ++frames;
    }
    EXPECT_GE(frames, 11);
    EXPECT_LE(frames, 14);
    EXPECT_GE(layer->opacity(), 200);
    EXPECT_TRUE(b->visible());
    EXPECT_EQ(journal.size(), 2u);
    EXPECT_FALSE(touchesOn());

    // The hand-over: B runs, A is exited and cleaned up, touches come back.
    driver().runFrames(16);
    EXPECT_EQ(director().runningScene(), b.get());
    EXPECT_EQ(journal, (Journal{"A:leaving", "B:enter", "A:exit", "B:entered", "A:cleanup"}));
    EXPECT_TRUE(touchesOn());
    EXPECT_TRUE(a->visible());
    tap();
    EXPECT_EQ(b->touches, 1);
}

TEST_F(TransitionTest, APushedTransitionLeavesTheOutgoingSceneUncleaned)
{
    auto fade = CCTransitionFade::transitionWithDuration(0.2f, b.get());
    director().pushScene(fade.get());
    fade = nullptr;
    driver().runFrames(20);
    EXPECT_EQ(director().runningScene(), b.get());
    // A stays below on the stack: exited, but its actions and timers are kept.
    EXPECT_EQ(journal, (Journal{"A:leaving", "B:enter", "A:exit", "B:entered"}));
    EXPECT_EQ(director().scenesStack()->count(), 2u);
}

TEST_F(TransitionTest, AFrameHalfwayIntoTheFadeOutShowsTheColourOverTheIncomingScene)
{
    struct Case {
        const char* name;
        ccColor3B through;
    };
    const Case cases[] = {{"black", {0, 0, 0}}, {"white", {255, 255, 255}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<Screen> from = makeRef<Screen>("from", journal, kRed);
        Ref<Screen> to = makeRef<Screen>("to", journal, kBlue);
        director().replaceScene(from.get());
        driver().runFrames(1);
        auto fade = CCTransitionFade::transitionWithDuration(0.4f, to.get(), c.through);
        director().replaceScene(fade.get());
        driver().runFrames(1 + 18); // entered, then 0.3 s: halfway into the fade-out

        auto* layer = dynamic_cast<CCLayerColor*>(fade->getChildByTag(kSceneFade));
        ASSERT_NE(layer, nullptr);
        const int opacity = layer->opacity();
        EXPECT_GT(opacity, 90);
        EXPECT_LT(opacity, 170);
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver().screenshot(std::string(dir) + "/fade-" + c.name + ".png"));
        }
        // The colour layer blends over blue with its own opacity.
        auto mix = [opacity](int over, int under) {
            return static_cast<uint8_t>((over * opacity + under * (255 - opacity)) / 255);
        };
        RGBA actual = pixelAt({160, 240});
        actual.a = 255; // the framebuffer's alpha blends too; only the colour shows
        const RGBA expected = {mix(c.through.r, 0), mix(c.through.g, 0), mix(c.through.b, 255), 255};
        EXPECT_TRUE(nearColor(actual, expected, 3)) << actual << " vs " << expected;
        driver().runFrames(20);
        EXPECT_EQ(director().runningScene(), to.get());
    }
}

// Makes a transition of a kind for a duration and an incoming scene.
using Make = std::function<Ref<CCTransitionScene>(float, CCScene*)>;

template <typename T> Make kind()
{
    return [](float duration, CCScene* scene) -> Ref<CCTransitionScene> {
        return T::transitionWithDuration(duration, scene);
    };
}

Make pageTurn(bool backwards)
{
    return [backwards](float duration, CCScene* scene) -> Ref<CCTransitionScene> {
        return CCTransitionPageTurn::transitionWithDuration(duration, scene, backwards);
    };
}

template <typename T> Make turning(int32_t orientation)
{
    return [orientation](float duration, CCScene* scene) -> Ref<CCTransitionScene> {
        return T::transitionWithDuration(duration, scene, orientation);
    };
}

TEST_F(TransitionTest, EveryKindRunsToItsEndAndLeavesTheIncomingSceneRunning)
{
    struct Case {
        const char* name;
        Make make;
        bool inOnTop;
    };
    const Case cases[] = {
        {"fade", kind<CCTransitionFade>(), true},
        {"roto-zoom", kind<CCTransitionRotoZoom>(), true},
        {"jump-zoom", kind<CCTransitionJumpZoom>(), true},
        {"move in L", kind<CCTransitionMoveInL>(), true},
        {"move in R", kind<CCTransitionMoveInR>(), true},
        {"move in T", kind<CCTransitionMoveInT>(), true},
        {"move in B", kind<CCTransitionMoveInB>(), true},
        {"slide in L", kind<CCTransitionSlideInL>(), false},
        {"slide in R", kind<CCTransitionSlideInR>(), true},
        {"slide in T", kind<CCTransitionSlideInT>(), false},
        {"slide in B", kind<CCTransitionSlideInB>(), true},
        {"shrink-grow", kind<CCTransitionShrinkGrow>(), true},
        {"flip X", turning<CCTransitionFlipX>(kOrientationRightOver), true},
        {"flip X other way", turning<CCTransitionFlipX>(kOrientationLeftOver), true},
        {"flip Y", turning<CCTransitionFlipY>(kOrientationUpOver), true},
        {"flip angular", turning<CCTransitionFlipAngular>(kOrientationRightOver), true},
        {"zoom-flip X", turning<CCTransitionZoomFlipX>(kOrientationRightOver), true},
        {"zoom-flip Y", turning<CCTransitionZoomFlipY>(kOrientationDownOver), true},
        {"zoom-flip angular", turning<CCTransitionZoomFlipAngular>(kOrientationLeftOver), true},
        {"cross-fade", kind<CCTransitionCrossFade>(), true},
        {"page turn", pageTurn(false), false},
        {"page turn backwards", pageTurn(true), true},
        {"radial counter-clockwise", kind<CCTransitionRadialCCW>(), false},
        {"radial clockwise", kind<CCTransitionRadialCW>(), false},
        {"turn off tiles", kind<CCTransitionTurnOffTiles>(), false},
        {"split columns", kind<CCTransitionSplitCols>(), true},
        {"split rows", kind<CCTransitionSplitRows>(), true},
        {"fade tiles TR", kind<CCTransitionFadeTR>(), false},
        {"fade tiles BL", kind<CCTransitionFadeBL>(), false},
        {"fade tiles up", kind<CCTransitionFadeUp>(), false},
        {"fade tiles down", kind<CCTransitionFadeDown>(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<Screen> from = makeRef<Screen>("from", journal, kRed);
        Ref<Screen> to = makeRef<Screen>("to", journal, kBlue);
        director().replaceScene(from.get());
        driver().runFrames(1);
        journal.clear();

        Ref<CCTransitionScene> transition = c.make(0.3f, to.get());
        ASSERT_NE(transition, nullptr);
        EXPECT_EQ(transition->isInSceneOnTop(), c.inOnTop);
        EXPECT_FALSE(touchesOn());
        director().replaceScene(transition.get());
        driver().runFrames(3);
        EXPECT_EQ(director().runningScene(), transition.get());
        driver().runFrames(6);
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver().screenshot(std::string(dir) + "/transition-" + c.name + ".png"));
        }
        driver().runFrames(12 + 3);

        EXPECT_EQ(director().runningScene(), to.get());
        EXPECT_EQ(journal, (Journal{"from:leaving", "to:enter", "from:exit", "to:entered", "from:cleanup"}));
        EXPECT_TRUE(touchesOn());
        EXPECT_TRUE(to->visible());
        EXPECT_EQ(to->position(), CGPointZero);
        EXPECT_EQ(to->scaleX(), 1.0f);
        EXPECT_EQ(to->scaleY(), 1.0f);
        EXPECT_EQ(to->rotation(), 0.0f);
        EXPECT_EQ(to->numberOfRunningActions(), 0u);
        EXPECT_EQ(transition->children() ? transition->children()->count() : 0u, 0u);
        // A grid left on would keep drawing through its texture after the hand-over.
        for (CCNode* node : {static_cast<CCNode*>(from.get()), static_cast<CCNode*>(transition.get())}) {
            const CCGridBase* grid = ccGridOf(node);
            EXPECT_TRUE(grid == nullptr || !grid->active());
        }
        // The incoming scene draws itself again once it runs on its own.
        driver().runFrames(1);
        EXPECT_TRUE(nearColor(pixelAt({160, 240}), {0, 0, 255, 255}));
    }
}

TEST_F(TransitionTest, GridKindsBreakTheRightNodeIntoTheirGridAndEaseOnlyTheSplits)
{
    struct Case {
        const char* name;
        Make make;
        bool onTransition; // the transition's own grid, else the outgoing scene's
        ccGridSize grid;
        float easeRate; // 0: the ease operation hands the action back unchanged
    };
    // Portrait 320 x 480: 12 rows of square tiles are 8 across.
    const Case cases[] = {
        {"turn off tiles", kind<CCTransitionTurnOffTiles>(), false, {8, 12}, 0},
        {"fade tiles TR", kind<CCTransitionFadeTR>(), false, {8, 12}, 0},
        {"fade tiles down", kind<CCTransitionFadeDown>(), false, {8, 12}, 0},
        {"split columns", kind<CCTransitionSplitCols>(), true, {3, 1}, 3.0f},
        {"split rows", kind<CCTransitionSplitRows>(), true, {1, 3}, 3.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<Screen> from = makeRef<Screen>("from", journal, kRed);
        Ref<Screen> to = makeRef<Screen>("to", journal, kBlue);
        director().replaceScene(from.get());
        driver().runFrames(1);

        Ref<CCTransitionScene> transition = c.make(0.3f, to.get());
        ASSERT_NE(transition, nullptr);
        auto* easing = dynamic_cast<CCTransitionEaseScene*>(transition.get());
        ASSERT_NE(easing, nullptr);
        Ref<CCActionInterval> wait = CCDelayTime::actionWithDuration(1);
        Ref<CCActionInterval> eased = easing->easeActionWithAction(wait);
        if (c.easeRate == 0) {
            EXPECT_EQ(eased.get(), wait.get());
        } else {
            auto* inOut = dynamic_cast<CCEaseInOut*>(eased.get());
            ASSERT_NE(inOut, nullptr);
            EXPECT_EQ(inOut->rate(), c.easeRate);
        }

        director().replaceScene(transition.get());
        driver().runFrames(3);
        CCNode* carrier = c.onTransition ? static_cast<CCNode*>(transition.get()) : from.get();
        const CCGridBase* grid = ccGridOf(carrier);
        ASSERT_NE(grid, nullptr);
        EXPECT_TRUE(grid->active());
        EXPECT_EQ(grid->gridSize(), c.grid);
        driver().runFrames(30);
        EXPECT_EQ(director().runningScene(), to.get());
    }
}

TEST_F(TransitionTest, ATransitionThatNeverRunsDoesNotLeaveTouchesOff)
{
    struct Case {
        const char* name;
        bool secondIsTransition; // the second replacement of the frame
    };
    const Case cases[] = {{"replaced by a plain scene", false}, {"replaced by another transition", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<Screen> from = makeRef<Screen>("from", journal, kRed);
        Ref<Screen> to = makeRef<Screen>("to", journal, kBlue);
        Ref<Screen> other = makeRef<Screen>("other", journal, kBlue);
        director().replaceScene(from.get());
        driver().runFrames(1);

        {
            auto first = CCTransitionFade::transitionWithDuration(0.2f, to.get());
            director().replaceScene(first.get());
        }
        if (c.secondIsTransition) {
            auto second = CCTransitionFade::transitionWithDuration(0.2f, other.get());
            director().replaceScene(second.get());
            // The first one is gone, but the second still holds touches off.
            EXPECT_FALSE(touchesOn());
            driver().runFrames(2);
            EXPECT_FALSE(touchesOn());
            driver().runFrames(14);
        } else {
            director().replaceScene(other.get());
            driver().runFrames(1);
        }
        EXPECT_EQ(director().runningScene(), other.get());
        EXPECT_TRUE(touchesOn());
        tap();
        EXPECT_EQ(other->touches, 1);
    }
}

TEST_F(TransitionTest, ATransitionWithoutAUsableSceneIsRefused)
{
    EXPECT_EQ(CCTransitionFade::transitionWithDuration(0.3f, nullptr), nullptr);
    EXPECT_EQ(CCTransitionFade::transitionWithDuration(0.3f, a.get()), nullptr);
    EXPECT_TRUE(touchesOn());
}

} // namespace
} // namespace mw::test
