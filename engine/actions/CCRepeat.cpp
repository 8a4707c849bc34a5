#include "engine/actions/CCRepeat.h"

#include <cmath>

#include "engine/actions/CCActionInstant.h"

namespace mw {

CCRepeat::CCRepeat(CCFiniteTimeAction* action, uint32_t times)
    : CCActionInterval(action->duration() * static_cast<float>(times)),
      times_(times),
      isActionInstant_(dynamic_cast<CCActionInstant*>(action) != nullptr),
      innerAction_(action),
      requestedTimes_(times)
{
    // An instant action already acts when it is started, so the start plus
    // times - 1 restarts make `times` executions. A count of 0 stays 0
    // rather than wrapping to a repeat without end.
    if (isActionInstant_ && times_ > 0) {
        times_ -= 1;
    }
}

Ref<CCAction> CCRepeat::copy() const
{
    Ref<CCFiniteTimeAction> inner = copyAs<CCFiniteTimeAction>(*innerAction_);
    return makeRef<CCRepeat>(inner, requestedTimes_);
}

void CCRepeat::startWithTarget(CCNode* target)
{
    total_ = 0;
    nextDt_ = repetitionSlice();
    CCActionInterval::startWithTarget(target);
    innerAction_->startWithTarget(target);
}

void CCRepeat::stop()
{
    innerAction_->stop();
    CCActionInterval::stop();
}

void CCRepeat::update(float progress)
{
    const float slice = repetitionSlice();
    // The boundaries are summed in single precision, so the last one can land
    // a rounding step above 1; progress 1 must still end the last repetition.
    const bool lastRepetitionEnds = progress == 1.0f && total_ < times_;
    if (progress >= nextDt_ || lastRepetitionEnds) {
        while (progress > nextDt_ && total_ < times_) {
            innerAction_->update(1);
            ++total_;
            innerAction_->stop();
            innerAction_->startWithTarget(target_);
            nextDt_ += slice;
        }
        if (progress == 1.0f && total_ < times_) {
            ++total_;
        }
        if (!isActionInstant_) {
            if (total_ == times_) {
                innerAction_->update(1);
                innerAction_->stop();
            } else {
                // The progress within the repetition that has just begun,
                // scaled to the inner action's own 0..1.
                const float repetitionStart = nextDt_ - slice;
                innerAction_->update(slice > 0 ? (progress - repetitionStart) / slice : 1);
            }
        }
    } else {
        innerAction_->update(std::fmod(progress * static_cast<float>(times_), 1.0f));
    }
}

Ref<CCFiniteTimeAction> CCRepeat::reverse() const
{
    auto innerReversed = innerAction_->reverse();
    if (!innerReversed) {
        return nullptr;
    }
    return makeRef<CCRepeat>(innerReversed, requestedTimes_);
}

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
