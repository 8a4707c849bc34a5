#include "engine/actions/CCActionInterval.h"

#include <cfloat>
#include <math.h>

#include "engine/actions/CCActionEase.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/base/CGPointExtension.h"
#include "engine/nodes/CCNode.h"
#include "foundation/Random.h"

namespace mw {

namespace {

// A remainder of `turn` that keeps the sign of the angle.
float reduceAngle(float angle, float turn) { return angle > 0 ? fmodf(angle, turn) : fmodf(angle, -turn); }

// One correction of a full turn each way, not a full normalisation.
float shortestDelta(float delta)
{
    if (delta > 180) delta -= 360;
    if (delta < -180) delta += 360;
    return delta;
}

} // namespace

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

void CCMoveBy::startWithTarget(CCNode* target)
{
    // The move-to start turns the end point into the offset; keep ours.
    const CGPoint offset = delta_;
    CCMoveTo::startWithTarget(target);
    delta_ = offset;
}

Ref<CCFiniteTimeAction> CCMoveBy::reverse() const { return makeRef<CCMoveBy>(duration_, ccpNeg(delta_)); }

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

void CCJumpBy::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startPosition_ = target->position();
}

void CCJumpBy::update(float t)
{
    if (!target_) return;
    const float frac = fmodf(t * jumps_, 1.0f);
    const float lift = 4 * height_ * frac * (1 - frac);
    target_->setPosition(CGPoint(startPosition_.x + delta_.x * t, startPosition_.y + delta_.y * t + lift));
}

void CCJumpTo::startWithTarget(CCNode* target)
{
    CCJumpBy::startWithTarget(target);
    delta_ = ccpSub(endPosition_, startPosition_);
}

void CCBezierBy::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startPosition_ = target->position();
}

void CCBezierBy::update(float t)
{
    if (!target_) return;
    const CGPoint offset = ccBezierPointAt(config_, t);
    target_->setPosition(CGPoint(startPosition_.x + offset.x, startPosition_.y + offset.y));
}

void CCBezierTo::startWithTarget(CCNode* target)
{
    CCBezierBy::startWithTarget(target);
    config_.endPosition = ccpSub(toConfig_.endPosition, startPosition_);
    config_.controlPoint_1 = ccpSub(toConfig_.controlPoint_1, startPosition_);
    config_.controlPoint_2 = ccpSub(toConfig_.controlPoint_2, startPosition_);
}

Ref<CCFiniteTimeAction> CCBezierTo::reverse() const
{
    // Absolute points: back to the start, through the control points in
    // the opposite order.
    ccBezierConfig back;
    back.endPosition = startPosition_;
    back.controlPoint_1 = ccpAdd(startPosition_, config_.controlPoint_2);
    back.controlPoint_2 = ccpAdd(startPosition_, config_.controlPoint_1);
    return makeRef<CCBezierTo>(duration_, back);
}

void CCBezierByVorn::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startPosition_ = target->position();
}

void CCBezierByVorn::update(float t)
{
    if (!target_) return;
    const CGPoint offset = ccBezierPointAt(config_, t);
    target_->setPosition(CGPoint(startPosition_.x + offset.x, startPosition_.y + offset.y));
}

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

void CCScaleBy::startWithTarget(CCNode* target)
{
    CCScaleTo::startWithTarget(target);
    // The end scales hold the factors.
    deltaX_ = startScaleX_ * endScaleX_ - startScaleX_;
    deltaY_ = startScaleY_ * endScaleY_ - startScaleY_;
}

void CCRotateTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    const float rotation = target->rotation();
    startAngle_ = rotation > 0 ? fmodf(rotation, 360.0f) : fmodf(rotation, -360.0f);
    diffAngle_ = dstAngle_ - startAngle_;
    if (diffAngle_ > 180) diffAngle_ -= 360;
    if (diffAngle_ < -180) diffAngle_ += 360;
}

void CCRotateTo::update(float t)
{
    if (target_) target_->setRotation(startAngle_ + diffAngle_ * t);
}

void CCRotateBy::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startAngle_ = target->rotation();
}

void CCRotateBy::update(float t)
{
    if (target_) target_->setRotation(startAngle_ + angle_ * t);
}

void CCSkewTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startSkewX_ = reduceAngle(target->skewX(), 180);
    startSkewY_ = reduceAngle(target->skewY(), 360);
    deltaX_ = shortestDelta(endSkewX_ - startSkewX_);
    deltaY_ = shortestDelta(endSkewY_ - startSkewY_);
}

void CCSkewTo::update(float t)
{
    if (!target_) return;
    target_->setSkewX(startSkewX_ + deltaX_ * t);
    target_->setSkewY(startSkewY_ + deltaY_ * t);
}

void CCSkewBy::startWithTarget(CCNode* target)
{
    CCSkewTo::startWithTarget(target);
    deltaX_ = skewX_;
    deltaY_ = skewY_;
    endSkewX_ = startSkewX_ + deltaX_;
    endSkewY_ = startSkewY_ + deltaY_;
}

void CCFadeIn::update(float t)
{
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_)) rgba->setOpacity(ccColorByte(255 * t));
}

Ref<CCFiniteTimeAction> CCFadeIn::reverse() const { return makeRef<CCFadeOut>(duration_); }

void CCFadeOut::update(float t)
{
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_)) rgba->setOpacity(ccColorByte(255 * (1 - t)));
}

Ref<CCFiniteTimeAction> CCFadeOut::reverse() const { return makeRef<CCFadeIn>(duration_); }

void CCFadeTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(target)) fromOpacity_ = rgba->opacity();
}

void CCFadeTo::update(float t)
{
    auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_);
    if (!rgba) return;
    rgba->setOpacity(ccColorByte(fromOpacity_ + (toOpacity_ - fromOpacity_) * t));
}

void CCTintTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(target)) from_ = rgba->color();
}

void CCTintTo::update(float t)
{
    auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_);
    if (!rgba) return;
    rgba->setColor({ccColorByte(from_.r + (to_.r - from_.r) * t), ccColorByte(from_.g + (to_.g - from_.g) * t),
                    ccColorByte(from_.b + (to_.b - from_.b) * t)});
}

void CCTintBy::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    auto* rgba = dynamic_cast<CCRGBAProtocol*>(target);
    if (!rgba) return;
    const ccColor3B color = rgba->color();
    fromR_ = color.r;
    fromG_ = color.g;
    fromB_ = color.b;
}

void CCTintBy::update(float t)
{
    auto* rgba = dynamic_cast<CCRGBAProtocol*>(target_);
    if (!rgba) return;
    rgba->setColor(
        {ccColorByte(fromR_ + deltaR_ * t), ccColorByte(fromG_ + deltaG_ * t), ccColorByte(fromB_ + deltaB_ * t)});
}

void CCBlink::update(float t)
{
    // With no blinks there is no slice to divide the time into: leave the node alone.
    if (!target_ || isDone() || times_ == 0) return;
    const float slice = 1.0f / times_;
    target_->setVisible(fmodf(t, slice) > slice / 2);
}

} // namespace mw
