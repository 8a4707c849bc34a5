#include "engine/actions/CCScaleTo.h"

#include "engine/nodes/CCNode.h"

namespace mw {

void CCScaleTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startScaleX_ = target->scaleX();
    startScaleY_ = target->scaleY();
    deltaX_ = endScaleX_ - startScaleX_;
    deltaY_ = endScaleY_ - startScaleY_;
}

void CCScaleTo::update(float t)
{
    if (!target_) return;
    target_->setScaleX(startScaleX_ + deltaX_ * t);
    target_->setScaleY(startScaleY_ + deltaY_ * t);
}

} // namespace mw
