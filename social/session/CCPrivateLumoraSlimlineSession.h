#pragma once

#include <string>

#include "foundation/Object.h"
#include "social/session/CCPrivateSession.h"

namespace mw {

class LumoraSlimlineSessionDelegate;

// The object behind the public session: it makes the session core (and with
// it the data store and the player's id) when first used, activates it with
// itself as the core's delegate, and turns telemetry posting on. It answers
// none of the core's optional callbacks. Main thread.
class CCPrivateLumoraSlimlineSession : public Object, public CCPrivateSessionDelegate {
public:
    static CCPrivateLumoraSlimlineSession* sharedInstance();
    static void releaseSharedInstance();

    // Listens for "lumora-event" and takes the user id from the data store.
    CCPrivateLumoraSlimlineSession();
    ~CCPrivateLumoraSlimlineSession() override;

    void sessionActivatedWithAppID(const std::string& appId, LumoraSlimlineSessionDelegate* delegate,
                                   double version, const std::string& theme, const std::string& secretKey);
    void sessionDeactivated() {}
    // Not owned; the game's delegate, never called.
    LumoraSlimlineSessionDelegate* delegate() const { return delegate_; }

private:
    LumoraSlimlineSessionDelegate* delegate_ = nullptr;
};

} // namespace mw
