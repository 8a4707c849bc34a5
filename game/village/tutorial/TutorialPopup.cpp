#include "game/village/tutorial/TutorialPopup.h"

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSprite.h"
#include "engine/touch/CCTouchDispatcher.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "game/boards/BoardSupport.h"
#include "game/state/AchievementLedger.h"
#include "game/state/Collectible.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/Resource.h"
#include "game/state/TutorialFrameDef.h"
#include "game/state/UpgradeAction.h"
#include "game/state/UpgradeItem.h"
#include "game/boards/CCCounterDrell.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"

namespace mw {
namespace {

constexpr ccColor3B kTextColour{125, 105, 90};
constexpr float kIconScale = 0.6f;
constexpr float kPictureRow = 0.17f; // height of the bubble's pictures, as a fraction of it
constexpr int32_t kHiredHelper = 105;

// Placements 0 to 2 speak from the left, 3 to 5 (mirrored bubble) from the right.
bool mirrored(int32_t placement) { return placement >= 3; }

Ref<CCSprite> frameSprite(const std::string& name)
{
    if (name.empty()) return nullptr;
    return CCSprite::spriteWithSpriteFrameName(name);
}

Ref<CCLabelTTF> bubbleText(const std::string& text, CGSize box)
{
    return CCLabelTTF::labelWithString(text, box, UITextAlignmentCenter, UILineBreakModeWordWrap,
                                       "HelveticaNeue", board::isIpad() ? 20.0f : 10.0f);
}

CGPoint fraction(const CCNode* node, float x, float y)
{
    const CGSize size = node->contentSize();
    return {x * size.width, y * size.height};
}

// The counter beside a bubble icon, offset by a share of the icon's drawn size.
void putCounter(CCNode* bubble, CCCounterDrell* counter, const CCSprite* icon, float dx, float dy)
{
    const CGSize size = icon->textureRect().size;
    const float scale = icon->scale();
    counter->setPosition(
        {icon->position().x + dx * size.width * scale, icon->position().y + dy * size.height * scale});
    bubble->addChild(counter);
}

} // namespace

Ref<TutorialPopup> TutorialPopup::popUpWithFrame(TutorialFrameDef* frame, bool afterBuild)
{
    auto popUp = makeRef<TutorialPopup>();
    if (!popUp->initWithTutorialFrameDefAfterBuild(frame, afterBuild)) return nullptr;
    return popUp;
}

Ref<TutorialPopup> TutorialPopup::popUpWithWorkerType(int32_t upgrade)
{
    auto popUp = makeRef<TutorialPopup>();
    if (!popUp->initWithWorkerType(upgrade)) return nullptr;
    return popUp;
}

bool TutorialPopup::IsWomen(int32_t upgrade)
{
    return upgrade == 7 || upgrade == 8 || upgrade == 65 || upgrade == 66;
}

bool TutorialPopup::initWithTutorialFrameDefAfterBuild(TutorialFrameDef* frame, bool afterBuild)
{
    if (frame == nullptr) {
        logLine("TutorialPopup: no frame to show");
        return false;
    }
    PlaySound = false;
    AfterBuild = afterBuild;
    Showed = false;
    OrigDef = frame;
    setContentSize(board::winSize());
    Bcg = frameSprite("popup_tutorial.png");
    Worker = frameSprite(frame->WorkerIcon);
    if (!Bcg) Bcg = makeRef<CCSprite>();
    if (!Worker) {
        logLine("TutorialPopup: frame %d names no loaded speaker \"%s\"", frame->ID,
                frame->WorkerIcon.c_str());
        Worker = makeRef<CCSprite>();
    }

    std::string text = LocalisationManager::sharedInstance()->getValue(frame->LangID);
    const std::string& village = Profile::sharedInstance()->VillageName;
    if (frame->ID == 54)
        text = format("%@ %@", village.c_str(), text.c_str());
    else if (frame->ID == 73 || frame->ID == 75 || frame->ID == 76 || frame->ID == 78 || frame->ID == 81)
        text = format("%@ %@", text.c_str(), village.c_str());
    const CGSize bubble = Bcg->contentSize();
    auto label = bubbleText(text, {0.74f * bubble.width, 0.7f * bubble.height});
    label->setColor(kTextColour);
    Bcg->addChild(label.get(), 1, kTagText);

    PlacementType = 0;
    buildFramePictures();
    for (size_t i = 0; i < TutorialFrameDef::kPlacementCount; ++i) {
        if (frame->placement(i)) {
            PlacementType = static_cast<int32_t>(i);
            break;
        }
    }
    layOut();
    onShow(true);
    return true;
}

void TutorialPopup::buildFramePictures()
{
    Profile* profile = Profile::sharedInstance();
    const TutorialFrameDef& frame = *OrigDef;
    if (frame.Type == 101 || frame.AdditionalNumber > 0) {
        if (Ref<CCSprite> icon = frameSprite(frame.Icon)) {
            icon->setScale(kIconScale);
            icon->setAnchorPoint({0.5f, 0});
            Bcg->addChild(icon.get(), 1, kTagIcon);
            if (frame.AdditionalNumber > 0) {
                auto counter = CCCounterDrell::counterWithNumber(frame.AdditionalNumber);
                Bcg->addChild(counter.get(), 2, kTagIconCounter);
            }
        }
    }
    if (frame.Type != 102 && frame.Type != 103) return;
    Collectible* kind = profile->GetCollectible(frame.RelationID);
    if (kind == nullptr) return; // the text alone
    auto first = frameSprite(kind->pngName + ".png");
    Ref<CCSprite> second;
    int32_t firstCount = 0;
    if (frame.Type == 103) {
        if (Resource* made = profile->GetResource(kind->nextResource))
            second = frameSprite(made->PngName + ".png");
        firstCount = kind->nextResourceCount;
    } else {
        if (Collectible* made = profile->GetCollectible(kind->nextCollectible))
            second = frameSprite(made->pngName + ".png");
        firstCount = kind->nextCollectibleCount;
    }
    auto arrow = frameSprite("Tutorial_red_arrow.png");
    for (CCSprite* picture : {first.get(), second.get(), arrow.get()}) {
        if (picture == nullptr) continue;
        picture->setAnchorPoint({0.5f, 0});
        Bcg->addChild(picture, 1);
    }
    for (CCSprite* icon : {first.get(), second.get()})
        if (icon) icon->setScale(kIconScale);
    if (first) first->setTag(kTagFirst);
    if (second) second->setTag(kTagSecond);
    if (arrow) arrow->setTag(kTagArrow);
    if (first) {
        auto counter = CCCounterDrell::counterWithNumber(firstCount);
        counter->setTag(kTagFirstCounter);
        Bcg->addChild(counter.get(), 2);
    }
    if (second) {
        auto one = CCCounterDrell::counterWithNumber(1);
        one->setTag(kTagSecondCounter);
        Bcg->addChild(one.get(), 2);
    }
}

void TutorialPopup::placeFramePictures(CCSprite* first, CCSprite* second, CCSprite* arrow)
{
    const bool fourth = PlacementType == 4;
    const float y = kPictureRow;
    if (first) first->setPosition(fraction(Bcg.get(), fourth ? 0.25f : 0.35f, y));
    if (second) second->setPosition(fraction(Bcg.get(), fourth ? 0.65f : 0.55f, y));
    if (arrow) arrow->setPosition(fraction(Bcg.get(), fourth ? 0.46f : 0.75f, y));
}

void TutorialPopup::layOut()
{
    const CGSize win = board::winSize();
    const float w = Worker->textureRect().size.width;
    const CGSize body = Worker->contentSize();
    static const CGPoint kWorkerAt[6] = {{-0.5f, 0.1f}, {-0.5f, -0.1f}, {-0.3f, -0.5f},
                                         {0.3f, -0.5f}, {0.5f, -0.1f},  {0.5f, 0.1f}};
    CGPoint at = {kWorkerAt[PlacementType].x * win.width, kWorkerAt[PlacementType].y * win.height};
    if (PlacementType <= 1) at.x -= w / 2;
    if (PlacementType >= 4) at.x += w / 2;
    Worker->setAnchorPoint({0.5f, 0});
    Worker->setPosition(at);
    addChild(Worker.get(), 1);

    const bool flip = mirrored(PlacementType);
    Bcg->setFlipX(flip);
    Bcg->setAnchorPoint(flip ? CGPoint{0.9f, 0.25f} : CGPoint{0.1f, 0.25f});
    Bcg->setPosition({flip ? 0 : body.width, body.height});
    Bcg->setScale(0);
    Worker->addChild(Bcg.get(), 1);

    const float textX = flip ? 0.45f : 0.55f;
    if (CCNode* text = Bcg->getChildByTag(kTagText)) text->setPosition(fraction(Bcg.get(), textX, 0.5f));
    if (auto* icon = dynamic_cast<CCSprite*>(Bcg->getChildByTag(kTagIcon))) {
        // Only a one-icon frame has a place for its icon; others keep it at the bubble's origin.
        if (OrigDef->Type == 101) icon->setPosition(fraction(Bcg.get(), textX, kPictureRow));
        if (auto* counter = dynamic_cast<CCCounterDrell*>(Bcg->getChildByTag(kTagIconCounter))) {
            Ref<CCCounterDrell> keep(counter);
            counter->removeFromParentAndCleanup(false);
            putCounter(Bcg.get(), counter, icon, 0.4f, 0.1f);
        }
    }
    auto* first = dynamic_cast<CCSprite*>(Bcg->getChildByTag(kTagFirst));
    auto* second = dynamic_cast<CCSprite*>(Bcg->getChildByTag(kTagSecond));
    placeFramePictures(first, second, dynamic_cast<CCSprite*>(Bcg->getChildByTag(kTagArrow)));
    for (auto [counterTag, icon] :
         {std::pair{kTagFirstCounter, first}, std::pair{kTagSecondCounter, second}}) {
        auto* counter = dynamic_cast<CCCounterDrell*>(Bcg->getChildByTag(counterTag));
        if (counter == nullptr || icon == nullptr) continue;
        Ref<CCCounterDrell> keep(counter);
        counter->removeFromParentAndCleanup(false);
        putCounter(Bcg.get(), counter, icon, 0.4f, 0.1f);
    }
}

bool TutorialPopup::initWithWorkerType(int32_t upgrade)
{
    Profile* profile = Profile::sharedInstance();
    UpgradeItem* item = profile->GetUpgrade(upgrade);
    if (item == nullptr) {
        logLine("TutorialPopup: no worker %d to introduce", upgrade);
        return false;
    }
    WorkerType = upgrade;
    PlaySound = true;
    const CGSize win = board::winSize();
    setContentSize(win);
    Bcg = frameSprite("popup_workers_resources.png");
    Worker = frameSprite(item->PngName + ".png");
    if (!Bcg) Bcg = makeRef<CCSprite>();
    if (!Worker) Worker = makeRef<CCSprite>();
    Worker->setAnchorPoint({0, 0});
    Worker->setPosition({0.2f * win.width, -0.5f * win.height});
    addChild(Worker.get(), 1);
    Bcg->setFlipX(true);
    Bcg->setAnchorPoint({0.9f, 0.25f});
    Bcg->setPosition({0, Worker->contentSize().height});
    Bcg->setScale(0);
    Worker->addChild(Bcg.get(), 1);
    PlacementType = 3;
    buildWorkerPictures();
    OrigDef = nullptr;
    onShow(true);
    return true;
}

void TutorialPopup::buildWorkerPictures()
{
    Profile* profile = Profile::sharedInstance();
    UpgradeItem* item = profile->GetUpgrade(WorkerType);
    const CGPoint centre = fraction(Bcg.get(), 0.5f, 0.5f);
    if (WorkerType == kHiredHelper) {
        if (auto helper = frameSprite("fake_mid3.png")) {
            helper->setScale(1.2f);
            helper->setPosition(centre);
            Bcg->addChild(helper.get(), 1);
        }
        const CGSize bubble = Bcg->contentSize();
        auto label = bubbleText(LocalisationManager::sharedInstance()->getValue("HIRED_TEXT"),
                                {0.66f * bubble.width, 0.6f * bubble.height});
        label->setColor(kTextColour);
        label->setPosition(centre);
        Bcg->addChild(label.get(), 2, kTagText);
    }
    UpgradeAction* action = nullptr;
    if (item->Actions && item->Actions->count() > 0)
        action = dynamic_cast<UpgradeAction*>(item->Actions->objectAtIndex(0));
    if (action == nullptr || (action->ID != 0 && action->ID != 1)) return;

    Collectible* kind = nullptr;
    std::string secondName;
    int32_t n = 0;
    if (action->ID == 0) {
        kind = profile->GetCollectible(action->IDAction);
        if (kind == nullptr) return;
        if (Collectible* next = profile->GetCollectible(kind->nextCollectible)) secondName = next->pngName;
        n = kind->nextCollectibleCount;
    } else {
        for (int32_t id = 0; id <= 24 && kind == nullptr; ++id) {
            Collectible* candidate = profile->GetCollectible(id);
            if (candidate && candidate->nextResource == action->IDAction) kind = candidate;
        }
        if (kind == nullptr) return;
        if (Resource* resource = profile->GetResource(action->IDAction)) secondName = resource->PngName;
        n = kind->nextResourceCount;
    }
    auto first = frameSprite(kind->pngName + ".png");
    auto second = secondName.empty() ? nullptr : frameSprite(secondName + ".png");
    if (!first) first = makeRef<CCSprite>();
    first->setScale(kIconScale);
    first->setPosition(fraction(Bcg.get(), 0.25f, 0.5f));
    Bcg->addChild(first.get(), 1, kTagFirst);
    if (second) {
        second->setScale(kIconScale);
        second->setPosition(fraction(Bcg.get(), 0.65f, 0.5f));
        Bcg->addChild(second.get(), 1, kTagSecond);
    }
    minusVal = n;
    minus = CCCounterDrell::counterWithNumber(action->Value1);
    sp1 = CCCounterDrell::counterWithNumber(n - action->Value1);
    auto one = CCCounterDrell::counterWithNumber(1);
    const CGSize size = first->contentSize();
    const CGPoint offset = {0.3f * size.width, -0.3f * size.height};
    sp1->setPosition({first->position().x + offset.x, first->position().y + offset.y});
    minus->setPosition(sp1->position());
    Bcg->addChild(sp1.get(), 2, kTagFirstCounter);
    Bcg->addChild(minus.get(), 3);
    const CGPoint secondAt = fraction(Bcg.get(), 0.65f, 0.5f);
    one->setPosition({secondAt.x + offset.x, secondAt.y + offset.y});
    Bcg->addChild(one.get(), 2, kTagSecondCounter);
}

void TutorialPopup::onEnter()
{
    if (!registered_) {
        CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, kTouchPriority, true);
        registered_ = true;
    }
    CCLayer::onEnter();
}

void TutorialPopup::onExit()
{
    if (registered_) {
        CCTouchDispatcher::sharedDispatcher()->removeDelegate(this);
        registered_ = false;
    }
    CCLayer::onExit();
}

void TutorialPopup::onShow(bool show)
{
    Worker->stopAllActions();
    Bcg->stopAllActions();
    const CGSize win = board::winSize();
    const float w = Worker->textureRect().size.width;
    auto call = [this](void (TutorialPopup::*step)()) {
        return CCCallBlock::actionWithBlock([this, step] { (this->*step)(); });
    };
    if (!show) {
        Ref<CCMoveBy> away;
        if (PlacementType <= 1)
            away = CCMoveBy::actionWithDuration(0.3f, {-0.1f * win.width, 0});
        else if (PlacementType <= 3)
            away = CCMoveBy::actionWithDuration(0.3f, {0, -0.1f * win.height});
        else
            away = CCMoveBy::actionWithDuration(0.4f, {0.1f * win.width, 0});
        Worker->runAction(CCSequence::actions({CCDelayTime::actionWithDuration(0.25f).get(), away.get(),
                                               call(&TutorialPopup::RemoveMe).get()})
                              .get());
        Bcg->runAction(CCScaleTo::actionWithDuration(0.25f, 0).get());
        return;
    }
    auto grow = CCEaseElasticOut::actionWithAction(CCScaleTo::actionWithDuration(1.0f, 1.0f), 0.6f);
    auto ready = CCSequence::actionOne(CCDelayTime::actionWithDuration(1.2f).get(),
                                       call(&TutorialPopup::SetShowed).get());
    if (PlacementType == 2 || PlacementType == 3) {
        Worker->runAction(
            CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.6f, {0, 0.08f * win.height}))
                .get());
        auto open = CCSequence::actionOne(CCDelayTime::actionWithDuration(0.7f).get(), grow.get());
        Bcg->runAction(CCSpawn::actionOne(open.get(), ready.get()).get());
        return;
    }
    const float side = PlacementType <= 1 ? 1.0f : -1.0f;
    auto slide = CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.6f, {side * w / 2, 0}));
    auto lean = CCEaseBackOut::actionWithAction(CCRotateBy::actionWithDuration(0.8f, side * 15));
    Worker->runAction(CCSpawn::actionOne(slide.get(), lean.get()).get());
    auto open = CCSequence::actions({CCDelayTime::actionWithDuration(0.7f).get(),
                                     CCRotateTo::actionWithDuration(0, -side * 15).get(), grow.get()});
    Bcg->runAction(CCSpawn::actionOne(open.get(), ready.get()).get());
}

void TutorialPopup::SetShowed()
{
    if (PlaySound) board::playSound(IsWomen(WorkerType) ? "worker2" : "worker1");
    if (minusVal != 0 && sp1 && minus) {
        sp1->SetNumber(minusVal);
        auto rise = CCMoveBy::actionWithDuration(0.6f, {0, board::isIpad() ? 60.0f : 30.0f});
        auto fade = CCSequence::actionOne(CCDelayTime::actionWithDuration(0.4f).get(),
                                          CCFadeTo::actionWithDuration(0.2f, 0).get());
        minus->runAction(CCSpawn::actionOne(rise.get(), fade.get()).get());
    }
    Showed = true;
}

void TutorialPopup::RemoveMe()
{
    Ref<TutorialPopup> keep(this);
    CCNode* owner = parent();
    if (OrigDef == nullptr && owner) owner->SetInputActive(true);
    if (registered_) {
        CCTouchDispatcher::sharedDispatcher()->removeDelegate(this);
        registered_ = false;
    }
    removeFromParentAndCleanup(true);
}

bool TutorialPopup::ccTouchBegan(UITouch*, const UIEvent&)
{
    if (!Showed) return false;
    Ref<TutorialPopup> keep(this);
    if (OrigDef)
        onFrameTapped();
    else
        onWorkerTapped();
    return false;
}

void TutorialPopup::onFrameTapped()
{
    OrigDef->Done = true;
    if (CCNode* owner = parent()) {
        if (AfterBuild)
            owner->AfterBuildSeq();
        else
            owner->MoveWithTutorial();
    }
    onShow(false);
    Showed = false;
}

void TutorialPopup::onWorkerTapped()
{
    Worker->stopAllActions();
    Bcg->stopAllActions();
    const CGSize win = board::winSize();
    const bool tablet = board::isIpad();
    ccBezierConfig curve;
    curve.endPosition = tablet ? CGPoint{0.58f * win.width, -95} : CGPoint{0.5f * win.width, -46};
    curve.controlPoint_1 = {0, 0};
    curve.controlPoint_2 = {0, 0};
    auto fly = CCSpawn::actions(
        {CCEaseSineInOut::actionWithAction(CCBezierTo::actionWithDuration(1.0f, curve)).get(),
         CCScaleTo::actionWithDuration(1.0f, 0.4f).get(), CCRotateTo::actionWithDuration(0.6f, 0).get()});
    auto spawnWorker = CCCallBlock::actionWithBlock([this] {
        CCNode* owner = parent();
        if (auto* target = dynamic_cast<WorkerSpawnTarget*>(owner))
            target->InstantSpawnWorkerOfType(WorkerType);
        else if (auto* forward = dynamic_cast<CCTutorialParent*>(owner))
            forward->InstantSpawnWorkerOfType();
        else if (auto* hud = dynamic_cast<GuiObject*>(owner))
            hud->InstantSpawnWorkerOfType();
        else if (auto* map = dynamic_cast<MapScene*>(owner))
            map->InstantSpawnWorkerOfType();
    });
    auto remove = CCCallBlock::actionWithBlock([this] { RemoveMe(); });
    Worker->runAction(CCSequence::actions({CCDelayTime::actionWithDuration(0.3f).get(), fly.get(),
                                           spawnWorker.get(), remove.get()})
                          .get());
    Bcg->runAction(CCScaleTo::actionWithDuration(0.4f, 0).get());
    Showed = false;

    AchievementLedger* ledger = Profile::achievementLedger();
    if (ledger == nullptr) return;
    const std::string hiring = "com.zandovar.mw.nowhiring";
    const std::string corporation = "com.zandovar.mw.corporation";
    if (!ledger->IsAchievementDone(hiring))
        ledger->AchievementDone(hiring, "ACH_HIRE1", 5);
    else if (!ledger->IsAchievementDone(corporation) && Profile::sharedInstance()->WorkersBought >= 50)
        ledger->AchievementDone(corporation, "ACH_WORK30", 20);
}

} // namespace mw
