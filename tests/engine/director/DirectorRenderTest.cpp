#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/nodes/CCLayerColor.h"
#include "engine/scheduler/CCScheduler.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {
namespace {

// A scene of a blue backdrop and a red 100 x 50 point rectangle at (20, 30),
// drawn by the director's own frame through the headless driver.
class DirectorRenderTest : public DirectorTest, public ::testing::WithParamInterface<const char*> {
protected:
    DirectorRenderTest() : DirectorTest(GetParam()) {}

    // The pixel under a GL point (points from the bottom left).
    RGBA pixelAt(const std::vector<uint8_t>& rgba, CGPoint point)
    {
        const PixelSize size = driver().context().pixelSize();
        const float scale = director().contentScaleFactor();
        const int x = static_cast<int>(std::floor(point.x * scale));
        const int rowFromTop = size.height - 1 - static_cast<int>(std::floor(point.y * scale));
        const size_t at = (static_cast<size_t>(rowFromTop) * size.width + x) * 4;
        return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
    }
};

TEST_P(DirectorRenderTest, AColourLayerSceneRendersItsPixels)
{
    Ref<CCScene> scene = CCScene::node();
    scene->addChild(CCLayerColor::layerWithColor({0, 0, 255, 255}).get());
    Ref<CCLayerColor> red = CCLayerColor::layerWithColor({255, 0, 0, 255}, 100, 50);
    red->setPosition({20, 30});
    scene->addChild(red.get());
    director().runWithScene(scene.get());
    driver().runFrames(1);

    const DeviceProfile& device = *DeviceProfile::named(GetParam());
    EXPECT_EQ(driver().context().pixelSize(), device.pixelSize());
    const std::vector<uint8_t> rgba = driver().readPixels();
    if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
        EXPECT_TRUE(driver().screenshot(std::string(dir) + "/director-" + GetParam() + ".png"));
    }

    const RGBA red8{255, 0, 0, 255};
    const RGBA blue8{0, 0, 255, 255};
    struct Probe {
        CGPoint point;
        RGBA expected;
    };
    // clang-format off
    const Probe probes[] = {
        {{70, 55}, red8}, {{21.5f, 31.5f}, red8}, {{118.5f, 78.5f}, red8},     // inside, near the corners
        {{18.5f, 28.5f}, blue8}, {{121.5f, 81.5f}, blue8}, {{70, 82}, blue8},  // just outside
        {{1, 1}, blue8}, {{319, 479}, blue8},                                  // the window's corners
    };
    // clang-format on
    for (const Probe& probe : probes) {
        SCOPED_TRACE(testing::Message() << probe.point.x << "," << probe.point.y);
        EXPECT_TRUE(nearColor(pixelAt(rgba, probe.point), probe.expected)) << pixelAt(rgba, probe.point);
    }
}

// Counts the scheduler's ticks.
class TickCounter : public Object {
public:
    void update(float) { ++ticks; }
    int ticks = 0;
};

// A driver that draws every third picture: the frames between keep the last
// picture drawn, yet tick, count and switch scenes as ever; asked to, it
// draws the last refresh of each run too.
TEST_P(DirectorRenderTest, FramesLeftUndrawnStillTickAndSwitchScenes)
{
    auto sceneOf = [](RGBA colour) {
        Ref<CCScene> scene = CCScene::node();
        scene->addChild(CCLayerColor::layerWithColor({colour.r, colour.g, colour.b, 255}).get());
        return scene;
    };
    const RGBA blue{0, 0, 255, 255}, red{255, 0, 0, 255}, green{0, 255, 0, 255};
    director().runWithScene(sceneOf(blue).get());
    driver().runFrames(1);
    Ref<TickCounter> counter = makeRef<TickCounter>();
    CCScheduler::sharedScheduler()->scheduleUpdateForTarget(counter.get(), 0, false);
    const uint32_t framesBefore = director().totalFrames();

    driver().setPictureEvery(3);
    Ref<CCScene> redScene = sceneOf(red);
    director().replaceScene(redScene.get());
    driver().runFrames(1); // drawn
    EXPECT_TRUE(nearColor(pixelAt(driver().readPixels(), {5, 5}), red));
    Ref<CCScene> greenScene = sceneOf(green);
    director().replaceScene(greenScene.get());
    driver().runFrames(2); // left undrawn
    EXPECT_EQ(director().runningScene(), greenScene.get()) << "the scene switched without a picture";
    EXPECT_TRUE(nearColor(pixelAt(driver().readPixels(), {5, 5}), red)) << "the last picture drawn stays";
    driver().runFrames(1); // drawn
    EXPECT_TRUE(nearColor(pixelAt(driver().readPixels(), {5, 5}), green));
    EXPECT_EQ(counter->ticks, 4);
    EXPECT_EQ(director().totalFrames(), framesBefore + 4);

    // The last refresh of each run drawn as well: a run ends on its picture.
    driver().setPictureEvery(3, true);
    driver().runFrames(1); // drawn, counted
    Ref<CCScene> blueScene = sceneOf(blue);
    director().replaceScene(blueScene.get());
    driver().runFrames(2); // the first left undrawn, the last drawn
    EXPECT_TRUE(nearColor(pixelAt(driver().readPixels(), {5, 5}), blue));
    EXPECT_EQ(counter->ticks, 7);
    CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(counter.get());
}

INSTANTIATE_TEST_SUITE_P(ContentScales, DirectorRenderTest, ::testing::Values("phone", "phone-hd"),
                         [](const auto& info) {
                             return std::string(info.param == std::string("phone") ? "Scale1" : "Scale2");
                         });

} // namespace
} // namespace mw::test
