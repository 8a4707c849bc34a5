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

#include "bench/BenchSummary.h"
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

} // namespace

int main(int argc, char** argv)
{
    mw::bench::SummaryReporter reporter;
    return mw::bench::runBenchmarks(argc, argv, reporter, [](const mw::bench::SummaryReporter& r) {
        std::printf("game-data file of %zu bytes\n", text().size());
        mw::bench::printRatio(r, "XML reader", "BM_XMLReader", "BM_Libxml2Parse", "us");
    });
}
