#pragma once

#include "engine/actions/CCActionInterval.h"
#include "engine/nodes/CCNode.h"

namespace mw {

// Runs an action on another node than the one that runs it (inside a
// sequence, for instance). The forced target and the action are retained.
// Run directly on a node, the action manager still drops it when it is done;
// stopping it by object goes through its forced target.
class CCTargetedAction : public CCActionInterval {
public:
    // Neither may be null.
    CCTargetedAction(CCNode* target, CCFiniteTimeAction* action)
        : CCActionInterval(action->duration()), forcedTarget_(target), action_(action)
    {
    }

    static Ref<CCTargetedAction> actionWithTarget(CCNode* target, CCFiniteTimeAction* action)
    {
        return makeRef<CCTargetedAction>(target, action);
    }

    CCNode* forcedTarget() const { return forcedTarget_.get(); }
    void setForcedTarget(CCNode* target) { forcedTarget_ = target; }

    Ref<CCAction> copy() const override
    {
        Ref<CCFiniteTimeAction> action = copyAs<CCFiniteTimeAction>(*action_);
        return makeRef<CCTargetedAction>(forcedTarget_.get(), action);
    }
    // The given node is ignored: everything runs on the forced target.
    void startWithTarget(CCNode* target) override
    {
        CCActionInterval::startWithTarget(forcedTarget_.get());
        action_->startWithTarget(forcedTarget_.get());
    }
    // Stops only the inner action.
    void stop() override { action_->stop(); }
    void update(float progress) override { action_->update(progress); }

private:
    Ref<CCNode> forcedTarget_;
    Ref<CCFiniteTimeAction> action_;
};

} // namespace mw
