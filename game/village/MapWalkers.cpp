// The map's walkers and the hired worker's arrival.

#include "engine/director/CCDirector.h"
#include "foundation/Log.h"
#include "game/state/Profile.h"
#include "game/village/CCTutorialParent.h"
#include "game/village/GuiObject.h"
#include "game/village/MapScene.h"
#include "game/village/WorkerFactory.h"
#include "game/village/tutorial/TutorialPopup.h"

namespace mw {

void MapScene::makeWalkerFactory(int32_t without)
{
    if (WFactory) {
        WFactory->Stop();
        if (WFactory->parent() == this) removeChild(WFactory.get(), true);
    }
    WFactory = WorkerFactory::factoryWithWorkersState(PageParent.get(), without);
}

void MapScene::placeWalkers()
{
    if (!WFactory) return;
    WFactory->RandomlySortWorkersOnStage();
    if (!WFactory->parent()) addChild(WFactory.get(), 0);
}

void MapScene::InstantSpawnWorkerOfType()
{
    if (WFactory) WFactory->InstantSpawnWorkerOfType();
    ValidateAndPlayTutorial();
}

void MapScene::RunWorkerSequencWithType(int32_t worker)
{
    CCTutorialParent* holder = VParent ? VParent->GetTutorialParent() : nullptr;
    Ref<TutorialPopup> popUp = holder ? TutorialPopup::popUpWithWorkerType(worker) : nullptr;
    if (!popUp) {
        // Without the pop-up nobody would ever send the worker in or give
        // the input back: do both now.
        logLine("MapScene: no hired-worker pop-up for upgrade %d; the worker walks in at once", worker);
        InstantSpawnWorkerOfType();
        return;
    }
    const CGSize win = CCDirector::sharedDirector()->winSize();
    popUp->setPosition({win.width / 2, win.height / 2});
    holder->addChild(popUp.get());
    VParent->SetInputActive(false);
    SetInputActive(false);
    Profile::sharedInstance()->Save();
}

} // namespace mw
