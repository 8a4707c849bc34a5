#pragma once

#include <cstdint>
#include <string>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCLabelTTF;
class CCSprite;

// The speech-bubble tooltip. The node draws nothing itself; its panel is a
// child. It pops in when made; ChangeVisible(NO) shrinks it and removes it
// from its parent after 0.1 s. The caller adds it to its own node and
// places it. Main thread only.
class CCTooltip : public CCNode {
public:
    // The resource's name (the profile's EnumResNames entry of it).
    static Ref<CCTooltip> tooltipWithResource(int32_t resource);
    // A building's name and short description, with a live countdown to its
    // timed bonus while one is queued; flipped to stay inside the window
    // for a building at (x, y). Buildings with animals make their sound.
    static Ref<CCTooltip> tooltipWithBuildingInfo(int32_t upgrade, int32_t x, int32_t y);
    // So many of the tile kind that yields the resource make one of it;
    // null for an identifier of 0 or less, or one the profile does not know.
    static Ref<CCTooltip> tooltipWithRecipeOfResource(int32_t resource);

    int32_t resource() const { return resource_; }
    // Shows (popping to 1.0, or to 0.8 in the small form) or hides (then
    // removes itself).
    void ChangeVisible(bool visible, bool fullSize);
    void ChangeVisible(bool visible) { ChangeVisible(visible, true); }
    bool GetVisible() const { return Visible; }
    // The countdown of the building tooltip, every frame while it runs.
    void Update(float dt);
    void RemoveMe();

    // "hh:mm:ss" of a number of seconds (hours grow past two digits).
    static std::string countdownText(float seconds);

    CCSprite* panel() const { return bcg.get(); }
    CCLabelTTF* nameLabel() const { return name_.get(); }
    CCLabelTTF* descriptionLabel() const { return description_.get(); }
    CCLabelTTF* timeTill() const { return TimeTill.get(); }
    CCLabelTTF* timeTillText() const { return TimeTillText.get(); }
    int32_t buildingType() const { return Type; }

protected:
    // The panel from a frame (an empty sprite when the frame is missing).
    CCSprite* setPanel(const char* frame);

private:
    int32_t resource_ = 0;
    Ref<CCSprite> bcg;
    bool Visible = false;
    int32_t Type = 0;
    Ref<CCLabelTTF> name_;
    Ref<CCLabelTTF> description_;
    Ref<CCLabelTTF> TimeTill;
    Ref<CCLabelTTF> TimeTillText;
};

} // namespace mw
