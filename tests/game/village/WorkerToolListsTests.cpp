#include <gtest/gtest.h>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "game/state/UpgradeAction.h"
#include "game/boards/CCCounterDrell.h"
#include "game/village/hud/HireCell.h"
#include "game/village/hud/HirePopUp.h"
#include "game/village/screens/ToolsCell.h"
#include "game/village/screens/ToolsLayer.h"
#include "game/village/screens/WorkersLayer.h"
#include "tests/game/village/ListScreensSupport.h"

namespace mw {
namespace {

constexpr int32_t kFieldWorker = 9, kIronDigger = 1, kPorter = 105, kShovel = 24, kGasLamp = 23;
constexpr ccColor3B kNoneOwned {123, 109, 79}, kSomeOwned {203, 195, 173}, kAllOwned {222, 177, 91};

class WorkerToolListsTest : public test::VillageListTest {
protected:
    void SetUp() override
    {
        test::VillageListTest::SetUp();
        if (HasFatalFailure()) return;
        for (int32_t resource = 1; resource <= 17; ++resource) profile()->SetResourceCount(resource, 500);
        offer(3, {kFieldWorker, kIronDigger, kPorter});
        offer(4, {kShovel, kGasLamp});
        for (int32_t id : {kFieldWorker, kIronDigger, kPorter, kShovel, kGasLamp}) {
            upgrade(id)->ReqLevel = 0;
            upgrade(id)->ReqUpgrades = test::idArray({});
            upgrade(id)->StageMaxQuantity = 5;
        }
    }
    // Only these upgrades of a type are on offer, in this order.
    void offer(int32_t type, const std::vector<int32_t>& ids)
    {
        for (auto& [id, item] : profile()->UpgradesDict) {
            if (item->Type != type) continue;
            const auto at = std::find(ids.begin(), ids.end(), id);
            item->isHidden = at == ids.end();
            item->DoneWithThat = false;
            item->Priority = static_cast<int32_t>(at - ids.begin());
        }
        profile()->RegenerateBuyIndexes();
    }
    static Ref<UpgradeAction> action(int32_t kind, int32_t target)
    {
        auto made = makeRef<UpgradeAction>();
        made->ID = kind;
        made->IDAction = target;
        return made;
    }
    HirePopUp* popUp() const
    {
        for (CCNode* child : test::kids(hud_.get()))
            if (auto* found = dynamic_cast<HirePopUp*>(child)) return found;
        return nullptr;
    }
};

TEST_P(WorkerToolListsTest, WorkerCountsAndButtonsFollowWhatIsOwned)
{
    struct Case {
        int32_t owned;
        ccColor3B colour;
        const char* button;
        bool costs;
    };
    const Case cases[] = {
        {0, kNoneOwned, "list_button.png", true},
        {2, kSomeOwned, "list_button.png", true},
        {5, kAllOwned, "max_button.png", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.owned);
        profile()->UpgradesCountArray[kFieldWorker] = c.owned;
        auto row = HireCell::rowWithIndex(0);
        ASSERT_EQ(row->GetID(), kFieldWorker);
        EXPECT_EQ(row->countLabel()->string(), std::to_string(c.owned));
        EXPECT_EQ(row->countLabel()->color(), c.colour);
        EXPECT_TRUE(test::shows(test::normalImage(row->button()), c.button));
        EXPECT_EQ(row->costCounters().empty(), !c.costs);
    }
}

TEST_P(WorkerToolListsTest, SevenCostLinesFillRowsOfThree)
{
    test::setCosts(upgrade(kIronDigger), {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}});
    auto row = HireCell::rowWithIndex(1);
    ASSERT_EQ(row->costCounters().size(), 7u);
    std::vector<float> lines;
    for (CCNode* counter : row->costCounters()) lines.push_back(counter->position().y);
    const float top = pick(96, 192) - pick(12, 24);
    const float step = pick(42, 84);
    EXPECT_EQ(lines, (std::vector<float> {top, top, top, top - step, top - step, top - step, top - 2 * step}));
    EXPECT_FLOAT_EQ(row->costCounters()[2]->position().x, pick(220, 560) + 2 * pick(40, 80) + pick(8.4f, 16.8f));
}

TEST_P(WorkerToolListsTest, AMissingLevelIsRedAndItsDarkButtonOpensThePopUpWithoutHiring)
{
    upgrade(kIronDigger)->ReqLevel = 7;
    auto list = WorkersLayer::layerWithGuiParent(hud_.get());
    show(list.get());
    auto* row = dynamic_cast<HireCell*>(list->table()->cellAtIndex(1));
    ASSERT_NE(row, nullptr);
    ASSERT_NE(row->levelLabel(), nullptr);
    EXPECT_EQ(row->levelLabel()->string(), "7");
    EXPECT_EQ(row->levelLabel()->color(), (ccColor3B {255, 0, 0}));
    EXPECT_EQ(row->CraftBtn, nullptr);
    EXPECT_TRUE(test::shows(test::normalImage(row->button()), "list_button_dark.png"));
    tapNode(row->button());
    ASSERT_NE(popUp(), nullptr);
    EXPECT_EQ(popUp()->upgradeId(), kIronDigger);
    EXPECT_EQ(popUp()->craftButton(), nullptr);
}

TEST_P(WorkerToolListsTest, TheMaximumButtonDoesNothing)
{
    profile()->UpgradesCountArray[kFieldWorker] = 5;
    profile()->RegenerateBuyIndexes();
    auto list = WorkersLayer::layerWithGuiParent(hud_.get());
    show(list.get());
    auto* row = dynamic_cast<HireCell*>(list->table()->cellAtIndex(profile()->WorkersCount - 1));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetID(), kFieldWorker) << "a worker at its maximum moves to the end";
    tapNode(row->button());
    EXPECT_EQ(popUp(), nullptr);
    EXPECT_TRUE(sounds.empty());
    EXPECT_TRUE(hud_->IsActive());
}

TEST_P(WorkerToolListsTest, TheEffectShowsWhatTheWorkerTurnsIntoWhat)
{
    struct Case {
        const char* what;
        int32_t kind;
        int32_t target;
        const char* from;
        const char* to;
    };
    const Case cases[] = {
        {"tiles into tiles", 0, 13, "grain.png", "chicken.png"},
        {"tiles into a resource", 1, 3, "grain.png", "bread.png"},
        {"something else", 4, 3, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto actions = CCArray::array();
        actions->addObject(action(c.kind, c.target).get());
        upgrade(kFieldWorker)->Actions = actions;
        auto row = HireCell::rowWithIndex(0);
        if (c.from == nullptr) {
            EXPECT_EQ(row->effectFrom(), nullptr);
            continue;
        }
        ASSERT_NE(row->effectFrom(), nullptr);
        const std::string to = c.kind == 1 ? profile()->GetResource(3)->PngName + ".png" : c.to;
        EXPECT_TRUE(test::shows(row->effectFrom(), c.from));
        EXPECT_TRUE(test::shows(row->effectTo(), to));
        const CGSize box = row->background()->contentSize();
        EXPECT_FLOAT_EQ(row->effectFrom()->position().x, 0.07f * box.width);
        EXPECT_FLOAT_EQ(row->effectTo()->position().x, 0.22f * box.width);
    }
}

TEST_P(WorkerToolListsTest, ThePorterHasNoNowCaption)
{
    for (int32_t index : {0, 2}) {
        auto row = HireCell::rowWithIndex(static_cast<uint32_t>(index));
        bool now = false;
        for (CCNode* child : test::kids(row->background()))
            if (auto* label = dynamic_cast<CCLabelTTF*>(child); label && label->string() == "Now:") now = true;
        EXPECT_EQ(now, row->GetID() != kPorter) << row->GetID();
    }
}

TEST_P(WorkerToolListsTest, ToolCostsStandOnOneLine)
{
    test::setCosts(upgrade(kShovel), {{1, 1}, {2, 1}, {3, 1}, {4, 600}, {5, 1}});
    auto row = ToolsCell::rowWithIndex(0);
    std::vector<CGPoint> pictures;
    for (CCNode* child : test::kids(row->background()))
        if (child->zOrder() == 1 && std::fabs(child->scale() - 0.46f) < 1e-6f) pictures.push_back(child->position());
    ASSERT_EQ(pictures.size(), 5u);
    for (size_t j = 0; j < pictures.size(); ++j)
        EXPECT_EQ(pictures[j], (CGPoint {pick(120, 240) + pick(35, 70) * static_cast<float>(j), pick(20, 46)}));
    EXPECT_FALSE(row->CanBeBought()) << "one line short";
    EXPECT_TRUE(test::shows(test::normalImage(row->button()), "list_button_dark.png"));
}

TEST_P(WorkerToolListsTest, ToolCountsAndTheMaximumButton)
{
    struct Case {
        int32_t owned;
        ccColor3B colour;
        const char* button;
    };
    const Case cases[] = {
        {0, kNoneOwned, "list_button.png"}, {3, kSomeOwned, "list_button.png"}, {5, kAllOwned, "max_button.png"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.owned);
        profile()->UpgradesCountArray[kShovel] = c.owned;
        auto row = ToolsCell::rowWithIndex(0);
        EXPECT_EQ(row->countLabel()->color(), c.colour);
        EXPECT_TRUE(test::shows(test::normalImage(row->button()), c.button));
    }
}

TEST_P(WorkerToolListsTest, MarkersLeaveByTouchAndAtOnceByAButton)
{
    profile()->SetObjectSeen(kShovel);
    profile()->SetObjectSeen(kGasLamp);
    auto list = ToolsLayer::layerWithGuiParent(hud_.get());
    show(list.get());
    const int32_t unseen = profile()->GetNotSeenCountTools();
    auto* first = dynamic_cast<ToolsCell*>(list->table()->cellAtIndex(0));
    auto* second = dynamic_cast<ToolsCell*>(list->table()->cellAtIndex(1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second->newMarker(), nullptr);
    // A touch on the row: the marker flies and the flag goes.
    tap(first->convertToWorldSpace({pick(20, 40), pick(60, 120)}));
    EXPECT_TRUE(first->markerLeaving());
    EXPECT_NE(first->newMarker(), nullptr);
    EXPECT_FALSE(profile()->WasObjectSeen(kShovel));
    EXPECT_EQ(profile()->GetNotSeenCountTools(), unseen - 1);
    // The button of a fully visible row removes it at once.
    tapNode(second->button());
    EXPECT_EQ(second->newMarker(), nullptr);
    EXPECT_FALSE(profile()->WasObjectSeen(kGasLamp));
    ASSERT_NE(popUp(), nullptr);
    EXPECT_EQ(popUp()->upgradeId(), kGasLamp);
}

INSTANTIATE_TEST_SUITE_P(Devices, WorkerToolListsTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw
