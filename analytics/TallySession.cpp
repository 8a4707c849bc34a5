#include "analytics/TallySession.h"

#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <stdexcept>

#include "analytics/TallyArchiveDate.h"
#include "analytics/TallyAutoIncrement.h"
#include "analytics/TallyFileCache.h"
#include "analytics/TallyIdentifiers.h"
#include "analytics/TallyImageCache.h"
#include "analytics/TallySessionStore.h"
#include "analytics/TallyUtil.h"
#include "foundation/Clock.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "platform/DeviceFacts.h"

namespace mw {

namespace {

const ArchivableRegistration<TallySession> registration("TallySession");

using P = TallyProtocolData;

struct ClassState {
    std::mutex lock; // the current session and the end-of-session sender
    Ref<TallySession> current;
    std::function<void()> endOfSessionSender;
    std::mutex pageViewLock;
    TallyDate lastPageView; // shared by every session of the process
};

ClassState& classState()
{
    static ClassState* const shared = new ClassState();
    return *shared;
}

double now() { return Clock::wallSeconds(); }

// A date as the platform printed one in its logs.
std::string dateText(double unixSeconds)
{
    const time_t seconds = static_cast<time_t>(std::floor(unixSeconds));
    tm utc {};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &utc);
    return text;
}

std::string dateText(const TallyDate& date) { return date ? dateText(*date) : std::string("(null)"); }

std::string describe(const Value& parameters)
{
    if (!parameters.isDict()) return "(null)";
    std::string text = "{";
    for (const auto& [key, value] : parameters.asDict()) {
        text += " " + key + " = " + TallyEvent::parameterText(value) + ";";
    }
    return text + " }";
}

// Formats nothing while debug logging is off: these lines sit on the paths
// the game calls for every event.
template <typename... Args> void debug(std::string_view fmt, const Args&... args)
{
    if (!TallyUtil::isDebugLogEnabled()) return;
    TallyUtil::debugLog(format(fmt, args...));
}

void appendReportItem(const TallySession::ReportItem& item, P::Bytes& records, int& count)
{
    if (const auto* bytes = std::get_if<P::Bytes>(&item)) {
        records.insert(records.end(), bytes->begin(), bytes->end());
        ++count;
        return;
    }
    const Ref<TallySession>& session = std::get<Ref<TallySession>>(item);
    if (!session) return;
    const std::optional<P::Bytes> record = session->data();
    if (!record) return;
    records.insert(records.end(), record->begin(), record->end());
    ++count;
}

} // namespace

TallySession::~TallySession() { TallyUtil::debugLog("TallyAnalytics: dealloc session"); }

Ref<TallySession> TallySession::sessionWithAPIKey(const std::string& apiKey, const std::string& appVersion)
{
    auto session = makeRef<TallySession>();
    session->startTime_ = now();
    session->apiKey_ = apiKey;
    session->appVersion_ = appVersion;
    const std::shared_ptr<DeviceFacts> facts = DeviceFacts::sharedInstance();
    session->locale_ = facts->localeIdentifier();
    session->timeZone_ = facts->timeZoneName();
    session->saveToDisk();
    debug("TallyAnalytics: Initialized session from scratch with startTime[%@]",
          dateText(session->startTime_));
    return session;
}

// --- Life cycle ---

void TallySession::pauseSession()
{
    pauseTime_ = now();
    saveToDisk();
    debug("TallyAnalytics: Pause session with pauseTime[%@]", dateText(pauseTime_));
}

void TallySession::resumeSession()
{
    if (!pauseTime_) return;
    const double resumed = now();
    totalPauseIntervalMillis_ += P::timeIntervalFrom(pauseTime_, resumed);
    pauseTime_.reset();
    saveToDisk();
    debug("TallyAnalytics: Resume session with resumeTime[%@]", dateText(resumed));
}

void TallySession::endSession() { endSessionAndSend(true, true); }

void TallySession::endSessionAndSend(bool send, bool remove)
{
    endTime_ = now();
    debug("TallyAnalytics: Ending session with endTime[%@]", dateText(endTime_));
    endTimedEvents();
    if (sessionReportsOnCloseEnabled_ && send) {
        std::function<void()> sender;
        {
            std::lock_guard<std::mutex> guard(classState().lock);
            sender = classState().endOfSessionSender;
        }
        if (sender) sender();
    }
    if (remove) saveSession();
    debug("TallyAnalytics: Ending session with endTime[%@] complete", dateText(endTime_));
}

void TallySession::saveSession()
{
    debug("TallyAnalytics: Add session with startTime[%@] to saved sessions", dateText(startTime_));
    std::optional<Bytes> record = data();
    // Without a record the session stays current and on disk, as it was.
    if (!record) throw std::runtime_error("TallySession: the session has no record to store");
    TallySessionStore::addToSavedSessions(std::move(*record));
    TallySessionStore::deleteCurrentSession();
    const Ref<TallySession> keepAlive(this); // the current session may be this one's last owner
    if (currentSession().get() == this) setCurrentSession(nullptr);
}

void TallySession::saveToDisk() const { (void)TallySessionStore::writeCurrentSession(*this); }

// --- Events ---

void TallySession::recordEvent(const std::string& name, const Value& parameters, bool timed)
{
    const std::string described = TallyUtil::isDebugLogEnabled() ? describe(parameters) : std::string();
    debug("TallyAnalytics: Recording event eventName[%@] with parameters[%@]", name, described);
    if (name.empty() || parameters.asDict().size() > size_t(kMaxEventParameters)) {
        eventLogComplete_ = false;
        debug("TallyAnalytics: Event eventName[%@] with parameters[%@] not recorded", name, described);
    } else {
        bool counted = false;
        if (Value* count = eventCounts_.find(name)) {
            *count = Value(count->asInt() + 1);
            counted = true;
        } else if (eventCounts_.size() < size_t(kMaxEventCounts)) {
            eventCounts_.set(name, Value(int32_t(1)));
            counted = true;
        }
        if (counted) {
            debug("TallyAnalytics: Event count for eventName[%@] updated to count[%d]", name,
                  eventCounts_.find(name)->asInt());
        }
        if (counted && eventLog_.size() < size_t(kMaxEventLogCount) && eventLoggingEnabled_) {
            eventLog_.push_back(
                TallyEvent::eventWithName(name, timed, parameters.isDict() ? parameters : Value()));
            debug("TallyAnalytics: Event log for eventName[%@] updated", name);
        } else {
            eventLogComplete_ = false;
        }
    }
    debug("TallyAnalytics: Recording event eventName[%@] with parameters[%@] complete", name, described);
}

void TallySession::endTimedEvent(const std::string& name, const Value& parameters)
{
    const double ended = now();
    for (const Ref<TallyEvent>& event : eventLog_) {
        if (!event->isUnterminated() || event->name() != name) continue;
        event->setEnded(ended);
        if (parameters.isDict()) event->setParameters(parameters);
        debug("TallyAnalytics: event named[%@] ended at %@", name, dateText(ended));
    }
}

void TallySession::endTimedEvents()
{
    debug("TallyAnalytics: ending all unterminated timed events with _endTime[%@]...", dateText(endTime_));
    if (endTime_) {
        for (const Ref<TallyEvent>& event : eventLog_) {
            if (!event->isUnterminated() && !event->automaticallyEnded()) continue;
            event->closeAtSessionEnd(*endTime_);
            debug("TallyAnalytics: forcefully terminated event named[%@]", event->name());
        }
    }
    TallyUtil::debugLog("TallyAnalytics: ...finished ending un-ended timed events.");
}

// --- Errors and impressions ---

void TallySession::recordError(const std::string& errorId, const std::string& message,
                               const std::exception* exception)
{
    std::string text = "nil";
    if (exception)
        text = format("%@: %@", { TallyUtil::exceptionName(*exception), std::string(exception->what()) });
    debug("TallyAnalytics: Recording error id[%@] with message[%@] and exception[%@]", errorId, message,
          text);
    recordErrorWithExceptionString(errorId, message, text);
    debug("TallyAnalytics: Recording error id[%@] with message[%@] and exception[%@] complete", errorId,
          message, text);
}

void TallySession::recordErrorWithExceptionString(const std::string& errorId, const std::string& message,
                                                  const std::string& exceptionText)
{
    ++totalErrorCount_;
    if (errors_.size() < size_t(kMaxErrors)) {
        ErrorEntry entry { TallyAutoIncrement::instance().nextCountFor(TallyAutoIncrement::kErrorCounter),
                           now(), errorId, message, exceptionText };
        debug("TallyAnalytics: Error id[%@] updated", entry.number);
        errors_.push_back(std::move(entry));
    } else {
        debug("TallyAnalytics: Error id[%@] not recorded", errorId);
    }
    saveToDisk();
}

void TallySession::recordImpression(std::vector<Bytes>& log, const Bytes& impression, const char* leaving)
{
    if (log.size() < size_t(kMaxImpressions)) {
        auto equal = std::find(log.begin(), log.end(), impression);
        if (equal != log.end()) {
            debug("TallyAnalytics: Replacing ad impression [%p]", static_cast<const void*>(&*equal));
            *equal = impression;
        } else {
            log.push_back(impression);
            debug("TallyAnalytics: Recording ad impression [%p]", static_cast<const void*>(&log.back()));
        }
        saveToDisk();
    } else {
        TallyUtil::debugLog("TallyAnalytics: Impression not recorded because max impression is reached");
    }
    TallyUtil::debugLog(leaving);
}

void TallySession::recordAdImpression(const Bytes& impression)
{
    recordImpression(adLog_, impression,
                     "TallyAnalytics: Leaving recordAdImpression. Recording ad impression complete.");
}

void TallySession::recordPromoSpotAdImpression(const Bytes& impression)
{
    recordImpression(
        promoSpotAdLog_, impression,
        "TallyAnalytics: Leaving recordPromoSpotAdImpression. Recording ad impression complete.");
}

// --- Location and user ---

double TallySession::reduceLocationPrecision(double value)
{
    return static_cast<double>(P::clampToInt32(value * 1000.0)) / 1000.0;
}

void TallySession::setLocation(double latitude, double longitude, float horizontalAccuracy,
                               float verticalAccuracy)
{
    latitude_ = reduceLocationPrecision(latitude);
    longitude_ = reduceLocationPrecision(longitude);
    const double meanAccuracy = (std::fabs(static_cast<double>(horizontalAccuracy)) +
                                 std::fabs(static_cast<double>(verticalAccuracy))) /
                                2;
    accuracy_ = static_cast<float>(reduceLocationPrecision(meanAccuracy));
    debug("TallyAnalytics: New location set with lat[%f] long[%f] accuracy[%f]", latitude_, longitude_,
          accuracy_);
    saveToDisk();
}

void TallySession::setUserID(const std::string& userID)
{
    userID_ = userID;
    hasUserID_ = true;
    debug("TallyAnalytics: Set userID[%@]", userID);
}

void TallySession::setGender(const std::optional<std::string>& gender)
{
    gender_ = gender == "m" ? 1 : gender == "f" ? 0 : -1;
    debug("given gender [%@], _gender = [%d]", gender ? *gender : std::string("(null)"), gender_);
}

void TallySession::setAge(int years)
{
    if (years < 1 || years > 150) return;
    const time_t present = static_cast<time_t>(std::floor(now()));
    tm local {};
    localtime_r(&present, &local);
    tm birth {};
    birth.tm_year = local.tm_year - years;
    birth.tm_mon = 0;
    birth.tm_mday = 1;
    birth.tm_isdst = -1;
    age_ = static_cast<double>(mktime(&birth));
    debug("TallyAnalytics: set age to [%@]", dateText(age_));
}

// --- Switches and page views ---

void TallySession::setEventLoggingEnabled(bool enabled)
{
    eventLoggingEnabled_ = enabled;
    debug("TallyAnalytics: Event logging enabled[%d]", enabled);
}

void TallySession::setSessionReportsOnCloseEnabled(bool enabled)
{
    sessionReportsOnCloseEnabled_ = enabled;
    debug("TallyAnalytics: Session reports on close enabled[%d]", enabled);
}

void TallySession::setSessionReportsOnPauseEnabled(bool enabled)
{
    sessionReportsOnPauseEnabled_ = enabled;
    debug("TallyAnalytics: Session reports on pause enabled[%d]", enabled);
}

void TallySession::maybeIncrementPageView()
{
    ClassState& shared = classState();
    std::lock_guard<std::mutex> guard(shared.pageViewLock);
    const double present = now();
    // Compared in whole microseconds: 0.3 s exactly must not count, whatever
    // the rounding of two large second counts.
    if (shared.lastPageView && std::llround((present - *shared.lastPageView) * 1e6) <= 300'000) return;
    ++pageViewCount_;
    shared.lastPageView = present;
}

void TallySession::resetPageViewClockForTesting()
{
    std::lock_guard<std::mutex> guard(classState().pageViewLock);
    classState().lastPageView.reset();
}

// --- Times and the record ---

int64_t TallySession::timeIntervalSinceSessionStart(double date) const
{
    return P::timeIntervalFrom(startTime_, date);
}

int64_t TallySession::sessionLength() const
{
    if (!endTime_) return -1;
    return P::timeIntervalFrom(startTime_, endTime_);
}

std::optional<TallySession::Bytes> TallySession::data() const
{
    if (malformed_) return std::nullopt;
    Bytes data;
    data.reserve(256 + eventLog_.size() * 48);
    P::appendUshort(static_cast<uint16_t>(serializationVersion_), data);
    P::appendString(appVersion_, data);
    P::appendTimestamp(startTime_, data);
    P::appendLong(sessionLength(), data);
    P::appendLong(totalPauseIntervalMillis_, data);
    P::appendString(locale_, data);
    P::appendString(timeZone_, data);
    P::appendBoolean(internetAvailable_, data);
    P::appendString(userID(), data);
    P::appendBoolean(true, data); // a location is always written
    P::appendDouble(latitude_, data);
    P::appendDouble(longitude_, data);
    P::appendFloat(accuracy_, data);
    P::appendInt(pageViewCount_, data);
    P::appendByte(static_cast<int8_t>(gender_), data);
    P::appendBoolean(age_.has_value(), data);
    if (age_) P::appendTimestamp(*age_, data);
    P::appendUshort(static_cast<uint16_t>(eventCounts_.size()), data);
    for (const auto& [name, count] : eventCounts_) {
        P::appendString(name, data);
        P::appendInt(count.asInt(), data);
    }
    P::appendUshort(static_cast<uint16_t>(eventLog_.size()), data);
    for (const Ref<TallyEvent>& event : eventLog_) event->appendData(startTime_, data);
    P::appendBoolean(eventLogComplete_, data);
    P::appendInt(totalErrorCount_, data);
    P::appendUshort(static_cast<uint16_t>(errors_.size()), data);
    for (const ErrorEntry& error : errors_) {
        P::appendUshort(static_cast<uint16_t>(error.number), data);
        P::appendTimestamp(error.date, data);
        P::appendString(error.errorId, data);
        P::appendString(error.message, data);
        P::appendString(error.exceptionText, data);
    }
    for (const std::vector<Bytes>* log : { &adLog_, &promoSpotAdLog_ }) {
        P::appendUshort(static_cast<uint16_t>(log->size()), data);
        for (const Bytes& impression : *log) data.insert(data.end(), impression.begin(), impression.end());
    }
    return data;
}

// --- Archive ---

void TallySession::encodeWithCoder(KeyedArchiver& coder) const
{
    serializationVersion_ = 1;
    coder.encodeInt32("serializationVersion", serializationVersion_);
    coder.encodeValue("startTime", archiveDateValue(startTime_));
    if (endTime_) coder.encodeValue("endTime", archiveDateValue(*endTime_));
    if (pauseTime_) coder.encodeValue("pauseTime", archiveDateValue(*pauseTime_));
    coder.encodeInt64("pauseIntervalMillis", totalPauseIntervalMillis_);
    coder.encodeValue("eventCounts", Value(eventCounts_));
    ArchiveItem::Items events;
    events.reserve(eventLog_.size());
    for (const Ref<TallyEvent>& event : eventLog_) events.emplace_back(event);
    coder.encodeItem("eventLog", ArchiveItem::array(std::move(events)));
    coder.encodeBool("eventLogComplete", eventLogComplete_);
    Value::Array errors;
    for (const ErrorEntry& error : errors_) {
        errors.push_back(
            Value::array({ Value(error.number), archiveDateValue(error.date), Value(error.errorId),
                           Value(error.message), Value(error.exceptionText) }));
    }
    coder.encodeValue("errors", Value(std::move(errors)));
    coder.encodeInt32("totalErrorCount", totalErrorCount_);
    for (const auto& [key, log] :
         { std::pair { "adLog", &adLog_ }, std::pair { "promoSpotAdLog", &promoSpotAdLog_ } }) {
        Value::Array entries;
        for (const Bytes& impression : *log) entries.emplace_back(impression);
        coder.encodeValue(key, Value(std::move(entries)));
    }
    coder.encodeDouble("latitude", latitude_);
    coder.encodeDouble("longitude", longitude_);
    coder.encodeFloat("accuracy", accuracy_);
    coder.encodeBool("crashed", crashed_);
    coder.encodeString("apiKey", apiKey_);
    coder.encodeString("appVersion", appVersion_);
    if (hasUserID_) coder.encodeString("userID", userID_);
    coder.encodeInt32("pageViewCount", pageViewCount_);
    coder.encodeString("locale", locale_);
    coder.encodeString("timeZone", timeZone_);
    coder.encodeBool("internetAvailable", internetAvailable_);
    if (age_) coder.encodeValue("age", archiveDateValue(*age_));
    coder.encodeInt32("gender", gender_);
}

bool TallySession::initWithCoder(KeyedUnarchiver& coder)
{
    serializationVersion_ = coder.decodeInt32("serializationVersion");
    // A later format is not ours to read.
    if (serializationVersion_ > 1) return false;
    startTime_ = dateFromArchiveValue(coder.decodeValue("startTime")).value_or(0);
    endTime_ = dateFromArchiveValue(coder.decodeValue("endTime"));
    pauseTime_ = dateFromArchiveValue(coder.decodeValue("pauseTime"));
    totalPauseIntervalMillis_ = coder.decodeInt64("pauseIntervalMillis");

    const ArchiveItem counts = coder.decodeItem("eventCounts");
    for (const auto& [key, value] : counts.entries()) {
        if (!key.value().isString()) {
            malformed_ = true;
            continue;
        }
        eventCounts_.set(key.value().asString(), Value(value.value().asInt()));
    }
    const ArchiveItem events = coder.decodeItem("eventLog");
    for (const ArchiveItem& item : events.items()) {
        if (Ref<TallyEvent> event = item.objectAs<TallyEvent>()) {
            eventLog_.push_back(std::move(event));
        } else {
            malformed_ = true;
        }
    }
    eventLogComplete_ = coder.decodeBool("eventLogComplete");
    const Value errors = coder.decodeValue("errors");
    for (const Value& entry : errors.asArray()) {
        if (!entry.isArray()) {
            malformed_ = true;
            continue;
        }
        errors_.push_back({ entry[0].asInt(), dateFromArchiveValue(entry[1]).value_or(0), entry[2].asString(),
                            entry[3].asString(), entry[4].asString() });
    }
    totalErrorCount_ = coder.decodeInt32("totalErrorCount");
    for (const auto& [key, log] :
         { std::pair { "adLog", &adLog_ }, std::pair { "promoSpotAdLog", &promoSpotAdLog_ } }) {
        const Value entries = coder.decodeValue(key);
        for (const Value& entry : entries.asArray()) {
            if (entry.isData()) {
                log->push_back(entry.asData());
            } else {
                malformed_ = true;
            }
        }
    }
    latitude_ = coder.decodeDouble("latitude");
    longitude_ = coder.decodeDouble("longitude");
    accuracy_ = coder.decodeFloat("accuracy");
    crashed_ = coder.decodeBool("crashed");
    apiKey_ = coder.decodeString("apiKey");
    appVersion_ = coder.decodeString("appVersion");
    hasUserID_ = coder.containsValueForKey("userID");
    userID_ = coder.decodeString("userID");
    pageViewCount_ = coder.decodeInt32("pageViewCount");
    locale_ = coder.decodeString("locale");
    timeZone_ = coder.decodeString("timeZone");
    internetAvailable_ = coder.decodeBool("internetAvailable");
    age_ = dateFromArchiveValue(coder.decodeValue("age"));
    gender_ = coder.decodeInt32("gender");
    eventLoggingEnabled_ = false;
    sessionReportsOnCloseEnabled_ = false;
    sessionReportsOnPauseEnabled_ = false;
    return true;
}

// --- Class side ---

Ref<TallySession> TallySession::createActiveTallySession(const std::string& apiKey,
                                                         const std::string& appVersion)
{
    TallySessionStore::setApplicationKey(apiKey);
    if (const Ref<TallySession> former = TallySessionStore::readCurrentSession()) {
        former->setCrashed(true);
        if (std::optional<Bytes> record = former->data()) {
            TallySessionStore::addToSavedSessions(std::move(*record));
            TallyUtil::debugLog("TallyAnalytics: Add crashed former session");
        } else {
            logLine("TallyAnalytics: the session left by an earlier run has no record; it is not stored");
        }
    }
    Ref<TallySession> session = sessionWithAPIKey(apiKey, appVersion);
    setCurrentSession(session);
    debug("TallyAnalytics: Created active session with API[%@]", apiKey);
    return session;
}

Ref<TallySession> TallySession::currentSession()
{
    std::lock_guard<std::mutex> guard(classState().lock);
    return classState().current;
}

void TallySession::setCurrentSession(Ref<TallySession> session)
{
    Ref<TallySession> previous;
    {
        std::lock_guard<std::mutex> guard(classState().lock);
        previous = std::move(classState().current);
        classState().current = std::move(session);
    }
    // The old session goes outside the lock: its destructor logs.
}

void TallySession::setEndOfSessionReportSender(std::function<void()> sender)
{
    std::lock_guard<std::mutex> guard(classState().lock);
    classState().endOfSessionSender = std::move(sender);
}

uint32_t TallySession::appendSessionsDataChecksum(Bytes& data)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes lengths as unsigned int: feed very large buffers in pieces.
    constexpr size_t kPiece = size_t(1) << 30;
    for (size_t at = 0; at < data.size(); at += kPiece) {
        crc = crc32(crc, data.data() + at, static_cast<uInt>(std::min(kPiece, data.size() - at)));
    }
    const uint32_t checksum = static_cast<uint32_t>(crc);
    P::appendInt(static_cast<int32_t>(checksum), data);
    return checksum;
}

TallySession::Bytes TallySession::dataForSessions(const std::vector<ReportItem>& sessions, AdRequest ads,
                                                  double reportTime)
{
    const Ref<TallySession> current = currentSession();
    Bytes data;
    P::appendUshort(kProtocolVersion, data);
    if (!ads.any()) {
        P::appendUshort(0, data);
    } else {
        P::appendUshort(3, data);
        P::appendUshort(ads.recall ? 5 : ads.video ? 3 : ads.promoRing ? 1 : 0, data);
        P::appendUshort(ads.promoSpot ? 1 : 0, data);
    }
    Ref<TallyImageCache> images = TallyImageCache::instance();
    if (ads.any()) {
        const Ref<TallyFileCache> files =
            TallyFileCache::createInstance(current ? current->apiKey() : std::string(), getAgentVersion());
        images = TallyImageCache::createInstance(files);
    }
    P::appendLong(images ? images->cacheUpdateTimestamp() : 0, data);
    const std::vector<std::string> imageIds = images ? images->storedIds() : std::vector<std::string>();
    P::appendUshort(static_cast<uint16_t>(imageIds.size()), data);
    for (const std::string& id : imageIds) {
        P::appendByte(1, data);
        P::appendLong(std::strtoll(id.c_str(), nullptr, 10), data);
    }
    P::appendUshort(TallyUtil::isIPad() ? 8 : 2, data);
    P::appendUshort(kAgentVersion, data);
    P::appendTimestamp(reportTime, data);
    P::appendString(current ? current->apiKey() : std::string(), data);
    P::appendString(current ? current->appVersion() : std::string(), data);

    P::appendUshort(4, data);
    P::appendUshort(0, data);
    P::appendString(TallyIdentifiers::phoneID(), data);
    const Sha1::Digest macBased = TallyIdentifiers::getMACBasedUID();
    P::appendUshort(2, data);
    P::appendShortData(macBased.data(), macBased.size(), data);
    const Sha1::Digest mac = TallyIdentifiers::getMACUID();
    P::appendUshort(4, data);
    P::appendShortData(mac.data(), mac.size(), data);
    int status = 0;
    const std::string shared = TallyIdentifiers::getCFUUIDBasedUIDAndStatus(status);
    P::appendUshort(3, data);
    P::appendString(shared, data);
    P::appendByte(static_cast<int8_t>(status), data);

    const double sessionStart = current ? current->startTime() : reportTime;
    P::appendTimestamp(TallySessionStore::initialTimestamp(sessionStart), data);
    P::appendTimestamp(sessionStart, data);

    const std::shared_ptr<DeviceFacts> facts = DeviceFacts::sharedInstance();
    const CGSize screen = facts->screenSize();
    const std::pair<const char*, std::string> properties[] = {
        { "device.model.1", TallyIdentifiers::devicePlatform() },
        { "device.os.version", facts->systemVersion() },
        { "scr.width", std::to_string(P::clampToInt32(screen.width)) },
        { "scr.height", std::to_string(P::clampToInt32(screen.height)) },
    };
    P::appendUshort(4, data);
    for (const auto& [key, value] : properties) {
        P::appendString(key, data);
        P::appendString(value, data);
    }

    Bytes records;
    int count = 0;
    for (const ReportItem& item : sessions) {
        try {
            appendReportItem(item, records, count);
        } catch (const std::exception& exception) {
            TallyUtil::handleException(exception);
        }
    }
    P::appendUshort(static_cast<uint16_t>(count), data);
    data.insert(data.end(), records.begin(), records.end());
    (void)appendSessionsDataChecksum(data);
    return data;
}

} // namespace mw
