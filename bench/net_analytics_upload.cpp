// Uploading the analytics report of 50 stored sessions of 1,000 events each
// to the loopback service: through the client's own request (the platform
// transport, exactly the caller's header, the answer collected) against a
// plain blocking libcurl POST of the same bytes with the same header, in the
// same run.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "analytics/TallyHTTPEater.h"
#include "analytics/TallySession.h"
#include "bench/BenchSummary.h"
#include "foundation/Log.h"
#include "tests/support/LoopbackHTTPServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedDeviceServices.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const char* const kNames[] = { "MiniGames", "MoneyUsage",  "Tool", "Language",
                               "Level Up",  "Achievement", "InApp" };

struct Fixture {
    Fixture()
        : home(fs::temp_directory_path() / ("mosswick-upload-bench-" + std::to_string(::getpid())))
    {
        fs::create_directories(home);
        env = std::make_unique<mw::test::ScopedEnv>("MOSSWICK_HOME", home.string());
        std::vector<mw::TallySession::ReportItem> sessions;
        for (int s = 0; s < 50; ++s) {
            auto session = mw::TallySession::sessionWithAPIKey("QX3TR7WMB2KJ9PLD4HSZ", "1.0");
            for (int e = 0; e < 1000; ++e) {
                const char* name = kNames[e % 7];
                session->recordEvent(name, mw::Value::dictionary({ { name, "value " + std::to_string(e) } }));
            }
            session->endSessionAndSend(false, false);
            sessions.emplace_back(*session->data());
        }
        report = mw::TallySession::dataForSessions(sessions, {});
        mw::TallySession::setCurrentSession(nullptr);
        server.setKeepsRequests(false);
        url = server.url("/aas.do");
    }
    ~Fixture() { fs::remove_all(home); }
    fs::path home;
    std::unique_ptr<mw::test::ScopedEnv> env;
    mw::test::ScopedDeviceServices services;
    mw::test::LoopbackHTTPServer server { [](const mw::test::LoopbackHTTPServer::Request&) {
        return mw::test::LoopbackHTTPServer::response(200);
    } };
    Bytes report;
    std::string url;
};

Fixture& fixture()
{
    static Fixture* f = new Fixture();
    return *f;
}

void BM_ReportUpload(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        const std::optional<mw::TallyHTTPResponse> answer = mw::TallyHTTPEater::sendMethod(
            "POST", f.url, f.report, { { "Content-Type", "application/octet-stream" } }, 20, false);
        if (!answer || answer->statusCode() != 200) state.SkipWithError("upload failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations() * f.report.size()));
}

size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

void BM_PlainCurlPost(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        CURL* curl = curl_easy_init();
        curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
        headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(curl, CURLOPT_URL, f.url.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(f.report.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, f.report.data());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
        long status = 0;
        if (curl_easy_perform(curl) != CURLE_OK) state.SkipWithError("transfer failed");
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (status != 200) state.SkipWithError("not accepted");
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * f.report.size()));
}

BENCHMARK(BM_ReportUpload)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_PlainCurlPost)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::setLogSink([](const std::string&) {});
    std::printf("report of 50 x 1000 events: %zu bytes\n", fixture().report.size());
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "report upload to the loopback service",
                              "BM_ReportUpload/repeats:5/real_time", "BM_PlainCurlPost/repeats:5/real_time",
                              "ms");
    });
}
