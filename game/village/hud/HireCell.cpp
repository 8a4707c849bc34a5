#include "game/village/hud/HireCell.h"

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/support/CCArray.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Utf16.h"
#include "game/state/Profile.h"
#include "game/state/ResourceCostItem.h"
#include "game/state/UpgradeAction.h"
#include "game/state/UpgradeItem.h"
#include "game/boards/CCCounterDrell.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/UpgradeCosts.h"
#include "game/village/VillageUi.h"

namespace mw {

using villageui::pick;

namespace {

constexpr ccColor3B kButtonLight {240, 231, 188};
constexpr ccColor3B kButtonDark {71, 57, 48};
constexpr ccColor3B kText {123, 107, 94};

std::string pictureOf(const std::string& pngName) { return format("%@.png", pngName.c_str()); }

} // namespace

Ref<HireCell> HireCell::rowWithIndex(uint32_t index)
{
    auto row = makeRef<HireCell>();
    (void)row->initWithIndex(index);
    return row;
}

bool HireCell::initWithIndex(uint32_t index)
{
    CCSprite* bg = setBackground("list_bg1_hire.png", index);
    Profile* profile = Profile::sharedInstance();
    if (bg == nullptr || index >= profile->WorkersDict.size()) {
        logLine("HireCell: no worker at row %u", index);
        return false;
    }
    ID = profile->WorkersDict[index];
    UpgradeItem* upgrade = profile->GetUpgrade(ID);
    if (upgrade == nullptr) {
        logLine("HireCell: no upgrade %d", ID);
        return false;
    }
    const int32_t owned = profile->GetUpgradeCount(ID);
    const CGSize box = bg->contentSize();

    auto picture = villageui::sprite(pictureOf(upgrade->PngName));
    picture->setAnchorPoint({0.5f, 0});
    picture->setPosition({pick(152, 360), villageui::trimmedBase(picture.get(), pick(42, 86))});
    bg->addChild(picture.get());

    addNewMarker(0.38f, 10);

    auto count = villageui::label(format("%d", owned), villageui::kBoldFont, pick(15, 30),
                                  ownedCountColour(owned, upgrade->StageMaxQuantity));
    count->setPosition({pick(181, 425), pick(24, 48)});
    bg->addChild(count.get());
    count_ = count.get();

    canBought_ = true;
    if (owned < upgrade->StageMaxQuantity) placeCosts(*upgrade, owned);

    auto name = villageui::label(villageui::upgradeText(ID, "_NAME"), villageui::kBoldFont, pick(13, 26),
                                 {233, 187, 96});
    name->setAnchorPoint({0, 1});
    name->setPosition({pick(12, 22), box.height - pick(12, 22)});
    bg->addChild(name.get());
    if (upgrade->Points >= 1) {
        auto exp = villageui::label(format("+%d", upgrade->Points), villageui::kFont, pick(14, 28), {203, 195, 173});
        exp->setAnchorPoint({0, 0});
        const CGSize nameSize = name->contentSize();
        exp->setPosition({name->position().x + 1.05f * nameSize.width, name->position().y - 0.96f * nameSize.height});
        bg->addChild(exp.get());
    }

    placeLevel(*upgrade);
    placeButton(*upgrade, owned);

    auto desc = villageui::boxLabel(villageui::upgradeText(ID, "_DESC_SHORT"), {pick(98, 230), pick(150, 300)},
                                    villageui::kFont, pick(10, 20), kText);
    desc->setAnchorPoint({0, 0.5f});
    desc->setPosition({pick(11, 22), pick(22, 45)});
    addChild(desc.get());

    if (ID == kFieldWorker && CraftBtn != nullptr) {
        TutorialFrameDef* lesson = profile->GetTutorialDef(32);
        if (lesson != nullptr && lesson->Done && lesson->ArrowAfter && !lesson->ArrowAfterDone) {
            auto pointer = CCTutorialArrow::arrow();
            pointer->setPosition({CraftBtn->contentSize().width / 2, CraftBtn->contentSize().height});
            CraftBtn->addChild(pointer.get(), 1);
        }
    }

    if (ID != upgradecosts::kFlatPricedWorker) {
        auto now = villageui::label(villageui::text("WORKER_NOW"), villageui::kFont, pick(11, 20), kText);
        now->setAnchorPoint({0, 0.5f});
        now->setPosition({pick(11, 22), 0.39f * box.height});
        bg->addChild(now.get());
    }
    placeEffect(*upgrade);
    return true;
}

void HireCell::placeCosts(const UpgradeItem& upgrade, int32_t owned)
{
    Profile* profile = Profile::sharedInstance();
    for (size_t k = 0; k < upgrade.ResourceCostArr.size(); ++k) {
        const ResourceCostItem& line = *upgrade.ResourceCostArr[k];
        const Resource* resource = profile->GetResource(line.ResourceId);
        const int32_t price = upgradecosts::unitPrice(upgrade, line, owned);
        auto picture = villageui::sprite(resource != nullptr ? pictureOf(resource->PngName) : "");
        picture->setScale(0.46f);
        const CGPoint at {pick(220, 560) + pick(40, 80) * static_cast<float>(k % 3),
                          pick(96, 192) - pick(42, 84) * static_cast<float>(k / 3)};
        picture->setPosition(at);
        sprite->addChild(picture.get(), 1);
        const bool short_ = profile->GetResourceCount(line.ResourceId) < price;
        if (short_) canBought_ = false;
        auto counter = CCCounterDrell::counterWithNumber(price, short_);
        counter->setPosition({at.x + pick(8.4f, 16.8f), at.y - pick(12, 24)});
        sprite->addChild(counter.get(), 1);
        costs_.push_back(counter.get());
    }
}

void HireCell::placeLevel(const UpgradeItem& upgrade)
{
    if (upgrade.ReqLevel <= 0) return;
    auto spacer = villageui::sprite("list_population_spacer.png");
    spacer->setAnchorPoint({0, 0.5f});
    spacer->setPosition({pick(10, 20), pick(29, 58)});
    addChild(spacer.get());
    auto plate = villageui::sprite("popup_lvl_bg.png");
    plate->setAnchorPoint({0, 0});
    plate->setPosition({pick(9, 18), pick(9, 18)});
    addChild(plate.get());
    const bool missing = Profile::sharedInstance()->PlayerLevel < upgrade.ReqLevel;
    if (missing) canBought_ = false;
    auto level = villageui::label(format("%d", upgrade.ReqLevel), villageui::kFont, pick(12, 24),
                                  missing ? ccColor3B {255, 0, 0} : ccColor3B {233, 186, 95});
    level->setAnchorPoint({0, 0.5f});
    level->setPosition({pick(35, 73), pick(15, 30)});
    addChild(level.get());
    level_ = level.get();
}

void HireCell::placeButton(const UpgradeItem& upgrade, int32_t owned)
{
    const CGSize box = sprite->contentSize();
    makeMenu(sprite.get(), {box.width / 2, 0});
    const float y = pick(24, 47);
    Ref<CCMenuItemSprite> button;
    if (owned >= upgrade.StageMaxQuantity) {
        button = villageui::button("max_button.png", "max_button.png", "",
                                   [this](CCMenuItem* sender) { EmptyCallback(sender); });
        button->setPosition({0, y});
    } else {
        const std::string caption = villageui::text("UPGRADES_BUTTON_HIRE");
        const bool wide = utf16Length(caption) > 7;
        const bool active = canBought_;
        if (active) {
            button = villageui::button(wide ? "list_button_medium.png" : "list_button.png",
                                       wide ? "list_button_medium_click.png" : "list_button_click.png", "",
                                       [this](CCMenuItem* sender) { BuildCallback(sender); });
            CraftBtn = button.get();
        } else {
            button = villageui::button(wide ? "list_button_dark_medium.png" : "list_button_dark.png",
                                       wide ? "list_button_dark_medium_click.png" : "list_button_dark_click.png", "",
                                       [this](CCMenuItem* sender) { BuildNoCallback(sender); });
        }
        button->setPosition({wide ? pick(7, 15) : 0.0f, y});
        const float d = pick(0, 1);
        villageui::caption(button.get(), caption, pick(14, 28), active ? kButtonLight : kButtonDark,
                           active ? kButtonDark : kButtonLight, {1, d - 1}, {0, d});
    }
    button->setAnchorPoint({1, 0.5f});
    menu->addChild(button.get(), 0, ID);
    button_ = button.get();
}

void HireCell::placeEffect(const UpgradeItem& upgrade)
{
    if (!upgrade.Actions || upgrade.Actions->count() == 0) return;
    const auto* action = dynamic_cast<const UpgradeAction*>(upgrade.Actions->objectAtIndex(0));
    if (action == nullptr) return;
    Profile* profile = Profile::sharedInstance();
    std::string from;
    std::string to;
    int32_t fromCount = 0;
    if (action->ID == 0) {
        const Collectible* kind = profile->GetCollectible(action->IDAction);
        const Collectible* next = kind != nullptr ? profile->GetCollectible(kind->nextCollectible) : nullptr;
        if (kind == nullptr || next == nullptr) return;
        from = kind->pngName;
        to = next->pngName;
        fromCount = kind->nextCollectibleCount;
    } else if (action->ID == 1) {
        const Collectible* kind = nullptr;
        for (int32_t id = 0; id <= 24 && kind == nullptr; ++id) {
            const Collectible* candidate = profile->GetCollectible(id);
            if (candidate != nullptr && candidate->nextResource == action->IDAction) kind = candidate;
        }
        const Resource* resource = profile->GetResource(action->IDAction);
        if (kind == nullptr || resource == nullptr) return;
        from = kind->pngName;
        to = resource->PngName;
        fromCount = kind->nextResourceCount;
    } else {
        return;
    }
    const CGSize box = sprite->contentSize();
    const float y = 0.22f * box.height;
    auto first = villageui::sprite(pictureOf(from));
    first->setScale(0.56f);
    first->setPosition({0.07f * box.width, y});
    sprite->addChild(first.get());
    auto second = villageui::sprite(pictureOf(to));
    second->setScale(0.56f);
    second->setPosition({0.22f * box.width, y});
    sprite->addChild(second.get());
    const CGSize firstSize = first->contentSize();
    for (auto [picture, number] : {std::pair {first.get(), fromCount}, std::pair {second.get(), 1}}) {
        auto counter = CCCounterDrell::counterWithNumber(number);
        counter->setPosition({picture->position().x + 0.3f * firstSize.width, y - 0.3f * firstSize.height});
        sprite->addChild(counter.get());
    }
    auto arrow = villageui::sprite("Tutorial_red_arrow.png");
    arrow->setPosition({0.15f * box.width, y});
    if (!villageui::onTablet()) arrow->setScale(0.8f);
    sprite->addChild(arrow.get());
    effectFrom_ = first.get();
    effectTo_ = second.get();
}

} // namespace mw
