#include "convert/ToolSummary.h"

#include "convert/Classification.h"
#include "convert/Findings.h"
#include "sources/JsonText.h"
#include "sources/NumberText.h"

#include <string_view>
#include <vector>

namespace Corvana {
namespace {

std::string_view boolText(bool value) {
    return value ? "true" : "false";
}

// Appends "key": preceded by a comma unless it opens the object.
void appendKey(std::string& out, std::string_view key) {
    if (out.size() > 1) out += ',';
    out += '"';
    out += key;
    out += "\":";
}

// Appends "key":value with the value's JSON text as it is.
void appendPair(std::string& out, std::string_view key, std::string_view value) {
    appendKey(out, key);
    out += value;
}

void appendTextPair(std::string& out, std::string_view key, std::string_view text) {
    appendKey(out, key);
    appendQuotedJson(out, text);
}

void appendIntegerPair(std::string& out, std::string_view key, std::int64_t value) {
    appendKey(out, key);
    appendIntegerText(out, value);
}

struct SummaryState {
    bool unsupportedType = false;  // form, routing and turning tools: no dimensions shown
    bool unsupported = false;
    std::string reason;
};

SummaryState supportFor(const ToolModel& tool) {
    SummaryState state;
    if (isUnsupportedTypeCode(tool.typeCode)) {
        state.unsupportedType = true;
        state.unsupported = true;
        state.reason = "type";
        return state;
    }
    if (tool.typeCode != TypeOffCentreTipRad) return state;
    const CircleSegmentInfo segment = analyzeCircleSegment(tool);
    if (segment.kind != CircleSegmentKind::Other) return state;
    state.unsupported = true;
    state.reason = segment.steep ? "kink" : "reach";
    return state;
}

std::string_view roleText(ToolRole role) {
    if (role == ToolRole::Roughing) return "\"rough\"";
    if (role == ToolRole::Finishing) return "\"finish\"";
    return "null";
}

// Overhang plus every holder section that is not marked to be ignored.
double holderGauge(const ToolModel& tool) {
    double gauge = tool.overhang;
    for (const auto& segment : tool.holderSegments)
        if (!segment.ignore) gauge += segment.length;
    return gauge;
}

std::string_view cuttingStatus(const ToolModel& tool) {
    bool partial = false;
    for (const auto& preset : tool.presets) {
        const bool hasSpeed = preset.cuttingSpeed > 0;
        const bool hasFeed = preset.feedPerTooth > 0;
        if (hasSpeed && hasFeed) return "preserved";
        partial = partial || hasSpeed || hasFeed;
    }
    return partial ? "partial" : "generated";
}

void appendPresetNames(std::string& out, const std::vector<NamedPreset>& named) {
    out += '[';
    for (std::size_t i = 0; i < named.size(); ++i) {
        if (i > 0) out += ',';
        appendQuotedJson(out, named[i].displayName);
    }
    out += ']';
}

void appendIdentity(std::string& out, const ToolModel& tool, std::int32_t index, const SummaryState& state) {
    appendIntegerPair(out, "index", index);
    appendPair(out, "isMetric", boolText(tool.isMetric));
    appendIntegerPair(out, "number", tool.number);
    appendTextPair(out, "identifier", tool.identifier);
    appendTextPair(out, "name", tool.name);
    appendTextPair(out, "type", tool.type);
    appendTextPair(out, "fusionType", fusionTypeFor(tool));
    appendPair(out, "clockwise", boolText(tool.clockwise));
    appendPair(out, "rfRole", roleText(tool.rfRole));
    appendPair(out, "unsupported", boolText(state.unsupported));
    appendTextPair(out, "unsupportedReason", state.reason);
}

void appendDimensions(std::string& out, const ToolModel& tool, bool hidden) {
    const auto number = [hidden](double value) {
        return hidden ? std::string("null") : formatPaletteNumber(value);
    };
    appendPair(out, "diameter", number(tool.diameter));
    appendPair(out, "fluteLength", number(tool.length));
    appendPair(out, "overallLength", number(tool.overhang));
    appendPair(out, "gaugeLength", number(holderGauge(tool)));
    appendPair(out, "pitch", number(tool.pitch));
    appendPair(out, "tipRadius", number(tool.tipRadius));
    if (hidden)
        appendPair(out, "numFlutes", "null");
    else
        appendIntegerPair(out, "numFlutes", tool.numFlutes);
    appendTextPair(out, "holderName", hidden ? std::string_view() : tool.holderName);
    appendIntegerPair(out, "holderCount", hidden ? 0 : static_cast<std::int64_t>(tool.holderSegments.size()));
    appendTextPair(out, "material", hidden ? std::string_view() : tool.material);
}

void appendCuttingData(std::string& out, const ToolModel& tool, bool hidden,
                       const std::vector<NamedPreset>& named, bool withPresetNames) {
    const CuttingPreset* first = named.empty() ? nullptr : named.front().preset;
    const double speed = first ? first->cuttingSpeed : 0;
    const double feed = first ? first->feedPerTooth * tool.diameter : 0;
    appendPair(out, "surfaceSpeed", hidden ? "null" : formatPaletteNumber(speed));
    appendPair(out, "feedPerTooth", hidden ? "null" : formatPaletteNumber(feed));
    appendTextPair(out, "cuttingStatus", hidden ? std::string_view() : cuttingStatus(tool));
    appendIntegerPair(out, "presetCount", hidden ? 0 : static_cast<std::int64_t>(named.size()));
    if (!withPresetNames) return;
    appendKey(out, "presetNames");
    if (hidden)
        out += "[]";
    else
        appendPresetNames(out, named);
}

} // namespace

std::string buildToolSummaryJson(const ToolModel& tool, std::int32_t index, bool withPresetNames) {
    const SummaryState state = supportFor(tool);
    const std::vector<NamedPreset> named = presetNamesFor(tool);
    std::string out = "{";
    out.reserve(640);
    appendIdentity(out, tool, index, state);
    appendDimensions(out, tool, state.unsupportedType);
    appendCuttingData(out, tool, state.unsupportedType, named, withPresetNames);
    appendPair(out, "issues", buildToolIssuesJson(tool));
    out += '}';
    return out;
}

} // namespace Corvana
