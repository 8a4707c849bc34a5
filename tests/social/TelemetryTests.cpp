// The session's telemetry on the test's clock against the loopback
// telemetry host: sessions, the minute clock, posts and the background.

#include <time.h>

#include "foundation/AtomicFile.h"
#include "foundation/NotificationCenter.h"
#include "platform/ApplicationDelegate.h"
#include "platform/BackgroundTasks.h"
#include "social/CCAsyncPostManager.h"
#include "social/CCDataStore.h"
#include "social/CCRecordArchive.h"
#include "social/support/CCJSON.h"
#include "tests/social/records/TransferTestSupport.h"
#include "social/CCPrivateLumoraSlimlineSession.h"

namespace mw::test {
namespace {

using Reply = LoopbackSocialService::Reply;

// Background time scripted by the test; counts begun and ended tasks.
class ScriptedBackgroundTasks : public BackgroundTasks {
public:
    TaskId beginTask(std::function<void()> expiry) override
    {
        expiryHandler = std::move(expiry);
        ++begun;
        return 7;
    }
    void endTask(TaskId) override { ++ended; }
    double backgroundTimeRemaining() override { return remaining; }
    double remaining = kForeground;
    std::function<void()> expiryHandler;
    int begun = 0;
    int ended = 0;
};

class TelemetryTest : public TransferFixture {
protected:
    void SetUp() override
    {
        TransferFixture::SetUp();
        previousTasks_ = BackgroundTasks::replaceSharedInstance(tasks_);
        service_.script("/analytics/index.php", {200, {}, ""});
        facts_->uuids = {"SESSION-A", "SESSION-B", "SESSION-C"};
        CCPrivateSession::sharedInstance()->activateLumoraSetting(2, Value("NO"));
    }
    void TearDown() override
    {
        BackgroundTasks::replaceSharedInstance(previousTasks_);
        TransferFixture::TearDown();
    }
    CCPrivateSession& session() { return *CCPrivateSession::sharedInstance(); }
    void settle()
    {
        RunLoop::main().drain();
        CCAsyncPostManager* posts = session().postManager();
        RunLoop::main().runUntil([posts] { return !posts || !posts->isWaitingForResponsesFromServer(); }, 10);
        RunLoop::main().runUntil([] { return false; }, 0.05);
    }
    void minutes(int count)
    {
        for (int i = 0; i < count; ++i) {
            clock_->advance(60);
            settle();
        }
    }
    // The telemetry posts the service received, as their "data" objects.
    std::vector<Value> posts() const
    {
        std::vector<Value> list;
        for (const auto& request : service_.requests()) {
            if (request.host != CCPrivateSession::telemetryHost()) continue;
            std::optional<Value> envelope = JSONFragmentValue(request.body);
            list.push_back(envelope ? (*envelope)["data"] : Value());
        }
        return list;
    }
    // The records in the queue's file; SIZE_MAX when it cannot be read.
    static size_t queuedOnDisk()
    {
        std::vector<uint8_t> bytes;
        std::vector<Ref<CCAbstractServerData>> records;
        if (!AtomicFile::read(CCAsyncPostManager::saveFilePath(), bytes, nullptr) ||
            !RecordArchive::decode(bytes.data(), bytes.size(), records, "test", nullptr))
            return SIZE_MAX;
        return records.size();
    }
    static std::string sessionIdOf(const Value& post) { return post["clientsessionid"].asString(); }
    static int indexOf(const Value& post) { return post["extrasessiondata"]["clientSessionPostIndex"].asInt(); }

    std::shared_ptr<ScriptedBackgroundTasks> tasks_ = std::make_shared<ScriptedBackgroundTasks>();
    std::shared_ptr<BackgroundTasks> previousTasks_;
};

TEST_F(TelemetryTest, AFirstRunReportsNoPreviousSessionThenItsOwn)
{
    settle();
    std::vector<Value> sent = posts();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sessionIdOf(sent[0]), "-1");
    EXPECT_EQ(sent[0]["gamesession"], Value::dictionary({{"configuration", Value("none")}}));
    EXPECT_EQ(sent[0]["gameusage"].at(0).at(1), Value("GAME_APP_INSTALL"));
    EXPECT_EQ(sent[0]["connection"].asString().empty(), false);
    EXPECT_EQ(service_.requests().back().target.rfind("/analytics/index.php?sig=", 0), 0u);
    EXPECT_TRUE(CCDataStore::sharedInstance()->readyToGoGameUsageData().isNull()) << "the post took them";

    minutes(1);
    sent = posts();
    ASSERT_EQ(sent.size(), 2u) << "the first tick posts";
    EXPECT_EQ(sessionIdOf(sent[1]), "SESSION-A");
    EXPECT_EQ(indexOf(sent[0]), 0);
    EXPECT_EQ(indexOf(sent[1]), 0) << "counting starts again after the previous session's report";
    EXPECT_TRUE(session().hasPostedAnalyticDataThisSession());
}

TEST_F(TelemetryTest, UsageIsPostedOnlyAfterMoreThanThirtyMinutes)
{
    settle();
    minutes(1);
    ASSERT_EQ(posts().size(), 2u);
    CCDataStore::sharedInstance()->logUsageDataForUiActivatedWithType("UI_START");
    minutes(30);
    EXPECT_EQ(posts().size(), 2u) << "m = 30";
    minutes(1);
    ASSERT_EQ(posts().size(), 3u) << "m = 31";
    const Value last = posts().back();
    EXPECT_EQ(last["usage"].at(0).at(1), Value("UI_START"));
    EXPECT_EQ(indexOf(last), 1);
    EXPECT_EQ(CCDataStore::sharedInstance()->valueForKey("currentsessionmins"), Value(32));
}

// A tick without usage posts nothing, unless the clock was changed by a
// significant amount since the last one.
TEST_F(TelemetryTest, ASignificantTimeChangePostsAtTheNextTick)
{
    settle();
    minutes(1); // the first tick posts
    for (bool changed : {false, true}) {
        const size_t before = posts().size();
        if (changed) NotificationCenter::defaultCenter().postNotification(UIApplicationSignificantTimeChangeNotification);
        settle();
        EXPECT_EQ(posts().size(), before) << "not before the tick";
        minutes(1);
        EXPECT_EQ(posts().size(), before + (changed ? 1u : 0u)) << changed;
    }
}

// Every tick stores the minutes counted and its own offset time, and writes
// the store once.
TEST_F(TelemetryTest, EachTickStoresItsMinutesAndTimeInOneWrite)
{
    settle();
    minutes(1);
    CCDataStore& data = *CCDataStore::sharedInstance();
    data.setAnalyticTimeOffset(3600);
    for (int minute = 2; minute <= 4; ++minute) {
        const size_t writes = data.writeCount();
        minutes(1);
        EXPECT_EQ(data.valueForKey("currentsessionmins"), Value(minute));
        EXPECT_DOUBLE_EQ(data.valueForKey("lastsessioninterval").asDouble(),
                         data.intervalSince1970WithAnalyticOffset());
        EXPECT_EQ(data.writeCount(), writes + 1) << "minute " << minute;
    }
}

TEST_F(TelemetryTest, ComingBackAfterFourMinutesKeepsTheSessionAfterSixBeginsOne)
{
    settle();
    const std::string first = *session().analyticsCurrentSessionId();
    const std::pair<double, bool> rows[] = {{4, false}, {6, true}};
    for (const auto& [away, renewed] : rows) {
        const std::string before = *session().analyticsCurrentSessionId();
        NotificationCenter::defaultCenter().postNotification(UIApplicationWillResignActiveNotification);
        clock_->advance(away * 60);
        NotificationCenter::defaultCenter().postNotification(UIApplicationDidBecomeActiveNotification);
        settle();
        EXPECT_EQ(*session().analyticsCurrentSessionId() != before, renewed) << away;
    }
    EXPECT_NE(*session().analyticsCurrentSessionId(), first);
}

TEST_F(TelemetryTest, AnAnalyticTimeOffsetDoesNotBendTheSessionGap)
{
    settle();
    CCDataStore::sharedInstance()->setAnalyticTimeOffset(3600);
    minutes(1); // the tick stores offset time
    const std::string before = *session().analyticsCurrentSessionId();
    NotificationCenter::defaultCenter().postNotification(UIApplicationWillResignActiveNotification);
    clock_->advance(4 * 60);
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidBecomeActiveNotification);
    settle();
    EXPECT_EQ(*session().analyticsCurrentSessionId(), before);
}

TEST_F(TelemetryTest, TheFinalPostLeavesAfterMoreThanFiveMinutesInTheBackground)
{
    settle();
    minutes(1);
    const size_t before = posts().size();
    tasks_->remaining = 600;
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidEnterBackgroundNotification);
    EXPECT_EQ(tasks_->begun, 1);
    tasks_->remaining = 300;
    clock_->advance(300);
    settle();
    EXPECT_EQ(posts().size(), before) << "not at 300 s exactly";
    tasks_->remaining = 299.5;
    clock_->advance(0.5);
    settle();
    // The wait looks again every tenth of a second on the clock.
    for (int i = 0; i < 100 && tasks_->ended == 0; ++i) {
        clock_->advance(0.1);
        settle();
    }
    ASSERT_EQ(posts().size(), before + 1);
    EXPECT_TRUE(posts().back()["extrasessiondata"]["clientSessionFinalPost"].asBool());
    EXPECT_EQ(CCDataStore::sharedInstance()->valueForKey("postedfinalsessiondataonexit"), Value("YES"));
    EXPECT_EQ(tasks_->ended, 1) << "ended once answered";
    EXPECT_TRUE(session().postManager()->serverDataArray().empty());
    EXPECT_EQ(queuedOnDisk(), 0u) << "the answer on disk when the task ends, not 3 s later";
}

// The game quitting right after an answer: the answer goes to the queue's
// file before the process ends, so the next start does not send it again.
TEST_F(TelemetryTest, QuittingWritesTheAnsweredQueueFirst)
{
    settle();
    minutes(1);
    ASSERT_TRUE(session().postManager()->serverDataArray().empty());
    ASSERT_NE(queuedOnDisk(), 0u) << "the answers wait for the 3-second write";
    NotificationCenter::defaultCenter().postNotification(UIApplicationWillTerminateNotification);
    EXPECT_EQ(queuedOnDisk(), 0u);
}

TEST_F(TelemetryTest, APostThatCannotGoDoesNotHoldTheBackgroundTask)
{
    settle();
    // A null post waits (the screens were never opened); nothing is in transfer.
    auto waiting = Ref<CCAbstractServerData>(makeRef<CCNullPost>(serviceUrl("/lite/null")));
    waiting->setPostData(Value::Bytes{'x'});
    session().postManager()->scheduleDataForPost(waiting);
    EXPECT_FALSE(session().postManager()->isWaitingForResponsesFromServer());
    tasks_->remaining = 600;
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidEnterBackgroundNotification);
    tasks_->remaining = 299;
    clock_->advance(301);
    settle();
    for (int i = 0; i < 100 && tasks_->ended == 0; ++i) {
        clock_->advance(0.1);
        settle();
    }
    EXPECT_EQ(tasks_->ended, 1) << "ended right after the final answer";
    EXPECT_LT(tasks_->remaining, 300);
}

TEST_F(TelemetryTest, ANeverAnsweringServiceEndsTheTaskOnceUnderASecond)
{
    settle();
    Reply silent;
    silent.neverAnswer = true;
    service_.script("/analytics/index.php", silent);
    tasks_->remaining = 600;
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidEnterBackgroundNotification);
    tasks_->remaining = 299;
    clock_->advance(301);
    settle();
    EXPECT_EQ(tasks_->ended, 0) << "still waiting for the answer";
    tasks_->remaining = 0.9;
    for (int i = 0; i < 5; ++i) {
        clock_->advance(0.1);
        RunLoop::main().drain();
    }
    EXPECT_EQ(tasks_->ended, 1);
}

TEST_F(TelemetryTest, ActiveAgainBeforeTheFinalPostEndsTheTask)
{
    settle();
    tasks_->remaining = 600;
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidEnterBackgroundNotification);
    tasks_->remaining = 400;
    clock_->advance(200);
    settle();
    const size_t before = posts().size();
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidBecomeActiveNotification);
    EXPECT_EQ(tasks_->ended, 1);
    tasks_->remaining = 1;
    clock_->advance(400);
    settle();
    EXPECT_EQ(posts().size(), before);
}

// The desktop's background tasks on the real clock: three seconds of the
// background wait, the main loop sleeping between its turns as the frame
// driver's does, wake the main loop a few times and cost its thread under
// 2 % of a core. (The thread's own time: other threads of a loaded machine's
// test process are no part of the wait.)
TEST_F(TelemetryTest, WaitingInTheBackgroundBurnsNoCpu)
{
    settle();
    ScopedClockSource realClock(std::make_shared<SystemClock>());
    BackgroundTasks::replaceSharedInstance(nullptr);
    BackgroundTasks::noteInBackground(true);
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidEnterBackgroundNotification);
    const double remainingAtStart = BackgroundTasks::sharedInstance()->backgroundTimeRemaining();
    auto cpuSeconds = [] {
        timespec used {};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
        return double(used.tv_sec) + double(used.tv_nsec) / 1e9;
    };
    const double cpuBefore = cpuSeconds();
    const double start = Clock::monotonicSeconds();
    int turns = 0;
    while (Clock::monotonicSeconds() - start < 3) {
        RunLoop::main().drain();
        RunLoop::main().waitForInput(3 - (Clock::monotonicSeconds() - start));
        ++turns;
    }
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = Clock::monotonicSeconds() - start;
    EXPECT_NE(CCDataStore::sharedInstance()->valueForKey("postedfinalsessiondataonexit"), Value("YES"))
        << "no final post within 3 s";
    BackgroundTasks::noteInBackground(false);
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidBecomeActiveNotification);
    RunLoop::main().drain();
    EXPECT_LE(turns, 5) << "the wait woke the main loop " << turns << " times in " << elapsed << " s";
    EXPECT_LT(cpu, 0.02 * elapsed) << cpu << " s of CPU in " << elapsed << " s";
    EXPECT_LT(remainingAtStart, BackgroundTasks::kForeground) << "the wait ran against the desktop's time";
}

TEST_F(TelemetryTest, AvoidingBackgroundActivitySilencesEveryPost)
{
    session().activateLumoraSetting(2, Value("YES"));
    settle();
    minutes(2);
    tasks_->remaining = 600;
    NotificationCenter::defaultCenter().postNotification(UIApplicationDidEnterBackgroundNotification);
    tasks_->remaining = 200;
    clock_->advance(400);
    settle();
    EXPECT_TRUE(posts().empty());
}

TEST_F(TelemetryTest, ARelaunchReportsThePreviousSessionOnceWhateverTheOrder)
{
    settle();
    minutes(2);
    const std::string first = *session().analyticsCurrentSessionId();
    for (bool activeFirst : {true, false}) {
        SCOPED_TRACE(activeFirst);
        service_.clearRequests();
        // A new process: every shared instance again, the files stay.
        CCDataStore::releaseSharedInstance();
        CCPrivateSession::releaseSharedInstance();
        CCPrivateLumoraSlimlineSession::releaseSharedInstance();
        clock_->advance(10 * 60);
        const int launches = CCDataStore::sharedInstance()->appSessionCountSinceInstall();
        activate();
        session().activateLumoraSetting(2, Value("NO"));
        if (activeFirst) NotificationCenter::defaultCenter().postNotification(UIApplicationDidBecomeActiveNotification);
        settle();
        if (!activeFirst) NotificationCenter::defaultCenter().postNotification(UIApplicationDidBecomeActiveNotification);
        settle();
        minutes(1);
        const std::vector<Value> sent = posts();
        ASSERT_GE(sent.size(), 2u);
        const std::string reported = sessionIdOf(sent[0]);
        EXPECT_NE(reported, "-1");
        for (size_t i = 1; i < sent.size(); ++i) EXPECT_NE(sessionIdOf(sent[i]), reported) << i;
        EXPECT_EQ(CCDataStore::sharedInstance()->appSessionCountSinceInstall(), launches + 1);
    }
    (void)first;
}

} // namespace
} // namespace mw::test
