#pragma once

#include <vector>

#include "foundation/Value.h"
#include "social/queues/CCQueueSession.h"

namespace mw {

class CCAchievementBuffer;
class CCDataSharing;
class CCLeaderboardBuffer;
class CCOffersBuffer;

// What the services (the login handler, the game session, the data sharing
// and its cloud store, the store purchases, the theme) ask of the session
// besides what the queues do: its settings, the orientation and kind of the
// device, the report buffers and the player's refresh. Handed in and taken
// back by the session as the queues' is. Main thread.
class CCServiceSession : public CCQueueSession {
public:
    // The session made and not yet released, or null (not owned).
    static CCServiceSession* installed();
    static void install(CCServiceSession* session);
    // The session, made first when there is none (see CCQueueSession::shared).
    static CCServiceSession* shared();

    // Sets a numbered setting (and acts on it, as the session does).
    virtual void activateLumoraSetting(int number, const Value& value) = 0;
    // Signature of the application id, the secret key and the two salts.
    virtual std::string applicationSignature() const = 0;
    // The data-sharing object (owned by the session), or null.
    virtual CCDataSharing* dataSharing() const = 0;

    // ---- the device
    virtual bool isRunningOniPad() = 0;
    // The orientation the screens take (1 portrait, 2 upside down, 3 and 4
    // landscape): the device's, within the locks; the interface's is 1 for
    // any other value.
    virtual int currentDeviceOrientation() = 0;
    virtual int currentInterfaceOrientation() = 0;
    // The orientations the screens may take (empty: any).
    virtual const std::vector<int>& deviceOrientationLockList() const = 0;

    // ---- the player
    // The report buffers (owned by the session), or null before setupBuffers.
    virtual CCAchievementBuffer* achievementBuffer() const = 0;
    virtual CCOffersBuffer* offersBuffer() const = 0;
    virtual CCLeaderboardBuffer* leaderboardBuffer() const = 0;
    // Posts "updateplayerinfo": the player's data is refreshed.
    virtual void sendUpdatePlayerNotification() = 0;
    // Asks the game centre for the player's earlier scores and achievements.
    virtual void requestHistoricLeaderboardAndAchievementData() = 0;
    // The pull tab, when there is one, goes back to its tab as a guest.
    virtual void tellPullTabUserSignedInChange() = 0;
};

} // namespace mw
