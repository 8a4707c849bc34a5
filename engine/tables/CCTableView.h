#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "engine/support/CCArray.h"
#include "engine/tables/CCScrollView.h"
#include "engine/tables/CCTableViewCell.h"

namespace mw {

class CCTableView;

// Where index 0 sits in a vertical list.
enum CCTableViewVerticalFillOrder : int32_t {
    kCCTableViewFillTopDown = 0,
    kCCTableViewFillBottomUp = 1,
};

// What a table shows: all three are required.
class CCTableViewDataSource {
public:
    virtual ~CCTableViewDataSource() = default;
    virtual uint32_t numberOfCellsInTableView(CCTableView* table) = 0;
    // The size of every cell (one size for all).
    virtual CGSize cellSizeForTable(CCTableView* table) = 0;
    // The cell to show at the index: one taken from table->dequeueCell() and
    // refilled, or a new one, not in any node tree. The table places it and
    // sets its index. Null leaves the index empty.
    virtual Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) = 0;
};

// Told of taps on the table's cells.
class CCTableViewDelegate {
public:
    virtual ~CCTableViewDelegate() = default;
    // A tap (one finger, no movement) ended on a shown cell.
    virtual void tableCellTouched(CCTableView* table, CCTableViewCell* cell) = 0;
};

// A scroll view that shows a list of equally sized cells in one column (or
// one row, when horizontal). It asks its data source for the count, the size
// and the cells, keeps only the cells in sight as nodes (children of the
// container, kept in index order), moves the cells that leave the sight into
// a reuse queue, and tells its delegate which cell a tap landed on. It is
// its own scroll delegate, so every offset change refreshes the cells shown.
// Drawing is clipped to the view's rectangle.
//
// Vertical by default, index 0 at the top. The data source and the delegate
// are not retained.
class CCTableView : public CCScrollView, public CCScrollViewDelegate {
public:
    explicit CCTableView(CGSize viewSize, CCNode* container = nullptr);
    ~CCTableView() override;

    // A table over the data source with its content size already computed.
    static Ref<CCTableView> viewWithDataSource(CCTableViewDataSource* source, CGSize viewSize,
                                               CCNode* container = nullptr);

    CCTableViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(CCTableViewDataSource* source) { dataSource_ = source; }
    // The table's delegate; the scroll delegate stays the table itself.
    CCTableViewDelegate* delegate() const { return tDelegate_; }
    void setDelegate(CCTableViewDelegate* delegate) { tDelegate_ = delegate; }
    CCTableViewVerticalFillOrder verticalFillOrder() const { return vordering_; }
    // A new order reloads the cells when some are shown.
    void setVerticalFillOrder(CCTableViewVerticalFillOrder order);
    // When off, the table refuses every touch: no scrolling, no taps.
    bool canScroll() const { return canScroll_; }
    void SetCanScroll(bool canScroll) { canScroll_ = canScroll; }

    // ---- cells ----
    // The oldest cell of the reuse queue, taken out of it; null when empty.
    Ref<CCTableViewCell> dequeueCell();
    // The shown cell with the index, or null.
    CCTableViewCell* cellAtIndex(uint32_t idx) const;
    // Asks the data source again for the cell at the index (ignored outside
    // the cell count).
    void updateCellAtIndex(uint32_t idx);
    // After the data source gained an item at the index: the shown cells
    // from there on move up one index and the new cell is asked for. Keeps
    // the content size and the cells' places up to date, and the top of a
    // top-down list where it was.
    void insertCellAtIndex(uint32_t idx);
    // After the data source lost the item at the index: when a cell shows
    // it, that cell goes to the queue and the shown cells after it move down
    // one index, to their new places. Nothing else changes (and nothing at
    // all for an index outside the new count or not shown): the content size,
    // the offset and the cells in sight wait for the next reload or scroll.
    void removeCellAtIndex(uint32_t idx);
    // Drops every shown cell into the queue, fills the sight again at the
    // current offset, recomputes the content size and goes back to the start
    // of the list (index 0 in sight), asking for the cells there.
    void reloadData();

    // The game's views of the cell lists: shown cells in index order and the
    // reuse queue, by position; null for a position past the end.
    uint32_t GetIndices() const { return cellsUsed_->count(); }
    CCTableViewCell* GetCell(uint32_t position) const;
    uint32_t GetIndicesFreed() const { return static_cast<uint32_t>(cellsFreed_.size()); }
    CCTableViewCell* GetCellFrees(uint32_t position) const;

    // Also switches every shown cell's own controls (SetActive).
    void setIsTouchEnabled(bool enabled) override;
    // Claims every touch while scrolling is allowed.
    bool ccTouchBegan(UITouch* touch, const UIEvent& event) override;
    // Reports a tap, then ends the touch as the scroll view does.
    void ccTouchEnded(UITouch* touch, const UIEvent& event) override;
    // Clipped to the view's rectangle.
    void visit() override;
    // A list clips to its view rectangle at every scale: at a content scale
    // of 2 with a scissor box whose edges go to the nearest pixel (clip
    // planes set before the table's own transform would need its place in
    // its parent); at any other scale as the scroll view does.
    void beforeDraw() override;
    // Refreshes the cells shown for the current offset.
    void scrollViewDidScroll(CCScrollView* view) override;

protected:
    // ---- geometry (a multi-column table overrides the virtual ones) ----
    // A cell's lower-left corner in the container, bottom-up.
    virtual CGPoint offsetFromIndexBottomUp(uint32_t idx);
    // The index under a container point, bottom-up, not clamped.
    virtual int64_t indexFromOffsetBottomUp(CGPoint offset);
    // Sets the container's content size from the cell count and size.
    virtual void updateContentSize();
    // The same two conversions in the table's fill order; the index is
    // clamped to the cells there are (0 when there are none).
    CGPoint offsetFromIndex(uint32_t idx);
    uint32_t indexFromOffset(CGPoint offset);
    // A container coordinate as a cell or row number, truncated toward zero;
    // 0 for a value that is not a number (a division by a zero size).
    static int64_t truncateToIndex(float value);

    uint32_t cellCount();
    CGSize cellSize();

private:
    void placeCell(uint32_t idx, CCTableViewCell* cell);
    void addCellIfNecessary(CCTableViewCell* cell);
    void moveCellOutOfSight(CCTableViewCell* cell);
    // Asks for the cell at the index and shows it.
    void showCellAtIndex(uint32_t idx);
    // Moves every shown cell at or after `from` by `delta` indices, to the
    // place of its new index.
    void renumberCells(uint32_t from, int delta);
    // Puts every shown cell where its index goes for the content size.
    void placeShownCells();
    // After the count changed: content size, cell places, offset, range.
    void afterCountChange();

    CCTableViewVerticalFillOrder vordering_ = kCCTableViewFillTopDown;
    std::set<uint32_t> indices_;
    Ref<CCArray> cellsUsed_;
    std::vector<Ref<CCTableViewCell>> cellsFreed_;
    CCTableViewDataSource* dataSource_ = nullptr;
    CCTableViewDelegate* tDelegate_ = nullptr;
    bool canScroll_ = true;
};

} // namespace mw
