// A 64 MB file from the loopback server: through the game's downloader (the
// run-loop-driven transport, a temporary file, the move into place) against a
// plain blocking libcurl transfer into a file, in the same run.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <unistd.h>
#include <filesystem>
#include <string>

#include "bench/BenchSummary.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "game/front/SingleFileDownloader.h"
#include "tests/support/LoopbackHTTPServer.h"
#include "tests/support/ScopedEnv.h"

namespace {

namespace fs = std::filesystem;
constexpr size_t kSize = 64u << 20;

struct Fixture {
    Fixture() : home(fs::temp_directory_path() / ("mosswick-bench-" + std::to_string(::getpid())))
    {
        fs::create_directories(home);
        env = std::make_unique<mw::test::ScopedEnv>("MOSSWICK_HOME", home.string());
        std::string body(kSize, '\0');
        for (size_t i = 0; i < kSize; ++i) body[i] = static_cast<char>(i * 2654435761u >> 24);
        server.script("/big.bin", {200, std::move(body), {}});
        fs::create_directories(mw::Paths::cachesDirectory());
    }
    ~Fixture() { fs::remove_all(home); }
    fs::path home;
    std::unique_ptr<mw::test::ScopedEnv> env;
    mw::test::LoopbackHTTPServer server;
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

class Done : public mw::SingleFileDownloaderDelegate {
public:
    void downloadFinished(mw::Object*) override { ended = true; }
    void downloadFailedWithError(mw::Object*, const std::string& message) override
    {
        ended = true;
        failed = message;
    }
    bool ended = false;
    std::string failed;
};

void BM_Downloader(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::string target = mw::Paths::cachesDirectory() + "/big.bin";
    for (auto _ : state) {
        Done done;
        auto downloader = mw::SingleFileDownloader::fileDownloaderWithSourcePath(f.server.url("/big.bin"), "big.bin", &done);
        downloader->startDownload();
        // As an idle program runs its loop: drain, then sleep until input.
        if (!mw::RunLoop::main().runUntil([&] { return done.ended; }, 60)) state.SkipWithError("timed out");
        if (!done.failed.empty()) state.SkipWithError(done.failed.c_str());
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

size_t writeToFile(char* data, size_t size, size_t count, void* file)
{
    return std::fwrite(data, size, count, static_cast<FILE*>(file)) * size;
}

void BM_PlainCurlToFile(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::string target = mw::Paths::cachesDirectory() + "/plain.bin";
    const std::string url = f.server.url("/big.bin");
    for (auto _ : state) {
        FILE* out = std::fopen(target.c_str(), "wb");
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeToFile);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, out);
        if (curl_easy_perform(curl) != CURLE_OK) state.SkipWithError("transfer failed");
        curl_easy_cleanup(curl);
        std::fclose(out);
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

BENCHMARK(BM_Downloader)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_PlainCurlToFile)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "64 MB from the loopback server", "BM_Downloader/repeats:5/real_time",
                              "BM_PlainCurlToFile/repeats:5/real_time", "ms");
    });
}
