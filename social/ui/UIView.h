#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "platform/BitmapContext.h"

namespace mw {

class UIDrawContext;
class UISwipeGestureRecognizer;
class UITouch;
class UIView;
class UIWindow;
class ViewAnimation;

// One touch as a view sees it: the engine's touch and its point in the
// window (top-left origin, y down, points).
struct UIViewTouch {
    UITouch* touch = nullptr;
    CGPoint windowPoint;
};
using UIViewTouches = std::vector<UIViewTouch>;

// What answers touches: views, and whatever a view names as its next
// responder (a view controller). A responder that does not handle a phase
// passes it to its next responder.
class UIResponder : public Object {
public:
    virtual UIResponder* nextResponder() const { return nullptr; }
    virtual void touchesBegan(const UIViewTouches& touches);
    virtual void touchesMoved(const UIViewTouches& touches);
    virtual void touchesEnded(const UIViewTouches& touches);
    virtual void touchesCancelled(const UIViewTouches& touches);
    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    bool isFirstResponder() const;
    static UIResponder* firstResponder();
};

// A rectangle of the social screens: geometry in the platform's points
// (origin top-left, y down) relative to its superview, an ordered list of
// subviews (later ones in front), hit testing, animation of its geometry,
// alpha and background colour, and, for views that draw, a picture made by
// drawRect() into a texture that is redrawn only after setNeedsDisplay().
// The window turns the tree into engine nodes (UIWindow.h). Main thread.
//
// Geometry follows the platform: centre, bounds and transform are the
// model; the frame is derived from them (and setting it with a transform
// other than the identity is undefined, as on the platform).
class UIView : public UIResponder {
public:
    enum AutoresizingMask : unsigned { kFlexibleWidth = 1u << 1, kFlexibleHeight = 1u << 4 };

    explicit UIView(CGRect frame = CGRectZero);
    ~UIView() override;

    // ---- geometry ----
    CGRect frame() const;
    void setFrame(CGRect frame);
    CGRect bounds() const { return model_.bounds; }
    void setBounds(CGRect bounds);
    CGPoint center() const { return model_.center; }
    void setCenter(CGPoint center);
    const CGAffineTransform& transform() const { return model_.transform; }
    void setTransform(const CGAffineTransform& transform);
    float alpha() const { return model_.alpha; }
    void setAlpha(float alpha);
    const std::optional<FillColor>& backgroundColor() const { return model_.background; }
    void setBackgroundColor(std::optional<FillColor> colour);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    // Whether the subviews are drawn only inside this view's bounds (off by
    // default; scroll views clip, so their scrolled-out content stays hidden).
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips) { clipsToBounds_ = clips; }
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    bool userInteractionEnabled() const { return interaction_; }
    void setUserInteractionEnabled(bool on) { interaction_ = on; }
    unsigned autoresizingMask() const { return autoresizing_; }
    void setAutoresizingMask(unsigned mask) { autoresizing_ = mask; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // What the screen shows now: the model, or an animation's in-between.
    float presentationAlpha() const;
    CGAffineTransform presentationTransform() const;
    CGPoint presentationCenter() const;
    CGRect presentationBounds() const;
    std::optional<FillColor> presentationBackground() const;

    virtual CGSize sizeThatFits(CGSize size) const { return bounds().size; }
    void sizeToFit();

    // ---- hierarchy ----
    UIView* superview() const { return superview_; }
    const std::vector<Ref<UIView>>& subviews() const { return subviews_; }
    void addSubview(UIView* view);
    void insertSubviewAtIndex(UIView* view, size_t index);
    void insertSubviewBelow(UIView* view, UIView* sibling);
    void insertSubviewAbove(UIView* view, UIView* sibling);
    void bringSubviewToFront(UIView* view);
    void sendSubviewToBack(UIView* view);
    void removeFromSuperview();
    UIView* viewWithTag(int tag);
    bool isDescendantOfView(const UIView* view) const;
    // The window at the root of the tree, or null.
    UIWindow* window() const;
    virtual void didMoveToSuperview() {}
    virtual void willMoveToSuperview(UIView*) {}
    virtual void layoutSubviews() {}

    // ---- hit testing and conversion ----
    // The deepest view under the point (in this view's bounds) that takes
    // touches: hidden views, views below alpha 0.01 and views with
    // interaction off are skipped with their subviews.
    virtual UIView* hitTest(CGPoint point);
    virtual bool pointInside(CGPoint point) const;
    CGPoint convertPointToView(CGPoint point, const UIView* view) const;
    CGPoint convertPointFromView(CGPoint point, const UIView* view) const;
    CGRect convertRectToView(CGRect rect, const UIView* view) const;
    CGRect convertRectFromView(CGRect rect, const UIView* view) const;
    // This view's bounds point in its superview's coordinates, and back.
    CGPoint pointToSuperview(CGPoint point) const;
    CGPoint pointFromSuperview(CGPoint point) const;

    // ---- responder ----
    // The view controller that owns this view, else the superview.
    UIResponder* nextResponder() const override;
    void setViewController(UIResponder* controller) { controller_ = controller; }

    // ---- gesture recognisers ----
    // The view keeps the recognisers it is given (a recogniser belongs to
    // one view at a time: adding it moves it).
    void addGestureRecognizer(UISwipeGestureRecognizer* recognizer);
    void removeGestureRecognizer(UISwipeGestureRecognizer* recognizer);
    const std::vector<Ref<UISwipeGestureRecognizer>>& gestureRecognizers() const { return recognizers_; }

    // ---- drawing ----
    // Views that draw say so; the window then keeps a texture of their
    // bounds made by drawRect(), remade after setNeedsDisplay().
    virtual bool drawsContent() const { return false; }
    virtual void drawRect(UIDrawContext& context, CGRect rect) {}
    void setNeedsDisplay() { ++displayGeneration_; }
    unsigned displayGeneration() const { return displayGeneration_; }
    // The window's engine nodes for this view; held here so they go with it.
    Ref<Object>& renderCache() { return renderCache_; }

    // ---- animations ----
    // Named animation blocks: changes of centre, bounds, frame, transform,
    // alpha and background colour made between begin and commit move there
    // over the duration. The did-stop callback gets the name and whether
    // the animation ran to its end (NO when a later one took over all of its
    // changes). Default duration 0.2 s, no delay, ease-in-out.
    enum Curve { kCurveEaseInOut = 0, kCurveLinear = 3 };
    using DidStop = std::function<void(const std::string& name, bool finished)>;
    static void beginAnimations(const std::string& name);
    static void setAnimationDuration(double seconds);
    static void setAnimationDelay(double seconds);
    static void setAnimationCurve(Curve curve);
    static void setAnimationBeginsFromCurrentState(bool fromCurrent);
    static void setAnimationDidStop(DidStop callback);
    static void commitAnimations();
    static void setAnimationsEnabled(bool enabled);
    static bool areAnimationsEnabled();
    static constexpr double kDefaultAnimationDuration = 0.2;
    // Moves every running animation on by dt (the window does this from the
    // engine's scheduler; tests may call it).
    static void advanceAnimations(double dt);
    static size_t runningAnimationCount();
    // Drops every animation, begun or running, without callbacks; the
    // model values stay (the window does this when it goes).
    static void removeAllAnimations();

    struct State {
        CGPoint center {0, 0};
        CGRect bounds {0, 0, 0, 0};
        CGAffineTransform transform = CGAffineTransformIdentity;
        float alpha = 1;
        std::optional<FillColor> background;
    };
    enum Property : unsigned { kCenter = 1, kBounds = 2, kTransform = 4, kAlpha = 8, kBackground = 16 };

private:
    friend class ViewAnimation;
    struct Track {
        Ref<ViewAnimation> animation;
        Property property;
        State from;
    };
    // Records a change of one property (before the model changes).
    void willChange(Property property);
    State presentation() const;
    void dropTracks(ViewAnimation* animation);
    void leaveAnimationWithoutTracks(ViewAnimation* animation);
    void resizeSubviews(CGSize oldSize);

    State model_;
    std::vector<Track> tracks_;
    bool hidden_ = false;
    bool clipsToBounds_ = false;
    bool opaque_ = true;
    bool interaction_ = true;
    unsigned autoresizing_ = 0;
    int tag_ = 0;
    UIView* superview_ = nullptr;
    std::vector<Ref<UIView>> subviews_;
    UIResponder* controller_ = nullptr;
    unsigned displayGeneration_ = 1;
    Ref<Object> renderCache_;
    std::vector<Ref<UISwipeGestureRecognizer>> recognizers_;
};

} // namespace mw
