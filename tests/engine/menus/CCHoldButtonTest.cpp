#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/menus/CCHoldButton.h"
#include "tests/engine/menus/MenuTestSupport.h"

namespace mw::test {
namespace {

// A hold button in a menu at the window's centre, pressed through the
// headless driver; its frames are 1/60 s.
class HoldButtonTest : public DirectorTest {
protected:
    void SetUp() override
    {
        DirectorTest::SetUp();
        if (HasFatalFailure()) return;
        scene = CCScene::node();
        director().runWithScene(scene.get());
        driver().runFrames(1);
    }

    // Installs a menu holding only the item.
    void show(CCMenuItem* item)
    {
        if (menu) scene->removeChild(menu.get(), true);
        menu = CCMenu::menuWithItems({item});
        scene->addChild(menu.get());
    }

    static int frames(double seconds) { return static_cast<int>(std::lround(seconds * 60)); }

    Ref<CCScene> scene;
    Ref<CCMenu> menu;
    int fired = 0;
};

TEST_F(HoldButtonTest, FiresAfterTheHoldTimeRepeatsWhileHeldAndOnceOnAShortTap)
{
    struct Case {
        const char* name;
        bool image;
        float holdTime;
        bool repeats;
        double heldSeconds;
        bool slideOff; // the finger leaves the button instead of lifting
        int firedWhileHeld; // before the finger goes
        int firedInAll;
        bool normalShownWhileHeld;
    };
    const Case cases[] = {
        {"short tap, repeating", false, 0.18f, true, 0.1, false, 0, 1, false},
        {"held one second, repeating: every hold time", false, 0.18f, true, 1.0, false, 5, 5, false},
        {"slid off before the hold time", false, 0.18f, true, 0.1, true, 0, 1, false},
        {"not repeating, held", false, 0.18f, false, 1.0, false, 1, 1, false},
        {"not repeating, short tap", false, 0.18f, false, 0.1, false, 0, 1, false},
        {"hold time 0 fires at the first frame", false, 0.0f, false, 0.1, false, 1, 1, false},
        {"image, not repeating, held past the hold time", true, 3.0f, false, 3.5, false, 1, 1, true},
        {"image, not repeating, short tap fires nothing", true, 3.0f, false, 0.5, false, 0, 0, false},
        {"image, repeating, short tap", true, 0.18f, true, 0.1, false, 0, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fired = 0;
        CCMenuCallback count = [this](CCMenuItem*) { ++fired; };
        Ref<CCMenuItemSprite> button;
        if (c.image) {
            auto image
                = CCHoldButtonImage::itemFromNormalImage("fps_images.png", "fps_images.png", {}, count);
            ASSERT_NE(image, nullptr);
            image->SetActionRunTime(c.holdTime);
            image->SetHoldRepeatAction(c.repeats);
            button = Ref<CCMenuItemSprite>(image.get());
        } else {
            auto normal = rectangle(60, 60);
            auto pressed = rectangle(60, 60);
            auto sprite = CCHoldButton::itemFromNormalSprite(normal.get(), pressed.get(), nullptr, count);
            sprite->SetActionRunTime(c.holdTime);
            sprite->SetHoldRepeatAction(c.repeats);
            button = Ref<CCMenuItemSprite>(sprite.get());
        }
        show(button.get());

        Ref<UITouch> touch = driver().touchDown({160, 240});
        driver().runFrames(frames(c.heldSeconds));
        EXPECT_EQ(fired, c.firedWhileHeld);
        EXPECT_EQ(button->normalImage()->visible(), c.normalShownWhileHeld);
        if (c.slideOff) driver().touchMove(touch.get(), {5, 5});
        driver().touchUp(touch.get());
        driver().runFrames(30);
        EXPECT_EQ(fired, c.firedInAll);
        EXPECT_TRUE(button->normalImage()->visible());
    }
}

TEST_F(HoldButtonTest, DisablingAHeldButtonDoesNotStopItUntilTheTouchEnds)
{
    auto normal = rectangle(60, 60);
    auto button = CCHoldButton::itemFromNormalSprite(normal.get(), nullptr, nullptr,
                                                     [this](CCMenuItem*) { ++fired; });
    button->SetActionRunTime(0.18f);
    button->SetHoldRepeatAction(true);
    show(button.get());
    Ref<UITouch> touch = driver().touchDown({160, 240});
    driver().runFrames(frames(0.2));
    ASSERT_EQ(fired, 1);
    button->setIsEnabled(false);
    driver().runFrames(frames(0.2));
    EXPECT_EQ(fired, 2);
    driver().touchUp(touch.get());
    driver().runFrames(frames(0.5));
    EXPECT_EQ(fired, 2);
}

} // namespace
} // namespace mw::test
