#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "platform/AlertPresenter.h"
#include "platform/BackgroundTasks.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/analytics/TallySessionTestSupport.h"
#include "tests/support/LoopbackHTTPServer.h"

namespace mw {
namespace {

using Server = test::LoopbackHTTPServer;
using Bytes = TallySession::Bytes;
constexpr const char* kKey = "QX3TR7WMB2KJ9PLD4HSZ";

struct NoAlerts : AlertPresenter {
    void showAlert(const std::string&, const std::string&, const std::string&) override { }
};

struct NoBackgroundTasks : BackgroundTasks {
    TaskId beginTask(std::function<void()>) override { return 1; }
    void endTask(TaskId) override { }
};

// Whole launches of the client (startSession with the real sender) against a
// loopback report service that refuses every report, so what is stored stays
// stored; between launches the process state is reset as a new process finds it.
class TallyLaunchStorageTest : public test::TallySessionFixture {
protected:
    TallyLaunchStorageTest()
    {
        TallyAnalytics::resetForTesting();
        previousAlerts_ = AlertPresenter::replaceSharedInstance(std::make_shared<NoAlerts>());
        previousTasks_ = BackgroundTasks::replaceSharedInstance(std::make_shared<NoBackgroundTasks>());
    }
    ~TallyLaunchStorageTest() override
    {
        TallyAnalytics::resetForTesting();
        (void)AlertPresenter::replaceSharedInstance(previousAlerts_);
        (void)BackgroundTasks::replaceSharedInstance(previousTasks_);
    }

    // One launch; answers the report its start upload sent.
    std::vector<uint8_t> launchOnce()
    {
        TallyAnalytics::resetForTesting();
        TallySessionStore::resetForTesting();
        TallyUtil::resetSystemVersionForTesting();
        const size_t before = service_.requests().size();
        TallyAnalytics::setServerURL(service_.url("/aas.do"));
        TallyAnalytics::startSession(kKey);
        TallyAnalytics::waitForUploadsForTesting();
        RunLoop::main().drain();
        const std::vector<Server::Request> requests = service_.requests();
        EXPECT_EQ(requests.size(), before + 1);
        return requests.empty() ? std::vector<uint8_t>() : requests.back().body;
    }

    static std::vector<Bytes> stored()
    {
        return TallySessionStore::savedSessions().value_or(std::vector<Bytes>());
    }

    Server service_ { [](const Server::Request&) { return Server::response(503); } };
    std::shared_ptr<AlertPresenter> previousAlerts_;
    std::shared_ptr<BackgroundTasks> previousTasks_;
};

TEST_F(TallyLaunchStorageTest, FilesFollowTheSystemVersion)
{
    const struct {
        const char* version;
        bool documents;
    } cases[] = { { "5.0", false }, { "5.0.1", true } };
    for (const auto& c : cases) {
        services_.facts->version = c.version;
        services_.attributes->values.clear();
        (void)launchOnce(); // the first-use file and the current session
        (void)launchOnce(); // finds the first run's session: the stored file
        const std::string folder = c.documents ? Paths::documentsDirectory() : Paths::cachesDirectory();
        for (const std::string& path :
             { TallySessionStore::sessionsFilePath(), TallySessionStore::currentSessionFilePath(),
               TallySessionStore::initialTimestampFilePath() }) {
            EXPECT_EQ(path.rfind(folder + "/.", 0), 0u) << c.version << " " << path;
            EXPECT_TRUE(Paths::fileExists(path)) << c.version << " " << path;
            EXPECT_EQ(services_.attributes->get(path, "com.apple.MobileBackup").has_value(), c.documents)
                << c.version << " " << path;
        }
        // The next case as a fresh install.
        for (const std::string& path :
             { TallySessionStore::sessionsFilePath(), TallySessionStore::currentSessionFilePath(),
               TallySessionStore::initialTimestampFilePath() })
            (void)std::remove(path.c_str());
    }
}

TEST_F(TallyLaunchStorageTest, FirstUseDateStaysAndSessionsAccumulateUpToTheLimit)
{
    std::vector<int64_t> firstUses;
    for (int launch = 0; launch < 3; ++launch) {
        firstUses.push_back(test::readReport(launchOnce()).firstUse);
        clock_->advance(3600);
    }
    EXPECT_EQ(firstUses, std::vector<int64_t>(3, int64_t(test::kTestNow * 1000)));
    EXPECT_EQ(stored().size(), 2u) << "each launch stores the session the last one left";

    // 50 stored: the next launch's crashed session pushes out the oldest.
    std::vector<Bytes> fifty;
    for (int i = 0; i < 50; ++i) fifty.push_back(Bytes { uint8_t(i) });
    ASSERT_TRUE(TallySessionStore::setSavedSessions(fifty));
    (void)launchOnce();
    const std::vector<Bytes> kept = stored();
    ASSERT_EQ(kept.size(), 50u);
    EXPECT_EQ(kept.front(), Bytes { 1 });
    EXPECT_EQ(std::vector<Bytes>(kept.begin(), kept.end() - 1),
              std::vector<Bytes>(fifty.begin() + 1, fifty.end()));
}

TEST_F(TallyLaunchStorageTest, OlderDotlessFileIsReadAndWrittenInstead)
{
    (void)launchOnce();
    ASSERT_EQ(stored().size(), 0u);
    // An older version's stored file, under the name without the dot.
    ASSERT_TRUE(TallySessionStore::setSavedSessions({ Bytes { 7 } }));
    const std::string hidden = TallySessionStore::sessionsFilePath();
    const std::string old = TallySessionStore::oldSessionsFilePath();
    ASSERT_EQ(std::rename(hidden.c_str(), old.c_str()), 0);
    clock_->advance(60);
    (void)launchOnce();
    EXPECT_FALSE(Paths::fileExists(hidden));
    EXPECT_EQ(TallySessionStore::sessionsFilePath(), old);
    const std::vector<Bytes> kept = stored();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], Bytes { 7 });
}

} // namespace
} // namespace mw
