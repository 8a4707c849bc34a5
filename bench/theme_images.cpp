// Theme image look-ups as the social screens make them, on the shipped
// theme at double resolution. Warm: the picture is unpacked already, so a
// look-up reads and decodes it, against reading and decoding the same file
// directly (goal: at most 1.2). Cold: the unpacked file is gone, so a
// look-up extracts it first, against minizip alone locating, extracting and
// writing the same entry, then decoding the file (goal: at most 1.3).
#include <benchmark/benchmark.h>

#include <unzip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "foundation/Paths.h"
#include "platform/Image.h"
#include "social/services/CCTheming.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPicture = "images/dialogs/dialog.png"; // 560 x 560 at @2x

struct Fixture {
    mw::bench::ScratchFolder home{"mosswick-bench-theme"};
    std::string unpacked;
    std::string archive;

    Fixture()
    {
        ::setenv("MOSSWICK_HOME", home.path().c_str(), 1);
        ::setenv("MOSSWICK_RESOURCES", mw::bench::resources().c_str(), 0);
        mw::bench::silenceLog();
        mw::CCTheming* theme = mw::CCTheming::sharedInstance();
        if (theme->setCurrentTheme("mosswick_01") != "mosswick_01") std::abort();
        theme->setDeviceIsDoubleResolution(true);
        archive = mw::Paths::join(mw::Paths::bundleDirectory(), "mosswick_01.lumoratheme");
        unpacked = mw::Paths::join(theme->currentThemePath(), mw::CCTheming::at2xStringFromPath(kPicture));
    }
};

Fixture& fixture()
{
    static Fixture shared;
    return shared;
}

void BM_WarmThemeLookup(benchmark::State& state)
{
    Fixture& f = fixture();
    mw::CCTheming* theme = mw::CCTheming::sharedInstance();
    if (!theme->getImageFromPath(kPicture)) state.SkipWithError("no picture");
    for (auto _ : state) {
        mw::Ref<mw::Image> image = theme->getImageFromPath(kPicture);
        benchmark::DoNotOptimize(image.get());
    }
    (void)f;
}

void BM_DecodeUnpackedFile(benchmark::State& state)
{
    Fixture& f = fixture();
    (void)mw::CCTheming::sharedInstance()->getImageFromPath(kPicture);
    for (auto _ : state) {
        std::ifstream in(f.unpacked, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        mw::Ref<mw::Image> image = mw::Image::decode(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(image.get());
    }
}

void BM_ColdThemeLookup(benchmark::State& state)
{
    Fixture& f = fixture();
    mw::CCTheming* theme = mw::CCTheming::sharedInstance();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(f.unpacked);
        state.ResumeTiming();
        mw::Ref<mw::Image> image = theme->getImageFromPath(kPicture);
        benchmark::DoNotOptimize(image.get());
    }
}

void BM_MinizipExtractAndDecode(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::string entry = std::string("mosswick_01/") + mw::CCTheming::at2xStringFromPath(kPicture);
    const std::string target = (f.home.path() / "plain.png").string();
    std::vector<char> block(64 * 1024);
    for (auto _ : state) {
        unzFile zip = unzOpen(f.archive.c_str());
        if (!mw::bench::extractWithMinizip(zip, entry, target, block)) {
            state.SkipWithError("locate failed");
            break;
        }
        unzClose(zip);
        std::ifstream in(target, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        mw::Ref<mw::Image> image = mw::Image::decode(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(image.get());
    }
}

BENCHMARK(BM_WarmThemeLookup)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_DecodeUnpackedFile)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_ColdThemeLookup)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_MinizipExtractAndDecode)->Unit(benchmark::kMicrosecond)->Repetitions(5);

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "warm theme image look-up", "BM_WarmThemeLookup/repeats:5",
                              "BM_DecodeUnpackedFile/repeats:5", "us");
        mw::bench::printRatio(r, "cold look-up that extracts", "BM_ColdThemeLookup/repeats:5",
                              "BM_MinizipExtractAndDecode/repeats:5", "us");
    });
}
