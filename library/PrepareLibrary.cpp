#include "library/PrepareLibrary.h"

#include "library/HolderSimplify.h"

#include <optional>
#include <random>
#include <utility>

namespace Corvana {
namespace {

const std::string& identifierAt(const std::vector<std::string>& identifiers, std::size_t position,
                                std::string& fallback) {
    if (position < identifiers.size() && !identifiers[position].empty()) return identifiers[position];
    fallback = makeStableGuid(static_cast<std::int32_t>(position));
    return fallback;
}

TextSink appendingTo(std::string& text) {
    return [&text](std::string_view piece) {
        text += piece;
        return true;
    };
}

// Each tool in its target units goes to the documents one at a time; a tool
// already in them is used as it is, others through one reused copy.
void writeDocuments(const std::vector<ToolModel>& tools, const std::vector<std::string>& identifiers,
                    LibraryDocumentStream& main, LibraryDocumentStream* holders) {
    ToolModel converted;
    std::string fallback;
    for (std::size_t i = 0; i < tools.size(); ++i) {
        const bool metric = targetUnitIsMetric(tools[i]);
        const ToolModel& target =
            tools[i].isMetric == metric ? tools[i] : (converted = convertToolUnits(tools[i], metric));
        const auto index = static_cast<std::int32_t>(i);
        main.add(target, index, identifierAt(identifiers, i, fallback));
        if (holders) holders->add(target, index, {});
    }
}

} // namespace

HolderMode holderModeFromNumber(double number) {
    if (number == 0) return HolderMode::ToolsOnly;
    return number == 2 ? HolderMode::SeparateLibrary : HolderMode::InLibrary;
}

HolderDestination holderDestinationFor(HolderMode mode, const std::string& holderLibraryName) {
    HolderDestination destination;
    if (mode == HolderMode::ToolsOnly) return destination;
    if (mode != HolderMode::SeparateLibrary || holderLibraryName.empty()) {
        destination.documentMode = ToolsAndHolders;
        return destination;
    }
    destination.writeHolderLibrary = true;
    destination.holderLibraryName = holderLibraryName;
    return destination;
}

bool targetUnitIsMetric(const ToolModel& tool) {
    if (tool.displayUnit == "millimeters") return true;
    if (tool.displayUnit == "inches") return false;
    return tool.isMetric;
}

std::int32_t importIdentifierSeed(std::int32_t base, std::size_t position) {
    // Unsigned arithmetic wraps by definition; the conversion back is modular in C++20.
    const auto sum = static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(position);
    return static_cast<std::int32_t>(sum);
}

std::vector<std::string> makeImportIdentifiers(std::int32_t base, std::size_t count) {
    std::vector<std::string> identifiers;
    identifiers.reserve(count);
    for (std::size_t position = 0; position < count; ++position)
        identifiers.push_back(makeStableGuid(importIdentifierSeed(base, position)));
    return identifiers;
}

std::int32_t drawImportIdentifierBase() {
    std::random_device source;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(source()));
}

PreparedLibrary streamLibrary(std::vector<ToolModel> tools, const SimplifyOpts& simplify,
                              const std::string& libraryName, const std::vector<std::string>& identifiers,
                              const HolderDestination& destination, const TextSink& sink,
                              const PrepareProgressFn& progress) {
    for (std::size_t i = 0; i < tools.size(); ++i) {
        simplifyHolder(tools[i], simplify);
        if (progress) progress(i + 1, tools.size());
    }
    PreparedLibrary prepared;
    const bool metricUnits = !tools.empty() && targetUnitIsMetric(tools.front());
    LibraryDocumentStream main(sink, libraryName, metricUnits, destination.documentMode);
    std::optional<LibraryDocumentStream> holders;
    if (destination.writeHolderLibrary) {
        prepared.writeHolderLibrary = true;
        prepared.holderLibraryName = destination.holderLibraryName;
        holders.emplace(appendingTo(prepared.holderJson), destination.holderLibraryName, metricUnits, HoldersOnly);
    }
    writeDocuments(tools, identifiers, main, holders ? &*holders : nullptr);
    main.finish();
    if (holders) holders->finish();
    prepared.tools = std::move(tools);
    return prepared;
}

PreparedLibrary prepareLibrary(std::vector<ToolModel> tools, const SimplifyOpts& simplify,
                               const std::string& libraryName,
                               const std::vector<std::string>& identifiers,
                               const HolderDestination& destination,
                               const PrepareProgressFn& progress) {
    std::string json;
    PreparedLibrary prepared = streamLibrary(std::move(tools), simplify, libraryName, identifiers, destination,
                                             appendingTo(json), progress);
    prepared.json = std::move(json);
    return prepared;
}

} // namespace Corvana
