// The telemetry post filled from the session's figures, and the player data
// posted to the loopback service as its own object.

#include "foundation/KeyedArchive.h"
#include "social/CCDataStore.h"
#include "social/support/CCJSON.h"
#include "tests/social/records/TransferTestSupport.h"

namespace mw::test {
namespace {

// Figures set by the test; the update call is counted.
struct SetFigures : CCAnalyticsSource {
    std::string analyticsSessionId() override { return "5E55-10N"; }
    int analyticsMinutesSinceLastSession() override { return 42; }
    int analyticsLastSessionDuration() override { return 17; }
    int analyticsSessionDuration() override { return 9; }
    int analyticsSessionPostIndex() override { return 2; }
    bool analyticsIsFinalSessionPost() override { return true; }
    double analyticsSessionStartTimestamp() override { return 1699999000.5; }
    int analyticsSessionTimeSinceStart() override { return 16; }
    double analyticsSessionCurrentTimestamp() override { return 1700000000.25; }
    int analyticsMinutesSinceLastSessionData() override { return -1; }
    Value lastUserLevel() override { return level; }
    Value gameSessionAnalytics() override { return Value::dictionary({{"games", 4}}); }
    void analyticsUpdateCurrentSessionDataForNextPost() override { ++updates; }

    Value level;
    int updates = 0;
};

class AnalyticDataTest : public TransferFixture {
protected:
    void SetUp() override
    {
        TransferFixture::SetUp();
        CCAnalyticsSource::install(&figures_);
    }
    void TearDown() override
    {
        CCAnalyticsSource::install(nullptr);
        TransferFixture::TearDown();
    }
    SetFigures figures_;
};

// The JSON kind of a value as the writer gives it.
std::string kindOf(const Value& value)
{
    if (value.isNull()) return "absent";
    const std::string text = *JSONFragment(value);
    if (value.isDict()) return "object";
    if (value.isArray()) return "array";
    if (value.isString()) return "string";
    if (text == "true" || text == "false") return "boolean";
    return text.find_first_of(".eE") == std::string::npos ? "integer" : "real";
}

TEST_F(AnalyticDataTest, EveryKeyWithItsKind)
{
    CCDataStore* store = CCDataStore::sharedInstance();
    store->logUsageData(CCDataStore::nullUsageArray(), true);
    ASSERT_TRUE(store->moveLumoraUsageDataToReadyToGo());
    store->setValue("readyimpressiondata", Value::array({Value::array({1, "banner"})}));
    store->setValue("readygameusagedata", Value::array({Value::array({"level", 3})}));
    reachability_->setFlags(CCPrivateSession::kServiceHost, ReachabilityFlag::kReachable);
    figures_.level = Value(12);
    facts_->languages = {"pl", "en"};

    CCAnalyticData post;
    post.populateWithCurrentData();
    const Value& data = post.mainData();
    const Value& extra = data["extrasessiondata"];
    const struct {
        const Value& value;
        const char* kind;
    } rows[] = {
        {data["osversion"], "string"}, {data["devicemodel"], "string"}, {data["deviceuname"], "string"},
        {data["preferredlang"], "string"}, {data["clientsessionid"], "string"}, {data["analyticsversion"], "integer"},
        {data["appid"], "string"}, {data["appversion"], "integer"}, {data["lastsessionlength"], "integer"},
        {data["minssincelast"], "integer"}, {data["gamesession"], "object"}, {data["connection"], "string"},
        {data["usage"], "array"}, {data["gkplayerid"], "absent"},
        {extra["clientSessionPostIndex"], "integer"}, {extra["clientSessionTimestamp"], "real"},
        {extra["currentSessionDuration"], "integer"}, {extra["minsSinceLastSessionDataPosted"], "integer"},
        {extra["clientSessionStartTimestamp"], "real"}, {extra["minsSinceClientSessionStart"], "integer"},
        {extra["clientSessionFinalPost"], "boolean"}, {extra["sdkVersion"], "string"},
        {extra["lastUserLevel"], "integer"},
    };
    for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(kindOf(rows[i].value), rows[i].kind) << "row " << i;
    EXPECT_EQ(data["analyticsversion"].asInt(), 3);
    // A whole real writes as its own digits, with no point added.
    EXPECT_EQ(*JSONFragment(data["appversion"]), "1");
    EXPECT_EQ(data["preferredlang"].asString(), "pl");
    EXPECT_EQ(data["connection"].asString(), "wifi");
    EXPECT_EQ(data["deviceuname"].asString(), "iPhone4,1");
    EXPECT_EQ(extra["sdkVersion"].asString(), "0.3 build 77");
    EXPECT_EQ(data["impression"], Value::array({Value::array({1, "banner"})}));
    EXPECT_EQ(data["gameusage"], Value::array({Value::array({"level", 3})}));
    // The lists moved into the record; the figures moved on once.
    EXPECT_TRUE(store->readyToGoLumoraUsageData().isNull());
    EXPECT_TRUE(store->readyToGoImpressionData().isNull());
    EXPECT_TRUE(store->readyToGoGameUsageData().isNull());
    EXPECT_EQ(figures_.updates, 1);
}

TEST_F(AnalyticDataTest, OptionalKeysOnlyWhenPresent)
{
    facts_->languages = {};
    const struct {
        uint32_t flags;
        const char* word;
    } links[] = {{0, "none"}, {ReachabilityFlag::kReachable | ReachabilityFlag::kIsWWAN, "cell"}};
    for (const auto& link : links) {
        reachability_->setFlags(CCPrivateSession::kServiceHost, link.flags);
        CCAnalyticData post;
        post.populateWithCurrentData();
        EXPECT_EQ(post.mainData()["connection"].asString(), link.word);
        EXPECT_TRUE(post.mainData()["preferredlang"].isNull());
        EXPECT_TRUE(post.mainData()["usage"].isNull());
        EXPECT_TRUE(post.mainData()["extrasessiondata"]["lastUserLevel"].isNull());
    }
}

TEST_F(AnalyticDataTest, TelemetryPostIsSignedAndSent)
{
    const std::string url = LoopbackSocialService::httpsUrl(CCPrivateSession::telemetryHost(), "/analytics/index.php") +
                            "?sig=" + CCPrivateSession::sharedInstance()->telemetrySignature();
    service_.script("/analytics/index.php", {200, {}, "{}"});
    auto post = makeRef<CCAnalyticData>();
    post->setUrl(url);
    post->populateWithCurrentData();
    RecordingTransferDelegate delegate;
    EXPECT_EQ(transfer(*post, true, delegate), 0);
    const auto request = service_.requests().back();
    EXPECT_EQ(request.target, "/analytics/index.php?sig=" + LoopbackSocialService::telemetrySignature(kAppId));
    const std::optional<Value> sent = JSONValue(request.body);
    ASSERT_TRUE(sent);
    EXPECT_EQ((*sent)["data"]["clientsessionid"].asString(), "5E55-10N");
}

TEST_F(AnalyticDataTest, PlayerDataArrivesAsItsOwnObjectAlsoAfterAnArchive)
{
    service_.script("/lite/player", {200, {}, "{}"});
    auto player = makeRef<CCPlayerData>(serviceUrl("/lite/player"));
    player->setMainData(Value::dictionary({{"alias", "Fern"}}));
    ASSERT_TRUE(player->setGoods(Value::array({"lantern"})));
    const std::optional<Value> expected = JSONValue(*JSONFragment(player->mainData()));

    std::string error;
    const std::vector<uint8_t> archive = archivedDataWithRootObject(player.get(), &error);
    auto restored = dynamicRef<CCAbstractServerData>(unarchiveObjectWithData(archive, &error));
    ASSERT_TRUE(restored);
    for (const Ref<CCAbstractServerData>& record : {Ref<CCAbstractServerData>(player), restored}) {
        RecordingTransferDelegate delegate;
        EXPECT_EQ(transfer(*record, true, delegate), 0);
        const std::optional<Value> sent = JSONValue(service_.requests().back().body);
        ASSERT_TRUE(sent);
        EXPECT_EQ(*sent, *expected);
        EXPECT_TRUE((*sent)["meta"].isNull());
    }
}

} // namespace
} // namespace mw::test
