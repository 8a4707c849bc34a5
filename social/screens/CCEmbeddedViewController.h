#pragma once

#include <optional>
#include <string>

#include "foundation/Geometry.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/screens/CCPageNavControllers.h"
#include "social/screens/CCSkinnedView.h"

namespace mw {

class Image;
class Notification;
class UIView;

// What the embedded view tells the object that made it (the session).
class CCEmbeddedViewControllerDelegate {
public:
    virtual ~CCEmbeddedViewControllerDelegate() = default;
    // The embedded view has closed; the owner lets it go now (the controller
    // keeps itself alive until this call returns).
    virtual void onEmbeddedViewControllerDeactivated() = 0;
    // The first page could not be loaded on a phone (nothing to go back to).
    virtual void onEmbeddedViewControllerFailedToLoadPage() {}
};

// The social pages inside a rectangle of a view the host names: one stack of
// pages of the one tab ("profile"), without strips, states or banners. The
// pages are laid out in a fixed 320 × 320 square and drawn scaled to the
// launch frame, with the square's top-left corner at the frame's origin.
// There are two holder views for the pages, one per orientation kind; the
// one of the current kind shows. Pushed pages replace the shown one when a
// 0.4 s animation that moves nothing ends (at once, on the next loop turn,
// for animation 0). Delayed work is cancelled at clean-up. Main thread.
class CCEmbeddedViewController : public CCTabPagesNavController, public CCSkinnedViewDelegate {
public:
    // The side of the square the pages are laid out in.
    static constexpr float kPageSide = 320;
    static constexpr const char* kProfileTab = "profile";
    static constexpr const char* kProfilePath = "profile.cuid";

    // Makes the controller and adds its view to parentView (which builds the
    // holders and pushes the first page: the launch URL's, or the profile
    // page without one). Neither the delegate nor the parent is retained.
    static Ref<CCEmbeddedViewController> create(CCEmbeddedViewControllerDelegate* delegate, CGRect frame,
                                                UIView* parentView, std::optional<std::string> launchUrl);
    ~CCEmbeddedViewController() override;

    // ---- geometry ----
    // The page square, in every orientation.
    static CGRect primaryViewRectForOrientation(int orientation);
    // The holders' transform: the square scaled to the launch frame's size,
    // its top-left corner kept at the container's origin. A launch frame
    // without a finite positive size leaves the square as it is.
    CGAffineTransform transformForOrientation(int orientation) const;

    // ---- fields ----
    CCEmbeddedViewControllerDelegate* delegate() const { return delegate_; }
    UIView* parentView() const { return parentView_; }
    CGRect launchFrame() const { return launchFrame_; }
    const std::optional<std::string>& launchUrlString() const { return launchUrlString_; }
    UIView* portraitPullTabView() const { return portraitPullTabView_.get(); }
    UIView* landscapePullTabView() const { return landscapePullTabView_.get(); }
    // The holder of the current orientation kind (null before the view is
    // built and after clean-up).
    UIView* visibleHolderView() const;

    // ---- pages ----
    void pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId, int animation,
                  bool noStackPush) override;
    using CCNavControllerBase::pushView;
    void popViewWithAnimation(int animation) override;
    void doDoOpenUrlOnTab(const std::string& path) override;
    // The one tab: {"href": "profile.cuid", "id": "profile"}.
    Value findFirstTabUrlAndId() const override;
    // The profile page's address, whatever the id.
    std::string tabUrlStringForTabId(const std::string& tabId) const;
    void userSignedInChange();

    // ---- taps on bars and rows ----
    void skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId, const std::string& itemType,
                                  const Value& themeUrl) override;
    std::optional<std::string> normalImageForTabOrButton(const Value& item, const std::string& itemId) override;
    std::optional<std::string> depressedImageForTabOrButton(const Value& item, const std::string& itemId) override;
    void listItemSelectedNotification(const Notification& notification) override;
    void fetchUpdateNotification(const Notification& notification) override;

    // ---- rotation (the session's notifications) ----
    void willRotate() override;
    void didRotate() override;

    // ---- closing ----
    // Only while a page is shown: removes it, cleans up and tells the
    // delegate. Before the first page is in place it does nothing.
    void doDeactivation();
    void cleanUp() override;

    // ---- CCNavControllerBase ----
    void initiateImagePickerWithType(int sourceType, const std::string& url, CGRect rect, UIView* view) override;
    // A picked picture: posted as the player's image to the pending address.
    void imagePicked(const Image* image);

    void loadView() override;

private:
    CCEmbeddedViewController() = default;

    // A phone's only page failed: the delegate hears of it.
    void onlyPageFailedToLoad() override;
    void tellOwnerDeactivated() override;
    void redrawHolders();

    CCEmbeddedViewControllerDelegate* delegate_ = nullptr;
    UIView* parentView_ = nullptr;
    Ref<UIView> portraitPullTabView_;
    Ref<UIView> landscapePullTabView_;
    std::optional<std::string> launchUrlString_;
    CGRect launchFrame_ = CGRectZero;
};

} // namespace mw
