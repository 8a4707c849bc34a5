#pragma once

#include <cstdint>

#include "engine/nodes/CCAction.h"
#include "engine/nodes/CCScene.h"

namespace mw {

class CCActionInterval;

// A temporary scene that stands between the running scene and the next one:
// it holds both, animates them for a duration and then hands the screen to
// the incoming scene through the director.
//
// Touches: delivery is switched off from the moment a transition is made
// (not when it starts to run) until it hands over. A transition dropped
// without handing over (the first of two replacements asked for in one
// frame) gives its hold back when it goes, so delivery comes back on once no
// transition holds it.
//
// Two-phase construction: a kind's constructor sets its own state, then
// initWithDuration stores the scenes and asks sceneOrder (a virtual call),
// which a constructor could not. The factories do both.
//
// Ownership: the transition retains both scenes.
class CCTransitionScene : public CCScene {
public:
    CCTransitionScene() = default;
    ~CCTransitionScene() override;

    // A base transition (no animation of its own: it never finishes unless
    // something calls finish). Null, logged, as initWithDuration refuses.
    static Ref<CCTransitionScene> transitionWithDuration(float duration, CCScene* scene);

    // Keeps the duration and the incoming scene, takes the director's
    // running scene as the outgoing one, switches touch delivery off and
    // calls sceneOrder. False (one log line, nothing changed) without a
    // director's running scene, with a null scene or with the running scene
    // itself. Call once.
    [[nodiscard]] bool initWithDuration(float duration, CCScene* scene);

    bool isTransition() const override { return true; }

    // The own entry, then the outgoing scene's onExitTransitionDidStart and
    // the incoming scene's onEnter. Kinds then start their actions.
    void onEnter() override;
    // The own exit, then the outgoing scene's onExit and the incoming
    // scene's onEnterTransitionDidFinish.
    void onExit() override;
    // The own cleanup, then the outgoing scene's when the director was about
    // to clean up the transition's predecessor when it handed over.
    void cleanup() override;
    // Visits the lower scene, then the upper one (see sceneOrder).
    void draw() override;

    // Incoming scene visible, outgoing scene hidden.
    void hideOutShowIn();
    // Resets both scenes (visibility as hideOutShowIn, position (0, 0), scale
    // 1, rotation 0, cameras restored) and hands over on the next tick.
    void finish();
    // The hand-over, run by the timer finish() starts.
    void setNewScene(float dt);

    CCScene* inScene() const { return inScene_.get(); }
    CCScene* outScene() const { return outScene_.get(); }
    float duration() const { return duration_; }
    // Whether the incoming scene is drawn over the outgoing one.
    bool isInSceneOnTop() const { return inSceneOnTop_; }

protected:
    // For kinds that build their incoming scene themselves, later: keeps the
    // duration, takes the running scene as the outgoing one and switches
    // touch delivery off, as initWithDuration does. The kind sets inScene_
    // before it calls finish. False (logged) without a running scene.
    [[nodiscard]] bool initWithoutIncomingScene(float duration);

    // Decides inSceneOnTop_; here the incoming scene is on top.
    virtual void sceneOrder() { inSceneOnTop_ = true; }

    // A kind made and initialised, or null (logged) when init refuses.
    template <typename T, typename... Args> static Ref<T> make(float duration, CCScene* scene, Args... args)
    {
        auto transition = makeRef<T>(args...);
        if (!transition->initWithDuration(duration, scene)) return nullptr;
        return transition;
    }

    Ref<CCScene> inScene_;
    Ref<CCScene> outScene_;
    float duration_ = 0;
    bool inSceneOnTop_ = true;
    bool sendCleanupToScene_ = false;

private:
    void holdTouches();
    void releaseTouches();

    bool holdsTouches_ = false;
};

// A kind that wraps its main action in an easing.
class CCTransitionEaseScene {
public:
    virtual ~CCTransitionEaseScene() = default;
    virtual Ref<CCActionInterval> easeActionWithAction(Ref<CCActionInterval> action) = 0;
};

// Which way a flip turns.
enum tOrientation : int32_t {
    kOrientationLeftOver = 0,
    kOrientationRightOver = 1,
    kOrientationUpOver = 0,
    kOrientationDownOver = 1,
};

// A transition with a turning direction (the flips).
class CCTransitionSceneOriented : public CCTransitionScene {
public:
    explicit CCTransitionSceneOriented(int32_t orientation = kOrientationLeftOver) : orientation_(orientation)
    {
    }

    int32_t orientation() const { return orientation_; }

protected:
    int32_t orientation_;
};

} // namespace mw
