#include "engine/actions/CCRepeatForever.h"

namespace mw {

Ref<CCAction> CCRepeatForever::copy() const
{
    Ref<CCActionInterval> inner = copyAs<CCActionInterval>(*innerAction_);
    return makeRef<CCRepeatForever>(inner);
}

void CCRepeatForever::startWithTarget(CCNode* target)
{
    CCAction::startWithTarget(target);
    innerAction_->startWithTarget(target);
}

void CCRepeatForever::step(float dt)
{
    innerAction_->step(dt);
    if (innerAction_->isDone()) {
        const float overshoot = innerAction_->elapsed() - innerAction_->duration();
        innerAction_->startWithTarget(target_);
        // The first step after a start sets the time to 0 (or the random
        // start); only then does the carried time count.
        innerAction_->step(0);
        innerAction_->step(overshoot);
    }
}

Ref<CCRepeatForever> CCRepeatForever::reverse() const
{
    auto reversed = dynamicRef<CCActionInterval>(innerAction_->reverse());
    if (!reversed) {
        return nullptr;
    }
    return makeRef<CCRepeatForever>(reversed);
}

} // namespace mw
