#include "social/ui/UIView.h"

#include <algorithm>
#include <cmath>

#include "foundation/RunLoop.h"
#include "foundation/Shared.h"
#include "social/ui/UISwipeGestureRecognizer.h"
#include "social/ui/UIWindow.h"

namespace mw {

// ---------------------------------------------------------------- responder

namespace {
UIResponder* gFirstResponder = nullptr;
}

void UIResponder::touchesBegan(const UIViewTouches& touches)
{
    if (UIResponder* next = nextResponder()) next->touchesBegan(touches);
}

void UIResponder::touchesMoved(const UIViewTouches& touches)
{
    if (UIResponder* next = nextResponder()) next->touchesMoved(touches);
}

void UIResponder::touchesEnded(const UIViewTouches& touches)
{
    if (UIResponder* next = nextResponder()) next->touchesEnded(touches);
}

void UIResponder::touchesCancelled(const UIViewTouches& touches)
{
    if (UIResponder* next = nextResponder()) next->touchesCancelled(touches);
}

bool UIResponder::becomeFirstResponder()
{
    if (!canBecomeFirstResponder()) return false;
    if (gFirstResponder == this) return true;
    if (gFirstResponder && !gFirstResponder->resignFirstResponder()) return false;
    gFirstResponder = this;
    return true;
}

bool UIResponder::resignFirstResponder()
{
    if (gFirstResponder == this) gFirstResponder = nullptr;
    return true;
}

bool UIResponder::isFirstResponder() const { return gFirstResponder == this; }

UIResponder* UIResponder::firstResponder() { return gFirstResponder; }

// ---------------------------------------------------------------- animations

// One committed animation block: its timing and the views whose properties
// it moves. It ends when its time is up (finished YES) or when later blocks
// took every one of its tracks (finished NO).
class ViewAnimation : public Object {
public:
    std::string name;
    double duration = UIView::kDefaultAnimationDuration;
    double delay = 0;
    UIView::Curve curve = UIView::kCurveEaseInOut;
    bool fromCurrentState = false;
    UIView::DidStop didStop;
    double elapsed = 0;
    bool committed = false;
    bool ended = false;
    std::vector<UIView*> views; // views holding a track of this animation (retained through the track list)

    float progress() const
    {
        if (elapsed <= delay) return 0;
        if (duration <= 0) return 1;
        const double t = std::min(1.0, (elapsed - delay) / duration);
        if (curve == UIView::kCurveLinear) return static_cast<float>(t);
        return static_cast<float>(t * t * (3 - 2 * t));
    }
};

namespace {

struct Animator {
    std::vector<Ref<ViewAnimation>> open; // begun, not yet committed (nested blocks)
    std::vector<Ref<ViewAnimation>> running;
    std::vector<Ref<UIView>> touched; // views with tracks, kept alive while animating
    bool enabled = true;
};

// A shared instance, so that what it holds is never let go by the process's
// static destructors: the program's end removes the animations (views and
// their animations go while what they use is still there).
Animator& animator() { return *Shared<Animator>::get(); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

void finish(ViewAnimation* animation, bool finished)
{
    if (animation->ended) return;
    animation->ended = true;
    Ref<ViewAnimation> hold(animation);
    auto& running = animator().running;
    running.erase(std::remove_if(running.begin(), running.end(),
                                 [animation](const Ref<ViewAnimation>& a) { return a.get() == animation; }),
                  running.end());
    if (animation->didStop) animation->didStop(animation->name, finished);
}

} // namespace

void UIView::beginAnimations(const std::string& name)
{
    Ref<ViewAnimation> animation = makeRef<ViewAnimation>();
    animation->name = name;
    animator().open.push_back(animation);
}

void UIView::setAnimationDuration(double seconds)
{
    if (!animator().open.empty()) animator().open.back()->duration = seconds;
}

void UIView::setAnimationDelay(double seconds)
{
    if (!animator().open.empty()) animator().open.back()->delay = seconds;
}

void UIView::setAnimationCurve(Curve curve)
{
    if (!animator().open.empty()) animator().open.back()->curve = curve;
}

void UIView::setAnimationBeginsFromCurrentState(bool fromCurrent)
{
    if (!animator().open.empty()) animator().open.back()->fromCurrentState = fromCurrent;
}

void UIView::setAnimationDidStop(DidStop callback)
{
    if (!animator().open.empty()) animator().open.back()->didStop = std::move(callback);
}

void UIView::commitAnimations()
{
    Animator& all = animator();
    if (all.open.empty()) return;
    Ref<ViewAnimation> animation = all.open.back();
    all.open.pop_back();
    animation->committed = true;
    if (!all.enabled || animation->views.empty()) {
        // Nothing moves: the changes are already in place; the callback
        // still comes, on the next turn, as it would after a zero-length
        // animation.
        for (UIView* view : animation->views) view->dropTracks(animation.get());
        animation->ended = true;
        if (animation->didStop) {
            RunLoop::main().perform([animation] { animation->didStop(animation->name, true); });
        }
        return;
    }
    all.running.push_back(animation);
}

void UIView::setAnimationsEnabled(bool enabled) { animator().enabled = enabled; }

bool UIView::areAnimationsEnabled() { return animator().enabled; }

size_t UIView::runningAnimationCount() { return animator().running.size(); }

void UIView::removeAllAnimations()
{
    // Without an animator nothing ever animated.
    Animator* animating = Shared<Animator>::current();
    if (!animating) return;
    Animator& all = *animating;
    std::vector<Ref<UIView>> touched = std::move(all.touched);
    all.touched.clear();
    for (const Ref<UIView>& view : touched) view->tracks_.clear();
    for (const Ref<ViewAnimation>& animation : all.running) animation->views.clear();
    for (const Ref<ViewAnimation>& animation : all.open) animation->views.clear();
    all.running.clear();
    all.open.clear();
}

void UIView::advanceAnimations(double dt)
{
    Animator& all = animator();
    std::vector<Ref<ViewAnimation>> running = all.running;
    for (const Ref<ViewAnimation>& animation : running) {
        if (animation->ended) continue;
        animation->elapsed += dt;
        // A step that lands within a hair of the end (float time steps) ends there.
        if (animation->elapsed >= animation->delay + animation->duration - 1e-4) {
            std::vector<UIView*> views = animation->views;
            for (UIView* view : views) view->dropTracks(animation.get());
            finish(animation.get(), true);
        }
    }
    // Forget views no animation moves any more.
    all.touched.erase(std::remove_if(all.touched.begin(), all.touched.end(),
                                     [](const Ref<UIView>& view) { return view->tracks_.empty(); }),
                      all.touched.end());
}

void UIView::leaveAnimationWithoutTracks(ViewAnimation* animation)
{
    // The animation names its views unowned, and the animator lets go of a
    // view once no track is left: a view the animation no longer moves must
    // not stay on its list.
    for (const Track& track : tracks_)
        if (track.animation.get() == animation) return;
    auto& views = animation->views;
    views.erase(std::remove(views.begin(), views.end(), this), views.end());
}

void UIView::willChange(Property property)
{
    Animator& all = animator();
    if (all.open.empty() || !all.enabled) {
        // A change outside any block ends the property's running animation
        // where the model now is.
        for (auto track = tracks_.begin(); track != tracks_.end();) {
            if (track->property != property) {
                ++track;
                continue;
            }
            Ref<ViewAnimation> ended = track->animation;
            track = tracks_.erase(track);
            leaveAnimationWithoutTracks(ended.get());
        }
        return;
    }
    ViewAnimation* animation = all.open.back().get();
    const State current = presentation();
    State from = animation->fromCurrentState ? current : model_;
    // A property taken over from a running animation: that animation loses
    // the track and, when none is left, stops unfinished.
    for (auto track = tracks_.begin(); track != tracks_.end();) {
        if (track->property != property || track->animation.get() == animation) {
            ++track;
            continue;
        }
        Ref<ViewAnimation> previous = track->animation;
        if (!animation->fromCurrentState) from = model_;
        track = tracks_.erase(track);
        leaveAnimationWithoutTracks(previous.get());
        auto& views = previous->views;
        const bool stillMoves = std::any_of(views.begin(), views.end(), [&](UIView* view) {
            return std::any_of(view->tracks_.begin(), view->tracks_.end(),
                               [&](const Track& t) { return t.animation.get() == previous.get(); });
        });
        if (!stillMoves) finish(previous.get(), false);
    }
    for (const Track& track : tracks_) {
        if (track.animation.get() == animation && track.property == property) return; // first change wins the start
    }
    tracks_.push_back(Track {Ref<ViewAnimation>(animation), property, from});
    if (std::find(animation->views.begin(), animation->views.end(), this) == animation->views.end()) {
        animation->views.push_back(this);
    }
    if (std::none_of(all.touched.begin(), all.touched.end(), [this](const Ref<UIView>& v) { return v.get() == this; })) {
        all.touched.push_back(Ref<UIView>(this));
    }
}

void UIView::dropTracks(ViewAnimation* animation)
{
    tracks_.erase(std::remove_if(tracks_.begin(), tracks_.end(),
                                 [animation](const Track& t) { return t.animation.get() == animation; }),
                  tracks_.end());
    auto& views = animation->views;
    views.erase(std::remove(views.begin(), views.end(), this), views.end());
}

UIView::State UIView::presentation() const
{
    State shown = model_;
    for (const Track& track : tracks_) {
        const float t = track.animation->progress();
        switch (track.property) {
        case kCenter:
            shown.center = {lerp(track.from.center.x, model_.center.x, t), lerp(track.from.center.y, model_.center.y, t)};
            break;
        case kBounds:
            shown.bounds = {lerp(track.from.bounds.origin.x, model_.bounds.origin.x, t),
                            lerp(track.from.bounds.origin.y, model_.bounds.origin.y, t),
                            lerp(track.from.bounds.size.width, model_.bounds.size.width, t),
                            lerp(track.from.bounds.size.height, model_.bounds.size.height, t)};
            break;
        case kTransform: {
            const CGAffineTransform& a = track.from.transform;
            const CGAffineTransform& b = model_.transform;
            shown.transform = {lerp(a.a, b.a, t),   lerp(a.b, b.b, t),   lerp(a.c, b.c, t),
                               lerp(a.d, b.d, t),   lerp(a.tx, b.tx, t), lerp(a.ty, b.ty, t)};
            break;
        }
        case kAlpha: shown.alpha = lerp(track.from.alpha, model_.alpha, t); break;
        case kBackground: {
            const FillColor a = track.from.background.value_or(FillColor {0, 0, 0, 0});
            const FillColor b = model_.background.value_or(FillColor {0, 0, 0, 0});
            shown.background = FillColor {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t), lerp(a.a, b.a, t)};
            break;
        }
        }
    }
    return shown;
}

float UIView::presentationAlpha() const { return presentation().alpha; }
CGAffineTransform UIView::presentationTransform() const { return presentation().transform; }
CGPoint UIView::presentationCenter() const { return presentation().center; }
CGRect UIView::presentationBounds() const { return presentation().bounds; }
std::optional<FillColor> UIView::presentationBackground() const { return presentation().background; }

// ---------------------------------------------------------------- view

UIView::UIView(CGRect frame)
{
    model_.bounds = {0, 0, frame.size.width, frame.size.height};
    model_.center = {frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2};
}

UIView::~UIView()
{
    for (const auto& recognizer : recognizers_) recognizer->view_ = nullptr;
    if (isFirstResponder()) resignFirstResponder();
    for (const Ref<UIView>& view : subviews_) view->superview_ = nullptr;
}

CGRect UIView::frame() const
{
    const CGRect local {-model_.bounds.size.width / 2, -model_.bounds.size.height / 2, model_.bounds.size.width,
                        model_.bounds.size.height};
    CGRect out = CGRectApplyAffineTransform(local, model_.transform);
    out.origin.x += model_.center.x;
    out.origin.y += model_.center.y;
    return out;
}

void UIView::setFrame(CGRect frame)
{
    const CGSize oldSize = model_.bounds.size;
    willChange(kCenter);
    willChange(kBounds);
    model_.center = {frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2};
    model_.bounds.size = frame.size;
    resizeSubviews(oldSize);
}

void UIView::setBounds(CGRect bounds)
{
    const CGSize oldSize = model_.bounds.size;
    willChange(kBounds);
    model_.bounds = bounds;
    resizeSubviews(oldSize);
}

void UIView::setCenter(CGPoint center)
{
    willChange(kCenter);
    model_.center = center;
}

void UIView::setTransform(const CGAffineTransform& transform)
{
    willChange(kTransform);
    model_.transform = transform;
}

void UIView::setAlpha(float alpha)
{
    willChange(kAlpha);
    model_.alpha = alpha;
}

void UIView::setBackgroundColor(std::optional<FillColor> colour)
{
    willChange(kBackground);
    model_.background = colour;
}

void UIView::sizeToFit()
{
    const CGSize size = sizeThatFits(bounds().size);
    CGRect f = frame();
    f.size = size;
    setFrame(f);
}

void UIView::resizeSubviews(CGSize oldSize)
{
    const float dw = model_.bounds.size.width - oldSize.width;
    const float dh = model_.bounds.size.height - oldSize.height;
    if (dw == 0 && dh == 0) return;
    for (const Ref<UIView>& view : subviews_) {
        if (!(view->autoresizing_ & (kFlexibleWidth | kFlexibleHeight))) continue;
        CGRect f = view->frame();
        if (view->autoresizing_ & kFlexibleWidth) f.size.width += dw;
        if (view->autoresizing_ & kFlexibleHeight) f.size.height += dh;
        view->setFrame(f);
    }
    layoutSubviews();
}

// ---- hierarchy ----

void UIView::addSubview(UIView* view) { insertSubviewAtIndex(view, subviews_.size()); }

void UIView::insertSubviewAtIndex(UIView* view, size_t index)
{
    if (!view || view == this) return;
    Ref<UIView> hold(view);
    if (view->superview_ == this) {
        auto at = std::find_if(subviews_.begin(), subviews_.end(), [view](const Ref<UIView>& v) { return v.get() == view; });
        subviews_.erase(at);
    } else {
        view->removeFromSuperview();
        view->willMoveToSuperview(this);
    }
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), hold);
    const bool moved = view->superview_ != this;
    view->superview_ = this;
    if (moved) view->didMoveToSuperview();
}

void UIView::insertSubviewBelow(UIView* view, UIView* sibling)
{
    auto at = std::find_if(subviews_.begin(), subviews_.end(), [sibling](const Ref<UIView>& v) { return v.get() == sibling; });
    if (at == subviews_.end()) return addSubview(view);
    const size_t index = static_cast<size_t>(at - subviews_.begin());
    const bool wasHere = view && view->superview_ == this;
    size_t current = 0;
    if (wasHere) {
        for (; current < subviews_.size() && subviews_[current].get() != view; ++current) {}
    }
    insertSubviewAtIndex(view, wasHere && current < index ? index - 1 : index);
}

void UIView::insertSubviewAbove(UIView* view, UIView* sibling)
{
    auto at = std::find_if(subviews_.begin(), subviews_.end(), [sibling](const Ref<UIView>& v) { return v.get() == sibling; });
    if (at == subviews_.end()) return addSubview(view);
    const size_t index = static_cast<size_t>(at - subviews_.begin()) + 1;
    const bool wasHere = view && view->superview_ == this;
    size_t current = 0;
    if (wasHere) {
        for (; current < subviews_.size() && subviews_[current].get() != view; ++current) {}
    }
    insertSubviewAtIndex(view, wasHere && current < index ? index - 1 : index);
}

void UIView::bringSubviewToFront(UIView* view)
{
    if (view && view->superview_ == this) insertSubviewAtIndex(view, subviews_.size());
}

void UIView::sendSubviewToBack(UIView* view)
{
    if (view && view->superview_ == this) insertSubviewAtIndex(view, 0);
}

void UIView::addGestureRecognizer(UISwipeGestureRecognizer* recognizer)
{
    if (!recognizer || recognizer->view_ == this) return;
    Ref<UISwipeGestureRecognizer> hold(recognizer);
    if (recognizer->view_) recognizer->view_->removeGestureRecognizer(recognizer);
    recognizer->view_ = this;
    recognizers_.push_back(hold);
}

void UIView::removeGestureRecognizer(UISwipeGestureRecognizer* recognizer)
{
    if (!recognizer || recognizer->view_ != this) return;
    Ref<UISwipeGestureRecognizer> hold(recognizer);
    recognizer->view_ = nullptr;
    recognizers_.erase(std::remove_if(recognizers_.begin(), recognizers_.end(),
                                      [recognizer](const auto& held) { return held.get() == recognizer; }),
                       recognizers_.end());
}

void UIView::removeFromSuperview()
{
    UIView* parent = superview_;
    if (!parent) return;
    Ref<UIView> hold(this);
    if (isFirstResponder()) resignFirstResponder();
    willMoveToSuperview(nullptr);
    superview_ = nullptr;
    auto& list = parent->subviews_;
    list.erase(std::remove_if(list.begin(), list.end(), [this](const Ref<UIView>& v) { return v.get() == this; }),
               list.end());
    didMoveToSuperview();
}

UIView* UIView::viewWithTag(int tag)
{
    if (tag_ == tag) return this;
    for (const Ref<UIView>& view : subviews_) {
        if (UIView* found = view->viewWithTag(tag)) return found;
    }
    return nullptr;
}

bool UIView::isDescendantOfView(const UIView* view) const
{
    for (const UIView* v = this; v; v = v->superview_) {
        if (v == view) return true;
    }
    return false;
}

UIWindow* UIView::window() const
{
    const UIView* root = this;
    while (root->superview_) root = root->superview_;
    return const_cast<UIWindow*>(dynamic_cast<const UIWindow*>(root));
}

UIResponder* UIView::nextResponder() const
{
    if (controller_) return controller_;
    return superview_;
}

// ---- hit testing and conversion ----

bool UIView::pointInside(CGPoint point) const { return CGRectContainsPoint(model_.bounds, point); }

UIView* UIView::hitTest(CGPoint point)
{
    if (hidden_ || !interaction_ || model_.alpha < 0.01f) return nullptr;
    if (!pointInside(point)) return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        UIView* child = it->get();
        if (UIView* hit = child->hitTest(child->pointFromSuperview(point))) return hit;
    }
    return this;
}

CGPoint UIView::pointToSuperview(CGPoint point) const
{
    const CGPoint local {point.x - model_.bounds.origin.x - model_.bounds.size.width / 2,
                         point.y - model_.bounds.origin.y - model_.bounds.size.height / 2};
    const CGPoint turned = CGPointApplyAffineTransform(local, model_.transform);
    return {turned.x + model_.center.x, turned.y + model_.center.y};
}

CGPoint UIView::pointFromSuperview(CGPoint point) const
{
    const CGPoint local {point.x - model_.center.x, point.y - model_.center.y};
    const CGPoint turned = CGPointApplyAffineTransform(local, CGAffineTransformInvert(model_.transform));
    return {turned.x + model_.bounds.origin.x + model_.bounds.size.width / 2,
            turned.y + model_.bounds.origin.y + model_.bounds.size.height / 2};
}

CGPoint UIView::convertPointToView(CGPoint point, const UIView* view) const
{
    // Up to the root, then down to the view.
    CGPoint p = point;
    for (const UIView* v = this; v->superview_; v = v->superview_) {
        if (v == view) return p;
        p = v->pointToSuperview(p);
    }
    if (!view) return p;
    std::vector<const UIView*> chain;
    for (const UIView* v = view; v->superview_; v = v->superview_) chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) p = (*it)->pointFromSuperview(p);
    return p;
}

CGPoint UIView::convertPointFromView(CGPoint point, const UIView* view) const
{
    if (!view) {
        const UIView* root = this;
        while (root->superview_) root = root->superview_;
        return root->convertPointToView(point, this);
    }
    return view->convertPointToView(point, this);
}

CGRect UIView::convertRectToView(CGRect rect, const UIView* view) const
{
    const CGPoint corners[4] = {rect.origin,
                                {rect.origin.x + rect.size.width, rect.origin.y},
                                {rect.origin.x, rect.origin.y + rect.size.height},
                                {rect.origin.x + rect.size.width, rect.origin.y + rect.size.height}};
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (const CGPoint& corner : corners) {
        const CGPoint p = convertPointToView(corner, view);
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}

CGRect UIView::convertRectFromView(CGRect rect, const UIView* view) const
{
    if (!view) {
        const UIView* root = this;
        while (root->superview_) root = root->superview_;
        return root->convertRectToView(rect, this);
    }
    return view->convertRectToView(rect, this);
}

} // namespace mw
