#include "engine/nodes/CCLayer.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/StatsScene.h"
#include "game/village/VillageScene.h"
#include "game/village/screens/BuildingsLayer.h"
#include "game/village/screens/MicroLayer.h"
#include "game/village/screens/ShopLayer.h"
#include "game/village/screens/ToolsLayer.h"
#include "game/village/screens/WorkersLayer.h"

namespace mw {

// The content layer of each identifier; null for one the village does not have.
Ref<CCLayer> VillageScene::makeLayer(GuiObject* gui, int32_t layer, int32_t group, int32_t state,
                                     int32_t building)
{
    switch (layer) {
    case kMapLayer:
        if (group < 0) return MapScene::mapWithGuiParent(gui);
        return MapScene::mapWithGuiParentAndState(gui, state, group, building);
    case kBuildingsLayer: return BuildingsLayer::layerWithGuiParent(gui);
    case kWorkersLayer: return WorkersLayer::layerWithGuiParent(gui);
    case kToolsLayer: return ToolsLayer::layerWithGuiParent(gui);
    case kMicroLayer: return MicroLayer::layerWithGuiParent(gui);
    case kShopLayer: return ShopLayer::layerWithGuiParent(gui);
    case kStatsLayer: return StatsScene::sceneWithGuiParent(gui);
    default: return nullptr;
    }
}

} // namespace mw
