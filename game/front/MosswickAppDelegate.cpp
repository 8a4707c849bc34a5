#include "game/front/MosswickAppDelegate.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>

#include "analytics/TallyAnalytics.h"
#include "engine/director/CCDirectorIOS.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
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
    application.setRootViewController(&viewController);

    moveSaveFromCaches();
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
    const std::string version = bundleVersion();
    TallyAnalytics::setAppVersion(version);
    TallyAnalytics::startSession(kAnalyticsKey);
    TallyAnalytics::setSessionReportsOnPauseEnabled(true);
    // First use: the device kind comes from the configured director's window.
    GlobalObject* global = GlobalObject::sharedInstance();
    LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
    LumoraSlimlineSession::initWithAppID(kSocialAppID, this, std::strtod(version.c_str(), nullptr), kSocialTheme,
                                         kSocialSecret);
    LumoraSlimlineSession::lockToOrientationList({1, 2});
    global->SetupAudioEngine();
    CCDirector::sharedDirector()->setDepthTest(false);
    auto scene = LoadingScene::scene();
    CCDirector::sharedDirector()->runWithScene(scene.get());
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
