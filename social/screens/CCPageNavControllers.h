#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Geometry.h"
#include "foundation/NSTimer.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/screens/CCNavControllerBase.h"

namespace mw {

class CCGenericTableViewController;
class CCImagePickerUnderlay;
class CCUIDescription;
class Notification;

// The base of the controllers that show one table page at a time while the
// next one slides in over it (the phone's full screen, the pull tab, the
// embedded view): the page shown, the page coming in, and the pages' calls
// that all of them answer the same way, on the page shown. Main thread.
class CCSinglePageNavController : public CCNavControllerBase {
public:
    CCGenericTableViewController* primaryViewController() const { return primaryViewController_.get(); }
    CCGenericTableViewController* incomingViewController() const { return incomingViewController_.get(); }

    // The shown page's description; null without a page.
    CCUIDescription* currentDisplayedUiDescription() override;
    // Shown by the page shown; nothing without one.
    void displayDialogWithUiDescription(CCUIDescription* description, CCModalViewDelegate* delegate) override;
    // The shown page's scroll offset; (0, 0) without a page.
    CGPoint getCurrentRowOffset() override;
    void clearTopTableSelection() override;
    CCGenericTableViewController* shownTablePage() override { return primaryViewController_.get(); }

protected:
    // Takes a page off the screen, tells it it goes and lets it go.
    static void letPageGo(Ref<CCGenericTableViewController>& page);
    // The same for a page still coming in.
    void dropIncomingPage() { letPageGo(incomingViewController_); }
    // Scrolls the page a push has just made (the incoming one while it
    // slides in, else the shown one) to `offset`: where a popped page was left.
    void scrollPushedPageTo(CGPoint offset);

    Ref<CCGenericTableViewController> primaryViewController_;
    Ref<CCGenericTableViewController> incomingViewController_;
    // Expires with the controller: animation callbacks check it (and the
    // generation) instead of holding the controller, which holds their views.
    std::shared_ptr<int> lifeToken_ = std::make_shared<int>(0);
};

// The base of the pull tab and the embedded view: one stack of pages opened
// from tabs under the service's page base, with the same pushes, pops, tab
// openings, link rules, sign-in changes and page callbacks. A pushed page is
// built as the incoming page and replaces the shown one when its 0.4 s
// "incomingview" animation ends (on the next loop turn for animation 0).
// What each shows around the pages (strips and states, or a plain holder)
// is the subclass's. Main thread.
class CCTabPagesNavController : public CCSinglePageNavController {
public:
    // Push animations: none, forward (the new page slides in), back (the
    // old page slides out over the new one).
    enum Animation { kAnimationNone = 0, kAnimationForward = 2, kAnimationBack = 4 };

    // ---- fields ----
    // The page last pushed (or loaded for the page shown).
    CCUIDescription* currentUIDescription() const { return currentUIDescription_.get(); }
    // With an id set, the leaderboard tab's page opens the global
    // leaderboard for it.
    const std::string& leaderboardId() const { return leaderboardId_; }
    void setLeaderboardId(std::string id) { leaderboardId_ = std::move(id); }
    // Where a picked picture is posted, and the picture source asked for.
    const std::string& pendingUrlString() const { return pendingUrlString_; }
    int pendingImagePickerType() const { return pendingImagePickerType_; }
    // The phone's picker sits on this underlay over the whole window.
    CCImagePickerUnderlay* imagePickerUnderlay() const { return imagePickerUnderlay_.get(); }

    // The session's orientation lock list: any orientation when it is empty.
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;

    // ---- pages ----
    // Opens a tab's page (its path under the page base) on the next loop turn.
    void doOpenUrlOnTab(const std::string& path);
    virtual void doDoOpenUrlOnTab(const std::string& path) = 0;
    // Puts the incoming page in place of the shown one.
    virtual void doEndAnimations();
    // Takes the shown page off the screen and lets it go.
    virtual void removePrimaryView();
    // {"href", "id"} of the first tab; null when there is none.
    virtual Value findFirstTabUrlAndId() const = 0;
    // Fetches the page last pushed again (priority 400).
    void loadUiDescription() override;

    // ---- sign-in changes and modes ----
    // The tab's page at `url` (its tabbed form when cached) in place, without animation.
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId, const std::string& url) override;
    // The first tab's page, fresh: the history emptied, its address out of the cache.
    void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId) override;
    void activateBasicNavUiWithTab(bool tab) override;
    // Signed out: the fetch manager cleared and stopped, the day's first
    // activation counted again, then `url` fresh on the first tab.
    void activateBasicNavUiWithTab(bool tab, const std::string& url) override;

    // ---- the pages' calls ----
    bool answersGotBackNav() const override { return true; }
    // The page's own Back: pops with animation 4.
    void genericTableViewControllerGotBackNav() override;
    // A tablet pops without animation; a phone pops with animation 4, or
    // with one page only calls onlyPageFailedToLoad.
    void genericTableViewControllerFailedToLoadPage(CCGenericTableViewController&) override;

    // The session's orientation notices: before the turn, and after it.
    virtual void willRotate() = 0;
    virtual void didRotate() = 0;

protected:
    static bool isPad();
    static int orientation();
    static bool isLandscape(int orientation) { return orientation == 3 || orientation == 4; }

    // The end of a deactivation: the shown page goes, a redirect in progress
    // ends, the controller cleans up, and then its owner hears of it (the
    // controller is held until the call returns).
    void finishDeactivation();
    // Drops pages, views and pending work and stops listening; later calls
    // do nothing.
    virtual void cleanUp() = 0;
    // Tells the owner, once, that the controller has closed.
    virtual void tellOwnerDeactivated() = 0;
    // Listens for the session's orientation notices, then adds the view to
    // `parentView` (which builds it; without a parent it is built alone).
    void observeRotationAndShowIn(UIView* parentView);
    // The page on a phone with nothing to go back to failed to load.
    virtual void onlyPageFailedToLoad() = 0;
    // The controller's own page records (a tab's pages, its pops, the
    // leaderboard substitute, the guest activation) are tab pages, which
    // their fetch tells the service (the tab header); pages the navigation
    // base makes for tapped links stay stack pages.
    static Ref<CCUIDescription> tabPageRecord(const std::string& url);
    // The fetch manager's page for `url`, else a new tab page record.
    Ref<CCUIDescription> pageForUrl(const std::string& url) const;
    // With a leaderboard id set, the tabbed leaderboard page becomes the
    // global leaderboard page for that id; any other page stays. Null when
    // the substitute makes no address.
    Ref<CCUIDescription> leaderboardSubstitute(const Ref<CCUIDescription>& page) const;
    // Opens the 0.4 s "incomingview" animation block of a push; its end
    // queues doEndAnimations. The caller sets what moves and commits it.
    void beginIncomingAnimation();
    // The push without animation: doEndAnimations on the next loop turn.
    void endPushOnNextTurn();
    // The heart of a pop, once the top item is gone: the page of the item
    // now on top is pushed again (its item re-added by the push) on the
    // selected tab and scrolled to where it was left.
    void pushPreviousPage(int animation);
    // 2 s after the picker closed (a later call restarts the wait): the
    // underlay leaves the window and goes, the shown page's selection is
    // cleared, then `afterwards` runs (when given).
    void clearUnderlaySoon(std::function<void()> afterwards);
    // Hands a tapped link to the base's dispatch; a link that holds "https:"
    // exactly once gets "inTabbedView" = "1".
    void forwardTappedLink(const Notification& notification, CCTableLinkInfo info);

    Ref<CCUIDescription> currentUIDescription_;
    std::string leaderboardId_;
    std::string pendingUrlString_;
    int pendingImagePickerType_ = 0;
    Ref<CCImagePickerUnderlay> imagePickerUnderlay_;
    Ref<NSTimer> underlayTimer_;
};

} // namespace mw
