#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Runs an action backwards in time: progress t becomes 1 - t.
class CCReverseTime : public CCActionInterval {
public:
    // The action is retained and must not be null.
    explicit CCReverseTime(CCFiniteTimeAction* action)
        : CCActionInterval(action->duration()), other_(action)
    {
    }

    static Ref<CCReverseTime> actionWithAction(CCFiniteTimeAction* action)
    {
        return makeRef<CCReverseTime>(action);
    }

    Ref<CCAction> copy() const override
    {
        Ref<CCFiniteTimeAction> other = copyAs<CCFiniteTimeAction>(*other_);
        return makeRef<CCReverseTime>(other);
    }
    void startWithTarget(CCNode* target) override
    {
        CCActionInterval::startWithTarget(target);
        other_->startWithTarget(target);
    }
    void stop() override
    {
        other_->stop();
        CCActionInterval::stop();
    }
    void update(float progress) override { other_->update(1 - progress); }
    // Reversing twice gives the action itself (a copy of it).
    Ref<CCFiniteTimeAction> reverse() const override { return copyAs<CCFiniteTimeAction>(*other_); }

private:
    Ref<CCFiniteTimeAction> other_;
};

} // namespace mw
