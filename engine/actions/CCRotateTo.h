#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Turns a node to an absolute angle in degrees, the short way round: at
// start the node's rotation is reduced to one turn and the difference is
// brought into -180..180 by one correction of a full turn (so a destination
// more than a turn away is not brought into range).
class CCRotateTo : public CCActionInterval {
public:
    CCRotateTo(float duration, float angle) : CCActionInterval(duration), dstAngle_(angle) {}

    static Ref<CCRotateTo> actionWithDuration(float duration, float angle)
    {
        return makeRef<CCRotateTo>(duration, angle);
    }

    Ref<CCAction> copy() const override { return makeRef<CCRotateTo>(duration_, dstAngle_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    float dstAngle_;
    float startAngle_ = 0;
    float diffAngle_ = 0;
};

} // namespace mw
