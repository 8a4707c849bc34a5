// The session's own telemetry: a session id per run, a minute clock while
// the game is in the foreground, and signed usage posts through the post
// queue. Main thread; the background wait is a timer on the Clock.

#include <algorithm>
#include <cmath>

#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "platform/BackgroundTasks.h"
#include "platform/DeviceFacts.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/data/CCDataStore.h"
#include "social/services/CCGameSession.h"
#include "social/data/CCLumoraLog.h"
#include "social/session/CCPrivateSession.h"
#include "social/queues/records/CCServerRecords.h"

namespace mw {

namespace {

constexpr const char* kLastSessionIdKey = "lastanalyticssessionid";
constexpr const char* kPrevIntervalKey = "analyticsprevsessioninterval";
constexpr const char* kPrevMinutesKey = "analyticsprevioussessionmins";
constexpr const char* kLastStartKey = "lastsessionstarttime";
constexpr const char* kFinalPostedKey = "postedfinalsessiondataonexit";
constexpr const char* kCurrentMinutesKey = "currentsessionmins";
constexpr const char* kLastTickKey = "lastsessioninterval";
constexpr const char* kPostIndexKey = "analyticssessionidx";
constexpr const char* kLastPostKey = "lastsessiondatainterval";
constexpr const char* kNoReport = "-1";

// The final post leaves once the time remaining fell by more than this.
constexpr double kFinalPostAfter = 300;
// How often the wait for the final answer looks again.
constexpr double kWaitStep = 0.1;

bool isYes(const Value& value) { return value.isString() && value.stringView() == "YES"; }

int numberOr(const Value& value, int fallback) { return value.isNumber() ? value.asInt() : fallback; }

CCDataStore& store() { return *CCDataStore::sharedInstance(); }

// Equal data, numbers compared by value: a list read back from the queue's
// file and the same list read from the store may hold a whole number as an
// integer in one and as a real in the other.
bool sameData(const Value& a, const Value& b)
{
    if (a.isNumber() && b.isNumber()) return a.asDouble() == b.asDouble();
    if (a.isArray() && b.isArray()) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (!sameData(a.at(i), b.at(i))) return false;
        return true;
    }
    return a == b;
}

// A telemetry record takes the store's ready lists whole and is on disk in
// the queue before the store, without them, is written. A kill between the
// two writes leaves a list both in a queued record and in the store: it is
// on its way already, so it leaves the store rather than go in a second
// record as well (which, answered less than 3 s before another kill, would
// be sent once more).
void dropReadyListsAlreadyQueued(const CCAsyncPostManager& posts)
{
    struct ReadyList {
        const char* key;
        const Value& (CCDataStore::*ready)() const;
        void (CCDataStore::*clear)();
    };
    static const ReadyList kLists[] = {
        {"usage", &CCDataStore::readyToGoLumoraUsageData, &CCDataStore::clearReadyToGoLumoraUsageData},
        {"impression", &CCDataStore::readyToGoImpressionData, &CCDataStore::clearReadyToGoImpressionData},
        {"gameusage", &CCDataStore::readyToGoGameUsageData, &CCDataStore::clearReadyToGoGameUsageData},
    };
    CCDataStore& data = store();
    for (const ReadyList& list : kLists) {
        const Value& ready = (data.*list.ready)();
        if (!ready.isArray() || ready.empty()) continue;
        for (const Ref<CCAbstractServerData>& record : posts.serverDataArray()) {
            if (record->dataType() != CCAnalyticData::kDataType || !sameData(record->mainData()[list.key], ready))
                continue;
            logLine("Telemetry: the ready \"%s\" list is already queued", list.key);
            (data.*list.clear)();
            break;
        }
    }
}

} // namespace

std::string CCPrivateSession::telemetryEndpoint() { return "https://" + telemetryHost() + "/analytics/index.php"; }

bool CCPrivateSession::alwaysPostAnalytics() const { return isYes(valueForWorkaroundSetting(9)); }

// ---- sessions ----

void CCPrivateSession::initialiseAnalyticsDataAndBeginNewSession(bool begin)
{
    CCDataStore& data = store();
    const double now = data.intervalSince1970WithAnalyticOffset();
    const Value& lastId = data.valueForKey(kLastSessionIdKey);
    if (lastId.isString()) {
        analyticsPreviousSessionId_ = lastId.asString();
    } else {
        if (isYes(data.valueForKey(kFinalPostedKey))) analyticsPreviousSessionId_.reset();
        else analyticsPreviousSessionId_ = kNoReport;
        data.removeKey(kFinalPostedKey);
    }
    previousSessionLastSessionMinutes_ = numberOr(data.valueForKey(kPrevMinutesKey), -1);
    previousSessionMinsSinceLastSession_ = numberOr(data.valueForKey(kPrevIntervalKey), -1);
    currentSessionLastSessionMinutes_ = numberOr(data.valueForKey(kCurrentMinutesKey), -1);
    const Value& lastTick = data.valueForKey(kLastTickKey);
    currentSessionMinsSinceLastSession_ =
        lastTick.isNumber() ? static_cast<int>(std::floor((now - lastTick.asDouble()) / 60)) : -1;
    currentSessionPostIndex_ = numberOr(data.valueForKey(kPostIndexKey), 0);
    analyticsCurrentSessionId_.reset();
    currentSessionStartTimestamp_ = now;
    const Value& lastStart = data.valueForKey(kLastStartKey);
    if (lastStart.isNumber()) {
        previousSessionStartTimestamp_ = lastStart.asDouble();
    } else {
        // Unknown gaps and lengths count as nothing: a first run's previous
        // start is the present.
        double gap = std::max(0, currentSessionMinsSinceLastSession_);
        if (lastTick.isNumber()) gap = std::max(0.0, (now - lastTick.asDouble()) / 60);
        const double length = std::max(0, currentSessionLastSessionMinutes_);
        previousSessionStartTimestamp_ = now - (gap + length) * 60;
    }
    currentSessionMinutes_ = 0;
    postCurrentSessionAnalytics_ = false;
    if (begin) {
        clockSessionMinutes(0);
        setupAnalyticsTimer();
        postCurrentSessionAnalytics_ = true;
    }
}

void CCPrivateSession::initialiseAnalyticsSessionId()
{
    if (analyticsCurrentSessionId_) return;
    analyticsCurrentSessionId_ = DeviceFacts::sharedInstance()->randomUUIDString();
    store().setAppSessionCount();
    CCGameSession::sharedInstance()->logApplicationInstallEvent();
}

void CCPrivateSession::prepareAnalyticsDataForPosting()
{
    awaitingLaunchPreparation_ = false;
    initialiseAnalyticsSessionId();
    CCDataStore& data = store();
    (void)data.moveUsageDataToReadyToGo();
    if (analyticsPreviousSessionId_) postPreviousSessionAnalyticsData();
    data.setValue(kLastSessionIdKey, Value(*analyticsCurrentSessionId_));
    data.setValue(kPrevIntervalKey, Value(currentSessionMinsSinceLastSession_));
    data.setValue(kPrevMinutesKey, Value(currentSessionLastSessionMinutes_));
    data.setValue(kLastStartKey, Value(currentSessionStartTimestamp_));
    (void)data.writeToFile();
}

// ---- posting ----

void CCPrivateSession::postPreviousSessionAnalyticsData()
{
    postAnalyticSessionData();
    analyticsPreviousSessionId_.reset();
    currentSessionPostIndex_ = 0;
    store().setValue(kPostIndexKey, Value(0));
    (void)store().writeToFile();
}

void CCPrivateSession::postCurrentSessionAnalyticsData()
{
    (void)store().moveUsageDataToReadyToGo();
    postAnalyticSessionData();
}

void CCPrivateSession::postCurrentSessionAnalyticsDataAsFinalData()
{
    initialiseAnalyticsDataAndBeginNewSession(false);
    CCDataStore& data = store();
    (void)data.moveUsageDataToReadyToGo();
    postPreviousSessionAnalyticsData();
    logLine("Clearing old analytics data");
    for (const char* key : {kLastSessionIdKey, kPrevIntervalKey, kPrevMinutesKey, kLastStartKey}) data.removeKey(key);
    data.setValue(kFinalPostedKey, Value("YES"));
    (void)data.writeToFile();
    finalPostMade_ = true;
}

void CCPrivateSession::postAnalyticSessionData()
{
    if (isYes(valueForWorkaroundSetting(2))) return;
    doPostAnalyticData(telemetryEndpoint());
}

void CCPrivateSession::doPostAnalyticData(const std::string& endpoint)
{
    if (endpoint.empty()) return;
    startPostManager();
    if (!postManager_) return;
    dropReadyListsAlreadyQueued(*postManager_);
    auto record = makeRef<CCAnalyticData>();
    // The record takes the store's ready lists; the store is written only
    // once the record is on disk in the queue, so a kill in between sends
    // those usage records twice, never zero times.
    fillingAnalyticRecord_ = true;
    record->populateWithCurrentData();
    fillingAnalyticRecord_ = false;
    const std::string url = endpoint + "?sig=" + telemetrySignature();
    record->setUrl(url);
    NotificationCenter::defaultCenter().addObserver(
        this, url, postManager_.get(),
        [this](const Notification& notification) { analyticsPostUpdateNotification(notification); });
    postManager_->scheduleDataForPost(record);
    (void)store().writeToFile();
}

void CCPrivateSession::analyticsPostUpdateNotification(const Notification& notification)
{
    const auto* info = std::any_cast<Value>(&notification.userInfo());
    if (info && (*info)["status"].asInt() == 1 && !hasPostedAnalyticDataThisSession_) {
        logLine("CAT Initialisation Successful");
        hasPostedAnalyticDataThisSession_ = true;
    }
    NotificationCenter::defaultCenter().removeObserver(this, notification.name(), nullptr);
}

// ---- the minute clock ----

void CCPrivateSession::setupAnalyticsTimer()
{
    if (everyMinuteTimer_) everyMinuteTimer_->invalidate();
    everyMinuteTimer_ = NSTimer::scheduledTimer(60, true, [this](NSTimer*) { everyMinuteMethod(); });
}

void CCPrivateSession::everyMinuteMethod() { clockSessionMinutes(++currentSessionMinutes_); }

void CCPrivateSession::clockSessionMinutes(int minutes)
{
    CCDataStore& data = store();
    if (!isLumoraPullTabUIActive() && rootViewController() == nullptr && minutes > 0 &&
        !postCurrentSessionAnalytics_) {
        const int sinceLastPost = analyticsMinutesSinceLastSessionData();
        const Value& current = data.currentUsageData();
        const bool usage = current.isArray() && !current.empty();
        if (sinceLastPost < 0 || (sinceLastPost > 30 && usage)) postCurrentSessionAnalytics_ = true;
    }
    if (postCurrentSessionAnalytics_) {
        postCurrentSessionAnalyticsData();
        postCurrentSessionAnalytics_ = false;
    }
    data.setValue(kCurrentMinutesKey, Value(minutes));
    data.setValue(kLastTickKey, Value(data.intervalSince1970WithAnalyticOffset()));
    (void)data.writeToFile();
}

// ---- application states ----

void CCPrivateSession::analyticsWillResignActive()
{
    if (everyMinuteTimer_) everyMinuteTimer_->invalidate();
    everyMinuteTimer_ = nullptr;
}

void CCPrivateSession::analyticsDidBecomeActive()
{
    const int minutes = analyticsMinutesSinceLastStoredData();
    if (supportsMultitasking()) endBackgroundTask();
    // The launch's own begin and preparation come on later turns.
    if (awaitingPostInitialisation_ || awaitingLaunchPreparation_) return;
    if (isYes(store().valueForKey(kFinalPostedKey)) || minutes > 5) {
        initialiseAnalyticsDataAndBeginNewSession(true);
        prepareAnalyticsDataForPosting();
    } else {
        setupAnalyticsTimer();
    }
}

void CCPrivateSession::analyticsDidEnterBackground()
{
    if (!supportsMultitasking()) return;
    if (bgTask_ != BackgroundTasks::kInvalidTask) return;
    std::shared_ptr<BackgroundTasks> tasks = BackgroundTasks::sharedInstance();
    Ref<CCPrivateSession> self(this);
    bgTask_ = tasks->beginTask([self] { RunLoop::performOnMain([self] { self->endBackgroundTask(); }); });
    if (bgTask_ == BackgroundTasks::kInvalidTask) return;
    finalPostMade_ = false;
    backgroundStartRemaining_ = tasks->backgroundTimeRemaining();
    backgroundWaitStep();
}

void CCPrivateSession::backgroundWaitStep()
{
    backgroundWaitTimer_ = nullptr;
    if (bgTask_ == BackgroundTasks::kInvalidTask) return;
    const double remaining = BackgroundTasks::sharedInstance()->backgroundTimeRemaining();
    if (remaining < 1) {
        endBackgroundTask();
        return;
    }
    double next = kWaitStep;
    if (!finalPostMade_) {
        const double fallen = backgroundStartRemaining_ - remaining;
        if (fallen > kFinalPostAfter) {
            postCurrentSessionAnalyticsDataAsFinalData();
            finalPostMade_ = true;
        } else {
            next = std::max(kWaitStep, kFinalPostAfter - fallen);
        }
    }
    if (finalPostMade_ && !(postManager_ && postManager_->isWaitingForResponsesFromServer())) {
        endBackgroundTask();
        return;
    }
    Ref<CCPrivateSession> self(this);
    backgroundWaitTimer_ = NSTimer::scheduledTimer(next, false, [self](NSTimer*) { self->backgroundWaitStep(); });
}

void CCPrivateSession::endBackgroundTask()
{
    if (backgroundWaitTimer_) backgroundWaitTimer_->invalidate();
    backgroundWaitTimer_ = nullptr;
    if (bgTask_ == BackgroundTasks::kInvalidTask || bgTask_ == 0) return;
    // Once the task ends the system may end the game without a word: the
    // answers of the background (the final post's above all) go to the
    // queue's file now, not with the 3-second write, or the next start
    // would send the final post, the previous session's report, again.
    if (postManager_) (void)postManager_->writeToFileNow();
    BackgroundTasks::sharedInstance()->endTask(bgTask_);
    bgTask_ = BackgroundTasks::kInvalidTask;
}

void CCPrivateSession::analyticsWillTerminate()
{
    // The process ends now: answers the 3-second write has not yet taken
    // (the final post's, when the game quits right after it) go to the
    // queue's file first, or the next start would send them again.
    if (postManager_) (void)postManager_->writeToFileNow();
    if (finalPostMade_ || !supportsMultitasking() || bgTask_ == BackgroundTasks::kInvalidTask) return;
    Ref<CCPrivateSession> self(this);
    RunLoop::performOnMain([self] { self->endBackgroundTask(); });
}

// ---- the figures of a post ----

std::string CCPrivateSession::analyticsSessionId()
{
    if (analyticsPreviousSessionId_) return *analyticsPreviousSessionId_;
    return analyticsCurrentSessionId_.value_or(std::string());
}

int CCPrivateSession::analyticsMinutesSinceLastSession()
{
    return analyticsPreviousSessionId_ ? previousSessionMinsSinceLastSession_ : currentSessionMinsSinceLastSession_;
}

int CCPrivateSession::analyticsLastSessionDuration()
{
    return analyticsPreviousSessionId_ ? previousSessionLastSessionMinutes_ : currentSessionLastSessionMinutes_;
}

int CCPrivateSession::analyticsSessionDuration()
{
    return analyticsPreviousSessionId_ ? currentSessionLastSessionMinutes_ : currentSessionMinutes_;
}

double CCPrivateSession::analyticsSessionStartTimestamp()
{
    return analyticsPreviousSessionId_ ? previousSessionStartTimestamp_ : currentSessionStartTimestamp_;
}

int CCPrivateSession::analyticsSessionTimeSinceStart()
{
    const double now = store().intervalSince1970WithAnalyticOffset();
    return static_cast<int>(std::floor((now - analyticsSessionStartTimestamp()) / 60));
}

double CCPrivateSession::analyticsSessionCurrentTimestamp() { return Clock::wallSeconds(); }

int CCPrivateSession::analyticsMinutesSinceLastSessionData()
{
    const Value& last = store().valueForKey(kLastPostKey);
    if (!last.isNumber()) return -1;
    return static_cast<int>(std::ceil((store().intervalSince1970WithAnalyticOffset() - last.asDouble()) / 60));
}

int CCPrivateSession::analyticsMinutesSinceLastStoredData()
{
    const Value& last = store().valueForKey(kLastTickKey);
    if (!last.isNumber()) return -1;
    return static_cast<int>(std::floor((store().intervalSince1970WithAnalyticOffset() - last.asDouble()) / 60));
}

Value CCPrivateSession::lastUserLevel() { return store().lastUserLevel(); }

Value CCPrivateSession::gameSessionAnalytics() { return CCGameSession::sharedInstance()->gameSessionAnalytics(); }

void CCPrivateSession::analyticsUpdateCurrentSessionDataForNextPost()
{
    CCDataStore& data = store();
    data.setValue(kLastPostKey, Value(data.intervalSince1970WithAnalyticOffset()));
    ++currentSessionPostIndex_;
    data.setValue(kPostIndexKey, Value(currentSessionPostIndex_));
    // While a record is being filled, the write waits for it to be scheduled.
    if (!fillingAnalyticRecord_) (void)data.writeToFile();
}

} // namespace mw
