#pragma once

#include <cstdint>
#include <vector>

#include "engine/nodes/CCLayer.h"
#include "foundation/Ref.h"
#include "platform/UITouch.h"

namespace mw {

class CCScrollView;

// Which way the content may be dragged.
enum CCScrollViewDirection : int32_t {
    kCCScrollViewDirectionHorizontal = 0,
    kCCScrollViewDirectionVertical = 1,
    kCCScrollViewDirectionBoth = 2,
};

// Told of scrolling and zooming; both operations are optional.
class CCScrollViewDelegate {
public:
    virtual ~CCScrollViewDelegate() = default;
    // After every change of the content offset made through setContentOffset,
    // and on every frame of an animated scroll.
    virtual void scrollViewDidScroll(CCScrollView* view) {}
    // After every change of the zoom scale.
    virtual void scrollViewDidZoom(CCScrollView* view) {}
};

// A window of fixed size (the view size, in points) onto a larger content
// node, the container: the container's position is the content offset and
// its scale the zoom. One finger drags the content (it decelerates after
// release and, when bouncing, may go a margin of a tenth of the view size
// past its limits, to spring back once it stops); two fingers pinch to zoom.
//
// The view's rectangle starts at the view's position (its lower-left corner)
// in its parent's space and has the view size; touches outside it are
// refused. Children added to the view go into the container, placed by
// their lower-left corner. The view's own node size stays the window's;
// contentSize() and setContentSize() are the container's.
//
// Touches: a targeted delegate at priority 0 that never swallows; up to
// three touches are tracked. Deceleration and animated scrolls run on the
// shared scheduler once per frame.
class CCScrollView : public CCLayer {
public:
    // With a new empty layer as container when none is given. Touches on,
    // bouncing and clipping on, direction both, zoom limits 1 and 1.
    explicit CCScrollView(CGSize viewSize, CCNode* container = nullptr);
    ~CCScrollView() override;

    static Ref<CCScrollView> viewWithViewSize(CGSize viewSize, CCNode* container = nullptr)
    {
        return makeRef<CCScrollView>(viewSize, container);
    }

    // ---- content offset (the container's position) ----
    CGPoint contentOffset() const;
    void setContentOffset(CGPoint offset) { setContentOffset(offset, false); }
    // Animated: over 0.3 s, unclamped. Otherwise at once, the scrolled axes
    // clamped to [minContainerOffset, maxContainerOffset] when not bouncing;
    // the delegate is told.
    void setContentOffset(CGPoint offset, bool animated);
    // Moves the container there over `seconds` (not clamped), telling the
    // delegate every frame until the move ends or a drag begins.
    void setContentOffsetInDuration(CGPoint offset, float seconds);

    // ---- zoom (the container's scale) ----
    float zoomScale() const;
    // Clamped to [minZoomScale, maxZoomScale]. The point under the pinch's
    // centre (the view's centre when no pinch is going on) stays in place.
    void setZoomScale(float scale);
    // Animated: over 0.3 s.
    void setZoomScale(float scale, bool animated);
    // Tweens the zoom over `seconds`; at once for zero or fewer seconds.
    void setZoomScaleInDuration(float scale, float seconds);
    float minZoomScale() const { return minScale_; }
    void setMinZoomScale(float scale) { minScale_ = scale; }
    float maxZoomScale() const { return maxScale_; }
    void setMaxZoomScale(float scale) { maxScale_ = scale; }

    // ---- geometry ----
    CGSize viewSize() const { return viewSize_; }
    void setViewSize(CGSize size);
    // The container's content size; setting it recomputes the bounce margins.
    CGSize contentSize() const override;
    void setContentSize(CGSize size) override;
    // The highest container offset: always (0, 0).
    CGPoint maxContainerOffset() const;
    // The lowest: the view size minus the scaled content size (positive on an
    // axis where the content is smaller than the view).
    CGPoint minContainerOffset() const;
    // Brings the container back inside [min, max]ContainerOffset along the
    // scrolled axes; animated over 0.3 s or at once.
    void relocateContainer(bool animated);
    void layoutChildren() { relocateContainer(false); }
    // Whether the node (a child of the container) overlaps the visible part
    // of the content.
    bool isNodeVisible(CCNode* node);

    // ---- settings ----
    CCScrollViewDirection direction() const { return direction_; }
    void setDirection(CCScrollViewDirection direction) { direction_ = direction; }
    bool bounces() const { return bounces_; }
    void setBounces(bool bounces) { bounces_ = bounces; }
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips) { clipsToBounds_ = clips; }
    // Not retained.
    CCScrollViewDelegate* delegate() const { return delegate_; }
    void setDelegate(CCScrollViewDelegate* delegate) { delegate_ = delegate; }
    CCNode* container() const { return container_.get(); }
    // Only replaces the reference (retained); the node tree is not changed.
    void setContainer(CCNode* container) { container_ = container; }

    // ---- touch state ----
    bool isDragging() const { return isDragging_; }
    // Whether a tracked touch moved since the last touch began alone.
    bool touchMoved() const { return touchMoved_; }
    void setTouchMoved(bool moved) { touchMoved_ = moved; }
    // The last one-finger point in the view's space; with two, their midpoint.
    CGPoint touchPoint() const { return touchPoint_; }
    void setTouchPoint(CGPoint point) { touchPoint_ = point; }
    // The number of touches tracked.
    size_t trackedTouchCount() const { return touches_.size(); }

    // Pauses the container's timers and actions, then those of every scroll
    // view among the container's children; resume goes the other way round.
    void pause(Object* sender);
    void resume(Object* sender);

    // Goes into the container, unless it is the container itself; either
    // way the node is placed by its lower-left corner.
    void addChild(CCNode* child, int z, int tag) override;
    using CCNode::addChild;

    // Switching off also forgets every tracked touch and the drag.
    void setIsTouchEnabled(bool enabled) override;
    void registerWithTouchDispatcher() override;
    int32_t targetedTouchCallbacks() const override { return kCCTouchAllBits; }
    bool ccTouchBegan(UITouch* touch, const UIEvent& event) override;
    void ccTouchMoved(UITouch* touch, const UIEvent& event) override;
    void ccTouchEnded(UITouch* touch, const UIEvent& event) override;
    void ccTouchCancelled(UITouch* touch, const UIEvent& event) override;

    // Clip drawing, when clipsToBounds. At a content scale of 2: four clip
    // planes set in the model-view space current at the call, keeping
    // 0 <= x <= 2 × view width and 0 <= y <= 2 × view height there. At any
    // other scale: a scissor box of the view's rectangle in pixels, its world
    // origin and its size each truncated (within an enclosing scissor box).
    // afterDraw switches the planes off, or puts the previous scissor state
    // back. The view's own visit does not call them: a subclass that clips
    // calls them around its drawing.
    virtual void beforeDraw();
    virtual void afterDraw();

    // The view's rectangle in world points.
    CGRect viewRect();

protected:
    // The bounce margins from the container offsets and the view size.
    void computeInsets();
    bool scrollsX() const { return direction_ != kCCScrollViewDirectionVertical; }
    bool scrollsY() const { return direction_ != kCCScrollViewDirectionHorizontal; }
    // The point with each axis the view scrolls along clamped to [low, high].
    CGPoint clampScrolledAxes(CGPoint point, CGPoint low, CGPoint high) const;
    // One frame of the glide after a drag.
    void deaccelerateScrolling(float dt);
    // One frame of an animated scroll; its end.
    void performedAnimatedScroll(float dt);
    void stoppedAnimatedScroll();

    // Clips to the box (pixel edges) and, inside an enclosing scissor box,
    // to that one too; afterDraw ends it.
    void beginScissorClip(int left, int bottom, int right, int top);
    // The four clip planes of a content scale of 2; afterDraw ends them.
    void beginPlaneClip();

    bool isTracked(const UITouch* touch) const;
    void forgetTouch(const UITouch* touch);
    // Distance between the first two tracked touches in the container's space.
    float pinchLength();

    bool touchMoved_ = false;
    bool isDragging_ = false;
    bool bounces_ = true;
    bool clipsToBounds_ = true;
    Ref<CCNode> container_;
    CGPoint maxInset_;
    CGPoint minInset_;
    // The last per-event movement: the glide's per-frame velocity.
    CGPoint scrollDistance_;
    CGPoint touchPoint_;
    CGSize viewSize_;
    float minScale_ = 1;
    float maxScale_ = 1;
    // Finger distance when the pinch began; 0 when no pinch is going on.
    float touchLength_ = 0;
    std::vector<Ref<UITouch>> touches_;
    CCScrollViewDirection direction_ = kCCScrollViewDirectionBoth;
    CCScrollViewDelegate* delegate_ = nullptr;

private:
    // How beforeDraw clipped, and the scissor state it found, for afterDraw.
    enum class Clip { none, scissor, planes };
    Clip clip_ = Clip::none;
    bool outerScissorOn_ = false;
    int outerScissorBox_[4] = {};
};

} // namespace mw
