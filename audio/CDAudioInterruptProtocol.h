#pragma once

#include "foundation/Object.h"

namespace mw {

// The switches every audio object shares. A setter given the value the
// object already has does nothing.
class CDAudioInterruptProtocol : public Object {
public:
    // A muted object makes no sound but keeps playing and keeps its volume.
    virtual bool mute() const = 0;
    virtual void setMute(bool mute) = 0;
    // A disabled object stops and does not play until enabled again.
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
};

} // namespace mw
