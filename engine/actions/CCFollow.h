#pragma once

#include "engine/nodes/CCAction.h"
#include "foundation/Geometry.h"

namespace mw {

// Moves the node that runs it (a container holding a scrolling world) so
// that a followed node inside it shows at the centre of the window,
// optionally clamped so that the view never leaves a world boundary. It
// follows every frame until the followed node leaves the running scene.
// The followed node is retained for the action's life; the window size is
// taken when the action is made.
class CCFollow : public CCAction {
public:
    explicit CCFollow(CCNode* followedNode);
    // boundary: the world's rectangle in points.
    CCFollow(CCNode* followedNode, CGRect worldBoundary);
    ~CCFollow() override;

    static Ref<CCFollow> actionWithTarget(CCNode* followedNode) { return makeRef<CCFollow>(followedNode); }
    static Ref<CCFollow> actionWithTarget(CCNode* followedNode, CGRect worldBoundary)
    {
        return makeRef<CCFollow>(followedNode, worldBoundary);
    }

    // Follows the same node with the same settings and keeps the tag.
    Ref<CCAction> copy() const override;
    void step(float dt) override;
    // True once the followed node is no longer running.
    bool isDone() const override;

    // Switches the boundary off (or on again) while running.
    bool boundarySet() const { return boundarySet_; }
    void setBoundarySet(bool set) { boundarySet_ = set; }

private:
    CCFollow(const CCFollow& other);

    Ref<CCNode> followedNode_;
    bool boundarySet_ = false;
    bool boundaryFullyCovered_ = false;
    CGPoint halfScreenSize_;
    CGPoint fullScreenSize_;
    float leftBoundary_ = 0;
    float rightBoundary_ = 0;
    float topBoundary_ = 0;
    float bottomBoundary_ = 0;
};

} // namespace mw
