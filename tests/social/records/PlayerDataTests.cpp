#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"

namespace mw {
namespace {

CCPlayerData playerWith(const std::string& data)
{
    CCPlayerData player("https://svc.test/lite/player");
    if (!data.empty()) player.setMainData(JSONValue(data).value_or(Value()));
    return player;
}

// One accessor read as text, so one table covers every key.
struct Row {
    const char* data;
    std::function<std::string(const CCPlayerData&)> read;
    std::string expected;
};

std::string text(const Value& value) { return value.isNull() ? "nil" : *JSONFragment(value); }
std::string flag(bool on) { return on ? "YES" : "NO"; }

TEST(PlayerData, EveryKeyAbsentTypicalAndOfTheWrongKind)
{
    auto alias = [](const CCPlayerData& p) { return text(p.lumoraAlias()); };
    auto user = [](const CCPlayerData& p) { return flag(p.lumoraUser()); };
    auto facebook = [](const CCPlayerData& p) { return flag(p.facebookUser()); };
    auto twitter = [](const CCPlayerData& p) { return flag(p.twitterUser()); };
    auto friends = [](const CCPlayerData& p) { return std::to_string(p.lumoraFriends()); };
    auto gameFriends = [](const CCPlayerData& p) { return std::to_string(p.gameFriends()); };
    auto gifts = [](const CCPlayerData& p) { return text(p.gifts()); };
    auto giftsLeft = [](const CCPlayerData& p) { return text(p.giftsLeft()); };
    auto badge = [](const CCPlayerData& p) { return std::to_string(p.badge()); };
    auto playerId = [](const CCPlayerData& p) { return p.lumoraplayerid().value_or("nil"); };
    auto friendIds = [](const CCPlayerData& p) { return text(p.lumorafriendids()); };
    auto goods = [](const CCPlayerData& p) { return text(p.goods()); };
    auto balances = [](const CCPlayerData& p) { return text(p.balances()); };

    const std::vector<Row> rows = {
        {"{}", alias, "nil"},
        {R"({"lumorauser":"Moss"})", alias, "\"Moss\""},
        {"{}", user, "YES"},
        {R"({"guestuser":true})", user, "NO"},
        {R"({"guestuser":false})", user, "YES"},
        {R"({"guestuser":[true]})", user, "YES"},
        {"", user, "YES"},
        {"{}", facebook, "NO"},
        {R"({"facebookuser":true})", facebook, "YES"},
        {R"({"facebookuser":{}})", facebook, "NO"},
        {R"({"twitteruser":1})", twitter, "YES"},
        {R"({"twitteruser":"x"})", twitter, "NO"},
        {"{}", friends, "-1"},
        {R"({"lumorafriends":4})", friends, "4"},
        {R"({"lumorafriends":"9 friends"})", friends, "9"},
        {R"({"lumorafriends":[]})", friends, "-1"},
        {R"({"lumorafriends":1e20})", friends, std::to_string(std::numeric_limits<int>::max())},
        {"{}", gameFriends, "-1"},
        {R"({"gamefriends":2.8})", gameFriends, "2"},
        {R"({"gifts":[1,2]})", gifts, "[1,2]"},
        {"{}", giftsLeft, "nil"},
        {R"({"giftsLeft":3})", giftsLeft, "3"},
        {"{}", badge, "0"},
        {R"({"badge":5})", badge, "5"},
        {R"({"badge":{"n":5}})", badge, "0"},
        {"{}", playerId, "nil"},
        {R"({"lumoraplayerid":123456789012})", playerId, "123456789012"},
        {R"({"lumoraplayerid":"p-1"})", playerId, "p-1"},
        {R"({"lumoraplayerid":1.5})", playerId, "1.5"},
        {R"({"lumoraplayerid":true})", playerId, "1"},
        {R"({"lumoraplayerid":[1]})", playerId, "nil"},
        {R"({"lumorafriendids":["a"]})", friendIds, "[\"a\"]"},
        {"{}", goods, "nil"},
        {R"({"goods":[]})", goods, "nil"},
        {R"({"goods":"sword"})", goods, "nil"},
        {R"({"goods":["sword"]})", goods, "[\"sword\"]"},
        {R"({"balances":{}})", balances, "nil"},
        {R"({"balances":{"gold":3}})", balances, "{\"gold\":3}"},
        {"[1]", balances, "nil"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.read(playerWith(row.data)), row.expected) << row.data;
}

TEST(PlayerData, SettingACollectionPostsTheWholeMainData)
{
    CCPlayerData player = playerWith("");
    ASSERT_TRUE(player.setBalances(Value::dictionary({{"gold", 3}})));
    ASSERT_TRUE(player.postData());
    std::string posted(player.postData()->begin(), player.postData()->end());
    EXPECT_EQ(JSONValue(posted), Value::dictionary({{"balances", Value::dictionary({{"gold", 3}})}}));

    ASSERT_TRUE(player.setGoods(Value::array({"sword"})));
    posted.assign(player.postData()->begin(), player.postData()->end());
    EXPECT_EQ(JSONValue(posted), player.mainData());
    EXPECT_EQ(player.goods(), Value::array({"sword"}));
}

TEST(PlayerData, RefusedValueChangesNothingAndLogsOnce)
{
    CCPlayerData player = playerWith(R"({"badge":1})");
    ASSERT_TRUE(player.setGoods(Value::array({"a"})));
    const Value before = player.mainData();
    const auto postBefore = player.postData();
    ScopedLogCapture log;
    EXPECT_FALSE(player.setBalances(Value::array({Value::date(1)})));
    EXPECT_EQ(player.mainData(), before);
    EXPECT_EQ(player.postData(), postBefore);
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(PlayerData, MainDataThatIsNoObjectIsReplacedBeforeStoring)
{
    CCPlayerData player = playerWith("[1,2]");
    ScopedLogCapture log;
    ASSERT_TRUE(player.setGoods(Value::array({"a"})));
    EXPECT_EQ(player.mainData(), Value::dictionary({{"goods", Value::array({"a"})}}));
    EXPECT_EQ(log.lines().size(), 1u);
}

} // namespace
} // namespace mw
