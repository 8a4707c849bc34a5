#include "game/village/screens/ShopLayer.h"

#include <algorithm>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Utf16.h"
#include "game/boards/BoardSupport.h"
#include "game/state/Profile.h"
#include "game/state/Resource.h"
#include "game/state/TutorialFrameDef.h"
#include "game/village/ButtonCaption.h"
#include "game/village/VillageUi.h"
#include "game/boards/CCCounterDrell.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/screens/ShopPopUp.h"
#include "game/village/tutorial/TutorialPopup.h"

namespace mw {
namespace {

constexpr int32_t kSellTagFactor = 22;
constexpr int32_t kPopUpZ = 3;

// The tablet value on a tablet, else the phone value.
float pick(float tablet, float phone) { return villageui::pick(phone, tablet); }

// The price under a row button, followed by a coin.
void addPrice(CCNode* button, int32_t price, CGPoint at)
{
    auto label = CCLabelTTF::labelWithString(format("%d ", price), "HelveticaNeue", 12 * pick(2, 1));
    label->setAnchorPoint({0, 0.5f});
    label->setPosition(at);
    button->addChild(label.get());
    Ref<CCSprite> coin = villageui::sprite("coins_small_ico.png");
    coin->setAnchorPoint({0, 0.5f});
    coin->setPosition({at.x + label->contentSize().width, at.y});
    button->addChild(coin.get());
}

} // namespace

// ---- the layer

const std::vector<int32_t>& ShopLayer::shopOrder()
{
    static const std::vector<int32_t> order = {3, 1, 2, 4, 5, 6, 10, 11, 12, 7, 8, 9, 15, 13, 14, 16};
    return order;
}

std::vector<int32_t> ShopLayer::rowResources()
{
    std::vector<int32_t> rows;
    const Profile& profile = *Profile::sharedInstance();
    for (int32_t id : shopOrder()) {
        const Resource* resource = profile.GetResource(id);
        if (resource && resource->Seen && (resource->Value > 0 || resource->ValueSell > 0))
            rows.push_back(id);
    }
    return rows;
}

Ref<ShopLayer> ShopLayer::layerWithGuiParent(CCNode* hud)
{
    auto layer = makeRef<ShopLayer>();
    if (!layer->initWithGuiParent(hud)) return nullptr;
    return layer;
}

bool ShopLayer::initWithGuiParent(CCNode* hud)
{
    if (!initFullList(hud)) return false;

    Profile* profile = Profile::sharedInstance();
    TutorialFrameDef* before = profile->GetTutorialDef(56);
    TutorialFrameDef* shop = profile->GetTutorialDef(57);
    if (before && shop && before->Done && !shop->Done && VParent) {
        before->ArrowAfterDone = true;
        if (Ref<TutorialPopup> popUp = TutorialPopup::popUpWithFrame(shop)) (void)openOverList(popUp, 0);
    }
    return true;
}

uint32_t ShopLayer::numberOfCellsInTableView(CCTableView*)
{
    return static_cast<uint32_t>(rowResources().size());
}

CGSize ShopLayer::cellSizeForTable(CCTableView*)
{
    return board::isIpad() ? CGSize{768, 131} : CGSize{640, 64};
}

Ref<CCTableViewCell> ShopLayer::tableCellAtIndex(CCTableView* table, uint32_t idx)
{
    // A row is rebuilt from the profile every time.
    discardReusableCell(table);
    return ShopCell::cellWithIndex(idx);
}

void ShopLayer::ShowBuyPopUpWithResource(int32_t resource)
{
    (void)openOverList(BuyPopUp::popUpWithResourceType(resource), kPopUpZ);
}

void ShopLayer::ShowSellPopUpWithResource(int32_t resource)
{
    (void)openOverList(SellPopUp::popUpWithResourceType(resource), kPopUpZ);
}

void ShopLayer::MoveWithTutorial()
{
    TutorialFrameDef* shop = Profile::sharedInstance()->GetTutorialDef(57);
    if (shop && shop->Done && shop->ArrowAfter && !shop->ArrowAfterDone && VParent &&
        VParent->getChildByTag(kBuildArrowTag) == nullptr) {
        auto arrow = CCTutorialArrow::arrow();
        arrow->setPosition({pick(140, 56), pick(100, 40)});
        VParent->addChild(arrow.get(), 1, kBuildArrowTag);
    }
    SetInputActiveWithParent(true);
}

// ---- a row

Ref<ShopCell> ShopCell::cellWithIndex(uint32_t index)
{
    auto cell = makeRef<ShopCell>();
    if (!cell->initWithIndex(index)) return nullptr;
    return cell;
}

bool ShopCell::initWithIndex(uint32_t index)
{
    const std::vector<int32_t> rows = ShopLayer::rowResources();
    if (index >= rows.size()) {
        logLine("ShopCell: no resource for row %u", index);
        return false;
    }
    Profile& profile = *Profile::sharedInstance();
    resource_ = rows[index];
    const Resource& resource = *profile.GetResource(resource_);
    const int32_t stock = profile.GetResourceCount(resource_);

    CCSprite* bcg = setBackground("sell_bg_light.png", index);
    if (bcg == nullptr) return true; // logged: a row without its picture shows nothing
    const CGSize bg = bcg->contentSize();

    Ref<CCSprite> icon = villageui::sprite(resource.PngName + ".png");
    icon->setAnchorPoint({0.5f, 0});
    icon->setPosition({pick(120, 48), pick(32, 14)});
    bcg->addChild(icon.get());
    auto count = CCCounterDrell::counterWithNumber(stock);
    count->setPosition({pick(160, 70), pick(32, 18)});
    bcg->addChild(count.get());

    const std::vector<std::string>& names = profile.EnumResNames;
    const std::string stem =
        resource_ >= 1 && static_cast<size_t>(resource_) <= names.size() ? names[resource_ - 1] : "";
    auto name = CCLabelTTF::labelWithString(caption::localized((stem + "_NAME").c_str()),
                                            "HelveticaNeue-Bold", pick(30, 12));
    name->setColor({233, 187, 96});
    name->setAnchorPoint({0, 0.5f});
    name->setPosition({pick(208, 80), bg.height / 2});
    bcg->addChild(name.get());

    makeMenu(bcg, {bg.width / 2, bg.height / 2});

    const std::string sellText = caption::localized("BUTTON_SELL");
    const bool shortTexts = utf16Length(sellText) < 8;
    const float size = caption::sizeFor(sellText);

    const bool canBuy = resource.Value >= 1 && profile.GoldCount >= resource.Value;
    buy_ = CCMenuItemSprite::itemFromNormalSprite(
        villageui::sprite("sell_button.png").get(), villageui::sprite("sell_button_click.png").get(),
        villageui::sprite("list_button_disabled.png").get(), [this](CCMenuItem* item) { BuildCallback(item); });
    menu->addChild(buy_.get(), 0, resource_);
    buy_->setAnchorPoint({1, 0.5f});
    buy_->setPosition({0.47f * bg.width, 0.1f * bg.height});
    caption::add(buy_.get(), caption::localized("BUTTON_BUY"), size,
                 canBuy ? ccColor3B{151, 64, 10} : ccColor3B{71, 57, 48},
                 canBuy ? ccColor3B{255, 255, 255} : ccColor3B{123, 111, 85});
    if (!canBuy) buy_->setIsEnabled(false);
    addPrice(buy_.get(), resource.Value, {pick(20, 10), -0.14f * bg.height});

    const bool canSell = resource.ValueSell >= 1 && stock >= 1;
    const std::string button = shortTexts ? "list_button" : "list_button_medium";
    sell_ = CCMenuItemSprite::itemFromNormalSprite(
        villageui::sprite(button + ".png").get(), villageui::sprite(button + "_click.png").get(),
        villageui::sprite(button + "_disabled.png").get(), [this](CCMenuItem* item) { SellCallback(item); });
    menu->addChild(sell_.get(), 0, resource_ * kSellTagFactor);
    sell_->setAnchorPoint({1, 0.5f});
    sell_->setPosition({0.27f * bg.width, 0.1f * bg.height});
    caption::add(sell_.get(), sellText, size, canSell ? ccColor3B{240, 231, 188} : ccColor3B{71, 57, 48},
                 canSell ? ccColor3B{71, 57, 48} : ccColor3B{123, 111, 85});
    if (!canSell) sell_->setIsEnabled(false);
    addPrice(sell_.get(), resource.ValueSell, {shortTexts ? pick(20, 10) : pick(40, 20), -0.17f * bg.height});
    return true;
}

void ShopCell::BuildCallback(Object* sender)
{
    if (!inVisibleBand()) return;
    board::playSound("selection_menu");
    if (auto* layer = listAs<ShopLayer>()) layer->ShowBuyPopUpWithResource(static_cast<CCNode*>(sender)->tag());
}

void ShopCell::SellCallback(Object* sender)
{
    if (!inVisibleBand()) return;
    board::playSound("selection_menu");
    if (auto* layer = listAs<ShopLayer>())
        layer->ShowSellPopUpWithResource(static_cast<CCNode*>(sender)->tag() / kSellTagFactor);
}

} // namespace mw
