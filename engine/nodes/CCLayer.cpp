#include "engine/nodes/CCLayer.h"

#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/CCWinSize.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Shared.h"

namespace mw {

namespace {

// Scene files name this class; it registers itself for the reader.
[[maybe_unused]] const bool classRegistered = [] {
    CCPropertyRegistry::shared().registerClass<CCLayer>("CCLayer");
    return true;
}();

} // namespace

CCLayer::CCLayer()
{
    // The anchor field is set directly: the pixel anchor follows from the
    // content size set next.
    anchorPoint_ = {0.5f, 0.5f};
    setContentSize(ccWinSize());
    setIsRelativeAnchorPoint(false);
}

void CCLayer::registerWithTouchDispatcher()
{
    CCTouchDispatcher::sharedDispatcher()->addStandardDelegate(this, 0);
}

void CCLayer::setIsTouchEnabled(bool enabled)
{
    if (isTouchEnabled_ == enabled) return;
    isTouchEnabled_ = enabled;
    if (!isRunning_) return;
    if (enabled) {
        registerWithTouchDispatcher();
    } else if (CCTouchDispatcher* dispatcher = Shared<CCTouchDispatcher>::current()) {
        dispatcher->removeDelegate(this);
    }
}

void CCLayer::setIsAccelerometerEnabled(bool enabled)
{
    if (isAccelerometerEnabled_ == enabled) return;
    isAccelerometerEnabled_ = enabled;
    if (!isRunning_) return;
    UIAccelerometer::sharedAccelerometer()->setDelegate(enabled ? this : nullptr);
}

void CCLayer::onEnter()
{
    if (isTouchEnabled_) registerWithTouchDispatcher();
    CCNode::onEnter();
}

void CCLayer::onEnterTransitionDidFinish()
{
    if (isAccelerometerEnabled_) UIAccelerometer::sharedAccelerometer()->setDelegate(this);
    CCNode::onEnterTransitionDidFinish();
}

void CCLayer::onExit()
{
    // Leaving makes no shared instance: one already ended holds nothing of it.
    CCTouchDispatcher* dispatcher = Shared<CCTouchDispatcher>::current();
    if (isTouchEnabled_ && dispatcher) dispatcher->removeDelegate(this);
    UIAccelerometer* accelerometer = Shared<UIAccelerometer>::current();
    if (isAccelerometerEnabled_ && accelerometer) accelerometer->setDelegate(nullptr);
    CCNode::onExit();
}

} // namespace mw
