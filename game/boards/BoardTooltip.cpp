#include "game/boards/BoardTooltip.h"

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/boards/BoardSupport.h"
#include "game/state/Collectible.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/boards/CCCounterDrell.h"

namespace mw {

namespace {

// A picture that may be missing from the loaded sheets: null then, so that
// the layout goes on without it.
Ref<CCSprite> optionalFrame(const std::string& name)
{
    if (!CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name)) return nullptr;
    return CCSprite::spriteWithSpriteFrameName(name);
}

const char* toolPictureFor(int32_t kind)
{
    switch (kind) {
    case 2:
        return "tnt.png";
    case 3:
    case 20:
        return "metan_lamp.png";
    default:
        return nullptr;
    }
}

} // namespace

CCSprite* BoardTooltip::addPanel(const char* frame)
{
    auto panel = CCSprite::spriteWithSpriteFrameName(frame);
    addChild(panel.get(), 0);
    setScale(0);
    return panel.get();
}

void BoardTooltip::popIn()
{
    auto grow = CCScaleTo::actionWithDuration(0.1f, 1.15f);
    auto settle = CCScaleTo::actionWithDuration(0.05f, 1.0f);
    runAction(CCSequence::actionOne(grow.get(), settle.get()).get());
}

Ref<BoardTooltip> BoardTooltip::tooltipWithNumber(const std::string& png, int32_t number)
{
    auto tooltip = makeRef<BoardTooltip>();
    tooltip->kind_ = Kind::Number;
    CCSprite* panel = tooltip->addPanel("resource_tooltip.png");
    const CGSize size = panel->contentSize();
    if (auto picture = optionalFrame(png + ".png")) {
        picture->setScale(0.76f);
        picture->setPosition({0, size.height * 0.08f});
        tooltip->addChild(picture.get(), 1);
    }
    tooltip->counter_ = CCCounterDrell::counterWithNumber(number);
    tooltip->counter_->setPosition({size.width * 0.25f, size.height * -0.1f});
    tooltip->addChild(tooltip->counter_.get(), 2);
    tooltip->popIn();
    return tooltip;
}

Ref<BoardTooltip> BoardTooltip::tooltipWithError(int32_t kind)
{
    auto tooltip = makeRef<BoardTooltip>();
    tooltip->kind_ = Kind::Error;
    CCSprite* panel = tooltip->addPanel("resource_tooltip_info.png");
    const CGSize size = panel->contentSize();
    const bool tablet = board::isIpad();
    auto label = CCLabelTTF::labelWithString(LocalisationManager::sharedInstance()->getValue("USE_TOOL"),
                                             "HelveticaNeue-Bold", tablet ? 24 : 12);
    label->setAnchorPoint({0, 0.5f});
    label->setColor(ccc3(90, 64, 48));
    auto group = CCNode::node();
    group->addChild(label.get());
    const float gap = tablet ? 10.0f : 5.0f;
    float pictureWidth = 0;
    if (const char* frame = toolPictureFor(kind)) {
        if (auto picture = optionalFrame(frame)) {
            picture->setScale(0.6f);
            picture->setAnchorPoint({0, 0.5f});
            picture->setPosition({label->contentSize().width + gap, 0});
            pictureWidth = picture->contentSize().width * 0.6f;
            group->addChild(picture.get());
        }
    }
    group->setPosition(
        {size.width / 2 - (label->contentSize().width + gap + pictureWidth) / 2, size.height * 0.6f});
    panel->addChild(group.get(), 1);
    tooltip->popIn();
    return tooltip;
}

Ref<BoardTooltip> BoardTooltip::tooltipWithCollectible(const Collectible* kind)
{
    if (kind == nullptr || kind->nextCollectible <= 0) return nullptr;
    const Collectible* next = Profile::sharedInstance()->GetCollectible(kind->nextCollectible);
    if (next == nullptr) return nullptr;
    auto tooltip = makeRef<BoardTooltip>();
    tooltip->kind_ = Kind::Collectible;
    CCSprite* panel = tooltip->addPanel("resource_tooltip_info.png");
    const CGSize size = panel->contentSize();
    const struct {
        const Collectible* kind;
        int32_t count;
        float side;
    } halves[] = {{kind, kind->nextCollectibleCount, -1}, {next, 1, 1}};
    for (const auto& half : halves) {
        if (auto picture = optionalFrame(half.kind->pngName + ".png")) {
            picture->setScale(0.76f);
            picture->setPosition({size.width * 0.25f * half.side, size.height * 0.11f});
            tooltip->addChild(picture.get(), 1);
        }
        auto counter = CCCounterDrell::counterWithNumber(half.count);
        counter->setPosition({size.width * (half.side < 0 ? -0.12f : 0.38f), -size.height * 0.11f});
        tooltip->addChild(counter.get(), 2);
    }
    tooltip->popIn();
    return tooltip;
}

void BoardTooltip::SetNumber(int32_t number)
{
    if (counter_) counter_->SetNumber(number);
}

int32_t BoardTooltip::number() const
{
    return counter_ ? counter_->GetValue() : -1;
}

} // namespace mw
