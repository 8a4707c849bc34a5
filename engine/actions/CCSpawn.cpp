#include "engine/actions/CCSpawn.h"

#include <algorithm>
#include <cfloat>
#include <vector>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"

namespace mw {

CCSpawn::CCSpawn(CCFiniteTimeAction* one, CCFiniteTimeAction* two)
    : CCActionInterval(0), one_(ccActionOrNothing(one)), two_(ccActionOrNothing(two))
{
    const float d1 = one_->duration();
    const float d2 = two_->duration();
    // The interval base turned 0 into FLT_EPSILON; the longer part gets the same rule.
    duration_ = std::max(d1, d2) == 0 ? FLT_EPSILON : std::max(d1, d2);
    if (d1 > d2) {
        Ref<CCDelayTime> padding = CCDelayTime::actionWithDuration(d1 - d2);
        two_ = Ref<CCFiniteTimeAction>(CCSequence::actionOne(two_, padding));
    } else if (d1 < d2) {
        Ref<CCDelayTime> padding = CCDelayTime::actionWithDuration(d2 - d1);
        one_ = Ref<CCFiniteTimeAction>(CCSequence::actionOne(one_, padding));
    }
}

Ref<CCFiniteTimeAction> CCSpawn::pairFromLeft(CCFiniteTimeAction* const* begin, CCFiniteTimeAction* const* end)
{
    if (begin == end || !*begin) {
        return nullptr;
    }
    Ref<CCFiniteTimeAction> result(*begin);
    for (auto it = begin + 1; it != end && *it; ++it) {
        result = Ref<CCFiniteTimeAction>(makeRef<CCSpawn>(result.get(), *it));
    }
    return result;
}

Ref<CCFiniteTimeAction> CCSpawn::actions(std::initializer_list<CCFiniteTimeAction*> actions)
{
    return pairFromLeft(actions.begin(), actions.end());
}

Ref<CCFiniteTimeAction> CCSpawn::actionsWithArray(const CCArray* actions)
{
    if (!actions) {
        return nullptr;
    }
    std::vector<CCFiniteTimeAction*> list;
    for (Object* item : *actions) {
        list.push_back(static_cast<CCFiniteTimeAction*>(item));
    }
    return pairFromLeft(list.data(), list.data() + list.size());
}

Ref<CCAction> CCSpawn::copy() const
{
    Ref<CCFiniteTimeAction> one = copyAs<CCFiniteTimeAction>(*one_);
    Ref<CCFiniteTimeAction> two = copyAs<CCFiniteTimeAction>(*two_);
    return makeRef<CCSpawn>(one, two);
}

void CCSpawn::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    one_->startWithTarget(target);
    two_->startWithTarget(target);
}

void CCSpawn::stop()
{
    one_->stop();
    two_->stop();
    CCActionInterval::stop();
}

void CCSpawn::update(float progress)
{
    one_->update(progress);
    two_->update(progress);
}

Ref<CCFiniteTimeAction> CCSpawn::reverse() const
{
    auto oneReversed = one_->reverse();
    auto twoReversed = two_->reverse();
    if (!oneReversed || !twoReversed) {
        return nullptr;
    }
    return makeRef<CCSpawn>(oneReversed, twoReversed);
}

} // namespace mw
