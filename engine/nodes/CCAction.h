#pragma once

// The action bases, which the action manager drives: the action, the action
// of a known duration, and the timed base of every interval action.

#include <algorithm>
#include <cmath>
#include <string>

#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class CCNode;

// Something that changes a node over time or at once. The action manager
// drives every action the same way: startWithTarget once, then step(dt) once
// per frame until isDone, then stop. Composites may instead call
// startWithTarget, update(progress) and stop directly on inner actions, so
// every action accepts update without a preceding step. An action may be
// started again after stop; a restart resets its timing.
//
// An action does not retain its target: the scene graph holds the node and
// the action manager retains it while actions run on it.
class CCAction : public Object {
public:
    CCAction() = default;

    static Ref<CCAction> action() { return makeRef<CCAction>(); }

    // An idle copy of the action's class. The base copy keeps the tag.
    virtual Ref<CCAction> copy() const;

    virtual void startWithTarget(CCNode* target);
    // Clears the target; the original target stays for later look-ups.
    virtual void stop();
    virtual bool isDone() const { return true; }
    // Advances by a frame's time step. The base only logs: concrete actions override it.
    virtual void step(float dt);
    // Applies progress 0..1. The base only logs: concrete actions override it.
    virtual void update(float progress);

    // The node being driven; null while not running.
    CCNode* target() const { return target_; }
    // The node the action was last started on.
    CCNode* originalTarget() const { return originalTarget_; }
    void setOriginalTarget(CCNode* node) { originalTarget_ = node; }
    // -1 means no tag.
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // "<CLASS = ADDRESS | Tag = TAG>"
    virtual std::string description() const;

protected:
    // The tag first: it fills the room after the reference count, which
    // brings the interval timing's fields into the action's first 48 bytes,
    // read together by every frame's step.
    int tag_ = -1;
    CCNode* originalTarget_ = nullptr;
    CCNode* target_ = nullptr;
};

// A downcast of a copy, for composites that copy their inner actions.
template <typename T>
Ref<T> copyAs(const T& action)
{
    return Ref<T>(static_cast<T*>(action.copy().get()));
}

// An action with a known duration in seconds (0 for instant actions).
class CCFiniteTimeAction : public CCAction {
public:
    float duration() const { return duration_; }
    void setDuration(float seconds) { duration_ = seconds; }

    // The action that undoes this one, or null when the class has none.
    virtual Ref<CCFiniteTimeAction> reverse() const { return nullptr; }

protected:
    CCFiniteTimeAction() = default;
    float duration_ = 0;
};

// The base of every timed action: turns frame time steps into a progress
// value from 0 to 1 for update(). The first step after every start applies
// progress 0 whatever its time step (or a random point of the duration for a
// random-start sequence); time counts from the second step on.
class CCActionInterval : public CCFiniteTimeAction {
public:
    // A duration of 0 becomes FLT_EPSILON, so the timing never divides by zero.
    explicit CCActionInterval(float duration);

    static Ref<CCActionInterval> actionWithDuration(float duration)
    {
        return makeRef<CCActionInterval>(duration);
    }

    // A copy with the same duration; the tag is not copied.
    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    bool isDone() const override { return elapsed_ >= duration_; }
    // Inline so that the action manager can run it through a direct call
    // for classes that keep it.
    void step(float dt) override
    {
        if (!firstTick_) {
            elapsed_ += dt;
        } else {
            beginFirstStep();
        }
        update(progress());
    }

    // Seconds since the start (not capped at the duration).
    float elapsed() const { return static_cast<float>(elapsed_); }

protected:
    // elapsed_ / duration_ in single precision, 1 exactly when done and below
    // 1 until then (a quotient just short of 1 would round up to it).
    float progress() const
    {
        if (elapsed_ >= duration_) return 1.0f;
        return std::min(static_cast<float>(elapsed_ / duration_), std::nextafter(1.0f, 0.0f));
    }

    // Random-start sequences make their first step after every start begin at
    // a random point of the duration.
    void setSkipFirstTick() { skipFirstTick_ = true; }

    // The exact sum of the frame steps since the first one: a float sum
    // loses a few units in the last place over a long delay, so 45 steps of
    // 1/30 s stayed short of 1.5 s and every delay ran one frame long.
    double elapsed_ = 0;
    bool firstTick_ = true;
    bool skipFirstTick_ = false;

private:
    // The first step after a start ignores its time step.
    void beginFirstStep();
};

} // namespace mw
