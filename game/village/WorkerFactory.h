#pragma once

#include <cstdint>
#include <vector>

#include "engine/nodes/CCNode.h"
#include "foundation/Ref.h"

namespace mw {

class RoadWalker;

// Decides which walkers the village map shows, sends them along random
// roads and keeps their drawing order by height on the screen: every 0.3 s
// each walker's z-order in the render layer becomes (int)(H - y), the rule
// the map's buildings follow, so walkers pass in front of and behind them.
//
// The map makes a factory each time it draws itself and adds it to itself
// (the depth sort runs while the factory is in the running scene). With no
// road in the road file there are no walkers at all.
class WorkerFactory : public CCNode {
public:
    static constexpr int32_t kNoKind = -1;
    // Seconds between two depth sorts; the base time of a walk.
    static constexpr double kSortInterval = 0.3;
    static constexpr float kBaseWalkSeconds = 30;
    // The hired worker walks in on this road when the file has one.
    static constexpr int32_t kEntryRoad = 2;

    // The kinds to show: each worker upgrade the profile owns, once, in
    // identifier order (skipping `without`, which is kept for
    // InstantSpawnWorkerOfType), then the generic villagers. The render layer
    // is retained until the factory is destroyed.
    static Ref<WorkerFactory> factoryWithWorkersState(CCNode* renderLayer, int32_t without = kNoKind);
    WorkerFactory(CCNode* renderLayer, int32_t without);
    ~WorkerFactory() override;

    // Appends kVillager n times, n the smaller of the owned count of upgrades
    // 21, 31 and 34 together and the stock of resource 17.
    void CalculateAdditionalWorkers();
    // Makes a walker of every kind, adds it to the render layer and starts
    // it on a random road.
    void RandomlySortWorkersOnStage();
    // The hired worker left out at creation walks in from the start of the
    // entry road (a random road when the file has fewer). Nothing without a
    // left-out kind or without roads.
    void InstantSpawnWorkerOfType();
    // The depth sort, every kSortInterval seconds of frame time.
    void update(float dt) override;
    // Ends the depth sort.
    void Stop();

    std::vector<int32_t> CurrentWorkers;
    std::vector<Ref<RoadWalker>> CurrentWorkersPointers;
    CCNode* WorkerRenderParent() const { return renderParent_.get(); }
    double TimeCum = 0;
    int32_t LastWorkerType = kNoKind;

private:
    // Makes the walker of a kind and adds it to the render layer and the list.
    RoadWalker* addWalker(int32_t kind);
    void sortByDepth();

    Ref<CCNode> renderParent_;
};

} // namespace mw
