// Reading a game-data file with the game's XML reader (libxml2's parse plus
// the tree of element dictionaries the queries walk) against libxml2's parse
// of the same text on its own. The file is made here, the same on every run,
// at the size of the full game's data: 40 levels, 103 tutorial frames, 24
// tile kinds, 24 resources, the settings and 143 upgrades with their cost
// lines, bonuses, effects and requirements. The summary prints the ratio.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include <libxml/parser.h>

#include "foundation/Format.h"
#include "bench/GameDataText.h"
#include "game/state/XML.h"

namespace {

using mw::bench::gameDataText;

const std::string& text()
{
    static const std::string generated = gameDataText();
    return generated;
}

// The same options the reader parses with.
constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;

void BM_XMLReader(benchmark::State& state)
{
    for (auto _ : state) {
        mw::Ref<mw::XML> xml = mw::XML::initWithString(text());
        benchmark::DoNotOptimize(xml->dicXML());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text().size()));
}
BENCHMARK(BM_XMLReader)->Unit(benchmark::kMicrosecond);

// The baseline: libxml2 parses the text into its element tree and frees it,
// in the order the reader does.
void BM_Libxml2Parse(benchmark::State& state)
{
    for (auto _ : state) {
        xmlParserCtxtPtr context = xmlNewParserCtxt();
        xmlDocPtr doc = xmlCtxtReadMemory(context, text().data(), static_cast<int>(text().size()), "xml",
                                          nullptr, kOptions);
        xmlFreeParserCtxt(context);
        benchmark::DoNotOptimize(xmlDocGetRootElement(doc));
        xmlFreeDoc(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text().size()));
}
BENCHMARK(BM_Libxml2Parse)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration for the summary: the median of
// the repetitions when there are some, else the one run.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[name] = run.GetAdjustedRealTime();
            } else if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                singles[name] = run.GetAdjustedRealTime();
            }
        }
    }

    // Microseconds per iteration, or a negative number when the benchmark did not run.
    double microseconds(const std::string& name) const
    {
        if (auto median = medians.find(name); median != medians.end()) return median->second;
        if (auto single = singles.find(name); single != singles.end()) return single->second;
        return -1;
    }

private:
    std::map<std::string, double> medians;
    std::map<std::string, double> singles;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double reader = reporter.microseconds("BM_XMLReader");
    const double baseline = reporter.microseconds("BM_Libxml2Parse");
    if (reader > 0 && baseline > 0) {
        std::printf("\ngame-data file of %zu bytes: XML reader %.1f us, libxml2 parse %.1f us, ratio %.2fx\n",
                    text().size(), reader, baseline, reader / baseline);
    }
    benchmark::Shutdown();
    return 0;
}
