#include "convert/Findings.h"

#include "convert/Classification.h"
#include "convert/ThreadStandards.h"
#include "convert/ThreadTables.h"
#include "sources/JsonText.h"
#include "sources/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

namespace Corvana {
namespace {

constexpr std::array<std::string_view, 5> pitchRationales{
    "",
    "No thread pitch is defined for this tool. Specify a valid pitch to create a valid thread tool in Fusion.",
    "No standard thread matches the stored pitch. Specify the intended pitch before importing into Fusion.",
    "The stored pitch is implausibly small for a thread.",
    "The stored pitch differs from the standard thread for this diameter -- confirm it is intentional.",
};

constexpr std::string_view ambiguousDiameterText =
    "The diameter and pitch do not match a standard thread. Confirm the nominal thread diameter for this tap.";
constexpr std::string_view tapDrillText =
    "The diameter appears to be the tap drill size. Use the nominal thread diameter for this tap.";
constexpr std::string_view fluteLengthText =
    "The cutting (flute) length is shorter than one thread pitch. Repair grows it to one pitch at import; "
    "the tool's overhang and gauge length are preserved (shank and holder unchanged), or exclude this tool.";
constexpr std::string_view fluteCountText =
    "The flute count is outside the usual range. Some feed rates are derived from it -- confirm or correct it.";

std::string number(double value) {
    return formatPaletteNumber(value);
}

std::string integer(std::int64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string unitOf(bool isMetric) {
    return isMetric ? "\"mm\"" : "\"in\"";
}

// The four keys every issue starts with.
std::string issueStart(std::string_view rule, std::string_view type, std::string_view severity,
                       std::string_view resolutionKind) {
    return "{\"rule\":" + quoteJsonText(rule) + ",\"type\":" + quoteJsonText(type) +
           ",\"severity\":" + quoteJsonText(severity) + ",\"resolutionKind\":" + quoteJsonText(resolutionKind);
}

std::string acknowledgeIssue(std::string_view rule, std::string_view rationale, bool bulkEligible) {
    return issueStart(rule, rule, "review", "acknowledge") + ",\"rationale\":" + quoteJsonText(rationale) +
           ",\"bulkEligible\":" + (bulkEligible ? "true" : "false") + "}";
}

// ---------------------------------------------------------------------------
// Thread checks

struct PitchLimits {
    double min;
    double max;
};

PitchLimits pitchLimits(bool isMetric) {
    return isMetric ? PitchLimits{0.2, 7.0} : PitchLimits{0.008, 0.275};
}

bool hasValidPitch(const ToolModel& tool) {
    return std::isfinite(tool.pitch) && tool.pitch > 0;
}

// The stored pitch lies within 15% of the standard pitch nearest to it, or the
// diameter has no standard thread.
bool pitchNearStandard(const ToolModel& tool) {
    const auto standard = standardPitchCandidates(tool.diameter, tool.isMetric);
    if (standard.empty()) return true;
    const auto nearest = std::min_element(standard.begin(), standard.end(), [&](const auto& a, const auto& b) {
        return std::fabs(a.pitch - tool.pitch) < std::fabs(b.pitch - tool.pitch);
    });
    return std::fabs(nearest->pitch - tool.pitch) <= 0.15 * nearest->pitch;
}

// 0 plausible, 1 missing, 2 too large, 3 too small, 4 not a standard pitch of the diameter.
int pitchStatus(const ToolModel& tool, bool compareStandard) {
    const PitchLimits limits = pitchLimits(tool.isMetric);
    if (!hasValidPitch(tool)) return 1;
    if (tool.pitch < limits.min) return 3;
    if (tool.pitch >= limits.max) return 2;
    if (!compareStandard) return 0;
    return pitchNearStandard(tool) ? 0 : 4;
}

std::string pitchCandidateJson(const PitchCandidate& candidate) {
    return "{\"label\":" + quoteJsonText(candidate.label) + ",\"value\":" + number(candidate.toolPitch) +
           ",\"tpi\":" + number(candidate.tpi) + ",\"nativePitch\":" + number(candidate.pitch) +
           ",\"nativeUnit\":" + unitOf(candidate.isMetric) + ",\"nominal\":" + number(candidate.toolNominal) +
           ",\"tier\":" + quoteJsonText(candidate.tier) + "}";
}

std::string pitchChoicesJson(const std::vector<PitchCandidate>& candidates) {
    std::string list = "[";
    for (const PitchCandidate& candidate : candidates) {
        if (list.size() > 1) list += ",";
        list += pitchCandidateJson(candidate);
    }
    std::string recommended = "null";
    const auto firstNonOption = std::find_if(candidates.begin(), candidates.end(),
                                             [](const PitchCandidate& c) { return c.tier != "option"; });
    if (firstNonOption != candidates.end()) recommended = number(firstNonOption->toolPitch);
    const bool autoSelect = !candidates.empty() && candidates.front().isPrimary;
    return "\"candidates\":" + list + "],\"recommended\":" + recommended +
           ",\"autoSelect\":" + (autoSelect ? number(candidates.front().toolPitch) : "null");
}

std::string threadPitchIssue(const ToolModel& tool, int status, bool advisory) {
    const PitchLimits limits = pitchLimits(tool.isMetric);
    const bool review = status == 4 || advisory;
    return issueStart("threadPitch", "pitch", review ? "review" : "critical", "setValue") +
           ",\"rationale\":" + quoteJsonText(pitchRationales[static_cast<std::size_t>(status)]) +
           ",\"valueLabel\":\"Current Imported Pitch\",\"pmValue\":" + number(tool.pitch) + "," +
           pitchChoicesJson(pitchCandidatesForTool(tool)) + ",\"allowCustom\":true,\"validate\":{\"min\":" +
           number(limits.min) + ",\"max\":" + number(limits.max) + ",\"unit\":" + unitOf(tool.isMetric) +
           "},\"bulkEligible\":false}";
}

std::string tapDiameterIssue(const ToolModel& tool, std::string_view markKey, std::string_view rationale,
                             std::string_view choices) {
    return issueStart("tapDiameter", "diameter", "review", "setValue") + ",\"markKey\":" + quoteJsonText(markKey) +
           ",\"rationale\":" + quoteJsonText(rationale) + "," + std::string(choices) +
           ",\"autoSelect\":null,\"allowCustom\":true,\"valueLabel\":\"Current Imported Diameter\",\"pmValue\":" +
           number(tool.diameter) + ",\"unit\":" + unitOf(tool.isMetric) + ",\"bulkEligible\":false}";
}

std::string tapDrillIssue(const ToolModel& tool, const TapDrillVerdict& verdict, bool nativeMetric) {
    const std::string nominal = number(verdict.nominal);
    const std::string choices = "\"candidates\":[{\"label\":" + quoteJsonText(verdict.label) + ",\"value\":" +
                                nominal + ",\"nativeUnit\":" + unitOf(nativeMetric) +
                                ",\"tier\":\"recommended\"}],\"recommended\":" + nominal;
    return tapDiameterIssue(tool, "recon.mark.diameterTapDrill", tapDrillText, choices);
}

std::string ambiguousDiameterIssue(const ToolModel& tool) {
    return tapDiameterIssue(tool, "recon.mark.diameterAmbiguous", ambiguousDiameterText,
                            "\"candidates\":[],\"recommended\":null");
}

void addTapIssues(const ToolModel& tool, std::vector<std::string>& issues) {
    const auto& designations = tool.threadCandidates;
    const bool pipe = std::any_of(designations.begin(), designations.end(),
                                  [](const ThreadCandidate& c) { return detail::isPipeSeries(c.series); });
    const bool named = std::any_of(designations.begin(), designations.end(),
                                   [](const ThreadCandidate& c) { return c.hasSize || c.hasPitch; });
    const NameThreadHint hint = nameThreadHint(tool);
    // Unified and metric pitches do not describe pipe threads, so a pipe tap's pitch is
    // checked only for plausibility.
    const int status = pitchStatus(tool, !pipe);
    TapDrillVerdict verdict;
    if (!pipe)
        verdict = analyzeTapDiameter(tool.diameter, tool.pitch, tool.isMetric,
                                     hint.present ? std::optional<double>(hint.nominal) : std::nullopt,
                                     hint.isMetric);
    if (verdict.kind == 1) {
        const int shown = (status >= 1 && status <= 3) ? status : (verdict.pitchMatches ? 0 : 4);
        if (shown != 0) issues.push_back(threadPitchIssue(tool, shown, true));
        issues.push_back(tapDrillIssue(tool, verdict, hint.present ? hint.isMetric : tool.isMetric));
        return;
    }
    if (status != 0) issues.push_back(threadPitchIssue(tool, status, verdict.kind == 2));
    if (verdict.kind == 2 && named) issues.push_back(ambiguousDiameterIssue(tool));
}

void addThreadIssues(const ToolModel& tool, std::vector<std::string>& issues) {
    if (tool.typeCode == TypeTap) {
        addTapIssues(tool, issues);
        return;
    }
    if (tool.typeCode != TypeThreadMill) return;
    const int status = pitchStatus(tool, false);
    if (status != 0) issues.push_back(threadPitchIssue(tool, status, false));
}

// ---------------------------------------------------------------------------
// Flute, cutting data and number checks

std::optional<std::string> fluteLengthIssue(const ToolModel& tool) {
    const double slack = tool.isMetric ? 0.0001 : 1e-6;
    if (tool.type != "thread_mill" || !(tool.length > 0) || !(tool.pitch > tool.length + slack)) return std::nullopt;
    return issueStart("fluteLength", "fluteLength", "critical", "grow") + ",\"rationale\":" +
           quoteJsonText(fluteLengthText) + ",\"bulkEligible\":false}";
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isFluteMark(char c, char upper) { return c == upper || c == upper - 'A' + 'a'; }

// A count written in the name as "4FL", "3 - fl": digits (not after a digit or a
// point), then blanks and hyphens, then F and L.
std::optional<int> flutesFromName(std::string_view name) {
    for (std::size_t at = 0; at < name.size(); ++at) {
        if (!isDigit(name[at]) || (at > 0 && (isDigit(name[at - 1]) || name[at - 1] == '.'))) continue;
        std::size_t end = at;
        int value = 0;
        for (; end < name.size() && isDigit(name[end]); ++end) value = std::min(value * 10 + (name[end] - '0'), 1000);
        while (end < name.size() && (name[end] == ' ' || name[end] == '\t' || name[end] == '-')) ++end;
        if (value < 1 || value > 16 || end + 1 >= name.size()) continue;
        if (isFluteMark(name[end], 'F') && isFluteMark(name[end + 1], 'L')) return value;
    }
    return std::nullopt;
}

int flutesForType(std::string_view fusionType) {
    if (fusionType == "tap right hand" || fusionType == "tap left hand" || fusionType == "thread mill") return 3;
    if (fusionType == "spot drill" || fusionType == "drill" || fusionType == "center drill" ||
        fusionType == "dovetail mill" || fusionType == "lollipop mill")
        return 2;
    return fusionType == "boring bar" ? 1 : 4;
}

std::optional<std::string> fluteCountIssue(const ToolModel& tool) {
    if (tool.typeCode >= TypeProbe && tool.typeCode <= TypeTurnGrooving) return std::nullopt;
    if (tool.numFlutes >= 2 && tool.numFlutes <= 16) return std::nullopt;
    const auto fromName = flutesFromName(tool.name);
    const int suggestion = fromName ? *fromName : flutesForType(fusionTypeFor(tool));
    return issueStart("fluteCount", "flutes", "review", "setValue") + ",\"rationale\":" +
           quoteJsonText(fluteCountText) + ",\"valueLabel\":\"Current Flute Count\",\"pmValue\":" +
           integer(tool.numFlutes) +
           ",\"candidates\":[],\"recommended\":null,\"autoSelect\":null,\"allowCustom\":true,"
           "\"validate\":{\"min\":1,\"max\":16,\"reviewMin\":2,\"reviewMax\":16,\"integer\":true,"
           "\"unit\":\"flutes\"},\"suggest\":" +
           integer(suggestion) + ",\"suggestSource\":" + (fromName ? "\"name\"" : "\"type\"") +
           ",\"bulkEligible\":false}";
}

std::optional<std::string> cuttingDataIssue(const ToolModel& tool) {
    if (tool.typeCode == TypeProbe || isUnsupportedTypeCode(tool.typeCode)) return std::nullopt;
    const bool hasData = std::any_of(tool.presets.begin(), tool.presets.end(), [](const CuttingPreset& preset) {
        return preset.cuttingSpeed > 0 || preset.feedPerTooth > 0;
    });
    if (hasData) return std::nullopt;
    return acknowledgeIssue("cuttingData", "No cutting data imported.", true);
}

std::optional<std::string> toolNumberIssue(const ToolModel& tool) {
    if (isUnsupportedTypeCode(tool.typeCode) || tool.number >= 1) return std::nullopt;
    return acknowledgeIssue("toolNumber", "No tool number imported.", false);
}

} // namespace

std::string buildToolIssuesJson(const ToolModel& tool) {
    std::vector<std::string> issues;
    addThreadIssues(tool, issues);
    for (const auto& check : {fluteLengthIssue, fluteCountIssue, cuttingDataIssue, toolNumberIssue})
        if (auto issue = check(tool)) issues.push_back(std::move(*issue));
    std::string json = "[";
    for (const std::string& issue : issues) {
        if (json.size() > 1) json += ",";
        json += issue;
    }
    return json + "]";
}

} // namespace Corvana
