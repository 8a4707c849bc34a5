#include "game/village/InAppPopUp.h"

#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Format.h"
#include "foundation/Shared.h"
#include "game/boards/Board.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/EndOfPopUp.h"
#include "game/boards/FieldPopUp.h"
#include "game/boards/FoodPopUp.h"
#include "game/village/InAppPurchase.h"
#include "game/village/ButtonCaption.h"
#include "game/village/GuiObject.h"
#include "game/village/hud/HirePopUp.h"
#include "game/village/VillageScene.h"

namespace mw {
namespace {

constexpr ccColor3B kHeaderColour{82, 69, 66};
constexpr ccColor3B kTextColour{112, 90, 82};

Ref<CCSprite> frameSprite(const char* name)
{
    Ref<CCSprite> sprite = CCSprite::spriteWithSpriteFrameName(name);
    return sprite ? sprite : makeRef<CCSprite>();
}

float pick(float tablet, float phone) { return board::isIpad() ? tablet : phone; }

// A pop-up on the HUD whose coin-pack panel a purchase was started from: it
// gets its input back and slides the panel out. False for any other node.
bool reopenPanelOwner(CCNode* child)
{
    if (auto* hire = dynamic_cast<HirePopUp*>(child)) {
        hire->SetInputActive(true);
        hire->CloseMicro(nullptr);
        return true;
    }
    if (auto* food = dynamic_cast<FoodPopUp*>(child)) {
        food->SetInputActive(true);
        food->CloseMicro(nullptr);
        return true;
    }
    if (auto* field = dynamic_cast<FieldPopUp*>(child)) {
        field->SetInputActive(true);
        field->CloseMicro(nullptr);
        return true;
    }
    return false;
}

std::vector<Ref<CCNode>> childrenOf(const CCNode* node)
{
    std::vector<Ref<CCNode>> found;
    if (node && node->children())
        for (Object* child : *node->children()) found.emplace_back(static_cast<CCNode*>(child));
    return found;
}

} // namespace

Ref<InAppPopUp> InAppPopUp::popUp()
{
    auto frame = makeRef<InAppPopUp>();
    (void)frame->initFrame();
    return frame;
}

InAppPopUp::~InAppPopUp()
{
    // A frame dropped with its scene must not stay the service's listener.
    if (InAppPurchase* service = Shared<InAppPurchase>::current(); service && service->CurrentFrame == this)
        service->SetFrame(nullptr);
}

bool InAppPopUp::initFrame()
{
    succes = false;
    const CGSize win = board::winSize();
    auto veil = CCLayerColor::layerWithColor({0, 0, 0, 0}, win.width, win.height);
    veil->setPosition({-win.width / 2, -win.height / 2});
    addChild(veil.get());
    veil->runAction(CCEaseSineIn::actionWithAction(CCFadeTo::actionWithDuration(0.2f, 150)).get());

    bcg = frameSprite("bg_popup.png");
    addChild(bcg.get());
    const CGSize bg = bcg->contentSize();
    Ref<CCSprite> prospector = frameSprite("worker_prospector.png");
    prospector->setPosition({0.5f * bg.width, 0.75f * bg.height});
    bcg->addChild(prospector.get());

    header = CCLabelTTF::labelWithString(caption::localized("IAP_CONNECTING"),
                                         {0.8f * bg.width, 0.3f * bg.height}, UITextAlignmentCenter,
                                         UILineBreakModeWordWrap, "HelveticaNeue-Bold", pick(34, 17));
    header->setColor(kHeaderColour);
    header->setPosition({0.5f * bg.width, 0.38f * bg.height});
    bcg->addChild(header.get());

    const float size = caption::sizeFor(caption::localized("BUTTON_CANCEL"));
    const std::string done = caption::localized("MM_CONTINUE");
    auto makeButton = [&] {
        auto button = CCMenuItemSprite::itemFromNormalSprite(
            frameSprite("craftfood_button.png").get(), frameSprite("craftfood_button_click.png").get(),
            nullptr, [this](CCMenuItem* item) { DoneCallback(item); });
        caption::add(button.get(), done, size, {151, 64, 10}, {255, 255, 255});
        button->setVisible(false);
        return button;
    };
    b2 = makeButton();
    b3 = makeButton();
    auto menu = CCMenu::menuWithItems({b2.get(), b3.get()});
    menu->setPosition({0.5f * bg.width, 0.17f * bg.height});
    bcg->addChild(menu.get());
    return true;
}

void InAppPopUp::SetText(const std::string& text)
{
    if (succes) return;
    header->setString(text);
}

void InAppPopUp::Failed(const std::string& text)
{
    if (succes) return;
    b2->setVisible(true);
    header->setString(text);
}

void InAppPopUp::Success(int32_t gold)
{
    // The service reports each purchase once, however often the store
    // repeats it: a further success is another purchase made while the frame
    // is up. Each is logged, and the row shows the latest one's gold.
    TallyAnalytics::logEvent("InApp", {{"InApp", format("%d", gold)}});
    const CGSize bg = bcg->contentSize();
    if (!succes) {
        succes = true;
        b2->setVisible(false);
        b3->setVisible(true);
        header->setString(caption::localized("IAP_HEAD"));
        auto text = CCLabelTTF::labelWithString(caption::localized("IAP_TEXT"), "HelveticaNeue", pick(22, 11));
        text->setColor(kTextColour);
        text->setPosition({0.5f * bg.width, 0.28f * bg.height});
        bcg->addChild(text.get());
    } else if (goldRow_) {
        goldRow_->removeFromParentAndCleanup(true);
    }

    auto amount = CCLabelTTF::labelWithString(format("+%d", gold), "HelveticaNeue-Bold", pick(27, 13));
    amount->setColor(kTextColour);
    amount->setAnchorPoint({0, 0.5f});
    amount->setPosition({0, 0});
    Ref<CCSprite> coin = frameSprite("coin_lvl_up.png");
    coin->setAnchorPoint({0, 0.5f});
    coin->setPosition({amount->contentSize().width, 0});
    goldRow_ = CCNode::node();
    goldRow_->addChild(amount.get());
    goldRow_->addChild(coin.get());
    const float rowWidth = amount->contentSize().width + coin->contentSize().width;
    goldRow_->setPosition({bg.width / 2 - rowWidth / 2, 0.37f * bg.height});
    bcg->addChild(goldRow_.get());
}

void InAppPopUp::CancelCallback(Object* sender)
{
    if (InAppPurchase* service = Shared<InAppPurchase>::current(); service && service->CurrentFrame == this)
        service->requestCancel();
    DoneCallback(sender);
}

void InAppPopUp::DoneCallback(Object*)
{
    Ref<InAppPopUp> keep(this);
    if (InAppPurchase* service = Shared<InAppPurchase>::current(); service && service->CurrentFrame == this)
        service->SetFrame(nullptr);
    giveInputBack();
    removeFromParentAndCleanup(true);
}

void InAppPopUp::giveInputBack()
{
    CCNode* owner = parent();
    if (auto* village = dynamic_cast<VillageScene*>(owner)) {
        GuiObject* hud = village->GetGUI();
        if (hud == nullptr) return;
        bool reopened = false;
        for (const Ref<CCNode>& child : childrenOf(hud)) reopened = reopenPanelOwner(child.get()) || reopened;
        if (!reopened) {
            hud->SetInputActive(true);
            if (CCLayer* layer = village->GetLayer()) layer->SetInputActive(true);
        }
        hud->UpdateTopBar();
        return;
    }
    // A board's scene: the session summary whose panel the purchase came from.
    for (const Ref<CCNode>& child : childrenOf(owner)) {
        if (dynamic_cast<Board*>(child.get()) == nullptr) continue;
        for (const Ref<CCNode>& grandchild : childrenOf(child.get())) {
            if (auto* summary = dynamic_cast<EndOfPopUp*>(grandchild.get())) {
                summary->SetInputActive(true);
                summary->CloseMicro(nullptr);
            }
        }
    }
}

} // namespace mw
