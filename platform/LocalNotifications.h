#pragma once

#include <memory>
#include <string>

namespace mw {

// One alert the platform shows at a wall-clock time, whether the game runs
// or not.
struct LocalNotification {
    double fireDateUnixTime = 0; // seconds since 1970-01-01 UTC
    std::string timeZone;        // empty: the default zone (fires at the same wall-clock time)
    int badgeNumber = 0;         // application icon badge
    std::string alertBody;
    std::string alertAction;     // the caption of the button that opens the game
    std::string soundName;       // a file of the bundle
};

// The platform's scheduler of local notifications. A desktop has no alerts
// of an application that is not running, so the service the game uses on
// Linux logs what is scheduled and withdrawn; a notification whose date
// passes while the program runs reaches the application delegate
// (applicationDidReceiveLocalNotification) from the main run loop. Tests
// install a recording fake. Main thread.
class LocalNotifications {
public:
    // The installed service (the logging one unless another was installed).
    static std::shared_ptr<LocalNotifications> sharedInstance();
    // Installs a service, or the logging one again for null; answers the previous.
    static std::shared_ptr<LocalNotifications> replaceSharedInstance(std::shared_ptr<LocalNotifications> service);

    virtual ~LocalNotifications() = default;
    virtual void scheduleLocalNotification(const LocalNotification& notification) = 0;
    // Withdraws every notification of the application not yet shown.
    virtual void cancelAllLocalNotifications() = 0;
};

} // namespace mw
