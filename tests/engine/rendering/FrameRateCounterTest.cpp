#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/labels/CCLabelAtlas.h"
#include "engine/nodes/CCLayerColor.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {
namespace {

// The director's frame-rate counter: a character-map label of the bundled
// "fps_images.png", drawn over the scene at the lower-left corner.
class FrameRateCounterTest : public DirectorTest {
protected:
    // How many pixels of the lower-left 64 x 24 block are light (glyph ink).
    int lightPixelsInCorner()
    {
        const std::vector<uint8_t> rgba = driver().readPixels();
        const PixelSize size = driver().context().pixelSize();
        int light = 0;
        for (int y = size.height - 24; y < size.height; ++y) {
            for (int x = 0; x < 64; ++x) {
                const uint8_t* p = &rgba[(static_cast<size_t>(y) * size.width + x) * 4];
                light += (p[0] > 200 && p[1] > 200 && p[2] > 200) ? 1 : 0;
            }
        }
        return light;
    }
};

TEST_F(FrameRateCounterTest, ShowsTheMeasuredRateAtTheLowerLeftCorner)
{
    Ref<CCScene> scene = CCScene::node();
    scene->addChild(CCLayerColor::layerWithColor({0, 0, 255, 255}).get());
    director().runWithScene(scene.get());
    driver().runFrames(2);
    EXPECT_EQ(lightPixelsInCorner(), 0);

    CCLabelAtlas* counter = director().FPSLabel();
    ASSERT_NE(counter, nullptr) << "fps_images.png was not found in the resources";
    EXPECT_EQ(counter->string(), "00.0");
    EXPECT_EQ(counter->contentSize(), (CGSize{64, 24}));

    director().setDisplayFPS(true);
    driver().runFrames(12);
    if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
        EXPECT_TRUE(driver().screenshot(std::string(dir) + "/frame-rate-counter.png"));
    }
    // A figure with one decimal, measured over the fixed steps of the driver.
    const std::string shown = counter->string();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown[shown.size() - 2], '.') << shown;
    EXPECT_GT(std::atof(shown.c_str()), 0) << shown;
    EXPECT_GT(lightPixelsInCorner(), 40);
}

} // namespace
} // namespace mw::test
