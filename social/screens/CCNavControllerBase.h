#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"
#include "social/screens/CCMainNavControllerInterface.h"
#include "social/screens/CCModalControllers.h"
#include "social/screens/CCOverlayControllers.h"
#include "social/screens/CCSkinnedView.h"
#include "social/screens/CCSmallViews.h"
#include "social/services/CCStorePurchases.h"
#include "social/ui/UIViewController.h"

namespace mw {

class CCAbstractServerData;
class CCNavControllerBase;
class CCUIDescription;
class Image;
class Notification;

// The user info of the Twitter invite request: {"message": the invite text}
// and the controller that asks.
inline constexpr const char* kTwitterInviteNotification = "LumoraTwitterInvite";
struct CCTwitterInviteInfo {
    Value info;
    CCNavControllerBase* viewcontroller = nullptr;
};

// A picture redrawn into a bitmap of its own: the rows as the bitmap keeps
// them (each padded to bytesPerRow) and the same pixels as an Image.
struct CCResizedBitmap {
    int width = 0;
    int height = 0;
    size_t bytesPerRow = 0;
    std::vector<uint8_t> rows;
    Ref<Image> image;
};

// The common base of the social screens' navigation controllers (the pull
// tab, the phone's and the tablet's full screens, the embedded view). It
// keeps the page history and the form values of each page, turns every
// tapped link ("tablelink" notices) into a command or a further page, and
// does what those controllers share: fetch-update follow-ups, picture
// uploads, the affiliate redirect, the message composer and its result,
// input blocking and store purchases. Pushing, popping and what a page shows
// are the concrete controller's (the virtual hooks below). Main thread.
class CCNavControllerBase : public UIViewControllerBase,
                            public CCMainNavControllerInterface,
                            public CCSKTransactionObserver,
                            public CCSMSDelegate {
public:
    // The two click hosts of the affiliate networks whose "lumora-http://"
    // links go through the redirect follower instead of the browser.
    static constexpr const char* kAffiliateClickHostA = "click.affiliates-one.mosswick.example";
    static constexpr const char* kAffiliateClickHostB = "click.affiliates-two.mosswick.example";
    // The side of a picture posted as the player's image.
    static constexpr int kUploadImageSide = 114;
    static constexpr float kUploadJpegQuality = 0.8f;

    CCNavControllerBase();
    ~CCNavControllerBase() override;

    // A new page record for an address (priority 10, view type 1, a stack
    // page, unless given); null for no address.
    static Ref<CCUIDescription> newPageRecord(const std::string& url, int priority = 10, int viewType = 1);

    // Starts listening for "tablelink" notices from any sender. Every
    // subclass calls it first from its own loadView.
    void loadView() override;

    // ---- fields ----
    const std::optional<std::string>& startChallengeUrl() const { return startChallengeUrl_; }
    void setStartChallengeUrl(std::optional<std::string> url) { startChallengeUrl_ = std::move(url); }
    const std::optional<std::string>& earnVCRedirectUrl() const { return earnVCRedirectUrl_; }
    void setEarnVCRedirectUrl(std::optional<std::string> url) { earnVCRedirectUrl_ = std::move(url); }
    const std::optional<std::string>& createSmsUrl() const { return createSmsUrl_; }
    void setCreateSmsUrl(std::optional<std::string> url) { createSmsUrl_ = std::move(url); }
    // Page address → that page's form values.
    std::map<std::string, Ref<CCFormModel>>& formModelHeap() { return formModelHeap_; }
    // The form values kept for a page, or null.
    CCFormModel* formModelForUrl(const std::string& url) const;
    // The form values of a page, made empty on first use.
    Ref<CCFormModel> formModelCreatingForUrl(const std::string& url);
    std::vector<Ref<CCViewUrlHistory>>& viewUrlStack() { return viewUrlStack_; }
    const std::vector<Ref<CCViewUrlHistory>>& viewUrlStack() const { return viewUrlStack_; }
    // The overlays in progress (null when none).
    CCRedirectViewController* redirectViewController() const { return redirectViewController_.get(); }
    CCSMSViewController* smsViewController() const { return smsViewController_.get(); }
    CCBlockUIViewController* blockUiViewController() const { return blockUiViewController_.get(); }
    // The tab last pressed; none before the first press.
    const std::optional<std::string>& selectedTabId() const { return selectedTabId_; }
    // A tab's page is being opened (from the press to the next loop turn).
    bool backgroundThreadRunning() const { return backgroundThreadRunning_; }

    // ---- history ----
    void addUrlHistoryItemWithUrl(const std::string& url);
    void updatePreviousUrlHistoryItemWithOffset(CGPoint offset);
    void removeLastUrlHistoryItem();
    CCViewUrlHistory* lastUrlHistoryItem() const;
    void emptyUrlHistory();
    size_t urlHistoryCount() const { return viewUrlStack_.size(); }
    // Every item at `url` now points at `redirectUrl`.
    void updateurlHistoryForUrl(const std::string& url, const std::string& redirectUrl);
    // Forgets a page's form values.
    void removeUrlStringFromFormModel(const std::string& url) override;

    // ---- dispatch ----
    // Whether this controller answers a "tablelink" notice: a page's taps
    // reach only the page's own controller.
    bool isIntendedRecipientOfNotification(const Notification& notification) const;
    // The command dispatch of a "tablelink" notice (user info
    // CCTableLinkInfo). Subclasses may adjust the notice and call this.
    virtual void listItemSelectedNotification(const Notification& notification);
    // The dispatch itself, for the link's keys and the tapped view.
    void dispatchLink(const Value& info, UIView* view);

    // ---- commands ----
    // Starts a purchase of the link's "productID"; false only when the
    // device cannot pay (the refusal dialog is shown).
    bool initiateInAppPurchaseWithUrlString(const std::string& url);
    void transactionFinishedWithError(const std::optional<StoreError>& error, bool cancelled,
                                      const std::string& productId,
                                      const std::optional<std::string>& base64Receipt) override;
    void requestSplashScreenBanner();
    void initiateFacebookLogin();
    void initiateFacebookLogout();
    void initiateFacebookPublish(const Value& info);
    void initiateFacebookInvite(const Value& info);
    void initiateTwitterLogin();
    void initiateTwitterLogout();
    void initiateTwitterProcessPin(const Value& pin);

    // ---- pictures ----
    // Centre square crop; a square picture comes back as it is.
    static Ref<Image> makeSquareImageFromImage(const Image* image);
    // Redraws the picture into a bitmap of the whole size given (rows padded
    // to a multiple of 16 bytes); empty for an empty size or no picture.
    static CCResizedBitmap makeResizedImage(CGSize size, const Image* image, int quality);
    // The bytes uploaded for a picked picture: square, 114 × 114, JPEG at
    // quality 0.8; empty when it cannot be made.
    static std::vector<uint8_t> uploadJpegForImage(const Image* image);
    // Posts the picture to `url` and pushes the answer page in place of the
    // current one; nothing when it cannot be encoded. Answers whether it
    // posted.
    bool doImagePickerWithImage(const Image* image, const std::string& url);
    // Replaces the JPEG encoder (tests inject a failure); null restores it.
    using JpegEncoder = std::vector<uint8_t> (*)(const Image& image, float quality);
    static void setJpegEncoderForTesting(JpegEncoder encoder);

    // ---- shared follow-ups ----
    // The fetch manager's notices: the awaited addresses, the navigation
    // description and redirects in the history.
    virtual void fetchUpdateNotification(const Notification& notification);
    // The post that reports a composer's result for a page: to the page's
    // address (or the "sms-redirect-url" its record names), with the
    // contacts, "smsSent" and the common form fields. Null without a page.
    static Ref<CCUIDescription> smsResultRecord(CCUIDescription* shownPage, int result,
                                                const std::vector<std::string>& recipients);
    // Reports the composer's result for the page now shown and drops it.
    void SMSCompletedWithResult(int result) override;
    virtual void initiateAffiliateRedirect(const std::string& url);
    virtual void affiliateRedirectComplete();
    virtual void initiateSendSMSMessage(const std::string& body, const std::vector<std::string>& recipients);
    virtual void blockUserInput(bool block);

    // ---- what the concrete controller provides ----
    virtual void pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId,
                          int animation, bool noStackPush)
    {}
    void pushView(const Ref<CCUIDescription>& page, const std::optional<std::string>& tabId, int animation)
    {
        pushView(page, tabId, animation, false);
    }
    virtual CCUIDescription* currentDisplayedUiDescription() { return nullptr; }
    virtual void displayDialogWithUiDescription(CCUIDescription* description, CCModalViewDelegate* delegate)
    {}
    virtual CGPoint getCurrentRowOffset() { return {0, 0}; }
    virtual void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId) {}
    virtual void activateGlobalNavUiAsGuest(bool guest, const std::string& tabId, const std::string& url) {}
    virtual void activateBasicNavUiWithTab(bool tab) {}
    virtual void activateBasicNavUiWithTab(bool tab, const std::string& url) {}
    virtual void initiateImagePickerWithType(int sourceType, const std::string& url, CGRect rect,
                                             UIView* view)
    {}
    // The navigation description's address and its arrival (full-screen
    // controllers; the default has none).
    virtual std::optional<std::string> navigationDescriptionUrl() const { return std::nullopt; }
    virtual void navigationDescriptionUpdated(const Ref<CCUIDescription>& description) {}
    // The table page now shown, for the message result (null: none).
    virtual CCGenericTableViewController* shownTablePage() { return nullptr; }
    // Shows a notice of a push notification (full-screen controllers).
    virtual void displayIncomingPushNotice(const std::string& text, const std::string& url,
                                           const std::string& tabId)
    {}
    // The full UI asked again while it is open: show `tabId` (at `url`
    // when given) as a fresh activation would (full-screen controllers).
    virtual void activateWithDefaultTabId(const std::string& tabId, const std::optional<std::string>& url,
                                          bool loginRequired)
    {}
    // Closing the full UI: a controller with a bar of its own slides it out
    // first; `done` runs once it is out of sight (at once by default).
    virtual void animatePadBarOutOfViewAndTell(std::function<void()> done)
    {
        if (done) done();
    }

protected:
    // Registers fetchUpdateNotification for every notice of the fetch
    // manager (and, when given, once more for one page's address).
    void observeFetchManager(const std::optional<std::string>& pageUrl = std::nullopt);
    // The history steps of every push, in order: a no-stack push drops the
    // top item; a push that slides (any animation but 0 and 4) stores the
    // shown page's row offset in the item it leaves; an item for `url` is
    // added. Answers the page's form values (made empty on first use).
    Ref<CCFormModel> recordPushInHistory(const std::string& url, int animation, bool noStackPush);
    // A press on another tab: `bar` is redrawn, the tab shows pressed and
    // becomes the selected tab, the history and every page's form values
    // go. Opening its page and logging the tab's use are the caller's, in
    // its own order (a pull tab logs after queueing the page, so that the
    // log's store write and the view time's share one turn).
    void selectTab(CCSkinnedView& bar, const std::string& tabId);
    // Shows `tabId` pressed on the controller's own bars (none by default).
    virtual void setDepressedTab(const std::string& tabId) {}
    // The social-network connector's way back: a fresh record for `url`
    // (its cached copy dropped) replaces the page shown, without animation
    // or a history item of its own. Nothing for no address.
    void reloadPageInPlace(const std::string& url);
    // The page a completed log-in leads to: queued for fetching (priority
    // 10) and shown in place like a reload.
    void openPageAfterLogIn(const std::string& url);
    // Runs `work` on the run loop's next turn, holding the controller until
    // then, unless it was cleaned up meanwhile (clean-up bumps generation_).
    void later(std::function<void()> work);
    // The start of a clean-up: false when it has run before; else it is
    // marked done, work queued by later() is cancelled and the notice
    // observers registered under the controller are dropped.
    bool beginCleanUp();

    std::optional<std::string> selectedTabId_;
    bool backgroundThreadRunning_ = false;
    // Bumped at clean-up: work queued for an older generation does nothing.
    unsigned generation_ = 0;
    bool cleanedUp_ = false;

private:
    void handlePageLink(const std::string& link, const Value& info, UIView* view);
    void earnCurrencyRequest(const std::string& url, const Value& info);

    std::optional<std::string> startChallengeUrl_;
    std::optional<std::string> earnVCRedirectUrl_;
    std::optional<std::string> createSmsUrl_;
    std::map<std::string, Ref<CCFormModel>> formModelHeap_;
    std::vector<Ref<CCViewUrlHistory>> viewUrlStack_;
    Ref<CCRedirectViewController> redirectViewController_;
    Ref<CCSMSViewController> smsViewController_;
    Ref<CCBlockUIViewController> blockUiViewController_;
    NotificationCenter::ObserverId tableLinkObserver_ = 0;
    std::vector<NotificationCenter::ObserverId> fetchObservers_;
};

} // namespace mw
