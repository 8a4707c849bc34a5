#include "engine/tables/CCTableView.h"

#include <algorithm>
#include <cmath>

#include "engine/base/ccContentScale.h"
#include "foundation/Log.h"

namespace mw {

CCTableView::CCTableView(CGSize viewSize, CCNode* container)
    : CCScrollView(viewSize, container), cellsUsed_(CCArray::array())
{
    setDirection(kCCScrollViewDirectionVertical);
    CCScrollView::setDelegate(this);
}

CCTableView::~CCTableView() = default;

Ref<CCTableView> CCTableView::viewWithDataSource(CCTableViewDataSource* source, CGSize viewSize,
                                                 CCNode* container)
{
    Ref<CCTableView> table = makeRef<CCTableView>(viewSize, container);
    table->setDataSource(source);
    table->updateContentSize();
    return table;
}

void CCTableView::setVerticalFillOrder(CCTableViewVerticalFillOrder order)
{
    if (order == vordering_) return;
    vordering_ = order;
    if (cellsUsed_->count() > 0) reloadData();
}

// ---------------------------------------------------------------- geometry

uint32_t CCTableView::cellCount() { return dataSource_ ? dataSource_->numberOfCellsInTableView(this) : 0; }

CGSize CCTableView::cellSize() { return dataSource_ ? dataSource_->cellSizeForTable(this) : CGSizeZero; }

int64_t CCTableView::truncateToIndex(float value)
{
    if (std::isnan(value)) return 0;
    // Far beyond any cell count, and inside what the conversion can hold.
    constexpr float kLimit = 1e12f;
    return static_cast<int64_t>(std::clamp(value, -kLimit, kLimit));
}

CGPoint CCTableView::offsetFromIndexBottomUp(uint32_t idx)
{
    const CGSize size = cellSize();
    if (direction_ == kCCScrollViewDirectionHorizontal) return {static_cast<float>(idx) * size.width, 0};
    return {0, static_cast<float>(idx) * size.height};
}

int64_t CCTableView::indexFromOffsetBottomUp(CGPoint offset)
{
    const CGSize size = cellSize();
    if (direction_ == kCCScrollViewDirectionHorizontal) return truncateToIndex(offset.x / size.width);
    return truncateToIndex(offset.y / size.height);
}

CGPoint CCTableView::offsetFromIndex(uint32_t idx)
{
    CGPoint offset = offsetFromIndexBottomUp(idx);
    if (vordering_ == kCCTableViewFillTopDown) {
        offset.y = container_->contentSize().height - offset.y - cellSize().height;
    }
    return offset;
}

uint32_t CCTableView::indexFromOffset(CGPoint offset)
{
    const uint32_t count = cellCount();
    if (count == 0) return 0;
    if (vordering_ == kCCTableViewFillTopDown) {
        offset.y = container_->contentSize().height - offset.y - cellSize().height;
    }
    return static_cast<uint32_t>(std::clamp<int64_t>(indexFromOffsetBottomUp(offset), 0, count - 1));
}

void CCTableView::updateContentSize()
{
    const CGSize size = cellSize();
    const auto count = static_cast<float>(cellCount());
    if (direction_ == kCCScrollViewDirectionHorizontal) {
        setContentSize({size.width * count, size.height});
    } else {
        setContentSize({size.width, size.height * count});
    }
}

// ---------------------------------------------------------------- cells

Ref<CCTableViewCell> CCTableView::dequeueCell()
{
    if (cellsFreed_.empty()) return nullptr;
    Ref<CCTableViewCell> cell = std::move(cellsFreed_.front());
    cellsFreed_.erase(cellsFreed_.begin());
    return cell;
}

CCTableViewCell* CCTableView::cellAtIndex(uint32_t idx) const
{
    if (!indices_.contains(idx)) return nullptr;
    return static_cast<CCTableViewCell*>(objectWithObjectID(*cellsUsed_, idx));
}

CCTableViewCell* CCTableView::GetCell(uint32_t position) const
{
    return position < cellsUsed_->count() ? cellsUsed_->objectAtIndexAs<CCTableViewCell>(position) : nullptr;
}

CCTableViewCell* CCTableView::GetCellFrees(uint32_t position) const
{
    return position < cellsFreed_.size() ? cellsFreed_[position].get() : nullptr;
}

void CCTableView::placeCell(uint32_t idx, CCTableViewCell* cell)
{
    cell->setAnchorPoint(CGPointZero);
    cell->setPosition(offsetFromIndex(idx));
    cell->setIdx(idx);
}

void CCTableView::addCellIfNecessary(CCTableViewCell* cell)
{
    // A higher index draws beneath a lower one.
    if (cell->parent() != container_.get()) container_->addChild(cell, -static_cast<int>(cell->idx()));
    insertSortedObject(*cellsUsed_, cell);
    indices_.insert(cell->idx());
}

void CCTableView::moveCellOutOfSight(CCTableViewCell* cell)
{
    cellsFreed_.emplace_back(cell);
    removeSortedObject(*cellsUsed_, cell); // by its index, before reset clears it
    indices_.erase(cell->idx());
    cell->reset();
    if (cell->parent() == container_.get()) container_->removeChild(cell, true);
}

void CCTableView::showCellAtIndex(uint32_t idx)
{
    Ref<CCTableViewCell> cell = dataSource_->tableCellAtIndex(this, idx);
    if (!cell) return;
    if (cellsUsed_->containsObject(cell) || (cell->parent() && cell->parent() != container_.get())) {
        logLine("CCTableView: the cell for index %u is already in a node tree; index left empty", idx);
        return;
    }
    // A queued cell handed back without dequeueCell leaves the queue.
    cellsFreed_.erase(std::remove(cellsFreed_.begin(), cellsFreed_.end(), cell), cellsFreed_.end());
    placeCell(idx, cell);
    addCellIfNecessary(cell);
}

void CCTableView::updateCellAtIndex(uint32_t idx)
{
    if (idx == kCCTableViewCellNoIndex || idx >= cellCount()) return;
    if (CCTableViewCell* shown = cellAtIndex(idx)) moveCellOutOfSight(shown);
    showCellAtIndex(idx);
}

void CCTableView::renumberCells(uint32_t from, int delta)
{
    // Every shown cell from `from` on moves by the same amount, so the array
    // stays in order.
    for (Object* item : *cellsUsed_) {
        auto* cell = static_cast<CCTableViewCell*>(item);
        if (cell->idx() < from) continue;
        placeCell(static_cast<uint32_t>(static_cast<int64_t>(cell->idx()) + delta), cell);
    }
    std::set<uint32_t> shifted;
    for (uint32_t idx : indices_)
        shifted.insert(idx >= from ? static_cast<uint32_t>(idx + delta) : idx);
    indices_ = std::move(shifted);
}

void CCTableView::insertCellAtIndex(uint32_t idx)
{
    if (idx == kCCTableViewCellNoIndex || idx >= cellCount()) return;
    renumberCells(idx, +1);
    showCellAtIndex(idx);
    afterCountChange();
}

void CCTableView::removeCellAtIndex(uint32_t idx)
{
    if (idx == kCCTableViewCellNoIndex || idx >= cellCount()) return;
    CCTableViewCell* shown = cellAtIndex(idx);
    if (!shown) return;
    moveCellOutOfSight(shown);
    renumberCells(idx + 1, -1);
}

void CCTableView::placeShownCells()
{
    for (Object* item : *cellsUsed_) {
        auto* cell = static_cast<CCTableViewCell*>(item);
        placeCell(cell->idx(), cell);
    }
}

void CCTableView::afterCountChange()
{
    const float oldHeight = container_->contentSize().height;
    updateContentSize();
    placeShownCells();
    CGPoint offset = contentOffset();
    if (vordering_ == kCCTableViewFillTopDown) {
        offset.y -= (container_->contentSize().height - oldHeight) * container_->scaleY();
    }
    setContentOffset(offset); // refreshes the range shown
    relocateContainer(false);
}

void CCTableView::reloadData()
{
    for (Object* item : *cellsUsed_) {
        auto* cell = static_cast<CCTableViewCell*>(item);
        cellsFreed_.emplace_back(cell);
        cell->reset();
        if (cell->parent() == container_.get()) container_->removeChild(cell, true);
    }
    indices_.clear();
    cellsUsed_ = CCArray::array();
    // The sight is refilled at the offset the list had, with the old content
    // size, before the list goes to its start: the data source is asked for
    // both, and the cells of the old offset that leave go to the queue again.
    if (cellCount() > 0) scrollViewDidScroll(this);
    updateContentSize();
    // In top-down order a cell's place depends on the content size: the
    // cells just shown take their places for the new size, so those still in
    // sight at the start are where their indices put them.
    placeShownCells();
    setContentOffset({0, minContainerOffset().y});
}

// ---------------------------------------------------------------- refresh

void CCTableView::scrollViewDidScroll(CCScrollView* view)
{
    const uint32_t count = cellCount();
    if (count == 0) return;
    const float scaleX = container_->scaleX();
    const float scaleY = container_->scaleY();
    if (scaleX <= 0 || scaleY <= 0) return;

    const CGPoint offset = contentOffset();
    const float viewHeight = viewSize_.height / scaleY;
    CGPoint corner{-offset.x, -offset.y};
    if (vordering_ == kCCTableViewFillTopDown) corner.y += viewHeight - cellSize().height;
    const uint32_t startIdx = indexFromOffset(corner);
    corner.y += vordering_ == kCCTableViewFillTopDown ? -viewHeight : viewHeight;
    corner.x += viewSize_.width / scaleX;
    const uint32_t endIdx = indexFromOffset(corner);

    while (cellsUsed_->count() > 0) {
        auto* first = cellsUsed_->objectAtIndexAs<CCTableViewCell>(0);
        if (first->idx() >= startIdx) break;
        moveCellOutOfSight(first);
    }
    // Cells past the end of a shrunk list go too.
    while (cellsUsed_->count() > 0) {
        auto* last = static_cast<CCTableViewCell*>(cellsUsed_->lastObject());
        if (last->idx() <= endIdx) break;
        moveCellOutOfSight(last);
    }
    for (uint32_t idx = startIdx; idx <= endIdx; ++idx) {
        if (!indices_.contains(idx)) updateCellAtIndex(idx);
    }
}

// ---------------------------------------------------------------- touches and drawing

void CCTableView::setIsTouchEnabled(bool enabled)
{
    CCScrollView::setIsTouchEnabled(enabled);
    for (Object* item : *cellsUsed_)
        static_cast<CCTableViewCell*>(item)->SetActive(enabled);
}

bool CCTableView::ccTouchBegan(UITouch* touch, const UIEvent& event)
{
    if (!canScroll_) return false;
    (void)CCScrollView::ccTouchBegan(touch, event);
    return true;
}

void CCTableView::ccTouchEnded(UITouch* touch, const UIEvent& event)
{
    if (!visible_) return;
    const Ref<CCTableView> keepAlive(this); // the delegate may drop the table
    const bool tap = touches_.size() == 1 && touches_[0] == touch && !touchMoved_;
    if (tap && tDelegate_ && cellCount() > 0) {
        CGPoint point = container_->convertTouchToNodeSpace(touch);
        if (vordering_ == kCCTableViewFillTopDown) point.y -= cellSize().height;
        if (CCTableViewCell* cell = cellAtIndex(indexFromOffset(point)))
            tDelegate_->tableCellTouched(this, cell);
    }
    CCScrollView::ccTouchEnded(touch, event);
}

void CCTableView::beforeDraw()
{
    const float scale = ccContentScaleFactor();
    if (!clipsToBounds_ || scale != 2) {
        CCScrollView::beforeDraw();
        return;
    }
    const CGRect rect = viewRect();
    const auto pixelEdge = [scale](float points) { return static_cast<int>(std::lround(points * scale)); };
    beginScissorClip(pixelEdge(rect.origin.x), pixelEdge(rect.origin.y),
                     pixelEdge(rect.origin.x + rect.size.width), pixelEdge(rect.origin.y + rect.size.height));
}

void CCTableView::visit()
{
    if (!visible_) return;
    beforeDraw();
    CCScrollView::visit();
    afterDraw();
}

} // namespace mw
