// The sequences: actions run one after another.

#pragma once

#include <initializer_list>

#include "engine/actions/CCActionInterval.h"
#include "engine/support/CCArray.h"

namespace mw {

// Runs two actions one after the other, the second starting when the first
// ends; it lasts the sum of both. Longer chains nest pairs from the left:
// actions({a, b, c}) is a sequence of (a then b) then c. The inner actions are
// started lazily as the progress reaches them; a progress that jumps over a
// whole action still runs it through (start, progress 1, stop), in order.
class CCSequence : public CCActionInterval {
public:
    // Both actions are retained; a null one acts as an instant that does nothing.
    CCSequence(CCFiniteTimeAction* one, CCFiniteTimeAction* two);

    static Ref<CCSequence> actionOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two)
    {
        return makeRef<CCSequence>(one, two);
    }
    // The list ends at its first null. One action comes back unwrapped; an
    // empty list (or one starting with null) gives null.
    static Ref<CCFiniteTimeAction> actions(std::initializer_list<CCFiniteTimeAction*> actions);
    // The same for an array of finite-time actions; an empty array gives null.
    static Ref<CCFiniteTimeAction> actionsWithArray(const CCArray* actions);

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void stop() override;
    void update(float progress) override;
    // The reverses in the opposite order; null when an inner action has no reverse.
    Ref<CCFiniteTimeAction> reverse() const override;

    CCFiniteTimeAction* first() const { return actions_[0].get(); }
    CCFiniteTimeAction* second() const { return actions_[1].get(); }

protected:
    // A sequence of the receiver's kind, for copies and reverses.
    virtual Ref<CCSequence> makeSequence(CCFiniteTimeAction* one, CCFiniteTimeAction* two) const
    {
        return makeRef<CCSequence>(one, two);
    }

    // Pairs a list from the left with `pair`.
    template <typename Pair>
    static Ref<CCFiniteTimeAction> pairFromLeft(CCFiniteTimeAction* const* begin, CCFiniteTimeAction* const* end,
                                                Pair pair)
    {
        if (begin == end || !*begin) {
            return nullptr;
        }
        Ref<CCFiniteTimeAction> result(*begin);
        for (auto it = begin + 1; it != end && *it; ++it) {
            result = pair(result.get(), *it);
        }
        return result;
    }

    Ref<CCFiniteTimeAction> actions_[2];
    float split_ = 0;  // the progress at which the second action begins
    int last_ = -1;    // -1 before the first update, else the index of the running action
};

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
