#pragma once

#include "engine/actions/CCActionInstant.h"

namespace mw {

// Makes a node visible when started. Its reverse is a hide.
class CCShow : public CCActionInstant {
public:
    CCShow() = default;

    static Ref<CCShow> action() { return makeRef<CCShow>(); }

    Ref<CCAction> copy() const override { return makeRef<CCShow>(); }
    void startWithTarget(CCNode* target) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
