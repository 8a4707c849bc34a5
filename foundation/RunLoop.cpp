#include "foundation/RunLoop.h"

#include <algorithm>
#include <chrono>

#include "foundation/Clock.h"

namespace mw {

namespace {

// Captured during static initialisation, which runs on the process's main
// thread before main(), so RunLoop::main() knows its thread even when a
// background thread is the first to reach it.
const std::thread::id processMainThread = std::this_thread::get_id();

// A fire date within a microsecond of now counts as reached. A clock moved
// in fixed steps (the headless frame driver) and a date summed from a timer's
// interval round differently: a timer short by the last bit would otherwise
// wait a whole step more.
constexpr double kDueTolerance = 1e-6;

// How long a wait first watches the queue without sleeping: work handed over
// from another thread within this time is taken at once, and the thread
// handing it over wakes nobody (waking a sleeping thread costs both sides far
// more than this on a loaded machine).
constexpr double kSpinSeconds = 50e-6;

} // namespace

RunLoop& RunLoop::main()
{
    // Never destroyed: services that outlive main() (the shared HTTP
    // transport among them) still reach it from their own destructors.
    static RunLoop* const loop = new RunLoop(processMainThread);
    return *loop;
}

void RunLoop::performOnMain(std::function<void()> work, bool waitUntilDone)
{
    main().perform(std::move(work), waitUntilDone);
}

RunLoop::RunLoop() : owner_(std::this_thread::get_id()) {}

RunLoop::RunLoop(std::thread::id owner) : owner_(owner) {}

// Pending work is dropped; its waiting callers wake up (their promise breaks).
RunLoop::~RunLoop() = default;

void RunLoop::perform(std::function<void()> work, bool waitUntilDone)
{
    if (!work) {
        return;
    }
    if (waitUntilDone && isOwnerThread()) {
        work();
        return;
    }
    std::shared_ptr<std::promise<void>> done;
    std::future<void> finished;
    if (waitUntilDone) {
        done = std::make_shared<std::promise<void>>();
        finished = done->get_future();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(Work{std::move(work), std::move(done)});
        queuedWork_.store(true, std::memory_order_release);
    }
    queued_.notify_all();
    if (finished.valid()) {
        finished.wait();
    }
}

void RunLoop::addTimer(const Ref<NSTimer>& timer)
{
    if (!timer || !timer->isValid()) {
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) {
        timers_.push_back(timer);
    }
}

void RunLoop::drain()
{
    runQueuedWork();
    fireDueTimers();
}

void RunLoop::waitForInput(double maxSeconds)
{
    double bound = maxSeconds;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!queue_.empty()) {
            return;
        }
        const double now = Clock::monotonicSeconds();
        for (const Ref<NSTimer>& timer : timers_) {
            if (timer->isValid()) {
                bound = std::min(bound, timer->fireDate() - now);
            }
        }
        if (bound <= kDueTolerance) {
            return;
        }
    }
    if (spinForWork(std::min(bound, kSpinSeconds))) return;
    std::unique_lock<std::mutex> lock(mutex_);
    queued_.wait_for(lock, std::chrono::duration<double>(bound), [this] { return !queue_.empty(); });
}

bool RunLoop::spinForWork(double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (int round = 0;; ++round) {
        if (queuedWork_.load(std::memory_order_acquire)) return true;
        // The clock is read every few rounds only.
        if ((round & 15) == 15 && std::chrono::steady_clock::now() >= end) return false;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
}

void RunLoop::setEventSource(EventSource source)
{
    eventSource_ = std::move(source);
}

bool RunLoop::runOnce()
{
    // A copy: the source may replace itself while it runs.
    const EventSource source = eventSource_;
    const bool handledEvents = source && source();
    const bool ranWork = runQueuedWork();
    fireDueTimers();
    return handledEvents || ranWork;
}

bool RunLoop::runQueuedWork()
{
    std::deque<Work> batch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch.swap(queue_);
        queuedWork_.store(false, std::memory_order_relaxed);
    }
    for (Work& work : batch) {
        work.run();
        if (work.done) {
            work.done->set_value();
        }
    }
    return !batch.empty();
}

void RunLoop::fireDueTimers()
{
    double now = Clock::monotonicSeconds();
    std::vector<Ref<NSTimer>> due;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::erase_if(timers_, [](const Ref<NSTimer>& t) { return !t->isValid(); });
        for (const Ref<NSTimer>& timer : timers_) {
            if (timer->fireDate() <= now + kDueTolerance) {
                due.push_back(timer);
            }
        }
    }
    std::stable_sort(due.begin(), due.end(), [](const Ref<NSTimer>& a, const Ref<NSTimer>& b) {
        if (a->fireDate() != b->fireDate()) {
            return a->fireDate() < b->fireDate();
        }
        return a->creationOrder() < b->creationOrder();
    });
    for (const Ref<NSTimer>& timer : due) {
        if (timer->isValid()) { // an earlier callback may have invalidated it
            timer->fireFromLoop(now);
        }
    }
    // Invalidated timers (one-shots included) leave the list on the next drain.
}

bool RunLoop::runUntil(const std::function<bool()>& predicate, double timeoutSeconds)
{
    using namespace std::chrono;
    auto timeout = duration_cast<steady_clock::duration>(duration<double>(timeoutSeconds));
    auto deadline = steady_clock::now() + timeout;
    while (true) {
        drain();
        if (predicate()) {
            return true;
        }
        if (steady_clock::now() >= deadline) {
            return false;
        }
        const double left = duration<double>(deadline - steady_clock::now()).count();
        waitForInput(std::min(0.001, left));
    }
}

size_t RunLoop::timerCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto valid = [](const Ref<NSTimer>& t) { return t->isValid(); };
    return size_t(std::count_if(timers_.begin(), timers_.end(), valid));
}

size_t RunLoop::pendingWorkCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

} // namespace mw
