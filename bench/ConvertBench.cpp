// Parse + classify + convert throughput on large generated templates.

#include "library/ImportRequest.h"
#include "library/PrepareLibrary.h"
#include "sources/PtfParser.h"
#include "tests/support/ExampleTools.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace {

const std::vector<std::uint8_t>& templateOf(std::size_t toolCount) {
    static std::map<std::size_t, std::vector<std::uint8_t>> cache;
    auto& bytes = cache[toolCount];
    if (bytes.empty()) bytes = Corvana::Testing::syntheticTemplate(toolCount);
    return bytes;
}

std::string selectAll(std::size_t count) {
    std::string json = "{\"selectedIndices\":[";
    for (std::size_t i = 0; i < count; ++i) json += (i ? "," : "") + std::to_string(i);
    return json + "]}";
}

void parseOnly(benchmark::State& state) {
    const auto& bytes = templateOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(Corvana::parsePtfBytes(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void parseClassifyConvert(benchmark::State& state) {
    const auto toolCount = static_cast<std::size_t>(state.range(0));
    const auto& bytes = templateOf(toolCount);
    const std::string request = selectAll(toolCount);
    const auto destination = Corvana::holderDestinationFor(Corvana::HolderMode::InLibrary, "");
    for (auto _ : state) {
        const auto tools = Corvana::parsePtfBytes(bytes);
        const auto importRequest = Corvana::readImportRequest(request, tools, "Benchmark");
        const auto identifiers = Corvana::makeImportIdentifiers(0, importRequest.tools.size());
        benchmark::DoNotOptimize(Corvana::prepareLibrary(importRequest.tools, importRequest.simplify, "Benchmark",
                                                         identifiers, destination));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["fileMB"] = static_cast<double>(bytes.size()) / 1e6;
}

} // namespace

BENCHMARK(parseOnly)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(parseClassifyConvert)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
