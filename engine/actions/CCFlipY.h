#pragma once

#include "engine/actions/CCActionInstant.h"

namespace mw {

// Sets a sprite's vertical flip when started; its reverse sets the
// opposite. Nodes that are not sprites are left alone.
class CCFlipY : public CCActionInstant {
public:
    explicit CCFlipY(bool flipY) : flipY_(flipY) {}

    static Ref<CCFlipY> actionWithFlipY(bool flipY) { return makeRef<CCFlipY>(flipY); }

    Ref<CCAction> copy() const override { return makeRef<CCFlipY>(flipY_); }
    void startWithTarget(CCNode* target) override;
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCFlipY>(!flipY_); }

private:
    bool flipY_;
};

} // namespace mw
