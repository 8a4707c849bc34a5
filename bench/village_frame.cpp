// Frames of a busy village at phone-hd, headless: every map slot built, every
// building's bonus ready (the ready marks animate), 30 bonus items falling
// and the HUD over it all, each frame a director step finished with
// glFinish. The baseline from the same run is a raw GL loop drawing the same
// textured quads (each visible sprite's texture, corners, colours and
// texture coordinates, snapshotted from the scene) with one draw call per
// quad and nothing else. Run from the source tree (or set
// MOSSWICK_SOURCE_DIR); the summary prints the frame times, the frames per
// second and the ratio. The figure is taken with LP_NUM_THREADS=2.

#include <benchmark/benchmark.h>

#include <GLES/gl.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/base/ccContentScale.h"
#include "engine/director/CCDirector.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/sprites/CCSprite.h"
#include "engine/textures/CCTexture2D.h"
#include "foundation/Random.h"
#include "game/defs/MapObject.h"
#include "game/defs/XMLManager.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/state/UpgradeItem.h"
#include "game/village/CCBonusItem.h"
#include "game/village/GuiObject.h"
#include "game/village/VillageScene.h"

namespace {

using namespace mw;

constexpr int kItems = 30;

// Every slot of a building group gets a building of that group, in turn.
void buildEverySlot()
{
    Profile* profile = Profile::sharedInstance();
    std::map<int32_t, std::vector<int32_t>> byGroup;
    for (const auto& [id, upgrade] : profile->UpgradesDict)
        if (upgrade->Type == 2 && upgrade->Group > 0) byGroup[upgrade->Group].push_back(id);
    std::map<int32_t, size_t> next;
    for (auto& [key, slot] : XMLManager::sharedInstance()->MapObjects) {
        if (slot->isTree == 1 || slot->GroupID <= 0) continue;
        auto found = byGroup.find(slot->GroupID);
        if (found == byGroup.end() || found->second.empty()) continue;
        const int32_t upgrade = found->second[next[slot->GroupID]++ % found->second.size()];
        slot->IDBuild = upgrade;
        profile->increaseUpgradeCount(upgrade, 1);
        profile->GetUpgrade(upgrade)->BonusReady = true;
    }
    profile->TaxesCollected = 1;
    profile->MineVisits = 1;
}

struct World {
    std::unique_ptr<HeadlessDriver> driver;
    Ref<VillageScene> scene;
    std::vector<Ref<CCBonusItem>> items;
    bool ready = false;

    World()
    {
        driver = bench::startHeadless();
        if (!driver) return;
        GlobalObject* global = GlobalObject::sharedInstance();
        global->AudioState = GlobalObject::kAudioFailed;
        if (!bench::parseGameData()) return;
        XMLManager::sharedInstance()->initXMLS();
        XMLManager::sharedInstance()->ParseMapData();
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
        if (!bench::addSheets(bench::kVillageSheets)) return;
        buildEverySlot();
        Random::srandom(11);
        scene = VillageScene::scene();
        if (!scene) return;
        driver->director()->runWithScene(scene.get());
        driver->runFrames(1);
        const CGSize win = driver->director()->winSize();
        for (int i = 0; i < kItems; ++i) {
            auto item = CCBonusItem::itemWithGold(5);
            item->SetVParent(scene->GetGUI());
            scene->GetGUI()->bonusParent()->addChild(item.get(), static_cast<int>(win.height));
            items.push_back(item);
        }
        dropItems();
        ready = true;
    }

    // Every item starts a new fall from its own place in the sky.
    void dropItems()
    {
        const CGSize win = driver->director()->winSize();
        for (size_t i = 0; i < items.size(); ++i) {
            CCBonusItem* item = items[i].get();
            item->stopAllActions();
            item->setPosition({40.0f + static_cast<float>(i % 10) * (win.width - 80) / 9,
                               win.height * 0.3f + static_cast<float>(i / 10) * 60});
            item->SetState(CCBonusItem::kCreated);
            item->Bounce();
        }
    }
};

World& world()
{
    static World shared;
    return shared;
}

void BM_BusyVillageFrame(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless village (run from the source tree)")) return;
    int frames = 0;
    for (auto _ : state) {
        // The items land after 1.3 s: drop them again before they do.
        if (++frames % 60 == 0) w.dropItems();
        bench::frame(*w.driver);
    }
}
BENCHMARK(BM_BusyVillageFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// One visible sprite as drawn: its texture, blending and world-space corners.
struct RawQuad {
    GLuint texture;
    ccBlendFunc blend;
    ccV3F_C4B_T2F corners[4];
};

void collect(CCNode* node, std::vector<RawQuad>& quads, float scale)
{
    if (!node->visible()) return;
    if (auto* sprite = dynamic_cast<CCSprite*>(node); sprite && sprite->texture()) {
        const ccV3F_C4B_T2F_Quad& quad = sprite->quad();
        RawQuad raw{sprite->texture()->name(), sprite->blendFunc(), {quad.tl, quad.bl, quad.tr, quad.br}};
        for (ccV3F_C4B_T2F& corner : raw.corners) {
            // The quad's corners are node pixels; the raw loop draws in window pixels.
            const CGPoint world = node->convertToWorldSpace({corner.vertices.x / scale, corner.vertices.y / scale});
            corner.vertices = {world.x * scale, world.y * scale, 0};
        }
        quads.push_back(raw);
    }
    if (!node->children()) return;
    for (size_t i = 0; i < node->children()->count(); ++i)
        collect(static_cast<CCNode*>(node->children()->objectAtIndex(i)), quads, scale);
}

void BM_RawGLSameQuads(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless village (run from the source tree)")) return;
    std::vector<RawQuad> quads;
    const float scale = CC_CONTENT_SCALE_FACTOR();
    collect(w.scene.get(), quads, scale);
    const CGSize pixels = w.driver->director()->winSizeInPixels();
    for (auto _ : state) {
        glViewport(0, 0, static_cast<GLsizei>(pixels.width), static_cast<GLsizei>(pixels.height));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrthof(0, pixels.width, 0, pixels.height, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        constexpr GLsizei kStride = sizeof(ccV3F_C4B_T2F);
        for (const RawQuad& quad : quads) {
            glBindTexture(GL_TEXTURE_2D, quad.texture);
            glBlendFunc(quad.blend.src, quad.blend.dst);
            const auto* base = reinterpret_cast<const uint8_t*>(quad.corners);
            glVertexPointer(3, GL_FLOAT, kStride, base);
            glColorPointer(4, GL_UNSIGNED_BYTE, kStride, base + 12);
            glTexCoordPointer(2, GL_FLOAT, kStride, base + 16);
            glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        }
        glFinish();
    }
    state.counters["quads"] = static_cast<double>(quads.size());
}
BENCHMARK(BM_RawGLSameQuads)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "busy village frame", "BM_BusyVillageFrame/real_time",
                              "BM_RawGLSameQuads/real_time", "ms");
        if (const mw::bench::Figure* busy = r.find("BM_BusyVillageFrame/real_time"); busy && busy->value() > 0)
            std::printf("busy village: %.0f frames per second\n", 1000.0 / busy->value());
    });
}
