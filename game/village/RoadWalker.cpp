#include "game/village/RoadWalker.h"

#include <cstdio>
#include <string>
#include <vector>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCAnimate.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/CCWinSize.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Log.h"
#include "foundation/Random.h"
#include "game/defs/Road.h"
#include "game/defs/XMLManager.h"
#include "game/state/Profile.h"

namespace mw {
namespace {

// The game's uniform draw in [0, 1).
double uniform()
{
    return static_cast<double>(Random::random()) / 2147483648.0;
}

// "hands_0001.png" .. "hands_0024.png".
std::string partFrameName(const char* stem, int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s_%04d.png", stem, frame);
    return name;
}

Ref<CCAction> loopOf(const char* stem)
{
    std::vector<Ref<CCSpriteFrame>> frames;
    CCSpriteFrameCache* cache = CCSpriteFrameCache::sharedSpriteFrameCache();
    for (int frame = 1; frame <= RoadWalker::kAnimationFrames; ++frame) {
        if (Ref<CCSpriteFrame> found = cache->spriteFrameByName(partFrameName(stem, frame))) {
            frames.push_back(found);
        }
    }
    if (frames.empty()) return nullptr;
    auto animation = CCAnimation::animationWithFrames(frames, RoadWalker::kFrameDelay);
    auto animate = CCAnimate::actionWithAnimation(animation.get(), false);
    Ref<CCAction> loop(CCRepeatForever::actionWithAction(animate.get()).get());
    loop->setTag(RoadWalker::kPartLoopTag);
    return loop;
}

} // namespace

Ref<RoadWalker> RoadWalker::walkerOfKind(int32_t kind)
{
    return makeRef<RoadWalker>(kind);
}

RoadWalker::RoadWalker(int32_t kind) : kind_(kind)
{
    std::string stem;
    if (kind != kVillager) {
        if (UpgradeItem* upgrade = Profile::sharedInstance()->GetUpgrade(kind)) stem = upgrade->PngName;
    }
    const bool skirt = IsWomen(kind);
    const std::string lowerFrame = skirt ? stem + "_skirt.png" : partFrameName("legs", 1);
    const std::string bodyFrame = kind == kVillager ? "worker_base_small.png" : stem + "_small.png";
    const std::string handsFrame = partFrameName("hands", 7);

    bool missing = false;
    auto part = [&](const std::string& frame) {
        if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame)) missing = true;
        Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(frame);
        sprite->setAnchorPoint({0.5f, 0});
        addChild(sprite.get());
        return sprite;
    };
    lower_ = part(lowerFrame);
    body_ = part(bodyFrame);
    hands_ = part(handsFrame);
    if (missing)
        logLine("RoadWalker: kind %d lacks a part (%s, %s)", kind, lowerFrame.c_str(), bodyFrame.c_str());

    const float height = lower_->contentSize().height;
    body_->setPosition({0, 0.7f * height});
    hands_->setPosition({0, 0.3f * height});
    if (Ref<CCAction> hands = loopOf("hands")) hands_->runAction(hands.get());
    if (!skirt) {
        if (Ref<CCAction> legs = loopOf("legs")) lower_->runAction(legs.get());
    }
}

void RoadWalker::setFlipX(bool flip)
{
    for (CCSprite* part : {lower_.get(), body_.get(), hands_.get()}) {
        if (part) part->setFlipX(flip);
    }
    CCSprite::setFlipX(flip);
}

void RoadWalker::walk(Road* road, float seconds, bool fromEnd, bool randomStart)
{
    stopActionByTag(kWalkTag);
    setFlipX(fromEnd);
    setPosition(fromEnd ? road->EndPos() : road->StartPos());
    const ccBezierConfig curve = fromEnd ? ccBezierReversed(road->RoadBez()) : road->RoadBez();
    auto next =
        CCCallBlockN::actionWithBlock([](CCNode* node) { static_cast<RoadWalker*>(node)->ResetWalker(); });
    Ref<CCAction> sequence;
    if (randomStart) {
        auto along = CCBezierByVorn::actionWithDuration(seconds, curve);
        sequence = Ref<CCAction>(CCSequenceVorn::actionOne(along.get(), next.get()).get());
    } else {
        auto along = CCBezierBy::actionWithDuration(seconds, curve);
        sequence = Ref<CCAction>(CCSequence::actionOne(along.get(), next.get()).get());
    }
    sequence->setTag(kWalkTag);
    if (CCNode* layer = parent()) {
        layer->reorderChild(this, static_cast<int>(ccWinSize().height - road->StartPos().y));
    }
    runAction(sequence.get());
}

void RoadWalker::InitWalk(Road* road, float baseSeconds)
{
    if (!road) return;
    const bool fromEnd = uniform() > 0.5;
    const float seconds = baseSeconds + 15.0f * static_cast<float>(uniform());
    BaseMoveTime = baseSeconds;
    walk(road, seconds, fromEnd, true);
}

void RoadWalker::ReInitWalk(Road* road, float baseSeconds, bool mayReverse)
{
    if (!road) return;
    // Drawn whether or not it may turn, so a walk takes the same draws either way.
    const bool turned = uniform() > 0.5;
    const bool fromEnd = mayReverse && turned;
    const float seconds = baseSeconds + 15.0f * static_cast<float>(uniform());
    BaseMoveTime = baseSeconds;
    walk(road, seconds, fromEnd, false);
}

void RoadWalker::ResetWalker()
{
    Road* road = XMLManager::sharedInstance()->GetRandomRoad();
    if (!road) {
        logLine("RoadWalker: no road to walk on; the walker stays");
        return;
    }
    ReInitWalk(road, BaseMoveTime);
}

} // namespace mw
