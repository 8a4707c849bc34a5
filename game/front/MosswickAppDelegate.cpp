#include "game/front/MosswickAppDelegate.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <string>
#include <fcntl.h>
#include <stdio.h>

#include "analytics/TallyAnalytics.h"
#include "engine/director/CCDirectorIOS.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "foundation/StartUpTrace.h"
#include "game/front/LoadingScene.h"
#include "game/front/RatingPrompt.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "platform/Application.h"

namespace mw {

MosswickAppDelegate::MosswickAppDelegate()
{
    Application::sharedApplication().setDelegate(this);
}

MosswickAppDelegate::~MosswickAppDelegate()
{
    Application& application = Application::sharedApplication();
    if (application.delegate() == this) application.setDelegate(nullptr);
    if (application.rootViewController() == &viewController) application.setRootViewController(nullptr);
    CCSpriteFrameCache::sharedSpriteFrameCache()->removeUnusedSpriteFrames();
}

void MosswickAppDelegate::moveSaveFromCaches()
{
    const std::string from = Paths::cachesPath("supersave.plist");
    const std::string to = Paths::documentsPath("supersave.plist");
    if (!Paths::fileExists(from)) return;
    Paths::createDirectories(Paths::documentsDirectory());
    // The platform's move refuses to replace an existing file: so does this one.
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        logLine("Err desc-%s", std::strerror(errno));
    }
}

std::string MosswickAppDelegate::bundleVersion()
{
    auto info = readPropertyListFile(Paths::pathForResource("Info.plist"));
    return info ? (*info)["CFBundleVersion"].asString() : std::string();
}

void MosswickAppDelegate::applicationDidFinishLaunching()
{
    Application& application = Application::sharedApplication();
    application.setApplicationIconBadgeNumber(0);
    noteStartUpStep("badge " + std::to_string(application.applicationIconBadgeNumber()));
    // The window, the GL view (RGB565, 16-bit depth) and the director kind
    // (display link where the window offers it, else the timer) come from the
    // frame driver; the rest of the director's set-up is the game's.
    auto* director = dynamic_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    if (director) {
        director->enableRetinaDisplay(true);
        director->setDeviceOrientation(kCCDeviceOrientationPortrait);
    }
    CCDirector::sharedDirector()->setAnimationInterval(1.0 / 30);
    CCDirector::sharedDirector()->setDisplayFPS(false);
    if (startUpObserved() && director) {
        char interval[32];
        std::snprintf(interval, sizeof interval, "%.6f", director->animationInterval());
        noteStartUpStep("director scale " + std::to_string(int(director->contentScaleFactor())) + " orientation " +
                        std::to_string(director->deviceOrientation()) + " interval " + interval + " fps " +
                        std::to_string(director->displayFPS()));
    }
    application.setRootViewController(&viewController);
    noteStartUpStep(std::string("rootViewController ") +
                    (application.rootViewController() == &viewController ? "set" : "missing"));

    moveSaveFromCaches();
    noteStartUpStep("moveSaveFromCaches");
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
    noteStartUpStep("defaultPixelFormat " + std::to_string(int(CCTexture2D::defaultAlphaPixelFormat())));
    const std::string version = bundleVersion();
    noteStartUpStep("version " + version);
    TallyAnalytics::setAppVersion(version);
    TallyAnalytics::startSession(kAnalyticsKey);
    TallyAnalytics::setSessionReportsOnPauseEnabled(true);
    noteStartUpStep("analytics version " + TallyAnalytics::appVersion() + " key " + kAnalyticsKey +
                    " reportsOnPause 1");
    // First use: the device kind comes from the configured director's window.
    GlobalObject* global = GlobalObject::sharedInstance();
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
    // The village scene collects its bonuses and saves here once it exists;
    // every other scene (loading, menu, board, transition) saves nothing.
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
    Application::sharedApplication().setRootViewController(nullptr);
    CCDirector::sharedDirector()->end();
}

void MosswickAppDelegate::applicationSignificantTimeChange()
{
    CCDirector::sharedDirector()->setNextDeltaTimeZero(true);
}

} // namespace mw
