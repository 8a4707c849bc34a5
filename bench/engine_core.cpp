// Frame-loop costs of the engine core: one scheduler tick over 10,000
// per-frame updates and 10,000 timers, and one action-manager step over
// 10,000 running actions, each against a plain loop making the same number
// of virtual calls on separately allocated objects. The summary at the end
// gives nanoseconds per item and the ratio to the baseline; with
// --benchmark_repetitions it gives the median, mean and standard deviation of
// the repetitions and the ratio of the medians (also when only aggregates are
// reported).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "engine/actions/CCActionInterval.h"
#include "engine/nodes/CCActionManager.h"
#include "engine/nodes/CCNode.h"
#include "engine/scheduler/CCScheduler.h"

// Every function a measured loop calls per item (the baselines' loops and
// the callbacks on both sides) is aligned to a cache line: a function this
// short ran some 40% slower when the code around it put it across two
// lines, which made the figures change with unrelated code.
#define MW_BENCH_ALIGNED [[gnu::noinline, gnu::aligned(64)]]

// The baselines' classes have external linkage and two implementations each,
// and their objects come from a factory that is not inlined and picks the
// class by a value the compiler cannot see: the loop cannot be devirtualised
// or inlined, so every item costs a real indirect call through the object's
// vtable, as it does in the engine. (Classes in an anonymous namespace with a
// single implementation let the compiler prove the target and reduce the
// "virtual" loop to a few inlined instructions.)
namespace mw_bench_baseline {

class VirtualTicker {
public:
    virtual ~VirtualTicker() = default;
    MW_BENCH_ALIGNED virtual void update(float dt) { total += dt; }
    float total = 0;
};

class OtherTicker : public VirtualTicker {
public:
    void update(float dt) override { total -= dt; }
};

class VirtualStepper {
public:
    virtual ~VirtualStepper() = default;
    MW_BENCH_ALIGNED virtual void step(float dt)
    {
        elapsed += dt;
        last = elapsed / 1e9f;
    }
    float elapsed = 0;
    float last = 0;
};

class OtherStepper : public VirtualStepper {
public:
    void step(float dt) override
    {
        elapsed -= dt;
        last = elapsed / 1e9f;
    }
};

// The baselines' loops.
MW_BENCH_ALIGNED void updateAll(const std::vector<std::unique_ptr<VirtualTicker>>& targets, float dt)
{
    for (const auto& target : targets) {
        VirtualTicker* opaque = target.get();
        benchmark::DoNotOptimize(opaque);
        opaque->update(dt);
    }
}

MW_BENCH_ALIGNED void stepAll(const std::vector<std::unique_ptr<VirtualStepper>>& actions, float dt)
{
    for (const auto& action : actions) {
        VirtualStepper* opaque = action.get();
        benchmark::DoNotOptimize(opaque);
        opaque->step(dt);
    }
}

// The class chosen by `kind`, which callers launder through
// benchmark::DoNotOptimize; kind 0 is the one the baselines use.
[[gnu::noinline]] std::unique_ptr<VirtualTicker> makeTicker(int kind)
{
    if (kind == 0) return std::make_unique<VirtualTicker>();
    return std::make_unique<OtherTicker>();
}

[[gnu::noinline]] std::unique_ptr<VirtualStepper> makeStepper(int kind)
{
    if (kind == 0) return std::make_unique<VirtualStepper>();
    return std::make_unique<OtherStepper>();
}

} // namespace mw_bench_baseline

namespace {

using namespace mw;
using namespace mw_bench_baseline;

constexpr int kTargets = 10000;

// A scheduler target with a per-frame update and a timer callback that each
// do a trivial amount of work.
class Ticker : public Object {
public:
    MW_BENCH_ALIGNED void update(float dt) { total += dt; }
    MW_BENCH_ALIGNED void tick(float dt) { total += dt; }
    float total = 0;
};

// An action that never ends and does a trivial amount of work per step.
class IdleAction : public CCActionInterval {
public:
    IdleAction() : CCActionInterval(1e9f) {}
    MW_BENCH_ALIGNED void update(float progress) override { last = progress; }
    float last = 0;
};

void setPerItemCounter(benchmark::State& state, int items)
{
    state.SetItemsProcessed(state.iterations() * items);
    // Seconds per item (shown with an SI prefix: "9n" is 9 ns).
    state.counters["per_item"] = benchmark::Counter(
        static_cast<double>(items), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_SchedulerTick(benchmark::State& state)
{
    auto scheduler = makeRef<CCScheduler>();
    std::vector<Ref<Ticker>> targets;
    for (int i = 0; i < kTargets; ++i) {
        targets.push_back(makeRef<Ticker>());
        // Priorities spread over the three lists, as a scene's nodes use them.
        scheduler->scheduleUpdateForTarget(targets.back().get(), (i % 3) - 1, false);
        scheduler->scheduleSelector(schedule_selector(Ticker::tick), targets.back(), 0, false);
    }
    scheduler->tick(0.016f);  // starts the timers
    for (auto _ : state) {
        scheduler->tick(0.016f);
    }
    benchmark::DoNotOptimize(targets.front()->total);
    setPerItemCounter(state, 2 * kTargets);
    scheduler->unscheduleAllSelectors();
}
BENCHMARK(BM_SchedulerTick);

void BM_SchedulerBaseline(benchmark::State& state)
{
    int kind = 0;
    benchmark::DoNotOptimize(kind);
    std::vector<std::unique_ptr<VirtualTicker>> targets;
    for (int i = 0; i < 2 * kTargets; ++i) targets.push_back(makeTicker(kind));
    for (auto _ : state) {
        updateAll(targets, 0.016f);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(targets.front()->total);
    setPerItemCounter(state, 2 * kTargets);
}
BENCHMARK(BM_SchedulerBaseline);

void BM_ActionManagerStep(benchmark::State& state)
{
    auto manager = makeRef<CCActionManager>();
    std::vector<Ref<CCNode>> nodes;
    for (int i = 0; i < kTargets; ++i) {
        nodes.push_back(CCNode::node());
        auto action = makeRef<IdleAction>();
        manager->addAction(action, nodes.back(), false);
    }
    manager->update(0.016f);  // every action's first step
    for (auto _ : state) {
        manager->update(0.016f);
    }
    setPerItemCounter(state, kTargets);
    manager->removeAllActions();
    CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(manager.get());
}
BENCHMARK(BM_ActionManagerStep);

void BM_ActionManagerBaseline(benchmark::State& state)
{
    int kind = 0;
    benchmark::DoNotOptimize(kind);
    std::vector<std::unique_ptr<VirtualStepper>> actions;
    for (int i = 0; i < kTargets; ++i) actions.push_back(makeStepper(kind));
    for (auto _ : state) {
        stepAll(actions, 0.016f);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(actions.front()->last);
    setPerItemCounter(state, kTargets);
}
BENCHMARK(BM_ActionManagerBaseline);

} // namespace

int main(int argc, char** argv)
{
    // Per-item nanoseconds from each benchmark's "per_item" counter.
    mw::bench::SummaryReporter reporter("per_item", 1e9);
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        mw::bench::printRatio(r, "scheduler tick", "BM_SchedulerTick", "BM_SchedulerBaseline", "ns/item");
        mw::bench::printRatio(r, "action manager step", "BM_ActionManagerStep", "BM_ActionManagerBaseline",
                              "ns/item");
    });
}
