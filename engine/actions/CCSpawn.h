#pragma once

#include <initializer_list>

#include "engine/actions/CCActionInterval.h"
#include "engine/support/CCArray.h"

namespace mw {

// Runs two actions at the same time; it lasts as long as the longer one. The
// shorter one is padded with a delay, so both reach progress 1 together at
// the end. Longer lists nest pairs from the left.
class CCSpawn : public CCActionInterval {
public:
    // Both actions are retained; a null one acts as an instant that does nothing.
    CCSpawn(CCFiniteTimeAction* one, CCFiniteTimeAction* two);

    static Ref<CCSpawn> actionOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two)
    {
        return makeRef<CCSpawn>(one, two);
    }
    // The list ends at its first null; one action comes back unwrapped, none gives null.
    static Ref<CCFiniteTimeAction> actions(std::initializer_list<CCFiniteTimeAction*> actions);
    static Ref<CCFiniteTimeAction> actionsWithArray(const CCArray* actions);

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void stop() override;
    void update(float progress) override;
    // A spawn of both reverses; null when an inner action has no reverse.
    Ref<CCFiniteTimeAction> reverse() const override;

private:
    static Ref<CCFiniteTimeAction> pairFromLeft(CCFiniteTimeAction* const* begin, CCFiniteTimeAction* const* end);

    Ref<CCFiniteTimeAction> one_;
    Ref<CCFiniteTimeAction> two_;
};

} // namespace mw
