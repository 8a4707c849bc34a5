#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "engine/base/ccContentScale.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCFileUtils.h"
#include "game/boards/BoardTooltip.h"
#include "game/boards/CCLineObject.h"
#include "game/boards/MineBoard.h"
#include "game/boards/Puzzle.h"
#include "game/boards/ResourceBoard.h"
#include "game/state/DataParser.h"
#include "tests/game/boards/BoardPiecesScene.h"
#include "tests/game/boards/BoardsTestSupport.h"

namespace mw {
namespace {

using test::BoardTest;
using test::RGBA;

struct RealDevice {
    const char* device;
    std::vector<const char*> sheets;
    friend void PrintTo(const RealDevice& d, std::ostream* out) { *out << d.device; }
};

// The board's sheets as the game loads them for each device.
const RealDevice kDevices[] = {
    {"phone", {"gameplay_iPhone4-L.plist", "gui_common-L.plist", "gui_iphone4n-L.plist"}},
    {"phone-hd", {"gameplay_iPhone4-H.plist", "gui_common-H.plist", "gui_iphone4n-H.plist"}},
    {"tablet", {"gameplay_iPhone4-H.plist", "gui_common-H.plist", "gui_ipadn.plist"}},
    {"tablet-hd", {"gameplay_iPhone4-H2.plist", "gui_common-H2.plist", "gui_ipadn2.plist"}},
};

// The pieces with the game's own art and data from the bundle; skipped
// while the bundle does not hold the board's sheets yet.
class RealArtTest : public BoardTest, public ::testing::WithParamInterface<RealDevice> {
protected:
    RealArtTest() : BoardTest(GetParam().device) { loadSheet_ = false; }

    void SetUp() override
    {
        resources_ = test::sourceTreePath("resources");
        for (const char* sheet : GetParam().sheets) {
            if (!std::filesystem::exists(resources_ + "/" + sheet)) {
                GTEST_SKIP() << "the bundle has no " << sheet << " yet";
            }
        }
        BoardTest::SetUp();
        CCFileUtils::setBundlePath(resources_);
        Profile::purgeSharedInstance();
        DataParser parser;
        ASSERT_TRUE(parser.parseData(resources_ + "/test.xml"));
        for (const char* sheet : GetParam().sheets)
            ASSERT_TRUE(CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet)) << sheet;
    }

    RGBA pixel(const std::vector<uint8_t>& rgba, CGPoint points) const
    {
        const float scale = ccContentScaleFactor();
        const int width = static_cast<int>(board::winSizeInPixels().width);
        const int height = static_cast<int>(board::winSizeInPixels().height);
        const int x = static_cast<int>(points.x * scale), y = static_cast<int>(points.y * scale);
        const size_t i = static_cast<size_t>(((height - 1 - y) * width + x) * 4);
        return RGBA{rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
    }

    void keep(const std::string& name)
    {
        if (const char* dir = std::getenv("MOSSWICK_TEST_PICTURES")) {
            EXPECT_TRUE(driver().screenshot(std::string(dir) + "/real_" + name + "_" + GetParam().device + ".png"));
        }
    }

    std::string resources_;
};

const RGBA kBackground{24, 36, 96, 255};

TEST_P(RealArtTest, MineTilesThePanelAndTheLineDrawWithTheGamesFrames)
{
    test::BoardPiecesScene pieces(scene(), 0);
    run(0.5);
    keep("mine");
    const std::vector<uint8_t> rgba = driver().readPixels();
    for (const Ref<Puzzle>& tile : pieces.tiles) {
        EXPECT_NE(tile->picture(), nullptr) << "kind " << tile->GetType() << " has no picture frame";
        EXPECT_FALSE(test::nearColor(pixel(rgba, tile->position()), kBackground, 6))
            << "nothing drawn at the tile of kind " << tile->GetType() << " at " << tile->position().x << ","
            << tile->position().y << (tile->isInChain ? " in the chain" : "");
    }
    const CGPoint a = pieces.chain[0]->position(), b = pieces.chain[1]->position();
    EXPECT_TRUE(test::nearColor(pixel(rgba, {(a.x + b.x) / 2, (a.y + b.y) / 2}), {255, 101, 0, 255}, 3));
    EXPECT_FALSE(pieces.line->stars().empty()) << "the star frame is in the sheets";
    for (int32_t resource : ResourceBoard::slotsOf(0)) {
        CCNode* slot = pieces.panel->slotOf(resource);
        EXPECT_NE(slot->getChildByTag(ResourceBoard::kTagIcon), nullptr) << "resource " << resource;
        EXPECT_NE(pieces.panel->progressBarOf(resource), nullptr) << "resource " << resource;
    }
}

TEST_P(RealArtTest, FieldTilesCountersAndTheToolFrameDrawWithTheGamesFrames)
{
    test::BoardPiecesScene pieces(scene(), 1);
    run(0.5);
    keep("field");
    const std::vector<uint8_t> rgba = driver().readPixels();
    for (const Ref<Puzzle>& tile : pieces.tiles) {
        const bool shows = tile->texture() != nullptr || tile->getChildByTag(Puzzle::kTagFieldAnimation);
        EXPECT_TRUE(shows) << "kind " << tile->GetType() << " shows nothing";
    }
    ASSERT_NE(pieces.strip->bar(), nullptr);
    ASSERT_NE(pieces.strip->marker(), nullptr);
    ASSERT_NE(pieces.calendar->currentPage()->texture(), nullptr);
    const CGPoint frame = pieces.toolFrame->convertToWorldSpace({0, 0});
    EXPECT_FALSE(test::nearColor(pixel(rgba, frame), kBackground, 6)) << "the tool frame's picture";
    EXPECT_GT(pieces.toolFrame->numberOfCellsInTableView(pieces.toolFrame->table()), 0u);
}

TEST_P(RealArtTest, AMineBoardMidChainDimsWhatCannotJoinUnderTheLineAndTheRewardTooltip)
{
    Profile::sharedInstance()->Start_mineMoves = 20;
    Profile::sharedInstance()->MaxMineMoves = 30;
    Ref<MineBoard> board = MineBoard::board();
    ASSERT_NE(board, nullptr);
    scene().addChild(board.get());
    // Six earth tiles along row 2 and down into row 3; rubble where the chain does not go.
    const std::vector<std::pair<int, int>> path{{2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}, {3, 5}};
    for (int r = 0; r < Board::kSize; ++r) {
        for (int c = 0; c < Board::kSize; ++c) {
            const bool onPath = std::find(path.begin(), path.end(), std::make_pair(r, c)) != path.end();
            ASSERT_NE(board->replacePuzzle(board->puzzleAt(r, c), onPath ? 1 : 2), nullptr);
        }
    }
    run(0.5);
    keep("mine_board_rest");
    const CGPoint rubble = board->cellPosition(4, 1);
    const RGBA before = pixel(driver().readPixels(), rubble);
    const float height = board::winSize().height;
    auto at = [&](std::pair<int, int> cell) {
        const CGPoint p = board->cellPosition(cell.first, cell.second);
        return CGPoint{p.x, height - p.y};
    };
    Ref<UITouch> touch = driver().touchDown(at(path.front()));
    for (size_t i = 1; i < path.size(); ++i) {
        driver().touchMove(touch.get(), at(path[i]));
        run(0.05);
    }
    run(0.4);
    keep("mine_board_chain");
    EXPECT_EQ(board->chainArray.size(), path.size());
    ASSERT_NE(board->NextCollectibleTooltip, nullptr) << "six earth complete a set of reward tiles";
    const std::vector<uint8_t> rgba = driver().readPixels();
    const RGBA after = pixel(rgba, rubble);
    EXPECT_LT(after.r + after.g + after.b, (before.r + before.g + before.b) / 2) << "rubble is dimmed";
    const CGPoint a = board->cellPosition(2, 0), b = board->cellPosition(2, 1);
    EXPECT_TRUE(test::nearColor(pixel(rgba, {(a.x + b.x) / 2, (a.y + b.y) / 2 - 2}), {255, 101, 0, 255}, 40))
        << "the chain line runs between the first two tiles";
    driver().touchCancel(touch.get());
    board->removeFromParentAndCleanup(true);
}

INSTANTIATE_TEST_SUITE_P(Devices, RealArtTest, ::testing::ValuesIn(kDevices), [](const auto& info) {
    std::string name = info.param.device;
    std::erase(name, '-');
    return name;
});

} // namespace
} // namespace mw
