#include "engine/transitions/CCTransitionGrid.h"

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/CCWinSize.h"
#include "engine/effects/CCActionGrid.h"
#include "engine/effects/CCActionTiledGrid.h"

namespace mw {

namespace {

// Twelve rows, and as many columns as keep the tiles about square.
ccGridSize tileGridSize()
{
    const CGSize window = ccWinSize();
    const auto across = static_cast<int32_t>(12 * window.width / window.height);
    return {across, 12};
}

// The outgoing scene runs the effect, then the hand-over starts, then its
// grid is switched off (the scene draws as itself once it is shown again).
void runOnOutgoing(CCTransitionScene* transition, CCScene* outgoing, Ref<CCActionInterval> effect)
{
    auto done = CCCallFunc::actionWithTarget(transition, call_selector(CCTransitionScene::finish));
    auto stopGrid = CCStopGrid::action();
    auto course = CCSequence::actions({effect.get(), done.get(), stopGrid.get()});
    outgoing->runAction(course.get());
}

} // namespace

// ---------------------------------------------------------------- turning tiles off

void CCTransitionTurnOffTiles::onEnter()
{
    CCTransitionScene::onEnter();
    runOnOutgoing(this, outScene_.get(),
                  easeActionWithAction(CCTurnOffTiles::actionWithSize(tileGridSize(), duration_)));
}

Ref<CCActionInterval> CCTransitionTurnOffTiles::easeActionWithAction(Ref<CCActionInterval> action)
{
    return action;
}

// ---------------------------------------------------------------- splitting

Ref<CCActionInterval> CCTransitionSplitCols::action() const
{
    return CCSplitCols::actionWithCols(3, duration_ / 2);
}

Ref<CCActionInterval> CCTransitionSplitRows::action() const
{
    return CCSplitRows::actionWithRows(3, duration_ / 2);
}

Ref<CCActionInterval> CCTransitionSplitCols::easeActionWithAction(Ref<CCActionInterval> action)
{
    return CCEaseInOut::actionWithAction(std::move(action), 3.0f);
}

void CCTransitionSplitCols::onEnter()
{
    CCTransitionScene::onEnter();
    inScene_->setVisible(false);

    Ref<CCActionInterval> split = action();
    Ref<CCFiniteTimeAction> back = split->reverse();
    auto swap = CCCallFunc::actionWithTarget(this, call_selector(CCTransitionScene::hideOutShowIn));
    Ref<CCActionInterval> course = CCSequence::actions({split.get(), swap.get(), back.get()});
    Ref<CCActionInterval> eased = easeActionWithAction(std::move(course));
    auto done = CCCallFunc::actionWithTarget(this, call_selector(CCTransitionScene::finish));
    auto stopGrid = CCStopGrid::action();
    auto whole = CCSequence::actions({eased.get(), done.get(), stopGrid.get()});
    runAction(whole.get());
}

// ---------------------------------------------------------------- fading tiles

void CCTransitionFadeTR::onEnter()
{
    CCTransitionScene::onEnter();
    runOnOutgoing(this, outScene_.get(), easeActionWithAction(actionWithSize(tileGridSize())));
}

Ref<CCActionInterval> CCTransitionFadeTR::easeActionWithAction(Ref<CCActionInterval> action)
{
    return action;
}

Ref<CCActionInterval> CCTransitionFadeTR::actionWithSize(ccGridSize size) const
{
    return CCFadeOutTRTiles::actionWithSize(size, duration_);
}

Ref<CCActionInterval> CCTransitionFadeBL::actionWithSize(ccGridSize size) const
{
    return CCFadeOutBLTiles::actionWithSize(size, duration_);
}

Ref<CCActionInterval> CCTransitionFadeUp::actionWithSize(ccGridSize size) const
{
    return CCFadeOutUpTiles::actionWithSize(size, duration_);
}

Ref<CCActionInterval> CCTransitionFadeDown::actionWithSize(ccGridSize size) const
{
    return CCFadeOutDownTiles::actionWithSize(size, duration_);
}

} // namespace mw
