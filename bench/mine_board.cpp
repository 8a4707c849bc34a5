// Frames of a busy mine board at phone-hd, headless: a full grid under a
// chain drawn through 12 tiles (the dimming layer, the line, its stars and
// the reward tooltip), the food bars, the panel and a running explosion,
// each frame a director step finished with glFinish. The baseline from the
// same run is the engine's own frame: the same director drawing an empty
// scene. Run from the source tree (or set MOSSWICK_SOURCE_DIR); the summary
// prints the frame times, frames per second and the ratio. The issue's
// figure is taken with LP_NUM_THREADS=2.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/director/CCDirectorIOS.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/nodes/CCScene.h"
#include "game/boards/Board.h"
#include "game/boards/MineBoard.h"
#include "game/boards/Puzzle.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"

namespace {

using namespace mw;

struct World : bench::HeadlessStage {
    World()
    {
        if (!start()) return;
        if (!bench::parseGameData() || !bench::addSheets(bench::kBoardSheets)) return;
        Profile::sharedInstance()->Start_mineMoves = 30;
        ready = true;
    }
};

World& world()
{
    static World shared;
    return shared;
}

void BM_EmptySceneFrame(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run from the source tree)")) return;
    bench::frameLoop(state, *w.driver, 0);
}
BENCHMARK(BM_EmptySceneFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same board at rest: no chain, no explosion.
void BM_IdleMineBoardFrame(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run from the source tree)")) return;
    ::srandom(24);
    Ref<MineBoard> board = MineBoard::board();
    w.scene->addChild(board.get());
    bench::frameLoop(state, *w.driver, 10);
    board->removeFromParentAndCleanup(true);
}
BENCHMARK(BM_IdleMineBoardFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BusyMineBoardFrame(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run from the source tree)")) return;
    ::srandom(24);
    Ref<MineBoard> board = MineBoard::board();
    w.scene->addChild(board.get());
    // Twelve earth tiles snaking through the top two rows, drawn as a chain.
    std::vector<Puzzle*> path;
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < Board::kSize; ++i) {
            const int column = row == 0 ? i : Board::kSize - 1 - i;
            Puzzle* tile = board->puzzleAt(row, column);
            if (tile->GetType() != 1) tile = board->replacePuzzle(tile, 1);
            path.push_back(tile);
        }
    board->setActivePuzzles(nullptr);
    const float height = w.driver->director()->winSize().height;
    auto view = [&](const Puzzle* tile) { return CGPoint{tile->position().x, height - tile->position().y}; };
    Ref<UITouch> touch = w.driver->touchDown(view(path.front()));
    for (size_t i = 1; i < path.size(); ++i) w.driver->touchMove(touch.get(), view(path[i]));
    board->createExplodeSpriteAt(board->cellPosition(4, 2), 0);
    bench::frameLoop(state, *w.driver, 10);
    state.counters["chain"] = static_cast<double>(board->chainArray.size());
    w.driver->touchCancel(touch.get());
    board->removeFromParentAndCleanup(true);
}
BENCHMARK(BM_BusyMineBoardFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "busy mine board frame", "BM_BusyMineBoardFrame/real_time",
                              "BM_EmptySceneFrame/real_time", "ms");
        if (const mw::bench::Figure* busy = r.find("BM_BusyMineBoardFrame/real_time"); busy && busy->value() > 0)
            std::printf("busy mine board: %.0f frames per second\n", 1000.0 / busy->value());
    });
}
