#pragma once

#include <map>
#include <optional>
#include <string>

#include "foundation/NSTimer.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/screens/CCMainNavControllerInterface.h"
#include "social/screens/CCModalControllers.h"
#include "social/screens/CCSkinnedView.h"
#include "social/screens/CCSmallViews.h"
#include "social/ui/UITableView.h"
#include "social/ui/UIViewController.h"

namespace mw {

class CCUIDescription;
class Notification;

// A manager for a social network that the pages ask about (the service
// "twitter" may have one registered with the session).
class CCSocialNetworkManager {
public:
    virtual ~CCSocialNetworkManager() = default;
    virtual bool canSendTweet() const { return false; }
};

// One table row: one skinned view filling the content view (tag 3001).
class CCSkinnedTableViewCell : public UITableViewCell {
public:
    static constexpr int kSkinnedViewTag = 3001;
    CCSkinnedTableViewCell(Value element, Value skin, std::string reuseIdentifier, Ref<CCFormModel> formModel,
                           bool shouldCache, CCSkinnedViewDelegate* delegate);
    CCSkinnedView* skinnedView() const { return skinned_.get(); }
    void updateWithUIElement(Value element, Ref<CCFormModel> formModel, bool shouldCache);
    void setSelected(bool selected, bool animated) override;
    void setIndexPath(NSIndexPath path);
    // Lays out growing text and answers the row's height.
    float determineHeightForRow();

private:
    Ref<CCSkinnedView> skinned_;
};

// One page of the social screens shown as a table: one section a group, one
// skinned row an element. It fetches its page when the data is not there,
// shows a progress page meanwhile, follows the fetch manager's notices,
// removes rows the device cannot serve, and turns selections into
// "tablelink" notices for its navigation controller (a few links change the
// form in place). Main thread.
class CCGenericTableViewController : public UIViewControllerBase,
                                     public UITableViewDataSource,
                                     public UITableViewDelegate,
                                     public CCSkinnedViewDelegate,
                                     public CCModalViewDelegate {
public:
    CCGenericTableViewController(Ref<CCUIDescription> description, Ref<CCFormModel> formModel,
                                 CCMainNavControllerInterface* navController, std::string progressSkin,
                                 std::string progressSkinNoBack, bool backBar);
    ~CCGenericTableViewController() override;

    CCUIDescription* currentUIDescription() const { return description_.get(); }
    CCGenericTableView* tableView();
    const std::string& title() const { return title_; }
    CCModalViewController* modalViewController() const { return modal_.get(); }
    UIView* progressView() const;
    bool rowReadyForDisplay() const { return rowReadyForDisplay_; }
    bool hasRefreshTimer() const { return refreshTimer_ && refreshTimer_->isValid(); }
    UIView* dimmingButton() const { return dimming_.get(); }
    CCFormModel* formModel() const { return formModel_.get(); }
    CCMainNavControllerInterface* navController() const { return navController_; }
    const std::string& pendingConfirmedURLString() const { return pendingURL_; }
    void setPrefetchImageUrls(bool on) { prefetchImageUrls_ = on; }
    // Called by the owner before it lets go.
    void willDealloc();

    // ---- table ----
    int numberOfSectionsInTableView(UITableView&) override;
    int numberOfRowsInSection(UITableView&, int section) override;
    Ref<UITableViewCell> cellForRowAtIndexPath(UITableView&, NSIndexPath path) override;
    std::optional<std::string> titleForHeaderInSection(UITableView&, int section) override;
    float heightForRowAtIndexPath(UITableView&, NSIndexPath path) override;
    std::optional<NSIndexPath> willSelectRowAtIndexPath(UITableView&, NSIndexPath path) override;
    void didSelectRowAtIndexPath(UITableView&, NSIndexPath path) override;
    void clearSelection();
    void scrollViewWillBeginDragging(UIScrollView&) override;
    void scrollViewDidEndDragging(UIScrollView&, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(UIScrollView&) override;

    // ---- links and dialogs ----
    void openUrlString(const std::string& url, const Value& element, const std::string& flags, CGRect rect,
                       UIView* view);
    void displayDialogWithUiDescription(CCUIDescription* description, CCModalViewDelegate* delegate);
    void modalViewControllerButtonPressed(CCModalViewController& controller, const std::string& buttonId) override;
    void skinnedViewButtonPressed(CCSkinnedView& view, const std::string& itemId, const std::string& itemType,
                                  const Value& themeUrl) override;
    void dataForRowReady(CCSkinnedView&) override { rowReadyForDisplay_ = true; }
    bool isGenericTableViewController() const override { return true; }

    // ---- page life ----
    void fetchUpdateNotification(const Notification& notification);
    void startRefreshTimer();
    void cancelRefreshTimer();
    void showProgressIndicator();
    void removeProgressIndicator();
    static void removeUnsupportedElementsFromUiDescription(CCUIDescription* description);
    void setAllSwitchesToOn();
    void setContentSizeForTableView();
    float totalHeight();
    CGSize contentSizeForViewInPopoverView() { return {320, totalHeight()}; }
    void setDimAmount(float amount);
    void handleSwipe(int direction);

    void loadView() override;
    void viewDidAppear(bool animated) override;
    void didReceiveMemoryWarning() override { cancelRefreshTimer(); }
    bool shouldAutorotateToInterfaceOrientation(int orientation) override;

private:
    void setBackgroundForTableView();
    void handleRedirectElement(const Value& element);
    void doCheckPrefetchImageUrls();
    void showModal(Ref<CCUIDescription> dialog);
    void dimmingButtonPressed();
    Ref<CCSkinnedView> progressSkinnedView(const std::string& skinId);

    Ref<CCUIDescription> description_;
    bool backBar_ = false;
    Ref<CCFormModel> formModel_;
    std::string pendingURL_;
    Value pendingElement_;
    std::string pendingFlags_;
    CGRect pendingRect_ {0, 0, 0, 0};
    Ref<CCModalViewController> modal_;
    Ref<CCTabLoadingView> tabLoadingView_;
    Ref<CCSkinnedView> progressIndicator_;
    std::string progressSkin_;
    std::string progressSkinNoBack_;
    std::map<NSIndexPath, float> rowHeightOverrides_;
    bool willSelectCurrentlySelectedRow_ = false;
    Ref<NSTimer> refreshTimer_;
    Ref<CCEventButton> dimming_;
    bool rowReadyForDisplay_ = false;
    bool prefetchImageUrls_ = false;
    CCMainNavControllerInterface* navController_ = nullptr;
    std::string title_ = "Shouldn't See This";
    Ref<CCGenericTableView> table_;
};

} // namespace mw
