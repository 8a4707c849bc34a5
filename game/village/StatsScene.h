#pragma once

#include <cstdint>

#include "foundation/Ref.h"
#include "game/village/ListLayer.h"
#include "game/village/TutorialScreen.h"

namespace mw {

class GuiObject;

// The headquarters screen, content layer 15 of the village: a one-row table
// between the HUD's bars, which does not scroll, whose row (StatsCell) holds
// the whole page. It runs tutorial frames 3, 4
// and 5: frame 3 explains the taxes, an arrow points at the collect button,
// and once the waiting taxes are 0 the tutorial moves on to frame 4.
class StatsScene : public ListLayer, public TutorialScreen {
public:
    static constexpr int kTaxArrowTag = 876;
    static constexpr int kBackArrowTag = 897;

    // `gui` is the HUD (not owned; it outlives its layers).
    static Ref<StatsScene> sceneWithGuiParent(GuiObject* gui);
    bool initWithGuiParent(GuiObject* gui);

    uint32_t numberOfCellsInTableView(CCTableView* table) override;
    CGSize cellSizeForTable(CCTableView* table) override;
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override;

    // The tutorial watch: once the waiting taxes are 0 after frame 3, the
    // tutorial goes on to frame 4 (once per screen).
    void update(float dt) override;
    // The HUD's top bar.
    void UpdateBar();
    // Shows the first due frame of 3, 4 and 5, or its arrow.
    void ValidateAndPlayTutorial() override;

    GuiObject* hud() const { return gui_; }
    bool tutorialDone() const { return TutDone; }

private:
    void showFrame(int32_t frame, int z);

    GuiObject* gui_ = nullptr; // the HUD, as ListLayer's guiParent
    bool TutDone = false;
};

} // namespace mw
