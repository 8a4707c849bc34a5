#include "engine/tables/CCScrollView.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCActionTween.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/CGPointExtension.h"
#include "engine/base/ccContentScale.h"
#include "engine/touch/CCTouchDispatcher.h"

namespace mw {

namespace {

// How far past its limits the content may be dragged, as a share of the view size.
constexpr float kInsetRatio = 0.1f;
// The glide keeps this share of its speed from one frame to the next.
constexpr float kDecelerationFactor = 0.95f;
// The glide stops once its per-frame step is no longer than a point.
constexpr float kStopSpeedSquared = 1;
constexpr float kAnimationSeconds = 0.3f;

// The zoom tween drives the zoom by name.
[[maybe_unused]] const bool zoomPropertyRegistered = [] {
    CCPropertyRegistry::shared().registerFloat<CCScrollView>("zoomScale", &CCScrollView::setZoomScale);
    return true;
}();

float clamp(float value, float low, float high) { return std::max(std::min(value, high), low); }

// A pixel value truncated toward zero, held inside what an int holds.
int truncatedPixels(float pixels)
{
    constexpr float kLimit = 1e9f; // far past any screen
    if (std::isnan(pixels)) return 0;
    return static_cast<int>(std::clamp(pixels, -kLimit, kLimit));
}

} // namespace

CCScrollView::CCScrollView(CGSize viewSize, CCNode* container) : container_(container)
{
    if (!container_) container_ = Ref<CCNode>(CCLayer::node());
    setIsTouchEnabled(true);
    container_->setContentSize(CGSizeZero);
    container_->setPosition(CGPointZero);
    addChild(container_.get());
    viewSize_ = viewSize;
    computeInsets();
}

CCScrollView::~CCScrollView() = default;

// ---------------------------------------------------------------- offset

CGPoint CCScrollView::contentOffset() const { return container_->position(); }

void CCScrollView::setContentOffset(CGPoint offset, bool animated)
{
    if (animated) {
        setContentOffsetInDuration(offset, kAnimationSeconds);
        return;
    }
    if (!bounces_) offset = clampScrolledAxes(offset, minContainerOffset(), maxContainerOffset());
    container_->setPosition(offset);
    if (delegate_) delegate_->scrollViewDidScroll(this);
}

void CCScrollView::setContentOffsetInDuration(CGPoint offset, float seconds)
{
    const auto move = CCMoveTo::actionWithDuration(seconds, offset);
    const auto stop = CCCallFunc::actionWithTarget(this, call_selector(CCScrollView::stoppedAnimatedScroll));
    const auto sequence = CCSequence::actions({move.get(), stop.get()});
    container_->runAction(sequence.get());
    schedule(schedule_selector(CCScrollView::performedAnimatedScroll));
}

void CCScrollView::performedAnimatedScroll(float dt)
{
    if (isDragging_) {
        unschedule(schedule_selector(CCScrollView::performedAnimatedScroll));
        return;
    }
    if (delegate_) delegate_->scrollViewDidScroll(this);
}

void CCScrollView::stoppedAnimatedScroll()
{
    unschedule(schedule_selector(CCScrollView::performedAnimatedScroll));
    // The move's last step ran in this frame's action pass, before the
    // per-frame notice would have; the delegate must see where it ended.
    if (delegate_) delegate_->scrollViewDidScroll(this);
}

// ---------------------------------------------------------------- zoom

float CCScrollView::zoomScale() const { return container_->scale(); }

void CCScrollView::setZoomScale(float scale, bool animated)
{
    if (animated) {
        setZoomScaleInDuration(scale, kAnimationSeconds);
    } else {
        setZoomScale(scale);
    }
}

void CCScrollView::setZoomScaleInDuration(float scale, float seconds)
{
    if (seconds <= 0) {
        setZoomScale(scale);
        return;
    }
    if (container_->scale() == scale) return;
    const auto tween = CCActionTween::actionWithDuration(seconds, "zoomScale", container_->scale(), scale);
    runAction(tween.get());
}

void CCScrollView::setZoomScale(float scale)
{
    const float clamped = clamp(scale, minScale_, maxScale_);
    if (container_->scale() == clamped) return;
    const CGPoint centreInView =
        touchLength_ != 0 ? touchPoint_ : CGPoint{viewSize_.width / 2, viewSize_.height / 2};
    const CGPoint centre = convertToWorldSpace(centreInView);
    const CGPoint oldCentre = container_->convertToNodeSpace(centre);
    container_->setScale(clamped);
    const CGPoint newCentre = container_->convertToWorldSpace(oldCentre);
    if (delegate_) delegate_->scrollViewDidZoom(this);
    computeInsets();
    // The content point under the centre stays under it.
    setContentOffset(ccpAdd(container_->position(), ccpSub(centre, newCentre)));
}

// ---------------------------------------------------------------- geometry

void CCScrollView::setViewSize(CGSize size)
{
    if (size == viewSize_) return;
    viewSize_ = size;
    computeInsets();
}

CGSize CCScrollView::contentSize() const { return container_->contentSize(); }

void CCScrollView::setContentSize(CGSize size)
{
    container_->setContentSize(size);
    computeInsets();
}

CGPoint CCScrollView::maxContainerOffset() const { return CGPointZero; }

CGPoint CCScrollView::minContainerOffset() const
{
    const CGSize content = container_->contentSize();
    return {viewSize_.width - content.width * container_->scaleX(),
            viewSize_.height - content.height * container_->scaleY()};
}

void CCScrollView::computeInsets()
{
    const CGPoint margin{viewSize_.width * kInsetRatio, viewSize_.height * kInsetRatio};
    maxInset_ = ccpAdd(maxContainerOffset(), margin);
    minInset_ = ccpSub(minContainerOffset(), margin);
}

void CCScrollView::relocateContainer(bool animated)
{
    const CGPoint oldPoint = container_->position();
    const CGPoint newPoint = clampScrolledAxes(oldPoint, minContainerOffset(), maxContainerOffset());
    if (newPoint != oldPoint) setContentOffset(newPoint, animated);
}

CGPoint CCScrollView::clampScrolledAxes(CGPoint point, CGPoint low, CGPoint high) const
{
    // An axis the view does not scroll keeps its value: a vertical list
    // narrower than its view must not slide sideways to a limit.
    if (scrollsX()) point.x = clamp(point.x, low.x, high.x);
    if (scrollsY()) point.y = clamp(point.y, low.y, high.y);
    return point;
}

bool CCScrollView::isNodeVisible(CCNode* node)
{
    const float zoom = zoomScale();
    if (!node || zoom <= 0) return false;
    const CGPoint offset = contentOffset();
    const CGRect visible(-offset.x / zoom, -offset.y / zoom, viewSize_.width / zoom, viewSize_.height / zoom);
    return CGRectIntersectsRect(visible, node->boundingBox());
}

CGRect CCScrollView::viewRect()
{
    const CGPoint origin = parent_ ? parent_->convertToWorldSpace(position_) : position_;
    return {origin, viewSize_};
}

// ---------------------------------------------------------------- pausing

void CCScrollView::pause(Object* sender)
{
    container_->pauseSchedulerAndActions();
    if (!container_->children()) return;
    const Ref<CCArray> children = container_->children()->copy(); // a pause may change the tree
    for (Object* child : *children) {
        if (auto* view = dynamic_cast<CCScrollView*>(child)) view->pause(sender);
    }
}

void CCScrollView::resume(Object* sender)
{
    if (container_->children()) {
        const Ref<CCArray> children = container_->children()->copy();
        for (Object* child : *children) {
            if (auto* view = dynamic_cast<CCScrollView*>(child)) view->resume(sender);
        }
    }
    container_->resumeSchedulerAndActions();
}

// ---------------------------------------------------------------- children

void CCScrollView::addChild(CCNode* child, int z, int tag)
{
    if (!child) return;
    child->setIsRelativeAnchorPoint(true);
    child->setAnchorPoint(CGPointZero);
    if (child == container_.get()) {
        CCLayer::addChild(child, z, tag);
    } else {
        container_->addChild(child, z, tag);
    }
}

// ---------------------------------------------------------------- touches

void CCScrollView::setIsTouchEnabled(bool enabled)
{
    CCLayer::setIsTouchEnabled(enabled);
    if (!enabled) {
        isDragging_ = false;
        touchMoved_ = false;
        touches_.clear();
    }
}

void CCScrollView::registerWithTouchDispatcher()
{
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, false);
}

bool CCScrollView::isTracked(const UITouch* touch) const
{
    return std::find(touches_.begin(), touches_.end(), touch) != touches_.end();
}

void CCScrollView::forgetTouch(const UITouch* touch)
{
    touches_.erase(std::remove(touches_.begin(), touches_.end(), touch), touches_.end());
}

float CCScrollView::pinchLength()
{
    return ccpDistance(container_->convertTouchToNodeSpace(touches_[0].get()),
                       container_->convertTouchToNodeSpace(touches_[1].get()));
}

bool CCScrollView::ccTouchBegan(UITouch* touch, const UIEvent& event)
{
    if (!visible_ || !touch) return false;
    if (touches_.size() >= 3 || touchMoved_) return false;
    const CGPoint point = container_->convertToWorldSpace(container_->convertTouchToNodeSpace(touch));
    if (!CGRectContainsPoint(viewRect(), point)) return false;

    if (!isTracked(touch)) touches_.emplace_back(touch);
    if (touches_.size() == 1) {
        touchPoint_ = convertTouchToNodeSpace(touch);
        touchMoved_ = false;
        isDragging_ = true;
        scrollDistance_ = CGPointZero;
        touchLength_ = 0;
    } else if (touches_.size() == 2) {
        touchPoint_ = ccpMidpoint(convertTouchToNodeSpace(touches_[0].get()),
                                  convertTouchToNodeSpace(touches_[1].get()));
        touchLength_ = pinchLength();
        isDragging_ = false;
    }
    return true;
}

void CCScrollView::ccTouchMoved(UITouch* touch, const UIEvent& event)
{
    if (!visible_ || !isTracked(touch)) return;
    if (touches_.size() == 1 && isDragging_) {
        touchMoved_ = true;
        const CGPoint newPoint = convertTouchToNodeSpace(touches_[0].get());
        CGPoint moveDistance = ccpSub(newPoint, touchPoint_);
        touchPoint_ = newPoint;
        if (!CGRectContainsPoint(viewRect(), convertToWorldSpace(newPoint))) return;

        if (direction_ == kCCScrollViewDirectionVertical) moveDistance.x = 0;
        if (direction_ == kCCScrollViewDirectionHorizontal) moveDistance.y = 0;
        const CGPoint moved = ccpAdd(container_->position(), moveDistance);
        const CGPoint kept = clampScrolledAxes(moved, minInset_, maxInset_);
        // What the margin clamp let through is the glide's speed after release.
        scrollDistance_ = ccpSub(moveDistance, ccpSub(moved, kept));
        setContentOffset(kept);
    } else if (touches_.size() == 2 && !isDragging_) {
        touchMoved_ = true;
        const float length = pinchLength();
        if (touchLength_ <= 0) {
            // Both fingers began on one point: the pinch starts from here.
            touchLength_ = length;
            return;
        }
        setZoomScale(zoomScale() * length / touchLength_);
    }
}

void CCScrollView::ccTouchEnded(UITouch* touch, const UIEvent& event)
{
    if (!visible_) return;
    if (isTracked(touch)) {
        if (touchMoved_) schedule(schedule_selector(CCScrollView::deaccelerateScrolling));
        forgetTouch(touch);
    }
    if (touches_.empty()) {
        isDragging_ = false;
        touchMoved_ = false;
    }
}

void CCScrollView::ccTouchCancelled(UITouch* touch, const UIEvent& event)
{
    if (!visible_) return;
    forgetTouch(touch);
    if (touches_.empty()) {
        isDragging_ = false;
        touchMoved_ = false;
    }
}

// ---------------------------------------------------------------- glide

void CCScrollView::deaccelerateScrolling(float dt)
{
    if (isDragging_) {
        unschedule(schedule_selector(CCScrollView::deaccelerateScrolling));
        return;
    }
    const CGPoint moved = ccpAdd(container_->position(), scrollDistance_);
    const CGPoint high = bounces_ ? maxInset_ : maxContainerOffset();
    const CGPoint low = bounces_ ? minInset_ : minContainerOffset();
    const CGPoint kept = clampScrolledAxes(moved, low, high);
    scrollDistance_ = ccpMult(ccpSub(scrollDistance_, ccpSub(moved, kept)), kDecelerationFactor);
    setContentOffset(kept);

    const bool limitX = scrollsX() && (kept.x == low.x || kept.x == high.x);
    const bool limitY = scrollsY() && (kept.y == low.y || kept.y == high.y);
    const float speedSquared = scrollDistance_.x * scrollDistance_.x + scrollDistance_.y * scrollDistance_.y;
    if (speedSquared <= kStopSpeedSquared || limitX || limitY) {
        unschedule(schedule_selector(CCScrollView::deaccelerateScrolling));
        relocateContainer(true);
    }
}

// ---------------------------------------------------------------- clipping

void CCScrollView::beforeDraw()
{
    clip_ = Clip::none;
    if (!clipsToBounds_) return;
    const float scale = ccContentScaleFactor();
    if (scale == 2) {
        beginPlaneClip();
        return;
    }
    // Origin and size each truncated to whole pixels.
    const CGRect rect = viewRect();
    const int left = truncatedPixels(rect.origin.x * scale);
    const int bottom = truncatedPixels(rect.origin.y * scale);
    beginScissorClip(left, bottom, left + truncatedPixels(rect.size.width * scale),
                     bottom + truncatedPixels(rect.size.height * scale));
}

void CCScrollView::afterDraw()
{
    switch (clip_) {
    case Clip::none:
        return;
    case Clip::scissor:
        if (outerScissorOn_) {
            glScissor(outerScissorBox_[0], outerScissorBox_[1], outerScissorBox_[2], outerScissorBox_[3]);
        } else {
            glDisable(GL_SCISSOR_TEST);
        }
        break;
    case Clip::planes:
        for (int plane = 0; plane < 4; ++plane)
            glDisable(GL_CLIP_PLANE0 + plane);
        break;
    }
    clip_ = Clip::none;
}

void CCScrollView::beginScissorClip(int left, int bottom, int right, int top)
{
    clip_ = Clip::scissor;
    outerScissorOn_ = glIsEnabled(GL_SCISSOR_TEST);
    if (outerScissorOn_) {
        // Inside another clipped view: draw only where both let through.
        glGetIntegerv(GL_SCISSOR_BOX, outerScissorBox_);
        left = std::max(left, outerScissorBox_[0]);
        bottom = std::max(bottom, outerScissorBox_[1]);
        right = std::min(right, outerScissorBox_[0] + outerScissorBox_[2]);
        top = std::min(top, outerScissorBox_[1] + outerScissorBox_[3]);
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, bottom, std::max(0, right - left), std::max(0, top - bottom));
}

void CCScrollView::beginPlaneClip()
{
    clip_ = Clip::planes;
    // In the model-view space current now, so they follow whatever transform
    // the caller set up; each keeps the side where a·x + b·y + c·z + d >= 0.
    const float right = 2 * viewSize_.width;
    const float top = 2 * viewSize_.height;
    const GLfloat planes[4][4] = {
        {0, -1, 0, top},   // y <= 2 × view height
        {0, 1, 0, 0},      // y >= 0
        {1, 0, 0, 0},      // x >= 0
        {-1, 0, 0, right}, // x <= 2 × view width
    };
    for (int plane = 0; plane < 4; ++plane) {
        glClipPlanef(GL_CLIP_PLANE0 + plane, planes[plane]);
        glEnable(GL_CLIP_PLANE0 + plane);
    }
}

} // namespace mw
