#include "platform/BackgroundTasks.h"

#include "foundation/Clock.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace mw {

namespace {

// A desktop process keeps running in the background: tasks only get numbers.
class DesktopBackgroundTasks : public BackgroundTasks {
public:
    TaskId beginTask(std::function<void()>) override { return next_++; }
    void endTask(TaskId) override { }

private:
    std::atomic<TaskId> next_ { 1 };
};

std::mutex gLock;
std::shared_ptr<BackgroundTasks>& installed()
{
    static std::shared_ptr<BackgroundTasks> tasks = std::make_shared<DesktopBackgroundTasks>();
    return tasks;
}

// Monotonic time the program entered the background; negative in the foreground.
std::atomic<double> gEnteredBackground{-1};

} // namespace

double BackgroundTasks::backgroundTimeRemaining()
{
    const double entered = gEnteredBackground.load();
    if (entered < 0) return kForeground;
    return std::max(0.0, kBackgroundAllowance - (Clock::monotonicSeconds() - entered));
}

void BackgroundTasks::noteInBackground(bool inBackground)
{
    gEnteredBackground.store(inBackground ? std::max(0.0, Clock::monotonicSeconds()) : -1.0);
}

std::shared_ptr<BackgroundTasks> BackgroundTasks::sharedInstance()
{
    std::lock_guard<std::mutex> guard(gLock);
    return installed();
}

std::shared_ptr<BackgroundTasks>
BackgroundTasks::replaceSharedInstance(std::shared_ptr<BackgroundTasks> tasks)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!tasks) tasks = std::make_shared<DesktopBackgroundTasks>();
    std::swap(tasks, installed());
    return tasks;
}

} // namespace mw
