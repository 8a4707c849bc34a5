// The page turn and the radial wipes.

#pragma once

#include <cstdint>

#include "engine/base/ccTypes.h"
#include "engine/transitions/CCTransitionScene.h"

namespace mw {

// The outgoing scene curls away like a page and shows the incoming one below;
// backwards, the incoming scene curls in over the outgoing one.
class CCTransitionPageTurn : public CCTransitionScene {
public:
    explicit CCTransitionPageTurn(bool backwards = false) : back_(backwards) {}

    // Null (logged) as initWithDuration refuses.
    static Ref<CCTransitionPageTurn> transitionWithDuration(float duration, CCScene* scene, bool backwards)
    {
        return make<CCTransitionPageTurn>(duration, scene, backwards);
    }

    // Turns on a 16 x 12 grid in a landscape window, 12 x 16 in a portrait one.
    void onEnter() override;
    // A page curl of that grid size over the duration, time-reversed when backwards.
    Ref<CCActionInterval> actionWithSize(ccGridSize size) const;

    bool backwards() const { return back_; }

protected:
    // Backwards the incoming scene is the page, so it is drawn on top.
    void sceneOrder() override { inSceneOnTop_ = back_; }

private:
    bool back_;
};

// Tag of the radial wipe's progress timer on the transition.
inline constexpr int kSceneRadial = 0xC001;

// A snapshot of the outgoing scene is swept away counter-clockwise like a
// clock hand, uncovering the incoming scene.
class CCTransitionRadialCCW : public CCTransitionScene {
public:
    static Ref<CCTransitionRadialCCW> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionRadialCCW>(duration, scene);
    }

    // Snapshots the outgoing scene and starts the sweep (z 2, tag kSceneRadial).
    void onEnter() override;
    // Takes the sweep away (without cleanup) before the base exit.
    void onExit() override;

protected:
    // The progress-timer type of the sweep (radial counter-clockwise here).
    virtual int32_t radialType() const;
    void sceneOrder() override { inSceneOnTop_ = false; }
};

// The radial wipe sweeping clockwise.
class CCTransitionRadialCW : public CCTransitionRadialCCW {
public:
    static Ref<CCTransitionRadialCW> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionRadialCW>(duration, scene);
    }

protected:
    int32_t radialType() const override;
};

} // namespace mw
