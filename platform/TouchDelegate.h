#pragma once

#include "platform/UITouch.h"

namespace mw {

// Receives the touches from the platform, one phase at a time (the GL view
// passes them on to the engine's touch dispatcher). `touches` holds the
// touches of this phase, `event` every touch on the screen at that moment;
// both are lent for the call only. The phase is Began, Moved, Ended or
// Cancelled, never Stationary. Touch objects keep their identity from began
// to ended or cancelled.
class TouchDelegate {
public:
    virtual ~TouchDelegate() = default;
    virtual void touches(const UITouchSet& touches, const UIEvent& event, UITouchPhase phase) = 0;
};

} // namespace mw
