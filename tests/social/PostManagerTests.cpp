// The service post queue against the loopback service, and the game-centre
// queue with a scripted game centre.

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "platform/GKAchievement.h"
#include "platform/GKScore.h"
#include "platform/GameCenter.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCGameCenterPostManager.h"
#include "social/services/CCLoginHandler.h"
#include "social/queues/CCRecordArchive.h"
#include "social/support/Reachability.h"
#include "tests/social/records/TransferTestSupport.h"

namespace mw::test {
namespace {

using Reply = LoopbackSocialService::Reply;

class PostManagerTest : public TransferFixture {
protected:
    void SetUp() override
    {
        TransferFixture::SetUp();
        CCPrivateSession::sharedInstance()->activateLumoraSetting(9, Value("NO"));
        manager_ = CCPrivateSession::sharedInstance()->postManager();
        ASSERT_NE(manager_, nullptr);
        observer_ = NotificationCenter::defaultCenter().addObserver(
            nullptr, std::string(), manager_, [this](const Notification& notification) {
                const auto* info = std::any_cast<Value>(&notification.userInfo());
                // The session's own telemetry is left out.
                if (notification.name().find(CCPrivateSession::telemetryHost()) != std::string::npos) return;
                heard_.emplace_back(notification.name(), info ? (*info)["status"].asInt() : -1);
            });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(observer_);
        TransferFixture::TearDown();
    }
    // Service posts only: the session's own telemetry is left out.
    std::vector<std::string> posted() const
    {
        std::vector<std::string> list;
        for (const auto& request : service_.requests())
            if (request.host == CCPrivateSession::serviceHost()) list.push_back(request.method + " " + request.target);
        return list;
    }
    Ref<CCAbstractServerData> post(const std::string& path, Ref<CCAbstractServerData> record = nullptr)
    {
        if (!record) record = Ref<CCAbstractServerData>(makeRef<CCNullPost>());
        record->setUrl(serviceUrl(path));
        if (!record->postData()) record->setPostData(Value::Bytes{'x'});
        manager_->scheduleDataForPost(record);
        return record;
    }
    void settle()
    {
        RunLoop::main().runUntil([this] { return !manager_->isWaitingForResponsesFromServer(); }, 10);
        RunLoop::main().runUntil([] { return false; }, 0.05);
    }
    void allowPosting()
    {
        CCPrivateSession::sharedInstance()->activateLumoraSetting(2, Value("NO"));
    }

    CCAsyncPostManager* manager_ = nullptr;
    NotificationCenter::ObserverId observer_ = 0;
    std::vector<std::pair<std::string, int>> heard_;
};

TEST_F(PostManagerTest, TelemetryWaitsForTheTermsWithoutTakingASlot)
{
    allowPosting();
    service_.script("/lite/token", {200, {}, ""});
    for (int i = 0; i < 3; ++i) (void)post("/lite/tel" + std::to_string(i), makeRef<CCAnalyticData>());
    (void)post("/lite/token", makeRef<CCDeviceToken>(Value::Bytes{1, 2}));
    settle();
    EXPECT_EQ(posted(), std::vector<std::string>{"POST /lite/token"});
}

TEST_F(PostManagerTest, ANullPostGoesOnlyWhileTheScreensWereSeenRecently)
{
    allowPosting();
    service_.script("/lite/null", {200, {}, ""});
    Ref<CCAbstractServerData> record = post("/lite/null");
    settle();
    EXPECT_TRUE(posted().empty()) << "the interface was never activated";
    CCLoginHandler::sharedInstance()->setActivatedUiProxy(true);
    CCPrivateSession::sharedInstance()->updateLumoraLastViewedTimestamp();
    clock_->advance(1441 * 60);
    manager_->processOutstandingData();
    settle();
    EXPECT_TRUE(posted().empty()) << "seen 1441 minutes ago";
    clock_->setWall(CCPrivateSession::sharedInstance()->lastViewedLumoraTimestamp() + 1440 * 60);
    manager_->processOutstandingData();
    settle();
    EXPECT_EQ(posted(), std::vector<std::string>{"POST /lite/null"});
}

TEST_F(PostManagerTest, AtMostTwoInTransferInQueueOrder)
{
    allowPosting();
    CCLoginHandler::sharedInstance()->setTosAcceptedProxy(true);
    Reply held{200, {}, ""};
    held.held = true;
    for (const char* path : {"/lite/a", "/lite/b", "/lite/c"}) service_.script(path, held);
    Ref<CCAbstractServerData> a = post("/lite/a", makeRef<CCDeviceToken>(Value::Bytes{1}));
    Ref<CCAbstractServerData> b = post("/lite/b", makeRef<CCDeviceToken>(Value::Bytes{2}));
    Ref<CCAbstractServerData> c = post("/lite/c", makeRef<CCDeviceToken>(Value::Bytes{3}));
    EXPECT_TRUE(a->networkOpInProgress());
    EXPECT_TRUE(b->networkOpInProgress());
    EXPECT_FALSE(c->networkOpInProgress());
    EXPECT_TRUE(manager_->isWaitingForResponsesFromServer());
    // Both held posts must have reached the service before any answer lets c go;
    // otherwise a slow connection for a could arrive after c on b's connection.
    RunLoop::main().runUntil([this] { return posted().size() == 2; }, 10);
    for (const char* path : {"/lite/a", "/lite/b", "/lite/c"}) service_.release(path);
    RunLoop::main().runUntil([this] { return heard_.size() == 3; }, 10);
    // a and b travel side by side; c only once one of them was answered.
    std::vector<std::string> sent = posted();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2], "POST /lite/c");
    std::sort(sent.begin(), sent.begin() + 2);
    EXPECT_EQ(sent[0], "POST /lite/a");
    EXPECT_EQ(sent[1], "POST /lite/b");
    EXPECT_EQ(heard_.size(), 3u);
    for (const auto& [url, status] : heard_) EXPECT_EQ(status, 1) << url;
}

TEST_F(PostManagerTest, ResultsByStatus)
{
    allowPosting();
    struct Row {
        const char* path;
        Reply reply;
        size_t requests;
        int announced; // -1: nothing
        bool kept;
    };
    const Row rows[] = {
        {"/lite/ok", {200, {}, ""}, 1, 1, false},
        {"/lite/fail", {500, {}, ""}, 2, 0, true},
        {"/lite/gone", {410, {}, ""}, 1, -1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        service_.clearRequests();
        heard_.clear();
        service_.script(row.path, row.reply);
        (void)post(row.path, makeRef<CCDeviceToken>(Value::Bytes{9}));
        if (std::string(row.path) == "/lite/gone") {
            // A second record of the same URL goes with the first.
            auto twin = Ref<CCAbstractServerData>(makeRef<CCDeviceToken>(Value::Bytes{8}));
            twin->setNetworkOpAttemptCount(2);
            (void)post(row.path, twin);
        }
        settle();
        EXPECT_EQ(posted().size(), row.requests);
        if (row.announced < 0) EXPECT_TRUE(heard_.empty());
        else {
            ASSERT_EQ(heard_.size(), 1u);
            EXPECT_EQ(heard_[0].second, row.announced);
        }
        bool kept = false;
        for (const auto& record : manager_->serverDataArray()) kept = kept || record->url() == serviceUrl(row.path);
        EXPECT_EQ(kept, row.kept);
    }
    // Given up records go again after a retry or a reachability change.
    service_.clearRequests();
    service_.script("/lite/fail", {200, {}, ""});
    NotificationCenter::defaultCenter().postNotification(kReachabilityChangedNotification);
    settle();
    EXPECT_EQ(posted(), std::vector<std::string>{"POST /lite/fail"});
}

TEST_F(PostManagerTest, AvoidingBackgroundActivitySendsNothingUntilLifted)
{
    (void)post("/lite/quiet", makeRef<CCDeviceToken>(Value::Bytes{1}));
    service_.script("/lite/quiet", {200, {}, ""});
    manager_->retryAllPosts();
    NotificationCenter::defaultCenter().postNotification(kReachabilityChangedNotification);
    settle();
    EXPECT_TRUE(posted().empty());
    allowPosting();
    settle();
    EXPECT_EQ(posted(), std::vector<std::string>{"POST /lite/quiet"});
}

TEST_F(PostManagerTest, AScheduledPostIsOnDiskAtOnceAndTokensAreNotKeptAcrossRuns)
{
    const size_t before = manager_->writeCount();
    (void)post("/lite/kept", makeRef<CCNullPost>());
    (void)post("/lite/token", makeRef<CCDeviceToken>(Value::Bytes{1}));
    EXPECT_EQ(manager_->writeCount(), before + 2) << "each schedule is written before it returns";
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(AtomicFile::read(CCAsyncPostManager::saveFilePath(), bytes));
    std::vector<Ref<CCAbstractServerData>> records;
    ASSERT_TRUE(RecordArchive::decode(bytes.data(), bytes.size(), records, "test"));
    std::vector<std::string> urls;
    for (const auto& record : records) urls.push_back(record->url());
    EXPECT_NE(std::find(urls.begin(), urls.end(), serviceUrl("/lite/token")), urls.end());

    auto again = makeRef<CCAsyncPostManager>();
    urls.clear();
    for (const auto& record : again->serverDataArray()) urls.push_back(record->url());
    EXPECT_NE(std::find(urls.begin(), urls.end(), serviceUrl("/lite/kept")), urls.end());
    EXPECT_EQ(std::find(urls.begin(), urls.end(), serviceUrl("/lite/token")), urls.end());
}

// Every write of the queue, at once or 3 s later, also stores the news flag
// as it stands and writes the store.
TEST_F(PostManagerTest, EachQueueWriteStoresTheNewsFlag)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    const std::string key = CCAsyncPostManager::kSeenNewsKey;
    ASSERT_FALSE(manager_->haveSeenGlobalNews());
    store->removeKey(key);
    size_t storeWrites = store->writeCount();
    (void)post("/lite/quiet");
    EXPECT_EQ(store->valueForKey(key), Value(false)) << "the write at once";
    EXPECT_GT(store->writeCount(), storeWrites);

    service_.script("/lite/quiet", {200, {}, ""});
    service_.script("/lite/answered", {200, {}, ""});
    allowPosting();
    (void)post("/lite/answered", makeRef<CCDeviceToken>(Value::Bytes{1}));
    settle();
    store->removeKey(key);
    storeWrites = store->writeCount();
    const size_t before = manager_->writeCount();
    clock_->advance(3.1);
    RunLoop::main().runUntil([&] { return manager_->writeCount() > before && store->containsKey(key); }, 10);
    EXPECT_GT(manager_->writeCount(), before);
    EXPECT_EQ(store->valueForKey(key), Value(false)) << "the delayed write";
    EXPECT_GT(store->writeCount(), storeWrites);

    // Seeing the news keeps the flag at once; later writes carry it on.
    NotificationCenter::defaultCenter().postNotification(
        CCPrivateSession::liteBaseUrl() + "profile.cuid", CCFetchManager::sharedInstance(),
        Value::dictionary({{"url", Value("x")}, {"status", Value(1)}}));
    EXPECT_TRUE(manager_->haveSeenGlobalNews());
    EXPECT_EQ(store->valueForKey(key), Value(true));
    store->setValue(key, Value(false));
    (void)post("/lite/later");
    EXPECT_EQ(store->valueForKey(key), Value(true));
}

TEST_F(PostManagerTest, AnUnreadableQueueIsMovedAside)
{
    const std::string path = CCAsyncPostManager::saveFilePath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "<plist>torn";
    }
    auto manager = makeRef<CCAsyncPostManager>();
    EXPECT_TRUE(manager->serverDataArray().empty());
    ASSERT_FALSE(manager->movedAsidePath().empty());
    EXPECT_TRUE(std::filesystem::exists(manager->movedAsidePath()));
}

TEST_F(PostManagerTest, AManagerTornDownIsToldNothingAfterwards)
{
    allowPosting();
    Reply held{200, {}, ""};
    held.held = true;
    service_.script("/lite/held", held);
    auto manager = makeRef<CCAsyncPostManager>();
    manager->startPosting();
    auto record = Ref<CCAbstractServerData>(makeRef<CCDeviceToken>(Value::Bytes{1}));
    record->setUrl(serviceUrl("/lite/held"));
    manager->scheduleDataForPost(record);
    ASSERT_TRUE(record->networkOpInProgress());
    manager = nullptr;
    EXPECT_EQ(record->httpDelegate(), nullptr);
    service_.release("/lite/held");
    RunLoop::main().runUntil([] { return false; }, 0.3);
}

// ---- the game-centre queue ----

class ScriptedGameCenter : public GameCenter {
public:
    bool isLocalPlayerAuthenticated() const override { return !player.empty(); }
    std::string localPlayerID() const override { return player; }
    void authenticateLocalPlayer(std::function<void(const GameCenterResult&)> done) override { done({}); }
    void loadAchievements(std::function<void(const std::vector<Ref<GKAchievement>>&, const GameCenterResult&)>)
        override
    {
    }
    void reportAchievement(const std::string& identifier, double, std::function<void(const GameCenterResult&)> done)
        override
    {
        reports.push_back("achievement " + identifier);
        pending.push_back(std::move(done));
    }
    void reportScore(int64_t score, const std::string& category, std::function<void(const GameCenterResult&)> done)
        override
    {
        reports.push_back("score " + category + " " + std::to_string(score));
        pending.push_back(std::move(done));
    }
    void loadTopScore(const std::string&,
                      std::function<void(const std::optional<LeaderboardEntry>&, const GameCenterResult&)>) override
    {
    }
    void resetAchievements(std::function<void(const GameCenterResult&)>) override {}
    void loadPlayers(const std::vector<std::string>&,
                     std::function<void(const std::vector<GameCenterPlayer>&, const GameCenterResult&)>) override
    {
    }
    // Answers the oldest report through the run loop.
    void answer(GameCenterResult result)
    {
        auto done = std::move(pending.front());
        pending.erase(pending.begin());
        RunLoop::main().perform([done, result] { done(result); });
    }

    std::string player;
    std::vector<std::string> reports;
    std::vector<std::function<void(const GameCenterResult&)>> pending;
};

class GameCenterPostManagerTest : public SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        previous_ = GameCenter::replaceSharedInstance(gameCenter_);
        activate();
        RunLoop::main().drain();
        CCPrivateSession::sharedInstance()->activateLumoraSetting(5, Value("YES"));
        // The session's own queue (made with game-centre support).
        CCPrivateSession::sharedInstance()->startGameCenterPostManager();
        manager_ = CCPrivateSession::sharedInstance()->gcPostManager();
        ASSERT_NE(manager_, nullptr);
    }
    void TearDown() override
    {
        manager_ = nullptr;
        GameCenter::replaceSharedInstance(previous_);
        SocialFixture::TearDown();
    }
    std::shared_ptr<ScriptedGameCenter> gameCenter_ = std::make_shared<ScriptedGameCenter>();
    std::shared_ptr<GameCenter> previous_;
    CCGameCenterPostManager* manager_ = nullptr;
};

TEST_F(GameCenterPostManagerTest, ItemsWaitForTheirPlayerAndGoTwoAtATime)
{
    manager_->startPosting();
    manager_->scheduleDataForPost(makeRef<GKScore>("best", 10), CCGameCenterPostManager::kNoPlayer);
    EXPECT_TRUE(gameCenter_->reports.empty()) << "no player signed in";
    gameCenter_->player = "G:1";
    manager_->scheduleDataForPost(makeRef<GKScore>("old", 1), "G:1");
    ASSERT_EQ(gameCenter_->reports, std::vector<std::string>{"score old 1"});
    gameCenter_->reports.clear();
    manager_->convertNullUserDataToUseCurrentGameCenterUser();
    gameCenter_->answer({}); // the old score, reported before the conversion
    RunLoop::main().drain();
    RunLoop::main().drain();
    EXPECT_EQ(manager_->serverDataDictionary().count(CCGameCenterPostManager::kNoPlayer), 0u);
    ASSERT_EQ(manager_->serverDataDictionary().at("G:1").size(), 1u) << "the player's list is replaced";
    manager_->scheduleDataForPost(makeRef<GKAchievement>("a1", 100), "G:1");
    manager_->scheduleDataForPost(makeRef<GKAchievement>("a2", 100), "G:1");
    EXPECT_EQ(gameCenter_->reports, (std::vector<std::string>{"score best 10", "achievement a1"}));

    ScopedLogCapture log;
    gameCenter_->answer(GameCenterError{7, "offline"});
    RunLoop::main().drain();
    EXPECT_TRUE(log.contains("An error occured posting to the game center leaderboards"));
    EXPECT_TRUE(log.contains("Error: offline"));
    EXPECT_EQ(gameCenter_->reports.size(), 2u) << "a failure starts nothing";
    gameCenter_->answer({});
    RunLoop::main().drain();
    RunLoop::main().drain();
    EXPECT_EQ(gameCenter_->reports.back(), "achievement a2") << "a success starts the next, past the failed";
    gameCenter_->answer({});
    RunLoop::main().drain();
    RunLoop::main().drain();
    EXPECT_EQ(manager_->serverDataDictionary().at("G:1").size(), 1u) << "the failed score waits";
    NotificationCenter::defaultCenter().postNotification(kReachabilityChangedNotification);
    EXPECT_EQ(gameCenter_->reports.back(), "score best 10");
    gameCenter_->answer({});
    RunLoop::main().drain();

    // Cleared by category or identifier; read back after a restart.
    manager_->scheduleDataForPost(makeRef<GKAchievement>("a3", 50), "G:2");
    manager_->scheduleDataForPost(makeRef<GKScore>("s3", 5), "G:2");
    manager_->clearPostQueueWithGameCenterId("a3", "G:2");
    ASSERT_TRUE(manager_->writeToFile());
    auto again = makeRef<CCGameCenterPostManager>();
    ASSERT_EQ(again->serverDataDictionary().at("G:2").size(), 1u);
    EXPECT_TRUE(dynamicRef<GKScore>(again->serverDataDictionary().at("G:2")[0]));
}

// A failed report logs its kind's line and then the error's description;
// every success leaves the file holding exactly what is still queued.
TEST_F(GameCenterPostManagerTest, FailuresLogTheirKindAndEverySuccessIsWritten)
{
    gameCenter_->player = "G:1";
    manager_->startPosting();
    const std::pair<Ref<Object>, const char*> rows[] = {
        {makeRef<GKScore>("best", 10), "An error occured posting to the game center leaderboards"},
        {makeRef<GKAchievement>("a1", 100), "An error occured when posting Game Center acheivement"},
    };
    for (const auto& [item, line] : rows) {
        manager_->scheduleDataForPost(item, "G:1");
        ScopedLogCapture log;
        gameCenter_->answer(GameCenterError{7, "offline"});
        RunLoop::main().drain();
        EXPECT_TRUE(log.contains(line)) << line;
        EXPECT_TRUE(log.contains("Error: offline")) << line;
    }
    manager_->retryAllPosts(); // written with both, and both sent again
    ASSERT_EQ(gameCenter_->pending.size(), 2u);
    auto queuedOnDisk = [] {
        auto fromFile = makeRef<CCGameCenterPostManager>();
        const auto& lists = fromFile->serverDataDictionary();
        return lists.count("G:1") ? lists.at("G:1").size() : 0u;
    };
    ASSERT_EQ(queuedOnDisk(), 2u);
    for (size_t left : {1u, 0u}) {
        gameCenter_->answer({});
        RunLoop::main().drain();
        EXPECT_EQ(queuedOnDisk(), left) << "the file after a success";
    }
}

TEST_F(GameCenterPostManagerTest, NothingGoesWhileAvoidingBackgroundActivityOrWithSupportOff)
{
    gameCenter_->player = "G:1";
    CCPrivateSession::sharedInstance()->activateLumoraSetting(2, Value("YES"));
    manager_->startPosting();
    manager_->scheduleDataForPost(makeRef<GKScore>("best", 10), "G:1");
    EXPECT_TRUE(gameCenter_->reports.empty());
    CCPrivateSession::sharedInstance()->activateLumoraSetting(5, Value("NO"));
    CCPrivateSession::sharedInstance()->activateLumoraSetting(2, Value("NO"));
    manager_->retryAllPosts();
    EXPECT_TRUE(gameCenter_->reports.empty());
}

TEST_F(GameCenterPostManagerTest, AnOlderArrayFileIsTheListOfNoPlayer)
{
    KeyedArchiver archiver;
    archiver.encodeItem("root", ArchiveItem::array({ArchiveItem(Ref<GKScore>(makeRef<GKScore>("old", 3))),
                                                    ArchiveItem(Value("stray"))}));
    const std::vector<uint8_t> bytes = archiver.encodedData();
    CCGameCenterPostManager::Queue queue;
    ASSERT_TRUE(CCGameCenterPostManager::decodeFile(bytes.data(), bytes.size(), queue));
    ASSERT_EQ(queue.at(CCGameCenterPostManager::kNoPlayer).size(), 1u) << "the stray entry is dropped";
}

} // namespace
} // namespace mw::test
