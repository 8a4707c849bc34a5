#pragma once

#include <cstdint>

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Fades a node from its opacity at start to an absolute opacity. Nodes
// without colour and opacity are left alone.
class CCFadeTo : public CCActionInterval {
public:
    CCFadeTo(float duration, uint8_t opacity) : CCActionInterval(duration), toOpacity_(opacity) {}

    static Ref<CCFadeTo> actionWithDuration(float duration, uint8_t opacity)
    {
        return makeRef<CCFadeTo>(duration, opacity);
    }

    Ref<CCAction> copy() const override { return makeRef<CCFadeTo>(duration_, toOpacity_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    uint8_t toOpacity_;
    uint8_t fromOpacity_ = 0;
};

} // namespace mw
