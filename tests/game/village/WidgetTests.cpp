#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analytics/TallyAnalytics.h"
#include "engine/base/ccContentScale.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/menus/CCMenu.h"
#include "engine/particles/CCParticleSystem.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/state/LocalisationManager.h"
#include "game/village/AchievementPopUp.h"
#include "game/boards/CCCounterDrell.h"
#include "game/village/CCDownSizeButton.h"
#include "game/boards/CCExpPoints.h"
#include "game/village/CCSeenCounter.h"
#include "game/boards/CCTutorialArrow.h"
#include "foundation/Random.h"
#include "tests/game/front/FrontTestSupport.h"

namespace mw {
namespace {

float points(const CCLabelTTF* label) { return label->fontSizeInPixels() / CC_CONTENT_SCALE_FACTOR(); }

bool shows(CCSprite* sprite, const std::string& frame)
{
    Ref<CCSpriteFrame> wanted = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame);
    return sprite != nullptr && wanted && sprite->isFrameDisplayed(wanted.get());
}

// An action started between two frames takes its first step (of no time)
// at the next one, so everything it moves runs a frame behind its start.
constexpr double kLag = 1.0 / 60;

// A device with the village sheets loaded, the global object made for it
// and a plain scene running.
class WidgetTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run_.ok()) << "no headless GL context";
        scene_ = run_.runPlainScene();
        (void)GlobalObject::sharedInstance();
        ASSERT_TRUE(run_.loadVillageSheets());
        TallyAnalytics::clearRecordedEvents();
    }
    void TearDown() override { TallyAnalytics::clearRecordedEvents(); }
    bool tablet() const { return GlobalObject::sharedInstance()->isIpad; }

    test::DeviceRun run_ {GetParam()};
    CCScene* scene_ = nullptr;
};

class CounterTest : public WidgetTest { };

TEST_P(CounterTest, PlateFollowsTheDigitsAndTheStyle)
{
    struct Row {
        int32_t number;
        bool red;
        const char* plate;
    };
    const Row rows[] = {
        {0, false, "resource_number_bg_x1.png"},        {9, false, "resource_number_bg_x1.png"},
        {10, false, "resource_number_bg_x2.png"},       {999, false, "resource_number_bg_x3.png"},
        {1000, false, "resource_number_bg_x4.png"},     {10000, false, "resource_number_bg_x4.png"},
        {-5, false, "resource_number_bg_x2.png"},       {7, true, "resource_number_bg_x1_red.png"},
        {10000, true, "resource_number_bg_x4_red.png"},
    };
    const float fontSize = tablet() ? 24.0f : 12.0f;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        auto counter = CCCounterDrell::counterWithNumber(row.number, row.red);
        EXPECT_EQ(CCCounterDrell::plateFrameName(row.number, row.red), row.plate);
        EXPECT_TRUE(shows(counter->plate(), row.plate));
        EXPECT_EQ(counter->label()->string(), std::to_string(row.number));
        EXPECT_EQ(points(counter->label()), fontSize);
        EXPECT_EQ(counter->label()->parent(), counter->plate());
        EXPECT_EQ(counter->plate()->parent(), counter.get());
        const CGSize plate = counter->plate()->contentSize();
        EXPECT_EQ(counter->label()->position(), (CGPoint {plate.width / 2, plate.height / 2}));
        EXPECT_EQ(counter->GetValue(), row.number);
        for (uint8_t opacity : {counter->opacity(), counter->label()->opacity(), counter->plate()->opacity()})
            EXPECT_EQ(opacity, 255);
    }
}

TEST_P(CounterTest, ANewNumberRebuildsAndPulsesTheSameNumberDoesNothing)
{
    auto counter = CCCounterDrell::counterWithNumber(7);
    scene_->addChild(counter.get());
    Ref<CCSprite> plate(counter->plate());
    counter->SetNumber(7);
    EXPECT_EQ(counter->plate(), plate.get()) << "no rebuild";
    EXPECT_EQ(counter->numberOfRunningActions(), 0u) << "no pulse";

    counter->SetNumber(12, true);
    EXPECT_NE(counter->plate(), plate.get());
    EXPECT_TRUE(shows(counter->plate(), "resource_number_bg_x2_red.png"));
    EXPECT_EQ(counter->label()->string(), "12");
    EXPECT_EQ(counter->GetValue(), 12);
    EXPECT_EQ(counter->plate()->parent(), counter.get());
    EXPECT_EQ(plate->parent(), nullptr) << "the old plate is gone";
    run_.run(0.15 + kLag);
    EXPECT_NEAR(counter->scale(), 1.5f, 0.01f);
    run_.run(0.15);
    EXPECT_NEAR(counter->scale(), 1.0f, 0.01f);
    run_.run(0.1);
    EXPECT_EQ(counter->scale(), 1.0f);
}

TEST_P(CounterTest, OpacityOfEachPart)
{
    auto counter = CCCounterDrell::counterWithNumber(42);
    counter->setOpacity(100);
    EXPECT_EQ(counter->opacity(), 100);
    EXPECT_EQ(counter->label()->opacity(), 100);
    EXPECT_EQ(counter->plate()->opacity(), 100);
    counter->CounterAlpha(10.9f, 200.5f);
    EXPECT_EQ(counter->label()->opacity(), 10) << "truncated";
    EXPECT_EQ(counter->textOpacity(), 10);
    EXPECT_EQ(counter->plate()->opacity(), 200);
    // A counter faded out by its owner stays faded with a new number.
    counter->CounterAlpha(0, 0);
    counter->SetNumber(43);
    EXPECT_EQ(counter->label()->opacity(), 0);
    EXPECT_EQ(counter->plate()->opacity(), 0);
}

class SeenCounterTest : public WidgetTest { };

TEST_P(SeenCounterTest, PictureFollowsTheDigitCountAndTheLabelIsPlacedAgain)
{
    struct Row {
        int32_t from;
        int32_t to;
        const char* before;
        const char* after;
        bool replaced;
    };
    const Row rows[] = {
        {9, 10, "alert_01.png", "alert_02.png", true},
        {12, 3, "alert_02.png", "alert_01.png", true},
        {10, 15, "alert_02.png", "alert_02.png", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.from);
        auto badge = CCSeenCounter::counterWithNumber(row.from, 0);
        EXPECT_TRUE(shows(badge->picture(), row.before));
        Ref<CCSprite> picture(badge->picture());
        badge->SetNumber(row.to);
        EXPECT_EQ(badge->picture() != picture.get(), row.replaced);
        EXPECT_TRUE(shows(badge->picture(), row.after));
        EXPECT_EQ(badge->GetValue(), row.to);
        EXPECT_EQ(badge->label()->string(), std::to_string(row.to));
        EXPECT_EQ(badge->label()->parent(), badge->picture());
        EXPECT_EQ(badge->picture()->scale(), 0.8f);
        const CGSize size = badge->picture()->contentSize();
        EXPECT_EQ(badge->label()->position(), (CGPoint {size.width * 0.5f, size.height * 0.6f}));
        EXPECT_EQ(points(badge->label()), tablet() ? 28.0f : 14.0f);
    }
}

TEST_P(SeenCounterTest, PopsInAfterItsDelayAndHideShrinksAndRemoves)
{
    auto badge = CCSeenCounter::counterWithNumber(4, 0.5f);
    scene_->addChild(badge.get());
    EXPECT_EQ(badge->scale(), 0.8f);
    run_.run(0.5 + 0.1 + kLag);
    EXPECT_NEAR(badge->scale(), 1.2f, 0.01f);
    run_.run(0.1);
    EXPECT_NEAR(badge->scale(), 0.95f, 0.01f);
    run_.run(0.15);
    EXPECT_EQ(badge->scale(), 1.0f);

    badge->Hide();
    run_.run(0.05 + kLag);
    EXPECT_EQ(badge->parent(), scene_);
    run_.run(0.07);
    EXPECT_EQ(badge->parent(), nullptr);
    EXPECT_NEAR(badge->scale(), 0.3f, 0.01f);
}

class DownSizeButtonTest : public WidgetTest { };

TEST_P(DownSizeButtonTest, QuickTapsThroughTheDriverEndAtTheFirstScale)
{
    int taps = 0;
    auto button = CCDownSizeButton::itemFromFrameName("alert_01.png", [&](CCMenuItem*) { ++taps; });
    ASSERT_NE(button, nullptr);
    button->setScale(1.25f);
    auto menu = CCMenu::menuWithItems({button.get()});
    menu->setPosition({100, 100});
    scene_->addChild(menu.get());
    run_.run(1.0 / 60);
    const float viewHeight = run_.driver().director()->winSize().height;
    const CGPoint at {100, viewHeight - 100};

    Ref<UITouch> touch = run_.driver().touchDown(at);
    run_.run(0.05);
    EXPECT_LT(button->scale(), 1.25f);
    EXPECT_GT(button->scale(), 1.25f * 0.92f);
    for (int i = 0; i < 4; ++i) {
        run_.driver().touchUp(touch.get());
        run_.run(2.0 / 60);
        touch = run_.driver().touchDown(at);
        run_.run(2.0 / 60);
    }
    run_.run(0.2);
    EXPECT_NEAR(button->scale(), 1.25f * 0.92f, 1e-4f) << "held: shrunk from the first scale";
    run_.driver().touchUp(touch.get());
    run_.run(0.2);
    EXPECT_EQ(button->scale(), 1.25f);
    EXPECT_EQ(taps, 5);

    button->setIsEnabled(false);
    touch = run_.driver().touchDown(at);
    run_.run(0.2);
    EXPECT_EQ(button->scale(), 1.25f) << "a disabled button does not shrink";
    run_.driver().touchUp(touch.get());
}

class TutorialArrowTest : public WidgetTest { };

TEST_P(TutorialArrowTest, BobsUpAndBackFromItsRestingPlace)
{
    auto arrow = CCTutorialArrow::arrow();
    scene_->addChild(arrow.get());
    ASSERT_NE(arrow->picture(), nullptr);
    const float rest = tablet() ? -10.0f : -5.0f;
    const float rise = tablet() ? 40.0f : 20.0f;
    EXPECT_EQ(arrow->picture()->anchorPoint(), (CGPoint {0.5f, 0}));
    EXPECT_EQ(arrow->picture()->zOrder(), 3);
    struct Sample {
        double at;
        float share; // of the rise
    };
    const Sample samples[] = {{0.0, 0.0f}, {0.3, 0.5f}, {0.6, 1.0f}, {0.9, 0.5f}, {1.2, 0.0f}, {1.5, 0.5f}};
    double now = -kLag;
    for (const Sample& sample : samples) {
        run_.run(sample.at - now);
        now = sample.at;
        EXPECT_NEAR(arrow->picture()->position().y, rest + sample.share * rise, 0.005f * rise) << sample.at;
        EXPECT_EQ(arrow->picture()->position().x, 0);
    }
}

class AchievementBannerTest : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
        TallyAnalytics::clearRecordedEvents(); // the table's own language event
    }
};

TEST_P(AchievementBannerTest, SlidesInWaitsSlidesOutAndGoes)
{
    auto banner = AchievementPopUp::showOnRunningScene("ACH_HIRE1", 5);
    ASSERT_NE(banner, nullptr);
    const CGSize window = run_.driver().director()->winSize();
    const float width = banner->contentSize().width;
    ASSERT_GT(width, 0);
    EXPECT_EQ(banner->parent(), scene_);
    EXPECT_EQ(banner->zOrder(), 10);
    EXPECT_EQ(banner->anchorPoint(), (CGPoint {0, 0.5f}));
    EXPECT_EQ(banner->title()->string(), LocalisationManager::sharedInstance()->getValue("ACH_HIRE1"));
    EXPECT_EQ(banner->points()->string(), "5 pts");
    EXPECT_EQ(points(banner->title()), tablet() ? 22.0f : 11.0f);

    struct Sample {
        double at;
        float x;
    };
    const Sample samples[] = {
        {0.0, window.width},
        {0.4, window.width - 0.95f * width},
        {3.4, window.width - 0.95f * width},
        {3.8 - 1.0 / 60, window.width + 0.05f * width},
    };
    double now = -kLag;
    for (const Sample& sample : samples) {
        run_.run(sample.at - now);
        now = sample.at;
        EXPECT_NEAR(banner->position().x, sample.x, 0.01f * width) << sample.at;
        EXPECT_EQ(banner->position().y, window.height * 0.15f);
    }
    EXPECT_EQ(banner->parent(), scene_) << "still there just before 3.8 s";
    run_.run(2.0 / 60);
    EXPECT_EQ(banner->parent(), nullptr) << "removed at 3.8 s";

    const std::vector<TallyAnalytics::Event> events = TallyAnalytics::recordedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].name, "Achievement");
    EXPECT_EQ(events[0].parameters, (TallyAnalytics::Parameters {{"Achievement", "ACH_HIRE1"}}));
}

TEST_P(AchievementBannerTest, TwoAtOnceKeepTheirOwnTimingAndAMissingKeyShowsTheMissingText)
{
    auto first = AchievementPopUp::showOnRunningScene("ACH_TAX1000", 10);
    run_.run(0.5);
    auto second = AchievementPopUp::showOnRunningScene("NO_SUCH_ACHIEVEMENT_KEY", 20);
    EXPECT_EQ(second->title()->string(), "NO STRING");
    run_.run(3.3);
    EXPECT_EQ(first->parent(), scene_);
    run_.run(2.0 / 60);
    EXPECT_EQ(first->parent(), nullptr);
    EXPECT_EQ(second->parent(), scene_) << "the second runs half a second later";
    run_.run(0.5);
    EXPECT_EQ(second->parent(), nullptr);
    EXPECT_EQ(TallyAnalytics::recordedEvents().size(), 2u);
}

// All four widgets on one screen, for the eye.
class WidgetPictureTest : public WidgetTest { };

TEST_P(WidgetPictureTest, AllFourOnOneScreen)
{
    const CGSize window = run_.driver().director()->winSize();
    int x = 0;
    for (int32_t number : {3, 42, 999, 12345, -5}) {
        auto counter = CCCounterDrell::counterWithNumber(number, number < 0);
        counter->setPosition({window.width * (0.12f + 0.19f * x++), window.height * 0.8f});
        scene_->addChild(counter.get());
    }
    auto narrow = CCSeenCounter::counterWithNumber(7, 0);
    narrow->setPosition({window.width * 0.3f, window.height * 0.6f});
    scene_->addChild(narrow.get());
    auto wide = CCSeenCounter::counterWithNumber(23, 0);
    wide->setPosition({window.width * 0.7f, window.height * 0.6f});
    scene_->addChild(wide.get());
    auto button = CCDownSizeButton::itemFromFrameName("resource_number_bg_x4.png", {});
    ASSERT_NE(button, nullptr);
    auto menu = CCMenu::menuWithItems({button.get()});
    menu->setPosition({window.width * 0.5f, window.height * 0.4f});
    scene_->addChild(menu.get());
    auto arrow = CCTutorialArrow::arrow();
    arrow->setPosition({window.width * 0.5f, window.height * 0.15f});
    scene_->addChild(arrow.get());
    run_.run(0.3);
    run_.picture("widgets");
    const test::RGBA centre = run_.gl().readPixel(run_.gl().width() / 2, run_.gl().height() * 4 / 10);
    EXPECT_GT(centre.a, 0);
}

class ExpPointsTest : public WidgetTest { };

TEST_P(ExpPointsTest, PopsInElasticallyRisesFadesAndLeavesWithItsSparks)
{
    struct Row {
        bool experience;
        const char* text;
    };
    for (const Row& row : {Row {true, "+7 EXP"}, Row {false, "+7"}}) {
        SCOPED_TRACE(row.text);
        // The rise is 50 points plus 15 times the next draw of the game's random source.
        Random::srandom(41);
        const float rise = 50 + 15 * static_cast<float>(Random::random()) / 2147483648.0f;
        Random::srandom(41);
        auto holder = CCNode::node();
        scene_->addChild(holder.get());
        Ref<CCExpPoints> label = CCExpPoints::rewardWithPoints(7, 100, 80, row.experience);
        holder->addChild(label.get());
        EXPECT_EQ(label->position(), (CGPoint {100, 80}));
        ASSERT_NE(label->label(), nullptr);
        EXPECT_EQ(label->label()->string(), row.text);
        EXPECT_EQ(points(label->label()), tablet() ? 26.0f : 13.0f);
        EXPECT_EQ(label->label()->scale(), 0.0f) << "starts invisible, then pops";
        int bursts = 0;
        for (size_t i = 0; i < label->children()->count(); ++i) {
            auto* burst = dynamic_cast<CCParticleSystem*>(label->children()->objectAtIndex(i));
            if (burst == nullptr) continue;
            ++bursts;
            EXPECT_EQ(burst->zOrder(), CCExpPoints::kBurstZ);
            EXPECT_TRUE(burst->autoRemoveOnFinish());
        }
        EXPECT_EQ(bursts, 1);

        // The elastic ease overshoots the full size before it settles on it.
        float largest = 0;
        for (int frame = 0; frame < 18; ++frame) {
            run_.run(1.0 / 60);
            largest = std::max(largest, label->label()->scale());
        }
        EXPECT_GT(largest, 1.05f);
        run_.run(0.8 - 18.0 / 60);
        EXPECT_NEAR(label->label()->scale(), 1.0f, 0.02f);
        EXPECT_EQ(label->label()->opacity(), 255) << "the fade waits a second";
        run_.run(0.25);
        EXPECT_EQ(label->parent(), holder.get()) << "still there at 1.05 s";
        EXPECT_LT(label->label()->opacity(), 255);
        run_.run(0.2);
        EXPECT_EQ(label->parent(), nullptr) << "gone after 1.2 s";
        EXPECT_NEAR(label->label()->position().y, rise, 0.5f);
        EXPECT_LT(label->label()->opacity(), 40) << "faded out";
        holder->removeFromParentAndCleanup(true);
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, CounterTest, ::testing::Values("phone", "tablet-hd"));
INSTANTIATE_TEST_SUITE_P(Devices, SeenCounterTest, ::testing::Values("phone", "tablet-hd"));
INSTANTIATE_TEST_SUITE_P(Devices, DownSizeButtonTest, ::testing::Values("phone-hd", "tablet"));
INSTANTIATE_TEST_SUITE_P(Devices, TutorialArrowTest, ::testing::Values("phone", "tablet-hd"));
INSTANTIATE_TEST_SUITE_P(Devices, AchievementBannerTest, ::testing::Values("phone", "tablet-hd"));
INSTANTIATE_TEST_SUITE_P(Devices, ExpPointsTest, ::testing::Values("phone", "tablet-hd"));
INSTANTIATE_TEST_SUITE_P(Devices, WidgetPictureTest, ::testing::Values("phone", "tablet-hd"));

} // namespace
} // namespace mw
