#pragma once

#include "engine/actions/CCActionInterval.h"

namespace mw {

// Wraps one interval action and reshapes its time curve: it lasts as long as
// the inner action, runs it on the same node and passes it a progress f(t)
// instead of the linear t. This base passes t unchanged; each easing class
// overrides easedProgress() with its curve. The inner action is retained for
// the ease's whole life.
class CCActionEase : public CCActionInterval {
public:
    // A null inner action gives an ease of FLT_EPSILON that drives nothing.
    explicit CCActionEase(Ref<CCActionInterval> action);

    static Ref<CCActionEase> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCActionEase>(std::move(action));
    }

    // The receiver's class around a copy of the inner action.
    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    // Stops the inner action, then the ease.
    void stop() override;
    // Passes 0 and 1 on exactly, whatever a curve gives there, so that an
    // eased action ends where it would without the ease and whatever is
    // sequenced after it runs; any other t goes through easedProgress().
    void update(float t) final;
    // The receiver's class around the inner action's reverse; null when the
    // inner action has none.
    Ref<CCFiniteTimeAction> reverse() const override;

    CCActionInterval* innerAction() const { return other_.get(); }

protected:
    // The curve: the progress the inner action gets for t strictly between
    // the ends. It must not be NaN for any parameter a caller can set.
    virtual float easedProgress(float t) { return t; }
    // Passes an eased progress on (nothing happens without an inner action).
    void updateInner(float easedProgress);
    Ref<CCActionInterval> copiedInner() const;
    // The inner action's reverse when it is an interval action, else null.
    Ref<CCActionInterval> reversedInner() const;

    // An ease of class E around `inner` (with extra constructor arguments),
    // or null when there is no inner action: a reverse of an action that
    // cannot be reversed is itself no action.
    template <typename E, typename... Args>
    static Ref<CCFiniteTimeAction> wrap(Ref<CCActionInterval> inner, Args... args)
    {
        if (!inner) return nullptr;
        return makeRef<E>(std::move(inner), args...);
    }

    Ref<CCActionInterval> other_;
};

} // namespace mw
