#include <gtest/gtest.h>

#include <string>

#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSprite.h"
#include "game/boards/BoardTooltip.h"
#include "game/state/Collectible.h"
#include "game/boards/CCCounterDrell.h"
#include "game/boards/CCTooltip.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

class TooltipTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        world.established();
        scene_ = world.run.runPlainScene();
    }
    VillageWorld world {GetParam()};
    CCScene* scene_ = nullptr;
};

TEST(TooltipCountdown, ReadsHoursMinutesAndSeconds)
{
    struct Row {
        float seconds;
        const char* text;
    };
    const Row rows[] = {{0, "00:00:00"},         {59, "00:00:59"},         {3725, "01:02:05"},
                        {359999, "99:59:59"},    {360000, "100:00:00"},    {59.9f, "00:00:59"}};
    for (const Row& row : rows) EXPECT_EQ(CCTooltip::countdownText(row.seconds), row.text) << row.seconds;
}

TEST_P(TooltipTest, ABuildingShowsItsCountdownOnlyWhileItsBonusIsPending)
{
    const bool tablet = world.tablet();
    auto plain = CCTooltip::tooltipWithBuildingInfo(18, 100, 100);
    EXPECT_EQ(plain->timeTill(), nullptr);
    EXPECT_EQ(plain->timeTillText(), nullptr);
    EXPECT_EQ(plain->nameLabel()->string(), LocalisationManager::sharedInstance()->getValue("B_MARKET_NAME"));
    EXPECT_EQ(plain->nameLabel()->position(), (CGPoint{tablet ? 15.0f : 7.5f, tablet ? 120.0f : 60.0f}));
    EXPECT_EQ(plain->descriptionLabel()->position(), (CGPoint{tablet ? 15.0f : 7.5f, tablet ? 74.0f : 37.0f}));

    GlobalObject::sharedInstance()->GenerateNotification(1, 2, 5, 18);
    auto timed = CCTooltip::tooltipWithBuildingInfo(18, 100, 100);
    scene_->addChild(timed.get());
    ASSERT_NE(timed->timeTill(), nullptr);
    EXPECT_EQ(timed->timeTill()->string().substr(0, 5), "01:02");
    EXPECT_EQ(timed->timeTill()->position().x,
              timed->timeTillText()->position().x + timed->timeTillText()->contentSize().width);
    world.run.run(0.2);
    EXPECT_TRUE(timed->GetVisible());
    EXPECT_EQ(timed->scale(), 1.0f) << "popped in";

    // The bonus falls due: both captions go, the updates stop, it stays.
    GlobalObject::sharedInstance()->RemoveNotificationForTyp(18);
    world.run.run(1.0 / 30);
    EXPECT_EQ(timed->timeTill(), nullptr);
    EXPECT_EQ(timed->timeTillText(), nullptr);
    EXPECT_EQ(timed->panel()->children()->count(), 2u) << "name and description";
    EXPECT_NE(timed->parent(), nullptr);

    timed->ChangeVisible(false);
    EXPECT_FALSE(timed->GetVisible());
    world.run.run(0.05);
    EXPECT_NE(timed->parent(), nullptr);
    world.run.run(0.1);
    EXPECT_EQ(timed->parent(), nullptr) << "gone 0.1 s after hiding";
}

TEST_P(TooltipTest, CornersFlipThePanelAndShiftTheLabels)
{
    const bool tablet = world.tablet();
    const CGSize win = world.win();
    auto probe = CCTooltip::tooltipWithBuildingInfo(18, 0, 0);
    const CGSize panel = probe->panel()->textureRect().size;
    struct Row {
        const char* corner;
        int32_t x, y;
        bool flipX, flipY;
    };
    const Row rows[] = {
        {"bottom left", 10, 10, false, false},
        {"bottom right", static_cast<int32_t>(win.width) - 10, 10, true, false},
        {"top left", 10, static_cast<int32_t>(win.height) - 10, false, true},
        {"top right", static_cast<int32_t>(win.width) - 10, static_cast<int32_t>(win.height) - 10, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.corner);
        auto tooltip = CCTooltip::tooltipWithBuildingInfo(18, row.x, row.y);
        EXPECT_EQ(tooltip->panel()->flipX(), row.flipX);
        EXPECT_EQ(tooltip->panel()->flipY(), row.flipY);
        EXPECT_EQ(tooltip->panel()->anchorPoint(),
                  (CGPoint{row.flipX ? 0.875f : 0.125f, row.flipY ? 1.1f : -0.1f}));
        const float shift = row.flipY ? (tablet ? 20.0f : 10.0f) : 0.0f;
        EXPECT_EQ(tooltip->nameLabel()->position().y, (tablet ? 120.0f : 60.0f) - shift);
    }
    (void)panel;
    // One in a corner, as the player sees it.
    auto shown = CCTooltip::tooltipWithBuildingInfo(53, static_cast<int32_t>(win.width) - 20,
                                                    static_cast<int32_t>(win.height) - 40);
    shown->setPosition({win.width - 20, win.height - 40});
    scene_->addChild(shown.get());
    world.run.run(0.3);
    world.run.picture("tooltip-corner");
}

TEST_P(TooltipTest, AnimalsSoundFromTheirBuildings)
{
    struct Row {
        int32_t upgrade;
        const char* sound; // null: silent
    };
    const Row rows[] = {{50, "chicken"}, {53, "chicken"}, {55, "pig"}, {57, "pig"},
                        {59, "cow"},     {61, "cow"},     {18, nullptr}, {28, nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.upgrade);
        world.sounds.clear();
        (void)CCTooltip::tooltipWithBuildingInfo(row.upgrade, 100, 100);
        if (row.sound) {
            EXPECT_EQ(world.sounds, std::vector<std::string>{row.sound});
        } else {
            EXPECT_TRUE(world.sounds.empty());
        }
    }
}

TEST_P(TooltipTest, RecipesAndHintsShowWhatMakesWhat)
{
    Profile& profile = world.profile();
    // Bread and the tile kind that yields it.
    const Resource* bread = profile.GetResource(3);
    ASSERT_NE(bread, nullptr);
    auto recipe = CCTooltip::tooltipWithRecipeOfResource(3);
    ASSERT_NE(recipe, nullptr);
    int counters = 0;
    for (size_t i = 0; i < recipe->panel()->children()->count(); ++i) {
        if (auto* counter = dynamic_cast<CCCounterDrell*>(recipe->panel()->children()->objectAtIndex(i))) {
            ++counters;
            EXPECT_EQ(counter->zOrder(), 2);
        }
    }
    EXPECT_EQ(counters, 2);
    EXPECT_EQ(recipe->scale(), 0.8f) << "the small form";
    EXPECT_EQ(CCTooltip::tooltipWithRecipeOfResource(0), nullptr);
    EXPECT_EQ(CCTooltip::tooltipWithRecipeOfResource(-3), nullptr);

    // Tool hints: a picture for the kinds that need a tool, the text alone otherwise.
    struct Hint {
        int32_t kind;
        bool picture;
    };
    for (const Hint& hint : {Hint{2, true}, Hint{3, true}, Hint{20, true}, Hint{5, false}}) {
        SCOPED_TRACE(hint.kind);
        auto tooltip = BoardTooltip::tooltipWithError(hint.kind);
        ASSERT_NE(tooltip, nullptr);
        EXPECT_EQ(tooltip->kind(), BoardTooltip::Kind::Error);
    }
    auto number = BoardTooltip::tooltipWithNumber(bread->PngName, 4);
    EXPECT_EQ(number->number(), 4);
}

INSTANTIATE_TEST_SUITE_P(Devices, TooltipTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
