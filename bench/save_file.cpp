// Saving a game at the size of the full game's data (see GameDataText.h).
// Three costs: what the main thread pays for a background save (the
// snapshot), the whole direct save (snapshot, encoding and the atomic,
// fsynced write), and, as the baseline, the atomic write of the same bytes
// alone. The summary prints the times and the ratio of the whole save to the
// bare write.
//
// The save goes to $MOSSWICK_HOME when it is set (and stays there, e.g. to
// seed the fuzz corpus), else to a scratch folder that is removed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/GameDataText.h"
#include "foundation/AtomicFile.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "game/state/DataParser.h"
#include "game/state/Profile.h"
#include "game/state/SaveFile.h"

namespace {

using mw::Profile;

void BM_SaveSnapshot(benchmark::State& state)
{
    Profile* profile = Profile::sharedInstance();
    for (auto _ : state) {
        mw::SaveSnapshot snapshot = profile->TakeSnapshot();
        benchmark::DoNotOptimize(&snapshot);
    }
}
BENCHMARK(BM_SaveSnapshot)->Unit(benchmark::kMicrosecond)->Repetitions(5);

void BM_SaveData(benchmark::State& state)
{
    Profile* profile = Profile::sharedInstance();
    for (auto _ : state) {
        if (!profile->SaveData()) state.SkipWithError("the save failed");
    }
}
BENCHMARK(BM_SaveData)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// The baseline: the finished file's bytes written atomically, nothing else.
void BM_AtomicWriteOnly(benchmark::State& state)
{
    std::string bytes = mw::SaveFile::encode(Profile::sharedInstance()->TakeSnapshot().toDictionary());
    for (auto _ : state) {
        if (!mw::AtomicFile::write(mw::SaveFile::path(), bytes)) state.SkipWithError("the write failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_AtomicWriteOnly)->Unit(benchmark::kMicrosecond)->Repetitions(5);

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
    }
    double microseconds(const std::string& name) const
    {
        auto it = medians.find(name);
        return it == medians.end() ? -1 : it->second;
    }

private:
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::string scratch;
    if (!std::getenv("MOSSWICK_HOME")) {
        char pattern[] = "/tmp/mosswick-save-bench-XXXXXX";
        if (!mkdtemp(pattern)) return 1;
        scratch = pattern;
        setenv("MOSSWICK_HOME", scratch.c_str(), 1);
    }
    const std::string data = mw::Paths::cachesPath("test.xml");
    if (!mw::AtomicFile::write(data, mw::bench::gameDataText())) return 1;
    mw::setLogSink([](const std::string&) {});
    mw::DataParser parser;
    if (!parser.parseData(data)) return 1;

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double snapshot = reporter.microseconds("BM_SaveSnapshot");
    const double whole = reporter.microseconds("BM_SaveData");
    const double bare = reporter.microseconds("BM_AtomicWriteOnly");
    if (snapshot > 0 && whole > 0 && bare > 0) {
        std::printf("\nsave of the full game: main thread (snapshot) %.0f us, whole save %.0f us, "
                    "bare atomic write %.0f us, whole / bare %.2fx\n",
                    snapshot, whole, bare, whole / bare);
    }
    Profile::purgeSharedInstance();
    benchmark::Shutdown();
    if (!scratch.empty()) std::filesystem::remove_all(scratch);
    return 0;
}
