#include "foundation/Clock.h"

#include <chrono>
#include <mutex>

namespace mw {

double SystemClock::monotonicSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double SystemClock::wallSeconds()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

struct ManualClock::State {
    std::mutex mutex;
    double monotonic;
    double wall;
};

ManualClock::ManualClock(double monotonic, double wall) : state_(std::make_unique<State>())
{
    state_->monotonic = monotonic;
    state_->wall = wall;
}

ManualClock::~ManualClock() = default;

double ManualClock::monotonicSeconds()
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->monotonic;
}

double ManualClock::wallSeconds()
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->wall;
}

void ManualClock::advance(double seconds)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->monotonic += seconds;
    state_->wall += seconds;
}

void ManualClock::setMonotonic(double seconds)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->monotonic = seconds;
}

void ManualClock::setWall(double seconds)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->wall = seconds;
}

namespace {

struct Installed {
    std::mutex mutex;
    std::shared_ptr<ClockSource> source = std::make_shared<SystemClock>();
};

Installed& installed()
{
    static Installed instance;
    return instance;
}

} // namespace

std::shared_ptr<ClockSource> Clock::source()
{
    Installed& state = installed();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.source;
}

// The source is copied out of the lock, so a slow or re-entrant source never
// holds up others swapping it.
double Clock::monotonicSeconds() { return source()->monotonicSeconds(); }

double Clock::wallSeconds() { return source()->wallSeconds(); }

std::shared_ptr<ClockSource> Clock::setSource(std::shared_ptr<ClockSource> source)
{
    if (!source) {
        source = std::make_shared<SystemClock>();
    }
    Installed& state = installed();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::swap(state.source, source);
    return source;
}

} // namespace mw
