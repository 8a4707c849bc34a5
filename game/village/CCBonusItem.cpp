#include "game/village/CCBonusItem.h"

#include <algorithm>

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/director/CCDirector.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "foundation/Random.h"
#include "foundation/Shared.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/Resource.h"
#include "game/state/UpgradeItem.h"
#include "game/village/CCExpPoints.h"
#include "game/village/CCTutorialArrow.h"
#include "game/village/GuiObject.h"
#include "game/village/WidgetDevice.h"

namespace mw {

namespace {

constexpr ccColor3B kGlow = {255, 247, 130};

// A number in [0, 1) from the platform's random().
float unitRandom() { return static_cast<float>(Random::random()) / 2147483648.0f; }

void playSound(const char* key)
{
    if (GlobalObject* object = Shared<GlobalObject>::current()) object->PlaySoundEffect(key);
}

} // namespace

Ref<CCBonusItem> CCBonusItem::itemWithResource(int32_t resource, int32_t count)
{
    const Resource* record = Profile::sharedInstance()->GetResource(resource);
    Ref<CCSprite> picture = record ? CCSprite::spriteWithSpriteFrameName(record->PngName + ".png") : nullptr;
    auto item = makeRef<CCBonusItem>();
    if (!item->initWithSprite(picture.get(), kResource)) return nullptr;
    item->Count = count;
    item->rType = resource;
    return item;
}

Ref<CCBonusItem> CCBonusItem::itemWithTool(int32_t upgrade, int32_t count)
{
    const UpgradeItem* record = Profile::sharedInstance()->GetUpgrade(upgrade);
    Ref<CCSprite> picture = record ? CCSprite::spriteWithSpriteFrameName(record->PngName + ".png") : nullptr;
    auto item = makeRef<CCBonusItem>();
    if (!item->initWithSprite(picture.get(), kTool)) return nullptr;
    item->Count = count;
    item->rType = upgrade;
    return item;
}

Ref<CCBonusItem> CCBonusItem::itemWithXP(int32_t points)
{
    auto item = makeRef<CCBonusItem>();
    if (!item->initWithSprite(nullptr, kExperience)) return nullptr;
    item->Count = points;
    return item;
}

Ref<CCBonusItem> CCBonusItem::itemWithGold(int32_t gold)
{
    Ref<CCSprite> picture = CCSprite::spriteWithSpriteFrameName("micro_money.png");
    auto item = makeRef<CCBonusItem>();
    if (!item->initWithSprite(picture.get(), kGold)) return nullptr;
    item->Count = gold;
    return item;
}

bool CCBonusItem::initWithSprite(CCSprite* picture, int32_t kind)
{
    // A missing frame leaves an empty sprite: the item still falls, flies
    // and credits.
    (void)initWithSpriteFrameName(picture ? "map_white_glow.png" : "line_star_01.png");
    setColor(kGlow);
    Type = kind;
    if (picture) {
        sp = picture;
        sp->setScale(kind == kExperience ? 0.7f : 0.45f);
        sp->setOpacity(0);
        const CGSize glow = textureRect().size;
        sp->setPosition({glow.width / 2, glow.height / 2});
        addChild(sp.get());
    } else {
        setScale(0.8f);
    }
    setOpacity(0);
    CurentState = kCreated;
    return true;
}

void CCBonusItem::Bounce()
{
    setOpacity(0);
    SetState(kFalling);
}

void CCBonusItem::SetState(int32_t state)
{
    if (state == CurentState) return;
    CurentState = state;
    switch (state) {
    case kFalling: fall(); break;
    case kFlying: fly(); break;
    case kArrived: {
        stopAllActions();
        credit(true);
        playSound("bonus_final");
        CCNode* holder = parent();
        if (holder) {
            auto burst = CCParticleSystemQuad::particleWithFile(Type == kExperience ? "boing_particle.plist"
                                                                                    : "small_boing.plist");
            if (burst) {
                burst->setAutoRemoveOnFinish(true);
                burst->setPosition(position());
                holder->addChild(burst.get(), 4);
            }
            Ref<CCBonusItem> keep(this);
            removeFromParentAndCleanup(true);
        }
        break;
    }
    case kCollected: {
        stopAllActions();
        // A tool collected at once leaves the top bar as it is.
        credit(Type != kTool);
        Ref<CCBonusItem> keep(this);
        if (parent()) removeFromParentAndCleanup(true);
        break;
    }
    default: break;
    }
}

void CCBonusItem::fall()
{
    playSound("bonus_fall");
    const bool phone = !widgetOnTablet();
    const float w = CCDirector::sharedDirector()->winSize().width;
    const CGSize size = contentSize();
    // p stays where the item was dropped: the lift only pops it out of the
    // building, and it lands half its height above the drop point.
    const CGPoint p = position();
    setPosition({p.x, p.y + size.height});
    setOpacity(255);
    if (sp) sp->setOpacity(255);

    float rise = 60 + 70 * unitRandom();
    if (phone) rise /= 2;
    const float side = unitRandom();
    const float spread = unitRandom();
    float distance = 60 + 50 * spread;
    if (phone) distance /= 2;
    const bool right = side > 0.5f;
    float x = right ? p.x + distance : p.x - distance;
    // Land one item-width inside the window on both sides: an item dropped
    // near an edge may fall towards it or away from it.
    x = std::clamp(x, size.width, std::max(size.width, w - size.width));

    const float drift = (10 + 10 * unitRandom()) * (right ? 1.0f : -1.0f);
    auto up = CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.3f, {drift, rise}));
    auto land = CCMoveToWithYBounce::actionWithDuration(1.0f, {x, p.y + size.height / 2});
    if (Profile::sharedInstance()->PlayerLevel == 1) {
        runAction(CCSequence::actions({up.get(), land.get(),
                                       CCCallFunc::actionWithTarget(this, call_selector(CCBonusItem::AddArrowToMe))
                                           .get()})
                      .get());
    } else {
        runAction(CCSequence::actionOne(up.get(), land.get()).get());
    }
}

CGPoint CCBonusItem::flightTarget() const
{
    const bool tablet = widgetOnTablet();
    const float w = CCDirector::sharedDirector()->winSize().width;
    switch (Type) {
    case kResource:
        if (rType == kWorkersResource) return tablet ? CGPoint{401, 996} : CGPoint{150, 465};
        return tablet ? CGPoint{732, 996} : CGPoint{305, 465};
    case kTool: return tablet ? CGPoint{732, 996} : CGPoint{305, 465};
    case kExperience: return tablet ? CGPoint{w / 2, 956} : CGPoint{w / 2, 450};
    case kGold: return tablet ? CGPoint{627, 996} : CGPoint{265, 465};
    default: return position();
    }
}

void CCBonusItem::fly()
{
    stopAllActions();
    if (Type == kExperience) {
        if (CCNode* arrow = getChildByTag(kArrowTag)) removeChild(arrow, true);
    }
    const CGPoint target = flightTarget();
    SetUpEndSeq(target.x, target.y);
    if (CCNode* holder = parent()) {
        auto label = CCExpPoints::rewardWithPoints(Count, position().x, position().y, Type == kExperience);
        holder->addChild(label.get());
    }
}

void CCBonusItem::SetUpEndSeq(float x, float y)
{
    const float w = CCDirector::sharedDirector()->winSize().width;
    const CGPoint p = position();
    const float u = 2 * unitRandom() - 1;
    const float cx = w * (p.x < w / 2 ? 0.7f : 0.3f) + w * 0.1f * u;
    const float cy = (y + p.y) / 2;
    const ccBezierConfig curve = {{x, y}, {cx, cy}, {cx, cy}};
    const float turn = (2 * unitRandom() - 1) * 359;
    auto flight = CCSpawn::actions({CCEaseSineInOut::actionWithAction(CCBezierTo::actionWithDuration(1.0f, curve)).get(),
                                    CCScaleTo::actionWithDuration(1.0f, 0.7f).get(),
                                    CCRotateBy::actionWithDuration(1.0f, turn).get()});
    runAction(CCSequence::actionOne(
                  flight.get(), CCCallFunc::actionWithTarget(this, call_selector(CCBonusItem::SetBonusEnd)).get())
                  .get());
    CCNode* holder = parent();
    if (!holder) return;
    TrailPar = CCParticleSystemQuad::particleWithFile("trail.plist");
    if (!TrailPar) return;
    TrailPar->setPositionType(kCCPositionTypeFree);
    TrailPar->setPosition(p);
    holder->addChild(TrailPar.get(), 1);
    TrailPar->runAction(CCEaseSineInOut::actionWithAction(CCBezierTo::actionWithDuration(1.0f, curve)).get());
}

void CCBonusItem::SetBonusEnd()
{
    Ref<CCBonusItem> keep(this);
    SetState(kArrived);
    if (TrailPar) {
        TrailPar->stopSystem();
        TrailPar->setAutoRemoveOnFinish(true);
        TrailPar = nullptr;
    }
}

void CCBonusItem::AddArrowToMe()
{
    auto arrow = CCTutorialArrow::arrow();
    const CGSize size = contentSize();
    arrow->setPosition({size.width / 2, size.height});
    addChild(arrow.get(), 0, kArrowTag);
}

void CCBonusItem::credit(bool refreshTopBar)
{
    Profile& profile = *Profile::sharedInstance();
    switch (Type) {
    case kExperience:
        profile.AddExp(static_cast<float>(Count), true);
        if (VParent) VParent->GlowExpBar();
        return;
    case kResource:
        profile.increaseResource(rType, Count);
        profile.ValidateResourceAchievement(rType, Count);
        break;
    case kTool: profile.increaseUpgradeCount(rType, Count); break;
    case kGold:
        profile.GoldCount += Count;
        profile.GoldEarned += Count;
        break;
    default: return;
    }
    if (refreshTopBar && VParent) VParent->UpdateTopBar();
}

} // namespace mw
