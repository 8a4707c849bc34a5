#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>

#include "platform/GKAchievement.h"
#include "platform/GKScore.h"
#include "platform/HTTPCookie.h"
#include "platform/Md5.h"
#include "social/queues/CCBuffers.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCGameCenterPostManager.h"
#include "social/queues/CCNeighbours.h"
#include "social/session/CCPrivateSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/ui/UIViewController.h"
#include "tests/social/SocialFixture.h"
#include "tests/support/RecordingOutsideServices.h"
#include "tests/support/RecordingPlatformServices.h"

namespace mw::test {
namespace {

std::string lowerMd5(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string hex = Md5::upperHex(Md5::digest(text));
    for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return hex;
}

class GameCenterSupportTest : public SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        previousGameCenter_ = GameCenter::replaceSharedInstance(gameCenter_);
        previousTransport_ = HTTPTransport::replaceSharedInstance(transport_);
        activate();
        CCSessionScreenHooks hooks;
        hooks.presentPopupNotification = [this](const std::string& title, const std::string& body) {
            popups_.push_back(title + ": " + body);
        };
        hooks.popupIsActive = [this] { return popupShowing_; };
        hooks.presentingViewController = [this] { return root_.get(); };
        session()->setScreenHooks(hooks);
    }
    void TearDown() override
    {
        if (CCFetchManager* fetch = CCFetchManager::sharedInstance()) {
            const auto queued = fetch->fetchQueue();
            for (const auto& record : queued) record->clearDelegate();
        }
        if (session()) session()->setScreenHooks({});
        SocialFixture::TearDown();
        GameCenter::replaceSharedInstance(previousGameCenter_);
        HTTPTransport::replaceSharedInstance(previousTransport_);
    }
    CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    void enable() { session()->activateLumoraSetting(5, Value("YES")); }
    void signInToService()
    {
        Value properties =
            Value::dictionary({{"Name", Value("SPRING_SECURITY_REMEMBER_ME_COOKIE")},
                               {"Value", Value("v")},
                               {"Domain", Value(CCPrivateSession::kServiceHost)},
                               {"Path", Value("/")},
                               {"Expires", Value::dateFromUnixTime(clock_->wallSeconds() + 86400)}});
        cookies_->plant(*HTTPCookie::fromProperties(properties));
    }
    // The history document at url as the fetch manager keeps it.
    template <typename Record>
    void answerHistory(const std::string& url, const std::string& type, const std::string& data)
    {
        const std::string envelope =
            R"({"meta":{"type":")" + type + R"(","timestamp":1},"data":)" + data + "}";
        auto record = makeRef<Record>();
        record->setUrl(url);
        record->setReceivedData(Value::Bytes(envelope.begin(), envelope.end()));
        CCFetchManager::sharedInstance()->serverDataFinishedNetworkOpWithStatus(record.get(), 0);
        RunLoop::main().drain();
    }
    // What the game centre's post queue holds: "category value" and
    // "achievement percent".
    std::vector<std::string> queued()
    {
        std::vector<std::string> lines;
        CCGameCenterPostManager* manager = session()->gcPostManager();
        if (!manager) return lines;
        for (const auto& [player, items] : manager->serverDataDictionary()) {
            for (const auto& item : items) {
                if (auto* score = dynamic_cast<GKScore*>(item.get()))
                    lines.push_back(score->category + " " + std::to_string(score->value));
                if (auto* achievement = dynamic_cast<GKAchievement*>(item.get()))
                    lines.push_back(achievement->identifier + " " +
                                    std::to_string(static_cast<int>(achievement->percentComplete)));
            }
        }
        return lines;
    }

    std::shared_ptr<RecordingGameCenter> gameCenter_ = std::make_shared<RecordingGameCenter>();
    std::shared_ptr<RecordingHTTPTransport> transport_ = std::make_shared<RecordingHTTPTransport>();
    std::vector<std::string> popups_;
    bool popupShowing_ = false;
    Ref<UIViewControllerBase> root_ = makeRef<UIViewControllerBase>();

private:
    std::shared_ptr<GameCenter> previousGameCenter_;
    std::shared_ptr<HTTPTransport> previousTransport_;
};

TEST_F(GameCenterSupportTest, SupportNeedsAGameCentreAndSettingFive)
{
    struct Row {
        const char* name;
        bool available;
        const char* setting; // null: never given
        bool enabled;
    };
    const Row rows[] = {
        {"setting absent", true, nullptr, false},
        {"no game centre", false, "YES", false},
        {"setting NO", true, "NO", false},
        {"on", true, "YES", true},
    };
    gameCenter_->authenticated = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gameCenter_->available = row.available;
        if (row.setting) session()->activateLumoraSetting(5, Value(row.setting));
        EXPECT_EQ(session()->isGameCenterAvailableOnDevice(), row.available);
        EXPECT_EQ(session()->isGameCenterSupportEnabled(), row.enabled);
        EXPECT_EQ(session()->isLocalPlayerAuthenticated(), row.enabled);
        EXPECT_EQ(session()->getGameCenterLocalPlayerID(),
                  row.enabled ? std::optional<std::string>("G:test") : std::nullopt);
        EXPECT_EQ(session()->getGameCenterLocalPlayerAlias(),
                  row.enabled ? std::optional<std::string>("Tester") : std::nullopt);
        EXPECT_EQ(session()->isGameCenterLocalPlayerUnderAge(), !row.enabled);
        int heard = 0;
        session()->authenticateLocalPlayerWithCompletionHandler(
            [&heard](const GameCenterResult&) { ++heard; });
        RunLoop::main().drain();
        EXPECT_EQ(heard, row.enabled ? 1 : 0);
    }
}

TEST_F(GameCenterSupportTest, Authentication)
{
    enable();
    std::vector<std::string> heard;
    auto record = [&heard](const GameCenterResult& error) {
        heard.push_back(error ? std::to_string(error->code) + " " + error->description : "ok");
    };

    gameCenter_->localPlayer = false;
    session()->authenticateLocalPlayerWithCompletionHandler(record);
    EXPECT_EQ(heard, (std::vector<std::string> {"-1 lumora"}));
    gameCenter_->localPlayer = true;

    heard.clear();
    gameCenter_->authenticated = true;
    session()->authenticateLocalPlayerWithCompletionHandler(record);
    EXPECT_EQ(heard, (std::vector<std::string> {"ok"})) << "answered at once";
    EXPECT_TRUE(session()->isGameCenterPlayerAuthenticating());

    heard.clear();
    gameCenter_->authenticated = false;
    gameCenter_->failNext(RecordingGameCenter::kAuthenticate,
                          GameCenterError {2, "The player cancelled the sign-in."});
    session()->authenticateLocalPlayerWithCompletionHandler(record);
    EXPECT_TRUE(heard.empty());
    RunLoop::main().drain();
    EXPECT_EQ(heard, (std::vector<std::string> {"2 The player cancelled the sign-in."}));
    EXPECT_FALSE(session()->isGameCenterPlayerAuthenticating());
    EXPECT_TRUE(gameCenter_->calls.empty()) << "no friends loaded after a failure";

    heard.clear();
    gameCenter_->signsIn = true;
    session()->authenticateLocalPlayerWithCompletionHandler(record);
    RunLoop::main().drain();
    EXPECT_EQ(heard, (std::vector<std::string> {"ok"}));
    EXPECT_EQ(gameCenter_->calls, (std::vector<std::string> {"friends"}));
}

TEST_F(GameCenterSupportTest, Friends)
{
    enable();
    gameCenter_->authenticated = true;
    gameCenter_->friends = {"G:1", "G:2"};
    gameCenter_->aliases = {{"G:1", "Ada"}, {"G:2", "Brunel"}};

    EXPECT_EQ(session()->getGameCenterLocalPlayerFriendIDsList(), std::nullopt) << "none loaded yet";
    RunLoop::main().drain();
    EXPECT_EQ(session()->getGameCenterLocalPlayerFriendIDsList(), (std::vector<std::string> {"G:1", "G:2"}));

    std::string ids;
    session()->getGameCenterLocalPlayerFriendIDsListWithCompletionHandler(
        [&ids](const std::optional<std::vector<std::string>>& list, const GameCenterResult& error) {
            ids = (list ? std::to_string(list->size()) : "none") + (error ? " error" : "");
        });
    RunLoop::main().drain();
    EXPECT_EQ(ids, "2");

    std::string players;
    auto ask = [&] {
        players.clear();
        session()->getGameCenterLocalPlayerFriendsListWithCompletionHandler(
            [&players](const CCPrivateSession::GameCenterFriends& friends, const GameCenterResult& error) {
                if (friends.players)
                    for (const auto& player : *friends.players) players += player.alias + ";";
                if (friends.ids) players += "ids " + std::to_string(friends.ids->size());
                if (error) players += " error " + error->description;
            });
        RunLoop::main().drain();
        RunLoop::main().drain();
    };
    ask();
    EXPECT_EQ(players, "Ada;Brunel;");
    gameCenter_->friends.clear();
    ask();
    EXPECT_EQ(players, "ids 0");
    gameCenter_->failNext(RecordingGameCenter::kFriends, GameCenterError {5, "offline"});
    ask();
    EXPECT_EQ(players, " error offline");

    gameCenter_->localPlayer = false;
    ids.clear();
    session()->getGameCenterLocalPlayerFriendIDsListWithCompletionHandler(
        [&ids](const std::optional<std::vector<std::string>>& list, const GameCenterResult& error) {
            ids = std::string(list ? "list" : "none") + (error ? " " + error->description : "");
        });
    EXPECT_EQ(ids, "none lumora");
}

TEST_F(GameCenterSupportTest, IdentityAndItsSecret)
{
    enable();
    session()->registerForGameCenterNotifications();
    gameCenter_->setAuthenticated(true);
    EXPECT_EQ(session()->gcPlayerID(), "G:test");
    EXPECT_EQ(session()->gcPlayerAlias(), "Tester");
    const std::string expected = lowerMd5(std::string("G:test") + session()->userID() + kAppId + kSecret +
                                          CCPrivateSession::kFirstSalt + CCPrivateSession::kSecondSalt);
    EXPECT_EQ(session()->gcSecret(), expected);

    clearNeighbourCalls();
    session()->handleGameCenterUserLoginWithID("G:test", "Renamed");
    EXPECT_EQ(session()->gcPlayerAlias(), "Tester") << "the same player again changes nothing";
    EXPECT_TRUE(neighbourCalls().empty());

    gameCenter_->setAuthenticated(false);
    EXPECT_EQ(session()->gcPlayerID(), std::nullopt);
    EXPECT_EQ(session()->gcPlayerAlias(), std::nullopt);
    EXPECT_EQ(session()->gcSecret(), std::nullopt);
    session()->unregisterFromGameCenterNotifications();
}

TEST_F(GameCenterSupportTest, HistorySyncAtMostHourly)
{
    enable();
    signInToService();
    gameCenter_->authenticated = true;
    CCDataStore* store = CCDataStore::sharedInstance();
    store->setValue("postedhistoricleaderboarddata", Value("YES"));
    store->setValue("postedhistoricachievementdata", Value("YES"));

    session()->doGameCenterSync();
    EXPECT_FALSE(store->valueForKey("postedhistoricleaderboarddata").isString());
    EXPECT_FALSE(store->valueForKey("postedhistoricachievementdata").isString());
    EXPECT_NEAR(store->valueForKey("gcsync").asDouble(), kWallStart - 978307200, 1);
    std::vector<std::string> asked;
    for (const auto& record : CCFetchManager::sharedInstance()->fetchQueue())
        asked.push_back(record->url() + " " + std::to_string(record->fetchPriority()));
    EXPECT_EQ(asked, (std::vector<std::string> {CCPrivateSession::gameCenterLeaderboardsUrl() + " 500",
                                                CCPrivateSession::gameCenterAchievementsUrl() + " 500"}));
    EXPECT_EQ(popups_, (std::vector<std::string> {"Game Center Sync: Syncronising with Game Center"}));

    struct Row {
        double after;
        bool showing;
        std::vector<std::string> popups;
    };
    const Row rows[] = {
        {1800, false, {"Game Center Sync: Too soon since last sync, please try again in the future"}},
        {1, true, {}},
        {1800, false, {"Game Center Sync: Syncronising with Game Center"}},
    };
    for (const Row& row : rows) {
        popups_.clear();
        clock_->advance(row.after);
        popupShowing_ = row.showing;
        session()->doGameCenterSync();
        EXPECT_EQ(popups_, row.popups);
    }
}

TEST_F(GameCenterSupportTest, HistoryDocumentsBecomeScoresAndAchievements)
{
    enable();
    signInToService();
    gameCenter_->authenticated = true;
    session()->handleGameCenterUserLoginWithID("G:test", "Tester");
    session()->setupBuffers();
    session()->activateLumoraSetting(2, Value("YES")); // hold the reports in the queue
    session()->doGameCenterSync();
    CCDataStore* store = CCDataStore::sharedInstance();

    // A document of the wrong kind at the address is ignored and the
    // observation stays.
    answerHistory<CCUIDescription>(CCPrivateSession::gameCenterLeaderboardsUrl(), "uidesc",
                                   R"({"title":"x"})");
    EXPECT_FALSE(store->valueForKey("postedhistoricleaderboarddata").isString());

    answerHistory<CCGameCenterLeaderboardData>(
        CCPrivateSession::gameCenterLeaderboardsUrl(), "gkleaderboard",
        R"({"meta":5,"weekly":99.9,"text":"12","huge":1e300,"low":-3.7})");
    answerHistory<CCGameCenterAchievementData>(
        CCPrivateSession::gameCenterAchievementsUrl(), "gkachievement",
        R"({"meta":"1","won":"1","also":"1.0","half":"0.5","number":1})");
    EXPECT_EQ(queued(), (std::vector<std::string> {"weekly 99", "low -3", "won 100", "also 100"}));
    EXPECT_EQ(store->valueForKey("postedhistoricleaderboarddata").asString(), "YES");
    EXPECT_EQ(store->valueForKey("postedhistoricachievementdata").asString(), "YES");
}

TEST_F(GameCenterSupportTest, HistoryMarkedEvenWithoutABuffer)
{
    enable();
    signInToService();
    gameCenter_->authenticated = true;
    session()->doGameCenterSync();
    answerHistory<CCGameCenterLeaderboardData>(CCPrivateSession::gameCenterLeaderboardsUrl(), "gkleaderboard",
                                               "{}");
    answerHistory<CCGameCenterAchievementData>(CCPrivateSession::gameCenterAchievementsUrl(), "gkachievement",
                                               R"({"won":"1"})");
    EXPECT_TRUE(queued().empty());
    EXPECT_EQ(CCDataStore::sharedInstance()->valueForKey("postedhistoricleaderboarddata").asString(), "YES");
    EXPECT_EQ(CCDataStore::sharedInstance()->valueForKey("postedhistoricachievementdata").asString(), "YES");
}

TEST_F(GameCenterSupportTest, ScoresOnlyForResultsAWholeNumberCanHold)
{
    enable();
    session()->setupBuffers();
    session()->activateLumoraSetting(2, Value("YES"));
    CCAchievementBuffer* buffer = session()->achievementBuffer();
    struct Row {
        double result;
        const char* score; // null: no score
    };
    const Row rows[] = {
        {99.9, "99"},
        {-99.9, "-99"},
        {4611686018427387904.0, "4611686018427387904"},
        {-9223372036854775808.0, "-9223372036854775808"},
        {9223372036854775808.0, nullptr},
        {1e300, nullptr},
        {-1e300, nullptr},
        {std::numeric_limits<double>::infinity(), nullptr},
        {std::numeric_limits<double>::quiet_NaN(), nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.result);
        if (CCGameCenterPostManager* manager = session()->gcPostManager()) manager->clearData();
        buffer->doPostGameCenterLeaderboardResult(row.result, "board");
        EXPECT_EQ(queued(), row.score ? std::vector<std::string> {std::string("board ") + row.score}
                                      : std::vector<std::string> {});
    }
}

TEST_F(GameCenterSupportTest, PostManagerStartsOnce)
{
    enable();
    clearNeighbourCalls();
    session()->startGameCenterPostManager();
    session()->startGameCenterPostManager();
    session()->authenticateLocalPlayerWithCompletionHandler(nullptr);
    const std::vector<std::string> calls = neighbourCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "gcPostManager startPosting"), 1);
}

} // namespace
} // namespace mw::test
