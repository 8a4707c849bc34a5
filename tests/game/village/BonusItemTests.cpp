#include <gtest/gtest.h>

#include <string>

#include "engine/labels/CCLabelTTF.h"
#include "engine/particles/CCParticleSystem.h"
#include "game/state/Resource.h"
#include "game/village/CCBonusItem.h"
#include "game/boards/CCExpPoints.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

class BonusItemTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        world.established();
        world.start();
    }
    CCNode& holder() { return *world.hud().bonusParent(); }
    Ref<CCBonusItem> place(Ref<CCBonusItem> item, CGPoint at)
    {
        item->SetVParent(&world.hud());
        item->setPosition(at);
        holder().addChild(item.get());
        return item;
    }
    size_t count(bool (*is)(Object*))
    {
        size_t n = 0;
        if (!holder().children()) return 0;
        for (size_t i = 0; i < holder().children()->count(); ++i) n += is(holder().children()->objectAtIndex(i));
        return n;
    }

    VillageWorld world {GetParam()};
};

TEST_P(BonusItemTest, EachStateActsOnceAndCreditsOnce)
{
    Profile& profile = world.profile();
    struct Row {
        const char* name;
        std::function<Ref<CCBonusItem>()> make;
        std::function<int32_t()> balance;
        int32_t amount;
    };
    const Row rows[] = {
        {"gold", [] { return CCBonusItem::itemWithGold(30); }, [&] { return profile.GoldCount; }, 30},
        {"resource", [] { return CCBonusItem::itemWithResource(13, 4); }, [&] { return profile.GetResourceCount(13); }, 4},
        {"tool", [] { return CCBonusItem::itemWithTool(24, 2); }, [&] { return profile.GetUpgradeCount(24); }, 2},
    };
    const CGPoint at = {world.win().width / 2, world.win().height / 3};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // A double tap: flying twice is one flight, one credit on arrival.
        const int32_t before = row.balance();
        const int32_t earned = profile.GoldEarned;
        Ref<CCBonusItem> item = place(row.make(), at);
        item->SetState(CCBonusItem::kFlying);
        item->SetState(CCBonusItem::kFlying);
        EXPECT_EQ(row.balance(), before);
        world.run.run(1.1);
        EXPECT_EQ(item->parent(), nullptr) << "arrived and gone";
        EXPECT_EQ(row.balance(), before + row.amount);
        if (std::string(row.name) == "gold") {
            EXPECT_EQ(profile.GoldEarned, earned + row.amount);
        }
        item->SetState(CCBonusItem::kArrived);
        EXPECT_EQ(row.balance(), before + row.amount) << "the same state again does nothing";

        // Collect-all while falling: credited once, at once.
        Ref<CCBonusItem> falling = place(row.make(), at);
        falling->Bounce();
        falling->SetState(CCBonusItem::kCollected);
        falling->SetState(CCBonusItem::kCollected);
        EXPECT_EQ(falling->parent(), nullptr);
        EXPECT_EQ(row.balance(), before + 2 * row.amount);
    }
    EXPECT_EQ(world.hud().goldLabel()->string(), std::to_string(profile.GoldCount)) << "arrival refreshed the top bar";

    // Experience goes to the bar's waiting pool; collected at once, silently.
    const float waiting = profile.TempExperience;
    world.sounds.clear();
    Ref<CCBonusItem> xp = place(CCBonusItem::itemWithXP(12), at);
    xp->SetState(CCBonusItem::kCollected);
    EXPECT_EQ(profile.TempExperience, waiting + 12);
    EXPECT_TRUE(world.sounds.empty());
    world.run.run(2.0);
    EXPECT_EQ(count([](Object* o) { return dynamic_cast<CCParticleSystem*>(o) != nullptr; }), 0u)
        << "trails and bursts remove themselves";
}

// The lift that starts the fall only shows the item popping out: it lands
// half its height above the point it was dropped at, inside the window.
TEST_P(BonusItemTest, ItemsLandHalfTheirHeightAboveTheDropInsideTheWindow)
{
    const float w = world.win().width;
    world.scene->GetLayer()->setVisible(false); // only the items matter here: quicker frames
    Random::srandom(99);
    for (int draw = 0; draw < 24; ++draw) {
        const float x = draw % 2 == 0 ? 2.0f : w - 2.0f;
        Ref<CCBonusItem> item = place(CCBonusItem::itemWithGold(1), {x, 200});
        const CGSize size = item->contentSize();
        item->Bounce();
        world.run.run(1.35);
        EXPECT_GE(item->position().x, size.width - 0.01f) << draw;
        EXPECT_LE(item->position().x, w - size.width + 0.01f) << draw;
        EXPECT_NEAR(item->position().y, 200 + size.height / 2, 0.01f) << draw;
        item->removeFromParentAndCleanup(true);
    }
}

TEST_P(BonusItemTest, AtLevelOneALandedItemPointsAtItselfAndExperienceDropsThePointer)
{
    world.profile().PlayerLevel = 1;
    const CGPoint at = {world.win().width / 2, 200};
    Ref<CCBonusItem> gold = place(CCBonusItem::itemWithGold(1), at);
    Ref<CCBonusItem> xp = place(CCBonusItem::itemWithXP(5), at);
    gold->Bounce();
    xp->Bounce();
    world.run.run(1.4);
    ASSERT_NE(gold->getChildByTag(CCBonusItem::kArrowTag), nullptr);
    ASSERT_NE(xp->getChildByTag(CCBonusItem::kArrowTag), nullptr);
    gold->SetState(CCBonusItem::kFlying);
    xp->SetState(CCBonusItem::kFlying);
    EXPECT_NE(gold->getChildByTag(CCBonusItem::kArrowTag), nullptr) << "flies with its arrow";
    EXPECT_EQ(xp->getChildByTag(CCBonusItem::kArrowTag), nullptr);
    EXPECT_EQ(count([](Object* o) { return dynamic_cast<CCExpPoints*>(o) != nullptr; }), 2u);

    world.profile().PlayerLevel = 2;
    Ref<CCBonusItem> later = place(CCBonusItem::itemWithGold(1), at);
    later->Bounce();
    world.run.run(1.4);
    EXPECT_EQ(later->getChildByTag(CCBonusItem::kArrowTag), nullptr);
}

TEST_P(BonusItemTest, EachKindFliesToItsCounter)
{
    const bool tablet = world.tablet();
    const float w = world.win().width;
    struct Row {
        Ref<CCBonusItem> item;
        CGPoint tablet, phone;
    };
    const Row rows[] = {
        {CCBonusItem::itemWithResource(17, 1), {401, 996}, {150, 465}},
        {CCBonusItem::itemWithResource(13, 1), {732, 996}, {305, 465}},
        {CCBonusItem::itemWithTool(24, 1), {732, 996}, {305, 465}},
        {CCBonusItem::itemWithXP(3), {w / 2, 956}, {w / 2, 450}},
        {CCBonusItem::itemWithGold(3), {627, 996}, {265, 465}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item->kind());
        EXPECT_EQ(row.item->flightTarget(), tablet ? row.tablet : row.phone);
        (void)place(row.item, {100, 100});
        row.item->SetState(CCBonusItem::kFlying);
        ASSERT_NE(row.item->trail(), nullptr);
        world.run.run(1.05);
        const CGPoint target = tablet ? row.tablet : row.phone;
        EXPECT_NEAR(row.item->position().x, target.x, 0.5);
        EXPECT_NEAR(row.item->position().y, target.y, 0.5);
        EXPECT_EQ(row.item->parent(), nullptr) << "arrived";
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, BonusItemTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
