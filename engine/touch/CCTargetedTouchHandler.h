#pragma once

#include <unordered_set>

#include "engine/touch/CCTouchHandler.h"

namespace mw {

// A handler whose delegate is offered one touch at a time and may claim it at
// began; a swallowing handler ends the dispatcher's walk for a touch it took.
class CCTargetedTouchHandler : public CCTouchHandler {
public:
    // Reads the delegate's declared callbacks once; began is always in the mask.
    CCTargetedTouchHandler(CCTargetedTouchDelegate* delegate, int32_t priority, bool swallowsTouches,
                           int32_t tag = 0, int32_t disable = 0);

    static Ref<CCTargetedTouchHandler> handlerWithDelegate(CCTargetedTouchDelegate* delegate,
        int32_t priority, bool swallowsTouches, int32_t tag = 0, int32_t disable = 0);

    void setSwallowsTouches(bool swallows) { swallowsTouches_ = swallows; }
    bool swallowsTouches() const { return swallowsTouches_; }

    // The touches claimed at began and not yet ended or cancelled. The set
    // keeps the touches alive, so a freed touch can never be mistaken for a
    // new one at the same address.
    std::unordered_set<Ref<UITouch>>& claimedTouches() { return claimedTouches_; }

    // The delegate as a targeted delegate; null if it was replaced by one of another kind.
    CCTargetedTouchDelegate* targetedDelegate() const;

    CCTargetedTouchHandler* asTargeted() override { return this; }

private:
    bool swallowsTouches_ = false;
    std::unordered_set<Ref<UITouch>> claimedTouches_;
};

} // namespace mw
