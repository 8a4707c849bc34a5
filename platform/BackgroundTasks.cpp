#include "platform/BackgroundTasks.h"

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

} // namespace

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
