#include "game/village/screens/ToolsCell.h"

#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "game/state/Profile.h"
#include "game/state/ResourceCostItem.h"
#include "game/state/UpgradeItem.h"
#include "game/boards/CCCounterDrell.h"
#include "game/village/UpgradeCosts.h"
#include "game/village/VillageUi.h"

namespace mw {

using villageui::pick;

namespace {

constexpr ccColor3B kButtonLight {240, 231, 188};
constexpr ccColor3B kButtonDark {71, 57, 48};

} // namespace

Ref<ToolsCell> ToolsCell::rowWithIndex(uint32_t index)
{
    auto row = makeRef<ToolsCell>();
    (void)row->initWithIndex(index);
    return row;
}

bool ToolsCell::initWithIndex(uint32_t index)
{
    CCSprite* bg = setBackground("tools_list_bg1.png", index);
    Profile* profile = Profile::sharedInstance();
    if (bg == nullptr || index >= profile->ToolsDict.size()) {
        logLine("ToolsCell: no tool at row %u", index);
        return false;
    }
    ID = profile->ToolsDict[index];
    UpgradeItem* upgrade = profile->GetUpgrade(ID);
    if (upgrade == nullptr) {
        logLine("ToolsCell: no upgrade %d", ID);
        return false;
    }
    const int32_t owned = profile->GetUpgradeCount(ID);
    const CGSize box = bg->contentSize();

    auto picture = villageui::sprite(format("%@.png", upgrade->PngName.c_str()));
    picture->setAnchorPoint({0.5f, 0});
    picture->setPosition({pick(56, 116), villageui::trimmedBase(picture.get(), pick(13, 26))});
    bg->addChild(picture.get());

    addNewMarker(0.2f, 3);

    const CGPoint countAt {pick(80, 160), pick(19, 38)};
    auto plate = villageui::sprite("tools_nbr_bg.png");
    plate->setPosition(countAt);
    bg->addChild(plate.get());
    auto count = villageui::label(format("%d", owned), villageui::kBoldFont, pick(15, 30),
                                  ownedCountColour(owned, upgrade->StageMaxQuantity));
    count->setPosition(countAt);
    bg->addChild(count.get());
    count_ = count.get();

    canBought_ = true;
    const float t = pick(10, 24);
    for (size_t j = 0; j < upgrade->ResourceCostArr.size(); ++j) {
        const ResourceCostItem& line = *upgrade->ResourceCostArr[j];
        const Resource* resource = profile->GetResource(line.ResourceId);
        auto cost = villageui::sprite(resource != nullptr ? format("%@.png", resource->PngName.c_str()) : "");
        cost->setScale(0.46f);
        const CGPoint at {pick(120, 240) + pick(35, 70) * static_cast<float>(j), pick(20, 46)};
        cost->setPosition(at);
        bg->addChild(cost.get(), 1);
        const bool short_ = profile->GetResourceCount(line.ResourceId) < line.ResourceQuantity;
        if (short_) canBought_ = false;
        auto counter = CCCounterDrell::counterWithNumber(line.ResourceQuantity, short_);
        counter->setPosition({at.x + 0.7f * t, at.y - t});
        bg->addChild(counter.get(), 1);
    }

    auto name = villageui::label(villageui::upgradeText(ID, "_NAME"), villageui::kBoldFont, pick(12, 24),
                                 {233, 187, 96});
    name->setAnchorPoint({0, 0.5f});
    name->setPosition({pick(110, 220), 0.86f * box.height});
    bg->addChild(name.get());

    placeButton(*upgrade, owned);

    auto desc = villageui::boxLabel(villageui::upgradeText(ID, "_DESC_SHORT"), {pick(145, 380), pick(60, 120)},
                                    villageui::kFont, pick(11, 21), {123, 107, 94});
    desc->setAnchorPoint({0, 0.5f});
    desc->setPosition({pick(110, 220), pick(30, 60)});
    addChild(desc.get());
    return true;
}

void ToolsCell::placeButton(const UpgradeItem& upgrade, int32_t owned)
{
    const CGSize box = sprite->contentSize();
    makeMenu(sprite.get(), {0.5f * box.width, 0});
    Ref<CCMenuItemSprite> button;
    bool active = false;
    if (owned >= upgrade.StageMaxQuantity) {
        button = villageui::button("max_button.png", "max_button.png", "",
                                   [this](CCMenuItem* sender) { EmptyCallback(sender); });
    } else {
        active = canBought_ && upgradecosts::levelMet(upgrade, *Profile::sharedInstance());
        button = active ? villageui::button("list_button.png", "list_button_click.png", "",
                                            [this](CCMenuItem* sender) { BuildCallback(sender); })
                        : villageui::button("list_button_dark.png", "list_button_dark_click.png", "",
                                            [this](CCMenuItem* sender) { BuildNoCallback(sender); });
        villageui::caption(button.get(), villageui::text("UPGRADES_BUTTON_CRAFT"), pick(14, 28),
                           active ? kButtonLight : kButtonDark, active ? kButtonDark : kButtonLight);
    }
    button->setAnchorPoint({1, 0.5f});
    button->setPosition({pick(150, 360), 0.5f * box.height});
    menu->addChild(button.get(), 0, ID);
    button_ = button.get();
}

} // namespace mw
