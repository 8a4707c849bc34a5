#pragma once

namespace mw {

struct LocalNotification;

// Posted through the default notification centre (null object) right after
// the delegate was told, for parts that follow the life-cycle on their own
// (the audio manager).
inline constexpr const char* UIApplicationWillResignActiveNotification =
    "UIApplicationWillResignActiveNotification";
inline constexpr const char* UIApplicationDidBecomeActiveNotification =
    "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* UIApplicationWillTerminateNotification =
    "UIApplicationWillTerminateNotification";
inline constexpr const char* UIApplicationDidEnterBackgroundNotification =
    "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* UIApplicationWillEnterForegroundNotification =
    "UIApplicationWillEnterForegroundNotification";
inline constexpr const char* UIApplicationSignificantTimeChangeNotification =
    "UIApplicationSignificantTimeChangeNotification";

// The application's life-cycle events, in the order the phone delivers them:
// launched then active; resign active before entering the background; enter
// the foreground before becoming active again; on quitting, the background
// (where the game saves) before terminate. Every operation is optional.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching() {}
    virtual void applicationWillResignActive() {}
    virtual void applicationDidBecomeActive() {}
    virtual void applicationDidEnterBackground() {}
    virtual void applicationWillEnterForeground() {}
    virtual void applicationWillTerminate() {}
    virtual void applicationDidReceiveMemoryWarning() {}
    // The wall clock jumped or a new day began (timers based on dates should
    // be re-planned).
    virtual void applicationSignificantTimeChange() {}
    // A local notification whose date passed while the application ran.
    virtual void applicationDidReceiveLocalNotification(const LocalNotification& /*notification*/) {}
};

} // namespace mw
