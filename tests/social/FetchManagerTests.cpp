// The fetch manager against the loopback service: queueing and slots,
// results by status and by kind, and the "FetchManager" file.

#include <climits>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "foundation/AtomicFile.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "platform/ImageCodecs.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/CCRecordArchive.h"
#include "social/services/CCTheming.h"
#include "social/support/Reachability.h"
#include "tests/social/records/TransferTestSupport.h"
#include "tests/support/FetchAnswers.h"

namespace mw::test {
namespace {

using Reply = LoopbackSocialService::Reply;

struct Announcement {
    std::string url;
    int status = -1;
    bool wasPost = false;
    std::string redirect;
};

class FetchManagerTest : public TransferFixture {
protected:
    void SetUp() override
    {
        TransferFixture::SetUp();
        manager_ = CCFetchManager::sharedInstance();
        observer_ = NotificationCenter::defaultCenter().addObserver(
            nullptr, std::string(), manager_, [this](const Notification& notification) {
                const auto* info = std::any_cast<Value>(&notification.userInfo());
                ASSERT_NE(info, nullptr);
                heard_.push_back({notification.name(), (*info)["status"].asInt(), (*info)["waspost"].isString(),
                                  (*info)["redirecturl"].asString()});
            });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(observer_);
        TransferFixture::TearDown();
    }

    Ref<CCAbstractServerData> page(const std::string& path, int priority = 10)
    {
        auto record = Ref<CCAbstractServerData>(makeRef<CCUIDescription>(serviceUrl(path), priority, 0));
        (void)manager_->queueServerData(record, priority, 0);
        return record;
    }
    // Runs the loop until the queue is idle (nothing in transfer) or 10 s pass.
    void settle()
    {
        RunLoop::main().runUntil(
            [this] {
                for (const auto& record : manager_->fetchQueue())
                    if (record->networkOpInProgress()) return false;
                return true;
            },
            10);
        RunLoop::main().runUntil([] { return false; }, 0.05);
    }
    std::vector<std::string> targets() const
    {
        std::vector<std::string> list;
        for (const auto& request : service_.requests()) list.push_back(request.target);
        return list;
    }
    int heardFor(const std::string& path) const
    {
        int count = 0;
        for (const auto& item : heard_) count += item.url == serviceUrl(path);
        return count;
    }

    CCFetchManager* manager_ = nullptr;
    NotificationCenter::ObserverId observer_ = 0;
    std::vector<Announcement> heard_;
};

bool holdsUrl(const std::vector<Ref<CCAbstractServerData>>& list, const std::string& url)
{
    for (const auto& record : list)
        if (record->url() == url) return true;
    return false;
}

std::string envelope(const std::string& type, const std::string& data)
{
    return R"({"meta":{"type":")" + type + R"(","timestamp":1},"data":)" + data + "}";
}

TEST_F(FetchManagerTest, QueueingAQueuedUrlTakesTheNewSumAndKeepsTheQueuedRecord)
{
    Reply held{200, {}, pageEnvelope("mutable")};
    held.held = true;
    service_.script("/lite/a", held);
    Ref<CCAbstractServerData> first = page("/lite/a", 50);
    first->setNetworkOpAttemptCount(1);
    auto second = Ref<CCAbstractServerData>(makeRef<CCUIDescription>(serviceUrl("/lite/a"), 0, 0));
    (void)manager_->queueServerData(second, 900, 7);
    ASSERT_EQ(manager_->fetchQueue().size(), 1u);
    EXPECT_EQ(manager_->fetchQueue()[0], first) << "the new record is dropped";
    EXPECT_EQ(first->fetchPriority(), 907) << "even a larger sum";
    EXPECT_EQ(first->networkOpAttemptCount(), 0);
    (void)manager_->queueServerData(second, INT_MAX, 5);
    EXPECT_EQ(first->fetchPriority(), INT_MAX) << "the sum saturates";
    service_.release("/lite/a");
    settle();
}

TEST_F(FetchManagerTest, SixSlotsThenOnlyUrgentRecordsStart)
{
    Reply held{200, {}, pageEnvelope("mutable")};
    held.held = true;
    for (int i = 0; i < 6; ++i) service_.script("/lite/h" + std::to_string(i), held);
    for (const char* path : {"/lite/urgent", "/lite/eleven", "/lite/negative"})
        service_.script(path, {200, {}, pageEnvelope("mutable")});
    // Six in transfer ahead of everything else in the queue.
    for (int i = 0; i < 6; ++i) (void)page("/lite/h" + std::to_string(i), -5);
    RunLoop::main().runUntil([this] { return service_.requests().size() == 6; }, 10);
    Ref<CCAbstractServerData> urgent = page("/lite/urgent", 10);
    Ref<CCAbstractServerData> eleven = page("/lite/eleven", 11);
    Ref<CCAbstractServerData> negative = page("/lite/negative", -1);
    EXPECT_TRUE(urgent->networkOpInProgress());
    EXPECT_FALSE(eleven->networkOpInProgress());
    EXPECT_FALSE(negative->networkOpInProgress()) << "a negative priority counts as a large one";
    // The urgent one's answer frees no slot: the six still hold them all.
    RunLoop::main().runUntil([this] { return heardFor("/lite/urgent") == 1; }, 10);
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_FALSE(eleven->networkOpInProgress());
    EXPECT_FALSE(negative->networkOpInProgress());
    // One slot freed: the lower priority goes first.
    service_.release("/lite/h0");
    RunLoop::main().runUntil([this] { return heardFor("/lite/negative") == 1; }, 10);
    EXPECT_EQ(heardFor("/lite/eleven"), 0);
    for (int i = 1; i < 6; ++i) service_.release("/lite/h" + std::to_string(i));
    RunLoop::main().runUntil([this] { return manager_->fetchQueue().empty(); }, 10);
    EXPECT_EQ(heardFor("/lite/eleven"), 1);
}

TEST_F(FetchManagerTest, EqualPrioritiesKeepTheirQueueingOrder)
{
    Reply held{200, {}, pageEnvelope("mutable")};
    held.held = true;
    for (int i = 0; i < 6; ++i) service_.script("/lite/h" + std::to_string(i), held);
    for (int i = 0; i < 6; ++i) (void)page("/lite/h" + std::to_string(i), 5);
    (void)page("/lite/p3", 30);
    (void)page("/lite/p1", 20);
    (void)page("/lite/p2", 20);
    (void)page("/lite/q1", 20);
    std::vector<std::string> waiting;
    for (const auto& record : manager_->fetchQueue())
        if (!record->networkOpInProgress()) waiting.push_back(record->url());
    EXPECT_EQ(waiting, (std::vector<std::string>{serviceUrl("/lite/p1"), serviceUrl("/lite/p2"),
                                                 serviceUrl("/lite/q1"), serviceUrl("/lite/p3")}));
    manager_->stopFetching();
    for (int i = 0; i < 6; ++i) service_.release("/lite/h" + std::to_string(i));
}

TEST_F(FetchManagerTest, StatusOfAUrl)
{
    service_.script("/lite/known", {200, {}, pageEnvelope("mutable")});
    (void)page("/lite/known");
    settle();
    EXPECT_EQ(manager_->statusForURL(serviceUrl("/lite/known")), 1) << "cached only";
    Reply held{200, {}, pageEnvelope("mutable")};
    held.held = true;
    service_.script("/lite/known", held);
    service_.script("/lite/new", held);
    (void)page("/lite/known");
    (void)page("/lite/new");
    EXPECT_EQ(manager_->statusForURL(serviceUrl("/lite/known")), 2) << "cached and queued";
    EXPECT_EQ(manager_->statusForURL(serviceUrl("/lite/new")), 0) << "queued only";
    service_.release("/lite/known");
    service_.release("/lite/new");
    settle();
}

// Status 0 by kind: where the answer is kept, and what is announced.
TEST_F(FetchManagerTest, AnswersAreCachedByKind)
{
    struct Row {
        const char* path;
        std::string body;
        const char* kept; // "permanent", "temporary", "nowhere"
        bool post = false;
    };
    const Row rows[] = {
        {"/lite/base.cuid", pageEnvelope("basedata"), "permanent"},
        {"/lite/page.cuid", pageEnvelope("mutable"), "temporary"},
        {"/lite/nocache.cuid",
         R"({"meta":{"type":"uidesc","timestamp":1},"internal":{"nocache":true},"data":{"cache":"x"}})", "nowhere"},
        {"/lite/posted.cuid", pageEnvelope("mutable"), "temporary", true},
        {"/lite/player", envelope("playerdata", R"({"lumorauser":"x"})"), "temporary"},
        {"/lite/config", envelope("configurationdata", R"({"name":"n"})"), "temporary"},
        {"/lite/board", envelope("leaderboard", R"({"a":1})"), "temporary"},
        {"/lite/telemetry", envelope("analytic", R"({"a":1})"), "nowhere"},
        {"/lite/token", envelope("token", R"({"a":1})"), "nowhere"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        service_.script(row.path, {200, {}, row.body});
        auto record = Ref<CCAbstractServerData>(makeRef<CCUIDescription>(serviceUrl(row.path), 10, 0));
        if (row.post) {
            record->setPostData(Value::Bytes{'a', '=', '1'});
            (void)manager_->queueServerDataForPost(record);
        } else {
            (void)manager_->queueServerData(record, 10, 0);
        }
        settle();
        const std::string url = serviceUrl(row.path);
        const bool permanent = holdsUrl(manager_->permanentDataCache(), url);
        const bool temporary = holdsUrl(manager_->temporaryDataCache(), url);
        EXPECT_EQ(permanent ? "permanent" : temporary ? "temporary" : "nowhere", std::string(row.kept));
        ASSERT_FALSE(heard_.empty());
        EXPECT_EQ(heard_.back().url, url);
        EXPECT_EQ(heard_.back().status, std::string(row.kept) == "nowhere" ? 0 : 1);
        EXPECT_EQ(heard_.back().wasPost, row.post);
        EXPECT_TRUE(manager_->fetchQueue().empty());
    }
}

TEST_F(FetchManagerTest, NothingUsableIsAFailedAttemptAnnouncedOnce)
{
    const std::pair<const char*, std::string> rows[] = {
        {"/lite/empty", ""},
        {"/lite/notjson", "<html>"},
        {"/lite/nometa", R"({"data":{}})"},
        {"/lite/unknown", R"({"meta":{"type":"weather"},"data":{}})"},
        {"/lite/notutf8", "\xff\xfe{"},
    };
    for (const auto& [path, body] : rows) {
        SCOPED_TRACE(path);
        service_.clearRequests();
        heard_.clear();
        service_.script(path, {200, {}, body});
        (void)page(path);
        // The second try starts on a later turn: wait for its announcement.
        const std::string target = path;
        RunLoop::main().runUntil([&] { return heardFor(target) > 0; }, 10);
        settle();
        EXPECT_EQ(service_.requests().size(), 2u) << "tried once more";
        ASSERT_EQ(heardFor(path), 1);
        EXPECT_EQ(heard_.back().status, 0);
        EXPECT_FALSE(manager_->serverDataForURL(serviceUrl(path)) &&
                     manager_->statusForURL(serviceUrl(path)) != 0)
            << "nothing cached";
    }
    // An image whose bytes do not decode.
    service_.clearRequests();
    service_.script("/img/bad.png", {200, {}, "not a picture"});
    auto image = Ref<CCAbstractServerData>(makeRef<CCImageData>(serviceUrl("/img/bad.png")));
    (void)manager_->queueServerData(image, 400, 0);
    RunLoop::main().runUntil([&] { return heardFor("/img/bad.png") > 0; }, 10);
    settle();
    EXPECT_EQ(service_.requests().size(), 2u);
    EXPECT_EQ(manager_->statusForURL(serviceUrl("/img/bad.png")), 0);
}

// Each picture is decoded once an attempt, by the transport away from the
// main thread, and announced on the main thread with its picture.
TEST_F(FetchManagerTest, PicturesAreDecodedOnceAnAttemptAndAnnouncedWithTheirPicture)
{
    const std::thread::id mainThread = std::this_thread::get_id();
    std::mutex lock;
    std::vector<std::thread::id> decodeLogThreads;
    const LogSink previous = setLogSink([&](const std::string& line) {
        if (line.find("cannot decode") == std::string::npos) return;
        std::lock_guard guard(lock);
        decodeLogThreads.push_back(std::this_thread::get_id());
    });
    std::vector<std::thread::id> announcedOn;
    const auto listener = NotificationCenter::defaultCenter().addObserver(
        nullptr, std::string(), manager_,
        [&](const Notification&) { announcedOn.push_back(std::this_thread::get_id()); });
    std::vector<std::string> paths;
    for (int i = 0; i < 8; ++i) {
        std::vector<uint8_t> rows(16 * 16 * 3, static_cast<uint8_t>(i * 30));
        std::vector<uint8_t> png;
        std::string error;
        ASSERT_TRUE(codecs::encodePNG(rows.data(), 16, 16, 3, png, error)) << error;
        paths.push_back("/img/p" + std::to_string(i) + ".png");
        service_.script(paths.back(), {200, {}, std::string(png.begin(), png.end())});
    }
    paths.push_back("/img/broken.png");
    service_.script(paths.back(), {200, {}, "\x89PNG\r\n\x1a\n and no more"});
    for (const std::string& path : paths)
        (void)manager_->queueServerData(Ref<CCAbstractServerData>(makeRef<CCImageData>(serviceUrl(path))), 100, 0);
    RunLoop::main().runUntil([&] { return heard_.size() == paths.size(); }, 10);
    settle();
    setLogSink(previous);
    NotificationCenter::defaultCenter().removeObserver(listener);

    ASSERT_EQ(heard_.size(), paths.size()) << "each announced once";
    for (const std::thread::id& thread : announcedOn) EXPECT_EQ(thread, mainThread);
    for (size_t i = 0; i + 1 < paths.size(); ++i) {
        const Ref<CCAbstractServerData> record = manager_->serverDataForURL(serviceUrl(paths[i]));
        ASSERT_NE(record, nullptr) << paths[i];
        EXPECT_NE(record->image(), nullptr) << paths[i];
    }
    EXPECT_EQ(heardFor("/img/broken.png"), 1) << "two attempts, one announcement";
    std::lock_guard guard(lock);
    ASSERT_EQ(decodeLogThreads.size(), 2u) << "decoded once an attempt";
    for (const std::thread::id& thread : decodeLogThreads) EXPECT_NE(thread, mainThread);
}

TEST_F(FetchManagerTest, FailuresAreRetriedOnceThenWaitForAReachabilityChange)
{
    const std::pair<int, int> rows[] = {{404, 2}, {500, 2}};
    for (const auto& [httpStatus, attempts] : rows) {
        SCOPED_TRACE(httpStatus);
        service_.clearRequests();
        heard_.clear();
        const std::string path = "/lite/fail" + std::to_string(httpStatus);
        service_.script(path, {httpStatus, {}, ""});
        (void)page(path);
        settle();
        EXPECT_EQ(static_cast<int>(service_.requests().size()), attempts);
        EXPECT_EQ(heardFor(path), 1);
        manager_->processOutstandingFetches();
        settle();
        EXPECT_EQ(static_cast<int>(service_.requests().size()), attempts) << "nothing until a change";
        NotificationCenter::defaultCenter().postNotification(kReachabilityChangedNotification);
        settle();
        EXPECT_EQ(static_cast<int>(service_.requests().size()), attempts + 2);
        EXPECT_EQ(manager_->fetchQueue().size(), 1u) << "kept queued";
        manager_->stopFetching();
    }
}

TEST_F(FetchManagerTest, GoneDropsEveryCopyAndChallengeStartsLeaveTheQueue)
{
    service_.script("/lite/gone", {200, {}, pageEnvelope("basedata")});
    (void)page("/lite/gone");
    settle();
    ASSERT_EQ(manager_->statusForURL(serviceUrl("/lite/gone")), 1);
    heard_.clear();
    service_.script("/lite/gone", {410, {}, ""});
    (void)page("/lite/gone");
    settle();
    EXPECT_EQ(manager_->statusForURL(serviceUrl("/lite/gone")), 0);
    EXPECT_TRUE(manager_->fetchQueue().empty());
    EXPECT_TRUE(heard_.empty()) << "nothing announced";

    const std::string challenge = "/lite/challenge_start?challengeID=7";
    service_.script(challenge, {410, {}, pageEnvelope("mutable")});
    service_.clearRequests();
    (void)page(challenge);
    settle();
    manager_->processOutstandingFetches();
    settle();
    EXPECT_EQ(service_.requests().size(), 1u) << "fetched once";
    EXPECT_EQ(heardFor(challenge), 1);
    EXPECT_EQ(heard_.back().status, 1);
    EXPECT_EQ(manager_->statusForURL(serviceUrl(challenge)), 1);
}

TEST_F(FetchManagerTest, TwoRecordsWithEqualDataEachGetTheirOwnAnswer)
{
    Reply held{200, {}, pageEnvelope("mutable")};
    held.held = true;
    service_.script("/lite/one", held);
    service_.script("/lite/two", held);
    Ref<CCAbstractServerData> one = page("/lite/one");
    Ref<CCAbstractServerData> two = page("/lite/two");
    one->setMainData(Value::dictionary({{"same", Value(1)}}));
    two->setMainData(Value::dictionary({{"same", Value(1)}}));
    ASSERT_TRUE(one->isEqual(two.get()));
    service_.release("/lite/one");
    RunLoop::main().runUntil([this] { return heardFor("/lite/one") == 1; }, 10);
    ASSERT_EQ(manager_->fetchQueue().size(), 1u);
    EXPECT_EQ(manager_->fetchQueue()[0], two);
    service_.release("/lite/two");
    settle();
    EXPECT_EQ(heardFor("/lite/two"), 1);
}

TEST_F(FetchManagerTest, ARedirectedPageIsAnnouncedUnderItsRequestedUrl)
{
    Reply redirect{302, {{"Location", "/lite/final"}}, ""};
    service_.script("/lite/asked", redirect);
    service_.script("/lite/final", {200, {}, pageEnvelope("mutable")});
    (void)page("/lite/asked");
    settle();
    ASSERT_EQ(heardFor("/lite/asked"), 1);
    EXPECT_EQ(heard_.back().redirect, serviceUrl("/lite/final"));
}

TEST_F(FetchManagerTest, StopFetchingEmptiesTheQueueAndALateAnswerReachesNobody)
{
    Reply held{200, {}, pageEnvelope("mutable")};
    held.held = true;
    service_.script("/lite/late", held);
    Ref<CCAbstractServerData> late = page("/lite/late");
    RunLoop::main().runUntil([this] { return !service_.requests().empty(); }, 10);
    manager_->stopFetching();
    EXPECT_TRUE(manager_->fetchQueue().empty());
    service_.release("/lite/late");
    RunLoop::main().runUntil([] { return false; }, 0.3);
    EXPECT_TRUE(heard_.empty());
    EXPECT_EQ(manager_->statusForURL(serviceUrl("/lite/late")), 0);
}

TEST_F(FetchManagerTest, ClearingAUrlTakesItsQueryVariantsAndCleansKeepTheBasics)
{
    const std::string profile = CCPrivateSession::liteBaseUrl() + "profile.cuid";
    (void)answerFetch(profile, pageEnvelope("mutable"));
    (void)answerFetch(profile + "?tab=2", pageEnvelope("mutable"));
    (void)answerFetch(CCPrivateSession::liteBaseUrl() + "news.cuid", pageEnvelope("mutable"));
    manager_->clearUrlFromCache(profile);
    EXPECT_EQ(manager_->statusForURL(profile), 0);
    EXPECT_EQ(manager_->statusForURL(profile + "?tab=2"), 0);
    EXPECT_EQ(manager_->statusForURL(CCPrivateSession::liteBaseUrl() + "news.cuid"), 1);

    (void)answerFetch("https://x/base.cuid", pageEnvelope("basedata"));
    (void)answerFetch("https://x/splash.cuid", pageEnvelope("mutable"));
    (void)answerFetch("https://x/other.cuid", pageEnvelope("mutable"));
    manager_->clearDataWithCompleteClean(false);
    EXPECT_EQ(manager_->statusForURL("https://x/base.cuid"), 1);
    EXPECT_EQ(manager_->statusForURL("https://x/splash.cuid"), 1);
    EXPECT_EQ(manager_->statusForURL("https://x/other.cuid"), 0);
    manager_->clearDataWithCompleteClean(true);
    EXPECT_TRUE(manager_->permanentDataCache().empty());
    EXPECT_TRUE(manager_->temporaryDataCache().empty());
}

TEST_F(FetchManagerTest, PrefetchedTabsFollowTheThemeCapabilities)
{
    manager_->attemptToPrefetchTabs();
    std::vector<std::string> urls;
    for (const auto& record : manager_->fetchQueue()) urls.push_back(record->url());
    const std::string base = CCPrivateSession::liteBaseUrl();
    std::vector<std::string> expected{base + "profile.cuid", base + "leaderboard.cuid", base + "achievements.cuid"};
    const std::optional<std::string> caps = CCTheming::sharedInstance()->themeCapsString();
    if (!caps || caps->find("challengestab") != std::string::npos) expected.push_back(base + "challenges.cuid");
    if (!caps || caps->find("giftingtab") != std::string::npos) expected.push_back(base + "gifts_and_market.cuid");
    EXPECT_EQ(urls, expected);
    manager_->stopFetching();
}

// ---- the file ----

class FetchManagerFileTest : public SocialFixture {
protected:
    static Ref<CCFetchManager> fresh() { return makeRef<CCFetchManager>(true); }
};

TEST_F(FetchManagerFileTest, BasePagesSurviveARestartOtherPagesDoNot)
{
    {
        Ref<CCFetchManager> manager = fresh();
        (void)Shared<CCFetchManager>::replace(manager);
        (void)answerFetch("https://x/base.cuid", pageEnvelope("basedata"));
        (void)answerFetch("https://x/page.cuid", pageEnvelope("mutable"));
        // The newer base page replaces the older: one out, one in.
        (void)answerFetch("https://x/base.cuid", R"({"meta":{"type":"uidesc","timestamp":2},"data":{"cache":"basedata","title":"newer"}})");
        Shared<CCFetchManager>::purge();
    }
    Ref<CCFetchManager> again = fresh();
    ASSERT_EQ(again->permanentDataCache().size(), 1u);
    auto base = dynamicRef<CCUIDescription>(again->serverDataForURL("https://x/base.cuid"));
    ASSERT_TRUE(base);
    EXPECT_EQ(base->viewTitle(), Value("newer"));
    EXPECT_FALSE(again->serverDataForURL("https://x/page.cuid"));
}

TEST_F(FetchManagerFileTest, WithFetchingOffABurstIsOneWriteWithFetchingOnEachChangeAtOnce)
{
    Ref<CCFetchManager> manager = fresh();
    (void)Shared<CCFetchManager>::replace(manager);
    for (int i = 0; i < 5; ++i)
        (void)answerFetch("https://x/b" + std::to_string(i) + ".cuid", pageEnvelope("basedata"));
    EXPECT_EQ(manager->writeCount(), 0u);
    clock_->advance(3.1);
    RunLoop::main().drain();
    RunLoop::main().runUntil([&] { return manager->writeCount() == 1; }, 10);
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(manager->writeCount(), 1u);

    manager->startFetching();
    (void)answerFetch("https://x/c.cuid", pageEnvelope("basedata"));
    (void)answerFetch("https://x/d.cuid", pageEnvelope("basedata"));
    EXPECT_EQ(manager->writeCount(), 3u);
    Shared<CCFetchManager>::purge();
}

TEST_F(FetchManagerFileTest, AChangeDuringARunningWriteIsWrittenByTheNext)
{
    Ref<CCFetchManager> manager = fresh();
    (void)Shared<CCFetchManager>::replace(manager);
    std::atomic<bool> inWrite{false};
    std::atomic<bool> letGo{false};
    RecordFileWriter::setWriteHook([&] {
        inWrite = true;
        while (!letGo) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    (void)answerFetch("https://x/one.cuid", pageEnvelope("basedata"));
    clock_->advance(3.1);
    RunLoop::main().drain();
    RunLoop::main().runUntil([&] { return inWrite.load(); }, 10);
    (void)answerFetch("https://x/two.cuid", pageEnvelope("basedata"));
    RecordFileWriter::setWriteHook(nullptr);
    letGo = true;
    RunLoop::main().runUntil([&] { return manager->writeCount() == 1; }, 10);
    clock_->advance(3.1);
    RunLoop::main().runUntil([&] { return manager->writeCount() == 2; }, 10);
    Shared<CCFetchManager>::purge();
    Ref<CCFetchManager> again = fresh();
    EXPECT_EQ(again->permanentDataCache().size(), 2u);
}

TEST_F(FetchManagerFileTest, AForeignFileIsMovedAsideAndTheCacheStartsEmpty)
{
    const std::string path = CCFetchManager::saveFilePath();
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    for (const std::string& content : {std::string("not an archive"), std::string()}) {
        {
            std::ofstream out(path, std::ios::binary);
            out << content;
        }
        Ref<CCFetchManager> manager = fresh();
        EXPECT_TRUE(manager->permanentDataCache().empty());
        ASSERT_FALSE(manager->movedAsidePath().empty()) << content;
        EXPECT_TRUE(std::filesystem::exists(manager->movedAsidePath())) << "the old file stays";
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

// A new manager's first pass writes the cache it started with, 3 s later
// with fetching off: an empty one as "[]", also over a file it left unread.
TEST_F(FetchManagerFileTest, AFreshManagersFirstPassWritesItsCacheAfterTheDelay)
{
    struct Case {
        const char* name;
        bool fileBefore; // a file holding one base page
        bool readFile;
        size_t written;  // records in the file after the first pass
    };
    const Case cases[] = {
        {"no file", false, true, 0},
        {"a file read", true, true, 1},
        {"a file left unread (clear data on start)", true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(CCFetchManager::saveFilePath());
        if (c.fileBefore) {
            Ref<CCFetchManager> writer = fresh();
            (void)Shared<CCFetchManager>::replace(writer);
            (void)answerFetch("https://x/base.cuid", pageEnvelope("basedata"));
            Shared<CCFetchManager>::purge();
        }
        Ref<CCFetchManager> manager = makeRef<CCFetchManager>(c.readFile);
        manager->processOutstandingFetches();
        EXPECT_EQ(manager->writeCount(), 0u) << "the write waits for the delay";
        clock_->advance(3.1);
        RunLoop::main().runUntil([&] { return manager->writeCount() == 1; }, 10);
        ASSERT_EQ(manager->writeCount(), 1u);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(AtomicFile::read(CCFetchManager::saveFilePath(), bytes));
        std::vector<Ref<CCAbstractServerData>> cache;
        ASSERT_TRUE(CCFetchManager::decodeFile(bytes.data(), bytes.size(), cache));
        EXPECT_EQ(cache.size(), c.written);
        // Written once: nothing changed since.
        manager->processOutstandingFetches();
        clock_->advance(3.1);
        RunLoop::main().runUntil([] { return false; }, 0.05);
        EXPECT_EQ(manager->writeCount(), 1u);
    }
}

TEST_F(FetchManagerFileTest, BackgroundWritesBesideAChangingCacheReadBackWhole)
{
    Ref<CCFetchManager> manager = fresh();
    (void)Shared<CCFetchManager>::replace(manager);
    for (int round = 0; round < 200; ++round) {
        (void)answerFetch("https://x/r" + std::to_string(round % 7) + ".cuid", pageEnvelope("basedata"));
        if (round % 2 == 0) clock_->advance(3.1);
        RunLoop::main().runUntil([] { return false; }, 0.002);
    }
    clock_->advance(3.1); // the last pending write
    RunLoop::main().runUntil([&] { return !manager->backgroundWriteRunning(); }, 10);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(AtomicFile::read(CCFetchManager::saveFilePath(), bytes));
    std::vector<Ref<CCAbstractServerData>> cache;
    EXPECT_TRUE(CCFetchManager::decodeFile(bytes.data(), bytes.size(), cache));
    EXPECT_GE(manager->writeCount(), 2u);
    Shared<CCFetchManager>::purge();
}

} // namespace
} // namespace mw::test
