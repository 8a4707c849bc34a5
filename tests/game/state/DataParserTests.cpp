#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/ValueObject.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/state/UpgradeAction.h"
#include "tests/game/state/GameStateTestSupport.h"

namespace mw {
namespace {

using test::GameStateScope;
using test::TempDir;

std::vector<int32_t> requiredUpgrades(const UpgradeItem& upgrade)
{
    std::vector<int32_t> identifiers;
    for (Object* item : *upgrade.ReqUpgrades) {
        identifiers.push_back(static_cast<ValueObject*>(item)->value().asInt());
    }
    return identifiers;
}

class DataParserTest : public ::testing::Test {
protected:
    GameStateScope scope;
    Profile* profile() { return Profile::sharedInstance(); }
};

TEST_F(DataParserTest, TheFixtureBecomesANewGame)
{
    DataParser parser;
    ASSERT_TRUE(parser.parseData(test::gameDataFixturePath()));
    Profile* p = profile();

    EXPECT_TRUE(p->ConfigLoaded);
    EXPECT_EQ(p->LevelsArray, (std::vector<int32_t>{0, 100, 250}));
    EXPECT_EQ(p->LevelsBonusArray, (std::vector<int32_t>{0, 50, 120}));
    EXPECT_EQ(p->LastExperienceStep, 0.0f);
    EXPECT_EQ(p->ExperienceStep, 100.0f);
    EXPECT_EQ(p->PlayerLevel, 1);
    EXPECT_EQ(p->CityLevel, 1);
    EXPECT_EQ(p->CurrentBuildingCount, 1);
    EXPECT_EQ(p->CurrentTaxes, 10);
    EXPECT_EQ(p->VillageName, "MyVille");

    // Settings.
    EXPECT_EQ(p->stepsToChangeSeason, 6);
    EXPECT_EQ(p->countryStepsForBar, 24);
    EXPECT_EQ(p->MaxMineMoves, 30);
    EXPECT_EQ(p->RatJumpProbability, 20);
    EXPECT_EQ(p->WolfJumpProbability, 15);
    EXPECT_EQ(p->MovesPerFood, 5);
    EXPECT_EQ((std::vector<int32_t>{p->MicroGoldCount1, p->MicroGoldCount2, p->MicroGoldCount3,
                                    p->MicroGoldCount4, p->MicroGoldCount5, p->MicroGoldCount6}),
              (std::vector<int32_t>{100, 250, 600, 1300, 3000, 8000}));
    EXPECT_EQ((std::vector<int32_t>{p->GoldLevel1, p->GoldLevel2, p->GoldLevel3, p->GoldLevel4, p->GoldLevel5,
                                    p->GoldLevel6}),
              (std::vector<int32_t>{10, 20, 35, 50, 75, 100}));
    EXPECT_EQ(p->TaxTimeH, 1.0f);
    EXPECT_EQ(p->TaxTimeM, 30.0f);
    EXPECT_EQ(p->TaxTimeS, 15.0f);
    EXPECT_EQ(p->MoreMineMovesPrice, 25);
    EXPECT_EQ(p->SaveFieldPrice, 40);
    EXPECT_EQ(p->ExtraMineMoves, 10);

    // Tutorial frames: the first "true" of the four kind flags decides; the
    // text must be exactly "true".
    TutorialFrameDef* frame = p->GetTutorialDef(10);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->LangID, "TUT_FIELD_START");
    EXPECT_EQ(frame->Icon, "icon_grain.png");
    EXPECT_EQ(frame->WorkerIcon, "farmer.png");
    EXPECT_EQ(frame->AdditionalNumber, 3);
    EXPECT_EQ(frame->RelationID, 13);
    EXPECT_EQ(frame->Type, 101);
    EXPECT_EQ(frame->bPlacements, (std::vector<bool>{false, true, false, false, false, true}));
    EXPECT_FALSE(frame->Done);
    EXPECT_TRUE(frame->ArrowAfter);
    ASSERT_TRUE(p->GetTutorialDef(11));
    EXPECT_EQ(p->GetTutorialDef(11)->Type, 102);
    EXPECT_EQ(p->GetTutorialDef(11)->bPlacements, std::vector<bool>(6, false));

    // Tile kinds.
    EXPECT_EQ(p->collectibleDict.size(), 5u);
    Collectible* earth = p->GetCollectible(1);
    ASSERT_TRUE(earth);
    EXPECT_EQ(earth->name, "earth");
    EXPECT_TRUE(earth->isMineAvailable);
    EXPECT_FALSE(earth->isFieldAvailable);
    EXPECT_EQ(earth->pngName, "earth");
    EXPECT_EQ(earth->nextCollectibleCount, 10);
    EXPECT_EQ(earth->nextCollectible, 2);
    EXPECT_EQ(earth->nextResourceCount, 5);
    EXPECT_EQ(earth->nextResource, 14);
    EXPECT_EQ(earth->minGroup, 3);
    EXPECT_EQ(earth->probability, 40.5f);
    EXPECT_TRUE(earth->MovesTime);
    EXPECT_FALSE(earth->isAnim);
    EXPECT_EQ(earth->Points, 2);
    EXPECT_EQ(earth->PointsColl, 1);
    EXPECT_EQ(earth->connGroups, std::vector<int32_t>());
    Collectible* grass = p->GetCollectible(10);
    ASSERT_TRUE(grass);
    EXPECT_EQ(grass->pngNameSpring, "grass_spring");
    EXPECT_EQ(grass->pngNameSummer, "grass");
    EXPECT_EQ(grass->pngNameAutumn, "grass_autumn");
    EXPECT_EQ(grass->pngNameWinter, "snow");
    EXPECT_EQ(grass->probSpring, 30.0f);
    EXPECT_EQ(grass->probSummer, 25.5f);
    EXPECT_EQ(grass->probAutumn, 20.0f);
    EXPECT_EQ(grass->probWinter, 10.0f);
    EXPECT_TRUE(grass->ConstAnim);
    EXPECT_EQ(grass->connGroups, (std::vector<int32_t>{1, 0}))
        << "WOLF_WOOD, RABBIT_GRASS; an unknown name adds nothing";
    EXPECT_EQ(p->GetCollectible(17)->connGroups, std::vector<int32_t>{0});
    EXPECT_TRUE(p->IsAnimCollectible(17));

    // Resources: 18 only adds to its stock; 19 and up are the gold packs.
    Resource* soup = p->GetResource(1);
    ASSERT_TRUE(soup);
    EXPECT_EQ(soup->Name, "SOUP");
    EXPECT_EQ(soup->PngName, "soup");
    EXPECT_EQ(soup->Value, 10);
    EXPECT_EQ(soup->ValueSell, 5);
    EXPECT_TRUE(soup->FieldAvailable);
    EXPECT_FALSE(soup->MineAvailable);
    EXPECT_TRUE(soup->GenerateFood);
    EXPECT_EQ(soup->Moves, 4);
    EXPECT_EQ(soup->AtStart, 2);
    EXPECT_EQ(soup->Points, 3);
    EXPECT_TRUE(p->GetResource(14)->SpecialRes);
    EXPECT_EQ(p->GetResourceCount(1), 2);
    EXPECT_EQ(p->GetResourceCount(17), 3);
    EXPECT_EQ(p->GetResourceCount(18), 7);
    EXPECT_EQ(p->GetResource(18), nullptr);
    EXPECT_EQ(p->GetMicroResource(18), nullptr);
    ASSERT_TRUE(p->GetMicroResource(19));
    EXPECT_TRUE(p->GetMicroResource(19)->MicroRes);
    EXPECT_FALSE(p->GetMicroResource(20)->MicroRes) << "\"TRUE\" is not \"true\"";
    EXPECT_EQ(p->GetResource(19), nullptr);

    // The producing tile kind of each resource, the highest identifier included.
    struct Producer {
        int32_t resource;
        int32_t kind;
    };
    for (const Producer& producer : {Producer{9, 24}, Producer{14, 1}, Producer{15, 10}, Producer{16, 2},
                                     Producer{1, 0}}) {
        EXPECT_EQ(p->GetResource(producer.resource)->CollectibleEnum, producer.kind)
            << "resource " << producer.resource;
    }

    // Upgrades.
    UpgradeItem* settlement = p->GetUpgrade(88);
    ASSERT_TRUE(settlement);
    EXPECT_FALSE(settlement->isHidden);
    EXPECT_TRUE(settlement->DoneWithThat);
    EXPECT_EQ(p->GetUpgradeCount(88), 1);
    EXPECT_EQ(settlement->Group, 102);
    EXPECT_EQ(settlement->BonusTime, 3600);
    EXPECT_EQ(settlement->BonusMoney, 50);
    EXPECT_EQ(settlement->BonusResources, (std::map<int32_t, int32_t>{{7, 2}, {9, 1}}));
    EXPECT_EQ(settlement->BonusTools, (std::map<int32_t, int32_t>{{24, 1}}));
    ASSERT_EQ(settlement->ResourceCostArr.size(), 1u);
    EXPECT_EQ(settlement->ResourceCostArr[0]->ResourceId, 10);
    EXPECT_EQ(settlement->ResourceCostArr[0]->ResourceQuantity, 2);

    UpgradeItem* townhall = p->GetUpgrade(27);
    ASSERT_TRUE(townhall);
    EXPECT_EQ(townhall->Name, "B_TOWNHALL");
    EXPECT_EQ(townhall->PngName, "townhall");
    EXPECT_EQ(townhall->Type, 2);
    EXPECT_EQ(townhall->ReqLevel, 2);
    EXPECT_EQ(townhall->NextUpdateEnum, 89);
    EXPECT_EQ(townhall->StageMaxQuantity, 2);
    EXPECT_EQ(townhall->Priority, 20);
    EXPECT_EQ(townhall->Points, 30);
    EXPECT_EQ(townhall->Money, 500);
    EXPECT_TRUE(townhall->isAnim);
    EXPECT_EQ(townhall->ResourceCostArr.size(), 2u);
    EXPECT_EQ(requiredUpgrades(*townhall), std::vector<int32_t>{88});
    EXPECT_EQ(townhall->BonusResources, (std::map<int32_t, int32_t>())) << "a building without bonus lists";
    ASSERT_EQ(townhall->Actions->count(), 2u);
    const UpgradeAction* weights = townhall->Actions->objectAtIndexAs<UpgradeAction>(0);
    EXPECT_EQ(weights->ID, 2);
    EXPECT_EQ(weights->name, "more earth");
    EXPECT_EQ(weights->IDAction, 1);
    EXPECT_EQ(weights->Probability, 5.0f);
    EXPECT_EQ(weights->ProbSpring, 1.5f);
    EXPECT_EQ(weights->ProbSummer, 2.0f);
    EXPECT_EQ(weights->ProbAutumn, -3.0f);
    EXPECT_EQ(weights->ProbWinter, 4.0f);
    EXPECT_EQ(townhall->Actions->objectAtIndexAs<UpgradeAction>(1)->Value1, 18);

    UpgradeItem* worker = p->GetUpgrade(9);
    ASSERT_TRUE(worker);
    EXPECT_FALSE(worker->BonusResources.has_value()) << "only buildings read bonus lists";
    EXPECT_FALSE(worker->BonusTools.has_value());
    EXPECT_EQ(worker->Actions->count(), 0u);
    EXPECT_EQ(worker->ReqUpgrades->count(), 0u);
    EXPECT_TRUE(p->GetUpgrade(24)->isMine);
    EXPECT_FALSE(p->GetUpgrade(24)->isField);
    EXPECT_TRUE(p->GetUpgrade(18)->isHidden);
    ASSERT_TRUE(p->GetUpgrade(30));

    // Offers: the settlement is finished, the market hidden, type 7 never offered.
    EXPECT_EQ(p->BuildingsDict, std::vector<int32_t>{27});
    EXPECT_EQ(p->WorkersDict, (std::vector<int32_t>{9, 11}));
    EXPECT_EQ(p->ToolsDict, std::vector<int32_t>{24});
    EXPECT_EQ(p->BuildingCount, 1);
    EXPECT_EQ(p->WorkersCount, 2);
    EXPECT_EQ(p->ToolsCount, 1);
}

// Refused files: the bundled file (the fixture) is read instead.
TEST_F(DataParserTest, ARefusedFileGivesWayToTheBundledOne)
{
    struct Case {
        const char* name;
        const char* from; // replaced in the fixture...
        const char* to;   // ...by this
        const char* reason;
    };
    const Case cases[] = {
        {"one level", "<Level Points=\"100\" Nagroda=\"50\"/>\n    <Level Points=\"250\" Nagroda=\"120\"/>",
         "", "1 level(s); a game needs at least two"},
        {"no levels", "Levels>", "Stages>", "0 level(s)"},
        {"tile kind 25", "ID=\"24\" Name=\"coin\"", "ID=\"25\" Name=\"coin\"",
         "Collectible[4] gives the tile kind 25, outside 0..24"},
        {"next resource 40", "NextResource=\"9\"", "NextResource=\"40\"", "gives the next resource 40"},
        {"next tile kind -2", "NextCollectible=\"2\"", "NextCollectible=\"-2\"",
         "gives the next tile kind -2"},
        {"resource -1", "ID=\"20\" Name=\"MONEY_2\"", "ID=\"-1\" Name=\"MONEY_2\"",
         "Resource[8] gives the resource -1"},
        {"upgrade 144", "ID=\"30\" Name=\"B_PANTRY\"", "ID=\"144\" Name=\"B_PANTRY\"",
         "Upgrade[6] gives the upgrade 144, outside 0..143"},
        {"next upgrade 150", "NextUpdateIndex=\"89\"", "NextUpdateIndex=\"150\"",
         "gives the next upgrade 150"},
        {"cost in resource 25", "<ResourceItem ID=\"13\"", "<ResourceItem ID=\"25\"",
         "a cost in resource 25"},
        {"bonus resource 31", "<BonusResource ID=\"9\"/>", "<BonusResource ID=\"31\"/>",
         "a bonus resource 31"},
        {"bonus tool 300", "<BonusTool ID=\"24\"/>", "<BonusTool ID=\"300\"/>", "a bonus tool 300"},
        {"required upgrade 200", "<ReqUpgradeItem ID=\"88\"/>", "<ReqUpgradeItem ID=\"200\"/>",
         "a required upgrade 200"},
        {"stock effect on resource 99", "Type=\"13\" Name=\"more food\" Value=\"5\"",
         "Type=\"14\" Name=\"more food\" Value=\"99\"", "an effect on resource 99"},
        {"malformed XML", "</Upgrades>", "</Upgrade>", "Unable to parser XML"},
    };
    const std::string cached = Paths::cachesPath("test.xml");
    for (const Case& c : cases) {
        std::string text = test::gameDataFixture();
        const std::string from = c.from;
        ASSERT_NE(text.find(from), std::string::npos) << c.name;
        for (size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + std::string(c.to).size())) {
            text.replace(at, from.size(), c.to);
        }
        TempDir::writeText(cached, text);
        Profile::purgeSharedInstance();

        ScopedLogCapture log;
        DataParser parser;
        EXPECT_EQ(DataParser::gameDataPath(), cached);
        ASSERT_TRUE(parser.parseData(cached)) << c.name;
        EXPECT_TRUE(log.contains(c.reason)) << c.name << ": " << testing::PrintToString(log.lines());
        EXPECT_TRUE(log.contains("reading the bundled game data")) << c.name;
        EXPECT_EQ(log.lines().size(), 1u) << c.name << ": " << testing::PrintToString(log.lines());
        EXPECT_EQ(profile()->LevelsArray.size(), 3u) << c.name;
        EXPECT_TRUE(profile()->GetCollectible(24)) << c.name;
        EXPECT_EQ(profile()->GetResourceCount(18), 7) << c.name << ": only the bundled file's stock";
    }
}

TEST_F(DataParserTest, AMissingFileGivesWayToTheBundledOne)
{
    ScopedLogCapture log;
    DataParser parser;
    EXPECT_EQ(DataParser::gameDataPath(), scope.bundledGameData());
    ASSERT_TRUE(parser.parseData(scope.home.file("nowhere.xml")));
    EXPECT_TRUE(log.contains("nowhere.xml")) << testing::PrintToString(log.lines());
    EXPECT_TRUE(profile()->ConfigLoaded);
}

TEST_F(DataParserTest, WithoutAUsableBundledFileTheProfileStaysAsItWas)
{
    TempDir::writeText(scope.bundledGameData(),
                       "<GameData><Levels><Level Points=\"0\"/></Levels></GameData>");
    const std::string cached = Paths::cachesPath("test.xml");
    TempDir::writeText(cached, "not xml");
    for (const std::string& path : {cached, scope.bundledGameData()}) {
        ScopedLogCapture log;
        DataParser parser;
        EXPECT_FALSE(parser.parseData(path)) << path;
        EXPECT_TRUE(log.contains("no game data read")) << path << ": " << testing::PrintToString(log.lines());
        EXPECT_FALSE(profile()->ConfigLoaded);
        EXPECT_TRUE(profile()->collectibleDict.empty());
        EXPECT_TRUE(profile()->LevelsArray.empty());
        EXPECT_EQ(profile()->GetResourceCount(18), 0);
    }
}

} // namespace
} // namespace mw
