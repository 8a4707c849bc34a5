// Parsing and writing the three JSON documents of tools/json (a social feed,
// an event catalogue and a coordinate track) with the social client's JSON
// parser and writer, against RapidJSON's DOM parse and writer and against
// nlohmann-json, in the same run. The summary prints each ratio of our time
// to the baseline's (below 1: faster).
//
// The figures are CPU times, and the repetitions of all benchmarks run in a
// random interleaved order, so that a machine busy with other work slows the
// parser and its baselines alike instead of whichever ran at a bad moment;
// the ratio compares medians over kRepetitions runs.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "social/support/CCJsonParser.h"
#include "social/support/CCJsonWriter.h"
#include "tools/json/JsonBenchDocuments.h"

namespace {

const std::vector<std::string>& documents()
{
    static const std::vector<std::string> texts = {mw::jsondocs::socialFeed(), mw::jsondocs::eventCatalogue(),
                                                   mw::jsondocs::coordinateTrack()};
    return texts;
}

const char* const kNames[] = {"feed", "catalogue", "track"};

void BM_ParseOurs(benchmark::State& state)
{
    const std::string& text = documents()[state.range(0)];
    for (auto _ : state) {
        mw::CCJsonParser parser;
        std::optional<mw::Value> value = parser.objectWithString(text);
        if (!value) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ParseRapidJson(benchmark::State& state)
{
    const std::string& text = documents()[state.range(0)];
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        if (document.HasParseError()) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ParseNlohmann(benchmark::State& state)
{
    const std::string& text = documents()[state.range(0)];
    for (auto _ : state) {
        nlohmann::json document = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_WriteOurs(benchmark::State& state)
{
    mw::CCJsonParser parser;
    const mw::Value value = *parser.objectWithString(documents()[state.range(0)]);
    for (auto _ : state) {
        mw::CCJsonWriter writer;
        std::optional<std::string> text = writer.stringWithObject(value);
        if (!text) state.SkipWithError("write failed");
        benchmark::DoNotOptimize(text);
    }
}

void BM_WriteRapidJson(benchmark::State& state)
{
    rapidjson::Document document;
    document.Parse(documents()[state.range(0)].c_str());
    for (auto _ : state) {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        document.Accept(writer);
        benchmark::DoNotOptimize(buffer.GetString());
    }
}

void BM_WriteNlohmann(benchmark::State& state)
{
    const nlohmann::json document = nlohmann::json::parse(documents()[state.range(0)]);
    for (auto _ : state) {
        std::string text = document.dump();
        benchmark::DoNotOptimize(text);
    }
}

constexpr int kRepetitions = 15;
constexpr double kMinSeconds = 0.2; // per repetition
// What Google Benchmark appends to a benchmark's name for these settings.
std::string runSuffix()
{
    char text[64];
    std::snprintf(text, sizeof text, "/min_time:%.3f/repeats:%d", kMinSeconds, kRepetitions);
    return text;
}
#define JSON_BENCH(name)                                                                                       \
    BENCHMARK(name)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->MinTime(kMinSeconds)
JSON_BENCH(BM_ParseOurs);
JSON_BENCH(BM_ParseRapidJson);
JSON_BENCH(BM_ParseNlohmann);
JSON_BENCH(BM_WriteOurs);
JSON_BENCH(BM_WriteRapidJson);
JSON_BENCH(BM_WriteNlohmann);

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter(mw::bench::Clock::Cpu);
    mw::bench::ArgumentsWithDefaults arguments(argc, argv, {"--benchmark_enable_random_interleaving=true"});
    const std::string repeats = runSuffix();
    return mw::bench::runBenchmarks(arguments.argc(), arguments.argv(), reporter, [&](const mw::bench::SummaryReporter& r) {
        for (int i = 0; i < 3; ++i) {
            for (const char* step : {"Parse", "Write"}) {
                for (const char* baseline : {"RapidJson", "Nlohmann"}) {
                    const std::string subject = std::string(step) + " " + kNames[i] + " vs " + baseline;
                    mw::bench::printRatio(
                        r, subject.c_str(),
                        std::string("BM_") + step + "Ours/" + std::to_string(i) + repeats,
                        std::string("BM_") + step + baseline + "/" + std::to_string(i) + repeats, "ms CPU");
                }
            }
        }
    });
}
