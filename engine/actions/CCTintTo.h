#pragma once

#include <cstdint>

#include "engine/actions/CCActionInterval.h"
#include "engine/base/ccTypes.h"

namespace mw {

// Tints a node from its colour at start to an absolute colour. Nodes
// without colour and opacity are left alone.
class CCTintTo : public CCActionInterval {
public:
    CCTintTo(float duration, uint8_t red, uint8_t green, uint8_t blue)
        : CCActionInterval(duration), to_{red, green, blue}
    {
    }

    static Ref<CCTintTo> actionWithDuration(float duration, uint8_t red, uint8_t green, uint8_t blue)
    {
        return makeRef<CCTintTo>(duration, red, green, blue);
    }

    Ref<CCAction> copy() const override { return makeRef<CCTintTo>(duration_, to_.r, to_.g, to_.b); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    ccColor3B to_;
    ccColor3B from_;
};

} // namespace mw
