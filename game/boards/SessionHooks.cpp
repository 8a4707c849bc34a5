#include "game/boards/SessionHooks.h"

#include <set>
#include <utility>

#include "engine/director/CCDirector.h"
#include "engine/nodes/CCNode.h"
#include "engine/nodes/CCScene.h"
#include "engine/transitions/CCTransitionFade.h"
#include "foundation/Log.h"
#include "foundation/Shared.h"
#include "game/boards/BoardSupport.h"
#include "game/boards/MineScene.h"
#include "game/state/GlobalObject.h"

namespace mw::session {
namespace {

struct Makers {
    TutorialMaker tutorial;
    OverlayMaker overlay;
    OptionsPopUpMaker options;
    CoinPackListMaker coinPacks;
    SceneMaker village;
    ScoreSink scores;
};

Makers& makers()
{
    static Makers held;
    return held;
}

constexpr int32_t kVillageSoundSet = 0;
constexpr int32_t kMineSoundSet = 1;
constexpr float kFadeTime = 0.4f;

} // namespace

TutorialMaker setTutorialMaker(TutorialMaker maker)
{
    return std::exchange(makers().tutorial, std::move(maker));
}

bool showTutorial(CCNode* parent, int32_t frame, int z)
{
    if (parent == nullptr) return false;
    Ref<CCNode> popUp = makers().tutorial ? makers().tutorial(frame) : nullptr;
    if (!popUp) {
        // Once per frame: the boards ask again at every switch of input.
        static std::set<int32_t> told;
        if (told.insert(frame).second) logLine("session: no tutorial pop-up for frame %d; skipped", frame);
        return false;
    }
    const CGSize win = board::winSize();
    popUp->setPosition({win.width / 2, win.height / 2});
    parent->addChild(popUp.get(), z);
    return true;
}

OverlayMaker setTutorialOverlayMaker(OverlayMaker maker)
{
    return std::exchange(makers().overlay, std::move(maker));
}

bool showTutorialOverlay(CCNode* parent, int32_t frame, int z)
{
    if (parent == nullptr) return false;
    Ref<CCNode> overlay = makers().overlay ? makers().overlay(frame) : nullptr;
    if (!overlay) {
        static std::set<int32_t> told;
        if (told.insert(frame).second) logLine("session: no tutorial overlay for frame %d", frame);
        return false;
    }
    overlay->setPosition({0, 0});
    parent->addChild(overlay.get(), z);
    return true;
}

OptionsPopUpMaker setOptionsPopUpMaker(OptionsPopUpMaker maker)
{
    return std::exchange(makers().options, std::move(maker));
}

Ref<CCNode> makeOptionsPopUp()
{
    if (makers().options) return makers().options();
    logLine("session: no options pop-up to show");
    return nullptr;
}

CoinPackListMaker setCoinPackListMaker(CoinPackListMaker maker)
{
    return std::exchange(makers().coinPacks, std::move(maker));
}

Ref<CCNode> makeCoinPackList(CCNode* guiParent)
{
    if (makers().coinPacks) return makers().coinPacks(guiParent);
    logLine("session: no coin-pack list to show");
    return nullptr;
}

SceneMaker setVillageSceneMaker(SceneMaker maker)
{
    return std::exchange(makers().village, std::move(maker));
}

void fadeTo(const SceneMaker& maker, int32_t soundSet, const char* what)
{
    Ref<CCScene> scene = maker ? maker() : nullptr;
    if (!scene) {
        logLine("session: no %s scene to go to", what);
        return;
    }
    GlobalObject* global = Shared<GlobalObject>::current();
    const int32_t leaving = global ? global->CurrentSceneId : -1;
    if (global) global->LoadAudioFor(soundSet);
    CCDirector::sharedDirector()->replaceScene(CCTransitionFade::transitionWithDuration(kFadeTime, scene.get()).get());
    if (global && leaving >= 0 && leaving != soundSet) global->UnloadAudioFor(leaving);
}

void fadeToVillage()
{
    fadeTo(makers().village, kVillageSoundSet, "village");
}

void fadeToMine()
{
    fadeTo([] { return MineScene::scene(); }, kMineSoundSet, "mine");
}

ScoreSink setScoreSink(ScoreSink sink)
{
    return std::exchange(makers().scores, std::move(sink));
}

void reportScore(const std::string& category, int32_t score)
{
    if (makers().scores) {
        makers().scores(category, score);
        return;
    }
    if (GlobalObject* global = Shared<GlobalObject>::current()) global->ReportScore(category, score);
}

} // namespace mw::session
