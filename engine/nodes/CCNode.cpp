#include "engine/nodes/CCNode.h"

#include <GLES/gl.h>

#include <cmath>

#include "engine/base/ccContentScale.h"
#include "engine/base/ccDescription.h"
#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/ccViewSpace.h"
#include "engine/base/TransformUtils.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/nodes/CCCamera.h"
#include "engine/nodes/CCGridProtocol.h"
#include "engine/scheduler/CCScheduler.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "platform/UITouch.h"

namespace mw {

namespace {

// Hands out arrival numbers for children; never reset. Visiting a node sets
// its own number back to 0, so only nodes added or re-ordered since their
// last visit sort after their drawn siblings of equal z-order.
uint32_t globalOrderOfArrival = 0;

bool isZero(CGPoint p) { return p.x == 0 && p.y == 0; }

// The class, for scene files, and the float properties a tween may drive by
// name. Registered before main runs, so that a subclass registering one of
// these names later takes it over.
[[maybe_unused]] const bool tweenablePropertiesRegistered = [] {
    CCPropertyRegistry& registry = CCPropertyRegistry::shared();
    registry.registerClass<CCNode>("CCNode");
    registry.registerFloat<CCNode>("rotation", &CCNode::setRotation);
    registry.registerFloat<CCNode>("scale", &CCNode::setScale);
    registry.registerFloat<CCNode>("scaleX", &CCNode::setScaleX);
    registry.registerFloat<CCNode>("scaleY", &CCNode::setScaleY);
    registry.registerFloat<CCNode>("skewX", &CCNode::setSkewX);
    registry.registerFloat<CCNode>("skewY", &CCNode::setSkewY);
    registry.registerFloat<CCNode>("vertexZ", &CCNode::setVertexZ);
    return true;
}();

CGPoint scaled(CGPoint p, float factor) { return {p.x * factor, p.y * factor}; }
CGSize scaled(CGSize s, float factor) { return {s.width * factor, s.height * factor}; }

// Children order: by z-order, then by arrival. Answers 1 when a must go after b.
int compareChildSlots(const void* slotA, const void* slotB)
{
    const auto* a = static_cast<const CCNode*>(*static_cast<Object* const*>(slotA));
    const auto* b = static_cast<const CCNode*>(*static_cast<Object* const*>(slotB));
    const bool greater = a->zOrder() > b->zOrder() ||
                         (a->zOrder() == b->zOrder() && a->orderOfArrival() > b->orderOfArrival());
    return greater ? 1 : 0;
}

CCNode* childAt(const CCArray* children, uint32_t index)
{
    return static_cast<CCNode*>(children->items()[index]);
}

} // namespace

CCNode::CCNode() = default;

CCNode::~CCNode()
{
    if (children_) {
        for (Object* child : *children_) {
            static_cast<CCNode*>(child)->setParent(nullptr);
        }
    }
}

// ---------------------------------------------------------------- geometry

void CCNode::markTransformDirty()
{
    isTransformDirty_ = true;
    isInverseDirty_ = true;
    isTransformGLDirty_ = true;
}

void CCNode::setRotation(float degrees)
{
    rotation_ = degrees;
    markTransformDirty();
}

void CCNode::setScale(float scale)
{
    scaleX_ = scale;
    scaleY_ = scale;
    markTransformDirty();
}

void CCNode::setScaleX(float scale)
{
    scaleX_ = scale;
    markTransformDirty();
}

void CCNode::setScaleY(float scale)
{
    scaleY_ = scale;
    markTransformDirty();
}

void CCNode::setSkewX(float degrees)
{
    skewX_ = degrees;
    markTransformDirty();
}

void CCNode::setSkewY(float degrees)
{
    skewY_ = degrees;
    markTransformDirty();
}

void CCNode::setIsRelativeAnchorPoint(bool relative)
{
    isRelativeAnchorPoint_ = relative;
    markTransformDirty();
}

void CCNode::setPosition(CGPoint position)
{
    const float factor = ccContentScaleFactor();
    position_ = position;
    positionInPixels_ = factor == 1 ? position : scaled(position, factor);
    markTransformDirty();
}

void CCNode::setPositionInPixels(CGPoint position)
{
    const float factor = ccContentScaleFactor();
    positionInPixels_ = position;
    position_ = factor == 1 ? position : scaled(position, 1 / factor);
    markTransformDirty();
}

void CCNode::setAnchorPoint(CGPoint anchor)
{
    if (anchor == anchorPoint_) {
        return;
    }
    anchorPoint_ = anchor;
    anchorPointInPixels_ = {anchor.x * contentSizeInPixels_.width, anchor.y * contentSizeInPixels_.height};
    markTransformDirty();
}

void CCNode::setContentSize(CGSize size)
{
    if (size == contentSize_) {
        return;
    }
    const float factor = ccContentScaleFactor();
    contentSize_ = size;
    contentSizeInPixels_ = factor == 1 ? size : scaled(size, factor);
    anchorPointInPixels_ = {anchorPoint_.x * contentSizeInPixels_.width,
                            anchorPoint_.y * contentSizeInPixels_.height};
    markTransformDirty();
}

void CCNode::setContentSizeInPixels(CGSize size)
{
    if (size == contentSizeInPixels_) {
        return;
    }
    const float factor = ccContentScaleFactor();
    contentSizeInPixels_ = size;
    contentSize_ = factor == 1 ? size : scaled(size, 1 / factor);
    anchorPointInPixels_ = {anchorPoint_.x * contentSizeInPixels_.width,
                            anchorPoint_.y * contentSizeInPixels_.height};
    markTransformDirty();
}

float CCNode::vertexZ() const { return vertexZ_ / ccContentScaleFactor(); }

void CCNode::setVertexZ(float z) { vertexZ_ = z * ccContentScaleFactor(); }

CGRect CCNode::boundingBoxInPixels() const
{
    const CGRect content{0, 0, contentSizeInPixels_.width, contentSizeInPixels_.height};
    return CGRectApplyAffineTransform(content, const_cast<CCNode*>(this)->nodeToParentTransform());
}

CGRect CCNode::boundingBox() const
{
    const CGRect pixels = boundingBoxInPixels();
    const float inverse = 1 / ccContentScaleFactor();
    return {pixels.origin.x * inverse, pixels.origin.y * inverse, pixels.size.width * inverse,
            pixels.size.height * inverse};
}

void CCNode::setGrid(CCGridProtocol* grid) { grid_ = grid; }

CCCamera* CCNode::camera()
{
    if (!camera_) {
        camera_ = makeRef<CCCamera>();
    }
    return camera_.get();
}

// ---------------------------------------------------------------- children

void CCNode::addChild(CCNode* child, int z, int tag)
{
    if (!child) {
        return;
    }
    if (child->parent_) {
        // Listing it under two parents would corrupt both trees.
        logLine("CCNode: child already added to another parent; not added");
        return;
    }
    if (!children_) {
        children_ = makeRef<CCArray>(4);
    }
    insertChild(child, z);
    child->setTag(tag);
    child->setParent(this);
    child->setOrderOfArrival(globalOrderOfArrival++);
    if (isRunning_) {
        child->onEnter();
        child->onEnterTransitionDidFinish();
    }
}

void CCNode::addChild(CCNode* child, int z)
{
    if (child) {
        addChild(child, z, child->tag());
    }
}

void CCNode::addChild(CCNode* child)
{
    if (child) {
        addChild(child, child->zOrder(), child->tag());
    }
}

void CCNode::insertChild(CCNode* child, int z)
{
    isReorderChildDirty_ = true;
    children_->addObject(child);
    child->_setZOrder(z);
}

void CCNode::reorderChild(CCNode* child, int z)
{
    if (!child) {
        return;
    }
    isReorderChildDirty_ = true;
    child->setOrderOfArrival(globalOrderOfArrival++);
    child->_setZOrder(z);
}

CCNode* CCNode::getChildByTag(int tag) const
{
    if (!children_) {
        return nullptr;
    }
    for (Object* item : *children_) {
        auto* child = static_cast<CCNode*>(item);
        if (child->tag() == tag) {
            return child;
        }
    }
    return nullptr;
}

void CCNode::removeChild(CCNode* child, bool cleanup)
{
    if (!child || !children_ || !children_->containsObject(child)) {
        return;
    }
    detachChild(child, cleanup);
}

void CCNode::removeChildByTag(int tag, bool cleanup)
{
    if (CCNode* child = getChildByTag(tag)) {
        removeChild(child, cleanup);
    }
}

void CCNode::detachChild(CCNode* child, bool cleanup)
{
    if (isRunning_) {
        child->onExitTransitionDidStart();
        child->onExit();
    }
    if (cleanup) {
        child->cleanup();
    }
    child->setParent(nullptr);
    // This may release the child's last reference.
    children_->removeObject(child);
}

void CCNode::removeAllChildrenWithCleanup(bool cleanup)
{
    if (!children_) {
        return;
    }
    // A snapshot: the exit and clean-up calls must not be disturbed by
    // children that change the list, and must not free a child under them.
    const std::vector<Ref<Object>> leaving = children_->getNSArray();
    for (const auto& item : leaving) {
        auto* child = static_cast<CCNode*>(item.get());
        if (isRunning_) {
            child->onExitTransitionDidStart();
            child->onExit();
        }
        if (cleanup) {
            child->cleanup();
        }
        child->setParent(nullptr);
    }
    children_->removeAllObjects();
}

void CCNode::removeFromParentAndCleanup(bool cleanup)
{
    if (parent_) {
        parent_->removeChild(this, cleanup);
    }
}

void CCNode::sortAllChildren()
{
    if (!isReorderChildDirty_) {
        return;
    }
    // Insertion sort: the array is nearly sorted between changes, and it is
    // stable, so equal keys keep their places.
    children_->insertionSortUsingCFuncComparator(compareChildSlots);
    isReorderChildDirty_ = false;
}

// ---------------------------------------------------------------- life cycle

void CCNode::onEnter()
{
    // Index-based with the count re-read: a child's onEnter may change the list.
    for (uint32_t i = 0; children_ && i < children_->count(); ++i) {
        childAt(children_, i)->onEnter();
    }
    resumeSchedulerAndActions();
    isRunning_ = true;
}

void CCNode::onEnterTransitionDidFinish()
{
    for (uint32_t i = 0; children_ && i < children_->count(); ++i) {
        childAt(children_, i)->onEnterTransitionDidFinish();
    }
}

void CCNode::onExitTransitionDidStart()
{
    for (uint32_t i = 0; children_ && i < children_->count(); ++i) {
        childAt(children_, i)->onExitTransitionDidStart();
    }
}

void CCNode::onExit()
{
    pauseSchedulerAndActions();
    isRunning_ = false;
    for (uint32_t i = 0; children_ && i < children_->count(); ++i) {
        childAt(children_, i)->onExit();
    }
}

void CCNode::cleanup()
{
    stopAllActions();
    unscheduleAllSelectors();
    for (uint32_t i = 0; children_ && i < children_->count(); ++i) {
        childAt(children_, i)->cleanup();
    }
}

// ---------------------------------------------------------------- drawing

void CCNode::transform()
{
    if (isTransformGLDirty_) {
        CGAffineToGL(nodeToParentTransform(), transformGL_);
        isTransformGLDirty_ = false;
    }
    glMultMatrixf(transformGL_);
    if (vertexZ_ != 0) {
        glTranslatef(0, 0, vertexZ_);
    }
    // A grid applies the camera itself, after capturing the drawing.
    if (camera_ && !(grid_ && grid_->active())) {
        if (!isZero(anchorPointInPixels_)) {
            glTranslatef(anchorPointInPixels_.x, anchorPointInPixels_.y, 0);
            camera_->locate();
            glTranslatef(-anchorPointInPixels_.x, -anchorPointInPixels_.y, 0);
        } else {
            camera_->locate();
        }
    }
}

void CCNode::transformAncestors()
{
    if (parent_) {
        parent_->transformAncestors();
        parent_->transform();
    }
}

void CCNode::visit()
{
    if (!visible_) {
        return;
    }
    glPushMatrix();

    // Captured once, so the capture that beforeDraw starts is always ended.
    CCGridProtocol* activeGrid = (grid_ && grid_->active()) ? grid_.get() : nullptr;
    if (activeGrid) {
        activeGrid->beforeDraw();
        transformAncestors();
    }
    transform();

    if (children_) {
        sortAllChildren();
        uint32_t i = 0;
        for (; i < children_->count(); ++i) {
            CCNode* child = childAt(children_, i);
            if (child->zOrder_ >= 0) {
                break;
            }
            child->visit();
        }
        draw();
        for (; i < children_->count(); ++i) {
            childAt(children_, i)->visit();
        }
    } else {
        draw();
    }

    orderOfArrival_ = 0;

    if (activeGrid) {
        activeGrid->afterDraw(this);
    }
    glPopMatrix();
}

// ---------------------------------------------------------------- actions

CCAction* CCNode::runAction(CCAction* action)
{
    CCActionManager::sharedManager()->addAction(action, this, !isRunning_);
    return action;
}

// Stopping, unscheduling and pausing make no shared instance: without one
// (none made yet, or ended with the director) nothing runs to stop. Nodes
// leave the tree after the engine's end too (the program's last screens).
void CCNode::stopAllActions()
{
    if (CCActionManager* manager = Shared<CCActionManager>::current()) manager->removeAllActionsFromTarget(this);
}

void CCNode::stopAction(CCAction* action)
{
    if (CCActionManager* manager = Shared<CCActionManager>::current()) manager->removeAction(action);
}

void CCNode::stopActionByTag(int tag)
{
    if (CCActionManager* manager = Shared<CCActionManager>::current()) manager->removeActionByTag(tag, this);
}

CCAction* CCNode::getActionByTag(int tag) const
{
    return CCActionManager::sharedManager()->getActionByTag(tag, this);
}

uint32_t CCNode::numberOfRunningActions() const
{
    return CCActionManager::sharedManager()->numberOfRunningActionsInTarget(this);
}

// ---------------------------------------------------------------- scheduling

void CCNode::schedule(SEL_Update selector) { schedule(selector, 0, kCCRepeatForever, 0); }

void CCNode::schedule(SEL_Update selector, float interval) { schedule(selector, interval, kCCRepeatForever, 0); }

void CCNode::schedule(SEL_Update selector, float interval, unsigned int repeat, float delay)
{
    CCScheduler::sharedScheduler()->scheduleSelector(selector, this, interval, !isRunning_, repeat, delay);
}

void CCNode::scheduleOnce(SEL_Update selector, float delay) { schedule(selector, 0, 0, delay); }

void CCNode::unschedule(SEL_Update selector)
{
    CCScheduler* scheduler = Shared<CCScheduler>::current();
    if (selector && scheduler) scheduler->unscheduleSelector(selector, this);
}

void CCNode::unscheduleAllSelectors()
{
    if (CCScheduler* scheduler = Shared<CCScheduler>::current()) scheduler->unscheduleAllSelectorsForTarget(this);
}

void CCNode::scheduleUpdate() { scheduleUpdateWithPriority(0); }

void CCNode::scheduleUpdateWithPriority(int priority)
{
    CCScheduler::sharedScheduler()->scheduleUpdateForTarget(this, priority, !isRunning_);
}

void CCNode::unscheduleUpdate()
{
    if (CCScheduler* scheduler = Shared<CCScheduler>::current()) scheduler->unscheduleUpdateForTarget(this);
}

void CCNode::pauseSchedulerAndActions()
{
    if (CCScheduler* scheduler = Shared<CCScheduler>::current()) scheduler->pauseTarget(this);
    if (CCActionManager* manager = Shared<CCActionManager>::current()) manager->pauseTarget(this);
}

void CCNode::resumeSchedulerAndActions()
{
    CCScheduler::sharedScheduler()->resumeTarget(this);
    CCActionManager::sharedManager()->resumeTarget(this);
}

// ---------------------------------------------------------------- coordinate spaces

CGAffineTransform CCNode::nodeToParentTransform()
{
    if (!isTransformDirty_) {
        return transform_;
    }
    // Each step applies to points before the ones already built, so content
    // is moved by -anchor, skewed, scaled, rotated, then placed.
    CGAffineTransform t = CGAffineTransformIdentity;
    if (!isRelativeAnchorPoint_ && !isZero(anchorPointInPixels_)) {
        t = CGAffineTransformTranslate(t, anchorPointInPixels_.x, anchorPointInPixels_.y);
    }
    if (!isZero(positionInPixels_)) {
        t = CGAffineTransformTranslate(t, positionInPixels_.x, positionInPixels_.y);
    }
    if (rotation_ != 0) {
        t = CGAffineTransformRotate(t, -CC_DEGREES_TO_RADIANS(rotation_));
    }
    if (scaleX_ != 1 || scaleY_ != 1) {
        t = CGAffineTransformScale(t, scaleX_, scaleY_);
    }
    if (skewX_ != 0 || skewY_ != 0) {
        const CGAffineTransform skew = CGAffineTransformMake(
            1, std::tan(CC_DEGREES_TO_RADIANS(skewY_)), std::tan(CC_DEGREES_TO_RADIANS(skewX_)), 1, 0, 0);
        t = CGAffineTransformConcat(skew, t);
    }
    if (!isZero(anchorPointInPixels_)) {
        t = CGAffineTransformTranslate(t, -anchorPointInPixels_.x, -anchorPointInPixels_.y);
    }
    transform_ = t;
    isTransformDirty_ = false;
    return transform_;
}

CGAffineTransform CCNode::parentToNodeTransform()
{
    if (isInverseDirty_) {
        inverse_ = CGAffineTransformInvert(nodeToParentTransform());
        isInverseDirty_ = false;
    }
    return inverse_;
}

CGAffineTransform CCNode::nodeToWorldTransform()
{
    CGAffineTransform t = nodeToParentTransform();
    for (CCNode* ancestor = parent_; ancestor; ancestor = ancestor->parent_) {
        t = CGAffineTransformConcat(t, ancestor->nodeToParentTransform());
    }
    return t;
}

CGAffineTransform CCNode::worldToNodeTransform() { return CGAffineTransformInvert(nodeToWorldTransform()); }

CGPoint CCNode::convertToNodeSpace(CGPoint worldPoint)
{
    const float factor = ccContentScaleFactor();
    if (factor == 1) {
        return CGPointApplyAffineTransform(worldPoint, worldToNodeTransform());
    }
    const CGPoint pixels = CGPointApplyAffineTransform(scaled(worldPoint, factor), worldToNodeTransform());
    return scaled(pixels, 1 / factor);
}

CGPoint CCNode::convertToWorldSpace(CGPoint nodePoint)
{
    const float factor = ccContentScaleFactor();
    if (factor == 1) {
        return CGPointApplyAffineTransform(nodePoint, nodeToWorldTransform());
    }
    const CGPoint pixels = CGPointApplyAffineTransform(scaled(nodePoint, factor), nodeToWorldTransform());
    return scaled(pixels, 1 / factor);
}

CGPoint CCNode::convertToNodeSpaceAR(CGPoint worldPoint)
{
    const CGPoint nodePoint = convertToNodeSpace(worldPoint);
    const CGPoint anchor = scaled(anchorPointInPixels_, 1 / ccContentScaleFactor());
    return {nodePoint.x - anchor.x, nodePoint.y - anchor.y};
}

CGPoint CCNode::convertToWorldSpaceAR(CGPoint nodePoint)
{
    const CGPoint anchor = scaled(anchorPointInPixels_, 1 / ccContentScaleFactor());
    return convertToWorldSpace({nodePoint.x + anchor.x, nodePoint.y + anchor.y});
}

CGPoint CCNode::convertToWindowSpace(CGPoint nodePoint) { return ccConvertToUI(convertToWorldSpace(nodePoint)); }

CGPoint CCNode::convertTouchToNodeSpace(const UITouch* touch)
{
    if (!touch) {
        return CGPointZero;
    }
    return convertToNodeSpace(ccConvertToGL(touch->locationInView()));
}

CGPoint CCNode::convertTouchToNodeSpaceAR(const UITouch* touch)
{
    if (!touch) {
        return CGPointZero;
    }
    return convertToNodeSpaceAR(ccConvertToGL(touch->locationInView()));
}

std::string CCNode::description() const
{
    return std::string("<") + ccClassName(typeid(*this)) + " = " + ccAddressString(this) + " | Tag = " + std::to_string(tag_) +
           ">";
}

} // namespace mw
