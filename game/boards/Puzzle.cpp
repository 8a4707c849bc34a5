#include "game/boards/Puzzle.h"

#include <cmath>
#include <vector>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCAnimate.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/base/CCRGBAProtocol.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Format.h"
#include "foundation/Random.h"
#include "foundation/Shared.h"
#include "game/boards/BoardHost.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/ResourceBoard.h"
#include "game/defs/Animation.h"
#include "game/defs/XMLManager.h"
#include "game/state/Profile.h"
#include "game/boards/CCExpPoints.h"

namespace mw {

namespace {

float startRadius()
{
    return board::isIpad() ? 46.0f : 23.0f;
}

// A sprite of a loaded frame, or null (the tile then shows nothing there).
Ref<CCSprite> frameSprite(const std::string& name)
{
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name)) return nullptr;
    return CCSprite::spriteWithSpriteFrameName(name);
}

// The named frames that are loaded, in order (missing ones are skipped).
Ref<CCAnimation> framesAnimation(const std::vector<std::string>& names, float delay)
{
    std::vector<Ref<CCSpriteFrame>> frames;
    for (const std::string& name : names) {
        if (auto frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name)) {
            frames.push_back(frame);
        }
    }
    if (frames.empty()) return nullptr;
    return CCAnimation::animationWithFrames(frames, delay);
}

Ref<Animation> partAnimationFor(const std::string& png)
{
    XMLManager* definitions = Shared<XMLManager>::current();
    if (definitions == nullptr) return nullptr;
    const std::string file = png.substr(0, png.find('.')) + ".xml";
    Animation* templ = definitions->GetAnimationNamed(file);
    if (templ == nullptr) return nullptr;
    return templ->GenerateNewObject();
}

bool isCoin(int32_t kind)
{
    return kind >= 21 && kind <= 24;
}

} // namespace

Puzzle::~Puzzle() = default;

void Puzzle::initCommon()
{
    StartRadius = startRadius();
    Radius = StartRadius;
    hoopCountdown = 0;
    MarkedToKill = false;
    CanCollect = true;
}

Ref<Puzzle> Puzzle::puzzleWithPng(const std::string& png, int32_t type)
{
    auto tile = makeRef<Puzzle>();
    tile->initCommon();
    tile->type_ = type;
    tile->target_ = Profile::sharedInstance()->GetCollectible(type);
    tile->picture_ = frameSprite(png);
    CCSprite* picture = tile->picture_.get();

    if (type == 1) {
        if (picture) tile->addChild(picture, 0);
        tile->addEarthCover(type);
    } else if (type == 3 || type == 20) {
        if (auto shadow = frameSprite("methane_shadow.png")) tile->addChild(shadow.get(), 1);
        if (picture) {
            tile->addChild(picture, 2);
            picture->setScale(0.8f + board::uniform() / 10);
            const float grow = 0.7f + board::uniform() / 10;
            const float shrinkTo = 0.75f + board::uniform() / 10;
            const float shrink = 0.7f + board::uniform() / 10;
            auto pulse = CCSequence::actionOne(CCScaleTo::actionWithDuration(grow, 1.0f).get(),
                                               CCScaleTo::actionWithDuration(shrink, shrinkTo).get());
            picture->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(pulse.get())).get());
        }
        tile->addEarthCover(type);
        if (type == 20 && picture) {
            const float a1 = 0.4f + 0.5f * board::uniform();
            const float a2 = 0.4f + 0.5f * board::uniform();
            const CGPoint m[4] = {{a2, -a1}, {a2, a1}, {-a2, -a1}, {-a2, a1}};
            static constexpr int kOrders[6][4] = {{0, 1, 2, 3}, {1, 0, 3, 2}, {3, 1, 0, 2},
                                                  {2, 3, 0, 1}, {1, 3, 0, 2}, {0, 2, 0, 3}};
            const int* order = kOrders[Random::rand() % 6];
            std::vector<Ref<CCMoveTo>> moves;
            for (int i = 0; i < 4; ++i)
                moves.push_back(CCMoveTo::actionWithDuration(0.05f, m[order[i]]));
            auto shake = CCSequence::actions({moves[0].get(), moves[1].get(), moves[2].get(), moves[3].get()});
            auto forever = CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(shake.get()));
            forever->setTag(kTagShake);
            picture->runAction(forever.get());
        }
    } else {
        if (picture) {
            picture->setScale(0.95f);
            tile->addChild(picture, 2);
            if (auto shadow = frameSprite(png)) {
                shadow->setColor(ccBLACK);
                shadow->setOpacity(60);
                tile->addChild(shadow.get(), 1);
                tile->shadow_ = shadow;
            }
        }
        tile->addEarthCover(type);
    }
    return tile;
}

Ref<Puzzle> Puzzle::puzzleWithFieldMode(const std::string& png, bool isAnim, bool isRndAnim)
{
    auto tile = makeRef<Puzzle>();
    tile->initCommon();
    const bool animated = isRndAnim || (isAnim && board::isIpad());
    Ref<Animation> animation = animated ? partAnimationFor(png) : nullptr;
    if (animation) {
        animation->PlaceObject();
        tile->addChild(animation.get(), 0, kTagFieldAnimation);
        if (isAnim) {
            animation->StartAnimations(true);
        } else {
            tile->RndTimeStep = 8 + 8 * board::uniform();
            tile->schedule(schedule_selector(Puzzle::Update), board::uniform() / 10);
            tile->scheduledIdle_ = true;
        }
        return tile;
    }
    // A plain picture (also when the animation is missing): the coin shows
    // the first frame of its spinning animation.
    const std::string name = png == "coin.png" ? "drell_16fps_000.png" : png;
    if (CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name)) {
        (void)tile->initWithSpriteFrameName(name);
    }
    tile->setAnchorPoint({0.5f, 0});
    return tile;
}

void Puzzle::SetType(int32_t type)
{
    type_ = type;
    if (!target_) target_ = Profile::sharedInstance()->GetCollectible(type);
}

void Puzzle::SetResourceBoard(ResourceBoard* panel)
{
    panel_ = panel;
    if (panel) Mode = panel->GetMode();
}

CGPoint Puzzle::GetMidpointPosition() const
{
    CGPoint p = position();
    if (Mode == 1) p.y += StartRadius;
    return p;
}

bool Puzzle::isPointInside(CGPoint point) const
{
    const CGPoint mid = GetMidpointPosition();
    return std::hypot(point.x - mid.x, point.y - mid.y) <= Radius;
}

void Puzzle::setSelected(bool selected)
{
    if (selected) {
        if (isLocked) return;
        isLocked = true;
        runAction(CCScaleTo::actionWithDuration(0.1f, 0.8f).get());
        if (BoardHost* host = board::hostOf(this)) host->puzzleSelected(this, true);
        Radius = StartRadius * 0.75f;
        isInChain = true;
    } else {
        isInChain = false;
        Radius = StartRadius;
        isLocked = false;
        runAction(CCScaleTo::actionWithDuration(0.1f, 1.0f).get());
    }
}

const char* Puzzle::particleOf(int32_t kind)
{
    switch (kind) {
    case 1: case 2: case 3: case 4: case 5: case 7: case 8: case 20:
        return "dirt_particle";
    case 6: case 9: case 21: case 22: case 23: case 24:
        return "mine_particle";
    case 11: case 18:
        return "wood_particle";
    case 12: return "carrot_particle";
    case 13: return "grain_particle";
    case 14: return "chicken_particle";
    case 15: return "pig_particle";
    case 16: return "cow_particle";
    case 17: return "grass_02_particle";
    case 19: return "apple_particle";
    default: return "grass_01_particle";
    }
}

const char* Puzzle::glintWordOf(int32_t kind)
{
    switch (kind) {
    case 6: return "diamond";
    case 7: return "iron";
    case 8: return "silver";
    case 9: return "gold";
    default: return "";
    }
}

void Puzzle::SpawnParticle()
{
    BoardHost* host = board::hostOf(this);
    if (host == nullptr) return;
    auto burst = CCParticleSystemQuad::particleWithFile(format("%s.plist", particleOf(type_)));
    if (!burst) return;
    burst->setPosition(position());
    burst->setAutoRemoveOnFinish(true);
    host->AddParticle(burst->textureName(), burst.get());
}

void Puzzle::addEarthCover(int32_t kind)
{
    if (getChildByTag(kTagEarth)) return;
    if (kind == 1) {
        if (auto cover = frameSprite("mine_earth.png")) addChild(cover.get(), 1, kTagEarth);
    } else if (auto cover = frameSprite("mine_earth3.png")) {
        addChild(cover.get(), 0, kTagEarth);
    }
}

void Puzzle::ManageEarthSprite(bool remove)
{
    if (!remove) {
        addEarthCover(type_);
        return;
    }
    CCNode* cover = getChildByTag(kTagEarth);
    if (!CanCollect || cover == nullptr) return;
    if (parent()) {
        if (auto burst = CCParticleSystemQuad::particleWithFile("earth_particle.plist")) {
            burst->setPosition(position());
            burst->setAutoRemoveOnFinish(true);
            parent()->addChild(burst.get(), 5);
        }
    }
    removeChild(cover, true);
}

void Puzzle::DisableEarth()
{
    if (CCNode* cover = getChildByTag(kTagEarth)) removeChild(cover, true);
}

void Puzzle::Blink(float delay)
{
    const std::string word = glintWordOf(type_);
    if (word.empty() || !picture_) return;
    auto glint = frameSprite(word + "_blik_01.png");
    if (!glint) return;
    std::vector<std::string> names;
    for (int i = 10; i >= 1; --i)
        names.push_back(i == 10 ? format("%@_blik_%d.png", word, i) : format("%@_blik_0%d.png", word, i));
    auto animation = framesAnimation(names, 0.083f);
    glint->setScale(2);
    glint->setOpacity(0);
    const CGSize size = picture_->contentSize();
    glint->setPosition({size.width / 2, size.height / 2});
    picture_->addChild(glint.get(), 2);
    auto show = CCCallBlockN::actionWithBlock([](CCNode* node) {
        if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(node)) rgba->setOpacity(255);
    });
    auto remove = CCCallBlockN::actionWithBlock([](CCNode* node) { node->removeFromParentAndCleanup(true); });
    auto play = CCAnimate::actionWithAnimation(animation.get(), false);
    glint->runAction(CCSequence::actions({CCDelayTime::actionWithDuration(delay).get(), show.get(), play.get(),
                                          remove.get()})
                         .get());
}

void Puzzle::CheckShakeTag()
{
    if (picture_) picture_->stopActionByTag(kTagShake);
}

void Puzzle::removeMarker()
{
    removeChildByTag(kTagKillMarker, true);
}

void Puzzle::initHoopCountdown()
{
    hoopCountdown = 3;
    if (hoopSprite_) removeChild(hoopSprite_.get(), true);
    hoopSprite_ = frameSprite("321_0001.png");
    if (!hoopSprite_) return;
    hoopSprite_->setScale(0.7f);
    const CGSize badge = hoopSprite_->contentSize();
    hoopSprite_->setPosition({contentSize().width + static_cast<float>(static_cast<int>(badge.width / 2)),
                              static_cast<float>(static_cast<int>(badge.height / 2)) - 6});
    addChild(hoopSprite_.get());
}

void Puzzle::decreaseHoopCountdown()
{
    hoopCountdown -= 1;
    BoardHost* host = board::hostOf(this);
    if (hoopCountdown == 1 && host) host->SpecialTutorialAction(type_ == 17 ? 64 : 67);
    if (hoopCountdown == 1 || hoopCountdown == 2) {
        if (!hoopSprite_) return;
        std::vector<std::string> names;
        for (int frame = 12 - 5 * hoopCountdown; frame <= 16 - 5 * hoopCountdown; ++frame)
            names.push_back(format("321_000%d.png", frame));
        if (auto animation = framesAnimation(names, 0.04f)) {
            hoopSprite_->runAction(CCAnimate::actionWithAnimation(animation.get(), false).get());
        }
        return;
    }
    if (hoopSprite_) {
        removeChild(hoopSprite_.get(), true);
        hoopSprite_ = nullptr;
    }
    Profile* profile = Profile::sharedInstance();
    if (type_ == 18) {
        board::playSound("wolf_jump");
        profile->AnimalsByWolfs += 1;
        board::grantAchievementOnce("bigbadwolf", "ACH_WOLFEAT", 10);
        if (host) host->SpecialTutorialAction(68);
    } else if (type_ == 17) {
        board::playSound("rat_jump");
        profile->PlantsByRats += 1;
        board::grantAchievementOnce("quietasamouse", "ACH_RATEAT", 5);
        if (host) host->SpecialTutorialAction(65);
    }
}

void Puzzle::moveToPosition(CGPoint target, float duration)
{
    const CGPoint from = position();
    float rise = static_cast<float>(static_cast<int>(2 * std::fabs(target.y - from.y)));
    if (rise == 0) rise = 50;
    const ccBezierConfig curve{target, from, {from.x, from.y + rise}};
    auto landed = CCCallBlockN::actionWithBlock([](CCNode* node) {
        auto* tile = static_cast<Puzzle*>(node);
        if (BoardHost* host = board::hostOf(tile)) host->removePuzzleAfterJump(tile);
    });
    runAction(CCSequence::actionOne(CCBezierTo::actionWithDuration(duration, curve).get(), landed.get()).get());
}

void Puzzle::Update(float dt)
{
    RndTimer += dt;
    if (RndTimer < RndTimeStep) return;
    RndTimeStep = 8 + 8 * board::uniform();
    RndTimer = 0;
    if (auto* animation = dynamic_cast<Animation*>(getChildByTag(kTagFieldAnimation))) {
        animation->StartAnimations(false);
    }
}

void Puzzle::setOpacity(uint8_t opacity)
{
    CCSprite::setOpacity(opacity);
    if (!children()) return;
    for (uint32_t i = 0; i < children()->count(); ++i) {
        auto* child = dynamic_cast<CCSprite*>(children()->objectAtIndex(i));
        if (child == nullptr || child == hoopSprite_.get()) continue;
        // The shadow keeps its own share of the tile's opacity.
        child->setOpacity(child == shadow_.get() ? static_cast<uint8_t>(opacity * 60 / 255) : opacity);
    }
}

void Puzzle::removeFromBoard()
{
    SpawnParticle();
    CanCollect = true;
    if (Mode == 0) ManageEarthSprite(true);

    Profile* profile = Profile::sharedInstance();
    if (target_ && target_->PointsColl > 0) {
        profile->AddExp(static_cast<float>(target_->PointsColl), true, true);
        if (parent()) {
            auto label = CCExpPoints::expWithPoints(target_->PointsColl, position().x, position().y);
            parent()->addChild(label.get(), 9);
        }
    }
    if (type_ == 17) {
        profile->RatsKilled += 1;
        if (profile->RatsKilled == 100) board::grantAchievementOnce("catandmouse", "ACH_RATKILL100", 10);
    } else if (type_ == 18) {
        profile->WolfsKilled += 1;
        if (profile->WolfsKilled == 50) board::grantAchievementOnce("littleredridinghood", "ACH_WOLF50", 15);
    }

    const bool fades = type_ == 3 || type_ == 17 || type_ == 18 || (type_ >= 20 && type_ <= 24);
    if (!fades) {
        flyToPanel();
        return;
    }
    if (isCoin(type_)) showCoinGain(type_ <= 22 ? 200 : 1000);
    const float d = 0.2f + 0.15f * board::uniform();
    auto vanish = CCSpawn::actionOne(CCFadeTo::actionWithDuration(d, 0).get(),
                                     CCScaleTo::actionWithDuration(d, 0.3f).get());
    auto done = CCCallBlockN::actionWithBlock([](CCNode* node) { static_cast<Puzzle*>(node)->finishRemoval(); });
    runAction(CCSequence::actionOne(vanish.get(), done.get()).get());
}

void Puzzle::showCoinGain(int32_t amount)
{
    Profile* profile = Profile::sharedInstance();
    profile->GoldCount += amount;
    profile->GoldEarned += amount;
    if (type_ >= 23) {
        board::grantAchievementOnce("trophyroom", "ACH_TROPHY", 25);
    } else {
        board::grantAchievementOnce("moneyfornothing", "ACH_COIN1", 20);
    }
    if (parent() == nullptr) return;

    auto group = CCNode::node();
    group->setScale(0.8f);
    group->setPosition(position());
    auto label = CCLabelTTF::labelWithString(format("+ %d ", amount), "HelveticaNeue-Bold",
                                             board::isIpad() ? 30 : 15);
    group->addChild(label.get());
    if (auto icon = frameSprite("coins_small_ico.png")) {
        icon->setPosition({label->contentSize().width * 0.68f, 0});
        group->addChild(icon.get());
        icon->runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(1.5f).get(),
                                              CCFadeOut::actionWithDuration(0.24f).get())
                            .get());
    }
    label->runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(1.5f).get(),
                                           CCFadeOut::actionWithDuration(0.3f).get())
                         .get());
    auto pop = CCSequence::actions({CCScaleTo::actionWithDuration(0.1f, 1.2f).get(),
                                    CCScaleTo::actionWithDuration(0.1f, 0.9f).get(),
                                    CCScaleTo::actionWithDuration(0.1f, 1.0f).get()});
    auto rise = CCSpawn::actionOne(pop.get(), CCMoveBy::actionWithDuration(1.5f, {0, 70}).get());
    auto gone = CCCallBlockN::actionWithBlock([](CCNode* node) { node->removeFromParentAndCleanup(true); });
    group->runAction(CCSequence::actionOne(rise.get(), gone.get()).get());
    parent()->addChild(group.get(), 5);
}

void Puzzle::flyToPanel()
{
    const float h = board::winSize().width / 2;
    float o = 10 + 30 * board::uniform();
    if (position().x > h) o = -o;
    const float d = 0.5f + 0.5f * board::uniform();
    const float s = Random::rand() % 2 == 0 ? 1.0f : -1.0f;
    const float lift = 60 * board::uniform();
    CGPoint slot = position();
    if (panel_ && target_) slot = panel_->GetPositionOfResourceOfType(target_->nextResource);
    const ccBezierConfig curve{slot, {position().x - s * o, position().y + lift}, {h, slot.y + s * o}};
    auto flight = CCSpawn::actionOne(CCBezierTo::actionWithDuration(d, curve).get(),
                                     CCScaleTo::actionWithDuration(d, 0.3f).get());
    auto done = CCCallBlockN::actionWithBlock([](CCNode* node) { static_cast<Puzzle*>(node)->finishRemoval(); });
    runAction(CCSequence::actionOne(flight.get(), done.get()).get());
}

void Puzzle::finishRemoval()
{
    if (BoardHost* host = board::hostOf(this)) host->removePuzzlesFromChain(this);
}

} // namespace mw
