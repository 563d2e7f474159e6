#include "library/ImportRequest.h"

#include "convert/Classification.h"
#include "sources/JsonText.h"
#include "sources/NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <utility>

namespace Corvana {
namespace {

constexpr double defaultUndercutPercent = 5.0;

// Maps each index to the value at its first position in the index list, when
// the value list reaches that position; later positions of an index never count.
std::unordered_map<std::int32_t, double> overrideMap(const std::string& json, std::string_view indicesKey,
                                                     std::string_view valuesKey) {
    const std::vector<std::int32_t> indices = readJsonIntList(json, indicesKey);
    const std::vector<double> values = readJsonNumberList(json, valuesKey);
    std::unordered_map<std::int32_t, std::size_t> firstPosition;
    for (std::size_t position = 0; position < indices.size(); ++position)
        firstPosition.try_emplace(indices[position], position);
    std::unordered_map<std::int32_t, double> overrides;
    for (const auto& [index, position] : firstPosition)
        if (position < values.size()) overrides.emplace(index, values[position]);
    return overrides;
}

std::optional<double> overrideFor(const std::unordered_map<std::int32_t, double>& overrides, std::int32_t index) {
    const auto found = overrides.find(index);
    if (found == overrides.end()) return std::nullopt;
    return found->second;
}

bool containsQuotedWord(const std::string& json, std::string_view word) {
    std::string quoted;
    quoted.reserve(word.size() + 2);
    quoted += '"';
    quoted += word;
    quoted += '"';
    return json.find(quoted) != std::string::npos;
}

// Thread mills may not be shorter than one pitch; the overhang only follows the length.
void raiseThreadMillLength(ToolModel& tool) {
    if (tool.type != "thread_mill" || !(tool.pitch > 0)) return;
    if (!(tool.length > 0) || !(tool.pitch > tool.length)) return;
    tool.length = tool.pitch;
    if (tool.overhang > 0 && tool.pitch > tool.overhang) tool.overhang = tool.pitch;
}

void applyGeneratedPresets(ToolModel& tool, std::int32_t index, const ToolCorrections& corrections,
                           const std::string& json) {
    if (!corrections.generated.contains(index)) return;
    std::string presets = readJsonString(json, "genPreset_" + std::to_string(index));
    if (!presets.empty()) tool.presetsJson = std::move(presets);
}

bool isSelectableIndex(const std::vector<ToolModel>& source, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= source.size()) return false;
    return hasFusionType(source[static_cast<std::size_t>(index)]);
}

ToolModel corrected(ToolModel tool, std::int32_t index, const ToolCorrections& corrections,
                    const std::string& json) {
    if (const auto pitch = overrideFor(corrections.pitch, index)) tool.pitch = *pitch;
    applyToolCorrections(tool, index, corrections, json);
    return tool;
}

} // namespace

std::vector<std::size_t> selectedSourceIndices(const std::string& json,
                                               const std::vector<ToolModel>& source) {
    const std::vector<std::int32_t> selected = readJsonIntList(json, "selectedIndices");
    std::vector<std::size_t> kept;
    kept.reserve(selected.size());
    for (const std::int32_t index : selected)
        if (isSelectableIndex(source, index)) kept.push_back(static_cast<std::size_t>(index));
    return kept;
}

ToolCorrections readToolCorrections(const std::string& json) {
    ToolCorrections corrections;
    corrections.pitch = overrideMap(json, "pitchOverrideIndices", "pitchOverrideValues");
    corrections.diameter = overrideMap(json, "diameterOverrideIndices", "diameterOverrideValues");
    corrections.flutes = overrideMap(json, "flutesOverrideIndices", "flutesOverrideValues");
    corrections.clockwise = overrideMap(json, "clockwiseOverrideIndices", "clockwiseOverrideValues");
    corrections.hand = overrideMap(json, "handOverrideIndices", "handOverrideValues");
    corrections.toolNumber = overrideMap(json, "toolNumberOverrideIndices", "toolNumberOverrideValues");
    corrections.usePresets =
        containsQuotedWord(json, "preserveSource") ? readJsonBool(json, "preserveSource") : true;
    corrections.assignStrategies =
        containsQuotedWord(json, "associateCuttingData") && readJsonBool(json, "associateCuttingData");
    const auto generated = readJsonIntList(json, "genIndices");
    corrections.generated.insert(generated.begin(), generated.end());
    return corrections;
}

void applyToolCorrections(ToolModel& tool, std::int32_t index, const ToolCorrections& corrections,
                          const std::string& json) {
    if (tool.type == "thread_mill") tool.spindleClockwise = tool.clockwise;
    if (const auto value = overrideFor(corrections.diameter, index)) tool.diameter = *value;
    if (const auto value = overrideFor(corrections.flutes, index)) tool.numFlutes = roundToInt32(*value);
    if (const auto value = overrideFor(corrections.clockwise, index)) tool.spindleClockwise = *value != 0;
    if (const auto value = overrideFor(corrections.hand, index)) tool.tapHand = roundToInt32(*value);
    if (const auto value = overrideFor(corrections.toolNumber, index)) tool.number = roundToInt32(*value);
    raiseThreadMillLength(tool);
    tool.usePresets = corrections.usePresets;
    tool.assignStrategies = corrections.assignStrategies;
    applyGeneratedPresets(tool, index, corrections, json);
}

void applyToolCorrections(ToolModel& tool, std::int32_t index, const std::string& json) {
    applyToolCorrections(tool, index, readToolCorrections(json), json);
}

namespace {

// The position in `selected` after which `index` is not selected again.
std::unordered_map<std::int32_t, std::size_t> lastSelections(const std::vector<std::int32_t>& selected) {
    std::unordered_map<std::int32_t, std::size_t> last;
    for (std::size_t position = 0; position < selected.size(); ++position) last[selected[position]] = position;
    return last;
}

// `Source` is a const list, whose tools are copied, or a list whose tools are
// moved out at their last selection.
template <typename Source>
ImportRequest buildImportRequest(const std::string& json, Source& source, const std::string& defaultName) {
    constexpr bool takeTools = !std::is_const_v<Source>;
    ImportRequest request;
    request.libraryName = readJsonString(json, "libraryName");
    if (request.libraryName.empty()) request.libraryName = defaultName;
    const std::string addinVersion = readJsonString(json, "addinVersion");
    const ToolCorrections corrections = readToolCorrections(json);
    const auto selected = readJsonIntList(json, "selectedIndices");
    const auto displayMetric = readJsonIntList(json, "displayUnitMetric");
    std::unordered_map<std::int32_t, std::size_t> last;
    if constexpr (takeTools) last = lastSelections(selected);
    request.tools.reserve(selected.size());
    for (std::size_t position = 0; position < selected.size(); ++position) {
        const std::int32_t index = selected[position];
        if (!isSelectableIndex(source, index)) continue;
        auto& sourceTool = source[static_cast<std::size_t>(index)];
        ToolModel tool = takeTools && last[index] == position
                             ? corrected(std::move(sourceTool), index, corrections, json)
                             : corrected(sourceTool, index, corrections, json);
        if (position < displayMetric.size())
            tool.displayUnit = displayMetric[position] != 0 ? "millimeters" : "inches";
        tool.sourceDetail = addinVersion;
        request.tools.push_back(std::move(tool));
    }
    request.simplify.removeUndercuts = readJsonBool(json, "removeUndercuts");
    request.simplify.undercutThreshold =
        readJsonNumber(json, "undercutThreshold", defaultUndercutPercent) / 100.0;
    if (!request.tools.empty()) request.simplify.metric = request.tools.front().isMetric;
    return request;
}

} // namespace

ImportRequest readImportRequest(const std::string& json, const std::vector<ToolModel>& source,
                                const std::string& defaultName) {
    return buildImportRequest(json, source, defaultName);
}

ImportRequest readImportRequest(const std::string& json, std::vector<ToolModel>&& source,
                                const std::string& defaultName) {
    return buildImportRequest(json, source, defaultName);
}

std::map<std::string, ThreadMillFix> buildThreadMillFixes(const std::vector<ToolModel>& tools,
                                                          const std::vector<std::string>& identifiers) {
    std::map<std::string, ThreadMillFix> fixes;
    const std::size_t count = std::min(tools.size(), identifiers.size());
    for (std::size_t position = 0; position < count; ++position) {
        const ToolModel& tool = tools[position];
        if (tool.type != "thread_mill") continue;
        // Thread passes along the flute length; a single pass needs no tooth count.
        std::int32_t passes = 1;
        if (tool.pitch > 0 && tool.length > 0)
            passes = std::max(1, integerPartToInt32(tool.length / tool.pitch));
        fixes.insert_or_assign(identifiers[position],
                               ThreadMillFix{passes > 1 ? passes : 0, tool.spindleClockwise});
    }
    return fixes;
}

} // namespace Corvana
