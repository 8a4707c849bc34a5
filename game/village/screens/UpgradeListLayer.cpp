#include "game/village/screens/UpgradeListLayer.h"

#include "foundation/Log.h"
#include "game/state/Profile.h"
#include "game/village/hud/HirePopUp.h"

namespace mw {

void UpgradeListLayer::ShowPopUpWithUpgrade(int32_t upgrade, bool act)
{
    // Without a HUD the pop-up could not give the input back: nothing opens.
    if (VParent == nullptr) {
        logLine("UpgradeListLayer: no HUD to open the pop-up of upgrade %d on", upgrade);
        return;
    }
    (void)openOverList(HirePopUp::popUpWithUpgrade(upgrade, act), 3);
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
