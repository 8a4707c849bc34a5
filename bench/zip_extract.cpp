// Extracting every entry of a theme-like archive (300 entries, about 20 MB:
// skins, and images of mixed sizes and compressibility) one by one through
// CCZipFile::UnzipSpecifiedFile, as theming does, against a plain minizip
// loop that locates and writes the same entries. The summary prints the
// ratio (goal: at most 1.3).
#include <benchmark/benchmark.h>

#include <unzip.h>
#include <zip.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "social/support/CCZipFile.h"

namespace fs = std::filesystem;

namespace {

struct Fixture {
    mw::bench::ScratchFolder scratch{"mosswick-bench-zip"};
    fs::path folder = scratch.path();
    std::string archive;
    std::vector<std::string> names;

    Fixture()
    {
        archive = (folder / "theme.zip").string();
        zipFile zip = zipOpen(archive.c_str(), APPEND_STATUS_CREATE);
        uint32_t state = 300;
        const auto next = [&state] {
            state = state * 1664525u + 1013904223u;
            return state >> 8;
        };
        std::vector<char> data;
        for (int i = 0; i < 300; ++i) {
            const bool image = i % 5 != 0;
            const std::string name = image ? "theme/images/picture_" + std::to_string(i) + ".png"
                                           : "theme/skins/skin_" + std::to_string(i) + ".ctd";
            // Images: about 80 KB, half noise (incompressible like PNG data); skins: 6 KB of text.
            data.resize(image ? 60000 + next() % 40000 : 6000);
            for (size_t k = 0; k < data.size(); ++k) {
                data[k] = image && k % 2 == 0 ? static_cast<char>(next()) : static_cast<char>('a' + k % 26);
            }
            zip_fileinfo info{};
            info.tmz_date = {0, 0, 12, 1, 0, 2024};
            zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION);
            zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size()));
            zipCloseFileInZip(zip);
            names.push_back(name);
        }
        zipClose(zip, nullptr);
    }
};

Fixture& fixture()
{
    static Fixture shared;
    return shared;
}

void BM_UnzipSpecifiedFile(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::string target = (f.folder / "ours").string();
    for (auto _ : state) {
        mw::CCZipFile zip;
        if (!zip.UnzipOpenFile(f.archive)) state.SkipWithError("open failed");
        for (const std::string& name : f.names) {
            if (!zip.UnzipSpecifiedFile(name, target, false)) state.SkipWithError("extract failed");
        }
        state.PauseTiming();
        fs::remove_all(target);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(f.archive)));
}

// The baseline: locate, read in 64 KB blocks and write with stdio, nothing else.
void BM_PlainMinizipLoop(benchmark::State& state)
{
    Fixture& f = fixture();
    const fs::path target = f.folder / "plain";
    std::vector<char> block(64 * 1024);
    for (auto _ : state) {
        unzFile zip = unzOpen(f.archive.c_str());
        for (const std::string& name : f.names) {
            const fs::path path = target / name;
            fs::create_directories(path.parent_path());
            if (!mw::bench::extractWithMinizip(zip, name, path.string(), block)) {
                state.SkipWithError("locate failed");
                break;
            }
        }
        unzClose(zip);
        state.PauseTiming();
        fs::remove_all(target);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(f.archive)));
}

BENCHMARK(BM_UnzipSpecifiedFile)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_PlainMinizipLoop)->Unit(benchmark::kMillisecond)->Repetitions(5);

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "extract 300 entries one by one", "BM_UnzipSpecifiedFile/repeats:5",
                              "BM_PlainMinizipLoop/repeats:5", "ms");
    });
}
