#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/nodes/CCScene.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "platform/ActivityIndicatorView.h"
#include "platform/AlertView.h"
#include "platform/GameCenterScreens.h"
#include "platform/ModalScreen.h"
#include "platform/RootView.h"
#include "tests/engine/director/DirectorTestSupport.h"
#include "tests/support/RecordingPlatformServices.h"

namespace mw::test {
namespace {

// A scene layer that counts the touches that reach it.
class TouchCounter : public CCLayer {
public:
    void registerWithTouchDispatcher() override
    {
        CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true);
    }
    bool ccTouchBegan(UITouch*, const UIEvent&) override
    {
        ++touches;
        return true;
    }
    int touches = 0;
};

class Answers : public AlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override
    {
        seen.push_back(alert.title + " " + std::to_string(index));
    }
    std::vector<std::string> seen;
};

struct RGB {
    int r, g, b;
};

class PlatformOverlayTest : public DirectorTest, public ::testing::WithParamInterface<const char*> {
protected:
    PlatformOverlayTest() : DirectorTest(GetParam()) {}

    TouchCounter* runGreenScene()
    {
        Ref<CCScene> scene = CCScene::node();
        scene->addChild(CCLayerColor::layerWithColor({90, 160, 90, 255}).get());
        auto counter = makeRef<TouchCounter>();
        counter->setIsTouchEnabled(true);
        scene->addChild(counter.get());
        director().runWithScene(scene.get());
        driver().runFrames(2);
        return counter.get();
    }
    // The colour at a point of the view (points, origin top left).
    RGB pixelAt(CGPoint point)
    {
        const std::vector<uint8_t> rgba = driver().readPixels();
        const PixelSize size = driver().context().pixelSize();
        const float scale = size.width / director().winSize().width;
        const int x = static_cast<int>(point.x * scale), y = static_cast<int>(point.y * scale);
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * size.width + x) * 4];
        return {p[0], p[1], p[2]};
    }
    void picture(const std::string& name)
    {
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver().screenshot(std::string(dir) + "/overlay-" + name + "-" + GetParam() + ".png"));
        }
    }
    void tap(CGPoint point)
    {
        Ref<UITouch> touch = driver().touchDown(point);
        driver().touchUp(touch.get());
    }
};

TEST_P(PlatformOverlayTest, AlertIsDrawnAboveTheSceneAndTakesEveryTouch)
{
    TouchCounter* scene = runGreenScene();
    const CGSize window = director().winSize();
    Answers answers;
    auto alert = makeRef<AlertView>("Name your village", "Everyone in the valley will know it by this name.",
                                    &answers, std::vector<std::string>{"Cancel", "OK"});
    alert->hasTextField = true;
    alert->show();
    driver().typeText("Łąka nad rzeką");
    driver().runFrames(1);
    picture("alert");
    // The panel's paper at the centre; the dimmed scene at the corner.
    RGB centre = pixelAt({window.width / 2 - 127, window.height / 2});
    EXPECT_GT(centre.r, 240);
    RGB corner = pixelAt({4, 4});
    EXPECT_LT(corner.g, 140) << "the scene is dimmed";

    tap({5, 5});
    EXPECT_EQ(scene->touches, 0) << "the scene under an alert takes no touch";
    EXPECT_TRUE(alert->isVisible());
    // The right half of the button row answers 1: find the row just above the panel's bottom.
    for (float y = window.height / 2; y < window.height && alert->isVisible(); y += 4)
        tap({window.width / 2 + 60, y});
    EXPECT_EQ(answers.seen, std::vector<std::string>{"Name your village 1"});
    EXPECT_EQ(alert->text, "Łąka nad rzeką");
    tap({5, 5});
    EXPECT_EQ(scene->touches, 1);
    // Answered, the panel is gone from the screen too, not only from the list.
    driver().runFrames(1);
    centre = pixelAt({window.width / 2 - 127, window.height / 2});
    EXPECT_LT(centre.r, 140) << "the scene's green where the panel was";
    EXPECT_GT(pixelAt({4, 4}).g, 140) << "the scene no longer dimmed";
}

TEST_P(PlatformOverlayTest, SpinnerAndGameCentreScreenAreDrawn)
{
    TouchCounter* scene = runGreenScene();
    const CGSize window = director().winSize();
    auto spinner = makeRef<ActivityIndicatorView>(ActivityIndicatorView::kGray);
    spinner->center = {window.width / 2, window.height * 0.86f};
    spinner->addToRootView();
    spinner->startAnimating();
    driver().runFrames(1);
    picture("spinner");
    // Some spoke darkens the green somewhere in the spinner's square.
    bool gray = false;
    for (float dx = -10; dx <= 10 && !gray; dx += 1)
        for (float dy = -10; dy <= 10 && !gray; dy += 1) {
            RGB p = pixelAt({spinner->center.x + dx, spinner->center.y + dy});
            gray = std::abs(p.r - p.g) < 30 && p.g < 150;
        }
    EXPECT_TRUE(gray);
    spinner->removeFromSuperview();

    RecordingGameCenter service;
    service.reported = {{"com.zandovar.mw.downtown", 100}, {"com.zandovar.mw.diy", 40}};
    bool done = false;
    presentAchievementsScreen(service, [&] { done = true; });
    EXPECT_EQ(RootView::sharedRootView().frontScreen(), nullptr) << "shown once loaded";
    driver().runFrames(1);
    ASSERT_NE(RootView::sharedRootView().frontScreen(), nullptr);
    driver().runFrames(1);
    picture("achievements");
    tap({window.width / 2, window.height / 2});
    EXPECT_EQ(scene->touches, 0);
    tap({window.width - 20, 22}); // Done, in the title bar
    EXPECT_TRUE(done);
    EXPECT_EQ(RootView::sharedRootView().frontScreen(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Devices, PlatformOverlayTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw::test
