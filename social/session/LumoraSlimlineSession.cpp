#include "social/session/LumoraSlimlineSession.h"

#include <cstdio>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/services/CCGameSession.h"
#include "social/services/CCLoginHandler.h"
#include "social/data/CCLumoraLog.h"
#include "social/screens/CCModalControllers.h"
#include "social/session/CCPrivateLumoraSlimlineSession.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCStorePurchases.h"
#include "social/services/CCTheming.h"
#include "social/ui/UIView.h"

namespace mw {

namespace {

constexpr const char* kPullTabId = "lumoraslimline";

LumoraSlimlineSession::CallObserver& callObserver()
{
    static LumoraSlimlineSession::CallObserver observer;
    return observer;
}

// One public operation: the test observer hears `call`; the trace line, when
// the operation has one, goes to the log while the switch is on.
void noteCall(const std::string& call, const std::string& traceLine = {})
{
    if (callObserver()) callObserver()(call);
    if (!traceLine.empty() && AllowPublicAPILog()) logLine("%s", traceLine.c_str());
}

std::string shortNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string joined(const std::vector<int>& numbers, const char* separator)
{
    std::string text;
    for (int number : numbers) text += (text.empty() ? "" : separator) + std::to_string(number);
    return text;
}

// The session core, or null (logged by its making) when it cannot be made.
CCPrivateSession* core() { return CCPrivateSession::sharedInstance(); }

} // namespace

void LumoraSlimlineSession::setCallObserver(CallObserver observer) { callObserver() = std::move(observer); }

void LumoraSlimlineSession::initWithAppID(const std::string& appID, LumoraSlimlineSessionDelegate* delegate,
                                          double version, const std::string& theme, const std::string& secretKey)
{
    noteCall("initWithAppID " + appID + " " + shortNumber(version) + " " + theme + " " + secretKey);
    CCPrivateLumoraSlimlineSession::sharedInstance()->sessionActivatedWithAppID(appID, delegate, version, theme,
                                                                                secretKey);
}

void LumoraSlimlineSession::closeLumoraSession()
{
    noteCall("closeLumoraSession", "--> closeLumoraSession");
    // A session never made (or ended with the program) has nothing to close.
    if (auto* session = Shared<CCPrivateLumoraSlimlineSession>::current()) session->sessionDeactivated();
}

int LumoraSlimlineSession::mapSlimlineSettingToPrivateSetting(int setting) { return setting == 1 ? 8 : -1; }

void LumoraSlimlineSession::activateLumoraSetting(int setting, const Value& value)
{
    const std::string text = value.isNull() ? std::string("(null)") : value.asString();
    noteCall(format("activateLumoraSetting %d %@", setting, text.c_str()),
             format("--> activateLumoraSetting: [set %d][val %@]", setting, text.c_str()));
    const int mapped = mapSlimlineSettingToPrivateSetting(setting);
    if (mapped == -1) return;
    if (CCPrivateSession* session = core()) session->activateLumoraSetting(mapped, value);
}

void LumoraSlimlineSession::lockToOrientation(int orientation)
{
    noteCall(format("lockToOrientation %d", orientation), format("--> lockToOrientation: [%d]", orientation));
    if (CCPrivateSession* session = core()) session->lockToOrientation(orientation);
}

void LumoraSlimlineSession::lockToOrientationList(const std::vector<int>& orientations)
{
    noteCall("lockToOrientationList " + joined(orientations, ","),
             "--> lockToOrientationList: [(" + joined(orientations, ", ") + ")]");
    if (CCPrivateSession* session = core()) session->lockToOrientationList(orientations);
}

void LumoraSlimlineSession::activateLumoraUI() { activateLumoraPullTabUIFromScreenEdge(0, false); }

void LumoraSlimlineSession::activateLumoraUIFromScreenEdge(const std::string& edge)
{
    if (edge == "bottom") return activateLumoraPullTabUIFromScreenEdge(0, false);
    if (edge == "top") return activateLumoraPullTabUIFromScreenEdge(2, false);
    logLine("%s Invalid screen edge requested for Lumora Slimline tab overlay", kLumoraError);
}

void LumoraSlimlineSession::activateLumoraPullTabUIFromScreenEdge(int screenEdge)
{
    activateLumoraPullTabUIFromScreenEdge(screenEdge, true);
}

void LumoraSlimlineSession::activateLumoraPullTabUIFromScreenEdge(int screenEdge, bool closed)
{
    noteCall(format("activateLumoraSlimlineUI %d %d", screenEdge, int(closed)),
             format("--> activateLumoraSlimlineUI [screenEdge %d][closed %d]", screenEdge, int(closed)));
    CCDataStore::sharedInstance()->logUsageDataForUiActivatedWithType("LUMORASLIMLINE_PULLTAB");
    if (CCPrivateSession* session = core()) session->activateLumoraPullTabOn(kPullTabId, screenEdge, closed);
}

void LumoraSlimlineSession::deactivateLumoraUI()
{
    noteCall("deactivateLumoraUI", "--> deactivateLumoraUI");
    // Screens leaving call this from their destructors, the program's end
    // included: it makes nothing, and without a store or a core (none made,
    // or both ended) there is nothing to record or take down.
    if (CCDataStore* store = Shared<CCDataStore>::current())
        store->logUsageDataForUiActivatedWithType("DEACTIVATED_PULLTAB");
    if (CCPrivateSession* session = Shared<CCPrivateSession>::current()) session->deactivateLumoraPullTab();
}

void LumoraSlimlineSession::endSocialClient()
{
    // The screens first: the notices that keep themselves alive, then the
    // core with the pull tab, the full screens, the embedded view and the
    // dialog it shows; the view layer's animations let go of their views.
    CCWorkaroundController::releaseAll();
    CCPrivateLumoraSlimlineSession::releaseSharedInstance();
    CCPrivateSession::releaseSharedInstance();
    UIView::removeAllAnimations();
    // Then what the screens and the core used, the data store last (written:
    // its queued records are kept for the next run).
    CCLoginHandler::releaseSharedInstance();
    CCGameSession::releaseSharedInstance();
    CCSKTransactionHandler::releaseSharedInstance();
    CCSKProductInfo::releaseSharedInstance();
    CCFetchManager::releaseSharedInstance();
    CCTheming::releaseSharedInstance();
    CCDataStore::releaseSharedInstance();
}

bool LumoraSlimlineSession::isLumoraUIActive()
{
    noteCall("isLumoraUIActive", "--> isLumoraUIActive");
    CCPrivateSession* session = core();
    return session && session->isLumoraPullTabUIActive();
}

void LumoraSlimlineSession::willRotateToInterfaceOrientation(int orientation, double durationSeconds)
{
    noteCall("willRotateToInterfaceOrientation " + std::to_string(orientation) + " " + shortNumber(durationSeconds),
             format("--> willRotateToInterfaceOrientation: [to %d][duration %f]", orientation, durationSeconds));
    if (CCPrivateSession* session = core()) session->willRotateToInterfaceOrientation(orientation, durationSeconds);
}

void LumoraSlimlineSession::didRotateFromInterfaceOrientation(int previousOrientation)
{
    noteCall(format("didRotateFromInterfaceOrientation %d", previousOrientation),
             format("--> didRotateFromInterfaceOrientation: [from %d]", previousOrientation));
    if (CCPrivateSession* session = core()) session->didRotateFromInterfaceOrientation(previousOrientation);
}

} // namespace mw
