#include "game/village/MapScene.h"

#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "game/state/Profile.h"
#include "game/village/GuiObject.h"
#include "game/village/TrickLayer.h"

namespace mw {

Ref<MapScene> MapScene::mapWithGuiParent(GuiObject* gui)
{
    return mapWithGuiParentAndState(gui, kStateNormal, -1, -1);
}

Ref<MapScene> MapScene::mapWithGuiParentAndState(GuiObject* gui, int32_t state, int32_t group, int32_t building)
{
    auto made = makeRef<MapScene>();
    if (!made->initWithGuiParentAndState(gui, state, group, building)) return nullptr;
    return made;
}

bool MapScene::initWithGuiParentAndState(GuiObject* gui, int32_t state, int32_t group, int32_t building)
{
    MapState = 101;
    MapToBuild = building;
    VParent = gui;
    Menu = CCMenu::menuWithItems({});
    addChild(Menu.get(), 2);
    ChangeStateWithHelper(state, group);
    return true;
}

MapScene::~MapScene()
{
    if (!NoSave && WasThereChange) saveProfile();
}

void MapScene::saveProfile() { Profile::sharedInstance()->Save(); }

void MapScene::ChangeStateWithHelper(int32_t state, int32_t group)
{
    MapStateHelper = group;
    ChangeState(state);
}

void MapScene::ChangeState(int32_t state) { MapState = state; }
void MapScene::SetInputActive(bool active) { setIsTouchEnabled(active); }
bool MapScene::CollectAllBonuses() { return false; }
void MapScene::Stop() { WasThereChange = CollectAllBonuses(); }
void MapScene::StopWithRelease()
{
    NoSave = true;
    Stop();
}
void MapScene::SpawnBonuses(int32_t, int32_t, int32_t, bool) {}
void MapScene::MoveBonus(CCBonusItem*, bool) {}
void MapScene::ValidateAllBuildingsForNotification() {}
void MapScene::ValidateNotificationStatusForBuilding(int32_t) {}
void MapScene::CheckAndSpawnIfNeededStageButtons() {}
void MapScene::CheckIfThisChildIsButton(CCNode*, bool) {}
void MapScene::ActivateChild(CCMenuItem* item)
{
    if (item) item->setIsEnabled(true);
}
void MapScene::MineCallback(Object*) {}
void MapScene::FieldCallback(Object*) {}
void MapScene::SettleCallback(Object*) {}
void MapScene::ValidateAndPlayTutorial() { SetInputActive(true); }
void MapScene::AfterBuildSeq() {}
void MapScene::AfterBuildSeq(int32_t) {}
void MapScene::InstantSpawnWorkerOfType() {}
void MapScene::RunWorkerSequencWithType(int32_t) {}
void MapScene::onEnter() { CCLayer::onEnter(); }
void MapScene::registerWithTouchDispatcher() { CCLayer::registerWithTouchDispatcher(); }
bool MapScene::ccTouchBegan(UITouch*, const UIEvent&) { return false; }
void MapScene::ccTouchEnded(UITouch*, const UIEvent&) {}
void MapScene::ccTouchCancelled(UITouch*, const UIEvent&) {}
int32_t MapScene::targetedTouchCallbacks() const { return CCLayer::targetedTouchCallbacks(); }
void MapScene::update(float) {}
Ref<CCMenuItemSprite> MapScene::makeEntranceButton(const char*, void (MapScene::*)(Object*)) { return nullptr; }
void MapScene::drawNormal() {}
void MapScene::addReadyMark(CCNode*) {}
void MapScene::addSettlementMark() {}
bool MapScene::touchOnHudBars(CGPoint) const { return false; }

} // namespace mw
