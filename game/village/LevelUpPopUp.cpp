#include "game/village/LevelUpPopUp.h"

#include <cmath>

#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCRepeat.h"
#include "engine/actions/CCSequence.h"
#include "engine/director/CCDirector.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/particles/CCParticleSystemQuad.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Random.h"
#include "foundation/Shared.h"
#include "game/defs/Animation.h"
#include "game/defs/XMLManager.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/village/GuiObject.h"
#include "game/village/TutorialScreen.h"
#include "game/boards/WidgetDevice.h"

namespace mw {

namespace {

constexpr ccColor3B kShadow = {151, 64, 10};
constexpr ccColor3B kRewardText = {218, 101, 19};
constexpr ccColor3B kRewardAmount = {120, 91, 81};

CGSize winSize() { return CCDirector::sharedDirector()->winSize(); }

void playSound(const char* key)
{
    if (GlobalObject* object = Shared<GlobalObject>::current()) object->PlaySoundEffect(key);
}

std::string text(const char* key) { return LocalisationManager::sharedInstance()->getValue(key); }

} // namespace

int32_t LevelUpPopUp::rewardForLevel(int32_t level)
{
    const std::vector<int32_t>& bonuses = Profile::sharedInstance()->LevelsBonusArray;
    // A level the list does not reach pays nothing.
    if (level < 1 || static_cast<size_t>(level) > bonuses.size()) return 0;
    return bonuses[static_cast<size_t>(level - 1)];
}

std::vector<std::string> LevelUpPopUp::letterFrames(int32_t level)
{
    std::vector<std::string> frames = {"L.png", "E.png", "V.png", "E.png", "L.png"};
    if (level < 10) {
        frames.push_back(format("%d.png", level));
    } else {
        frames.push_back(format("%d.png", level / 10));
        frames.push_back(format("%d.png", level % 10));
    }
    return frames;
}

float LevelUpPopUp::sparkRadius() { return winSize().width / 2.8f; }

Ref<LevelUpPopUp> LevelUpPopUp::popUp()
{
    auto made = makeRef<LevelUpPopUp>();
    if (!made->init()) return nullptr;
    return made;
}

LevelUpPopUp::~LevelUpPopUp() = default;

bool LevelUpPopUp::init()
{
    Profile& profile = *Profile::sharedInstance();
    const bool tablet = widgetOnTablet();
    const CGSize win = winSize();
    Bonus = rewardForLevel(profile.PlayerLevel);

    auto dim = CCLayerColor::layerWithColor({0, 0, 0, 0}, win.width, win.height);
    dim->setPosition({-win.width / 2, -win.height / 2});
    addChild(dim.get());
    dim->runAction(CCEaseSineIn::actionWithAction(CCFadeTo::actionWithDuration(0.3f, 150)).get());

    if (auto rays = CCSprite::spriteWithSpriteFrameName("yellow_ray.png")) {
        rays->setScale(2.2f);
        rays->setOpacity(0);
        addChild(rays.get(), 2);
        rays->runAction(CCEaseSineIn::actionWithAction(CCFadeTo::actionWithDuration(0.3f, 255)).get());
        rays->runAction(
            CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(8.5f, 360).get()).get());
    }

    bcg = CCSprite::spriteWithSpriteFrameName("bg_popup.png");
    if (bcg) {
        bcg->setScale(0.42f);
        addChild(bcg.get(), 3);
        bcg->runAction(
            CCSequence::actionOne(CCEaseSineIn::actionWithAction(CCScaleTo::actionWithDuration(0.2f, 1.05f)).get(),
                                  CCEaseSineOut::actionWithAction(CCScaleTo::actionWithDuration(0.1f, 1.0f)).get())
                .get());
        buildContent(tablet);
    }

    profile.GoldCount += Bonus;
    profile.GoldEarned += Bonus;
    playSound("level_up");
    profile.SaveInBcg();
    schedule(schedule_selector(LevelUpPopUp::SpawnParticle), 0.3f);
    return true;
}

void LevelUpPopUp::buildContent(bool tablet)
{
    const CGSize size = bcg->textureRect().size;
    const float W = size.width;
    const float H = size.height;

    ico = CCSprite::spriteWithSpriteFrameName("trophy.png");
    if (ico) {
        ico->setAnchorPoint({0.5f, 0});
        ico->setPosition({W / 2, 0.63f * H});
        bcg->addChild(ico.get());
        ico->runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(1.05f).get(),
                                             CCCallFunc::actionWithTarget(this, call_selector(LevelUpPopUp::AddBlik))
                                                 .get())
                           .get());
    }

    word_ = CCNode::node();
    const std::vector<std::string> frames = letterFrames(Profile::sharedInstance()->PlayerLevel);
    float x = 0;
    for (size_t k = 0; k < frames.size(); ++k) {
        auto letter = CCSprite::spriteWithSpriteFrameName(frames[k]);
        if (!letter) continue;
        const float width = letter->contentSize().width;
        letter->setAnchorPoint({0, 0.5f});
        letter->setPosition({x, 0});
        letter->setOpacity(0);
        letter->setScaleX(0.85f);
        letter->setScaleY(1.15f);
        letter->runAction(CCSequence::actions({CCDelayTime::actionWithDuration(0.22f + 0.05f * k).get(),
                                               CCFadeTo::actionWithDuration(0, 255).get(),
                                               CCScaleTo::actionWithDuration(0.1f, 1.1f, 0.9f).get(),
                                               CCScaleTo::actionWithDuration(0.1f, 1.05f, 0.95f).get(),
                                               CCScaleTo::actionWithDuration(0.1f, 1.0f, 1.0f).get()})
                              .get());
        word_->addChild(letter.get());
        x += width;
        // A gap of half the closing "L" between the word and the digits.
        if (k == 4) x += width / 2;
    }
    word_->setPosition({W / 2 - x / 2, 0.46f * H});
    bcg->addChild(word_.get());

    const float captionSize = tablet ? 30.0f : 15.0f;
    addContinueButton({W / 2, 0.2f * H}, captionSize);

    rew = CCNode::node();
    auto reward = CCLabelTTF::labelWithString(text("REWARD_TEXT"), "HelveticaNeue", captionSize);
    reward->setColor(kRewardText);
    reward->setAnchorPoint({0, 0.5f});
    reward->setPosition({0, 0});
    const float textWidth = reward->contentSize().width;
    auto amount = CCLabelTTF::labelWithString(format("+%d ", Bonus), "HelveticaNeue-Bold", captionSize);
    amount->setColor(kRewardAmount);
    amount->setAnchorPoint({0, 0.5f});
    amount->setPosition({textWidth, 0});
    const float amountWidth = amount->contentSize().width;
    auto coin = CCSprite::spriteWithSpriteFrameName("coin_lvl_up.png");
    float coinWidth = 0;
    for (CCNode* part : {static_cast<CCNode*>(reward.get()), static_cast<CCNode*>(amount.get())})
        rew->addChild(part);
    reward->setOpacity(0);
    amount->setOpacity(0);
    if (coin) {
        coin->setAnchorPoint({0.15f, 0.5f});
        coin->setPosition({textWidth + amountWidth, 0});
        coin->setOpacity(0);
        coinWidth = coin->contentSize().width;
        rew->addChild(coin.get());
    }
    rew->setContentSize({textWidth + amountWidth + coinWidth, reward->contentSize().height});
    rew->setAnchorPoint({0.5f, 0.5f});
    rew->setPosition({W / 2, 0.37f * H});
    rew->setScale(1.1f);
    rew->runAction(CCSequence::actions(
                       {CCDelayTime::actionWithDuration(0.65f).get(),
                        CCCallFunc::actionWithTarget(this, call_selector(LevelUpPopUp::ShowAllChildren)).get(),
                        CCEaseSineIn::actionWithAction(CCScaleTo::actionWithDuration(0.1f, 0.9f)).get(),
                        CCEaseSineOut::actionWithAction(CCScaleTo::actionWithDuration(0.2f, 1.0f)).get()})
                       .get());
    bcg->addChild(rew.get());
}

void LevelUpPopUp::addContinueButton(CGPoint at, float captionSize)
{
    auto normal = CCSprite::spriteWithSpriteFrameName("craftfood_button.png");
    auto pressed = CCSprite::spriteWithSpriteFrameName("craftfood_button_click.png");
    if (!normal || !pressed) return;
    auto button = CCMenuItemSprite::itemFromNormalSprite(normal.get(), pressed.get(), nullptr,
                                                         CCMenuCallback(this, callO_selector(LevelUpPopUp::CloseCallback)));
    const CGSize size = button->contentSize();
    for (const bool front : {false, true}) {
        auto caption = CCLabelTTF::labelWithString(text("MM_CONTINUE"), "HelveticaNeue-Bold", captionSize);
        caption->setColor(front ? ccColor3B{255, 255, 255} : kShadow);
        caption->setPosition(front ? CGPoint{size.width / 2, size.height / 2}
                                   : CGPoint{size.width / 2 + 2, size.height / 2 - 2});
        button->addChild(caption.get(), 2);
    }
    button->setPosition(at);
    continue_ = button.get();
    auto menu = CCMenu::menuWithItems({button.get()});
    menu->setPosition({0, 0});
    bcg->addChild(menu.get());
}

void LevelUpPopUp::ShowAllChildren()
{
    if (!rew || !rew->children()) return;
    for (size_t i = 0; i < rew->children()->count(); ++i) {
        if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(rew->children()->objectAtIndex(i))) rgba->setOpacity(255);
    }
}

void LevelUpPopUp::AddBlik()
{
    if (!ico) return;
    Animation* blik = XMLManager::sharedInstance()->GetAnimationNamed("star_blik.xml");
    if (!blik) return;
    Ref<Animation> copy = blik->GenerateNewObject();
    ico->addChild(copy.get());
    copy->PlaceObject();
    copy->StartAnimations(true);
    const CGSize size = ico->contentSize();
    copy->setPosition({0.3f * size.width, 0.9f * size.height});
}

void LevelUpPopUp::SpawnParticle(float)
{
    Ref<CCParticleSystemQuad> sparks = CCParticleSystemQuad::particleWithFile("level_up.plist");
    if (!sparks) return;
    const float r = sparkRadius();
    const int32_t a = Random::rand();
    const int32_t b = Random::rand();
    sparks->setAutoRemoveOnFinish(true);
    sparks->setPosition({std::trunc(r * std::cos(static_cast<float>(a))), std::trunc(r * std::sin(static_cast<float>(b)))});
    addChild(sparks.get(), 1);
}

void LevelUpPopUp::CloseCallback(Object*)
{
    unschedule(schedule_selector(LevelUpPopUp::SpawnParticle));
    playSound("selection_menu");
    Ref<LevelUpPopUp> keep(this);
    if (auto* hud = dynamic_cast<GuiObject*>(parent())) {
        if (CCLayer* layer = hud->GetLayer()) {
            hud->UpdateTopBar();
            hud->SetInputActive(true);
            layer->SetInputActive(true);
            if (auto* screen = dynamic_cast<TutorialScreen*>(layer)) screen->ValidateAndPlayTutorial();
        }
    }
    removeFromParentAndCleanup(true);
}

} // namespace mw
