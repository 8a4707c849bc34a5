#pragma once

#include "engine/actions/CCCallFunc.h"

namespace mw {

// Calls an operation with a stored object as its argument. Both the
// callback object and the argument are retained.
class CCCallFuncO : public CCCallFunc {
public:
    CCCallFuncO(Object* target, SEL_CallO selector, Object* object)
        : CCCallFunc(target), selector_(selector), object_(object)
    {
    }

    static Ref<CCCallFuncO> actionWithTarget(Object* target, SEL_CallO selector, Object* object)
    {
        return makeRef<CCCallFuncO>(target, selector, object);
    }

    Ref<CCAction> copy() const override
    {
        return makeRef<CCCallFuncO>(targetCallback_.get(), selector_, object_.get());
    }
    void execute() override;

    Object* object() const { return object_.get(); }
    void setObject(Object* object) { object_ = object; }

private:
    SEL_CallO selector_ = nullptr;
    Ref<Object> object_;
};

} // namespace mw
