#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/base/ccContentScale.h"
#include "engine/labels/CCLabelTTF.h"
#include "game/village/CCExpBar.h"
#include "game/village/LevelUpPopUp.h"
#include "tests/game/village/VillageTestSupport.h"

namespace mw {
namespace {

using test::VillageWorld;

TEST(ExpBarBanking, AFrameBanksAtMostWhatWaitsAndTheTotalIsWhatWaited)
{
    for (float dt : {1.0f / 30, 1.0f / 60, 0.25f, 2.0f}) {
        for (float waiting : {0.4f, 1.0f, 100.0f, 5000.0f}) {
            SCOPED_TRACE(testing::Message() << "dt " << dt << " waiting " << waiting);
            float left = waiting;
            float banked = 0;
            int frames = 0;
            while (left > 0 && frames < 100000) {
                const float step = CCExpBar::bankedPerFrame(left, dt);
                if (left >= 1) {
                    EXPECT_EQ(step, std::min(left, std::floor(std::max(dt * 10 * left, 1.0f))));
                    EXPECT_GE(step, 1.0f);
                } else {
                    EXPECT_EQ(step, left) << "a fraction goes in one frame";
                }
                EXPECT_LE(step, left) << "never more than waits";
                left -= step;
                banked += step;
                EXPECT_GE(left, 0.0f);
                ++frames;
            }
            EXPECT_NEAR(banked, waiting, waiting * 1e-5f);
            if (waiting == 0.4f) {
                EXPECT_EQ(frames, 1);
            }
            if (waiting == 100.0f && dt == 1.0f / 30) {
                EXPECT_GT(frames, 5) << "many frames, at least a point each";
            }
        }
    }
}

class ExpBarTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(world.run.ok()) << "no headless GL context";
        ASSERT_TRUE(world.ready());
        world.established();
        Profile& profile = world.profile();
        profile.LastExperienceStep = 100;
        profile.ExperienceStep = 300;
        profile.Experience = 150;
        profile.TempExperience = 0;
        world.start();
    }
    CCExpBar& bar() { return *world.hud().expBar(); }
    std::vector<LevelUpPopUp*> popUps()
    {
        std::vector<LevelUpPopUp*> found;
        for (size_t i = 0; i < world.hud().children()->count(); ++i)
            if (auto* popUp = dynamic_cast<LevelUpPopUp*>(world.hud().children()->objectAtIndex(i)))
                found.push_back(popUp);
        return found;
    }
    VillageWorld world {GetParam()};
};

TEST_P(ExpBarTest, BankingPlaysTheLoopOnlyOnTheMapWithTheInputOn)
{
    Profile& profile = world.profile();
    EXPECT_EQ(bar().label()->string(), "50/200 EXP");
    profile.TempExperience = 40;
    world.sounds.clear();
    world.run.run(3.0 / 60);
    EXPECT_EQ(world.played("experience_points_bar"), 1);
    EXPECT_NE(bar().loopSound(), CCExpBar::kNoSound);
    EXPECT_LT(profile.TempExperience, 40);

    // A list hides the bar: banking pauses, the loop stops.
    world.scene->ChangeLayer(VillageScene::kShopLayer);
    const float waiting = profile.TempExperience;
    world.run.run(0.2);
    EXPECT_EQ(bar().loopSound(), CCExpBar::kNoSound);
    EXPECT_EQ(profile.TempExperience, waiting);
    world.scene->ChangeLayer(VillageScene::kMapLayer);
    world.run.run(3.0 / 60);
    EXPECT_NE(bar().loopSound(), CCExpBar::kNoSound);
    EXPECT_EQ(world.played("experience_points_bar"), 2) << "started again";

    // A pop-up holds the HUD's input: silence too.
    world.hud().SetInputActive(false);
    world.run.run(3.0 / 60);
    EXPECT_EQ(bar().loopSound(), CCExpBar::kNoSound);
    world.hud().SetInputActive(true);
    world.run.run(3.0);
    EXPECT_EQ(profile.TempExperience, 0);
    EXPECT_EQ(profile.Experience, 190);
    EXPECT_EQ(bar().loopSound(), CCExpBar::kNoSound) << "stopped when all is banked";
    EXPECT_EQ(bar().label()->string(), "90/200 EXP");
}

TEST_P(ExpBarTest, CrossingALevelOpensOnePopUpAndWaitsForIt)
{
    Profile& profile = world.profile();
    const int32_t level = profile.PlayerLevel;
    profile.Experience = 290;
    profile.ExperienceStep = 300;
    ASSERT_LT(static_cast<size_t>(level) + 1, profile.LevelsArray.size());
    profile.TempExperience = 80;
    world.run.run(0.5);
    EXPECT_EQ(profile.PlayerLevel, level + 1);
    ASSERT_EQ(popUps().size(), 1u);
    EXPECT_EQ(popUps()[0]->zOrder(), 1);
    EXPECT_EQ(popUps()[0]->position(), (CGPoint{world.win().width / 2, world.win().height / 2}));
    EXPECT_FALSE(world.hud().IsActive());
    EXPECT_FALSE(world.map()->isTouchEnabled());
    EXPECT_EQ(world.hud().levelLabel()->string(), std::to_string(level + 1));
    const float waiting = profile.TempExperience;
    EXPECT_GT(waiting, 0);
    world.run.run(0.5);
    EXPECT_EQ(profile.TempExperience, waiting) << "banking waits for the pop-up";
    EXPECT_EQ(popUps().size(), 1u);

    popUps()[0]->CloseCallback(nullptr);
    EXPECT_TRUE(popUps().empty());
    EXPECT_TRUE(world.hud().IsActive());
    EXPECT_TRUE(world.map()->isTouchEnabled());
    world.run.run(2.0);
    EXPECT_EQ(profile.TempExperience, 0);
}

// The columns of the middle row of the bar that differ from the bar drawn
// empty: where the fill shows.
struct Span {
    int first = -1;
    int last = -1;
};

TEST_P(ExpBarTest, TheFillStartsAtTheBarsOwnLeftEdge)
{
    Profile& profile = world.profile();
    CCExpBarClipPart* fill = bar().proBar();
    const float scale = CC_CONTENT_SCALE_FACTOR();
    const CGPoint centre = fill->convertToWorldSpace({0, 0});
    const int widthPx = static_cast<int>(world.run.driver().director()->winSizeInPixels().width);
    const int heightPx = static_cast<int>(world.run.driver().director()->winSizeInPixels().height);
    const int row = heightPx - static_cast<int>(centre.y * scale);
    const auto drawAt = [&](float fraction) {
        profile.Experience = profile.LastExperienceStep + fraction * (profile.ExperienceStep - profile.LastExperienceStep);
        world.run.run(2.0 / 60);
        return world.run.driver().readPixels();
    };
    // The label changes with the numbers: out of the way of the comparison.
    bar().label()->setVisible(false);
    const std::vector<uint8_t> empty = drawAt(0);
    const auto fillSpan = [&](const std::vector<uint8_t>& drawn) {
        Span span;
        for (int x = 0; x < widthPx; ++x) {
            const size_t at = (static_cast<size_t>(row) * widthPx + x) * 4;
            int difference = 0;
            for (int c = 0; c < 3; ++c) difference += std::abs(int(drawn[at + c]) - int(empty[at + c]));
            if (difference > 24) {
                if (span.first < 0) span.first = x;
                span.last = x;
            }
        }
        return span;
    };
    // The whole fill picture, wherever its art starts and ends.
    const Span whole = fillSpan(drawAt(1));
    ASSERT_GE(whole.first, 0) << "the fill shows";
    const float left = centre.x - static_cast<float>(bar().width()) / 2;
    EXPECT_NEAR(whole.first, left * scale, 8) << "the fill lies on the bar";
    for (float fraction : {0.0f, 0.5f, 1.0f, 1.3f}) {
        SCOPED_TRACE(fraction);
        const Span span = fillSpan(drawAt(fraction));
        const float filled = static_cast<float>(bar().width()) * std::min(fraction, 1.0f);
        if (filled == 0) {
            EXPECT_EQ(span.first, -1) << "no fill";
            continue;
        }
        ASSERT_GE(span.first, 0) << "the fill shows";
        EXPECT_EQ(span.first, whole.first) << "filled from the bar's own left edge";
        const float end = std::min((left + filled) * scale, static_cast<float>(whole.last + 1));
        EXPECT_NEAR(span.last + 1, end, 3) << "as far as the fraction reaches";
    }
    world.run.picture("expbar-full");
}

INSTANTIATE_TEST_SUITE_P(Devices, ExpBarTest, ::testing::ValuesIn(test::kVillageDevices));

} // namespace
} // namespace mw
