#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "foundation/Paths.h"
#include "game/front/CCTransitionDoors.h"
#include "engine/transitions/CCTransitionFade.h"
#include "game/front/LoadingScene.h"
#include "game/front/MainMenuScene.h"
#include "game/state/SaveFile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/StatsCell.h"
#include "game/village/StatsScene.h"
#include "game/village/VillageScene.h"
#include "game/village/InAppPopUp.h"
#include "game/front/MainMenuPopUp.h"
#include "game/village/screens/MicroLayer.h"
#include "game/village/screens/ShopLayer.h"
#include "game/village/screens/ShopPopUp.h"
#include "engine/tables/CCTableView.h"
#include "game/village/tutorial/TutorialAnim.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "game/village/CCBonusItem.h"
#include "game/village/LevelUpPopUp.h"
#include "game/village/ListLayer.h"
#include "game/village/hud/HirePopUp.h"
#include "game/boards/Board.h"
#include "game/boards/CountryBoard.h"
#include "game/boards/CountrySideScene.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/FieldPopUp.h"
#include "game/boards/Puzzle.h"
#include "game/state/Collectible.h"
#include "game/state/UpgradeItem.h"
#include "game/defs/MapObject.h"
#include "game/defs/XMLManager.h"
#include "tests/game/front/StageEnds.h"
#include "tests/game/front/WholeGameSupport.h"

namespace mw {
namespace {

using test::GameRun;
using test::buildMarkers;
using test::nodesOf;
using test::stockFor;

// 2026-06-15 12:00:00 UTC.
constexpr double kLaunchWall = 1781524800.0;
constexpr uint32_t kSeed = 20260615;
constexpr int32_t kFields = 91, kBakery = 28, kMarket = 18, kWorkshop = 19, kGrainPicker = 9, kMine = 29;
// A name with Polish letters: 9 characters, 9 UTF-16 units.
const std::string kVillageName = "Łękawica";

// One player's whole game on one device profile. `openingOnly` stops at the
// first frame of the map's tutorial.
class WholeGame {
public:
    WholeGame(const std::string& device, bool openingOnly, double wall = kLaunchWall)
        : game(device, wall, kSeed), openingOnly_(openingOnly)
    {
    }

    GameRun game;

    // Game time on the running driver (a relaunch starts its own).
    double gameSeconds() { return game.running() ? game.driver().clock().monotonicSeconds() : 0; }
    VillageScene* village() { return game.sceneAs<VillageScene>(); }
    GuiObject& hud() { return *village()->GetGUI(); }
    MapScene* map() { return village() ? dynamic_cast<MapScene*>(village()->GetLayer()) : nullptr; }
    TutorialFrameDef* frame(int32_t n) { return game.profile().GetTutorialDef(n); }

    // The tutorial pop-up of frame `n` now on screen, or null.
    TutorialPopup* popUpOf(int32_t n)
    {
        for (TutorialPopup* popUp : nodesOf<TutorialPopup>(game.scene()))
            if (popUp->frameDef() && popUp->frameDef()->ID == n && !popUp->frameDef()->Done) return popUp;
        return nullptr;
    }
    // Frame `n` is shown, waits for its show to end, and a tap anywhere
    // dismisses it.
    void dismissFrame(int32_t n)
    {
        SCOPED_TRACE("frame " + std::to_string(n));
        ASSERT_TRUE(game.runUntil([&] { return popUpOf(n) != nullptr; }, 3)) << "frame " << n << " not shown";
        TutorialPopup* popUp = popUpOf(n);
        ASSERT_TRUE(game.runUntil([&] { return popUp->showed(); }, 3));
        game.tapAt(game.centre());
        EXPECT_TRUE(frame(n)->Done);
        game.run(0.1);
    }
    // The HUD's top bar as the profile says it.
    void expectHudShowsProfile()
    {
        Profile& p = game.profile();
        EXPECT_EQ(hud().goldLabel()->string(), std::to_string(p.GoldCount));
        EXPECT_EQ(hud().levelLabel()->string(), std::to_string(p.PlayerLevel));
        EXPECT_EQ(hud().villageNameLabel()->string(), p.VillageName);
    }

    // Launch, loading, the main menu without a save, the name, the intro
    // and the doors into the new village's map.
    void opening()
    {
        ASSERT_TRUE(game.launch()) << "no headless GL context";
        game.run(0.1);
        ASSERT_NE(nodesOf<LoadingScene>(game.scene()).size(), 0u) << "the loading scene first";
        game.picture("loading");
        ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 15))
            << "the loading scene's hand-over";
        MainMenuScene* menu = game.sceneAs<MainMenuScene>();
        EXPECT_NE(XMLManager::sharedInstance()->GetAnimationNamed("build.xml"), nullptr) << "definitions loaded";
        EXPECT_FALSE(game.profile().Loaded) << "no save";
        EXPECT_EQ(menu->btMain, nullptr) << "no village name without a save";
        game.run(1.5);
        game.picture("menu-new-game");

        ASSERT_NE(menu->menu2m, nullptr);
        ASSERT_GT(menu->menu2m->children()->count(), 0u);
        game.tap(static_cast<CCNode*>(menu->menu2m->children()->objectAtIndex(0)));
        AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
        ASSERT_NE(alert, nullptr) << "the name alert";
        EXPECT_EQ(alert->title, GameRun::text("MM_NAME_VILLAGE"));
        ASSERT_TRUE(game.driver().typeText(kVillageName));
        ASSERT_TRUE(game.driver().pressAlertButton(1));
        EXPECT_EQ(AlertViewPresenter::sharedPresenter().frontAlert(), nullptr);

        // The four intro pages, each named by its sound.
        for (const char* page : {"intro1", "intro2", "intro3", "intro4"}) {
            ASSERT_TRUE(game.runUntil([&] { return game.played(page) == 1; }, 8)) << page;
            game.run(1.0);
            ASSERT_NE(menu->IntroText, nullptr);
            if (std::string(page) == "intro1") {
                EXPECT_EQ(menu->IntroText->string(), kVillageName + " " + GameRun::text("INTRO_01"));
                game.picture("intro-page1");
            }
            if (std::string(page) == "intro4") {
                EXPECT_EQ(menu->IntroText->string(), GameRun::text("INTRO_04") + " " + kVillageName + ".");
            }
        }
        EXPECT_EQ(game.profile().VillageName, kVillageName);
        EXPECT_TRUE(game.profile().ConfigLoaded) << "the game data parsed for the new village";
        ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<CCTransitionDoorsFromMenu>() != nullptr; }, 12))
            << "the doors";
        game.run(0.3);
        game.picture("doors");
        ASSERT_TRUE(game.runUntil([&] { return village() != nullptr; }, 5)) << "into the village";
        ASSERT_NE(map(), nullptr);
        EXPECT_EQ(village()->currentLayerId(), VillageScene::kMapLayer);
    }

    // The map's frames 0 to 2 and the settlement arrow.
    void firstFrames()
    {
        for (int32_t n : {0, 1, 2}) {
            ASSERT_TRUE(game.runUntil([&] { return popUpOf(n) != nullptr; }, 3)) << n;
            EXPECT_FALSE(hud().IsActive()) << "the frame holds the input";
            if (n == 0) {
                game.run(1.5);
                game.picture("map-frame0");
                expectHudShowsProfile();
                if (openingOnly_) return;
            }
            dismissFrame(n);
            if (::testing::Test::HasFatalFailure()) return;
        }
        for (int32_t n : {0, 1, 2}) EXPECT_TRUE(frame(n)->Done) << n;
        ASSERT_TRUE(game.runUntil([&] { return map()->settleButton() != nullptr; }, 3));
        EXPECT_TRUE(frame(2)->ArrowAfter);
        EXPECT_FALSE(frame(2)->ArrowAfterDone);
        EXPECT_EQ(nodesOf<CCTutorialArrow>(map()).size(), 1u) << "the settlement arrow";
        EXPECT_TRUE(hud().IsActive());
        game.run(1.0);
        game.picture("settlement-arrow");
    }


    // The settlement: the statistics screen, frames 3 to 5 and the first
    // taxes, then back to the map.
    void statistics()
    {
        const int32_t goldBefore = game.profile().GoldCount;
        ASSERT_GT(game.profile().CurrentTaxes, 0) << "a new village starts with taxes waiting";
        game.tap(map()->settleButton());
        game.run(0.2);
        ASSERT_EQ(village()->currentLayerId(), VillageScene::kStatsLayer);
        auto* stats = dynamic_cast<StatsScene*>(village()->GetLayer());
        ASSERT_NE(stats, nullptr);
        ASSERT_TRUE(game.runUntil([&] { return popUpOf(3) != nullptr; }, 3));
        game.run(1.5);
        game.picture("stats-frame3");
        dismissFrame(3);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_TRUE(game.runUntil([&] { return stats->getChildByTag(StatsScene::kTaxArrowTag) != nullptr; }, 2))
            << "arrow 876 at the collect button";
        auto* page = dynamic_cast<StatsCell*>(stats->table()->cellAtIndex(0));
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(page->taxButton()->isEnabled());
        const int32_t tax = StatsCell::taxForLevel(game.profile().CityLevel);
        game.tap(page->taxButton());
        EXPECT_EQ(game.played("collect_tax"), 1);
        EXPECT_EQ(game.profile().CurrentTaxes, 0);
        EXPECT_EQ(game.profile().GoldCount, goldBefore + tax);
        EXPECT_EQ(game.profile().TaxesCollected, tax);
        EXPECT_EQ(page->currentTaxesLabel()->string(), "0");
        EXPECT_FALSE(page->taxButton()->isEnabled());
        EXPECT_NE(GlobalObject::sharedInstance()->GetTimeTillNotification(MapScene::kTaxEvent), -1)
            << "the next taxes queued";
        game.run(0.2);
        EXPECT_TRUE(frame(2)->ArrowAfterDone) << "the watch marks the settlement arrow followed";
        EXPECT_TRUE(frame(3)->ArrowAfterDone);
        expectHudShowsProfile();
        dismissFrame(4);
        if (::testing::Test::HasFatalFailure()) return;
        EXPECT_TRUE(frame(3)->ArrowAfterDone);
        game.run(0.5);
        game.picture("stats-frame5");
        dismissFrame(5);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_TRUE(game.runUntil([&] { return hud().getChildByTag(StatsScene::kBackArrowTag) != nullptr; }, 2))
            << "arrow 897 at Back";
        game.tap(hud().BackButton);
        game.run(0.2);
        ASSERT_NE(map(), nullptr);
        EXPECT_EQ(village()->currentLayerId(), VillageScene::kMapLayer);
    }

    // Frames 6 and 7, the Build arrow, the fields bought from the buildings
    // list and placed on slot 3, their bonuses collected and the level-up.
    void fields()
    {
        dismissFrame(6);
        if (::testing::Test::HasFatalFailure()) return;
        dismissFrame(7);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_TRUE(game.runUntil([&] { return hud().getChildByTag(898) != nullptr; }, 2)) << "the Build arrow";
        EXPECT_TRUE(hud().IsActive());
        game.run(0.7);
        game.picture("build-arrow");
        game.tap(hud().BuildButton);
        game.run(0.3);
        ASSERT_EQ(village()->currentLayerId(), VillageScene::kBuildingsLayer);
        auto* list = dynamic_cast<ListLayer*>(village()->GetLayer());
        ASSERT_NE(list, nullptr);
        ASSERT_FALSE(game.profile().BuildingsDict.empty());
        ASSERT_EQ(game.profile().BuildingsDict.front(), kFields) << "the fields head the list";
        auto* row = dynamic_cast<ListRow*>(list->table()->cellAtIndex(0));
        ASSERT_NE(row, nullptr);
        ASSERT_NE(row->rowMenu(), nullptr);
        game.picture("buildings-list");
        game.tap(static_cast<CCNode*>(row->rowMenu()->children()->objectAtIndex(0)));
        game.run(0.5);
        auto popUps = nodesOf<HirePopUp>(&hud());
        ASSERT_EQ(popUps.size(), 1u) << "the hire pop-up";
        ASSERT_NE(popUps[0]->craftButton(), nullptr);
        game.picture("fields-pop-up");
        game.tap(popUps[0]->craftButton());
        game.run(0.5);
        ASSERT_NE(map(), nullptr);
        EXPECT_EQ(map()->mapState(), MapScene::kStateBuild);
        EXPECT_EQ(game.profile().GetUpgradeCount(kFields), 1) << "paid for";
        CCNode* marker = map()->menu() ? map()->menu()->getChildByTag(3 * MapScene::kBuildMarkerFactor) : nullptr;
        ASSERT_NE(marker, nullptr) << "slot 3 offered";
        game.tap(marker);
        game.run(MapScene::kBuildSeconds + 0.1);
        EXPECT_EQ(XMLManager::sharedInstance()->MapObjects.at(3)->IDBuild, kFields);
        ASSERT_NE(map()->farmButton(), nullptr) << "the field entrance";

        // The bonuses dropped by the fields: each tapped once it has landed.
        const int32_t levelBefore = game.profile().PlayerLevel;
        const int32_t goldBefore = game.profile().GoldCount;
        const float experienceBefore = game.profile().Experience;
        game.run(1.0);
        game.picture("fields-bonuses");
        collectBonuses();
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_TRUE(game.runUntil([&] { return !nodesOf<LevelUpPopUp>(game.scene()).empty(); }, 4))
            << "the level-up pop-up";
        EXPECT_EQ(game.profile().PlayerLevel, levelBefore + 1);
        EXPECT_GT(game.profile().Experience, experienceBefore) << "the experience banked";
        LevelUpPopUp* levelUp = nodesOf<LevelUpPopUp>(game.scene()).front();
        const int32_t reward = LevelUpPopUp::rewardForLevel(game.profile().PlayerLevel);
        EXPECT_GT(reward, 0);
        EXPECT_EQ(game.profile().GoldCount, goldBefore + reward) << "the reward paid";
        game.run(1.5);
        game.picture("level-up");
        ASSERT_NE(levelUp->continueButton(), nullptr);
        game.tap(levelUp->continueButton());
        game.run(0.5);
        expectHudShowsProfile();
    }

    void collectBonuses()
    {
        for (int round = 0; round < 20; ++round) {
            std::vector<CCBonusItem*> items = nodesOf<CCBonusItem>(hud().bonusParent());
            if (items.empty()) return;
            // A level reached on a bonus holds the map until its pop-up is
            // closed, as a player does before tapping the rest.
            if (!nodesOf<LevelUpPopUp>(game.scene()).empty()) {
                closeLevelUps();
                if (::testing::Test::HasFatalFailure()) return;
                continue;
            }
            game.tap(items.front());
            game.run(0.3);
        }
        FAIL() << "bonus items left on the map";
    }

    // Frames 8 and 9, the field entrance arrow, the field pop-up and a field
    // session played by the bot to its summary, then the village again.
    void fieldSession()
    {
        dismissFrame(8);
        if (::testing::Test::HasFatalFailure()) return;
        dismissFrame(9);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_NE(map()->farmButton(), nullptr);
        ASSERT_TRUE(game.runUntil([&] { return !nodesOf<CCTutorialArrow>(map()).empty(); }, 2))
            << "the field entrance arrow";
        game.run(0.5);
        game.picture("field-arrow");
        game.tap(map()->farmButton());
        game.run(0.5);
        auto popUps = nodesOf<FieldPopUp>(&hud());
        ASSERT_EQ(popUps.size(), 1u) << "the field pop-up";
        FieldPopUp* popUp = popUps[0];
        dismissFrame(FieldPopUp::kTutorialFrame);
        game.picture("field-pop-up");
        const int32_t gold = game.profile().GoldCount;
        ASSERT_EQ(popUp->buttons()->children()->count(), 2u);
        game.tap(static_cast<CCNode*>(popUp->buttons()->children()->objectAtIndex(1)));
        EXPECT_EQ(game.profile().GoldCount, gold - FieldPopUp::kPrice);
        ASSERT_TRUE(game.runUntil([&] { return board() != nullptr; }, 3)) << "the fade to the fields";
        game.run(1.0);
        game.picture("field-board");
        playField();
        if (::testing::Test::HasFatalFailure()) return;
        EndOfPopUp* summary = nodesOf<EndOfPopUp>(game.scene()).front();
        game.run(1.0);
        game.picture("field-summary");
        ASSERT_NE(summary->ContinueButton, nullptr);
        game.tap(summary->ContinueButton.get());
        ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<CCTransitionFade>() != nullptr; }, 2))
            << "a fade";
        ASSERT_TRUE(game.runUntil([&] { return village() != nullptr; }, 3)) << "a new village scene";
        ASSERT_NE(map(), nullptr);
        EXPECT_EQ(AlertViewPresenter::sharedPresenter().frontAlert(), nullptr) << "nothing of the board left";
    }

    CountryBoard* board()
    {
        CCScene* scene = game.scene();
        auto* layer = scene ? dynamic_cast<CountrySideScene*>(scene->getChildByTag(CountrySideScene::kTagLayer))
                            : nullptr;
        return layer ? layer->board() : nullptr;
    }
    using Cell = std::pair<int, int>;
    // The longest chain of up to `limit` tiles that counts, or empty. A lone
    // coin counts (its least group is 1): when it is the board's only move
    // the game asks no shuffle, and a player taps it.
    std::vector<Cell> findChain(CountryBoard* field, size_t limit = 8)
    {
        return test::findFieldChain(*field, limit);
    }
    // A finger drawn through the cells on the running board.
    void drawChain(CountryBoard* field, const std::vector<Cell>& cells)
    {
        const auto at = [&](const Cell& cell) {
            const Puzzle* tile = field->puzzleAt(cell.first, cell.second);
            const CGPoint gl = field->convertToWorldSpace(tile->GetMidpointPosition());
            return CGPoint {gl.x, game.win().height - gl.y};
        };
        Ref<UITouch> touch = game.driver().touchDown(at(cells.front()));
        for (size_t i = 1; i < cells.size(); ++i) {
            game.driver().touchMove(touch.get(), at(cells[i]));
            game.driver().runFrames(1);
        }
        game.driver().touchUp(touch.get());
    }
    // Any tutorial frame or lesson overlay on screen dismissed with a tap.
    bool dismissAnyLesson()
    {
        for (TutorialAnim* overlay : nodesOf<TutorialAnim>(game.scene())) {
            if (overlay->continueButton() && test::onScreen(overlay->continueButton())) {
                game.tap(overlay->continueButton());
                ++lessons;
                return true;
            }
        }
        for (TutorialPopup* popUp : nodesOf<TutorialPopup>(game.scene())) {
            if (popUp->showed() && popUp->frameDef() && !popUp->frameDef()->Done) {
                game.tapAt(game.centre());
                ++lessons;
                return true;
            }
        }
        return false;
    }
    // The bot plays the board to its summary.
    void playField()
    {
        for (int guard = 0; guard < 800; ++guard) {
            if (!nodesOf<EndOfPopUp>(game.scene()).empty()) return;
            CountryBoard* field = board();
            ASSERT_NE(field, nullptr);
            // The no-moves alert stands over any lesson and takes its taps:
            // it is answered first, as a player must.
            while (game.driver().pressAlertButton(0)) game.run(0.5);
            if (dismissAnyLesson()) {
                game.run(0.3);
                continue;
            }
            if (game.profile().countryStepsForBar == 0 || !field->isTouchEnabled() || field->isInputBlocked()) {
                game.run(0.3);
                continue;
            }
            const std::vector<Cell> chain = findChain(field);
            if (chain.empty()) {
                game.run(0.3);
                continue;
            }
            drawChain(field, chain);
            ++chains;
            // The turn's animations and checks run out before the next chain.
            game.run(0.3);
            game.runUntil([&] { return field->isTouchEnabled() && !field->isInputBlocked(); }, 3);
        }
        FAIL() << "the field session did not reach its summary";
    }

    // ---- the village's first buildings, as the tutorial asks for them

    // A change to the profile standing in for play the script leaves out
    // (sessions in the mine and the fields), logged.
    void grant(const std::string& what, const std::function<void(Profile&)>& change)
    {
        logLine("whole game: granted %s", what.c_str());
        grants.push_back(what);
        change(game.profile());
    }
    void markDone(std::initializer_list<int32_t> frames)
    {
        for (int32_t n : frames)
            if (TutorialFrameDef* def = frame(n)) {
                def->Done = true;
                def->ArrowAfterDone = true;
            }
    }
    // Dismisses the frames shown until `until` holds; answers their numbers.
    std::vector<int32_t> followTutorial(const std::function<bool()>& until, double seconds = 8)
    {
        std::vector<int32_t> shown;
        for (int frame = 0; frame < int(seconds / GameRun::kStep) && !until(); ++frame) {
            for (TutorialPopup* popUp : nodesOf<TutorialPopup>(game.scene())) {
                if (popUp->showed() && popUp->frameDef() && !popUp->frameDef()->Done) {
                    shown.push_back(popUp->frameDef()->ID);
                    game.tapAt(game.centre());
                    break;
                }
            }
            game.driver().runFrames(1);
        }
        return shown;
    }
    // Row `index` of a list brought on screen by dragging the list.
    ListRow* rowOnScreen(ListLayer* list, uint32_t index)
    {
        for (int drag = 0; drag < 30; ++drag) {
            if (auto* row = dynamic_cast<ListRow*>(list->table()->cellAtIndex(index));
                row && row->rowMenu() && test::onScreen(row) &&
                GameRun::centreOf(row).y > game.win().height * 0.15f &&
                GameRun::centreOf(row).y < game.win().height * 0.85f)
                return row;
            const CGPoint from = {game.win().width / 2, game.win().height * 0.55f};
            Ref<UITouch> touch = game.driver().touchDown(from);
            for (int step = 1; step <= 6; ++step) {
                game.driver().touchMove(touch.get(), {from.x, from.y - step * game.win().height * 0.03f});
                game.driver().runFrames(1);
            }
            game.driver().touchUp(touch.get());
            game.run(0.8);
        }
        return nullptr;
    }
    HirePopUp* hirePopUp()
    {
        auto found = nodesOf<HirePopUp>(&hud());
        return found.empty() ? nullptr : found.back();
    }
    // Tab `tab` opened unless its layer is showing, and the first button of
    // the row `index` tapped.
    void openRow(CCMenuItem* tab, int32_t layer, uint32_t index)
    {
        if (village()->currentLayerId() != layer) {
            game.tap(tab);
            game.run(0.3);
        }
        ASSERT_EQ(village()->currentLayerId(), layer);
        auto* list = dynamic_cast<ListLayer*>(village()->GetLayer());
        ASSERT_NE(list, nullptr);
        followTutorial([&] { return hud().IsActive(); }, 3);
        ListRow* row = rowOnScreen(list, index);
        ASSERT_NE(row, nullptr) << "row " << index;
        game.tap(static_cast<CCNode*>(row->rowMenu()->children()->objectAtIndex(0)));
        game.run(0.5);
    }
    static uint32_t indexOf(const std::vector<int32_t>& list, int32_t id)
    {
        auto at = std::find(list.begin(), list.end(), id);
        EXPECT_NE(at, list.end()) << id << " not offered";
        return uint32_t(at - list.begin());
    }
    // The building bought from the Build list with resources and placed on
    // the first slot offered; its bonuses collected and any level-up closed.
    void buildFromList(int32_t building, const char* pictureName = nullptr)
    {
        SCOPED_TRACE("building " + std::to_string(building));
        game.profile().RegenerateBuyIndexes();
        openRow(hud().BuildButton, VillageScene::kBuildingsLayer, indexOf(game.profile().BuildingsDict, building));
        if (::testing::Test::HasFatalFailure()) return;
        HirePopUp* popUp = hirePopUp();
        ASSERT_NE(popUp, nullptr);
        ASSERT_NE(popUp->craftButton(), nullptr);
        ASSERT_TRUE(popUp->craftButton()->isEnabled()) << "enough resources";
        const int32_t owned = game.profile().GetUpgradeCount(building);
        game.tap(popUp->craftButton());
        game.run(0.5);
        ASSERT_NE(map(), nullptr);
        EXPECT_EQ(game.profile().GetUpgradeCount(building), owned + 1);
        const std::vector<CCNode*> markers = buildMarkers(*map());
        ASSERT_FALSE(markers.empty()) << "a slot offered";
        CCNode* marker = markers.front();
        const int32_t slot = marker->tag() / MapScene::kBuildMarkerFactor;
        game.tap(marker);
        game.driver().runFrames(1);
        if (map()->mapState() == MapScene::kStateConfirm) {
            game.tap(marker);
            game.driver().runFrames(1);
        }
        game.run(MapScene::kBuildSeconds + 0.2);
        EXPECT_EQ(XMLManager::sharedInstance()->MapObjects.at(slot)->IDBuild, building);
        game.run(0.8);
        if (pictureName) game.picture(pictureName);
        collectBonuses();
        closeLevelUps();
    }
    void closeLevelUps()
    {
        for (int round = 0; round < 5; ++round) {
            game.run(0.4);
            auto levelUps = nodesOf<LevelUpPopUp>(game.scene());
            if (levelUps.empty()) return;
            game.run(0.6);
            ASSERT_NE(levelUps.front()->continueButton(), nullptr);
            game.tap(levelUps.front()->continueButton());
        }
    }

    // Back in the village after the fields: frames 18 and 19, the bakery
    // the tutorial asks for, and its timed bonus once the clock reaches it.
    // (The fields carry no timed bonus: the map's touch search passes over
    // the entrances, so none could be collected; the game-data test keeps
    // every timed bonus on a building a tap can reach.)
    void afterFields()
    {
        std::vector<int32_t> shown = followTutorial([&] { return hud().getChildByTag(900) != nullptr; });
        ASSERT_NE(hud().getChildByTag(900), nullptr) << "the Build arrow of frame 19";
        EXPECT_NE(std::find(shown.begin(), shown.end(), 18), shown.end()) << "welcome back";
        EXPECT_NE(std::find(shown.begin(), shown.end(), 19), shown.end()) << "the bakery asked for";
        expectHudShowsProfile();
        buildFromList(kBakery, "bakery-built");
        if (::testing::Test::HasFatalFailure()) return;
        EXPECT_EQ(AlertViewPresenter::sharedPresenter().frontAlert(), nullptr) << "nothing of the board left";
        const float wait = GlobalObject::sharedInstance()->GetTimeTillNotification(kBakery);
        ASSERT_GT(wait, 0) << "the bakery's timed bonus queued";
        EXPECT_FALSE(game.profile().GetUpgrade(kBakery)->BonusReady);
        game.driver().clock().advance(wait + 1);
        game.run(1.0);
        EXPECT_TRUE(game.profile().GetUpgrade(kBakery)->BonusReady) << "ready once the clock reaches it";
        game.picture("bakery-ready");
        const int32_t gold = game.profile().GoldCount;
        CCNode* bakery = nullptr;
        for (Object* child : *map()->pageParent()->children())
            if (static_cast<CCNode*>(child)->tag() == kBakery) bakery = static_cast<CCNode*>(child);
        ASSERT_NE(bakery, nullptr);
        ASSERT_NE(bakery->getChildByTag(MapScene::kReadyMarkTag), nullptr) << "the ready mark";
        game.tapAt(bakery->parent()->convertToWorldSpace(bakery->position()));
        game.run(1.0);
        collectBonuses();
        closeLevelUps();
        EXPECT_EQ(game.profile().GoldCount, gold + game.profile().GetUpgrade(kBakery)->BonusMoney);
        expectHudShowsProfile();
    }

    // The cottage, the workshop and the market as the tutorial asks for
    // them, the mine and field lessons between them granted.
    void firstBuildings()
    {
        grant("level 3", [&](Profile& p) { p.PlayerLevel = std::max(p.PlayerLevel, 3); });
        grant("the mine's goods", [&](Profile& p) { stockFor(p, kMine); });
        reopenMap();
        followTutorial([&] { return hud().getChildByTag(900) != nullptr; });
        ASSERT_NE(hud().getChildByTag(900), nullptr) << "the Build arrow of frame 71";
        buildFromList(kMine, "mine-built");
        if (::testing::Test::HasFatalFailure()) return;
        followTutorial([&] { return frame(22)->Done; });
        EXPECT_TRUE(frame(20)->Done && frame(21)->Done && frame(22)->Done) << "the mine's frames";
        grant("level 4 and the mine's session with its lessons (frames 23 to 29)", [&](Profile& p) {
            p.PlayerLevel = std::max(p.PlayerLevel, 4);
            markDone({22, 23, 24, 25, 26, 27, 28, 29, 87});
        });
        grant("the cottage's goods", [&](Profile& p) { stockFor(p, 21); });
        reopenMap();
        followTutorial([&] { return hud().getChildByTag(901) != nullptr; });
        ASSERT_NE(hud().getChildByTag(901), nullptr) << "the Build arrow of frame 30";
        buildFromList(21, "cottage-built");
        if (::testing::Test::HasFatalFailure()) return;
        // The map asks its tutorial again when the player comes back to it.
        reopenMap();
        std::vector<int32_t> shown = followTutorial([&] { return hud().getChildByTag(902) != nullptr; });
        ASSERT_NE(hud().getChildByTag(902), nullptr)
            << "the arrow of frame 32; shown " << ::testing::PrintToString(shown)
            << " layer " << village()->currentLayerId() << " 31 " << frame(31)->Done << " 32 " << frame(32)->Done
            << " level " << game.profile().PlayerLevel;
        grant("the grain picker's goods", [&](Profile& p) { stockFor(p, kGrainPicker); });
        game.profile().RegenerateBuyIndexes();
        openRow(hud().WorkersButton, VillageScene::kWorkersLayer, indexOf(game.profile().WorkersDict, kGrainPicker));
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_NE(hirePopUp(), nullptr);
        game.picture("hire-grain-picker");
        const int32_t pickers = game.profile().GetUpgradeCount(kGrainPicker);
        game.tap(hirePopUp()->craftButton());
        game.run(0.8);
        EXPECT_EQ(game.profile().GetUpgradeCount(kGrainPicker), pickers + 1) << "hired";
        followTutorial([] { return false; }, 1.5);
        game.tap(hud().BackButton);
        game.run(0.5);
        grant("the fields' session with the picker and its lessons (frames 33 to 36), revealing the workshop",
              [&](Profile& p) {
                  markDone({33, 34, 35, 36});
                  reveal(p, kWorkshop);
              });
        grant("the workshop's goods", [&](Profile& p) { stockFor(p, kWorkshop); });
        reopenMap();
        followTutorial([&] { return hud().getChildByTag(906) != nullptr; });
        ASSERT_NE(hud().getChildByTag(906), nullptr) << "the Build arrow of frame 37";
        buildFromList(kWorkshop, "workshop-built");
        if (::testing::Test::HasFatalFailure()) return;
        followTutorial([] { return false; }, 2);
        grant("level 5, the mine with shovels and the fields' later lessons (frames 38 to 54), revealing the market",
              [&](Profile& p) {
                  p.PlayerLevel = std::max(p.PlayerLevel, 5);
                  markDone({38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54});
                  reveal(p, kMarket);
              });
        grant("the market's goods", [&](Profile& p) { stockFor(p, kMarket); });
        reopenMap();
        followTutorial([&] { return hud().getChildByTag(911) != nullptr; });
        ASSERT_NE(hud().getChildByTag(911), nullptr) << "the Build arrow of frame 55";
        buildFromList(kMarket, "market-built");
        if (::testing::Test::HasFatalFailure()) return;
        followTutorial([&] { return hud().getChildByTag(912) != nullptr; });
        EXPECT_NE(hud().getChildByTag(912), nullptr) << "the Shop arrow of frame 56";
        expectHudShowsProfile();
    }
    static void reveal(Profile& p, int32_t upgrade)
    {
        UpgradeItem* item = p.GetUpgrade(upgrade);
        ASSERT_NE(item, nullptr);
        if (!item->isHidden) return;
        p.SetObjectSeen(upgrade);
        item->isHidden = false;
        p.RegenerateBuyIndexes();
    }
    // The map asked again, as it is when the village comes back to it.
    void reopenMap()
    {
        followTutorial([&] { return hud().IsActive(); }, 3);
        if (village()->currentLayerId() != VillageScene::kMapLayer) {
            game.tap(hud().BackButton);
            game.run(0.5);
        }
        game.tap(hud().BuildButton);
        game.run(0.3);
        ASSERT_EQ(village()->currentLayerId(), VillageScene::kBuildingsLayer);
        game.tap(hud().BackButton);
        game.run(0.5);
        ASSERT_NE(map(), nullptr);
    }

    // The shop, tools and workers tabs: one good bought, one tool crafted,
    // one worker hired.
    void tabs()
    {
        // The shop: the first good, one unit.
        game.tap(hud().ShopButton);
        game.run(0.5);
        ASSERT_EQ(village()->currentLayerId(), VillageScene::kShopLayer);
        followTutorial([&] { return hud().IsActive(); }, 3);
        auto* shop = dynamic_cast<ListLayer*>(village()->GetLayer());
        ASSERT_NE(shop, nullptr);
        auto* good = dynamic_cast<ShopCell*>(shop->table()->cellAtIndex(0));
        ASSERT_NE(good, nullptr);
        game.picture("shop");
        const int32_t gold = game.profile().GoldCount;
        game.tap(good->buyButton());
        game.run(0.5);
        auto buys = nodesOf<BuyPopUp>(&hud());
        ASSERT_EQ(buys.size(), 1u) << "the buy pop-up";
        game.tap(buys[0]->confirmButton());
        game.run(0.5);
        EXPECT_LT(game.profile().GoldCount, gold) << "bought";
        expectHudShowsProfile();

        // The tools: the first one crafted.
        game.profile().RegenerateBuyIndexes();
        ASSERT_FALSE(game.profile().ToolsDict.empty());
        const int32_t tool = game.profile().ToolsDict.front();
        grant("the goods of tool " + std::to_string(tool), [&](Profile& p) { stockFor(p, tool); });
        openRow(hud().ToolsButton, VillageScene::kToolsLayer, 0);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_NE(hirePopUp(), nullptr);
        game.picture("tool-pop-up");
        const int32_t tools = game.profile().GetUpgradeCount(tool);
        game.tap(hirePopUp()->craftButton());
        game.run(0.8);
        EXPECT_GT(game.profile().GetUpgradeCount(tool), tools) << "crafted";
        followTutorial([] { return false; }, 1);

        // The workers: the first one hired.
        ASSERT_FALSE(game.profile().WorkersDict.empty());
        const int32_t worker = game.profile().WorkersDict.front();
        grant("the goods of worker " + std::to_string(worker), [&](Profile& p) { stockFor(p, worker); });
        openRow(hud().WorkersButton, VillageScene::kWorkersLayer, 0);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_NE(hirePopUp(), nullptr);
        const int32_t workers = game.profile().GetUpgradeCount(worker);
        game.tap(hirePopUp()->craftButton());
        game.run(0.8);
        EXPECT_EQ(game.profile().GetUpgradeCount(worker), workers + 1) << "hired";
        followTutorial([] { return false; }, 1);
        expectHudShowsProfile();
        game.tap(hud().BackButton);
        game.run(0.5);
        ASSERT_NE(map(), nullptr);
    }
    std::vector<std::string> grants;

    // A coin pack bought from the coin-pack tab with the fake store.
    void coinPack()
    {
        ASSERT_TRUE(hud().MicroButton && hud().MicroButton->isEnabled()) << "the coin-pack tab is open";
        const int32_t gold = game.profile().GoldCount;
        const std::vector<int32_t> shown = followTutorial([&] { return hud().IsActive(); }, 3);
        ASSERT_TRUE(hud().IsActive()) << ::testing::PrintToString(shown);
        game.tap(hud().MicroButton);
        game.run(0.3);
        ASSERT_EQ(village()->currentLayerId(), VillageScene::kMicroLayer) << ::testing::PrintToString(shown);
        auto* packs = dynamic_cast<MicroLayer*>(village()->GetLayer());
        ASSERT_NE(packs, nullptr);
        auto* row = dynamic_cast<TradeCell*>(packs->table()->cellAtIndex(0));
        ASSERT_NE(row, nullptr);
        game.picture("coin-packs");
        game.tap(row->buyButton());
        EXPECT_EQ(game.store->payments, std::vector<std::string> {InAppPurchase::productIdentifier(0)});
        auto purchases = nodesOf<InAppPopUp>(village());
        ASSERT_EQ(purchases.size(), 1u);
        InAppPopUp* purchase = purchases[0];
        ASSERT_TRUE(game.runUntil([&] { return purchase->succeeded(); }, 3)) << "the store's answers";
        EXPECT_EQ(game.profile().GoldCount, gold + game.profile().MicroGoldCount1);
        game.run(0.5);
        game.picture("coin-pack-bought");
        game.tap(purchase->successButton());
        game.run(0.5);
        expectHudShowsProfile();
        game.tap(hud().BackButton);
        game.run(0.3);
        ASSERT_NE(map(), nullptr);
    }

    MainMenuPopUp* options()
    {
        auto found = nodesOf<MainMenuPopUp>(&hud());
        return found.empty() ? nullptr : found.front();
    }
    // Options from the HUD: the sound off and Back; options again and the
    // main menu; the menu offers to continue the village and does.
    void optionsAndContinue()
    {
        game.tap(hud().MenuButton);
        game.run(0.5);
        ASSERT_NE(options(), nullptr);
        EXPECT_FALSE(hud().IsActive());
        ASSERT_TRUE(GlobalObject::sharedInstance()->isSoundEnable);
        game.tap(options()->SoundButton);
        EXPECT_FALSE(GlobalObject::sharedInstance()->isSoundEnable) << "the sound off";
        game.picture("options-sound-off");
        game.tap(options()->BackButton);
        game.run(0.3);
        EXPECT_EQ(options(), nullptr);
        EXPECT_TRUE(hud().IsActive());

        game.tap(hud().MenuButton);
        game.run(0.5);
        ASSERT_NE(options(), nullptr);
        left_ = snapshot();
        game.tap(options()->MenuButton);
        ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 5)) << "to the menu";
        game.run(1.5);
        MainMenuScene* menu = game.sceneAs<MainMenuScene>();
        EXPECT_TRUE(game.profile().Loaded);
        ASSERT_NE(menu->btMain, nullptr);
        EXPECT_EQ(static_cast<CCLabelTTF*>(menu->btMain->label())->string(), kVillageName);
        ASSERT_NE(menu->menu2m, nullptr);
        auto labels = nodesOf<CCLabelTTF>(menu->menu2m.get());
        bool continueShown = false;
        for (CCLabelTTF* label : labels)
            continueShown = continueShown || label->string() == GameRun::text("MM_CONTINUE");
        EXPECT_TRUE(continueShown) << "MM_CONTINUE";
        game.picture("menu-continue");
        game.tap(static_cast<CCNode*>(menu->menu2m->children()->objectAtIndex(0)));
        ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<CCTransitionDoorsFromMenu>() != nullptr; }, 5))
            << "the doors";
        ASSERT_TRUE(game.runUntil([&] { return village() != nullptr; }, 5)) << "into the village";
        game.run(1.0);
        ASSERT_NE(map(), nullptr);
        EXPECT_EQ(snapshot(), left_) << "the village as it was left";
        expectHudShowsProfile();
        game.picture("village-continued");
    }

    // The process launched on the home folder as the last quit left it,
    // and the village continued from the main menu onto its map.
    void continueVillage()
    {
        ASSERT_TRUE(game.launch()) << "no headless GL context";
        ASSERT_TRUE(game.runUntil([&] { return game.sceneAs<MainMenuScene>() != nullptr; }, 15));
        game.run(1.5);
        EXPECT_TRUE(game.profile().Loaded);
        MainMenuScene* menu = game.sceneAs<MainMenuScene>();
        ASSERT_NE(menu->btMain, nullptr);
        game.tap(static_cast<CCNode*>(menu->menu2m->children()->objectAtIndex(0)));
        ASSERT_TRUE(game.runUntil([&] { return village() != nullptr; }, 8))
            << "into the village; running " << typeid(*game.scene()).name() << ", alert " << frontAlertText();
        game.run(1.0);
        ASSERT_NE(map(), nullptr);
        expectHudShowsProfile();
        game.picture("continued");
    }
    // Quit from wherever the player is (the game saves); the process ends.
    void quit()
    {
        game.driver().lifeCycle().quit();
        game.profile().saveFile().waitUntilIdle();
        saveBytes = readFile(SaveFile::path());
        game.stop();
    }
    static std::string frontAlertText()
    {
        const AlertView* alert = AlertViewPresenter::sharedPresenter().frontAlert();
        return alert ? alert->message + " / " + ::testing::PrintToString(alert->buttonTitles) : "none";
    }
    static std::string readFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // What the player sees of a village: the figures and what stands where.
    struct Snapshot {
        std::string name;
        int32_t gold = 0, level = 0, cityLevel = 0;
        float experience = 0;
        std::vector<int32_t> resources;
        std::vector<std::pair<int32_t, int32_t>> slots; // slot, building
        std::vector<std::pair<int32_t, bool>> frames;   // frame, done
        bool operator==(const Snapshot&) const = default;
        friend std::ostream& operator<<(std::ostream& out, const Snapshot& s)
        {
            return out << s.name << " gold " << s.gold << " level " << s.level << " city " << s.cityLevel
                       << " exp " << s.experience << " slots " << s.slots.size();
        }
        // Every figure, to keep beside a stage's end.
        std::string text() const
        {
            std::ostringstream out;
            out << std::setprecision(9) << name << "\ngold " << gold << " level " << level << " city " << cityLevel
                << " exp " << experience << "\nresources";
            for (int32_t count : resources) out << " " << count;
            out << "\nslots";
            for (const auto& [slot, building] : slots) out << " " << slot << ":" << building;
            out << "\nframes done";
            for (const auto& [frame, done] : frames)
                if (done) out << " " << frame;
            return out.str() + "\n";
        }
    };
    Snapshot snapshot()
    {
        Profile& p = game.profile();
        Snapshot s;
        s.name = p.VillageName;
        s.gold = p.GoldCount;
        s.level = p.PlayerLevel;
        s.cityLevel = p.CityLevel;
        s.experience = p.Experience;
        for (int32_t resource = 1; resource <= 17; ++resource) s.resources.push_back(p.GetResourceCount(resource));
        for (const auto& [key, slot] : XMLManager::sharedInstance()->MapObjects)
            if (slot->IDBuild > 0) s.slots.emplace_back(key, slot->IDBuild);
        for (const auto& [id, def] : p.TutorialDict) s.frames.emplace_back(id, def->Done);
        return s;
    }
    Snapshot left_;
    std::string saveBytes;

    int chains = 0;
    int lessons = 0;

    bool openingOnly_;
};

// ---- the stages

// The whole game in five stages, each a test of its own that starts where the
// one before ended: from the home folder as the game left it at its quit
// (the save file, the defaults and every other store) and the clock of that
// moment. A stage after the first launches the game on that folder and
// continues the village from the main menu, as a player coming back does,
// and finds the village as it was left; the last one does only that, after
// the purchase, the options and the menu. CTest runs the stages of a device
// in order and brings the stages before into a run that picks a later one
// (WholeGameStages.cmake, which reads the tests' names).
using Step = void (WholeGame::*)();
using Stage = test::PlayStage<WholeGame>;
const std::vector<Stage>& stages()
{
    static const std::vector<Stage> all = {
        {"opening", {&WholeGame::opening, &WholeGame::firstFrames, &WholeGame::statistics}},
        {"fields", {&WholeGame::fields, &WholeGame::fieldSession}},
        {"first_buildings", {&WholeGame::afterFields, &WholeGame::firstBuildings}},
        {"tabs_and_menu", {&WholeGame::tabs, &WholeGame::coinPack, &WholeGame::optionsAndContinue}},
        {"relaunched", {}},
    };
    return all;
}

// The ends of the stages, kept for the next, with the note "village" (the
// village's figures before the quit).
const test::StageEnds& stageEnds()
{
    static const test::StageEnds ends("whole-game", test::StageEnds::namesOf(stages()));
    return ends;
}

// How a stage ended: the save file, and where it lies in the home folder.
struct StageEnd {
    std::string save;
    std::filesystem::path saveInHome;
};

// Plays `stage` from the end the stage before kept (the first from an empty
// home folder), each step printing its time, wall and game. Keeps its end
// when asked and nothing failed. Writes pictures (when MOSSWICK_TEST_PICTURES
// names a folder) only when asked.
StageEnd playStage(const std::string& device, size_t stage, bool keepEnd, bool pictures)
{
    SCOPED_TRACE(std::string("stage ") + stages()[stage].name);
    if (keepEnd) stageEnds().discard(device, stage);
    const double wall = stage == 0 ? kLaunchWall : stageEnds().wall(device, stage - 1);
    WholeGame play(device, false, wall);
    play.game.picturesOn = pictures;
    play.game.pictureSeries = "whole-" + std::to_string(stage + 1);
    std::vector<Step> steps = stages()[stage].steps;
    if (stage > 0) {
        EXPECT_TRUE(stageEnds().restore(device, stage - 1, play.game.home.path())) << "the stage before's end";
        steps.insert(steps.begin(), &WholeGame::continueVillage);
    }
    std::string village;
    for (size_t index = 0; index <= steps.size(); ++index) {
        // The end: the village's figures taken, then the quit.
        const bool last = index == steps.size();
        if (last) village = play.snapshot().text();
        const auto started = std::chrono::steady_clock::now();
        const double gameStart = play.gameSeconds();
        (play.*(last ? &WholeGame::quit : steps[index]))();
        std::printf("%s stage %zu step %zu: %.1f s (%.1f s of game time)\n", device.c_str(), stage + 1, index,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                    play.gameSeconds() - gameStart);
        if (::testing::Test::HasFatalFailure()) return {};
        if (stage > 0 && index == 0) {
            EXPECT_EQ(play.snapshot().text(), stageEnds().note(device, stage - 1, "village"))
                << "the same village after a relaunch";
        }
    }
    for (const std::string& grant : play.grants) std::printf("granted: %s\n", grant.c_str());
    EXPECT_FALSE(play.saveBytes.empty());
    if (keepEnd && !::testing::Test::HasFailure())
        stageEnds().keep(device, stage, play.game.home.path(), play.game.wallSeconds(), {{"village", village}});
    return {play.saveBytes, std::filesystem::relative(SaveFile::path(), play.game.home.path())};
}

// The end of `stage` kept by this build, played here (without pictures)
// when no earlier test kept it.
bool ensureKept(const std::string& device, size_t stage)
{
    return stageEnds().ensureKept(device, stage, [&](size_t missing) {
        return !playStage(device, missing, true, false).save.empty();
    });
}

// One test: a stage of a device; or that stage played again from the same
// start, which must end in the same save file byte for byte; or, for the
// small phone, its opening to the map's first frame, for its small-screen
// rules.
struct Played {
    const char* device;
    int stage; // -1: the opening only
    bool again;
};

void PrintTo(const Played& p, std::ostream* out)
{
    *out << p.device;
    if (p.stage < 0) *out << ", the opening only";
    else *out << (p.again ? ", again" : "") << ", stage " << p.stage + 1;
}

class WholeGameTest : public ::testing::TestWithParam<Played> {};

// The game as a new player meets it, from an empty home folder to a village
// with its first buildings, quit and launched again: the high-resolution
// phone, the tablet and the small phone the whole way (the high-resolution
// phone twice, the second play of each stage against the first, so that the
// whole game ends in the same save file every time), and the small phone's
// opening alone besides.
TEST_P(WholeGameTest, ANewPlayerFromTheFirstLaunch)
{
    const Played& p = GetParam();
    if (p.stage < 0) {
        WholeGame play(p.device, true);
        for (Step step : {&WholeGame::opening, &WholeGame::firstFrames}) {
            (play.*step)();
            if (HasFatalFailure()) return;
        }
        return;
    }
    const size_t stage = size_t(p.stage);
    if (stage > 0) {
        ASSERT_TRUE(ensureKept(p.device, stage - 1)) << "the stage before";
    }
    if (p.again) {
        ASSERT_TRUE(ensureKept(p.device, stage)) << "the first play of this stage";
    }
    const StageEnd end = playStage(p.device, stage, !p.again, !p.again);
    if (HasFailure() || !p.again) return;
    const std::string first =
        WholeGame::readFile((stageEnds().folder(p.device, stage) / "home" / end.saveInHome).string());
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(end.save == first) << "the two plays' save files differ";
}

std::vector<Played> everyPlay()
{
    std::vector<Played> plays;
    for (const char* device : {"phone-hd", "tablet", "phone"})
        for (int stage = 0; stage < int(stages().size()); ++stage) plays.push_back({device, stage, false});
    for (int stage = 0; stage < int(stages().size()); ++stage) plays.push_back({"phone-hd", stage, true});
    plays.push_back({"phone", -1, false});
    return plays;
}

// Names as WholeGameStages.cmake reads them: "<device>_stage<n>_<stage>",
// "_again" after a second play.
INSTANTIATE_TEST_SUITE_P(Devices, WholeGameTest, ::testing::ValuesIn(everyPlay()), [](const auto& info) {
    const Played& p = info.param;
    std::string name = p.device;
    if (p.stage < 0)
        name += "-opening-only";
    else
        name += "-stage" + std::to_string(p.stage + 1) + "-" + stages()[size_t(p.stage)].name +
                (p.again ? "-again" : "");
    for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

} // namespace
} // namespace mw
