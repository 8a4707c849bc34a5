#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/tables/CCTableView.h"
#include "game/boards/CountryBoard.h"
#include "game/boards/CountrySideScene.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/FieldPopUp.h"
#include "game/boards/Puzzle.h"
#include "game/boards/SessionHooks.h"
#include "game/front/MainMenuScene.h"
#include "game/state/TutorialFrameDef.h"
#include "game/village/CCBonusItem.h"
#include "game/village/CCTutorialArrow.h"
#include "game/village/GuiObject.h"
#include "game/village/LevelUpPopUp.h"
#include "game/village/ListLayer.h"
#include "game/village/MapScene.h"
#include "game/village/StatsCell.h"
#include "game/village/StatsScene.h"
#include "game/village/VillageScene.h"
#include "game/village/hud/HirePopUp.h"
#include "game/village/tutorial/TutorialAnim.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "tests/game/front/WholeGameSupport.h"

namespace mw {
namespace {

using test::GameRun;
using test::nodesOf;

// 2026-06-15 12:00:00 UTC.
constexpr double kLaunchWall = 1781524800.0;
constexpr uint32_t kSeed = 20260615;
constexpr int32_t kFieldsSlot = 3;
constexpr int kBuildArrowTag = 898;
constexpr int kBakeryArrowTag = 900;
// Coarse enough to keep the walk short, fine enough for every show, slide
// and chain of the round.
constexpr double kStep = 1.0 / 10;

// A new player's first round of the tutorial, as the game starts it: the
// map, the statistics, the fields built from the list, the field pop-up, a
// field session and the village again. Only the player's taps move it on:
// every frame shown is watched for at every refresh and dismissed as a
// finger does. A frame is asked for when its place calls for it (the
// frames of the game data each step names as it enters a place) or when a
// screen asks the session's tutorial makers for it; each one asked for must
// have been on screen.
class TutorialWalk {
public:
    TutorialWalk() : game("phone", kLaunchWall, kSeed, kStep) {}
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

    // Frames the places ask for; a place entered again asks again.
    void enter(const std::string& place, std::initializer_list<int32_t> frames)
    {
        place_ = place;
        for (int32_t n : frames) {
            EXPECT_NE(game.profile().GetTutorialDef(n), nullptr) << "frame " << n << " is in the game data";
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
        follow([&] { return hud().getChildByTag(kBuildArrowTag) != nullptr && mapOpen(); }, 8);
        ASSERT_NE(hud().getChildByTag(kBuildArrowTag), nullptr) << "the Build arrow";
        game.tap(hud().BuildButton);
        run(0.3);
        enter("buildings list", {});
        auto* list = dynamic_cast<ListLayer*>(village()->GetLayer());
        ASSERT_NE(list, nullptr);
        follow([&] { return hud().IsActive(); }, 3);
        auto* row = dynamic_cast<ListRow*>(list->table()->cellAtIndex(0));
        ASSERT_TRUE(row && row->rowMenu());
        game.tap(static_cast<CCNode*>(row->rowMenu()->children()->objectAtIndex(0)));
        run(0.5);
        auto hires = nodesOf<HirePopUp>(&hud());
        ASSERT_EQ(hires.size(), 1u) << "the fields' pop-up";
        game.tap(hires[0]->craftButton());
        run(0.5);
        enter("village map", {});
        ASSERT_NE(map(), nullptr);
        CCNode* marker = map()->menu()
                             ? map()->menu()->getChildByTag(kFieldsSlot * MapScene::kBuildMarkerFactor)
                             : nullptr;
        ASSERT_NE(marker, nullptr) << "the fields' slot offered";
        game.tap(marker);
        run(MapScene::kBuildSeconds + 1.0);
        for (int round = 0; round < 20 && !nodesOf<CCBonusItem>(hud().bonusParent()).empty(); ++round) {
            game.tap(nodesOf<CCBonusItem>(hud().bonusParent()).front());
            run(0.3);
        }
        ASSERT_TRUE(until([&] { return !nodesOf<LevelUpPopUp>(game.scene()).empty(); }, 4)) << "the level-up";
        run(1.5);
        game.tap(nodesOf<LevelUpPopUp>(game.scene()).front()->continueButton());
        run(0.3);
    }

    // The way to the fields, the field pop-up and its price paid.
    void fieldPopUp()
    {
        enter("village map", {8, 9});
        follow([&] { return !nodesOf<CCTutorialArrow>(map()).empty() && mapOpen(); }, 8);
        ASSERT_FALSE(nodesOf<CCTutorialArrow>(map()).empty()) << "the arrow at the fields";
        game.tap(map()->farmButton());
        run(0.2);
        enter("field pop-up", {FieldPopUp::kTutorialFrame});
        auto popUps = nodesOf<FieldPopUp>(&hud());
        ASSERT_EQ(popUps.size(), 1u);
        FieldPopUp* popUp = popUps[0];
        follow([&] { return popUp->buttons()->isTouchEnabled(); }, 4);
        ASSERT_TRUE(popUp->buttons()->isTouchEnabled()) << "the pop-up's buttons given back";
        game.tap(static_cast<CCNode*>(popUp->buttons()->children()->objectAtIndex(1)));
        enter("field board", {10});
        ASSERT_TRUE(until([&] { return board() != nullptr; }, 3)) << "the fade to the fields";
    }

    // The field session played by the bot to its summary, and back.
    void fieldSession()
    {
        const auto ended = [&] { return !nodesOf<EndOfPopUp>(game.scene()).empty(); };
        for (int turn = 0; turn < 400 && !ended(); ++turn) {
            CountryBoard* field = board();
            ASSERT_NE(field, nullptr);
            follow([&] { return (field->isTouchEnabled() && !field->isInputBlocked()) || ended(); }, 4);
            if (ended()) break;
            // No chain left: the board asks, and the player has the tiles dealt anew.
            if (game.driver().pressAlertButton(0)) {
                run(0.5);
                continue;
            }
            const std::vector<std::pair<int, int>> chain = test::findFieldChain(*field);
            if (chain.size() < 2 || game.profile().countryStepsForBar == 0) {
                run(0.3);
                continue;
            }
            drawChain(field, chain);
            run(0.3);
        }
        auto summaries = nodesOf<EndOfPopUp>(game.scene());
        ASSERT_FALSE(summaries.empty()) << "the session's summary";
        run(1.0);
        // The board's last question, when it found no chain left, is answered.
        while (game.driver().pressAlertButton(0)) run(0.5);
        ASSERT_NE(summaries[0]->ContinueButton, nullptr);
        game.tap(summaries[0]->ContinueButton.get());
        ASSERT_TRUE(until([&] { return map() != nullptr; }, 5)) << "back in the village";
        enter("village map", {18, 19});
        follow([&] { return hud().getChildByTag(kBakeryArrowTag) != nullptr && mapOpen(); }, 8);
        EXPECT_NE(hud().getChildByTag(kBakeryArrowTag), nullptr) << "the Build arrow of the bakery";
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

    // What the game's screens ask of the session's tutorial makers is noted;
    // the makers installed at start-up answer (none: nothing is shown).
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
                if (popUp->frameDef() && test::onScreen(popUp)) now.popUps.push_back(popUp);
            } else if (auto* overlay = dynamic_cast<TutorialAnim*>(node)) {
                if (test::onScreen(overlay)) now.overlays.push_back(overlay);
            }
            if (CCArray* children = node->children())
                for (Object* child : *children) visit(static_cast<CCNode*>(child));
        };
        if (CCScene* scene = game.scene()) visit(scene);
        for (TutorialPopup* popUp : now.popUps) shown.insert(popUp->frameDef()->ID);
        for (TutorialAnim* overlay : now.overlays) shown.insert(overlay->state());
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
            if (popUp->showed() && !popUp->frameDef()->Done) {
                game.tapAt(game.centre());
                return;
            }
        }
    }
    // A finger drawn through the cells.
    void drawChain(CountryBoard* field, const std::vector<std::pair<int, int>>& cells)
    {
        const auto at = [&](const std::pair<int, int>& cell) {
            const CGPoint gl =
                field->convertToWorldSpace(field->puzzleAt(cell.first, cell.second)->GetMidpointPosition());
            return CGPoint{gl.x, game.win().height - gl.y};
        };
        Ref<UITouch> touch = game.driver().touchDown(at(cells.front()));
        for (size_t i = 1; i < cells.size(); ++i) {
            game.driver().touchMove(touch.get(), at(cells[i]));
            refresh();
        }
        game.driver().touchUp(touch.get());
    }

    std::string place_ = "start-up";
    int refreshes_ = 0;
    bool wrapped_ = false;
    session::TutorialMaker popUps_;
    session::OverlayMaker overlays_;
};

// Every frame a new player's first round asks for reaches the screen.
TEST(TutorialWalkTest, ANewPlayerSeesEveryFrameThePlacesVisitedAskFor)
{
    TutorialWalk walk;
    using Step = void (TutorialWalk::*)();
    for (const auto& [name, step] :
         std::vector<std::pair<const char*, Step>>{{"opening", &TutorialWalk::opening},
                                                   {"settlement", &TutorialWalk::settlement},
                                                   {"fields built", &TutorialWalk::fieldsBuilt},
                                                   {"field pop-up", &TutorialWalk::fieldPopUp},
                                                   {"field session", &TutorialWalk::fieldSession}}) {
        const auto started = std::chrono::steady_clock::now();
        (walk.*step)();
        std::printf("%s: %.1f s\n", name,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        if (::testing::Test::HasFatalFailure()) break;
    }
    EXPECT_TRUE(walk.missing().empty())
        << "asked for and not shown: " << ::testing::PrintToString(walk.missing());
    std::string seen;
    for (int32_t n : walk.shown) seen += " " + std::to_string(n);
    std::printf("frames shown:%s\n", seen.c_str());
}

} // namespace
} // namespace mw
