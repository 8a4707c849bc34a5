#include "engine/transitions/CCTransitionPageTurn.h"

#include <exception>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCActionProgressTimer.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/CCWinSize.h"
#include "engine/effects/CCActionGrid.h"
#include "engine/effects/CCActionGrid3D.h"
#include "engine/rendering/CCProgressTimer.h"
#include "engine/rendering/CCRenderTexture.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Log.h"

namespace mw {

// ---------------------------------------------------------------- page turn

Ref<CCActionInterval> CCTransitionPageTurn::actionWithSize(ccGridSize size) const
{
    Ref<CCActionInterval> curl = CCPageTurn3D::actionWithSize(size, duration_);
    if (back_) {
        return CCReverseTime::actionWithAction(curl.get());
    }
    return curl;
}

void CCTransitionPageTurn::onEnter()
{
    CCTransitionScene::onEnter();
    const CGSize window = ccWinSize();
    const ccGridSize size = window.width > window.height ? ccGridSize{16, 12} : ccGridSize{12, 16};
    Ref<CCActionInterval> curl = actionWithSize(size);
    auto done = CCCallFunc::actionWithTarget(this, call_selector(CCTransitionScene::finish));
    auto stopGrid = CCStopGrid::action();
    if (back_) {
        inScene_->setVisible(false);
        auto show = CCShow::action();
        auto course = CCSequence::actions({show.get(), curl.get(), done.get(), stopGrid.get()});
        inScene_->runAction(course.get());
    } else {
        auto course = CCSequence::actions({curl.get(), done.get(), stopGrid.get()});
        outScene_->runAction(course.get());
    }
}

// ---------------------------------------------------------------- radial wipes

int32_t CCTransitionRadialCCW::radialType() const { return kCCProgressTimerTypeRadialCCW; }

int32_t CCTransitionRadialCW::radialType() const { return kCCProgressTimerTypeRadialCW; }

void CCTransitionRadialCCW::onEnter()
{
    CCTransitionScene::onEnter();
    const CGSize window = ccWinSize();
    const CGPoint centre{window.width / 2, window.height / 2};
    Ref<CCRenderTexture> snapshot;
    try {
        snapshot = CCRenderTexture::renderTextureWithWidth(static_cast<int>(window.width),
                                                           static_cast<int>(window.height));
    } catch (const std::exception& error) {
        // Without a snapshot there is nothing to sweep: the new scene shows at once.
        logLine("CCTransitionRadial: no snapshot of the outgoing scene (%s)", error.what());
        hideOutShowIn();
        finish();
        return;
    }
    snapshot->sprite()->setAnchorPoint({0.5f, 0.5f});
    snapshot->setPosition(centre);
    snapshot->setAnchorPoint({0.5f, 0.5f});

    snapshot->beginWithClear(0, 0, 0, 1);
    outScene_->visit();
    snapshot->end();

    hideOutShowIn();

    auto timer = CCProgressTimer::progressWithTexture(snapshot->sprite()->texture());
    timer->sprite()->setFlipY(true);
    timer->setType(static_cast<CCProgressTimerType>(radialType()));
    timer->setPercentage(100);
    timer->setPosition(centre);
    timer->setAnchorPoint({0.5f, 0.5f});

    auto sweep = CCProgressFromTo::actionWithDuration(duration_, 100, 0);
    auto done = CCCallFunc::actionWithTarget(this, call_selector(CCTransitionScene::finish));
    auto course = CCSequence::actions({sweep.get(), done.get()});
    timer->runAction(course.get());
    addChild(timer.get(), 2, kSceneRadial);
}

void CCTransitionRadialCCW::onExit()
{
    removeChildByTag(kSceneRadial, false);
    CCTransitionScene::onExit();
}

} // namespace mw
