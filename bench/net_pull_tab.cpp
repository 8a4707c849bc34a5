// The pull tab over the running main menu at phone-hd, headless, with its
// pages served by the tests' loopback HTTPS service; each figure against its
// baseline from the same run:
// - opening: a tap on the strip's profile tab in state 1 slides the strip to
//   state 3 (0.5 s) with the tab's page of 20 rows, as a reopened tab shows
//   it (from the fetch cache); one frame of the opening an iteration (a
//   director step finished with glFinish; the tap goes with the first), the
//   closing between openings untimed. Baseline: frames of the main menu
//   alone (no pull tab, the view window installed and empty).
// - tab page: from a tap on another tab of the open strip to the end of the
//   frame that draws that tab's page of 20 rows, fetched over HTTPS (the
//   page is dropped from the fetch cache before each tap). Between the tap
//   and that frame the main loop turns without drawing, so the figure is
//   the tap, the fetch and the page's building plus one frame, not a frame
//   rate; the two parts are counters (loaded_ms, frame_ms). Baseline: a
//   plain libcurl GET of the same address with the same headers, trust and
//   routing, its connection kept across iterations as the transport keeps
//   its own.
// Both sides of the tab-page pair keep one connection (the handshakes
// counter stays 0 a tap), so the pair differs by the game's own work: the
// page's records, views and pictures, and a frame.
// The summary prints both pairs, the frames per second and the ratios, of
// wall time. On a machine busy with other work the wall figures swing by
// half; the CPU column with LP_NUM_THREADS=0 (the GL driver rasterising on
// the benchmark's own thread) counts the frame's whole work and is the
// steadier figure to compare. With
// MOSSWICK_BENCH_SHOT set to a path, the opening benchmark writes the screen
// of its last state-3 frame there as a PNG. Run from the source tree (or set
// MOSSWICK_SOURCE_DIR).
#include <benchmark/benchmark.h>

#include <GLES/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/LoopbackCurl.h"
#include "foundation/RunLoop.h"
#include "game/defs/XMLManager.h"
#include "game/front/MainMenuScene.h"
#include "game/front/MosswickAppDelegate.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "platform/HTTPTransport.h"
#include "social/queues/CCFetchManager.h"
#include "social/screens/CCGenericTableViewController.h"
#include "social/session/CCPrivateSession.h"
#include "social/screens/CCPullTabViewController.h"
#include "social/session/LumoraSlimlineSession.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/ui/UITableView.h"
#include "social/ui/UIWindow.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/ScriptedDeviceServices.h"

namespace {

using namespace mw;
using test::LoopbackSocialService;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 20;
// The strip's tabs (ids and page paths of the shipped theme's profile strip).
constexpr const char* kProfileTab = "profile";
constexpr const char* kLeaderboardsTab = "leaderboards";

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A page envelope of 20 rows: text rows, link rows and picture rows with a
// title and a two-line subtitle (the picture is the theme's placeholder).
std::string pageEnvelope(const std::string& title)
{
    std::string items;
    for (int i = 0; i < kRows; ++i) {
        const std::string n = std::to_string(i + 1);
        if (!items.empty()) items += ",";
        switch (i % 3) {
        case 0: items += R"({"type":"text_row","text":"News )" + n + R"(: the mill turns again after the storm"})"; break;
        case 1:
            items += R"({"type":"link_row","text":"Neighbour )" + n + R"('s orchard","href":"orchard)" + n + R"(.cuid"})";
            break;
        default:
            items += R"({"type":"image_row","title":"Villager )" + n + R"(","subtitle":"Level )" + n +
                     R"(, keeps bees and sells honey at the autumn market","href":"villager)" + n + R"(.cuid"})";
            break;
        }
    }
    return R"({"meta":{"type":"uidesc","timestamp":1700000000},"data":{"title":")" + title +
           R"(","uitype":"groupedtable","groups":[{"items":[)" + items + "]}]}}";
}

struct World {
    bench::ScratchFolder home {"mosswick-bench-pull-tab"};
    std::unique_ptr<HeadlessDriver> driver;
    std::unique_ptr<test::ScopedDeviceServices> services;
    std::unique_ptr<LoopbackSocialService> service;
    Ref<UIWindow> window;
    Ref<MainMenuScene> menu;
    std::string profilePage = pageEnvelope("Profile");
    std::vector<std::string> headerLines; // what the transport sends, for the baseline
    std::string connectTo;
    bool ready = false;

    World()
    {
        ::setenv("MOSSWICK_HOME", home.path().c_str(), 1);
        ::setenv("MOSSWICK_RESOURCES", bench::resources().c_str(), 0);
        Paths::createDirectories(Paths::documentsDirectory());
        bench::silenceLog();
        driver = bench::startHeadless();
        if (!driver) return;
        services = std::make_unique<test::ScopedDeviceServices>();
        service = std::make_unique<LoopbackSocialService>();
        service->setKeepsRequests(false);
        service->route();
        service->script("/lite/newsfeed.cuid", {200, {}, pageEnvelope("News")});
        service->script("/lite/profile.cuid", {200, {}, profilePage});
        service->script("/lite/leaderboards.cuid", {200, {}, pageEnvelope("Leaderboards")});

        GlobalObject* global = GlobalObject::sharedInstance();
        global->AudioState = GlobalObject::kAudioFailed; // silent, and nothing waits for the engine
        XMLManager::sharedInstance()->initXMLS();
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
        LumoraSlimlineSession::initWithAppID(MosswickAppDelegate::kSocialAppID, nullptr, 1.0,
                                             MosswickAppDelegate::kSocialTheme, MosswickAppDelegate::kSocialSecret);
        CCPrivateSession* session = CCPrivateSession::sharedInstance();
        if (!session) return;
        session->setCurrentDeviceOrientation(1);
        window = UIWindow::makeKeyWindow(*driver->director());
        window->install();
        menu = MainMenuScene::scene();
        driver->director()->runWithScene(menu.get());
        settle(1.0);

        HTTPRequest request;
        request.url = LoopbackSocialService::httpsUrl(CCPrivateSession::serviceHost(), "/lite/profile.cuid");
        session->addHeadersToURLRequest(request);
        CCUIDescription probe(request.url, 0, 0);
        probe.addUserAgentToHeaders(request);
        for (const auto& [name, value] : request.headers) headerLines.push_back(name + ": " + value);
        headerLines.push_back("Accept:");
        headerLines.push_back("Expect:");
        connectTo = CCPrivateSession::serviceHost() + ":443:127.0.0.1:" + std::to_string(service->tlsPort());
        ready = menu->children() && menu->children()->count() > 0;
    }

    // Frames of the menu's fixed step for `seconds`, each finished on the GPU.
    void settle(double seconds)
    {
        const int frames = static_cast<int>(seconds / driver->step() + 0.5);
        for (int i = 0; i < frames; ++i) bench::frame(*driver);
    }

    CCPullTabViewController* pullTab() const { return CCPrivateSession::sharedInstance()->pullTabController(); }

    // The menu with no pull tab: the one the menu asked for is taken away.
    void removePullTab()
    {
        CCPrivateSession* session = CCPrivateSession::sharedInstance();
        if (session->pullTabController()) {
            session->deactivateLumoraPullTabWithAnimation(false);
            settle(0.1);
            if (session->pullTabController()) session->onPullTabViewControllerDeactivated();
        }
        settle(0.1);
    }

    // A two-stage pull tab of the profile strip from the bottom edge, shown
    // closed (state 1); false when it did not come.
    bool showClosedPullTab()
    {
        removePullTab();
        CCPrivateSession::sharedInstance()->activateLumoraPullTabOn("profile", 0, true);
        settle(0.3);
        return pullTab() && pullTab()->twoStageMode() && pullTab()->state() == CCPullTabViewController::kStateTabVisible;
    }

    // The middle of a tab of the visible strip, in window points.
    CGPoint tabPoint(const std::string& tabId) const
    {
        CCPullTabViewController* tab = pullTab();
        const Value item = tab->skinItemForId(tabId, true);
        const CGPoint middle {static_cast<float>(item["x"].asDouble() + item["w"].asDouble() / 2),
                              static_cast<float>(item["y"].asDouble() + item["h"].asDouble() / 2)};
        return tab->visiblePullTabView()->convertPointToView(middle, window.get());
    }

    void tap(CGPoint point)
    {
        Ref<UITouch> touch = driver->touchDown(point);
        driver->touchUp(touch.get());
    }

    // The address a tab's page is fetched from.
    std::string tabUrl(const std::string& tabId) const
    {
        const Value item = pullTab()->skinItemForId(tabId, true);
        return pullTab()->tabPageUrl(item["href"].asString());
    }

    // Whether the pull tab shows that page with its rows.
    bool pageShown(const std::string& url) const
    {
        CCPullTabViewController* tab = pullTab();
        CCGenericTableViewController* page = tab ? tab->primaryViewController() : nullptr;
        if (!page || !page->currentUIDescription() || page->currentUIDescription()->url() != url) return false;
        if (!page->currentUIDescription()->dataAvailable()) return false;
        UITableView* table = page->tableView();
        return table && table->numberOfSections() > 0 && table->numberOfRowsInSection(0) == kRows;
    }
};

World& world()
{
    static World* shared = new World();
    return *shared;
}

// The world with a two-stage pull tab opened from state 1 to 3 on its
// profile page (fetched once from the service); false (the benchmark
// skipped) when any of it is missing.
bool openOnProfilePage(benchmark::State& state, World& w)
{
    if (!bench::worldReady(state, w.ready, "no main menu (run with MOSSWICK_SOURCE_DIR)")) return false;
    if (!w.showClosedPullTab()) {
        state.SkipWithError("the pull tab did not show closed");
        return false;
    }
    const std::string url = w.tabUrl(kProfileTab);
    w.tap(w.tabPoint(kProfileTab));
    for (int i = 0; i < 600 && !w.pageShown(url); ++i) bench::frame(*w.driver);
    w.settle(0.6);
    if (w.pullTab()->state() == CCPullTabViewController::kStateFullVisibility && w.pageShown(url)) return true;
    state.SkipWithError("the pull tab did not open on its page");
    return false;
}

void BM_MainMenuAloneFrame(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no main menu (run with MOSSWICK_SOURCE_DIR)")) return;
    w.removePullTab();
    int64_t frames = 0;
    double worst = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        bench::frame(*w.driver);
        worst = std::max(worst, secondsSince(start));
        ++frames;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["worst_ms"] = worst * 1000;
}
BENCHMARK(BM_MainMenuAloneFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2)->Repetitions(3);

void BM_PullTabOpeningFrame(benchmark::State& state)
{
    World& w = world();
    // The first opening fetches the page; the timed ones reopen it.
    if (!openOnProfilePage(state, w)) return;
    const std::string url = w.tabUrl(kProfileTab);
    const int openingFrames = static_cast<int>(0.5 / w.driver->step() + 0.5) + 1;
    int left = 0;
    int64_t frames = 0;
    double worst = 0;
    Clock::time_point tapStart;
    bool opened = true;
    for (auto _ : state) {
        if (left == 0) {
            state.PauseTiming();
            opened = opened && w.pullTab()->state() == CCPullTabViewController::kStateFullVisibility &&
                     w.pageShown(url);
            // A tap on the selected tab closes the strip to state 1. The
            // tab moves with the strip: its point is taken before each tap.
            w.tap(w.tabPoint(kProfileTab));
            w.settle(0.6);
            const CGPoint profile = w.tabPoint(kProfileTab);
            state.ResumeTiming();
            left = openingFrames;
            tapStart = Clock::now();
            w.tap(profile);
        }
        const Clock::time_point start = left == openingFrames ? tapStart : Clock::now();
        bench::frame(*w.driver);
        worst = std::max(worst, secondsSince(start));
        --left;
        ++frames;
    }
    w.settle(0.6);
    if (!opened || !w.pageShown(url)) state.SkipWithError("an opening did not end in state 3 with the page");
    if (const char* shot = std::getenv("MOSSWICK_BENCH_SHOT")) (void)w.driver->screenshot(shot);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["worst_ms"] = worst * 1000;
    state.counters["openings"] = static_cast<double>((frames + openingFrames - 1) / openingFrames);
}
BENCHMARK(BM_PullTabOpeningFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2)->Repetitions(3);

void BM_TabTapToPageDrawn(benchmark::State& state)
{
    World& w = world();
    if (!openOnProfilePage(state, w)) return;
    const char* tabs[] = {kLeaderboardsTab, kProfileTab};
    const int handshakesBefore = w.service->handshakes();
    int next = 0;
    double loaded = 0;
    double drawn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const char* tabId = tabs[next++ % 2];
        const std::string url = w.tabUrl(tabId);
        const CGPoint point = w.tabPoint(tabId);
        CCFetchManager::sharedInstance()->clearUrlFromCache(url);
        state.ResumeTiming();
        const Clock::time_point start = Clock::now();
        w.tap(point);
        // The main loop turns (the hop, the transport, the page's reload)
        // until the page has its rows; then the frame that draws it.
        const Clock::time_point limit = start + std::chrono::seconds(10);
        while (!w.pageShown(url) && Clock::now() < limit) {
            RunLoop::main().drain();
            if (!w.pageShown(url)) RunLoop::main().waitForInput(0.001);
        }
        if (!w.pageShown(url)) {
            state.SkipWithError("the page did not load");
            break;
        }
        const Clock::time_point ready = Clock::now();
        loaded += std::chrono::duration<double>(ready - start).count();
        bench::frame(*w.driver);
        drawn += secondsSince(ready);
    }
    const double taps = static_cast<double>(std::max<int64_t>(1, state.iterations()));
    state.counters["loaded_ms"] = loaded / taps * 1000;
    state.counters["frame_ms"] = drawn / taps * 1000;
    state.counters["handshakes"] = (w.service->handshakes() - handshakesBefore) / taps;
}
BENCHMARK(BM_TabTapToPageDrawn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2)->Repetitions(3);

// The baseline: libcurl alone fetching the same page, same headers, trust
// and routing; the handle (and with it the connection) kept across
// iterations.
void BM_PlainCurlPageFetch(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no main menu (run with MOSSWICK_SOURCE_DIR)")) return;
    const std::string url = CCPrivateSession::liteBaseUrl() + "profile.cuid?inTabbedView=1";
    curl_slist* headers = nullptr;
    for (const std::string& line : w.headerLines) headers = curl_slist_append(headers, line.c_str());
    curl_slist* routing = curl_slist_append(nullptr, w.connectTo.c_str());
    const std::string authority = w.service->authorityFile();
    std::string body;
    CURL* e = bench::loopbackGet(url, headers, routing, authority, &body);
    for (auto _ : state) {
        body.clear();
        const CURLcode result = curl_easy_perform(e);
        long status = 0;
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
        if (result != CURLE_OK || status != 200 || body != w.profilePage) {
            state.SkipWithError("the fetch failed");
            break;
        }
        benchmark::DoNotOptimize(body.data());
    }
    curl_easy_cleanup(e);
    curl_slist_free_all(headers);
    curl_slist_free_all(routing);
}
BENCHMARK(BM_PlainCurlPageFetch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2)->Repetitions(3);

} // namespace

int main(int argc, char** argv)
{
    bench::silenceLog();
    bench::SummaryReporter reporter;
    return bench::runBenchmarks(argc, argv, reporter, [](const bench::SummaryReporter& r) {
        bench::printRatio(r, "pull tab opening frame", "BM_PullTabOpeningFrame/min_time:2.000/repeats:3/real_time",
                          "BM_MainMenuAloneFrame/min_time:2.000/repeats:3/real_time", "ms");
        bench::printRatio(r, "tab tap to page drawn", "BM_TabTapToPageDrawn/min_time:2.000/repeats:3/real_time",
                          "BM_PlainCurlPageFetch/min_time:2.000/repeats:3/real_time", "ms");
        for (const char* name : {"BM_PullTabOpeningFrame/min_time:2.000/repeats:3/real_time",
                                 "BM_MainMenuAloneFrame/min_time:2.000/repeats:3/real_time"})
            if (const bench::Figure* f = r.find(name); f && f->value() > 0)
                std::printf("%s: %.0f frames per second\n", name, 1000.0 / f->value());
    });
}
