// The queue files survive a kill at any moment. A child process writes,
// the parent kills it with SIGKILL at random moments and reads what is on
// disk.

#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/AtomicFile.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/queues/CCFetchManager.h"
#include "social/data/CCDataStore.h"
#include "social/services/CCGameSession.h"
#include "social/session/CCPrivateLumoraSlimlineSession.h"
#include "social/session/CCPrivateSession.h"
#include "social/queues/CCRecordArchive.h"
#include "social/queues/records/CCServerRecords.h"
#include "tests/social/SocialFixture.h"
#include "tests/social/records/TransferTestSupport.h"
#include "social/support/CCJSON.h"
#include "tests/support/FetchAnswers.h"

namespace mw::test {
namespace {

class QueueKillTest : public SocialFixture {};

std::vector<Ref<CCAbstractServerData>> readRecords(const std::string& path, std::string* error)
{
    std::vector<Ref<CCAbstractServerData>> records;
    std::vector<uint8_t> bytes;
    if (!AtomicFile::read(path, bytes, error)) return records;
    if (!RecordArchive::decode(bytes.data(), bytes.size(), records, "test", error)) records.clear();
    return records;
}

// Every record whose scheduling had returned is in the file after a kill.
TEST_F(QueueKillTest, EveryScheduledPostSurvivesAKill)
{
    Paths::createDirectories(Paths::documentsDirectory());
    const std::string path = CCAsyncPostManager::saveFilePath();
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> pause(0, 20000);
    int scheduledSoFar = 0;
    for (int round = 0; round < 100; ++round) {
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipe[0]);
            auto manager = makeRef<CCAsyncPostManager>();
            for (int next = scheduledSoFar + 1;; ++next) {
                auto record = Ref<CCAbstractServerData>(makeRef<CCNullPost>("https://k/" + std::to_string(next)));
                record->setPostData(Value::Bytes{'x'});
                manager->scheduleDataForPost(record);
                if (::write(pipe[1], &next, sizeof next) != sizeof next) ::_exit(3);
            }
        }
        ::close(pipe[1]);
        ::usleep(useconds_t(pause(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        int acknowledged = scheduledSoFar;
        int value = 0;
        while (::read(pipe[0], &value, sizeof value) == sizeof value) acknowledged = value;
        ::close(pipe[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
        std::string error;
        const auto records = readRecords(path, &error);
        ASSERT_TRUE(error.empty() || !Paths::fileExists(path)) << "round " << round << ": " << error;
        std::vector<bool> present(static_cast<size_t>(acknowledged) + 2, false);
        for (const auto& record : records) {
            const int number = std::stoi(record->url().substr(std::string("https://k/").size()));
            if (number <= acknowledged + 1) present[static_cast<size_t>(number)] = true;
        }
        for (int number = 1; number <= acknowledged; ++number)
            ASSERT_TRUE(present[static_cast<size_t>(number)]) << "round " << round << " lost " << number;
        scheduledSoFar = std::max(acknowledged, static_cast<int>(records.size()));
    }
}

// The fetch manager's file is always its last completed write: a whole
// cache holding the one "basedata" page, never empty, torn or unreadable.
TEST_F(QueueKillTest, TheFetchCacheIsAlwaysALastCompleteWrite)
{
    Paths::createDirectories(Paths::documentsDirectory());
    const std::string path = CCFetchManager::saveFilePath();
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> pause(0, 30000);
    for (int round = 0; round < 100; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int generation = 1;; ++generation) {
                (void)answerFetch("https://x/base.cuid",
                                  R"({"meta":{"type":"uidesc","timestamp":)" + std::to_string(generation) +
                                      R"(},"data":{"cache":"basedata","title":"g"}})");
                (void)answerFetch("https://x/page" + std::to_string(generation % 5) + ".cuid",
                                  pageEnvelope("mutable"));
                clock_->advance(3.1);
                CCFetchManager* manager = CCFetchManager::sharedInstance();
                const size_t writes = manager->writeCount();
                RunLoop::main().runUntil([&] { return manager->writeCount() > writes; }, 5);
            }
        }
        ::usleep(useconds_t(pause(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
        if (!Paths::fileExists(path)) continue; // killed before the first write
        std::string error;
        const auto records = readRecords(path, &error);
        ASSERT_TRUE(error.empty()) << "round " << round << ": " << error;
        ASSERT_EQ(records.size(), 1u) << "round " << round;
        EXPECT_EQ(records[0]->url(), "https://x/base.cuid");
    }
}

// Usage logged around telemetry posts, the game killed at random moments
// and started again: every record whose logging had returned reaches the
// service over the restarts.
class TelemetryKillTest : public TransferFixture {
protected:
    // Lets the fixture's session go, so that no child inherits one: a child
    // holding the parent's store would write it over the file at its start.
    void releaseSession()
    {
        CCGameSession::releaseSharedInstance();
        CCPrivateSession::releaseSharedInstance();
        CCPrivateLumoraSlimlineSession::releaseSharedInstance();
        CCDataStore::releaseSharedInstance();
    }
    // A child forked while one of the service's threads holds the
    // sanitizer's allocator lock (tearing down the last child's connections)
    // hangs at its first allocation: children are forked once the service
    // has let go of every connection.
    void waitUntilTheServiceIsIdle()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (service_.openConnections() > 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // A new process's start.
    void startSession()
    {
        activate();
        CCPrivateSession::sharedInstance()->activateLumoraSetting(2, Value("NO"));
    }
};

// Each start first settles what the previous one left queued (its posts
// answered, and written at once since the previous run may have sent them
// already); the kill then comes at a random moment of play around the
// posts, their answers and the 3-second writes. A kill during a start's own
// resends could send a record again and again (a send whose answer was never
// kept must be repeated), so each record meets at most one kill between
// its send and the keeping of its answer. Every usage record logged and
// acknowledged reaches the service once or twice, never zero times.
// Reads one int from `fd`, waiting at most `seconds`; false on a timeout
// or a closed pipe. A forked child of a threaded parent can hang before it
// starts (a lock some parent thread held at the fork), so no wait for it is
// unbounded.
bool readIntWithin(int fd, int& value, int seconds)
{
    pollfd watched {fd, POLLIN, 0};
    if (::poll(&watched, 1, seconds * 1000) <= 0) return false;
    return ::read(fd, &value, sizeof value) == ssize_t(sizeof value);
}

TEST_F(TelemetryKillTest, EveryLoggedUsageRecordReachesTheServiceOnceOrTwice)
{
    service_.script("/analytics/index.php", {200, {}, ""});
    releaseSession();
    std::mt19937 random(20261212);
    std::uniform_int_distribution<int> pause(0, 400000);
    int acknowledged = 0;
    // The round in which each record number was acknowledged: a number
    // logged but not acknowledged before a kill is logged again by the next
    // round, as a record of its own ("K<number>.<round>").
    std::map<int, int> ackRound;
    int stalledStarts = 0;
    for (int round = 0; round < 30; ++round) {
        waitUntilTheServiceIsIdle();
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipe[0]);
            startSession();
            CCPrivateSession* session = CCPrivateSession::sharedInstance();
            RunLoop::main().runUntil(
                [session] { return session->postManager() && session->postManager()->serverDataArray().empty(); },
                10);
            const int settled = 0;
            if (::write(pipe[1], &settled, sizeof settled) != sizeof settled) ::_exit(3);
            for (int next = acknowledged + 1;; ++next) {
                CCGameSession::sharedInstance()->logUsageForId("K" + std::to_string(next) + "." +
                                                               std::to_string(round));
                if (::write(pipe[1], &next, sizeof next) != sizeof next) ::_exit(3);
                if (next % 4 == 0) session->postCurrentSessionAnalyticsData();
                // Half a second of the game's clock a turn: the queue's
                // 3-second write of answered posts runs as in play.
                clock_->advance(0.5);
                RunLoop::main().runUntil([] { return false; }, 0.002);
            }
        }
        ::close(pipe[1]);
        int value = -1;
        if (!readIntWithin(pipe[0], value, 30)) {
            // The child never started: nothing of it was acknowledged, so
            // the round is played again (a bounded number of times).
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            ::close(pipe[0]);
            ASSERT_LT(++stalledStarts, 5) << "children keep hanging before they start";
            --round;
            continue;
        }
        ASSERT_EQ(value, 0) << "round " << round;
        ::usleep(useconds_t(pause(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        while (::read(pipe[0], &value, sizeof value) == sizeof value) {
            acknowledged = value;
            ackRound[value] = round;
        }
        ::close(pipe[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
    }
    // A last start that runs until everything queued is answered.
    waitUntilTheServiceIsIdle();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        startSession();
        CCPrivateSession::sharedInstance()->postCurrentSessionAnalyticsData();
        CCAsyncPostManager* posts = CCPrivateSession::sharedInstance()->postManager();
        RunLoop::main().runUntil([posts] { return posts && posts->serverDataArray().empty(); }, 20);
        ::_exit(posts && posts->serverDataArray().empty() ? 0 : 4);
    }
    int status = 0;
    for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
        if (waited == 600) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "the last start hung";
        }
        ::usleep(100000);
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the last start did not empty its queue";

    // Sends of each logged record, by its number and round.
    std::map<std::pair<int, int>, int> seen;
    for (const auto& request : service_.requests()) {
        if (request.host != CCPrivateSession::telemetryHost()) continue;
        const std::optional<Value> envelope = JSONFragmentValue(request.body);
        ASSERT_TRUE(envelope);
        const Value& usage = (*envelope)["data"]["gameusage"];
        for (size_t i = 0; i < usage.size(); ++i) {
            const std::string id = usage.at(i).at(1).asString();
            const size_t dot = id.find('.');
            if (id.size() < 2 || id[0] != 'K' || dot == std::string::npos) continue;
            ++seen[{std::stoi(id.substr(1, dot - 1)), std::stoi(id.substr(dot + 1))}];
        }
    }
    ASSERT_GT(acknowledged, 30);
    for (int number = 1; number <= acknowledged; ++number) {
        const auto found = seen.find({number, ackRound[number]});
        EXPECT_TRUE(found != seen.end()) << "lost K" << number << "." << ackRound[number];
    }
    for (const auto& [record, sends] : seen)
        EXPECT_LE(sends, 2) << "K" << record.first << "." << record.second << " sent " << sends << " times";
}

} // namespace
} // namespace mw::test
