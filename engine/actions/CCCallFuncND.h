#pragma once

#include "engine/actions/CCCallFuncN.h"

namespace mw {

// Calls an operation with the node the action runs on and a data pointer.
// The callback object is retained; the data is not owned.
class CCCallFuncND : public CCCallFuncN {
public:
    CCCallFuncND(Object* target, SEL_CallFuncND selector, void* data)
        : CCCallFuncN(target), callbackMethod_(selector), data_(data)
    {
    }

    static Ref<CCCallFuncND> actionWithTarget(Object* target, SEL_CallFuncND selector, void* data)
    {
        return makeRef<CCCallFuncND>(target, selector, data);
    }

    Ref<CCAction> copy() const override
    {
        return makeRef<CCCallFuncND>(targetCallback_.get(), callbackMethod_, data_);
    }
    void execute() override;

    SEL_CallFuncND callbackMethod() const { return callbackMethod_; }
    void setCallbackMethod(SEL_CallFuncND method) { callbackMethod_ = method; }

private:
    SEL_CallFuncND callbackMethod_ = nullptr;
    void* data_ = nullptr;
};

} // namespace mw
