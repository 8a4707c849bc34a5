// 500 images of about 8 KB queued at once through the fetch manager from
// the loopback HTTPS service (queueing, the passes of six, the session's
// headers, the transport's network threads, each picture decoded, the run of
// this cache and one announcement each), against a plain libcurl multi loop
// fetching the same URLs with the same headers 6 at a time, in the same run.
// The goal is 1.3x or less.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "bench/NetBenchSupport.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "platform/ImageCodecs.h"
#include "social/queues/CCFetchManager.h"
#include "social/queues/records/CCServerRecords.h"

namespace {

using mw::bench::SocialServiceStage;

constexpr int kImages = 500;
constexpr int kAtOnce = 6;

// A 52 x 52 RGB picture of noise: about 8 KB of PNG that does not compress.
std::string noisePng(unsigned seed)
{
    std::vector<uint8_t> rows(52 * 52 * 3);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& byte : rows) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    std::vector<uint8_t> png;
    std::string error;
    if (!mw::codecs::encodePNG(rows.data(), 52, 52, 3, png, error)) std::abort();
    return std::string(png.begin(), png.end());
}

std::string imagePath(int index) { return "/img/i" + std::to_string(index) + ".png"; }

struct Fixture : SocialServiceStage {
    Fixture() : SocialServiceStage("mosswick-fetch-bench")
    {
        for (int i = 0; i < kImages; ++i) {
            std::string png = noisePng(static_cast<unsigned>(i));
            imageBytes += png.size();
            service.script(imagePath(i), {200, {{"Content-Type", "image/png"}}, std::move(png)});
        }
        takeHeadersOf(mw::CCImageData(url(imagePath(0))));
    }
    size_t imageBytes = 0;
};

// Made before the benchmarks run and taken down by main(), so that the
// service's threads have ended before the process's exit handlers run.
Fixture* gFixture = nullptr;

Fixture& fixture() { return *gFixture; }

void BM_FetchManagerImages(benchmark::State& state)
{
    Fixture& f = fixture();
    mw::CCFetchManager* manager = mw::CCFetchManager::sharedInstance();
    int announced = 0;
    int present = 0;
    const mw::bench::ServiceCounters counters(f);
    const auto observer = mw::NotificationCenter::defaultCenter().addObserver(
        nullptr, std::string(), manager, [&](const mw::Notification& notification) {
            ++announced;
            const auto* info = std::any_cast<mw::Value>(&notification.userInfo());
            if (info && (*info)[mw::CCFetchManager::kInfoStatus].asInt() == 1) ++present;
        });
    for (auto _ : state) {
        announced = present = 0;
        for (int i = 0; i < kImages; ++i) {
            auto record = mw::Ref<mw::CCAbstractServerData>(mw::makeRef<mw::CCImageData>(Fixture::url(imagePath(i))));
            (void)manager->queueServerData(record, 100, 0);
        }
        mw::RunLoop::main().runUntil([&] { return announced == kImages; }, 60);
        if (present != kImages) state.SkipWithError("an image was not fetched");
        benchmark::DoNotOptimize(manager->temporaryDataCache().data());
        state.PauseTiming();
        manager->clearDataWithCompleteClean(true);
        state.ResumeTiming();
    }
    mw::NotificationCenter::defaultCenter().removeObserver(observer);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.imageBytes));
    counters.report(state);
}

// The baseline: libcurl's multi interface alone, same headers, same trust,
// same routing, 6 transfers at a time, connections kept across iterations.
void BM_PlainMultiImages(benchmark::State& state)
{
    Fixture& f = fixture();
    std::vector<std::string> paths;
    for (int i = 0; i < kImages; ++i) paths.push_back(imagePath(i));
    const mw::bench::ServiceCounters counters(f);
    for (auto _ : state) {
        const size_t received = mw::bench::plainMultiFetch(state, f, paths, kAtOnce);
        if (received != f.imageBytes) state.SkipWithError("the bodies differ from the images");
        benchmark::DoNotOptimize(received);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.imageBytes));
    counters.report(state);
}

BENCHMARK(BM_FetchManagerImages)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_PlainMultiImages)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::setLogSink([](const std::string&) {});
    gFixture = new Fixture();
    mw::bench::SummaryReporter reporter;
    const int result = mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "500 images of 8 KB, fetch manager against a plain 6-at-a-time multi loop",
                              "BM_FetchManagerImages/repeats:5/real_time",
                              "BM_PlainMultiImages/repeats:5/real_time", "ms");
    });
    mw::CCFetchManager::releaseSharedInstance();
    delete gFixture;
    return result;
}
