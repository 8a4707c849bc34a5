#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/menus/CCMenuItem.h"
#include "foundation/Paths.h"
#include "game/defs/Road.h"
#include "game/state/SaveFile.h"
#include "game/village/RoadWalker.h"
#include "game/village/WorkerFactory.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/EndGameFrame.h"
#include "game/village/tutorial/TutorialPopup.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

enum class Does { Show, HudArrow, MapArrow, Open };
enum class Button { None, Settlement, Field, Mine };

// One rule of the map's decision list: the profile it finds (on top of a
// finished tutorial at player level 4 owning the first house, the workshop
// and the market) and what the check then does.
struct Rule {
    const char* rule;
    std::function<void(VillageWorld&)> given;
    Does does;
    int value = -1; // the frame shown or the arrow's tag (-1: none)
    Button at = Button::None;
    CGPoint onTablet{};
    CGPoint onPhone{};
};

TutorialFrameDef* def(VillageWorld& w, int32_t n) { return w.profile().GetTutorialDef(n); }
// Not yet shown.
void undo(VillageWorld& w, std::initializer_list<int32_t> frames)
{
    for (int32_t n : frames) {
        def(w, n)->Done = false;
        def(w, n)->ArrowAfterDone = false;
    }
}
// Shown, with its arrow still to follow.
void pend(VillageWorld& w, int32_t n)
{
    def(w, n)->Done = true;
    def(w, n)->ArrowAfter = true;
    def(w, n)->ArrowAfterDone = false;
}
void level(VillageWorld& w, int32_t value) { w.profile().PlayerLevel = value; }
void own(VillageWorld& w, int32_t upgrade, int32_t count)
{
    w.profile().increaseUpgradeCount(upgrade, count - w.profile().GetUpgradeCount(upgrade));
}
void goodsForTheFirstBuilding(VillageWorld& w, bool enough)
{
    for (auto [resource, amount] : {std::pair{3, 1}, {4, 2}, {13, 2}, {15, 1}})
        w.profile().SetResourceCount(resource, enough ? amount : 0);
}

constexpr CGPoint kBuildT{140, 100}, kBuildP{56, 40};

const Rule kRules[] = {
    {"1: frame 0", [](auto& w) { undo(w, {0}); }, Does::Show, 0},
    {"1: frame 1", [](auto& w) { undo(w, {1}); }, Does::Show, 1},
    {"1: frame 2", [](auto& w) { undo(w, {2}); }, Does::Show, 2},
    {"2: frame 2's arrow", [](auto& w) { pend(w, 2); }, Does::MapArrow, -1, Button::Settlement},
    {"3: frame 6", [](auto& w) { undo(w, {6}); }, Does::Show, 6},
    {"3: frame 7", [](auto& w) { undo(w, {7}); }, Does::Show, 7},
    {"4: frame 7's arrow", [](auto& w) { pend(w, 7); }, Does::HudArrow, 898, Button::None, kBuildT, kBuildP},
    {"5: level 1 goes no further", [](auto& w) { level(w, 1), undo(w, {8}); }, Does::Open},
    {"6: frame 8", [](auto& w) { undo(w, {8}); }, Does::Show, 8},
    {"6: frame 9", [](auto& w) { undo(w, {9}); }, Does::Show, 9},
    {"7: frame 9's arrow", [](auto& w) { pend(w, 9); }, Does::MapArrow, -1, Button::Field},
    {"8: frame 18 after 17", [](auto& w) { undo(w, {18}); }, Does::Show, 18},
    {"8: not before 17", [](auto& w) { undo(w, {17, 18}); }, Does::Open},
    {"9: frame 19 with the goods",
     [](auto& w) { undo(w, {19}), goodsForTheFirstBuilding(w, true); }, Does::Show, 19},
    {"9: short of goods: frame 70",
     [](auto& w) { undo(w, {19, 70}), goodsForTheFirstBuilding(w, false); }, Does::Show, 70},
    {"9: short of goods after 70",
     [](auto& w) { undo(w, {19}), goodsForTheFirstBuilding(w, false); }, Does::Open},
    {"10: frame 19's arrow", [](auto& w) { pend(w, 19); }, Does::HudArrow, 900, Button::None, kBuildT, kBuildP},
    {"11: level 2 goes no further", [](auto& w) { level(w, 2), undo(w, {71}); }, Does::Open},
    {"12: frame 71", [](auto& w) { undo(w, {71}); }, Does::Show, 71},
    {"13: frame 71's arrow", [](auto& w) { pend(w, 71); }, Does::HudArrow, 900, Button::None, kBuildT, kBuildP},
    {"14: frame 20", [](auto& w) { undo(w, {20}); }, Does::Show, 20},
    {"14: frame 21", [](auto& w) { undo(w, {21}); }, Does::Show, 21},
    {"14: frame 22", [](auto& w) { undo(w, {22}); }, Does::Show, 22},
    {"15: frame 22's arrow", [](auto& w) { pend(w, 22); }, Does::MapArrow, 999, Button::Mine},
    {"16: the bag arrow does not block frame 31",
     [](auto& w) { undo(w, {30, 31}), pend(w, 87); }, Does::Show, 31},
    {"17: frame 30 once 29's arrow is followed", [](auto& w) { undo(w, {30}); }, Does::Show, 30},
    {"17: not while 29's arrow waits", [](auto& w) { undo(w, {30}), pend(w, 29); }, Does::Open},
    {"18: frame 30's arrow", [](auto& w) { pend(w, 30); }, Does::HudArrow, 901, Button::None, kBuildT, kBuildP},
    {"19: level 3 goes no further", [](auto& w) { level(w, 3), undo(w, {31}); }, Does::Open},
    {"19: nor without a house", [](auto& w) { own(w, 21, 0), undo(w, {31}); }, Does::Open},
    {"20: frame 31", [](auto& w) { undo(w, {31}); }, Does::Show, 31},
    {"20: frame 32", [](auto& w) { undo(w, {32}); }, Does::Show, 32},
    {"21: frame 32's arrow", [](auto& w) { pend(w, 32); }, Does::HudArrow, 902, Button::None, {370, 100}, {156, 40}},
    {"22: frame 33", [](auto& w) { undo(w, {33}); }, Does::Show, 33},
    {"23: frame 33's arrow", [](auto& w) { pend(w, 33); }, Does::MapArrow, 6754, Button::Field},
    {"24: frame 37 after 36", [](auto& w) { undo(w, {37}); }, Does::Show, 37},
    {"24: frame 37's arrow", [](auto& w) { pend(w, 37); }, Does::HudArrow, 906, Button::None, kBuildT, kBuildP},
    {"25: 37 before 36", [](auto& w) { undo(w, {36, 37}); }, Does::Open},
    {"26: frame 38 with the workshop", [](auto& w) { undo(w, {38}); }, Does::Show, 38},
    {"26: not without it", [](auto& w) { undo(w, {38}), own(w, 19, 0); }, Does::Open},
    {"27: frame 38's arrow", [](auto& w) { pend(w, 38); }, Does::MapArrow, -1, Button::Mine},
    {"28: frame 44's arrow", [](auto& w) { pend(w, 44); }, Does::HudArrow, 909, Button::None, kBuildT, kBuildP},
    {"29: frame 44 after 42", [](auto& w) { undo(w, {44}); }, Does::Show, 44},
    {"29: frame 45 after 44", [](auto& w) { undo(w, {45}); }, Does::Show, 45},
    {"29: frame 46 after 45", [](auto& w) { undo(w, {46}); }, Does::Show, 46},
    {"30: frame 45's arrow", [](auto& w) { pend(w, 45); }, Does::MapArrow, 9991, Button::Field},
    {"31: frame 54 after 53", [](auto& w) { undo(w, {54}); }, Does::Show, 54},
    {"32: 54 before 53", [](auto& w) { undo(w, {53, 54}); }, Does::Open},
    {"33: frame 55", [](auto& w) { undo(w, {55}); }, Does::Show, 55},
    {"34: frame 55's arrow", [](auto& w) { pend(w, 55); }, Does::HudArrow, 911, Button::None, kBuildT, kBuildP},
    {"35: no market goes no further", [](auto& w) { own(w, 18, 0), undo(w, {56}); }, Does::Open},
    {"35: frame 56", [](auto& w) { undo(w, {56}); }, Does::Show, 56},
    {"36: frame 56's arrow", [](auto& w) { pend(w, 56); }, Does::HudArrow, 912, Button::None, {590, 100}, {256, 40}},
    {"37: all done", [](auto&) {}, Does::Open},
};

class MapTutorialTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        world.established();
        world.build(22, 19);
        world.profile().PlayerLevel = 4;
        world.start();
        ASSERT_NE(world.map(), nullptr);
        ASSERT_TRUE(map().settleButton() && map().farmButton() && map().mineButton());
        ASSERT_TRUE(map().isTouchEnabled()) << "a finished tutorial leaves the map open";
    }

    MapScene& map() { return *world.map(); }
    CCTutorialParent& holder() { return *world.hud().GetTutorialParent(); }
    TutorialPopup* shown()
    {
        CCArray* children = holder().children();
        if (!children || children->count() == 0) return nullptr;
        return dynamic_cast<TutorialPopup*>(children->lastObject());
    }
    std::vector<CCTutorialArrow*> arrowsOn(CCNode* node)
    {
        std::vector<CCTutorialArrow*> found;
        if (!node->children()) return found;
        for (size_t i = 0; i < node->children()->count(); ++i) {
            if (auto* arrow = dynamic_cast<CCTutorialArrow*>(node->children()->objectAtIndex(i)))
                found.push_back(arrow);
        }
        return found;
    }
    // Back to a finished tutorial with nothing on the screen.
    void reset()
    {
        if (holder().children()) holder().removeAllChildrenWithCleanup(true);
        for (CCTutorialArrow* arrow : arrowsOn(&world.hud())) world.hud().removeChild(arrow, true);
        for (CCTutorialArrow* arrow : arrowsOn(&map())) map().removeChild(arrow, true);
        world.finishTutorial();
        world.profile().PlayerLevel = 4;
        own(world, 21, 1);
        own(world, 19, 1);
        own(world, 18, 1);
        map().SetInputActive(false);
        world.hud().SetInputActive(false);
    }
    CCMenuItemSprite* button(Button which)
    {
        switch (which) {
        case Button::Settlement: return map().settleButton();
        case Button::Field: return map().farmButton();
        case Button::Mine: return map().mineButton();
        case Button::None: break;
        }
        return nullptr;
    }
    bool open() { return map().isTouchEnabled() && world.hud().IsActive(); }
    bool closed() { return !map().isTouchEnabled() && !world.hud().IsActive(); }
    float pick(CGPoint tablet, CGPoint phone, bool x) { return world.tablet() ? (x ? tablet.x : tablet.y) : (x ? phone.x : phone.y); }

    VillageWorld world{GetParam()};
};

TEST_P(MapTutorialTest, EachRuleOfTheDecisionList)
{
    for (const Rule& rule : kRules) {
        SCOPED_TRACE(rule.rule);
        reset();
        rule.given(world);
        map().ValidateAndPlayTutorial();
        TutorialPopup* popUp = shown();
        std::vector<CCTutorialArrow*> hudArrows = arrowsOn(&world.hud());
        std::vector<CCTutorialArrow*> mapArrows = arrowsOn(&map());
        // The bag arrow of rule 16 stands beside what the rule goes on to.
        if (std::string(rule.rule).rfind("16:", 0) == 0) {
            ASSERT_EQ(hudArrows.size(), 1u);
            EXPECT_EQ(hudArrows[0]->tag(), GuiObject::kBagArrowTag);
            EXPECT_EQ(hudArrows[0]->zOrder(), 2);
            EXPECT_FLOAT_EQ(hudArrows[0]->rotation(), 180);
            EXPECT_FLOAT_EQ(hudArrows[0]->position().x, pick({730, 970}, {305, 450}, true));
            EXPECT_FLOAT_EQ(hudArrows[0]->position().y, pick({730, 970}, {305, 450}, false));
            EXPECT_GE(world.profile().GetResourceCount(10), 2) << "food for the first mine visit";
            hudArrows.clear();
        }
        switch (rule.does) {
        case Does::Show:
            ASSERT_NE(popUp, nullptr);
            ASSERT_NE(popUp->frameDef(), nullptr);
            EXPECT_EQ(popUp->frameDef()->ID, rule.value);
            EXPECT_FALSE(popUp->afterBuild());
            EXPECT_FLOAT_EQ(popUp->position().x, world.win().width / 2);
            EXPECT_TRUE(closed()) << "the map and the HUD wait for the frame";
            EXPECT_TRUE(hudArrows.empty() && mapArrows.empty());
            break;
        case Does::HudArrow:
            EXPECT_EQ(popUp, nullptr);
            ASSERT_EQ(hudArrows.size(), 1u);
            EXPECT_EQ(hudArrows[0]->tag(), rule.value);
            EXPECT_EQ(hudArrows[0]->zOrder(), 1);
            EXPECT_FLOAT_EQ(hudArrows[0]->position().x, pick(rule.onTablet, rule.onPhone, true));
            EXPECT_FLOAT_EQ(hudArrows[0]->position().y, pick(rule.onTablet, rule.onPhone, false));
            EXPECT_TRUE(open());
            break;
        case Does::MapArrow: {
            EXPECT_EQ(popUp, nullptr);
            ASSERT_EQ(mapArrows.size(), 1u);
            CCMenuItemSprite* at = button(rule.at);
            ASSERT_NE(at, nullptr);
            EXPECT_EQ(mapArrows[0]->tag(), rule.value < 0 ? kCCNodeTagInvalid : rule.value);
            EXPECT_EQ(mapArrows[0]->zOrder(), 4);
            EXPECT_FLOAT_EQ(mapArrows[0]->position().x, at->position().x);
            EXPECT_FLOAT_EQ(mapArrows[0]->position().y, at->position().y + (world.tablet() ? 15 : 7));
            EXPECT_TRUE(hudArrows.empty());
            EXPECT_TRUE(open());
            break;
        }
        case Does::Open:
            EXPECT_EQ(popUp, nullptr);
            EXPECT_TRUE(hudArrows.empty() && mapArrows.empty());
            EXPECT_TRUE(open());
            break;
        }
    }
}

TEST_P(MapTutorialTest, ShortOfGoodsFrame70ComesOnceAndTopsThemUpThen19)
{
    reset();
    undo(world, {19, 70});
    world.profile().SetResourceCount(3, 0);
    world.profile().SetResourceCount(4, 1);
    world.profile().SetResourceCount(13, 5);
    world.profile().SetResourceCount(15, 0);
    map().ValidateAndPlayTutorial();
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->frameDef()->ID, 70);
    const std::pair<int32_t, int32_t> after[] = {{3, 1}, {4, 2}, {13, 5}, {15, 1}};
    for (auto [resource, count] : after)
        EXPECT_EQ(world.profile().GetResourceCount(resource), count) << "resource " << resource;
    holder().removeAllChildrenWithCleanup(true);
    def(world, 70)->Done = true; // as its dismissal does
    map().ValidateAndPlayTutorial();
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->frameDef()->ID, 19);
}

TEST_P(MapTutorialTest, ArrowsWithoutATagPileUpTaggedOnesDoNot)
{
    struct Case {
        const char* what;
        int32_t pending;
        bool onHud;
        size_t afterTwoCalls;
    } cases[] = {
        {"field arrow of 9, untagged", 9, false, 2},
        {"mine arrow of 38, untagged", 38, false, 2},
        {"field arrow of 33, tagged", 33, false, 1},
        {"HUD arrow of 7", 7, true, 1},
        {"HUD arrow of 56", 56, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        pend(world, c.pending);
        map().ValidateAndPlayTutorial();
        map().ValidateAndPlayTutorial();
        EXPECT_EQ(arrowsOn(c.onHud ? static_cast<CCNode*>(&world.hud()) : &map()).size(), c.afterTwoCalls);
        EXPECT_TRUE(open());
    }
}

TEST_P(MapTutorialTest, Frame55sArrowIsMarkedFollowedWhenItIsPut)
{
    reset();
    pend(world, 55);
    map().ValidateAndPlayTutorial();
    EXPECT_TRUE(def(world, 55)->ArrowAfterDone);
    ASSERT_NE(world.hud().getChildByTag(911), nullptr);
    // The next check is past rule 34: the market's frame 56.
    undo(world, {56});
    map().ValidateAndPlayTutorial();
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->frameDef()->ID, 56);
}

TEST_P(MapTutorialTest, AFrameTheDataLacksCountsAsDone)
{
    // Without a record the list stopped at that frame for good.
    struct Case {
        const char* what;
        int32_t missing;
        std::initializer_list<int32_t> notDone;
        int32_t expected;
    } cases[] = {
        {"intro", 1, {1, 2}, 2},
        {"first house", 19, {19, 71}, 71},
        {"the last of level 3's pair", 74, {74, 75}, 75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        undo(world, c.notDone);
        Ref<TutorialFrameDef> kept = world.profile().TutorialDict.at(c.missing);
        world.profile().TutorialDict.erase(c.missing);
        if (c.expected >= 72 && c.expected <= 102) {
            map().AfterBuildSeq(3);
        } else {
            map().ValidateAndPlayTutorial();
        }
        world.profile().TutorialDict[c.missing] = kept;
        ASSERT_NE(shown(), nullptr);
        EXPECT_EQ(shown()->frameDef()->ID, c.expected);
    }
}

TEST_P(MapTutorialTest, AfterABuildTheFramesOfTheCityLevelFollowOneAnother)
{
    struct Case {
        int32_t level;
        std::initializer_list<int32_t> notDone;
        int expected; // frame, 0 for the input given back, -1 for nothing at all
    } cases[] = {
        {1, {72, 73}, -1}, {2, {72, 73}, 72}, {2, {73}, 73}, {2, {}, 0},     {3, {74, 75}, 74},
        {3, {75}, 75},     {3, {}, 0},        {4, {76, 77}, 76}, {4, {77}, 77}, {4, {}, 0},
        {5, {78, 79}, 78}, {5, {79}, 79},     {5, {}, 0},        {6, {80, 81, 102}, 80},
        {6, {81, 102}, 81}, {6, {102}, 102},  {7, {80}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("level " + std::to_string(c.level) + " expects " + std::to_string(c.expected));
        reset();
        undo(world, c.notDone);
        world.profile().CityLevel = c.level;
        map().AfterBuildSeq();
        if (c.expected > 0) {
            ASSERT_NE(shown(), nullptr);
            EXPECT_EQ(shown()->frameDef()->ID, c.expected);
            EXPECT_TRUE(shown()->afterBuild());
            EXPECT_TRUE(closed());
        } else {
            EXPECT_EQ(shown(), nullptr);
            EXPECT_EQ(c.expected == 0, open()) << "the pair done gives the input back; other levels do nothing";
            EXPECT_EQ(c.expected == -1, closed());
        }
    }
}

TEST_P(MapTutorialTest, EverythingBuiltShowsTheClosingFrameAtEveryCall)
{
    reset();
    world.profile().CityLevel = 6;
    const auto ends = [this] {
        int count = 0;
        CCArray* children = world.hud().children();
        for (size_t i = 0; children && i < children->count(); ++i) {
            auto* end = dynamic_cast<EndGameFrame*>(children->objectAtIndex(i));
            if (!end) continue;
            ++count;
            EXPECT_EQ(end->zOrder(), 1);
            EXPECT_FLOAT_EQ(end->position().x, world.win().width / 2);
            EXPECT_FLOAT_EQ(end->position().y, world.win().height / 2);
        }
        return count;
    };
    world.hud().SetInputActive(true);
    map().SetInputActive(true);
    map().AfterBuildSeq();
    EXPECT_EQ(ends(), 1);
    EXPECT_TRUE(closed());
    EXPECT_EQ(shown(), nullptr);
    map().AfterBuildSeq();
    EXPECT_EQ(ends(), 2);
}

TEST_P(MapTutorialTest, TheMapSendsItsWalkersOutAmongItsBuildings)
{
    WorkerFactory* factory = map().walkerFactory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->parent(), &map());
    EXPECT_EQ(factory->zOrder(), 0);
    EXPECT_EQ(factory->WorkerRenderParent(), map().pageParent());
    ASSERT_FALSE(factory->CurrentWorkers.empty()) << "the village owns workers";
    ASSERT_EQ(factory->CurrentWorkersPointers.size(), factory->CurrentWorkers.size());
    for (const Ref<RoadWalker>& walker : factory->CurrentWorkersPointers) {
        EXPECT_EQ(walker->parent(), map().pageParent());
        EXPECT_NE(walker->getActionByTag(RoadWalker::kWalkTag), nullptr);
    }
    EXPECT_EQ(factory->LastWorkerType, WorkerFactory::kNoKind);
}

TEST_P(MapTutorialTest, TheHiredWorkerIsAnnouncedSavedThenWalksInOnTheThirdRoad)
{
    int32_t worker = -1; // a worker not owned yet
    for (int32_t id = 1; id < Profile::kUpgradeSlots && worker < 0; ++id) {
        const UpgradeItem* upgrade = world.profile().GetUpgrade(id);
        if (upgrade && upgrade->Type == 3 && world.profile().GetUpgradeCount(id) == 0) worker = id;
    }
    ASSERT_GE(worker, 0);
    own(world, worker, 1); // as the hire does
    std::remove(SaveFile::path().c_str());
    world.scene->ChangeLayer(VillageScene::kWorkersLayer);
    // As the hire pop-up asks for the map: with the worker's group.
    const int32_t group = world.profile().GetUpgrade(worker)->Group;
    world.hud().ChangeLayer(VillageScene::kMapLayer, group, MapScene::kStateAfterHire, worker);
    ASSERT_NE(world.map(), nullptr);
    EXPECT_EQ(map().mapState(), MapScene::kStateAfterHire);
    WorkerFactory* factory = map().walkerFactory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->LastWorkerType, worker);
    EXPECT_EQ(std::count(factory->CurrentWorkers.begin(), factory->CurrentWorkers.end(), worker), 0)
        << "the new worker is not on the roads before the pop-up lets it go";
    TutorialPopup* popUp = shown();
    ASSERT_NE(popUp, nullptr);
    EXPECT_EQ(popUp->frameDef(), nullptr);
    EXPECT_EQ(popUp->workerType(), worker);
    EXPECT_TRUE(closed());
    EXPECT_TRUE(Paths::fileExists(SaveFile::path())) << "saved while the pop-up is up";

    const size_t before = factory->CurrentWorkersPointers.size();
    world.run.run(1.3);
    world.tap({world.win().width / 2, world.win().height / 2});
    world.run.run(1.4); // its wait and its flight to the counter
    ASSERT_EQ(factory->CurrentWorkersPointers.size(), before + 1);
    RoadWalker* walker = factory->CurrentWorkersPointers.back().get();
    EXPECT_EQ(walker->kind(), worker);
    EXPECT_EQ(walker->parent(), map().pageParent());
    EXPECT_FALSE(walker->flipX()) << "it enters from the road's start";
    Road* entry = XMLManager::sharedInstance()->GetRoad(2);
    ASSERT_NE(entry, nullptr);
    EXPECT_LT(std::hypot(walker->position().x - entry->StartPos().x, walker->position().y - entry->StartPos().y),
              20.0f);
    EXPECT_TRUE(open()) << "the tutorial check after the walk-in gave the input back";
    EXPECT_EQ(shown(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Devices, MapTutorialTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
