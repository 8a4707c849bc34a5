#include "engine/actions/CCMoveTo.h"

#include "engine/base/CGPointExtension.h"
#include "engine/nodes/CCNode.h"

namespace mw {

Ref<CCAction> CCMoveTo::copy() const { return makeRef<CCMoveTo>(duration_, endPosition_); }

void CCMoveTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startPosition_ = target->position();
    delta_ = ccpSub(endPosition_, startPosition_);
}

void CCMoveTo::update(float t)
{
    if (target_) target_->setPosition(ccp(startPosition_.x + delta_.x * t, startPosition_.y + delta_.y * t));
}

} // namespace mw
