#include "game/boards/CCLineObject.h"

#include <GLES/gl.h>

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/ccThickLine.h"
#include "game/state/Profile.h"

namespace mw {

CCLineObject::CCLineObject()
{
    scheduleUpdate();
}

void CCLineObject::AddPoint(CGPoint point)
{
    if (lastIndex_ >= kMaxPoints) return;
    points_[static_cast<size_t>(lastIndex_++)] = point;
    countStep();
}

void CCLineObject::RemoveLast()
{
    if (lastIndex_ > 0) --lastIndex_;
    countStep();
}

void CCLineObject::Clear()
{
    lastIndex_ = 0;
    for (const Ref<CCSprite>& star : stars_)
        removeChild(star.get(), true);
    stars_.clear();
}

void CCLineObject::countStep()
{
    Profile* profile = Profile::sharedInstance();
    profile->FingerLength += 1;
    const float walked = static_cast<float>(profile->FingerLength) * (board::isIpad() ? 0.02f : 0.01f);
    if (walked >= 1000) board::grantAchievementOnce("milestowalk", "ACH_LONG", 20);
    if (walked >= 100) board::grantAchievementOnce("shortwalk", "ACH_SHORT", 5);
}

void CCLineObject::update(float)
{
    // An interval of 0 or less (a kind that earns no reward tiles) shows no stars.
    const int wanted = canCollect_ > 0 ? lastIndex_ / canCollect_ : 0;
    while (static_cast<int>(stars_.size()) > wanted) {
        removeChild(stars_.back().get(), true);
        stars_.pop_back();
    }
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("line_star_01.png")) return;
    while (static_cast<int>(stars_.size()) < wanted) {
        const int j = static_cast<int>(stars_.size()) + 1;
        auto star = CCSprite::spriteWithSpriteFrameName("line_star_01.png");
        star->setPosition(points_[static_cast<size_t>(j * canCollect_ - 1)]);
        star->setColor(ccc3(255, 247, 130));
        star->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(1, 180).get()).get());
        addChild(star.get(), kStarZ);
        stars_.push_back(star);
    }
}

void CCLineObject::draw()
{
    CCNode::draw();
    if (lastIndex_ < 2) return;
    glColor4ub(255, 101, 0, 255);
    if (lastIndex_ == 2) {
        ccDrawLineWithDots(points_[0], points_[1]);
    } else {
        ccDrawStraightLine(points_.data(), lastIndex_);
    }
    glColor4ub(255, 255, 255, 255);
}

} // namespace mw
