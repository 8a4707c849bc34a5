#pragma once

#include "platform/UITouch.h"

namespace mw {

// Receives the four touch phases from the platform (the GL view passes them
// on to the engine's touch dispatcher). The set holds the touches of this
// phase; the event holds every touch on the screen at that moment. Touch
// objects keep their identity from began to ended or cancelled.
class TouchDelegate {
public:
    virtual ~TouchDelegate() = default;
    virtual void touchesBegan(const UITouchSet& touches, const UIEvent& event) {}
    virtual void touchesMoved(const UITouchSet& touches, const UIEvent& event) {}
    virtual void touchesEnded(const UITouchSet& touches, const UIEvent& event) {}
    virtual void touchesCancelled(const UITouchSet& touches, const UIEvent& event) {}
};

} // namespace mw
