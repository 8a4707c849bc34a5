#pragma once

namespace mw {

// A view that can leave the view it is shown in. The social screens' view
// layer implements it; code below that layer removes views through it.
class DetachableView {
public:
    virtual ~DetachableView() = default;
    // Takes the view out of its parent; nothing when it has none.
    virtual void removeFromSuperview() = 0;
};

} // namespace mw
