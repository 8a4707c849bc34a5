#include <SDL.h>

#include <gtest/gtest.h>

#include "platform/TouchSource.h"

namespace mw {
namespace {

// Records every phase with the touches it carried.
struct Delivery {
    UITouchPhase phase;
    UITouchSet touches;
    size_t touchesOnScreen;
};

class RecordingDelegate : public TouchDelegate {
public:
    void touches(const UITouchSet& t, const UIEvent& e, UITouchPhase phase) override
    {
        log.push_back({phase, t, e.allTouches.size()});
    }
    std::vector<Delivery> log;
};

SDL_Event mouseButton(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT, Uint32 which = 0)
{
    SDL_Event event{};
    event.type = type;
    event.button.button = button;
    event.button.x = x;
    event.button.y = y;
    event.button.which = which;
    event.button.clicks = 1;
    event.common.timestamp = 1000;
    return event;
}

SDL_Event mouseMotion(int x, int y, Uint32 which = 0)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    event.motion.which = which;
    event.common.timestamp = 1016;
    return event;
}

SDL_Event finger(Uint32 type, SDL_FingerID id, float x, float y, SDL_TouchID device = 7)
{
    SDL_Event event{};
    event.type = type;
    event.tfinger.touchId = device;
    event.tfinger.fingerId = id;
    event.tfinger.x = x;
    event.tfinger.y = y;
    event.common.timestamp = 2000;
    return event;
}

class TouchSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A 320x480 view in a 640x480 window: scale 1, bars of 160 on each side.
        const CGSize window(640, 480);
        source.setLetterbox(Letterbox(CGSize(320, 480), window), window);
        source.setDelegate(&delegate);
    }
    TouchSource source;
    RecordingDelegate delegate;
};

TEST_F(TouchSourceTest, MouseDragIsOneTouchFromBeganToEnded)
{
    EXPECT_TRUE(source.handleEvent(mouseMotion(200, 100))); // hovering: no touch
    source.handleEvent(mouseButton(SDL_MOUSEBUTTONDOWN, 170, 20));
    source.handleEvent(mouseMotion(180, 30));
    source.handleEvent(mouseButton(SDL_MOUSEBUTTONUP, 190, 40));

    ASSERT_EQ(delegate.log.size(), 3u);
    const Ref<UITouch> touch = delegate.log[0].touches.at(0);
    EXPECT_EQ(delegate.log[0].phase, UITouchPhase::Began);
    EXPECT_EQ(delegate.log[1].phase, UITouchPhase::Moved);
    EXPECT_EQ(delegate.log[2].phase, UITouchPhase::Ended);
    for (const Delivery& d : delegate.log) {
        ASSERT_EQ(d.touches.size(), 1u);
        EXPECT_EQ(d.touches[0], touch) << "the same touch object follows the drag";
        EXPECT_EQ(d.touchesOnScreen, 1u) << "the ending touch is still listed in its event";
    }
    EXPECT_EQ(touch->locationInView(), CGPoint(30, 40));
    EXPECT_EQ(touch->previousLocationInView(), CGPoint(20, 30));
    EXPECT_EQ(touch->phase(), UITouchPhase::Ended);
    EXPECT_DOUBLE_EQ(touch->timestamp(), 1.0);
    EXPECT_TRUE(source.activeTouches().empty());
}

TEST_F(TouchSourceTest, IgnoresOtherButtonsAndSynthesisedEvents)
{
    source.handleEvent(mouseButton(SDL_MOUSEBUTTONDOWN, 200, 100, SDL_BUTTON_RIGHT));
    source.handleEvent(mouseButton(SDL_MOUSEBUTTONDOWN, 200, 100, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID));
    source.handleEvent(finger(SDL_FINGERDOWN, 1, 0.5f, 0.5f, SDL_MOUSE_TOUCHID));
    EXPECT_TRUE(delegate.log.empty());
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    EXPECT_FALSE(source.handleEvent(key)) << "not a pointer event";
}

TEST_F(TouchSourceTest, TwoFingersAreTwoTouches)
{
    source.handleEvent(finger(SDL_FINGERDOWN, 1, 0.5f, 0.25f));   // window (320, 120) -> view (160, 120)
    source.handleEvent(finger(SDL_FINGERDOWN, 2, 0.375f, 0.5f));  // window (240, 240) -> view (80, 240)
    source.handleEvent(finger(SDL_FINGERMOTION, 2, 0.4375f, 0.5f));
    source.handleEvent(finger(SDL_FINGERUP, 1, 0.5f, 0.25f));
    source.handleEvent(finger(SDL_FINGERUP, 2, 0.4375f, 0.5f));

    ASSERT_EQ(delegate.log.size(), 5u);
    const Ref<UITouch> first = delegate.log[0].touches.at(0);
    const Ref<UITouch> second = delegate.log[1].touches.at(0);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->locationInView(), CGPoint(160, 120));
    EXPECT_EQ(delegate.log[1].touchesOnScreen, 2u);
    EXPECT_EQ(delegate.log[2].touches.at(0), second);
    EXPECT_EQ(second->locationInView(), CGPoint(120, 240));
    EXPECT_EQ(delegate.log[3].touches.at(0), first);
    EXPECT_EQ(delegate.log[3].touchesOnScreen, 2u);
    EXPECT_EQ(delegate.log[4].touchesOnScreen, 1u);
}

TEST_F(TouchSourceTest, LetterboxBarsStartNothingAndDragsClampToTheEdge)
{
    struct Case { int x, y; bool starts; CGPoint view; };
    const Case presses[] = {
        {100, 100, false, {}},        // left bar
        {500, 100, false, {}},        // right bar
        {160, 0, true, {0, 0}},       // the view's top-left pixel
        {479, 479, true, {319, 479}}, // its bottom-right pixel
        {480, 10, false, {}},         // first pixel of the right bar
    };
    for (const Case& c : presses) {
        delegate.log.clear();
        source.handleEvent(mouseButton(SDL_MOUSEBUTTONDOWN, c.x, c.y));
        EXPECT_EQ(delegate.log.size(), c.starts ? 1u : 0u) << c.x << "," << c.y;
        if (c.starts && !delegate.log.empty()) {
            EXPECT_EQ(delegate.log[0].touches[0]->locationInView(), c.view);
        }
        source.handleEvent(mouseButton(SDL_MOUSEBUTTONUP, c.x, c.y));
    }

    delegate.log.clear();
    source.handleEvent(mouseButton(SDL_MOUSEBUTTONDOWN, 300, 200));
    source.handleEvent(mouseMotion(600, 200)); // into the right bar
    source.handleEvent(mouseMotion(620, 200)); // further: still at the edge, no new move
    source.handleEvent(mouseButton(SDL_MOUSEBUTTONUP, 630, 200));
    ASSERT_EQ(delegate.log.size(), 3u);
    EXPECT_EQ(delegate.log[1].touches[0]->locationInView(), CGPoint(320, 200));
    EXPECT_EQ(delegate.log[2].phase, UITouchPhase::Ended);
}

TEST_F(TouchSourceTest, ScaledWindowConvertsToPoints)
{
    // A phone-hd window shrunk to 160x240: every window unit is 2 points.
    const CGSize window(160, 240);
    source.setLetterbox(Letterbox(CGSize(320, 480), window), window);
    source.handleEvent(mouseButton(SDL_MOUSEBUTTONDOWN, 40, 60));
    source.handleEvent(finger(SDL_FINGERDOWN, 3, 0.25f, 0.75f));
    ASSERT_EQ(delegate.log.size(), 2u);
    EXPECT_EQ(delegate.log[0].touches[0]->locationInView(), CGPoint(80, 120));
    EXPECT_EQ(delegate.log[1].touches[0]->locationInView(), CGPoint(80, 360));
}

TEST_F(TouchSourceTest, CancelAllEndsEveryTouchOnce)
{
    source.handleEvent(mouseButton(SDL_MOUSEBUTTONDOWN, 200, 100));
    source.handleEvent(finger(SDL_FINGERDOWN, 1, 0.5f, 0.5f));
    source.cancelAll(3.0);
    ASSERT_EQ(delegate.log.size(), 3u);
    EXPECT_EQ(delegate.log[2].phase, UITouchPhase::Cancelled);
    EXPECT_EQ(delegate.log[2].touches.size(), 2u);
    for (const auto& touch : delegate.log[2].touches) EXPECT_EQ(touch->phase(), UITouchPhase::Cancelled);
    source.cancelAll(4.0);
    source.handleEvent(mouseButton(SDL_MOUSEBUTTONUP, 200, 100)); // the lost button-up arrives late
    EXPECT_EQ(delegate.log.size(), 3u);
}

} // namespace
} // namespace mw
