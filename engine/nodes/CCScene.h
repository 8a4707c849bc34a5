#pragma once

#include "engine/nodes/CCNode.h"

namespace mw {

// The root node of one screen, which the director runs. Its content size is
// the window's and its anchor point (0.5, 0.5) is not relative, so it covers
// the window from its lower-left corner.
class CCScene : public CCNode {
public:
    CCScene();

    static Ref<CCScene> node() { return makeRef<CCScene>(); }

    // The game's hook: the door transitions send it to their outgoing scene;
    // game scenes override it to drop their content layers.
    virtual void onHide() {}

    // Whether this scene is a transition between two others. The director
    // neither exits a scene a transition takes over nor enters the scene a
    // transition hands over: the transition does both itself.
    virtual bool isTransition() const { return false; }
};

} // namespace mw
