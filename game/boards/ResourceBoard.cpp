#include "game/boards/ResourceBoard.h"

#include <string>

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/director/CCDirector.h"
#include "engine/rendering/CCProgressTimer.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/boards/BoardHost.h"
#include "game/boards/BoardSupport.h"
#include "game/state/Profile.h"
#include "game/boards/CCCounterDrell.h"
#include "game/boards/CCExpPoints.h"
#include "game/boards/CCTooltip.h"
#include "platform/UITouch.h"

namespace mw {

namespace {

std::string barImage(bool preview)
{
    const std::string stem = preview ? "mine_resource_bar_act_alpha" : "mine_resource_bar_act";
    if (board::isIp3()) return stem + "_small.png";
    if (board::isWideWindow()) return stem + "_big.png";
    return stem + ".png";
}

Ref<CCProgressTimer> makeBar(bool preview, CGPoint at)
{
    auto bar = CCProgressTimer::progressWithFile(barImage(preview));
    if (!bar) return nullptr;
    bar->setType(kCCProgressTimerTypeVerticalBarBT);
    bar->setScale(0.9f);
    bar->setPosition(at);
    return bar;
}

} // namespace

const std::array<int32_t, 8>& ResourceBoard::slotsOf(int32_t mode)
{
    static const std::array<int32_t, 8> field{3, 1, 2, 4, 5, 6, 15, 13};
    static const std::array<int32_t, 8> mine{10, 11, 12, 7, 8, 9, 14, 16};
    return mode == 1 ? field : mine;
}

ResourceBoard::ResourceBoard(int32_t mode) : mode_(mode)
{
    const auto& slots = slotsOf(mode);
    for (int i = 0; i < static_cast<int>(slots.size()); ++i)
        buildSlot(slots[static_cast<size_t>(i)], i);
}

void ResourceBoard::buildSlot(int32_t resource, int index)
{
    const bool tablet = board::isIpad();
    const CGSize win = board::winSize();
    auto slot = CCNode::node();
    slot->setPosition({static_cast<float>(index + 1) * win.width / 9, (tablet ? 0.21f : 0.25f) * win.height});
    addChild(slot.get(), 0, resource);

    Profile* profile = Profile::sharedInstance();
    const Resource* record = profile->GetResource(resource);
    const CGPoint barAt{0, tablet ? -48.0f : -40.0f};
    if (record && CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(record->PngName + ".png")) {
        auto icon = CCSprite::spriteWithSpriteFrameName(record->PngName + ".png");
        icon->setScale(0.6f);
        icon->setPosition({0, tablet ? 26.0f : 0.0f});
        slot->addChild(icon.get(), 3, kTagIcon);
    }
    if (CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("mine_resource_bar_bg.png")) {
        auto background = CCSprite::spriteWithSpriteFrameName("mine_resource_bar_bg.png");
        background->setScale(0.9f);
        background->setPosition(barAt);
        slot->addChild(background.get(), 0);
    }
    auto counter = CCCounterDrell::counterWithNumber(profile->GetResourceCount(resource));
    counter->setPosition({0, tablet ? 1.0f : -12.0f});
    slot->addChild(counter.get(), 4, kTagCounter);

    auto progress = makeBar(false, barAt);
    if (progress) {
        progress->setPercentage(progressOf(resource));
        slot->addChild(progress.get(), 2, kTagProgress);
    }
    if (auto preview = makeBar(true, barAt)) {
        preview->setPercentage(progress ? progress->percentage() : 0);
        slot->addChild(preview.get(), 1, kTagPreview);
    }
    if (record == nullptr || !record->Seen) {
        if (auto* icon = dynamic_cast<CCSprite*>(slot->getChildByTag(kTagIcon))) {
            icon->setColor(ccBLACK);
            icon->setOpacity(140);
        }
        counter->CounterAlpha(0, 0);
    }
}

CCNode* ResourceBoard::slotOf(int32_t resource) const
{
    return getChildByTag(resource);
}

CCProgressTimer* ResourceBoard::progressBarOf(int32_t resource) const
{
    CCNode* slot = slotOf(resource);
    return slot ? dynamic_cast<CCProgressTimer*>(slot->getChildByTag(kTagProgress)) : nullptr;
}

CCProgressTimer* ResourceBoard::previewBarOf(int32_t resource) const
{
    CCNode* slot = slotOf(resource);
    return slot ? dynamic_cast<CCProgressTimer*>(slot->getChildByTag(kTagPreview)) : nullptr;
}

CGPoint ResourceBoard::GetPositionOfResourceOfType(int32_t resource) const
{
    CCNode* slot = slotOf(resource);
    if (slot == nullptr) return CGPointZero;
    return {slot->position().x, slot->position().y + 4};
}

float ResourceBoard::progressOf(int32_t resource)
{
    const Profile* profile = Profile::sharedInstance();
    const Resource* record = profile->GetResource(resource);
    if (record == nullptr) return 0;
    const Collectible* kind = profile->GetCollectible(record->CollectibleEnum);
    if (kind == nullptr || kind->nextResourceCount <= 0) return 0;
    return static_cast<float>(profile->GetCollectibleCount(kind->ID)) /
           static_cast<float>(kind->nextResourceCount) * 100.0f;
}

void ResourceBoard::updateBoard(int32_t resource)
{
    CCNode* slot = slotOf(resource);
    if (slot == nullptr) return;
    if (CCNode* icon = slot->getChildByTag(kTagIcon)) {
        icon->runAction(CCSequence::actionOne(CCScaleTo::actionWithDuration(0.1f, 0.8f).get(),
                                              CCScaleTo::actionWithDuration(0.1f, 0.6f).get())
                            .get());
    }
    const float progress = progressOf(resource);
    if (CCProgressTimer* bar = progressBarOf(resource)) bar->setPercentage(progress);
    if (progress == 0) {
        if (CCProgressTimer* preview = previewBarOf(resource)) preview->setPercentage(0);
    }
    auto* counter = dynamic_cast<CCCounterDrell*>(slot->getChildByTag(kTagCounter));
    Profile* profile = Profile::sharedInstance();
    const int32_t stock = profile->GetResourceCount(resource);
    if (counter == nullptr || counter->GetValue() == stock) return;
    const Resource* record = profile->GetResource(resource);
    const int32_t points = record ? record->Points : 0;
    if (parent()) {
        auto label = CCExpPoints::expWithPoints(points, slot->position().x, slot->position().y);
        parent()->addChild(label.get(), 5);
    }
    profile->AddExp(static_cast<float>(points), true, true);
    counter->SetNumber(stock);
    board::playSound("resource_gain");
}

void ResourceBoard::ChangeFakeProgressBy(int32_t tiles, int32_t resource, int32_t perUnit)
{
    CCProgressTimer* preview = previewBarOf(resource);
    CCProgressTimer* bar = progressBarOf(resource);
    if (preview == nullptr || bar == nullptr) return;
    // A kind that needs no tiles per unit adds nothing to preview.
    const float perTile = perUnit > 0 ? 100.0f / static_cast<float>(perUnit) : 0.0f;
    preview->setPercentage(bar->percentage() + perTile * static_cast<float>(tiles));
}

void ResourceBoard::ResetAll()
{
    for (const Ref<Resource>& record : Profile::sharedInstance()->GetResourcesForMode(mode_)) {
        CCProgressTimer* preview = previewBarOf(record->ID);
        CCProgressTimer* bar = progressBarOf(record->ID);
        if (preview && bar) preview->setPercentage(bar->percentage());
    }
}

void ResourceBoard::reveal(CCNode* slot, int32_t resource)
{
    auto* icon = dynamic_cast<CCSprite*>(slot->getChildByTag(kTagIcon));
    if (icon && icon->opacity() != 255) ValidateCollectibleAchievement(resource);
    if (icon) {
        icon->setColor(ccWHITE);
        icon->setOpacity(255);
    }
    if (auto* counter = dynamic_cast<CCCounterDrell*>(slot->getChildByTag(kTagCounter))) {
        counter->CounterAlpha(255, 255);
    }
}

void ResourceBoard::RefreshNotSeenIcons()
{
    const Profile* profile = Profile::sharedInstance();
    for (int32_t resource : slotsOf(mode_)) {
        const Resource* record = profile->GetResource(resource);
        CCNode* slot = slotOf(resource);
        if (record && record->Seen && slot) reveal(slot, resource);
    }
}

void ResourceBoard::ValidateCollectibleAchievement(int32_t resource)
{
    switch (resource) {
    case 1: board::grantAchievementOnce("whatsupdoc", "ACH_CARROT1", 5); break;
    case 2: board::grantAchievementOnce("bigapple", "ACH_APPLE", 10); break;
    case 6: board::grantAchievementOnce("wheresmycow", "ACH_COW", 10); break;
    case 9: board::grantAchievementOnce("glitteringgold", "ACH_GOLD1", 10); break;
    case 12: board::grantAchievementOnce("girlsbestfriend", "ACH_DIAMOND", 10); break;
    default: break;
    }
}

void ResourceBoard::PassInput(const UITouch* touch)
{
    if (touch == nullptr) return;
    PassInput(CCDirector::sharedDirector()->convertToGL(touch->locationInView()));
}

void ResourceBoard::PassInput(CGPoint glPoint)
{
    check_ = true;
    const CGPoint local = convertToNodeSpace(glPoint);
    for (const Ref<Resource>& record : Profile::sharedInstance()->GetResourcesForMode(mode_)) {
        if (!record->Seen) continue;
        CCNode* slot = slotOf(record->ID);
        CCProgressTimer* preview = previewBarOf(record->ID);
        if (slot == nullptr || preview == nullptr || preview->sprite() == nullptr) continue;
        const CGSize bar = preview->sprite()->textureRect().size;
        const CGRect hit{{slot->position().x - bar.width / 2, slot->position().y - bar.height}, bar};
        if (!CGRectContainsPoint(hit, local)) continue;
        tooltip_ = CCTooltip::tooltipWithResource(record->ID);
        tooltip_->setScale(0.9f);
        tooltip_->setPosition({0, bar.height});
        slot->addChild(tooltip_.get(), 5);
        return;
    }
}

bool ResourceBoard::KillTooltip()
{
    if (tooltip_) {
        tooltip_->removeFromParentAndCleanup(true);
        tooltip_ = nullptr;
        check_ = false;
        KillTooltipArrow();
        return true;
    }
    if (check_) {
        check_ = false;
        return true;
    }
    return false;
}

void ResourceBoard::KillTooltipArrow()
{
    BoardHost* host = board::hostOf(this);
    if (host == nullptr || !host->isFieldBoard()) return;
    Profile* profile = Profile::sharedInstance();
    auto pending = [](const TutorialFrameDef* frame) { return frame && frame->Done && !frame->ArrowAfterDone; };
    TutorialFrameDef* frame = profile->GetTutorialDef(12);
    int arrowTag = kTagArrowFrame12;
    if (!pending(frame)) {
        frame = profile->GetTutorialDef(34);
        arrowTag = kTagArrowFrame34;
        if (!pending(frame)) return;
    }
    if (CCNode* slot = slotOf(3)) slot->removeChildByTag(arrowTag, true);
    frame->Done = true;
    frame->ArrowAfterDone = true;
    host->ValidateAndPlayTutorial();
}

CCTexture2D* ResourceBoard::GetResourceTexture(int32_t resource) const
{
    CCNode* slot = slotOf(resource);
    auto* icon = slot ? dynamic_cast<CCSprite*>(slot->getChildByTag(kTagIcon)) : nullptr;
    return icon ? icon->texture() : nullptr;
}

} // namespace mw
