#pragma once

#include "engine/nodes/CCScene.h"

namespace mw {

// What a transition needs of the director, which sits above it: the scene
// running when the transition is made, the hand-over to the incoming scene,
// and whether the director will clean up the scene it leaves. The director
// implements this and installs its provider when it becomes the shared one;
// transitions reach it only through ccSceneDirector(), so that they do not
// depend on the director.
class CCSceneDirector {
public:
    virtual ~CCSceneDirector() = default;

    // The scene drawn now, or null.
    virtual CCScene* runningScene() const = 0;
    // Runs `scene` instead of the running one from the next frame.
    virtual void replaceScene(CCScene* scene) = 0;
    // Whether the scene being left will be sent cleanup.
    virtual bool sendCleanupToScene() const = 0;
};

using ccSceneDirectorProvider = CCSceneDirector* (*)();

// Installs the provider (null removes it).
void ccSetSceneDirectorProvider(ccSceneDirectorProvider provider);

// The director through the provider; null without one.
CCSceneDirector* ccSceneDirector();

} // namespace mw
