#pragma once

#include <cstdint>

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Tints a node by signed amounts per channel from its colour at start.
// Channels are not clamped: one carried past 255 or below 0 wraps. Nodes
// without colour and opacity are left alone.
class CCTintBy : public CCActionInterval {
public:
    CCTintBy(float duration, int16_t deltaRed, int16_t deltaGreen, int16_t deltaBlue)
        : CCActionInterval(duration), deltaR_(deltaRed), deltaG_(deltaGreen), deltaB_(deltaBlue)
    {
    }

    static Ref<CCTintBy> actionWithDuration(float duration, int16_t deltaRed, int16_t deltaGreen, int16_t deltaBlue)
    {
        return makeRef<CCTintBy>(duration, deltaRed, deltaGreen, deltaBlue);
    }

    Ref<CCAction> copy() const override { return makeRef<CCTintBy>(duration_, deltaR_, deltaG_, deltaB_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // Tints back by the negated amounts.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCTintBy>(duration_, int16_t(-deltaR_), int16_t(-deltaG_), int16_t(-deltaB_));
    }

private:
    int16_t deltaR_, deltaG_, deltaB_;
    int16_t fromR_ = 0, fromG_ = 0, fromB_ = 0;
};

} // namespace mw
