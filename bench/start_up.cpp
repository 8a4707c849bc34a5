// Time from the program's start to the loading scene's first frame and to
// the first frame that shows the scene it hands over to (the main menu), at
// phone-hd, headless: the driver's clock is stepped, so the 3.5 s the
// loading screen shows by design take no time here and the figures are the
// work alone. Baseline: the same headless screen made by the engine alone and
// its first frame of an empty scene, in the same run.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "bench/BenchSummary.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/transitions/CCTransitionScene.h"
#include "foundation/Log.h"
#include "game/front/LoadingScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "platform/DeviceProfile.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SharedInstances.h"

namespace {

namespace fs = std::filesystem;
using namespace mw;

// The game's surface, as the program makes it.
constexpr GLSurfaceFormat kGameFormat{GLColorFormat::RGB565, 16};
constexpr double kStep = 1.0 / 30;
// Far more than the hand-over needs (107 frames and half a 0.5 s fade).
constexpr int kFrameBudget = 400;

struct Fixture {
    Fixture() : home(fs::temp_directory_path() / ("mosswick-bench-start-" + std::to_string(::getpid())))
    {
        fs::create_directories(home);
        env = std::make_unique<test::ScopedEnv>("MOSSWICK_HOME", home.string());
    }
    ~Fixture() { fs::remove_all(home); }
    fs::path home;
    std::unique_ptr<test::ScopedEnv> env;
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

const DeviceProfile& phoneHD() { return *DeviceProfile::named("phone-hd"); }

bool showsLoadingScene(CCDirector* director)
{
    CCScene* running = director ? director->runningScene() : nullptr;
    return running && running->children() && running->children()->count() > 0 &&
           dynamic_cast<LoadingScene*>(running->children()->objectAtIndexAs<CCNode>(0));
}

// The frame shows the hand-over's incoming scene: the fade has passed its
// white middle, or is over.
bool showsIncomingScene(CCDirector* director)
{
    CCScene* running = director->runningScene();
    if (!running || showsLoadingScene(director)) return false;
    if (auto* transition = dynamic_cast<CCTransitionScene*>(running))
        return transition->inScene() && transition->inScene()->visible();
    return true;
}

// One launch of the game: program start to the loading scene's first frame,
// then (when `toMenu`) on to the first frame of the incoming scene.
void launchGame(benchmark::State& state, bool toMenu)
{
    fixture();
    LogSink previous = setLogSink([](const std::string&) {});
    for (auto _ : state) {
        auto driver = HeadlessDriver::createForApplication(phoneHD(), kGameFormat, kStep);
        if (!driver) {
            state.SkipWithError("no headless context");
            break;
        }
        {
            MosswickAppDelegate game;
            driver->lifeCycle().setDelegate(&game);
            driver->lifeCycle().launch();
            driver->runFrames(1);
            if (!showsLoadingScene(driver->director())) state.SkipWithError("no loading scene drawn");
            if (toMenu) {
                int frames = 0;
                while (!showsIncomingScene(driver->director()) && frames++ < kFrameBudget) driver->runFrames(1);
                if (frames > kFrameBudget) state.SkipWithError("no hand-over");
            }
            state.PauseTiming();
            driver->lifeCycle().setDelegate(nullptr);
        }
        driver.reset();
        test::resetSharedInstances();
        fs::remove_all(fixture().home);
        fs::create_directories(fixture().home);
        state.ResumeTiming();
    }
    setLogSink(std::move(previous));
}

void BM_StartToLoadingFirstFrame(benchmark::State& state) { launchGame(state, false); }
void BM_StartToMenuFirstFrame(benchmark::State& state) { launchGame(state, true); }

// The engine alone: the same screen, the director made by the driver, and
// the first frame of an empty scene.
void BM_BareEngineFirstFrame(benchmark::State& state)
{
    fixture();
    for (auto _ : state) {
        auto driver = HeadlessDriver::create(phoneHD(), kGameFormat, kStep);
        if (!driver) {
            state.SkipWithError("no headless context");
            break;
        }
        auto scene = CCScene::node();
        driver->director()->runWithScene(scene.get());
        driver->runFrames(1);
        benchmark::DoNotOptimize(driver->director()->totalFrames());
        state.PauseTiming();
        driver.reset();
        test::resetSharedInstances();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_StartToLoadingFirstFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_StartToMenuFirstFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_BareEngineFirstFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    bench::SummaryReporter reporter;
    return bench::runBenchmarks(argc, argv, reporter, [](const bench::SummaryReporter& r) {
        bench::printRatio(r, "start to loading first frame", "BM_StartToLoadingFirstFrame/repeats:5/real_time",
                          "BM_BareEngineFirstFrame/repeats:5/real_time", "ms");
        bench::printRatio(r, "start to menu first frame", "BM_StartToMenuFirstFrame/repeats:5/real_time",
                          "BM_BareEngineFirstFrame/repeats:5/real_time", "ms");
    });
}
