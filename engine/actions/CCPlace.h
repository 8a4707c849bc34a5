#pragma once

#include "engine/actions/CCActionInstant.h"
#include "foundation/Geometry.h"

namespace mw {

// Puts a node at a position when started.
class CCPlace : public CCActionInstant {
public:
    explicit CCPlace(CGPoint position) : position_(position) {}

    static Ref<CCPlace> actionWithPosition(CGPoint position) { return makeRef<CCPlace>(position); }

    Ref<CCAction> copy() const override { return makeRef<CCPlace>(position_); }
    void startWithTarget(CCNode* target) override;

private:
    CGPoint position_;
};

} // namespace mw
