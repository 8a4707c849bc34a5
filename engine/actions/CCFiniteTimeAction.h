#pragma once

#include "engine/actions/CCAction.h"

namespace mw {

// An action with a known duration in seconds (0 for instant actions).
class CCFiniteTimeAction : public CCAction {
public:
    float duration() const { return duration_; }
    void setDuration(float seconds) { duration_ = seconds; }

    // The action that undoes this one, or null when the class has none.
    virtual Ref<CCFiniteTimeAction> reverse() const { return nullptr; }

protected:
    CCFiniteTimeAction() = default;
    float duration_ = 0;
};

} // namespace mw
