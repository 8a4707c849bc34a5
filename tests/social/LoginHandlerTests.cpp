#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/NotificationCenter.h"
#include "social/queues/CCBuffers.h"
#include "social/data/CCDataStore.h"
#include "social/services/CCLoginHandler.h"
#include "social/queues/CCNeighbours.h"
#include "social/session/CCPrivateSession.h"
#include "tests/social/SocialFixture.h"

namespace mw {
namespace {

class LoginHandlerTest : public test::SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        activate();
        RunLoop::main().drain();
        clearNeighbourCalls();
    }
    CCLoginHandler& handler() { return *CCLoginHandler::sharedInstance(); }
    CCDataStore& store() { return *CCDataStore::sharedInstance(); }
    void postFetch(const std::string& url, int status)
    {
        NotificationCenter::defaultCenter().postNotification(
            url, CCFetchManager::sharedInstance(), Value::dictionary({{"url", Value(url)}, {"status", Value(status)}}));
    }
};

TEST_F(LoginHandlerTest, TheRememberMeCookieMustOutliveTheMoment)
{
    struct Row {
        const char* name;
        const char* cookieName;
        double lifetime; // 0: a cookie of this run only
        double wait;     // seconds between planting and asking
        bool loggedIn;
    };
    const Row rows[] = {
        {"valid for an hour", "SPRING_SECURITY_REMEMBER_ME_COOKIE", 3600, 0, true},
        {"expired a second ago", "SPRING_SECURITY_REMEMBER_ME_COOKIE", 10, 11, false},
        {"of this run only", "SPRING_SECURITY_REMEMBER_ME_COOKIE", 0, 0, false},
        {"another name", "JSESSIONID", 3600, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        cookies_ = std::make_shared<test::RecordingCookieStorage>();
        HTTPCookieStorage::replaceSharedInstance(cookies_);
        Value properties = Value::dictionary({{"Name", Value(row.cookieName)},
                                              {"Value", Value("v")},
                                              {"Domain", Value(CCPrivateSession::kServiceHost)},
                                              {"Path", Value("/")}});
        if (row.lifetime != 0) properties.set("Expires", Value::dateFromUnixTime(clock_->wallSeconds() + row.lifetime));
        cookies_->plant(*HTTPCookie::fromProperties(properties));
        clock_->advance(row.wait);
        EXPECT_EQ(handler().isUserLoggedIn(), row.loggedIn);
        EXPECT_EQ(CCPrivateSession::sharedInstance()->isUserSignedIn(), row.loggedIn);
    }
    cookies_ = std::make_shared<test::RecordingCookieStorage>();
    HTTPCookieStorage::replaceSharedInstance(cookies_);
    EXPECT_FALSE(handler().isUserLoggedIn()) << "no cookies";
}

TEST_F(LoginHandlerTest, CachedFlagsReadTheStoreOnceAndWriteOnlyOnAChange)
{
    store().setValue(CCLoginHandler::kTosAcceptedKey, Value(true));
    EXPECT_TRUE(handler().isUserTOSAccepted());
    store().setValue(CCLoginHandler::kTosAcceptedKey, Value(false));
    EXPECT_TRUE(handler().isUserTOSAccepted()) << "a value written behind the cache is not seen";

    struct Row {
        bool value;
        size_t writes;
    };
    const Row rows[] = {{true, 0}, {false, 1}, {false, 0}, {true, 1}};
    for (const Row& row : rows) {
        const size_t before = store().writeCount();
        handler().setTosAcceptedProxy(row.value);
        EXPECT_EQ(store().writeCount() - before, row.writes) << row.value;
        EXPECT_EQ(handler().isUserTOSAccepted(), row.value);
        if (row.writes) {
            EXPECT_EQ(store().valueForKey(CCLoginHandler::kTosAcceptedKey), Value(row.value));
        }
    }
    EXPECT_FALSE(handler().hasActivatedUI()) << "a missing key reads as NO";
}

TEST_F(LoginHandlerTest, FirstOpeningOfTheDay)
{
    const char* timer = CCLoginHandler::kUiActivatedTimerKey;
    EXPECT_TRUE(handler().isFirstUiActivationToday()) << "no timer";

    size_t before = store().writeCount();
    handler().setIsFirstUiActivationToday(false);
    const Value stored = store().valueForKey(timer);
    EXPECT_DOUBLE_EQ(stored.asDouble(), test::kWallStart - Value::kReferenceDateUnixTime);
    clock_->advance(3600);
    handler().setIsFirstUiActivationToday(false);
    EXPECT_EQ(store().valueForKey(timer), stored) << "stored once within 12 hours";
    EXPECT_EQ(store().writeCount() - before, 1u);
    EXPECT_FALSE(handler().isFirstUiActivationToday());

    clock_->advance(12 * 3600);
    before = store().writeCount();
    handler().setIsFirstUiActivationToday(true);
    EXPECT_EQ(store().valueForKey(timer), stored) << "13 hours on, the stale timer stays";
    EXPECT_EQ(store().writeCount(), before);
    EXPECT_TRUE(handler().isFirstUiActivationToday());

    handler().setIsFirstUiActivationToday(false);
    EXPECT_FALSE(handler().isFirstUiActivationToday());
    handler().setIsFirstUiActivationToday(true);
    EXPECT_FALSE(store().containsKey(timer));
}

TEST_F(LoginHandlerTest, TheFirstUiOpeningEverRetriesThePostsAndAsksForTheHistory)
{
    handler().uiHasBeenActivated();
    EXPECT_EQ(neighbourCalls(),
              (std::vector<std::string> {"postManager retryAllPosts", "postManager startPosting",
                                         "gameCenter requestHistoricLeaderboardAndAchievementData"}));
    EXPECT_TRUE(handler().hasActivatedUI());
    clearNeighbourCalls();
    handler().uiHasBeenActivated();
    EXPECT_TRUE(neighbourCalls().empty());

    test::resetSharedInstances();
    activate();
    RunLoop::main().drain();
    clearNeighbourCalls();
    CCLoginHandler::sharedInstance()->uiHasBeenActivated();
    EXPECT_TRUE(neighbourCalls().empty()) << "the store remembers the first time";
}

TEST_F(LoginHandlerTest, FetchResultsAboutTheTerms)
{
    struct Row {
        const char* url;
        int status;
        int accepted; // -1 unchanged
        bool retried;
    };
    const Row rows[] = {
        {"https://s/lite/tos?termsAccepted=true", 1, 1, true},
        {"https://s/lite/tos?termsAccepted=false", 1, 0, false},
        {"https://s/lite/tos?termsAccepted=true&termsAccepted=false", 1, 1, true},
        {"https://s/lite/tos?termsAccepted=true", 0, -1, false},
        {"https://s/lite/tos?termsAccepted=true", 2, -1, false},
        {"https://s/lite/news.cuid", 1, -1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.url) + " " + std::to_string(row.status));
        test::resetSharedInstances();
        std::filesystem::remove(CCDataStore::saveFilePath());
        // Queued telemetry of an earlier row would read the flag first.
        std::filesystem::remove(CCAsyncPostManager::saveFilePath());
        activate();
        RunLoop::main().drain();
        CCLoginHandler::sharedInstance();
        clearNeighbourCalls();
        postFetch(row.url, row.status);
        if (row.accepted < 0) EXPECT_FALSE(store().containsKey(CCLoginHandler::kTosAcceptedKey));
        else EXPECT_EQ(store().valueForKey(CCLoginHandler::kTosAcceptedKey), Value(row.accepted == 1));
        EXPECT_EQ(!neighbourCalls().empty(), row.retried);
    }
}

TEST_F(LoginHandlerTest, SwitchAndSignOutResetWhatDependsOnThePlayer)
{
    struct Row {
        const char* name;
        void (CCLoginHandler::*change)();
        const char* status;
        std::vector<std::string> calls;
        int playerUpdates;
        bool firstOfDayBefore;
        bool firstOfDay;
    };
    const std::vector<std::string> history = {"gameCenter requestHistoricLeaderboardAndAchievementData"};
    // A switch counts as this day's activation: the first of the day stores
    // the timer, a later one leaves it. Signing out does not touch it.
    const Row rows[] = {
        {"switched, first of the day", &CCLoginHandler::userWasSwitched, "switched", history, 0, true, false},
        {"switched later that day", &CCLoginHandler::userWasSwitched, "switched", history, 0, false, false},
        {"signed out, first of the day", &CCLoginHandler::userWasSignedOut, "signout", {}, 1, true, true},
        {"signed out later that day", &CCLoginHandler::userWasSignedOut, "signout", {}, 1, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        handler().setTosAcceptedProxy(true);
        handler().setIsFirstUiActivationToday(false);
        if (row.firstOfDayBefore) handler().setIsFirstUiActivationToday(true);
        ASSERT_EQ(handler().isFirstUiActivationToday(), row.firstOfDayBefore);
        clearNeighbourCalls();
        std::vector<std::string> statuses;
        int playerUpdates = 0;
        auto& centre = NotificationCenter::defaultCenter();
        const auto changeId = centre.addObserver(nullptr, "lumorauserchange", nullptr,
                                                 [&statuses](const Notification& n) {
                                                     statuses.push_back(std::any_cast<Value>(n.userInfo())["status"].asString());
                                                 });
        const auto playerId = centre.addObserver(nullptr, "updateplayerinfo", nullptr,
                                                 [&playerUpdates](const Notification&) { ++playerUpdates; });
        (handler().*row.change)();
        centre.removeObserver(changeId);
        centre.removeObserver(playerId);
        EXPECT_EQ(statuses, std::vector<std::string> {row.status});
        EXPECT_FALSE(handler().isUserTOSAccepted());
        EXPECT_EQ(neighbourCalls(), row.calls);
        EXPECT_EQ(playerUpdates, row.playerUpdates);
        EXPECT_EQ(handler().isFirstUiActivationToday(), row.firstOfDay);
        if (row.firstOfDayBefore && !row.firstOfDay) {
            EXPECT_DOUBLE_EQ(store().valueForKey(CCLoginHandler::kUiActivatedTimerKey).asDouble(),
                             Clock::wallSeconds() - Value::kReferenceDateUnixTime);
        }
        clock_->advance(60);
    }
}

// What the buffers remember was reported for the player who left: the next
// player's own achievements and offers must be reported again.
TEST_F(LoginHandlerTest, SwitchAndSignOutEmptyTheReportBuffers)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    session->setupBuffers();
    for (void (CCLoginHandler::*change)() :
         {&CCLoginHandler::userWasSwitched, &CCLoginHandler::userWasSignedOut}) {
        (void)session->achievementBuffer()->postAchievement("a1", true, "", false, "");
        session->offersBuffer()->postOffer("o1");
        session->leaderboardBuffer()->setTimestampForLeaderboard("lb1");
        ASSERT_FALSE(session->achievementBuffer()->previousValueDict().empty());
        (handler().*change)();
        EXPECT_TRUE(session->achievementBuffer()->previousValueDict().empty());
        EXPECT_TRUE(session->achievementBuffer()->popupDictionary().empty());
        EXPECT_TRUE(session->offersBuffer()->offersDict().empty());
        EXPECT_FALSE(session->leaderboardBuffer()->timestampForLeaderboard("lb1"));
        EXPECT_TRUE(store().valueForKey(CCOffersBuffer::kKey).asDict().empty()) << "written at once";
    }
}

} // namespace
} // namespace mw
