#include "game/boards/CCCalendar.h"

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Format.h"
#include "game/boards/BoardSupport.h"

namespace mw {

namespace {

constexpr int kTagNumber = 1;

Ref<CCSprite> frameSprite(const std::string& name)
{
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name)) return makeRef<CCSprite>();
    return CCSprite::spriteWithSpriteFrameName(name);
}

} // namespace

CCCalendar::CCCalendar(int32_t time) : Time(time)
{
    back_ = frameSprite("calendar_03.png");
    back_->setAnchorPoint({0.5f, 1});
    back_->setPosition({0, 0});
    addChild(back_.get(), 0);
    currentPage_ = makePage(Time, false);
    addChild(currentPage_.get(), 1);
    auto rings = frameSprite("calendar_01.png");
    rings->setAnchorPoint({0.5f, 1});
    rings->setPosition({0, 0.1f * back_->contentSize().height});
    addChild(rings.get(), 3);
}

Ref<CCSprite> CCCalendar::makePage(int32_t number, bool red) const
{
    auto page = frameSprite("calendar_02.png");
    page->setAnchorPoint({1, 0});
    const CGSize back = back_->contentSize();
    page->setPosition({back.width / 2, -back.height});
    auto label = CCLabelTTF::labelWithString(format("%d", number), "HelveticaNeue", board::isIpad() ? 24 : 12);
    label->setColor(red ? ccc3(255, 0, 0) : ccc3(40, 40, 40));
    const CGSize size = page->contentSize();
    label->setPosition({size.width / 2, size.height / 2});
    page->addChild(label.get(), 0, kTagNumber);
    return page;
}

CCLabelTTF* CCCalendar::numberOf(CCSprite* page)
{
    return page ? dynamic_cast<CCLabelTTF*>(page->getChildByTag(kTagNumber)) : nullptr;
}

void CCCalendar::ChangeDate(int32_t delta)
{
    if (currentPage_) removeChild(currentPage_.get(), true);
    Time += delta;
    currentPage_ = makePage(Time, Time <= kRedFrom);
    addChild(currentPage_.get(), 1);

    auto torn = makePage(Time + 1, Time <= kRedFrom - 1);
    addChild(torn.get(), 2);
    auto away = CCSpawn::actionOne(CCMoveBy::actionWithDuration(0.7f, {80, -110}).get(),
                                   CCRotateBy::actionWithDuration(0.7f, -60).get());
    auto remove = CCCallBlockN::actionWithBlock([](CCNode* node) { RemoveMe(node); });
    torn->runAction(CCSequence::actionOne(away.get(), remove.get()).get());
}

void CCCalendar::RemoveMe(CCNode* node)
{
    if (node) node->removeFromParentAndCleanup(true);
}

} // namespace mw
