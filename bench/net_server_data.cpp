// Server data records on the wire and in text, each against its baseline in
// the same run:
// - 200 page GETs of about 4 KB through the record transfer (the run-loop
//   transport, headers, cookies, status), 6 at a time, against a plain
//   libcurl multi loop sending the same headers at the same concurrency to
//   the same loopback HTTPS service;
// - a 12 MB image body the same two ways, with the longest single turn of
//   the run loop during the record transfer as a counter;
// - reading a 1 MB page envelope against the JSON parser alone on the same
//   text;
// - writing a telemetry record of 2,000 usage records against the JSON
//   writer alone on its data.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "bench/NetBenchSupport.h"
#include "foundation/RunLoop.h"
#include "social/queues/records/CCServerDataHTTP.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"

namespace {

using mw::bench::SocialServiceStage;

constexpr int kPages = 200;
constexpr int kAtOnce = 6;

std::string pageText(size_t bytes)
{
    std::string items;
    for (int i = 0; items.size() < bytes; ++i) {
        if (!items.empty()) items += ",";
        items += R"({"type":"text","text":"Row )" + std::to_string(i) + R"( of the village news","href":"/lite/n)" +
                 std::to_string(i) + "\"}";
    }
    return R"({"meta":{"type":"uidesc","timestamp":1700000000},"data":{"title":"News","groups":[{"items":[)" + items +
           "]}]}}";
}

struct Fixture : SocialServiceStage {
    Fixture() : SocialServiceStage("mosswick-records-bench")
    {
        page = pageText(4000);
        for (int i = 0; i < kPages; ++i) service.script("/lite/p" + std::to_string(i), {200, {}, page});
        image.assign(12 * 1024 * 1024, '\0');
        for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>((i * 2654435761u) >> 24);
        service.script("/lite/image.png", {200, {}, image});
        takeHeadersOf(mw::CCUIDescription(url("/lite/p0"), 0, 0));
    }
    std::string page;
    std::string image;
};

Fixture& fixture()
{
    static Fixture* f = new Fixture();
    return *f;
}

struct Counter : mw::CCServerDataHTTPDelegate {
    void serverDataFinishedNetworkOpWithStatus(mw::CCAbstractServerData*, int status) override
    {
        ++done;
        if (status != 0) ++failed;
    }
    int done = 0;
    int failed = 0;
};

// Runs the main loop by hand, timing each turn.
double runLoopUntil(const std::function<bool()>& finished)
{
    double longest = 0;
    while (!finished()) {
        const auto start = std::chrono::steady_clock::now();
        mw::RunLoop::main().drain();
        longest = std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!finished()) mw::RunLoop::main().waitForInput(0.01);
    }
    return longest;
}

// Answers the longest single turn of the run loop, in seconds.
double transferRecords(benchmark::State& state, const std::vector<std::string>& paths)
{
    Counter counter;
    std::vector<mw::Ref<mw::CCUIDescription>> running;
    size_t next = 0;
    auto startMore = [&] {
        while (next < paths.size() && static_cast<int>(next) - counter.done < kAtOnce) {
            auto record = mw::makeRef<mw::CCUIDescription>(Fixture::url(paths[next++]), 0, 0);
            record->initiateGetWithDelegate(&counter);
            running.push_back(record);
        }
    };
    startMore();
    const double longest = runLoopUntil([&] {
        startMore();
        return counter.done == static_cast<int>(paths.size());
    });
    if (counter.failed) state.SkipWithError("a transfer failed");
    return longest;
}

// The baseline: libcurl's multi interface alone, same headers, same trust,
// same routing, connections kept across iterations.
void plainMulti(benchmark::State& state, const std::vector<std::string>& paths)
{
    benchmark::DoNotOptimize(mw::bench::plainMultiFetch(state, fixture(), paths, kAtOnce, 256L * 1024));
}

std::vector<std::string> pagePaths()
{
    std::vector<std::string> paths;
    for (int i = 0; i < kPages; ++i) paths.push_back("/lite/p" + std::to_string(i));
    return paths;
}

void BM_RecordPageGets(benchmark::State& state)
{
    const auto paths = pagePaths();
    double longest = 0;
    for (auto _ : state) longest = std::max(longest, transferRecords(state, paths));
    state.counters["longest_turn_ms"] = longest * 1000;
}

void BM_PlainMultiPageGets(benchmark::State& state)
{
    const auto paths = pagePaths();
    for (auto _ : state) plainMulti(state, paths);
}

void BM_RecordImage12MB(benchmark::State& state)
{
    double longest = 0;
    for (auto _ : state) longest = std::max(longest, transferRecords(state, {"/lite/image.png"}));
    state.counters["longest_turn_ms"] = longest * 1000;
    state.SetBytesProcessed(int64_t(state.iterations()) * 12 * 1024 * 1024);
}

void BM_PlainMultiImage12MB(benchmark::State& state)
{
    for (auto _ : state) plainMulti(state, {"/lite/image.png"});
    state.SetBytesProcessed(int64_t(state.iterations()) * 12 * 1024 * 1024);
}

const std::string& megabytePage()
{
    static const std::string text = pageText(1024 * 1024);
    return text;
}

void BM_ReadPageEnvelope(benchmark::State& state)
{
    for (auto _ : state) {
        auto record = mw::CCAbstractServerData::serverDataFromJSONData(megabytePage());
        benchmark::DoNotOptimize(record.get());
    }
}

void BM_ParserAlone(benchmark::State& state)
{
    for (auto _ : state) {
        mw::CCJSON json;
        std::optional<mw::Value> value = json.objectWithString(megabytePage(), nullptr);
        benchmark::DoNotOptimize(value);
    }
}

mw::CCAnalyticData& telemetryRecord()
{
    static mw::Ref<mw::CCAnalyticData> record = [] {
        auto post = mw::makeRef<mw::CCAnalyticData>();
        mw::Value::Array usage;
        for (int i = 0; i < 2000; ++i) {
            usage.push_back(mw::Value::array({mw::Value(1700000000.0 + i), mw::Value("TAB_ACT"), mw::Value("newstab"),
                                              mw::Value(int32_t(i)), mw::Value(), mw::Value(), mw::Value()}));
        }
        post->mutableMainData().set("usage", mw::Value::array(std::move(usage)));
        post->mutableMainData().set("clientsessionid", mw::Value("5E55-10N"));
        return post;
    }();
    return *record;
}

void BM_WriteTelemetryRecord(benchmark::State& state)
{
    mw::CCAnalyticData& record = telemetryRecord();
    for (auto _ : state) {
        std::optional<std::string> text = record.JSONRepresentation();
        benchmark::DoNotOptimize(text);
    }
}

void BM_WriterAlone(benchmark::State& state)
{
    const mw::Value& data = telemetryRecord().mainData();
    for (auto _ : state) {
        std::optional<std::string> text = mw::JSONFragment(data);
        benchmark::DoNotOptimize(text);
    }
}

BENCHMARK(BM_RecordPageGets)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_PlainMultiPageGets)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_RecordImage12MB)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_PlainMultiImage12MB)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_ReadPageEnvelope)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_ParserAlone)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_WriteTelemetryRecord)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_WriterAlone)->Unit(benchmark::kMicrosecond)->Repetitions(5);

} // namespace

int main(int argc, char** argv)
{
    mw::setLogSink([](const std::string&) {});
    fixture();
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "200 page GETs, 6 at a time", "BM_RecordPageGets/repeats:5/real_time",
                              "BM_PlainMultiPageGets/repeats:5/real_time", "ms");
        mw::bench::printRatio(r, "12 MB image body", "BM_RecordImage12MB/repeats:5/real_time",
                              "BM_PlainMultiImage12MB/repeats:5/real_time", "ms");
        mw::bench::printRatio(r, "1 MB page envelope read", "BM_ReadPageEnvelope/repeats:5",
                              "BM_ParserAlone/repeats:5", "ms");
        mw::bench::printRatio(r, "telemetry record of 2000 usage", "BM_WriteTelemetryRecord/repeats:5",
                              "BM_WriterAlone/repeats:5", "us");
    });
}
