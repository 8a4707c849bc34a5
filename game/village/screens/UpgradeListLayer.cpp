#include "game/village/screens/UpgradeListLayer.h"

#include "game/state/Profile.h"
#include "game/village/hud/HirePopUp.h"

namespace mw {

void UpgradeListLayer::ShowPopUpWithUpgrade(int32_t upgrade, bool act)
{
    auto popUp = HirePopUp::popUpWithUpgrade(upgrade, act);
    popUp->setPosition({WinSize.width / 2, WinSize.height / 2});
    if (VParent != nullptr) VParent->addChild(popUp.get(), 3);
    SetInputActive(false);
    if (VParent != nullptr) VParent->SetInputActive(false);
}

void UpgradeListLayer::tableCellTouched(CCTableView*, CCTableViewCell* cell)
{
    if (cell != nullptr) cell->UpdateSeenCounter();
}

void UpgradeListLayer::ReloadData()
{
    Profile::sharedInstance()->RegenerateBuyIndexes();
    reloadKeepingOffset();
}

} // namespace mw
