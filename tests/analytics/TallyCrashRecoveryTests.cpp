#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "analytics/TallyAnalytics.h"
#include "analytics/TallyReportSender.h"
#include "platform/AlertPresenter.h"
#include "platform/BackgroundTasks.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/analytics/TallySessionTestSupport.h"

namespace mw {
namespace {

// Sends nothing: the run under test only needs its files.
struct NoSender : TallyReportSender {
    void send(const TallyUpload&) override { }
};

struct NoAlerts : AlertPresenter {
    void showAlert(const std::string&, const std::string&, const std::string&) override { }
};

struct NoBackgroundTasks : BackgroundTasks {
    TaskId beginTask(std::function<void()>) override { return 1; }
    void endTask(TaskId) override { }
};

class TallyCrashRecoveryTest : public test::TallySessionFixture {
protected:
    TallyCrashRecoveryTest()
    {
        TallyAnalytics::resetForTesting();
        previousAlerts_ = AlertPresenter::replaceSharedInstance(std::make_shared<NoAlerts>());
        previousTasks_ = BackgroundTasks::replaceSharedInstance(std::make_shared<NoBackgroundTasks>());
        TallyAnalytics::setReportSender(std::make_shared<NoSender>());
    }
    ~TallyCrashRecoveryTest() override
    {
        TallyAnalytics::resetForTesting();
        (void)AlertPresenter::replaceSharedInstance(previousAlerts_);
        (void)BackgroundTasks::replaceSharedInstance(previousTasks_);
    }

    std::shared_ptr<AlertPresenter> previousAlerts_;
    std::shared_ptr<BackgroundTasks> previousTasks_;
};

// A run that is killed leaves its session in the current-session file; the
// next start stores it as crashed with what it had saved: the events before
// the pause and the length up to the pause (the later events were never
// saved). The run is a child process killed from outside, so nothing of it
// survives but its files.
TEST_F(TallyCrashRecoveryTest, KilledRunIsStoredAtTheNextStart)
{
    const std::string ready = home_.file("child-ready");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TallyAnalytics::startSession("QX3TR7WMB2KJ9PLD4HSZ");
        for (const char* language : { "en", "pl", "de" }) {
            TallyAnalytics::logEvent("Language", { { "Language", language } });
            clock_->advance(0.5);
        }
        clock_->advance(0.5); // the pause comes 2 s after the start
        TallyAnalytics::pauseSession();
        clock_->advance(5);
        TallyAnalytics::resumeSession();
        TallyAnalytics::logEvent("Tool", { { "Tool", "tool_earth" } });
        TallyAnalytics::logEvent("Tool", { { "Tool", "tool_water" } });
        if (FILE* marker = std::fopen(ready.c_str(), "w")) std::fclose(marker);
        for (;;) ::pause(); // until killed
    }
    struct stat info { };
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (::stat(ready.c_str(), &info) != 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ASSERT_EQ(::stat(ready.c_str(), &info), 0) << "the child did not get through its run";

    // The next start, in this process, from the files alone.
    ASSERT_EQ(TallySession::currentSession(), nullptr);
    clock_->advance(60);
    TallyAnalytics::startSession("QX3TR7WMB2KJ9PLD4HSZ");
    const std::vector<TallySession::Bytes> stored = TallySessionStore::savedSessions().value();
    ASSERT_EQ(stored.size(), 1u);
    test::ByteReader reader(stored[0]);
    const test::DecodedSession crashed = test::readSession(reader);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(crashed.startTime, int64_t(test::kTestNow * 1000));
    EXPECT_EQ(crashed.length, 2000);
    EXPECT_EQ(crashed.pauseMillis, 5000);
    ASSERT_EQ(crashed.events.size(), 3u);
    const char* languages[] = { "en", "pl", "de" };
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(crashed.events[i].name, "Language");
        EXPECT_EQ(crashed.events[i].parameters,
                  (std::vector<std::pair<std::string, std::string>> { { "Language", languages[i] } }));
        EXPECT_EQ(crashed.events[i].startOffset, int64_t(i) * 500);
    }
    // The new run's session is current, and is not the crashed one.
    ASSERT_NE(TallySession::currentSession(), nullptr);
    EXPECT_EQ(TallySession::currentSession()->eventLog().size(), 0u);
}

} // namespace
} // namespace mw
