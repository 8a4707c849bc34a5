#pragma once

#include <string>

#include "foundation/Ref.h"
#include "platform/ImageSources.h"
#include "social/screens/CCSkinnedView.h"
#include "social/ui/UIImagePickerController.h"
#include "social/ui/UIViewController.h"

namespace mw {

class CCModalViewController;
class CCModalPopupController;
class CCUIDescription;

class CCModalViewDelegate {
public:
    virtual ~CCModalViewDelegate() = default;
    virtual void modalViewControllerButtonPressed(CCModalViewController& controller, const std::string& buttonId) = 0;
};

class CCModalPopupObserver {
public:
    virtual ~CCModalPopupObserver() = default;
    virtual void modalPopupFinished(CCModalPopupController& popup) = 0;
};

// A themed dialog over a parent view: centred (or full screen), dimming
// what is behind it, with a spring-like entrance; a button press plays the
// "buttonpress" animation and only then tells the delegate which button.
// Removing the dialog is the delegate's business (release the controller).
class CCModalViewController : public UIViewControllerBase, public CCSkinnedViewDelegate {
public:
    // None when the page has no data.
    static Ref<CCModalViewController> create(CCUIDescription* description, UIView* parentView, bool workarounds,
                                             bool fullScreen, bool inPopover);
    ~CCModalViewController() override;

    // The dialog's rectangle: see the table in the source.
    static CGRect rectForDeviceOrientation(int orientation, bool fullScreen, bool workarounds);

    CCModalViewDelegate* delegate() const { return delegate_; }
    void setDelegate(CCModalViewDelegate* delegate) { delegate_ = delegate; }
    CCSkinnedView* skinnedView() const { return skinnedView_.get(); }
    const std::string& pendingButtonId() const { return pendingButtonId_; }
    bool isAttachedToMainWindow() const { return attachedToMainWindow_; }
    void dismiss();

    void loadView() override;
    bool shouldAutorotateToInterfaceOrientation(int) override { return false; }
    void skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId, const std::string& itemType,
                                  const Value& themeUrl) override;

private:
    CCModalViewController() = default;
    void animationDidStop(const std::string& name, bool finished);
    void didRotate();

    Ref<CCUIDescription> description_;
    Ref<CCSkinnedView> skinnedView_;
    std::string pendingButtonId_;
    CCModalViewDelegate* delegate_ = nullptr;
    UIView* parentView_ = nullptr;
    bool useWorkarounds_ = false;
    bool isFullScreen_ = false;
    bool isInPopover_ = false;
    bool attachedToMainWindow_ = false;
};

// A notice strip: a themed pop-up at a fixed place of the screen, held for
// two seconds, slid 60 points down and removed, the observer told once. A
// tap during it ends it at once.
class CCModalPopupController : public UIViewControllerBase {
public:
    static Ref<CCModalPopupController> create(CCUIDescription* description, UIView* parentView, bool workarounds,
                                              CCModalPopupObserver* observer);
    ~CCModalPopupController() override;

    static CGRect rectForOrientation(int orientation);
    void popupViewClose();
    void dismiss();
    bool isDismissed() const { return dismissed_; }
    CCSkinnedView* popupView() const;

    void loadView() override;
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;

private:
    CCModalPopupController() = default;
    static void placePopup(UIView* popup, CGPoint origin, CGSize fits);
    void startStep(int step);
    void animationDidStop(const std::string& name, bool finished);
    void willRotate();
    void didRotate();
    CGAffineTransform baseTransform() const;

    Ref<CCUIDescription> description_;
    UIView* parentView_ = nullptr;
    bool useWorkarounds_ = false;
    CCModalPopupObserver* observer_ = nullptr;
    bool dismissed_ = false;
    bool finished_ = false;
};

// Shows a pop-up over the host's view in the social client's orientation:
// a 1 x 1 invisible view turned to it first, then, 0.2 s later, the pop-up
// over the parent. It keeps itself alive until the pop-up has finished.
class CCWorkaroundController : public UIViewControllerBase, public CCModalPopupObserver {
public:
    static CCWorkaroundController* create(UIView* parentView, CCUIDescription* description, bool workarounds,
                                          CCModalPopupObserver* observer);
    ~CCWorkaroundController() override;
    void loadView() override;
    void modalPopupFinished(CCModalPopupController& popup) override;
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;
    CCModalPopupController* popup() const { return popup_.get(); }
    // Controllers alive now (for tests).
    static size_t liveCount();
    // Lets every live controller go, with its pop-up (the client's end).
    static void releaseAll();

private:
    CCWorkaroundController() = default;
    void clearWorkaroundView();

    UIView* parentView_ = nullptr;
    Ref<CCUIDescription> description_;
    bool workarounds_ = false;
    CCModalPopupObserver* observer_ = nullptr;
    Ref<CCModalPopupController> popup_;
};

// The dimmed layer under the image picker: black at alpha 0.5; it presents
// the picker of a source over itself.
class CCImagePickerUnderlay : public UIViewControllerBase {
public:
    void loadView() override;
    // Presents (animated) a picker of that source with editing allowed and
    // `delegate` (not owned) told of the choice; the delegate dismisses it.
    void initiateImagePickerWithType(ImageSources::SourceType type, UIImagePickerControllerDelegate* delegate);
    void implementTransformLeft();
    void implementTransformRight() {}
};

} // namespace mw
