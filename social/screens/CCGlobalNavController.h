#pragma once

#include <optional>
#include <string>

#include "foundation/Geometry.h"
#include "foundation/NSTimer.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/screens/CCFullUiModes.h"
#include "social/screens/CCModalControllers.h"
#include "social/screens/CCPageNavControllers.h"
#include "social/screens/CCSkinnedView.h"
#include "social/ui/UIControls.h"
#include "social/ui/UIImagePickerController.h"

namespace mw {

class CCImagePickerUnderlay;
class CCScreenSession;
class CCUIDescription;
class Notification;

// The phone's full-screen social UI: one page at a time (a table page in a
// 320 × 320 area) with skinned bars around it, laid out for the 320 × 480
// point screen (480 × 320 in landscape, the root view turned by the
// session's workaround transform). Two modes: the main mode ("globalnav"
// bars, every tab) and the basic, signed-out mode ("basicnav" bars; in
// themes with status-bar skins, the basic status bars and a banner instead).
// Pages slide in and out by the animation kinds of the navigation base and
// keep a history with each page's scroll offset.
//
// The session makes one when the full UI opens on a phone, adds its view to
// the top window and lets it go when the UI closes. Closing the UI is the
// session's business: the controller asks for it through the session's
// deactivateLumoraUI screen hook. Work handed to a later run-loop turn (the
// tab switch, the picker start, the basic mode's fetch restart, the picker
// underlay's removal) is cancelled at clean-up. Main thread.
class CCGlobalNavController : public CCSinglePageNavController,
                              public CCFullUiModes,
                              public CCSkinnedViewDelegate,
                              public CCModalViewDelegate,
                              public UIImagePickerControllerDelegate {
public:
    // The page area's origin in landscape: beside the 160-point navigation
    // bar, or beside the 115-point status bar of status-bar themes.
    static constexpr float kLandscapePageX = 160;
    static constexpr float kLandscapePageXStatusBar = 115;
    // Seconds after the picker closes before its underlay goes.
    static constexpr double kUnderlayClearDelay = 2.0;

    // Keeps the tab; with login required `url` becomes the main mode's
    // first page, else the basic mode's (and, when it is absent or names
    // "logout", the day's first activation is counted again). Logs the
    // tab's use and listens for reachability changes. The view (and with it
    // the mode) is made on first use.
    static Ref<CCGlobalNavController> create(const std::string& tabId, const std::optional<std::string>& url,
                                             bool loginRequired);
    static Ref<CCGlobalNavController> create(const std::string& tabId, const std::optional<std::string>& url)
    {
        return create(tabId, url, true);
    }
    static Ref<CCGlobalNavController> create(const std::string& tabId) { return create(tabId, std::nullopt, true); }
    ~CCGlobalNavController() override;

    // Drops pages, bars, dialogs and pending work and stops listening; the
    // view leaves its window. Called by the destructor; the session may call
    // it earlier. Later calls do nothing.
    void cleanUp();

    // ---- state, for the owner and tests ----
    bool keyboardIsOut() const { return keyboardIsOut_; }
    const std::string& defaultTabId() const { return defaultTabId_; }
    const std::optional<std::string>& pendingUrlString() const { return pendingUrlString_; }
    const std::optional<std::string>& pendingTabId() const { return pendingTabId_; }
    int pendingImagePickerType() const { return pendingImagePickerType_; }
    CCSkinnedView* portraitNavBarView() const { return portraitNavBarView_.get(); }
    CCSkinnedView* landscapeNavBarView() const { return landscapeNavBarView_.get(); }
    CCSkinnedView* portraitStatusBarView() const { return portraitStatusBarView_.get(); }
    CCSkinnedView* landscapeStatusBarView() const { return landscapeStatusBarView_.get(); }
    CCSkinnedView* portraitBasicNavBannerView() const { return portraitBasicNavBannerView_.get(); }
    CCSkinnedView* landscapeBasicNavBannerView() const { return landscapeBasicNavBannerView_.get(); }
    CCModalViewController* modalViewController() const { return modalViewController_.get(); }
    CCImagePickerUnderlay* imagePickerUnderlay() const { return imagePickerUnderlay_.get(); }
    UIView* containerView() const { return containerView_.get(); }
    UIImageView* backgroundImageView() const { return imageView_.get(); }
    // Where pages go: the container in status-bar themes, else the root view.
    UIView* pageHolder();

    // ---- geometry (points of the root view) ----
    CGRect rectForBeforeAnimation(int kind);
    CGRect rectForAfterAnimation(int kind);
    // The page area for the current orientation and keyboard state.
    CGRect pageRect();

    // ---- skins and tabs ----
    // The first item of the skin's "items" whose "id" equals `itemId`; null if none.
    static Value skinItemForId(const std::string& itemId, const Value& skin);
    // The same in the portrait or landscape navigation-bar skin.
    Value skinItemForId(const std::string& itemId, bool portrait) const;
    static Value skinObjectForKey(const std::string& key, const std::string& itemId, const Value& skin);
    Value skinObjectForKey(const std::string& key, const std::string& itemId, bool portrait) const;
    // The service base URL + the tab's "href" in the current orientation's
    // navigation-bar skin (or the skin given); none when "href" is not text.
    std::optional<std::string> tabUrlStringForTabId(const std::string& tabId) const;
    static std::optional<std::string> tabUrlStringForTabId(const std::string& tabId, const Value& skin);
    std::optional<std::string> defaultTabUrlString() const;
    std::optional<std::string> defaultTabUrlStringInSkin(const Value& skin) const;
    std::optional<std::string> defaultTabPathStringInSkin(const Value& skin) const;

    // ---- bars ----
    void useNavBarWithPortraitSkin(const std::string& portraitSkin, const std::string& landscapeSkin);
    void useStatusBarWithPortraitSkin(const std::string& portraitSkin, CGRect portraitRect,
                                      const std::string& landscapeSkin);
    void useLandscapeBasicNavBannerWithPortraitSkin(const std::string& portraitSkin,
                                                    const std::string& landscapeSkin);
    // Greys ("backbutton") or restores ("") the Back button of the status
    // bars in status-bar themes, else of the navigation bars; lazily: not
    // when the bars already show it.
    void setBackButtonDisabled(bool disabled, bool lazy);

    // ---- CCNavControllerBase ----
    void loadView() override;
    void pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId, int animation,
                  bool noStackPush) override;
    using CCNavControllerBase::pushView;
    void popViewWithAnimation(int animation) override;
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId) override;
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId, const std::string& url) override;
    void activateBasicNavUiWithTab(bool tab) override;
    void activateBasicNavUiWithTab(bool tab, const std::string& url) override;
    // A second activation while the UI is up changes nothing on the phone.
    void activateWithDefaultTabId(const std::string& tabId, const std::optional<std::string>& url,
                                  bool loginRequired) override
    {
    }
    void initiateImagePickerWithType(int sourceType, const std::string& url, CGRect rect, UIView* view) override;
    std::optional<std::string> navigationDescriptionUrl() const override;
    void navigationDescriptionUpdated(const Ref<CCUIDescription>& description) override;
    void displayIncomingPushNotice(const std::string& text, const std::string& url,
                                   const std::string& tabId) override;

    // ---- CCMainNavControllerInterface (the pages' calls) ----
    void genericTableViewControllerFailedToLoadPage(CCGenericTableViewController&) override;
    void loadUiDescription() override;

    // ---- delegates ----
    void skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId, const std::string& itemType,
                                  const Value& themeUrl) override;
    void modalViewControllerButtonPressed(CCModalViewController& controller, const std::string& buttonId) override;
    void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController& picker,
                                                            const UIImagePickerMediaInfo& info) override;
    void imagePickerControllerDidCancel(UIImagePickerController& picker) override;

    // ---- keyboard, rotation, reachability ----
    void keyboardWillAppearNotification(const Notification& notification);
    void keyboardWillDisappearNotification(const Notification& notification);
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;
    void willRotateToInterfaceOrientation(int orientation, double durationSeconds) override;
    void didRotateFromInterfaceOrientation(int previousOrientation) override;
    void reachabilityChanged(const Notification& notification);
    // The picker's clean-up, 2 s after it closed (public for the timer and tests).
    void clearUnderlayTimerMethod();

    // ---- social-network log-in entry points ----
    // Reload the page shown (nothing without one), fresh from the service,
    // in its place (animation 0, no history entry).
    void twitterSessionRequiredPageRefresh();
    void facebookSessionRequiredPageRefresh();
    // Reload `url` in place, only while a table page is shown.
    void twitterSessionRequiredPageRefreshWithUrl(const std::string& url);
    void facebookSessionRequiredPageRefreshWithUrl(const std::string& url);
    // Open `url` after a completed log-in, queued for fetching at priority
    // 10, in place of the page shown.
    void twitterUserLogin(const std::string& url);
    void facebookUserLogin(const std::string& url);

private:
    CCGlobalNavController() = default;

    static CCScreenSession* session();
    bool isPad() const;
    bool isLandscape() const;
    bool statusBarTheme() const;
    float landscapePageX() const;
    CGRect rootBounds() const;
    void layOutRootView();
    Value navigationElement() const;
    Ref<CCSkinnedView> makeBar(const Value& skin, CGRect frame);
    void removeBar(Ref<CCSkinnedView>& bar);
    void showBarsForOrientation();
    void redrawBars();
    void setDepressedTab(const std::string& tabId) override;
    void setBackgroundImage(bool global);
    Ref<CCUIDescription> pageRecordForUrl(const std::string& url) const;
    void pushFirstPage(const std::optional<std::string>& url);
    void setPrimaryViewControllerNil();
    void incomingAnimationDidStop();
    void openTabPage(const std::string& path);
    void deactivateUi();
    void dismissModal();
    void pickerClosed();

    Ref<CCSkinnedView> portraitNavBarView_;
    Ref<CCSkinnedView> landscapeNavBarView_;
    Ref<CCSkinnedView> portraitStatusBarView_;
    Ref<CCSkinnedView> landscapeStatusBarView_;
    Ref<CCSkinnedView> portraitBasicNavBannerView_;
    Ref<CCSkinnedView> landscapeBasicNavBannerView_;
    Ref<CCImagePickerUnderlay> imagePickerUnderlay_;
    Ref<CCModalViewController> modalViewController_;
    Ref<UIView> containerView_;
    Ref<UIImageView> imageView_;
    bool keyboardIsOut_ = false;
    Value navBarPortraitSkin_;
    Value navBarLandscapeSkin_;
    Value statusBarPortraitSkin_;
    Value statusBarLandscapeSkin_;
    Value navBannerBasicPortraitSkin_;
    Value navBannerBasicLandscapeSkin_;
    std::string defaultTabId_;
    std::optional<std::string> pendingUrlString_;
    std::optional<std::string> pendingTabId_;
    int pendingImagePickerType_ = 0;
    Ref<NSTimer> underlayTimer_;
    NotificationCenter::ObserverId reachabilityObserver_ = 0;
    NotificationCenter::ObserverId keyboardAppearObserver_ = 0;
    NotificationCenter::ObserverId keyboardDisappearObserver_ = 0;
};

} // namespace mw
