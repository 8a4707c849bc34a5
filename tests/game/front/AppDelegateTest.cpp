#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/director/CADisplayLink.h"
#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/textures/CCTextureCache.h"
#include "engine/transitions/CCTransitionFade.h"
#include "engine/director/CCDirectorTimer.h"
#include "engine/director/HeadlessDriver.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/StartUpTrace.h"
#include "game/boards/SessionHooks.h"
#include "game/front/LoadingScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/village/RatingPrompt.h"
#include "foundation/UserDefaults.h"
#include "game/state/GlobalObject.h"
#include "game/village/AchievementPopUp.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/village/screens/MicroLayer.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "platform/Application.h"
#include "platform/DeviceProfile.h"
#include "social/session/CCPrivateSession.h"
#include "social/session/LumoraSlimlineSession.h"
#include "social/ui/UIWindow.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RecordingSessionCalls.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// The program launched through the headless driver over a scratch data folder.
class AppDelegateTest : public ::testing::Test {
protected:
    void launch(const char* device = "phone")
    {
        test::GLTestContext* gl = test::GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr);
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        socialCalls_.clear();
        driver_ = HeadlessDriver::createForApplicationWithContext(gl->context(), *DeviceProfile::named(device),
                                                                  1.0 / 30);
        ASSERT_NE(driver_, nullptr);
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        Application::sharedApplication().setApplicationIconBadgeNumber(7);
        driver_->lifeCycle().launch();
        driver_->runFrames(2);
    }
    void TearDown() override
    {
        app_.reset();
        driver_.reset();
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        socialCalls_.clear();
    }
    CCDirector& director() { return *driver_->director(); }

    test::TempDir home_;
    test::ScopedEnv homeEnv_{"MOSSWICK_HOME", home_.path()};
    test::RecordingSessionCalls socialCalls_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
};

TEST_F(AppDelegateTest, StartUpConfiguresEveryServiceThenRunsTheLoadingScene)
{
    launch();
    EXPECT_EQ(Application::sharedApplication().applicationIconBadgeNumber(), 0);
    EXPECT_DOUBLE_EQ(director().animationInterval(), 1.0 / 30);
    EXPECT_FALSE(director().displayFPS());
    EXPECT_EQ(Application::sharedApplication().rootViewController(), &app_->viewController);
    EXPECT_EQ(TallyAnalytics::appVersion(), "1.0");
    EXPECT_EQ(socialCalls_.calls(),
              (std::vector<std::string>{"initWithAppID 4817302956 1 mosswick_01 zk4wq8nrt2vyhc6md0xfa3sj5gpb1e",
                                        "lockToOrientationList 1,2"}));
    CCScene* running = director().runningScene();
    ASSERT_NE(running, nullptr);
    ASSERT_GT(running->children()->count(), 0u);
    EXPECT_NE(dynamic_cast<LoadingScene*>(running->children()->objectAtIndexAs<CCNode>(0)), nullptr);
}

// The whole launch as one ordered list, each step with the values read back
// from the object it configured. The global object's line comes from its
// constructor, so its place in the list shows it is first reached after the
// director (and its high-resolution scale) is configured. A headless screen
// reports no refreshes, so the director is the timer kind (0).
TEST_F(AppDelegateTest, StartUpStepsHappenInOrderWithTheirValues)
{
    test::resetSharedInstances();
    TallyAnalytics::resetForTesting();
    socialCalls_.clear();
    std::vector<std::string> steps;
    setStartUpObserver([&steps](const std::string& step) { steps.push_back(step); });
    driver_ = HeadlessDriver::createForApplication(*DeviceProfile::named("phone-hd"), {GLColorFormat::RGB565, 16},
                                                   1.0 / 30);
    ASSERT_NE(driver_, nullptr);
    EXPECT_EQ(CCDirector::currentDirector(), nullptr) << "the application makes the director";
    app_ = std::make_unique<MosswickAppDelegate>();
    driver_->lifeCycle().setDelegate(app_.get());
    Application::sharedApplication().setApplicationIconBadgeNumber(7);
    driver_->lifeCycle().launch();
    driver_->runFrames(2);
    setStartUpObserver(nullptr);

    EXPECT_EQ(steps, (std::vector<std::string>{
                         "badge 0",
                         "window 320x480",
                         "directorType 0",
                         "rootViewController fullScreen 1",
                         "glView 320x480 EAGLColorFormat565 depth 0x81A5",
                         "director view set scale 2 orientation 1 interval 0.033333 fps 0",
                         "window keyAndVisible 1 rootViewController set",
                         "socialWindow 320x480",
                         "moveSaveFromCaches",
                         "defaultPixelFormat 1",
                         "version 1.0",
                         "analytics version 1.0 key QX3TR7WMB2KJ9PLD4HSZ reportsOnPause 1",
                         "globalObject 640x960 isIp3 0 isIpad 0",
                         "stringTable stringdb.csv",
                         "social 4817302956 version 1.0 theme mosswick_01",
                         "socialOrientations 1,2",
                         "audioEngine started",
                         "depthTest off",
                         "runWithScene loading",
                     }));
    EXPECT_EQ(driver_->director(), CCDirector::currentDirector()) << "the driver draws the application's director";
    EXPECT_EQ(driver_->view(), app_->viewController.view.get());
    EXPECT_EQ(socialCalls_.calls(),
              (std::vector<std::string>{"initWithAppID 4817302956 1 mosswick_01 zk4wq8nrt2vyhc6md0xfa3sj5gpb1e",
                                        "lockToOrientationList 1,2"}));
}

// The social screens need a window over the director's view: without it the
// pull tab, notices and dialogs would be made into nothing and never seen.
TEST_F(AppDelegateTest, TheSocialScreensWindowIsInstalledOverTheDirectorAndTakenDownAtTheEnd)
{
    launch("tablet");
    UIWindow* window = app_->socialWindow.get();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(UIWindow::keyWindow(), window);
    ASSERT_NE(CCPrivateSession::sharedInstance(), nullptr);
    EXPECT_EQ(CCPrivateSession::sharedInstance()->getTopApplicationWindow(), window);
    EXPECT_TRUE(window->isInstalled());
    EXPECT_EQ(window->bounds().size, director().winSize());
    EXPECT_NE(director().notificationNode(), nullptr);

    // A view in the window is drawn and takes the touches on it; a touch
    // elsewhere still reaches the game.
    auto plate = makeRef<UIView>(CGRect {0, 0, 40, 40});
    window->addSubview(plate);
    EXPECT_EQ(window->hitTest({20, 20}), plate.get());
    EXPECT_EQ(window->hitTest({200, 200}), nullptr);

    driver_->lifeCycle().quit();
    EXPECT_EQ(app_->socialWindow, nullptr);
    EXPECT_EQ(UIWindow::keyWindow(), nullptr);
}

TEST_F(AppDelegateTest, AGrantedAchievementShowsItsBanner)
{
    launch();
    CCScene* running = director().runningScene();
    ASSERT_NE(running, nullptr);
    const auto banners = [running] {
        size_t count = 0;
        if (running->children())
            for (Object* child : *running->children()) count += dynamic_cast<AchievementPopUp*>(child) != nullptr;
        return count;
    };
    EXPECT_EQ(banners(), 0u);
    GlobalObject::sharedInstance()->AchievementDone("com.zandovar.mw.diy", "ACH_TOOL1", 5);
    EXPECT_EQ(banners(), 1u);
}

TEST_F(AppDelegateTest, TheBoardsShowTheVillagesTutorialPopUpAndCoinPackList)
{
    launch();
    auto parent = CCNode::node();
    // A frame the profile does not hold shows nothing: the board goes on.
    EXPECT_FALSE(session::showTutorial(parent.get(), 0, 5));
    auto frame = makeRef<TutorialFrameDef>();
    frame->ID = 0;
    frame->WorkerIcon = "worker_elder.png";
    Profile::sharedInstance()->TutorialDict[0] = frame;
    ASSERT_TRUE(session::showTutorial(parent.get(), 0, 5));
    ASSERT_NE(parent->children(), nullptr);
    EXPECT_NE(dynamic_cast<TutorialPopup*>(parent->children()->objectAtIndex(0)), nullptr);
    auto hud = CCNode::node();
    Ref<CCNode> list = session::makeCoinPackList(hud.get());
    auto* coinPacks = dynamic_cast<MicroLayer*>(list.get());
    ASSERT_NE(coinPacks, nullptr);
    EXPECT_EQ(coinPacks->guiParent(), hud.get());
}

TEST_F(AppDelegateTest, DeviceFlagsFollowTheConfiguredWindow)
{
    struct Row {
        const char* device;
        bool isIp3, isIpad;
    };
    const Row rows[] = {
        {"phone", true, false}, {"phone-hd", false, false}, {"tablet", false, true}, {"tablet-hd", false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.device);
        launch(row.device);
        EXPECT_EQ(GlobalObject::sharedInstance()->isIp3, row.isIp3);
        EXPECT_EQ(GlobalObject::sharedInstance()->isIpad, row.isIpad);
        TearDown();
    }
}

TEST_F(AppDelegateTest, SaveLeftInTheCachesMovesUnlessTheDocumentsHaveOne)
{
    struct Row {
        const char* name;
        const char* caches;    // null: none
        const char* documents; // null: none
        const char* documentsAfter;
        bool cachesKept;
        bool logged;
    };
    const Row rows[] = {
        {"only caches", "C", nullptr, "C", false, false},
        {"both", "C", "D", "D", true, true},
        {"none", nullptr, nullptr, nullptr, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir home;
        test::ScopedEnv env("MOSSWICK_HOME", home.path());
        const std::string caches = Paths::cachesPath("supersave.plist");
        const std::string documents = Paths::documentsPath("supersave.plist");
        if (row.caches) test::TempDir::writeText(caches, row.caches);
        if (row.documents) test::TempDir::writeText(documents, row.documents);
        ScopedLogCapture log;
        MosswickAppDelegate::moveSaveFromCaches();
        EXPECT_EQ(log.contains("Err desc-"), row.logged);
        EXPECT_EQ(Paths::fileExists(caches), row.cachesKept);
        if (row.documentsAfter) EXPECT_EQ(test::TempDir::readText(documents), row.documentsAfter);
        else EXPECT_FALSE(Paths::fileExists(documents));
    }
}

TEST_F(AppDelegateTest, LifeCycleEventsDriveTheDirector)
{
    launch();
    auto* timer = dynamic_cast<CCDirectorTimer*>(&director());
    ASSERT_NE(timer, nullptr) << "headless: the timer kind";
    auto& life = driver_->lifeCycle();

    life.focusLost();
    EXPECT_TRUE(director().isPaused());
    Application::sharedApplication().setApplicationIconBadgeNumber(3);
    GlobalObject::sharedInstance()->ReinitActive = false;
    life.focusGained();
    EXPECT_FALSE(director().isPaused());
    EXPECT_EQ(Application::sharedApplication().applicationIconBadgeNumber(), 0);
    EXPECT_TRUE(GlobalObject::sharedInstance()->ReinitActive);

    // Background from the loading scene saves nothing and stops the frames.
    life.hidden();
    EXPECT_FALSE(timer->isAnimating());
    EXPECT_FALSE(Paths::fileExists(Paths::documentsPath("supersave.plist")));
    life.shown();
    EXPECT_TRUE(timer->isAnimating());
    RatingPrompt::waitForCounting();
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(RatingPrompt::kUseCount), 1)
        << "the return to the foreground counts a use";

    app_->applicationSignificantTimeChange();
    EXPECT_TRUE(director().nextDeltaTimeZero());

    Application::sharedApplication().setApplicationIconBadgeNumber(4);
    Application::sharedApplication().receiveLocalNotification({});
    EXPECT_EQ(Application::sharedApplication().applicationIconBadgeNumber(), 0);

    life.quit();
    EXPECT_FALSE(Paths::fileExists(Paths::documentsPath("supersave.plist"))) << "terminate writes nothing";
}

// The screen decides the director's kind: a window reports its refreshes and
// gets the display-link kind, a headless screen the timer kind. Either draws
// exactly one frame a refresh at the game's interval, never two.
TEST_F(AppDelegateTest, DirectorKindFollowsWhatTheScreenOffers)
{
    struct Row {
        bool refreshesReported;
        bool displayLink;
    };
    for (const Row& row : {Row{false, false}, Row{true, true}}) {
        SCOPED_TRACE(row.refreshesReported ? "window" : "headless");
        test::GLTestContext* gl = test::GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr);
        test::resetSharedInstances();
        driver_ = HeadlessDriver::createForApplicationWithContext(gl->context(), *DeviceProfile::named("phone"),
                                                                  1.0 / 30);
        ASSERT_NE(driver_, nullptr);
        CADisplayLink::setScreenRefreshesReported(row.refreshesReported);
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        driver_->lifeCycle().launch();
        EXPECT_EQ(dynamic_cast<CCDirectorDisplayLink*>(&director()) != nullptr, row.displayLink);
        EXPECT_EQ(dynamic_cast<CCDirectorTimer*>(&director()) != nullptr, !row.displayLink);
        const uint32_t before = director().totalFrames();
        driver_->runFrames(30);
        EXPECT_EQ(director().totalFrames(), before + 30);
        EXPECT_FLOAT_EQ(director().deltaTime(), 1.0f / 30);
        TearDown();
    }
    EXPECT_TRUE(CADisplayLink::screenRefreshesReported()) << "the driver puts the setting back";
}

// Outside the village nothing is collected or saved when the application
// leaves: the save on disk stays as it was, through the background and the
// end. (The village scene's rows come with the village.)
TEST_F(AppDelegateTest, BackgroundOutsideTheVillageSavesNothingAndStopsTheFrames)
{
    struct Row {
        const char* name;
        std::function<Ref<CCScene>()> scene; // null: the loading scene as launched
    };
    const Row rows[] = {
        {"loading scene", nullptr},
        {"main menu", [] { return CCScene::node(); }}, // the menu's class is not here yet: a plain scene
        {"transition", [] { return Ref<CCScene>(CCTransitionFade::transitionWithDuration(2, CCScene::node().get())); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        launch();
        const std::string save = Paths::documentsPath("supersave.plist");
        test::TempDir::writeText(save, "kept as it was");
        const auto written = std::filesystem::last_write_time(save);
        if (row.scene) {
            director().replaceScene(row.scene().get());
            driver_->runFrames(1);
        }
        auto& life = driver_->lifeCycle();
        life.hidden();
        EXPECT_FALSE(static_cast<CCDirectorTimer&>(director()).isAnimating());
        life.shown();
        driver_->runFrames(3);
        life.quit();
        EXPECT_EQ(test::TempDir::readText(save), "kept as it was");
        EXPECT_EQ(std::filesystem::last_write_time(save), written);
        TearDown();
    }
}

TEST_F(AppDelegateTest, MemoryWarningDropsTheTexturesNobodyHolds)
{
    launch();
    CCTextureCache* cache = CCTextureCache::sharedTextureCache();
    {
        Ref<CCTexture2D> unused = cache->addImage("main_interface_logotype_quillfen_big.png");
        ASSERT_NE(unused, nullptr);
    }
    const std::string shownLogo = LoadingScene::logoFiles(true, 320).first;
    ASSERT_NE(cache->textureForKey("main_interface_logotype_quillfen_big.png"), nullptr);
    driver_->lifeCycle().memoryWarning();
    EXPECT_EQ(cache->textureForKey("main_interface_logotype_quillfen_big.png"), nullptr);
    EXPECT_NE(cache->textureForKey(shownLogo), nullptr) << "the logo on screen stays";
}

// A jump of the wall clock between two frames (as after a suspend) is a
// significant time change: the next frame's step is 0, so no action moves by
// the hour; the frame after moves by one step again.
TEST_F(AppDelegateTest, WallClockJumpMovesNoAction)
{
    launch();
    Ref<CCNode> mover = CCNode::node();
    director().runningScene()->addChild(mover.get());
    mover->runAction(CCMoveBy::actionWithDuration(100, CGPoint{3000, 0}).get());
    driver_->runFrames(2); // the action's first step takes no time
    const float before = mover->position().x;
    driver_->clock().setWall(driver_->clock().wallSeconds() + 3600);
    driver_->runFrames(1);
    EXPECT_EQ(director().deltaTime(), 0.0f);
    EXPECT_EQ(mover->position().x, before);
    driver_->runFrames(1);
    EXPECT_NEAR(mover->position().x - before, 3000.0f / 100 / 30, 1e-3);
}

TEST_F(AppDelegateTest, OnlyPortraitTurnsReachTheSocialSession)
{
    launch("phone-hd");
    socialCalls_.clear();
    EXPECT_FALSE(driver_->rotateTo(3));
    EXPECT_FALSE(driver_->rotateTo(4));
    EXPECT_TRUE(driver_->rotateTo(2, 0.4));
    EXPECT_EQ(socialCalls_.calls(),
              (std::vector<std::string>{"willRotateToInterfaceOrientation 2 0.4", "didRotateFromInterfaceOrientation 1"}));
    EXPECT_EQ(app_->viewController.newOrientation, 2);
    EXPECT_FLOAT_EQ(app_->viewController.RotateDuration, 0.4f);
    CGSize frame = driver_->view()->frame().size;
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.height, 960);
}

} // namespace
} // namespace mw
