#pragma once

#include "engine/actions/CCFiniteTimeAction.h"

namespace mw {

// An action that acts at once: its step applies progress 1 and it is done
// immediately. Subclasses do their work in update().
class CCActionInstant : public CCFiniteTimeAction {
public:
    CCActionInstant() = default;

    // A new instant of the same class; the tag is not copied.
    Ref<CCAction> copy() const override { return makeRef<CCActionInstant>(); }
    bool isDone() const override { return true; }
    void step(float dt) override { update(1); }
    void update(float progress) override {}
    // An instant action is its own reverse: a copy.
    Ref<CCFiniteTimeAction> reverse() const override { return copyAs<CCFiniteTimeAction>(*this); }
};

// The action itself, or an instant action that does nothing in place of a
// null one. Composites take their parts through it: game code builds them
// from reverses, which are null for actions that have none, and a missing
// part must act as nothing rather than crash the frame.
inline Ref<CCFiniteTimeAction> ccActionOrNothing(CCFiniteTimeAction* action)
{
    if (action) {
        return Ref<CCFiniteTimeAction>(action);
    }
    return makeRef<CCActionInstant>();
}

} // namespace mw
