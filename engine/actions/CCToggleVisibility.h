#pragma once

#include "engine/actions/CCActionInstant.h"

namespace mw {

// Flips a node's visibility when started. It is its own reverse.
class CCToggleVisibility : public CCActionInstant {
public:
    CCToggleVisibility() = default;

    static Ref<CCToggleVisibility> action() { return makeRef<CCToggleVisibility>(); }

    Ref<CCAction> copy() const override { return makeRef<CCToggleVisibility>(); }
    void startWithTarget(CCNode* target) override;
};

} // namespace mw
