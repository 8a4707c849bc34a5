// Walkers on the village at phone-hd: a frame of 40 walkers on the real
// roads over the village's ground, against the same frame without walkers,
// in the same run; the summary quotes the cost per walker. The depth sort
// (40 walkers re-ordered in their layer, every 0.3 s) is timed on its own
// and quoted as a share of the walkers' frame.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/nodes/CCScene.h"
#include "engine/sprites/CCSprite.h"
#include "foundation/Random.h"
#include "game/defs/XMLManager.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "game/village/RoadWalker.h"
#include "game/village/TrickLayer.h"
#include "game/village/WorkerFactory.h"

namespace {

using namespace mw;

constexpr int kWalkers = 40;

// The village's ground and its buildings' layer, as the map keeps them.
struct World : bench::HeadlessStage {
    Ref<TrickLayer> layer;

    World()
    {
        bench::silenceLog();
        if (!start()) return;
        if (!bench::parseGameData() || !bench::addSheets(bench::kVillageSheets)) return;
        XMLManager::sharedInstance()->initXMLS();
        if (XMLManager::sharedInstance()->RoadCount() == 0) return;
        layer = TrickLayer::node();
        scene->addChild(layer.get());
        // The ground: the map's buildings stand on a full-screen picture.
        const CGSize win = driver->director()->winSize();
        for (const char* frame : {"b_camp.png", "b_fields.png", "b_mine.png", "b_cottage.png"}) {
            Ref<CCSprite> building = CCSprite::spriteWithSpriteFrameName(frame);
            building->setPosition({win.width * 0.25f * (1 + (frame[2] % 3)), win.height * 0.4f});
            layer->addChild(building.get(), static_cast<int>(win.height * 0.6f));
        }
        ready = true;
    }
};

World& world()
{
    static World shared;
    return shared;
}

// 40 walkers: the profile owns 40 villagers' homes and stock.
Ref<WorkerFactory> walkers(World& w)
{
    Profile* p = Profile::sharedInstance();
    p->UpgradesCountArray[31] = kWalkers;
    p->SetResourceCount(17, kWalkers);
    Random::srandom(7);
    auto factory = WorkerFactory::factoryWithWorkersState(w.layer.get());
    factory->RandomlySortWorkersOnStage();
    w.scene->addChild(factory.get());
    return factory;
}

void BM_VillageFrame(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run with MOSSWICK_SOURCE_DIR)")) return;
    bench::frameLoop(state, *w.driver, 10);
}
BENCHMARK(BM_VillageFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VillageFrameWith40Walkers(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run with MOSSWICK_SOURCE_DIR)")) return;
    Ref<WorkerFactory> factory = walkers(w);
    bench::frameLoop(state, *w.driver, 10);
    state.counters["walkers"] = static_cast<double>(factory->CurrentWorkersPointers.size());
    factory->removeFromParentAndCleanup(true);
    for (const auto& walker : factory->CurrentWorkersPointers) walker->removeFromParentAndCleanup(true);
}
BENCHMARK(BM_VillageFrameWith40Walkers)->Unit(benchmark::kMillisecond)->UseRealTime();

// One depth sort of the 40 walkers (the factory's work every 0.3 s), each
// after a frame of walking.
void BM_DepthSortOf40Walkers(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run with MOSSWICK_SOURCE_DIR)")) return;
    Ref<WorkerFactory> factory = walkers(w);
    factory->Stop();
    for (int i = 0; i < 10; ++i) bench::frame(*w.driver);
    for (auto _ : state) {
        // The walkers move between two sorts, so each sort re-orders them.
        state.PauseTiming();
        bench::frame(*w.driver);
        state.ResumeTiming();
        factory->update(static_cast<float>(WorkerFactory::kSortInterval) + 0.01f);
        benchmark::DoNotOptimize(factory->CurrentWorkersPointers.front()->zOrder());
    }
    factory->removeFromParentAndCleanup(true);
    for (const auto& walker : factory->CurrentWorkersPointers) walker->removeFromParentAndCleanup(true);
}
BENCHMARK(BM_DepthSortOf40Walkers)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(600);

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "village frame, 40 walkers", "BM_VillageFrameWith40Walkers/real_time",
                              "BM_VillageFrame/real_time", "ms");
        const mw::bench::Figure* with = r.find("BM_VillageFrameWith40Walkers/real_time");
        const mw::bench::Figure* without = r.find("BM_VillageFrame/real_time");
        const mw::bench::Figure* sort = r.find("BM_DepthSortOf40Walkers/iterations:600/real_time");
        if (with && without && with->known() && without->known())
            std::printf("cost per walker: %.4f ms\n", (with->value() - without->value()) / kWalkers);
        if (with && sort && with->known() && sort->known() && with->value() > 0)
            std::printf("depth sort: %.4f %% of the walkers' frame (sorted once every 0.3 s)\n",
                        100.0 * sort->value() / 1000.0 / with->value());
    });
}
