#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

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
