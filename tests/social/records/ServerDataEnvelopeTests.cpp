#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "platform/ImageCodecs.h"
#include "social/queues/records/CCAbstractServerData.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"

namespace mw {
namespace {

Value parse(const std::string& text)
{
    std::optional<Value> value = JSONValue(text);
    EXPECT_TRUE(value) << text;
    return value.value_or(Value());
}

// The reason of the named exception the text raises, or "" when none.
std::string noInitReason(std::optional<std::string_view> text)
{
    try {
        (void)CCAbstractServerData::serverDataFromJSONData(text);
    } catch (const ServerDataNoInit& error) {
        EXPECT_STREQ(error.name(), "CCAbstractServerData noinit");
        return error.reason();
    }
    return "";
}

TEST(ServerDataTypeTable, WordsAndNumbersMapBothWays)
{
    const std::vector<std::pair<std::string, std::string>> kinds = {
        {"analytic", "CCAnalyticData"},
        {"uidesc", "CCUIDescription"},
        {"image", "CCImageData"},
        {"token", "CCDeviceToken"},
        {"nullpost", "CCNullPost"},
        {"leaderboard", "CCLeaderboardData"},
        {"gkleaderboard", "CCGameCenterLeaderboardData"},
        {"gkachievement", "CCGameCenterAchievementData"},
        {"playerdata", "CCPlayerData"},
        {"achievement", "CCAchievementData"},
        {"affiliate", "CCAffiliateData"},
        {"configurationdata", "CCConfigurationData"},
        {"savedata", "CCCloudStoreSaveData"},
        {"summarydata", "CCCloudStoreSummaryData"},
        {"messagelist", "CCMessageListData"},
        {"socialuserdata", "CCSocialPlayerData"},
        {"socialneighboursdata", "CCSocialNeighboursData"},
    };
    ASSERT_EQ(kinds.size(), size_t(CCAbstractServerData::kLastDataType));
    for (int type = 1; type <= int(kinds.size()); ++type) {
        const auto& [word, className] = kinds[type - 1];
        SCOPED_TRACE(word);
        EXPECT_EQ(CCAbstractServerData::dataTypeFromString(word), type);
        EXPECT_EQ(CCAbstractServerData::stringFromDataType(type), word);
        auto record = CCAbstractServerData::serverDataFromJSONData(R"({"meta":{"type":")" + word + R"("}})");
        ASSERT_TRUE(record);
        EXPECT_EQ(record->className(), className);
        EXPECT_EQ(record->dataType(), type);
    }
    for (const char* word : {"UIDESC", "", "page"}) {
        EXPECT_EQ(CCAbstractServerData::dataTypeFromString(word), -1) << word;
        EXPECT_FALSE(CCAbstractServerData::serverDataFromJSONData(R"({"meta":{"type":")" + std::string(word) + R"("}})"))
            << word;
    }
    for (int type : {0, 18, -1}) EXPECT_EQ(CCAbstractServerData::stringFromDataType(type), "unknown");
}

TEST(ServerDataEnvelope, PageEnvelopeGivesAnUnaddressedPage)
{
    auto record = CCAbstractServerData::serverDataFromJSONData(
        R"({"meta":{"type":"uidesc","timestamp":1700000000},"data":{"title":"Village"}})");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->className(), "CCUIDescription");
    EXPECT_EQ(record->fetchPriority(), 10000);
    EXPECT_EQ(record->uiViewType(), 1);
    EXPECT_EQ(record->url(), "");
    EXPECT_EQ(record->timeStamp(), 1700000000.0);
    EXPECT_EQ(record->mainData()["title"].asString(), "Village");
    EXPECT_FALSE(CCAbstractServerData::serverDataFromJSONData(R"({"data":{"title":"x"}})"));
}

TEST(ServerDataEnvelope, InternalIsReadKeyByKeyAndWrittenWithBooleans)
{
    auto record = CCAbstractServerData::serverDataFromJSONData(
        R"({"meta":{"type":"nullpost"},"internal":{"pri":7}})");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fetchPriority(), 7);
    EXPECT_EQ(record->url(), "");
    EXPECT_FALSE(record->doNotCache());
    // Without a URL "internal" is left out.
    EXPECT_FALSE(parse(*record->JSONRepresentationWithInternal(true)).contains("internal"));

    for (bool nocache : {true, false}) {
        record->setUrl("https://svc.test/lite/a");
        record->setDoNotCacheOverride(nocache);
        const std::string text = *record->JSONRepresentationWithInternal(true);
        EXPECT_NE(text.find(nocache ? "\"nocache\":true" : "\"nocache\":false"), std::string::npos) << text;
        auto back = CCAbstractServerData::serverDataFromJSONData(text);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->url(), "https://svc.test/lite/a");
        EXPECT_EQ(back->doNotCache(), nocache);
        EXPECT_EQ(back->fetchPriority(), 7);
        EXPECT_FALSE(parse(*record->JSONRepresentation()).contains("internal"));
    }
}

TEST(ServerDataEnvelope, UnreadableTextRaisesNoInit)
{
    const std::vector<std::pair<std::optional<std::string_view>, std::string>> rows = {
        {std::nullopt, "No data supplied to initFromJSONData"},
        {"", "No data supplied to initFromJSONData"},
        {"{", "Unable to decode data"},
        {"[1,2]", "Unable to decode data"},
        {"\"meta\"", "Unable to decode data"},
        {"{\"meta\":{\"type\":\"token\"}} x", "Unable to decode data"},
    };
    for (const auto& [text, reason] : rows) EXPECT_EQ(noInitReason(text), reason) << text.value_or("(null)");
}

TEST(ServerDataEnvelope, TimestampIsWrittenAsWholeSixtyFourBitSeconds)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::pair<double, std::string>> rows = {
        {1700000000.75, "1700000000"},
        {2147483649.0, "2147483649"},
        {4102444800.0, "4102444800"},
        {-1.5, "-1"},
        {1e300, "9223372036854775807"},
        {-1e300, "-9223372036854775808"},
        {nan, "0"},
    };
    for (const auto& [seconds, digits] : rows) {
        CCNullPost record;
        record.setTimeStamp(seconds);
        const std::string text = *record.JSONRepresentation();
        EXPECT_NE(text.find("\"timestamp\":" + digits + "}"), std::string::npos) << seconds << " " << text;
    }
    // A page made to be fetched has no time yet and carries its summed priority.
    CCUIDescription page("https://svc.test/lite/p", 100, 5);
    const Value written = parse(*page.JSONRepresentationWithInternal(true));
    EXPECT_EQ(written["meta"]["timestamp"], Value::int64(0));
    EXPECT_EQ(written["internal"]["pri"].asInt(), 105);
    EXPECT_EQ(CCUIDescription("u", std::numeric_limits<int>::max(), 100).fetchPriority(),
              std::numeric_limits<int>::max());
}

TEST(ServerDataEnvelope, WrongKindsReadAsAbsent)
{
    struct Row {
        const char* text;
        bool givesRecord;
    };
    const Row nil[] = {
        {R"({"meta":5})", false},
        {R"({"meta":{"type":7}})", false},
        {R"({"meta":[{"type":"token"}]})", false},
    };
    for (const Row& row : nil) EXPECT_FALSE(CCAbstractServerData::serverDataFromJSONData(row.text)) << row.text;

    auto record = CCAbstractServerData::serverDataFromJSONData(
        R"({"meta":{"type":"uidesc","timestamp":"12abc"},"internal":{"pri":[],"nocache":"x","url":3},"data":[1]})");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->timeStamp(), 12.0);
    EXPECT_EQ(record->fetchPriority(), 10000);
    EXPECT_FALSE(record->doNotCache());
    EXPECT_EQ(record->url(), "");
    EXPECT_EQ(record->mainData(), Value::array({1}));
    EXPECT_TRUE(record->dataAvailable());

    auto scalarData = CCAbstractServerData::serverDataFromJSONData(R"({"meta":{"type":"token"},"data":"text"})");
    ASSERT_TRUE(scalarData);
    EXPECT_FALSE(scalarData->dataAvailable());
}

TEST(ServerDataEnvelope, RefusedValueGivesNullAndOneLogLine)
{
    CCNullPost record;
    record.setMainData(Value::dictionary({{"when", Value::date(3)}}));
    ScopedLogCapture log;
    EXPECT_FALSE(record.JSONRepresentation());
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(ServerDataEnvelope, EqualityFollowsTheData)
{
    CCNullPost a("https://svc.test/a"), b("https://svc.test/b");
    EXPECT_FALSE(a.isEqual(&b));
    EXPECT_TRUE(a.isEqual(&a));
    a.setMainData(Value::dictionary({{"k", 1}}));
    b.setMainData(Value::dictionary({{"k", 1}}));
    EXPECT_TRUE(a.isEqual(&b));
    b.setMainData(Value::dictionary({{"k", 2}}));
    EXPECT_FALSE(a.isEqual(&b));

    a.setFetchPriority(3);
    b.setFetchPriority(4);
    EXPECT_EQ(a.fetchComparator(b), -1);
    EXPECT_EQ(b.fetchComparator(a), 1);
    EXPECT_EQ(a.fetchComparator(a), 0);
}

std::vector<uint8_t> tinyPNG()
{
    const std::vector<uint8_t> rgba(4 * 4 * 4, 0x80);
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(codecs::encodePNG(rgba.data(), 4, 4, 4, out, error)) << error;
    return out;
}

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

TEST(ServerDataUpdate, ReceivedBytesGiveTheRecordTheyDescribe)
{
    auto image = makeRef<CCImageData>("https://cdn.test/b.png");
    image->setReceivedData(tinyPNG());
    EXPECT_EQ(image->serverDataFromUpdatedData().get(), image.get());
    ASSERT_TRUE(image->image());
    EXPECT_EQ(image->image()->width(), 4);

    auto page = makeRef<CCUIDescription>("https://svc.test/lite/p", 1, 0);
    page->setReceivedData(bytesOf(
        R"({"meta":{"type":"playerdata"},"internal":{"url":"https://elsewhere.test/"},"data":{"badge":2}})"));
    auto updated = page->serverDataFromUpdatedData();
    ASSERT_TRUE(updated);
    EXPECT_EQ(updated->className(), "CCPlayerData");
    EXPECT_EQ(updated->url(), "https://svc.test/lite/p");

    ScopedLogCapture quiet;
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>{0xFF, 0xFE, '{', '}'}, bytesOf("not json"), bytesOf(R"({"data":{}})")}) {
        page->setReceivedData(bytes);
        EXPECT_EQ(page->serverDataFromUpdatedData().get(), page.get());
        EXPECT_EQ(page->url(), "https://svc.test/lite/p");
    }
}

TEST(ServerDataImage, DecodesOnlyPictures)
{
    std::vector<uint8_t> jpeg;
    std::string error;
    const std::vector<uint8_t> rgb(8 * 8 * 3, 0x40);
    ASSERT_TRUE(codecs::encodeJPEG(rgb.data(), 8, 8, 90, jpeg, error)) << error;
    std::vector<uint8_t> truncated = tinyPNG();
    truncated.resize(truncated.size() / 2);
    std::vector<uint8_t> noise(300);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 131 + 7);

    const std::vector<std::pair<std::vector<uint8_t>, bool>> rows = {
        {tinyPNG(), true}, {jpeg, true}, {truncated, false}, {noise, false}, {{}, false}};
    ScopedLogCapture quiet;
    for (const auto& [bytes, decodes] : rows) {
        CCImageData record("https://cdn.test/i");
        record.setReceivedData(bytes);
        Ref<Image> first = record.imageDataAsUIImage();
        EXPECT_EQ(bool(first), decodes) << bytes.size();
        EXPECT_EQ(record.imageDataAsUIImage().get(), first.get()); // decoded once
    }
}

TEST(ServerDataKinds, DeviceTokenPostsLowerCaseHex)
{
    std::vector<uint8_t> token(32);
    for (size_t i = 0; i < token.size(); ++i) token[i] = uint8_t(i);
    CCDeviceToken record(token);
    ASSERT_TRUE(record.postData());
    EXPECT_EQ(std::string(record.postData()->begin(), record.postData()->end()),
              "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    EXPECT_TRUE(record.doNotCache());
    EXPECT_EQ(record.dataType(), 4);
}

TEST(ServerDataKinds, SmallKindsReadTheirKeys)
{
    CCCloudStoreSaveData save;
    EXPECT_TRUE(save.keys().isNull());
    save.setMainData(parse(R"({"saves":["a"],"currentUserId":"u1","currentUserFriendCode":"F"})"));
    EXPECT_EQ(save.keys(), Value::array({"a"}));
    EXPECT_EQ(save.currentUserId(), Value("u1"));
    EXPECT_EQ(save.currentUserFriendCode(), Value("F"));

    CCCloudStoreSummaryData summary;
    summary.setMainData(parse(R"({"summaries":[1],"userIsLocked":true,"currentUserId":"u","currentUserFriendCode":"c"})"));
    EXPECT_EQ(summary.summaryItems(), Value::array({1}));
    EXPECT_EQ(summary.userIsLocked(), Value(true));
    EXPECT_EQ(summary.currentUserId(), Value("u"));
    EXPECT_EQ(summary.currentUserFriendCode(), Value("c"));
    EXPECT_TRUE(CCCloudStoreSummaryData().userIsLocked().isNull());

    CCMessageListData messages;
    messages.setMainData(parse(R"({"messages":[{"id":1}]})"));
    EXPECT_EQ(messages.messages().size(), 1u);
    messages.setMainData(parse(R"([{"messages":1}])"));
    EXPECT_TRUE(messages.messages().isNull());

    const std::vector<std::pair<std::string, int>> ratings = {
        {"{}", 0}, {R"({"socialRating":7})", 7}, {R"({"socialRating":"12"})", 12},
        {R"({"socialRating":1e300})", std::numeric_limits<int>::max()}, {R"({"socialRating":[3]})", 0},
        {R"({"socialRating":2.9})", 2}};
    for (const auto& [text, rating] : ratings) {
        CCSocialPlayerData social;
        social.setMainData(parse(text));
        EXPECT_EQ(social.socialRating(), rating) << text;
    }
    CCSocialPlayerData social;
    social.setMainData(parse(R"({"friends":["f"],"userId":"me"})"));
    EXPECT_EQ(social.friends(), Value::array({"f"}));
    EXPECT_EQ(social.userId(), Value("me"));

    CCSocialNeighboursData neighbours;
    neighbours.setMainData(parse(R"({"neighbours":[1],"otherUsers":[2]})"));
    EXPECT_EQ(neighbours.neighbours(), Value::array({1}));
    EXPECT_EQ(neighbours.otherUsers(), Value::array({2}));
    EXPECT_TRUE(CCSocialNeighboursData().otherUsers().isNull());

    CCConfigurationData config("https://svc.test/config");
    EXPECT_EQ(config.dataType(), 12);
    EXPECT_TRUE(config.configName().isNull());
    config.prepareForPost();
    EXPECT_EQ(config.mainData(), Value::dictionary());
    config.setMainData(parse(R"({"name":"default","type":"json","configuration":"{}"})"));
    EXPECT_EQ(config.configName(), Value("default"));
    EXPECT_EQ(config.configDataType(), Value("json"));
    EXPECT_EQ(config.configData(), Value("{}"));
}

// ---- archives ----

Ref<CCAbstractServerData> roundTrip(const CCAbstractServerData& record)
{
    std::string error;
    const std::vector<uint8_t> bytes = archivedDataWithRootObject(&record, &error);
    EXPECT_FALSE(bytes.empty()) << error;
    return dynamicRef<CCAbstractServerData>(unarchiveObjectWithData(bytes, &error));
}

TEST(ServerDataArchive, EveryKindReadsBackEqual)
{
    for (int type = 1; type <= CCAbstractServerData::kLastDataType; ++type) {
        Ref<CCAbstractServerData> record = CCAbstractServerData::recordForDataType(type);
        record->setUrl("https://svc.test/lite/" + std::to_string(type));
        record->setFetchPriority(type * 3);
        record->setDoNotCacheOverride(type % 2 == 0);
        record->setTimeStamp(1700000000.9);
        record->setMainData(Value::dictionary({{"n", type}, {"s", "text"}}));
        Ref<CCAbstractServerData> back = roundTrip(*record);
        ASSERT_TRUE(back) << type;
        EXPECT_EQ(back->className(), record->className());
        EXPECT_EQ(back->dataType(), type);
        EXPECT_EQ(back->url(), record->url());
        EXPECT_EQ(back->fetchPriority(), type * 3);
        EXPECT_EQ(back->doNotCache(), type % 2 == 0);
        EXPECT_EQ(back->timeStamp(), 1700000000.0);
        EXPECT_TRUE(back->isEqual(record.get()));
    }
}

// An id or an amount from the server keeps every digit through the cache
// (the record's archive) and into a post body (its JSON, where each number
// is its decimal's own text).
TEST(ServerDataArchive, NumbersKeepEveryDigitThroughCacheAndPost)
{
    const std::string data = R"({"id":123456789012345678901234567890,"big":9007199254740993,)"
                             R"("amount":-0.5E+3,"price":19.990,"huge":1E400,"tiny":1e-400})";
    const std::string written = R"({"id":123456789012345678901234567890,"big":9007199254740993,)"
                                R"("amount":-500,"price":19.99,"huge":1E+400,"tiny":1E-400})";
    Ref<CCAbstractServerData> record = CCAbstractServerData::serverDataFromJSONData(
        R"({"meta":{"type":"uidesc","timestamp":1700000000},"data":)" + data + "}");
    ASSERT_TRUE(record);
    record->setUrl("https://svc.test/lite/p");
    Ref<CCAbstractServerData> cached = roundTrip(*record);
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->mainData()["big"].asInt64(), 9007199254740993);
    for (const Ref<CCAbstractServerData>& copy : {record, cached}) {
        const std::string text = *copy->JSONRepresentation();
        EXPECT_NE(text.find("\"data\":" + written), std::string::npos) << text;
    }
}

TEST(ServerDataArchive, ImageBytesOnlyForADecodedImageAndPostBytesAlways)
{
    CCImageData decoded("https://cdn.test/a.png"), undecoded("https://cdn.test/b.png");
    decoded.setReceivedData(tinyPNG());
    decoded.convertToImageDataIfAble();
    undecoded.setReceivedData({1, 2, 3});
    auto decodedBack = roundTrip(decoded);
    auto undecodedBack = roundTrip(undecoded);
    ASSERT_TRUE(decodedBack && undecodedBack);
    EXPECT_TRUE(decodedBack->image());
    EXPECT_EQ(decodedBack->receivedData(), tinyPNG());
    EXPECT_FALSE(undecodedBack->image());
    EXPECT_TRUE(undecodedBack->receivedData().empty());

    CCPlayerData player("https://svc.test/lite/player");
    ASSERT_TRUE(player.setGoods(Value::array({"sword"})));
    auto playerBack = roundTrip(player);
    ASSERT_TRUE(playerBack && playerBack->postData());
    EXPECT_EQ(*playerBack->postData(), *player.postData());

    // The key names; an archive made without the post key reads as before.
    KeyedArchiver coder;
    decoded.encodeWithCoder(coder);
    player.encodeWithCoder(coder);
    const Value top = coder.archiveValue()["$top"];
    std::vector<std::string> keys;
    for (const auto& entry : top.asDict()) keys.push_back(entry.first);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"CCAbstractServerData", "CCAbstractServerData_image",
                                              "CCAbstractServerData_post"}));

    KeyedArchiver older;
    older.encodeString("CCAbstractServerData", *player.JSONRepresentationWithInternal(true));
    CCPlayerData olderBack;
    KeyedUnarchiver reader(older.encodedData());
    EXPECT_TRUE(olderBack.initWithCoder(reader));
    EXPECT_FALSE(olderBack.postData());
    EXPECT_EQ(olderBack.goods(), Value::array({"sword"}));
    EXPECT_EQ(olderBack.url(), "https://svc.test/lite/player");
}

TEST(ServerDataArchive, UnreadableEnvelopeGivesAnEmptyRecord)
{
    ScopedLogCapture quiet;
    for (const Value& envelope : {Value("{\"data\":{}}"), Value("garbage"), Value(Value::Bytes{1, 2}), Value(5)}) {
        KeyedArchiver coder;
        coder.encodeValue("CCAbstractServerData", envelope);
        CCNullPost record;
        KeyedUnarchiver reader(coder.encodedData());
        EXPECT_TRUE(record.initWithCoder(reader));
        EXPECT_FALSE(record.dataAvailable());
        EXPECT_EQ(record.url(), "");
    }
}

} // namespace
} // namespace mw
