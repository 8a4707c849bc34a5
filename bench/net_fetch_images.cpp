// 500 images of about 8 KB queued at once through the fetch manager from
// the loopback HTTPS service (queueing, the passes of six, the session's
// headers, decoding each picture, the run of this cache and one announcement
// each), against a plain libcurl multi loop fetching the same URLs with the
// same headers 6 at a time, in the same run. The goal is 1.3x or less.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/BenchSummary.h"
#include "bench/LoopbackCurl.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "platform/HTTPTransport.h"
#include "platform/ImageCodecs.h"
#include "social/CCFetchManager.h"
#include "social/CCPrivateSession.h"
#include "social/LumoraSlimlineSession.h"
#include "social/records/CCServerRecords.h"
#include "tests/support/LoopbackSocialService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"

namespace {

namespace fs = std::filesystem;
using mw::test::LoopbackSocialService;

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

struct Fixture {
    Fixture() : home(fs::temp_directory_path() / ("mosswick-fetch-bench-" + std::to_string(::getpid())))
    {
        fs::create_directories(home);
        env = std::make_unique<mw::test::ScopedEnv>("MOSSWICK_HOME", home.string());
        mw::Paths::createDirectories(mw::Paths::documentsDirectory());
        mw::LumoraSlimlineSession::initWithAppID("4817302956", nullptr, 1.0, "mosswick_01",
                                                 "zk4wq8nrt2vyhc6md0xfa3sj5gpb1e");
        mw::CCPrivateSession::sharedInstance()->activateLumoraSetting(2, mw::Value("YES")); // no telemetry
        service.setKeepsRequests(false);
        service.route();
        for (int i = 0; i < kImages; ++i) {
            std::string png = noisePng(static_cast<unsigned>(i));
            imageBytes += png.size();
            service.script(imagePath(i), {200, {{"Content-Type", "image/png"}}, std::move(png)});
        }
        // The headers the record transfer sends, for the baseline.
        mw::CCImageData probe(url(imagePath(0)));
        mw::HTTPRequest request;
        request.url = probe.url();
        request.headers.set("Content-Type", "application/json");
        mw::CCPrivateSession::sharedInstance()->addHeadersToURLRequest(request);
        probe.addUserAgentToHeaders(request);
        for (const auto& [name, value] : request.headers) headerLines.push_back(name + ": " + value);
        headerLines.push_back("Accept:");
        headerLines.push_back("Expect:");
        connectTo = mw::CCPrivateSession::serviceHost() + ":443:127.0.0.1:" + std::to_string(service.tlsPort());
    }
    ~Fixture() { fs::remove_all(home); }
    static std::string url(const std::string& path)
    {
        return LoopbackSocialService::httpsUrl(mw::CCPrivateSession::serviceHost(), path);
    }

    fs::path home;
    std::unique_ptr<mw::test::ScopedEnv> env;
    mw::test::ScopedDeviceServices services;
    LoopbackSocialService service;
    size_t imageBytes = 0;
    std::vector<std::string> headerLines;
    std::string connectTo;
};

Fixture& fixture()
{
    static Fixture* f = new Fixture();
    return *f;
}

void BM_FetchManagerImages(benchmark::State& state)
{
    Fixture& f = fixture();
    mw::CCFetchManager* manager = mw::CCFetchManager::sharedInstance();
    int announced = 0;
    int present = 0;
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
}

// The baseline: libcurl's multi interface alone, same headers, same trust,
// same routing, 6 transfers at a time, connections kept across iterations.
void BM_PlainMultiImages(benchmark::State& state)
{
    Fixture& f = fixture();
    static CURLM* multi = curl_multi_init();
    curl_slist* headers = nullptr;
    for (const std::string& line : f.headerLines) headers = curl_slist_append(headers, line.c_str());
    curl_slist* routing = curl_slist_append(nullptr, f.connectTo.c_str());
    const std::string authority = f.service.authorityFile();
    for (auto _ : state) {
        std::vector<std::unique_ptr<std::string>> bodies;
        int next = 0;
        int done = 0;
        size_t received = 0;
        auto add = [&] {
            bodies.push_back(std::make_unique<std::string>());
            CURL* e = mw::bench::loopbackGet(Fixture::url(imagePath(next++)), headers, routing, authority,
                                             bodies.back().get());
            curl_multi_add_handle(multi, e);
        };
        while (next < kImages && next < kAtOnce) add();
        while (done < kImages) {
            int running = 0;
            curl_multi_perform(multi, &running);
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
                if (message->msg != CURLMSG_DONE) continue;
                long status = 0;
                curl_easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE, &status);
                if (message->data.result != CURLE_OK || status != 200) state.SkipWithError("a transfer failed");
                curl_multi_remove_handle(multi, message->easy_handle);
                curl_easy_cleanup(message->easy_handle);
                ++done;
                if (next < kImages) add();
            }
            if (done < kImages) curl_multi_poll(multi, nullptr, 0, 10, nullptr);
        }
        for (const auto& body : bodies) received += body->size();
        if (received != f.imageBytes) state.SkipWithError("the bodies differ from the images");
        benchmark::DoNotOptimize(received);
    }
    curl_slist_free_all(headers);
    curl_slist_free_all(routing);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.imageBytes));
}

BENCHMARK(BM_FetchManagerImages)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_PlainMultiImages)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::setLogSink([](const std::string&) {});
    fixture();
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "500 images of 8 KB, fetch manager against a plain 6-at-a-time multi loop",
                              "BM_FetchManagerImages/repeats:5/real_time",
                              "BM_PlainMultiImages/repeats:5/real_time", "ms");
    });
}
