#pragma once

#include "engine/base/ccTypes.h"
#include "engine/transitions/CCTransitionScene.h"

namespace mw {

// Tag of the fading layer (and of the cross-fade's layer) on the transition.
inline constexpr int kSceneFade = static_cast<int>(0xFADEFADEu);

// Fades the screen to a colour over the first half of the duration, swaps
// the scenes under it, and fades the colour away over the second half. The
// game's usual screen change (black, or white towards the main menu).
class CCTransitionFade : public CCTransitionScene {
public:
    // Alpha stays 0: the layer's opacity runs 0 -> 255 -> 0.
    explicit CCTransitionFade(ccColor3B color = ccc3(0, 0, 0)) : color_{color.r, color.g, color.b, 0} { }

    // Through black. Null (logged) as initWithDuration refuses.
    static Ref<CCTransitionFade> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionFade>(duration, scene);
    }
    static Ref<CCTransitionFade> transitionWithDuration(float duration, CCScene* scene, ccColor3B color)
    {
        return make<CCTransitionFade>(duration, scene, color);
    }

    // Adds the colour layer (z 2, tag kSceneFade) and starts fading.
    void onEnter() override;
    // Takes the colour layer away (without cleanup) after the base exit.
    void onExit() override;

    ccColor4B color() const { return color_; }

private:
    ccColor4B color_;
};

} // namespace mw
