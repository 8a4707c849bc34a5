#include "engine/actions/CCSequence.h"

#include <algorithm>
#include <cfloat>
#include <vector>

#include "engine/actions/CCActionInstant.h"

namespace mw {

namespace {

Ref<CCFiniteTimeAction> pairVorn(CCFiniteTimeAction* one, CCFiniteTimeAction* two)
{
    return Ref<CCFiniteTimeAction>(makeRef<CCSequenceVorn>(one, two));
}

} // namespace

CCSequence::CCSequence(CCFiniteTimeAction* one, CCFiniteTimeAction* two) : CCActionInterval(0)
{
    actions_[0] = ccActionOrNothing(one);
    actions_[1] = ccActionOrNothing(two);
    // The interval base turned 0 into FLT_EPSILON; the sum gets the same rule.
    const float total = actions_[0]->duration() + actions_[1]->duration();
    duration_ = total == 0 ? FLT_EPSILON : total;
}

Ref<CCFiniteTimeAction> CCSequence::actions(std::initializer_list<CCFiniteTimeAction*> actions)
{
    return pairFromLeft(actions.begin(), actions.end(), [](CCFiniteTimeAction* one, CCFiniteTimeAction* two) {
        return Ref<CCFiniteTimeAction>(makeRef<CCSequence>(one, two));
    });
}

Ref<CCFiniteTimeAction> CCSequence::actionsWithArray(const CCArray* actions)
{
    if (!actions) {
        return nullptr;
    }
    std::vector<CCFiniteTimeAction*> list;
    for (Object* item : *actions) {
        list.push_back(static_cast<CCFiniteTimeAction*>(item));
    }
    return pairFromLeft(list.data(), list.data() + list.size(), [](CCFiniteTimeAction* one, CCFiniteTimeAction* two) {
        return Ref<CCFiniteTimeAction>(makeRef<CCSequence>(one, two));
    });
}

Ref<CCAction> CCSequence::copy() const
{
    auto one = copyAs<CCFiniteTimeAction>(*actions_[0]);
    auto two = copyAs<CCFiniteTimeAction>(*actions_[1]);
    return makeSequence(one, two);
}

void CCSequence::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    split_ = actions_[0]->duration() / std::max(duration_, FLT_EPSILON);
    last_ = -1;
}

void CCSequence::stop()
{
    actions_[0]->stop();
    actions_[1]->stop();
    CCActionInterval::stop();
}

void CCSequence::update(float progress)
{
    int running;
    float innerProgress;
    if (progress >= split_) {
        running = 1;
        innerProgress = split_ == 1 ? 1 : (progress - split_) / (1 - split_);
    } else {
        running = 0;
        innerProgress = split_ == 0 ? 1 : progress / split_;
    }

    if (last_ == -1 && running == 1) {
        // The first action was jumped over: run it through before the second starts.
        actions_[0]->startWithTarget(target_);
        actions_[0]->update(1);
        actions_[0]->stop();
    }
    if (running != last_) {
        if (last_ != -1) {
            actions_[last_]->update(1);
            actions_[last_]->stop();
        }
        actions_[running]->startWithTarget(target_);
    }
    actions_[running]->update(innerProgress);
    last_ = running;
}

Ref<CCFiniteTimeAction> CCSequence::reverse() const
{
    auto secondReversed = actions_[1]->reverse();
    auto firstReversed = actions_[0]->reverse();
    if (!secondReversed || !firstReversed) {
        return nullptr;
    }
    return makeSequence(secondReversed, firstReversed);
}

CCSequenceVorn::CCSequenceVorn(CCFiniteTimeAction* one, CCFiniteTimeAction* two) : CCSequence(one, two)
{
    setSkipFirstTick();
}

Ref<CCFiniteTimeAction> CCSequenceVorn::actions(std::initializer_list<CCFiniteTimeAction*> actions)
{
    return pairFromLeft(actions.begin(), actions.end(), pairVorn);
}

Ref<CCFiniteTimeAction> CCSequenceVorn::actionsWithArray(const CCArray* actions)
{
    if (!actions) {
        return nullptr;
    }
    std::vector<CCFiniteTimeAction*> list;
    for (Object* item : *actions) {
        list.push_back(static_cast<CCFiniteTimeAction*>(item));
    }
    return pairFromLeft(list.data(), list.data() + list.size(), pairVorn);
}

void CCSequenceVorn::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    // Unlike the plain sequence there is no lower bound on the duration here:
    // it is never below FLT_EPSILON anyway, as the interval base guarantees.
    split_ = actions_[0]->duration() / duration_;
    last_ = -1;
}

} // namespace mw
