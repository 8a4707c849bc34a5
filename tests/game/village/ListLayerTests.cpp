#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/sprites/CCSprite.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "game/village/ListLayer.h"
#include "game/village/VillageUi.h"
#include "tests/game/front/FrontTestSupport.h"

namespace mw {
namespace {

// A row with a background and one button, as the lists build theirs.
class ProbeRow : public ListRow {
public:
    explicit ProbeRow(uint32_t index)
    {
        CCSprite* bg = setBackground("list_bg1_hire.png", index);
        makeMenu(bg, {bg->contentSize().width / 2, 0});
        auto button = villageui::button("list_button.png", "list_button_click.png", "", {});
        menu->addChild(button.get());
    }
};

class ProbeList : public ListLayer {
public:
    explicit ProbeList(CCNode* gui, uint32_t rows)
        : rows_(rows)
    {
        (void)initFullList(gui);
    }
    using ListLayer::openOverList;
    uint32_t numberOfCellsInTableView(CCTableView*) override { return rows_; }
    CGSize cellSizeForTable(CCTableView*) override { return {320, 125}; }
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override
    {
        discardReusableCell(table);
        return makeRef<ProbeRow>(idx);
    }
    uint32_t rows_;
};

// A HUD stand-in that records its input switches.
class ProbeGui : public CCNode {
public:
    void SetInputActive(bool active) override { inputs.push_back(active); }
    std::vector<bool> inputs;
};

class ListLayerTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run_.ok()) << "no headless GL context";
        scene_ = run_.runPlainScene();
        (void)GlobalObject::sharedInstance();
        ASSERT_TRUE(run_.loadVillageSheets());
        list_ = makeRef<ProbeList>(scene_, 20);
        scene_->addChild(list_.get());
        run_.run(1.0 / 60);
    }
    bool tablet() const { return GlobalObject::sharedInstance()->isIpad; }
    static int32_t priority(CCTouchDelegate* delegate)
    {
        return CCTouchDispatcher::sharedDispatcher()->retrievePriorityField(delegate, 0); // targeted list
    }
    ListRow* row(uint32_t idx) const { return static_cast<ListRow*>(list_->table()->cellAtIndex(idx)); }

    test::DeviceRun run_ {GetParam()};
    CCScene* scene_ = nullptr;
    Ref<ProbeList> list_;
};

TEST_P(ListLayerTest, TableSitsBetweenTheBarsAheadOfTheHud)
{
    const CGSize win = CCDirector::sharedDirector()->winSize();
    const float bottom = tablet() ? 90 : 45;
    const float top = tablet() ? 54 : 27;
    EXPECT_EQ(list_->tableSize(), (CGSize {win.width, win.height - bottom - top}));
    EXPECT_EQ(list_->table()->position(), (CGPoint {0, bottom}));
    EXPECT_EQ(list_->table()->parent(), list_.get());
    EXPECT_EQ(list_->guiParent(), scene_);
    EXPECT_EQ(list_->table()->verticalFillOrder(), kCCTableViewFillTopDown);
    ASSERT_NE(row(0), nullptr);
    EXPECT_EQ(priority(list_->table()), INT_MIN + 2);
    EXPECT_EQ(priority(row(0)->rowMenu()), INT_MIN + 1);

    // Switching the input off and on registers the table and the row menus
    // anew; they must keep their places ahead of the HUD.
    list_->SetInputActive(false);
    EXPECT_FALSE(list_->table()->isTouchEnabled());
    EXPECT_FALSE(row(0)->rowMenu()->isTouchEnabled());
    list_->SetInputActive(true);
    run_.run(1.0 / 60);
    EXPECT_TRUE(row(1)->rowMenu()->isTouchEnabled());
    EXPECT_EQ(priority(list_->table()), INT_MIN + 2);
    EXPECT_EQ(priority(row(1)->rowMenu()), INT_MIN + 1);
}

TEST_P(ListLayerTest, OddRowsAreTinted)
{
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(row(i), nullptr);
        const uint8_t shade = i % 2 == 1 ? 180 : 255;
        EXPECT_EQ(row(i)->background()->color(), (ccColor3B {shade, shade, shade}));
    }
}

TEST_P(ListLayerTest, ReloadKeepsTheScrollOffset)
{
    const CGPoint start = list_->table()->contentOffset();
    const CGPoint scrolled {0, start.y + 3.5f * 125};
    list_->table()->setContentOffset(scrolled);
    run_.run(1.0 / 60);
    // Held, so that a new row cannot take the old one's address.
    const Ref<CCTableViewCell> before(list_->table()->GetCell(0));
    ASSERT_TRUE(before);
    const uint32_t firstShown = before->idx();
    list_->ReloadData();
    EXPECT_EQ(list_->table()->contentOffset(), scrolled);
    ASSERT_GT(list_->table()->GetIndices(), 0u);
    EXPECT_NE(list_->table()->GetCell(0), before.get()) << "rows are built afresh";
    EXPECT_EQ(list_->table()->GetCell(0)->idx(), firstShown);
}

TEST_P(ListLayerTest, VisibleBandLeavesOutRowsUnderTheBars)
{
    const float bottom = tablet() ? 90 : 45;
    const float top = tablet() ? 54 : 27;
    const float winHeight = CCDirector::sharedDirector()->winSize().height;
    ListRow* probe = row(0);
    ASSERT_NE(probe, nullptr);
    const float half = probe->background()->contentSize().height / 2;
    const float lowest = std::max(bottom, half);
    // The row's place in the layer plus the bottom bar, against the band
    // [max(bottom bar, half a row), window height - top bar].
    struct Case {
        float sum;
        bool clear;
    };
    const Case cases[] = {
        {lowest - 1, false}, {lowest, true}, {winHeight / 2, true},
        {winHeight - top, true}, {winHeight - top + 1, false},
    };
    CCNode* container = probe->parent();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sum);
        container->setPosition({0, c.sum - bottom - list_->table()->position().y - probe->position().y});
        EXPECT_EQ(probe->inVisibleBand(), c.clear);
    }
}

TEST_P(ListLayerTest, APopUpOverTheListTakesBothInputsOnlyWithAParentToGiveThemBack)
{
    // A row finds the list that shows it; a row outside a table has none.
    ASSERT_NE(row(0), nullptr);
    EXPECT_EQ(row(0)->listLayer(), list_.get());
    EXPECT_EQ(row(0)->listAs<ProbeList>(), list_.get());
    EXPECT_EQ(makeRef<ProbeRow>(0)->listLayer(), nullptr);

    const CGSize win = CCDirector::sharedDirector()->winSize();
    auto gui = makeRef<ProbeGui>();
    scene_->addChild(gui.get());
    auto over = makeRef<ProbeList>(gui.get(), 3);
    scene_->addChild(over.get());
    run_.run(1.0 / 60);
    auto popUp = CCNode::node();
    EXPECT_TRUE(over->openOverList(popUp, 3));
    EXPECT_EQ(popUp->parent(), gui.get());
    EXPECT_EQ(popUp->zOrder(), 3);
    EXPECT_EQ(popUp->position(), (CGPoint {win.width / 2, win.height / 2}));
    EXPECT_FALSE(over->table()->isTouchEnabled());
    EXPECT_EQ(gui->inputs, std::vector<bool> {false});

    // Without a parent nothing could give the input back: nothing opens.
    auto alone = makeRef<ProbeList>(nullptr, 3);
    scene_->addChild(alone.get());
    run_.run(1.0 / 60);
    auto orphan = CCNode::node();
    EXPECT_FALSE(alone->openOverList(orphan, 3));
    EXPECT_EQ(orphan->parent(), nullptr);
    EXPECT_TRUE(alone->table()->isTouchEnabled());
    EXPECT_FALSE(over->openOverList(nullptr, 3));
}

INSTANTIATE_TEST_SUITE_P(Devices, ListLayerTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw
