#include "game/village/screens/BuildingCell.h"

#include <cmath>

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "game/state/Profile.h"
#include "game/state/ResourceCostItem.h"
#include "game/state/UpgradeItem.h"
#include "game/boards/CCCounterDrell.h"
#include "game/boards/CCTutorialArrow.h"
#include "game/village/UpgradeCosts.h"
#include "game/village/VillageUi.h"
#include "game/village/screens/BuildingsLayer.h"

namespace mw {

using villageui::pick;

namespace {

constexpr ccColor3B kMissing {255, 0, 0};
constexpr ccColor3B kRowText {203, 195, 173};
constexpr ccColor3B kNoneOwned {123, 109, 79};
constexpr ccColor3B kTitle {233, 187, 96};
constexpr ccColor3B kButtonLight {240, 231, 188};
constexpr ccColor3B kButtonDark {71, 57, 48};

constexpr int32_t kFieldsBuilding = 91;
constexpr int32_t kBakery = 28;

TutorialFrameDef* frame(int32_t n) { return Profile::sharedInstance()->GetTutorialDef(n); }

} // namespace

Ref<BuildingCell> BuildingCell::rowWithIndex(uint32_t index)
{
    auto row = makeRef<BuildingCell>();
    (void)row->initWithIndex(index);
    return row;
}

bool BuildingCell::initWithEndInfo()
{
    endRow_ = true;
    CCSprite* bg = setBackground("list_updates_coming.png", 0);
    if (bg != nullptr) {
        auto heading = villageui::label(villageui::text("ENDGAME_H"), villageui::kBoldFont, pick(13, 26), kTitle);
        heading->setAnchorPoint({0, 1});
        heading->setPosition({pick(11, 22), bg->contentSize().height - pick(7, 14)});
        bg->addChild(heading.get());
    }
    const CGSize box {pick(300, 700), pick(28, 56)};
    auto first = villageui::boxLabel(villageui::text("ENDGAME_1"), box, villageui::kFont, pick(11, 21), {123, 107, 91});
    first->setAnchorPoint({0, 0.5f});
    first->setPosition({pick(11, 22), pick(90, 174)});
    addChild(first.get());
    auto second = villageui::boxLabel(villageui::text("ENDGAME_4"), box, villageui::kFont, pick(11, 21), {255, 243, 215});
    second->setAnchorPoint({0, 0.5f});
    second->setPosition({pick(11, 22), pick(61, 124)});
    addChild(second.get());
    return true;
}

bool BuildingCell::initWithIndex(uint32_t index)
{
    // One rule for the row count and the rows: the castle owned puts the end
    // row first and moves every offer one row down.
    const bool endRow = BuildingsLayer::showsEndRow();
    if (endRow && index == 0) return initWithEndInfo();
    const uint32_t shift = endRow ? 1 : 0;
    noclick = false;
    CCSprite* bg = setBackground("list_bg1_hire.png", index);
    Profile* profile = Profile::sharedInstance();
    const uint32_t offer = index - shift;
    if (bg == nullptr || offer >= profile->BuildingsDict.size()) {
        logLine("BuildingCell: no building at row %u", index);
        return false;
    }
    ID = profile->BuildingsDict[offer];
    UpgradeItem* upgrade = profile->GetUpgrade(ID);
    if (upgrade == nullptr) {
        logLine("BuildingCell: no upgrade %d", ID);
        return false;
    }
    const int32_t owned = profile->GetUpgradeCount(ID);
    const CGSize box = bg->contentSize();

    auto picture = villageui::sprite(format("%@.png", upgrade->PngName.c_str()));
    picture->setAnchorPoint({0.5f, 0});
    picture->setPosition({pick(152, 360), villageui::trimmedBase(picture.get(), pick(42, 86))});
    bg->addChild(picture.get());

    addNewMarker(0.45f, 10);

    auto count = villageui::label(format("%d", owned), villageui::kBoldFont, pick(15, 30),
                                  owned > 0 ? kRowText : kNoneOwned);
    count->setPosition({pick(181, 425), pick(24, 48)});
    bg->addChild(count.get());

    canBought_ = true;
    placeCosts(*upgrade);
    const bool nothingMissing = placeRequirements(*upgrade);

    auto name = villageui::label(villageui::upgradeText(ID, "_NAME"), villageui::kBoldFont, pick(13, 26), kTitle);
    name->setAnchorPoint({0, 1});
    name->setPosition({pick(11, 22), box.height - pick(7, 22)});
    bg->addChild(name.get());
    if (upgrade->Points >= 1) {
        auto exp = villageui::label(format("+%d EXP", upgrade->Points), villageui::kFont, pick(11, 22), {176, 162, 141});
        exp->setAnchorPoint({0, 0.5f});
        const CGSize nameSize = name->contentSize();
        exp->setPosition({name->position().x + 1.05f * nameSize.width, name->position().y - nameSize.height / 2});
        bg->addChild(exp.get());
    }

    if (upgrade->Money != 0 && nothingMissing && upgradecosts::goldPricesOpen(*profile)) placeGoldPrice(*upgrade);
    placeButton(*upgrade);

    auto desc = villageui::boxLabel(villageui::upgradeText(ID, "_DESC_SHORT"), {pick(98, 230), pick(150, 300)},
                                    villageui::kFont, pick(11, 21), {123, 107, 94});
    desc->setAnchorPoint({0, 0.5f});
    desc->setPosition({pick(11, 22), pick(28, 45)});
    addChild(desc.get());

    if (!goldShown_ && !canBought_) {
        auto padlock = villageui::sprite("list_padlock.png");
        padlock->setPosition({pick(181, 425), pick(30, 60)});
        addChild(padlock.get());
        padlock_ = true;
    }
    return true;
}

void BuildingCell::placeCosts(const UpgradeItem& upgrade)
{
    Profile* profile = Profile::sharedInstance();
    const float t = pick(12, 24);
    for (size_t j = 0; j < upgrade.ResourceCostArr.size(); ++j) {
        const ResourceCostItem& line = *upgrade.ResourceCostArr[j];
        const Resource* resource = profile->GetResource(line.ResourceId);
        const float column = static_cast<float>(j % 3);
        const float row = static_cast<float>(j / 3);
        auto picture = villageui::sprite(resource != nullptr ? format("%@.png", resource->PngName.c_str()) : "");
        picture->setScale(0.46f);
        const CGPoint at {pick(220, 560) + pick(40, 80) * column, pick(96, 192) - pick(42, 84) * row};
        picture->setPosition(at);
        sprite->addChild(picture.get(), 1);
        const bool short_ = profile->GetResourceCount(line.ResourceId) < line.ResourceQuantity;
        if (short_) canBought_ = false;
        auto counter = CCCounterDrell::counterWithNumber(line.ResourceQuantity, short_);
        counter->setPosition({at.x + 0.7f * t, at.y - t});
        sprite->addChild(counter.get(), 1);
    }
}

bool BuildingCell::placeRequirements(const UpgradeItem& upgrade)
{
    Profile* profile = Profile::sharedInstance();
    const float size = pick(12, 24);
    const float step = pick(12, 24);
    const float left = pick(10, 20);
    auto need = villageui::label(villageui::text("UPGRADES_NEED"), villageui::kFont, size, kRowText);
    need->setAnchorPoint({0, 0});
    need->setPosition({left, pick(43, 54)});
    addChild(need.get());
    const float needWidth = std::floor(need->contentSize().width);
    const float firstLineY = step + pick(31, 30);
    const float lowerBase = pick(31, 30);

    const std::vector<int32_t> missing = upgradecosts::missingUpgrades(upgrade, *profile);
    std::vector<CCLabelTTF*> placed;
    if (upgrade.ReqLevel >= 1 && upgrade.ReqLevel > profile->PlayerLevel) {
        auto level = villageui::label(format(missing.empty() ? "Lvl %d" : "Lvl %d,", upgrade.ReqLevel),
                                      villageui::kFont, size, kMissing);
        level->setAnchorPoint({0, 0});
        level->setPosition({needWidth + left, firstLineY});
        addChild(level.get());
        placed.push_back(level.get());
        canBought_ = false;
    }
    for (size_t i = 0; i < missing.size(); ++i) {
        canBought_ = false;
        // Every name but the last carries a comma, so the names read as a list.
        std::string text = villageui::upgradeText(missing[i], "_NAME");
        if (i + 1 < missing.size()) text += ",";
        auto name = villageui::label(text, villageui::kFont, size, kMissing);
        name->setAnchorPoint({0, 0});
        const float m = static_cast<float>(placed.size());
        name->setPosition({placed.empty() ? needWidth + left : left, lowerBase - (m - 1) * step});
        addChild(name.get());
        placed.push_back(name.get());
    }
    if (placed.empty()) {
        need->removeFromParentAndCleanup(true);
        return true;
    }
    requirement_.push_back(need.get());
    requirement_.insert(requirement_.end(), placed.begin(), placed.end());
    return false;
}

void BuildingCell::placeGoldPrice(const UpgradeItem& upgrade)
{
    goldShown_ = true;
    const float y = pick(17, 34);
    auto coin = villageui::sprite("coins_small_ico.png");
    coin->setAnchorPoint({1, 0.5f});
    coin->setPosition({pick(306, 750), y});
    sprite->addChild(coin.get());
    auto price = villageui::label(format("%d", upgrade.Money), villageui::kFont, pick(12, 24), {255, 255, 255});
    price->setAnchorPoint({1, 0.5f});
    price->setPosition({coin->position().x - 1.2f * coin->contentSize().width, y});
    sprite->addChild(price.get());
    if (!upgrade.ResourceCostArr.empty()) {
        auto orLabel = villageui::label(villageui::text("OR_ID"), villageui::kFont, pick(11, 22), {158, 146, 130});
        orLabel->setAnchorPoint({1, 0.5f});
        orLabel->setPosition({price->position().x - price->contentSize().width - 12, y});
        sprite->addChild(orLabel.get());
    }
}

void BuildingCell::placeButton(const UpgradeItem& upgrade)
{
    const CGSize box = sprite->contentSize();
    makeMenu(sprite.get(), {0.5f * box.width, 0});
    const bool active = canBought_ && upgradecosts::levelMet(upgrade, *Profile::sharedInstance());
    Ref<CCMenuItemSprite> button =
        active ? villageui::button("list_button.png", "list_button_click.png", "list_button_click.png",
                                   [this](CCMenuItem* sender) { BuildCallback(sender); })
               : villageui::button("list_button_dark.png", "list_button_dark_click.png", "",
                                   [this](CCMenuItem* sender) { BuildNoCallback(sender); });
    button->setAnchorPoint({1, 0.5f});
    button->setPosition({0, pick(24, 47)});
    menu->addChild(button.get(), 0, ID);
    villageui::caption(button.get(), villageui::text("UPGRADES_BUTTON_BUILD"), pick(14, 28),
                       active ? kButtonLight : kButtonDark, active ? kButtonDark : kButtonLight);
    if (!active) return;

    const CGSize size = button->contentSize();
    bool arrow = false;
    if (ID == kFieldsBuilding) {
        TutorialFrameDef* fieldsLesson = frame(7);
        TutorialFrameDef* buildLesson = frame(6);
        if (fieldsLesson != nullptr && buildLesson != nullptr && fieldsLesson->Done && fieldsLesson->ArrowAfter &&
            fieldsLesson->ArrowAfterDone && !buildLesson->ArrowAfterDone) {
            buildLesson->ArrowAfterDone = true;
            arrow = true;
        }
    } else if (ID == kBakery) {
        TutorialFrameDef* bakeryLesson = frame(19);
        arrow = bakeryLesson != nullptr && bakeryLesson->Done && bakeryLesson->ArrowAfter &&
                !bakeryLesson->ArrowAfterDone;
    }
    if (arrow) {
        auto pointer = CCTutorialArrow::arrow();
        pointer->setPosition({size.width / 2, size.height});
        button->addChild(pointer.get(), 1);
    }
}

} // namespace mw
