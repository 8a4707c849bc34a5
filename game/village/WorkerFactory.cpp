#include "game/village/WorkerFactory.h"

#include <algorithm>

#include "engine/base/CCWinSize.h"
#include "foundation/Log.h"
#include "game/defs/Road.h"
#include "game/defs/XMLManager.h"
#include "game/state/Profile.h"
#include "game/village/RoadWalker.h"

namespace mw {
namespace {

constexpr int32_t kWorkerType = 3;
constexpr int32_t kVillagerStock = 17;
// The buildings whose owned counts together allow generic villagers.
constexpr int32_t kVillagerHomes[] = {31, 21, 34};

} // namespace

Ref<WorkerFactory> WorkerFactory::factoryWithWorkersState(CCNode* renderLayer, int32_t without)
{
    return makeRef<WorkerFactory>(renderLayer, without);
}

WorkerFactory::WorkerFactory(CCNode* renderLayer, int32_t without) : renderParent_(renderLayer)
{
    Profile* profile = Profile::sharedInstance();
    for (int32_t upgrade = 0; upgrade < Profile::kUpgradeSlots; ++upgrade) {
        const UpgradeItem* item = profile->GetUpgrade(upgrade);
        if (!item || item->Type != kWorkerType || profile->GetUpgradeCount(upgrade) < 1) continue;
        if (without != kNoKind && upgrade == without) continue;
        CurrentWorkers.push_back(upgrade);
    }
    LastWorkerType = without;
    CalculateAdditionalWorkers();
    scheduleUpdate();
}

WorkerFactory::~WorkerFactory() = default;

void WorkerFactory::CalculateAdditionalWorkers()
{
    Profile* profile = Profile::sharedInstance();
    int32_t homes = 0;
    for (int32_t home : kVillagerHomes) homes += profile->GetUpgradeCount(home);
    const int32_t villagers = std::min(homes, profile->GetResourceCount(kVillagerStock));
    for (int32_t n = 0; n < villagers; ++n) CurrentWorkers.push_back(RoadWalker::kVillager);
}

RoadWalker* WorkerFactory::addWalker(int32_t kind)
{
    Ref<RoadWalker> walker = RoadWalker::walkerOfKind(kind);
    if (renderParent_) renderParent_->addChild(walker.get());
    CurrentWorkersPointers.push_back(walker);
    return walker.get();
}

void WorkerFactory::RandomlySortWorkersOnStage()
{
    XMLManager* manager = XMLManager::sharedInstance();
    if (manager->RoadCount() == 0) {
        logLine("WorkerFactory: no roads; no walkers");
        return;
    }
    for (int32_t kind : CurrentWorkers) addWalker(kind)->InitWalk(manager->GetRandomRoad(), kBaseWalkSeconds);
}

void WorkerFactory::InstantSpawnWorkerOfType()
{
    if (LastWorkerType == kNoKind) {
        logLine("WorkerFactory: no hired worker to walk in");
        return;
    }
    XMLManager* manager = XMLManager::sharedInstance();
    if (manager->RoadCount() == 0) {
        logLine("WorkerFactory: no roads; the hired worker does not walk in");
        return;
    }
    // A file of fewer roads than the entry road's index sends the worker in
    // on any of them rather than nowhere.
    Road* road = manager->GetRoad(kEntryRoad);
    if (!road) road = manager->GetRandomRoad();
    CurrentWorkers.push_back(LastWorkerType);
    addWalker(LastWorkerType)->ReInitWalk(road, kBaseWalkSeconds, false);
}

void WorkerFactory::update(float dt)
{
    TimeCum += dt;
    if (TimeCum < kSortInterval) return;
    TimeCum = 0;
    sortByDepth();
}

void WorkerFactory::sortByDepth()
{
    if (!renderParent_) return;
    const float height = ccWinSize().height;
    for (const Ref<RoadWalker>& walker : CurrentWorkersPointers) {
        if (walker->parent() != renderParent_.get()) continue;
        renderParent_->reorderChild(walker.get(), static_cast<int>(height - walker->position().y));
    }
}

void WorkerFactory::Stop()
{
    unscheduleUpdate();
}

} // namespace mw
