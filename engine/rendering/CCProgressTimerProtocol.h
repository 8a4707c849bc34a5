#pragma once

namespace mw {

// What the progress actions ask of a progress timer: its percentage, 0 to
// 100 (the timer clamps what it is given and redraws when it changes). The
// actions find it on their node by a cross-cast; other nodes are left alone.
class CCProgressTimerProtocol {
public:
    virtual ~CCProgressTimerProtocol() = default;

    virtual float percentage() const = 0;
    virtual void setPercentage(float percentage) = 0;
};

} // namespace mw
