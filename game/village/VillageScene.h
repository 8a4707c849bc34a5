#pragma once

#include <cstdint>

#include "engine/nodes/CCScene.h"
#include "foundation/Ref.h"

namespace mw {

class CCLayer;
class GuiObject;

// The scene the village is played in: the HUD at z-order 5, over one content
// layer at z-order 0 chosen by a layer identifier (9 the map, 10 buildings,
// 11 workers, 12 tools, 13 coin packs, 14 shop, 15 statistics). A layer is
// built anew each time it is shown and dropped when another one is; the HUD
// lives as long as the scene. Main thread only.
class VillageScene : public CCScene {
public:
    static constexpr int32_t kMapLayer = 9;
    static constexpr int32_t kBuildingsLayer = 10;
    static constexpr int32_t kWorkersLayer = 11;
    static constexpr int32_t kToolsLayer = 12;
    static constexpr int32_t kMicroLayer = 13;
    static constexpr int32_t kShopLayer = 14;
    static constexpr int32_t kStatsLayer = 15;
    // The map's normal state, the one every plain layer change returns to.
    static constexpr int32_t kMapNormalState = 102;

    // A scene on the map in its normal state (null when it cannot be built).
    static Ref<VillageScene> scene();
    bool init();
    ~VillageScene() override;

    // Shows layer `layer` (group -1, map state 102, building -1).
    void ChangeLayer(int32_t layer);
    // Swaps the content layer: the old one is stopped (the map only) and
    // dropped before the new one is built. Asking for the layer shown returns
    // to the map; asking for the map while it shows keeps it; an identifier
    // outside 9..15 is logged and ignored. Group, state and building reach
    // only the map (its placement states).
    void ChangeLayer(int32_t layer, int32_t group, int32_t state, int32_t building);

    // The content layer shown (owned by the scene), null after onHide.
    CCLayer* GetLayer() const { return Layer.get(); }
    // The HUD (owned by the scene), null after onHide.
    GuiObject* GetGUI() const { return GUI.get(); }
    // The identifier of GetLayer().
    int32_t currentLayerId() const { return CurrentLayer; }

    // Drops the content layer and the HUD; the scene is about to be replaced.
    void onHide() override;

    // The one place that makes the content layer of an identifier, with the
    // HUD as its parent reference; null for an identifier it does not know.
    static Ref<CCLayer> makeLayer(GuiObject* gui, int32_t layer, int32_t group, int32_t state,
                                  int32_t building);

private:
    void enterLayer(int32_t layer);

    Ref<GuiObject> GUI;
    Ref<CCLayer> Layer;
    int32_t CurrentLayer = kMapLayer;
};

} // namespace mw
