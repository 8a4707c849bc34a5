// The service post queue's writes and the telemetry record:
// - the 3-second write of a queue of 500 telemetry records of about 4 KB:
//   its main-thread part (the snapshot) against the whole write (snapshot,
//   encoding and the atomic, fsynced write) -- the goal is a quarter or less;
// - building one telemetry record that carries 2,000 usage records, against
//   the JSON writer alone on the same data (the envelope the record holds);
//   scheduling it (the at-once write of the queue) is measured apart.
//
// Files go to a scratch folder that is removed afterwards.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "foundation/Paths.h"
#include "social/queues/CCAsyncPostManager.h"
#include "social/queues/CCRecordArchive.h"
#include "social/queues/records/CCServerRecords.h"
#include "social/support/CCJSON.h"

namespace {

mw::Value usageRecords(int count, int textLength)
{
    mw::Value records = mw::Value::array();
    for (int index = 0; index < count; ++index) {
        mw::Value record = mw::Value::array();
        record.push(mw::Value(1'700'000'000.0 + index));
        record.push(mw::Value(index % 3 ? "TAB_ACT" : "UI_START"));
        record.push(mw::Value(std::string(static_cast<size_t>(textLength), 'n')));
        records.push(std::move(record));
    }
    return records;
}

std::vector<mw::Ref<mw::CCAbstractServerData>> telemetryQueue()
{
    std::vector<mw::Ref<mw::CCAbstractServerData>> queue;
    for (int index = 0; index < 500; ++index) {
        auto record = mw::makeRef<mw::CCAnalyticData>();
        record->setUrl("https://telemetry.mosswick.example/analytics/index.php?sig=" + std::to_string(index));
        record->mutableMainData().set("usage", usageRecords(40, 60)); // about 4 KB of envelope
        queue.emplace_back(record);
    }
    return queue;
}

void BM_PostQueueSnapshot(benchmark::State& state)
{
    const auto queue = telemetryQueue();
    for (auto _ : state) {
        mw::RecordArchive::Snapshot snapshot = mw::RecordArchive::snapshot(queue, "bench");
        benchmark::DoNotOptimize(snapshot.entries.data());
    }
}
BENCHMARK(BM_PostQueueSnapshot)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_PostQueueWholeWrite(benchmark::State& state)
{
    const auto queue = telemetryQueue();
    const std::string path = mw::Paths::documentsPath("PostManager.bench");
    for (auto _ : state) {
        const mw::RecordArchive::Snapshot snapshot = mw::RecordArchive::snapshot(queue, "bench");
        if (!mw::RecordArchive::write(snapshot, path)) state.SkipWithError("the write failed");
    }
}
BENCHMARK(BM_PostQueueWholeWrite)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_TelemetryRecordBuild(benchmark::State& state)
{
    const mw::Value usage = usageRecords(2000, 8);
    for (auto _ : state) {
        auto record = mw::makeRef<mw::CCAnalyticData>();
        record->mutableMainData().set("usage", usage);
        record->setUrl("https://telemetry.mosswick.example/analytics/index.php?sig=x");
        std::optional<std::string> body = record->JSONRepresentation();
        benchmark::DoNotOptimize(body);
    }
}
BENCHMARK(BM_TelemetryRecordBuild)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_JsonWriterAlone(benchmark::State& state)
{
    const mw::Value data = mw::Value::dictionary({{"usage", usageRecords(2000, 8)}});
    for (auto _ : state) {
        std::optional<std::string> text = mw::JSONRepresentation(data);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_JsonWriterAlone)->Unit(benchmark::kMillisecond)->Repetitions(5);

// The at-once write of a queue holding one such record (scheduling it).
void BM_ScheduleAtOnceWrite(benchmark::State& state)
{
    auto record = mw::makeRef<mw::CCAnalyticData>();
    record->mutableMainData().set("usage", usageRecords(2000, 8));
    const std::vector<mw::Ref<mw::CCAbstractServerData>> queue{record};
    const std::string path = mw::Paths::documentsPath("PostManager.bench");
    for (auto _ : state) {
        if (!mw::RecordArchive::write(mw::RecordArchive::snapshot(queue, "bench"), path))
            state.SkipWithError("the write failed");
    }
}
BENCHMARK(BM_ScheduleAtOnceWrite)->Unit(benchmark::kMillisecond)->Repetitions(5);

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runInScratchHome(argc, argv, "mosswick-queues-bench", reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "post queue write: main-thread snapshot of the whole", "BM_PostQueueSnapshot/repeats:5",
                              "BM_PostQueueWholeWrite/repeats:5", "ms");
        mw::bench::printRatio(r, "telemetry record with 2,000 usage records", "BM_TelemetryRecordBuild/repeats:5",
                              "BM_JsonWriterAlone/repeats:5", "ms");
    });
}
