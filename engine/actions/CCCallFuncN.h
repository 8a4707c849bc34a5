#pragma once

#include "engine/actions/CCCallFunc.h"
#include "engine/base/CCSelectors.h"

namespace mw {

// Calls an operation with the node the action runs on (inside a composite,
// the composite's node). The callback object is retained.
class CCCallFuncN : public CCCallFunc {
public:
    CCCallFuncN(Object* target, SEL_CallFuncN selector) : CCCallFunc(target), selector_(selector) {}

    static Ref<CCCallFuncN> actionWithTarget(Object* target, SEL_CallFuncN selector)
    {
        return makeRef<CCCallFuncN>(target, selector);
    }

    Ref<CCAction> copy() const override { return makeRef<CCCallFuncN>(targetCallback_.get(), selector_); }
    void execute() override;

protected:
    explicit CCCallFuncN(Object* target) : CCCallFunc(target) {}

private:
    SEL_CallFuncN selector_ = nullptr;
};

} // namespace mw
