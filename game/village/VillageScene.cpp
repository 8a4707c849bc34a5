#include "game/village/VillageScene.h"

#include "engine/nodes/CCLayer.h"
#include "foundation/Log.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/village/GuiObject.h"

namespace mw {

namespace {

constexpr int kHudZ = 5;
constexpr int kLayerZ = 0;

// Arrows on the HUD that following their button removes, and the tutorial
// frame whose follow-up arrow that dismisses (0: none).
struct ArrowOnEntry {
    int32_t layer;
    int tag;
    int32_t frame;
};
constexpr ArrowOnEntry kArrowsOnEntry[] = {
    {VillageScene::kMapLayer, 897, 5},        {VillageScene::kBuildingsLayer, 898, 7},
    {VillageScene::kBuildingsLayer, 900, 0},  {VillageScene::kBuildingsLayer, 901, 0},
    {VillageScene::kBuildingsLayer, 906, 0},  {VillageScene::kBuildingsLayer, 909, 0},
    {VillageScene::kBuildingsLayer, 911, 0},  {VillageScene::kWorkersLayer, 902, 0},
    {VillageScene::kShopLayer, 912, 0},
};

} // namespace

Ref<VillageScene> VillageScene::scene()
{
    auto made = makeRef<VillageScene>();
    if (!made->init()) return nullptr;
    return made;
}

bool VillageScene::init()
{
    GUI = GuiObject::guiWithParent(this);
    if (!GUI) {
        logLine("VillageScene: the HUD could not be built");
        return false;
    }
    addChild(GUI.get(), kHudZ);
    CurrentLayer = kMapLayer;
    Layer = makeLayer(GUI.get(), kMapLayer, -1, kMapNormalState, -1);
    if (Layer) addChild(Layer.get(), kLayerZ);
    sortAllChildren();
    return true;
}

VillageScene::~VillageScene() = default;

void VillageScene::ChangeLayer(int32_t layer)
{
    ChangeLayer(layer, -1, kMapNormalState, -1);
}

void VillageScene::ChangeLayer(int32_t layer, int32_t group, int32_t state, int32_t building)
{
    if (layer < kMapLayer || layer > kStatsLayer) {
        logLine("VillageScene: no content layer %d; the layer shown stays", layer);
        return;
    }
    if (!GUI) return; // hidden: the scene is about to go
    if (layer == CurrentLayer) {
        // A second tap on the open tab returns to the map; the map asked for
        // while it shows stays as it is.
        if (layer != kMapLayer) ChangeLayer(kMapLayer);
        return;
    }
    GUI->ShowBackButton(layer != kMapLayer);
    if (layer == kMapLayer && CurrentLayer == kStatsLayer) GUI->UpdateSeenCounters();
    // The map stops while it is still in the tree; no other layer is stopped.
    if (CurrentLayer == kMapLayer && Layer) Layer->Stop();

    CurrentLayer = layer;
    if (Layer) {
        Ref<CCLayer> old = std::move(Layer);
        removeChild(old.get(), true);
    }
    GUI->ResetButtons();
    enterLayer(layer);
    Layer = makeLayer(GUI.get(), layer, group, state, building);
    if (!Layer) {
        // Never leave the scene without a layer: an empty one stands in.
        logLine("VillageScene: layer %d could not be built; an empty one stands in", layer);
        Layer = CCLayer::node();
    }
    addChild(Layer.get(), kLayerZ);
}

void VillageScene::enterLayer(int32_t layer)
{
    for (const ArrowOnEntry& entry : kArrowsOnEntry) {
        if (entry.layer != layer) continue;
        CCNode* arrow = GUI->getChildByTag(entry.tag);
        if (!arrow) continue;
        GUI->removeChild(arrow, true);
        if (entry.frame == 0) continue;
        if (TutorialFrameDef* frame = Profile::sharedInstance()->GetTutorialDef(entry.frame))
            frame->ArrowAfterDone = true;
    }
}

void VillageScene::onHide()
{
    Ref<CCLayer> layer = std::move(Layer);
    Ref<GuiObject> gui = std::move(GUI);
    if (layer) removeChild(layer.get(), true);
    if (gui) removeChild(gui.get(), true);
}

} // namespace mw
