#include "social/ui/UIWindow.h"

#include <GLES/gl.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/base/TransformUtils.h"
#include "engine/director/CCDirector.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/scheduler/CCScheduler.h"
#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "platform/DeviceProfile.h"
#include "platform/Image.h"
#include "platform/UITouch.h"
#include "social/ui/UIDrawContext.h"
#include "social/ui/UISwipeGestureRecognizer.h"
#include "social/ui/UITextField.h"
#include "social/ui/UIViewController.h"

namespace mw {

namespace {

UIWindow* gKeyWindow = nullptr;

uint8_t byte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); }

uint32_t powerOfTwo(uint32_t v)
{
    uint32_t p = 1;
    while (p < v) p <<= 1;
    return p;
}

// The engine nodes that stand for one view: its background rectangle and,
// for views that draw, a sprite of its picture.
class ViewNodes : public Object {
public:
    // The background colour's fills: one for each part of the bounds that
    // no opaque child hides.
    std::vector<Ref<CCLayerColor>> fills;
    Ref<CCSprite> content;
    Ref<CCTexture2D> texture;
    unsigned generation = 0;
    CGSize drawnSize {0, 0};
    bool drawn = false;
    CGSize pictureSize {0, 0}; // the whole picture as the sprite measures it; the sprite may show fewer rows
    // Every pixel of the picture is opaque (it hides what lies under the view).
    bool opaqueContent = false;
};

} // namespace

// The window's node in the engine: drawn as the director's notification
// node, with the node that was there before drawn after it.
class UIWindow::Node : public CCNode {
public:
    explicit Node(UIWindow& window) : window_(window) {}
    void visit() override
    {
        window_.drawViews();
        if (window_.previousNotificationNode_) window_.previousNotificationNode_->visit();
    }
    void update(float dt) override
    {
        UIView::advanceAnimations(dt);
        // A screen-filling opaque view (a full-screen controller) hides the
        // game: the engine need not draw it beneath.
        if (window_.director_) window_.director_->setSceneCovered(window_.coversScreen());
    }

private:
    UIWindow& window_;
};

// Offers every touch to the views before the game's handlers.
class UIWindow::TouchTaker : public CCTargetedTouchDelegate {
public:
    explicit TouchTaker(UIWindow& window) : window_(window) {}
    bool ccTouchBegan(UITouch* touch, const UIEvent&) override
    {
        return window_.touchBegan(touch, touch->locationInView());
    }
    void ccTouchMoved(UITouch* touch, const UIEvent&) override { window_.touchMoved(touch, touch->locationInView()); }
    void ccTouchEnded(UITouch* touch, const UIEvent&) override { window_.touchEnded(touch, touch->locationInView()); }
    void ccTouchCancelled(UITouch* touch, const UIEvent&) override
    {
        window_.touchCancelled(touch, touch->locationInView());
    }
    int32_t targetedTouchCallbacks() const override
    {
        return kCCTouchBeganBit | kCCTouchMovedBit | kCCTouchEndedBit | kCCTouchCancelledBit;
    }

private:
    UIWindow& window_;
};

UIWindow* UIWindow::keyWindow() { return gKeyWindow; }

Ref<UIWindow> UIWindow::makeKeyWindow(CCDirector& director)
{
    const CGSize size = director.winSize();
    Ref<UIWindow> window(new UIWindow({0, 0, size.width, size.height}, DeviceProfile::current().scale));
    window->director_ = &director;
    gKeyWindow = window.get();
    return window;
}

UIWindow::UIWindow(CGRect frame, float scale) : UIView(frame), scale_(scale)
{
    node_ = makeRef<Node>(*this);
    touchTaker_ = std::make_unique<TouchTaker>(*this);
    setOpaque(false);
}

UIWindow::~UIWindow()
{
    uninstall();
    UIView::removeAllAnimations();
    if (gKeyWindow == this) gKeyWindow = nullptr;
}

void UIWindow::setRootViewController(UIViewControllerBase* controller)
{
    rootViewController_ = controller;
    if (controller) addSubview(controller->view());
}

void UIWindow::install()
{
    if (installed_ || !director_) return;
    installed_ = true;
    previousNotificationNode_ = director_->notificationNode();
    director_->setNotificationNode(node_.get());
    CCScheduler::sharedScheduler()->scheduleUpdateForTarget(node_.get(), 0, false);
    CCTouchDispatcher* dispatcher = CCTouchDispatcher::sharedDispatcher();
    // Just after the platform's alerts (which take everything while shown),
    // ahead of every menu and layer of the game.
    dispatcher->addTargetedDelegate(touchTaker_.get(), dispatcher->reversePriority() ? INT_MIN + 2 : INT_MAX - 2,
                                    true);
}

void UIWindow::uninstall()
{
    if (!installed_) return;
    installed_ = false;
    // A director already ended took its scheduler, touches and notification
    // node with it: there is nothing left to unhook from.
    if (CCDirector::currentDirector() != director_) {
        previousNotificationNode_ = nullptr;
        return;
    }
    CCTouchDispatcher::sharedDispatcher()->removeDelegate(touchTaker_.get());
    CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(node_.get());
    if (director_) director_->setSceneCovered(false);
    if (director_ && director_->notificationNode() == node_.get()) {
        director_->setNotificationNode(previousNotificationNode_.get());
    }
    previousNotificationNode_ = nullptr;
}

UIView* UIWindow::hitTest(CGPoint point)
{
    UIView* hit = UIView::hitTest(point);
    return hit == this ? nullptr : hit;
}

bool UIWindow::touchBegan(UITouch* touch, CGPoint point)
{
    UIView* hit = hitTest(point);
    if (!hit) return false;
    touchViews_[touch] = Ref<UIView>(hit);
    std::vector<Ref<UISwipeGestureRecognizer>> following;
    for (UIView* view = hit; view; view = view->superview())
        for (const auto& recognizer : view->gestureRecognizers())
            if (recognizer->isEnabled()) following.push_back(recognizer);
    if (!following.empty()) {
        for (const auto& recognizer : following) recognizer->touchBegan(touch, point);
        touchRecognizers_[touch] = std::move(following);
    }
    hit->touchesBegan({UIViewTouch {touch, point}});
    return true;
}

bool UIWindow::recognize(UITouch* touch, CGPoint point, bool ended)
{
    auto found = touchRecognizers_.find(touch);
    if (found == touchRecognizers_.end()) return false;
    std::vector<Ref<UISwipeGestureRecognizer>> following = found->second;
    if (ended) touchRecognizers_.erase(found);
    for (const auto& recognizer : following) {
        if (!(ended ? recognizer->touchEnded(touch, point) : recognizer->touchMoved(touch, point))) continue;
        // Recognised: the others stop following, the view loses the touch.
        for (const auto& other : following)
            if (other != recognizer) other->touchCancelled(touch);
        touchRecognizers_.erase(touch);
        auto view = touchViews_.find(touch);
        if (view != touchViews_.end()) {
            Ref<UIView> taken = view->second;
            touchViews_.erase(view);
            taken->touchesCancelled({UIViewTouch {touch, point}});
        }
        return true;
    }
    return false;
}

void UIWindow::touchMoved(UITouch* touch, CGPoint point)
{
    if (recognize(touch, point, false)) return;
    auto found = touchViews_.find(touch);
    if (found == touchViews_.end()) return;
    Ref<UIView> view = found->second;
    view->touchesMoved({UIViewTouch {touch, point}});
}

void UIWindow::touchEnded(UITouch* touch, CGPoint point)
{
    if (recognize(touch, point, true)) return;
    auto found = touchViews_.find(touch);
    if (found == touchViews_.end()) return;
    Ref<UIView> view = found->second;
    touchViews_.erase(found);
    view->touchesEnded({UIViewTouch {touch, point}});
}

void UIWindow::touchCancelled(UITouch* touch, CGPoint point)
{
    auto following = touchRecognizers_.find(touch);
    if (following != touchRecognizers_.end()) {
        for (const auto& recognizer : following->second) recognizer->touchCancelled(touch);
        touchRecognizers_.erase(following);
    }
    auto found = touchViews_.find(touch);
    if (found == touchViews_.end()) return;
    Ref<UIView> view = found->second;
    touchViews_.erase(found);
    view->touchesCancelled({UIViewTouch {touch, point}});
}

// ---- keyboard ----

float UIWindow::keyboardHeight() const
{
    return DeviceProfile::current().name.rfind("tablet", 0) == 0 ? 264 : 216;
}

void UIWindow::showKeyboard()
{
    const float height = keyboardHeight();
    if (!keyboard_) {
        keyboard_ = makeRef<UIView>(CGRect {0, bounds().size.height - height, bounds().size.width, height});
        keyboard_->setBackgroundColor(FillColor {0.20f, 0.22f, 0.25f, 0.95f});
    }
    if (keyboard_->superview() != this) addSubview(keyboard_.get());
    bringSubviewToFront(keyboard_.get());
}

void UIWindow::hideKeyboard()
{
    if (keyboard_) keyboard_->removeFromSuperview();
}

bool UIWindow::typeText(const std::string& utf8)
{
    auto* field = dynamic_cast<UITextField*>(UIResponder::firstResponder());
    if (!field) return false;
    field->insertText(utf8);
    return true;
}

bool UIWindow::pressBackspace()
{
    auto* field = dynamic_cast<UITextField*>(UIResponder::firstResponder());
    if (!field) return false;
    field->deleteBackward();
    return true;
}

bool UIWindow::pressReturn()
{
    auto* field = dynamic_cast<UITextField*>(UIResponder::firstResponder());
    if (!field) return false;
    field->pressReturn();
    return true;
}

// ---- drawing ----

namespace {

// Redraws a view's picture when it asked for it or changed size.
void refreshContent(UIView& view, ViewNodes& nodes, float scale)
{
    const CGRect bounds = view.presentationBounds();
    const CGSize size = view.bounds().size;
    if (nodes.drawn && nodes.generation == view.displayGeneration() && nodes.drawnSize.width == size.width &&
        nodes.drawnSize.height == size.height) {
        return;
    }
    nodes.generation = view.displayGeneration();
    nodes.drawnSize = size;
    nodes.drawn = false;
    nodes.content = nullptr;
    nodes.texture = nullptr;
    nodes.opaqueContent = false;
    std::unique_ptr<UIDrawContext> context = UIDrawContext::create(size, scale);
    if (!context) return;
    view.drawRect(*context, {0, 0, size.width, size.height});
    nodes.drawn = true;
    BitmapContext& bitmap = context->bitmap();
    // Only the rows down to the last one with ink are uploaded and drawn, and
    // one clear row after them so that filtering at that edge reads what it
    // read before: a pull-tab strip draws its bar at the top of a view as
    // tall as its page, and the clear rest cost a texture and a blend of
    // every pixel beneath, each frame.
    int inkRows = 0;
    for (int y = bitmap.height() - 1; y >= 0 && inkRows == 0; --y) {
        const uint8_t* row = &bitmap.pixels()[static_cast<size_t>(y) * bitmap.bytesPerRow()];
        for (int x = 0; x < bitmap.width(); ++x) {
            if (row[static_cast<size_t>(x) * 4 + 3] != 0) {
                inkRows = y + 1;
                break;
            }
        }
    }
    if (inkRows == 0) return; // nothing to draw
    const int rows = std::min(bitmap.height(), inkRows + 1);
    const uint32_t wide = powerOfTwo(static_cast<uint32_t>(bitmap.width()));
    const uint32_t high = powerOfTwo(static_cast<uint32_t>(rows));
    std::vector<uint8_t> padded(static_cast<size_t>(wide) * high * 4, 0);
    for (int y = 0; y < rows; ++y) {
        std::copy_n(&bitmap.pixels()[static_cast<size_t>(y) * bitmap.bytesPerRow()], bitmap.bytesPerRow(),
                    &padded[static_cast<size_t>(y) * wide * 4]);
    }
    Ref<CCTexture2D> texture = makeRef<CCTexture2D>();
    if (!texture->initWithData(padded.data(), kCCTexture2DPixelFormat_RGBA8888, wide, high,
                               CGSize {static_cast<float>(bitmap.width()), static_cast<float>(rows)})) {
        return;
    }
    bool opaque = bitmap.width() > 0 && bitmap.height() > 0;
    for (int y = 0; opaque && y < bitmap.height(); ++y) {
        const uint8_t* row = &bitmap.pixels()[static_cast<size_t>(y) * bitmap.bytesPerRow()];
        for (int x = 0; opaque && x < bitmap.width(); ++x) opaque = row[x * 4 + 3] == 255;
    }
    nodes.opaqueContent = opaque;
    nodes.texture = texture;
    nodes.content = CCSprite::spriteWithTexture(texture.get());
    nodes.content->setBlendFunc({GL_ONE, GL_ONE_MINUS_SRC_ALPHA});
    nodes.content->setOpacityModifyRGB(true);
    nodes.content->setFlipY(true);
    nodes.content->setAnchorPoint({0, 0});
    const CGSize shown = nodes.content->contentSize();
    nodes.pictureSize = {shown.width, shown.height * static_cast<float>(bitmap.height()) / static_cast<float>(rows)};
    (void)bounds;
}

// The engine's nodes place themselves in pixels; the view tree's matrices
// are in points.
void visitInPoints(CCNode& node, float scale)
{
    glPushMatrix();
    glScalef(1 / scale, 1 / scale, 1);
    node.visit();
    glPopMatrix();
}

// The scissor box in force while a view tree is drawn: framebuffer pixels,
// origin bottom left; none when nothing clips.
struct Scissor {
    bool on = false;
    GLint box[4] {0, 0, 0, 0};
};

// Whether `view` paints every pixel of its bounds: an opaque background
// colour, or a picture (as last drawn, at its present size) with no
// transparent pixel.
bool paintsWholeBounds(UIView& view)
{
    const std::optional<FillColor> fill = view.presentationBackground();
    if (fill && fill->a >= 1.0f) return true;
    if (!view.drawsContent() || !view.renderCache()) return false;
    const auto& nodes = static_cast<const ViewNodes&>(*view.renderCache());
    const CGSize size = view.bounds().size;
    return nodes.content && nodes.opaqueContent && nodes.drawnSize.width == size.width &&
           nodes.drawnSize.height == size.height && nodes.generation == view.displayGeneration();
}

// The parts of `bounds` (a view's, in its own bounds space) where the view's
// background colour can show. A child shown at full alpha and not turned
// that paints its whole bounds opaquely paints every pixel of its frame
// after the parent, so the parent's fill there is never seen: a
// full-screen controller over its pages and bars would otherwise fill the
// screen twice each frame. The covers are taken a pixel smaller on each
// side, so the parent's fill runs a pixel under each cover's edge and no seam
// can open between them. Only for a view drawn at full alpha: a translucent
// one's children are translucent too.
std::vector<CGRect> visibleParts(UIView& view, CGRect bounds, float scale)
{
    const float inset = 1 / scale;
    std::vector<CGRect> covers;
    for (const Ref<UIView>& child : view.subviews()) {
        if (child->isHidden() || child->presentationAlpha() < 1.0f) continue;
        if (!CGAffineTransformIsIdentity(child->presentationTransform()) || !paintsWholeBounds(*child)) continue;
        const CGSize size = child->presentationBounds().size;
        const CGPoint centre = child->presentationCenter();
        const float x0 = std::max(bounds.origin.x, centre.x - size.width / 2 + inset);
        const float y0 = std::max(bounds.origin.y, centre.y - size.height / 2 + inset);
        const float x1 = std::min(bounds.origin.x + bounds.size.width, centre.x + size.width / 2 - inset);
        const float y1 = std::min(bounds.origin.y + bounds.size.height, centre.y + size.height / 2 - inset);
        if (x1 > x0 && y1 > y0) covers.push_back({x0, y0, x1 - x0, y1 - y0});
    }
    if (covers.empty()) return {bounds};
    // The covers' edges cut the bounds into cells; the cells no cover
    // holds are joined along each row.
    std::vector<float> xs {bounds.origin.x, bounds.origin.x + bounds.size.width};
    std::vector<float> ys {bounds.origin.y, bounds.origin.y + bounds.size.height};
    for (const CGRect& c : covers) {
        xs.insert(xs.end(), {c.origin.x, c.origin.x + c.size.width});
        ys.insert(ys.end(), {c.origin.y, c.origin.y + c.size.height});
    }
    for (std::vector<float>* edges : {&xs, &ys}) {
        std::sort(edges->begin(), edges->end());
        edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
    }
    std::vector<CGRect> parts;
    for (size_t j = 0; j + 1 < ys.size(); ++j) {
        const float midY = (ys[j] + ys[j + 1]) / 2;
        float runStart = 0;
        bool inRun = false;
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            const CGPoint mid {(xs[i] + xs[i + 1]) / 2, midY};
            bool hidden = false;
            for (const CGRect& c : covers) hidden = hidden || CGRectContainsPoint(c, mid);
            if (!hidden && !inRun) {
                runStart = xs[i];
                inRun = true;
            }
            if (hidden && inRun) {
                parts.push_back({runStart, ys[j], xs[i] - runStart, ys[j + 1] - ys[j]});
                inRun = false;
            }
        }
        if (inRun) parts.push_back({runStart, ys[j], xs.back() - runStart, ys[j + 1] - ys[j]});
    }
    return parts;
}

// Draws a view and its subviews. `toPixels` maps the superview's bounds
// points to framebuffer pixels, for the clipping views' scissor boxes.
void drawView(UIView& view, float parentAlpha, float scale, const CGAffineTransform& toPixels, const Scissor& outer)
{
    if (view.isHidden()) return;
    const float alpha = parentAlpha * view.presentationAlpha();
    if (alpha <= 0.0f) return;
    if (!view.renderCache()) view.renderCache() = Ref<Object>(new ViewNodes());
    auto& nodes = static_cast<ViewNodes&>(*view.renderCache());

    const CGRect bounds = view.presentationBounds();
    const CGPoint centre = view.presentationCenter();
    // Superview points from this view's bounds: to the middle of the
    // bounds, through the transform, to the centre.
    CGAffineTransform m = CGAffineTransformMakeTranslation(-bounds.origin.x - bounds.size.width / 2,
                                                           -bounds.origin.y - bounds.size.height / 2);
    m = CGAffineTransformConcat(m, view.presentationTransform());
    m = CGAffineTransformConcat(m, CGAffineTransformMakeTranslation(centre.x, centre.y));
    float gl[16];
    CGAffineToGL(m, gl);
    glPushMatrix();
    glMultMatrixf(gl);

    if (const std::optional<FillColor> colour = view.presentationBackground(); colour && colour->a > 0) {
        const std::vector<CGRect> parts =
            alpha >= 1.0f ? visibleParts(view, bounds, scale) : std::vector<CGRect> {bounds};
        while (nodes.fills.size() < parts.size()) nodes.fills.push_back(makeRef<CCLayerColor>());
        for (size_t i = 0; i < parts.size(); ++i) {
            CCLayerColor& fill = *nodes.fills[i];
            fill.setColor({byte(colour->r), byte(colour->g), byte(colour->b)});
            fill.setOpacity(byte(colour->a * alpha));
            fill.setContentSize(parts[i].size);
            fill.setPosition(parts[i].origin);
            visitInPoints(fill, scale);
        }
    }
    if (view.drawsContent()) {
        refreshContent(view, nodes, scale);
        if (nodes.content) {
            const CGSize drawn = nodes.pictureSize;
            nodes.content->setScaleX(drawn.width > 0 ? view.bounds().size.width / drawn.width : 1);
            nodes.content->setScaleY(drawn.height > 0 ? view.bounds().size.height / drawn.height : 1);
            nodes.content->setPosition(bounds.origin);
            nodes.content->setOpacity(byte(alpha));
            visitInPoints(*nodes.content, scale);
        }
    }
    const CGAffineTransform mine = CGAffineTransformConcat(m, toPixels);
    Scissor inner = outer;
    if (view.clipsToBounds()) {
        // Only axis-aligned boxes can be scissored: the views turn by
        // quarter turns at most, so the bounding box is the clip.
        const CGRect area = CGRectApplyAffineTransform(bounds, mine);
        GLint left = static_cast<GLint>(std::floor(area.origin.x + 0.5f));
        GLint bottom = static_cast<GLint>(std::floor(area.origin.y + 0.5f));
        GLint right = static_cast<GLint>(std::floor(area.origin.x + area.size.width + 0.5f));
        GLint top = static_cast<GLint>(std::floor(area.origin.y + area.size.height + 0.5f));
        if (outer.on) {
            left = std::max(left, outer.box[0]);
            bottom = std::max(bottom, outer.box[1]);
            right = std::min(right, outer.box[0] + outer.box[2]);
            top = std::min(top, outer.box[1] + outer.box[3]);
        }
        inner.on = true;
        inner.box[0] = left;
        inner.box[1] = bottom;
        inner.box[2] = std::max(0, right - left);
        inner.box[3] = std::max(0, top - bottom);
        glEnable(GL_SCISSOR_TEST);
        glScissor(inner.box[0], inner.box[1], inner.box[2], inner.box[3]);
    }
    const std::vector<Ref<UIView>> children = view.subviews();
    for (const Ref<UIView>& child : children) drawView(*child, alpha, scale, mine, inner);
    if (view.clipsToBounds()) {
        if (outer.on) glScissor(outer.box[0], outer.box[1], outer.box[2], outer.box[3]);
        else glDisable(GL_SCISSOR_TEST);
    }
    glPopMatrix();
}

} // namespace

bool UIWindow::coversScreen()
{
    if (isHidden() || presentationAlpha() < 1.0f) return false;
    const CGRect screen = bounds();
    for (const Ref<UIView>& child : subviews()) {
        if (child->isHidden() || child->presentationAlpha() < 1.0f) continue;
        if (!CGAffineTransformIsIdentity(child->presentationTransform()) || !paintsWholeBounds(*child)) continue;
        const CGSize size = child->presentationBounds().size;
        const CGPoint centre = child->presentationCenter();
        if (centre.x - size.width / 2 <= screen.origin.x && centre.y - size.height / 2 <= screen.origin.y &&
            centre.x + size.width / 2 >= screen.origin.x + screen.size.width &&
            centre.y + size.height / 2 >= screen.origin.y + screen.size.height) {
            return true;
        }
    }
    return false;
}

void UIWindow::drawViews()
{
    // The platform's y-down points become the engine's y-up points here,
    // once for the whole tree.
    const CGSize size = bounds().size;
    glPushMatrix();
    // The GL frame is in pixels.
    const CGAffineTransform flip = CGAffineTransformMake(scale_, 0, 0, -scale_, 0, size.height * scale_);
    float gl[16];
    CGAffineToGL(flip, gl);
    glMultMatrixf(gl);
    // The drawing of the frame may already be scissored (the views then
    // clip within that box).
    Scissor frame;
    frame.on = glIsEnabled(GL_SCISSOR_TEST);
    if (frame.on) glGetIntegerv(GL_SCISSOR_BOX, frame.box);
    const std::vector<Ref<UIView>> children = subviews();
    for (const Ref<UIView>& child : children) drawView(*child, presentationAlpha(), scale_, flip, frame);
    glPopMatrix();
}

} // namespace mw
