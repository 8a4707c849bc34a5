#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/effects/CCActionGrid3D.h"
#include "engine/effects/CCActionTiledGrid.h"
#include "engine/nodes/CCLayer.h"
#include "engine/nodes/CCLayerColor.h"
#include "tests/engine/director/DirectorTestSupport.h"

namespace mw::test {
namespace {

// Grid effects in the director's real frame on the portrait phone (320 x 480):
// a checkerboard layer runs an effect of one second and is looked at after
// the given number of 1/60 s frames.
class GridEffectPicturesTest : public DirectorTest {
protected:
    static Ref<CCLayer> checkerboard()
    {
        Ref<CCLayer> board = CCLayer::node();
        for (int x = 0; x < 4; ++x) {
            for (int y = 0; y < 6; ++y) {
                const bool red = (x + y) % 2 == 0;
                Ref<CCLayerColor> cell = CCLayerColor::layerWithColor(
                    red ? ccColor4B{220, 40, 40, 255} : ccColor4B{40, 200, 80, 255}, 80, 80);
                cell->setPosition({x * 80.0f, y * 80.0f});
                board->addChild(cell.get());
            }
        }
        return board;
    }

    RGBA pixelAt(const std::vector<uint8_t>& rgba, int x, int yFromBottom)
    {
        const PixelSize size = driver().context().pixelSize();
        const size_t at = (static_cast<size_t>(size.height - 1 - yFromBottom) * size.width + x) * 4;
        return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
    }
};

bool isDark(RGBA c) { return c.r < 30 && c.g < 30 && c.b < 30; }

struct PictureCase {
    const char* name;
    std::function<Ref<CCActionInterval>()> make;
    int frames;
    // Pixels (from the bottom left) that the effect has emptied, and ones it still shows.
    std::vector<std::pair<int, int>> empty;
    std::vector<std::pair<int, int>> shown;
};

TEST_F(GridEffectPicturesTest, EffectsMidWayInTheDirectorsFrame)
{
    const std::vector<PictureCase> cases = {
        {"waves3d", [] { return CCWaves3D::actionWithWaves(2, 20, {16, 24}, 1); }, 30, {}, {{160, 240}}},
        {"flipx3d", [] { return CCFlipX3D::actionWithDuration(1); }, 30, {{5, 240}, {315, 240}}, {{160, 240}}},
        {"pageturn3d", [] { return CCPageTurn3D::actionWithSize({16, 24}, 1); }, 30, {{315, 5}}, {{5, 470}}},
        {"twirl", [] { return CCTwirl::actionWithPosition({160, 240}, 1, 2.5f, {16, 24}, 1); }, 20, {}, {{160, 240}}},
        {"fadeouttr", [] { return CCFadeOutTRTiles::actionWithSize({8, 12}, 1); }, 30, {{5, 5}}, {{315, 475}}},
        {"turnofftiles", [] { return CCTurnOffTiles::actionWithSeed(5, {8, 12}, 1); }, 70,
         {{5, 5}, {160, 240}, {315, 475}}, {}},
        {"splitrows", [] { return CCSplitRows::actionWithRows(6, 1); }, 30, {{315, 5}, {5, 85}}, {{5, 5}, {315, 85}}},
    };
    for (const PictureCase& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<CCScene> scene = CCScene::node();
        Ref<CCLayer> board = checkerboard();
        scene->addChild(board.get());
        if (director().runningScene()) {
            director().replaceScene(scene.get());
        } else {
            director().runWithScene(scene.get());
        }
        driver().runFrames(1);
        Ref<CCActionInterval> effect = c.make();
        board->runAction(effect.get());
        driver().runFrames(c.frames);

        const std::vector<uint8_t> rgba = driver().readPixels();
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver().screenshot(std::string(dir) + "/effect-" + c.name + ".png"));
        }
        for (const auto& [x, y] : c.empty) {
            EXPECT_TRUE(isDark(pixelAt(rgba, x, y))) << x << "," << y << " " << pixelAt(rgba, x, y);
        }
        for (const auto& [x, y] : c.shown) {
            EXPECT_FALSE(isDark(pixelAt(rgba, x, y))) << x << "," << y << " " << pixelAt(rgba, x, y);
        }
    }
}

} // namespace
} // namespace mw::test
