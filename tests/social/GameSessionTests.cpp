// The game configuration session: its usage log, given configurations,
// downloads through the fetch manager and the keychain.

#include <cctype>
#include <cmath>

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "social/data/CCDataStore.h"
#include "social/queues/CCFetchManager.h"
#include "social/services/CCGameSession.h"
#include "social/session/CCPrivateSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "tests/social/records/TransferTestSupport.h"
#include "tests/support/FetchAnswers.h"
#include "tests/support/RecordingKeychain.h"

namespace mw::test {
namespace {

class GameSessionTest : public TransferFixture {
protected:
    void SetUp() override
    {
        TransferFixture::SetUp();
        RunLoop::main().drain();
        observer_ = NotificationCenter::defaultCenter().addObserver(
            nullptr, CCGameSession::kConfigurationUpdateNotification, nullptr, [this](const Notification& n) {
                const auto* info = std::any_cast<Value>(&n.userInfo());
                results_.push_back(info && (*info)["success"].asBool());
            });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(observer_);
        TransferFixture::TearDown();
    }
    CCGameSession& game() { return *CCGameSession::sharedInstance(); }
    Value usage() { return CCDataStore::sharedInstance()->valueForKey(CCGameSession::kUsageKey); }

    NotificationCenter::ObserverId observer_ = 0;
    std::vector<bool> results_;
};

TEST_F(GameSessionTest, TheUsageLogCutsIdsAndRefusesWhatCannotBeSent)
{
    game().logApplicationInstallEvent(); // installed already: the session's first start logged it
    CCDataStore::sharedInstance()->removeKey(CCGameSession::kUsageKey);
    game().logApplicationInstallEvent();
    EXPECT_TRUE(usage().isNull()) << "the install is logged once";
    const std::string emoji = "\xF0\x9F\x98\x80"; // two UTF-16 units
    struct Row {
        std::string id;
        Value data;
    };
    const std::string longId(300, 'x');
    const std::string cutBeforeEmoji = std::string(254, 'a') + emoji;
    const Row rows[] = {
        {"placeholder", Value()},
        {longId, Value()},
        {cutBeforeEmoji, Value()},
        {"", Value(1)},
        {"dated", Value::dateFromUnixTime(5)},
        {"nan", Value(std::nan(""))},
        {"fine", Value::dictionary({{"a", Value(1)}})},
    };
    ScopedLogCapture log;
    for (const Row& row : rows) game().logUsageForId(row.id, row.data);
    EXPECT_TRUE(log.contains("its data cannot be sent"));
    const Value entries = usage();
    ASSERT_EQ(entries.size(), 4u) << "two cut ids and one with data after the first";
    const Value& logged = entries;
    EXPECT_TRUE(logged.at(0).at(2).isNull());
    EXPECT_EQ(logged.at(1).at(1), Value(std::string(255, 'x')));
    EXPECT_EQ(logged.at(2).at(1), Value(std::string(254, 'a'))) << "cut before the pair";
    EXPECT_EQ(logged.at(3).at(1), Value("fine"));
}

TEST_F(GameSessionTest, AGivenConfigurationIsTakenOnceAndOnlyAsJson)
{
    game().initialiseConfigurationWithData(Value::dictionary({{"k", Value(1)}}), "xml");
    EXPECT_FALSE(game().gameConfig());
    game().initialiseConfigurationWithData(Value::dictionary({{"k", Value(1)}}), "json");
    ASSERT_TRUE(game().gameConfig());
    EXPECT_EQ(game().gameConfig()->configName(), Value("default"));
    game().initialiseConfigurationWithDataString("{}", "json");
    EXPECT_EQ(results_, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(game().gameSessionAnalytics(), Value::dictionary({{"configuration", Value("default")}}));
}

TEST_F(GameSessionTest, DownloadsAreSignedQueuedAndHandled)
{
    const std::string url = game().urlForConfigurationData();
    EXPECT_EQ(url, CCPrivateSession::liteBaseUrl() + "abconfigurations/request?sig=" +
                       CCPrivateSession::sharedInstance()->applicationSignature());
    game().downloadConfiguration();
    EXPECT_TRUE(results_.empty()) << "downloads are off";

    service_.script("/lite/abconfigurations/request",
                    {200, {}, R"({"meta":{"type":"configurationdata","timestamp":1},"data":{"name":"B","type":"json","configuration":"{}"}})"});
    game().setDownloadConfigurationsEnabled(true);
    RunLoop::main().runUntil([this] { return !results_.empty(); }, 10);
    ASSERT_EQ(results_, std::vector<bool>{true});
    EXPECT_EQ(game().gameConfig()->configName(), Value("B"));
    EXPECT_EQ(game().gameConfigDownloadedTimeStamp(), clock_->wallSeconds());
    bool sawPriority = false;
    for (const auto& request : service_.requests())
        sawPriority = sawPriority || request.target.rfind("/lite/abconfigurations/request?sig=", 0) == 0;
    EXPECT_TRUE(sawPriority);

    // Ten hours on: answered at once, nothing fetched.
    service_.clearRequests();
    clock_->advance(10 * 3600);
    game().downloadConfiguration();
    EXPECT_EQ(results_.back(), true);
    EXPECT_TRUE(service_.requests().empty());

    // A clock moved two days back downloads again; a page in its place says NO.
    service_.script("/lite/abconfigurations/request", {200, {}, pageEnvelope("mutable")});
    clock_->setWall(clock_->wallSeconds() - 2 * 86400);
    results_.clear();
    game().downloadConfiguration();
    RunLoop::main().runUntil([this] { return !results_.empty(); }, 10);
    EXPECT_EQ(results_, std::vector<bool>{false});
}

// Each answer to a download, from a first download (nothing held, the
// answer's URL held in the fetch cache beforehand, so only clearing it
// makes the request go): queued at 700 under a URL whose signature the
// service computes from the game's id and secret, and one result.
TEST_F(GameSessionTest, EachDownloadAnswerGivesOneResult)
{
    const std::string path = "/lite/abconfigurations/request";
    std::string expectedSignature = std::string(kAppId) + kSecret + CCPrivateSession::kFirstSalt +
                                    CCPrivateSession::kSecondSalt;
    for (char& c : expectedSignature) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    expectedSignature = LoopbackSocialService::md5Lower(expectedSignature);
    const std::string configuration =
        R"({"meta":{"type":"configurationdata","timestamp":1},"data":{"name":"B","type":"json","configuration":"{}"}})";
    struct Row {
        const char* name;
        LoopbackSocialService::Reply reply;
        bool success;
        int attempts;
    };
    const Row rows[] = {
        {"a configuration", {200, {}, configuration}, true, 1},
        {"no name", {200, {}, R"({"meta":{"type":"configurationdata","timestamp":1},"data":{"type":"json"}})"}, false, 1},
        {"a page", {200, {}, pageEnvelope("mutable")}, false, 1},
        // The second download re-queues the URL while its first attempt
        // runs, which starts its count again: one more attempt.
        {"two failures", {503, {}, ""}, false, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CCGameSession::releaseSharedInstance();
        CCDataStore::sharedInstance()->removeKey(CCGameSession::kTimestampKey);
        CCFetchManager* fetch = CCFetchManager::sharedInstance();
        const std::string url = game().urlForConfigurationData();
        fetch->clearDataWithCompleteClean(true);
        (void)answerFetch(url, configuration); // a stale answer held in the cache
        ASSERT_EQ(fetch->statusForURL(url), 1);
        service_.clearRequests();
        service_.script(path, row.reply);
        results_.clear();
        const size_t storeWrites = CCDataStore::sharedInstance()->writeCount();

        game().setDownloadConfigurationsEnabled(true);
        ASSERT_EQ(fetch->fetchQueue().size(), 1u);
        EXPECT_EQ(fetch->fetchQueue()[0]->fetchPriority(), 700);
        EXPECT_EQ(fetch->statusForURL(url), 0) << "the cached answer was cleared first";
        game().downloadConfiguration(); // a second download of the same URL
        RunLoop::main().runUntil([this] { return !results_.empty(); }, 10);
        RunLoop::main().runUntil([] { return false; }, 0.1);
        EXPECT_EQ(results_, std::vector<bool>{row.success}) << "one result";

        const auto requests = service_.requests();
        ASSERT_EQ(requests.size(), static_cast<size_t>(row.attempts));
        EXPECT_EQ(requests[0].target, path + "?sig=" + expectedSignature);
        EXPECT_EQ(game().gameConfig() != nullptr, row.success);
        if (row.success) {
            EXPECT_EQ(game().gameConfig()->configName(), Value("B"));
            EXPECT_EQ(CCDataStore::sharedInstance()->valueForKey(CCGameSession::kTimestampKey),
                      Value(clock_->wallSeconds()));
            EXPECT_GT(CCDataStore::sharedInstance()->writeCount(), storeWrites);
        }
        game().setDownloadConfigurationsEnabled(false);
    }
}

TEST_F(GameSessionTest, TheKeychainKeepsTheConfigurationAcrossRuns)
{
    auto keychain = std::make_shared<RecordingKeychain>();
    auto previous = Keychain::replaceSharedInstance(keychain);
    game().setEnableKeychainAccess(true);
    EXPECT_TRUE(results_.empty()) << "nothing stored yet";
    game().initialiseConfigurationWithDataString("{\"k\":1}", "json");
    game().setEnableKeychainAccess(false);
    EXPECT_FALSE(game().hasKeychain());
    ASSERT_FALSE(keychain->calls.empty());

    CCGameSession::releaseSharedInstance();
    results_.clear();
    game().setEnableKeychainAccess(true);
    ASSERT_TRUE(game().gameConfig());
    EXPECT_EQ(game().gameConfig()->configName(), Value("default"));
    EXPECT_TRUE(results_.empty()) << "announced on a later turn";
    RunLoop::main().drain();
    EXPECT_EQ(results_, std::vector<bool>{true});
    game().initialiseConfigurationWithDataString("{}", "json");
    EXPECT_EQ(results_.back(), false) << "one is held";
    Keychain::replaceSharedInstance(previous);
}

} // namespace
} // namespace mw::test
