#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/tables/CCTableView.h"
#include "foundation/Paths.h"
#include "game/boards/Board.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/boards/CountryBoard.h"
#include "game/boards/CountrySideScene.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/FieldPopUp.h"
#include "game/boards/FoodPopUp.h"
#include "game/boards/MineBoard.h"
#include "game/boards/MineScene.h"
#include "game/boards/Puzzle.h"
#include "game/boards/SessionHooks.h"
#include "game/front/MainMenuScene.h"
#include "game/state/SaveFile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/village/CCBonusItem.h"
#include "game/village/EndGameFrame.h"
#include "game/village/GuiObject.h"
#include "game/village/LevelUpPopUp.h"
#include "game/village/ListLayer.h"
#include "game/village/MapScene.h"
#include "game/village/StatsCell.h"
#include "game/village/StatsScene.h"
#include "game/village/VillageScene.h"
#include "game/village/hud/HirePopUp.h"
#include "game/village/screens/ShopLayer.h"
#include "game/village/screens/ShopPopUp.h"
#include "game/village/tutorial/TutorialAnim.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "game/defs/MapObject.h"
#include "game/defs/XMLManager.h"
#include "tests/game/front/StageEnds.h"
#include "tests/game/front/WholeGameSupport.h"

namespace mw {
namespace {

using test::GameRun;
using test::nodesOf;
using Cell = std::pair<int, int>;

// 2026-06-15 12:00:00 UTC.
constexpr double kLaunchWall = 1781524800.0;
constexpr uint32_t kSeed = 20260615;
constexpr int32_t kFieldsSlot = 3;
// Upgrades the walk builds, hires or crafts.
constexpr int32_t kBakery = 28, kMine = 29, kCottage = 21, kGrainPicker = 9, kWorkshop = 19, kWell = 116,
                  kCarrotPatch = 54, kCarrotFork = 81, kMarket = 18, kEarthTool = 24;
// The settlement's rises, city level 2 to 6.
constexpr int32_t kCityRises[] = {101, 89, 27, 90, 38};
// HUD and board arrows the tutorial leaves to follow.
constexpr int kBuildArrow7 = 898, kBuildArrow19 = 900, kBuildArrow30 = 901, kWorkersArrow = 902,
              kBuildArrow37 = 906, kBuildArrow44 = 909, kBuildArrow55 = 911, kShopArrow = 912, kBuildArrow57 = 913,
              kMineArrow22 = 999;
// Mine and field tile kinds the bots look for.
constexpr int32_t kEarth = 1, kGas = 3, kStone = 4, kPrimedGas = 20;
// Coarse enough to keep the walk short, fine enough for every show, slide
// and chain.
constexpr double kStep = 1.0 / 10;

// A new player's whole tutorial, as the game leads it: the first round on
// the map, the statistics and the fields; the bakery; the mine and its food;
// the cottage, hiring and the fields with a worker; the workshop, the tools
// in the mine and the well; the carrot patch, a tool crafted and the fields
// again; the market and the shop with a sale; and the settlement's five
// rises to the castle. Only the player's taps move it on: every frame shown
// is watched for at every other refresh and dismissed as a finger does.
// Goods and player levels that whole sessions of play would bring are
// granted (logged); every frame comes from the game.
class TutorialWalk {
public:
    TutorialWalk(const std::string& device, double wall) : game(device, wall, kSeed, kStep)
    {
        game.pictureSeries = "walk";
    }
    ~TutorialWalk()
    {
        if (wrapped_) {
            (void)session::setTutorialMaker(std::move(popUps_));
            (void)session::setTutorialOverlayMaker(std::move(overlays_));
        }
    }

    GameRun game;
    // Frame -> the place that asked for it first.
    std::map<int32_t, std::string> asked;
    std::set<int32_t> shown;
    std::vector<std::string> grants;

    // Frames the places ask for; a place entered again asks again.
    void enter(const std::string& place, std::initializer_list<int32_t> frames = {})
    {
        place_ = place;
        for (int32_t n : frames) {
            EXPECT_NE(frame(n), nullptr) << "frame " << n << " is in the game data";
            asked.emplace(n, place);
        }
    }
    // The frames asked for and never on screen, with the place that asked.
    std::vector<std::string> missing() const
    {
        std::vector<std::string> list;
        for (const auto& [n, place] : asked)
            if (!shown.count(n)) list.push_back("frame " + std::to_string(n) + " (" + place + ")");
        return list;
    }
    TutorialFrameDef* frame(int32_t n) { return game.profile().GetTutorialDef(n); }

    // ---------------------------------------------------------------- stage 1

    // The opening: launch, the main menu, a name, the intro and the doors.
    void opening()
    {
        ASSERT_TRUE(game.launch()) << "no headless GL context";
        wrapMakers();
        ASSERT_TRUE(until([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 15)) << "the main menu";
        run(1.5);
        MainMenuScene* menu = game.sceneAs<MainMenuScene>();
        ASSERT_NE(menu->menu2m, nullptr);
        game.tap(static_cast<CCNode*>(menu->menu2m->children()->objectAtIndex(0)));
        ASSERT_TRUE(game.driver().typeText("Mossbrook"));
        ASSERT_TRUE(game.driver().pressAlertButton(1));
        ASSERT_TRUE(until([&] { return map() != nullptr; }, 45)) << "into the new village";
    }

    // The map's welcome and the statistics screen with the first taxes.
    void settlement()
    {
        enter("village map", {0, 1, 2});
        follow([&] { return map()->settleButton() && mapOpen(); }, 12);
        ASSERT_TRUE(map()->settleButton() && mapOpen()) << "the settlement button offered";
        run(1.0); // it grows in
        game.tap(map()->settleButton());
        run(0.2);
        enter("statistics", {3, 4, 5});
        auto* stats = dynamic_cast<StatsScene*>(village()->GetLayer());
        ASSERT_NE(stats, nullptr);
        follow([&] { return stats->getChildByTag(StatsScene::kTaxArrowTag) != nullptr; }, 8);
        auto* page = dynamic_cast<StatsCell*>(stats->table()->cellAtIndex(0));
        ASSERT_NE(page, nullptr);
        game.tap(page->taxButton());
        follow([&] { return hud().getChildByTag(StatsScene::kBackArrowTag) != nullptr; }, 8);
        ASSERT_NE(hud().getChildByTag(StatsScene::kBackArrowTag), nullptr) << "the way back pointed at";
        game.tap(hud().BackButton);
        run(0.2);
        ASSERT_NE(map(), nullptr);
    }

    // The fields bought from the Build list, placed, their bonuses taken
    // and the level-up closed.
    void fieldsBuilt()
    {
        enter("village map", {6, 7});
        followToHudArrow(kBuildArrow7, "the Build arrow of frame 7");
        if (::testing::Test::HasFatalFailure()) return;
        game.tap(hud().BuildButton);
        run(0.3);
        enter("buildings list");
        auto* list = dynamic_cast<ListLayer*>(village()->GetLayer());
        ASSERT_NE(list, nullptr);
        follow([&] { return hud().IsActive(); }, 3);
        auto* row = dynamic_cast<ListRow*>(list->table()->cellAtIndex(0));
        ASSERT_TRUE(row && row->rowMenu());
        game.tap(static_cast<CCNode*>(row->rowMenu()->children()->objectAtIndex(0)));
        run(0.5);
        ASSERT_NE(hirePopUp(), nullptr) << "the fields' pop-up";
        game.tap(hirePopUp()->craftButton());
        run(0.5);
        enter("village map");
        ASSERT_NE(map(), nullptr);
        CCNode* marker = map()->menu()
                             ? map()->menu()->getChildByTag(kFieldsSlot * MapScene::kBuildMarkerFactor)
                             : nullptr;
        ASSERT_NE(marker, nullptr) << "the fields' slot offered";
        game.tap(marker);
        run(MapScene::kBuildSeconds + 1.0);
        collectBonuses();
        ASSERT_TRUE(until([&] { return !nodesOf<LevelUpPopUp>(game.scene()).empty(); }, 4)) << "the level-up";
        closeLevelUps();
    }

    // The way to the fields, the field pop-up and its price paid.
    void fieldPopUp()
    {
        enter("village map", {8, 9});
        follow([&] { return !nodesOf<CCTutorialArrow>(map()).empty() && mapOpen(); }, 8);
        ASSERT_FALSE(nodesOf<CCTutorialArrow>(map()).empty()) << "the arrow at the fields";
        enterFields("field board", {FieldPopUp::kTutorialFrame});
    }

    // The first field session: the lessons of grain, chickens and wood, and
    // the animals that come with them. A lesson whose twenty tiles one
    // session does not bring (grain and chickens are scarce) waits for the
    // next visit, where the counts start above twenty.
    void firstHarvest()
    {
        enter("field board", {10, 11, 12, 13, 14, 17});
        playField([&](int32_t kind) {
            const CountryBoard* field = board();
            if (kind == CountryBoard::kBread && field->BreadCollected < 20) return 3;
            if (kind == CountryBoard::kChicken && field->ChcikenCollected < 20) return 2;
            if (kind == CountryBoard::kWood && field->WoodCollected < 20) return 1;
            return 0;
        });
        if (::testing::Test::HasFatalFailure()) return;
        // A harvest that brings too little for the bakery, so that the
        // neighbours help (frame 70) before the bakery is asked for.
        grant("a harvest without flock", [](Profile& p) { p.SetResourceCount(4, 0); });
        leaveSummary();
    }

    // Back from the fields: the bakery the tutorial asks for.
    void bakery()
    {
        enter("village map", {18, 70, 19});
        followToHudArrow(kBuildArrow19, "the Build arrow of frame 19");
        if (::testing::Test::HasFatalFailure()) return;
        buildFromList(kBakery);
    }

    // ---------------------------------------------------------------- stage 2

    // Level 3: the mine built, its food packed, and a first shift below.
    void mine()
    {
        grant("level 3", [&](Profile& p) { p.PlayerLevel = std::max(p.PlayerLevel, 3); });
        grant("the mine's goods", [&](Profile& p) { stockFor(p, kMine); });
        reopenMap();
        enter("village map", {71});
        followToHudArrow(kBuildArrow19, "the Build arrow of frame 71");
        if (::testing::Test::HasFatalFailure()) return;
        buildFromList(kMine);
        if (::testing::Test::HasFatalFailure()) return;
        enter("village map", {20, 21, 22});
        follow([&] { return map()->getChildByTag(kMineArrow22) != nullptr && mapOpen(); }, 10);
        ASSERT_NE(map()->getChildByTag(kMineArrow22), nullptr) << "the arrow at the mine";
        grant("bread for the mine", [&](Profile& p) { p.SetResourceCount(3, std::max(p.GetResourceCount(3), 30)); });
        enterMine("food pop-up", {23, 24});
        if (::testing::Test::HasFatalFailure()) return;
        enter("mine board", {25, 26, 27, 28, 59, 60, 61});
        bool gasTouched = false;
        playMine([&](int32_t kind) { return kind == kStone ? 2 : kind == kEarth ? 1 : 0; },
                 [&](MineBoard* mine) {
                     // A finger on the gas: it cannot be chained.
                     if (gasTouched || !frame(60)->Done) return;
                     if (const Puzzle* gas = tileOfKind(mine, {kGas, kPrimedGas})) {
                         gasTouched = true;
                         tapTile(mine, gas);
                         run(0.3);
                     }
                 });
        std::printf("mine: %d stones\n", mineBoard()->CollectedStones);
        if (::testing::Test::HasFatalFailure()) return;
        leaveSummary();
    }

    // ---------------------------------------------------------------- stage 3

    // The goods bag, the cottage, a grain picker hired and the fields with it.
    void hiring()
    {
        enter("village map", {30});
        follow([&] { return hud().getChildByTag(GuiObject::kBagArrowTag) != nullptr && mapOpen(); }, 8);
        ASSERT_NE(hud().getChildByTag(GuiObject::kBagArrowTag), nullptr) << "the arrow at the goods bag";
        game.tap(hud().bagButton());
        run(0.5);
        followToHudArrow(kBuildArrow30, "the Build arrow of frame 30");
        if (::testing::Test::HasFatalFailure()) return;
        game.tap(hud().bagButton()); // the bag closed again
        run(0.5);
        grant("the cottage's goods", [&](Profile& p) { stockFor(p, kCottage); });
        buildFromList(kCottage);
        if (::testing::Test::HasFatalFailure()) return;
        grant("level 4", [&](Profile& p) { p.PlayerLevel = std::max(p.PlayerLevel, 4); });
        reopenMap();
        enter("village map", {31, 32});
        followToHudArrow(kWorkersArrow, "the Workers arrow of frame 32");
        if (::testing::Test::HasFatalFailure()) return;
        grant("the grain picker's goods", [&](Profile& p) { stockFor(p, kGrainPicker); });
        openRow(hud().WorkersButton, VillageScene::kWorkersLayer, kGrainPicker);
        if (::testing::Test::HasFatalFailure()) return;
        game.tap(hirePopUp()->craftButton());
        run(0.5);
        if (village()->currentLayerId() != VillageScene::kMapLayer) {
            follow([&] { return hud().IsActive(); }, 4);
            game.tap(hud().BackButton);
            run(0.5);
        }
        enter("village map", {33});
        follow([&] { return !nodesOf<CCTutorialArrow>(map()).empty() && mapOpen(); }, 10);
        ASSERT_FALSE(nodesOf<CCTutorialArrow>(map()).empty()) << "the arrow at the fields of frame 33";
        enterFields("field board");
        if (::testing::Test::HasFatalFailure()) return;
        enter("field board", {15, 16, 34, 35, 36});
        playField([](int32_t) { return 0; });
        if (::testing::Test::HasFatalFailure()) return;
        leaveSummary();
    }

    // ---------------------------------------------------------------- stage 4

    // The workshop, its shovels taken into the mine, and the well.
    void tools()
    {
        enter("village map", {37});
        grant("the workshop's goods", [&](Profile& p) { stockFor(p, kWorkshop); });
        followToHudArrow(kBuildArrow37, "the Build arrow of frame 37");
        if (::testing::Test::HasFatalFailure()) return;
        buildFromList(kWorkshop);
        if (::testing::Test::HasFatalFailure()) return;
        grant("level 5", [&](Profile& p) { p.PlayerLevel = std::max(p.PlayerLevel, 5); });
        enter("village map", {38});
        follow([&] { return frame(38)->Done && mapOpen(); }, 8);
        ASSERT_TRUE(frame(38)->Done) << "frame 38";
        grant("bread for the mine", [&](Profile& p) { p.SetResourceCount(3, std::max(p.GetResourceCount(3), 30)); });
        enterMine("food pop-up");
        if (::testing::Test::HasFatalFailure()) return;
        enter("mine board", {39, 40, 41, 42, 43});
        bool toolTaken = false;
        playMine([&](int32_t kind) { return kind == kStone ? 1 : 0; },
                 [&](MineBoard* mine) {
                     if (toolTaken || !frame(40)->Done) return;
                     if (!mine->ToolVisible) {
                         game.tap(mine->ToolBtn.get());
                         run(0.6);
                         return;
                     }
                     if (CCMenuItem* shovel = mine->toolButton(kEarthTool); shovel && frame(41)->Done) {
                         toolTaken = true;
                         game.tap(shovel);
                         run(0.6);
                     }
                 });
        if (::testing::Test::HasFatalFailure()) return;
        leaveSummary();
        enter("village map", {44});
        grant("the well's goods", [&](Profile& p) { stockFor(p, kWell); });
        followToHudArrow(kBuildArrow44, "the Build arrow of frame 44");
        if (::testing::Test::HasFatalFailure()) return;
        buildFromList(kWell);
        if (::testing::Test::HasFatalFailure()) return;
        enter("village map", {45, 46});
        follow([&] { return frame(46)->Done && !nodesOf<CCTutorialArrow>(map()).empty() && mapOpen(); }, 10);
        ASSERT_TRUE(frame(46)->Done) << "frame 46";
    }

    // A carrot patch, a carrot fork crafted, and the fields of the market's
    // lessons, carrots taken in chains of three and more.
    void carrots()
    {
        grant("the carrot patch's goods", [&](Profile& p) { stockFor(p, kCarrotPatch); });
        buildFromList(kCarrotPatch);
        if (::testing::Test::HasFatalFailure()) return;
        grant("the carrot fork's goods", [&](Profile& p) { stockFor(p, kCarrotFork); });
        openRow(hud().ToolsButton, VillageScene::kToolsLayer, kCarrotFork);
        if (::testing::Test::HasFatalFailure()) return;
        game.tap(hirePopUp()->craftButton());
        run(0.8);
        ASSERT_GE(game.profile().GetUpgradeCount(kCarrotFork), 1) << "the carrot fork crafted";
        follow([&] { return hud().IsActive(); }, 3);
        game.tap(hud().BackButton);
        run(0.5);
        ASSERT_NE(map(), nullptr);
        follow([&] { return mapOpen(); }, 4);
        enterFields("field board");
        if (::testing::Test::HasFatalFailure()) return;
        enter("field board", {47, 48, 49, 50, 51, 52, 53});
        playField([&](int32_t kind) {
            // Grass first, for the carrots it leaves; then carrots in
            // chains, but one left for the fork at the end.
            if (kind == CountryBoard::kCarrot) return board()->getAllPuzzlesByType(CountryBoard::kCarrot).size() > 3 ? 3 : -1;
            return kind == CountryBoard::kGrass ? 2 : 0;
        });
        if (::testing::Test::HasFatalFailure()) return;
        leaveSummary();
    }

    // ---------------------------------------------------------------- stage 5

    // The market, the shop with a good sold, the Build list's last word, and
    // a later day in the fields.
    void market()
    {
        enter("village map", {54, 55});
        grant("the market's goods", [&](Profile& p) { stockFor(p, kMarket); });
        followToHudArrow(kBuildArrow55, "the Build arrow of frame 55");
        if (::testing::Test::HasFatalFailure()) return;
        buildFromList(kMarket);
        if (::testing::Test::HasFatalFailure()) return;
        enter("village map", {56});
        followToHudArrow(kShopArrow, "the Shop arrow of frame 56");
        if (::testing::Test::HasFatalFailure()) return;
        game.tap(hud().ShopButton);
        run(0.5);
        enter("shop", {57});
        ASSERT_EQ(village()->currentLayerId(), VillageScene::kShopLayer);
        followToHudArrow(kBuildArrow57, "the Build arrow of frame 57");
        if (::testing::Test::HasFatalFailure()) return;
        sellOne();
        if (::testing::Test::HasFatalFailure()) return;
        game.tap(hud().BuildButton);
        run(0.5);
        enter("buildings list", {58});
        follow([&] { return frame(58)->Done && hud().IsActive(); }, 6);
        game.tap(hud().BackButton);
        run(0.5);
        ASSERT_NE(map(), nullptr);
        follow([&] { return mapOpen(); }, 4);
        enterFields("field board", {69});
        if (::testing::Test::HasFatalFailure()) return;
        playField([](int32_t) { return 0; });
        if (::testing::Test::HasFatalFailure()) return;
        leaveSummary();
    }

    // ---------------------------------------------------------------- stage 6

    // The settlement rises five times to a castle; each rise has its frames,
    // the last its long farewell and the closing frame.
    void city()
    {
        for (size_t rise = 0; rise < std::size(kCityRises); ++rise) {
            const int32_t upgrade = kCityRises[rise];
            const int32_t level = int32_t(rise) + 2;
            grant("the goods and the player level of upgrade " + std::to_string(upgrade), [&](Profile& p) {
                UpgradeItem* item = p.GetUpgrade(upgrade);
                ASSERT_NE(item, nullptr);
                p.PlayerLevel = std::max(p.PlayerLevel, item->ReqLevel);
                stockFor(p, upgrade);
                p.RegenerateBuyIndexes();
            });
            if (::testing::Test::HasFatalFailure()) return;
            buildFromList(upgrade);
            if (::testing::Test::HasFatalFailure()) return;
            ASSERT_EQ(game.profile().CityLevel, level);
            if (level < 6) {
                const int32_t first = 72 + 2 * (level - 2);
                enter("city level " + std::to_string(level), {first, first + 1});
                follow([&] { return frame(first + 1)->Done && mapOpen(); }, 10);
            } else {
                std::vector<int32_t> farewell;
                for (int32_t n = 80; n <= 102; ++n) farewell.push_back(n);
                place_ = "city level 6";
                for (int32_t n : farewell) asked.emplace(n, place_);
                follow([&] { return !nodesOf<EndGameFrame>(&hud()).empty(); }, 90);
                auto ends = nodesOf<EndGameFrame>(&hud());
                ASSERT_FALSE(ends.empty()) << "the closing frame";
                run(1.0);
                game.tap(ends.front()->continueButton());
                run(0.5);
            }
        }
    }

    // The process launched on the home folder as the last quit left it,
    // and the village continued from the main menu onto its map.
    void continueVillage()
    {
        ASSERT_TRUE(game.launch()) << "no headless GL context";
        wrapMakers();
        ASSERT_TRUE(until([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 15));
        run(1.5);
        MainMenuScene* menu = game.sceneAs<MainMenuScene>();
        ASSERT_NE(menu->btMain, nullptr) << "a village to continue";
        game.tap(static_cast<CCNode*>(menu->menu2m->children()->objectAtIndex(0)));
        ASSERT_TRUE(until([&] { return map() != nullptr; }, 10)) << "into the village";
    }
    // Quit where the player is (the game saves); the process ends.
    void quit()
    {
        game.driver().lifeCycle().quit();
        game.profile().saveFile().waitUntilIdle();
        game.stop();
    }
    void grant(const std::string& what, const std::function<void(Profile&)>& change)
    {
        logLine("tutorial walk: granted %s", what.c_str());
        grants.push_back(what);
        change(game.profile());
    }

private:
    VillageScene* village() { return game.sceneAs<VillageScene>(); }
    GuiObject& hud() { return *village()->GetGUI(); }
    MapScene* map() { return village() ? dynamic_cast<MapScene*>(village()->GetLayer()) : nullptr; }
    // The map and the HUD take touches again: the tutorial waits for the player.
    bool mapOpen() { return map() && map()->isTouchEnabled() && hud().IsActive(); }
    CountryBoard* board()
    {
        CCScene* scene = game.scene();
        auto* layer = scene
                          ? dynamic_cast<CountrySideScene*>(scene->getChildByTag(CountrySideScene::kTagLayer))
                          : nullptr;
        return layer ? layer->board() : nullptr;
    }
    MineBoard* mineBoard()
    {
        CCScene* scene = game.scene();
        auto* layer = scene ? dynamic_cast<MineScene*>(scene->getChildByTag(MineScene::kTag)) : nullptr;
        return layer ? layer->board.get() : nullptr;
    }
    HirePopUp* hirePopUp()
    {
        auto found = nodesOf<HirePopUp>(&hud());
        return found.empty() ? nullptr : found.back();
    }

    void followToHudArrow(int tag, const char* what)
    {
        follow([&] { return hud().getChildByTag(tag) != nullptr && hud().IsActive(); }, 10);
        ASSERT_NE(hud().getChildByTag(tag), nullptr) << what;
    }

    // The field pop-up from the map's entrance, its price paid, the board.
    void enterFields(const std::string& place, std::initializer_list<int32_t> popUpFrames = {})
    {
        ASSERT_NE(map()->farmButton(), nullptr);
        game.tap(map()->farmButton());
        run(0.3);
        enter("field pop-up", popUpFrames);
        auto popUps = nodesOf<FieldPopUp>(&hud());
        ASSERT_EQ(popUps.size(), 1u) << "the field pop-up";
        FieldPopUp* popUp = popUps[0];
        follow([&] { return popUp->buttons()->isTouchEnabled(); }, 4);
        ASSERT_TRUE(popUp->buttons()->isTouchEnabled()) << "the pop-up's buttons given back";
        if (game.profile().GoldCount < FieldPopUp::kPrice) game.profile().GoldCount = FieldPopUp::kPrice;
        game.tap(static_cast<CCNode*>(popUp->buttons()->children()->objectAtIndex(1)));
        enter(place);
        ASSERT_TRUE(until([&] { return board() != nullptr; }, 3)) << "the fade to the fields";
    }

    // The food pop-up from the map's entrance, bread packed, the mine.
    void enterMine(const std::string& place, std::initializer_list<int32_t> popUpFrames = {})
    {
        ASSERT_NE(map()->mineButton(), nullptr);
        game.tap(map()->mineButton());
        run(0.3);
        enter(place, popUpFrames);
        auto popUps = nodesOf<FoodPopUp>(&hud());
        ASSERT_EQ(popUps.size(), 1u) << "the food pop-up";
        FoodPopUp* food = popUps[0];
        follow([&] { return food->BreadButton && food->BreadButton->isEnabled() && noFrameUp(); }, 8);
        // A long shift: as much bread as the bag holds, one loaf kept.
        for (int portion = 0; portion < 30 && game.profile().GetResourceCount(3) > 1 &&
                              game.profile().Start_mineMoves < game.profile().MaxMineMoves;
             ++portion) {
            game.tap(food->BreadButton);
            run(0.3);
            follow([&] { return noFrameUp(); }, 4);
        }
        ASSERT_TRUE(food->CraftButt && food->CraftButt->isEnabled())
            << "food packed; moves " << game.profile().Start_mineMoves << " of " << game.profile().MovesPerFood
            << ", bread " << game.profile().GetResourceCount(3) << ", menu on "
            << (food->foodsMenu() && food->foodsMenu()->isTouchEnabled()) << " frame up " << !noFrameUp();
        game.tap(food->CraftButt);
        enter("mine board");
        ASSERT_TRUE(until([&] { return mineBoard() != nullptr; }, 4)) << "the fade to the mine";
    }
    bool noFrameUp()
    {
        for (TutorialPopup* popUp : nodesOf<TutorialPopup>(game.scene()))
            if (popUp->frameDef() && !popUp->frameDef()->Done) return false;
        return true;
    }

    // The summary's Continue, and the village again.
    void leaveSummary()
    {
        auto summaries = nodesOf<EndOfPopUp>(game.scene());
        ASSERT_FALSE(summaries.empty()) << "the session's summary";
        run(1.0);
        // The board's last question, when it found no chain left, is answered.
        while (game.driver().pressAlertButton(0)) run(0.5);
        ASSERT_NE(summaries[0]->ContinueButton, nullptr);
        game.tap(summaries[0]->ContinueButton.get());
        ASSERT_TRUE(until([&] { return map() != nullptr; }, 5)) << "back in the village";
        enter("village map");
    }

    // The bot plays a board to its summary: the longest chain of the kind
    // `weight` rates highest (a negative rate leaves a kind alone), frames
    // dismissed as they come; `extra` may act first at each turn.
    using Weight = std::function<int(int32_t kind)>;
    void playBoard(const std::function<Board*()>& current, const Weight& weight,
                   const std::function<void(Board*)>& extra, bool takeAnimals, int turns)
    {
        const auto ended = [&] { return !nodesOf<EndOfPopUp>(game.scene()).empty(); };
        for (int turn = 0; turn < turns && !ended(); ++turn) {
            Board* b = current();
            ASSERT_NE(b, nullptr);
            follow([&] { return (b->isTouchEnabled() && !b->isInputBlocked()) || ended(); }, 5);
            if (ended()) break;
            // No chain left: the board asks, and the player has the tiles dealt anew.
            if (game.driver().pressAlertButton(0)) {
                run(0.5);
                continue;
            }
            if (extra) {
                extra(b);
                if (!b->isTouchEnabled() || b->isInputBlocked() || ended()) continue;
            }
            std::vector<Cell> chain = findChain(*b, weight, takeAnimals);
            // Only kinds left alone can be chained: one of them goes after all.
            if (chain.size() < 2) chain = findChain(*b, [](int32_t) { return 0; }, true);
            if (chain.size() < 2) {
                run(0.3);
                continue;
            }
            drawChain(b, chain);
            run(0.3);
        }
        ASSERT_TRUE(ended()) << "the session's summary";
    }
    void playField(const Weight& weight, bool takeAnimals = true)
    {
        playBoard([&]() -> Board* { return board(); },
                  [&](int32_t kind) { return game.profile().countryStepsForBar == 0 ? 0 : weight(kind); }, nullptr,
                  takeAnimals, 400);
    }
    void playMine(const Weight& weight, const std::function<void(MineBoard*)>& extra)
    {
        playBoard([&]() -> Board* { return mineBoard(); }, weight,
                  [&](Board* b) { extra(static_cast<MineBoard*>(b)); }, true, 400);
    }

    // The best chain that counts: the highest rated kind, then the longest;
    // tiles of a kind rated below 0 are left out.
    static std::vector<Cell> findChain(const Board& b, const Weight& weight, bool takeAnimals)
    {
        std::vector<Cell> best;
        int bestScore = -1;
        int budget = 20000;
        std::vector<Cell> path;
        bool used[Board::kSize][Board::kSize] = {};
        const auto animal = [](const Puzzle* tile) { return tile->GetType() == 17 || tile->GetType() == 18; };
        const auto counts = [&b](const std::vector<Cell>& cells) {
            const Collectible* kind = b.puzzleAt(cells.back().first, cells.back().second)->TargetCollectible();
            return static_cast<int32_t>(cells.size()) >= std::max(kind ? kind->minGroup : 0, 0);
        };
        std::function<void(const Puzzle*, int)> walk = [&](const Puzzle* first, int rate) {
            if (--budget < 0) return;
            const int score = rate * 100 + int(path.size());
            if (score > bestScore && path.size() >= 2 && counts(path)) {
                best = path;
                bestScore = score;
            }
            if (path.size() >= 8) return;
            const Cell at = path.back();
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int r = at.first + dr, c = at.second + dc;
                    if (r < 0 || c < 0 || r >= Board::kSize || c >= Board::kSize || used[r][c]) continue;
                    const Puzzle* next = b.puzzleAt(r, c);
                    if (!next || !Board::isPuzzleChainsToPuzzle(first, next)) continue;
                    if ((!takeAnimals && animal(next)) || weight(next->GetType()) < 0) continue;
                    used[r][c] = true;
                    path.emplace_back(r, c);
                    walk(first, rate);
                    path.pop_back();
                    used[r][c] = false;
                }
        };
        for (int r = 0; r < Board::kSize; ++r)
            for (int c = 0; c < Board::kSize; ++c) {
                const Puzzle* first = b.puzzleAt(r, c);
                if (!first || !first->CanCollect) continue;
                if (!takeAnimals && animal(first)) continue;
                const int rate = weight(first->GetType());
                if (rate < 0) continue;
                used[r][c] = true;
                path = {{r, c}};
                walk(first, rate);
                used[r][c] = false;
            }
        return best;
    }
    static const Puzzle* tileOfKind(const Board* b, std::initializer_list<int32_t> kinds)
    {
        for (int r = 0; r < Board::kSize; ++r)
            for (int c = 0; c < Board::kSize; ++c)
                if (const Puzzle* tile = b->puzzleAt(r, c))
                    for (int32_t kind : kinds)
                        if (tile->GetType() == kind) return tile;
        return nullptr;
    }
    CGPoint viewPointOf(Board* b, const Puzzle* tile)
    {
        const CGPoint gl = b->convertToWorldSpace(tile->GetMidpointPosition());
        return CGPoint{gl.x, game.win().height - gl.y};
    }
    void tapTile(Board* b, const Puzzle* tile)
    {
        Ref<UITouch> touch = game.driver().touchDown(viewPointOf(b, tile));
        refresh();
        game.driver().touchUp(touch.get());
    }
    // A finger drawn through the cells.
    void drawChain(Board* b, const std::vector<Cell>& cells)
    {
        Ref<UITouch> touch = game.driver().touchDown(viewPointOf(b, b->puzzleAt(cells[0].first, cells[0].second)));
        for (size_t i = 1; i < cells.size(); ++i) {
            game.driver().touchMove(touch.get(), viewPointOf(b, b->puzzleAt(cells[i].first, cells[i].second)));
            refresh();
        }
        game.driver().touchUp(touch.get());
    }

    // ---- the village's lists

    // The map asked again, as it is when the village comes back to it.
    void reopenMap()
    {
        follow([&] { return hud().IsActive(); }, 3);
        if (village()->currentLayerId() != VillageScene::kMapLayer) {
            game.tap(hud().BackButton);
            run(0.5);
        }
        game.tap(hud().BuildButton);
        run(0.3);
        follow([&] { return hud().IsActive(); }, 3);
        game.tap(hud().BackButton);
        run(0.5);
        ASSERT_NE(map(), nullptr);
    }
    // Enough of every good (and gold) an upgrade costs; hidden upgrades are
    // revealed as the play left out would have revealed them.
    static void stockFor(Profile& p, int32_t upgrade)
    {
        test::stockFor(p, upgrade, true);
        p.RegenerateBuyIndexes();
    }
    // The list of `tab` opened unless it shows, and the pop-up of `upgrade`'s row.
    void openRow(CCMenuItem* tab, int32_t layer, int32_t upgrade)
    {
        follow([&] { return hud().IsActive(); }, 3);
        if (village()->currentLayerId() != layer) {
            game.tap(tab);
            run(0.3);
        }
        ASSERT_EQ(village()->currentLayerId(), layer);
        auto* list = dynamic_cast<ListLayer*>(village()->GetLayer());
        ASSERT_NE(list, nullptr);
        follow([&] { return hud().IsActive(); }, 4);
        Profile& p = game.profile();
        p.RegenerateBuyIndexes();
        const std::vector<int32_t>& ids = layer == VillageScene::kBuildingsLayer ? p.BuildingsDict
                                          : layer == VillageScene::kWorkersLayer ? p.WorkersDict
                                                                                  : p.ToolsDict;
        const auto at = std::find(ids.begin(), ids.end(), upgrade);
        ASSERT_NE(at, ids.end()) << upgrade << " not offered";
        // A row at the edge of the bars may not take the tap: it is drawn a
        // little further in and tapped again.
        for (int attempt = 0; attempt < 3 && !hirePopUp(); ++attempt) {
            if (attempt > 0) nudge(list, uint32_t(at - ids.begin()));
            ListRow* row = rowOnScreen(list, uint32_t(at - ids.begin()));
            ASSERT_NE(row, nullptr) << "row of " << upgrade << " at " << (at - ids.begin()) << " of " << ids.size();
            run(0.5); // the list comes to rest
            game.tap(static_cast<CCNode*>(row->rowMenu()->children()->objectAtIndex(0)));
            run(0.5);
        }
        ASSERT_NE(hirePopUp(), nullptr) << "the pop-up of " << upgrade << " at row " << (at - ids.begin());
        ASSERT_TRUE(hirePopUp()->craftButton() && hirePopUp()->craftButton()->isEnabled())
            << "enough goods for " << upgrade;
    }
    // Whether row `index` lies below the middle of the window (or below the
    // rows shown, when it is not shown).
    bool rowBelow(ListLayer* list, uint32_t index)
    {
        if (auto* row = dynamic_cast<ListRow*>(list->table()->cellAtIndex(index)))
            return GameRun::centreOf(row).y < game.win().height * 0.5f;
        for (uint32_t shown = 0; shown < index; ++shown)
            if (list->table()->cellAtIndex(shown)) return true;
        return false;
    }
    // A short drag that brings row `index` towards the middle of the window.
    void nudge(ListLayer* list, uint32_t index)
    {
        const float way = rowBelow(list, index) ? -1.0f : 1.0f;
        const CGPoint from = {game.win().width / 2, game.win().height * 0.5f};
        Ref<UITouch> touch = game.driver().touchDown(from);
        for (int step = 1; step <= 4; ++step) {
            game.driver().touchMove(touch.get(), {from.x, from.y + way * step * game.win().height * 0.03f});
            refresh();
        }
        game.driver().touchUp(touch.get());
        run(0.8);
    }
    // Row `index` of a list brought on screen by dragging the list.
    ListRow* rowOnScreen(ListLayer* list, uint32_t index)
    {
        for (int drag = 0; drag < 80; ++drag) {
            // The row's button clear of the bars, where a finger reaches it.
            if (auto* row = dynamic_cast<ListRow*>(list->table()->cellAtIndex(index));
                row && row->rowMenu() && test::onScreen(row) && row->inVisibleBand() &&
                row->rowMenu()->children()->count() > 0) {
                const float y = GameRun::centreOf(static_cast<CCNode*>(row->rowMenu()->children()->objectAtIndex(0))).y;
                if (y > game.win().height * 0.1f && y < game.win().height * 0.95f) return row;
            }
            // Rows below the window come up; rows above it come down.
            const bool below = rowBelow(list, index);
            const float way = below ? -1.0f : 1.0f;
            const CGPoint from = {game.win().width / 2, game.win().height * (0.5f - way * 0.25f)};
            Ref<UITouch> touch = game.driver().touchDown(from);
            for (int step = 1; step <= 10; ++step) {
                game.driver().touchMove(touch.get(), {from.x, from.y + way * step * game.win().height * 0.05f});
                refresh();
            }
            game.driver().touchUp(touch.get());
            run(0.8);
        }
        return nullptr;
    }
    // The building bought from the Build list and placed on the first slot
    // offered (or tapped where it rises); bonuses collected, level-ups closed.
    void buildFromList(int32_t building)
    {
        SCOPED_TRACE("building " + std::to_string(building));
        openRow(hud().BuildButton, VillageScene::kBuildingsLayer, building);
        if (::testing::Test::HasFatalFailure()) return;
        const int32_t owned = game.profile().GetUpgradeCount(building);
        game.tap(hirePopUp()->craftButton());
        run(0.5);
        ASSERT_NE(map(), nullptr);
        EXPECT_EQ(game.profile().GetUpgradeCount(building), owned + 1);
        std::vector<CCNode*> markers;
        if (map()->mapState() == MapScene::kStateUpgrade) {
            // An upgrade: the building it replaces is marked where it stands.
            for (const auto& [key, slot] : XMLManager::sharedInstance()->MapObjects) {
                const UpgradeItem* standing = slot ? game.profile().GetUpgrade(slot->IDBuild) : nullptr;
                if (standing && standing->NextUpdateEnum == building && map()->menu())
                    if (CCNode* marker = map()->menu()->getChildByTag(slot->key())) markers.push_back(marker);
            }
        } else {
            markers = test::buildMarkers(*map());
        }
        ASSERT_FALSE(markers.empty()) << "a slot offered";
        CCNode* marker = markers.front();
        game.tap(marker);
        game.driver().runFrames(1);
        if (map()->mapState() == MapScene::kStateConfirm) {
            game.tap(marker);
            game.driver().runFrames(1);
        }
        run(MapScene::kBuildSeconds + 1.0);
        collectBonuses();
        closeLevelUps();
    }
    void collectBonuses()
    {
        for (int round = 0; round < 30; ++round) {
            std::vector<CCBonusItem*> items = nodesOf<CCBonusItem>(hud().bonusParent());
            if (items.empty()) return;
            if (!noFrameUp()) {
                follow([&] { return noFrameUp(); }, 4);
                continue;
            }
            game.tap(items.front());
            run(0.3);
        }
    }
    void closeLevelUps()
    {
        for (int round = 0; round < 5; ++round) {
            run(0.4);
            auto levelUps = nodesOf<LevelUpPopUp>(game.scene());
            if (levelUps.empty()) return;
            run(1.2);
            ASSERT_NE(levelUps.front()->continueButton(), nullptr);
            game.tap(levelUps.front()->continueButton());
        }
    }
    // One unit of the first good in stock sold in the shop.
    void sellOne()
    {
        auto* shop = dynamic_cast<ListLayer*>(village()->GetLayer());
        ASSERT_NE(shop, nullptr);
        for (uint32_t index = 0; index < 17; ++index) {
            auto* good = dynamic_cast<ShopCell*>(shop->table()->cellAtIndex(index));
            if (!good || !good->sellButton() || !good->sellButton()->isEnabled() || !test::onScreen(good)) continue;
            const int32_t gold = game.profile().GoldCount;
            game.tap(good->sellButton());
            run(0.5);
            auto sales = nodesOf<SellPopUp>(&hud());
            ASSERT_EQ(sales.size(), 1u) << "the sell pop-up";
            game.tap(sales[0]->confirmButton());
            run(0.5);
            EXPECT_GT(game.profile().GoldCount, gold) << "sold";
            return;
        }
        FAIL() << "nothing to sell";
    }

    // ---- watching and dismissing

    // What the game's screens ask of the session's tutorial makers is noted;
    // the makers installed at start-up answer.
    void wrapMakers()
    {
        popUps_ = session::setTutorialMaker(nullptr);
        overlays_ = session::setTutorialOverlayMaker(nullptr);
        wrapped_ = true;
        (void)session::setTutorialMaker([this](int32_t n) -> Ref<CCNode> {
            asked.emplace(n, place_);
            return popUps_ ? popUps_(n) : nullptr;
        });
        (void)session::setTutorialOverlayMaker([this](int32_t n) -> Ref<CCNode> {
            asked.emplace(n, place_);
            return overlays_ ? overlays_(n) : nullptr;
        });
    }

    // The frames on screen now, in one walk of the running scene, are noted.
    struct OnScreen {
        std::vector<TutorialPopup*> popUps;
        std::vector<TutorialAnim*> overlays;
    };
    OnScreen watch()
    {
        OnScreen now;
        const std::function<void(CCNode*)> visit = [&](CCNode* node) {
            if (auto* popUp = dynamic_cast<TutorialPopup*>(node)) {
                if (test::onScreen(popUp)) now.popUps.push_back(popUp);
            } else if (auto* overlay = dynamic_cast<TutorialAnim*>(node)) {
                if (test::onScreen(overlay)) now.overlays.push_back(overlay);
            }
            if (CCArray* children = node->children())
                for (Object* child : *children) visit(static_cast<CCNode*>(child));
        };
        if (CCScene* scene = game.scene()) visit(scene);
        for (TutorialPopup* popUp : now.popUps) {
            if (!popUp->frameDef()) continue;
            const int32_t n = popUp->frameDef()->ID;
            shown.insert(n);
            // Each frame's picture once its show has ended, when pictures are asked for.
            if (popUp->showed() && pictured_.insert(n).second) game.picture(frameName(n));
        }
        for (TutorialAnim* overlay : now.overlays) {
            shown.insert(overlay->state());
            if (pictured_.insert(overlay->state()).second) game.picture(frameName(overlay->state()));
        }
        return now;
    }
    // A frame stays up for over a second before a tap can take it away, so
    // looking at every other refresh misses none.
    static constexpr int kWatchEvery = 2;
    void refresh()
    {
        game.driver().runFrames(1);
        if (++refreshes_ % kWatchEvery == 0) (void)watch();
    }
    void run(double seconds)
    {
        for (int frame = 0; frame < int(seconds / game.step()); ++frame) refresh();
    }
    bool until(const std::function<bool()>& done, double seconds)
    {
        for (int frame = 0; frame < int(seconds / game.step()); ++frame) {
            if (done()) return true;
            refresh();
        }
        return done();
    }
    // Dismisses each frame once its show has ended, as a player does, until
    // `done` holds (the tutorial waits for the player) or the time is up.
    void follow(const std::function<bool()>& done, double seconds)
    {
        for (int frame = 0; frame < int(seconds / game.step()) && !done(); ++frame) {
            if (++refreshes_ % kWatchEvery == 0) dismissOne(watch());
            game.driver().runFrames(1);
        }
    }
    void dismissOne(const OnScreen& now)
    {
        for (TutorialAnim* overlay : now.overlays) {
            if (overlay->continueButton() && test::onScreen(overlay->continueButton())) {
                game.tap(overlay->continueButton());
                return;
            }
        }
        for (TutorialPopup* popUp : now.popUps) {
            // A frame, or the worker just hired.
            if (popUp->showed() && (!popUp->frameDef() || !popUp->frameDef()->Done)) {
                game.tapAt(game.centre());
                return;
            }
        }
    }

    static std::string frameName(int32_t n)
    {
        char name[16];
        std::snprintf(name, sizeof name, "frame%03d", n);
        return name;
    }

    std::string place_ = "start-up";
    std::set<int32_t> pictured_;
    int refreshes_ = 0;
    bool wrapped_ = false;
    session::TutorialMaker popUps_;
    session::OverlayMaker overlays_;
};

// ---------------------------------------------------------------- stages

// The walk in stages, each a test of its own that starts where the one
// before ended: from the home folder as the game left it at its quit, the
// clock of that moment and the frames shown so far. CTest runs the stages of
// a device in order and brings the stages before into a run that picks a
// later one (WholeGameStages.cmake, which reads the tests' names).
using Step = void (TutorialWalk::*)();
using Stage = test::PlayStage<TutorialWalk>;
const std::vector<Stage>& stages()
{
    static const std::vector<Stage> all = {
        {"first_round",
         {&TutorialWalk::opening, &TutorialWalk::settlement, &TutorialWalk::fieldsBuilt, &TutorialWalk::fieldPopUp,
          &TutorialWalk::firstHarvest, &TutorialWalk::bakery}},
        {"mine", {&TutorialWalk::mine}},
        {"hiring", {&TutorialWalk::hiring}},
        {"tools", {&TutorialWalk::tools}},
        {"carrots", {&TutorialWalk::carrots}},
        {"market", {&TutorialWalk::market}},
        {"city", {&TutorialWalk::city}},
    };
    return all;
}

// The ends of the stages, kept for the next, with the note "shown" (the
// frames shown up to then); the game data's files stamp them.
const test::StageEnds& stageEnds()
{
    static const test::StageEnds ends("tutorial-walk", test::StageEnds::namesOf(stages()),
                                      {"test.xml", "stringdb.csv"});
    return ends;
}

std::set<int32_t> shownBy(const std::string& device, size_t stage)
{
    std::set<int32_t> frames;
    std::istringstream in(stageEnds().note(device, stage, "shown"));
    for (int32_t n; in >> n;) frames.insert(n);
    return frames;
}

// Plays `stage` from the end the stage before kept (the first from an empty
// home folder); keeps its end when nothing failed. Answers the frames shown
// up to its end.
std::set<int32_t> playStage(const std::string& device, size_t stage, std::set<int32_t>* defined = nullptr)
{
    SCOPED_TRACE(std::string("stage ") + stages()[stage].name);
    stageEnds().discard(device, stage);
    const double wall = stage == 0 ? kLaunchWall : stageEnds().wall(device, stage - 1);
    TutorialWalk walk(device, wall);
    std::vector<Step> steps = stages()[stage].steps;
    if (stage > 0) {
        EXPECT_TRUE(stageEnds().restore(device, stage - 1, walk.game.home.path())) << "the stage before's end";
        walk.shown = shownBy(device, stage - 1);
        steps.insert(steps.begin(), &TutorialWalk::continueVillage);
    }
    for (Step step : steps) {
        const auto started = std::chrono::steady_clock::now();
        (walk.*step)();
        std::printf("%s stage %zu step: %.1f s\n", device.c_str(), stage + 1,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        if (::testing::Test::HasFatalFailure()) break;
    }
    EXPECT_TRUE(walk.missing().empty()) << "asked for and not shown: " << ::testing::PrintToString(walk.missing());
    for (const std::string& grant : walk.grants) std::printf("granted: %s\n", grant.c_str());
    std::string seen;
    for (int32_t n : walk.shown) seen += " " + std::to_string(n);
    std::printf("frames shown so far:%s\n", seen.c_str());
    if (defined && walk.game.running())
        for (const auto& [id, def] : walk.game.profile().TutorialDict) defined->insert(id);
    if (::testing::Test::HasFatalFailure()) return walk.shown;
    walk.quit();
    if (!::testing::Test::HasFailure()) {
        std::string frames;
        for (int32_t n : walk.shown) frames += std::to_string(n) + "\n";
        stageEnds().keep(device, stage, walk.game.home.path(), walk.game.wallSeconds(), {{"shown", frames}});
    }
    return walk.shown;
}

// The end of `stage` kept by this build, played here when no earlier test kept it.
bool ensureKept(const std::string& device, size_t stage)
{
    return stageEnds().ensureKept(device, stage, [&](size_t missing) {
        (void)playStage(device, missing);
        return true;
    });
}

struct Walked {
    const char* device;
    int stage;
};
void PrintTo(const Walked& w, std::ostream* out) { *out << w.device << ", stage " << w.stage + 1; }

class TutorialWalkTest : public ::testing::TestWithParam<Walked> {};

// Every frame a stage's places ask for reaches the screen; at the end of the
// last stage, every frame the game data defines has been shown.
TEST_P(TutorialWalkTest, ANewPlayerSeesEveryFrame)
{
    const Walked& w = GetParam();
    const size_t stage = size_t(w.stage);
    if (stage > 0) {
        ASSERT_TRUE(ensureKept(w.device, stage - 1)) << "the stage before";
    }
    const bool last = stage + 1 == stages().size();
    std::set<int32_t> defined;
    const std::set<int32_t> shown = playStage(w.device, stage, last ? &defined : nullptr);
    if (!last || HasFatalFailure()) return;
    ASSERT_FALSE(defined.empty()) << "the game data's frames";
    std::vector<int32_t> never;
    for (int32_t n : defined)
        if (!shown.count(n)) never.push_back(n);
    EXPECT_TRUE(never.empty()) << "defined and never shown: " << ::testing::PrintToString(never);
}

std::vector<Walked> everyStage()
{
    std::vector<Walked> all;
    for (const char* device : {"phone", "tablet"})
        for (int stage = 0; stage < int(stages().size()); ++stage) all.push_back({device, stage});
    return all;
}

// Names as WholeGameStages.cmake reads them: "<device>_stage<n>_<stage>".
INSTANTIATE_TEST_SUITE_P(Walk, TutorialWalkTest, ::testing::ValuesIn(everyStage()), [](const auto& info) {
    std::string name =
        std::string(info.param.device) + "_stage" + std::to_string(info.param.stage + 1) + "_" +
        stages()[size_t(info.param.stage)].name;
    for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

} // namespace
} // namespace mw
