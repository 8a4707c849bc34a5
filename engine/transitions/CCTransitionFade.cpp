#include "engine/transitions/CCTransitionFade.h"

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/nodes/CCLayerColor.h"

namespace mw {

void CCTransitionFade::onEnter()
{
    CCTransitionScene::onEnter();
    auto layer = CCLayerColor::layerWithColor(color_);
    inScene_->setVisible(false);
    addChild(layer.get(), 2, kSceneFade);

    const float half = duration_ / 2;
    auto fadeIn = CCFadeIn::actionWithDuration(half);
    auto swap = CCCallFunc::actionWithTarget(this, call_selector(CCTransitionScene::hideOutShowIn));
    auto fadeOut = CCFadeOut::actionWithDuration(half);
    auto done = CCCallFunc::actionWithTarget(this, call_selector(CCTransitionScene::finish));
    auto course = CCSequence::actions({fadeIn.get(), swap.get(), fadeOut.get(), done.get()});
    getChildByTag(kSceneFade)->runAction(course.get());
}

void CCTransitionFade::onExit()
{
    CCTransitionScene::onExit();
    removeChildByTag(kSceneFade, false);
}

} // namespace mw
