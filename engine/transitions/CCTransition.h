// The transition kinds other than the fade: rotations, jumps, moves, slides,
// shrinking, flips, zooming flips and the cross-fade. Each starts its actions
// in onEnter, after the base entry, and ends them with finish().

#pragma once

#include "engine/transitions/CCTransitionScene.h"

namespace mw {

// The outgoing scene shrinks while turning twice; the incoming one does the
// reverse in the second half.
class CCTransitionRotoZoom : public CCTransitionScene {
public:
    static Ref<CCTransitionRotoZoom> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionRotoZoom>(duration, scene);
    }
    void onEnter() override;
};

// The outgoing scene shrinks and jumps away to the left; the incoming one
// jumps in from the right and grows.
class CCTransitionJumpZoom : public CCTransitionScene {
public:
    static Ref<CCTransitionJumpZoom> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionJumpZoom>(duration, scene);
    }
    void onEnter() override;
};

// The incoming scene moves in from the left over the outgoing one.
class CCTransitionMoveInL : public CCTransitionScene, public CCTransitionEaseScene {
public:
    static Ref<CCTransitionMoveInL> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionMoveInL>(duration, scene);
    }
    void onEnter() override;
    // Ease-out of rate 2.
    Ref<CCActionInterval> easeActionWithAction(Ref<CCActionInterval> action) override;

protected:
    // Where the incoming scene starts.
    virtual CGPoint inStart() const;
};

// From the right.
class CCTransitionMoveInR : public CCTransitionMoveInL {
public:
    static Ref<CCTransitionMoveInR> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionMoveInR>(duration, scene);
    }

protected:
    CGPoint inStart() const override;
};

// From the top.
class CCTransitionMoveInT : public CCTransitionMoveInL {
public:
    static Ref<CCTransitionMoveInT> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionMoveInT>(duration, scene);
    }

protected:
    CGPoint inStart() const override;
};

// From the bottom.
class CCTransitionMoveInB : public CCTransitionMoveInL {
public:
    static Ref<CCTransitionMoveInB> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionMoveInB>(duration, scene);
    }

protected:
    CGPoint inStart() const override;
};

// Both scenes slide to the right, the incoming one coming in from the left
// (drawn below the outgoing one).
class CCTransitionSlideInL : public CCTransitionScene, public CCTransitionEaseScene {
public:
    static Ref<CCTransitionSlideInL> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionSlideInL>(duration, scene);
    }
    void onEnter() override;
    // Ease-out of rate 2.
    Ref<CCActionInterval> easeActionWithAction(Ref<CCActionInterval> action) override;

protected:
    void sceneOrder() override { inSceneOnTop_ = false; }
    // Where the incoming scene starts, and how far both scenes move. The
    // half point less than a window keeps a seam from showing between them.
    virtual CGPoint inStart() const;
    virtual CGPoint slide() const;
};

// From the right, on top.
class CCTransitionSlideInR : public CCTransitionSlideInL {
public:
    static Ref<CCTransitionSlideInR> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionSlideInR>(duration, scene);
    }

protected:
    void sceneOrder() override { inSceneOnTop_ = true; }
    CGPoint inStart() const override;
    CGPoint slide() const override;
};

// From the top, below.
class CCTransitionSlideInT : public CCTransitionSlideInL {
public:
    static Ref<CCTransitionSlideInT> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionSlideInT>(duration, scene);
    }

protected:
    void sceneOrder() override { inSceneOnTop_ = false; }
    CGPoint inStart() const override;
    CGPoint slide() const override;
};

// From the bottom, on top.
class CCTransitionSlideInB : public CCTransitionSlideInL {
public:
    static Ref<CCTransitionSlideInB> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionSlideInB>(duration, scene);
    }

protected:
    void sceneOrder() override { inSceneOnTop_ = true; }
    CGPoint inStart() const override;
    CGPoint slide() const override;
};

// The outgoing scene shrinks towards the left third while the incoming one
// grows from the right third.
class CCTransitionShrinkGrow : public CCTransitionScene, public CCTransitionEaseScene {
public:
    static Ref<CCTransitionShrinkGrow> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionShrinkGrow>(duration, scene);
    }
    void onEnter() override;
    // Ease-out of rate 2.
    Ref<CCActionInterval> easeActionWithAction(Ref<CCActionInterval> action) override;
};

// The flips: the outgoing scene turns away through the camera in the first
// half, the incoming one turns in during the second half. The X kind turns
// about the vertical axis, the Y kind about the horizontal one, the angular
// kind about a diagonal; the zooming kinds also shrink the outgoing scene
// and grow the incoming one. kOrientationRightOver (X, angular) or
// kOrientationUpOver (Y) turns one way, the other value the other way.
class CCTransitionFlipX : public CCTransitionSceneOriented {
public:
    using CCTransitionSceneOriented::CCTransitionSceneOriented;
    static Ref<CCTransitionFlipX> transitionWithDuration(float duration, CCScene* scene, int32_t orientation)
    {
        return make<CCTransitionFlipX>(duration, scene, orientation);
    }
    void onEnter() override;

protected:
    // Which orientation value gives the first turning direction.
    virtual int32_t firstCaseOrientation() const { return kOrientationRightOver; }
    // The camera's angle X for the incoming and the outgoing scene.
    virtual float inAngleX() const { return 0; }
    virtual float outAngleX() const { return 0; }
    // Whether the scenes also zoom (0.5 <-> 1).
    virtual bool zooms() const { return false; }
    // Whether the incoming sequence shows the scene once more before finishing.
    virtual bool showsAgain() const { return false; }
};

class CCTransitionFlipY : public CCTransitionFlipX {
public:
    using CCTransitionFlipX::CCTransitionFlipX;
    static Ref<CCTransitionFlipY> transitionWithDuration(float duration, CCScene* scene, int32_t orientation)
    {
        return make<CCTransitionFlipY>(duration, scene, orientation);
    }

protected:
    int32_t firstCaseOrientation() const override { return kOrientationUpOver; }
    float inAngleX() const override { return 90; }
    float outAngleX() const override { return 90; }
};

class CCTransitionFlipAngular : public CCTransitionFlipX {
public:
    using CCTransitionFlipX::CCTransitionFlipX;
    static Ref<CCTransitionFlipAngular> transitionWithDuration(float duration, CCScene* scene,
                                                               int32_t orientation)
    {
        return make<CCTransitionFlipAngular>(duration, scene, orientation);
    }

protected:
    float inAngleX() const override { return -45; }
    float outAngleX() const override { return 45; }
};

class CCTransitionZoomFlipX : public CCTransitionFlipX {
public:
    using CCTransitionFlipX::CCTransitionFlipX;
    static Ref<CCTransitionZoomFlipX> transitionWithDuration(float duration, CCScene* scene,
                                                             int32_t orientation)
    {
        return make<CCTransitionZoomFlipX>(duration, scene, orientation);
    }

protected:
    bool zooms() const override { return true; }
};

class CCTransitionZoomFlipY : public CCTransitionFlipX {
public:
    using CCTransitionFlipX::CCTransitionFlipX;
    static Ref<CCTransitionZoomFlipY> transitionWithDuration(float duration, CCScene* scene,
                                                             int32_t orientation)
    {
        return make<CCTransitionZoomFlipY>(duration, scene, orientation);
    }

protected:
    int32_t firstCaseOrientation() const override { return kOrientationUpOver; }
    float inAngleX() const override { return 90; }
    float outAngleX() const override { return 90; }
    bool zooms() const override { return true; }
};

class CCTransitionZoomFlipAngular : public CCTransitionFlipX {
public:
    using CCTransitionFlipX::CCTransitionFlipX;
    static Ref<CCTransitionZoomFlipAngular> transitionWithDuration(float duration, CCScene* scene,
                                                                   int32_t orientation)
    {
        return make<CCTransitionZoomFlipAngular>(duration, scene, orientation);
    }

protected:
    float inAngleX() const override { return -45; }
    float outAngleX() const override { return 45; }
    bool zooms() const override { return true; }
    bool showsAgain() const override { return true; }
};

// Renders both scenes once into textures of the window's size and fades the
// outgoing picture away over the incoming one; the live scenes are not drawn
// meanwhile.
class CCTransitionCrossFade : public CCTransitionScene {
public:
    static Ref<CCTransitionCrossFade> transitionWithDuration(float duration, CCScene* scene)
    {
        return make<CCTransitionCrossFade>(duration, scene);
    }
    void onEnter() override;
    void onExit() override;
    // Only the layer of pictures shows.
    void draw() override { }
};

} // namespace mw
