#pragma once

// Set-up shared by the benchmark programs, so that each program holds only
// what it measures: the resources folder, a headless director at phone-hd
// with the game's data and sprite sheets, the frame loop, scratch folders
// for programs that write files, and the plain minizip extraction the
// archive benchmarks take as their baseline. The summary line lives in
// BenchSummary.h.

#include <benchmark/benchmark.h>

#include <GLES/gl.h>
#include <unistd.h>
#include <unzip.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/nodes/CCScene.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/support/CCFileUtils.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "game/state/DataParser.h"
#include "game/state/GlobalObject.h"
#include "platform/DeviceProfile.h"

namespace mw::bench {

// The tree's resources: MOSSWICK_SOURCE_DIR's, else the working folder's.
inline std::string resources()
{
    const char* source = std::getenv("MOSSWICK_SOURCE_DIR");
    return std::string(source && *source ? source : ".") + "/resources";
}

inline void silenceLog()
{
    setLogSink([](const std::string&) {});
}

// The sheets the village's screens draw from; the boards need the last three.
inline const std::vector<const char*> kVillageSheets{"Village-iPhone4-H.plist", "gameplay_iPhone4-H.plist",
                                                     "gui_common-H.plist", "gui_iphone4n-H.plist"};
inline const std::vector<const char*> kBoardSheets{"gameplay_iPhone4-H.plist", "gui_common-H.plist",
                                                   "gui_iphone4n-H.plist"};

// A headless director at phone-hd whose bundle is resources(); null when
// there is no GL context.
inline std::unique_ptr<HeadlessDriver> startHeadless()
{
    std::unique_ptr<HeadlessDriver> driver = HeadlessDriver::create(*DeviceProfile::named("phone-hd"));
    if (driver) CCFileUtils::setBundlePath(resources());
    return driver;
}

// An empty scene made the running one and drawn once.
inline Ref<CCScene> runEmptyScene(HeadlessDriver& driver)
{
    Ref<CCScene> scene = CCScene::node();
    driver.director()->runWithScene(scene.get());
    driver.runFrames(1);
    return scene;
}

// Where the screen benchmarks start: a headless director at phone-hd running
// an empty scene, drawn once, and the game's shared state made. A world
// derives from it, calls start() and sets `ready` once all it needs is there.
struct HeadlessStage {
    std::unique_ptr<HeadlessDriver> driver;
    Ref<CCScene> scene;
    bool ready = false;

    // False when there is no GL context.
    bool start()
    {
        driver = startHeadless();
        if (!driver) return false;
        scene = runEmptyScene(*driver);
        (void)GlobalObject::sharedInstance();
        return true;
    }
};

// The test game's data; false when it does not parse.
inline bool parseGameData()
{
    DataParser parser;
    return parser.parseData(resources() + "/test.xml");
}

// False at the first sheet that does not load.
inline bool addSheets(const std::vector<const char*>& sheets)
{
    for (const char* sheet : sheets)
        if (!CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(sheet)) return false;
    return true;
}

// One frame as the player gets it: a director step, finished on the GPU.
inline void frame(HeadlessDriver& driver)
{
    driver.runFrames(1);
    glFinish();
}

// `warmUp` frames, then one frame an iteration.
inline void frameLoop(benchmark::State& state, HeadlessDriver& driver, int warmUp)
{
    for (int i = 0; i < warmUp; ++i) frame(driver);
    for (auto _ : state) frame(driver);
}

// Whether the world was built; when not, the benchmark is skipped with `why`.
inline bool worldReady(benchmark::State& state, bool ready, const char* why)
{
    if (!ready) state.SkipWithError(why);
    return ready;
}

// A fresh folder under the system's temporary folder, named
// "<prefix>-XXXXXX"; removed with everything in it when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// runBenchmarks with MOSSWICK_HOME in a scratch folder (its documents folder
// made) and the log silenced; the folder goes when the run is over.
template <typename Summarise>
int runInScratchHome(int argc, char** argv, const std::string& prefix, SummaryReporter& reporter,
                     Summarise&& summarise)
{
    const ScratchFolder home(prefix);
    ::setenv("MOSSWICK_HOME", home.path().c_str(), 1);
    Paths::createDirectories(Paths::documentsDirectory());
    silenceLog();
    return runBenchmarks(argc, argv, reporter, std::forward<Summarise>(summarise));
}

// The baseline of the archive benchmarks: locates `entry` in the open
// archive and writes it to `target` in `block`-sized reads with stdio,
// nothing else. False when the entry is not there or does not open.
inline bool extractWithMinizip(unzFile zip, const std::string& entry, const std::string& target,
                               std::vector<char>& block)
{
    if (unzLocateFile(zip, entry.c_str(), 2) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK) return false;
    FILE* out = std::fopen(target.c_str(), "wb");
    int got = 0;
    while ((got = unzReadCurrentFile(zip, block.data(), static_cast<unsigned>(block.size()))) > 0) {
        std::fwrite(block.data(), 1, static_cast<size_t>(got), out);
    }
    std::fclose(out);
    unzCloseCurrentFile(zip);
    return true;
}

} // namespace mw::bench
