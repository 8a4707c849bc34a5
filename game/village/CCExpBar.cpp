#include "game/village/CCExpBar.h"

#include <GLES/gl.h>

#include <algorithm>
#include <cmath>

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/base/CCPropertyRegistry.h"
#include "engine/base/ccContentScale.h"
#include "engine/director/CCDirector.h"
#include "engine/director/CCDirectorIOS.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/nodes/CCLayer.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Shared.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/village/GuiObject.h"
#include "game/village/LevelUpPopUp.h"
#include "game/boards/WidgetDevice.h"

namespace mw {

namespace {

constexpr int kLevelUpZ = 1;
constexpr const char* kLoopKey = "experience_points_bar";

[[maybe_unused]] const bool registered = [] {
    CCPropertyRegistry::shared().registerClass<CCExpBar>("CCExpBar");
    return true;
}();

GlobalObject* global() { return Shared<GlobalObject>::current(); }

std::string expText(const Profile& profile)
{
    const int32_t last = static_cast<int32_t>(profile.LastExperienceStep);
    return format("%d/%d EXP", static_cast<int32_t>(profile.Experience) - last,
                  static_cast<int32_t>(profile.ExperienceStep) - last);
}

} // namespace

// ---------------------------------------------------------------- the fill

CCExpBarClipPart::CCExpBarClipPart(int32_t width, int32_t height)
    : pWidth(width)
    , pHeight(height)
{
    fill_ = CCSprite::spriteWithSpriteFrameName("XP_bar_active.png");
    if (fill_) addChild(fill_.get());
    bcg22 = CCSprite::spriteWithSpriteFrameName("XP_bar_active.png");
    if (bcg22) {
        bcg22->setBlendFunc({GL_SRC_ALPHA, GL_ONE});
        bcg22->setOpacity(0);
        addChild(bcg22.get());
    }
}

void CCExpBarClipPart::GlowExpBar()
{
    if (!bcg22) return;
    bcg22->stopAllActions();
    bcg22->runAction(
        CCSequence::actionOne(CCEaseSineInOut::actionWithAction(CCFadeTo::actionWithDuration(0.1f, 255)).get(),
                              CCEaseSineInOut::actionWithAction(CCFadeTo::actionWithDuration(0.1f, 0)).get())
            .get());
}

CCExpBarClipPart::PixelSpan CCExpBarClipPart::clipSpan()
{
    const CGSize win = CCDirector::sharedDirector()->winSize();
    const float filled = static_cast<float>(pWidth) * std::clamp(Progres, 0.0f, 1.0f);
    // The fill is centred on this node; its left edge is where the bar
    // starts on the screen, wherever the layout puts the bar.
    const float left = convertToWorldSpace({0, 0}).x - static_cast<float>(pWidth) / 2;
    float x = left;
    if (auto* ios = dynamic_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
        ios && ios->deviceOrientation() == kCCDeviceOrientationPortraitUpsideDown) {
        x = win.width - filled - left;
    }
    const float scale = CC_CONTENT_SCALE_FACTOR();
    return {static_cast<int>(x * scale), static_cast<int>(filled * scale)};
}

void CCExpBarClipPart::visit()
{
    if (!visible()) return;
    const PixelSpan span = clipSpan();
    const CGSize win = CCDirector::sharedDirector()->winSize();
    glEnable(GL_SCISSOR_TEST);
    glScissor(span.x, 0, std::max(0, span.width), static_cast<GLsizei>(win.height * CC_CONTENT_SCALE_FACTOR()));
    CCNode::visit();
    glDisable(GL_SCISSOR_TEST);
}

// ---------------------------------------------------------------- the bar

CCExpBar::CCExpBar()
{
    Active = true;
    bcg1 = CCSprite::spriteWithSpriteFrameName("XP_bar_bg.png");
    if (bcg1) {
        addChild(bcg1.get());
        Height = static_cast<int32_t>(bcg1->textureRect().size.height);
        Width = static_cast<int32_t>(bcg1->textureRect().size.width);
    }
    LoopSound = kNoSound;
    ProBar = CCExpBarClipPart::clipWithWidth(Width, Height);
    addChild(ProBar.get());
    ProBar->setPosition({0, 0});
    const Profile& profile = *Profile::sharedInstance();
    const bool tablet = widgetOnTablet();
    Label = CCLabelTTF::labelWithString(expText(profile), "HelveticaNeue-Bold", tablet ? 20.0f : 10.0f);
    Label->setPosition({0, tablet ? 5.0f : 2.5f});
    addChild(Label.get());
    LastExp = static_cast<int32_t>(profile.Experience);
    const float span = profile.ExperienceStep - profile.LastExperienceStep;
    ProBar->SetProgres(span > 0 ? (profile.Experience - profile.LastExperienceStep) / span : 0);
    schedule(schedule_selector(CCExpBar::Update));
}

CCExpBar::~CCExpBar() { stopLoop(); }

void CCExpBar::SetParentPos(CGPoint position)
{
    ParentPos = position;
    if (ProBar) ProBar->setTrueParentPos(position);
}

void CCExpBar::setPosition(CGPoint position)
{
    if (ProBar) ProBar->setParentPos(position);
    CCNode::setPosition(position);
}

void CCExpBar::GlowExpBar()
{
    if (ProBar) ProBar->GlowExpBar();
}

float CCExpBar::bankedPerFrame(float waiting, float dt)
{
    if (waiting <= 0) return 0;
    if (waiting < 1) return waiting;
    // A long step (a slow frame, the first after a pause) may not bank more
    // than is waiting: that would create experience.
    return std::min(waiting, std::floor(std::max(dt * 10 * waiting, 1.0f)));
}

void CCExpBar::stopLoop()
{
    if (LoopSound == kNoSound) return;
    if (GlobalObject* object = global()) object->StopSoundEffect(LoopSound);
    LoopSound = kNoSound;
}

void CCExpBar::Update(float dt)
{
    if ((GUI && !GUI->IsActive()) || !visible()) {
        stopLoop();
        return;
    }
    Profile& profile = *Profile::sharedInstance();
    const int32_t level = profile.PlayerLevel;
    const float waiting = profile.TempExperience;
    if (waiting > 0) {
        if (LoopSound == kNoSound) {
            if (GlobalObject* object = global()) LoopSound = object->PlaySoundEffectLoop(kLoopKey);
        }
        const float banked = bankedPerFrame(waiting, dt);
        profile.TempExperience = waiting - banked;
        profile.AddExp(banked, false);
    } else {
        stopLoop();
    }
    if (static_cast<int32_t>(profile.Experience) != LastExp) refreshLabel();
    const float span = profile.ExperienceStep - profile.LastExperienceStep;
    ProBar->SetProgres(span > 0 ? (profile.Experience - profile.LastExperienceStep) / span : 0);
    if (profile.PlayerLevel != level) openLevelUp();
}

void CCExpBar::refreshLabel()
{
    // Once it has changed, the label follows every frame.
    LastExp = -1;
    Label->setString(expText(*Profile::sharedInstance()));
}

void CCExpBar::openLevelUp()
{
    if (!GUI) return;
    GUI->UpdateTopBar();
    Ref<LevelUpPopUp> popUp = LevelUpPopUp::popUp();
    if (popUp) {
        const CGSize win = CCDirector::sharedDirector()->winSize();
        popUp->setPosition({win.width / 2, win.height / 2});
        GUI->addChild(popUp.get(), kLevelUpZ);
    }
    GUI->SetInputActive(false);
    if (CCLayer* layer = GUI->GetLayer()) layer->SetInputActive(false);
}

} // namespace mw
