#pragma once

#include <memory>
#include <optional>
#include <string>

#include "foundation/Geometry.h"
#include "foundation/NSTimer.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/CCNavControllerBase.h"
#include "social/CCSkinnedView.h"

namespace mw {

class CCGenericTableViewController;
class CCImagePickerUnderlay;
class CCUIDescription;
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
class CCEmbeddedViewController : public CCNavControllerBase, public CCSkinnedViewDelegate {
public:
    enum Animation { kAnimationNone = 0, kAnimationForward = 2, kAnimationBack = 4 };
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
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;

    // ---- fields ----
    CCEmbeddedViewControllerDelegate* delegate() const { return delegate_; }
    UIView* parentView() const { return parentView_; }
    CGRect launchFrame() const { return launchFrame_; }
    const std::optional<std::string>& launchUrlString() const { return launchUrlString_; }
    const std::optional<std::string>& selectedTabId() const { return selectedTabId_; }
    const std::string& leaderboardId() const { return leaderboardId_; }
    void setLeaderboardId(std::string id) { leaderboardId_ = std::move(id); }
    CCUIDescription* currentUIDescription() const { return currentUIDescription_.get(); }
    CCGenericTableViewController* primaryViewController() const { return primaryViewController_.get(); }
    CCGenericTableViewController* incomingViewController() const { return incomingViewController_.get(); }
    UIView* portraitPullTabView() const { return portraitPullTabView_.get(); }
    UIView* landscapePullTabView() const { return landscapePullTabView_.get(); }
    // The holder of the current orientation kind (null before the view is
    // built and after clean-up).
    UIView* visibleHolderView() const;
    bool backgroundThreadRunning() const { return backgroundThreadRunning_; }
    const std::string& pendingUrlString() const { return pendingUrlString_; }
    int pendingImagePickerType() const { return pendingImagePickerType_; }
    CCImagePickerUnderlay* imagePickerUnderlay() const { return imagePickerUnderlay_.get(); }

    // ---- pages ----
    void pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId, int animation,
                  bool noStackPush) override;
    using CCNavControllerBase::pushView;
    void popViewWithAnimation(int animation) override;
    // Puts the incoming page in place of the shown one.
    void doEndAnimations();
    // Opens a tab's page (its path under the page base) on the next loop turn.
    void doOpenUrlOnTab(const std::string& path);
    void doDoOpenUrlOnTab(const std::string& path);
    // The one tab: {"href": "profile.cuid", "id": "profile"}.
    Value findFirstTabUrlAndId() const;
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
    void willRotate();
    void didRotate();

    // ---- closing ----
    // Only while a page is shown: removes it, cleans up and tells the
    // delegate. Before the first page is in place it does nothing.
    void doDeactivation();
    void cleanUp();
    void removePrimaryView();

    // ---- CCNavControllerBase ----
    CCUIDescription* currentDisplayedUiDescription() override;
    void displayDialogWithUiDescription(CCUIDescription* description, CCModalViewDelegate* delegate) override;
    CGPoint getCurrentRowOffset() override;
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId) override;
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId, const std::string& url) override;
    void activateBasicNavUiWithTab(bool tab) override;
    void activateBasicNavUiWithTab(bool tab, const std::string& url) override;
    void initiateImagePickerWithType(int sourceType, const std::string& url, CGRect rect, UIView* view) override;
    CCGenericTableViewController* shownTablePage() override { return primaryViewController_.get(); }
    // A picked picture: posted as the player's image to the pending address.
    void imagePicked(const Image* image);

    // ---- CCMainNavControllerInterface (the pages' calls) ----
    void genericTableViewControllerFailedToLoadPage(CCGenericTableViewController&) override;
    void loadUiDescription() override;
    void clearTopTableSelection() override;
    bool answersGotBackNav() const override { return true; }
    void genericTableViewControllerGotBackNav() override;

    void loadView() override;

private:
    CCEmbeddedViewController() = default;

    static bool isPad();
    static int orientation();
    static bool isLandscape(int orientation) { return orientation == 3 || orientation == 4; }
    Ref<CCUIDescription> pageForUrl(const std::string& url) const;
    void redrawHolders();

    CCEmbeddedViewControllerDelegate* delegate_ = nullptr;
    UIView* parentView_ = nullptr;
    Ref<CCUIDescription> currentUIDescription_;
    Ref<CCGenericTableViewController> primaryViewController_;
    Ref<CCGenericTableViewController> incomingViewController_;
    std::optional<std::string> selectedTabId_;
    std::string leaderboardId_;
    std::string pendingUrlString_;
    int pendingImagePickerType_ = 0;
    Ref<CCImagePickerUnderlay> imagePickerUnderlay_;
    bool backgroundThreadRunning_ = false;
    Ref<UIView> portraitPullTabView_;
    Ref<UIView> landscapePullTabView_;
    std::optional<std::string> launchUrlString_;
    CGRect launchFrame_ = CGRectZero;
    Ref<NSTimer> underlayTimer_;
    // Bumped at clean-up: work queued on the loop for an older generation
    // (a tab page's opening, the end of a push) does nothing.
    unsigned generation_ = 0;
    bool cleanedUp_ = false;
    // Expires with the controller: animation callbacks check it instead of
    // holding the controller (which holds their views).
    std::shared_ptr<int> lifeToken_ = std::make_shared<int>(0);
};

} // namespace mw
