#include "game/village/screens/BuildingsLayer.h"

#include <algorithm>

#include "game/boards/SessionHooks.h"
#include "game/state/Profile.h"
#include "game/village/VillageUi.h"
#include "game/village/screens/BuildingCell.h"

namespace mw {

Ref<BuildingsLayer> BuildingsLayer::layerWithGuiParent(CCNode* gui)
{
    auto layer = makeRef<BuildingsLayer>();
    if (!layer->initWithGuiParent(gui)) return nullptr;
    return layer;
}

bool BuildingsLayer::initWithGuiParent(CCNode* gui)
{
    if (!initFullList(gui)) return false;
    if (VParent != nullptr && VParent->getChildByTag(kShopLessonArrowTag) != nullptr) {
        VParent->removeChildByTag(kShopLessonArrowTag, true);
        if (TutorialFrameDef* shopLesson = Profile::sharedInstance()->GetTutorialDef(57))
            shopLesson->ArrowAfterDone = true;
        showTutorialFrame(58);
    }
    return true;
}

bool BuildingsLayer::showsEndRow() { return Profile::sharedInstance()->GetUpgradeCount(kCastle) > 0; }

uint32_t BuildingsLayer::numberOfCellsInTableView(CCTableView*)
{
    const int32_t offers = Profile::sharedInstance()->BuildingCount;
    return static_cast<uint32_t>(std::max(offers, 0)) + (showsEndRow() ? 1u : 0u);
}

CGSize BuildingsLayer::cellSizeForTable(CCTableView*)
{
    return villageui::onTablet() ? CGSize {768, 250} : CGSize {320, 125};
}

Ref<CCTableViewCell> BuildingsLayer::tableCellAtIndex(CCTableView* table, uint32_t idx)
{
    discardReusableCell(table);
    return BuildingCell::rowWithIndex(idx);
}

void BuildingsLayer::ValidateAndPlayTutorial() { showTutorialFrame(30); }

void BuildingsLayer::MoveWithTutorial() { SetInputActiveWithParent(true); }

void BuildingsLayer::showTutorialFrame(int32_t frame)
{
    // Without a pop-up the frame counts as shown and dismissed: the input stays on.
    if (VParent == nullptr || !session::showTutorial(VParent, frame, 0)) return;
    SetInputActiveWithParent(false);
}

} // namespace mw
