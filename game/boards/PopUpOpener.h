#pragma once

namespace mw {

// A screen that opens the options pop-up: the pop-up switches the opener's
// input back on when it closes.
class PopUpOpener {
public:
    virtual ~PopUpOpener() = default;
    virtual void SetInputActive(bool active) = 0;
};

} // namespace mw
