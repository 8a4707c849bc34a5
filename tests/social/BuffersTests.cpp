// The achievement, leaderboard and offer buffers made by setupBuffers: what
// they post, what they remember and the pop-ups they show.

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/AlertView.h"
#include "platform/GKAchievement.h"
#include "platform/GKScore.h"
#include "platform/Md5.h"
#include "social/CCAsyncPostManager.h"
#include "social/CCBuffers.h"
#include "social/CCDataStore.h"
#include "social/CCFetchManager.h"
#include "social/CCGameCenterPostManager.h"
#include "social/CCPrivateSession.h"
#include "social/records/CCServerRecords.h"
#include "tests/social/SocialFixture.h"

namespace mw::test {
namespace {

// 2026-01-10 20:00 UTC, noon in Los Angeles (standard time, UTC-8).
constexpr double kNoonPacific = 1768075200;
constexpr double kUtcMidnight = 1768089600; // 2026-01-11 00:00 UTC: 16:00 of the 10th in Los Angeles
constexpr double kPacificMidnight = 1768118400; // 2026-01-11 08:00 UTC

std::string lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The report signature as the service checks it.
std::string expectedSignature(const std::string& valueText)
{
    const std::string text =
        lower(valueText + kAppId + kSecret + CCPrivateSession::kFirstSalt + CCPrivateSession::kSecondSalt);
    return lower(Md5::upperHex(Md5::digest(text)));
}

class BuffersTest : public SocialFixture {
protected:
    void SetUp() override
    {
        SocialFixture::SetUp();
        clock_->setWall(kNoonPacific);
        activate();
        // Posts stay queued where the test reads them.
        session()->activateLumoraSetting(2, Value("YES"));
        RunLoop::main().drain();
        session()->postManager()->clearData();
        session()->setupBuffers();
    }
    void TearDown() override
    {
        auto& presenter = AlertViewPresenter::sharedPresenter();
        while (AlertView* alert = presenter.frontAlert()) alert->dismissWithClickedButtonIndex(0);
        SocialFixture::TearDown();
    }
    CCPrivateSession* session() { return CCPrivateSession::sharedInstance(); }
    CCAchievementBuffer& buffer() { return *session()->achievementBuffer(); }
    std::vector<std::string> posts()
    {
        std::vector<std::string> urls;
        for (const auto& record : session()->postManager()->serverDataArray())
            if (record->url().rfind(lite(), 0) == 0) urls.push_back(record->url());
        return urls;
    }
    std::string lite() { return CCPrivateSession::liteBaseUrl(); }
    std::string achievementUrl(const std::string& escapedId, int value)
    {
        return lite() + "achievement_obtained?achievementID=" + escapedId + "&value=" + std::to_string(value) +
            "&sig=" + expectedSignature(std::to_string(value));
    }
    std::string leaderboardUrl(const std::string& id, const std::string& value)
    {
        return lite() + "leaderboard_score_obtained?leaderboardID=" + id + "&value=" + value +
            "&sig=" + expectedSignature(value);
    }
    // Notices asked of the session so far: the one showing and those queued
    // behind it (none finishes while the test does not run the loop).
    size_t notices() { return (session()->popupIsActive() ? 1 : 0) + session()->queuedPopupCount(); }
};

TEST_F(BuffersTest, TheGameMakesNoBufferButSetupBuffersDoes)
{
    EXPECT_NE(session()->achievementBuffer(), nullptr);
    EXPECT_NE(session()->offersBuffer(), nullptr);
    EXPECT_NE(session()->leaderboardBuffer(), nullptr);
}

TEST_F(BuffersTest, AnAchievementPostsOnlyWhenItChangesWithItsSignedUrl)
{
    buffer().postAchievement("a1", true, "", false, "");
    ASSERT_EQ(posts(), (std::vector<std::string> { achievementUrl("a1", 1) }));
    const CCAbstractServerData* first = session()->postManager()->serverDataArray()[0].get();
    buffer().postAchievement("a1", true, "", false, "");
    ASSERT_EQ(posts().size(), 1u);
    EXPECT_EQ(session()->postManager()->serverDataArray()[0].get(), first) << "the same report is not posted again";
    buffer().postAchievement("a1", false, "", false, "");
    EXPECT_EQ(posts(), (std::vector<std::string> { achievementUrl("a1", 0) })) << "the pending post is cleared first";
    // The stored value and pop-up record are in the data store at once.
    const Value& stored = CCDataStore::sharedInstance()->valueForKey(CCAchievementBuffer::kValuesKey);
    EXPECT_EQ(stored["a1"], Value(false));
    CCDataStore::purgeSharedInstance();
    EXPECT_EQ(CCDataStore::sharedInstance()->valueForKey(CCAchievementBuffer::kValuesKey)["a1"], Value(false))
        << "written to the file";
}

// The mend: every id forms a URL, escaped as a query component.
TEST_F(BuffersTest, IdsWithReservedAndNonAsciiCharactersArePostedEscaped)
{
    buffer().postAchievement("win & play", true, "", false, "");
    buffer().postLeaderboardResult(5, "caf\u00e9", false, "", false);
    session()->postOffer("a b");
    EXPECT_EQ(
        posts(),
        (std::vector<std::string> { achievementUrl("win%20%26%20play", 1), leaderboardUrl("caf%C3%A9", "5.000000"),
                                    lite() + "post_app_install?offerID=a%20b&sig=" + expectedSignature("1") }));
}

// A report replaces the queued one of its own id only: an id that merely
// begins with it (earned offline, not yet sent) stays queued.
TEST_F(BuffersTest, AReportLeavesTheQueuedReportsOfOtherIdsAlone)
{
    buffer().postAchievement("a10", true, "", false, "");
    buffer().postLeaderboardResult(7, "lb10", false, "", false);
    buffer().postAchievement("a1", true, "", false, "");
    buffer().postLeaderboardResult(5, "lb1", false, "", false);
    const std::string a10 = achievementUrl("a10", 1);
    const std::string lb10 = leaderboardUrl("lb10", "7.000000");
    EXPECT_EQ(posts(), (std::vector<std::string> { a10, lb10, achievementUrl("a1", 1),
                                                   leaderboardUrl("lb1", "5.000000") }));
    buffer().postAchievement("a1", false, "", false, "");
    buffer().postLeaderboardResult(6, "lb1", false, "", false);
    EXPECT_EQ(posts(), (std::vector<std::string> { a10, lb10, achievementUrl("a1", 0),
                                                   leaderboardUrl("lb1", "6.000000") }))
        << "the id's own queued report is replaced";

    // An offer is reported once ever: one dropped from the queue is lost.
    session()->postManager()->clearData();
    session()->postOffer("o10");
    session()->postOffer("o1");
    const std::string offer = lite() + "post_app_install?offerID=";
    const std::string signature = "&sig=" + expectedSignature("1");
    EXPECT_EQ(posts(), (std::vector<std::string> { offer + "o10" + signature, offer + "o1" + signature }));
}

TEST_F(BuffersTest, PopUpTable)
{
    struct Step {
        bool obtained;
        const char* description;
        bool always;
        bool answer;
        size_t notices; // shown so far
    };
    struct Row {
        const char* name;
        std::vector<Step> steps;
        bool recordSet;
    };
    const Row rows[] = {
        { "always", { { true, "Great", true, true, 1 }, { true, "Great", true, true, 2 } }, false },
        { "once", { { true, "Great", false, true, 1 }, { true, "Great", false, false, 1 } }, true },
        { "one character", { { true, "G", false, true, 0 }, { true, "Great", false, false, 0 } }, true },
        { "not obtained first", { { false, "Great", false, true, 0 }, { true, "Great", false, false, 0 } }, true },
        { "not obtained, then always", { { false, "Great", false, true, 0 }, { true, "Great", true, true, 1 } }, true },
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string id = "pop" + std::to_string(n++);
        const size_t before = notices();
        for (const Step& step : row.steps) {
            EXPECT_EQ(buffer().postAchievement(id, step.obtained, step.description, step.always, ""), step.answer);
            EXPECT_EQ(notices() - before, step.notices);
        }
        EXPECT_EQ(buffer().popupDictionary().contains(id), row.recordSet);
        EXPECT_EQ(CCDataStore::sharedInstance()->valueForKey(CCAchievementBuffer::kPopupsKey).asDict().contains(id),
                  row.recordSet);
    }
}

TEST_F(BuffersTest, LeaderboardsPostOnlyBetterResults)
{
    struct Row {
        const char* name;
        bool lowestFirst;
        std::vector<double> results;
        std::vector<std::string> posted; // values, in order of posting
    };
    const Row rows[] = {
        { "highest first", false, { 120, 120, 100, 130 }, { "120.000000", "130.000000" } },
        { "lowest first", true, { 50, 60, 50, 40.25 }, { "50.000000", "40.250000" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string id = row.lowestFirst ? "low" : "high";
        std::vector<std::string> posted;
        for (double result : row.results) {
            session()->postManager()->clearData();
            buffer().postLeaderboardResult(result, id, row.lowestFirst, "", false);
            for (const std::string& url : posts())
                posted.push_back(url.substr(url.find("value=") + 6, url.find("&sig") - url.find("value=") - 6));
        }
        EXPECT_EQ(posted, row.posted);
        EXPECT_EQ(posts().back(), leaderboardUrl(id, row.posted.back()));
    }
}

TEST_F(BuffersTest, ATimeBasedBoardPostsTheFirstResultOfEachPacificDay)
{
    auto report = [this](double result) {
        session()->postManager()->clearData();
        buffer().postLeaderboardResult(result, "daily", false, "", true);
        return posts().size();
    };
    EXPECT_EQ(report(100), 1u) << "the first of the run";
    EXPECT_EQ(report(90), 0u);
    clock_->setWall(kUtcMidnight + 60);
    EXPECT_EQ(report(95), 0u) << "UTC midnight is no boundary";
    clock_->setWall(kPacificMidnight + 60);
    EXPECT_EQ(report(80), 1u) << "worse, but the first of the Pacific day";
    EXPECT_EQ(report(85), 1u) << "better than that day's";
    EXPECT_EQ(report(85), 0u);
}

TEST_F(BuffersTest, TheGameCentreMirrorNeedsAnIdAndSupport)
{
    buffer().postAchievement("a", true, "", false, "gc.a");
    buffer().postLeaderboardResult(99.9, "b", false, "gc.b", false);
    EXPECT_EQ(session()->gcPostManager(), nullptr) << "support off";

    session()->activateLumoraSetting(5, Value("YES"));
    buffer().postAchievement("c", true, "", false, "");
    buffer().postAchievement("d", true, "", false, "gc.d");
    buffer().postLeaderboardResult(99.9, "e", false, "gc.e", false);
    ASSERT_NE(session()->gcPostManager(), nullptr);
    const auto& queue = session()->gcPostManager()->serverDataDictionary();
    auto found = queue.find(CCGameCenterPostManager::kNoPlayer);
    ASSERT_NE(found, queue.end());
    std::vector<std::string> items;
    for (const auto& item : found->second) {
        if (auto* a = dynamic_cast<GKAchievement*>(item.get()))
            items.push_back("achievement " + a->identifier + " " +
                            std::to_string(static_cast<int>(a->percentComplete)));
        if (auto* s = dynamic_cast<GKScore*>(item.get()))
            items.push_back("score " + s->category + " " + std::to_string(s->value));
    }
    EXPECT_EQ(items, (std::vector<std::string> { "achievement gc.d 100", "score gc.e 99" }));
}

TEST_F(BuffersTest, AnOfferPostsOnceAlsoAcrossARestart)
{
    session()->postOffer("o1");
    session()->postOffer("o1");
    EXPECT_EQ(posts(),
              (std::vector<std::string> { lite() + "post_app_install?offerID=o1&sig=" + expectedSignature("1") }));
    EXPECT_EQ(posts()[0].find("value="), std::string::npos);
    session()->postManager()->clearData();
    CCDataStore::purgeSharedInstance();
    CCOffersBuffer again;
    again.postOffer("o1");
    EXPECT_TRUE(posts().empty());
    again.postOffer("o2");
    EXPECT_EQ(posts().size(), 1u);
}

TEST_F(BuffersTest, LeaderboardDatesAreKeptAndCleared)
{
    CCLeaderboardBuffer* dates = session()->leaderboardBuffer();
    EXPECT_FALSE(dates->timestampForLeaderboard("x"));
    dates->setTimestampForLeaderboard("x");
    EXPECT_EQ(dates->timestampForLeaderboard("x"), kNoonPacific);
    EXPECT_TRUE(CCDataStore::sharedInstance()->valueForKey(CCLeaderboardBuffer::kKey).asDict().contains("x"));
    dates->clearBuffer();
    EXPECT_FALSE(dates->timestampForLeaderboard("x"));
}


TEST_F(BuffersTest, ReportsDropTheCachedLeaderboardsOfThatBoardAndOneAchievementPage)
{
    CCFetchManager* fetchManager = CCFetchManager::sharedInstance();
    auto cache = [&](Ref<CCAbstractServerData> record, const char* type) {
        const std::string envelope =
            std::string(R"({"meta":{"type":")") + type + R"(","timestamp":1},"data":{"cache":"temp"}})";
        record->setReceivedData(Value::Bytes(envelope.begin(), envelope.end()));
        fetchManager->serverDataFinishedNetworkOpWithStatus(record.get(), 0);
    };
    const std::string board = lite() + "leaderboard.cuid?gameConfigID=";
    cache(makeRef<CCLeaderboardData>(board + "b1&page=1"), "leaderboard");
    cache(makeRef<CCLeaderboardData>(board + "b1&page=2"), "leaderboard");
    cache(makeRef<CCLeaderboardData>(board + "b2"), "leaderboard");
    cache(makeRef<CCAchievementData>(lite() + "achievements.cuid?page=1"), "achievement");
    cache(makeRef<CCAchievementData>(lite() + "achievements.cuid?page=2"), "achievement");
    auto cached = [&] {
        std::vector<std::string> urls;
        for (const auto& record : fetchManager->temporaryDataCache()) urls.push_back(record->url());
        std::sort(urls.begin(), urls.end());
        return urls;
    };
    ASSERT_EQ(cached().size(), 5u);
    buffer().postLeaderboardResult(1, "b1", false, "", false);
    EXPECT_EQ(cached(), (std::vector<std::string> { lite() + "achievements.cuid?page=1",
                                                    lite() + "achievements.cuid?page=2", board + "b2" }));
    buffer().postAchievement("x", true, "", false, "");
    EXPECT_EQ(cached().size(), 2u) << "only the first achievement page goes";
}

} // namespace
} // namespace mw::test
