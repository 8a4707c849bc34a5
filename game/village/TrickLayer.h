#pragma once

#include "engine/nodes/CCLayer.h"
#include "foundation/Ref.h"

namespace mw {

// The map's object layer: every building, decoration and walker is its child.
class TrickLayer : public CCLayer {
public:
    static Ref<TrickLayer> node() { return makeRef<TrickLayer>(); }
    // Removes `child` with clean-up (null: nothing).
    void RemoveObject(CCNode* child)
    {
        if (child) removeChild(child, true);
    }
};

} // namespace mw
