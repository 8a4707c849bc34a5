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
// leaves. It also hands in, at start-up, how it is made, so that a part
// below may make it on first use (shared) as its own callers do. Main thread.
class CCQueueSession {
public:
    virtual ~CCQueueSession() = default;

    // The session made and not yet released, or null (not owned).
    static CCQueueSession* installed();
    static void install(CCQueueSession* session);
    // The session, made first when there is none; null when it cannot be
    // made, or when no maker was handed in (not owned).
    static CCQueueSession* shared();
    // Makes the session, through the maker, when none is installed.
    static void makeIfNone();
    using Maker = void (*)();
    static void setMaker(Maker maker);

    // ---- identity and signing
    // The application's id, version and secret key, as activated.
    virtual const std::string& appId() const = 0;
    virtual double version() const = 0;
    virtual const std::string& secretKey() const = 0;
    // The game-centre identity sent with the player's data (game-centre support).
    virtual const std::optional<std::string>& gcPlayerID() const = 0;
    // Sets the "x-lumora-" headers on a request to the service's own hosts.
    virtual void addHeadersToURLRequest(HTTPRequest& request) = 0;
    // The system's major version is 2.
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
    // Minutes since the social screens were last viewed.
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
