#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/base/ccContentScale.h"
#include "engine/nodes/CCLayerColor.h"
#include "game/boards/CCCalendar.h"
#include "game/boards/CCFoodBar.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/CCTimeStripCounter.h"
#include "game/boards/CCToolInfoFrame.h"
#include "game/boards/Puzzle.h"
#include "game/boards/PuzzleFactory.h"
#include "game/boards/ResourceBoard.h"
#include "tests/game/boards/BoardPiecesScene.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw {
namespace {

using test::BoardTest;
using test::RGBA;

class BoardPiecesSceneTest : public BoardTest, public ::testing::WithParamInterface<const char*> {
protected:
    BoardPiecesSceneTest() : BoardTest(GetParam()) {}
};

// The pieces of a mine session together on the fixture's plain-colour
// frames: the pixels say which frame lies where.
TEST_P(BoardPiecesSceneTest, AMineSessionsPiecesDrawWhereTheyBelong)
{
    test::BoardPiecesScene pieces(scene(), 0);
    run(0.5);
    const float scale = ccContentScaleFactor();
    const std::vector<uint8_t> rgba = driver().readPixels();
    const int width = static_cast<int>(board::winSizeInPixels().width);
    const int height = static_cast<int>(board::winSizeInPixels().height);
    auto pixel = [&](CGPoint points) {
        const int x = static_cast<int>(points.x * scale), y = static_cast<int>(points.y * scale);
        const size_t i = static_cast<size_t>(((height - 1 - y) * width + x) * 4);
        return RGBA{rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
    };
    for (const Ref<Puzzle>& tile : pieces.tiles) {
        if (tile->isInChain) continue;
        // Earth shows its cover; the other kinds their picture (or the
        // stone's, with the cover beneath).
        const RGBA expected = tile->GetType() == 1   ? RGBA{100, 60, 30, 255}
                              : tile->GetType() == 2 ? RGBA{120, 120, 120, 255}
                                                     : RGBA{90, 90, 110, 255};
        EXPECT_TRUE(test::nearColor(pixel(tile->position()), expected, 3))
            << "kind " << tile->GetType() << " at " << tile->row << "," << tile->column;
    }
    // The chain line runs between the centres of its first two tiles.
    const CGPoint a = pieces.chain[0]->position(), b = pieces.chain[1]->position();
    EXPECT_TRUE(test::nearColor(pixel({(a.x + b.x) / 2, (a.y + b.y) / 2}), {255, 101, 0, 255}, 3));
    // A seen resource's icon lies at its slot.
    CCNode* slot = pieces.panel->slotOf(14);
    const CGPoint icon = slot->getChildByTag(ResourceBoard::kTagIcon)->position();
    EXPECT_TRUE(test::nearColor(pixel({slot->position().x + icon.x, slot->position().y + icon.y}),
                                {130, 80, 40, 255}, 3));
    if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
        EXPECT_TRUE(driver().screenshot(std::string(dir) + "/pieces_mine_" + GetParam() + ".png"));
    }
}

TEST_P(BoardPiecesSceneTest, AFieldSessionsCountersAndTheToolFrameDraw)
{
    test::BoardPiecesScene pieces(scene(), 1);
    run(0.5);
    if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
        EXPECT_TRUE(driver().screenshot(std::string(dir) + "/pieces_field_" + GetParam() + ".png"));
    }
    const float scale = ccContentScaleFactor();
    const std::vector<uint8_t> rgba = driver().readPixels();
    const int width = static_cast<int>(board::winSizeInPixels().width);
    const int height = static_cast<int>(board::winSizeInPixels().height);
    auto pixel = [&](CGPoint points) {
        const int x = static_cast<int>(points.x * scale), y = static_cast<int>(points.y * scale);
        const size_t i = static_cast<size_t>(((height - 1 - y) * width + x) * 4);
        return RGBA{rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
    };
    // The tool frame's picture around its centre.
    const CGPoint frame = pieces.toolFrame->convertToWorldSpace({0, 0});
    const CGSize size = pieces.toolFrame->children() ? static_cast<CCNode*>(pieces.toolFrame->children()->objectAtIndex(0))->contentSize() : CGSize{0, 0};
    EXPECT_TRUE(test::nearColor(pixel({frame.x - 0.45f * size.width, frame.y + 0.45f * size.height}),
                                {230, 210, 170, 255}, 3));
    // The season strip: spring lit (the bar's own blue), summer dark.
    const CGPoint strip = pieces.strip->convertToWorldSpace({0, 0});
    const float quarter = pieces.strip->bar()->contentSize().width / 4;
    const float middle = strip.y - pieces.strip->bar()->contentSize().height / 2;
    EXPECT_TRUE(test::nearColor(pixel({strip.x + quarter / 2, middle}), {90, 160, 220, 255}, 3));
    EXPECT_FALSE(test::nearColor(pixel({strip.x + quarter * 1.5f, middle}), {90, 160, 220, 255}, 3));
}

INSTANTIATE_TEST_SUITE_P(Devices, BoardPiecesSceneTest, ::testing::Values("phone", "tablet-hd"),
                         [](const auto& info) { return std::string(info.param) == "phone" ? "Phone" : "TabletHd"; });

} // namespace
} // namespace mw
