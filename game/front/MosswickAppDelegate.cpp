#include "game/front/MosswickAppDelegate.h"

#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <string>
#include <stdio.h>

#include "analytics/TallyAnalytics.h"
#include "analytics/TallyAutoIncrement.h"
#include "audio/CDAudioManager.h"
#include "audio/SimpleAudioEngine.h"
#include "engine/director/CCDirectorDisplayLink.h"
#include "engine/director/CCDirectorIOS.h"
#include "engine/director/CCDirectorTimer.h"
#include "engine/director/EAGLView.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/Shared.h"
#include "foundation/StartUpTrace.h"
#include "game/boards/SessionHooks.h"
#include "game/defs/XMLManager.h"
#include "game/village/InAppPurchase.h"
#include "game/front/LoadingScene.h"
#include "game/village/RatingPrompt.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"
#include "game/state/SaveNotices.h"
#include "game/village/AchievementPopUp.h"
#include "game/village/MapScene.h"
#include "game/village/screens/MicroLayer.h"
#include "game/village/tutorial/TutorialAnim.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "game/village/VillageScene.h"
#include "platform/AlertView.h"
#include "platform/Application.h"
#include "platform/LifeCycle.h"
#include "platform/RootView.h"
#include "social/ui/UIView.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

// The OpenGL ES 16-bit depth component, the depth format of the game's view.
constexpr uint32_t kDepthComponent16 = 0x81A5;

// The engine's number of the director's frame driver, for the start-up trace.
const char* directorKindOf(CCDirector* director)
{
    if (dynamic_cast<CCDirectorDisplayLink*>(director)) return "3";
    if (dynamic_cast<CCDirectorTimer*>(director)) return "0";
    return director ? "other" : "none";
}

} // namespace

MosswickAppDelegate::MosswickAppDelegate()
{
    Application::sharedApplication().setDelegate(this);
}

MosswickAppDelegate::~MosswickAppDelegate()
{
    removeSocialWindow();
    Application& application = Application::sharedApplication();
    if (application.delegate() == this) application.setDelegate(nullptr);
    if (application.rootViewController() == &viewController) application.setRootViewController(nullptr);
    // A cache already ended (the director's end) has nothing to drop.
    if (CCSpriteFrameCache* frames = Shared<CCSpriteFrameCache>::current()) frames->removeUnusedSpriteFrames();
}

void MosswickAppDelegate::installSocialWindow()
{
    // Over the director that shows the view: its size is the window's, its
    // frames draw the views above the scene and its touches reach them first.
    CCDirector* director = CCDirector::currentDirector();
    if (!director || socialWindow) return;
    socialWindow = UIWindow::makeKeyWindow(*director);
    socialWindow->install();
    noteStartUpStep("socialWindow " + std::to_string(int(socialWindow->bounds().size.width)) + "x" +
                    std::to_string(int(socialWindow->bounds().size.height)));
}

void MosswickAppDelegate::removeSocialWindow()
{
    if (!socialWindow) return;
    // Views the session still holds (a pull tab) outlive the window unparented.
    socialWindow->uninstall();
    socialWindow = nullptr;
}

void MosswickAppDelegate::moveSaveFromCaches()
{
    std::string error;
    if (!SaveFile::adoptCopyFromCaches(&error)) logLine("Err desc-%s", error.c_str());
}

void MosswickAppDelegate::applicationDidFinishLaunching()
{
    Application& application = Application::sharedApplication();
    application.setApplicationIconBadgeNumber(0);
    noteStartUpStep("badge " + std::to_string(application.applicationIconBadgeNumber()));

    window = ScreenWindow::current();
    if (window) window->openWindow(window->mainScreenBounds());
    else logLine("MosswickAppDelegate: no screen offered to launch into; the director made before is used");

    if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink)) CCDirector::setDirectorType(kCCDirectorTypeNSTimer);
    auto* director = dynamic_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    noteStartUpStep(std::string("directorType ") + directorKindOf(director));

    viewController.wantsFullScreenLayout = true;
    noteStartUpStep("rootViewController fullScreen " + std::to_string(viewController.wantsFullScreenLayout));

    Ref<EAGLView> glView;
    if (window) {
        glView = window->makeGLView(window->mainScreenBounds(), kEAGLColorFormatRGB565, kDepthComponent16);
    }
    if (startUpObserved() && glView) {
        char depth[16];
        std::snprintf(depth, sizeof depth, "0x%X", static_cast<unsigned>(glView->depthFormat()));
        noteStartUpStep("glView " + std::to_string(int(glView->frame().size.width)) + "x" +
                        std::to_string(int(glView->frame().size.height)) + " " + glView->pixelFormat() +
                        " depth " + depth);
    }

    if (director) {
        if (glView) director->setOpenGLView(glView.get());
        director->enableRetinaDisplay(true);
        director->setDeviceOrientation(kCCDeviceOrientationPortrait);
        director->setAnimationInterval(1.0 / 30);
        director->setDisplayFPS(false);
    }
    if (startUpObserved() && director) {
        char interval[32];
        std::snprintf(interval, sizeof interval, "%.6f", director->animationInterval());
        noteStartUpStep(std::string("director view ") +
                        (glView && director->openGLView() == glView.get() ? "set" : "missing") + " scale " +
                        std::to_string(int(director->contentScaleFactor())) + " orientation " +
                        std::to_string(director->deviceOrientation()) + " interval " + interval + " fps " +
                        std::to_string(director->displayFPS()));
    }

    viewController.view = glView;
    application.setRootViewController(&viewController);
    const bool shown = window && glView && window->makeKeyAndVisible(glView.get());
    noteStartUpStep(std::string("window keyAndVisible ") + std::to_string(shown) + " rootViewController " +
                    (application.rootViewController() == &viewController ? "set" : "missing"));
    installSocialWindow();

    moveSaveFromCaches();
    noteStartUpStep("moveSaveFromCaches");
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
    noteStartUpStep("defaultPixelFormat " + std::to_string(int(CCTexture2D::defaultAlphaPixelFormat())));
    const std::string version = GlobalObject::bundleVersion();
    noteStartUpStep("version " + version);
    TallyAnalytics::setAppVersion(version);
    TallyAnalytics::startSession(kAnalyticsKey);
    TallyAnalytics::setSessionReportsOnPauseEnabled(true);
    noteStartUpStep("analytics version " + TallyAnalytics::appVersion() + " key " + kAnalyticsKey +
                    " reportsOnPause 1");
    // First use: the device kind comes from the configured director's window.
    GlobalObject* global = GlobalObject::sharedInstance();
    // A granted achievement slides its banner over whatever scene runs.
    global->achievementBanner = [](const std::string& textKey, int32_t points) {
        (void)AchievementPopUp::showOnRunningScene(textKey, points);
    };
    // The boards' ways out to screens of the front end that exist so far.
    session::setVillageSceneMaker([] { return Ref<CCScene>(VillageScene::scene()); });
    session::setTutorialMaker([](int32_t frame) -> Ref<CCNode> {
        return TutorialPopup::popUpWithFrame(Profile::sharedInstance()->GetTutorialDef(frame));
    });
    session::setTutorialOverlayMaker(
        [](int32_t frame) -> Ref<CCNode> { return TutorialAnim::overlayWithTutorialState(frame); });
    session::setCoinPackListMaker([](CCNode* guiParent) -> Ref<CCNode> { return MicroLayer::layerForMicro(guiParent); });
    LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
    noteStartUpStep("stringTable stringdb.csv");
    const double numericVersion = std::strtod(version.c_str(), nullptr);
    LumoraSlimlineSession::initWithAppID(kSocialAppID, this, numericVersion, kSocialTheme, kSocialSecret);
    if (startUpObserved()) {
        char value[32];
        std::snprintf(value, sizeof value, "%.1f", numericVersion);
        noteStartUpStep(std::string("social ") + kSocialAppID + " version " + value + " theme " + kSocialTheme);
    }
    LumoraSlimlineSession::lockToOrientationList({1, 2});
    noteStartUpStep("socialOrientations 1,2");
    global->SetupAudioEngine();
    noteStartUpStep("audioEngine started");
    CCDirector::sharedDirector()->setDepthTest(false);
    noteStartUpStep("depthTest off");
    auto scene = LoadingScene::scene();
    CCDirector::sharedDirector()->runWithScene(scene.get());
    noteStartUpStep("runWithScene loading");
}

void MosswickAppDelegate::applicationDidReceiveLocalNotification(const LocalNotification&)
{
    Application::sharedApplication().setApplicationIconBadgeNumber(0);
}

void MosswickAppDelegate::applicationWillResignActive() { CCDirector::sharedDirector()->pause(); }

void MosswickAppDelegate::applicationDidBecomeActive()
{
    Application::sharedApplication().setApplicationIconBadgeNumber(0);
    CCDirector::sharedDirector()->resume();
    GlobalObject::sharedInstance()->Reinit();
}

void MosswickAppDelegate::applicationDidReceiveMemoryWarning() { CCDirector::sharedDirector()->purgeCachedData(); }

void MosswickAppDelegate::applicationDidEnterBackground()
{
    // Only the village saves here, after the map has credited the bonuses
    // lying on it; every other scene (loading, menu, board, transition)
    // saves nothing.
    if (auto* village = dynamic_cast<VillageScene*>(CCDirector::sharedDirector()->runningScene())) {
        auto* map = dynamic_cast<MapScene*>(village->GetLayer());
        if (map) (void)map->CollectAllBonuses();
        if (map && map->placementOpen()) {
            // The building is paid for but on no slot yet: the last save,
            // from before the purchase, stands until the map saves it placed.
            logLine("Background: a building is being placed; the profile is not saved now");
        } else {
            Profile* profile = Profile::sharedInstance();
            // A background save still running would make Save skip this one.
            profile->saveFile().waitUntilIdle();
            profile->Save();
        }
    }
    CCDirector::sharedDirector()->stopAnimation();
}

void MosswickAppDelegate::applicationWillEnterForeground()
{
    RatingPrompt::appEnteredForeground(true);
    CCDirector::sharedDirector()->startAnimation();
}

void MosswickAppDelegate::applicationWillTerminate()
{
    // The profile is not saved here: leaving through the background saved it.
    // A use still being counted is written before the process goes.
    RatingPrompt::waitForCounting();
    // What is presented goes first, while the scenes and the shared instances
    // it holds or uses are all there (a game-centre screen holds the menu).
    // Nothing may start now: no alert is answered, no screen's done runs.
    AlertViewPresenter::sharedPresenter().closeAll();
    RootView::sharedRootView().closeAll();
    Application::sharedApplication().setRootViewController(nullptr);
    removeSocialWindow();
    // Running animations hold the social screens' views.
    UIView::removeAllAnimations();
    viewController.view = nullptr;
    window = nullptr;
    // The scenes, then the engine's shared objects.
    CCDirector::sharedDirector()->end();
}

void MosswickAppDelegate::endProgram(LifeCycle& lifeCycle)
{
    lifeCycle.quit();
    lifeCycle.setDelegate(nullptr);
    beginProgramEnd();
    endSharedInstances();
}

void MosswickAppDelegate::endSharedInstances()
{
    // A use still being counted writes the user defaults.
    RatingPrompt::waitForCounting();
    // The game's state, each before what it uses: the definitions, the
    // purchases, the global object (it records into the profile), the
    // profile, the save notices (they take down their alerts), the string
    // table.
    XMLManager::purgeSharedInstance();
    InAppPurchase::purgeSharedInstance();
    GlobalObject::purgeSharedInstance();
    Profile::purgeSharedInstance();
    SaveNotices::purgeSharedInstance();
    Shared<LocalisationManager>::purge();
    // The clients under it, then the sound engine: the facade first, then
    // the manager under it. The analytics uploads still going (the report of
    // the pause the quit made) end first: one ending during the process's
    // static destructors would reach services already destroyed.
    LumoraSlimlineSession::endSocialClient();
    TallyAnalytics::finishUploads();
    TallyAutoIncrement::purgeSharedInstance();
    SimpleAudioEngine::end();
    CDAudioManager::end();
}

void MosswickAppDelegate::applicationSignificantTimeChange()
{
    CCDirector::sharedDirector()->setNextDeltaTimeZero(true);
}

} // namespace mw
