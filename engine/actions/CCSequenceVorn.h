#pragma once

#include "engine/actions/CCSequence.h"

namespace mw {

// A sequence whose first step after every start begins at a random point of
// its whole duration (so that walkers appear anywhere along their road). The
// random start applies where the sequence itself is stepped (by the action
// manager, a repeat-forever or a speed action), not where another composite
// drives it by progress. Copies, reverses and the list forms stay random-start.
class CCSequenceVorn : public CCSequence {
public:
    CCSequenceVorn(CCFiniteTimeAction* one, CCFiniteTimeAction* two);

    static Ref<CCSequenceVorn> actionOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two)
    {
        return makeRef<CCSequenceVorn>(one, two);
    }
    static Ref<CCFiniteTimeAction> actions(std::initializer_list<CCFiniteTimeAction*> actions);
    static Ref<CCFiniteTimeAction> actionsWithArray(const CCArray* actions);

    void startWithTarget(CCNode* target) override;

protected:
    Ref<CCSequence> makeSequence(CCFiniteTimeAction* one, CCFiniteTimeAction* two) const override
    {
        return makeRef<CCSequenceVorn>(one, two);
    }
};

} // namespace mw
