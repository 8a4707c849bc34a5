#pragma once

#include "foundation/Ref.h"

namespace mw {

class CCNode;

// What a pop-up that leads from the village into a session asks of the
// village: the HUD (the pop-up's parent) refreshes its top bar, names its
// current layer and makes the coin-pack list; the map layer collects its
// pending bonuses and stops its work before the scene is replaced. A pop-up
// finds these by casting its parent and its layer; each operation defaults
// to doing nothing, so a village piece overrides only what it has.
class VillageGate {
public:
    virtual ~VillageGate() = default;

    // ---- the HUD
    virtual void UpdateTopBar() {}
    // The content layer the HUD shows now (not owned), or null.
    virtual CCNode* GetLayer() const { return nullptr; }
    // A new coin-pack list for a pop-up's panel, or null when there is none.
    virtual Ref<CCNode> coinPackList() { return nullptr; }

    // ---- the map layer
    // YES when an item was collected.
    virtual bool CollectAllBonuses() { return false; }
    virtual void StopWithRelease() {}
};

} // namespace mw
