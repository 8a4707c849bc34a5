// The shared identity's resolve: four stores that each keep the record of 20
// cookies as its archive (as the data store, keychain and cloud document do),
// resolved (read all, merge, compare, nothing to write back) against reading
// the four stores alone. Goal: the resolve at most 1.5x the reads.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "social/services/CCDataSharing.h"

namespace {

// A store that reads and writes the record's archive, as the real stores do.
class ArchiveStore : public mw::CCDataSharingStore {
public:
    explicit ArchiveStore(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::optional<mw::CCDataSharingData> dataFromStore() override { return mw::CCDataSharingData::unarchive(bytes_); }
    void putDataToStore(const mw::CCDataSharingData& data) override { bytes_ = data.archive(); }
    void clearDataFromStore() override { bytes_.clear(); }
    bool isReady() override { return true; }
    std::string storeName() const override { return "ArchiveStore"; }

private:
    std::vector<uint8_t> bytes_;
};

mw::CCDataSharingData recordOf20Cookies()
{
    mw::CCDataSharingData record;
    record.uuid = "6F1C2A34-1B2C-4D5E-8F90-A1B2C3D4E5F6";
    record.uuidTimestamp = 1'700'000'000;
    record.cookieTimestamp = 1'700'000'100;
    std::vector<mw::HTTPCookie> cookies;
    for (int index = 0; index < 20; ++index) {
        const std::string name = index == 0 ? "JSESSIONID" : "REMEMBER_ME_" + std::to_string(index);
        cookies.push_back(*mw::HTTPCookie::fromProperties(mw::Value::dictionary(
            { { "Name", mw::Value(name) }, { "Value", mw::Value(std::string(40, 'a' + index % 26)) },
              { "Domain", mw::Value("lumora.mosswick.example") }, { "Path", mw::Value("/") } })));
    }
    record.cookies = std::move(cookies);
    return record;
}

std::vector<mw::CCDataSharing::Entry> fourStores()
{
    const std::vector<uint8_t> bytes = recordOf20Cookies().archive();
    std::vector<mw::CCDataSharing::Entry> stores;
    for (int index = 0; index < 4; ++index) stores.emplace_back(mw::Ref<mw::Object>(new ArchiveStore(bytes)));
    return stores;
}

void BM_ResolveFourStores(benchmark::State& state)
{
    auto sharing = mw::CCDataSharing::initWithImplementationList(fourStores());
    for (auto _ : state) {
        sharing->resolveDssImplementations();
        benchmark::DoNotOptimize(sharing->resolved());
    }
}
BENCHMARK(BM_ResolveFourStores)->Unit(benchmark::kMicrosecond)->Repetitions(5);

void BM_ReadFourStoresAlone(benchmark::State& state)
{
    auto sharing = mw::CCDataSharing::initWithImplementationList(fourStores());
    for (auto _ : state) {
        for (const auto& store : sharing->stores()) {
            std::optional<mw::CCDataSharingData> record = store->dataFromStore();
            benchmark::DoNotOptimize(record);
        }
    }
}
BENCHMARK(BM_ReadFourStoresAlone)->Unit(benchmark::kMicrosecond)->Repetitions(5);

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/mosswick-sharing-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string scratch = pattern;
    setenv("MOSSWICK_HOME", scratch.c_str(), 1);
    mw::setLogSink([](const std::string&) {});
    mw::bench::SummaryReporter reporter;
    const int status = mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "resolve of four stores of 20 cookies", "BM_ResolveFourStores/repeats:5",
                              "BM_ReadFourStoresAlone/repeats:5", "us");
    });
    std::filesystem::remove_all(scratch);
    return status;
}
