// Writing the social client's store as the minute tick does, holding 2,000
// usage records waiting to be sent: the whole write (archive encoding and
// the atomic, fsynced write) against, as the baseline, the same dictionary
// written as a plain property list through the same atomic writer. A plain
// property list has no null, so the baseline's null slots are empty strings.
//
// Files go to a scratch folder that is removed afterwards. The repetitions of
// the four run in a random interleaved order, so that a busy disk or machine
// weighs on the store and its baseline alike; medians are compared.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "foundation/AtomicFile.h"
#include "foundation/Paths.h"
#include "foundation/PropertyList.h"
#include "social/data/CCDataStore.h"
#include "social/data/CCUniqueId.h"

namespace {

constexpr int kRecords = 2000;
constexpr int kRepetitions = 15;

// The store of a player who has not been online for a while.
void fill(mw::CCDataStore& store)
{
    store.removeAllKeys();
    store.setObject("userid", mw::makeRef<mw::CCUniqueId>("0A1B2C3D-0000-4000-8000-000000000001"));
    store.setValue("firstrun", mw::Value("YES"));
    store.setValue("lastviewedtime", mw::Value(1'700'000'000.0));
    mw::Value records = mw::Value::array();
    for (int index = 0; index < kRecords; ++index) {
        mw::Value record = mw::CCDataStore::nullUsageArray();
        mw::Value::Array& slots = *record.mutableArray();
        slots[0] = mw::Value(1'700'000'000.0 + index);
        slots[1] = mw::Value(index % 3 ? "TAB_ACT" : "UI_START");
        slots[6] = mw::Value(index % 3 ? "news" : "LUMORASLIMLINE_PULLTAB");
        records.push(std::move(record));
    }
    store.setValue("currentusagedata", std::move(records));
}

// The same dictionary as plain values, nulls as empty strings.
mw::Value plainCopy(const mw::CCDataStore& store)
{
    mw::Value plain = mw::Value::dictionary();
    plain.set("userid", mw::Value("0A1B2C3D-0000-4000-8000-000000000001"));
    for (const std::string& key : store.keys()) {
        if (key == "userid") continue;
        mw::Value value = store.valueForKey(key);
        if (value.isArray()) {
            for (mw::Value& record : *value.mutableArray()) {
                for (mw::Value& slot : *record.mutableArray()) {
                    if (slot.isNull()) slot = mw::Value("");
                }
            }
        }
        plain.set(key, std::move(value));
    }
    return plain;
}

void BM_DataStoreWrite(benchmark::State& state)
{
    mw::CCDataStore store;
    fill(store);
    for (auto _ : state) {
        if (!store.writeToFile()) state.SkipWithError("the write failed");
    }
}
BENCHMARK(BM_DataStoreWrite)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);

void BM_PlainPropertyListWrite(benchmark::State& state)
{
    mw::CCDataStore store;
    fill(store);
    const mw::Value plain = plainCopy(store);
    const std::string path = mw::Paths::documentsPath("DataStore.plain");
    for (auto _ : state) {
        const std::string text = mw::writePropertyList(plain);
        if (text.empty() || !mw::AtomicFile::write(path, text)) state.SkipWithError("the write failed");
    }
}
BENCHMARK(BM_PlainPropertyListWrite)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);

// The same two without the disk: the archive's encoding against the plain
// property list's, so that the file system's noise does not hide a change.
void BM_DataStoreEncode(benchmark::State& state)
{
    mw::CCDataStore store;
    fill(store);
    mw::CCDataStore::Entries entries;
    std::vector<std::string> order;
    const std::string bytes = mw::CCDataStore::encodeArchive(
        [&] {
            for (const std::string& key : store.keys()) {
                mw::CCDataStore::Entry entry;
                if (key == "userid") entry.object = mw::ArchiveItem(store.objectForKey(key));
                else entry.value = store.valueForKey(key);
                entries.emplace(key, std::move(entry));
            }
            order = store.keys();
            return entries;
        }(),
        order);
    for (auto _ : state) {
        std::string encoded = mw::CCDataStore::encodeArchive(entries, order);
        benchmark::DoNotOptimize(encoded.data());
    }
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_DataStoreEncode)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);

void BM_PlainPropertyListEncode(benchmark::State& state)
{
    mw::CCDataStore store;
    fill(store);
    const mw::Value plain = plainCopy(store);
    size_t size = 0;
    for (auto _ : state) {
        const std::string text = mw::writePropertyList(plain);
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_PlainPropertyListEncode)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    mw::bench::ArgumentsWithDefaults arguments(argc, argv, {"--benchmark_enable_random_interleaving=true"});
    const std::string repeats = "/repeats:" + std::to_string(kRepetitions);
    return mw::bench::runInScratchHome(
        arguments.argc(), arguments.argv(), "mosswick-store-bench", reporter, [&](const mw::bench::SummaryReporter& r) {
            mw::bench::printRatio(r, "store with 2,000 usage records", "BM_DataStoreWrite" + repeats,
                                  "BM_PlainPropertyListWrite" + repeats, "ms");
            mw::bench::printRatio(r, "its encoding alone", "BM_DataStoreEncode" + repeats,
                                  "BM_PlainPropertyListEncode" + repeats, "ms");
        });
}
