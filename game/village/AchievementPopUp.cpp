#include "game/village/AchievementPopUp.h"

#include "analytics/TallyAnalytics.h"
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "game/state/LocalisationManager.h"
#include "game/boards/WidgetDevice.h"

namespace mw {

AchievementPopUp::AchievementPopUp(const std::string& textKey, int32_t points)
{
    // Without the bar's frame the labels still show, on an empty sprite.
    (void)initWithSpriteFrameName("achievment_bar.png");
    setAnchorPoint({0, 0.5f});
    const CGSize size = contentSize();
    const float fontSize = widgetOnTablet() ? 22.0f : 11.0f;

    title_ = CCLabelTTF::labelWithString(LocalisationManager::sharedInstance()->getValue(textKey),
                                         "HelveticaNeue", fontSize);
    title_->setPosition({size.width * 0.2f, size.height * 0.5f});
    title_->setColor(ccc3(244, 230, 193));
    title_->setAnchorPoint({0, 0.5f});
    addChild(title_.get());

    points_ = CCLabelTTF::labelWithString(format("%d pts", points), "HelveticaNeue", fontSize);
    points_->setPosition({size.width * 0.9f, size.height * 0.5f});
    points_->setColor(ccc3(254, 195, 64));
    points_->setAnchorPoint({1, 0.5f});
    addChild(points_.get());

    onShow();
    TallyAnalytics::logEvent("Achievement", {{"Achievement", textKey}});
}

Ref<AchievementPopUp> AchievementPopUp::showOnRunningScene(const std::string& textKey, int32_t points)
{
    CCDirector* director = CCDirector::sharedDirector();
    CCScene* scene = director->runningScene();
    if (scene == nullptr) {
        logLine("AchievementPopUp: no running scene for the banner of %s", textKey.c_str());
        return nullptr;
    }
    auto banner = popUpWithAchievementId(textKey, points);
    const CGSize window = director->winSize();
    banner->setPosition({window.width, window.height * 0.15f});
    scene->addChild(banner.get(), 10);
    return banner;
}

void AchievementPopUp::onShow()
{
    const float width = contentSize().width;
    auto slideIn = CCEaseSineIn::actionWithAction(CCMoveBy::actionWithDuration(0.4f, {-0.95f * width, 0}));
    runAction(CCSequence::actions(
                  {slideIn.get(), CCDelayTime::actionWithDuration(3.0f).get(),
                   CCCallFunc::actionWithTarget(this, call_selector(AchievementPopUp::onHide)).get()})
                  .get());
}

void AchievementPopUp::onHide()
{
    const float width = contentSize().width;
    auto slideOut = CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.4f, {width, 0}));
    runAction(CCSequence::actions(
                  {slideOut.get(),
                   CCCallFunc::actionWithTarget(this, call_selector(AchievementPopUp::RemoveMe)).get()})
                  .get());
}

void AchievementPopUp::RemoveMe()
{
    if (parent()) removeFromParentAndCleanup(true);
}

} // namespace mw
