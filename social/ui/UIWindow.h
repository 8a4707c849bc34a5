#pragma once

#include <map>
#include <memory>
#include <string>

#include "foundation/Ref.h"
#include "social/ui/UIView.h"

namespace mw {

class CCDirector;
class CCNode;
class UIViewControllerBase;

// The social screens' window: the root of the view tree, drawn above the
// running scene and below the platform's alerts. Touches are hit-tested
// against its views first; a touch that no view takes (the window itself is
// transparent to touches) goes on to the engine's touch dispatcher, so the
// game beneath still gets it. Views are turned into engine nodes once per
// frame: transforms, opacity and background colours from their presentation
// state, and for views that draw, a sprite of a texture redrawn only after
// setNeedsDisplay(). Animations advance on the engine's scheduler, so the
// headless driver's fixed step reproduces them. One at a time; main thread.
class UIWindow : public UIView {
public:
    // The key window (what the session's getTopApplicationWindow answers),
    // or null before one is made.
    static UIWindow* keyWindow();

    // A window of the director's size, made key.
    static Ref<UIWindow> makeKeyWindow(CCDirector& director);
    ~UIWindow() override;

    // Draws above the scene, takes touches and runs the animations; the
    // director's notification node is drawn after (above) the views.
    void install();
    void uninstall();
    bool isInstalled() const { return installed_; }

    // Whatever object the application made the window's delegate (not
    // owned; null when none).
    Object* delegate() const { return delegate_; }
    void setDelegate(Object* delegate) { delegate_ = delegate; }

    UIViewControllerBase* rootViewController() const { return rootViewController_; }
    void setRootViewController(UIViewControllerBase* controller);

    float contentScale() const { return scale_; }
    // Draws the tree into the current GL frame (the engine node calls this).
    void drawViews();
    // Whether one of the window's views, shown whole and unturned, paints
    // every pixel of the screen opaquely (then nothing beneath is seen).
    bool coversScreen();

    // The keyboard stand-in: a panel at the bottom edge while a text field
    // is first responder, 216 points high on phones and 264 on tablets.
    void showKeyboard();
    void hideKeyboard();
    UIView* keyboardPanel() const { return keyboard_.get(); }
    float keyboardHeight() const;
    // What the keyboard types, for the first-responder text field (false
    // when there is none).
    bool typeText(const std::string& utf8);
    bool pressBackspace();
    bool pressReturn();

    // The window takes touches only through its subviews.
    UIView* hitTest(CGPoint point) override;

    // Touch delivery as the engine's dispatcher calls it (points in the
    // window); tests may call these directly. Began answers whether a view
    // took the touch.
    bool touchBegan(UITouch* touch, CGPoint point);
    void touchMoved(UITouch* touch, CGPoint point);
    void touchEnded(UITouch* touch, CGPoint point);
    void touchCancelled(UITouch* touch, CGPoint point);

private:
    class Node;
    class TouchTaker;
    // Feeds the touch's recognisers; true when one recognised it, which
    // takes the touch from its view (touchesCancelled).
    bool recognize(UITouch* touch, CGPoint point, bool ended);
    UIWindow(CGRect frame, float scale);

    bool installed_ = false;
    float scale_ = 1;
    Ref<Node> node_;
    std::unique_ptr<TouchTaker> touchTaker_;
    Ref<CCNode> previousNotificationNode_;
    CCDirector* director_ = nullptr;
    UIViewControllerBase* rootViewController_ = nullptr;
    Object* delegate_ = nullptr;
    std::map<UITouch*, Ref<UIView>> touchViews_;
    // The recognisers following each touch: those of the touched view and
    // of every view it lies in, nearest first.
    std::map<UITouch*, std::vector<Ref<UISwipeGestureRecognizer>>> touchRecognizers_;
    Ref<UIView> keyboard_;
};

} // namespace mw
