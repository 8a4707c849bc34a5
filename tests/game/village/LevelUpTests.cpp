#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "engine/particles/CCParticleSystem.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "foundation/Paths.h"
#include "game/state/SaveFile.h"
#include "game/village/CCBonusItem.h"
#include "game/village/LevelUpPopUp.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

class LevelUpTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        world.established();
        world.start();
    }
    Ref<LevelUpPopUp> open()
    {
        Ref<LevelUpPopUp> popUp = LevelUpPopUp::popUp();
        popUp->setPosition({world.win().width / 2, world.win().height / 2});
        world.hud().addChild(popUp.get(), 1);
        return popUp;
    }
    VillageWorld world {GetParam()};
};

TEST_P(LevelUpTest, TheRewardOfALevelIsPaidOnceWhenThePopUpOpens)
{
    Profile& profile = world.profile();
    const std::vector<int32_t>& bonuses = profile.LevelsBonusArray;
    ASSERT_GE(bonuses.size(), 3u);
    struct Row {
        int32_t level;
        int32_t reward;
    };
    const Row rows[] = {
        {1, bonuses[0]},
        {2, bonuses[1]},
        {static_cast<int32_t>(bonuses.size()), bonuses.back()},
        {static_cast<int32_t>(bonuses.size()) + 1, 0}, // past the list
        {static_cast<int32_t>(bonuses.size()) + 9, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.level);
        profile.PlayerLevel = row.level;
        const int32_t gold = profile.GoldCount;
        const int32_t earned = profile.GoldEarned;
        world.sounds.clear();
        Ref<LevelUpPopUp> popUp = open();
        EXPECT_EQ(popUp->bonus(), row.reward);
        EXPECT_EQ(profile.GoldCount, gold + row.reward);
        EXPECT_EQ(profile.GoldEarned, earned + row.reward);
        EXPECT_EQ(world.played("level_up"), 1);
        world.run.run(0.3);
        EXPECT_EQ(profile.GoldCount, gold + row.reward) << "once";
        popUp->CloseCallback(nullptr);
    }
}

TEST_P(LevelUpTest, OpeningSavesInTheBackgroundEvenWhileASaveRuns)
{
    Profile& profile = world.profile();
    profile.saveFile().waitUntilIdle();
    std::remove(SaveFile::path().c_str());
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> writes{0};
    profile.saveFile().setWriteHookForTesting([&] {
        if (++writes == 1) released.wait();
    });
    profile.SaveInBcg(); // a save already running: wait until it writes, or
                         // the level's newer save could overtake it
    for (int waited = 0; writes.load() == 0 && waited < 5000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(writes.load(), 1) << "the running save never started";
    profile.GoldCount = 500;
    profile.PlayerLevel = 2;
    Ref<LevelUpPopUp> popUp = open();
    release.set_value();
    profile.saveFile().waitUntilIdle();
    profile.saveFile().setWriteHookForTesting(nullptr);
    EXPECT_EQ(writes.load(), 2) << "the level's save follows the running one";
    const int32_t paid = profile.GoldCount;
    profile.GoldCount = 0;
    ASSERT_TRUE(profile.Load());
    EXPECT_EQ(profile.GoldCount, paid) << "the reward is in the save";
}

TEST_P(LevelUpTest, TheLevelIsSpelledInLetterImagesAndCentred)
{
    EXPECT_EQ(LevelUpPopUp::letterFrames(9),
              (std::vector<std::string>{"L.png", "E.png", "V.png", "E.png", "L.png", "9.png"}));
    EXPECT_EQ(LevelUpPopUp::letterFrames(12),
              (std::vector<std::string>{"L.png", "E.png", "V.png", "E.png", "L.png", "1.png", "2.png"}));
    world.profile().PlayerLevel = 12;
    Ref<LevelUpPopUp> popUp = open();
    CCNode* word = popUp->levelWord();
    ASSERT_EQ(word->children()->count(), 7u);
    float x = 0;
    for (size_t k = 0; k < 7; ++k) {
        auto* letter = static_cast<CCSprite*>(word->children()->objectAtIndex(k));
        EXPECT_EQ(letter->position().x, x) << k;
        EXPECT_EQ(letter->opacity(), 0) << "hidden until its turn";
        x += letter->contentSize().width;
        if (k == 4) x += letter->contentSize().width / 2;
    }
    const CGSize bg = popUp->background()->textureRect().size;
    EXPECT_FLOAT_EQ(word->position().x, bg.width / 2 - x / 2);
    world.run.run(0.22 + 0.05 * 6 + 0.35);
    for (size_t k = 0; k < 7; ++k)
        EXPECT_EQ(static_cast<CCSprite*>(word->children()->objectAtIndex(k))->opacity(), 255) << k;
}

TEST_P(LevelUpTest, SparksFallInsideTheirBox)
{
    Ref<LevelUpPopUp> popUp = open();
    const float r = LevelUpPopUp::sparkRadius();
    for (int i = 0; i < 40; ++i) popUp->SpawnParticle(0);
    int sparks = 0;
    for (size_t i = 0; i < popUp->children()->count(); ++i) {
        auto* node = static_cast<CCNode*>(popUp->children()->objectAtIndex(i));
        if (!dynamic_cast<CCParticleSystem*>(node)) continue;
        ++sparks;
        EXPECT_LE(std::fabs(node->position().x), r);
        EXPECT_LE(std::fabs(node->position().y), r);
        EXPECT_EQ(node->zOrder(), 1);
    }
    EXPECT_EQ(sparks, 40);
}

TEST_P(LevelUpTest, ClosingGivesTheInputBackAndRunsTheTutorialCheck)
{
    Ref<LevelUpPopUp> popUp = open();
    world.hud().SetInputActive(false);
    world.map()->SetInputActive(false);
    world.sounds.clear();
    popUp->CloseCallback(popUp->continueButton());
    EXPECT_EQ(popUp->parent(), nullptr);
    EXPECT_TRUE(world.hud().IsActive());
    EXPECT_TRUE(world.map()->isTouchEnabled()) << "the map's check gave its input back";
    EXPECT_EQ(world.played("selection_menu"), 1);
    const size_t scheduled = popUp->numberOfRunningActions();
    (void)scheduled;
}

INSTANTIATE_TEST_SUITE_P(Devices, LevelUpTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
