#pragma once

#include "engine/actions/CCActionInstant.h"

namespace mw {

// Makes a node invisible when started. Its reverse is a show.
class CCHide : public CCActionInstant {
public:
    CCHide() = default;

    static Ref<CCHide> action() { return makeRef<CCHide>(); }

    Ref<CCAction> copy() const override { return makeRef<CCHide>(); }
    void startWithTarget(CCNode* target) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
