// The session's side of showing the social screens: the checks and skin
// choices of the pull tab, the news delay, and the queue of notices.

#include <cmath>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCGameCenterPostManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/screens/CCGlobalNavController.h"
#include "social/services/CCLoginHandler.h"
#include "social/data/CCLumoraLog.h"
#include "social/screens/CCModalControllers.h"
#include "social/screens/CCNavControllerBase.h"
#include "social/queues/CCNeighbours.h"
#include "social/screens/CCPadTabController.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/Reachability.h"
#include "social/ui/UIWindow.h"

namespace mw {

namespace {

constexpr const char* kNewsTabActivationDateKey = "newstabactivationdate";

struct TabSkins {
    const char* tabId;
    const char* portrait;
    const char* landscape;
};
constexpr TabSkins kTabSkins[] = {
    {"news", "news_portrait", "news_landscape"},
    {"lumoraslimline", "lumoraslimline_portrait", "lumoraslimline_landscape"},
    {"achievements", "achievements_portrait", "achievements_landscape"},
    {"leaderboards", "leaderboard_portrait", "leaderboard_landscape"},
    {"gifting", "gifting_portrait", "gifting_landscape"},
    {"challenges", "challenges_portrait", "challenges_landscape"},
    {"profile", "profile_portrait", "profile_landscape"},
    {"lumora", "lumora_portrait", "lumora_landscape"},
    {"findfriends", "findfriends_portrait", "findfriends_landscape"},
};

struct CustomTab {
    const char* tabId;
    const char* page;
    const char* imageBase; // null: the id itself
};
constexpr CustomTab kCustomTabs[] = {
    {"leaderboards", "leaderboard.cuid", nullptr},
    {"news", "inbox.cuid", nullptr},
    {"gifting", "promotional_gifts.cuid", nullptr},
    {"virtualgoods", "virtual_goods_store.cuid", nullptr},
    {"virtualcurrencies", "virtual_currencies.cuid", nullptr},
    {"findfriends", "find_friends.cuid", "find_friends"},
    {"facebook", "facebook_settings.cuid", "facebook"},
    {"twitter", "twitter_settings.cuid", "twitter"},
    {"giftsandmarket", "gifts_and_market.cuid", "gifting"},
    {"settings", "account_settings.cuid", "settings"},
    {"switchuser", "logout", "switch_user"},
};

const CustomTab* customTab(const std::string& tabId)
{
    for (const CustomTab& tab : kCustomTabs) {
        if (tabId == tab.tabId) return &tab;
    }
    return nullptr;
}

std::string pullTabSkin(const std::string& edge, const std::string& name) { return "pulltab/" + edge + "/" + name; }

// The checks every pull-tab activation starts with; each logs why the tab
// cannot be shown. A null answer means "do not show".
bool pullTabSessionUsable(const CCPrivateSession& session, CCTheming* theme)
{
    CCLumoraError error;
    if (session.validateSession(&error) && theme->validateTheme(&error)) return true;
    logLine("%s Unable to show Lumora tab overlay - %s", kLumoraError, error.localizedDescription.c_str());
    return false;
}

Value pullTabConfiguration(CCTheming* theme)
{
    Value config = theme->getSkinDescription("pulltab/config");
    if (config.isNull())
        logLine("%s Lumora tab configuration data is not available.  Please ensure the theme data is up to date.",
                kLumoraError);
    return config;
}

Value pullTabPositions(CCTheming* theme, const std::string& edge)
{
    Value frames = theme->getSkinDescription(pullTabSkin(edge, "overlay_position"));
    if (frames.isNull())
        logLine("%s Lumora tab overlay position theme data is not available from the %s edge.  Please ensure the "
                "theme data is up to date.",
                kLumoraError, edge.c_str());
    return frames;
}

// The pieces of `text` between occurrences of `separator`, as many as
// there are separators plus one (empty pieces kept).
std::vector<std::string> piecesOf(const std::string& text, const std::string& separator)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string globalLeaderboardUrl(const std::string& gameConfigId)
{
    return CCPrivateSession::liteBaseUrl() + "leaderboard_global.cuid?gameConfigID=" + gameConfigId;
}

} // namespace

// Hears the notice on screen finish and hands the session the next one.
class CCSessionPopupObserver : public CCModalPopupObserver {
public:
    explicit CCSessionPopupObserver(CCPrivateSession* session) : session_(session) {}
    void modalPopupFinished(CCModalPopupController&) override { session_->modalPopupFinished(); }

private:
    CCPrivateSession* session_;
};

std::string CCPrivateSession::edgeStringFromEdge(int edge)
{
    switch (edge) {
    case 1: return "right";
    case 2: return "top";
    case 3: return "left";
    default: return "bottom";
    }
}

std::string CCPrivateSession::cuidForTabIdString(const std::string& tabId)
{
    if (const CustomTab* tab = customTab(tabId)) return tab->page;
    return tabId + ".cuid";
}

std::string CCPrivateSession::baseImageForTabIdString(const std::string& tabId)
{
    const CustomTab* tab = customTab(tabId);
    return tab && tab->imageBase ? tab->imageBase : tabId;
}

bool CCPrivateSession::activateNewsTab()
{
    if (newstabActivationDelay_ == -1) return true;
    CCDataStore* store = CCDataStore::sharedInstance();
    const Value& date = store->valueForKey(kNewsTabActivationDateKey);
    if (date.isDate()) return Clock::wallSeconds() >= date.asUnixTime();
    const double delay = std::isfinite(newstabActivationDelay_) ? newstabActivationDelay_ : 0;
    store->setValue(kNewsTabActivationDateKey, Value::dateFromUnixTime(Clock::wallSeconds() + delay));
    (void)store->writeToFile();
    return false;
}

void CCPrivateSession::activateLumoraPullTabOn(const std::string& tabId, int screenEdge, bool closed)
{
    noteNeighbourCall("pullTab activate " + tabId + " edge " + std::to_string(screenEdge) + " closed " +
                      (closed ? "1" : "0"));
    CCTheming* theme = CCTheming::sharedInstance();
    if (!pullTabSessionUsable(*this, theme)) return;
    if (pullTabController_) return;
    const Value config = pullTabConfiguration(theme);
    if (config.isNull()) return;
    if (tabId != "news") CCLoginHandler::sharedInstance()->uiHasBeenActivated();
    const TabSkins* skins = &kTabSkins[0];
    for (const TabSkins& each : kTabSkins) {
        if (tabId == each.tabId) skins = &each;
    }
    bool twoStage = true;
    if ((tabId == "news" || tabId == "lumoraslimline") && (screenEdge == 0 || screenEdge == 2)) {
        closed = !activateNewsTab();
        twoStage = false;
    }
    const int state = closed ? 1 : (twoStage ? 3 : 2);
    const std::string edge = edgeStringFromEdge(screenEdge);
    const Value frames = pullTabPositions(theme, edge);
    if (frames.isNull()) return;
    const std::string landscape = pullTabSkin(edge, skins->landscape);
    const std::string portrait = pullTabSkin(edge, skins->portrait);
    if (!theme->hasSkin(landscape) || !theme->hasSkin(portrait)) {
        logLine("%s Lumora tab overlay theme data is not available for '%s' from the %s edge.  Please ensure the "
                "theme data is up to date.",
                kLumoraError, tabId.c_str(), edge.c_str());
        return;
    }
    pullTabController_ = CCPullTabViewController::create(this, landscape, portrait, getTopApplicationWindow(),
                                                         screenEdge, state, frames, config);
    pullTabController_->setTwoStageMode(twoStage);
}

void CCPrivateSession::activateLumoraPullTabOnLeaderboardWithId(const std::string& leaderboardId, int screenEdge,
                                                                bool closed)
{
    CCTheming* theme = CCTheming::sharedInstance();
    if (!pullTabSessionUsable(*this, theme)) return;
    CCLoginHandler::sharedInstance()->uiHasBeenActivated();
    if (pullTabController_) return;
    const Value config = pullTabConfiguration(theme);
    if (config.isNull()) return;
    const std::string edge = edgeStringFromEdge(screenEdge);
    const Value frames = pullTabPositions(theme, edge);
    if (frames.isNull()) return;
    const std::string landscape = pullTabSkin(edge, "leaderboard_landscape");
    const std::string portrait = pullTabSkin(edge, "leaderboard_portrait");
    if (!theme->hasSkin(landscape) || !theme->hasSkin(portrait)) {
        logLine("%s Lumora tab overlay theme data is not available for '%s' from the %s edge.  Please ensure the "
                "theme data is up to date.",
                kLumoraError, "leaderboards", edge.c_str());
        return;
    }
    pullTabController_ = CCPullTabViewController::create(this, landscape, portrait, getTopApplicationWindow(),
                                                         screenEdge, closed ? 1 : 3, frames, config);
    pullTabController_->setTwoStageMode(true);
    pullTabController_->setLeaderboardId(leaderboardId);
}

void CCPrivateSession::activateLumoraPullTabOnTabs(const std::vector<std::string>& tabIds,
                                                   const std::string& leaderboardId, int screenEdge, bool closed)
{
    CCTheming* theme = CCTheming::sharedInstance();
    if (!pullTabSessionUsable(*this, theme)) return;
    if (pullTabController_) return;
    const Value config = pullTabConfiguration(theme);
    if (config.isNull()) return;
    CCLoginHandler::sharedInstance()->uiHasBeenActivated();
    const std::string edge = edgeStringFromEdge(screenEdge);
    const Value frames = pullTabPositions(theme, edge);
    if (frames.isNull()) return;
    const size_t count = tabIds.size();
    const std::string pair = count >= 4 ? "lumora_4tab" : count == 3 ? "lumora_3tab" : count == 2 ? "lumora_2tab"
                                                                                                  : "lumora_1tab";
    const std::string landscape = pullTabSkin(edge, pair + "_landscape");
    const std::string portrait = pullTabSkin(edge, pair + "_portrait");
    if (!theme->hasSkin(landscape) || !theme->hasSkin(portrait)) {
        logLine("%s Lumora tab overlay theme data is not available for custom tabs from the %s edge.  Please ensure "
                "the theme data is up to date.",
                kLumoraError, edge.c_str());
        return;
    }
    // The ids go into the theme's cached strip skins: the pull tab's later
    // look-ups by skin name read them from there.
    for (const std::string& skinId : {landscape, portrait}) {
        Value skin = theme->getSkinDescription(skinId);
        const Value& list = skin["items"];
        if (!list.isArray()) continue;
        size_t next = 0;
        Value::Array rewritten = list.asArray();
        for (Value& item : rewritten) {
            if (next >= tabIds.size()) break;
            if (!item.isDict() || item["type"].stringView() != "tab") continue;
            const std::string& id = tabIds[next++];
            const std::string base = baseImageForTabIdString(id);
            const std::string folder = "images/pulltab_" + edge + "/tab_" + base;
            item.set("href", Value(cuidForTabIdString(id)));
            item.set("image", Value(folder + ".png"));
            item.set("contractimage", Value(folder + "_contract.png"));
            item.set("expandimage", Value(folder + "_expand.png"));
            item.set("id", Value(id + "tab"));
        }
        skin.set("items", Value(std::move(rewritten)));
        theme->replaceCachedSkinDescription(skinId, std::move(skin));
    }
    pullTabController_ = CCPullTabViewController::create(this, landscape, portrait, getTopApplicationWindow(),
                                                         screenEdge, closed ? 1 : 3, frames, config);
    if (!leaderboardId.empty()) pullTabController_->setLeaderboardId(leaderboardId);
    pullTabController_->setTwoStageMode(true);
}

void CCPrivateSession::deactivateLumoraPullTab() { deactivateLumoraPullTabWithAnimation(true); }

void CCPrivateSession::deactivateLumoraPullTabWithAnimation(bool animated)
{
    // The session lets the pull tab go only when it reports that it left the
    // screen; one still waiting for its first page ignores the request.
    if (Ref<CCPullTabViewController> controller = pullTabController_) controller->deactivateWithAnimation(animated);
}

void CCPrivateSession::resetLumoraPullTabState()
{
    if (pullTabController_) pullTabController_->resetLumoraPullTabState();
}

void CCPrivateSession::onPullTabViewControllerDeactivated() { pullTabController_ = nullptr; }

void CCPrivateSession::tellPullTabUserSignedInChange()
{
    if (pullTabController_) pullTabController_->userSignedInChange();
}

// ---- the full social UI ----

void CCPrivateSession::installDefaultScreenHooks()
{
    CCSessionScreenHooks hooks;
    hooks.deactivateLumoraUI = [this] { deactivateLumoraUI(); };
    hooks.activateMainUIOnTabId = [this](const std::string& tabId, const std::optional<std::string>& url,
                                         bool loginRequired) { activateMainUIOnTabId(tabId, url, loginRequired); };
    hooks.activateLumoraUIOnTabId = [this](const std::string& tabId, const std::optional<std::string>& url,
                                           bool loginRequired) { activateLumoraUIOnTabId(tabId, url, loginRequired); };
    hooks.presentPopupNotification = [this](const std::string& title, const std::string& body) {
        presentPopupNotificationWithTitle(title, body);
    };
    hooks.popupIsActive = [this] { return popupIsActive_; };
    hooks.ensureNotTopWindowDelegate = [this] { ensureNotTopWindowDelegate(); };
    hooks.rootViewController = [this]() -> Object* { return rootViewController_.get(); };
    hooks.presentingViewController = [this]() -> UIViewControllerBase* { return rootViewController_.get(); };
    screenHooks_ = std::move(hooks);
}

void CCPrivateSession::setRootControllerFactory(RootControllerFactory factory)
{
    if (factory) {
        rootControllerFactory_ = std::move(factory);
        return;
    }
    // The full screen of the device: the tablet's bar with its popovers, or
    // the phone's navigation.
    rootControllerFactory_ = [](const std::string& tabId, const std::optional<std::string>& url, bool loginRequired,
                                bool pad) -> Ref<CCNavControllerBase> {
        if (pad) return CCPadTabController::create(tabId, url, loginRequired);
        return CCGlobalNavController::create(tabId, url, loginRequired);
    };
}

void CCPrivateSession::activateMainUIOnTabId(const std::string& tabId, const std::optional<std::string>& url,
                                             bool loginRequired)
{
    CCLoginHandler::sharedInstance()->uiHasBeenActivated();
    updateLumoraLastViewedTimestamp();
    if (shouldClearFetchManagerOnStartup_ && reachability_ && reachability_->isReachable()) {
        CCFetchManager::sharedInstanceWithClearDataOnStart()->clearDataWithCompleteClean(false);
        shouldClearFetchManagerOnStartup_ = false;
    }
    disableAvoidBackgroundActivity();
    if (Ref<CCNavControllerBase> root = rootViewController_) {
        root->activateWithDefaultTabId(tabId, url, loginRequired);
        return;
    }
    const bool pad = isRunningOniPad();
    Ref<CCNavControllerBase> root =
        rootControllerFactory_ ? rootControllerFactory_(tabId, url, loginRequired, pad) : nullptr;
    if (!root) return;
    rootViewController_ = root;
    if (postManager_) postManager_->startPosting();
    if (gcPostManager_) gcPostManager_->startPosting();
    // The top window is already the key window the views are drawn in.
    if (UIWindow* window = getTopApplicationWindow()) window->addSubview(root->view());
}

void CCPrivateSession::activateLumoraUIOnTabId(const std::string& tabId, const std::optional<std::string>& url,
                                               bool loginRequired)
{
    CCTheming* theme = CCTheming::sharedInstance();
    CCLumoraError error;
    if (!validateSession(&error) || !theme->validateTheme(&error)) {
        logLine("%s Unable to show Lumora UI - %s", kLumoraError, error.localizedDescription.c_str());
        return;
    }
    // The desktop has no status bar to hide.
    theme->setCurrentTheme(currentTheme_);
    if (pendingIncomingUrl_.empty()) {
        activateMainUIOnTabId(tabId, url, loginRequired);
    } else {
        // An incoming address ("<scheme>://<rest>") decides the page of the
        // two tabs it can name.
        const std::vector<std::string> halves = piecesOf(pendingIncomingUrl_, "//");
        if (tabId == "challengestab") {
            const std::string& page = halves.size() == 2 ? halves[1] : pendingIncomingUrl_;
            activateMainUIOnTabId("challengestab", liteBaseUrl() + page, false);
        } else if (tabId == "leaderboardtab" && halves.size() == 2) {
            const std::vector<std::string> assignment = piecesOf(halves[1], "=");
            if (assignment.size() == 2) activateMainUIOnTabId("leaderboardtab", globalLeaderboardUrl(assignment[1]), true);
        }
        pendingIncomingUrl_.clear();
    }
    startLocationManager();
}

void CCPrivateSession::activateLumoraUIAtLeaderboardWithId(const std::string& leaderboardId)
{
    activateLumoraUIOnTabId("leaderboardtab", globalLeaderboardUrl(leaderboardId), true);
}

void CCPrivateSession::deactivateLumoraUI()
{
    postCurrentSessionAnalytics_ = true;
    if (Ref<CCNavControllerBase> root = rootViewController_) {
        // A tablet root slides its bar out first; the session stays alive
        // until it is told.
        Ref<CCPrivateSession> self(this);
        root->animatePadBarOutOfViewAndTell([self] { self->deactivateLumoraUISecondStage(); });
        return;
    }
    deactivateLumoraUISecondStage();
}

void CCPrivateSession::deactivateLumoraUISecondStage()
{
    CCLoginHandler::sharedInstance()->uiHasBeenDeactivated();
    stopLocationManager();
    if (Ref<CCNavControllerBase> root = std::move(rootViewController_)) {
        if (root->isViewLoaded()) root->view()->removeFromSuperview();
    }
    ensureNotTopWindowDelegate();
    if (Ref<CCModalViewController> dialog = std::move(dialogController_)) {
        dialog->setDelegate(nullptr);
        if (dialog->isViewLoaded()) dialog->view()->removeFromSuperview();
    }
    pendingIncomingUrl_.clear();
    if (delegate_ && (delegate_->respondsTo() & CCPrivateSessionDelegate::kUiDeactivated))
        delegate_->lumoraUiDeactivated();
}

void CCPrivateSession::ensureNotTopWindowDelegate()
{
    const Value& setting = valueForWorkaroundSetting(3);
    if (!setting.isString() || setting.stringView() != "YES") return;
    UIWindow* window = getTopApplicationWindow();
    Object* delegate = window ? window->delegate() : nullptr;
    if (!delegate) return;
    // The social screens' own controllers may stay.
    const bool ours = dynamic_cast<CCGenericTableViewController*>(delegate) ||
                      dynamic_cast<CCModalViewController*>(delegate) ||
                      dynamic_cast<CCModalPopupController*>(delegate) ||
                      dynamic_cast<CCWorkaroundController*>(delegate) ||
                      dynamic_cast<CCImagePickerUnderlay*>(delegate) ||
                      dynamic_cast<CCGlobalNavController*>(delegate);
    if (!ours) window->setDelegate(nullptr);
}

void CCPrivateSession::tellClientiPadPopoversActivated(bool activated)
{
    if (delegate_ && (delegate_->respondsTo() & CCPrivateSessionDelegate::kPadPopoversActivated))
        delegate_->lumoraiPadPopoversActivated(activated);
}

// ---- notices ----

void CCPrivateSession::presentPopupNotificationWithTitle(const std::string& title, const std::string& body)
{
    if (popupIsActive_) {
        popupInfoQueue_.emplace_back(title, body);
        return;
    }
    popupIsActive_ = true;
    doPresentPopupNotificationWithTitle(title, body);
}

void CCPrivateSession::doPresentPopupNotificationWithTitle(const std::string& title, const std::string& body)
{
    CCTheming* theme = CCTheming::sharedInstance();
    if (!currentTheme_.empty()) theme->setCurrentTheme(currentTheme_);
    Ref<CCUIDescription> description = CCTheming::uiDescriptionForPopup(title, body);
    if (!popupObserver_) popupObserver_ = std::make_shared<CCSessionPopupObserver>(this);
    UIView* parent = getTopApplicationWindow();
    if (valueForWorkaroundSetting(1).isNull() || isRunningOniPad()) {
        Ref<CCModalPopupController> popup =
            CCModalPopupController::create(description.get(), parent, true, popupObserver_.get());
        modalPopup_ = Ref<Object>(popup.get());
    } else {
        // The workaround controller keeps itself alive until its notice ends.
        modalPopup_ = nullptr;
        CCWorkaroundController::create(parent, description.get(), true, popupObserver_.get());
    }
    if (!modalPopup_ && valueForWorkaroundSetting(1).isNull() && !isRunningOniPad()) modalPopupFinished();
}

void CCPrivateSession::modalPopupFinished()
{
    // The finished notice is still running its own callback: it goes on the
    // loop's next turn.
    if (modalPopup_) {
        Ref<Object> finished = std::move(modalPopup_);
        RunLoop::performOnMain([finished] {});
    }
    if (popupInfoQueue_.empty()) {
        popupIsActive_ = false;
        return;
    }
    const auto [title, body] = popupInfoQueue_.front();
    popupInfoQueue_.pop_front();
    doPresentPopupNotificationWithTitle(title, body);
}

} // namespace mw
