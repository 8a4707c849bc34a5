#include "engine/transitions/CCTransitionScene.h"

#include "engine/nodes/CCCamera.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "engine/transitions/CCSceneDirector.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"

namespace mw {

namespace {

// How many live transitions keep touch delivery off. Delivery comes back on
// only when the last one lets go, so a transition dropped unrun does not
// switch touches on under another that is still waiting to run.
int transitionsHoldingTouches = 0;

void setTouchDelivery(bool on)
{
    // While the program shuts down the dispatcher may be gone already; a
    // fresh one starts with delivery on, so there is nothing to switch then.
    if (CCTouchDispatcher* dispatcher = Shared<CCTouchDispatcher>::current()) {
        dispatcher->setDispatchEvents(on);
    }
}

} // namespace

CCTransitionScene::~CCTransitionScene()
{
    releaseTouches();
}

Ref<CCTransitionScene> CCTransitionScene::transitionWithDuration(float duration, CCScene* scene)
{
    return make<CCTransitionScene>(duration, scene);
}

bool CCTransitionScene::initWithDuration(float duration, CCScene* scene)
{
    CCSceneDirector* director = ccSceneDirector();
    CCScene* running = director ? director->runningScene() : nullptr;
    if (!scene || !running || scene == running) {
        logLine("Transition: needs a running scene and a different incoming scene");
        return false;
    }
    duration_ = duration;
    inScene_ = scene;
    outScene_ = running;
    holdTouches();
    sceneOrder();
    return true;
}

bool CCTransitionScene::initWithoutIncomingScene(float duration)
{
    CCSceneDirector* director = ccSceneDirector();
    CCScene* running = director ? director->runningScene() : nullptr;
    if (!running) {
        logLine("Transition: needs a running scene to leave");
        return false;
    }
    duration_ = duration;
    outScene_ = running;
    holdTouches();
    return true;
}

void CCTransitionScene::holdTouches()
{
    if (holdsTouches_) return;
    holdsTouches_ = true;
    ++transitionsHoldingTouches;
    CCTouchDispatcher::sharedDispatcher()->setDispatchEvents(false);
}

void CCTransitionScene::releaseTouches()
{
    if (!holdsTouches_) return;
    holdsTouches_ = false;
    if (--transitionsHoldingTouches == 0) setTouchDelivery(true);
}

void CCTransitionScene::onEnter()
{
    CCScene::onEnter();
    if (outScene_) outScene_->onExitTransitionDidStart();
    if (inScene_) inScene_->onEnter();
}

void CCTransitionScene::onExit()
{
    CCScene::onExit();
    if (outScene_) outScene_->onExit();
    if (inScene_) inScene_->onEnterTransitionDidFinish();
}

void CCTransitionScene::cleanup()
{
    CCScene::cleanup();
    if (sendCleanupToScene_ && outScene_) outScene_->cleanup();
}

void CCTransitionScene::draw()
{
    CCScene::draw();
    if (!inScene_ || !outScene_) return;
    CCScene* lower = inSceneOnTop_ ? outScene_.get() : inScene_.get();
    CCScene* upper = inSceneOnTop_ ? inScene_.get() : outScene_.get();
    lower->visit();
    upper->visit();
}

void CCTransitionScene::hideOutShowIn()
{
    if (inScene_) inScene_->setVisible(true);
    if (outScene_) outScene_->setVisible(false);
}

void CCTransitionScene::finish()
{
    for (CCScene* scene : {inScene_.get(), outScene_.get()}) {
        if (!scene) continue;
        scene->setVisible(scene == inScene_.get());
        scene->setPosition(CGPointZero);
        scene->setScale(1.0f);
        scene->setRotation(0);
        scene->camera()->restore();
    }
    schedule(schedule_selector(CCTransitionScene::setNewScene), 0);
}

void CCTransitionScene::setNewScene(float dt)
{
    unschedule(schedule_selector(CCTransitionScene::setNewScene));
    CCSceneDirector* director = ccSceneDirector();
    if (!director) {
        logLine("Transition: no director to hand the incoming scene to");
        return;
    }
    sendCleanupToScene_ = director->sendCleanupToScene();
    // Replacing takes this transition off the director's stack, but it stays
    // the running scene (and alive) until the switch in this same frame.
    director->replaceScene(inScene_.get());
    releaseTouches();
    if (outScene_) outScene_->setVisible(true);
}

} // namespace mw
