#pragma once

#include "engine/actions/CCActionInstant.h"

namespace mw {

// Sets a sprite's horizontal flip when started; its reverse sets the
// opposite. Nodes that are not sprites are left alone.
class CCFlipX : public CCActionInstant {
public:
    explicit CCFlipX(bool flipX) : flipX_(flipX) {}

    static Ref<CCFlipX> actionWithFlipX(bool flipX) { return makeRef<CCFlipX>(flipX); }

    Ref<CCAction> copy() const override { return makeRef<CCFlipX>(flipX_); }
    void startWithTarget(CCNode* target) override;
    Ref<CCFiniteTimeAction> reverse() const override { return makeRef<CCFlipX>(!flipX_); }

private:
    bool flipX_;
};

} // namespace mw
