#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/sprites/CCSprite.h"
#include "engine/tables/CCTableView.h"
#include "tests/engine/tables/TablesTestSupport.h"

namespace mw::test {
namespace {

// A 120-point-high list at (60, 200): GL x from 60 to 260, y from 200 to 320.
constexpr CGPoint kViewOrigin{60, 200};
constexpr CGSize kViewSize{200, 120};
constexpr float kViewTop = kViewOrigin.y + kViewSize.height;
constexpr CGSize kCellSize{200, 50};

class TableViewTest : public TablesTest {
protected:
    explicit TableViewTest(const char* device = "phone") : TablesTest(device) {}

    // A vertical top-down list of `count` cells, as the game's screens make them.
    Ref<CCTableView> addTable(uint32_t count, CGSize cellSize = kCellSize)
    {
        source = std::make_unique<ListSource>(count, cellSize);
        Ref<CCTableView> table = CCTableView::viewWithDataSource(source.get(), kViewSize);
        table->setDelegate(source.get());
        table->setVerticalFillOrder(kCCTableViewFillTopDown);
        table->setDirection(kCCScrollViewDirectionVertical);
        table->setPosition(kViewOrigin);
        scene().addChild(table.get());
        table->reloadData();
        return table;
    }

    // Where the list's top edge (index 0's top) is on screen.
    static float listTop(CCTableView& table)
    {
        return kViewOrigin.y + table.contentOffset().y + table.contentSize().height * table.zoomScale();
    }

    // Every shown cell sits where its index puts it below the list's top, and
    // exactly the cells that overlap the view are shown.
    static void expectCellsInPlace(CCTableView& table, uint32_t count)
    {
        const float top = listTop(table);
        for (uint32_t i = 0; i < table.GetIndices(); ++i) {
            CCTableViewCell* cell = table.GetCell(i);
            const CGPoint corner = cell->convertToWorldSpace({0, 0});
            EXPECT_FLOAT_EQ(corner.y, top - kCellSize.height * static_cast<float>(cell->idx() + 1))
                << "cell " << cell->idx();
        }
        // A cell that only touches an edge of the view may be shown or not.
        for (uint32_t idx = 0; idx < count; ++idx) {
            const float cellTop = top - kCellSize.height * static_cast<float>(idx);
            const float cellBottom = cellTop - kCellSize.height;
            if (cellTop > kViewOrigin.y && cellBottom < kViewTop) {
                EXPECT_NE(table.cellAtIndex(idx), nullptr) << "cell " << idx << " in sight";
            } else if (cellTop < kViewOrigin.y || cellBottom > kViewTop) {
                EXPECT_EQ(table.cellAtIndex(idx), nullptr) << "cell " << idx << " out of sight";
            }
        }
        // The shown indices follow one another.
        for (uint32_t i = 1; i < table.GetIndices(); ++i) {
            EXPECT_EQ(table.GetCell(i)->idx(), table.GetCell(i - 1)->idx() + 1);
        }
    }

    std::unique_ptr<ListSource> source;
};

TEST_F(TableViewTest, ShowsTheCellsInSightForTheOffset)
{
    struct Case {
        const char* name;
        float scrolled; // upwards from the start of the list
        std::vector<uint32_t> shown;
    };
    const Case cases[] = {
        {"the start: index 0 at the top", 0, {0, 1, 2}},
        {"one cell further", 50, {1, 2, 3}},
        {"a cell and a half", 75, {1, 2, 3}},
        {"the end", 380, {7, 8, 9}},
        {"back at the start", 0, {0, 1, 2}},
    };
    Ref<CCTableView> table = addTable(10);
    EXPECT_EQ(table->contentSize(), (CGSize{200, 500}));
    EXPECT_EQ(table->contentOffset(), (CGPoint{0, -380}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        table->setContentOffset({0, -380 + c.scrolled});
        EXPECT_EQ(shownIndices(*table), c.shown);
        EXPECT_EQ(shownItems(*table), c.shown);
        expectCellsInPlace(*table, 10);
    }
    EXPECT_FLOAT_EQ(table->cellAtIndex(0)->convertToWorldSpace({0, 50}).y, kViewTop);
}

TEST_F(TableViewTest, CellsThatLeaveTheSightAreQueuedAndReused)
{
    Ref<CCTableView> table = addTable(10);
    const Ref<CCTableViewCell> first = table->cellAtIndex(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(source->cellsMade, 3);

    // One cell further, with a source that makes every cell anew: cell 0
    // waits in the queue, reset and off the tree.
    source->reuse = false;
    table->setContentOffset({0, -330});
    EXPECT_EQ(shownIndices(*table), (std::vector<uint32_t>{1, 2, 3}));
    ASSERT_EQ(table->GetIndicesFreed(), 1u);
    EXPECT_EQ(table->GetCellFrees(0), first.get());
    EXPECT_EQ(first->idx(), kCCTableViewCellNoIndex);
    EXPECT_EQ(first->parent(), nullptr);

    // Back again with a reusing source: the queued cell shows index 0 again.
    source->reuse = true;
    table->setContentOffset({0, -380});
    EXPECT_EQ(table->cellAtIndex(0), first.get());
    EXPECT_EQ(table->GetIndicesFreed(), 1u); // cell 3 took its place in the queue

    // At most four cells are in sight at once (at -300: cells 1 to 4), so
    // scrolling through the list makes no further cell.
    drag({100, 210}, {100, 310}, 10);
    driver().runFrames(120);
    expectCellsInPlace(*table, 10);
    EXPECT_EQ(source->cellsMade, 4);
    EXPECT_EQ(table->GetIndices() + table->GetIndicesFreed(), 4u);
}

TEST_F(TableViewTest, DraggingScrollsTheListAndTheCellsFollow)
{
    Ref<CCTableView> table = addTable(10);
    drag({100, 210}, {180, 290}, 8); // diagonal: a vertical list only takes the upward part
    EXPECT_EQ(table->contentOffset(), (CGPoint{0, -300}));
    expectCellsInPlace(*table, 10);
    for (int frame = 0; frame < 60; ++frame) {
        driver().runFrames(1);
        expectCellsInPlace(*table, 10);
    }
    EXPECT_GT(table->contentOffset().y, -300); // it glided on
}

TEST_F(TableViewTest, ATapReportsTheCellUnderIt)
{
    struct Case {
        const char* name;
        uint32_t count;
        std::function<void(TableViewTest&, CCTableView&)> gesture;
        std::vector<uint32_t> tapped;
    };
    // Cell 0 covers GL y 270 to 320, cell 1 220 to 270.
    const std::vector<Case> cases = {
        {"a tap on cell 1",
         10,
         [](TableViewTest& t, CCTableView&) {
             t.driver().touchUp(t.touchDown({100, 245}).get());
         },
         {1}},
        {"the finger moved",
         10,
         [](TableViewTest& t, CCTableView&) {
             Ref<UITouch> touch = t.touchDown({100, 245});
             t.touchMove(touch.get(), {100, 246});
             t.driver().touchUp(touch.get());
         },
         {}},
        {"a second finger is down",
         10,
         [](TableViewTest& t, CCTableView&) {
             Ref<UITouch> one = t.touchDown({100, 245});
             Ref<UITouch> two = t.touchDown({150, 290});
             t.driver().touchUp(one.get());
             t.driver().touchCancel(two.get());
         },
         {}},
        {"a finger outside the view lifts while one rests on a cell",
         10,
         [](TableViewTest& t, CCTableView&) {
             Ref<UITouch> resting = t.touchDown({100, 245});
             Ref<UITouch> outside = t.touchDown({300, 290});
             t.driver().touchUp(outside.get());
             t.driver().touchCancel(resting.get());
         },
         {}},
        {"scrolling switched off",
         10,
         [](TableViewTest& t, CCTableView& table) {
             table.SetCanScroll(false);
             t.driver().touchUp(t.touchDown({100, 245}).get());
         },
         {}},
        // Two cells fill the view's top 100 points; the index is clamped to the last cell.
        {"the gap below a short list",
         2,
         [](TableViewTest& t, CCTableView&) {
             t.driver().touchUp(t.touchDown({100, 210}).get());
         },
         {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCTableView> table = addTable(c.count);
        c.gesture(*this, *table);
        EXPECT_EQ(source->tapped, c.tapped);
        table->removeFromParentAndCleanup(true);
    }
}

TEST_F(TableViewTest, AnAnimatedScrollEndsWithTheCellsOfItsEnd)
{
    Ref<CCTableView> table = addTable(10);
    table->setContentOffset({0, -280}, true);
    driver().runFrames(40);
    EXPECT_EQ(table->contentOffset(), (CGPoint{0, -280}));
    EXPECT_EQ(shownIndices(*table), (std::vector<uint32_t>{2, 3, 4}));
}

TEST_F(TableViewTest, InsertingKeepsSizeCellsAndTopInStep)
{
    struct Case {
        const char* name;
        uint32_t idx;
        std::vector<uint32_t> items;
    };
    const Case cases[] = {
        {"insert at the top", 0, {100, 0, 1}},
        {"insert below the sight", 5, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCTableView> table = addTable(10);
        source->items.insert(source->items.begin() + c.idx, 100);
        table->insertCellAtIndex(c.idx);
        EXPECT_FLOAT_EQ(table->contentSize().height, 550);
        EXPECT_EQ(shownItems(*table), c.items);
        EXPECT_FLOAT_EQ(listTop(*table), kViewTop);
        expectCellsInPlace(*table, static_cast<uint32_t>(source->items.size()));
        table->removeFromParentAndCleanup(true);
    }
}

// Removing only takes the cell away and closes the gap among the cells
// shown: the content size, the offset and the range in sight wait for the
// next scroll.
TEST_F(TableViewTest, RemovingQueuesTheCellAndRenumbersTheCellsAfterItOnly)
{
    struct Case {
        const char* name;
        uint32_t idx;
        std::vector<uint32_t> indices;
        std::vector<uint32_t> items;
        uint32_t queued;
    };
    const Case cases[] = {
        {"a shown cell", 1, {0, 1}, {0, 2}, 1},
        {"the old last index, not shown", 9, {0, 1, 2}, {0, 1, 2}, 0},
        {"an index that never was", 11, {0, 1, 2}, {0, 1, 2}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCTableView> table = addTable(10);
        const uint32_t queuedBefore = table->GetIndicesFreed();
        if (c.idx < source->items.size()) source->items.erase(source->items.begin() + c.idx);
        source->asked.clear();
        table->removeCellAtIndex(c.idx);
        EXPECT_FLOAT_EQ(table->contentSize().height, 500) << "not recomputed";
        EXPECT_FLOAT_EQ(listTop(*table), kViewTop);
        EXPECT_EQ(shownIndices(*table), c.indices);
        EXPECT_EQ(shownItems(*table), c.items);
        EXPECT_EQ(table->GetIndicesFreed() - queuedBefore, c.queued);
        EXPECT_TRUE(source->asked.empty());
        for (uint32_t i = 0; i < table->GetIndices(); ++i) {
            CCTableViewCell* cell = table->GetCell(i);
            EXPECT_FLOAT_EQ(cell->convertToWorldSpace({0, 0}).y,
                            kViewTop - kCellSize.height * static_cast<float>(cell->idx() + 1))
                << "cell " << cell->idx();
        }
        table->removeFromParentAndCleanup(true);
    }
}

TEST_F(TableViewTest, ReloadingStartsOverWithTheNewCount)
{
    struct Case {
        const char* name;
        float offsetY; // before the reload
        uint32_t count;
        CCTableViewVerticalFillOrder order;
        std::vector<uint32_t> shown;
        float bottomOfFirstShown; // GL y
    };
    // The reload goes to the lowest offset: the top of the content, where a
    // bottom-up list has its last index.
    const Case cases[] = {
        {"more items, at the start", -380, 12, kCCTableViewFillTopDown, {0, 1, 2}, kViewTop - 50},
        {"fewer items, scrolled", -200, 3, kCCTableViewFillTopDown, {0, 1, 2}, kViewTop - 50},
        {"bottom-up order", -200, 10, kCCTableViewFillBottomUp, {7, 8, 9}, kViewTop - 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCTableView> table = addTable(10);
        table->setContentOffset({0, c.offsetY});
        source->items.resize(c.count);
        for (uint32_t i = 0; i < c.count; ++i)
            source->items[i] = i;
        table->setVerticalFillOrder(c.order); // reloads when the order changes
        table->reloadData();
        EXPECT_FLOAT_EQ(table->contentSize().height, 50.0f * static_cast<float>(c.count));
        EXPECT_EQ(shownIndices(*table), c.shown);
        EXPECT_FLOAT_EQ(table->GetCell(0)->convertToWorldSpace({0, 0}).y, c.bottomOfFirstShown);
        if (c.order == kCCTableViewFillTopDown) expectCellsInPlace(*table, c.count);
        table->removeFromParentAndCleanup(true);
    }

    Ref<CCTableView> table = addTable(10);
    source->items.clear();
    table->reloadData();
    EXPECT_EQ(table->GetIndices(), 0u);
    EXPECT_EQ(table->container()->children()->count(), 0u);
    EXPECT_FLOAT_EQ(table->contentSize().height, 0);
}

// A reload first refills the sight at the offset it found, then jumps to the
// start of the list: the cells of the old offset are asked for and queued
// again.
TEST_F(TableViewTest, ReloadingAsksForTheCellsAtTheOldOffsetBeforeTheStart)
{
    struct Case {
        const char* name;
        float offsetY; // before the reload
        bool reuse;
        std::vector<uint32_t> asked;
        uint32_t queuedByTheReload;
    };
    const Case cases[] = {
        // The four cells shown go to the queue, come back for the same
        // indices, go again, and three of them come back for 0 to 2.
        {"scrolled, reusing cells", -200, true, {3, 4, 5, 6, 0, 1, 2}, 1},
        {"scrolled, making new cells", -200, false, {3, 4, 5, 6, 0, 1, 2}, 8},
        {"at the start", -380, false, {0, 1, 2}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCTableView> table = addTable(10);
        table->setContentOffset({0, c.offsetY});
        source->reuse = c.reuse;
        source->asked.clear();
        const uint32_t queuedBefore = table->GetIndicesFreed();
        table->reloadData();
        EXPECT_EQ(source->asked, c.asked);
        EXPECT_EQ(table->GetIndicesFreed() - queuedBefore, c.queuedByTheReload);
        EXPECT_EQ(shownIndices(*table), (std::vector<uint32_t>{0, 1, 2}));
        expectCellsInPlace(*table, 10);
        table->removeFromParentAndCleanup(true);
    }
}

TEST_F(TableViewTest, SwitchingTouchesOffReachesEveryShownCell)
{
    Ref<CCTableView> table = addTable(10);
    table->setIsTouchEnabled(false);
    for (uint32_t i = 0; i < table->GetIndices(); ++i) {
        EXPECT_EQ(static_cast<ColourCell*>(table->GetCell(i))->activeCalls, std::vector<bool>{false});
    }
}

TEST_F(TableViewTest, ASpriteCellShowsOneSpriteByItsCorner)
{
    auto cell = CCTableViewSpriteCell::node();
    auto first = makeRef<CCSprite>();
    auto second = makeRef<CCSprite>();
    first->setPosition({5, 5});
    cell->setSprite(first.get());
    EXPECT_EQ(first->parent(), cell.get());
    EXPECT_EQ(first->anchorPoint(), CGPointZero);
    EXPECT_EQ(first->position(), CGPointZero);
    cell->setSprite(second.get());
    EXPECT_EQ(first->parent(), nullptr);
    EXPECT_EQ(cell->children()->count(), 1u);
    cell->setIdx(4);
    cell->reset();
    EXPECT_EQ(cell->sprite(), nullptr);
    EXPECT_EQ(second->parent(), nullptr);
    EXPECT_EQ(cell->idx(), kCCTableViewCellNoIndex);
}

// Drawing, on an ordinary and a high-resolution screen: the list is drawn
// only inside its view rectangle.
class TableViewClipTest : public TableViewTest, public ::testing::WithParamInterface<const char*> {
protected:
    TableViewClipTest() : TableViewTest(GetParam()) {}

    static RGBA colourOfItem(uint32_t item)
    {
        const ccColor4B c = ColourCell::colourOf(item);
        return {c.r, c.g, c.b, c.a};
    }
};

TEST_P(TableViewClipTest, CellsAreDrawnOnlyInsideTheView)
{
    // Cells wider than the view; half a cell scrolled: cell 0 spans GL y 295
    // to 345, cell 2 from 195 to 245.
    Ref<CCTableView> table = addTable(10, {220, 50});
    table->setContentOffset({0, -355});
    struct Probe {
        CGPoint at;
        int item; // -1: nothing drawn there when clipping
    };
    const Probe probes[] = {
        {{100, 318}, 0}, {{100, 322}, -1}, {{100, 202}, 2},  {{100, 198}, -1},
        {{62, 250}, 1},  {{258, 250}, 1},  {{262, 250}, -1}, {{58, 250}, -1},
    };
    for (bool clips : {true, false}) {
        SCOPED_TRACE(clips ? "clipping" : "not clipping");
        table->setClipsToBounds(clips);
        driver().runFrames(1);
        for (const Probe& probe : probes) {
            SCOPED_TRACE(testing::Message() << "at " << probe.at.x << "," << probe.at.y);
            const RGBA seen = colourAt(probe.at);
            if (probe.item >= 0) {
                EXPECT_TRUE(nearColor(seen, colourOfItem(static_cast<uint32_t>(probe.item)))) << seen;
            } else if (clips) {
                EXPECT_TRUE(nearColor(seen, {0, 0, 0, seen.a}, 0)) << seen;
            }
        }
    }
    // Without clipping the cells do reach past the view (the probes can see it).
    EXPECT_TRUE(nearColor(colourAt({100, 322}), colourOfItem(0)));
    EXPECT_TRUE(nearColor(colourAt({262, 250}), colourOfItem(1)));
}

INSTANTIATE_TEST_SUITE_P(Screens, TableViewClipTest, ::testing::Values("phone", "phone-hd"),
                         [](const auto& info) {
                             return std::string(info.param == std::string("phone") ? "Scale1" : "Scale2");
                         });

} // namespace
} // namespace mw::test
