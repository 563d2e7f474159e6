#include "library/PrepareLibrary.h"

#include "library/HolderSimplify.h"

#include <random>
#include <utility>

namespace Corvana {
namespace {

std::vector<ToolModel> convertedForLibrary(const std::vector<ToolModel>& tools) {
    std::vector<ToolModel> converted;
    converted.reserve(tools.size());
    for (const auto& tool : tools) converted.push_back(convertToolUnits(tool, targetUnitIsMetric(tool)));
    return converted;
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

PreparedLibrary prepareLibrary(std::vector<ToolModel> tools, const SimplifyOpts& simplify,
                               const std::string& libraryName,
                               const std::vector<std::string>& identifiers,
                               const HolderDestination& destination,
                               const PrepareProgressFn& progress) {
    for (std::size_t i = 0; i < tools.size(); ++i) {
        simplifyHolder(tools[i], simplify);
        if (progress) progress(i + 1, tools.size());
    }
    const std::vector<ToolModel> converted = convertedForLibrary(tools);
    PreparedLibrary prepared;
    prepared.json = buildToolLibraryJson(converted, libraryName, identifiers, destination.documentMode);
    if (destination.writeHolderLibrary) {
        prepared.writeHolderLibrary = true;
        prepared.holderLibraryName = destination.holderLibraryName;
        prepared.holderJson = buildToolLibraryJson(converted, destination.holderLibraryName, {},
                                                   HoldersOnly);
    }
    prepared.tools = std::move(tools);
    return prepared;
}

} // namespace Corvana
