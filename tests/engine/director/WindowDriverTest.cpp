#include <SDL.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/director/CADisplayLink.h"
#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/director/CCDirectorLifeCycle.h"
#include "engine/director/ScreenWindow.h"
#include "engine/director/WindowDriver.h"
#include "engine/nodes/CCScene.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "platform/AppWindow.h"

namespace mw {
namespace {

// Passes the life-cycle to the director, as the game does, and records it.
class RecordingLifeCycle : public CCDirectorLifeCycle {
public:
    void applicationDidFinishLaunching() override { calls.push_back("launched"); }
    void applicationWillResignActive() override
    {
        calls.push_back("resign");
        CCDirectorLifeCycle::applicationWillResignActive();
    }
    void applicationDidEnterBackground() override
    {
        calls.push_back("background");
        CCDirectorLifeCycle::applicationDidEnterBackground();
    }
    void applicationWillTerminate() override
    {
        calls.push_back("terminate");
        CCDirectorLifeCycle::applicationWillTerminate();
    }
    std::vector<std::string> calls;
};

// Claims every touch and notes how many touches its event listed.
class Finger : public Object, public CCTargetedTouchDelegate {
public:
    bool ccTouchBegan(UITouch*, const UIEvent& event) override
    {
        touchesOnScreen.push_back(event.allTouches.size());
        return true;
    }
    std::vector<size_t> touchesOnScreen;
};

class WindowDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!AppWindow::hasDisplay()) GTEST_SKIP() << "no display";
        driver_ = WindowDriver::open(*DeviceProfile::named("phone"), {GLColorFormat::RGB565, 16},
                                     kCCDirectorTypeDisplayLink);
        ASSERT_NE(driver_, nullptr);
        driver_->setApplicationDelegate(&lifeCycle_);
        driver_->director()->runWithScene(CCScene::node().get());
    }

    // Launched first, then (whatever focus changes other windows on the
    // display caused) the background and terminate of the end.
    void expectLaunchedThenEnded() const
    {
        const std::vector<std::string>& calls = lifeCycle_.calls;
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls.front(), "launched");
        EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
                  (std::vector<std::string>{"background", "terminate"}));
    }

    RecordingLifeCycle lifeCycle_;
    std::unique_ptr<WindowDriver> driver_;
};

TEST_F(WindowDriverTest, RunsTheBudgetAndFinishesTheLifeCycleWhenItGoes)
{
    EXPECT_TRUE(driver_->run(3));
    EXPECT_GE(driver_->director()->totalFrames(), 1u);
    EXPECT_FALSE(driver_->window().hasQuit());
    EXPECT_EQ(std::count(lifeCycle_.calls.begin(), lifeCycle_.calls.end(), "terminate"), 0);

    driver_.reset();
    expectLaunchedThenEnded();
    EXPECT_EQ(CCDirector::currentDirector(), nullptr);
}

TEST_F(WindowDriverTest, ClosedWindowEndsTheRunAndIsNotQuitTwice)
{
    SDL_Event close{};
    close.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&close), 1);
    EXPECT_FALSE(driver_->run(100));
    EXPECT_TRUE(driver_->window().hasQuit());
    driver_.reset();
    expectLaunchedThenEnded();
    EXPECT_EQ(std::count(lifeCycle_.calls.begin(), lifeCycle_.calls.end(), "terminate"), 1);
}

TEST_F(WindowDriverTest, WindowPressReachesTheDispatchersDelegates)
{
    Ref<Finger> finger = makeRef<Finger>();
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(finger.get(), 0, true);
    int width = 0, height = 0;
    SDL_GetWindowSize(SDL_GL_GetCurrentWindow(), &width, &height);
    SDL_Event press{};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.button = SDL_BUTTON_LEFT;
    press.button.clicks = 1;
    press.button.x = width / 2;
    press.button.y = height / 2;
    driver_->window().handleEvent(press);
    EXPECT_EQ(finger->touchesOnScreen, (std::vector<size_t>{1}));
}


// An application that makes its own director at launch, in the window the
// driver offers, as the game's start-up does.
class LaunchingApplication : public ApplicationDelegate {
public:
    void applicationDidFinishLaunching() override
    {
        ScreenWindow* window = ScreenWindow::current();
        ASSERT_NE(window, nullptr);
        window->openWindow(window->mainScreenBounds());
        if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink)) CCDirector::setDirectorType(kCCDirectorTypeNSTimer);
        Ref<EAGLView> view = window->makeGLView(window->mainScreenBounds(), kEAGLColorFormatRGB565, 0x81A5);
        ASSERT_NE(view, nullptr);
        CCDirector::sharedDirector()->setOpenGLView(view.get());
        CCDirector::sharedDirector()->setAnimationInterval(1.0 / 30);
        shown = window->makeKeyAndVisible(view.get());
        CCDirector::sharedDirector()->runWithScene(CCScene::node().get());
    }
    void applicationWillTerminate() override { CCDirector::sharedDirector()->end(); }
    bool shown = false;
};

TEST(WindowDriverForApplication, TheApplicationMakesTheDirectorTheWindowOffers)
{
    if (!AppWindow::hasDisplay()) GTEST_SKIP() << "no display";
    struct Row {
        int32_t asked;
        bool displayLink;
    };
    for (const Row& row : {Row{kCCDirectorTypeDisplayLink, true}, Row{kCCDirectorTypeNSTimer, false}}) {
        SCOPED_TRACE(row.asked);
        auto driver = WindowDriver::openForApplication(*DeviceProfile::named("phone"), {GLColorFormat::RGB565, 16},
                                                       row.asked);
        ASSERT_NE(driver, nullptr);
        EXPECT_EQ(ScreenWindow::current(), driver.get());
        EXPECT_EQ(CCDirector::currentDirector(), nullptr) << "nothing made before the launch";
        LaunchingApplication application;
        driver->setApplicationDelegate(&application);
        EXPECT_TRUE(driver->run(3));
        EXPECT_TRUE(application.shown);
        ASSERT_NE(driver->director(), nullptr);
        EXPECT_EQ(driver->director(), CCDirector::currentDirector());
        EXPECT_EQ(dynamic_cast<CCDirectorDisplayLink*>(driver->director()) != nullptr, row.displayLink);
        EXPECT_GE(driver->director()->totalFrames(), 1u);
        driver.reset();
        EXPECT_EQ(CCDirector::currentDirector(), nullptr);
        EXPECT_EQ(ScreenWindow::current(), nullptr);
        EXPECT_TRUE(CADisplayLink::screenRefreshesReported());
    }
}

} // namespace
} // namespace mw
