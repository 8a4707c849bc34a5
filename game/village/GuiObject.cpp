#include "game/village/GuiObject.h"

#include "engine/labels/CCLabelTTF.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/sprites/CCSprite.h"
#include "game/boards/SessionHooks.h"
#include "game/village/CCSeenCounter.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/VillageScene.h"

namespace mw {

Ref<GuiObject> GuiObject::guiWithParent(VillageScene* scene)
{
    auto made = makeRef<GuiObject>();
    if (!made->initWithParent(scene)) return nullptr;
    return made;
}

bool GuiObject::initWithParent(VillageScene* scene)
{
    VParent = scene;
    Gui = CCNode::node();
    addChild(Gui.get());
    BonusParent = CCNode::node();
    Gui->addChild(BonusParent.get(), 1);
    TutorialParent = CCTutorialParent::node();
    Gui->addChild(TutorialParent.get(), 2);
    return true;
}

GuiObject::~GuiObject() = default;

void GuiObject::onEnter() { CCNode::onEnter(); }

CCLayer* GuiObject::GetLayer() const { return VParent ? VParent->GetLayer() : nullptr; }

void GuiObject::ChangeLayer(int32_t layer) { ChangeLayer(layer, -1, 0, -1); }

void GuiObject::ChangeLayer(int32_t layer, int32_t group, int32_t state, int32_t building)
{
    if (VParent) VParent->ChangeLayer(layer, group, state, building);
    closeBag(false);
}

void GuiObject::SetInputActive(bool active) { InputActive = active; }
void GuiObject::UpdateTopBar() {}
void GuiObject::UpdateSeenCounters() {}
void GuiObject::UpdateGoodsState() {}
void GuiObject::ShowBackButton(bool) {}
void GuiObject::ResetButtons() { ActButtons.fill(false); }
void GuiObject::ValidateButtonWithIndex(int, CCMenuItem*) {}
void GuiObject::SetBarsVisibility(bool) {}
void GuiObject::ClearColorLayerChildren() {}
void GuiObject::GlowExpBar() {}
CCSeenCounter* GuiObject::seenCounter(int tab) const
{
    return tab >= 0 && tab < 3 ? SeenCounters[static_cast<size_t>(tab)].get() : nullptr;
}
void GuiObject::AfterBuildSeq()
{
    if (CCLayer* layer = GetLayer()) layer->AfterBuildSeq();
}
void GuiObject::InstantSpawnWorkerOfType() {}
void GuiObject::MoveWithTutorial() {}
Ref<CCNode> GuiObject::coinPackList() { return session::makeCoinPackList(this); }
void GuiObject::BuildCallback(Object*) {}
void GuiObject::ToolsCallback(Object*) {}
void GuiObject::WorkersCallback(Object*) {}
void GuiObject::MicroCallback(Object*) {}
void GuiObject::ShopCallback(Object*) {}
void GuiObject::BackCallback(Object*) {}
void GuiObject::MenuCallback(Object*) {}
void GuiObject::BagCallback(Object*) {}
void GuiObject::CloseBagCallback(Object*) {}
void GuiObject::EmptyCallback(Object*) {}
void GuiObject::closeBag(bool) { BagOpen = false; }
void GuiObject::openBag() { BagOpen = true; }
void GuiObject::enable(CCMenuItem* button, bool enabled)
{
    if (button) button->setIsEnabled(enabled);
}
void GuiObject::updateBadge(int, int32_t) {}
CGPoint GuiObject::badgePosition(CCMenuItem*) const { return {}; }

} // namespace mw
