#include "platform/LocalNotifications.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NSTimer.h"
#include "foundation/RunLoop.h"
#include "platform/Application.h"

namespace mw {

namespace {

// Alerts of a program that is not running cannot be shown on a desktop: the
// log says what the player would have seen. One whose date passes while the
// program runs reaches the application, as on the phone; the dates are
// checked once a second on the main run loop.
class DesktopLocalNotifications : public LocalNotifications,
                                  public std::enable_shared_from_this<DesktopLocalNotifications> {
public:
    ~DesktopLocalNotifications() override
    {
        if (timer_) timer_->invalidate();
    }
    void scheduleLocalNotification(const LocalNotification& notification) override
    {
        logLine("Notification at %.0f: %s", notification.fireDateUnixTime, notification.alertBody.c_str());
        pending_.push_back(notification);
        std::stable_sort(pending_.begin(), pending_.end(), [](const auto& a, const auto& b) {
            return a.fireDateUnixTime < b.fireDateUnixTime;
        });
        if (!timer_) {
            std::weak_ptr<DesktopLocalNotifications> weak = weak_from_this();
            timer_ = NSTimer::timer(1.0, true, [weak](NSTimer*) {
                if (auto self = weak.lock()) self->deliverDue();
            });
            RunLoop::main().addTimer(timer_);
        }
    }
    void cancelAllLocalNotifications() override
    {
        logLine("Notifications withdrawn");
        pending_.clear();
        stopTimer();
    }

private:
    void deliverDue()
    {
        const double now = Clock::wallSeconds();
        while (!pending_.empty() && pending_.front().fireDateUnixTime <= now) {
            LocalNotification due = pending_.front();
            pending_.erase(pending_.begin());
            Application::sharedApplication().receiveLocalNotification(due);
        }
        if (pending_.empty()) stopTimer();
    }
    void stopTimer()
    {
        if (timer_) timer_->invalidate();
        timer_ = nullptr;
    }

    std::vector<LocalNotification> pending_; // by date
    Ref<NSTimer> timer_;
};

std::mutex gLock;
std::shared_ptr<LocalNotifications>& installed()
{
    static std::shared_ptr<LocalNotifications> service = std::make_shared<DesktopLocalNotifications>();
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
    if (!service) service = std::make_shared<DesktopLocalNotifications>();
    std::swap(service, installed());
    return service;
}

} // namespace mw
