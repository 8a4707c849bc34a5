#include "engine/tables/CCMultiColumnTableView.h"

#include <algorithm>

namespace mw {

namespace {

// Whole cells of `cell` length that fit in `length`; at least one, so that a
// view narrower than a cell still has a column to put its cells in.
uint32_t cellsThatFit(float length, float cell)
{
    if (!(cell > 0) || !(length >= cell)) return 1;
    return static_cast<uint32_t>(std::min(length / cell, 1e9f));
}

} // namespace

CCMultiColumnTableView::CCMultiColumnTableView(CGSize viewSize, CCNode* container)
    : CCTableView(viewSize, container)
{
}

Ref<CCMultiColumnTableView> CCMultiColumnTableView::viewWithDataSource(CCTableViewDataSource* source,
                                                                       CGSize viewSize, CCNode* container)
{
    Ref<CCMultiColumnTableView> table = makeRef<CCMultiColumnTableView>(viewSize, container);
    table->setDataSource(source);
    table->updateContentSize();
    return table;
}

void CCMultiColumnTableView::setColCount(uint32_t count)
{
    colCount_ = std::max<uint32_t>(count, 1);
    if (direction_ == kCCScrollViewDirectionBoth) updateContentSize();
}

void CCMultiColumnTableView::updateContentSize()
{
    const CGSize size = cellSize();
    const uint32_t count = cellCount();
    const float viewWidth = viewSize_.width / container_->scaleX();
    const float viewHeight = viewSize_.height / container_->scaleY();
    if (direction_ == kCCScrollViewDirectionHorizontal) {
        colCount_ = cellsThatFit(viewHeight, size.height);
        const uint32_t columns = (count + colCount_ - 1) / colCount_;
        setContentSize({std::max(static_cast<float>(columns) * size.width, viewWidth),
                        static_cast<float>(colCount_) * size.height});
        return;
    }
    if (direction_ == kCCScrollViewDirectionVertical) colCount_ = cellsThatFit(viewWidth, size.width);
    const uint32_t rows = (count + colCount_ - 1) / colCount_;
    setContentSize({std::max(static_cast<float>(colCount_) * size.width, viewWidth),
                    static_cast<float>(rows) * size.height});
}

CGPoint CCMultiColumnTableView::offsetFromIndexBottomUp(uint32_t idx)
{
    const CGSize size = cellSize();
    const auto across = static_cast<float>(idx % colCount_);
    const auto along = static_cast<float>(idx / colCount_);
    const CGSize content = container_->contentSize();
    if (direction_ == kCCScrollViewDirectionHorizontal) {
        const float slot = content.height / static_cast<float>(colCount_);
        return {along * size.width, across * slot + (slot - size.height) * 0.5f};
    }
    const float slot = content.width / static_cast<float>(colCount_);
    return {across * slot + (slot - size.width) * 0.5f, along * size.height};
}

int64_t CCMultiColumnTableView::indexFromOffsetBottomUp(CGPoint offset)
{
    const CGSize size = cellSize();
    const CGSize content = container_->contentSize();
    const auto columns = static_cast<int64_t>(colCount_);
    if (direction_ == kCCScrollViewDirectionHorizontal) {
        const float slot = content.height / static_cast<float>(colCount_);
        return truncateToIndex((offset.y - (slot - size.height) * 0.5f) / slot) +
               truncateToIndex(offset.x / size.width) * columns;
    }
    const float slot = content.width / static_cast<float>(colCount_);
    return truncateToIndex((offset.x - (slot - size.width) * 0.5f) / slot) +
           truncateToIndex(offset.y / size.height) * columns;
}

} // namespace mw
