#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Runs an interval action faster or slower: each frame's time step is
// multiplied by the speed. Done when the inner action is done.
class CCSpeed : public CCAction {
public:
    // The action is retained and must not be null.
    CCSpeed(CCActionInterval* action, float speed) : innerAction_(action), speed_(speed) {}

    static Ref<CCSpeed> actionWithAction(CCActionInterval* action, float speed)
    {
        return makeRef<CCSpeed>(action, speed);
    }

    // May change while the action runs.
    float speed() const { return speed_; }
    void setSpeed(float speed) { speed_ = speed; }
    CCActionInterval* innerAction() const { return innerAction_.get(); }
    void setInnerAction(CCActionInterval* action) { innerAction_ = action; }

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void stop() override;
    void step(float dt) override { innerAction_->step(dt * speed_); }
    bool isDone() const override { return innerAction_->isDone(); }
    // A speed action of the inner reverse; null when the inner has none.
    Ref<CCSpeed> reverse() const;

private:
    Ref<CCActionInterval> innerAction_;
    float speed_;
};

} // namespace mw
