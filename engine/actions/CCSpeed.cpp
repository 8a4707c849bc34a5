#include "engine/actions/CCSpeed.h"

namespace mw {

Ref<CCAction> CCSpeed::copy() const
{
    Ref<CCActionInterval> inner = copyAs<CCActionInterval>(*innerAction_);
    return makeRef<CCSpeed>(inner, speed_);
}

void CCSpeed::startWithTarget(CCNode* target)
{
    CCAction::startWithTarget(target);
    innerAction_->startWithTarget(target);
}

void CCSpeed::stop()
{
    innerAction_->stop();
    CCAction::stop();
}

Ref<CCSpeed> CCSpeed::reverse() const
{
    auto reversed = dynamicRef<CCActionInterval>(innerAction_->reverse());
    if (!reversed) {
        return nullptr;
    }
    return makeRef<CCSpeed>(reversed, speed_);
}

} // namespace mw
