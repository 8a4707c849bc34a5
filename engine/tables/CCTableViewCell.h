#pragma once

#include <cstdint>

#include "engine/nodes/CCNode.h"
#include "engine/tables/CCObjectSorting.h"

namespace mw {

class CCSprite;

// The index of a cell that is not shown in any table.
inline constexpr uint32_t kCCTableViewCellNoIndex = 0x7FFFFFFF;

// The base of every list cell: a node that knows its index in its table
// (which is also its sort key among the table's shown cells). The class is
// abstract: each list builds its own cell class, which shows one item and
// implements the hooks below as that item needs.
class CCTableViewCell : public CCNode, public CCSortableObject {
public:
    // The index the table placed the cell at; kCCTableViewCellNoIndex after reset.
    uint32_t idx() const { return idx_; }
    void setIdx(uint32_t idx) { idx_ = idx; }
    uint32_t objectID() const override { return idx_; }
    void setObjectID(uint32_t objectID) override { idx_ = objectID; }

    // Called when the cell leaves the view; an override calls this base.
    virtual void reset() { idx_ = kCCTableViewCellNoIndex; }

    // ---- the lists' hooks ----
    // The identifier of the item the cell shows (building, worker or tool kind).
    virtual int GetID() const { return 0; }
    // Whether the item can be bought now, as the subclass last recorded it.
    virtual bool CanBeBought() const { return canBought_; }
    // Marks the item as seen (clears its "new" marker).
    virtual void UpdateSeenCounter() {}
    // Switches the touch handling of the cell's own controls on or off; the
    // table passes its own switch on.
    virtual void SetActive(bool active) {}

protected:
    CCTableViewCell() = default;

    // Set by the subclass whenever it builds or refreshes the cell.
    bool canBought_ = false;

private:
    uint32_t idx_ = 0;
};

// A ready cell that shows one sprite, placed by its lower-left corner at the
// cell's origin.
class CCTableViewSpriteCell : public CCTableViewCell {
public:
    CCTableViewSpriteCell();
    ~CCTableViewSpriteCell() override;

    static Ref<CCTableViewSpriteCell> node() { return makeRef<CCTableViewSpriteCell>(); }

    // The sprite shown, or null.
    CCSprite* sprite() const;
    // Replaces the sprite shown (the old one is removed with clean-up); null
    // shows none. The cell retains it.
    void setSprite(CCSprite* sprite);
    // Also drops the sprite.
    void reset() override;

private:
    Ref<CCSprite> sprite_;
};

} // namespace mw
