#pragma once

#include <string>

#include "foundation/Geometry.h"
#include "foundation/NSTimer.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/CCMainNavControllerInterface.h"
#include "social/CCSkinnedView.h"
#include "social/ui/UIView.h"
#include "social/ui/UIViewController.h"

namespace mw {

class CCGenericTableViewController;
class CCUIDescription;
class Notification;

// What the pull tab tells the object that made it (the session).
class CCPullTabViewControllerDelegate {
public:
    virtual ~CCPullTabViewControllerDelegate() = default;
    // The pull tab has left the screen; the owner lets it go now (the
    // controller keeps itself alive until this call returns).
    virtual void onPullTabViewControllerDeactivated() = 0;
};

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
// Main thread.
class CCPullTabViewController : public UIViewControllerBase,
                                public CCMainNavControllerInterface,
                                public CCSkinnedViewDelegate {
public:
    enum State { kStateOffscreen = 0, kStateTabVisible = 1, kStateNews = 2, kStateFullVisibility = 3 };
    enum Edge { kEdgeBottom = 0, kEdgeRight = 1, kEdgeTop = 2, kEdgeLeft = 3 };
    // Push animations: none, forward (the new page slides in), back (the old
    // page slides out over the new one).
    enum Animation { kAnimationNone = 0, kAnimationForward = 2, kAnimationBack = 4 };

    // Makes the controller in state 0 and adds its view to parentView (which
    // builds the strips and opens the first tab or moves to initialState).
    // landscapeSkin and portraitSkin are the strips' skin names; frameData
    // the overlay position skin, configData the configuration skin's
    // per-device dictionary. The parent view is not retained.
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
    const std::string& leaderboardId() const { return leaderboardId_; }
    void setLeaderboardId(std::string id) { leaderboardId_ = std::move(id); }
    const Value& configData() const { return configData_; }
    void setConfigData(Value config) { configData_ = std::move(config); }
    const std::string& minsSinceInstall() const { return minsSinceInstall_; }
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

    int state() const { return state_; }
    int initialState() const { return initialState_; }

    // ---- CCSkinnedViewDelegate (the tab strips) ----
    void skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId, const std::string& itemType,
                                  const Value& themeUrl) override;

    // ---- CCMainNavControllerInterface ----
    bool isPullTabController() const override { return true; }

    void loadView() override;

private:
    CCPullTabViewController() = default;

    CCPullTabViewControllerDelegate* delegate_ = nullptr;
    UIView* parentView_ = nullptr;
    std::string landscapeSkinName_;
    std::string portraitSkinName_;
    Value frameData_;
    Value configData_;
    int fromEdge_ = kEdgeBottom;
    int state_ = kStateOffscreen;
    int initialState_ = kStateTabVisible;
    bool twoStageMode_ = false;
    std::string leaderboardId_;
    std::string minsSinceInstall_;
    std::string lastBannerId_;
};

} // namespace mw
