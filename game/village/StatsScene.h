#pragma once

#include <cstdint>

#include "engine/nodes/CCLayer.h"
#include "engine/tables/CCTableView.h"
#include "foundation/Ref.h"
#include "game/village/TutorialScreen.h"

namespace mw {

class GuiObject;

// The headquarters screen, content layer 15 of the village: a one-row table
// whose row (StatsCell) holds the whole page. It runs tutorial frames 3, 4
// and 5: frame 3 explains the taxes, an arrow points at the collect button,
// and once the waiting taxes are 0 the tutorial moves on to frame 4.
class StatsScene : public CCLayer,
                   public CCTableViewDataSource,
                   public CCTableViewDelegate,
                   public TutorialScreen {
public:
    static constexpr int kTaxArrowTag = 876;
    static constexpr int kBackArrowTag = 897;

    // `gui` is the HUD (not owned; it outlives its layers).
    static Ref<StatsScene> sceneWithGuiParent(GuiObject* gui);
    bool initWithGuiParent(GuiObject* gui);
    ~StatsScene() override;

    uint32_t numberOfCellsInTableView(CCTableView* table) override;
    CGSize cellSizeForTable(CCTableView* table) override;
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override;
    void tableCellTouched(CCTableView* table, CCTableViewCell* cell) override;

    // The tutorial watch: once the waiting taxes are 0 after frame 3, the
    // tutorial goes on to frame 4 (once per screen).
    void update(float dt) override;
    // The screen's and its page's touches.
    void SetInputActive(bool active) override;
    // The HUD's top bar.
    void UpdateBar();
    // Shows the first due frame of 3, 4 and 5, or its arrow.
    void ValidateAndPlayTutorial() override;

    GuiObject* guiParent() const { return VParent; }
    CCTableView* table() const { return myTable.get(); }
    bool tutorialDone() const { return TutDone; }

private:
    void showFrame(int32_t frame, int z);

    GuiObject* VParent = nullptr;
    Ref<CCTableView> myTable;
    CGSize TableSize{0, 0};
    CGSize WinSize{0, 0};
    bool TutDone = false;
};

} // namespace mw
