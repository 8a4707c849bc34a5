#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "engine/tables/CCMultiColumnTableView.h"
#include "tests/engine/tables/TablesTestSupport.h"

namespace mw::test {
namespace {

TEST(MultiColumnTableViewTest, CellsSitInAGridAcrossTheScrollDirection)
{
    struct Case {
        const char* name;
        CCScrollViewDirection direction;
        CGSize viewSize;
        CGSize cellSize;
        uint32_t setCount; // for a list scrolling both ways
        uint32_t colCount;
        CGSize contentSize;
        std::map<uint32_t, CGPoint> positions; // top-down, in the container
    };
    const Case cases[] = {
        // Three 100-wide cells in 320 points: slots of 106 2/3, each cell
        // centred in its slot; 7 cells make 3 rows, index 0 in the top row.
        {"vertical",
         kCCScrollViewDirectionVertical,
         {320, 200},
         {100, 50},
         0,
         3,
         {320, 150},
         {{0, {10.0f / 3, 100}}, {2, {650.0f / 3, 100}}, {4, {110, 50}}, {6, {10.0f / 3, 0}}}},
        // Three 40-high cells in 120 points: columns of three, left to right.
        {"horizontal",
         kCCScrollViewDirectionHorizontal,
         {200, 120},
         {50, 40},
         0,
         3,
         {200, 120},
         {{0, {0, 80}}, {2, {0, 0}}, {4, {50, 40}}, {6, {100, 80}}}},
        // A view narrower than a cell still has one column.
        {"narrower than a cell",
         kCCScrollViewDirectionVertical,
         {80, 200},
         {100, 50},
         0,
         1,
         {100, 350},
         {{0, {0, 300}}, {4, {0, 100}}}},
        {"both ways, two columns",
         kCCScrollViewDirectionBoth,
         {320, 200},
         {100, 50},
         2,
         2,
         {320, 200},
         {{0, {30, 150}}, {3, {190, 100}}, {6, {30, 0}}}},
        {"both ways, no columns asked for",
         kCCScrollViewDirectionBoth,
         {320, 200},
         {100, 50},
         0,
         1,
         {320, 350},
         {{0, {110, 300}}, {6, {110, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetSharedInstances();
        ListSource source(7, c.cellSize);
        Ref<CCMultiColumnTableView> table = CCMultiColumnTableView::viewWithDataSource(&source, c.viewSize);
        table->setDirection(c.direction);
        if (c.direction == kCCScrollViewDirectionBoth) table->setColCount(c.setCount);
        table->reloadData();
        EXPECT_EQ(table->colCount(), c.colCount);
        EXPECT_FLOAT_EQ(table->contentSize().width, c.contentSize.width);
        EXPECT_FLOAT_EQ(table->contentSize().height, c.contentSize.height);
        for (const auto& [idx, position] : c.positions) {
            SCOPED_TRACE(idx);
            // Cells shown on the spot are where the table put them; the
            // others are brought into sight first.
            if (!table->cellAtIndex(idx)) table->updateCellAtIndex(idx);
            ASSERT_NE(table->cellAtIndex(idx), nullptr);
            EXPECT_NEAR(table->cellAtIndex(idx)->position().x, position.x, 1e-3);
            EXPECT_NEAR(table->cellAtIndex(idx)->position().y, position.y, 1e-3);
        }
    }
    resetSharedInstances();
}

} // namespace
} // namespace mw::test
