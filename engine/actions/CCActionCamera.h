#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// The base of the actions that move a node's camera instead of the node:
// at start it remembers the camera's centre, eye and up vector.
class CCActionCamera : public CCActionInterval {
public:
    using CCActionInterval::CCActionInterval;

    // Reads the target's camera (creating it when the node has none yet).
    void startWithTarget(CCNode* target) override;
    // The same camera move played backwards (on a copy of this action).
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float centerXOrig_ = 0, centerYOrig_ = 0, centerZOrig_ = 0;
    float eyeXOrig_ = 0, eyeYOrig_ = 0, eyeZOrig_ = 0;
    float upXOrig_ = 0, upYOrig_ = 0, upZOrig_ = 0;
};

} // namespace mw
