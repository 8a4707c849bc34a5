#pragma once

#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"

namespace mw {

class TallyReportSender;
class UIViewController;

// The game's way into the analytics client, and its only one. It keeps the
// process-wide settings, starts the analytics session once with the
// application key, follows the application's life cycle (resign active,
// become active, terminate) to pause, resume, renew and end sessions, and
// forwards events and the rest to the current session. No operation throws
// or reports an error: what fails below is caught and written to the debug
// log, and the state reached stays. Main thread, except where noted.
class TallyAnalytics {
public:
    using Parameters = std::map<std::string, std::string>;

    // What the game logged, as the game's own tests read it back.
    struct Event {
        std::string name;
        Parameters parameters;
    };

    static constexpr const char* kReportPath = "/aas.do";

    // --- Settings kept for sessions made later ---
    // Before startSession only; later calls show an alert and change nothing.
    static void setAppVersion(const std::string& version);
    static std::string getTallyAgentVersion();
    static void setDebugLogEnabled(bool enabled);
    static void setPromoRingEnabled(bool enabled);
    static void setVideoAdsEnabled(bool enabled);
    static void setPromoSpotEnabled(bool enabled);
    static void setRecallEnabled(bool enabled);
    static bool promoRingEnabled();
    static bool videoAdsEnabled();
    static bool promoSpotEnabled();
    static bool recallEnabled();
    // A pause longer than this starts a new session on resume (10 at start).
    static void setSessionContinueSeconds(int seconds);
    static void setMaxSessionsSaved(int count);

    // --- Sessions ---
    // Makes a new current session, re-applies the settings to it and sends
    // the stored sessions on a thread of their own.
    static void createAndSendSession();
    // Starts the client with the application key (spaces removed), once per
    // process; a second call shows an alert and changes nothing.
    static void startSession(const std::string& apiKey);
    static void endSession();
    // On resign active: pauses and closes the current session (it stays
    // current) and, with reports on pause, sends it on a thread of its own
    // inside a background task.
    static void pauseSession();
    // Ends the pending background task, if any. Any thread.
    static void stopBackgroundTask();
    // On become active: continues the paused session, or stores it and
    // starts a new one when the pause was longer than the continue seconds.
    static void resumeSession();

    // --- Events and the rest, forwarded to the current session ---
    static void logEvent(const std::string& name);
    static void logEvent(const std::string& name, const Parameters& parameters);
    static void logEvent(const std::string& name, bool timed);
    static void logEvent(const std::string& name, const Parameters& parameters, bool timed);
    // `parameters` replaces those of the ended events when given.
    static void endTimedEvent(const std::string& name, const std::optional<Parameters>& parameters);
    static void logError(const std::string& errorId, const std::string& message,
                         const std::exception* exception);
    // Counts the page views of a navigation or tab-bar controller from now
    // on into the current session; nothing for any other controller.
    static void logAllPageViews(UIViewController* controller);
    static void logPageView();
    static void setLatitude(double latitude, double longitude, float horizontalAccuracy,
                            float verticalAccuracy);
    static void setUserID(const std::string& userID);
    static void setEventLoggingEnabled(bool enabled);
    static void setSavedResponseURL(const std::string& url);
    static void setServerURL(const std::string& url);
    // The HTTPS report address for true, the plain-HTTP one for false,
    // replacing any address set before.
    static void setSecureTransportEnabled(bool enabled);
    static void setSessionReportsOnCloseEnabled(bool enabled);
    static void setSessionReportsOnPauseEnabled(bool enabled);
    static void setGender(const std::string& gender);
    static void setAge(int age);
    static void setShowErrorInLogEnabled(bool enabled);

    static bool udidEnabled() { return true; }
    static std::string savedResponseURL();
    static std::string serverURL();
    static std::string appVersion();
    static bool sendUsageInfo() { return true; }

    // The report host: $MOSSWICK_ANALYTICS_HOST, else the project's service.
    static std::string reportHost();

    // Installs what sends the reports (null: the client's own sender). Any thread.
    static void setReportSender(std::shared_ptr<TallyReportSender> sender);

    // The last 1,000 events logged since the last clearRecordedEvents,
    // oldest first, whether or not a session took them. Any thread.
    static std::vector<Event> recordedEvents();
    static void clearRecordedEvents();

    // Waits until every upload thread started so far has ended (tests).
    static void waitForUploadsForTesting();
    // The same at the program's end: the report sent as the program left the
    // foreground goes before the process does, and no upload thread runs on
    // into its static destructors. Each upload ends within its own timeout.
    static void finishUploads();

    // Back to the state of a fresh process: settings, the started flag, the
    // observers, the heart beat and the current session; waits for the
    // upload threads to end (tests).
    static void resetForTesting();
};

} // namespace mw
