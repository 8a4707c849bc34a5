#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/state/UpgradeAction.h"
#include "tests/game/state/GameStateTestSupport.h"

namespace mw {
namespace {

using test::GameStateScope;

// Everything an effect may change, as one comparable text: the records of
// the tables and the profile's fields that effects touch.
std::string snapshot(const Profile& p)
{
    std::string text;
    auto add = [&text](const Archivable& record) {
        const std::vector<uint8_t> bytes = archivedDataWithRootObject(&record);
        text.append(bytes.begin(), bytes.end());
    };
    for (const auto& [id, kind] : p.collectibleDict) add(*kind);
    for (const auto& [id, upgrade] : p.UpgradesDict) add(*upgrade);
    for (int32_t count : p.ResourceCountArray) text += std::to_string(count) + ",";
    for (int32_t count : p.CollectibleCountArray) text += std::to_string(count) + ",";
    for (bool newlyAvailable : p.UpgradesSeenArray) text += newlyAvailable ? "1" : "0";
    for (double field :
         {double(p.WolfJumpProbability), double(p.RatJumpProbability), double(p.MovesPerFood),
          double(p.MaxMineMoves), double(p.stepsToChangeSeason), double(p.TaxTimeH), double(p.TaxTimeM),
          double(p.TaxTimeS), double(p.TotalResSpend), double(p.TotalResColl), double(p.CanShowNextCollMine),
          double(p.CanShowNextCollField)}) {
        text += std::to_string(field) + ",";
    }
    return text;
}

struct EffectCase {
    const char* name;
    int32_t kind;
    int32_t value1 = 0;
    int32_t value2 = 0;
    int32_t idAction = 0;
    float probability = 0; // the mine weight change; the seasons get fixed changes below
    std::function<void(Profile&)> before = nullptr;
    // Checks the change; null means nothing may change.
    std::function<void(Profile&)> after = nullptr;
};

// Test lists show a case by its name, not its bytes.
void PrintTo(const EffectCase& c, std::ostream* out) { *out << c.name << " (kind " << c.kind << ")"; }

// The fixture's records, changed by one effect run without a board.
class UpgradeEffectTest : public ::testing::TestWithParam<EffectCase> {
protected:
    void SetUp() override
    {
        DataParser parser;
        ASSERT_TRUE(parser.parseData(test::gameDataFixturePath()));
    }
    GameStateScope scope;
};

TEST_P(UpgradeEffectTest, ChangesTheProfileOrATileKind)
{
    const EffectCase& c = GetParam();
    Profile& p = *Profile::sharedInstance();
    if (c.before) c.before(p);
    const std::string unchanged = snapshot(p);

    Ref<UpgradeAction> action = makeRef<UpgradeAction>();
    action->ID = c.kind;
    action->Value1 = c.value1;
    action->Value2 = c.value2;
    action->IDAction = c.idAction;
    action->Probability = c.probability;
    action->ProbSpring = 10;
    action->ProbSummer = -10;
    action->ProbAutumn = 200;
    action->ProbWinter = 0.5f;
    action->RunAction(nullptr);

    if (c.after) {
        c.after(p);
        EXPECT_NE(snapshot(p), unchanged) << "the effect changed nothing";
    } else {
        EXPECT_EQ(snapshot(p), unchanged);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UpgradeEffectTest,
    ::testing::Values(
        EffectCase{"reward threshold", 0, 3, 0, 1, 0, nullptr,
                   [](Profile& p) { EXPECT_EQ(p.GetCollectible(1)->nextCollectibleCount, 13); }},
        EffectCase{"reward threshold of no kind", 0, 3, 0, 5},
        EffectCase{"resource threshold converts at once", 1, -5, 0, 14, 0,
                   [](Profile& p) {
                       p.GetCollectible(1)->nextResourceCount = 10;
                       p.CollectibleCountArray[1] = 7;
                   },
                   [](Profile& p) {
                       EXPECT_EQ(p.GetCollectible(1)->nextResourceCount, 5);
                       EXPECT_EQ(p.GetCollectibleCount(1), 2);
                       EXPECT_EQ(p.GetResourceCount(14), 1);
                   }},
        EffectCase{"resource threshold of a kind at the top", 1, 1, 0, 9, 0, nullptr,
                   [](Profile& p) { EXPECT_EQ(p.GetCollectible(24)->nextResourceCount, 2); }},
        EffectCase{"resource threshold of no producer", 1, 1, 0, 3},
        EffectCase{"spawn weights held to 0..100", 2, 0, 0, 1, 70, nullptr,
                   [](Profile& p) {
                       const Collectible* earth = p.GetCollectible(1);
                       EXPECT_EQ(earth->probability, 100.0f);
                       EXPECT_EQ(earth->probSpring, 10.0f);
                       EXPECT_EQ(earth->probSummer, 0.0f);
                       EXPECT_EQ(earth->probAutumn, 100.0f);
                       EXPECT_EQ(earth->probWinter, 0.5f);
                   }},
        EffectCase{"spawn weight lowered to 0", 2, 0, 0, 1, -90,
                   [](Profile& p) { p.GetCollectible(1)->probability = 50; },
                   [](Profile& p) { EXPECT_EQ(p.GetCollectible(1)->probability, 0.0f); }},
        EffectCase{"reveal a hidden upgrade", 3, 18, 0, 0, 0, nullptr,
                   [](Profile& p) {
                       EXPECT_FALSE(p.GetUpgrade(18)->isHidden);
                       EXPECT_TRUE(p.WasObjectSeen(18));
                   }},
        EffectCase{"reveal a visible upgrade", 3, 27},
        EffectCase{"collect tiles without a board", 4, 1},
        EffectCase{"kind 5", 5, 1, 1, 1},
        EffectCase{"join a group", 6, 1, 1, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_EQ(p.GetCollectible(1)->connGroups, std::vector<int32_t>{1}); }},
        EffectCase{"join a group of a kind without a list", 6, 1, 0, 0, 0,
                   [](Profile& p) { p.GetCollectible(1)->connGroups.reset(); },
                   [](Profile& p) { EXPECT_EQ(p.GetCollectible(1)->connGroups, std::vector<int32_t>{0}); }},
        EffectCase{"kind 7", 7, 1, 1, 1},
        EffectCase{"re-type tiles without a board", 8, 1, 2},
        EffectCase{"force a spawn without a board", 9, 1},
        EffectCase{"wolves held to 100", 10, 15, 0, 0, 0, [](Profile& p) { p.WolfJumpProbability = 90; },
                   [](Profile& p) { EXPECT_EQ(p.WolfJumpProbability, 100); }},
        EffectCase{"rabbits held to 0", 11, -30, 0, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_EQ(p.RatJumpProbability, 0); }},
        EffectCase{"moves per food", 12, 2, 0, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_EQ(p.MovesPerFood, 7); }},
        EffectCase{"mine moves cap", 13, 10, 0, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_EQ(p.MaxMineMoves, 40); }},
        EffectCase{"stock change", 14, 1, -1, 0, 0, nullptr,
                   [](Profile& p) {
                       EXPECT_EQ(p.GetResourceCount(1), 1);
                       EXPECT_EQ(p.TotalResSpend, 1);
                   }},
        EffectCase{"season length", 15, 2, 0, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_EQ(p.stepsToChangeSeason, 8); }},
        EffectCase{"minimum group", 16, 1, 2, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_EQ(p.GetCollectible(1)->minGroup, 5); }},
        EffectCase{"moves flag off for a value other than 1", 17, 1, 2, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_FALSE(p.GetCollectible(1)->MovesTime); }},
        EffectCase{"moves flag on", 17, 10, 1, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_TRUE(p.GetCollectible(10)->MovesTime); }},
        EffectCase{"kind 18", 18, 1, 1, 1},
        EffectCase{"tax period", 19, 0, 5430, 0, 0, nullptr,
                   [](Profile& p) {
                       EXPECT_EQ(p.TaxTimeH, 2.0f);
                       EXPECT_EQ(p.TaxTimeM, 60.0f);
                       EXPECT_EQ(p.TaxTimeS, 45.0f);
                   }},
        EffectCase{"level and priority", 20, 27, 3, 0, 0, nullptr,
                   [](Profile& p) {
                       EXPECT_EQ(p.GetUpgrade(27)->ReqLevel, 5);
                       EXPECT_EQ(p.GetUpgrade(27)->Priority, 23);
                   }},
        EffectCase{"level and priority of no upgrade", 20, 99, 3},
        EffectCase{"kind 21", 21, 1, 1, 1},
        EffectCase{"mine hint", 22, 0, 0, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_TRUE(p.CanShowNextCollMine); }},
        EffectCase{"field hint", 23, 0, 0, 0, 0, nullptr,
                   [](Profile& p) { EXPECT_TRUE(p.CanShowNextCollField); }},
        EffectCase{"unknown kind", 24, 1, 1, 1},
        EffectCase{"negative kind", -1, 1, 1, 1}),
    [](const ::testing::TestParamInfo<EffectCase>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

} // namespace
} // namespace mw
