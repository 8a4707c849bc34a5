#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Value.h"
#include "platform/GameCenter.h"
#include "social/services/CCServiceSession.h"

namespace mw {

class Object;
class UIViewControllerBase;
class UIWindow;

// How the challenge, notification and game-centre steps reach the showing
// of the screens (the full UI, the pull tab, the notice queue). The session
// starts with every entry joined to its own showing; tests replace them.
// An entry left empty makes the session do the least it can (closing
// nothing, showing a notice through presentPopupNotificationWithTitle, no
// root).
struct CCSessionScreenHooks {
    std::function<void()> deactivateLumoraUI;
    std::function<void(const std::string& tabId, const std::optional<std::string>& url, bool loginRequired)>
        activateMainUIOnTabId;
    std::function<void(const std::string& tabId, const std::optional<std::string>& url, bool loginRequired)>
        activateLumoraUIOnTabId;
    std::function<void(const std::string& title, const std::string& body)> presentPopupNotification;
    std::function<bool()> popupIsActive;
    std::function<void()> ensureNotTopWindowDelegate;
    // The full UI's root controller, or null when the full UI is closed.
    std::function<Object*()> rootViewController;
    // The view controller the game centre's screens are presented on.
    std::function<UIViewControllerBase*()> presentingViewController;
};

// What the social screens (the navigation controllers, the pull tab, the
// dialogs, overlays and skinned views) ask of the session besides what the
// services do: its window and screen hooks, the orientation transform, the
// challenges, the game centre's screens and the device's contacts. Handed in
// and taken back by the session as the queues' is. Main thread.
class CCScreenSession : public CCServiceSession {
public:
    // The session made and not yet released, or null (not owned).
    static CCScreenSession* installed();
    static void install(CCScreenSession* session);
    // The session, made first when there is none (see CCQueueSession::shared).
    static CCScreenSession* shared();

    // The sender of the session's orientation notifications (the session).
    virtual Object* orientationNotifier() = 0;
    // The social screens' window (the view layer's key window), or null
    // when none was made. All session-made views are added to it.
    virtual UIWindow* getTopApplicationWindow() const = 0;
    // How the screens are shown and closed (owned by the session).
    virtual const CCSessionScreenHooks& screenHooks() const = 0;
    // The rotation that turns a portrait view to the device's orientation.
    virtual CGAffineTransform workaroundTransformForCurrentDeviceOrientation() = 0;
    // The system's major version is 2, 3 or 4.
    virtual bool isOnPreiOS5() const = 0;
    // Tells the session's delegate, when it listens, that the tablet's
    // popovers opened or closed.
    virtual void tellClientiPadPopoversActivated(bool activated) = 0;
    // Stores now as the last time the social screens were viewed.
    virtual void updateLumoraLastViewedTimestamp() = 0;
    // Turns setting 2 (no background activity) off when it is on.
    virtual void disableAvoidBackgroundActivity() = 0;

    // ---- challenges
    // Stores the start-challenge link's parts and answers its start page.
    virtual std::optional<std::string> notifyStartChallengeWithUrlString(const std::string& url) = 0;
    // The player accepted: the full UI closes, the pull tab goes back to its
    // closed state and the delegate hears the stored configuration.
    virtual void notifyStartChallengeConfirmed() = 0;

    // ---- forms and contacts
    // Adds "lumora-latitude", "lumora-longitude" and "_spring_security_remember_me".
    virtual void addCommonFieldsToFormModel(Value& form) const = 0;
    virtual bool isSMSMessagingSupported() const = 0;
    // The address book's e-mail addresses: an array of them, and a
    // dictionary from each person's first address to their name and picture.
    virtual Value getArrayOfAddressBookEmailAddresses() const = 0;
    virtual Value getArrayOfAddressBookEmailAddressesNamesAndContactIDs() const = 0;
    // Flags: 2 e-mail addresses, 4 phone numbers, 8 image URL.
    virtual Value getArrayOfContactsWith(int flags, int requiring) const = 0;
    // The manager registered for a service ("twitter", ...; not owned), or null.
    virtual Object* managerForService(const std::string& service) const = 0;

    // ---- game centre (each does nothing while support is off)
    virtual bool isLocalPlayerAuthenticated() const = 0;
    // Signs the local player in; the handler is never called while support is off.
    virtual void authenticateLocalPlayerWithCompletionHandler(
        std::function<void(const GameCenterResult&)> handler) = 0;
    // The friends' player objects; when they cannot be loaded, the ids (or
    // none) and the error.
    struct GameCenterFriends {
        std::optional<std::vector<GameCenterPlayer>> players;
        std::optional<std::vector<std::string>> ids;
    };
    virtual void getGameCenterLocalPlayerFriendsListWithCompletionHandler(
        std::function<void(const GameCenterFriends&, const GameCenterResult&)> handler) = 0;
    // Forgets what was posted to the game centre and asks for it again.
    virtual void doGameCenterSync() = 0;
    // The game centre's own leaderboard (of a category) and achievement screens.
    virtual void displayGKLeaderboardViewControllerWithCategory(
        const std::optional<std::string>& category) = 0;
    virtual void displayGKAchievementViewController() = 0;
};

} // namespace mw
