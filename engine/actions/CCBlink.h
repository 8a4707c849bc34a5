#pragma once

#include <cstdint>

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Shows and hides a node `blinks` times over the duration: in each slice of
// 1/blinks it is hidden for the first half and shown for the second. The
// update that finds the action done is skipped, so the node keeps the
// visibility of the frame before. Pass at least one blink.
class CCBlink : public CCActionInterval {
public:
    CCBlink(float duration, uint32_t blinks) : CCActionInterval(duration), times_(blinks) {}

    static Ref<CCBlink> actionWithDuration(float duration, uint32_t blinks)
    {
        return makeRef<CCBlink>(duration, blinks);
    }

    Ref<CCAction> copy() const override { return makeRef<CCBlink>(duration_, times_); }
    void update(float t) override;
    // A blink is its own reverse.
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCBlink>(duration_, times_); }

private:
    uint32_t times_;
};

} // namespace mw
