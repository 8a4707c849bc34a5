#pragma once

#include <memory>

namespace mw {

// Where time comes from. The frame loop and the run loop's timers read the
// monotonic time; dates (timed events, saved timestamps) read the wall time.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    // Seconds on a clock that never goes back; its zero is arbitrary.
    virtual double monotonicSeconds() = 0;
    // Seconds since 1970-01-01 00:00 UTC.
    virtual double wallSeconds() = 0;
};

// The real clocks: std::chrono::steady_clock and system_clock.
class SystemClock : public ClockSource {
public:
    double monotonicSeconds() override;
    double wallSeconds() override;
};

// A clock that only moves when told: tests drive frames and timers with it.
// Safe to read and move from any thread.
class ManualClock : public ClockSource {
public:
    explicit ManualClock(double monotonic = 0, double wall = 1'000'000'000);
    ~ManualClock() override;
    double monotonicSeconds() override;
    double wallSeconds() override;
    // Moves both clocks forward by the same amount.
    void advance(double seconds);
    void setMonotonic(double seconds);
    void setWall(double seconds);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The process-wide clock. Reads go to the installed source (a SystemClock
// unless a test installed another); safe from any thread.
class Clock {
public:
    static double monotonicSeconds();
    static double wallSeconds();
    // Installs a source, or the system clock again for null; answers the
    // previous one.
    static std::shared_ptr<ClockSource> setSource(std::shared_ptr<ClockSource> source);
    static std::shared_ptr<ClockSource> source();
};

// Installs a source for the life of a scope (a test), then restores the previous.
class ScopedClockSource {
public:
    explicit ScopedClockSource(std::shared_ptr<ClockSource> source)
        : previous_(Clock::setSource(std::move(source))) {}
    ~ScopedClockSource() { Clock::setSource(std::move(previous_)); }
    ScopedClockSource(const ScopedClockSource&) = delete;
    ScopedClockSource& operator=(const ScopedClockSource&) = delete;

private:
    std::shared_ptr<ClockSource> previous_;
};

} // namespace mw
