#include "game/village/MapScene.h"

#include <climits>
#include <cmath>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCAnimate.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/director/CCDirector.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/particles/CCParticleSystem.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/boards/FieldPopUp.h"
#include "game/boards/FoodPopUp.h"
#include "game/defs/Animation.h"
#include "game/defs/MapObject.h"
#include "game/defs/XMLManager.h"
#include "game/village/InAppPurchase.h"
#include "game/village/RatingPrompt.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeItem.h"
#include "game/village/CCBonusItem.h"
#include "game/boards/CCExpPoints.h"
#include "game/boards/CCTooltip.h"
#include "game/village/GuiObject.h"
#include "game/village/TrickLayer.h"
#include "game/village/VillageScene.h"

namespace mw {

namespace {

constexpr int32_t kMarket = 18;
constexpr int32_t kFields = 91;
constexpr int32_t kMine = 29;
constexpr int32_t kCastle = 38;
constexpr int32_t kPivotGroup = 101; // slots whose pictures keep the centre anchor
constexpr int32_t kSettlements[] = {38, 27, 89, 90, 101, 88};
constexpr int32_t kNoCostButTappable[] = {112, 113, 117};
constexpr int kPopUpZ = 6;
constexpr int kTooltipZ = 10;
constexpr int kMarkZ = 1000;
constexpr float kMarkFrameTime = 0.0625f;
constexpr int kMarkFrames = 18;

CGSize winSize() { return CCDirector::sharedDirector()->winSize(); }
// The 320-pixel phone, where the map saves its animations.
bool slowDevice() { return CCDirector::sharedDirector()->winSizeInPixels().width == 320; }
bool onTablet() { return GlobalObject::sharedInstance()->isIpad; }
float unitRandom() { return static_cast<float>(Random::random()) / 2147483648.0f; }
void playSound(const char* key) { GlobalObject::sharedInstance()->PlaySoundEffect(key); }

template <size_t N>
bool oneOf(int32_t value, const int32_t (&set)[N])
{
    for (int32_t member : set) {
        if (member == value) return true;
    }
    return false;
}

bool isSettlement(int32_t upgrade) { return oneOf(upgrade, kSettlements); }

// A building the map answers touches on: one with a price in resources, or
// one of the few without.
bool tappable(const UpgradeItem* upgrade)
{
    return upgrade && (!upgrade->ResourceCostArr.empty() || oneOf(upgrade->ID, kNoCostButTappable));
}

// The box a touch must fall in: an animation's box moved to its place (a
// few tall ones only by their lower part), a sprite's bounding box.
CGRect hitBox(CCNode* node)
{
    if (auto* animation = dynamic_cast<Animation*>(node)) {
        CGRect box = animation->AnimationBox;
        box.origin.x += node->position().x;
        box.origin.y += node->position().y;
        switch (node->tag()) {
        case 28: box.size.height *= 0.55f; break;
        case 39:
        case 40: box.size.height *= 0.7f; break;
        case 15: box.size.height *= 0.3f; break;
        default: break;
        }
        return box;
    }
    return node->boundingBox();
}

// Sprites the touch search passes over: decorations, entrances' buildings
// and the settlement chain.
bool skippedTag(int tag)
{
    return tag < 1 || tag == 27 || tag == 29 || tag == 38 || tag == 88 || tag == 89 || tag == 90 || tag == 91 ||
           tag == 101 || tag >= 1000;
}

bool skippedSprite(CCNode* node) { return !dynamic_cast<Animation*>(node) && skippedTag(node->tag()); }

bool contains(const CGRect& box, CGPoint point)
{
    return point.x >= box.origin.x && point.x <= box.origin.x + box.size.width && point.y >= box.origin.y &&
           point.y <= box.origin.y + box.size.height;
}

std::string markFrame(int k) { return format(k < 10 ? "exclamation_000%d.png" : "exclamation_00%d.png", k); }

// The ready mark's frames from k to 18, then 1 to k - 1.
Ref<CCAnimation> markAnimation(int start)
{
    std::vector<Ref<CCSpriteFrame>> frames;
    CCSpriteFrameCache* cache = CCSpriteFrameCache::sharedSpriteFrameCache();
    for (int i = 0; i < kMarkFrames; ++i) {
        const int k = (start - 1 + i) % kMarkFrames + 1;
        if (Ref<CCSpriteFrame> frame = cache->spriteFrameByName(markFrame(k))) frames.push_back(frame);
    }
    if (frames.empty()) return nullptr;
    return CCAnimation::animationWithFrames(frames, kMarkFrameTime);
}

Ref<CCSprite> readyMark(int start, bool animate)
{
    auto mark = CCSprite::spriteWithSpriteFrameName(markFrame(1));
    if (!mark) return nullptr;
    mark->setAnchorPoint({0.5f, 0});
    if (animate) {
        if (Ref<CCAnimation> frames = markAnimation(start)) {
            mark->runAction(CCRepeatForever::actionWithAction(CCAnimate::actionWithAnimation(frames.get(), false).get())
                                .get());
        }
    }
    return mark;
}

TutorialFrameDef* frame(int32_t number) { return Profile::sharedInstance()->GetTutorialDef(number); }

} // namespace

// ---------------------------------------------------------------- creation

bool MapScene::timedBonusCollectable(const UpgradeItem& upgrade)
{
    return (upgrade.isAnim || !skippedTag(upgrade.ID)) && tappable(&upgrade);
}

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
    CurrentSpotCount = 0;
    scheduleUpdate();
    WasThereChange = false;
    NoSave = false;

    Menu = CCMenu::menuWithItems({});
    Menu->setPosition({0, 0});
    addChild(Menu.get(), 2);
    setIsTouchEnabled(true);

    GlobalObject::sharedInstance()->PlayBackgroundTrack("sound_farm1.aac");
    ChangeStateWithHelper(state, group);

    Profile* profile = Profile::sharedInstance();
    if (UserDefaults::standardUserDefaults().integerForKey("MicroCount") == 0 &&
        profile->GetUpgradeCount(kMarket) >= 1 && !profile->TriedInApps) {
        std::vector<std::string> products;
        for (int pack = 0; pack < InAppPurchase::kPackCount; ++pack)
            products.push_back(InAppPurchase::productIdentifier(pack));
        InAppPurchase::sharedInstance()->requestProducts(products);
        return true;
    }
    RatingPrompt::appLaunched(true);
    return true;
}

MapScene::~MapScene()
{
    // A save in the middle of a placement would keep a building paid for
    // but standing nowhere.
    if (!NoSave && WasThereChange && !placementOpen()) saveProfile();
}

void MapScene::saveProfile() { Profile::sharedInstance()->Save(); }

void MapScene::ChangeStateWithHelper(int32_t state, int32_t group)
{
    MapStateHelper = group;
    ChangeState(state);
}

void MapScene::ChangeState(int32_t state)
{
    if (state == MapState) return;
    MapState = state;
    if (state >= kStateBuild && state <= kStateMoveGhost) {
        enterPlacementState(state);
        return;
    }
    if (state != kStateNormal && state != kStateAfterHire) return; // only stored
    drawNormal();
    if (state == kStateAfterHire) RunWorkerSequencWithType(MapToBuild);
}

void MapScene::drawNormal()
{
    if (PageParent) removeChild(PageParent.get(), true);
    if (WFactory) removeChild(WFactory.get(), true);
    PageParent = TrickLayer::node();
    makeWalkerFactory(MapState == kStateAfterHire ? MapToBuild : WorkerFactory::kNoKind);
    XMLManager* definitions = XMLManager::sharedInstance();
    for (const auto& [key, slot] : definitions->MapObjects) {
        if (!slot) continue;
        if (slot->isTree != 1 && slot->IDBuild >= 0) {
            if (CCNode* building = standBuilding(*slot, slot->IDBuild)) CheckIfThisChildIsButton(building, false);
        } else if (slot->isTree == 1 && slot->IDBuild == -1) {
            addDecoration(*slot);
        }
    }
    placeWalkers();
    addChild(PageParent.get(), 1);
    ValidateAllBuildingsForNotification();
    if (MapState != kStateAfterHire) ValidateAndPlayTutorial();
}

Ref<CCNode> MapScene::buildingPicture(const UpgradeItem& upgrade, int32_t opacity)
{
    if (upgrade.isAnim) {
        Animation* model = XMLManager::sharedInstance()->GetAnimationNamed(format("map_%@.xml", upgrade.PngName));
        if (!model) {
            logLine("MapScene: no animation map_%s.xml for upgrade %d", upgrade.PngName.c_str(), upgrade.ID);
            return nullptr;
        }
        Ref<Animation> copy = model->GenerateNewObject();
        copy->PlaceObject(opacity);
        return copy;
    }
    auto sprite = CCSprite::spriteWithSpriteFrameName(format("map_%@.png", upgrade.PngName));
    if (!sprite) {
        logLine("MapScene: no picture map_%s.png for upgrade %d", upgrade.PngName.c_str(), upgrade.ID);
        return nullptr;
    }
    if (opacity >= 0) sprite->setOpacity(static_cast<uint8_t>(opacity));
    return sprite;
}

CCNode* MapScene::standBuilding(const MAP_OBJECT& slot, int32_t upgradeId)
{
    const UpgradeItem* upgrade = Profile::sharedInstance()->GetUpgrade(upgradeId);
    if (!upgrade || !PageParent) return nullptr;
    Ref<CCNode> building = buildingPicture(*upgrade, -1);
    if (!building) return nullptr;
    building->setPosition({static_cast<float>(slot.x), static_cast<float>(slot.y)});
    if (auto* animation = dynamic_cast<Animation*>(building.get())) {
        if (!slowDevice() || unitRandom() >= 0.7f) animation->StartAnimations(true);
    } else {
        if (slot.GroupID != kPivotGroup) building->setAnchorPoint({0.5f, 0});
        if (upgradeId == kCastle) building->setAnchorPoint({0.4f, 0.1f});
    }
    const int z = slot.ID == 0 ? 0 : static_cast<int>(winSize().height - static_cast<float>(slot.y));
    PageParent->addChild(building.get(), z, upgradeId);
    return building.get();
}

void MapScene::addDecoration(const MAP_OBJECT& slot)
{
    // Trees and other decorations stand at their depth; the fish swim in the
    // pond; the river bank (301 to 304) lies under everything and slot 62
    // over everything.
    XMLManager* definitions = XMLManager::sharedInstance();
    const float height = winSize().height;
    const CGPoint at = {static_cast<float>(slot.x), static_cast<float>(slot.y)};
    int z = slot.ID == 0 ? 0 : static_cast<int>(height - static_cast<float>(slot.y));
    if (slot.ID == 401 || slot.ID == 402) {
        Animation* model = definitions->GetAnimationNamed("map_fishes.xml");
        if (!model) return;
        Ref<Animation> fish = model->GenerateNewObject();
        fish->PlaceObject();
        fish->StartAnimations(true);
        fish->setPosition(at);
        PageParent->addChild(fish.get(), z, kFishTag);
        return;
    }
    auto decoration = CCSprite::spriteWithSpriteFrameName(slot.Name);
    if (!decoration) return;
    decoration->setPosition(at);
    if (slot.ID >= 301 && slot.ID <= 304) z = 1;
    if (slot.ID == 62) z = static_cast<int>(height) - 1;
    PageParent->addChild(decoration.get(), z, slot.key());
}

// ---------------------------------------------------------------- entrances

Ref<CCMenuItemSprite> MapScene::makeEntranceButton(const char* frameName, void (MapScene::*action)(Object*))
{
    auto normal = CCSprite::spriteWithSpriteFrameName(frameName);
    auto selected = CCSprite::spriteWithSpriteFrameName(frameName);
    if (!normal || !selected) return nullptr;
    return CCMenuItemSprite::itemFromNormalSprite(
        normal.get(), selected.get(), nullptr,
        CCMenuCallback([this, action](CCMenuItem* sender) { (this->*action)(sender); }));
}

namespace {

void pulse(CCNode* node)
{
    node->runAction(CCRepeatForever::actionWithAction(
                        static_cast<CCActionInterval*>(CCSequence::actionOne(CCScaleTo::actionWithDuration(0.4f, 1.1f).get(),
                                                                             CCScaleTo::actionWithDuration(0.4f, 1.0f).get())
                                                           .get()))
                        .get());
}

} // namespace

void MapScene::CheckIfThisChildIsButton(CCNode* node, bool afterBuild)
{
    if (!node || !Menu) return;
    const int tag = node->tag();
    const CGPoint b = node->position();
    if (tag == kFields && !farmbutton) {
        Ref<CCMenuItemSprite> button = makeEntranceButton("icon_farm.png", &MapScene::FieldCallback);
        if (!button) return;
        const CGSize size = button->contentSize();
        button->setPosition({b.x, b.y + size.height / 2});
        Menu->addChild(button.get(), 1);
        farmbutton = button.get();
        pulse(button.get());
    } else if (tag == kMine && !minebtn) {
        Ref<CCMenuItemSprite> button = makeEntranceButton("icon_mine.png", &MapScene::MineCallback);
        if (!button) return;
        const CGSize size = button->contentSize();
        button->setPosition({b.x + 2 * size.width, b.y + size.height});
        Menu->addChild(button.get(), 0);
        minebtn = button.get();
        pulse(button.get());
    } else if (isSettlement(tag) && !settlebtn) {
        const TutorialFrameDef* intro = frame(2);
        if (!intro || !intro->Done || !intro->ArrowAfterDone) return;
        Ref<CCMenuItemSprite> button = makeEntranceButton("icon_settlement.png", &MapScene::SettleCallback);
        if (!button) return;
        const CGSize size = button->contentSize();
        button->setPosition({b.x + size.width, b.y + size.height / 2});
        Menu->addChild(button.get(), 0);
        settlebtn = button.get();
        pulse(button.get());
        addSettlementMark();
    }
}

void MapScene::CheckAndSpawnIfNeededStageButtons()
{
    if (!Menu) {
        Menu = CCMenu::menuWithItems({});
        Menu->setPosition({0, 0});
        addChild(Menu.get(), 2);
    }
    const auto& slots = XMLManager::sharedInstance()->MapObjects;
    const auto holds = [&slots](int32_t slotId, int32_t upgrade) {
        auto found = slots.find(slotId);
        return found != slots.end() && found->second && found->second->IDBuild == upgrade;
    };
    const auto appear = [this](CCMenuItemSprite* button) {
        if (!button) return;
        button->setOpacity(0);
        button->setScale(0);
        button->setIsEnabled(false);
        button->runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(0.5f).get(),
                                                CCFadeTo::actionWithDuration(0.2f, 255).get())
                              .get());
        button->runAction(CCSequence::actions({CCDelayTime::actionWithDuration(0.5f).get(),
                                               CCScaleTo::actionWithDuration(0.2f, 1.1f).get(),
                                               CCScaleTo::actionWithDuration(0.1f, 1.0f).get(),
                                               CCCallBlockN::actionWithBlock([this](CCNode* node) {
                                                   ActivateChild(static_cast<CCMenuItem*>(node));
                                               }).get()})
                              .get());
    };
    if (!PageParent) return;
    CCNode* fields = PageParent->getChildByTag(kFields);
    if (fields && !farmbutton && holds(3, kFields)) {
        CheckIfThisChildIsButton(fields, true);
        appear(farmbutton);
    }
    CCNode* mine = PageParent->getChildByTag(kMine);
    if (mine && !minebtn && holds(9, kMine)) {
        CheckIfThisChildIsButton(mine, true);
        appear(minebtn);
    }
    if (!settlebtn) {
        for (int32_t upgrade : kSettlements) {
            CCNode* settlement = PageParent->getChildByTag(upgrade);
            if (!settlement) continue;
            const TutorialFrameDef* intro = frame(2);
            if (holds(1, upgrade) && intro && intro->Done) {
                // The intro's arrow need not be gone for a new settlement.
                Ref<CCMenuItemSprite> button = makeEntranceButton("icon_settlement.png", &MapScene::SettleCallback);
                if (button) {
                    const CGSize size = button->contentSize();
                    const CGPoint b = settlement->position();
                    button->setPosition({b.x + size.width, b.y + size.height / 2});
                    Menu->addChild(button.get(), 0);
                    settlebtn = button.get();
                    appear(settlebtn);
                    addSettlementMark();
                }
            }
            break;
        }
    }
    ValidateAllBuildingsForNotification();
}

void MapScene::ActivateChild(CCMenuItem* item)
{
    if (!item) return;
    item->setIsEnabled(true);
    item->stopAllActions();
    pulse(item);
}

void MapScene::addSettlementMark()
{
    if (!settlebtn || settlebtn->getChildByTag(kReadyMarkTag)) return;
    if (GlobalObject::sharedInstance()->GetTimeTillNotification(kTaxEvent) != -1) return;
    Ref<CCSprite> mark = readyMark(1, !slowDevice());
    if (!mark) return;
    const CGSize size = settlebtn->contentSize();
    mark->setPosition({0.7f * size.width, 0.3f * size.height});
    settlebtn->addChild(mark.get(), 0, kReadyMarkTag);
}

void MapScene::update(float)
{
    if (settlebtn) addSettlementMark();
}

// ---------------------------------------------------------------- ready marks

void MapScene::addReadyMark(CCNode* building)
{
    if (!building || building->getChildByTag(kReadyMarkTag)) return;
    const int start = 1 + static_cast<int>(unitRandom() * 17); // 1..17
    Ref<CCSprite> mark = readyMark(start, !slowDevice());
    if (!mark) return;
    if (auto* animation = dynamic_cast<Animation*>(building)) {
        const CGRect box = hitBox(animation);
        mark->setPosition({0, 0.2f * box.size.height});
    } else {
        const CGRect box = building->boundingBox();
        mark->setPosition({0.5f * box.size.width, 0.2f * box.size.height});
    }
    building->addChild(mark.get(), kMarkZ, kReadyMarkTag);
}

void MapScene::ValidateAllBuildingsForNotification()
{
    if (!PageParent || !PageParent->children()) return;
    Profile* profile = Profile::sharedInstance();
    CCArray* children = PageParent->children();
    for (size_t i = 0; i < children->count(); ++i) {
        auto* node = static_cast<CCNode*>(children->objectAtIndex(i));
        const UpgradeItem* upgrade = node->tag() >= 1 ? profile->GetUpgrade(node->tag()) : nullptr;
        if (upgrade && upgrade->BonusReady) addReadyMark(node);
    }
}

void MapScene::ValidateNotificationStatusForBuilding(int32_t upgrade)
{
    if (!PageParent || upgrade < 1) return;
    addReadyMark(PageParent->getChildByTag(upgrade));
}

// ---------------------------------------------------------------- bonuses

void MapScene::SpawnBonuses(int32_t upgradeId, int32_t x, int32_t y, bool withExperience)
{
    Profile* profile = Profile::sharedInstance();
    UpgradeItem* upgrade = profile->GetUpgrade(upgradeId);
    if (!upgrade || !VParent || !VParent->bonusParent()) return;
    const float lift = upgrade->isAnim ? (onTablet() ? 10.0f : 5.0f) : 0.0f;
    const CGPoint start = {static_cast<float>(x), static_cast<float>(y) - lift};
    upgrade->BonusReady = false;

    std::vector<Ref<CCBonusItem>> items;
    if (withExperience && upgrade->Points > 0) items.push_back(CCBonusItem::itemWithXP(upgrade->Points));
    if (upgrade->BonusMoney > 0) items.push_back(CCBonusItem::itemWithGold(upgrade->BonusMoney));
    if (upgrade->BonusTools) {
        for (const auto& [tool, count] : *upgrade->BonusTools) {
            TutorialFrameDef* well = frame(38);
            if (tool == 24 && well && !well->Done) {
                if (TutorialFrameDef* before = frame(37)) {
                    before->Done = true;
                    before->ArrowAfterDone = true;
                }
                ValidateAndPlayTutorial();
            }
            items.push_back(CCBonusItem::itemWithTool(tool, count));
        }
    }
    if (upgrade->BonusResources) {
        for (const auto& [resource, count] : *upgrade->BonusResources)
            items.push_back(CCBonusItem::itemWithResource(resource, count));
    }
    const int z = static_cast<int>(winSize().height);
    for (const Ref<CCBonusItem>& item : items) {
        if (!item) continue;
        item->setPosition(start);
        VParent->bonusParent()->addChild(item.get(), z);
        MoveBonus(item.get(), !withExperience);
    }

    const int32_t period = upgrade->BonusTime;
    if (period >= 1) {
        const int32_t hours = period / 3600;
        const int32_t minutes = (period - 3600 * hours) / 60;
        const int32_t seconds = period - 3600 * hours - 60 * minutes;
        GlobalObject::sharedInstance()->GenerateNotification(hours, minutes, seconds, upgradeId);
    }
}

void MapScene::MoveBonus(CCBonusItem* item, bool fast)
{
    if (!item) return;
    item->SetVParent(VParent);
    const float wait = fast ? 0.1f * unitRandom() : 0.4f + unitRandom();
    item->runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(wait).get(),
                                          CCCallBlockN::actionWithBlock([](CCNode* node) {
                                              static_cast<CCBonusItem*>(node)->Bounce();
                                          }).get())
                        .get());
}

bool MapScene::CollectAllBonuses()
{
    CCNode* holder = VParent ? VParent->bonusParent() : nullptr;
    if (!holder || !holder->children()) return false;
    bool collected = false;
    // From the last child: collecting removes the item from the array.
    for (size_t i = holder->children()->count(); i-- > 0;) {
        if (!holder->children() || i >= holder->children()->count()) continue;
        auto* child = static_cast<CCNode*>(holder->children()->objectAtIndex(i));
        if (auto* item = dynamic_cast<CCBonusItem*>(child)) {
            Ref<CCBonusItem> keep(item);
            item->SetState(CCBonusItem::kCollected);
            collected = true;
        } else if (dynamic_cast<CCParticleSystem*>(child) || dynamic_cast<CCExpPoints*>(child)) {
            holder->removeChild(child, true);
        }
    }
    return collected;
}

// ---------------------------------------------------------------- tear-down

void MapScene::Stop()
{
    WasThereChange = CollectAllBonuses() || WasThereChange;
    stopAllActions();
    unscheduleUpdate();
    removeAllChildrenWithCleanup(true);
    settlebtn = farmbutton = minebtn = nullptr;
    Menu = nullptr;
    PageParent = nullptr;
    WFactory = nullptr;
}

void MapScene::StopWithRelease()
{
    Ref<MapScene> keep(this);
    NoSave = true;
    if (WFactory) WFactory->Stop();
    WFactory = nullptr;
    Stop();
    if (auto* scene = dynamic_cast<CCScene*>(parent())) scene->onHide();
}

// ---------------------------------------------------------------- input

void MapScene::SetInputActive(bool active)
{
    if (active == isTouchEnabled()) return;
    setIsTouchEnabled(active);
    if (Menu) Menu->setIsTouchEnabled(active);
}

void MapScene::registerWithTouchDispatcher()
{
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, kTouchPriority, true);
}

void MapScene::onEnter()
{
    CCLayer::onEnter();
    if (isTouchEnabled()) CCTouchDispatcher::sharedDispatcher()->setPriority(INT_MIN + 2, this);
}

int32_t MapScene::targetedTouchCallbacks() const
{
    return kCCTouchBeganBit | kCCTouchEndedBit | kCCTouchCancelledBit;
}

bool MapScene::touchOnHudBars(CGPoint point) const
{
    if (!VParent) return false;
    for (CCSprite* bar : {VParent->topBar(), VParent->bottomBar(), VParent->goodsPopUp()}) {
        if (!bar || !bar->parent()) continue;
        // The bars stand in the HUD's tree, which shares the window's origin.
        if (contains(bar->boundingBox(), bar->parent()->convertToNodeSpace(point))) return true;
    }
    return false;
}

bool MapScene::ccTouchBegan(UITouch* touch, const UIEvent&)
{
    const CGPoint point = CCDirector::sharedDirector()->convertToGL(touch->locationInView());
    // The HUD's bag and bars take their own touches.
    if (touchOnHudBars(point)) return false;

    if (CCNode* holder = VParent ? VParent->bonusParent() : nullptr; holder && holder->children()) {
        for (size_t i = holder->children()->count(); i-- > 0;) {
            auto* item = dynamic_cast<CCBonusItem*>(static_cast<CCNode*>(holder->children()->objectAtIndex(i)));
            if (!item || !contains(item->boundingBox(), point)) continue;
            playSound("bonus_collect");
            item->SetState(CCBonusItem::kFlying);
            WasThereChange = true;
            return true;
        }
    }
    if (!PageParent || !PageParent->children()) return false;
    Profile* profile = Profile::sharedInstance();
    CCArray* children = PageParent->children();
    for (size_t i = children->count(); i-- > 0;) {
        auto* node = static_cast<CCNode*>(children->objectAtIndex(i));
        if (skippedSprite(node) || !contains(hitBox(node), point)) continue;
        UpgradeItem* upgrade = profile->GetUpgrade(node->tag());
        if (!tappable(upgrade) || !upgrade->BonusReady) continue;
        SpawnBonuses(upgrade->ID, static_cast<int32_t>(node->position().x), static_cast<int32_t>(node->position().y),
                     false);
        if (CCNode* mark = node->getChildByTag(kReadyMarkTag)) node->removeChild(mark, true);
        return true;
    }
    for (size_t i = children->count(); i-- > 0;) {
        auto* node = static_cast<CCNode*>(children->objectAtIndex(i));
        if (skippedSprite(node) || !contains(hitBox(node), point)) continue;
        const UpgradeItem* upgrade = profile->GetUpgrade(node->tag());
        if (!tappable(upgrade)) continue;
        // The animated settlements stop the search: no tooltip under them.
        if ((node->tag() == 88 || node->tag() == 101) && dynamic_cast<Animation*>(node)) return false;
        playSound("selection_menu");
        if (CCNode* old = getChildByTag(kTooltipTag)) removeChild(old, true);
        Ref<CCTooltip> tooltip = CCTooltip::tooltipWithBuildingInfo(upgrade->ID, static_cast<int32_t>(point.x),
                                                                    static_cast<int32_t>(point.y));
        if (!tooltip) return false;
        tooltip->setPosition(point);
        addChild(tooltip.get(), kTooltipZ, kTooltipTag);
        return true;
    }
    return false;
}

void MapScene::ccTouchEnded(UITouch*, const UIEvent&)
{
    if (CCNode* tooltip = getChildByTag(kTooltipTag)) removeChild(tooltip, true);
}

void MapScene::ccTouchCancelled(UITouch*, const UIEvent&)
{
    if (CCNode* tooltip = getChildByTag(kTooltipTag)) removeChild(tooltip, true);
}

// ---------------------------------------------------------------- entrances' actions

void MapScene::MineCallback(Object*)
{
    playSound("selection_menu");
    if (!VParent) return;
    Ref<FoodPopUp> popUp = FoodPopUp::popUpWithLayer(this);
    if (!popUp) return;
    VParent->addChild(popUp.get(), kPopUpZ);
    SetInputActive(false);
    VParent->SetInputActive(false);
}

void MapScene::FieldCallback(Object*)
{
    playSound("selection_menu");
    if (!VParent) return;
    Ref<FieldPopUp> popUp = FieldPopUp::popUpWithLayer(this);
    if (!popUp) return;
    VParent->addChild(popUp.get(), kPopUpZ);
    SetInputActive(false);
    VParent->SetInputActive(false);
}

void MapScene::SettleCallback(Object*)
{
    playSound("selection_menu");
    Ref<MapScene> keep(this);
    GuiObject* gui = VParent;
    Stop();
    if (gui) gui->ChangeLayer(VillageScene::kStatsLayer);
}

} // namespace mw
