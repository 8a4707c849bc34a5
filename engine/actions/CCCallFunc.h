#pragma once

#include <string>

#include "engine/actions/CCActionInstant.h"
#include "foundation/Selector.h"

namespace mw {

// Calls an operation without arguments on an object when started. The
// object is retained until the action is released, so a node that runs a
// callback on itself lives at least until the action manager drops it.
//
// The call is made by execute(), which every start invokes; subclasses
// change the call by overriding execute() alone.
class CCCallFunc : public CCActionInstant {
public:
    // A null target or selector makes an action that calls nothing.
    CCCallFunc(Object* target, SEL_Call selector) : targetCallback_(target), selector_(selector) {}

    static Ref<CCCallFunc> actionWithTarget(Object* target, SEL_Call selector)
    {
        return makeRef<CCCallFunc>(target, selector);
    }

    // The same object (retained again) and operation.
    Ref<CCAction> copy() const override { return makeRef<CCCallFunc>(targetCallback_.get(), selector_); }
    void startWithTarget(CCNode* target) override;
    virtual void execute();

    Object* targetCallback() const { return targetCallback_.get(); }
    void setTargetCallback(Object* target) { targetCallback_ = target; }

    // "<CLASS = ADDRESS | Tag = TAG | target = CALLBACK CLASS>"; member
    // pointers carry no name to print.
    std::string description() const override;

protected:
    // For subclasses that call operations of another signature.
    explicit CCCallFunc(Object* target) : targetCallback_(target) {}

    Ref<Object> targetCallback_;

private:
    SEL_Call selector_ = nullptr;
};

} // namespace mw
