// The sheet swap of the doors from the menu into the village, the work done
// while the doors stay shut (0.3 s at d = 0.6 s): the step that drops the
// menu sheet and the step that loads the four village and board sheets
// (frames and textures, two in RGBA4444) and builds the incoming scene.
// Baseline, in the same run: the same textures through the texture cache
// alone (no property lists, no frames), dropped and loaded the same way.
// Run on phone-hd (argument 0) and tablet-hd (argument 1).
#include <benchmark/benchmark.h>

#include <GLES/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "engine/director/CCDirector.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/sprites/CCSpriteFrameCache.h"
#include "engine/textures/CCTexture2D.h"
#include "engine/textures/CCTextureCache.h"
#include "foundation/Log.h"
#include "game/front/CCTransitionDoors.h"
#include "game/state/GlobalObject.h"
#include "platform/DeviceProfile.h"

namespace {

const char* const kDevices[] = {"phone-hd", "tablet-hd"};

// The device's frame loop with a plain scene running, the sheets of its row.
struct Device {
    explicit Device(const char* name)
    {
        mw::setLogSink([](const std::string&) {});
        driver = mw::HeadlessDriver::create(*mw::DeviceProfile::named(name));
        if (!driver) return;
        auto scene = mw::CCScene::node();
        driver->director()->runWithScene(scene.get());
        driver->runFrames(1);
        mw::GlobalObject::purgeSharedInstance();
        mw::GlobalObject* global = mw::GlobalObject::sharedInstance();
        const float pixels = driver->director()->winSizeInPixels().width;
        menuSheet = mw::CCTransitionDoors::menuSheet(global->isIpad, global->isIp3, pixels);
        villageSheets = mw::CCTransitionDoors::villageSheets(global->isIpad, global->isIp3, pixels);
    }
    ~Device()
    {
        mw::GlobalObject::purgeSharedInstance();
        driver.reset();
    }
    static std::string textureOf(const std::string& sheet)
    {
        return sheet.substr(0, sheet.size() - 6) + ".png";
    }
    void dropEverything()
    {
        mw::CCSpriteFrameCache::sharedSpriteFrameCache()->removeSpriteFrames();
        mw::CCTextureCache::sharedTextureCache()->removeUnusedTextures();
    }

    std::unique_ptr<mw::HeadlessDriver> driver;
    std::string menuSheet;
    std::vector<std::string> villageSheets;
};

void BM_DoorsDropMenuSheet(benchmark::State& state)
{
    Device device(kDevices[state.range(0)]);
    if (!device.driver) return state.SkipWithError("no headless GL context");
    for (auto _ : state) {
        state.PauseTiming();
        if (!mw::CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(device.menuSheet))
            return state.SkipWithError("the menu sheet does not load");
        auto doors = mw::CCTransitionDoorsFromMenu::transitionWithDuration(0.6f);
        state.ResumeTiming();
        doors->LoadGfx();
        glFinish();
        state.PauseTiming();
        doors = nullptr;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DoorsDropMenuSheet)->Arg(0)->Arg(1)->Iterations(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextureCacheDropMenuTexture(benchmark::State& state)
{
    Device device(kDevices[state.range(0)]);
    if (!device.driver) return state.SkipWithError("no headless GL context");
    const std::string texture = Device::textureOf(device.menuSheet);
    for (auto _ : state) {
        state.PauseTiming();
        if (!mw::CCTextureCache::sharedTextureCache()->addImage(texture))
            return state.SkipWithError("no texture");
        state.ResumeTiming();
        mw::CCTextureCache::sharedTextureCache()->removeTextureForKey(texture);
        mw::CCTextureCache::sharedTextureCache()->removeUnusedTextures();
        glFinish();
    }
}
BENCHMARK(BM_TextureCacheDropMenuTexture)->Arg(0)->Arg(1)->Iterations(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DoorsLoadVillageSheets(benchmark::State& state)
{
    Device device(kDevices[state.range(0)]);
    if (!device.driver) return state.SkipWithError("no headless GL context");
    for (auto _ : state) {
        state.PauseTiming();
        device.dropEverything();
        auto doors = mw::CCTransitionDoorsFromMenu::transitionWithDuration(0.6f);
        state.ResumeTiming();
        doors->LoadTextures();
        glFinish();
        state.PauseTiming();
        benchmark::DoNotOptimize(doors->inScene());
        doors = nullptr;
        state.ResumeTiming();
    }
    device.dropEverything();
}
BENCHMARK(BM_DoorsLoadVillageSheets)->Arg(0)->Arg(1)->Iterations(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextureCacheLoadVillageTextures(benchmark::State& state)
{
    Device device(kDevices[state.range(0)]);
    if (!device.driver) return state.SkipWithError("no headless GL context");
    for (auto _ : state) {
        state.PauseTiming();
        device.dropEverything();
        state.ResumeTiming();
        for (size_t i = 0; i < device.villageSheets.size(); ++i) {
            mw::CCTexture2D::setDefaultAlphaPixelFormat(i < 2 ? mw::kCCTexture2DPixelFormat_RGBA4444
                                                              : mw::kCCTexture2DPixelFormat_RGBA8888);
            mw::Ref<mw::CCTexture2D> texture = mw::CCTextureCache::sharedTextureCache()->addImage(
                Device::textureOf(device.villageSheets[i]));
            if (!texture) return state.SkipWithError("no texture");
            benchmark::DoNotOptimize(texture->name());
        }
        mw::CCTexture2D::setDefaultAlphaPixelFormat(mw::kCCTexture2DPixelFormat_RGBA8888);
        glFinish();
    }
    device.dropEverything();
}
BENCHMARK(BM_TextureCacheLoadVillageTextures)->Arg(0)->Arg(1)->Iterations(8)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        for (int device = 0; device < 2; ++device) {
            const std::string arg = "/" + std::to_string(device) + "/iterations:8/real_time";
            const std::string name = kDevices[device];
            mw::bench::printRatio(r, (name + " drop menu sheet").c_str(), "BM_DoorsDropMenuSheet" + arg,
                                  "BM_TextureCacheDropMenuTexture" + arg, "ms");
            mw::bench::printRatio(r, (name + " load village sheets").c_str(),
                                  "BM_DoorsLoadVillageSheets" + arg,
                                  "BM_TextureCacheLoadVillageTextures" + arg, "ms");
        }
    });
}
