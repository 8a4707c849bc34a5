#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "foundation/Log.h"
#include "foundation/UserDefaults.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "tests/game/state/GameStateTestSupport.h"

namespace mw {
namespace {

using test::GameStateScope;
using test::RecordingLedger;

class ProfileTest : public ::testing::Test {
protected:
    Profile& profile() { return *Profile::sharedInstance(); }

    // A kind that turns every `threshold` tiles into one unit of `resource`.
    Collectible& addKind(int32_t id, int32_t threshold, int32_t resource)
    {
        Ref<Collectible> kind = makeRef<Collectible>();
        kind->ID = id;
        kind->nextResourceCount = threshold;
        kind->nextResource = resource;
        profile().collectibleDict[id] = kind;
        return *kind;
    }

    UpgradeItem& addUpgrade(int32_t id, int32_t type)
    {
        Ref<UpgradeItem> upgrade = makeRef<UpgradeItem>();
        upgrade->ID = id;
        upgrade->Type = type;
        profile().UpgradesDict[id] = upgrade;
        return *upgrade;
    }

    GameStateScope scope;
};

TEST_F(ProfileTest, AFreshProfileHoldsTheDefaultsOfANewProcess)
{
    Profile& p = profile();
    EXPECT_EQ(p.VillageName, "MyVille");
    EXPECT_EQ(p.CityLevel, 1);
    EXPECT_EQ(p.BonusCoinGold, 200);
    EXPECT_EQ(p.GoldCount, 0);
    EXPECT_FALSE(p.Loaded);
    EXPECT_FALSE(p.ConfigLoaded);
    EXPECT_EQ(p.ResourceCountArray, std::vector<int32_t>(25, 0));
    EXPECT_EQ(p.CollectibleCountArray, std::vector<int32_t>(25, 0));
    EXPECT_EQ(p.UpgradesCountArray, std::vector<int32_t>(144, 0));
    EXPECT_EQ(p.UpgradesSeenArray, std::vector<bool>(144, false));
    ASSERT_EQ(p.EnumNames.size(), 143u);
    EXPECT_EQ(p.EnumNames[88 - 1], "B_SETTLEMENT");
    EXPECT_EQ(p.EnumNames[98 - 1], "TOOL_LUNCHBOX");
    EXPECT_EQ(p.EnumNames[143 - 1], "TOOL_UPGRADE_19");
    ASSERT_EQ(p.EnumResNames.size(), 24u);
    EXPECT_EQ(p.EnumResNames[17 - 1], "PEOPEL");
    EXPECT_EQ(p.EnumResNames[24 - 1], "MONEY_6");
    EXPECT_EQ(p.GetCollectible(1), nullptr);
    EXPECT_EQ(p.GetUpgrade(88), nullptr);

    // "Loaded" comes from the user defaults; a purge gives a fresh profile.
    p.GoldCount = 500;
    UserDefaults::standardUserDefaults().setBool("Loaded", true);
    Profile::purgeSharedInstance();
    EXPECT_TRUE(profile().Loaded);
    EXPECT_EQ(profile().GoldCount, 0);
}

TEST_F(ProfileTest, CollectedTilesTurnIntoResourcesAtTheirThreshold)
{
    struct Case {
        int32_t threshold;
        int32_t held;
        int32_t added;
        int32_t heldAfter;
        int32_t units;
    };
    const Case cases[] = {
        {5, 3, 9, 2, 2},  // 12 tiles: two units, two left
        {0, 3, 9, 12, 0}, // a kind that makes no resource keeps every tile
        {5, 4, 0, 4, 0},  // below the threshold
        {5, 7, 0, 2, 1},  // 0 tiles converts what is held
        {5, 0, 15, 0, 3},
        {-3, 7, 2, 9, 0}, // a threshold pushed below 0 makes nothing
    };
    for (const Case& c : cases) {
        Profile::purgeSharedInstance();
        addKind(4, c.threshold, 10);
        profile().CollectibleCountArray[4] = c.held;
        profile().increaseCollectible(4, c.added);
        const std::string row = std::to_string(c.held) + " + " + std::to_string(c.added) + " at " +
                                std::to_string(c.threshold);
        EXPECT_EQ(profile().GetCollectibleCount(4), c.heldAfter) << row;
        EXPECT_EQ(profile().GetResourceCount(10), c.units) << row;
        EXPECT_EQ(profile().TotalResColl, c.units) << row;
    }
}

TEST_F(ProfileTest, SpendingCountsForEverythingButTheWorkers)
{
    struct Case {
        int32_t resource;
        int32_t by;
        int32_t spent;
    };
    for (const Case& c : {Case{17, -4, 0}, Case{3, -4, 4}, Case{3, 4, 0}}) {
        Profile::purgeSharedInstance();
        profile().SetResourceCount(c.resource, 10);
        profile().increaseResource(c.resource, c.by);
        EXPECT_EQ(profile().GetResourceCount(c.resource), 10 + c.by) << c.resource << " by " << c.by;
        EXPECT_EQ(profile().TotalResSpend, c.spent) << c.resource << " by " << c.by;
    }
}

TEST_F(ProfileTest, IdentifiersOutsideTheCountListsAreLoggedAndIgnored)
{
    Profile& p = profile();
    ScopedLogCapture log;
    p.increaseResource(25, 3);
    p.SetResourceCount(-1, 3);
    p.increaseCollectible(40, 1);
    p.increaseUpgradeCount(144, 1);
    p.SetObjectSeen(500);
    EXPECT_EQ(p.GetResourceCount(25), 0);
    EXPECT_EQ(p.GetUpgradeCount(144), 0);
    EXPECT_FALSE(p.WasObjectSeen(500));
    EXPECT_EQ(p.ResourceCountArray, std::vector<int32_t>(25, 0));
    EXPECT_EQ(p.UpgradesSeenArray, std::vector<bool>(144, false));
    EXPECT_TRUE(log.contains("Profile: resource 25 is outside 0..24; ignored"));
    EXPECT_TRUE(log.contains("Profile: upgrade 144 is outside 0..143; ignored"));
}

TEST_F(ProfileTest, ResourcesMadeFromTilesGrantTheirAchievements)
{
    struct Case {
        const char* name;
        int32_t resource;
        std::vector<int32_t> batches; // units made per conversion
        int32_t totalBefore;          // TotalResColl before the first batch
        std::vector<std::string> grants;
    };
    const Case cases[] = {
        {"70 soup at once", 1, {70}, 0, {"com.zandovar.mw.soupforall ACH_SOUP12 15"}},
        {"30 soup twice", 1, {30, 30}, 0, {"com.zandovar.mw.soupforall ACH_SOUP12 15"}},
        {"59 soup", 1, {59}, 0, {}},
        {"one coal cart", 11, {1}, 0, {"com.zandovar.mw.firstcartload ACH_COALCART1 5"}},
        {"ten rubble piles", 16, {4, 6}, 0, {"com.zandovar.mw.ontherocks ACH_RUMBLEPILE 10"}},
        {"three herds", 6, {3, 5}, 0, {"com.zandovar.mw.moo ACH_COWHEARD 15"}},
        {"bread below 2000 in all", 3, {5}, 1990, {}},
        {"bread reaching 2000", 3, {5, 5}, 1994, {"com.zandovar.mw.hoarder ACH_RES1000 15"}},
        {"soup past 2000 is not hoarding", 1, {5}, 2500, {}},
    };
    for (const Case& c : cases) {
        Profile::purgeSharedInstance();
        RecordingLedger ledger;
        addKind(2, 1, c.resource);
        profile().TotalResColl = c.totalBefore;
        for (int32_t units : c.batches) profile().increaseCollectible(2, units);
        EXPECT_EQ(ledger.grants, c.grants) << c.name;
    }
}

TEST_F(ProfileTest, OwningCertainBuildingsGrantsTheirAchievements)
{
    struct Case {
        int32_t upgrade;
        int32_t type;
        std::vector<std::string> grants;
    };
    const Case cases[] = {
        {27, 2, {"com.zandovar.mw.downtown ACH_TOWNHALL 15"}},
        {38, 2, {"com.zandovar.mw.kinginmycastle ACH_CASTLE 25"}},
        {101, 2, {"com.zandovar.mw.settler ACH_SETTLE 5"}},
        {27, 3, {}}, // counts only as a building
        {28, 2, {}},
    };
    for (const Case& c : cases) {
        Profile::purgeSharedInstance();
        RecordingLedger ledger;
        addUpgrade(c.upgrade, c.type);
        profile().increaseUpgradeCount(c.upgrade, 1);
        profile().increaseUpgradeCount(c.upgrade, 1); // granted once
        EXPECT_EQ(ledger.grants, c.grants) << c.upgrade << " of type " << c.type;
        EXPECT_EQ(profile().GetUpgradeCount(c.upgrade), 2);
    }
}

TEST_F(ProfileTest, ExperienceGoesToItsPoolAndRaisesTheLevelOnceACall)
{
    struct Step {
        float amount;
        bool gameplay;
        bool stage;
        int32_t level;
        float experience;
        float lastStep;
        float step;
        int32_t points;
        float stageExp;
        float temp;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> levelUps;
    };
    const Case cases[] = {
        {"level by level",
         {{120, false, false, 2, 120, 100, 250, 120, 0, 0},
          {200, false, false, 3, 320, 100, 250, 320, 0, 0},
          {50, false, false, 3, 370, 100, 250, 320, 0, 0}},
         {"Level 2", "Level 3"}},
        {"a large amount",
         {{500, false, false, 2, 500, 100, 250, 500, 0, 0}, {0, false, false, 3, 500, 100, 250, 500, 0, 0}},
         {"Level 2", "Level 3"}},
        {"the pools",
         {{7, true, true, 1, 0, 0, 100, 0, 7, 0},
          {5, false, true, 1, 0, 0, 100, 0, 12, 0},
          {9, true, false, 1, 0, 0, 100, 0, 12, 9},
          {99.5f, false, false, 1, 99.5f, 0, 100, 99, 12, 9}},
         {}},
    };
    for (const Case& c : cases) {
        Profile::purgeSharedInstance();
        TallyAnalytics::clearRecordedEvents();
        Profile& p = profile();
        p.LevelsArray = {0, 100, 250};
        p.PlayerLevel = 1;
        p.LastExperienceStep = 0;
        p.ExperienceStep = 100;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            p.AddExp(s.amount, s.gameplay, s.stage);
            const std::string row = std::string(c.name) + ", step " + std::to_string(i);
            EXPECT_EQ(p.PlayerLevel, s.level) << row;
            EXPECT_EQ(p.Experience, s.experience) << row;
            EXPECT_EQ(p.LastExperienceStep, s.lastStep) << row;
            EXPECT_EQ(p.ExperienceStep, s.step) << row;
            EXPECT_EQ(p.Points, s.points) << row;
            EXPECT_EQ(p.StageExp, s.stageExp) << row;
            EXPECT_EQ(p.TempExperience, s.temp) << row;
        }
        std::vector<std::string> levelUps;
        for (const TallyAnalytics::Event& event : TallyAnalytics::recordedEvents()) {
            EXPECT_EQ(event.name, "Level Up!");
            levelUps.push_back(event.parameters.at("Level Up!"));
        }
        EXPECT_EQ(levelUps, c.levelUps) << c.name;
    }
}

TEST_F(ProfileTest, OffersFollowPriorityVisibilityAndOwnership)
{
    DataParser parser;
    ASSERT_TRUE(parser.parseData(test::gameDataFixturePath()));
    Profile& p = profile();
    ASSERT_EQ(p.WorkersDict, (std::vector<int32_t>{9, 11}));

    // A worker hired up to its maximum sorts behind one that can still be hired (5 + 2000 > 1500).
    p.increaseUpgradeCount(9, 1);
    // A building at its maximum is finished and leaves the offers for good.
    p.increaseUpgradeCount(27, 2);
    // A tool stays offered however many are owned.
    p.increaseUpgradeCount(24, 500);
    // A hidden building is offered once revealed.
    p.GetUpgrade(18)->isHidden = false;
    p.RegenerateBuyIndexes();
    EXPECT_EQ(p.WorkersDict, (std::vector<int32_t>{11, 9}));
    EXPECT_EQ(p.BuildingsDict, std::vector<int32_t>{18});
    EXPECT_TRUE(p.GetUpgrade(27)->DoneWithThat);
    EXPECT_EQ(p.ToolsDict, std::vector<int32_t>{24});
    EXPECT_EQ(p.BuildingCount, 1);
    EXPECT_EQ(p.WorkersCount, 2);

    p.increaseUpgradeCount(27, -2);
    p.RegenerateBuyIndexes();
    EXPECT_EQ(p.BuildingsDict, std::vector<int32_t>{18}) << "a finished building is not offered again";

    // Equal keys keep ascending identifier order.
    p.GetUpgrade(11)->Priority = 5;
    p.SetObjectNotSeen(9);
    p.increaseUpgradeCount(9, -1);
    p.RegenerateBuyIndexes();
    EXPECT_EQ(p.WorkersDict, (std::vector<int32_t>{9, 11}));

    // New-item badges count over the offer lists.
    p.SetObjectSeen(11);
    p.SetObjectSeen(18);
    p.SetObjectSeen(24);
    p.SetObjectSeen(30);
    EXPECT_EQ(p.GetNotSeenCount(), 4);
    EXPECT_EQ(p.GetNotSeenCountWorkers(), 1);
    EXPECT_EQ(p.GetNotSeenCountBuildings(), 1);
    EXPECT_EQ(p.GetNotSeenCountTools(), 1);
    p.SetObjectNotSeen(24);
    EXPECT_EQ(p.GetNotSeenCountTools(), 0);
}

TEST_F(ProfileTest, RecordsOfAModeComeInIdentifierOrder)
{
    DataParser parser;
    ASSERT_TRUE(parser.parseData(test::gameDataFixturePath()));
    auto resourceIds = [this](int32_t mode) {
        std::vector<int32_t> ids;
        for (const Ref<Resource>& resource : profile().GetResourcesForMode(mode)) ids.push_back(resource->ID);
        return ids;
    };
    auto kindIds = [this](int32_t mode) {
        std::vector<int32_t> ids;
        for (const Ref<Collectible>& kind : profile().GetCollectiblesForMode(mode)) ids.push_back(kind->ID);
        return ids;
    };
    EXPECT_EQ(resourceIds(0), (std::vector<int32_t>{9, 14, 16}));
    EXPECT_EQ(resourceIds(1), (std::vector<int32_t>{1, 15}));
    EXPECT_TRUE(resourceIds(2).empty());
    EXPECT_EQ(kindIds(0), (std::vector<int32_t>{1, 2, 24}));
    EXPECT_EQ(kindIds(1), (std::vector<int32_t>{10, 17}));
    EXPECT_TRUE(kindIds(-1).empty());
    EXPECT_TRUE(profile().IsConstAnimCollectible(10));
    EXPECT_FALSE(profile().IsConstAnimCollectible(99));
}

} // namespace
} // namespace mw
