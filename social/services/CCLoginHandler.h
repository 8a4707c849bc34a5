#pragma once

#include <string>

#include "foundation/Object.h"

namespace mw {

class Notification;

// The player's sign-in facts for the social client: whether the social UI
// was ever opened, whether the terms were accepted, whether the service's
// remember-me cookie is still valid and whether this opening is the first of
// the day; and what a user switch or sign-out resets. The two flags are
// cached from the data store: read once, written only on a change. Main thread.
class CCLoginHandler : public Object {
public:
    static CCLoginHandler* sharedInstance();
    static bool checkForSharedInstance();
    static void releaseSharedInstance();

    CCLoginHandler();
    ~CCLoginHandler() override;

    // A three-state cache of a data-store flag: 0 not read, 1 NO, 2 YES.
    bool getCachedBool(int& cache, const char* dataStoreKey) const;
    void setCachedBool(bool value, int& cache, const char* dataStoreKey);

    bool activatedUiProxy() { return getCachedBool(activatedUiCache_, kUiActivatedKey); }
    void setActivatedUiProxy(bool value) { setCachedBool(value, activatedUiCache_, kUiActivatedKey); }
    bool tosAcceptedProxy() { return getCachedBool(tosAcceptedCache_, kTosAcceptedKey); }
    void setTosAcceptedProxy(bool value) { setCachedBool(value, tosAcceptedCache_, kTosAcceptedKey); }

    bool hasActivatedUI() { return activatedUiProxy(); }
    bool isUserTOSAccepted() { return tosAcceptedProxy(); }
    bool isUserLoggedIn() const { return hasValidLoginCookie(); }
    // A remember-me cookie of the service that expires after now.
    bool hasValidLoginCookie() const;

    void uiHasBeenActivated();
    void uiHasBeenDeactivated() {}
    void tosWereAccepted();
    void tosWereDeclined() { setTosAcceptedProxy(false); }
    void userWasSwitched();
    void userWasSignedOut();
    void kickOffRetryOnCommsManagers();
    // No counted opening, or the last one more than 12 hours ago.
    bool isFirstUiActivationToday() const;
    void setIsFirstUiActivationToday(bool first);
    void fetchUpdateNotification(const Notification& notification);

    static constexpr const char* kUiActivatedKey = "loginHandlerUiActivated";
    static constexpr const char* kTosAcceptedKey = "loginHandlerTosAccepted";
    static constexpr const char* kUiActivatedTimerKey = "loginHandlerUiActivatedTimer";
    static constexpr const char* kUserChangeNotification = "lumorauserchange";

private:
    int activatedUiCache_ = 0;
    int tosAcceptedCache_ = 0;
};

} // namespace mw
