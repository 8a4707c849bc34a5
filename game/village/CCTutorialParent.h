#pragma once

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

// An invisible node in the HUD's tree (its parent is the tree read from the
// scene file, its grandparent the HUD) that pop-ups opened on the map are
// added to: each of the four tutorial hooks it receives goes on, unchanged,
// to its grandparent. Without a grandparent a hook does nothing.
class CCTutorialParent : public CCNode {
public:
    static Ref<CCTutorialParent> node() { return makeRef<CCTutorialParent>(); }

    void MoveWithTutorial() override;
    void InstantSpawnWorkerOfType();
    void SetInputActive(bool active) override;
    void AfterBuildSeq() override;

private:
    CCNode* grandparent() const;
};

} // namespace mw
