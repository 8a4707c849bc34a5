#include "engine/actions/CCMoveToWithYBounce.h"

#include "engine/actions/CCEaseBounce.h"
#include "engine/base/CGPointExtension.h"
#include "engine/nodes/CCNode.h"

namespace mw {

float CCMoveToWithYBounce::bounceTime(float t) { return CCEaseBounce::bounceTime(t); }

Ref<CCAction> CCMoveToWithYBounce::copy() const { return makeRef<CCMoveToWithYBounce>(duration_, endPosition_); }

void CCMoveToWithYBounce::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startPosition_ = target->position();
    delta_ = ccpSub(endPosition_, startPosition_);
}

void CCMoveToWithYBounce::update(float t)
{
    if (!target_) return;
    target_->setPosition(ccp(startPosition_.x + delta_.x * t, startPosition_.y + delta_.y * bounceTime(t)));
}

} // namespace mw
