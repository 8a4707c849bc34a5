#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/base/CCRGBAProtocol.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayer.h"

namespace mw {

// The touch priority of menus. Targeted handlers are asked from the highest
// value down, so menus come after the game's layers (0, 100, 200) and before
// the handlers the game moves to the bottom.
inline constexpr int32_t kCCMenuTouchPriority = -128;

// A layer that holds menu items as its children and turns touches into
// presses: a swallowing targeted touch delegate at kCCMenuTouchPriority that
// finds the item under a touch, shows it pressed while the finger stays on
// it and activates it when the finger lifts there. It also lays its items
// out and passes colour and opacity on to them.
//
// A menu covers the window and stands at its centre (there is no status bar
// to leave room for), not applying its anchor point to its position, so its
// children's positions are relative to the window's centre.
class CCMenu : public CCLayer, public CCRGBAProtocol {
public:
    // The items (null ones skipped) become children with z 0, 1, 2, ...
    explicit CCMenu(std::initializer_list<CCMenuItem*> items = {});

    static Ref<CCMenu> menuWithItems(std::initializer_list<CCMenuItem*> items)
    {
        return makeRef<CCMenu>(items);
    }

    // Every child with the colour protocol is given the value, in child order.
    uint8_t opacity() const override { return opacity_; }
    void setOpacity(uint8_t opacity) override;
    ccColor3B color() const override { return color_; }
    void setColor(ccColor3B color) override;

    // ---- layout (children in child order; the menu itself does not move) ----
    // A column, first item on top, centred on the menu; padding 5 by default.
    void alignItemsVertically() { alignItemsVerticallyWithPadding(5); }
    void alignItemsVerticallyWithPadding(float padding);
    // A row, first item on the left, centred on the menu; padding 5 by default.
    void alignItemsHorizontally() { alignItemsHorizontallyWithPadding(5); }
    void alignItemsHorizontallyWithPadding(float padding);
    // Rows of the given numbers of items, top row first; each row's items are
    // spread evenly across the window's width, rows 5 points apart. The
    // numbers must be positive and add up to the number of children;
    // otherwise nothing moves (logged).
    void alignItemsInColumns(const std::vector<uint32_t>& itemsPerRow);
    // Columns of the given numbers of items, left column first (the same
    // rule for the numbers).
    void alignItemsInRows(const std::vector<uint32_t>& itemsPerColumn);

    // The enabled, visible item under the touch, the first in child order;
    // null when none.
    CCMenuItem* itemForTouch(const UITouch* touch);
    // The item shown pressed, or null.
    CCMenuItem* selectedItem() const { return selectedItem_; }

    void registerWithTouchDispatcher() override;
    bool ccTouchBegan(UITouch* touch, const UIEvent& event) override;
    void ccTouchMoved(UITouch* touch, const UIEvent& event) override;
    void ccTouchEnded(UITouch* touch, const UIEvent& event) override;
    void ccTouchCancelled(UITouch* touch, const UIEvent& event) override;
    int32_t targetedTouchCallbacks() const override { return kCCTouchAllBits; }

    // Lets go of a pressed item (unselected, no activation) before leaving.
    void onExit() override;

private:
    enum State : int32_t { kWaiting = 0, kTrackingTouch = 1 };

    // Whether the counts fit the children; logs when they do not.
    bool countsCoverChildren(const std::vector<uint32_t>& counts, const char* alignment) const;
    void releaseSelected();

    State state_ = kWaiting;
    CCMenuItem* selectedItem_ = nullptr; // a child
    uint8_t opacity_ = 0;
    ccColor3B color_ = ccc3(0, 0, 0);
};

} // namespace mw
