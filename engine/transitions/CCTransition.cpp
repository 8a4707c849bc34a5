#include "engine/transitions/CCTransition.h"

#include <exception>

#include "engine/actions/CCActionCamera.h"
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/base/CCWinSize.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/rendering/CCRenderTexture.h"
#include "engine/sprites/CCSprite.h"
#include "engine/transitions/CCTransitionFade.h"
#include "foundation/Log.h"

namespace mw {

namespace {

const CGPoint kCentre = {0.5f, 0.5f};

Ref<CCCallFunc> finishOf(CCTransitionScene* transition)
{
    return CCCallFunc::actionWithTarget(transition, call_selector(CCTransitionScene::finish));
}

} // namespace

// ---- rotate and zoom ----

void CCTransitionRotoZoom::onEnter()
{
    CCTransitionScene::onEnter();
    inScene_->setScale(0.001f);
    outScene_->setScale(1.0f);
    inScene_->setAnchorPoint(kCentre);
    outScene_->setAnchorPoint(kCentre);

    const float half = duration_ / 2;
    auto shrink = CCScaleBy::actionWithDuration(half, 0.001f);
    auto turn = CCRotateBy::actionWithDuration(half, 360 * 2);
    auto spin = CCSpawn::actions({shrink.get(), turn.get()});
    auto wait = CCDelayTime::actionWithDuration(half);
    auto rotozoom = CCSequence::actions({spin.get(), wait.get()});
    auto back = rotozoom->reverse();
    auto done = finishOf(this);
    auto incoming = CCSequence::actions({back.get(), done.get()});
    outScene_->runAction(rotozoom.get());
    inScene_->runAction(incoming.get());
}

// ---- jump and zoom ----

void CCTransitionJumpZoom::onEnter()
{
    CCTransitionScene::onEnter();
    const CGSize win = ccWinSize();
    inScene_->setScale(0.5f);
    inScene_->setPosition({win.width, 0});
    inScene_->setAnchorPoint(kCentre);
    outScene_->setAnchorPoint(kCentre);

    const float quarter = duration_ / 4;
    auto jumpOut = CCJumpBy::actionWithDuration(quarter, {-win.width, 0}, win.width / 4, 2);
    auto jumpIn = CCJumpBy::actionWithDuration(quarter, {-win.width, 0}, win.width / 4, 2);
    auto shrink = CCScaleTo::actionWithDuration(quarter, 0.5f);
    auto grow = CCScaleTo::actionWithDuration(quarter, 1.0f);
    auto wait = CCDelayTime::actionWithDuration(duration_ / 2);
    auto done = finishOf(this);
    auto outgoing = CCSequence::actions({shrink.get(), jumpOut.get()});
    auto incoming = CCSequence::actions({wait.get(), jumpIn.get(), grow.get(), done.get()});
    outScene_->runAction(outgoing.get());
    inScene_->runAction(incoming.get());
}

// ---- move in ----

void CCTransitionMoveInL::onEnter()
{
    CCTransitionScene::onEnter();
    inScene_->setPosition(inStart());
    auto move = easeActionWithAction(CCMoveTo::actionWithDuration(duration_, CGPointZero));
    auto done = finishOf(this);
    auto incoming = CCSequence::actions({move.get(), done.get()});
    inScene_->runAction(incoming.get());
}

Ref<CCActionInterval> CCTransitionMoveInL::easeActionWithAction(Ref<CCActionInterval> action)
{
    return CCEaseOut::actionWithAction(std::move(action), 2.0f);
}

CGPoint CCTransitionMoveInL::inStart() const
{
    return {-ccWinSize().width, 0};
}

CGPoint CCTransitionMoveInR::inStart() const
{
    return {ccWinSize().width, 0};
}

CGPoint CCTransitionMoveInT::inStart() const
{
    return {0, ccWinSize().height};
}

CGPoint CCTransitionMoveInB::inStart() const
{
    return {0, -ccWinSize().height};
}

// ---- slide in ----

void CCTransitionSlideInL::onEnter()
{
    CCTransitionScene::onEnter();
    inScene_->setPosition(inStart());
    auto inSlide = easeActionWithAction(CCMoveBy::actionWithDuration(duration_, slide()));
    auto outSlide = easeActionWithAction(CCMoveBy::actionWithDuration(duration_, slide()));
    auto done = finishOf(this);
    auto outgoing = CCSequence::actions({outSlide.get(), done.get()});
    inScene_->runAction(inSlide.get());
    outScene_->runAction(outgoing.get());
}

Ref<CCActionInterval> CCTransitionSlideInL::easeActionWithAction(Ref<CCActionInterval> action)
{
    return CCEaseOut::actionWithAction(std::move(action), 2.0f);
}

CGPoint CCTransitionSlideInL::inStart() const
{
    return {-(ccWinSize().width - 0.5f), 0};
}

CGPoint CCTransitionSlideInL::slide() const
{
    return {ccWinSize().width - 0.5f, 0};
}

CGPoint CCTransitionSlideInR::inStart() const
{
    return {ccWinSize().width - 0.5f, 0};
}

CGPoint CCTransitionSlideInR::slide() const
{
    return {-(ccWinSize().width - 0.5f), 0};
}

CGPoint CCTransitionSlideInT::inStart() const
{
    return {0, ccWinSize().height - 0.5f};
}

CGPoint CCTransitionSlideInT::slide() const
{
    return {0, -(ccWinSize().height - 0.5f)};
}

CGPoint CCTransitionSlideInB::inStart() const
{
    return {0, -(ccWinSize().height - 0.5f)};
}

CGPoint CCTransitionSlideInB::slide() const
{
    return {0, ccWinSize().height - 0.5f};
}

// ---- shrink and grow ----

void CCTransitionShrinkGrow::onEnter()
{
    CCTransitionScene::onEnter();
    inScene_->setScale(0.001f);
    outScene_->setScale(1.0f);
    inScene_->setAnchorPoint({2 / 3.0f, 0.5f});
    outScene_->setAnchorPoint({1 / 3.0f, 0.5f});
    auto grow = easeActionWithAction(CCScaleTo::actionWithDuration(duration_, 1.0f));
    auto shrink = easeActionWithAction(CCScaleTo::actionWithDuration(duration_, 0.01f));
    auto done = finishOf(this);
    auto outgoing = CCSequence::actions({shrink.get(), done.get()});
    inScene_->runAction(grow.get());
    outScene_->runAction(outgoing.get());
}

Ref<CCActionInterval> CCTransitionShrinkGrow::easeActionWithAction(Ref<CCActionInterval> action)
{
    return CCEaseOut::actionWithAction(std::move(action), 2.0f);
}

// ---- flips ----

void CCTransitionFlipX::onEnter()
{
    CCTransitionScene::onEnter();
    inScene_->setVisible(false);
    if (zooms()) inScene_->setScale(0.5f);

    const bool firstCase = orientation_ == firstCaseOrientation();
    const float inAngleZ = firstCase ? 270 : 90;
    const float inDeltaZ = firstCase ? 90 : -90;
    const float outDeltaZ = firstCase ? 90 : -90;
    const float half = duration_ / 2;

    auto inTurn = CCOrbitCamera::actionWithDuration(half, 1, 0, inAngleZ, inDeltaZ, inAngleX(), 0);
    auto outTurn = CCOrbitCamera::actionWithDuration(half, 1, 0, 0, outDeltaZ, outAngleX(), 0);
    auto inWait = CCDelayTime::actionWithDuration(half);
    auto outWait = CCDelayTime::actionWithDuration(half);
    auto show = CCShow::action();
    auto showAgain = CCShow::action();
    auto hide = CCHide::action();
    auto done = finishOf(this);

    Ref<CCFiniteTimeAction> incoming;
    Ref<CCFiniteTimeAction> outgoing;
    if (zooms()) {
        auto grow = CCScaleTo::actionWithDuration(half, 1.0f);
        auto shrink = CCScaleTo::actionWithDuration(half, 0.5f);
        auto turnIn = CCSpawn::actions({inTurn.get(), grow.get(), show.get()});
        auto turnOut = CCSpawn::actions({outTurn.get(), shrink.get()});
        incoming = showsAgain()
            ? CCSequence::actions({inWait.get(), turnIn.get(), showAgain.get(), done.get()})
            : CCSequence::actions({inWait.get(), turnIn.get(), done.get()});
        outgoing = CCSequence::actions({turnOut.get(), hide.get(), outWait.get()});
    } else {
        incoming = CCSequence::actions({inWait.get(), show.get(), inTurn.get(), done.get()});
        outgoing = CCSequence::actions({outTurn.get(), hide.get(), outWait.get()});
    }
    inScene_->runAction(incoming.get());
    outScene_->runAction(outgoing.get());
}

// ---- cross-fade ----

void CCTransitionCrossFade::onEnter()
{
    CCTransitionScene::onEnter();
    const CGSize win = ccWinSize();
    auto layer = CCLayerColor::layerWithColor(ccc4(0, 0, 0, 0));

    Ref<CCRenderTexture> inTexture;
    Ref<CCRenderTexture> outTexture;
    try {
        inTexture = CCRenderTexture::renderTextureWithWidth(static_cast<int>(win.width),
                                                            static_cast<int>(win.height));
        outTexture = CCRenderTexture::renderTextureWithWidth(static_cast<int>(win.width),
                                                             static_cast<int>(win.height));
    } catch (const std::exception& error) {
        // Without pictures to fade, the hand-over still has to happen.
        logLine("Transition: cross-fade without pictures: %s", error.what());
        hideOutShowIn();
        finish();
        return;
    }
    const CGPoint middle = {win.width / 2, win.height / 2};
    struct Picture {
        CCRenderTexture* texture;
        CCScene* scene;
        ccBlendFunc blend;
    };
    const Picture pictures[] = {
        {inTexture.get(), inScene_.get(), {CC_GL_ONE, CC_GL_ONE}},
        {outTexture.get(), outScene_.get(), kCCBlendFuncAlpha},
    };
    for (const Picture& picture : pictures) {
        picture.texture->sprite()->setAnchorPoint(kCentre);
        picture.texture->setPosition(middle);
        picture.texture->setAnchorPoint(kCentre);
        picture.texture->begin();
        picture.scene->visit();
        picture.texture->end();
        picture.texture->sprite()->setBlendFunc(picture.blend);
        layer->addChild(picture.texture);
        picture.texture->sprite()->setOpacity(255);
    }

    auto fade = CCFadeTo::actionWithDuration(duration_, 0);
    auto swap = CCCallFunc::actionWithTarget(this, call_selector(CCTransitionScene::hideOutShowIn));
    auto done = finishOf(this);
    auto course = CCSequence::actions({fade.get(), swap.get(), done.get()});
    outTexture->sprite()->runAction(course.get());
    addChild(layer.get(), 2, kSceneFade);
}

void CCTransitionCrossFade::onExit()
{
    removeChildByTag(kSceneFade, false);
    CCTransitionScene::onExit();
}

} // namespace mw
