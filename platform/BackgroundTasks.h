#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace mw {

// Work the program asks to finish after it left the foreground. A task is
// begun with an expiration handler that the system may call when time runs
// out, and ended by the program when the work is done. The desktop never
// expires a task while the process runs; tests install a fake that can.
// Any thread.
class BackgroundTasks {
public:
    using TaskId = uint64_t;
    // The value of no task.
    static constexpr TaskId kInvalidTask = ~TaskId(0);

    static std::shared_ptr<BackgroundTasks> sharedInstance();
    // Installs an implementation, or the desktop's again for null; answers the previous.
    static std::shared_ptr<BackgroundTasks> replaceSharedInstance(std::shared_ptr<BackgroundTasks> tasks);

    virtual ~BackgroundTasks() = default;
    // A new task's identifier, or kInvalidTask when none can be begun.
    virtual TaskId beginTask(std::function<void()> expirationHandler) = 0;
    virtual void endTask(TaskId task) = 0;

    // Seconds the program may still run in the background: kForeground (a
    // very large value) in the foreground; from entering the background,
    // kBackgroundAllowance less the time spent there on the Clock's
    // monotonic time, never below 0. Fakes script their own.
    static constexpr double kForeground = 1.7976931348623157e308;
    static constexpr double kBackgroundAllowance = 600;
    virtual double backgroundTimeRemaining();
    // Told by the application frame when the program leaves and comes back
    // to the foreground.
    static void noteInBackground(bool inBackground);
};

} // namespace mw
