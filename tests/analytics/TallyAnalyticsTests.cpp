#include "analytics/TallyAnalytics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "analytics/TallyHeartBeater.h"
#include "analytics/TallyReportSender.h"
#include "analytics/TallySessionSender.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "platform/AlertPresenter.h"
#include "platform/BackgroundTasks.h"
#include "platform/LifeCycle.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/analytics/TallySessionTestSupport.h"
#include "tests/support/LoopbackHTTPServer.h"

namespace mw {
namespace {

struct RecordingAlerts : AlertPresenter {
    void showAlert(const std::string& title, const std::string& message, const std::string& button) override
    {
        if (throws) throw std::runtime_error("no window to show it in");
        shown.push_back(title + "|" + message + "|" + button);
    }
    std::vector<std::string> shown;
    bool throws = false;
};

struct ScriptedBackgroundTasks : BackgroundTasks {
    TaskId beginTask(std::function<void()> expiration) override
    {
        std::lock_guard<std::mutex> guard(lock);
        if (throws) throw std::runtime_error("the system refused a background task");
        expirations.push_back(std::move(expiration));
        return ++begun;
    }
    void endTask(TaskId task) override
    {
        std::lock_guard<std::mutex> guard(lock);
        ended.push_back(task);
    }
    std::vector<TaskId> endedTasks()
    {
        std::lock_guard<std::mutex> guard(lock);
        return ended;
    }

    std::mutex lock;
    TaskId begun = 0;
    std::vector<TaskId> ended;
    std::vector<std::function<void()>> expirations;
    bool throws = false;
};

// Records each upload; a held sender waits until released.
struct RecordingSender : TallyReportSender {
    void send(const TallyUpload& upload) override
    {
        std::unique_lock<std::mutex> guard(lock);
        uploads.push_back(upload);
        onMainThread.push_back(RunLoop::main().isOwnerThread());
        changed.notify_all();
        changed.wait(guard, [this] { return !held; });
        ++finished;
    }
    void release()
    {
        std::lock_guard<std::mutex> guard(lock);
        held = false;
        changed.notify_all();
    }
    size_t finishedCount()
    {
        std::lock_guard<std::mutex> guard(lock);
        return finished;
    }
    std::vector<TallyUpload> uploadsSoFar()
    {
        std::lock_guard<std::mutex> guard(lock);
        return uploads;
    }

    std::mutex lock;
    std::condition_variable changed;
    std::vector<TallyUpload> uploads;
    std::vector<bool> onMainThread;
    size_t finished = 0;
    bool held = false;
};

class TallyAnalyticsTest : public test::TallySessionFixture {
protected:
    TallyAnalyticsTest()
    {
        TallyAnalytics::resetForTesting();
        previousAlerts_ = AlertPresenter::replaceSharedInstance(alerts_);
        previousTasks_ = BackgroundTasks::replaceSharedInstance(tasks_);
        TallyAnalytics::setReportSender(sender_);
    }
    ~TallyAnalyticsTest() override
    {
        sender_->release();
        // Every upload a test started ends before the next test.
        EXPECT_TRUE(RunLoop::main().runUntil(
            [this] { return sender_->finishedCount() == sender_->uploadsSoFar().size(); }, 10));
        TallyAnalytics::resetForTesting();
        (void)AlertPresenter::replaceSharedInstance(previousAlerts_);
        (void)BackgroundTasks::replaceSharedInstance(previousTasks_);
    }

    // The game's launch calls, through the application frame.
    void launchGame()
    {
        TallyAnalytics::setAppVersion("1.7");
        TallyAnalytics::startSession("QX3TR7WMB2KJ9PLD4HSZ");
        TallyAnalytics::setSessionReportsOnPauseEnabled(true);
        frame_.launch();
    }

    bool waitForFinished(size_t count)
    {
        return RunLoop::main().runUntil([&] { return sender_->finishedCount() >= count; }, 10);
    }

    std::shared_ptr<RecordingAlerts> alerts_ = std::make_shared<RecordingAlerts>();
    std::shared_ptr<ScriptedBackgroundTasks> tasks_ = std::make_shared<ScriptedBackgroundTasks>();
    std::shared_ptr<RecordingSender> sender_ = std::make_shared<RecordingSender>();
    std::shared_ptr<AlertPresenter> previousAlerts_;
    std::shared_ptr<BackgroundTasks> previousTasks_;
    LifeCycle frame_;
};

TEST_F(TallyAnalyticsTest, StartUpOrderAndLines)
{
    TallyAnalytics::setDebugLogEnabled(true);
    ScopedLogCapture capture;
    TallyAnalytics::setAppVersion("1.7");
    TallyAnalytics::startSession(" QX3 TR7\tWMB ");
    const std::vector<std::string> lines = capture.lines();
    const std::vector<std::string> expectedInOrder = {
        "TallyAnalytics: setAppVersion[1.7]",
        "TallyAnalytics: startSession called for the first time",
        "TallyAnalytics: Start session called with apiKey[ QX3 TR7\tWMB ]",
        "TallyAnalytics: Trim white space and use apiKey[QX3TR7\tWMB]",
        "TallyAnalytics: Created active session with API[QX3TR7\tWMB]",
        "TallyAnalytics: Finish starting session with apiKey[QX3TR7\tWMB]",
    };
    auto at = lines.begin();
    for (const std::string& expected : expectedInOrder) {
        at = std::find(at, lines.end(), expected);
        ASSERT_NE(at, lines.end()) << "missing or out of order: " << expected;
    }
    const Ref<TallySession> session = TallySession::currentSession();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->apiKey(), "QX3TR7\tWMB");
    EXPECT_EQ(session->appVersion(), "1.7");
    EXPECT_NE(TallyHeartBeater::instance(), nullptr);
    ASSERT_TRUE(waitForFinished(1));
    const TallyUpload start = sender_->uploadsSoFar().at(0);
    EXPECT_EQ(start.purpose, TallyUpload::Purpose::Start);
    EXPECT_TRUE(start.waitsForAnswer);
    EXPECT_EQ(start.timeoutSeconds, 20);
    EXPECT_FALSE(start.currentRecord.has_value());
    EXPECT_FALSE(sender_->onMainThread.at(0));
}

TEST_F(TallyAnalyticsTest, SecondStartAndLateVersionShowAlertsAndChangeNothing)
{
    launchGame();
    TallyAnalytics::startSession("OTHERKEY");
    TallyAnalytics::setAppVersion("9.9");
    EXPECT_EQ(alerts_->shown,
              (std::vector<std::string> {
                  "|startSession has been called already. It should only be called once.|Cancel",
                  "|TallyAnalytics: Please call setAppVersion before startSession.|Cancel" }));
    EXPECT_EQ(TallySession::currentSession()->apiKey(), "QX3TR7WMB2KJ9PLD4HSZ");
    EXPECT_EQ(TallySession::currentSession()->appVersion(), "1.7");
    EXPECT_EQ(TallyAnalytics::appVersion(), "1.7");
}

TEST_F(TallyAnalyticsTest, SettingsBeforeStartReachTheFirstSession)
{
    TallyAnalytics::setSessionReportsOnPauseEnabled(false);
    TallyAnalytics::setEventLoggingEnabled(false);
    TallyAnalytics::setUserID("player-7");
    TallyAnalytics::setGender("f");
    TallyAnalytics::startSession("KEY");
    const Ref<TallySession> session = TallySession::currentSession();
    ASSERT_TRUE(session);
    EXPECT_FALSE(session->sessionReportsOnPauseEnabled());
    EXPECT_FALSE(session->eventLoggingEnabled());
    EXPECT_TRUE(session->sessionReportsOnCloseEnabled());
    EXPECT_EQ(session->userID(), "player-7");
    EXPECT_EQ(session->gender(), 0);
    TallyAnalytics::setSessionReportsOnPauseEnabled(true);
    EXPECT_TRUE(session->sessionReportsOnPauseEnabled());
}

TEST_F(TallyAnalyticsTest, ReportAddress)
{
    test::ScopedEnv host("MOSSWICK_ANALYTICS_HOST", "reports.example");
    // Reports carry device identifiers: they go out encrypted unless told otherwise.
    EXPECT_EQ(TallyAnalytics::serverURL(), "https://reports.example/aas.do");
    TallyAnalytics::setServerURL("http://custom.example/other");
    EXPECT_EQ(TallyAnalytics::serverURL(), "http://custom.example/other");
    TallyAnalytics::setSecureTransportEnabled(false);
    EXPECT_EQ(TallyAnalytics::serverURL(), "http://reports.example/aas.do");
    TallyAnalytics::setSecureTransportEnabled(true);
    EXPECT_EQ(TallyAnalytics::serverURL(), "https://reports.example/aas.do");
}

TEST_F(TallyAnalyticsTest, PauseShorterOrLongerThanTenSeconds)
{
    const struct {
        double pauseSeconds;
        bool sameSession;
    } cases[] = { { 10.0, true }, { 10.0015, false } }; // 10,000 and 10,001 whole milliseconds
    for (const auto& c : cases) {
        launchGame();
        ASSERT_TRUE(waitForFinished(sender_->uploadsSoFar().size()));
        const Ref<TallySession> first = TallySession::currentSession();
        TallyAnalytics::logEvent("MiniGames", { { "MiniGames", "Fields" } });
        frame_.focusLost();
        clock_->advance(c.pauseSeconds);
        frame_.focusGained();
        const Ref<TallySession> now = TallySession::currentSession();
        ASSERT_TRUE(now);
        EXPECT_EQ(now == first, c.sameSession) << c.pauseSeconds;
        if (c.sameSession) {
            EXPECT_EQ(first->totalPauseIntervalMillis(), 10000);
            EXPECT_TRUE(TallySessionStore::savedSessions()->empty());
        } else {
            ASSERT_EQ(TallySessionStore::savedSessions()->size(), 1u);
            EXPECT_EQ(TallySessionStore::savedSessions()->at(0), *first->data());
            TallyAnalytics::logEvent("Tool", { { "Tool", "tool_earth" } });
            EXPECT_EQ(now->eventLog().back()->eventLogId(), 1) << "numbering starts again";
        }
        ASSERT_TRUE(waitForFinished(sender_->uploadsSoFar().size()));
        // Next case from a fresh process.
        sender_->release();
        TallyAnalytics::resetForTesting();
        TallyAnalytics::setReportSender(sender_);
        TallySessionStore::deleteCurrentSession();
        ASSERT_TRUE(TallySessionStore::setSavedSessions({}));
        TallySessionStore::resetForTesting();
        frame_ = LifeCycle();
    }
}

TEST_F(TallyAnalyticsTest, PauseReportRunsInsideABackgroundTask)
{
    launchGame();
    ASSERT_TRUE(waitForFinished(1));
    sender_->held = true;
    frame_.focusLost();
    ASSERT_TRUE(RunLoop::main().runUntil([this] { return sender_->uploadsSoFar().size() == 2; }, 10));
    const TallyUpload pause = sender_->uploadsSoFar()[1];
    EXPECT_EQ(pause.purpose, TallyUpload::Purpose::Pause);
    EXPECT_FALSE(pause.waitsForAnswer);
    EXPECT_EQ(pause.timeoutSeconds, 5);
    ASSERT_TRUE(pause.currentRecord.has_value());
    test::ByteReader reader(*pause.currentRecord);
    EXPECT_EQ(test::readSession(reader).length, 0) << "the pause is the session's end for now";
    EXPECT_EQ(tasks_->begun, 1u);
    EXPECT_TRUE(tasks_->endedTasks().empty());
    sender_->release();
    ASSERT_TRUE(waitForFinished(2));
    ASSERT_TRUE(RunLoop::main().runUntil([this] { return !tasks_->endedTasks().empty(); }, 10));
    EXPECT_EQ(tasks_->endedTasks(), std::vector<BackgroundTasks::TaskId> { 1 });

    // The system's expiry comes first: the task is ended once.
    frame_.focusGained();
    sender_->held = true;
    frame_.focusLost();
    ASSERT_TRUE(RunLoop::main().runUntil([this] { return sender_->uploadsSoFar().size() == 3; }, 10));
    tasks_->expirations.back()();
    sender_->release();
    ASSERT_TRUE(waitForFinished(3));
    RunLoop::main().runUntil([] { return false; }, 0.2);
    EXPECT_EQ(tasks_->endedTasks(), (std::vector<BackgroundTasks::TaskId> { 1, 2 }));
}

// Under load a sender thread builds its report well after the upload was
// asked for: the report still carries the time it was asked for.
TEST_F(TallyAnalyticsTest, AReportBuiltLateCarriesTheTimeItWasAskedFor)
{
    // Held like the recording sender, then posts for real.
    struct LateSender : RecordingSender {
        void send(const TallyUpload& upload) override
        {
            RecordingSender::send(upload);
            TallySessionSender().send(upload);
            ++posted;
        }
        std::atomic<size_t> posted { 0 };
    };
    test::LoopbackHTTPServer service([](const test::LoopbackHTTPServer::Request&) {
        return test::LoopbackHTTPServer::response(200);
    });
    auto late = std::make_shared<LateSender>();
    TallyAnalytics::setReportSender(late);
    TallyAnalytics::setServerURL(service.url("/aas.do"));
    const char* const steps[] = { "start", "pause" };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(steps[i]);
        late->held = true;
        const double asked = clock_->wallSeconds();
        if (i == 0) launchGame();
        else frame_.focusLost();
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return late->uploadsSoFar().size() == i + 1; }, 10));
        clock_->advance(90);
        late->release();
        // One upload at a time: the next one would be skipped.
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return late->posted == i + 1; }, 20));
        ASSERT_EQ(service.requests().size(), i + 1);
        const test::DecodedReport report = test::readReport(service.requests()[i].body);
        EXPECT_EQ(report.reportTime, int64_t(asked * 1000));
    }
}

TEST_F(TallyAnalyticsTest, StopBackgroundTaskWithNothingPendingDoesNothing)
{
    TallyAnalytics::setDebugLogEnabled(true);
    ScopedLogCapture capture;
    TallyAnalytics::stopBackgroundTask();
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_TRUE(tasks_->endedTasks().empty());
}

TEST_F(TallyAnalyticsTest, TerminateSendsTheEndReportOnTheMainThread)
{
    launchGame();
    TallyAnalytics::logEvent("Language", { { "Language", "pl" } });
    ASSERT_TRUE(waitForFinished(1));
    frame_.quit();
    ASSERT_TRUE(waitForFinished(3)); // the pause report, then the end report
    const std::vector<TallyUpload> uploads = sender_->uploadsSoFar();
    // The pause report runs on its own thread and may end after the end report.
    const auto endAt = std::find_if(uploads.begin(), uploads.end(), [](const TallyUpload& upload) {
        return upload.purpose == TallyUpload::Purpose::EndOfSession;
    });
    ASSERT_NE(endAt, uploads.end());
    const TallyUpload& end = *endAt;
    EXPECT_TRUE(sender_->onMainThread.at(size_t(endAt - uploads.begin())));
    ASSERT_TRUE(end.currentRecord.has_value());
    test::ByteReader reader(*end.currentRecord);
    const test::DecodedSession record = test::readSession(reader);
    ASSERT_EQ(record.events.size(), 1u);
    EXPECT_EQ(record.events[0].name, "Language");
    EXPECT_FALSE(TallySession::currentSession());
    EXPECT_EQ(TallySessionStore::savedSessions()->size(), 1u);
}

TEST_F(TallyAnalyticsTest, HeartBeatsOncePerSecond)
{
    launchGame();
    int beats = 0;
    const NotificationCenter::ObserverId observer = NotificationCenter::defaultCenter().addObserver(
        nullptr, TallyHeartBeater::kNotificationName, nullptr, [&](const Notification&) { ++beats; });
    for (int second = 0; second < 3; ++second) {
        clock_->advance(1.0);
        RunLoop::main().drain();
    }
    NotificationCenter::defaultCenter().removeObserver(observer);
    EXPECT_EQ(beats, 3);
    EXPECT_EQ(TallyHeartBeater::createAndStartInstance(0.01), TallyHeartBeater::instance());
}

// A failure below a wrapped operation is logged; the operation returns and
// what it did before the failure stays.
TEST_F(TallyAnalyticsTest, FailuresBelowAreCaughtAndLogged)
{
    launchGame();
    TallyUtil::setDebugLogEnabled(true);
    TallyUtil::setShowErrorInLogEnabled(true);
    ScopedLogCapture capture;
    tasks_->throws = true;
    frame_.focusLost();
    EXPECT_TRUE(
        capture.contains("Tally: Name:std::runtime_error Reason:the system refused a background task"));
    EXPECT_TRUE(TallySession::currentSession()->pauseTime().has_value());
    alerts_->throws = true;
    TallyAnalytics::setAppVersion("2.0");
    EXPECT_TRUE(capture.contains("Reason:no window to show it in"));
}

TEST_F(TallyAnalyticsTest, GameEventsReachTheSessionRecord)
{
    launchGame();
    TallyAnalytics::logEvent("Level Up", { { "Level Up", "Level 3" } });
    TallyAnalytics::logEvent("Achievement", { { "Achievement", "FIRST_COAL" } });
    const std::optional<TallySession::Bytes> record = TallySession::currentSession()->data();
    ASSERT_TRUE(record);
    test::ByteReader reader(*record);
    const test::DecodedSession decoded = test::readSession(reader);
    ASSERT_EQ(decoded.events.size(), 2u);
    EXPECT_EQ(decoded.events[0].parameters,
              (std::vector<std::pair<std::string, std::string>> { { "Level Up", "Level 3" } }));
    EXPECT_EQ(decoded.events[1].name, "Achievement");
    EXPECT_EQ(TallyAnalytics::recordedEvents().size(), 2u);
}

} // namespace
} // namespace mw
