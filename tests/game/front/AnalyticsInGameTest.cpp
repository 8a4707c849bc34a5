#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "analytics/TallySession.h"
#include "analytics/TallySessionStore.h"
#include "engine/director/HeadlessDriver.h"
#include "foundation/RunLoop.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "platform/DeviceProfile.h"
#include "platform/HTTPTransport.h"
#include "social/LumoraSlimlineSession.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LoopbackHTTPServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificateAuthority.h"

namespace mw {
namespace {

using Server = test::LoopbackHTTPServer;

// 2026-06-15 12:00:00 UTC.
constexpr double kNow = 1781524800.0;

// The game launched through the headless driver, with its analytics
// reports going to a loopback HTTPS service (at the report address the
// client makes from the configured host) that accepts every report.
class AnalyticsInGameTest : public ::testing::Test {
protected:
    AnalyticsInGameTest()
    {
        const test::TestCertificateAuthority::Issued issued = authority_.issue({ "IP:127.0.0.1" });
        service_ = std::make_unique<Server>(
            [this](const Server::Request& request) {
                std::lock_guard<std::mutex> guard(lock_);
                reports_.push_back(request.body);
                return Server::response(200);
            },
            Server::Tls { issued.certificateFile, issued.keyFile });
        hostEnv_ = std::make_unique<test::ScopedEnv>("MOSSWICK_ANALYTICS_HOST",
                                                     "127.0.0.1:" + std::to_string(service_->port()));
        HTTPTransport::setTrustedCertificatesFile(authority_.certificateFile());
    }
    ~AnalyticsInGameTest() override
    {
        stop();
        HTTPTransport::setTrustedCertificatesFile("");
    }

    // The launch happens at `wallSeconds` on the driver's clock.
    void launch(double wallSeconds)
    {
        test::GLTestContext* gl = test::GLTestContext::acquire(64, 64);
        ASSERT_NE(gl, nullptr);
        test::resetSharedInstances();
        TallyAnalytics::resetForTesting();
        LumoraSlimlineSession::reset();
        Profile::purgeSharedInstance();
        driver_ = HeadlessDriver::createWithContext(gl->context(), *DeviceProfile::named("phone"), 1.0 / 30);
        ASSERT_NE(driver_, nullptr);
        driver_->clock().setWall(wallSeconds);
        app_ = std::make_unique<MosswickAppDelegate>();
        driver_->lifeCycle().setDelegate(app_.get());
        driver_->lifeCycle().launch();
        driver_->runFrames(2);
    }
    // The process ends: its upload threads first.
    void stop()
    {
        TallyAnalytics::resetForTesting();
        app_.reset();
        driver_.reset();
        test::resetSharedInstances();
        LumoraSlimlineSession::reset();
        Profile::purgeSharedInstance();
    }

    size_t reportCount()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return reports_.size();
    }
    // Waits (bounded) until the service has `count` reports.
    // Waits (bounded) until the service has `count` reports, then for the
    // upload to end: an upload started while another runs would be skipped.
    bool waitForReports(size_t count)
    {
        const bool arrived = RunLoop::main().runUntil([&] { return reportCount() >= count; }, 15);
        TallyAnalytics::waitForUploadsForTesting();
        RunLoop::main().drain();
        return arrived && reportCount() == count;
    }

    test::TestCertificateAuthority authority_;
    std::unique_ptr<Server> service_;
    std::unique_ptr<test::ScopedEnv> hostEnv_;
    std::mutex lock_;
    std::vector<std::vector<uint8_t>> reports_;
    test::TempDir home_;
    test::ScopedEnv homeEnv_ { "MOSSWICK_HOME", home_.path() };
    test::ScopedDeviceServices services_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::unique_ptr<MosswickAppDelegate> app_;
};

// Launch, a level gained, a 5 s pause (the same session), an 11 s pause (a
// new session, in which another level is gained), quit, and a relaunch whose
// accepted upload empties the stored list. Of the game's seven events only
// "Language" (the localisation manager) and "Level Up!" (the profile) have
// callers in the game so far.
TEST_F(AnalyticsInGameTest, EventsReachTheServiceInTheSessionThatLoggedThem)
{
    launch(kNow);
    ASSERT_TRUE(waitForReports(1)) << "the start upload";
    const Ref<TallySession> first = TallySession::currentSession();
    ASSERT_NE(first, nullptr);
    const std::string language = LocalisationManager::sharedInstance()->getLang();
    Profile* profile = Profile::sharedInstance();
    profile->LevelsArray = { 0, 100, 250, 500 };
    profile->PlayerLevel = 1;
    profile->Experience = 0;
    profile->ExperienceStep = 100;
    profile->AddExp(120, false, false);

    auto& life = driver_->lifeCycle();
    life.focusLost();
    ASSERT_TRUE(waitForReports(2)) << "the pause report";
    driver_->clock().advance(5);
    life.focusGained();
    EXPECT_EQ(TallySession::currentSession(), first) << "a 5 s pause continues the session";

    life.focusLost();
    ASSERT_TRUE(waitForReports(3)) << "the pause report";
    driver_->clock().advance(11);
    life.focusGained();
    const Ref<TallySession> second = TallySession::currentSession();
    ASSERT_NE(second, first) << "an 11 s pause starts a new session";
    ASSERT_TRUE(waitForReports(4)) << "the renewal's upload";
    profile->AddExp(200, false, false);
    driver_->clock().advance(3);
    life.quit();
    ASSERT_TRUE(waitForReports(5)) << "the end-of-session report";
    stop();

    launch(kNow + 3600);
    ASSERT_TRUE(waitForReports(6)) << "the relaunch's upload";
    ASSERT_TRUE(RunLoop::main().runUntil(
        [] {
            return TallySessionStore::savedSessions()
                .value_or(std::vector<TallySession::Bytes> { {} })
                .empty();
        },
        10))
        << "the accepted upload empties the stored list";

    // Every report decodes, ending exactly at a CRC that holds; the latest
    // record of each session is the one to read.
    std::map<int64_t, test::DecodedSession> sessions;
    std::vector<std::vector<uint8_t>> reports;
    {
        std::lock_guard<std::mutex> guard(lock_);
        reports = reports_;
    }
    for (const std::vector<uint8_t>& body : reports) {
        test::DecodedReport report;
        ASSERT_NO_THROW(report = test::readReport(body));
        EXPECT_EQ(report.apiKey, "QX3TR7WMB2KJ9PLD4HSZ");
        for (const test::DecodedSession& session : report.sessions) sessions[session.startTime] = session;
    }
    ASSERT_EQ(sessions.size(), 2u) << "the two sessions of the first run";
    using Parameters = std::vector<std::pair<std::string, std::string>>;
    auto eventsOf = [](const test::DecodedSession& session) {
        std::vector<std::pair<std::string, Parameters>> events;
        for (const test::DecodedEvent& event : session.events)
            events.emplace_back(event.name, event.parameters);
        return events;
    };
    auto at = sessions.begin();
    EXPECT_EQ(at->first, int64_t(kNow * 1000));
    EXPECT_EQ(eventsOf(at->second),
              (std::vector<std::pair<std::string, Parameters>> {
                  { "Language", { { "Language", language } } },
                  { "Level Up!", { { "Level Up!", "Level 2" } } },
              }));
    EXPECT_EQ(at->second.pauseMillis, 5000);
    ++at;
    EXPECT_EQ(eventsOf(at->second),
              (std::vector<std::pair<std::string, Parameters>> {
                  { "Level Up!", { { "Level Up!", "Level 3" } } },
              }));
    EXPECT_EQ(at->second.length, 3000) << "ended at quit";
    // The relaunch's own session has its language event and waits for its pause or end.
    const std::optional<TallySession::Bytes> relaunched = TallySession::currentSession()->data();
    ASSERT_TRUE(relaunched.has_value());
    test::ByteReader reader(*relaunched);
    EXPECT_EQ(eventsOf(test::readSession(reader)),
              (std::vector<std::pair<std::string, Parameters>> {
                  { "Language", { { "Language", language } } },
              }));
}

} // namespace
} // namespace mw
