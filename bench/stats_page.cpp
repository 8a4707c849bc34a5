// The statistics page's build time at phone-hd: one row of about seventy
// labels (the village's head, the headlines, the two columns, the tax
// button and the chest), against rendering the same texts in the same fonts
// and sizes into textures alone, in the same run.
#include <benchmark/benchmark.h>

#include <GLES/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/base/ccContentScale.h"
#include "engine/director/HeadlessDriver.h"
#include "engine/labels/CCLabelTTF.h"
#include "engine/nodes/CCScene.h"
#include "game/state/GlobalObject.h"
#include "game/state/LocalisationManager.h"
#include "game/state/Profile.h"
#include "game/village/StatsCell.h"

namespace {

using namespace mw;

struct Text {
    std::string text;
    std::string font;
    float points;
};

void collectTexts(const CCNode* node, std::vector<Text>& texts)
{
    if (auto* label = dynamic_cast<const CCLabelTTF*>(node)) {
        texts.push_back(
            {label->string(), label->fontName(), label->fontSizeInPixels() / CC_CONTENT_SCALE_FACTOR()});
    }
    if (!node->children()) return;
    for (Object* child : *node->children()) collectTexts(static_cast<CCNode*>(child), texts);
}

struct World : bench::HeadlessStage {
    std::vector<Text> texts;

    World()
    {
        bench::silenceLog();
        if (!start()) return;
        LocalisationManager::sharedInstance()->parseCSVFile("stringdb.csv");
        if (!bench::parseGameData() || !bench::addSheets(bench::kVillageSheets)) return;
        Profile* p = Profile::sharedInstance();
        p->VillageName = "Mossbury";
        p->CityLevel = 3;
        p->Points = 48213;
        p->TaxesCollected = 1260;
        p->GoldSpent = -5310;
        Ref<StatsCell> page = StatsCell::cellWithIndex(0);
        collectTexts(page.get(), texts);
        ready = !texts.empty();
    }
};

World& world()
{
    static World shared;
    return shared;
}

void BM_StatsPageBuild(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run with MOSSWICK_SOURCE_DIR)")) return;
    for (auto _ : state) {
        Ref<StatsCell> page = StatsCell::cellWithIndex(0);
        glFinish();
        benchmark::DoNotOptimize(page.get());
    }
    state.counters["labels"] = static_cast<double>(w.texts.size());
}
BENCHMARK(BM_StatsPageBuild)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same texts rendered into label textures, nothing else.
void BM_SameTextsAlone(benchmark::State& state)
{
    World& w = world();
    if (!bench::worldReady(state, w.ready, "no headless world (run with MOSSWICK_SOURCE_DIR)")) return;
    for (auto _ : state) {
        std::vector<Ref<CCLabelTTF>> labels;
        labels.reserve(w.texts.size());
        for (const Text& text : w.texts)
            labels.push_back(CCLabelTTF::labelWithString(text.text, text.font, text.points));
        glFinish();
        benchmark::DoNotOptimize(labels.data());
    }
    state.counters["labels"] = static_cast<double>(w.texts.size());
}
BENCHMARK(BM_SameTextsAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "statistics page build", "BM_StatsPageBuild/real_time",
                              "BM_SameTextsAlone/real_time", "ms");
    });
}
