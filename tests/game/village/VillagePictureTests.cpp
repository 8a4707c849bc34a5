#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "game/village/CCBonusItem.h"
#include "game/boards/CCTooltip.h"
#include "game/village/LevelUpPopUp.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

// The village as the player sees it; the pictures go to
// $MOSSWICK_TEST_PICTURES when it is set. Whatever is drawn, the screen is
// not blank.
class VillagePictureTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        world.established();
        world.build(25, 35);
        world.build(51, 57);
        world.build(52, 50);
        world.build(27, 44);
        for (int32_t upgrade : {28, 53, 35}) world.profile().GetUpgrade(upgrade)->BonusReady = true;
    }
    static int distinctColours(const std::vector<uint8_t>& pixels)
    {
        std::vector<uint32_t> seen;
        for (size_t i = 0; i + 3 < pixels.size() && seen.size() < 64; i += 4 * 97) {
            const uint32_t colour = pixels[i] << 16 | pixels[i + 1] << 8 | pixels[i + 2];
            if (std::find(seen.begin(), seen.end(), colour) == seen.end()) seen.push_back(colour);
        }
        return static_cast<int>(seen.size());
    }
    VillageWorld world {GetParam()};
};

TEST_P(VillagePictureTest, TheMapWithReadyMarksAndBonusesInFlight)
{
    world.start();
    world.run.run(0.5);
    EXPECT_GT(distinctColours(world.run.driver().readPixels()), 20);
    world.run.picture("village-map");
    // A tooltip at the hen-house in the top-left corner, as a touch shows it.
    CCNode* henHouse = world.map()->pageParent()->getChildByTag(53);
    const CGPoint at = {henHouse->position().x, henHouse->position().y + 10};
    auto tooltip = CCTooltip::tooltipWithBuildingInfo(53, static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
    tooltip->setPosition(at);
    world.map()->addChild(tooltip.get(), 10, MapScene::kTooltipTag);
    world.run.run(0.3);
    world.run.picture("village-tooltip");
    world.map()->removeChild(tooltip.get(), true);
    MapScene& map = *world.map();
    CCNode* bakery = map.pageParent()->getChildByTag(28);
    map.SpawnBonuses(28, static_cast<int32_t>(bakery->position().x), static_cast<int32_t>(bakery->position().y), true);
    map.SpawnBonuses(35, 200, 300, true);
    world.run.run(2.6);
    world.run.picture("village-bonuses");
    CCNode* holder = world.hud().bonusParent();
    for (size_t i = 0; i < holder->children()->count(); ++i) {
        if (auto* item = dynamic_cast<CCBonusItem*>(holder->children()->objectAtIndex(i)))
            item->SetState(CCBonusItem::kFlying);
    }
    world.run.run(0.45);
    world.run.picture("village-flight");
}

TEST_P(VillagePictureTest, TheLevelUpPopUp)
{
    world.start();
    world.profile().PlayerLevel = 12;
    Ref<LevelUpPopUp> popUp = LevelUpPopUp::popUp();
    popUp->setPosition({world.win().width / 2, world.win().height / 2});
    world.hud().addChild(popUp.get(), 1);
    world.run.run(1.6);
    EXPECT_GT(distinctColours(world.run.driver().readPixels()), 20);
    world.run.picture("village-levelup");
}

INSTANTIATE_TEST_SUITE_P(Devices, VillagePictureTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
