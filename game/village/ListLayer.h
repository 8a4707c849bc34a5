#pragma once

#include <climits>
#include <cstdint>
#include <string>

#include "engine/nodes/CCLayer.h"
#include "engine/tables/CCTableView.h"
#include "engine/tables/CCTableViewCell.h"
#include "foundation/Ref.h"

namespace mw {

class CCMenu;
class CCSprite;

// Touch order of the village's lists: a row's own buttons come first and
// swallow their touch, then the table, which scrolls and reports taps; both
// come before the HUD's menus (the lowest integer plus 10).
inline constexpr int32_t kListTablePriority = INT_MIN + 2;
inline constexpr int32_t kListRowMenuPriority = INT_MIN + 1;

// The tint of the rows with an odd table index.
inline constexpr uint8_t kListOddRowShade = 180;

// The HUD's bars that a full-height list sits between, in points.
float listBottomBarHeight(); // 45 on a phone, 90 on a tablet
float listTopBarHeight();    // 27 on a phone, 54 on a tablet

// The base of the village's list screens (the buildings, workers, tools,
// coin-pack, shop and statistics lists): a layer that owns one vertical
// table, top-down, of which it is the data source and the delegate. A list
// derives from it, answers the three data-source questions, and builds its
// table once in its initialiser with initFullList or initListTable.
//
// Input: the table takes touches at kListTablePriority, set again whenever
// the input comes back on (switching a layer's touch off and on registers
// it anew at its default priority). SetInputActive reaches every row on
// screen through the table (CCTableViewCell::SetActive).
class ListLayer : public CCLayer, public CCTableViewDataSource, public CCTableViewDelegate {
public:
    ~ListLayer() override;

    // The table's size for a list between the HUD's bars: the window less
    // 72 (144) points, at (0, 45 (90)).
    static CGSize fullTableSize();
    static CGPoint fullTablePosition();

    // The table (owned by the layer, also its child); null before init.
    CCTableView* table() const { return myTable.get(); }
    // The node whose input goes with the list's (the HUD), not owned; may be null.
    CCNode* guiParent() const { return VParent; }
    CGSize tableSize() const { return TableSize; }
    CGSize winSize() const { return WinSize; }

    // The layer's normal entry, then the table's touch priority.
    void onEnter() override;
    // Switches the layer's and the table's touch (and so every shown row's).
    void SetInputActive(bool active) override;
    // SetInputActive, then the same for the guiParent (when there is one).
    void SetInputActiveWithParent(bool active);
    // Refreshes the rows from the data; the default reloads in place
    // (reloadKeepingOffset). Lists that rebuild their data first override it.
    virtual void ReloadData() { reloadKeepingOffset(); }
    // The table's reloadData, with the scroll offset read before and set again
    // after, so the list does not jump back to its first row.
    void reloadKeepingOffset();

    // A tap on a row outside its buttons: nothing by default.
    void tableCellTouched(CCTableView* table, CCTableViewCell* cell) override {}

protected:
    ListLayer() = default;

    // Builds the table: `guiParent` noted, the window size noted, a table of
    // `size` over this layer as data source and delegate, top-down and
    // vertical, added at z-order 0 at `position`, then its first reloadData.
    // False (logged) when there is no running director window to size from.
    bool initListTable(CCNode* guiParent, CGSize size, CGPoint position);
    // initListTable with fullTableSize() at fullTablePosition().
    bool initFullList(CCNode* guiParent) { return initListTable(guiParent, fullTableSize(), fullTablePosition()); }

    // A pop-up over the list: added to the guiParent at the window's centre
    // at `z`, then the list's and the guiParent's input go off (the pop-up
    // gives them back when it closes). False, with nothing opened, without a
    // pop-up or a guiParent: nothing could give the input back.
    bool openOverList(const Ref<CCNode>& popUp, int z);

    // For tableCellAtIndex: the lists build every row afresh, so a cell that
    // the table offers for reuse is emptied and let go.
    static void discardReusableCell(CCTableView* table);

    Ref<CCTableView> myTable;
    CGSize TableSize;
    CGSize WinSize;
    CCNode* VParent = nullptr;
};

// The base of a list row: a background picture with everything on it, and
// one menu for the row's buttons at kListRowMenuPriority.
class ListRow : public CCTableViewCell {
public:
    ~ListRow() override;

    // The row's background, or null before setBackground.
    CCSprite* background() const { return sprite.get(); }
    // The row's menu, or null before makeMenu.
    CCMenu* rowMenu() const { return menu.get(); }

    // The node's normal entry, then the row menu's touch priority.
    void onEnter() override;
    // Switches the row menu's touch (when there is a menu), keeping its priority.
    void SetActive(bool active) override;

    // Whether a row at this place is clear of the HUD's bars, so that a tap
    // on its button counts. Its height is the row's place in the layer (the
    // row's, its container's and its table's y) plus the bottom bar; a row
    // below the larger of the bottom bar and half the background's height,
    // or above the window height less the top bar, is under a bar. A row
    // that is not in a table counts as clear.
    bool inVisibleBand() const;

    // The list whose table shows this row (row, table container, table,
    // list), or null when the row is not in a list.
    ListLayer* listLayer() const;
    template <class List>
    List* listAs() const
    {
        return dynamic_cast<List*>(listLayer());
    }

    // Tints a row background (180, 180, 180) when the index is odd.
    static void tintOddRow(CCSprite* background, uint32_t index);

protected:
    ListRow() = default;

    // The background from a sprite frame, anchored at its lower-left corner,
    // tinted on odd indices, added to the row. Null (logged) when the frame
    // is missing: the row then shows what it can without it.
    CCSprite* setBackground(const std::string& frame, uint32_t index);
    // An empty menu that becomes the row's menu, added to `parent` at `position`.
    CCMenu* makeMenu(CCNode* parent, CGPoint position);

    Ref<CCSprite> sprite;
    Ref<CCMenu> menu;
};

} // namespace mw
