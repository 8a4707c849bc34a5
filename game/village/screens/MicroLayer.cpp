#include "game/village/screens/MicroLayer.h"

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/menus/CCMenuItem.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "foundation/UserDefaults.h"
#include "game/boards/Board.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/VillageGate.h"
#include "game/village/InAppPopUp.h"
#include "game/village/InAppPurchase.h"
#include "game/state/Profile.h"
#include "game/state/Resource.h"
#include "game/village/ButtonCaption.h"
#include "game/village/GuiObject.h"
#include "game/village/VillageUi.h"
#include "game/village/VillageScene.h"

namespace mw {
namespace {

constexpr int32_t kFirstPack = 19;
constexpr int kPopUpZ = 5;

// The tablet value on a tablet, else the phone value.
float pick(float tablet, float phone) { return villageui::pick(phone, tablet); }

// The price text of pack `index` the store last gave, or empty.
std::string cachedPrice(int index)
{
    Value stored = UserDefaults::standardUserDefaults().objectForKey(format("Micro_%d", index));
    if (!stored.isNull() && !stored.asString().empty()) return stored.asString();
    if (InAppPurchase* service = Shared<InAppPurchase>::current()) {
        auto found = service->products().find(index);
        if (found != service->products().end()) return found->second;
    }
    return {};
}

CGPoint windowCentre()
{
    const CGSize win = board::winSize();
    return {win.width / 2, win.height / 2};
}

} // namespace

// ---- the list

Ref<MicroLayer> MicroLayer::layerWithGuiParent(CCNode* hud)
{
    auto layer = makeRef<MicroLayer>();
    if (!layer->initWithGuiParent(hud)) return nullptr;
    return layer;
}

Ref<MicroLayer> MicroLayer::layerForMicro(CCNode* parent)
{
    auto layer = makeRef<MicroLayer>();
    if (!layer->initWithGuiParentForMicro(parent)) return nullptr;
    return layer;
}

bool MicroLayer::initWithGuiParent(CCNode* hud) { return initFullList(hud); }

bool MicroLayer::initWithGuiParentForMicro(CCNode* parent)
{
    const CGSize win = board::winSize();
    const float strip = 2.2f * cellSizeForTable(nullptr).height;
    auto black = CCLayerColor::layerWithColor({0, 0, 0, 255}, win.width, strip);
    black->setPosition({0, 0.68f * win.height});
    addChild(black.get(), -1);
    return initListTable(parent, {win.width, strip}, {0, 0.68f * win.height});
}

CGSize MicroLayer::cellSizeForTable(CCTableView*)
{
    return board::isIpad() ? CGSize{768, 154} : CGSize{320, 77};
}

Ref<CCTableViewCell> MicroLayer::tableCellAtIndex(CCTableView* table, uint32_t idx)
{
    discardReusableCell(table);
    return TradeCell::cellWithIndex(idx);
}

void MicroLayer::ReloadData()
{
    if (VParent == nullptr) return;
    if (auto* gate = dynamic_cast<VillageGate*>(VParent)) gate->UpdateTopBar();
    reloadKeepingOffset();
}

// ---- a row

Ref<TradeCell> TradeCell::cellWithIndex(uint32_t index)
{
    auto cell = makeRef<TradeCell>();
    if (!cell->initWithIndex(index)) return nullptr;
    return cell;
}

bool TradeCell::initWithIndex(uint32_t index)
{
    Act = true;
    CCSprite* bcg = setBackground("tools_list_bg1.png", index);
    if (bcg == nullptr) return true; // logged: the row shows nothing without its picture
    const CGSize bg = bcg->contentSize();

    const Profile& profile = *Profile::sharedInstance();
    const Resource* pack = profile.GetMicroResource(static_cast<int32_t>(index) + kFirstPack);
    if (pack == nullptr) {
        logLine("TradeCell: no coin pack %u in the game data", index + kFirstPack);
        return true;
    }
    Ref<CCSprite> picture = villageui::sprite(pack->PngName + ".png");
    picture->setAnchorPoint({0.5f, 0});
    picture->setPosition({pick(120, 50), pick(24, 12)});
    bcg->addChild(picture.get());

    const std::vector<std::string>& names = profile.EnumResNames;
    const std::string stem =
        pack->ID >= 1 && static_cast<size_t>(pack->ID) <= names.size() ? names[pack->ID - 1] : "";
    auto name = CCLabelTTF::labelWithString(caption::localized((stem + "_NAME").c_str()),
                                            "HelveticaNeue-Bold", pick(30, 15));
    name->setAnchorPoint({0, 0.5f});
    name->setColor({233, 187, 96});
    name->setPosition({pick(232, 96), pick(116, 58)});
    bcg->addChild(name.get());

    makeMenu(bcg, {0.5f * bg.width, 0.5f * bg.height});
    button_ = CCMenuItemSprite::itemFromNormalSprite(
        villageui::sprite("list_button.png").get(), villageui::sprite("list_button_click.png").get(),
        villageui::sprite("list_button_disabled.png").get(), [this](CCMenuItem* item) { BuildCallback(item); });
    menu->addChild(button_.get(), 0, pack->ID);
    button_->setAnchorPoint({1, 0.5f});
    button_->setPosition({0.47f * bg.width, 0});
    caption_ = cachedPrice(static_cast<int>(index));
    if (caption_.empty()) caption_ = caption::localized("BUTTON_BUY");
    caption::add(button_.get(), caption_, pick(28, 14), {240, 231, 188}, {71, 57, 48});

    auto description = CCLabelTTF::labelWithString(
        caption::localized((stem + "_DESC").c_str()), board::isIpad() ? CGSize{360, 160} : CGSize{150, 80},
        UITextAlignmentLeft, UILineBreakModeWordWrap, "HelveticaNeue", pick(21, 11));
    description->setAnchorPoint({0, 0.5f});
    description->setColor({123, 107, 94});
    description->setPosition({pick(234, 96), pick(20, 10)});
    addChild(description.get());
    return true;
}

void TradeCell::SetActive(bool active)
{
    if (!menu) return;
    ListRow::SetActive(active);
    Act = active;
}

void TradeCell::BuildCallback(Object* sender)
{
    if (!Act) return;
    board::playSound("selection_menu");
    const int32_t tag = static_cast<CCNode*>(sender)->tag();
    if (tag < kFirstPack || tag > kFirstPack + 5) {
        logLine("TradeCell: button tag %d names no coin pack", tag);
        return;
    }
    // The list, then what holds it.
    auto* list = listAs<MicroLayer>();
    CCNode* a1 = list ? list->parent() : nullptr;
    CCNode* a2 = a1 ? a1->parent() : nullptr;
    CCNode* a3 = a2 ? a2->parent() : nullptr;
    CCNode* a4 = a3 ? a3->parent() : nullptr;

    Ref<InAppPopUp> frame;
    if (auto* village = dynamic_cast<VillageScene*>(a1)) {
        list->SetInputActiveWithParent(false);
        frame = InAppPopUp::popUp();
        frame->setPosition(windowCentre());
        village->addChild(frame.get(), kPopUpZ);
    } else if (auto* hud = dynamic_cast<GuiObject*>(a4)) {
        frame = InAppPopUp::popUp();
        frame->setPosition(windowCentre());
        auto* village = dynamic_cast<VillageScene*>(hud->parent());
        if (hud->parent()) hud->parent()->addChild(frame.get(), kPopUpZ);
        a3->SetInputActive(false);
        if (auto* popUpMenu = dynamic_cast<CCLayer*>(a2)) popUpMenu->setIsTouchEnabled(false);
        list->SetInputActive(false);
        if (village) {
            if (GuiObject* gui = village->GetGUI()) gui->SetInputActive(false);
            if (CCLayer* layer = village->GetLayer()) layer->SetInputActive(false);
        }
    } else if (auto* board = dynamic_cast<Board*>(a4)) {
        if (auto* popUpMenu = dynamic_cast<CCLayer*>(a2)) popUpMenu->setIsTouchEnabled(false);
        list->SetInputActive(false);
        a3->SetInputActive(false);
        board->SetInputActive(false);
        frame = InAppPopUp::popUp();
        frame->setPosition(windowCentre());
        if (board->parent()) board->parent()->addChild(frame.get(), kPopUpZ);
        board->SetInputActive(false);
    }
    InAppPurchase* service = InAppPurchase::sharedInstance();
    service->SetFrame(frame.get());
    service->buyProductIdentifier(InAppPurchase::productIdentifier(tag - kFirstPack));
}

} // namespace mw
