#pragma once

// The summary line every benchmark program prints after Google Benchmark's
// table: the measured code against its baseline from the same run, as a
// ratio. With --benchmark_repetitions the medians are compared (and means
// and deviations shown), so the line is the same whether or not individual
// repetitions are reported.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace mw::bench {

// One benchmark's figure, in the unit the reporter was told to keep.
struct Figure {
    double single = 0; // the last plain run
    double median = 0;
    double mean = 0;
    double stddev = 0;
    bool haveSingle = false;
    bool haveAggregates = false;

    bool known() const { return haveSingle || haveAggregates; }
    // The figure to compare: the median when there are repetitions.
    double value() const { return haveAggregates ? median : single; }
};

// Which clock a figure is read from when no counter is named: the wall clock,
// or the CPU time the process spent, which a machine busy with other work
// disturbs far less (for code that runs on the benchmark's own thread).
enum class Clock { Real, Cpu };

// Keeps a figure per benchmark (its full name with arguments, e.g.
// "BM_Batch/1000/real_time"): the value of a user counter times `scale` when
// a counter is named, else the adjusted time of `clock` in the benchmark's unit.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    explicit SummaryReporter(std::string counter = {}, double scale = 1) : counter_(std::move(counter)), scale_(scale)
    {
    }
    explicit SummaryReporter(Clock clock) : clock_(clock) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            double value = clock_ == Clock::Cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
            if (!counter_.empty()) {
                const auto counter = run.counters.find(counter_);
                if (counter == run.counters.end()) continue;
                value = counter->second.value * scale_;
            }
            Figure& figure = figures_[run.run_name.str()];
            if (run.run_type == Run::RT_Iteration) {
                if (run.iterations == 0) continue;
                figure.single = value;
                figure.haveSingle = true;
            } else if (run.aggregate_name == "median") {
                figure.median = value;
                figure.haveAggregates = true;
            } else if (run.aggregate_name == "mean") {
                figure.mean = value;
            } else if (run.aggregate_name == "stddev") {
                figure.stddev = value;
            }
        }
    }

    // The figure of a benchmark, or null when it did not run.
    const Figure* find(const std::string& name) const
    {
        const auto found = figures_.find(name);
        return found != figures_.end() && found->second.known() ? &found->second : nullptr;
    }

private:
    std::string counter_;
    double scale_ = 1;
    Clock clock_ = Clock::Real;
    std::map<std::string, Figure> figures_;
};

// "subject: measured M unit, baseline B unit, ratio Rx" (with means and
// deviations when repeated); nothing when either did not run.
inline void printRatio(const SummaryReporter& reporter, const char* subject, const std::string& measured,
                       const std::string& baseline, const char* unit)
{
    const Figure* m = reporter.find(measured);
    const Figure* b = reporter.find(baseline);
    if (!m || !b || b->value() <= 0) return;
    if (m->haveAggregates && b->haveAggregates) {
        std::printf("%-32s median %8.3f %s (mean %8.3f, sd %7.3f), baseline median %8.3f %s (mean %8.3f, "
                    "sd %7.3f), ratio of medians %5.2fx, of means %5.2fx\n",
                    subject, m->median, unit, m->mean, m->stddev, b->median, unit, b->mean, b->stddev,
                    m->median / b->median, m->mean / b->mean);
    } else {
        std::printf("%-32s %8.3f %s, baseline %8.3f %s, ratio %5.2fx\n", subject, m->value(), unit, b->value(),
                    unit, m->value() / b->value());
    }
}

// The command line with `defaults` put before the given arguments, so that a
// flag given on the command line still wins (the last one counts).
class ArgumentsWithDefaults {
public:
    ArgumentsWithDefaults(int argc, char** argv, const std::vector<std::string>& defaults)
        : texts_(defaults)
    {
        pointers_.push_back(argv[0]);
        for (std::string& text : texts_) pointers_.push_back(text.data());
        for (int i = 1; i < argc; ++i) pointers_.push_back(argv[i]);
        count_ = static_cast<int>(pointers_.size());
        pointers_.push_back(nullptr);
    }
    int& argc() { return count_; }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
    int count_ = 0;
};

// Runs the benchmarks the command line selects through `reporter`, then
// `summarise` (which prints the ratios); the program's exit status.
template <typename Summarise>
int runBenchmarks(int argc, char** argv, SummaryReporter& reporter, Summarise&& summarise)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    summarise(reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace mw::bench
