#include <gtest/gtest.h>

#include <cmath>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/hud/HirePopUp.h"
#include "game/village/screens/BuildingCell.h"
#include "game/village/screens/BuildingsLayer.h"
#include "tests/game/village/ListScreensSupport.h"

namespace mw {
namespace {

constexpr int32_t kFields = 91, kBakery = 28, kMarket = 18, kWorkshop = 19, kCottage = 21, kMine = 29;

class BuildingsListTest : public test::VillageListTest {
protected:
    void SetUp() override
    {
        test::VillageListTest::SetUp();
        if (HasFatalFailure()) return;
        offer({kFields, kBakery, kMarket, kWorkshop, kCottage, kMine});
        // Nothing asked beyond level 1 and stock enough for every cost.
        for (int32_t id : {kFields, kBakery, kMarket, kWorkshop, kCottage, kMine}) {
            upgrade(id)->ReqLevel = 1;
            upgrade(id)->ReqUpgrades = test::idArray({});
        }
        for (int32_t resource = 1; resource <= 16; ++resource) profile()->SetResourceCount(resource, 500);
    }
    // Only these buildings are on offer, in this order.
    void offer(const std::vector<int32_t>& ids)
    {
        for (auto& [id, item] : profile()->UpgradesDict) {
            if (item->Type != 2) continue;
            const auto at = std::find(ids.begin(), ids.end(), id);
            item->isHidden = at == ids.end();
            item->Priority = static_cast<int32_t>(at - ids.begin());
        }
        profile()->RegenerateBuyIndexes();
        ASSERT_EQ(profile()->BuildingsDict, ids);
    }
    void open()
    {
        list_ = BuildingsLayer::layerWithGuiParent(hud_.get());
        ASSERT_TRUE(list_);
        show(list_.get());
    }
    BuildingCell* row(uint32_t idx) const { return dynamic_cast<BuildingCell*>(list_->table()->cellAtIndex(idx)); }
    CCMenuItem* buttonOf(BuildingCell* cell) const
    {
        return cell->rowMenu() ? dynamic_cast<CCMenuItem*>(test::kids(cell->rowMenu()).at(0)) : nullptr;
    }
    HirePopUp* popUp() const
    {
        for (CCNode* child : test::kids(hud_.get()))
            if (auto* found = dynamic_cast<HirePopUp*>(child)) return found;
        return nullptr;
    }

    Ref<BuildingsLayer> list_;
};

TEST_P(BuildingsListTest, RowsFollowTheOfferListWithTheEndRowOnceTheCastleStands)
{
    for (bool castle : {false, true}) {
        SCOPED_TRACE(castle);
        profile()->UpgradesCountArray[38] = castle ? 1 : 0;
        // The end row follows the castle alone, whatever the city level says.
        profile()->CityLevel = castle ? 5 : 6;
        open();
        const uint32_t shift = castle ? 1 : 0;
        EXPECT_EQ(list_->numberOfCellsInTableView(list_->table()), 6 + shift);
        if (castle) {
            ASSERT_NE(row(0), nullptr);
            EXPECT_TRUE(row(0)->isEndRow());
            EXPECT_TRUE(test::shows(row(0)->background(), "list_updates_coming.png"));
            EXPECT_EQ(row(0)->background()->color(), (ccColor3B {255, 255, 255}));
            EXPECT_EQ(row(0)->rowMenu(), nullptr);
        }
        for (uint32_t i = shift; i < 3 + shift; ++i) {
            SCOPED_TRACE(i);
            ASSERT_NE(row(i), nullptr);
            EXPECT_EQ(row(i)->GetID(), profile()->BuildingsDict[i - shift]);
            const uint8_t shade = i % 2 == 1 ? 180 : 255;
            EXPECT_EQ(row(i)->background()->color(), (ccColor3B {shade, shade, shade}));
        }
        list_->removeFromParentAndCleanup(true);
    }
}

TEST_P(BuildingsListTest, RequirementLinesNameTheLevelThenTheMissingBuildings)
{
    struct Case {
        const char* what;
        int32_t level;
        std::vector<int32_t> required;
        std::vector<std::string> texts; // after "Needs:"
        std::vector<int> lines;         // 0: the "Needs:" line, 1: one line lower, ...
        std::vector<bool> afterNeed;    // beside "Needs:" or at the left edge
    };
    const Case cases[] = {
        {"all met", 1, {kFields}, {}, {}, {}},
        {"only the level", 5, {}, {"Lvl 5"}, {0}, {true}},
        {"level and two buildings", 5, {kMarket, kWorkshop}, {"Lvl 5,", "Market,", "Workshop"}, {0, 1, 2}, {true, false, false}},
        {"two buildings", 1, {kMarket, kWorkshop}, {"Market,", "Workshop"}, {0, 1}, {true, false}},
    };
    profile()->UpgradesCountArray[kFields] = 1;
    const float step = pick(12, 24);
    const float left = pick(10, 20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        upgrade(kBakery)->ReqLevel = c.level;
        upgrade(kBakery)->ReqUpgrades = test::idArray(c.required);
        auto cell = BuildingCell::rowWithIndex(1);
        const std::vector<CCLabelTTF*>& labels = cell->requirementLabels();
        if (c.texts.empty()) {
            EXPECT_TRUE(labels.empty());
            EXPECT_TRUE(cell->CanBeBought());
            continue;
        }
        ASSERT_EQ(labels.size(), c.texts.size() + 1);
        EXPECT_FALSE(cell->CanBeBought());
        const CCLabelTTF* need = labels[0];
        EXPECT_EQ(need->string(), "Needs:");
        EXPECT_EQ(need->position(), (CGPoint {left, pick(43, 54)}));
        const float needWidth = std::floor(need->contentSize().width);
        for (size_t i = 0; i < c.texts.size(); ++i) {
            SCOPED_TRACE(i);
            const CCLabelTTF* label = labels[i + 1];
            EXPECT_EQ(label->string(), c.texts[i]);
            EXPECT_EQ(label->color(), (ccColor3B {255, 0, 0}));
            EXPECT_FLOAT_EQ(label->position().x, c.afterNeed[i] ? needWidth + left : left);
            EXPECT_FLOAT_EQ(label->position().y, step + pick(31, 30) - static_cast<float>(c.lines[i]) * step);
        }
    }
}

TEST_P(BuildingsListTest, GoldPriceButtonAndPadlockFollowTheRow)
{
    struct Case {
        const char* what;
        bool market;
        bool missingBuilding;
        bool shortOfStock;
        int32_t money;
        bool costs;
        bool gold, orLabel, padlock, active;
    };
    const Case cases[] = {
        {"everything there", true, false, false, 150, true, true, true, false, true},
        {"gold only", true, false, false, 150, false, true, false, false, true},
        {"short, gold offered", true, false, true, 150, true, true, true, false, false},
        {"no market", false, false, true, 150, true, false, false, true, false},
        {"a building missing", true, true, false, 150, true, false, false, true, false},
        {"no gold price", true, false, true, 0, true, false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        profile()->UpgradesCountArray[kMarket] = c.market ? 1 : 0;
        UpgradeItem* bakery = upgrade(kBakery);
        bakery->Money = c.money;
        bakery->ReqUpgrades = test::idArray(c.missingBuilding ? std::vector<int32_t> {kMine} : std::vector<int32_t> {});
        if (c.costs)
            test::setCosts(bakery, {{3, 1}, {4, 2}, {13, 2}, {15, 1}});
        else
            bakery->ResourceCostArr.clear();
        profile()->SetResourceCount(4, c.shortOfStock ? 1 : 500);
        auto cell = BuildingCell::rowWithIndex(1);
        EXPECT_EQ(cell->showsGoldPrice(), c.gold);
        EXPECT_EQ(cell->showsPadlock(), c.padlock);
        bool orShown = false;
        for (CCNode* child : test::kids(cell->background()))
            if (auto* label = dynamic_cast<CCLabelTTF*>(child); label && label->string() == "or") orShown = true;
        EXPECT_EQ(orShown, c.orLabel);
        CCMenuItem* button = cell->rowMenu() ? dynamic_cast<CCMenuItem*>(test::kids(cell->rowMenu()).at(0)) : nullptr;
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->tag(), kBakery);
        EXPECT_TRUE(test::shows(test::normalImage(button), c.active ? "list_button.png" : "list_button_dark.png"));
    }
}

TEST_P(BuildingsListTest, CostsWrapAfterTheThirdLine)
{
    test::setCosts(upgrade(kBakery), {{3, 1}, {4, 2}, {13, 2}, {15, 1}});
    auto cell = BuildingCell::rowWithIndex(1);
    std::vector<CGPoint> pictures;
    for (CCNode* child : test::kids(cell->background()))
        if (child->zOrder() == 1 && std::fabs(child->scale() - 0.46f) < 1e-6f) pictures.push_back(child->position());
    ASSERT_EQ(pictures.size(), 4u);
    EXPECT_EQ(pictures[2], (CGPoint {pick(300, 720), pick(96, 192)}));
    EXPECT_EQ(pictures[3], (CGPoint {pick(220, 560), pick(54, 108)}));
}

TEST_P(BuildingsListTest, TheNewMarkerSwingsThenFliesOffOnTouch)
{
    profile()->SetObjectSeen(kBakery);
    open();
    const int32_t unseen = profile()->GetNotSeenCountBuildings();
    BuildingCell* cell = row(1);
    ASSERT_NE(cell, nullptr);
    CCSprite* marker = cell->newMarker();
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->tag(), 543);
    EXPECT_EQ(marker->parent(), cell->background());
    EXPECT_LE(std::fabs(marker->rotation()), 7.0f);
    float lowest = marker->rotation(), highest = marker->rotation();
    run_.runEach(5, [&] {
        lowest = std::min(lowest, marker->rotation());
        highest = std::max(highest, marker->rotation());
    });
    EXPECT_GT(highest - lowest, 10.0f) << "it swings";
    EXPECT_GE(lowest, -10.001f);
    EXPECT_LE(highest, 10.001f);

    // A touch on the row away from its button.
    const CGPoint start = marker->position();
    test::VillageListTest::tap(cell->convertToWorldSpace({pick(60, 150), pick(100, 200)}));
    EXPECT_TRUE(cell->markerLeaving());
    EXPECT_FALSE(profile()->WasObjectSeen(kBakery));
    EXPECT_EQ(profile()->GetNotSeenCountBuildings(), unseen - 1);
    EXPECT_TRUE(sounds.empty());
    run_.run(0.3);
    ASSERT_EQ(cell->newMarker(), marker);
    EXPECT_GT(marker->position().y, start.y);
    // A second touch during the flight changes nothing.
    profile()->SetObjectSeen(kBakery);
    test::VillageListTest::tap(cell->convertToWorldSpace({pick(60, 150), pick(100, 200)}));
    EXPECT_TRUE(profile()->WasObjectSeen(kBakery));
    run_.run(0.3);
    EXPECT_EQ(cell->newMarker(), nullptr);
    EXPECT_EQ(cell->background()->getChildByTag(543), nullptr);
}

TEST_P(BuildingsListTest, ButtonsOpenThePopUpOnlyClearOfTheBars)
{
    profile()->SetObjectSeen(kFields);
    profile()->SetResourceCount(13, 0); // the bakery's second row goes dark
    test::setCosts(upgrade(kBakery), {{13, 2}});
    open();
    // Push the first row half under the top bar.
    CCNode* container = row(0)->parent();
    container->setPosition({0, container->position().y + pick(100, 200)});
    run_.run(1.0 / 60);
    BuildingCell* first = row(0);
    ASSERT_NE(first, nullptr);
    ASSERT_FALSE(first->inVisibleBand());
    tapNode(buttonOf(first));
    EXPECT_EQ(count("selection_menu"), 0);
    EXPECT_EQ(popUp(), nullptr);
    EXPECT_TRUE(first->markerLeaving()) << "the marker still leaves";
    EXPECT_FALSE(profile()->WasObjectSeen(kFields));

    // The dark button of a row clear of the bars opens the pop-up without a craft button.
    BuildingCell* second = row(1);
    ASSERT_TRUE(second->inVisibleBand());
    tapNode(buttonOf(second));
    EXPECT_EQ(count("selection_menu"), 1);
    HirePopUp* opened = popUp();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->upgradeId(), kBakery);
    EXPECT_EQ(opened->zOrder(), 3);
    EXPECT_EQ(opened->craftButton(), nullptr);
    EXPECT_FALSE(list_->table()->isTouchEnabled());
    EXPECT_FALSE(hud_->IsActive());
}

TEST_P(BuildingsListTest, ReloadKeepsTheOffsetAndShowsTheNewStock)
{
    profile()->SetResourceCount(13, 0);
    test::setCosts(upgrade(kWorkshop), {{13, 2}});
    open();
    CCNode* container = row(0)->parent();
    const CGPoint scrolled {0, container->position().y + pick(60, 120)};
    list_->table()->setContentOffset(scrolled);
    run_.run(1.0 / 60);
    ASSERT_NE(row(3), nullptr);
    EXPECT_FALSE(row(3)->CanBeBought());
    profile()->SetResourceCount(13, 5);
    list_->ReloadData();
    EXPECT_EQ(list_->table()->contentOffset(), scrolled);
    ASSERT_NE(row(3), nullptr);
    EXPECT_TRUE(row(3)->CanBeBought());
}

TEST_P(BuildingsListTest, LessonArrowsStandOnTheFieldsAndBakeryButtons)
{
    struct Case {
        const char* what;
        int32_t building;
        bool done, arrowAfter, arrowAfterDone, otherDone; // lesson 7 (or 19), and lesson 6's arrow
        bool arrow;
    };
    const Case cases[] = {
        {"fields, lesson 7 over", kFields, true, true, true, false, true},
        {"fields, lesson 6 already pointed", kFields, true, true, true, true, false},
        {"fields, lesson 7 not done", kFields, false, true, true, false, false},
        {"bakery, lesson 19 done", kBakery, true, true, false, false, true},
        {"bakery, its arrow dismissed", kBakery, true, true, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TutorialFrameDef* lesson = profile()->GetTutorialDef(c.building == kFields ? 7 : 19);
        lesson->Done = c.done;
        lesson->ArrowAfter = c.arrowAfter;
        lesson->ArrowAfterDone = c.arrowAfterDone;
        profile()->GetTutorialDef(6)->ArrowAfterDone = c.otherDone;
        auto cell = BuildingCell::rowWithIndex(c.building == kFields ? 0 : 1);
        CCMenuItem* button = dynamic_cast<CCMenuItem*>(test::kids(cell->rowMenu()).at(0));
        bool arrow = false;
        for (CCNode* child : test::kids(button)) arrow = arrow || dynamic_cast<CCTutorialArrow*>(child) != nullptr;
        EXPECT_EQ(arrow, c.arrow);
        if (c.building == kFields && c.arrow) {
            EXPECT_TRUE(profile()->GetTutorialDef(6)->ArrowAfterDone);
        }
    }
}

TEST_P(BuildingsListTest, TutorialFramesOfTheBuildStep)
{
    auto arrow = CCNode::node();
    hud_->addChild(arrow.get(), 1, BuildingsLayer::kShopLessonArrowTag);
    profile()->GetTutorialDef(57)->ArrowAfterDone = false;
    open();
    EXPECT_EQ(tutorials, (std::vector<int32_t> {58}));
    EXPECT_EQ(hud_->getChildByTag(BuildingsLayer::kShopLessonArrowTag), nullptr);
    EXPECT_TRUE(profile()->GetTutorialDef(57)->ArrowAfterDone);
    EXPECT_FALSE(hud_->IsActive());
    EXPECT_FALSE(list_->table()->isTouchEnabled());
    list_->MoveWithTutorial();
    EXPECT_TRUE(hud_->IsActive());
    EXPECT_TRUE(list_->table()->isTouchEnabled());

    list_->ValidateAndPlayTutorial();
    EXPECT_EQ(tutorials, (std::vector<int32_t> {58, 30}));
    EXPECT_FALSE(hud_->IsActive());
    EXPECT_FALSE(list_->table()->isTouchEnabled());
}

INSTANTIATE_TEST_SUITE_P(Devices, BuildingsListTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw
