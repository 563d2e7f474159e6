// Analysis and merge of 5 000 new tools against a 5 000-tool library in the
// simulated host's library folder: half of the new tools are in the library.

#include "addin/LibraryComparison.h"
#include "addin/LibraryWriters.h"
#include "adsk/sim/SimHost.h"
#include "library/PrepareLibrary.h"
#include "sources/PtfParser.h"
#include "tests/support/ExampleTools.h"
#include "tests/support/TestFiles.h"

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::size_t libraryTools = 5000;
constexpr std::size_t newTools = 5000;
constexpr std::size_t overlap = 2500;

// Tools cycling through the metric examples, each with a diameter of its own.
std::vector<Corvana::ToolModel> distinctTools(std::size_t count) {
    std::vector<Corvana::ToolModel> examples;
    for (auto& tool : Corvana::parsePtfBytes(Corvana::Testing::metricExampleTemplate()))
        // Tapered and dovetail cutters take their cutting diameter from other values.
        if (tool.typeCode == Corvana::TypeEndMill || tool.typeCode == Corvana::TypeBallNosed ||
            tool.typeCode == Corvana::TypeTipRadiused || tool.typeCode == Corvana::TypeDrill)
            examples.push_back(tool);
    std::vector<Corvana::ToolModel> tools;
    tools.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        Corvana::ToolModel tool = examples[i % examples.size()];
        tool.name = "T";
        tool.name += std::to_string(i);
        // 0.03 mm apart, beyond the comparison's 0.0254 mm.
        tool.diameter = 2.0 + 0.03 * static_cast<double>(i);
        tools.push_back(std::move(tool));
    }
    return tools;
}

std::string documentOf(const std::vector<Corvana::ToolModel>& tools) {
    const auto identifiers = Corvana::makeImportIdentifiers(1, tools.size());
    return Corvana::prepareLibrary(tools, {}, "Bench", identifiers, Corvana::holderDestinationFor(Corvana::HolderMode::ToolsOnly, "")).json;
}

struct BenchLibrary {
    Corvana::Testing::TempDir folder;
    adsk::sim::SimHost host{folder.file("libraries")};
    std::vector<Corvana::ToolModel> incoming;
    std::string existingText;

    BenchLibrary() {
        auto all = distinctTools(libraryTools + newTools - overlap);
        incoming.assign(all.begin() + static_cast<std::ptrdiff_t>(libraryTools - overlap), all.end());
        all.resize(libraryTools);
        std::string error;
        if (!Corvana::createLibrary(documentOf(all), {}, {}, "Bench", error)) throw std::runtime_error(error);
        existingText = Corvana::Testing::readText(folder.file("libraries/Bench.json"));
    }
    void restore() const { Corvana::Testing::writeText(folder.file("libraries/Bench.json"), existingText); }
};

void analyzeAndMerge(benchmark::State& state) {
    BenchLibrary bench;
    Corvana::MergeCounters counters;
    for (auto _ : state) {
        state.PauseTiming();
        bench.restore();
        state.ResumeTiming();
        const auto comparison = Corvana::analyzeLibrary("Bench", bench.incoming);
        std::string error;
        counters = {};
        if (comparison.newCount != static_cast<std::int32_t>(newTools - overlap) ||
            !Corvana::mergeIntoLibrary(documentOf(bench.incoming), {}, {}, "Bench", error, counters))
            state.SkipWithError("unexpected comparison or merge");
    }
    state.counters["added"] = counters.added;
    state.counters["present"] = counters.present;
}

void analyzeOnly(benchmark::State& state) {
    BenchLibrary bench;
    Corvana::LibraryComparison comparison;
    for (auto _ : state) comparison = Corvana::analyzeLibrary("Bench", bench.incoming);
    state.counters["new"] = comparison.newCount;
    state.counters["matching"] = comparison.matchingCount;
    state.counters["removed"] = comparison.removedCount;
}

} // namespace

BENCHMARK(analyzeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(analyzeAndMerge)->Unit(benchmark::kMillisecond);
