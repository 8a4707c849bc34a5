#include "engine/actions/CCFollow.h"

#include "engine/base/CCWinSize.h"
#include "engine/base/CGPointExtension.h"
#include "engine/nodes/CCNode.h"

namespace mw {

CCFollow::CCFollow(CCNode* followedNode) : followedNode_(followedNode)
{
    const CGSize window = ccWinSize();
    fullScreenSize_ = CGPoint(window.width, window.height);
    halfScreenSize_ = ccpMult(fullScreenSize_, 0.5f);
}

CCFollow::CCFollow(CCNode* followedNode, CGRect rect) : CCFollow(followedNode)
{
    boundarySet_ = true;
    leftBoundary_ = -((rect.origin.x + rect.size.width) - fullScreenSize_.x);
    rightBoundary_ = -rect.origin.x;
    topBoundary_ = -rect.origin.y;
    bottomBoundary_ = -((rect.origin.y + rect.size.height) - fullScreenSize_.y);
    // A world smaller than the window on an axis holds the container still
    // there, at the middle of the two bounds.
    if (rightBoundary_ < leftBoundary_) rightBoundary_ = leftBoundary_ = (leftBoundary_ + rightBoundary_) / 2;
    if (topBoundary_ < bottomBoundary_) topBoundary_ = bottomBoundary_ = (topBoundary_ + bottomBoundary_) / 2;
    boundaryFullyCovered_ = topBoundary_ == bottomBoundary_ && leftBoundary_ == rightBoundary_;
}

CCFollow::CCFollow(const CCFollow& other) = default;

CCFollow::~CCFollow() = default;

Ref<CCAction> CCFollow::copy() const
{
    Ref<CCFollow> copied(new CCFollow(*this));
    copied->originalTarget_ = nullptr;
    copied->target_ = nullptr;
    return copied;
}

void CCFollow::step(float)
{
    if (!target_ || !followedNode_) return;
    const CGPoint centred = ccpSub(halfScreenSize_, followedNode_->position());
    if (!boundarySet_) {
        target_->setPosition(centred);
        return;
    }
    if (boundaryFullyCovered_) return;
    target_->setPosition(CGPoint(clampf(centred.x, leftBoundary_, rightBoundary_),
                                 clampf(centred.y, bottomBoundary_, topBoundary_)));
}

bool CCFollow::isDone() const { return !followedNode_ || !followedNode_->isRunning(); }

} // namespace mw
