#include "game/village/UpgradeRow.h"

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/menus/CCMenuItem.h"
#include "foundation/Random.h"
#include "game/state/Profile.h"
#include "game/village/GuiObject.h"
#include "game/village/VillageScene.h"
#include "game/village/VillageUi.h"
#include "game/village/screens/UpgradeListLayer.h"

namespace mw {

namespace {

// One swing of the marker: to `angle` over 1.4 s plus a random part below 1 s.
Ref<CCActionInterval> swingTo(float angle)
{
    const float seconds = 1.4f + Random::random01();
    return CCEaseSineInOut::actionWithAction(CCRotateTo::actionWithDuration(seconds, angle));
}

} // namespace

ccColor3B ownedCountColour(int32_t owned, int32_t maximum)
{
    if (owned >= maximum) return {222, 177, 91};
    return owned > 0 ? ccColor3B {203, 195, 173} : ccColor3B {123, 109, 79};
}

void UpgradeRow::addNewMarker(float xFraction, int z)
{
    if (!sprite || !Profile::sharedInstance()->WasObjectSeen(ID)) return;
    sp22 = villageui::sprite("list_new.png");
    sp22->setAnchorPoint({0.5f, 0.9f});
    const CGSize box = sprite->contentSize();
    sp22->setPosition({xFraction * box.width, box.height});
    sprite->addChild(sp22.get(), z, kNewMarkerTag);

    const bool negative = Random::randomMinus1To1() < 0;
    const float start = (negative ? -7.0f : 7.0f) * Random::random01();
    sp22->setRotation(start);
    Ref<CCActionInterval> up = swingTo(10);
    Ref<CCActionInterval> down = swingTo(-10);
    auto swing = negative ? CCSequence::actionOne(down.get(), up.get()) : CCSequence::actionOne(up.get(), down.get());
    sp22->runAction(CCRepeatForever::actionWithAction(swing.get()).get());
}

void UpgradeRow::UpdateSeenCounter()
{
    if (!sp22 || noclick) return;
    noclick = true;
    sp22->stopAllActions();
    const float height = sp22->contentSize().height;
    auto dip = CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.15f, {0, -0.1f * height}));
    auto rise = CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.4f, {0, height}));
    // The marker's parent's parent is the row; the block finds it there so
    // that a row dropped meanwhile (its children cleaned up) is never called.
    auto done = CCCallBlockN::actionWithBlock([](CCNode* marker) {
        CCNode* background = marker->parent();
        if (auto* row = dynamic_cast<UpgradeRow*>(background != nullptr ? background->parent() : nullptr))
            row->KillNewSprite();
    });
    sp22->runAction(CCSequence::actions({dip.get(), rise.get(), done.get()}).get());
    Profile::sharedInstance()->SetObjectNotSeen(ID);
    recountSeenBadges(this);
}

void UpgradeRow::KillNewSprite()
{
    if (!sp22) return;
    sp22->removeFromParentAndCleanup(true);
    sp22 = nullptr;
}

void UpgradeRow::BuildCallback(Object* sender) { openPopUp(sender, true); }

void UpgradeRow::BuildNoCallback(Object* sender) { openPopUp(sender, false); }

void UpgradeRow::openPopUp(Object* sender, bool act)
{
    UpdateSeenCounter();
    if (!inVisibleBand()) return;
    villageui::playSound("selection_menu");
    if (!act || activeButtonDropsMarker()) KillNewSprite();
    const auto* button = dynamic_cast<const CCNode*>(sender);
    auto* list = listAs<UpgradeListLayer>();
    if (button != nullptr && list != nullptr) list->ShowPopUpWithUpgrade(button->tag(), act);
}

void recountSeenBadges(CCNode* node)
{
    // A row's fourth ancestor is the village scene: row, table container,
    // table, list layer, scene.
    CCNode* up = node;
    for (int i = 0; i < 4 && up != nullptr; ++i) up = up->parent();
    auto* scene = dynamic_cast<VillageScene*>(up);
    if (scene != nullptr && scene->GetGUI() != nullptr) scene->GetGUI()->UpdateSeenCounters();
}

} // namespace mw
