#include "game/boards/CCTooltip.h"

#include <cmath>

#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/actions/CCSpawn.h"
#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Shared.h"
#include "game/state/Collectible.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/Resource.h"
#include "game/boards/CCCounterDrell.h"
#include "game/boards/WidgetDevice.h"

namespace mw {

namespace {

constexpr ccColor3B kNameColour = {90, 64, 49};
constexpr ccColor3B kTextColour = {123, 107, 94};
constexpr ccColor3B kTimeColour = {218, 100, 18};

std::string text(const std::string& key) { return LocalisationManager::sharedInstance()->getValue(key); }

std::string upgradeStem(int32_t upgrade)
{
    const Profile* profile = Profile::sharedInstance();
    if (upgrade < 1 || static_cast<size_t>(upgrade) > profile->EnumNames.size()) return "";
    return profile->EnumNames[static_cast<size_t>(upgrade - 1)];
}

const char* animalSound(int32_t upgrade)
{
    switch (upgrade) {
    case 50:
    case 53: return "chicken";
    case 55:
    case 57: return "pig";
    case 59:
    case 61: return "cow";
    default: return nullptr;
    }
}

float secondsTill(int32_t type)
{
    const GlobalObject* global = Shared<GlobalObject>::current();
    return global ? global->GetTimeTillNotification(type) : -1.0f;
}

} // namespace

std::string CCTooltip::countdownText(float seconds)
{
    const int h = static_cast<int>(std::floor(seconds / 3600));
    const int m = static_cast<int>(std::floor((seconds - 3600.0f * h) / 60));
    const int s = static_cast<int>(std::floor(seconds - 3600.0f * h - 60.0f * m));
    return format("%d%d:%d%d:%d%d", h / 10, h % 10, m / 10, m % 10, s / 10, s % 10);
}

Ref<CCTooltip> CCTooltip::tooltipWithResource(int32_t resource)
{
    auto tooltip = makeRef<CCTooltip>();
    tooltip->resource_ = resource;
    const Profile* profile = Profile::sharedInstance();
    std::string key;
    if (resource >= 1 && static_cast<size_t>(resource) <= profile->EnumResNames.size()) {
        key = profile->EnumResNames[static_cast<size_t>(resource - 1)];
    }
    auto label = CCLabelTTF::labelWithString(text(key), "HelveticaNeue-Bold", widgetOnTablet() ? 22 : 11);
    label->setAnchorPoint({0.5f, 0});
    tooltip->addChild(label.get());
    tooltip->Visible = true;
    return tooltip;
}

CCSprite* CCTooltip::setPanel(const char* frame)
{
    bcg = CCSprite::spriteWithSpriteFrameName(frame);
    if (!bcg) bcg = makeRef<CCSprite>();
    addChild(bcg.get(), 0);
    bcg->setOpacity(0);
    setScale(0);
    return bcg.get();
}

Ref<CCTooltip> CCTooltip::tooltipWithBuildingInfo(int32_t upgrade, int32_t x, int32_t y)
{
    const bool tablet = widgetOnTablet();
    const CGSize win = CCDirector::sharedDirector()->winSize();
    auto tooltip = makeRef<CCTooltip>();
    CCSprite* panel = tooltip->setPanel("building_tooltip_info.png");
    const CGSize size = panel->textureRect().size;
    panel->setAnchorPoint({0.125f, -0.1f});

    const std::string stem = upgradeStem(upgrade);
    tooltip->name_ = CCLabelTTF::labelWithString(text(stem + "_NAME"), "HelveticaNeue-Bold", tablet ? 24 : 12);
    tooltip->name_->setAnchorPoint({0, 0.5f});
    tooltip->name_->setColor(kNameColour);
    panel->addChild(tooltip->name_.get());
    tooltip->description_ = CCLabelTTF::labelWithString(
        text(stem + "_DESC_SHORT"), tablet ? CGSize{250, 70} : CGSize{125, 35}, UITextAlignmentLeft,
        "HelveticaNeue", tablet ? 16 : 8);
    tooltip->description_->setAnchorPoint({0, 0.5f});
    tooltip->description_->setColor(kTextColour);
    panel->addChild(tooltip->description_.get());

    tooltip->Type = upgrade;
    const float left = secondsTill(upgrade);
    if (left >= 0) {
        const float font = tablet ? 18 : 9;
        tooltip->TimeTillText = CCLabelTTF::labelWithString(text("BUILDING_BONUS"), "HelveticaNeue-Bold", font);
        tooltip->TimeTillText->setColor(kTextColour);
        tooltip->TimeTillText->setAnchorPoint({0, 0.5f});
        tooltip->TimeTill = CCLabelTTF::labelWithString(countdownText(left), "HelveticaNeue-Bold", font);
        tooltip->TimeTill->setColor(kTimeColour);
        tooltip->TimeTill->setAnchorPoint({0, 0.5f});
        panel->addChild(tooltip->TimeTillText.get());
        panel->addChild(tooltip->TimeTill.get());
        tooltip->schedule(schedule_selector(CCTooltip::Update));
    }

    // Kept inside the window: flipped away from the right and top edges.
    const bool flipX = static_cast<float>(x) > win.width - size.width;
    const float margin = tablet ? 75.0f : (flipX ? 30.0f : 37.0f);
    const bool flipY = static_cast<float>(y) + size.height > win.height - margin;
    panel->setFlipX(flipX);
    panel->setFlipY(flipY);
    panel->setAnchorPoint({flipX ? 0.875f : 0.125f, flipY ? 1.1f : -0.1f});
    const float shift = flipY ? (tablet ? 20.0f : 10.0f) : 0.0f;

    const float lx = tablet ? 15.0f : 7.5f;
    tooltip->name_->setPosition({lx, (tablet ? 120.0f : 60.0f) - shift});
    tooltip->description_->setPosition({lx, (tablet ? 74.0f : 37.0f) - shift});
    if (tooltip->TimeTillText) {
        const float ty = (tablet ? 50.0f : 27.0f) - shift;
        tooltip->TimeTillText->setPosition({lx, ty});
        tooltip->TimeTill->setPosition({lx + tooltip->TimeTillText->contentSize().width, ty});
    }
    tooltip->ChangeVisible(true);
    if (const char* sound = animalSound(upgrade)) {
        if (GlobalObject* global = Shared<GlobalObject>::current()) global->PlaySoundEffect(sound);
    }
    return tooltip;
}

Ref<CCTooltip> CCTooltip::tooltipWithRecipeOfResource(int32_t resource)
{
    if (resource <= 0) return nullptr;
    const Profile* profile = Profile::sharedInstance();
    const Resource* record = profile->GetResource(resource);
    if (!record) return nullptr;
    const Collectible* source = profile->GetCollectible(record->CollectibleEnum);
    auto tooltip = makeRef<CCTooltip>();
    tooltip->resource_ = resource;
    CCSprite* panel = tooltip->setPanel("resource_tooltip_info.png");
    const CGSize size = panel->textureRect().size;
    const auto addSide = [panel, size](const std::string& frame, float side, int32_t count, float counterX) {
        if (auto picture = CCSprite::spriteWithSpriteFrameName(frame)) {
            picture->setScale(0.76f);
            picture->setPosition({size.width * side, size.height * 0.11f});
            panel->addChild(picture.get(), 1);
        }
        auto counter = CCCounterDrell::counterWithNumber(count);
        counter->setPosition({size.width * counterX, -size.height * 0.11f});
        panel->addChild(counter.get(), 2);
    };
    if (source) addSide(source->pngName + ".png", -0.25f, source->nextResourceCount, -0.12f);
    addSide(record->PngName + ".png", 0.25f, 1, 0.38f);
    tooltip->ChangeVisible(true, false);
    return tooltip;
}

void CCTooltip::ChangeVisible(bool visible, bool fullSize)
{
    if (visible) {
        Visible = true;
        if (!fullSize) setScale(0.8f);
        if (bcg) bcg->runAction(CCFadeTo::actionWithDuration(0.1f, 255).get());
        runAction(CCSequence::actionOne(CCScaleTo::actionWithDuration(0.1f, fullSize ? 1.15f : 1.0f).get(),
                                        CCScaleTo::actionWithDuration(0.05f, fullSize ? 1.0f : 0.8f).get())
                      .get());
        return;
    }
    Visible = false;
    if (bcg) bcg->runAction(CCFadeTo::actionWithDuration(0.05f, 0).get());
    stopAllActions();
    runAction(CCSequence::actionOne(CCScaleTo::actionWithDuration(0.1f, 0).get(),
                                    CCCallFunc::actionWithTarget(this, call_selector(CCTooltip::RemoveMe)).get())
                  .get());
}

void CCTooltip::Update(float)
{
    const float left = secondsTill(Type);
    if (left >= 0) {
        if (TimeTill) TimeTill->setString(countdownText(left));
        return;
    }
    // The bonus is ready (or gone): the countdown goes, the tooltip stays.
    if (bcg) {
        if (TimeTillText) bcg->removeChild(TimeTillText.get(), true);
        if (TimeTill) bcg->removeChild(TimeTill.get(), true);
    }
    TimeTillText = nullptr;
    TimeTill = nullptr;
    unschedule(schedule_selector(CCTooltip::Update));
}

void CCTooltip::RemoveMe()
{
    Ref<CCTooltip> keep(this);
    if (parent()) removeFromParentAndCleanup(true);
}

} // namespace mw
