// Flinging the buildings list at phone-hd, headless: every frame the table
// moves 40 points on (a fast fling), so a row scrolls in about every third
// frame and is built afresh from the profile (picture, labels, cost badges,
// new marker, button). Each frame is a director step finished with glFinish.
// Baseline from the same run: the same table, same size and speed, whose
// rows are one sprite each. A third figure is the time to build one row.
// Run from the source tree (or set MOSSWICK_SOURCE_DIR); its figures are
// quoted with LP_NUM_THREADS=2.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "engine/director/CCDirectorIOS.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/nodes/CCScene.h"
#include "engine/sprites/CCSprite.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/village/ListLayer.h"
#include "game/village/screens/BuildingCell.h"
#include "game/village/screens/BuildingsLayer.h"

namespace {

using namespace mw;

constexpr float kFlingStep = 40; // points per frame

struct World : bench::HeadlessStage {
    World()
    {
        bench::silenceLog();
        if (!start()) return;
        if (!bench::parseGameData()) return;
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
        if (!bench::addSheets(bench::kVillageSheets)) return;
        // Every building on offer, some of them new, a mid-game stock.
        Profile* profile = Profile::sharedInstance();
        for (auto& [id, item] : profile->UpgradesDict) {
            if (item->Type != 2) continue;
            item->isHidden = false;
            if (id % 3 == 0) profile->SetObjectSeen(id);
        }
        for (int32_t resource = 1; resource <= 16; ++resource) profile->SetResourceCount(resource, 40);
        profile->PlayerLevel = 8;
        profile->UpgradesCountArray[18] = 1;
        profile->RegenerateBuyIndexes();
        ready = profile->BuildingCount > 10;
    }
};

World& world()
{
    static World w;
    return w;
}

// The same table with rows of one sprite each.
class SpriteRowList : public ListLayer {
public:
    explicit SpriteRowList(CCNode* gui) { (void)initFullList(gui); }
    uint32_t numberOfCellsInTableView(CCTableView*) override
    {
        return static_cast<uint32_t>(Profile::sharedInstance()->BuildingCount);
    }
    CGSize cellSizeForTable(CCTableView*) override { return {320, 125}; }
    Ref<CCTableViewCell> tableCellAtIndex(CCTableView* table, uint32_t idx) override
    {
        discardReusableCell(table);
        auto cell = CCTableViewSpriteCell::node();
        auto picture = CCSprite::spriteWithSpriteFrameName("list_bg1_hire.png");
        cell->setSprite(picture.get());
        return cell;
    }
};

// Frames of a fling from the top of the list to its end, over and over.
void fling(benchmark::State& state, ListLayer* list)
{
    World& w = world();
    w.scene->addChild(list);
    bench::frame(*w.driver);
    CCTableView* table = list->table();
    const float top = table->contentOffset().y;
    const float end = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        CGPoint offset = table->contentOffset();
        offset.y = offset.y + kFlingStep > end ? top : offset.y + kFlingStep;
        table->setContentOffset(offset);
        bench::frame(*w.driver);
        ++frames;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    list->removeFromParentAndCleanup(true);
}

void BM_BuildingsListFlingFrame(benchmark::State& state)
{
    if (!world().ready) return state.SkipWithError("no headless GL context or no game data");
    Ref<BuildingsLayer> list = BuildingsLayer::layerWithGuiParent(world().scene.get());
    fling(state, list.get());
}
BENCHMARK(BM_BuildingsListFlingFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SpriteRowsFlingFrame(benchmark::State& state)
{
    if (!world().ready) return state.SkipWithError("no headless GL context or no game data");
    auto list = makeRef<SpriteRowList>(world().scene.get());
    fling(state, list.get());
}
BENCHMARK(BM_SpriteRowsFlingFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BuildOneBuildingRow(benchmark::State& state)
{
    if (!world().ready) return state.SkipWithError("no headless GL context or no game data");
    const uint32_t rows = static_cast<uint32_t>(Profile::sharedInstance()->BuildingCount);
    uint32_t index = 0;
    for (auto _ : state) {
        Ref<BuildingCell> row = BuildingCell::rowWithIndex(index);
        benchmark::DoNotOptimize(row.get());
        index = (index + 1) % rows;
    }
}
BENCHMARK(BM_BuildOneBuildingRow)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "buildings list fling frame", "BM_BuildingsListFlingFrame/real_time",
                              "BM_SpriteRowsFlingFrame/real_time", "ms");
        for (const char* name : {"BM_BuildingsListFlingFrame/real_time", "BM_SpriteRowsFlingFrame/real_time"})
            if (const mw::bench::Figure* f = r.find(name); f && f->value() > 0)
                std::printf("%s: %.0f frames per second\n", name, 1000.0 / f->value());
    });
}
