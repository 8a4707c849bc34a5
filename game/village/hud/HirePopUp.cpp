#include "game/village/hud/HirePopUp.h"

#include <cmath>

#include "analytics/TallyAnalytics.h"
#include "engine/actions/CCActionEase.h"
#include "engine/actions/CCActionInstant.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCSequence.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCHoldButton.h"
#include "engine/menus/CCMenu.h"
#include "engine/nodes/CCLayerColor.h"
#include "engine/support/CCArray.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "foundation/ValueObject.h"
#include "game/boards/SessionHooks.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/state/ResourceCostItem.h"
#include "game/state/UpgradeAction.h"
#include "game/state/UpgradeItem.h"
#include "game/boards/CCCounterDrell.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/GuiObject.h"
#include "game/village/ListLayer.h"
#include "game/village/UpgradeCosts.h"
#include "game/village/VillageUi.h"

namespace mw {

using villageui::pick;

namespace {

constexpr int32_t kBuilding = 2;
constexpr int32_t kWorker = 3;
constexpr int32_t kTool = 4;
constexpr int32_t kFieldWorker = 9;
constexpr int32_t kFieldsBuilding = 91;
constexpr int32_t kCottage = 21;
constexpr int32_t kWorkshop = 19;

constexpr ccColor3B kStockCovered {112, 90, 82};
constexpr ccColor3B kStockShort {214, 0, 0};
constexpr ccColor3B kDarkShadow {46, 36, 29};
constexpr ccColor3B kPaleFront {237, 227, 187};
constexpr uint8_t kCraftDimmed = 140;

TutorialFrameDef* frame(int32_t n) { return Profile::sharedInstance()->GetTutorialDef(n); }

void markArrowDone(int32_t n)
{
    if (TutorialFrameDef* def = frame(n)) def->ArrowAfterDone = true;
}

// The lessons that building with resources moves on.
void advanceLessons(int32_t upgrade)
{
    switch (upgrade) {
    case kFieldsBuilding:
        markArrowDone(4);
        markArrowDone(6);
        break;
    case 28: markArrowDone(19); break;
    case 29: markArrowDone(71); break;
    case kCottage:
        markArrowDone(30);
        // From now on the cottage asks for the market.
        if (UpgradeItem* cottage = Profile::sharedInstance()->GetUpgrade(kCottage)) {
            if (!cottage->ReqUpgrades) cottage->ReqUpgrades = CCArray::array();
            cottage->ReqUpgrades->addObject(ValueObject::with(Value(upgradecosts::kMarket)).get());
        }
        break;
    case kWorkshop: {
        TutorialFrameDef* toolsLesson = frame(34);
        if (toolsLesson != nullptr && !toolsLesson->Done) {
            for (int32_t n : {33, 34, 35, 36}) {
                if (TutorialFrameDef* def = frame(n)) {
                    def->ArrowAfterDone = true;
                    def->Done = true;
                }
            }
        }
        break;
    }
    case 116: markArrowDone(44); break;
    default: break;
    }
}

// The stock label's x inside a counter of `need`: further right for more digits.
float stockLabelX(int32_t need)
{
    if (need < 10) return pick(7, 15);
    if (need < 100) return pick(10, 22);
    return pick(13, 27);
}

} // namespace

Ref<HirePopUp> HirePopUp::popUpWithUpgrade(int32_t upgrade, bool act)
{
    auto popUp = makeRef<HirePopUp>();
    (void)popUp->intiWithUpgrade(upgrade, act);
    return popUp;
}

HirePopUp::~HirePopUp()
{
    ResCounters.clear();
    cntr = nullptr;
}

GuiObject* HirePopUp::hud() const { return dynamic_cast<GuiObject*>(parent()); }

int32_t HirePopUp::quantity() const { return cntr ? cntr->GetValue() : 1; }

int32_t HirePopUp::unitNeed(size_t line) const
{
    if (!upgrade_) return ResItems[line]->ResourceQuantity;
    return upgradecosts::unitPrice(*upgrade_, *ResItems[line], owned_);
}

bool HirePopUp::intiWithUpgrade(int32_t upgrade, bool act)
{
    Type = upgrade;
    Profile* profile = Profile::sharedInstance();
    upgrade_ = profile->GetUpgrade(upgrade);
    const CGSize win = villageui::winSize();

    auto dim = CCLayerColor::layerWithColor({0, 0, 0, 128}, win.width, win.height);
    dim->setPosition({-win.width / 2, -win.height / 2});
    addChild(dim.get());
    bcg = villageui::sprite("bg_build.png");
    bcg->setPosition({0, 0});
    addChild(bcg.get());
    menu = CCMenu::menuWithItems({});

    if (!upgrade_) {
        logLine("HirePopUp: no upgrade %d; only the close button is offered", upgrade);
        buildButtons(UpgradeItem(), false);
    } else {
        owned_ = profile->GetUpgradeCount(upgrade);
        buildPicture(*upgrade_);
        profile->SetObjectNotSeen(upgrade);
        buildRequirementLine(*upgrade_);
        buildBottomStrip();
        buildCosts();
        buildButtons(*upgrade_, act);
        if (upgrade_->Type == kTool) buildQuantity();
    }
    const CGSize box = bcg->contentSize();
    bcg->addChild(menu.get());
    if (GlobalObject* global = Shared<GlobalObject>::current()) global->DoTheBoing(bcg.get());
    menu->setPosition({box.width / 2, box.height / 2});

    if (upgrade == kFieldsBuilding && CraftButt != nullptr) {
        TutorialFrameDef* fieldsLesson = frame(7);
        TutorialFrameDef* buildLesson = frame(4);
        if (fieldsLesson != nullptr && buildLesson != nullptr && fieldsLesson->Done && fieldsLesson->ArrowAfter &&
            fieldsLesson->ArrowAfterDone && !buildLesson->ArrowAfterDone) {
            auto pointer = CCTutorialArrow::arrow();
            const CGSize size = CraftButt->contentSize();
            pointer->setPosition({size.width / 2, 1.2f * size.height});
            CraftButt->addChild(pointer.get(), 1);
            buildLesson->ArrowAfterDone = true;
        }
    }
    return upgrade_ != nullptr;
}

void HirePopUp::buildPicture(const UpgradeItem& upgrade)
{
    const CGSize box = bcg->contentSize();
    auto picture = villageui::sprite(format("%@.png", upgrade.PngName.c_str()));
    picture->setAnchorPoint({0.5f, 0});
    picture->setPosition({box.width / 2, villageui::trimmedBase(picture.get(), 0.765f * box.height)});
    bcg->addChild(picture.get());
    picture_ = picture.get();

    auto name = villageui::label(villageui::upgradeText(Type, "_NAME"), villageui::kBoldFont, pick(23, 36), {66, 56, 49});
    name->setAnchorPoint({0, 0.5f});
    name->setPosition({0.1f * box.width, pick(225, 450)});
    bcg->addChild(name.get());
    if (upgrade.Points > 0 && upgrade.Type != kTool) {
        auto exp = villageui::label(format("+%d EXP", upgrade.Points), villageui::kFont, pick(12, 24), {180, 169, 152});
        exp->setAnchorPoint({0, 0.5f});
        exp->setPosition({name->position().x + name->contentSize().width + pick(5, 10), name->position().y - pick(1, 2)});
        bcg->addChild(exp.get());
    }
    auto desc = villageui::boxLabel(villageui::upgradeText(Type, "_DESC"), {pick(230, 460), pick(150, 320)},
                                    villageui::kFont, pick(11, 22), {125, 105, 90});
    desc->setAnchorPoint({0, 0.5f});
    desc->setPosition({0.1f * box.width, pick(132, 265)});
    bcg->addChild(desc.get());
}

void HirePopUp::buildRequirementLine(const UpgradeItem& upgrade)
{
    Profile* profile = Profile::sharedInstance();
    const float y = pick(140, 280);
    const float left = pick(30, 60);
    const float size = pick(12, 24);
    constexpr ccColor3B kMissing {198, 101, 33};
    auto need = villageui::label(villageui::text("UPGRADES_NEED"), villageui::kFont, size, {125, 107, 94});
    need->setAnchorPoint({0, 0.5f});
    need->setPosition({left, y});
    bcg->addChild(need.get());
    float offset = std::floor(need->contentSize().width);

    std::vector<CCLabelTTF*> listed;
    auto place = [&](const std::string& s) {
        auto part = villageui::label(s, villageui::kFont, size, kMissing);
        part->setAnchorPoint({0, 0.5f});
        part->setPosition({left + offset, y});
        bcg->addChild(part.get());
        offset += part->contentSize().width;
        listed.push_back(part.get());
    };
    const std::vector<int32_t> missing = upgradecosts::missingUpgrades(upgrade, *profile);
    for (size_t i = 0; i < missing.size(); ++i) {
        const std::string name = villageui::upgradeText(missing[i], "_NAME");
        place(i + 1 < missing.size() ? name + ", " : name);
    }
    if (upgrade.ReqLevel > 0 && profile->PlayerLevel < upgrade.ReqLevel)
        place(format(missing.empty() ? "Lvl %d" : ", Lvl %d", upgrade.ReqLevel));
    if (listed.empty()) {
        need->removeFromParentAndCleanup(true);
        return;
    }
    requirement_.push_back(need.get());
    requirement_.insert(requirement_.end(), listed.begin(), listed.end());
}

void HirePopUp::buildBottomStrip()
{
    Profile* profile = Profile::sharedInstance();
    const CGSize box = bcg->contentSize();
    auto strip = villageui::sprite("popup_bottom_dark.png");
    strip->setAnchorPoint({0.5f, 0});
    strip->setPosition({box.width / 2, pick(20, 40)});
    bcg->addChild(strip.get());
    const CGSize stripSize = strip->contentSize();

    auto levelPlate = villageui::sprite("popup_lvl_bg.png");
    levelPlate->setPosition({0.15f * stripSize.width, 0.5f * stripSize.height});
    strip->addChild(levelPlate.get());
    auto level = villageui::label(format("%d", profile->PlayerLevel), villageui::kBoldFont, pick(11, 22), {254, 195, 60});
    level->setAnchorPoint({0, 0.5f});
    level->setPosition({pick(45, 90), levelPlate->contentSize().height / 2});
    levelPlate->addChild(level.get());

    auto goldPlate = villageui::sprite("popup_gold_bg.png");
    goldPlate->setPosition({0.85f * stripSize.width, 0.5f * stripSize.height});
    strip->addChild(goldPlate.get());
    tempN2G = villageui::label(format("%d", profile->GoldCount), villageui::kFont, pick(11, 22), {255, 255, 255});
    tempN2G->setAnchorPoint({0, 0.5f});
    tempN2G->setPosition({pick(30, 60), goldPlate->contentSize().height / 2});
    goldPlate->addChild(tempN2G.get());
}

void HirePopUp::buildCosts()
{
    Profile* profile = Profile::sharedInstance();
    ResItems = upgrade_->ResourceCostArr;
    for (size_t j = 0; j < ResItems.size(); ++j) {
        const ResourceCostItem& line = *ResItems[j];
        const int32_t need = unitNeed(j);
        const Resource* resource = profile->GetResource(line.ResourceId);
        const float x = pick(45, 90) + static_cast<float>(j) * pick(40, 80);
        auto picture = villageui::sprite(resource != nullptr ? format("%@.png", resource->PngName.c_str()) : "");
        picture->setScale(0.46f);
        picture->setPosition({x, pick(117, 234)});
        bcg->addChild(picture.get());
        const int32_t stock = profile->GetResourceCount(line.ResourceId);
        auto counter = CCCounterDrell::counterWithNumber(need, stock < need);
        counter->setPosition({x, pick(102, 204)});
        bcg->addChild(counter.get());
        ResCounters.push_back(counter);
        auto stockLabel = villageui::label(format("/%d", stock), villageui::kFont, pick(10, 20),
                                           stock < need ? kStockShort : kStockCovered);
        stockLabel->setAnchorPoint({0, 0.5f});
        stockLabel->setPosition({stockLabelX(need), 0});
        counter->addChild(stockLabel.get());
        stockLabels_.push_back(stockLabel.get());
    }
}

void HirePopUp::buildButtons(const UpgradeItem& upgrade, bool act)
{
    Profile* profile = Profile::sharedInstance();
    const CGSize box = bcg->contentSize();
    const float y = -0.31f * box.height;
    const bool craftMode = !upgrade.ResourceCostArr.empty() && act;
    const bool met = upgradecosts::requirementsMet(upgrade, *profile);
    const bool market = upgradecosts::goldPricesOpen(*profile);
    // Workers are never sold for gold; tools may be bought outside craft
    // mode even with requirements missing.
    bool instant = false;
    if (upgrade.Type != kWorker && upgrade.Money >= 1 && market)
        instant = craftMode ? met : (met || upgrade.Type == kTool);

    Ref<CCMenuItemSprite> craft;
    if (craftMode) {
        craft = villageui::button("build_button.png", "build_button_click.png", "",
                                  [this](CCMenuItem* sender) { GoodCallback(sender); });
        const char* key = upgrade.Type == kWorker     ? "UPGRADES_BUTTON_HIRE"
                          : upgrade.Type == kBuilding ? "UPGRADES_BUTTON_BUILD"
                                                      : "UPGRADES_BUTTON_CRAFT";
        villageui::caption(craft.get(), villageui::text(key), pick(14, 28), {151, 64, 10}, {255, 255, 255});
        CraftButt = craft.get();
    }
    auto close = villageui::button("cancel_button.png", "cancel_button_click.png", "",
                                   [this](CCMenuItem* sender) { BadCallback(sender); });
    villageui::caption(close.get(), villageui::text("BUTTON_CLOSE"), pick(14, 28), kDarkShadow, kPaleFront);
    closeButton_ = close.get();
    Ref<CCMenuItemSprite> buy;
    if (instant) {
        buy = villageui::button("instantbuy_button.png", "instantbuy_button_click.png", "",
                                [this](CCMenuItem* sender) { BuyCallback(sender); });
        const CGSize size = buy->contentSize();
        const std::string price = format("%d", upgrade.Money);
        auto shadow = villageui::label(price, villageui::kBoldFont, pick(14, 28), kDarkShadow);
        shadow->setPosition({size.width / 2 + pick(7, 20), size.height / 2 - 1});
        buy->addChild(shadow.get(), 2, kPriceShadowTag);
        auto front = villageui::label(price, villageui::kBoldFont, pick(14, 28), kPaleFront);
        front->setPosition({size.width / 2 + pick(7, 19), size.height / 2});
        buy->addChild(front.get(), 2, kPriceFrontTag);
        auto note = villageui::label(villageui::text("INSTANT_BUY_ID"), villageui::kFont, pick(9, 18), {123, 107, 94});
        note->setPosition({size.width / 2, 1.14f * size.height});
        buy->addChild(note.get(), 2);
        InstantButton = buy.get();
    }

    const float w = box.width;
    if (craft && buy) {
        craft->setPosition({0, y});
        close->setPosition({-0.28f * w, y});
        buy->setPosition({0.28f * w, y});
        for (CCMenuItem* item : {static_cast<CCMenuItem*>(craft.get()), static_cast<CCMenuItem*>(close.get()),
                                 static_cast<CCMenuItem*>(buy.get())})
            menu->addChild(item);
    } else if (craft) {
        close->setPosition({-0.16f * w, y});
        craft->setPosition({0.16f * w, y});
        menu->addChild(craft.get());
        menu->addChild(close.get());
    } else if (buy) {
        close->setPosition({-0.16f * w, y});
        buy->setPosition({0.16f * w, y});
        menu->addChild(close.get());
        menu->addChild(buy.get());
    } else {
        close->setPosition({0, y});
        menu->addChild(close.get());
    }
}

void HirePopUp::buildQuantity()
{
    const CGSize box = bcg->contentSize();
    auto holdButton = [](const char* stem, CCMenuCallback callback) {
        auto normal = villageui::sprite(format("tools_%s.png", stem));
        auto selected = villageui::sprite(format("tools_%s_click.png", stem));
        auto disabled = villageui::sprite(format("tools_%s_disable.png", stem));
        auto button = CCHoldButton::itemFromNormalSprite(normal.get(), selected.get(), disabled.get(), std::move(callback));
        button->SetActionRunTime(0.18f);
        button->SetHoldRepeatAction(true);
        return button;
    };
    auto up = holdButton("plus", [this](CCMenuItem* sender) { PlusCallback(sender); });
    up->setPosition({0.3f * box.width, 0.27f * box.height});
    menu->addChild(up.get());
    plus = up.get();
    auto down = holdButton("minus", [this](CCMenuItem* sender) { MinusCallback(sender); });
    down->setPosition({-0.3f * box.width, 0.27f * box.height});
    menu->addChild(down.get());
    minus = down.get();
    minus->setIsEnabled(false);
    cntr = CCCounterDrell::counterWithNumber(1);
    cntr->setPosition({51, 0});
    if (picture_ != nullptr) picture_->addChild(cntr.get());
}

void HirePopUp::SetInputActive(bool active)
{
    if (menu && menu->isTouchEnabled() != active) menu->setIsTouchEnabled(active);
}

void HirePopUp::placeStockLabel(size_t line, int32_t need)
{
    const int32_t stock = Profile::sharedInstance()->GetResourceCount(ResItems[line]->ResourceId);
    CCLabelTTF* label = stockLabels_[line];
    label->setColor(stock < need ? kStockShort : kStockCovered);
    label->setPosition({stockLabelX(need), 0});
}

void HirePopUp::PlusCallback(Object* sender)
{
    if (!cntr) return;
    villageui::playSound("selection_menu");
    showQuantity(cntr->GetValue() + 1, true, dynamic_cast<CCMenuItem*>(sender));
}

void HirePopUp::MinusCallback(Object* sender)
{
    // A held minus keeps firing after it is disabled at 1: it stops there.
    if (!cntr || cntr->GetValue() <= 1) return;
    villageui::playSound("selection_menu");
    showQuantity(cntr->GetValue() - 1, false, dynamic_cast<CCMenuItem*>(sender));
}

void HirePopUp::showQuantity(int32_t n, bool raised, CCMenuItem* sender)
{
    Profile* profile = Profile::sharedInstance();
    if (!raised && n == 1 && sender != nullptr) sender->setIsEnabled(false);
    bool covered = true;
    for (size_t i = 0; i < ResItems.size(); ++i) {
        const int32_t need = n * ResItems[i]->ResourceQuantity;
        const bool short_ = profile->GetResourceCount(ResItems[i]->ResourceId) < need;
        covered = covered && !short_;
        ResCounters[i]->SetNumber(need, short_);
        placeStockLabel(i, need);
    }
    cntr->SetNumber(n);
    if (raised && minus != nullptr) minus->setIsEnabled(true);
    if (InstantButton != nullptr && upgrade_) {
        const std::string price = format("%d", n * upgrade_->Money);
        for (int tag : {kPriceShadowTag, kPriceFrontTag}) {
            if (auto* label = dynamic_cast<CCLabelTTF*>(InstantButton->getChildByTag(tag))) label->setString(price);
        }
    }
    auto* craft = dynamic_cast<CCMenuItemSprite*>(CraftButt);
    if (craft == nullptr) return;
    if (raised && !covered) {
        craft->setIsEnabled(false);
        craft->setOpacity(kCraftDimmed);
    } else if (!raised && covered) {
        craft->setIsEnabled(true);
        craft->setOpacity(255);
    }
}

void HirePopUp::runActions(UpgradeItem& upgrade)
{
    if (!upgrade.Actions) return;
    for (Object* item : *upgrade.Actions) {
        if (auto* action = dynamic_cast<UpgradeAction*>(item)) action->RunAction(nullptr);
    }
}

HirePopUp::Placement HirePopUp::placementFor(int32_t upgrade)
{
    Profile* profile = Profile::sharedInstance();
    for (int32_t id = 1; id < Profile::kUpgradeSlots; ++id) {
        if (id == upgrade) continue;
        const UpgradeItem* other = profile->GetUpgrade(id);
        if (other != nullptr && other->NextUpdateEnum > 0 && other->NextUpdateEnum == upgrade)
            return {other->Group, kStateUpgrade};
    }
    const UpgradeItem* own = profile->GetUpgrade(upgrade);
    return {own != nullptr ? own->Group : 0, kStateBuild};
}

int32_t HirePopUp::cityLevelFor(int32_t upgrade)
{
    switch (upgrade) {
    case 88: return 1;
    case 101: return 2;
    case 89: return 3;
    case 27: return 4;
    case 90: return 5;
    case 38: return 6;
    default: return 0;
    }
}

void HirePopUp::takeBuilding(UpgradeItem& upgrade)
{
    Profile* profile = Profile::sharedInstance();
    profile->CurrentBuildingCount += 1;
    profile->increaseUpgradeCount(Type, 1);
    runActions(upgrade);
    if (profile->GetUpgradeCount(Type) >= upgrade.StageMaxQuantity) upgrade.DoneWithThat = true;
    const Placement placement = placementFor(Type);
    if (const int32_t level = cityLevelFor(Type); level > 0) profile->CityLevel = level;
    profile->RegenerateBuyIndexes();
    GuiObject* gui = hud();
    Ref<HirePopUp> keep(this);
    if (gui != nullptr) {
        gui->SetInputActive(true);
        gui->UpdateTopBar();
        gui->ChangeLayer(kMapLayer, placement.group, placement.state, Type);
        gui->UpdateSeenCounters();
    } else if (parent() != nullptr) {
        parent()->SetInputActive(true);
    }
    close();
}

void HirePopUp::takeTools(int32_t n)
{
    Profile* profile = Profile::sharedInstance();
    profile->CurrentTools += n;
    profile->increaseUpgradeCount(Type, n);
    profile->RegenerateBuyIndexes();
    profile->Save();
    Ref<HirePopUp> keep(this);
    GuiObject* gui = hud();
    CCLayer* layer = gui != nullptr ? gui->GetLayer() : nullptr;
    if (layer != nullptr) layer->SetInputActive(true);
    if (parent() != nullptr) parent()->SetInputActive(true);
    if (auto* list = dynamic_cast<ListLayer*>(layer)) list->ReloadData();
    if (gui != nullptr) {
        gui->UpdateSeenCounters();
        gui->UpdateTopBar();
    }
    close();
}

void HirePopUp::GoodCallback(Object*)
{
    if (!upgrade_) return;
    villageui::playSound("selection_menu");
    Profile* profile = Profile::sharedInstance();
    const int32_t n = quantity();
    for (size_t i = 0; i < ResItems.size(); ++i) {
        const int32_t amount = cntr ? n * ResItems[i]->ResourceQuantity : unitNeed(i);
        profile->increaseResource(ResItems[i]->ResourceId, -amount);
    }
    UpgradeItem& upgrade = *upgrade_;
    switch (upgrade.Type) {
    case kBuilding:
        advanceLessons(Type);
        takeBuilding(upgrade);
        break;
    case kTool: takeTools(n); break;
    case kWorker: {
        if (Type == kFieldWorker) markArrowDone(32);
        profile->AddExp(static_cast<float>(upgrade.Points), true);
        profile->increaseUpgradeCount(Type, 1);
        if (Type != upgradecosts::kFlatPricedWorker) profile->WorkersBought += 1;
        runActions(upgrade);
        profile->RegenerateBuyIndexes();
        Ref<HirePopUp> keep(this);
        GuiObject* gui = hud();
        CCLayer* layer = gui != nullptr ? gui->GetLayer() : nullptr;
        if (auto* list = dynamic_cast<ListLayer*>(layer)) list->ReloadData();
        if (layer != nullptr) layer->SetInputActive(true);
        if (parent() != nullptr) parent()->SetInputActive(true);
        if (gui != nullptr) {
            gui->UpdateTopBar();
            gui->ChangeLayer(kMapLayer, upgrade.Group, kStateHired, Type);
            gui->UpdateSeenCounters();
        }
        close();
        break;
    }
    default: logLine("HirePopUp: upgrade %d of type %d cannot be taken", Type, upgrade.Type); break;
    }
}

void HirePopUp::BuyCallback(Object*)
{
    if (!upgrade_) return;
    villageui::playSound("selection_buy");
    Profile* profile = Profile::sharedInstance();
    const int32_t n = quantity();
    const int32_t price = n * upgrade_->Money;
    if (profile->GoldCount < price) {
        if (!coinPanelOpen()) openCoinPanel();
        return;
    }
    UpgradeItem& upgrade = *upgrade_;
    if (upgrade.Type != kBuilding && upgrade.Type != kTool) {
        logLine("HirePopUp: upgrade %d of type %d is not sold for gold", Type, upgrade.Type);
        return;
    }
    profile->GoldCount -= price;
    profile->GoldSpent -= price;
    const bool building = upgrade.Type == kBuilding;
    TallyAnalytics::logEvent("MoneyUsage", {{"MoneyUsage", building ? "Buy Building" : "Buy Tool"}});
    if (building)
        takeBuilding(upgrade);
    else
        takeTools(n);
}

void HirePopUp::openCoinPanel()
{
    const CGSize win = villageui::winSize();
    Ref<CCMenuItemSprite> handle =
        villageui::button("microtransactions_list_open.png", "microtransactions_list_open.png",
                          "microtransactions_list_open.png", [this](CCMenuItem* sender) { CloseMicro(sender); });
    handle->setAnchorPoint({0.5f, 1});
    if (Ref<CCNode> list = session::makeCoinPackList(parent())) {
        list->setPosition({-win.width / 2 + handle->contentSize().width / 2, -win.height});
        handle->addChild(list.get(), -1);
    }
    auto panel = CCMenu::menuWithItems({handle.get()});
    panel->setAnchorPoint({0.5f, 1});
    panel->setPosition({0, -win.height / 2});
    addChild(panel.get(), 2, kCoinPanelTag);
    panel->runAction(CCEaseSineIn::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, 0.41f * win.height})).get());
    bcg->runAction(CCEaseSineIn::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, 0.24f * win.height})).get());
}

void HirePopUp::CloseMicro(Object*)
{
    CCNode* panel = getChildByTag(kCoinPanelTag);
    if (panel == nullptr) return;
    if (tempN2G) tempN2G->setString(format("%d", Profile::sharedInstance()->GoldCount));
    const CGSize win = villageui::winSize();
    panel->runAction(CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, -0.41f * win.height})).get());
    bcg->runAction(CCEaseSineOut::actionWithAction(CCMoveBy::actionWithDuration(0.5f, {0, -0.24f * win.height})).get());
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(0.5f).get(),
                                    CCCallBlock::actionWithBlock([this] { ClearAfterMicro(); }).get())
                  .get());
    menu->setIsTouchEnabled(false);
}

void HirePopUp::ClearAfterMicro()
{
    removeChildByTag(kCoinPanelTag, true);
    menu->setIsTouchEnabled(true);
}

void HirePopUp::BadCallback(Object*)
{
    villageui::playSound("selection_menu");
    Ref<HirePopUp> keep(this);
    GuiObject* gui = hud();
    if (gui != nullptr) gui->UpdateSeenCounters();
    if (parent() != nullptr) parent()->SetInputActive(true);
    if (gui != nullptr && gui->GetLayer() != nullptr) gui->GetLayer()->SetInputActive(true);
    close();
}

void HirePopUp::close() { removeFromParentAndCleanup(true); }

} // namespace mw
