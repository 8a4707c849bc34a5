#pragma once

#include "foundation/Object.h"

namespace mw {

class CCNode;

// The off-screen grid effect a node may carry (set by the grid actions).
// The node tree uses only these three operations; the grids themselves
// implement them.
class CCGridProtocol : public Object {
public:
    // Whether the effect is on.
    virtual bool active() const = 0;
    // Switches to a 2D projection and starts capturing the node's drawing
    // into the grid's texture (called before the node applies its transform).
    virtual void beforeDraw() = 0;
    // Ends the capture, restores the projection, applies the node's camera
    // when it is dirty and draws the distorted grid.
    virtual void afterDraw(CCNode* target) = 0;
};

} // namespace mw
