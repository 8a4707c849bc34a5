#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "analytics/TallySession.h"
#include "analytics/TallySessionStore.h"
#include "foundation/RunLoop.h"
#include "game/state/LocalisationManager.h"
#include "tests/analytics/ReportDecoder.h"
#include "tests/game/front/InGameRoute.h"

namespace mw {
namespace {

using test::InGameRoute;
using test::kRouteStart;

// The game launched through the headless driver, with its analytics
// reports going to a loopback HTTPS service that accepts every report.
class AnalyticsInGameTest : public ::testing::Test {
protected:
    ~AnalyticsInGameTest() override { route_.stop(); }

    // Waits (bounded) until the service has a report it did not have at the
    // last wait, then for the upload to end: an upload started while another
    // runs would be skipped. Whether an upload of the same moment was
    // skipped depends on how fast the one before it ended, so two may
    // arrive; the sessions they carry are read from all of them below.
    bool waitForNewReport()
    {
        const size_t before = reportsSeen_;
        const bool arrived = RunLoop::main().runUntil([&] { return outside_.reportCount() > before; }, 15);
        InGameRoute::settleUploads();
        reportsSeen_ = outside_.reportCount();
        return arrived;
    }

    test::ReportServiceAndStore outside_;
    InGameRoute route_ {1.0 / 30};
    size_t reportsSeen_ = 0;
};

// Launch with a saved village, the main menu, its Continue through the
// doors into the village, a coin pack bought from the HUD's coin-pack tab,
// back to the map and its mine entrance's food pop-up (moves bought with
// gold), a mine session in which the first tool used grants an achievement,
// and a level gained; a 5 s pause (the same session), an 11 s pause (a new
// session, in which another level is gained), quit, and a relaunch whose
// accepted upload empties the stored list. Every event comes from its
// caller in the game.
TEST_F(AnalyticsInGameTest, EventsReachTheServiceInTheSessionThatLoggedThem)
{
    route_.launch(kRouteStart, [] { test::saveAPlayerForTheMine(); });
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(waitForNewReport()) << "the start upload";
    const Ref<TallySession> first = TallySession::currentSession();
    ASSERT_NE(first, nullptr);
    const std::string language = LocalisationManager::sharedInstance()->getLang();

    ASSERT_TRUE(route_.framesUntil([] { return InGameRoute::runningAs<MainMenuScene>() != nullptr; }, 10))
        << "the loading scene's hand-over";
    ASSERT_TRUE(Profile::sharedInstance()->Loaded) << "the saved village";
    VillageScene* village = route_.continueIntoTheVillage(3);
    ASSERT_NE(village, nullptr);

    ASSERT_NO_FATAL_FAILURE(route_.buyTheFirstCoinPack(*village, *outside_.store));
    const int32_t pack = Profile::sharedInstance()->MicroGoldCount1;
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 1000 + pack);

    FoodPopUp* food = route_.openTheMineFoodPopUp(*village);
    ASSERT_NE(food, nullptr);
    food->ResetButton->activate(); // ten moves for 100 gold
    EXPECT_EQ(Profile::sharedInstance()->GoldCount, 900 + pack);
    ASSERT_NO_FATAL_FAILURE(route_.playTheMineWithTheEarthTool(*food));
    test::gainALevel();

    auto& life = route_.driver().lifeCycle();
    life.focusLost();
    ASSERT_TRUE(waitForNewReport()) << "the pause report";
    route_.driver().clock().advance(5);
    life.focusGained();
    EXPECT_EQ(TallySession::currentSession(), first) << "a 5 s pause continues the session";

    life.focusLost();
    ASSERT_TRUE(waitForNewReport()) << "the pause report";
    route_.driver().clock().advance(11);
    life.focusGained();
    const Ref<TallySession> second = TallySession::currentSession();
    ASSERT_NE(second, first) << "an 11 s pause starts a new session";
    ASSERT_TRUE(waitForNewReport()) << "the renewal's upload";
    Profile::sharedInstance()->AddExp(200, false, false);
    route_.driver().clock().advance(3);
    life.quit();
    ASSERT_TRUE(waitForNewReport()) << "the end-of-session report";
    route_.stop();

    route_.launch(kRouteStart + 3600);
    ASSERT_TRUE(waitForNewReport()) << "the relaunch's upload";
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
    const std::vector<std::vector<uint8_t>> reports = outside_.reports();
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
    EXPECT_EQ(at->first, int64_t(kRouteStart * 1000));
    EXPECT_EQ(eventsOf(at->second),
              (std::vector<std::pair<std::string, Parameters>> {
                  { "Language", { { "Language", language } } },
                  { "InApp", { { "InApp", std::to_string(pack) } } },
                  { "MoneyUsage", { { "MoneyUsage", "Mine Buy Food" } } },
                  { "MiniGames", { { "MiniGames", "Mine" } } },
                  { "Achievement", { { "Achievement", "ACH_TOOL1" } } },
                  { "Tool", { { "Tool", "tool_earth" } } },
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
