#pragma once

#include <memory>
#include <string>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

class CCConfigurationData;
class KeychainWrapper;
class Notification;

// The game's configuration as the service chose it for this player (a name,
// a type and a payload), downloaded at most once a day when downloads are
// enabled, kept in the data store ("gameconfigtimestamp") and, with keychain
// access, in the keychain; and the game's own usage log ("gameusagedata" of
// the data store), which telemetry sends. Every change of the configuration
// is announced by kConfigurationUpdateNotification (object the session,
// user info {"success": bool, "config": the record when one is held}).
// Main thread.
class CCGameSession : public Object {
public:
    static constexpr const char* kConfigurationUpdateNotification = "KCCGameSessionConfigurationUpdate";
    static constexpr const char* kTimestampKey = "gameconfigtimestamp";
    static constexpr const char* kUsageKey = "gameusagedata";
    static constexpr const char* kInstallEvent = "GAME_APP_INSTALL";
    // Event ids are cut to this many UTF-16 units.
    static constexpr size_t kMaxEventIdLength = 255;
    static constexpr int kDownloadPriority = 700;
    static constexpr double kDownloadInterval = 86400;

    static CCGameSession* sharedInstance();
    static void releaseSharedInstance();

    // Keychain access off; reads the time stamp.
    CCGameSession();
    ~CCGameSession() override;

    // On: reads the three keychain values (announced on a later turn).
    // Off: writes them, then drops the keychain.
    void setEnableKeychainAccess(bool enable);
    // Numbered setting 10; enabling downloads at once.
    void setDownloadConfigurationsEnabled(bool enable);
    bool downloadConfigurationsEnabled() const;
    // Fetches a configuration when the last download is more than a day
    // away (either way); else announces whether one is held.
    void downloadConfiguration();
    void fetchUpdateNotification(const Notification& notification);
    // The signed request address.
    std::string urlForConfigurationData() const;
    // Only while none is held and only for the type "json".
    void initialiseConfigurationWithData(const Value& data, const std::string& type);
    void initialiseConfigurationWithDataString(const std::string& text, const std::string& type);
    void writeToFile();
    void writeToKeychain();
    void readFromFile();
    void readFromKeychain();
    void postConfigurationUpdatedNotificationWithSuccess(bool success);

    // {"configuration": the configuration's name, or "none"}.
    Value gameSessionAnalytics() const;
    // Appends [offset time, id, data] to the usage log and writes the store.
    // An empty id logs nothing; a longer one is cut (never inside a
    // surrogate pair); data the JSON writer refuses is refused with a log line.
    void logUsageForId(const std::string& eventId, const Value& data = Value());
    // Once per install.
    void logApplicationInstallEvent();

    const Ref<CCConfigurationData>& gameConfig() const { return gameConfig_; }
    double gameConfigDownloadedTimeStamp() const { return gameConfigDownloadedTimeStamp_; }
    bool hasKeychain() const { return keychain_ != nullptr; }

private:
    Ref<CCConfigurationData> gameConfig_;
    double gameConfigDownloadedTimeStamp_ = 0;
    std::unique_ptr<KeychainWrapper> keychain_;
    bool observing_ = false;
};

} // namespace mw
