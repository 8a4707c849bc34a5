#pragma once

#include "game/village/TutorialScreen.h"
#include "game/village/screens/UpgradeListLayer.h"

namespace mw {

// Content layer 10 of the village scene: every building the player can
// still build, in the offer list's order (BuildingsRow), with an end row at
// the top once the castle (upgrade 38) is owned. Opening it right after the
// shop's lesson (the HUD carries the arrow tagged 913) shows tutorial frame
// 58; the HUD's bag asks it for frame 30.
class BuildingsLayer : public UpgradeListLayer, public TutorialScreen {
public:
    static constexpr int32_t kCastle = 38;           // owning it adds the end-of-content row
    static constexpr int kShopLessonArrowTag = 913;  // the arrow that pointed at the Build button

    // `gui`: the HUD (not owned). Null when the layer cannot be built.
    static Ref<BuildingsLayer> layerWithGuiParent(CCNode* gui);
    bool initWithGuiParent(CCNode* gui);

    uint32_t numberOfCellsInTableView(CCTableView* table) override;
    CGSize cellSizeForTable(CCTableView* table) override;
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override;

    // Shows tutorial frame 30 and switches the list's and the HUD's input off
    // (the caller has checked that the frame is due).
    void ValidateAndPlayTutorial() override;
    // A tutorial pop-up was dismissed: the list's and the HUD's input on.
    void MoveWithTutorial() override;

    // Whether the list starts with the end-of-content row.
    static bool showsEndRow();

private:
    void showTutorialFrame(int32_t frame);
};

} // namespace mw
