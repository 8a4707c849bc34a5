#pragma once

#include <cstdint>

#include "engine/tables/CCTableView.h"

namespace mw {

// A table that lays its cells out in a grid: a vertical list puts colCount
// cells side by side in each row, centred in equal slots across the content
// width; a horizontal list stacks colCount cells in each column. A vertical
// or horizontal list derives colCount from the view size (as many whole
// cells as fit, at least one); a list scrolling both ways keeps the count
// set with setColCount.
class CCMultiColumnTableView : public CCTableView {
public:
    explicit CCMultiColumnTableView(CGSize viewSize, CCNode* container = nullptr);

    static Ref<CCMultiColumnTableView> viewWithDataSource(CCTableViewDataSource* source, CGSize viewSize,
                                                          CCNode* container = nullptr);

    // Cells across the scroll direction; never 0.
    uint32_t colCount() const { return colCount_; }
    // Stores the count (0 counts as 1); a list scrolling both ways takes it
    // for its content size at once.
    void setColCount(uint32_t count);

protected:
    CGPoint offsetFromIndexBottomUp(uint32_t idx) override;
    int64_t indexFromOffsetBottomUp(CGPoint offset) override;
    void updateContentSize() override;

private:
    uint32_t colCount_ = 1;
};

} // namespace mw
