#include "platform/LifeCycle.h"

#include <SDL.h>

#include <cmath>
#include <ctime>

#include "foundation/NotificationCenter.h"
#include "platform/BackgroundTasks.h"

namespace mw {

namespace {

// Days since some fixed day in local time; only changes matter.
int localDayOf(double wallSeconds)
{
    const std::time_t seconds = static_cast<std::time_t>(wallSeconds);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local.tm_year * 400 + local.tm_yday;
}

constexpr double kClockJumpSeconds = 60;

void post(const char* name) { NotificationCenter::defaultCenter().postNotification(name); }

} // namespace

void LifeCycle::launch()
{
    if (launched_) return;
    launched_ = true;
    if (delegate_) delegate_->applicationDidFinishLaunching();
    active_ = true;
    if (delegate_) delegate_->applicationDidBecomeActive();
    post(UIApplicationDidBecomeActiveNotification);
}

bool LifeCycle::handleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
    case SDL_APP_TERMINATING:
        quit();
        return true;
    case SDL_APP_LOWMEMORY:
        memoryWarning();
        return true;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST: focusLost(); return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED: focusGained(); return true;
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN: hidden(); return true;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN: shown(); return true;
        default: return false;
        }
    default:
        return false;
    }
}

void LifeCycle::focusLost()
{
    if (!running() || !active_) return;
    active_ = false;
    if (delegate_) delegate_->applicationWillResignActive();
    post(UIApplicationWillResignActiveNotification);
}

void LifeCycle::focusGained()
{
    if (!running()) return;
    shown(); // a focused window is on screen, whether or not "restored" came first
    if (active_) return;
    active_ = true;
    if (delegate_) delegate_->applicationDidBecomeActive();
    post(UIApplicationDidBecomeActiveNotification);
}

void LifeCycle::hidden()
{
    if (!running()) return;
    focusLost();
    if (background_) return;
    background_ = true;
    BackgroundTasks::noteInBackground(true);
    if (delegate_) delegate_->applicationDidEnterBackground();
    post(UIApplicationDidEnterBackgroundNotification);
}

void LifeCycle::shown()
{
    if (!running() || !background_) return;
    background_ = false;
    BackgroundTasks::noteInBackground(false);
    if (delegate_) delegate_->applicationWillEnterForeground();
    post(UIApplicationWillEnterForegroundNotification);
}

void LifeCycle::quit()
{
    if (terminated_) return;
    if (launched_) hidden();
    terminated_ = true;
    if (!launched_) return;
    if (delegate_) delegate_->applicationWillTerminate();
    post(UIApplicationWillTerminateNotification);
}

void LifeCycle::memoryWarning()
{
    if (running() && delegate_) delegate_->applicationDidReceiveMemoryWarning();
}

void LifeCycle::checkClock(double wallSeconds, double monotonicSeconds)
{
    const double offset = wallSeconds - monotonicSeconds;
    const int day = localDayOf(wallSeconds);
    if (!clockKnown_) {
        clockKnown_ = true;
        clockOffset_ = offset;
        localDay_ = day;
        return;
    }
    const bool jumped = std::fabs(offset - clockOffset_) > kClockJumpSeconds;
    const bool newDay = day != localDay_;
    clockOffset_ = offset;
    localDay_ = day;
    if (!(jumped || newDay) || !running()) return;
    if (delegate_) delegate_->applicationSignificantTimeChange();
    post(UIApplicationSignificantTimeChangeNotification);
}

} // namespace mw
