#include <gtest/gtest.h>

#include "platform/DeviceProfile.h"
#include "platform/Letterbox.h"

namespace mw {
namespace {

TEST(DeviceProfile, TableOfScreens)
{
    struct Case { const char* name; CGSize points; float scale; bool tablet; PixelSize pixels; };
    const Case cases[] = {
        {"phone", {320, 480}, 1, false, {320, 480}},
        {"phone-hd", {320, 480}, 2, false, {640, 960}},
        {"tablet", {768, 1024}, 1, true, {768, 1024}},
        {"tablet-hd", {768, 1024}, 2, true, {1536, 2048}},
    };
    ASSERT_EQ(DeviceProfile::all().size(), std::size(cases));
    for (const Case& c : cases) {
        const DeviceProfile* profile = DeviceProfile::named(c.name);
        ASSERT_NE(profile, nullptr) << c.name;
        EXPECT_EQ(profile->pointSize, c.points) << c.name;
        EXPECT_EQ(profile->scale, c.scale) << c.name;
        EXPECT_EQ(profile->isTablet, c.tablet) << c.name;
        EXPECT_EQ(profile->pixelSize(), c.pixels) << c.name;
    }
    EXPECT_EQ(DeviceProfile::named("watch"), nullptr);
    EXPECT_EQ(DeviceProfile::named(""), nullptr);
}

TEST(DeviceProfile, CurrentProfileIsSettable)
{
    EXPECT_EQ(DeviceProfile::current().name, "phone");
    DeviceProfile::setCurrent(*DeviceProfile::named("tablet-hd"));
    EXPECT_EQ(DeviceProfile::current().name, "tablet-hd");
    EXPECT_TRUE(DeviceProfile::current().isTablet);
    DeviceProfile::setCurrent(*DeviceProfile::named("phone"));
}

TEST(DeviceProfile, WindowFitsTheDesktopKeepingAspect)
{
    struct Case { const char* profile; PixelSize usable; PixelSize expected; };
    const Case cases[] = {
        {"phone", {1920, 1000}, {320, 480}},      // fits: never enlarged
        {"phone-hd", {1920, 1000}, {640, 960}},
        {"phone-hd", {1280, 720}, {480, 720}},    // height-bound
        {"tablet-hd", {1280, 976}, {732, 976}},
        {"tablet", {500, 2000}, {500, 666}},      // width-bound
        {"tablet", {0, 0}, {768, 1024}},          // unknown desktop: full size
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeviceProfile::named(c.profile)->windowSizeToFit(c.usable), c.expected)
            << c.profile << " in " << c.usable.width << "x" << c.usable.height;
    }
}

TEST(Letterbox, CentresTheViewAndMapsPositions)
{
    struct Case { CGSize window; CGRect rect; CGPoint windowPoint; std::optional<CGPoint> view; CGPoint clamped; };
    const Case cases[] = {
        // Wider window: bars left and right.
        {{640, 480}, {160, 0, 320, 480}, {320, 240}, CGPoint(160, 240), {160, 240}},
        {{640, 480}, {160, 0, 320, 480}, {10, 240}, std::nullopt, {0, 240}},
        // Taller window: bars above and below, half scale.
        {{160, 480}, {0, 120, 160, 240}, {80, 130}, CGPoint(160, 20), {160, 20}},
        {{160, 480}, {0, 120, 160, 240}, {80, 470}, std::nullopt, {160, 480}},
        // No size: nothing maps.
        {{0, 0}, {0, 0, 0, 0}, {5, 5}, std::nullopt, {0, 0}},
    };
    for (const Case& c : cases) {
        const Letterbox box(CGSize(320, 480), c.window);
        EXPECT_EQ(box.viewRect(), c.rect);
        EXPECT_EQ(box.windowToView(c.windowPoint), c.view) << c.windowPoint.x << "," << c.windowPoint.y;
        EXPECT_EQ(box.windowToViewClamped(c.windowPoint), c.clamped);
    }
}

} // namespace
} // namespace mw
