#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "game/defs/Animation.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/SaveFile.h"
#include "game/village/CCBonusItem.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/ListLayer.h"
#include "game/village/hud/HirePopUp.h"
#include "platform/Store.h"
#include "tests/game/village/VillageTestSupport.h"
#include "tests/support/ScriptedStore.h"

namespace mw {
namespace {

using test::VillageWorld;

constexpr int32_t kFields = 91, kMine = 29, kWell = 116, kBakery = 28, kWorkshop = 19;
// Group 3 holds slots 10 to 20; trees stand keyed on 10, 13, 16 and 19.
constexpr int32_t kGroup3[] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
constexpr int32_t kOccupant = 15;

// A map whose tutorial hooks are counted.
class CountingMap : public MapScene {
public:
    void AfterBuildSeq() override
    {
        ++afterBuild;
        MapScene::AfterBuildSeq();
    }
    int afterBuild = 0;
};

class MapPlacementTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        previousStore_ = Store::replaceSharedInstance(store_);
        world.established();
        // No lesson interferes unless a test asks for one.
        for (auto& [number, frame] : world.profile().TutorialDict) {
            frame->Done = true;
            frame->ArrowAfterDone = true;
        }
        // Nor a level-up pop-up, which would take the input away.
        world.profile().ExperienceStep = 1e9f;
        previousMaker_ = VillageScene::replaceLayerMakerForTesting(nullptr);
    }
    void TearDown() override
    {
        (void)VillageScene::replaceLayerMakerForTesting(previousMaker_);
        (void)Store::replaceSharedInstance(previousStore_);
    }

    // Only `free` of group 3 are empty; the others hold another building.
    void freeInGroup3(std::initializer_list<int32_t> free)
    {
        for (int32_t id : kGroup3) {
            const bool empty = std::find(free.begin(), free.end(), id) != free.end();
            world.slot(id).IDBuild = empty ? -1 : kOccupant;
        }
        for (int32_t tree : {10000, 13000, 16000, 19000}) world.slot(tree).IDBuild = -1;
    }
    // The village switches to the map in a placement state, as the hire
    // pop-up makes it do.
    MapScene& enter(int32_t state, int32_t group, int32_t building)
    {
        VillageScene& scene = world.scene ? *world.scene : world.start();
        // From a list, as the hire pop-up does (a tab tapped twice would
        // bring the normal map back).
        if (scene.currentLayerId() != VillageScene::kShopLayer) scene.ChangeLayer(VillageScene::kShopLayer);
        world.hud().SetInputActive(true);
        scene.ChangeLayer(VillageScene::kMapLayer, group, state, building);
        world.run.driver().runFrames(1);
        return *world.map();
    }
    MapScene& map() { return *world.map(); }
    CCNode* marker(int32_t tag) { return map().menu() ? map().menu()->getChildByTag(tag) : nullptr; }
    void tapMarker(int32_t tag)
    {
        CCNode* node = marker(tag);
        ASSERT_NE(node, nullptr) << "no marker " << tag;
        world.tap(VillageWorld::centreOf(node));
        world.run.driver().runFrames(1);
    }
    CCNode* node(int32_t tag) { return map().pageParent()->getChildByTag(tag); }
    // The node tagged `tag` standing on slot `slotId`, or null.
    CCNode* standing(int32_t tag, int32_t slotId)
    {
        const MAP_OBJECT& slot = world.slot(slotId);
        for (CCNode* child : children(map().pageParent()))
            if (child->tag() == tag && child->position() == CGPoint{float(slot.x), float(slot.y)}) return child;
        return nullptr;
    }
    static std::vector<CCNode*> children(CCNode* parent)
    {
        std::vector<CCNode*> all;
        if (parent && parent->children())
            for (Object* child : *parent->children()) all.push_back(static_cast<CCNode*>(child));
        return all;
    }
    std::vector<std::string> bandTexts()
    {
        std::vector<std::string> texts;
        std::vector<CCNode*> pending = children(world.hud().GetColorLayer());
        while (!pending.empty()) {
            CCNode* next = pending.back();
            pending.pop_back();
            if (auto* label = dynamic_cast<CCLabelTTF*>(next)) texts.push_back(label->string());
            for (CCNode* child : children(next)) pending.push_back(child);
        }
        std::sort(texts.begin(), texts.end());
        return texts;
    }
    bool barsAway() { return world.hud().bottomBar()->position().y < 0; }
    uint8_t opacityOf(CCNode* n) { return dynamic_cast<CCRGBAProtocol*>(n)->opacity(); }
    // The building animation running on the object layer, or null.
    // The building animation on the page: a one-shot animation made from
    // `file`. On the small phone the map's own animations also run one-shot
    // now and then, so the look-up goes by the parts, not by the first found.
    bool buildAnimationFrom(const char* file)
    {
        for (CCNode* child : children(map().pageParent())) {
            auto* animation = dynamic_cast<Animation*>(child);
            if (animation && child->tag() != MapScene::kGhostTag && child->zOrder() > 1 && !animation->Loop &&
                sameParts(animation, file))
                return true;
        }
        return false;
    }
    static bool sameParts(const Animation* a, const char* file)
    {
        const Animation* model = XMLManager::sharedInstance()->GetAnimationNamed(file);
        return a && model && !a->Animations.empty() && a->Animations[0]->Name == model->Animations[0]->Name &&
               a->Animations.size() == model->Animations.size();
    }
    void finishBuilding() { world.run.run(MapScene::kBuildSeconds + 0.05); }

    VillageWorld world {GetParam()};
    std::shared_ptr<test::ScriptedStore> store_ = std::make_shared<test::ScriptedStore>();
    std::shared_ptr<Store> previousStore_;
    VillageScene::LayerMaker previousMaker_;
};

TEST_P(MapPlacementTest, TheOnlyFreeSlotBuildsAtOnceWithoutGhost)
{
    struct Case {
        const char* what;
        int32_t building;
        int32_t group;
        int32_t slot;
        bool tree;          // a tree keyed on the slot, left in place
        const char* animation;
        bool farm, mine;    // entrance buttons made by the building
    };
    const Case cases[] = {
        {"fields on slot 3", kFields, 103, 3, false, "build.xml", true, false},
        {"mine on the pivot slot 9", kMine, 101, 9, false, "build_pivot.xml", false, true},
        {"well where a tree stands", kWell, 3, 19, true, "build.xml", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        world.slot(3).IDBuild = -1;
        world.slot(9).IDBuild = -1;
        freeInGroup3({19});
        enter(MapScene::kStateBuild, c.group, c.building);
        ASSERT_EQ(map().currentSpotCount(), 1);
        const int32_t tag = c.slot * MapScene::kBuildMarkerFactor;
        CCNode* offered = marker(tag);
        ASSERT_NE(offered, nullptr);
        EXPECT_GT(offered->numberOfRunningActions(), 0u) << "pulsing";
        const bool arrowWanted = c.group == 101 || c.group == 103;
        bool arrow = false;
        for (CCNode* child : children(offered)) arrow = arrow || dynamic_cast<CCTutorialArrow*>(child);
        EXPECT_EQ(arrow, arrowWanted);
        EXPECT_FALSE(world.hud().IsActive());
        world.run.run(0.5);
        EXPECT_TRUE(barsAway());

        world.sounds.clear();
        tapMarker(tag);
        EXPECT_EQ(map().mapState(), MapScene::kStateBuildAtOnce);
        EXPECT_EQ(node(MapScene::kGhostTag), nullptr) << "no ghost";
        EXPECT_EQ(map().menu(), nullptr);
        EXPECT_FALSE(map().isTouchEnabled());
        EXPECT_FALSE(world.hud().IsActive());
        EXPECT_EQ(world.played("selection_build_longer"), 1);
        EXPECT_TRUE(buildAnimationFrom(c.animation));
        EXPECT_EQ(world.slot(c.slot).IDBuild, c.building);
        EXPECT_TRUE(map().placementOpen());

        world.run.run(MapScene::kBuildSeconds - 0.1);
        EXPECT_EQ(standing(c.building, c.slot), nullptr) << "not before 1.6 s";
        finishBuilding();
        CCNode* built = standing(c.building, c.slot);
        ASSERT_NE(built, nullptr);
        EXPECT_EQ(built->zOrder(), static_cast<int>(world.win().height - world.slot(c.slot).y));
        EXPECT_EQ(node(c.slot * MapScene::kTreeKeyFactor) != nullptr, c.tree);
        EXPECT_FALSE(map().placementOpen());
        EXPECT_EQ(map().mapToBuild(), -1);
        EXPECT_TRUE(map().isTouchEnabled());
        EXPECT_TRUE(world.hud().IsActive());
        world.run.run(1.0);
        EXPECT_FALSE(barsAway());
        EXPECT_EQ(map().farmButton() != nullptr, c.farm);
        EXPECT_EQ(map().mineButton() != nullptr, c.mine);
        for (CCMenuItemSprite* button : {map().farmButton(), map().mineButton()}) {
            if (!button) continue;
            EXPECT_TRUE(button->isEnabled());
            EXPECT_GT(button->numberOfRunningActions(), 0u) << "pulsing";
        }
    }
}

TEST_P(MapPlacementTest, AmongSeveralSlotsTheGhostAsksAndMovesUntilConfirmed)
{
    freeInGroup3({13, 19});
    enter(MapScene::kStateBuild, 3, kWell);
    ASSERT_EQ(map().currentSpotCount(), 2);
    const int32_t first = 13 * MapScene::kBuildMarkerFactor, second = 19 * MapScene::kBuildMarkerFactor;

    tapMarker(first);
    EXPECT_EQ(map().mapState(), MapScene::kStateConfirm);
    EXPECT_EQ(map().selectedSlot(), first);
    CCNode* ghost = node(MapScene::kGhostTag);
    ASSERT_NE(ghost, nullptr);
    EXPECT_EQ(opacityOf(ghost), 120);
    EXPECT_EQ(ghost->position(), (CGPoint{float(world.slot(13).x), float(world.slot(13).y)}));
    EXPECT_EQ(bandTexts(), std::vector<std::string>{"Tap the same spot again to build."});
    EXPECT_EQ(opacityOf(marker(first)), 1);
    world.run.run(0.35);
    EXPECT_EQ(opacityOf(node(13000)), 0) << "the tree faded out";

    tapMarker(second);
    EXPECT_EQ(map().mapState(), MapScene::kStateConfirm) << "reads 106 again";
    EXPECT_EQ(map().lastSlotSelected(), first);
    EXPECT_EQ(map().selectedSlot(), second);
    ghost = node(MapScene::kGhostTag);
    ASSERT_NE(ghost, nullptr);
    EXPECT_EQ(ghost->position(), (CGPoint{float(world.slot(19).x), float(world.slot(19).y)}));
    int ghosts = 0;
    for (CCNode* child : children(map().pageParent())) ghosts += child->tag() == MapScene::kGhostTag;
    EXPECT_EQ(ghosts, 1);
    EXPECT_GT(marker(first)->numberOfRunningActions(), 0u) << "the first marker pulses again";
    EXPECT_EQ(opacityOf(marker(second)), 1);
    world.run.run(0.35);
    EXPECT_EQ(opacityOf(node(13000)), 255) << "the first tree is back";
    EXPECT_EQ(opacityOf(node(19000)), 0);

    tapMarker(second);
    EXPECT_EQ(map().mapState(), MapScene::kStateConfirmed);
    EXPECT_EQ(node(MapScene::kGhostTag), nullptr);
    EXPECT_EQ(node(19000), nullptr) << "the tree goes for good";
    EXPECT_EQ(world.slot(19000).IDBuild, kWell) << "its record names the building";
    EXPECT_EQ(world.slot(19).IDBuild, kWell);
    EXPECT_EQ(map().menu(), nullptr);
    finishBuilding();
    EXPECT_NE(standing(kWell, 19), nullptr);
    EXPECT_NE(node(13000), nullptr);
    EXPECT_EQ(world.slot(13).IDBuild, -1);
}

TEST_P(MapPlacementTest, InfoRowIsCentredInTheBandOnEveryProfile)
{
    struct Case {
        int32_t state;
        int32_t building;
        std::vector<std::string> texts;
    };
    world.build(25, kBakery);
    world.profile().GetUpgrade(kBakery)->NextUpdateEnum = kWell;
    freeInGroup3({13, 19});
    const Case cases[] = {
        {MapScene::kStateBuild, kWell, {"Tap a", "to build there"}},
        {MapScene::kStateUpgrade, kWell, {"Tap the", "to upgrade"}},
    };
    world.start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        // The second row finds the first one's row still in the band.
        enter(c.state, 3, c.building);
        CCLayerColor* band = world.hud().GetColorLayer();
        std::vector<CCNode*> rows = children(band);
        ASSERT_EQ(rows.size(), 1u);
        std::vector<CCNode*> parts = children(rows[0]);
        ASSERT_EQ(parts.size(), 3u);
        EXPECT_EQ(bandTexts(), c.texts);
        const float gap = world.tablet() ? 10 : 5;
        float x = 0;
        for (CCNode* part : parts) {
            EXPECT_EQ(part->anchorPoint(), (CGPoint{0, 0.5f}));
            EXPECT_FLOAT_EQ(part->position().x, x);
            x += static_cast<CCSprite*>(part)->textureRect().size.width + gap;
        }
        const float width = x - gap;
        EXPECT_NEAR(rows[0]->position().x + width / 2, world.win().width / 2, 0.01);
        EXPECT_NEAR(rows[0]->position().y, band->contentSize().height / 2, 0.01);
    }
}

TEST_P(MapPlacementTest, TheTappedUpgradeMarkerUpgradesTheBuildingOnItsSlot)
{
    struct Case {
        const char* what;
        std::vector<int32_t> bakeries; // slots holding a bakery
        int32_t tapped;
    };
    const Case cases[] = {
        {"one bakery", {24}, 24},
        {"two, the second tapped", {24, 25}, 25},
        {"two, the first tapped", {24, 25}, 24},
    };
    world.profile().GetUpgrade(kBakery)->NextUpdateEnum = kWell;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int32_t slotId : {24, 25}) world.slot(slotId).IDBuild = -1;
        for (int32_t slotId : c.bakeries) world.build(slotId, kBakery);
        GlobalObject::sharedInstance()->GenerateNotification(1, 0, 0, kBakery);
        enter(MapScene::kStateUpgrade, 1, kWell);
        ASSERT_EQ(map().currentSpotCount(), static_cast<int32_t>(c.bakeries.size()));
        EXPECT_EQ(map().helperInt(), kBakery);
        for (int32_t slotId : c.bakeries) {
            ASSERT_NE(marker(slotId), nullptr) << "tagged with the slot's key";
            EXPECT_GT(marker(slotId)->numberOfRunningActions(), 0u);
        }
        tapMarker(c.tapped);
        ASSERT_EQ(map().mapState(), MapScene::kStateUpgrading) << "the tap is taken";
        EXPECT_EQ(world.slot(c.tapped).IDBuild, kWell);
        EXPECT_EQ(GlobalObject::sharedInstance()->GetTimeTillNotification(kBakery), -1)
            << "the old building's bonus event is dropped";
        EXPECT_FALSE(world.hud().IsActive());
        finishBuilding();
        EXPECT_EQ(standing(kBakery, c.tapped), nullptr) << "the tapped slot's bakery is gone";
        EXPECT_NE(standing(kWell, c.tapped), nullptr);
        for (int32_t slotId : c.bakeries) {
            if (slotId == c.tapped) continue;
            EXPECT_NE(standing(kBakery, slotId), nullptr) << "the other bakery stays";
            EXPECT_EQ(world.slot(slotId).IDBuild, kBakery);
        }
        EXPECT_TRUE(world.hud().IsActive());
        EXPECT_TRUE(map().isTouchEnabled());
        EXPECT_FALSE(map().placementOpen());
    }
}

TEST_P(MapPlacementTest, UpgradesOfTheSettlementRevealTheirDecorations)
{
    struct Case {
        const char* what;
        int32_t from, to;
        std::vector<int32_t> before;   // decorations already shown
        std::vector<int32_t> revealed; // shown afterwards
        int afterBuild;
    };
    const Case cases[] = {
        {"town hall", 89, 27, {}, {302}, 1},
        {"village hall", 101, 89, {}, {301}, 1},
        {"city hall", 27, 90, {}, {303, 304}, 1},
        {"city hall, fountain already there", 27, 90, {303}, {303, 304}, 0},
        {"castle", 90, 38, {}, {}, 1},
        {"settlement", 88, 101, {}, {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int32_t deco : {301, 302, 303, 304}) world.slot(deco).isTree = 0;
        for (int32_t deco : c.before) world.slot(deco).isTree = 1;
        world.build(1, c.from);
        world.profile().GetUpgrade(c.from)->NextUpdateEnum = c.to;
        Ref<CountingMap> counting;
        (void)VillageScene::replaceLayerMakerForTesting([&counting, &c](GuiObject* gui, int32_t layer) -> Ref<CCLayer> {
            if (layer != VillageScene::kMapLayer) return nullptr;
            counting = makeRef<CountingMap>();
            if (!counting->initWithGuiParentAndState(gui, MapScene::kStateUpgrade, 102, c.to)) return nullptr;
            return counting;
        });
        enter(MapScene::kStateUpgrade, 102, c.to);
        (void)VillageScene::replaceLayerMakerForTesting(nullptr);
        ASSERT_EQ(world.map(), counting.get());
        tapMarker(1);
        finishBuilding();
        world.run.run(0.25); // the decorations fade in
        EXPECT_NE(standing(c.to, 1), nullptr);
        EXPECT_EQ(counting->afterBuild, c.afterBuild);
        for (int32_t deco : {301, 302, 303, 304}) {
            const bool wanted = std::find(c.revealed.begin(), c.revealed.end(), deco) != c.revealed.end();
            EXPECT_EQ(world.slot(deco).isTree == 1, wanted) << deco;
            CCNode* shown = node(deco * MapScene::kTreeKeyFactor);
            EXPECT_EQ(shown != nullptr, wanted) << deco;
            if (shown) {
                EXPECT_EQ(shown->zOrder(), 1);
                EXPECT_EQ(opacityOf(shown), 255) << "faded in";
            }
        }
    }
}

TEST_P(MapPlacementTest, TheWorkshopKeepsTheInputOffOnlyForItsToolLesson)
{
    struct Case {
        const char* what;
        int32_t building;
        bool lessonDone;   // frame 38
        bool paysTheTool;  // the workshop's bonus includes tool 24
        bool inputBack;
    };
    const Case cases[] = {
        {"workshop, lesson due", kWorkshop, false, true, false},
        {"workshop, lesson done", kWorkshop, true, true, true},
        {"workshop paying no tool", kWorkshop, false, false, true},
        {"bakery", kBakery, false, false, true},
    };
    UpgradeItem* workshop = world.profile().GetUpgrade(kWorkshop);
    const auto tools = workshop->BonusTools;
    // A village at the workshop's stage of the tutorial: past level 3 with its
    // first house, so the map's tutorial check reaches the tool lesson.
    constexpr int32_t kFirstHouse = 21;
    world.profile().PlayerLevel = std::max(world.profile().PlayerLevel, 4);
    if (world.profile().GetUpgradeCount(kFirstHouse) < 1) world.profile().increaseUpgradeCount(kFirstHouse, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int32_t slotId : {22, 25}) world.slot(slotId).IDBuild = -1;
        world.markFrame(38, c.lessonDone, c.lessonDone);
        world.markFrame(37, true, false); // shown, its Build arrow not yet followed
        if (c.paysTheTool) workshop->BonusTools = tools; else workshop->BonusTools.reset();
        // The purchase counts the building before it is placed.
        world.profile().increaseUpgradeCount(c.building, 1);
        enter(MapScene::kStateBuild, 1, c.building);
        ASSERT_GE(map().currentSpotCount(), 2);
        const int32_t tag = 25 * MapScene::kBuildMarkerFactor;
        tapMarker(tag);
        tapMarker(tag);
        finishBuilding();
        ASSERT_NE(standing(c.building, 25), nullptr);
        EXPECT_EQ(world.hud().IsActive(), c.inputBack);
        if (c.inputBack) {
            EXPECT_TRUE(map().isTouchEnabled());
        }
        if (c.paysTheTool && !c.lessonDone) {
            EXPECT_TRUE(world.profile().GetTutorialDef(37)->ArrowAfterDone);
        }
    }
    workshop->BonusTools = tools;
}

TEST_P(MapPlacementTest, AMissingListPictureStillBuildsAndSaysSo)
{
    world.slot(3).IDBuild = -1;
    CCSpriteFrameCache::sharedSpriteFrameCache()->removeSpriteFrameByName("b_fields.png");
    ScopedLogCapture log;
    enter(MapScene::kStateBuild, 103, kFields);
    tapMarker(3 * MapScene::kBuildMarkerFactor);
    EXPECT_TRUE(log.contains("b_fields.png"));
    finishBuilding();
    EXPECT_NE(standing(kFields, 3), nullptr);
    EXPECT_TRUE(world.hud().IsActive());
    EXPECT_TRUE(map().isTouchEnabled());
    world.run.run(1.0);
    EXPECT_FALSE(barsAway());
}

TEST_P(MapPlacementTest, WithNoSlotToOfferTheMapGivesBarsAndInputBack)
{
    struct Case {
        int32_t state;
        int32_t building;
    };
    freeInGroup3({});
    for (const Case& c : {Case{MapScene::kStateBuild, kWell}, Case{MapScene::kStateUpgrade, kWell}}) {
        SCOPED_TRACE(c.state);
        ScopedLogCapture log;
        enter(c.state, 3, c.building);
        EXPECT_EQ(map().currentSpotCount(), 0);
        EXPECT_TRUE(log.contains("no slot to offer"));
        EXPECT_TRUE(world.hud().IsActive());
        EXPECT_TRUE(map().isTouchEnabled());
        world.run.run(1.0);
        EXPECT_FALSE(barsAway());
    }
}

// Quitting during a placement must not save a building that is paid for but
// stands nowhere; the map's save once it stands holds everything.
TEST_P(MapPlacementTest, NothingSavesWhileAPlacementIsOpen)
{
    enum Moment { kOffered, kGhost, kAnimating, kMapTornDown, kPlaced };
    struct Case {
        const char* what;
        Moment moment;
        bool saved;
    };
    const Case cases[] = {
        {"markers offered", kOffered, false},       {"ghost standing", kGhost, false},
        {"building animation", kAnimating, false},  {"map torn down with a bonus taken", kMapTornDown, false},
        {"building placed", kPlaced, true},
    };
    const int32_t first = 13 * MapScene::kBuildMarkerFactor;
    // One delegate: destroying one drops the sprite frames not in use.
    MosswickAppDelegate delegate;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        freeInGroup3({13, 19});
        world.profile().increaseUpgradeCount(kWell, 1); // paid, as the pop-up does
        enter(MapScene::kStateBuild, 3, kWell);
        if (c.moment >= kGhost) tapMarker(first);
        if (c.moment >= kAnimating && c.moment != kMapTornDown) tapMarker(first);
        if (c.moment == kPlaced) finishBuilding();
        ASSERT_EQ(map().placementOpen(), c.moment != kPlaced) << map().mapState();
        world.profile().saveFile().waitUntilIdle();
        std::remove(SaveFile::path().c_str());
        if (c.moment == kMapTornDown) {
            // A bonus collected on the map makes it save when it goes.
            auto item = CCBonusItem::itemWithGold(5);
            item->SetVParent(&world.hud());
            item->setPosition({world.win().width / 2, world.win().height / 2});
            world.hud().bonusParent()->addChild(item.get());
            world.tap(item->position());
            ASSERT_TRUE(map().wasThereChange());
            world.scene->onHide();
        } else {
            delegate.applicationDidEnterBackground();
            CCDirector::sharedDirector()->startAnimation();
        }
        world.profile().saveFile().waitUntilIdle();
        EXPECT_EQ(Paths::fileExists(SaveFile::path()), c.saved);
        if (c.moment == kMapTornDown) world.scene = nullptr;
        world.profile().increaseUpgradeCount(kWell, -world.profile().GetUpgradeCount(kWell));
    }
}

// From the Build tab to the building on the map, and the same village after
// the game is started again.
TEST_P(MapPlacementTest, FieldsBuiltFromTheBuildTabStandAfterARelaunch)
{
    world.slot(3).IDBuild = -1;
    Profile& profile = world.profile();
    profile.increaseUpgradeCount(kFields, -profile.GetUpgradeCount(kFields));
    UpgradeItem* fields = profile.GetUpgrade(kFields);
    fields->DoneWithThat = false;
    fields->Priority = -1;
    for (int32_t resource = 1; resource <= 16; ++resource) profile.SetResourceCount(resource, 50);
    profile.RegenerateBuyIndexes();
    ASSERT_FALSE(profile.BuildingsDict.empty());
    ASSERT_EQ(profile.BuildingsDict.front(), kFields);
    world.start();

    world.tap(VillageWorld::centreOf(world.hud().BuildButton));
    world.run.run(0.1);
    auto* list = dynamic_cast<ListLayer*>(world.scene->GetLayer());
    ASSERT_NE(list, nullptr) << "the Build tab shows the buildings list";
    auto* row = dynamic_cast<ListRow*>(list->table()->cellAtIndex(0));
    ASSERT_NE(row, nullptr);
    ASSERT_NE(row->rowMenu(), nullptr);
    world.tap(VillageWorld::centreOf(children(row->rowMenu()).at(0)));
    world.run.run(0.5);
    HirePopUp* popUp = nullptr;
    for (CCNode* child : children(&world.hud()))
        if (auto* found = dynamic_cast<HirePopUp*>(child)) popUp = found;
    ASSERT_NE(popUp, nullptr);
    ASSERT_NE(popUp->craftButton(), nullptr);
    world.tap(VillageWorld::centreOf(popUp->craftButton()));
    world.run.run(0.5);
    ASSERT_NE(world.map(), nullptr);
    EXPECT_EQ(map().mapState(), MapScene::kStateBuild);
    EXPECT_EQ(profile.GetResourceCount(13), 47);
    tapMarker(3 * MapScene::kBuildMarkerFactor);
    finishBuilding();
    world.run.run(1.0);
    ASSERT_NE(standing(kFields, 3), nullptr);
    ASSERT_NE(map().farmButton(), nullptr);
    EXPECT_TRUE(map().farmButton()->isEnabled());
    EXPECT_GT(map().farmButton()->numberOfRunningActions(), 0u) << "pulsing";
    const std::vector<int32_t> placedBefore = [] {
        std::vector<int32_t> on;
        for (const auto& [key, slot] : XMLManager::sharedInstance()->MapObjects) on.push_back(slot->IDBuild);
        return on;
    }();

    // Quit and start again: the save written after placing is all there is.
    profile.saveFile().waitUntilIdle();
    auto plain = CCScene::node();
    CCDirector::sharedDirector()->replaceScene(plain.get());
    world.run.driver().runFrames(1);
    world.scene = nullptr;
    XMLManager::purgeSharedInstance();
    Profile::purgeSharedInstance();
    XMLManager::sharedInstance()->initXMLS();
    ASSERT_TRUE(Profile::sharedInstance()->Load());
    EXPECT_EQ(Profile::sharedInstance()->GetUpgradeCount(kFields), 1);
    EXPECT_EQ(Profile::sharedInstance()->GetResourceCount(13), 47);
    std::vector<int32_t> loaded;
    for (const auto& [key, slot] : XMLManager::sharedInstance()->MapObjects) loaded.push_back(slot->IDBuild);
    EXPECT_EQ(loaded, placedBefore);
    world.start();
    ASSERT_NE(world.map(), nullptr);
    EXPECT_EQ(map().mapState(), MapScene::kStateNormal);
    EXPECT_NE(standing(kFields, 3), nullptr);
    EXPECT_NE(map().farmButton(), nullptr);
}

// The placement as the player sees it; pictures go to
// $MOSSWICK_TEST_PICTURES when it is set.
TEST_P(MapPlacementTest, PicturesOfTheMarkersTheGhostAndTheUpgradeMarker)
{
    world.profile().ExperienceStep = 1560;
    world.profile().Experience = 900;
    freeInGroup3({13, 19});
    enter(MapScene::kStateBuild, 3, kWell);
    world.run.run(0.6);
    world.run.picture("placement-markers");
    tapMarker(13 * MapScene::kBuildMarkerFactor);
    world.run.run(0.4);
    ASSERT_NE(node(MapScene::kGhostTag), nullptr);
    world.run.picture("placement-ghost");
    tapMarker(13 * MapScene::kBuildMarkerFactor);
    world.run.run(0.8);
    world.run.picture("placement-building");
    world.run.run(2.0);
    world.run.picture("placement-built");

    world.profile().GetUpgrade(kBakery)->NextUpdateEnum = kWorkshop;
    enter(MapScene::kStateUpgrade, 1, kWorkshop);
    world.run.run(0.6);
    ASSERT_EQ(map().currentSpotCount(), 1);
    world.run.picture("placement-upgrade");
}

INSTANTIATE_TEST_SUITE_P(Devices, MapPlacementTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
