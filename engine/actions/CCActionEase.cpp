#include "engine/actions/CCActionEase.h"

namespace mw {

CCActionEase::CCActionEase(Ref<CCActionInterval> action)
    : CCActionInterval(action ? action->duration() : 0.0f), other_(std::move(action))
{
}

Ref<CCAction> CCActionEase::copy() const { return makeRef<CCActionEase>(copiedInner()); }

void CCActionEase::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    if (other_) other_->startWithTarget(target);
}

void CCActionEase::stop()
{
    if (other_) other_->stop();
    CCActionInterval::stop();
}

void CCActionEase::update(float t)
{
    if (t == 0) {
        updateInner(0);
    } else if (t == 1) {
        updateInner(1);
    } else {
        updateInner(easedProgress(t));
    }
}

Ref<CCFiniteTimeAction> CCActionEase::reverse() const { return wrap<CCActionEase>(reversedInner()); }

void CCActionEase::updateInner(float easedProgress)
{
    if (other_) other_->update(easedProgress);
}

Ref<CCActionInterval> CCActionEase::copiedInner() const
{
    return other_ ? copyAs<CCActionInterval>(*other_) : nullptr;
}

Ref<CCActionInterval> CCActionEase::reversedInner() const
{
    if (!other_) return nullptr;
    return dynamicRef<CCActionInterval>(other_->reverse());
}

} // namespace mw
