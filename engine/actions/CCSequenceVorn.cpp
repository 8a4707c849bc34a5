#include "engine/actions/CCSequenceVorn.h"

#include <vector>

namespace mw {

namespace {
Ref<CCFiniteTimeAction> pairVorn(CCFiniteTimeAction* one, CCFiniteTimeAction* two)
{
    return Ref<CCFiniteTimeAction>(makeRef<CCSequenceVorn>(one, two));
}
} // namespace

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
