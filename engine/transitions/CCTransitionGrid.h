// The transitions that break a scene into a grid: tiles switching off, the
// window splitting into columns or rows, and tiles fading out in a direction.
// Each leaves its grid switched off once it has handed over.

#pragma once

#include "engine/base/ccTypes.h"
#include "engine/transitions/CCTransitionScene.h"

namespace mw {

// The outgoing scene's tiles switch off one by one in random order and
// uncover the incoming scene below.
class CCTransitionTurnOffTiles : public CCTransitionScene, public CCTransitionEaseScene {
public:
    static Ref<CCTransitionTurnOffTiles> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionTurnOffTiles>(duration, scene);
    }
    // On a grid 12 tiles high, with tiles about square across the window.
    void onEnter() override;
    // No easing: the action itself.
    Ref<CCActionInterval> easeActionWithAction(Ref<CCActionInterval> action) override;

protected:
    void sceneOrder() override { inSceneOnTop_ = false; }
};

// The window splits into three columns that slide apart, vertically, taking
// the outgoing scene away; they slide back together bringing the incoming
// one. The transition's own grid carries both scenes.
class CCTransitionSplitCols : public CCTransitionScene, public CCTransitionEaseScene {
public:
    static Ref<CCTransitionSplitCols> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionSplitCols>(duration, scene);
    }
    void onEnter() override;
    // Ease-in-out of rate 3, over the split, the swap and the way back.
    Ref<CCActionInterval> easeActionWithAction(Ref<CCActionInterval> action) override;
    // The split of one half of the duration.
    virtual Ref<CCActionInterval> action() const;
};

// As the columns, with three rows sliding apart sideways.
class CCTransitionSplitRows : public CCTransitionSplitCols {
public:
    static Ref<CCTransitionSplitRows> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionSplitRows>(duration, scene);
    }
    Ref<CCActionInterval> action() const override;
};

// The outgoing scene's tiles shrink away as a front crosses towards the top
// right, uncovering the incoming scene below.
class CCTransitionFadeTR : public CCTransitionScene, public CCTransitionEaseScene {
public:
    static Ref<CCTransitionFadeTR> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionFadeTR>(duration, scene);
    }
    // On a grid 12 tiles high, with tiles about square across the window.
    void onEnter() override;
    // No easing: the action itself.
    Ref<CCActionInterval> easeActionWithAction(Ref<CCActionInterval> action) override;
    // The fading tiles on a grid of that size over the duration.
    virtual Ref<CCActionInterval> actionWithSize(ccGridSize size) const;

protected:
    void sceneOrder() override { inSceneOnTop_ = false; }
};

// Towards the bottom left.
class CCTransitionFadeBL : public CCTransitionFadeTR {
public:
    static Ref<CCTransitionFadeBL> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionFadeBL>(duration, scene);
    }
    Ref<CCActionInterval> actionWithSize(ccGridSize size) const override;
};

// Upwards, row by row.
class CCTransitionFadeUp : public CCTransitionFadeTR {
public:
    static Ref<CCTransitionFadeUp> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionFadeUp>(duration, scene);
    }
    Ref<CCActionInterval> actionWithSize(ccGridSize size) const override;
};

// Downwards, row by row.
class CCTransitionFadeDown : public CCTransitionFadeTR {
public:
    static Ref<CCTransitionFadeDown> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionFadeDown>(duration, scene);
    }
    Ref<CCActionInterval> actionWithSize(ccGridSize size) const override;
};

} // namespace mw
