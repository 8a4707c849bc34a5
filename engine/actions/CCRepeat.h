// The repeats: an action run a number of times, or for ever.

#pragma once

#include <cstdint>

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Runs an action a number of times one after the other; it lasts the inner
// duration times the count. An instant inner action acts once at the start
// and once at every restart, `times` executions in all.
class CCRepeat : public CCActionInterval {
public:
    // The action is retained and must not be null.
    CCRepeat(CCFiniteTimeAction* action, uint32_t times);

    static Ref<CCRepeat> actionWithAction(CCFiniteTimeAction* action, uint32_t times)
    {
        return makeRef<CCRepeat>(action, times);
    }

    CCFiniteTimeAction* innerAction() const { return innerAction_.get(); }
    void setInnerAction(CCFiniteTimeAction* action) { innerAction_ = action; }

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void stop() override;
    void update(float progress) override;
    bool isDone() const override { return total_ == times_; }
    // A repeat of the inner reverse with the same count; null when the inner has none.
    Ref<CCFiniteTimeAction> reverse() const override;

private:
    // The share of the whole progress one repetition takes.
    float repetitionSlice() const { return innerAction_->duration() / duration_; }

    uint32_t times_;      // repetitions still to be counted by update
    uint32_t total_ = 0;  // repetitions finished
    float nextDt_ = 0;    // the progress at which the current repetition ends
    bool isActionInstant_;
    Ref<CCFiniteTimeAction> innerAction_;
    uint32_t requestedTimes_;  // the count the repeat was made with
};

// Runs an interval action again and again, without end. Time left over at the
// end of a repetition carries into the next one. Stopping it does not stop
// the inner action.
class CCRepeatForever : public CCAction {
public:
    // The action is retained and must not be null.
    explicit CCRepeatForever(CCActionInterval* action) : innerAction_(action) {}

    static Ref<CCRepeatForever> actionWithAction(CCActionInterval* action)
    {
        return makeRef<CCRepeatForever>(action);
    }

    CCActionInterval* innerAction() const { return innerAction_.get(); }
    void setInnerAction(CCActionInterval* action) { innerAction_ = action; }

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void step(float dt) override;
    bool isDone() const override { return false; }
    // A repeat-forever of the inner reverse; null when the inner has none.
    Ref<CCRepeatForever> reverse() const;

private:
    Ref<CCActionInterval> innerAction_;
};

} // namespace mw
