#include "platform/LocalNotifications.h"

#include <mutex>

#include "foundation/Log.h"

namespace mw {

namespace {

// Alerts of a program that is not running cannot be shown on a desktop: the
// log says what the player would have seen.
class LoggedLocalNotifications : public LocalNotifications {
public:
    void scheduleLocalNotification(const LocalNotification& notification) override
    {
        logLine("Notification at %.0f: %s", notification.fireDateUnixTime, notification.alertBody.c_str());
    }
    void cancelAllLocalNotifications() override { logLine("Notifications withdrawn"); }
};

std::mutex gLock;
std::shared_ptr<LocalNotifications>& installed()
{
    static std::shared_ptr<LocalNotifications> service = std::make_shared<LoggedLocalNotifications>();
    return service;
}

} // namespace

std::shared_ptr<LocalNotifications> LocalNotifications::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<LocalNotifications> LocalNotifications::replaceSharedInstance(
    std::shared_ptr<LocalNotifications> service)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!service) service = std::make_shared<LoggedLocalNotifications>();
    std::swap(service, installed());
    return service;
}

} // namespace mw
