#pragma once

// Interval and instant actions that show what the engine does to an action:
// which progress values reach it, when it starts and stops. Wrappers (eases,
// sequences, repeats), the action manager and nodes are checked through them.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"

namespace mw::test {

// An interval action that records every progress it is given, exactly, and
// counts its starts and stops.
class ProbeAction : public CCActionInterval {
public:
    explicit ProbeAction(float duration, std::vector<float>* log = nullptr)
        : CCActionInterval(duration), log_(log ? log : &ownLog_)
    {
    }

    Ref<CCAction> copy() const override { return makeRef<ProbeAction>(duration_, log_); }
    void startWithTarget(CCNode* target) override
    {
        CCActionInterval::startWithTarget(target);
        ++starts;
    }
    void stop() override
    {
        CCActionInterval::stop();
        ++stops;
    }
    void update(float t) override { log_->push_back(t); }
    // Reverses into a probe that writes to the same log, marked by its duration.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<ProbeAction>(duration_ + 100, log_); }

    const std::vector<float>& log() const { return *log_; }
    float last() const { return log_->empty() ? -1.0f : log_->back(); }

    int starts = 0;
    int stops = 0;

private:
    std::vector<float> ownLog_;
    std::vector<float>* log_;
};

// What the recorders below write, shared by every recorder of a test, in order.
using ActionLog = std::vector<std::string>;

// "name=0.25" style entries: the progress with up to four decimals.
inline std::string progressEntry(const std::string& name, float progress)
{
    char text[32];
    std::snprintf(text, sizeof text, "=%.4g", progress);
    return name + text;
}

// What the interval recorders share: an interval action that logs "name>"
// on start, "name=p" on every update and "name<" on stop, and runs an
// optional hook inside its step.
class RecorderBase : public CCActionInterval {
public:
    RecorderBase(std::string name, float duration, ActionLog* log)
        : CCActionInterval(duration), name(std::move(name)), log(log)
    {
    }

    void startWithTarget(CCNode* target) override
    {
        log->push_back(name + ">");
        CCActionInterval::startWithTarget(target);
    }
    void stop() override
    {
        log->push_back(name + "<");
        CCActionInterval::stop();
    }
    void update(float progress) override { log->push_back(progressEntry(name, progress)); }

    std::string name;
    ActionLog* log;
    std::function<void()> onStep;
    int steps = 0;

protected:
    void runHook()
    {
        if (onStep) onStep();
        ++steps;  // written after the hook: the action must still be alive here
    }
};

// A recorder whose hook runs after the interval timing in its own step. It
// overrides step, so the action manager steps it through a virtual call.
// Its reverse is a recorder named "name'" of the same duration.
class Recorder : public RecorderBase {
public:
    using RecorderBase::RecorderBase;

    Ref<CCAction> copy() const override { return makeRef<Recorder>(name, duration_, log); }
    void step(float dt) override
    {
        CCActionInterval::step(dt);
        runHook();
    }
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<Recorder>(name + "'", duration_, log); }
};

// The same with its hook run at the end of update, which the interval timing
// calls last in a step. It keeps the interval base's step and isDone, so the
// action manager runs them through direct calls.
class TimingRecorder : public RecorderBase {
public:
    using RecorderBase::RecorderBase;

    Ref<CCAction> copy() const override { return makeRef<TimingRecorder>(name, duration_, log); }
    void update(float progress) override
    {
        RecorderBase::update(progress);
        runHook();
    }
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<TimingRecorder>(name + "'", duration_, log);
    }
};

// An instant action that logs "name!" when it acts: on every start, as the
// engine's instant actions (callbacks, show, hide) do.
class InstantRecorder : public CCActionInstant {
public:
    InstantRecorder(std::string name, ActionLog* log) : name(std::move(name)), log(log) {}

    Ref<CCAction> copy() const override { return makeRef<InstantRecorder>(name, log); }
    void startWithTarget(CCNode* target) override
    {
        CCActionInstant::startWithTarget(target);
        log->push_back(name + "!");
    }
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<InstantRecorder>(name + "'", log); }

    std::string name;
    ActionLog* log;
};

} // namespace mw::test
