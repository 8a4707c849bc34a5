#include "game/village/screens/ShopPopUp.h"

#include <cmath>

#include "analytics/TallyAnalytics.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/VillageGate.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/Resource.h"
#include "game/village/ButtonCaption.h"
#include "game/boards/CCCounterDrell.h"
#include "game/village/ListLayer.h"

namespace mw {
namespace {

constexpr float kRepeatTime = 0.18f;

Ref<CCSprite> frameSprite(const char* name)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(name);
    return sprite ? sprite : makeRef<CCSprite>();
}

float pick(float tablet, float phone) { return board::isIpad() ? tablet : phone; }

} // namespace

Ref<BuyPopUp> BuyPopUp::popUpWithResourceType(int32_t resource)
{
    auto popUp = makeRef<BuyPopUp>();
    if (!popUp->initWithResourceType(resource)) return nullptr;
    return popUp;
}

Ref<SellPopUp> SellPopUp::popUpWithResourceType(int32_t resource)
{
    auto popUp = makeRef<SellPopUp>();
    if (!popUp->initWithResourceType(resource)) return nullptr;
    return popUp;
}

bool TradePopUp::initWithResourceType(int32_t resource)
{
    Resource* record = Profile::sharedInstance()->GetResource(resource);
    if (record == nullptr) {
        logLine("TradePopUp: no resource %d to trade", resource);
        return false;
    }
    Type = resource;
    const CGSize win = board::winSize();
    auto veil = CCLayerColor::layerWithColor({0, 0, 0, 128}, win.width, win.height);
    veil->setPosition({-win.width / 2, -win.height / 2});
    addChild(veil.get());

    const float buttonSize = caption::sizeFor(caption::localized("BUTTON_CLOSE"));
    bcg_ = frameSprite("sell_bg.png");
    addChild(bcg_.get());
    const CGSize bg = bcg_->contentSize();
    menu_ = CCMenu::menuWithItems({});
    menu_->setPosition({bg.width / 2, bg.height / 2});

    confirm_ = CCMenuItemSprite::itemFromNormalSprite(frameSprite("build_button.png").get(),
                                                      frameSprite("build_button_click.png").get(), nullptr,
                                                      [this](CCMenuItem* item) { GoodCallback(item); });
    confirm_->setPosition({0.22f * bg.width, -0.23f * bg.height});
    caption::add(confirm_.get(), caption::localized(selling() ? "BUTTON_SELL" : "BUTTON_BUY"), buttonSize,
                 {151, 64, 10}, {255, 255, 255});
    menu_->addChild(confirm_.get());
    close_ = CCMenuItemSprite::itemFromNormalSprite(frameSprite("cancel_button.png").get(),
                                                    frameSprite("cancel_button_click.png").get(), nullptr,
                                                    [this](CCMenuItem* item) { BadCallback(item); });
    close_->setPosition({-0.22f * bg.width, -0.23f * bg.height});
    caption::add(close_.get(), caption::localized("BUTTON_CLOSE"), buttonSize, {46, 36, 29}, {237, 227, 187});
    menu_->addChild(close_.get());

    plus = CCHoldButton::itemFromNormalSprite(frameSprite("+_button_off.png").get(),
                                              frameSprite("+_button_on.png").get(), nullptr,
                                              [this](CCMenuItem* item) { PlusCallback(item); });
    minus = CCHoldButton::itemFromNormalSprite(frameSprite("__button_off.png").get(),
                                               frameSprite("__button_on.png").get(), nullptr,
                                               [this](CCMenuItem* item) { MinusCallback(item); });
    plus->setPosition({pick(178, 89), pick(41, 21)});
    minus->setPosition({-pick(178, 89), pick(41, 21)});
    for (CCHoldButton* button : {plus.get(), minus.get()}) {
        button->SetActionRunTime(kRepeatTime);
        button->SetHoldRepeatAction(true);
        menu_->addChild(button);
    }

    const float cx = std::floor(bg.width / 2);
    const float cy = std::floor(bg.height / 2);
    Ref<CCSprite> icon = CCSprite::spriteWithSpriteFrameName(record->PngName + ".png");
    if (!icon) icon = makeRef<CCSprite>();
    icon->setAnchorPoint({0.5f, 0});
    icon->setPosition({cx, cy + 0.15f * bg.height});
    bcg_->addChild(icon.get());

    aauto = CCLabelTTF::labelWithString(format("%d", unitPrice()),
                                        selling() ? "HelveticaNeue" : "HelveticaNeue-Bold", pick(28, 14));
    aauto->setAnchorPoint({0, 0.5f});
    aauto->setPosition(board::isIpad() ? CGPoint{cx + 2, cy + 13} : CGPoint{cx + 1, cy + 6});
    bcg_->addChild(aauto.get());

    Ref<CCSprite> goldPanel = frameSprite("popup_gold_bg.png");
    goldPanel->setAnchorPoint({0, 0.5f});
    goldPanel->setPosition(board::isIpad() ? CGPoint{cx + 114, cy - 193} : CGPoint{cx + 56, cy - 97});
    bcg_->addChild(goldPanel.get());
    gold_ = CCLabelTTF::labelWithString(format("%d", Profile::sharedInstance()->GoldCount), "HelveticaNeue",
                                        pick(24, 12));
    gold_->setAnchorPoint({0, 0.5f});
    const CGSize panel = goldPanel->contentSize();
    gold_->setPosition({0.42f * panel.width, panel.height / 2});
    goldPanel->addChild(gold_.get());

    cntr = CCCounterDrell::counterWithNumber(1);
    cntr->setPosition({51, 0});
    icon->addChild(cntr.get());

    if (GlobalObject* global = Shared<GlobalObject>::current()) global->DoTheBoing(bcg_.get());
    bcg_->addChild(menu_.get());
    return true;
}

int32_t TradePopUp::quantity() const { return cntr ? cntr->GetValue() : 0; }

int32_t TradePopUp::unitPrice() const
{
    const Resource* record = Profile::sharedInstance()->GetResource(Type);
    if (record == nullptr) return 0;
    return selling() ? record->ValueSell : record->Value;
}

bool TradePopUp::canStepUp(int32_t n) const
{
    const Profile& profile = *Profile::sharedInstance();
    if (selling()) return n < profile.GetResourceCount(Type);
    const int64_t price = unitPrice();
    return int64_t{profile.GoldCount} - n * price >= price;
}

void TradePopUp::PlusCallback(Object*)
{
    int32_t n = quantity();
    if (canStepUp(n)) {
        board::playSound("selection_menu");
        cntr->SetNumber(++n);
    }
    plus->setIsEnabled(canStepUp(n));
    if (n >= 1) minus->setIsEnabled(true);
    showTotal();
}

void TradePopUp::MinusCallback(Object*)
{
    int32_t n = quantity();
    if (n > 0) {
        board::playSound("selection_menu");
        cntr->SetNumber(--n);
    }
    if (canStepUp(n)) plus->setIsEnabled(true);
    if (n == 0) minus->setIsEnabled(false);
    showTotal();
}

void TradePopUp::showTotal() { aauto->setString(format("%d", quantity() * unitPrice())); }

void TradePopUp::GoodCallback(Object*)
{
    board::playSound("selection_buy");
    Profile& profile = *Profile::sharedInstance();
    const int32_t n = quantity();
    const int32_t total = unitPrice() * n;
    if (selling()) {
        profile.GoldCount += total;
        profile.GoldEarned += total;
    } else {
        profile.GoldCount -= total;
        profile.GoldSpent -= total;
    }
    TallyAnalytics::logEvent("MoneyUsage", {{"MoneyUsage", selling() ? "Shop Sell" : "Shop Buy"}});
    profile.increaseResource(Type, selling() ? -n : n);
    profile.Save();
    close();
}

void TradePopUp::BadCallback(Object*)
{
    board::playSound("selection_menu");
    close();
}

void TradePopUp::close()
{
    Ref<TradePopUp> keep(this);
    CCNode* hud = parent();
    auto* gate = dynamic_cast<VillageGate*>(hud);
    if (CCNode* layer = gate ? gate->GetLayer() : nullptr) {
        if (auto* list = dynamic_cast<ListLayer*>(layer)) list->ReloadData();
        layer->SetInputActive(true);
    }
    // Without a layer the HUD still gets its input back: the pop-up never
    // leaves the player with no way on.
    if (hud) hud->SetInputActive(true);
    if (gate) gate->UpdateTopBar();
    removeFromParentAndCleanup(true);
}

} // namespace mw
