#pragma once

#include <optional>
#include <string>

#include "foundation/Value.h"

namespace mw {

class CCAsyncPostManager;
class CCGameCenterPostManager;
class Reachability;
struct HTTPRequest;

// What the records, the queues and the buffers ask of the session: its
// identity and signing, the state of the link, its numbered settings, the
// two post queues it owns and its notices. The session implements it and
// hands itself in when it is made (install), taking itself back when it
// leaves; until then installed() is null and these parts send nothing, as
// they do without a session. Main thread.
class CCQueueSession {
public:
    virtual ~CCQueueSession() = default;

    // The session made and not yet released, or null (not owned).
    static CCQueueSession* installed();
    static void install(CCQueueSession* session);

    // ---- identity and signing
    virtual const std::string& appId() const = 0;
    virtual double version() const = 0;
    virtual const std::string& secretKey() const = 0;
    // The game-centre identity sent with the player's data (game-centre support).
    virtual const std::optional<std::string>& gcPlayerID() const = 0;
    // Sets the "x-lumora-" headers on a request to the service's own hosts.
    virtual void addHeadersToURLRequest(HTTPRequest& request) = 0;
    virtual bool is2dotXOSVersion() const = 0;

    // ---- the link and the settings
    // The reachability of the service host (owned by the session), or null.
    virtual Reachability* reachability() const = 0;
    // Transfers wait for the data-sharing resolver, when there is one.
    virtual bool isReadyForNetworkTransfers() const = 0;
    // A numbered setting's value; null when it was never set.
    virtual const Value& valueForWorkaroundSetting(int number) const = 0;
    // Setting 9 is "YES": telemetry goes before the terms are accepted.
    virtual bool alwaysPostAnalytics() const = 0;
    virtual bool isGameCenterSupportEnabled() const = 0;
    virtual double minsSinceLumoraLastViewed() const = 0;
    // The player's sign-in facts (the login handler's).
    virtual bool hasActivatedUI() = 0;
    virtual bool isUserTOSAccepted() = 0;
    // The current theme's capabilities ("challengestab", "giftingtab", ...),
    // or nullopt when the theme names none.
    virtual std::optional<std::string> themeCapsString() = 0;

    // ---- the queues and notices
    // The post queue and the game centre's (owned by the session), or null.
    virtual CCAsyncPostManager* postManager() const = 0;
    virtual CCGameCenterPostManager* gcPostManager() const = 0;
    // Makes and starts the game centre's post queue when support is on.
    virtual void startGameCenterPostManager() = 0;
    // A themed notice strip, queued behind the one on screen.
    virtual void presentPopupNotificationWithTitle(const std::string& title, const std::string& body) = 0;
};

} // namespace mw
