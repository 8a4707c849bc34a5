// A page pushed in the phone's full-screen social UI at phone-hd, headless:
// each iteration pushes a 20-row page of the shipped theme with the forward
// slide (kind 1, no history entry) and draws the 24 frames that follow (0.4
// s at 60 fps, long enough for either slide to land), each frame a director
// step finished with glFinish. The baseline from the same run is the pull
// tab, full open, pushing the same page the same way over the same frames.
// The summary prints both times per frame, the frames per second and the
// ratio of wall-clock times, then the ratio of the CPU time the whole process
// spent (the software rasteriser's threads included), which a machine busy
// with other work disturbs far less. Nothing goes to the network: the
// transport answers no request.
// Run from the source tree (or set MOSSWICK_SOURCE_DIR).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "platform/HTTPTransport.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGlobalNavController.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/services/CCTheming.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/ui/UIWindow.h"
#include "tests/support/RecordingOutsideServices.h"

namespace {

using namespace mw;

constexpr int kRows = 20;
constexpr int kFramesPerPush = 24;

Ref<CCUIDescription> twentyRowPage()
{
    Value::Array items;
    for (int i = 0; i < kRows; ++i) {
        const std::string n = std::to_string(i + 1);
        if (i % 2 == 0)
            items.push_back(Value::dictionary(
                {{"type", Value("text_row")}, {"text", Value("News " + n + ": the mill turns again")}}));
        else
            items.push_back(Value::dictionary({{"type", Value("link_row")},
                                               {"text", Value("Neighbour " + n + "'s orchard")},
                                               {"href", Value("orchard.cuid")}}));
    }
    Value groups = Value::array({Value::dictionary({{"items", Value::array(std::move(items))}})});
    Ref<CCUIDescription> page(new CCUIDescription(CCPrivateSession::liteBaseUrl() + "village.cuid", 10, 0));
    page->setMainData(
        Value::dictionary({{"title", Value("Village")}, {"uitype", Value("plaintable")}, {"groups", groups}}));
    return page;
}

struct World : bench::HeadlessStage {
    bench::ScratchFolder home {"mosswick-bench-full-ui"};
    Ref<UIWindow> window;
    Ref<CCUIDescription> page;

    World()
    {
        ::setenv("MOSSWICK_HOME", home.path().c_str(), 1);
        ::setenv("MOSSWICK_RESOURCES", bench::resources().c_str(), 0);
        bench::silenceLog();
        (void)HTTPTransport::replaceSharedInstance(std::make_shared<test::RecordingHTTPTransport>());
        if (!start()) return;
        if (CCTheming::sharedInstance()->setCurrentTheme("mosswick_01") != "mosswick_01") return;
        CCPrivateSession* session = CCPrivateSession::sharedInstance();
        if (!session) return;
        session->setCurrentDeviceOrientation(1);
        window = UIWindow::makeKeyWindow(*driver->director());
        page = twentyRowPage();
        ready = true;
    }
};

// The world goes in main, before the exit handlers: the view layer's own
// statics (its running animations) must outlive the window.
std::unique_ptr<World>& worldSlot()
{
    static std::unique_ptr<World> slot;
    return slot;
}

World& world()
{
    std::unique_ptr<World>& slot = worldSlot();
    if (!slot) slot = std::make_unique<World>();
    return *slot;
}

// One push, then the frames that follow it.
template <typename Push>
void pushLoop(benchmark::State& state, World& w, Push&& push)
{
    for (int i = 0; i < kFramesPerPush; ++i) bench::frame(*w.driver);
    int64_t frames = 0;
    for (auto _ : state) {
        push();
        for (int i = 0; i < kFramesPerPush; ++i) bench::frame(*w.driver);
        frames += kFramesPerPush;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void BM_FullUiPushFrames(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run with MOSSWICK_SOURCE_DIR)")) return;
    w.window->install();
    Ref<CCGlobalNavController> nav = CCGlobalNavController::create("profiletab", std::nullopt, true);
    w.window->addSubview(nav->view());
    pushLoop(state, w, [&] { nav->pushView(w.page, std::nullopt, 1, true); });
    nav->cleanUp();
    w.window->uninstall();
}
BENCHMARK(BM_FullUiPushFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_PullTabPushFrames(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run with MOSSWICK_SOURCE_DIR)")) return;
    w.window->install();
    CCTheming* theme = CCTheming::sharedInstance();
    Ref<CCPullTabViewController> tab = CCPullTabViewController::create(
        nullptr, "pulltab/bottom/lumoraslimline_landscape", "pulltab/bottom/lumoraslimline_portrait", w.window.get(),
        CCPullTabViewController::kEdgeBottom, CCPullTabViewController::kStateFullVisibility,
        theme->getSkinDescription("pulltab/bottom/overlay_position"), theme->getSkinDescription("pulltab/config"));
    pushLoop(state, w, [&] { tab->pushView(w.page, std::nullopt, 1, true); });
    tab->deactivateWithAnimation(false);
    w.window->uninstall();
}
BENCHMARK(BM_PullTabPushFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The wall-clock summary, and beside it (quietly) the process CPU times.
class BothClocks : public mw::bench::SummaryReporter {
public:
    BothClocks() { cpu.SetOutputStream(&quiet_); }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        SummaryReporter::ReportRuns(runs);
        cpu.ReportRuns(runs);
    }
    mw::bench::SummaryReporter cpu {mw::bench::Clock::Cpu};

private:
    std::ostringstream quiet_;
};

} // namespace

int main(int argc, char** argv)
{
    BothClocks reporter;
    const int result = mw::bench::runBenchmarks(argc, argv, reporter, [&reporter](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "full UI push (24 frames)", "BM_FullUiPushFrames/process_time/real_time",
                              "BM_PullTabPushFrames/process_time/real_time", "ms");
        mw::bench::printRatio(reporter.cpu, "  the same, process CPU time", "BM_FullUiPushFrames/process_time/real_time",
                              "BM_PullTabPushFrames/process_time/real_time", "ms");
        for (const char* name : {"BM_FullUiPushFrames/process_time/real_time", "BM_PullTabPushFrames/process_time/real_time"})
            if (const mw::bench::Figure* f = r.find(name); f && f->value() > 0)
                std::printf("%s: %.2f ms a frame, %.0f frames per second\n", name, f->value() / kFramesPerPush,
                            1000.0 * kFramesPerPush / f->value());
    });
    worldSlot().reset();
    return result;
}
