#pragma once

#include <cstdint>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "engine/tables/CCTableView.h"
#include "engine/tables/CCTableViewCell.h"
#include "foundation/Ref.h"

namespace mw {

class CCMenu;

// One row of the tool information frame: the tool's picture, name and short description.
class ToolInfoCell : public CCTableViewCell {
public:
    // The row of the index-th listed tool (from 0); an index beyond the list gives an empty cell.
    explicit ToolInfoCell(uint32_t index);
    // The tool shown, or 0.
    int32_t tool() const { return tool_; }

private:
    int32_t tool_ = 0;
};

// The side panel of a board that lists the tools working in the current
// mode, each with its picture, name and short description. It only informs:
// a tap on a row does nothing, and its back button asks the board to slide
// it away. The board adds it off screen and slides it in and out.
class CCToolInfoFrame : public CCNode, public CCTableViewDataSource, public CCTableViewDelegate {
public:
    CCToolInfoFrame();
    ~CCToolInfoFrame() override;
    static Ref<CCToolInfoFrame> frame() { return makeRef<CCToolInfoFrame>(); }

    // The tools listed for the profile's current mode, by identifier: type 4,
    // not hidden, and a field tool exactly when the mode is the fields. Read
    // anew at every call, so a tool bought since shows at the next reload.
    static std::vector<int32_t> listedTools();

    uint32_t numberOfCellsInTableView(CCTableView* table) override;
    CGSize cellSizeForTable(CCTableView* table) override;
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override;
    void tableCellTouched(CCTableView* table, CCTableViewCell* cell) override {}

    // The back button: the board slides the frame away.
    void MenuClick();

    CCTableView* table() const { return table_.get(); }
    CCMenu* menu() const { return menu_.get(); }

private:
    Ref<CCTableView> table_;
    Ref<CCMenu> menu_;
};

} // namespace mw
