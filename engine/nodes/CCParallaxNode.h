#pragma once

#include "engine/nodes/CCNode.h"

namespace mw {

// Moves each child by a share (its ratio) of the node's own absolute
// movement, so that background layers scroll at different speeds. Children
// are added only with a ratio and an offset; the plain addChild forms add
// nothing. On the first visit, and whenever the node's absolute position
// changed since the last placement, every child is placed again before the
// ordinary visit.
class CCParallaxNode : public CCNode {
public:
    CCParallaxNode();

    static Ref<CCParallaxNode> node() { return makeRef<CCParallaxNode>(); }

    using CCNode::addChild;
    // Adds the child with its ratio and offset and places it for the node's
    // current position.
    void addChild(CCNode* child, int z, CGPoint ratio, CGPoint offset);
    // Adds nothing: a child needs a ratio and an offset.
    void addChild(CCNode* child, int z, int tag) override;
    void removeChild(CCNode* child, bool cleanup) override;
    void removeAllChildrenWithCleanup(bool cleanup) override;
    void visit() override;

    // The node's position plus the positions of all its ancestors.
    CGPoint absolutePosition() const;

    // One record per registered child, in order of registration.
    CCArray* parallaxArray() const { return parallaxArray_.get(); }
    void setParallaxArray(CCArray* records) { parallaxArray_ = records; }

private:
    Ref<CCArray> parallaxArray_;
    // The absolute position the children were last placed for; meaningful
    // only once placed_ is set, so the first visit places them wherever the
    // node is.
    CGPoint lastPosition_{0, 0};
    bool placed_ = false;
};

} // namespace mw
