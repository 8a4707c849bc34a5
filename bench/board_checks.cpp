// The two board checks that run on every move, over many random boards
// (fixed seeds), each against a floor measured in the same run:
//
// - the no-moves check (Board::isThereNoMoves: by kind, then by connection
//   group, through the group test) against a plain flood fill over a 6x6
//   int grid that answers the same question for kinds alone;
// - chain validation (the join test of every tile against the first, as the
//   board's activation does, and the recount of a 12-tile chain) against the
//   same comparisons over plain ints.
//
// Boards use 6 kinds (a chain is almost always there and found early) or 12
// (many boards are blocked: every group is walked). Each iteration checks
// one board, cycling through 512. The summary prints times per board and
// the ratios.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "bench/BenchSummary.h"
#include "foundation/Log.h"
#include "game/boards/Board.h"
#include "game/boards/Puzzle.h"
#include "game/state/Collectible.h"
#include "game/state/Profile.h"

namespace {

using namespace mw;

constexpr int kBoards = 512;
constexpr int kSide = Board::kSize;
constexpr int kChainLength = 12;
// Kinds 5 and 6 share connection group 0, as crops and their animals do.
constexpr int kGroupedFrom = 5;

using IntGrid = std::array<int, kSide * kSide>;

struct Boards {
    std::vector<Ref<Board>> boards;
    std::vector<IntGrid> grids;
    int blocked = 0;
};

void ensureKinds(int kinds)
{
    Profile* profile = Profile::sharedInstance();
    for (int kind = 1; kind <= kinds; ++kind) {
        if (profile->collectibleDict.count(kind)) continue;
        auto record = makeRef<Collectible>();
        record->ID = kind;
        record->minGroup = 3;
        record->pngName = "bench";
        if (kind == kGroupedFrom || kind == kGroupedFrom + 1) record->connGroups = std::vector<int32_t>{0};
        profile->collectibleDict[kind] = record;
    }
}

const Boards& boardsWith(int kinds)
{
    static std::array<Boards, 2> cache;
    Boards& made = cache[kinds == 6 ? 0 : 1];
    if (!made.boards.empty()) return made;
    ensureKinds(kinds);
    std::mt19937 random(static_cast<uint32_t>(7 * kinds + 1));
    std::uniform_int_distribution<int> pick(1, kinds);
    Profile* profile = Profile::sharedInstance();
    for (int b = 0; b < kBoards; ++b) {
        auto board = makeRef<Board>();
        IntGrid grid{};
        for (int r = 0; r < kSide; ++r) {
            for (int c = 0; c < kSide; ++c) {
                const int kind = pick(random);
                Ref<Puzzle> tile = Puzzle::puzzleWithPng("bench.png", kind);
                tile->setTargetCollectible(profile->GetCollectible(kind));
                tile->row = r;
                tile->column = c;
                board->puzzlesArray[static_cast<size_t>(r)][static_cast<size_t>(c)] = tile;
                grid[static_cast<size_t>(r * kSide + c)] = kind;
            }
        }
        made.blocked += board->isThereNoMoves() ? 0 : 1;
        made.boards.push_back(board);
        made.grids.push_back(grid);
    }
    return made;
}

// The floor: an 8-neighbour flood fill over the int grid, answering whether
// some kind has 3 connected cells.
bool floodFillFindsAChain(const IntGrid& grid)
{
    std::array<bool, kSide * kSide> seen{};
    std::array<int, kSide * kSide> queue{};
    for (int start = 0; start < kSide * kSide; ++start) {
        if (seen[static_cast<size_t>(start)]) continue;
        const int kind = grid[static_cast<size_t>(start)];
        int head = 0, tail = 0, size = 0;
        queue[static_cast<size_t>(tail++)] = start;
        seen[static_cast<size_t>(start)] = true;
        while (head < tail) {
            const int cell = queue[static_cast<size_t>(head++)];
            if (++size >= 3) return true;
            const int r = cell / kSide, c = cell % kSide;
            for (int dr = -1; dr <= 1; ++dr) {
                for (int dc = -1; dc <= 1; ++dc) {
                    const int nr = r + dr, nc = c + dc;
                    if (nr < 0 || nr >= kSide || nc < 0 || nc >= kSide) continue;
                    const int next = nr * kSide + nc;
                    if (seen[static_cast<size_t>(next)] || grid[static_cast<size_t>(next)] != kind) continue;
                    seen[static_cast<size_t>(next)] = true;
                    queue[static_cast<size_t>(tail++)] = next;
                }
            }
        }
    }
    return false;
}

void BM_NoMovesCheck(benchmark::State& state)
{
    const Boards& set = boardsWith(static_cast<int>(state.range(0)));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(set.boards[i]->isThereNoMoves());
        i = (i + 1) % set.boards.size();
    }
    state.counters["blocked"] = static_cast<double>(set.blocked) / kBoards;
}

void BM_FloodFillFloor(benchmark::State& state)
{
    const Boards& set = boardsWith(static_cast<int>(state.range(0)));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(floodFillFindsAChain(set.grids[i]));
        i = (i + 1) % set.grids.size();
    }
}

// A chain of the board's first twelve tiles in row order (their kinds vary,
// so the recount walks a mixed chain).
void BM_ChainValidation(benchmark::State& state)
{
    const Boards& set = boardsWith(static_cast<int>(state.range(0)));
    size_t i = 0;
    for (auto _ : state) {
        Board& board = *set.boards[i];
        const Puzzle* first = board.puzzlesArray[0][0].get();
        int joinable = 0;
        for (const auto& row : board.puzzlesArray) {
            for (const Ref<Puzzle>& tile : row)
                joinable += Board::isPuzzleChainsToPuzzle(first, tile.get()) ? 1 : 0;
        }
        board.chainArray.clear();
        for (int t = 0; t < kChainLength; ++t)
            board.chainArray.push_back(
                board.puzzlesArray[static_cast<size_t>(t / kSide)][static_cast<size_t>(t % kSide)]);
        board.MultiTypeGroupCase = -1;
        board.recountChain();
        benchmark::DoNotOptimize(joinable);
        benchmark::DoNotOptimize(board.MultiTypeGroupCase);
        i = (i + 1) % set.boards.size();
    }
}

// The floor: the same comparisons and walk over the int grid, with the kinds'
// groups and minimum groups in plain arrays.
void BM_ChainValidationFloor(benchmark::State& state)
{
    const Boards& set = boardsWith(static_cast<int>(state.range(0)));
    std::array<int, 16> group{};
    std::array<int, 16> minGroup{};
    group.fill(-1);
    minGroup.fill(3);
    group[kGroupedFrom] = group[kGroupedFrom + 1] = 0;
    size_t i = 0;
    for (auto _ : state) {
        const IntGrid& grid = set.grids[i];
        const int first = grid[0];
        int joinable = 0;
        for (int kind : grid)
            joinable += kind == first || (group[kind] >= 0 && group[kind] == group[first]) ? 1 : 0;
        bool mixed = false;
        int largest = -1;
        for (int t = 0; t < kChainLength; ++t) {
            if (t > 0 && grid[static_cast<size_t>(t)] == grid[static_cast<size_t>(t - 1)]) continue;
            mixed |= t > 0;
            largest = std::max(largest, minGroup[static_cast<size_t>(grid[static_cast<size_t>(t)])]);
        }
        benchmark::DoNotOptimize(joinable);
        benchmark::DoNotOptimize(mixed);
        benchmark::DoNotOptimize(largest);
        i = (i + 1) % set.grids.size();
    }
}

BENCHMARK(BM_NoMovesCheck)->Arg(6)->Arg(12)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_FloodFillFloor)->Arg(6)->Arg(12)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ChainValidation)->Arg(6)->Arg(12)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ChainValidationFloor)->Arg(6)->Arg(12)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char** argv)
{
    // Tiles name a picture no sheet holds; the lines that says so are noise here.
    mw::setLogSink([](const std::string&) {});
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "no-moves check, 6 kinds", "BM_NoMovesCheck/6", "BM_FloodFillFloor/6", "ns");
        mw::bench::printRatio(r, "no-moves check, 12 kinds", "BM_NoMovesCheck/12", "BM_FloodFillFloor/12",
                              "ns");
        mw::bench::printRatio(r, "chain validation, 6 kinds", "BM_ChainValidation/6",
                              "BM_ChainValidationFloor/6", "ns");
        mw::bench::printRatio(r, "chain validation, 12 kinds", "BM_ChainValidation/12",
                              "BM_ChainValidationFloor/12", "ns");
    });
}
