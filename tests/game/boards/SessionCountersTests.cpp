#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/labels/CCLabelTTF.h"
#include "engine/sprites/CCSprite.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "game/boards/CCCalendar.h"
#include "game/boards/CCFoodBar.h"
#include "game/boards/CCTimeStripCounter.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw {
namespace {

using test::BoardTest;
using test::RGBA;

bool shows(const CCSprite* sprite, const std::string& frame)
{
    auto wanted = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frame);
    return sprite != nullptr && wanted && sprite->isFrameDisplayed(wanted.get());
}

using SessionCountersTest = BoardTest;

TEST_F(SessionCountersTest, TheSeasonStripWalksAndLightsOneSeasonAtATime)
{
    auto strip = CCTimeStripCounter::stripWithSteps(20);
    scene().addChild(strip.get());
    // The bar is 200 points wide: 10 points a move, seasons 50 points each.
    EXPECT_FLOAT_EQ(strip->OneSeasonSteps, 10);
    EXPECT_EQ(strip->anchorPoint(), (CGPoint{0, 1}));
    EXPECT_EQ(strip->darkArea(1)->position(), (CGPoint{50, 1})) << "phone areas";
    EXPECT_FLOAT_EQ(strip->darkArea(1)->scaleY(), 1.06f);
    EXPECT_EQ(strip->darkArea(0)->opacity(), 0);
    EXPECT_EQ(strip->darkArea(1)->opacity(), 255);
    EXPECT_EQ(strip->markerCarrier()->position(), (CGPoint{6, -10}));
    run(0.1);
    EXPECT_TRUE(shows(strip->marker(), "farm_time_bar_marker_0005.png")) << "digging";

    strip->MoveMarker(0);
    run(0.1);
    EXPECT_TRUE(shows(strip->marker(), "farm_time_bar_marker_0003.png")) << "walking";
    run(0.3);
    EXPECT_FLOAT_EQ(strip->markerCarrier()->position().x, 16);
    EXPECT_EQ(strip->Changes, 0);

    // Seasons change three times, then the session's last move darkens
    // winter and lights none.
    const struct {
        int32_t season;
        std::vector<uint8_t> opacities;
        int32_t current;
    } moves[] = {{1, {255, 0, 255, 255}, 1}, {2, {255, 255, 0, 255}, 2}, {3, {255, 255, 255, 0}, 3},
                 {0, {255, 255, 255, 255}, 3}};
    for (const auto& move : moves) {
        strip->MoveMarker(move.season);
        run(0.4);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(strip->darkArea(i)->opacity(), move.opacities[static_cast<size_t>(i)])
                << "season " << move.season << " area " << i;
        EXPECT_EQ(strip->CurrentSeason, move.current);
    }
    EXPECT_EQ(strip->Changes, 4);
    EXPECT_EQ(strip->CurrentSteps, 3);
    EXPECT_FLOAT_EQ(strip->markerCarrier()->position().x, 6 + 5 * 10) << "the marker still moves";
}

TEST_F(SessionCountersTest, TheCalendarTearsItsPageOffAndTurnsRedNearTheEnd)
{
    const RGBA grey{40, 40, 40, 255};
    const RGBA red{255, 0, 0, 255};
    const struct {
        int32_t from;
        RGBA page;
        RGBA torn;
    } rows[] = {{5, grey, grey}, {4, red, grey}, {3, red, red}};
    for (const auto& row : rows) {
        auto calendar = CCCalendar::calendarWithTime(row.from);
        scene().addChild(calendar.get());
        EXPECT_EQ(CCCalendar::numberOf(calendar->currentPage())->string(), std::to_string(row.from));
        calendar->ChangeDate(-1);
        EXPECT_EQ(calendar->Time, row.from - 1);
        CCLabelTTF* number = CCCalendar::numberOf(calendar->currentPage());
        EXPECT_EQ(number->string(), std::to_string(row.from - 1));
        const ccColor3B page = number->color();
        EXPECT_EQ(page, ccc3(row.page.r, row.page.g, row.page.b)) << "from " << row.from;
        Ref<CCSprite> torn; // kept to look at after the calendar lets it go
        for (uint32_t i = 0; i < calendar->children()->count(); ++i) {
            auto* child = static_cast<CCNode*>(calendar->children()->objectAtIndex(i));
            if (child->zOrder() == 2) torn = Ref<CCSprite>(dynamic_cast<CCSprite*>(child));
        }
        ASSERT_TRUE(torn);
        EXPECT_EQ(CCCalendar::numberOf(torn.get())->string(), std::to_string(row.from));
        EXPECT_EQ(CCCalendar::numberOf(torn.get())->color(), ccc3(row.torn.r, row.torn.g, row.torn.b)) << "from " << row.from;
        const CGPoint start = torn->position();
        run(0.35);
        EXPECT_NEAR(torn->position().x - start.x, 40, 2);
        EXPECT_NEAR(torn->rotation(), -30, 2);
        run(0.4);
        EXPECT_EQ(torn->parent(), nullptr) << "torn off and gone";
        scene().removeChild(calendar.get(), true);
    }
}

TEST_F(SessionCountersTest, TheFoodBarShowsTheMovesLeft)
{
    // Six icons of 16 points for 30 moves: 96 points, 3.2 a move.
    auto bar = CCFoodBar::barWithFoodCount(6, 255, true, 30, 20, false);
    EXPECT_FLOAT_EQ(bar->OneMoveLength, 3.2f);
    EXPECT_FLOAT_EQ(bar->ContentLength, 64);
    EXPECT_FLOAT_EQ(bar->ContentHeight, 32);
    EXPECT_EQ(bar->PosModif, 3);
    EXPECT_FLOAT_EQ(bar->getLength(), 96);
    bar->eatOneFood();
    EXPECT_EQ(bar->GetCurrentMoves(), 19);
    EXPECT_FLOAT_EQ(bar->ContentLength, 60.8f);
    profile().Start_mineMoves = 0;
    bar->refreshByCurrentState();
    EXPECT_FLOAT_EQ(bar->ContentLength, 0) << "no moves clip everything away";

    // The scissor in each orientation, for a bar at (10, 100) in a parent at (5, 0).
    auto placed = CCFoodBar::barWithFoodCount(6, 255, true, 30, 15, false);
    placed->setPosition({10, 100});
    placed->SetParentPos({5, 0});
    const CGSize window{320, 480};
    const struct {
        int orientation;
        CGRect rect;
    } rows[] = {{1, {{18, 84}, {48, 32}}},
                {2, {{254, 364}, {48, 32}}},
                {3, {{84, 254}, {32, 48}}},
                {4, {{364, 18}, {32, 48}}}};
    for (const auto& row : rows) {
        const CGRect rect = placed->clipRectInPixels(row.orientation, window, 1);
        EXPECT_EQ(rect.origin, row.rect.origin) << "orientation " << row.orientation;
        EXPECT_EQ(rect.size, row.rect.size) << "orientation " << row.orientation;
    }
    EXPECT_EQ(placed->clipRectInPixels(1, window, 2).size, (CGSize{96, 64}));
}

RGBA pixelAt(const std::vector<uint8_t>& rgba, int width, int height, int x, int yFromBottom)
{
    const size_t i = static_cast<size_t>(((height - 1 - yFromBottom) * width + x) * 4);
    return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}

TEST_F(SessionCountersTest, AClippedFoodBarDrawsOnlyTheMovesLeft)
{
    auto shadow = CCFoodBar::barWithFoodCount(6, 255, false, 30, 30, false);
    shadow->setPosition({20, 200});
    scene().addChild(shadow.get());
    auto live = CCFoodBar::barWithFoodCount(6, 255, true, 30, 15, false);
    live->setPosition({20, 200});
    scene().addChild(live.get());
    run(1.0 / 30);
    const std::vector<uint8_t> rgba = driver().readPixels();
    // Live icons from x 23 (20 + 3) for 48 points; the eaten ones beyond.
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, 320, 480, 40, 200), {200, 80, 80, 255}));
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, 320, 480, 90, 200), {90, 60, 60, 255}));
    EXPECT_TRUE(test::nearColor(pixelAt(rgba, 320, 480, 21, 200), {90, 60, 60, 255})) << "left of the clip";
    if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
        EXPECT_TRUE(driver().screenshot(std::string(dir) + "/food_bar_phone.png"));
    }
}

} // namespace
} // namespace mw
