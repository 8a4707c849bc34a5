#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/NSTimer.h"
#include "foundation/Ref.h"

namespace mw {

// The main thread's run loop: work handed over from other threads and the
// run-loop timers. The frame driver calls drain() once per frame.
class RunLoop {
public:
    // The loop of the process's main thread.
    static RunLoop& main();
    // Shorthand for main().perform(...).
    static void performOnMain(std::function<void()> work, bool waitUntilDone = false);

    // A loop owned by the calling thread (tests make their own).
    RunLoop();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // Runs work on the loop's thread during the next drain, after the work
    // queued before it. With waitUntilDone, the owner thread runs it at once
    // and any other thread blocks until a drain has run it (or the loop is
    // destroyed). Safe from any thread.
    void perform(std::function<void()> work, bool waitUntilDone = false);

    // Schedules a valid timer; adding it twice does nothing. Any thread.
    void addTimer(const Ref<NSTimer>& timer);

    // Runs the queued work in order (work queued meanwhile waits for the
    // next drain), then fires the timers due on the monotonic Clock (to the
    // microsecond) in order of fire date, ties in order of creation. A
    // repeating timer late by a whole interval or more fires once and is rescheduled from now. Timers
    // added during the drain first fire in a later one; a timer invalidated
    // during the drain does not fire. Owner thread only.
    void drain();

    // A source of events from outside the process (the window system's
    // queue) that runOnce() polls: it handles what is pending without
    // waiting and answers whether it handled anything. The window's program
    // installs one so that a frame driver which never returns to the
    // program's own loop still lets the window respond; null removes it.
    // Owner thread only.
    using EventSource = std::function<bool()>;
    void setEventSource(EventSource source);

    // One turn as the busy frame drivers run the loop: polls the event
    // source, then drains. Answers whether an event or queued work was
    // handled; timers that fire do not count, so turning until nothing is
    // handled ends even with a timer due at every turn. Owner thread only.
    bool runOnce();

    // Sleeps for at most maxSeconds of real time, less when a timer is due
    // earlier, and not at all when work is queued. Work queued meanwhile
    // from another thread ends the sleep at once. Runs nothing itself: a
    // drain follows. Owner thread only.
    void waitForInput(double maxSeconds);

    // Drains until predicate answers true or timeoutSeconds of real time
    // pass (real time, so a test's manual Clock cannot stall it). Between
    // drains it waits for input for up to a millisecond. Answers the last
    // value of predicate. Owner thread only.
    bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds);

    bool isOwnerThread() const { return std::this_thread::get_id() == owner_; }
    // Valid timers scheduled.
    size_t timerCount() const;
    // Work queued for the next drain.
    size_t pendingWorkCount() const;

private:
    explicit RunLoop(std::thread::id owner);

    struct Work {
        std::function<void()> run;
        std::shared_ptr<std::promise<void>> done; // set for a waiting caller
    };

    // Answers whether there was any work.
    bool runQueuedWork();
    void fireDueTimers();
    // Watches for queued work for at most `seconds`; answers whether some came.
    bool spinForWork(double seconds);

    std::thread::id owner_;
    mutable std::mutex mutex_;
    std::deque<Work> queue_;
    std::vector<Ref<NSTimer>> timers_;
    EventSource eventSource_; // owner thread only, so not under the mutex
    std::condition_variable queued_; // signalled by perform() for waitForInput
    std::atomic<bool> queuedWork_{false}; // the queue is not empty (set under the mutex)
};

} // namespace mw
