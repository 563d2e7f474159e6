#include "addin/LibraryWriters.h"

#include "addin/LibraryComparison.h"
#include "library/ToolJsonText.h"
#include "sources/NumberText.h"

#include <cmath>
#include <limits>
#include <optional>

namespace Corvana {
namespace {

using adsk::core::Ptr;
using adsk::core::URL;
using adsk::cam::ToolLibrary;

constexpr const char* noToolsMessage = "No tools to import.";
constexpr const char* rejectedMessage = "Failed to parse tool library JSON. Check tool data.";

// The document as a library object, or null with the message for the user.
Ptr<ToolLibrary> libraryFromJson(const std::string& json, std::string& error) {
    if (json.empty()) {
        error = noToolsMessage;
        return nullptr;
    }
    auto library = ToolLibrary::createFromJson(json);
    if (!library) error = rejectedMessage;
    return library;
}

// The libraries, or false with the reason in `error`.
bool openAccess(LibraryAccess& access, std::string& error) {
    access = openLibraryAccess();
    if (access.error.empty()) return true;
    error = access.error;
    return false;
}

Ptr<URL> importUnderName(const LibraryAccess& access, const Ptr<ToolLibrary>& library, const std::string& name,
                         std::string& error, const char* failure) {
    auto url = access.toolLibraries->importToolLibrary(library, access.localFolder, name);
    if (!url) error = failure;
    return url;
}

// Entries of the document that are tools, not holders.
std::int32_t toolEntryCount(const ToolLibrary& library) {
    std::int32_t count = 0;
    for (std::size_t i = 0; i < library.count(); ++i) {
        const auto tool = library.item(i);
        if (tool && toolTypeText(*tool) != "holder") ++count;
    }
    return count;
}

std::optional<double> numericValue(const Ptr<adsk::cam::CAMParameter>& parameter) {
    if (!parameter) return std::nullopt;
    const Ptr<adsk::cam::ParameterValue> value = parameter->value();
    if (const Ptr<adsk::cam::FloatParameterValue> number = value) return number->value();
    if (const Ptr<adsk::cam::IntegerParameterValue> integer = value) return integer->value();
    return std::nullopt;
}

bool fixTeeth(adsk::cam::CAMParameters& parameters, std::int32_t teeth) {
    if (teeth <= 1) return false;
    const auto parameter = parameters.itemByName("tool_numberOfTeeth");
    const auto current = numericValue(parameter);
    if (current && roundToInt32(*current) == teeth) return false;
    if (!parameter || !parameter->isEditable()) return false;
    const Ptr<adsk::cam::ParameterValue> value = parameter->value();
    if (const Ptr<adsk::cam::IntegerParameterValue> integer = value) return integer->value(teeth);
    if (const Ptr<adsk::cam::FloatParameterValue> number = value) return number->value(static_cast<double>(teeth));
    return false;
}

bool fixClockwise(adsk::cam::CAMParameters& parameters, bool clockwise) {
    const auto parameter = parameters.itemByName("tool_clockwise");
    if (!parameter || !parameter->isEditable()) return false;
    const Ptr<adsk::cam::BooleanParameterValue> value = parameter->value();
    if (!value || value->value() == clockwise) return false;
    return value->value(clockwise);
}

// Appends the new holders the library lacks, known by description and
// geometry, as a merge does; the number appended.
std::size_t addMissingHolders(ToolLibrary& existing, const ToolLibrary& incoming) {
    const ComparisonOutcome outcome = compareTools(readComparedTools(existing), readComparedTools(incoming));
    for (const std::size_t position : outcome.additions) existing.add(incoming.item(position));
    return outcome.additions.size();
}

} // namespace

Ptr<URL> findLibrary(const LibraryAccess& access, const std::string& name) {
    if (!access.toolLibraries || !access.localFolder) return nullptr;
    for (const auto& url : access.toolLibraries->childAssetURLs(access.localFolder))
        if (url && libraryNameOfLeaf(url->leafName()) == name) return url;
    return nullptr;
}

bool libraryExists(const std::string& name) {
    const LibraryAccess access = openLibraryAccess();
    return access.error.empty() && findLibrary(access, name);
}

bool createLibrary(const std::string& json, const std::vector<std::string>&, const ThreadMillFixes& fixes,
                   const std::string& name, std::string& error) {
    const auto library = libraryFromJson(json, error);
    if (!library) return false;
    LibraryAccess access;
    if (!openAccess(access, error)) return false;
    const auto url = importUnderName(access, library, name, error, "Import failed.");
    if (!url) return false;
    applyThreadMillFixes(access, url, fixes);
    return true;
}

bool replaceLibrary(const std::string& json, const std::vector<std::string>&, const ThreadMillFixes& fixes,
                    const std::string& name, std::string& error) {
    const auto library = libraryFromJson(json, error);
    if (!library) return false;
    LibraryAccess access;
    if (!openAccess(access, error)) return false;
    auto url = findLibrary(access, name);
    if (!url) {
        url = importUnderName(access, library, name, error, "Import failed.");
        if (!url) return false;
    } else if (!access.toolLibraries->updateToolLibrary(url, library)) {
        error = "Failed to replace existing library.";
        return false;
    }
    applyThreadMillFixes(access, url, fixes);
    return true;
}

bool mergeIntoLibrary(const std::string& json, const std::vector<std::string>&, const ThreadMillFixes& fixes,
                      const std::string& name, std::string& error, MergeCounters& counters) {
    const auto library = libraryFromJson(json, error);
    if (!library) return false;
    LibraryAccess access;
    if (!openAccess(access, error)) return false;
    const auto url = findLibrary(access, name);
    if (!url) {
        const auto created = importUnderName(access, library, name, error, "Import failed.");
        if (!created) return false;
        applyThreadMillFixes(access, created, fixes);
        // Holder entries of the document are not tools, and tools come first.
        counters = {};
        counters.added = toolEntryCount(*library);
        for (std::int32_t position = 0; position < counters.added; ++position)
            counters.addedPositions.push_back(position);
        return true;
    }
    const auto existing = access.toolLibraries->toolLibraryAtURL(url);
    if (!existing) {
        error = "Could not open the existing library.";
        return false;
    }
    const LibraryComparison comparison = compareLibraries(*existing, *library, true);
    if (!access.toolLibraries->updateToolLibrary(url, existing)) {
        error = "Failed to update the existing library.";
        return false;
    }
    counters.added = comparison.newCount;
    counters.present = comparison.matchingCount;
    counters.addedPositions = comparison.newPositions;
    applyThreadMillFixes(access, url, fixes);
    return true;
}

bool updateHolderLibrary(const std::string& holderJson, const std::string& name, std::string& error) {
    if (holderJson.empty()) return true;
    if (name.empty()) {
        error = "No holder library selected.";
        return false;
    }
    const auto holders = ToolLibrary::createFromJson(holderJson);
    if (!holders) {
        error = "Failed to build the holder library.";
        return false;
    }
    LibraryAccess access;
    if (!openAccess(access, error)) return false;
    const auto url = findLibrary(access, name);
    if (!url) return importUnderName(access, holders, name, error, "Could not create the holder library.") != nullptr;
    const auto existing = access.toolLibraries->toolLibraryAtURL(url);
    if (!existing) {
        error = "Could not open the holder library.";
        return false;
    }
    if (addMissingHolders(*existing, *holders) == 0) return true;
    if (access.toolLibraries->updateToolLibrary(url, existing)) return true;
    error = "Could not update the holder library.";
    return false;
}

void applyThreadMillFixes(const LibraryAccess& access, const Ptr<URL>& url, const ThreadMillFixes& fixes) {
    if (!access.toolLibraries || !url || fixes.empty()) return;
    const auto library = access.toolLibraries->toolLibraryAtURL(url);
    if (!library) return;
    bool changed = false;
    for (std::size_t i = 0; i < library->count(); ++i) {
        const auto tool = library->item(i);
        if (!tool) continue;
        const auto fix = fixes.find(toolProductId(tool->toJson()));
        if (fix == fixes.end()) continue;
        const auto parameters = tool->parameters();
        if (!parameters) continue;
        changed = fixTeeth(*parameters, fix->second.numberOfTeeth) || changed;
        changed = fixClockwise(*parameters, fix->second.clockwise) || changed;
    }
    if (changed) access.toolLibraries->updateToolLibrary(url, library);
}

} // namespace Corvana
