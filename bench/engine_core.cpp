// Frame-loop costs of the engine core: one scheduler tick over 10,000
// per-frame updates and 10,000 timers, and one action-manager step over
// 10,000 running actions, each against a plain loop making the same number
// of virtual calls on separately allocated objects. The summary at the end
// gives nanoseconds per item and the ratio to the baseline.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/CCActionManager.h"
#include "engine/nodes/CCNode.h"
#include "engine/scheduler/CCScheduler.h"

namespace {

using namespace mw;

constexpr int kTargets = 10000;

// A scheduler target with a per-frame update and a timer callback that each
// do a trivial amount of work.
class Ticker : public Object {
public:
    void update(float dt) { total += dt; }
    void tick(float dt) { total += dt; }
    float total = 0;
};

// The baseline's object: one virtual call doing the same work.
class VirtualTicker {
public:
    virtual ~VirtualTicker() = default;
    virtual void update(float dt) { total += dt; }
    float total = 0;
};

// An action that never ends and does a trivial amount of work per step.
class IdleAction : public CCActionInterval {
public:
    IdleAction() : CCActionInterval(1e9f) {}
    void update(float progress) override { last = progress; }
    float last = 0;
};

class VirtualStepper {
public:
    virtual ~VirtualStepper() = default;
    virtual void step(float dt)
    {
        elapsed += dt;
        last = elapsed / 1e9f;
    }
    float elapsed = 0;
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
    std::vector<std::unique_ptr<VirtualTicker>> targets;
    for (int i = 0; i < 2 * kTargets; ++i) targets.push_back(std::make_unique<VirtualTicker>());
    for (auto _ : state) {
        for (auto& target : targets) target->update(0.016f);
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
    std::vector<std::unique_ptr<VirtualStepper>> actions;
    for (int i = 0; i < kTargets; ++i) actions.push_back(std::make_unique<VirtualStepper>());
    for (auto _ : state) {
        for (auto& action : actions) action->step(0.016f);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(actions.front()->last);
    setPerItemCounter(state, kTargets);
}
BENCHMARK(BM_ActionManagerBaseline);

// Keeps each run's time per item for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            const auto counter = run.counters.find("per_item");
            if (counter != run.counters.end()) {
                nsPerItem[run.benchmark_name()] = counter->second.value * 1e9;
            }
        }
    }
    std::map<std::string, double> nsPerItem;
};

void printRatio(const SummaryReporter& reporter, const char* subject, const char* measured, const char* baseline)
{
    const auto m = reporter.nsPerItem.find(measured);
    const auto b = reporter.nsPerItem.find(baseline);
    if (m == reporter.nsPerItem.end() || b == reporter.nsPerItem.end()) return;
    std::printf("%-22s %7.2f ns/item, baseline %6.2f ns/item, ratio %5.2fx\n", subject, m->second, b->second,
                m->second / b->second);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    printRatio(reporter, "scheduler tick", "BM_SchedulerTick", "BM_SchedulerBaseline");
    printRatio(reporter, "action manager step", "BM_ActionManagerStep", "BM_ActionManagerBaseline");
    benchmark::Shutdown();
    return 0;
}
