#pragma once

#include "engine/base/UIAccelerometer.h"
#include "engine/nodes/CCNode.h"
#include "engine/touch/CCTouchDelegateProtocol.h"

namespace mw {

// A node of window size that can take touches and accelerometer readings.
// It covers the window, is placed by its lower-left corner and scales and
// rotates about the window's centre. Almost every screen, board, pop-up and
// list derives from it.
//
// Touches: while touches are enabled and the layer runs (between onEnter and
// onExit) it is registered with the shared touch dispatcher, by default as a
// standard delegate at priority 0; subclasses override
// registerWithTouchDispatcher to register otherwise, and declare the
// callbacks they implement (standardTouchCallbacks, targetedTouchCallbacks).
// The dispatcher keeps the layer alive while it is registered.
class CCLayer : public CCNode,
                public CCStandardTouchDelegate,
                public CCTargetedTouchDelegate,
                public UIAccelerometerDelegate {
public:
    // Content size = the window size; anchor (0.5, 0.5), not relative; both
    // switches off.
    CCLayer();

    static Ref<CCLayer> node() { return makeRef<CCLayer>(); }

    // Claims every touch; targeted subclasses override it.
    bool ccTouchBegan(UITouch* touch, const UIEvent& event) override { return true; }

    void onEnter() override;
    void onEnterTransitionDidFinish() override;
    void onExit() override;

    bool isTouchEnabled() const { return isTouchEnabled_; }
    // Off stage only records the wish; while running, registers or removes the layer.
    virtual void setIsTouchEnabled(bool enabled);
    bool isAccelerometerEnabled() const { return isAccelerometerEnabled_; }
    // While running, makes the layer (on) or nobody (off) the accelerometer's delegate.
    void setIsAccelerometerEnabled(bool enabled);

    // Registers with the shared dispatcher as a standard delegate at priority 0.
    virtual void registerWithTouchDispatcher();

    // The game's hook: stop ongoing work before the layer is released or replaced.
    virtual void Stop() {}

protected:
    bool isTouchEnabled_ = false;
    bool isAccelerometerEnabled_ = false;
};

} // namespace mw
