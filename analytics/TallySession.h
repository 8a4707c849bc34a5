#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "analytics/TallyEvent.h"
#include "analytics/TallyProtocolData.h"
#include "foundation/Clock.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

namespace mw {

// One analytics session: the span from the program becoming active until it
// ends or stays in the background too long. It counts and logs events,
// errors, page views and ad impressions within fixed limits, carries the
// device's locale, time zone and location and the user's id, gender and
// age, saves itself to the current-session file after most changes, and
// turns itself into a binary session record. The class side keeps the one
// current session and builds the report that carries session records to the
// server, closed by a CRC-32.
//
// A session is used on the main thread; a sender thread takes the current
// session's record through currentSessionRecord(), which the main thread
// hands over (see the sender).
class TallySession : public Object, public Archivable {
public:
    using Bytes = TallyProtocolData::Bytes;

    static constexpr int kMaxEventParameters = 10;
    static constexpr int kMaxEventCounts = 100;
    static constexpr int kMaxEventLogCount = 1000;
    static constexpr int kMaxErrors = 10;
    static constexpr int kMaxImpressions = 1000;
    static constexpr int kAgentVersion = 78;
    static constexpr int kProtocolVersion = 22;

    // An error entry: its number, when it was recorded, the caller's id, the
    // message and the exception's text (missing texts are empty).
    struct ErrorEntry {
        int32_t number = 0;
        double date = 0;
        std::string errorId;
        std::string message;
        std::string exceptionText;
    };

    // An empty session; decoding fills it.
    TallySession() = default;
    ~TallySession() override;
    // A new session that starts now, saved to the current-session file at once.
    static Ref<TallySession> sessionWithAPIKey(const std::string& apiKey, const std::string& appVersion);

    // --- Life cycle ---
    // Starts a pause now (replacing an earlier one) and saves.
    void pauseSession();
    // Adds the pause that ended now to the pause total and saves; nothing
    // without a pause.
    void resumeSession();
    // endSessionAndSend(true, true).
    void endSession();
    // Sets the end time, closes the open timed events, sends the end-of-session
    // report when `send` and reports on close are on, and saves the session
    // away when `remove`.
    void endSessionAndSend(bool send, bool remove);
    // Adds the session's record to the stored sessions, deletes the
    // current-session file and leaves no current session.
    void saveSession();
    void saveToDisk() const;

    // --- Events ---
    // Counts and logs an event within the limits (see the definition); the
    // session is not saved here. `parameters` is a dictionary or null.
    void recordEvent(const std::string& name, const Value& parameters = {}, bool timed = false);
    // Ends every open timed event of the name now; replaces its parameters
    // when `parameters` is a dictionary.
    void endTimedEvent(const std::string& name, const Value& parameters = {});
    // Closes the open events, and those closed by this before, at the end time.
    void endTimedEvents();

    // --- Errors and impressions ---
    // The exception's text is "<type>: <what>", or "nil" without one.
    void recordError(const std::string& errorId, const std::string& message, const std::exception* exception);
    void recordErrorWithExceptionString(const std::string& errorId, const std::string& message,
                                        const std::string& exceptionText);
    void recordAdImpression(const Bytes& impression);
    void recordPromoSpotAdImpression(const Bytes& impression);

    // --- Location and user ---
    void setLocation(double latitude, double longitude, float horizontalAccuracy, float verticalAccuracy);
    void setUserID(const std::string& userID);
    // The user's id, or the empty text when none is set.
    std::string userID() const { return hasUserID_ ? userID_ : std::string(); }
    // "m" gives 1, "f" gives 0, anything else (or nothing) -1.
    void setGender(const std::optional<std::string>& gender);
    int32_t gender() const { return gender_; }
    // Ages 1 to 150 set the age to 1 January, 00:00 local time, of the birth year.
    void setAge(int years);
    const TallyDate& age() const { return age_; }

    // --- Switches (not archived; read back as off) ---
    void setEventLoggingEnabled(bool enabled);
    bool eventLoggingEnabled() const { return eventLoggingEnabled_; }
    void setSessionReportsOnCloseEnabled(bool enabled);
    bool sessionReportsOnCloseEnabled() const { return sessionReportsOnCloseEnabled_; }
    void setSessionReportsOnPauseEnabled(bool enabled);
    bool sessionReportsOnPauseEnabled() const { return sessionReportsOnPauseEnabled_; }

    // One page view, unless one was counted less than 0.3 s before in this
    // process (by any session). Not saved here.
    void maybeIncrementPageView();

    // --- Times ---
    int64_t timeIntervalSinceSessionStart(double date) const;
    // Milliseconds from start to end; -1 while the session has no end.
    int64_t sessionLength() const;

    // The session record; nothing when an entry read from an archive has
    // the wrong kind.
    std::optional<Bytes> data() const;

    // --- Accessors ---
    bool crashed() const { return crashed_; }
    void setCrashed(bool crashed) { crashed_ = crashed; }
    double startTime() const { return startTime_; }
    const TallyDate& endTime() const { return endTime_; }
    void setEndTime(TallyDate endTime) { endTime_ = endTime; }
    const TallyDate& pauseTime() const { return pauseTime_; }
    int64_t totalPauseIntervalMillis() const { return totalPauseIntervalMillis_; }
    const std::string& apiKey() const { return apiKey_; }
    const std::string& appVersion() const { return appVersion_; }
    void setAppVersion(const std::string& version) { appVersion_ = version; }
    int32_t pageViewCount() const { return pageViewCount_; }
    void setPageViewCount(int32_t count) { pageViewCount_ = count; }
    bool internetAvailable() const { return internetAvailable_; }
    void setInternetAvailable(bool available) { internetAvailable_ = available; }
    double latitude() const { return latitude_; }
    double longitude() const { return longitude_; }
    float accuracy() const { return accuracy_; }
    const ValueDictionary& eventCounts() const { return eventCounts_; }
    const std::vector<Ref<TallyEvent>>& eventLog() const { return eventLog_; }
    bool eventLogComplete() const { return eventLogComplete_; }
    const std::vector<ErrorEntry>& errors() const { return errors_; }
    int32_t totalErrorCount() const { return totalErrorCount_; }
    const std::vector<Bytes>& adLog() const { return adLog_; }
    const std::vector<Bytes>& promoSpotAdLog() const { return promoSpotAdLog_; }
    const std::string& locale() const { return locale_; }
    const std::string& timeZone() const { return timeZone_; }
    int32_t serializationVersion() const { return serializationVersion_; }

    std::string className() const override { return "TallySession"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;

    // --- Class side ---
    // Stores a session left in the current-session file by an earlier run as
    // crashed, then makes and answers a new current session.
    static Ref<TallySession> createActiveTallySession(const std::string& apiKey,
                                                      const std::string& appVersion);
    static Ref<TallySession> currentSession();
    static void setCurrentSession(Ref<TallySession> session);
    static std::string getAgentVersion() { return "78"; }
    // The value cut to three decimals (toward zero), clamped to the 32-bit
    // range of thousandths first; NaN gives 0.
    static double reduceLocationPrecision(double value);

    // What a report carries: stored records as they are, or a session whose
    // record is taken as the report is built.
    using ReportItem = std::variant<Bytes, Ref<TallySession>>;
    struct AdRequest {
        bool promoRing = false;
        bool video = false;
        bool promoSpot = false;
        bool recall = false;
        bool any() const { return promoRing || video || promoSpot || recall; }
    };
    // The report: header, device identifiers and properties, the session
    // records, and the CRC-32 of all of it. `reportTime` (seconds since 1970)
    // is the report's own time; by default the clock read on the calling thread.
    static Bytes dataForSessions(const std::vector<ReportItem>& sessions, AdRequest ads,
                                 double reportTime = Clock::wallSeconds());
    // Appends the CRC-32 of the buffer's bytes, big-endian, and answers it.
    static uint32_t appendSessionsDataChecksum(Bytes& data);
    // What sends the end-of-session report (the stored records and this
    // session's, on the calling thread); the sender installs it. Without one
    // no report is sent.
    static void setEndOfSessionReportSender(std::function<void()> sender);
    // Forgets the time of the last counted page view (tests).
    static void resetPageViewClockForTesting();

private:
    void recordImpression(std::vector<Bytes>& log, const Bytes& impression, const char* leaving);

    mutable int32_t serializationVersion_ = 0; // becomes 1 whenever the session is archived
    double startTime_ = 0;
    TallyDate endTime_;
    TallyDate pauseTime_;
    int64_t totalPauseIntervalMillis_ = 0;
    double latitude_ = 0;
    double longitude_ = 0;
    float accuracy_ = 0;
    bool crashed_ = false;
    std::string apiKey_;
    std::string appVersion_;
    std::string userID_;
    bool hasUserID_ = false;
    ValueDictionary eventCounts_;
    std::vector<Ref<TallyEvent>> eventLog_;
    bool eventLogComplete_ = true;
    std::vector<ErrorEntry> errors_;
    int32_t totalErrorCount_ = 0;
    std::vector<Bytes> adLog_;
    std::vector<Bytes> promoSpotAdLog_;
    bool eventLoggingEnabled_ = true;
    bool sessionReportsOnCloseEnabled_ = true;
    bool sessionReportsOnPauseEnabled_ = false;
    int32_t pageViewCount_ = 0;
    std::string locale_;
    std::string timeZone_;
    bool internetAvailable_ = true;
    int32_t gender_ = -1;
    TallyDate age_;
    // Set when an archive held an entry of the wrong kind: no record can be made.
    bool malformed_ = false;
};

} // namespace mw
