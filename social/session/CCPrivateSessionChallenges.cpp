// The session's challenges, its own dialogs, device tokens, and the
// addresses and notifications the application is opened with.

#include <utility>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Utf16.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/data/CCDataStore.h"
#include "social/data/CCLumoraLog.h"
#include "social/screens/CCModalControllers.h"
#include "social/screens/CCNavControllerBase.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"
#include "social/support/Reachability.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kChallengeIdKey = "challengeid";
constexpr const char* kChallengeConfigKey = "challengeconfig";
constexpr const char* kLaunchRemoteNotificationKey = "UIApplicationLaunchOptionsRemoteNotificationKey";
constexpr const char* kLaunchURLKey = "UIApplicationLaunchOptionsURLKey";

// The session is the delegate of its own dialogs through this one object.
class SessionDialogDelegate : public CCModalViewDelegate {
public:
    void modalViewControllerButtonPressed(CCModalViewController&, const std::string& buttonId) override
    {
        if (CCPrivateSession* session = CCPrivateSession::sharedInstance())
            session->dialogButtonPressed(buttonId);
    }
};
SessionDialogDelegate sessionDialogDelegate;

// Text where text belongs; anything else counts as absent.
std::optional<std::string> textOf(const Value& value)
{
    if (!value.isString()) return std::nullopt;
    return value.asString();
}

bool isAddress(const std::string& text)
{
    if (text.empty()) return false;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f) return false;
    }
    return true;
}

// A payload as trace text.
std::string describe(const Value& value)
{
    return JSONFragment(value).value_or(value.isNull() ? "(null)" : "(not printable)");
}

void trace(const std::string& line)
{
    if (AllowPublicAPILog()) logLine("%s", line.c_str());
}

} // namespace

std::string CCPrivateSession::deviceBaseUrl() { return std::string("https://") + kServiceHost + "/lumora/"; }

// ---- challenges ----

std::optional<std::string> CCPrivateSession::notifyStartChallengeWithUrlString(const std::string& url)
{
    const Value params = paramDictionaryFromUrlString(url);
    const auto challengeId = textOf(params["challengeID"]);
    const auto configId = textOf(params["gameConfigID"]);
    if (!challengeId || !configId) return std::nullopt;
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue(kChallengeIdKey, Value(*challengeId));
    store->setValue(kChallengeConfigKey, Value(*configId));
    (void)store->writeToFile();
    return startChallengeURLForChallengeId(*challengeId);
}

std::string CCPrivateSession::startChallengeURLForChallengeId(const std::string& challengeId)
{
    return liteBaseUrl() + "challenge_start?challengeID=" + challengeId;
}

void CCPrivateSession::notifyStartChallengeConfirmed()
{
    if (screenHooks_.deactivateLumoraUI) screenHooks_.deactivateLumoraUI();
    resetLumoraPullTabState();
    if (delegate_ && (delegate_->respondsTo() & CCPrivateSessionDelegate::kChallengeStarted))
        delegate_->challengeStartedWithGameConfig(
            CCDataStore::sharedInstance()->valueForKey(kChallengeConfigKey));
}

std::string CCPrivateSession::challengeResultUrl(double result) const
{
    const Value& challengeId = CCDataStore::sharedInstance()->valueForKey(kChallengeIdKey);
    return liteBaseUrl() + format("challenge_result?challengeID=%@&result=%f&sig=%@",
                                  challengeId.isString() ? challengeId.asString() : std::string(), result,
                                  challengeResultSignature(result));
}

void CCPrivateSession::postChallengeResultForLastChallenge(double result, bool withLumoraDialog)
{
    pendingResult_ = result;
    if (!withLumoraDialog) {
        postChallengeResult(pendingResult_, false);
        return;
    }
    CCTheming::sharedInstance()->setCurrentTheme(currentTheme_);
    Ref<CCUIDescription> dialog;
    if (reachability_ && reachability_->isReachable()) {
        dialogState_ = 2;
        dialog = CCTheming::uiDescriptionForTwoButtonDialog(
            "Challenge Results", "You have completed a challenge. Would you like to view the results?", "Yes",
            "No");
    } else {
        dialogState_ = 3;
        dialog = CCTheming::uiDescriptionForOneButtonDialog(
            "Challenge Results",
            "Thank you for completing the challenge. Please start this game again when you have an Internet "
            "connection in order to post your results.",
            "OK");
    }
    dialogController_ =
        CCModalViewController::create(dialog.get(), getTopApplicationWindow(), true, false, false);
    if (dialogController_) dialogController_->setDelegate(&sessionDialogDelegate);
}

void CCPrivateSession::postChallengeResult(double result, bool startUi)
{
    const std::string url = challengeResultUrl(result);
    if (startUi) {
        if (screenHooks_.activateMainUIOnTabId)
            screenHooks_.activateMainUIOnTabId("challengestab", url, false);
        return;
    }
    if (!isAddress(url)) return;
    auto post = makeRef<CCNullPost>(url);
    startPostManager();
    if (postManager_) postManager_->scheduleDataForPost(post);
}

void CCPrivateSession::activateSplashDialog()
{
    CCLumoraError error;
    if (!validateSession(&error) || !CCTheming::sharedInstance()->validateTheme(&error)) {
        logLine("%s Unable to show Lumora splash dialog - %s", kLumoraError,
                error.localizedDescription.c_str());
        return;
    }
    CCTheming::sharedInstance()->setCurrentTheme(currentTheme_);
    dialogState_ = 1;
    Ref<CCUIDescription> splash = CCTheming::uiDescriptionForSplashDialog();
    dialogController_ =
        CCModalViewController::create(splash.get(), getTopApplicationWindow(), true, false, false);
    if (dialogController_) dialogController_->setDelegate(&sessionDialogDelegate);
}

void CCPrivateSession::dialogButtonPressed(const std::string& buttonId)
{
    if (Ref<CCModalViewController> dialog = std::move(dialogController_)) {
        dialog->setDelegate(nullptr);
        if (dialog->isViewLoaded()) dialog->view()->removeFromSuperview();
    }
    const bool fullUi = screenHooks_.rootViewController && screenHooks_.rootViewController();
    if (!fullUi && screenHooks_.ensureNotTopWindowDelegate) screenHooks_.ensureNotTopWindowDelegate();
    auto tellDeactivated = [this] {
        if (delegate_ && (delegate_->respondsTo() & CCPrivateSessionDelegate::kUiDeactivated))
            delegate_->lumoraUiDeactivated();
    };
    switch (dialogState_) {
    case 3:
        postChallengeResult(pendingResult_, false);
        tellDeactivated();
        break;
    case 2:
        dialogState_ = 0;
        postChallengeResult(pendingResult_, buttonId == "button1");
        tellDeactivated();
        break;
    case 1:
        dialogState_ = 0;
        if (buttonId == "okbutton") {
            if (screenHooks_.activateMainUIOnTabId)
                screenHooks_.activateMainUIOnTabId("profiletab", std::nullopt, false);
        } else {
            sessionDeactivated();
        }
        break;
    default:
        break;
    }
}

// ---- device tokens ----

void CCPrivateSession::postDeviceToken(const std::optional<Value::Bytes>& token, bool success)
{
    startPostManager();
    Ref<CCDeviceToken> record;
    if (token && success) {
        record = makeRef<CCDeviceToken>(*token);
        record->setUrl(deviceBaseUrl() + "apns_device_token.apns");
        trace("[CCPrivateSession] posting for push with url " + record->url());
    } else {
        record = makeRef<CCDeviceToken>();
        record->setDoNotCacheOverride(true);
        record->setUrl(deviceBaseUrl() + "apns_off.apns");
        trace("[CCPrivateSession] posting for push turned off with " + record->url());
    }
    if (postManager_) postManager_->scheduleDataForPost(record);
}

// ---- launch, opened addresses, notifications ----

bool CCPrivateSession::applicationDidFinishLaunchingWithOptions(const Value& options)
{
    trace("[CCPrivateSession] didFinishLaunchingWithOptions 02: " + describe(options));
    // The desktop has no status bar to hide.
    bool taken = false;
    if (!options.isDict()) return false;
    const Value& payload = options[kLaunchRemoteNotificationKey];
    if (payload.isDict()) {
        if (auto href = textOf(payload["href"])) {
            pendingIncomingUrl_ = *href;
            taken = true;
        }
    }
    if (auto url = textOf(options[kLaunchURLKey]); url && isAddress(*url)) {
        pendingIncomingUrl_ = *url;
        taken = true;
    }
    return taken;
}

bool CCPrivateSession::applicationHandleOpenURL(const Value& url)
{
    auto text = textOf(url);
    if (!text || !isAddress(*text)) return false;
    trace("[CCPrivateSession] handleOpenURL: " + *text);
    pendingIncomingUrl_ = *text;
    return true;
}

bool CCPrivateSession::applicationOpenURL(const Value& url, const Value&, const Value&)
{
    auto text = textOf(url);
    if (!text || !isAddress(*text)) return false;
    trace("[CCPrivateSession] openURL: " + *text);
    pendingIncomingUrl_ = *text;
    return true;
}

bool CCPrivateSession::appWasStartedFromPendingUrl() const { return utf16Length(pendingIncomingUrl_) > 1; }

void CCPrivateSession::activateLumoraUIFromPendingUrl()
{
    if (utf16Length(pendingIncomingUrl_) < 2) return;
    auto usage = [](const char* kind) {
        Value record = CCDataStore::nullUsageArray();
        (*record.mutableArray())[1] = Value(kind);
        CCDataStore::sharedInstance()->logUsageData(std::move(record), false);
    };
    if (pendingIncomingUrl_.find("specific_challenge.cuid") != std::string::npos) {
        usage("CHALLENGES_PENDINGURL");
        if (screenHooks_.activateLumoraUIOnTabId)
            screenHooks_.activateLumoraUIOnTabId("challengestab", liteBaseUrl() + "challenges.cuid", true);
    } else if (pendingIncomingUrl_.find("leaderboard_global.cuid") != std::string::npos) {
        usage("LEADERBOARDS_PENDINGURL");
        if (screenHooks_.activateLumoraUIOnTabId)
            screenHooks_.activateLumoraUIOnTabId("leaderboardtab", std::nullopt, true);
    }
}

void CCPrivateSession::applicationDidReceiveRemoteNotification(const Value& payload)
{
    trace("[CCPrivateSession] didReceiveRemoteNotification " + describe(payload));
    const auto href = payload.isDict() ? textOf(payload["href"]) : std::nullopt;
    Object* root = screenHooks_.rootViewController ? screenHooks_.rootViewController() : nullptr;
    if (root) {
        auto* navigation = dynamic_cast<CCNavControllerBase*>(root);
        const Value& aps = payload["aps"];
        const auto alert = aps.isDict() ? textOf(aps["alert"]) : std::nullopt;
        if (navigation && href && alert)
            navigation->displayIncomingPushNotice(*alert, liteBaseUrl() + *href, "challengestab");
        return;
    }
    const std::string title =
        href && href->rfind("challenge_results", 0) == 0 ? "Incoming Challenge Result" : "Incoming Challenge";
    const std::string body = "Please open Lumora for more information";
    if (screenHooks_.presentPopupNotification) {
        screenHooks_.presentPopupNotification(title, body);
    } else {
        presentPopupNotificationWithTitle(title, body);
    }
}

} // namespace mw
