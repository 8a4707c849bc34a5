#pragma once

#include <cstdint>

#include "engine/sprites/CCSprite.h"
#include "foundation/Ref.h"
#include "game/village/ListLayer.h"

namespace mw {

// A row of the buildings, workers or tools list: one upgrade, with the new
// marker that swings while the upgrade is unseen, and the build (hire,
// craft) buttons that open the hire pop-up through the list layer.
//
// The marker: "list_new.png" on the background, tag 543. It starts at a
// random tilt of at most 7 degrees either way and swings between +10 and
// -10 degrees for ever (towards -10 first when the start tilt is negative),
// each swing eased sine in-out over 1.4 s plus a random part below 1 s.
// Touching the row lets it fly off (UpdateSeenCounter): down a tenth of its
// height in 0.15 s, up its height in 0.4 s, both eased sine out, then gone;
// the upgrade's new-item flag is cleared at the start and the HUD recounts
// its not-seen badges. A second touch during the flight does nothing.
class UpgradeRow : public ListRow {
public:
    static constexpr int kNewMarkerTag = 543;

    int GetID() const override { return ID; }
    // Starts the marker's fly-off (see above); nothing without a marker or
    // while it flies.
    void UpdateSeenCounter() override;
    // Removes the marker with clean-up and forgets it.
    void KillNewSprite();

    // The active and the dark button: the fly-off, then, for a row clear of
    // the HUD's bars, the "selection_menu" sound, the marker gone at once
    // (the dark button always; the active one where the row drops it), and
    // the list layer opens the hire pop-up for the button's tag with act YES
    // (active) or NO (dark). A row under a bar does nothing more than the
    // fly-off: no sound, no pop-up.
    void BuildCallback(Object* sender);
    void BuildNoCallback(Object* sender);
    // The button of an upgrade owned to its maximum: nothing.
    void EmptyCallback(Object* sender) {}

    // The marker (null when none or removed), and whether it flies off.
    CCSprite* newMarker() const { return sp22.get(); }
    bool markerLeaving() const { return noclick; }

protected:
    UpgradeRow() = default;

    // When the upgrade's new-item flag is set: the marker on the background
    // at (xFraction x its width, its height) at z-order `z`.
    void addNewMarker(float xFraction, int z);
    // Whether the active button removes a marker still there at once (the
    // workers and tools rows) or leaves it to its flight (the building row).
    virtual bool activeButtonDropsMarker() const { return true; }

    Ref<CCSprite> sp22;
    int32_t ID = 0;
    bool noclick = false;

private:
    void openPopUp(Object* sender, bool act);
};

// The colour of a worker's or tool's owned count: none owned, some, or as
// many as may be owned.
ccColor3B ownedCountColour(int32_t owned, int32_t maximum);

// Tells the HUD of the village scene above `node` to recount its not-seen
// badges (nothing when the node is not in a village scene).
void recountSeenBadges(CCNode* node);

} // namespace mw
