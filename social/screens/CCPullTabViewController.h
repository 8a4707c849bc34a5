#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/NSTimer.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/screens/CCPageNavControllers.h"
#include "social/screens/CCPullTabViewControllerDelegate.h"
#include "social/screens/CCSkinnedView.h"
#include "social/ui/UIImagePickerController.h"
#include "social/ui/UIPopoverController.h"
#include "social/ui/UIView.h"

namespace mw {

class CCGenericTableViewController;
class CCImagePickerUnderlay;
class CCUIDescription;
class Image;
class Notification;

// The pull tab's container: transparent to touches except over its visible
// subviews (the tab strips), so the game beneath gets every other touch.
class CCPullTabView : public UIView {
public:
    using UIView::UIView;
    bool pointInside(CGPoint point) const override;
};

// The compact social screen: a themed strip of tabs fixed to one screen edge
// over the running game, which slides out in steps (state 0 off screen, 1
// the tab strip only, 2 the strip and one news banner row, 3 the strip and a
// whole page) and carries the page stack of its tabs. The session makes one,
// holds it while it exists and lets it go when it reports its deactivation.
//
// Geometry comes from the theme: the configuration skin (per device: the
// page area "contentwidth" x "contentheight", "bordersize" + "tabsize" = the
// strip's border B, the translation of each state, the keyboard numbers),
// the overlay position skin (a strip rectangle per orientation) and the two
// strip skins (the tabs). Missing or non-numeric numbers count as 0.
//
// The shown page lives inside the visible strip, so it moves with it; a
// pushed page slides in over it ("incomingview", 0.4 s) and replaces it at
// the end. Delayed work (banner steps, the lite banner's close, the opening
// of a tab page on the next loop turn) is cancelled at clean-up. Main thread.
class CCPullTabViewController : public CCTabPagesNavController,
                                public CCSkinnedViewDelegate,
                                public UIImagePickerControllerDelegate,
                                public UIPopoverControllerDelegate {
public:
    enum State { kStateOffscreen = 0, kStateTabVisible = 1, kStateNews = 2, kStateFullVisibility = 3 };
    enum Edge { kEdgeBottom = 0, kEdgeRight = 1, kEdgeTop = 2, kEdgeLeft = 3 };
    // A push animation other than none and back slides in as forward.
    // Seconds a banner shows when its page gives no positive delay.
    static constexpr double kDefaultBannerDelay = 5.0;

    // Makes the controller in state 0 and adds its view to parentView (which
    // builds the strips and opens the first tab or moves to initialState).
    // landscapeSkin and portraitSkin are the strips' skin paths; frameData
    // the overlay position skin, configData the configuration skin (both
    // whole: the device's part is chosen here). The parent view is not
    // retained.
    static Ref<CCPullTabViewController> create(CCPullTabViewControllerDelegate* delegate,
                                               const std::string& landscapeSkin, const std::string& portraitSkin,
                                               UIView* parentView, int fromEdge, int initialState, Value frameData,
                                               Value configData);
    ~CCPullTabViewController() override;

    // ---- the session's calls ----
    bool twoStageMode() const { return twoStageMode_; }
    void setTwoStageMode(bool on) { twoStageMode_ = on; }
    int fromEdge() const { return fromEdge_; }
    void setFromEdge(int edge) { fromEdge_ = edge; }
    const Value& configData() const { return configData_; }
    void setConfigData(Value config) { configData_ = std::move(config); }
    const std::string& minsSinceInstall() const { return minsSinceInstall_; }
    void setMinsSinceInstall(std::string minutes) { minsSinceInstall_ = std::move(minutes); }
    const std::string& lastBannerId() const { return lastBannerId_; }
    void setLastBannerId(std::string id) { lastBannerId_ = std::move(id); }

    // Slides the strip off screen (0.15 s) when animated and not in state
    // 0, then removes the page and tells the delegate; in state 0 without a
    // page nothing happens; otherwise the removal happens at once.
    void deactivateWithAnimation(bool animated);
    // Closes to the tab strip (state 1) in 0.15 s.
    void resetLumoraPullTabState();
    // Moves out of state 0 one step (to the initial state).
    void showPullTab();
    // One step of the state table (a tap on the selected tab).
    void changeState();
    void changeStateFrom(int from, int to, double duration, const std::string& animationName);

    // ---- state, for the owner and tests ----
    int state() const { return state_; }
    int initialState() const { return initialState_; }
    const std::string& portraitSkinName() const { return portraitPullTabLaunchString_; }
    const std::string& landscapeSkinName() const { return landscapePullTabLaunchString_; }
    // Every state change made, in order (what moved, how long and under
    // which animation name).
    struct StateChange {
        int from;
        int to;
        double duration;
        std::string name;
    };
    const std::vector<StateChange>& stateChanges() const { return stateChanges_; }
    CGPoint offset() const { return offset_; }
    CGPoint keyboardViewOffset() const { return keyboardViewOffset_; }
    float keyboardSquishAmount() const { return keyboardSquishAmount_; }
    int currentBannerRow() const { return currentBannerRow_; }
    const Value& bannerOverrides() const { return bannerOverrides_; }
    bool userScrollEnabled() const { return userScrollEnabled_; }
    bool isDragging() const { return isDragging_; }
    CCSkinnedView* portraitPullTabView() const { return portraitPullTabView_.get(); }
    CCSkinnedView* landscapePullTabView() const { return landscapePullTabView_.get(); }
    // The strip shown in the current orientation (null without strips).
    CCSkinnedView* visiblePullTabView() const;
    UIView* portraitOverlay() const { return portraitOverlay_; }
    UIView* landscapeOverlay() const { return landscapeOverlay_; }
    bool hasPendingBannerStep() const;
    bool hasPendingReset() const;

    // ---- theme data ----
    Value configDataFromThemeFile() const;
    CGRect contentRectFromThemeFile() const;
    float borderSizeFromThemeFile() const;
    float tabSizeFromThemeFile() const;
    float borderAndTabSizeFromThemeFile() const;
    Value translationsFromThemeFile() const;
    // A translation by its state name; 0 when missing or not a number.
    float translation(const char* name) const;
    Value keyboardDataFromThemeFileForOrientation(int orientation) const;
    CGRect rectForOrientation(int orientation) const;
    CGRect rectFromThemeFileWithOrientation(const std::string& frameId) const;
    // The item of that id in the portrait or landscape strip skin (with the
    // suffix appended to the skin path); null when skin or item is missing.
    Value skinItemForId(const std::string& itemId, bool portrait, const std::string& suffix = "") const;

    // ---- geometry ----
    // How far the strips stand out of their edge in a state, as the vector
    // the strips are moved by minus.
    CGPoint offsetForState(int state) const;
    // The page's transform: shown (YES) or pushed out of view (NO).
    CGAffineTransform transformForAnimation(bool shown) const;
    // The height the keyboard takes off the page (0 on a tablet or without a page).
    float keyboardSquishAmountForTableView() const;

    // ---- the news banner ----
    // Entries {"elementIndex", "height", "delay", "bannerType"[, "bannerId"]}
    // for the banners of a news page's group 0; null for any other page.
    Value bannerOverridesFromCurrentUiDescription(CCUIDescription* description) override;
    void setBannerOverrides(const Value& overrides) override { bannerOverrides_ = overrides; }
    double bannerItemDelay() const;
    float getHeightOfCurrentRow() const;
    void setHeightAndTransformForBanner();
    void initBannerScroll();
    void endBannerScroll();
    void doBannerScroll();
    bool canDoScroll() const;

    // ---- keyboard and rotation (the notifications' handlers) ----
    void keyboardWillAppear(const Notification& notification);
    void keyboardWillDisappear(const Notification& notification);
    void closeKeyboard();
    void willRotate() override;
    void didRotate() override;

    // ---- the strips as their delegate ----
    void skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId, const std::string& itemType,
                                  const Value& themeUrl) override;
    std::optional<std::string> normalImageForTabOrButton(const Value& item, const std::string& itemId) override;
    std::optional<std::string> depressedImageForTabOrButton(const Value& item, const std::string& itemId) override;
    void setBackButtonDisabled(bool disabled, bool lazy);

    // ---- tab pages ----
    void doDoOpenUrlOnTab(const std::string& path) override;
    // The query of a tab page: the news figures for "newsfeed.cuid", else
    // "inTabbedView" = "1".
    Value paramDictionary(const std::string& path) const;
    // The page address for a tab path.
    std::string tabPageUrl(const std::string& path) const;
    void pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId, int animation,
                  bool noStackPush) override;
    using CCNavControllerBase::pushView;
    void popViewWithAnimation(int animation) override;
    void doEndAnimations() override;
    // {"href", "id"} of the first tab / of the tab with that id; null when none.
    Value findFirstTabUrlAndId() const override;
    Value findTabUrlForId(const std::string& tabId) const;
    void prefetchUrls();
    void userSignedInChange();

    // ---- CCNavControllerBase ----
    void initiateImagePickerWithType(int sourceType, const std::string& url, CGRect rect, UIView* view) override;
    void listItemSelectedNotification(const Notification& notification) override;
    void fetchUpdateNotification(const Notification& notification) override;
    // A picked picture: posted as the player's image to the pending address
    // (the tablet's popover closes once it is); the phone's underlay is
    // dismissed and dropped 2 s later.
    void imagePicked(const Image* image);
    // The tablet's picker is shown in this popover.
    UIPopoverController* imagePickerPopover() const { return imagePickerPopover_.get(); }
    void closeImagePicker();
    void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController& picker,
                                                            const UIImagePickerMediaInfo& info) override;
    void imagePickerControllerDidCancel(UIImagePickerController& picker) override;
    void popoverControllerDidDismissPopover(UIPopoverController& popover) override;

    // ---- CCMainNavControllerInterface (the pages' calls) ----
    bool isPullTabController() const override { return true; }
    // Pops with animation 4; leaving state 3 later goes to the news state.
    void genericTableViewControllerGotBackNav() override;
    bool answersPrefetch() const override { return true; }
    void prefetchUrlLoaded() override;
    void noPrefetchUrlsToLoad() override;
    void genericTableViewControllerScrollViewWillBeginDragging(CCGenericTableViewController&) override;
    void genericTableViewControllerScrollViewDidEndDragging(CCGenericTableViewController&, bool decelerate) override;
    void genericTableViewControllerScrollViewDidEndDecelerating(CCGenericTableViewController&) override;

    void loadView() override;

private:
    CCPullTabViewController() = default;

    CGRect screenBounds() const;
    void usePullTabWithPortraitSkin();
    void attachOverlay();
    void bringOverlaysToFront();
    void translateStrips(CGPoint by);
    void redrawStrips();
    void pullTabStateChangeComplete(const std::string& name);
    void scheduleBannerStep();
    void doDeactivation();
    void tellOwnerDeactivated() override;
    // Also forgets the page description.
    void removePrimaryView() override;
    void cleanUp() override;
    void reviseInitialState(const CCUIDescription* page);
    void disableNewsfeedScrolling();
    void setDepressedTab(const std::string& tabId) override;
    // A phone's only page failed: the strip closes to the tab (0.1 s).
    void onlyPageFailedToLoad() override;

    CCPullTabViewControllerDelegate* delegate_ = nullptr;
    UIView* parentView_ = nullptr;
    UIView* portraitOverlay_ = nullptr;
    UIView* landscapeOverlay_ = nullptr;
    int state_ = kStateOffscreen;
    int initialState_ = kStateTabVisible;
    CGPoint offset_ {0, 0};
    CGPoint keyboardViewOffset_ {0, 0};
    float keyboardSquishAmount_ = 0;
    std::string portraitPullTabLaunchString_;
    std::string landscapePullTabLaunchString_;
    Ref<CCSkinnedView> portraitPullTabView_;
    Ref<CCSkinnedView> landscapePullTabView_;
    Value portraitSkin_;
    Value landscapeSkin_;
    Ref<UIPopoverController> imagePickerPopover_;
    void dismissImagePickerUnderlay();
    CCSkinnedView* currentEditingItem_ = nullptr;
    int fromEdge_ = kEdgeBottom;
    bool twoStageMode_ = false;
    int currentBannerRow_ = 0;
    Value frameData_;
    bool isDragging_ = false;
    Value bannerOverrides_;
    bool bannerTouchActivation_ = false;
    bool backButtonPressed_ = false;
    bool userScrollEnabled_ = true;
    Value configData_;
    std::string minsSinceInstall_;
    std::string lastBannerId_;
    std::vector<StateChange> stateChanges_;
    Ref<NSTimer> bannerTimer_;
    Ref<NSTimer> resetTimer_;
};

} // namespace mw
