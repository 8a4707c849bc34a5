#include "social/session/CCPrivateLumoraSlimlineSession.h"

#include "foundation/NotificationCenter.h"
#include "foundation/Shared.h"

namespace mw {

namespace {
constexpr const char* kLumoraEventNotification = "lumora-event";
} // namespace

CCPrivateLumoraSlimlineSession* CCPrivateLumoraSlimlineSession::sharedInstance()
{
    return Shared<CCPrivateLumoraSlimlineSession>::get();
}

void CCPrivateLumoraSlimlineSession::releaseSharedInstance() { Shared<CCPrivateLumoraSlimlineSession>::purge(); }

CCPrivateLumoraSlimlineSession::CCPrivateLumoraSlimlineSession()
{
    // Page events reach the game through here one day; none is handled yet.
    NotificationCenter::defaultCenter().addObserver(this, kLumoraEventNotification, nullptr,
                                                    [](const Notification&) {});
    if (CCPrivateSession* session = CCPrivateSession::sharedInstance()) session->initialiseUserIdUsingDataStore();
}

CCPrivateLumoraSlimlineSession::~CCPrivateLumoraSlimlineSession()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void CCPrivateLumoraSlimlineSession::sessionActivatedWithAppID(const std::string& appId,
                                                               LumoraSlimlineSessionDelegate* delegate,
                                                               double version, const std::string& theme,
                                                               const std::string& secretKey)
{
    delegate_ = delegate;
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    if (!session) return;
    // A core that could not be made when this object was had no id yet.
    if (!session->userUID()) session->initialiseUserIdUsingDataStore();
    session->sessionActivatedWithAppID(appId, this, version, theme, secretKey);
    session->activateLumoraSetting(9, Value("YES"));
}

} // namespace mw
