#include "game/boards/CCTimeStripCounter.h"

#include <string>
#include <vector>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCAnimate.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/sprites/CCAnimation.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/boards/BoardSupport.h"

namespace mw {

namespace {

Ref<CCSprite> frameSprite(const std::string& name)
{
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name)) return nullptr;
    return CCSprite::spriteWithSpriteFrameName(name);
}

Ref<CCAction> loopOf(const std::vector<std::string>& names)
{
    std::vector<Ref<CCSpriteFrame>> frames;
    for (const std::string& name : names) {
        if (auto frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name)) {
            frames.push_back(frame);
        }
    }
    if (frames.empty()) return nullptr;
    auto animation = CCAnimation::animationWithFrames(frames, 0.08f);
    return CCRepeatForever::actionWithAction(CCAnimate::actionWithAnimation(animation.get(), false).get());
}

} // namespace

CCTimeStripCounter::CCTimeStripCounter(int32_t moves) : MaxSteps(moves)
{
    const bool tablet = board::isIpad();
    setAnchorPoint({0, 1});
    bcg_ = frameSprite("farm_time_bar.png");
    const CGSize barSize = bcg_ ? bcg_->textureRect().size : CGSize{0, 0};
    if (bcg_) {
        bcg_->setAnchorPoint({0, 1});
        addChild(bcg_.get(), 0);
    }
    const float quarter = barSize.width / 4;
    OneSeasonSteps = moves > 0 ? barSize.width / static_cast<float>(moves) : 0;
    for (int i = 0; i < 4; ++i) {
        auto area = frameSprite(tablet ? "farm_time_bar_shadow.png" : "farm_time_bar_shadow_small.png");
        if (!area) continue;
        area->setAnchorPoint({0, 1});
        if (tablet) {
            area->setPosition({quarter * static_cast<float>(i) - 2, 1});
        } else {
            area->setPosition({quarter * static_cast<float>(i), 1});
            area->setScaleY(1.06f);
        }
        addChild(area.get(), 2);
        darkAreas_[static_cast<size_t>(i)] = area;
    }
    animParent_ = CCNode::node();
    marker_ = frameSprite("farm_time_bar_marker_0001.png");
    if (marker_) {
        marker_->setAnchorPoint({0.5f, 0.6f});
        animParent_->addChild(marker_.get());
        animParent_->setPosition({marker_->textureRect().size.width / 2, -barSize.height / 2});
    }
    addChild(animParent_.get(), 1);
    CurrentSeason = 0;
    if (darkAreas_[0]) darkAreas_[0]->setOpacity(0);
    Changes = 0;
    StartDig();
}

void CCTimeStripCounter::StartDig()
{
    if (!marker_) return;
    marker_->stopAllActions();
    if (auto loop = loopOf({"farm_time_bar_marker_0004.png", "farm_time_bar_marker_0005.png",
                            "farm_time_bar_marker_0006.png"})) {
        marker_->runAction(loop.get());
    }
}

void CCTimeStripCounter::MoveMarker(int32_t season)
{
    if (season != CurrentSeason) {
        ++Changes;
        if (CurrentSeason >= 0 && CurrentSeason < 4 && darkAreas_[static_cast<size_t>(CurrentSeason)]) {
            darkAreas_[static_cast<size_t>(CurrentSeason)]->runAction(CCFadeTo::actionWithDuration(0.1f, 255).get());
        }
        if (Changes <= 3) {
            if (season >= 0 && season < 4 && darkAreas_[static_cast<size_t>(season)]) {
                darkAreas_[static_cast<size_t>(season)]->runAction(CCFadeTo::actionWithDuration(0.1f, 0).get());
            }
            CurrentSteps += 1;
            CurrentSeason = season;
        }
    }
    if (marker_) {
        marker_->stopAllActions();
        if (auto walk = loopOf({"farm_time_bar_marker_0002.png", "farm_time_bar_marker_0003.png"})) {
            marker_->runAction(walk.get());
        }
    }
    auto step = CCMoveBy::actionWithDuration(0.37f, {OneSeasonSteps, 0});
    auto dig = CCCallBlockN::actionWithBlock([](CCNode* carrier) {
        if (auto* strip = dynamic_cast<CCTimeStripCounter*>(carrier->parent())) strip->StartDig();
    });
    animParent_->runAction(CCSequence::actionOne(step.get(), dig.get()).get());
}

} // namespace mw
