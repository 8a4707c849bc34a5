#include "analytics/TallyAnalytics.h"

#include <atomic>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "analytics/TallyAdBlocks.h"
#include "analytics/TallyAdStateCallbacks.h"
#include "analytics/TallyAutoIncrement.h"
#include "analytics/TallyFileCache.h"
#include "analytics/TallyHeartBeater.h"
#include "analytics/TallyImageCache.h"
#include "analytics/TallyPageViewDelegate.h"
#include "analytics/TallyProtocolData.h"
#include "analytics/TallyReportSender.h"
#include "analytics/TallySession.h"
#include "analytics/TallySessionSender.h"
#include "analytics/TallySessionStore.h"
#include "analytics/TallyUtil.h"
#include "foundation/Clock.h"
#include "foundation/Format.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationDelegate.h"
#include "platform/BackgroundTasks.h"

namespace mw {

namespace {

constexpr const char* kDefaultReportHost = "analytics.mosswick.invalid";
constexpr size_t kRecordedEventLimit = 1000;

std::string reportAddress(const char* scheme)
{
    return std::string(scheme) + "://" + TallyAnalytics::reportHost() + TallyAnalytics::kReportPath;
}

// The process-wide settings. Written on the main thread; sender threads get
// copies through TallyUpload, and the lock keeps the odd direct read whole.
struct Settings {
    std::mutex lock;
    std::optional<std::string> serverURL; // unset: the secure address
    bool secureTransportEnabled = false;
    int pauseSecondsBeforeNewSession = 10;
    bool sessionReportsOnClose = true;
    bool sessionReportsOnPause = true;
    bool eventLogging = true;
    int age = -1;
    std::optional<std::string> appVersion;
    bool promoRing = false;
    bool videoAds = false;
    bool promoSpot = false;
    bool recall = false;
    std::string apiKey;
    std::optional<std::string> userID;
    std::optional<std::string> gender;
    bool startSessionCalled = false;
    TallyDate pauseTime;
    BackgroundTasks::TaskId backgroundTask = 0;
    std::string savedResponseURL;
    std::shared_ptr<TallyReportSender> sender;
    std::vector<NotificationCenter::ObserverId> observers;
    std::deque<TallyAnalytics::Event> recorded;
};

Settings& settings()
{
    static Settings* const shared = new Settings();
    return *shared;
}

template <typename Field> Field read(Field Settings::*field)
{
    std::lock_guard<std::mutex> guard(settings().lock);
    return settings().*field;
}

template <typename Field, typename Value> void write(Field Settings::*field, Value value)
{
    std::lock_guard<std::mutex> guard(settings().lock);
    settings().*field = std::move(value);
}

// Runs an operation's work; an exception below it is logged and swallowed,
// and what the work did before it stays.
template <typename Work> void guarded(Work&& work)
{
    try {
        work();
    } catch (const std::exception& exception) {
        TallyUtil::handleException(exception);
    } catch (...) {
        TallyUtil::handleException(std::string("an exception of unknown type"));
    }
}

// Formats nothing while debug logging is off: these lines sit on the paths
// the game calls for every event.
template <typename... Args> void debug(std::string_view fmt, const Args&... args)
{
    if (!TallyUtil::isDebugLogEnabled()) return;
    TallyUtil::debugLog(format(fmt, args...));
}

std::string bundleVersion()
{
    const std::string path = Paths::pathForResource("Info.plist");
    if (path.empty()) return std::string();
    const std::optional<Value> info = readPropertyListFile(path);
    return info ? (*info)["CFBundleVersion"].asString() : std::string();
}

Value parametersValue(const TallyAnalytics::Parameters& parameters)
{
    Value dictionary = Value::dictionary();
    for (const auto& [key, value] : parameters) dictionary.set(key, value);
    return dictionary;
}

TallyUpload makeUpload(TallyUpload::Purpose purpose)
{
    TallyUpload upload;
    upload.purpose = purpose;
    upload.waitsForAnswer = purpose == TallyUpload::Purpose::Start;
    upload.timeoutSeconds = upload.waitsForAnswer ? 20 : 5;
    upload.currentSession = TallySession::currentSession();
    if (purpose == TallyUpload::Purpose::Start) {
        std::lock_guard<std::mutex> guard(settings().lock);
        upload.ads = { settings().promoRing, settings().videoAds, settings().promoSpot, settings().recall };
    } else if (upload.currentSession) {
        upload.currentRecord = upload.currentSession->data();
    }
    upload.serverURL = TallyAnalytics::serverURL();
    upload.savedResponseURL = TallyAnalytics::savedResponseURL();
    return upload;
}

void sendOnThisThread(const TallyUpload& upload)
{
    std::shared_ptr<TallyReportSender> sender = read(&Settings::sender);
    if (!sender) sender = std::make_shared<TallySessionSender>();
    guarded([&] { sender->send(upload); });
}

// The upload threads. The caller never waits for one; each is joined once it
// has finished (when the next one starts) so that none is still tearing
// down when the process or a test ends. Never destroyed: a thread object
// still running at exit must not be destructed.
struct SenderThreads {
    std::mutex lock;
    std::vector<std::pair<std::thread, std::shared_ptr<std::atomic<bool>>>> running;
};

SenderThreads& senderThreads()
{
    static SenderThreads* const threads = new SenderThreads();
    return *threads;
}

void sendOnNewThread(TallyUpload upload, bool stopsBackgroundTask)
{
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::vector<std::thread> done;
    {
        SenderThreads& threads = senderThreads();
        std::lock_guard<std::mutex> guard(threads.lock);
        for (auto at = threads.running.begin(); at != threads.running.end();) {
            if (*at->second) {
                done.push_back(std::move(at->first));
                at = threads.running.erase(at);
            } else {
                ++at;
            }
        }
        threads.running.emplace_back(
            std::thread([upload = std::move(upload), stopsBackgroundTask, finished] {
                sendOnThisThread(upload);
                // The start upload retries the waiting ad-state callbacks.
                if (upload.purpose == TallyUpload::Purpose::Start && upload.ads.any())
                    guarded([] { TallyAdStateCallbacks::sendSavedAdStateCallbacks(); });
                if (stopsBackgroundTask) TallyAnalytics::stopBackgroundTask();
                *finished = true;
            }),
            finished);
    }
    for (std::thread& thread : done) thread.join();
}

void joinSenderThreads()
{
    std::vector<std::pair<std::thread, std::shared_ptr<std::atomic<bool>>>> running;
    {
        std::lock_guard<std::mutex> guard(senderThreads().lock);
        running = std::move(senderThreads().running);
    }
    for (auto& [thread, finished] : running) thread.join();
}

Ref<TallySession> current() { return TallySession::currentSession(); }

} // namespace

// --- Settings ---

void TallyAnalytics::setAppVersion(const std::string& version)
{
    guarded([&] {
        if (current()) {
            AlertPresenter::sharedInstance()->showAlert(
                "", "TallyAnalytics: Please call setAppVersion before startSession.", "Cancel");
            return;
        }
        debug("TallyAnalytics: setAppVersion[%@]", version);
        write(&Settings::appVersion, std::optional<std::string>(version));
    });
}

std::string TallyAnalytics::getTallyAgentVersion() { return TallySession::getAgentVersion(); }
void TallyAnalytics::setDebugLogEnabled(bool enabled) { TallyUtil::setDebugLogEnabled(enabled); }
void TallyAnalytics::setPromoRingEnabled(bool enabled) { write(&Settings::promoRing, enabled); }
void TallyAnalytics::setVideoAdsEnabled(bool enabled) { write(&Settings::videoAds, enabled); }
void TallyAnalytics::setPromoSpotEnabled(bool enabled) { write(&Settings::promoSpot, enabled); }
void TallyAnalytics::setRecallEnabled(bool enabled) { write(&Settings::recall, enabled); }
bool TallyAnalytics::promoRingEnabled() { return read(&Settings::promoRing); }
bool TallyAnalytics::videoAdsEnabled() { return read(&Settings::videoAds); }
bool TallyAnalytics::promoSpotEnabled() { return read(&Settings::promoSpot); }
bool TallyAnalytics::recallEnabled() { return read(&Settings::recall); }
void TallyAnalytics::setSessionContinueSeconds(int seconds)
{
    write(&Settings::pauseSecondsBeforeNewSession, seconds);
}
void TallyAnalytics::setMaxSessionsSaved(int count) { TallySessionStore::setMaxSessions(count); }
void TallyAnalytics::setShowErrorInLogEnabled(bool enabled) { TallyUtil::setShowErrorInLogEnabled(enabled); }

std::string TallyAnalytics::reportHost()
{
    if (const char* host = std::getenv("MOSSWICK_ANALYTICS_HOST"); host && *host) return host;
    const std::string path = Paths::pathForResource("Info.plist");
    if (!path.empty()) {
        if (const std::optional<Value> info = readPropertyListFile(path)) {
            const std::string host = (*info)["MosswickAnalyticsHost"].asString();
            if (!host.empty()) return host;
        }
    }
    return kDefaultReportHost;
}

// --- Sessions ---

void TallyAnalytics::createAndSendSession()
{
    guarded([] {
        const std::optional<std::string> version = read(&Settings::appVersion);
        const Ref<TallySession> session = TallySession::createActiveTallySession(
            read(&Settings::apiKey), version ? *version : bundleVersion());
        setSessionReportsOnCloseEnabled(read(&Settings::sessionReportsOnClose));
        setSessionReportsOnPauseEnabled(read(&Settings::sessionReportsOnPause));
        setEventLoggingEnabled(read(&Settings::eventLogging));
        setAge(read(&Settings::age));
        if (const std::optional<std::string> userID = read(&Settings::userID)) setUserID(*userID);
        if (const std::optional<std::string> gender = read(&Settings::gender)) setGender(*gender);
        sendOnNewThread(makeUpload(TallyUpload::Purpose::Start), false);
    });
}

void TallyAnalytics::startSession(const std::string& apiKey)
{
    guarded([&] {
        {
            std::unique_lock<std::mutex> guard(settings().lock);
            if (settings().startSessionCalled) {
                guard.unlock();
                TallyUtil::debugLog("TallyAnalytics: startSession called already. Returning.");
                AlertPresenter::sharedInstance()->showAlert(
                    "", "startSession has been called already. It should only be called once.", "Cancel");
                return;
            }
            settings().startSessionCalled = true;
        }
        TallyUtil::debugLog("TallyAnalytics: startSession called for the first time");
        debug("TallyAnalytics: Start session called with apiKey[%@]", apiKey);
        std::string key;
        for (char c : apiKey) {
            if (c != ' ') key += c;
        }
        write(&Settings::apiKey, key);
        debug("TallyAnalytics: Trim white space and use apiKey[%@]", key);
        (void)TallyHeartBeater::createAndStartInstance(1.0);
        (void)TallyFileCache::createInstance(key, TallySession::getAgentVersion());
        TallySession::setEndOfSessionReportSender(
            [] { sendOnThisThread(makeUpload(TallyUpload::Purpose::EndOfSession)); });
        createAndSendSession();
        NotificationCenter& center = NotificationCenter::defaultCenter();
        std::vector<NotificationCenter::ObserverId> observers = {
            center.addObserver(nullptr, UIApplicationWillTerminateNotification, nullptr,
                               [](const Notification&) { endSession(); }),
            center.addObserver(nullptr, UIApplicationWillResignActiveNotification, nullptr,
                               [](const Notification&) { pauseSession(); }),
            center.addObserver(nullptr, UIApplicationDidBecomeActiveNotification, nullptr,
                               [](const Notification&) { resumeSession(); }),
        };
        write(&Settings::observers, std::move(observers));
        debug("TallyAnalytics: Finish starting session with apiKey[%@]", key);
    });
}

void TallyAnalytics::endSession()
{
    guarded([] {
        if (const Ref<TallySession> session = current()) session->endSession();
    });
}

void TallyAnalytics::pauseSession()
{
    guarded([] {
        write(&Settings::pauseTime, TallyDate(Clock::wallSeconds()));
        const Ref<TallySession> session = current();
        if (!session) return;
        session->pauseSession();
        session->endSessionAndSend(false, false);
        if (!session->sessionReportsOnPauseEnabled()) return;
        stopBackgroundTask();
        TallyUtil::debugLog("TallyAnalytics: start background task");
        const BackgroundTasks::TaskId task =
            BackgroundTasks::sharedInstance()->beginTask([] { stopBackgroundTask(); });
        write(&Settings::backgroundTask, task);
        sendOnNewThread(makeUpload(TallyUpload::Purpose::Pause), true);
    });
}

void TallyAnalytics::stopBackgroundTask()
{
    BackgroundTasks::TaskId task = 0;
    {
        std::lock_guard<std::mutex> guard(settings().lock);
        task = settings().backgroundTask;
        if (task == 0 || task == BackgroundTasks::kInvalidTask) return;
        // Taken under the lock, so the sender thread and the expiration
        // handler never both end it.
        settings().backgroundTask = BackgroundTasks::kInvalidTask;
    }
    TallyUtil::debugLog("TallyAnalytics: stop background task");
    BackgroundTasks::sharedInstance()->endTask(task);
}

void TallyAnalytics::resumeSession()
{
    guarded([] {
        const int64_t elapsed =
            TallyProtocolData::timeIntervalFrom(read(&Settings::pauseTime), Clock::wallSeconds());
        const int64_t limit = int64_t(read(&Settings::pauseSecondsBeforeNewSession)) * 1000;
        if (elapsed > limit) {
            if (const Ref<TallySession> session = current()) session->saveSession();
            createAndSendSession();
            TallyAutoIncrement::instance().resetAll();
        } else if (const Ref<TallySession> session = current()) {
            session->resumeSession();
        }
    });
}

// --- Forwarding ---

void TallyAnalytics::logEvent(const std::string& name) { logEvent(name, Parameters {}, false); }

void TallyAnalytics::logEvent(const std::string& name, const Parameters& parameters)
{
    logEvent(name, parameters, false);
}

void TallyAnalytics::logEvent(const std::string& name, bool timed) { logEvent(name, Parameters {}, timed); }

void TallyAnalytics::logEvent(const std::string& name, const Parameters& parameters, bool timed)
{
    {
        std::lock_guard<std::mutex> guard(settings().lock);
        std::deque<Event>& recorded = settings().recorded;
        // Bounded like a session's log, so a long run does not grow it.
        if (recorded.size() == kRecordedEventLimit) recorded.pop_front();
        recorded.push_back({ name, parameters });
    }
    guarded([&] {
        if (const Ref<TallySession> session = current()) {
            session->recordEvent(name, parameters.empty() ? Value() : parametersValue(parameters), timed);
        }
    });
}

void TallyAnalytics::endTimedEvent(const std::string& name, const std::optional<Parameters>& parameters)
{
    guarded([&] {
        if (const Ref<TallySession> session = current()) {
            session->endTimedEvent(name, parameters ? parametersValue(*parameters) : Value());
        }
    });
}

void TallyAnalytics::logError(const std::string& errorId, const std::string& message,
                              const std::exception* exception)
{
    guarded([&] {
        if (const Ref<TallySession> session = current()) session->recordError(errorId, message, exception);
    });
}

void TallyAnalytics::logAllPageViews(UIViewController* controller)
{
    guarded([&] { (void)TallyPageViewDelegate::createDelegateOnTarget(controller); });
}

void TallyAnalytics::logPageView()
{
    guarded([] {
        if (const Ref<TallySession> session = current()) session->maybeIncrementPageView();
    });
}

void TallyAnalytics::setLatitude(double latitude, double longitude, float horizontalAccuracy,
                                 float verticalAccuracy)
{
    guarded([&] {
        if (const Ref<TallySession> session = current()) {
            session->setLocation(latitude, longitude, horizontalAccuracy, verticalAccuracy);
        }
    });
}

void TallyAnalytics::setUserID(const std::string& userID)
{
    guarded([&] {
        if (const Ref<TallySession> session = current()) session->setUserID(userID);
        debug("TallyAnalytics: setUserID[%@]", userID);
        write(&Settings::userID, std::optional<std::string>(userID));
    });
}

void TallyAnalytics::setEventLoggingEnabled(bool enabled)
{
    guarded([&] {
        write(&Settings::eventLogging, enabled);
        if (const Ref<TallySession> session = current()) session->setEventLoggingEnabled(enabled);
    });
}

void TallyAnalytics::setSavedResponseURL(const std::string& url)
{
    guarded([&] { write(&Settings::savedResponseURL, url); });
}

void TallyAnalytics::setServerURL(const std::string& url)
{
    guarded([&] { write(&Settings::serverURL, std::optional<std::string>(url)); });
}

void TallyAnalytics::setSecureTransportEnabled(bool enabled)
{
    guarded([&] {
        setServerURL(reportAddress(enabled ? "https" : "http"));
        write(&Settings::secureTransportEnabled, enabled);
    });
}

void TallyAnalytics::setSessionReportsOnCloseEnabled(bool enabled)
{
    guarded([&] {
        write(&Settings::sessionReportsOnClose, enabled);
        if (const Ref<TallySession> session = current()) session->setSessionReportsOnCloseEnabled(enabled);
    });
}

void TallyAnalytics::setSessionReportsOnPauseEnabled(bool enabled)
{
    guarded([&] {
        write(&Settings::sessionReportsOnPause, enabled);
        if (const Ref<TallySession> session = current()) session->setSessionReportsOnPauseEnabled(enabled);
    });
}

void TallyAnalytics::setGender(const std::string& gender)
{
    guarded([&] {
        if (const Ref<TallySession> session = current()) session->setGender(gender);
        debug("TallyAnalytics: setGender[%@]", gender);
        write(&Settings::gender, std::optional<std::string>(gender));
    });
}

void TallyAnalytics::setAge(int age)
{
    guarded([&] {
        write(&Settings::age, age);
        if (const Ref<TallySession> session = current()) session->setAge(age);
    });
}

std::string TallyAnalytics::savedResponseURL() { return read(&Settings::savedResponseURL); }

std::string TallyAnalytics::serverURL()
{
    // Reports carry device identifiers: the secure address is the default.
    const std::optional<std::string> url = read(&Settings::serverURL);
    return url ? *url : reportAddress("https");
}

std::string TallyAnalytics::appVersion() { return read(&Settings::appVersion).value_or(std::string()); }

void TallyAnalytics::setReportSender(std::shared_ptr<TallyReportSender> sender)
{
    write(&Settings::sender, std::move(sender));
}

std::vector<TallyAnalytics::Event> TallyAnalytics::recordedEvents()
{
    std::lock_guard<std::mutex> guard(settings().lock);
    return std::vector<Event>(settings().recorded.begin(), settings().recorded.end());
}

void TallyAnalytics::clearRecordedEvents() { write(&Settings::recorded, std::deque<Event>()); }

void TallyAnalytics::waitForUploadsForTesting() { joinSenderThreads(); }

void TallyAnalytics::finishUploads() { joinSenderThreads(); }

void TallyAnalytics::resetForTesting()
{
    joinSenderThreads();
    std::vector<NotificationCenter::ObserverId> observers;
    std::shared_ptr<TallyReportSender> sender;
    {
        std::lock_guard<std::mutex> guard(settings().lock);
        observers = std::move(settings().observers);
        sender = std::move(settings().sender);
        Settings& s = settings();
        s.serverURL.reset();
        s.secureTransportEnabled = false;
        s.pauseSecondsBeforeNewSession = 10;
        s.sessionReportsOnClose = true;
        s.sessionReportsOnPause = true;
        s.eventLogging = true;
        s.age = -1;
        s.appVersion.reset();
        s.promoRing = s.videoAds = s.promoSpot = s.recall = false;
        s.apiKey.clear();
        s.userID.reset();
        s.gender.reset();
        s.startSessionCalled = false;
        s.pauseTime.reset();
        s.backgroundTask = 0;
        s.savedResponseURL.clear();
        s.recorded.clear();
    }
    for (NotificationCenter::ObserverId id : observers)
        NotificationCenter::defaultCenter().removeObserver(id);
    TallyHeartBeater::purgeInstance();
    TallyImageCache::purgeInstance();
    TallyFileCache::purgeInstance();
    TallyPageViewDelegate::releaseInstalledForTesting();
    TallyAdStateCallbacks::resetForTesting();
    TallyAdBlocks::resetForTesting();
    TallySession::setEndOfSessionReportSender(nullptr);
    TallySession::setCurrentSession(nullptr);
}

} // namespace mw
