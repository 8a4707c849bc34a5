// Time from the program's start to the loading scene's first frame and to
// the first frame that shows the scene it hands over to (the main menu), at
// phone-hd, headless. Every launch runs in a process of its own (forked
// before anything is made), as the program starts once per process. The
// driver's clock is stepped, so the 3.5 s the loading screen shows by design
// take no time here: the figures are the work alone. Baseline, in the same
// run: a fresh process making the same headless screen through the engine
// alone and drawing its first frame of an empty scene.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/BenchSummary.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/transitions/CCTransitionScene.h"
#include "foundation/Log.h"
#include "game/front/LoadingScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "platform/DeviceProfile.h"

namespace {

namespace fs = std::filesystem;
using namespace mw;

// The game's surface, as the program makes it.
constexpr GLSurfaceFormat kGameFormat{GLColorFormat::RGB565, 16};
constexpr double kStep = 1.0 / 30;
// Far more than the hand-over needs (107 frames and half a 0.5 s fade).
constexpr int kFrameBudget = 400;

// Seconds from the child's start; negative when the point was not reached.
struct Times {
    double firstFrame = -1;
    double incomingScene = -1;
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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

// The game's launch, as the program's headless run does it.
Times launchGame()
{
    const auto start = std::chrono::steady_clock::now();
    Times times;
    auto driver = HeadlessDriver::createForApplication(phoneHD(), kGameFormat, kStep);
    if (!driver) return times;
    MosswickAppDelegate game;
    driver->lifeCycle().setDelegate(&game);
    driver->lifeCycle().launch();
    driver->runFrames(1);
    if (!showsLoadingScene(driver->director())) return times;
    times.firstFrame = secondsSince(start);
    for (int frames = 0; frames < kFrameBudget; ++frames) {
        driver->runFrames(1);
        if (showsIncomingScene(driver->director())) {
            times.incomingScene = secondsSince(start);
            break;
        }
    }
    return times;
}

// The engine alone: the same screen, the director made by the driver, the
// first frame of an empty scene.
Times bareEngine()
{
    const auto start = std::chrono::steady_clock::now();
    Times times;
    auto driver = HeadlessDriver::create(phoneHD(), kGameFormat, kStep);
    if (!driver) return times;
    auto scene = CCScene::node();
    driver->director()->runWithScene(scene.get());
    driver->runFrames(1);
    if (driver->director()->totalFrames() > 0) times.firstFrame = secondsSince(start);
    return times;
}

// Runs `launch` in a child process over a scratch data folder and answers
// what it measured; the child ends without tearing anything down.
Times inChildProcess(Times (*launch)())
{
    const fs::path home = fs::temp_directory_path() / ("mosswick-bench-start-" + std::to_string(::getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    int channel[2];
    if (::pipe(channel) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::setenv("MOSSWICK_HOME", home.c_str(), 1);
        setLogSink([](const std::string&) {});
        const Times times = launch();
        const ssize_t written = ::write(channel[1], &times, sizeof times);
        ::_exit(written == sizeof times ? 0 : 1);
    }
    ::close(channel[1]);
    Times times;
    if (child < 0 || ::read(channel[0], &times, sizeof times) != sizeof times) times = {};
    ::close(channel[0]);
    if (child > 0) ::waitpid(child, nullptr, 0);
    fs::remove_all(home);
    return times;
}

void report(benchmark::State& state, double seconds)
{
    if (seconds < 0) {
        state.SkipWithError("the launch did not get there");
        return;
    }
    state.SetIterationTime(seconds);
}

void BM_StartToLoadingFirstFrame(benchmark::State& state)
{
    for (auto _ : state) report(state, inChildProcess(launchGame).firstFrame);
}

void BM_StartToMenuFirstFrame(benchmark::State& state)
{
    for (auto _ : state) report(state, inChildProcess(launchGame).incomingScene);
}

void BM_BareEngineFirstFrame(benchmark::State& state)
{
    for (auto _ : state) report(state, inChildProcess(bareEngine).firstFrame);
}

BENCHMARK(BM_StartToLoadingFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)->UseManualTime();
BENCHMARK(BM_StartToMenuFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)->UseManualTime();
BENCHMARK(BM_BareEngineFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    bench::SummaryReporter reporter;
    return bench::runBenchmarks(argc, argv, reporter, [](const bench::SummaryReporter& r) {
        bench::printRatio(r, "start to loading first frame",
                          "BM_StartToLoadingFirstFrame/iterations:10/repeats:5/manual_time",
                          "BM_BareEngineFirstFrame/iterations:10/repeats:5/manual_time", "ms");
        bench::printRatio(r, "start to menu first frame", "BM_StartToMenuFirstFrame/iterations:10/repeats:5/manual_time",
                          "BM_BareEngineFirstFrame/iterations:10/repeats:5/manual_time", "ms");
    });
}
