#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/NSTimer.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "platform/AlertView.h"
#include "social/CCFullUiModes.h"
#include "social/CCNavControllerBase.h"
#include "social/CCSkinnedView.h"
#include "social/ui/UIImagePickerController.h"
#include "social/ui/UIPopoverController.h"

namespace mw {

class CCEventButton;
class CCGenericTableViewController;
class CCUIDescription;
class Notification;

// The tablet's full social screen. Unlike the phone's it leaves the game in
// sight: a skinned bar of tab buttons (the left bar) stands at the screen's
// edge over the game, and each page opens in a popover beside the tab that
// asked for it. A transparent button under the popovers (the big button)
// catches taps outside them and closes them all; while no popover is open
// the controller's view shrinks to the bar, so every other tap reaches the
// game. Popovers form a stack, bottom first: in practice one page popover
// (a later page replaces its content) and the picture picker's beside it,
// arranged side by side and dimmed by depth.
//
// Two modes as on the phone: main (the "padnav_left" bar) and basic, logged
// out ("padnav_basic_left"). Sizes assume the 768 × 1024 point screen.
// Work handed to the next loop turn and the delayed calls (popover sizing,
// the first page, a tab's page, the reopening after a rotation, the restart
// of fetching) are cancelled when the controller is cleaned up. Main thread.
class CCPadTabController : public CCNavControllerBase,
                           public CCFullUiModes,
                           public CCSkinnedViewDelegate,
                           public UIPopoverControllerDelegate,
                           public UIImagePickerControllerDelegate,
                           public AlertViewDelegate {
public:
    static constexpr float kScreenWidth = 768;
    static constexpr float kScreenHeight = 1024;
    // A popover's content width, and how much narrower its anchor is made
    // (more while popovers are open, so that a new one lands beside them).
    static constexpr float kPopoverWidth = 320;
    static constexpr float kAnchorShrinkAlone = 5;
    static constexpr float kAnchorShrinkStacked = 270;
    static constexpr double kReopenAfterRotationDelay = 0.1;
    static constexpr double kRestartFetchingDelay = kFetchRestartDelay;
    static constexpr const char* kPopoverRecreatedNotification = "CCPopoverRecreatedPostOrientationChange";
    static constexpr const char* kMainBarSkin = "padnav_left";
    static constexpr const char* kBasicBarSkin = "padnav_basic_left";
    static constexpr const char* kBottomBarSkin = "padnav_bottom";

    // One popover of the stack: its controller, the anchor it was shown
    // from (in big-button coordinates), its panel's x when it was added, and
    // the x positions the rearrangement wants and gave it (0: none).
    struct PopoverRecord {
        Ref<UIPopoverController> popover;
        CGRect startRect {0, 0, 0, 0};
        float startX = 0;
        float wantedX = 0;
        float currentX = 0;
    };

    // The controller with its view loaded and added to the top window.
    // `tabId` (empty: none) is the default tab; with `loginRequired` the URL
    // (if any) is the first page of the main mode, else of the basic mode.
    // `tabPosition` 1 shows the left bar, 0 and 2 hide it.
    static Ref<CCPadTabController> create(const std::string& tabId, const std::optional<std::string>& url,
                                          bool loginRequired);
    static Ref<CCPadTabController> create(const std::string& tabId, const std::optional<std::string>& url,
                                          bool loginRequired, int tabPosition);
    ~CCPadTabController() override;

    // ---- state, for the session and tests ----
    CCSkinnedView* leftBarView() const { return leftBarView_.get(); }
    CCSkinnedView* outgoingBarView() const { return outgoingBarView_.get(); }
    const Value& leftBarSkin() const { return leftBarSkin_; }
    CCEventButton* bigButton() const { return bigButton_.get(); }
    const std::vector<PopoverRecord>& popoverInfoStack() const { return popoverInfoStack_; }
    size_t popoverCount() const { return popoverInfoStack_.size(); }
    int currentPadTabPosition() const { return currentPadTabPosition_; }
    bool popoversActivatedBuffer() const { return popoversActivatedBuffer_; }
    bool recreatePopoverPostOrientation() const { return recreatePopoverPostOrientation_; }
    const std::optional<std::string>& urlPostOrientation() const { return urlPostOrientation_; }
    float firstPopoverNormalisedX() const { return firstPopoverNormalisedX_; }
    float firstPopoverGap() const { return firstPopoverGap_; }
    float lastPopoverShift() const { return lastPopoverShift_; }
    UIPopoverController* lastPopoverAdded() const { return lastPopoverAdded_.get(); }
    bool tabViewGotButton() const { return tabViewGotButton_; }
    const std::optional<std::string>& defaultTabId() const { return defaultTabId_; }
    AlertView* incomingNoticeAlert() const { return incomingAlert_.get(); }

    // ---- pages ----
    void pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId, int animation,
                  bool noStackPush) override;
    using CCNavControllerBase::pushView;
    // The push itself, from an anchor rectangle of `view` (a new popover
    // points at it).
    void pushViewFromRect(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId,
                          int animation, CGRect rect, UIView* view, bool noStackPush);
    void popViewWithAnimation(int animation) override;
    // The top popover's content when it is a table page, else null.
    CCGenericTableViewController* currentDisplayedGenericTableViewController() const;
    CCUIDescription* currentDisplayedUiDescription() override;
    void clearTopTableSelection() override;
    void displayDialogWithUiDescription(CCUIDescription* description, CCModalViewDelegate* delegate) override;
    CGPoint getCurrentRowOffset() override;
    CCGenericTableViewController* shownTablePage() override { return currentDisplayedGenericTableViewController(); }

    // ---- the pages' calls ----
    void genericTableViewControllerLoadedPage(CCGenericTableViewController& page) override;
    bool answersGotTouchPoint() const override { return true; }
    void genericTableViewControllerGotTouchPoint(CGPoint point, CCGenericTableViewController& page,
                                                 UIView& view) override;
    bool answersGotBackNav() const override { return true; }
    void genericTableViewControllerGotBackNav() override;
    void genericTableViewControllerFailedToLoadPage(CCGenericTableViewController& page) override;
    void loadUiDescription() override;

    // ---- popovers' delegate ----
    // Popovers never close by a tap outside: the big button decides.
    bool popoverControllerShouldDismissPopover(UIPopoverController&) override { return false; }
    void popoverControllerDidDismissPopover(UIPopoverController& popover) override;

    // ---- the popover stack ----
    UIView* popoverViewForController(UIPopoverController* popover) const;
    std::vector<UIView*> popoverPassthroughViews() const;
    void addPopoverToStack(UIPopoverController* popover, CGRect normalisedRect);
    // A rectangle of `view` in the big button's coordinates (zero without a view).
    CGRect normalisedRectForRect(CGRect rect, UIView* view) const;
    // Spreads the popovers over the space right of the first one's anchor
    // (see the .cpp for the formula).
    void rearrangePopoversWithForce(bool force, bool leaveGap);
    // Dim amounts by depth: 0 on top, 0.2 below it, 0.6 deeper.
    void dimPopovers();
    void clearPopover(UIPopoverController* popover);
    void clearLastPopover();
    void clearAllPopoversAndTellClient(bool tell);

    // ---- bar and layout ----
    void useNavBarWithLeftSkin(const std::string& leftSkin, const std::string& bottomSkin);
    // Intercept: the root covers the screen (popovers open); otherwise it
    // shrinks to the bar, placed by the device orientation and mode.
    void updateMainViewShouldIntercept(bool intercept, bool opaque);
    // The root view's origin while it only holds the bar of size `bar`.
    CGPoint rootOriginForBarSize(CGSize bar) const;
    void setPadTabPosition(int position);
    void setBackButtonDisabled(bool disabled, bool lazy);
    // A tap on the big button (outside every popover).
    void do_bigButton();
    // The left bar slides out; `done` runs on the next loop turn after it.
    // Without a bar nothing happens.
    void animatePadBarOutOfViewAndTell(std::function<void()> done) override;

    // ---- skins and tabs ----
    // An item of the left bar's skin; nothing with isLeft NO.
    Value skinItemForId(const std::string& itemId, bool isLeft) const;
    Value skinObjectForKey(const std::string& key, const std::string& itemId, bool isLeft) const;
    // Service base + the tab's "href" in the left bar (bar position 1 only).
    std::optional<std::string> tabUrlStringForTabId(const std::string& tabId) const;
    // The same in a named skin of the theme.
    static std::optional<std::string> tabUrlStringForTabId(const std::string& tabId, const std::string& skinId);
    std::optional<std::string> defaultTabUrlString() const;
    void skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId, const std::string& itemType,
                                  const Value& themeUrl) override;

    // ---- session telling ----
    void tellClientiPadPopoversActivated();
    void tellClientiPadPopoversDeactivated();

    // ---- modes ----
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId) override;
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId, const std::string& url) override;
    void activateBasicNavUiWithTab(bool tab) override;
    void activateBasicNavUiWithTab(bool tab, const std::string& url) override;
    void activateWithDefaultTabId(const std::string& tabId, const std::optional<std::string>& url,
                                  bool loginRequired) override;
    std::optional<std::string> navigationDescriptionUrl() const override;
    void navigationDescriptionUpdated(const Ref<CCUIDescription>& description) override;

    // ---- rotation (the session passes the platform's on to its full UI) ----
    void willRotateToInterfaceOrientation(int orientation, double durationSeconds) override;
    void didRotateFromInterfaceOrientation(int previousOrientation) override;

    // ---- incoming notice and pictures ----
    void displayIncomingPushNotice(const std::string& text, const std::string& url,
                                   const std::string& tabId) override;
    void alertViewClickedButtonAtIndex(AlertView& alert, int index) override;
    void initiateImagePickerWithType(int sourceType, const std::string& url, CGRect rect, UIView* view) override;
    void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController& picker,
                                                            const UIImagePickerMediaInfo& info) override;
    void imagePickerControllerDidCancel(UIImagePickerController& picker) override;

    // ---- the way back for a social-network connector ----
    // Reloads the Twitter settings page.
    void twitterSessionRequiredPageRefresh();
    // Reloads the page shown in the top popover; nothing without one.
    void facebookSessionRequiredPageRefresh();
    void twitterSessionRequiredPageRefreshWithUrl(const std::string& url);
    void facebookSessionRequiredPageRefreshWithUrl(const std::string& url);
    // Opens the page a log-in leads to.
    void twitterUserLogin(const std::string& url);
    void facebookUserLogin(const std::string& url);

    void loadView() override;
    void viewDidLoad() override;

private:
    CCPadTabController() = default;

    bool isStatusBarTheme() const;
    int deviceOrientation() const;
    void placeRoot(CGPoint origin, CGSize size);
    void reachabilityChanged();
    void selectFirstPage();
    void delayedViewDidLoad();
    void openTabPage(const std::string& tabId, const std::string& path);
    void doOpenLastPopoverForOrientationChange();
    void startBasicMode(const std::string& url, bool pushOnSplash);
    void deactivateUi();
    void tellClient(bool activated);
    Ref<CCUIDescription> pageForUrl(const std::string& url) const;
    CGRect anchorRectForTab(const std::optional<std::string>& tabId, bool stacking, std::optional<std::string>& pressed);
    void setDepressedTab(const std::string& tabId) override;
    void releaseContentOf(UIPopoverController* popover);
    void refreshPassthroughViews();
    void cleanUp();

    std::optional<std::string> defaultTabId_;
    std::optional<std::string> pendingUrlString_;

    Ref<CCSkinnedView> leftBarView_;
    Ref<CCSkinnedView> outgoingBarView_;
    Value leftBarSkin_;
    Ref<CCUIDescription> pendingUIDescription_;
    std::vector<PopoverRecord> popoverInfoStack_;
    int currentPadTabPosition_ = 1;
    bool tabViewGotButton_ = false;
    bool popoversActivatedBuffer_ = false;
    bool recreatePopoverPostOrientation_ = false;
    std::optional<std::string> urlPostOrientation_;
    UIView* previousRectView_ = nullptr;
    CGRect previousRectRect_ {0, 0, 0, 0};
    float firstPopoverNormalisedX_ = 0;
    float lastPopoverShift_ = 0;
    float firstPopoverGap_ = 0;
    Ref<UIPopoverController> lastPopoverAdded_;
    Ref<CCEventButton> bigButton_;
    std::function<void()> animateOutDone_;
    Ref<AlertView> incomingAlert_;
    std::string pendingImageUrl_;
    Ref<NSTimer> reopenTimer_;
    // Expires with the controller: animation callbacks check it instead of
    // holding the controller.
    std::shared_ptr<int> lifeToken_ = std::make_shared<int>(0);
};

} // namespace mw
