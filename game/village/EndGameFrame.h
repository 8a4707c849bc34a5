#pragma once

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class CCMenuItemSprite;

// The frame that congratulates the player who has built everything:
// rotating rays, a panel with the castle, a heading, five lines (one with
// the total finger distance), a continue button and bursts of sparks around
// the screen centre every 0.3 s. The opener places it at the window's centre
// on the HUD and switches the input of the map and the HUD off; the button
// gives it back and removes the frame. It does not change the profile.
class EndGameFrame : public CCNode {
public:
    static constexpr float kSparkInterval = 0.3f;

    static Ref<EndGameFrame> frame();
    bool init();

    // One burst of "level_up.plist" at a random point of the square of
    // half-side W / 2.5 around the centre.
    void SpawnParticle(float dt = 0);
    // The continue button: stops the sparks, gives the parent and its
    // current layer their input back (when it has one) and removes the frame.
    void GoodCallback(Object* sender);

    CCNode* panel() const { return panel_.get(); }
    CCMenuItemSprite* continueButton() const { return button_; }
    // The distance line ("%@ %d %@").
    CCNode* distanceLine() const { return distance_; }

private:
    Ref<CCNode> panel_;
    CCMenuItemSprite* button_ = nullptr;
    CCNode* distance_ = nullptr;
};

} // namespace mw
