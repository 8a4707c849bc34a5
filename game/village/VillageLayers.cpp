#include "engine/nodes/CCLayer.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/VillageScene.h"

namespace mw {

// The content layer of each identifier. The lists (10 to 15) stand in as
// empty layers until their screens are wired in here.
Ref<CCLayer> VillageScene::makeLayer(GuiObject* gui, int32_t layer, int32_t group, int32_t state,
                                     int32_t building)
{
    switch (layer) {
    case kMapLayer:
        if (group < 0) return MapScene::mapWithGuiParent(gui);
        return MapScene::mapWithGuiParentAndState(gui, state, group, building);
    case kBuildingsLayer:
    case kWorkersLayer:
    case kToolsLayer:
    case kMicroLayer:
    case kShopLayer:
    case kStatsLayer: return CCLayer::node();
    default: return nullptr;
    }
}

} // namespace mw
