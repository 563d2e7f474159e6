#include "convert/Classification.h"

#include "convert/TextMatch.h"
#include "convert/ThreadStandards.h"
#include "platform/AsciiText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <numbers>
#include <utility>

namespace Corvana {
namespace {

// One row per KeywordKind; empty cells are unused.
struct KeywordRow {
    std::array<std::string_view, 2> containedCompact;
    std::array<std::string_view, 2> wordStartCompact;
    std::array<std::string_view, 4> wholeWordUpper;
};

constexpr std::array<KeywordRow, 7> keywordRows{{
    {{"COUNTERSINK"}, {"CSINK", "CSK"}, {}},
    {{"COUNTERBORE", "SPOTFACE"}, {"CBORE"}, {}},
    {{}, {"REAM"}, {}},
    {{"BORINGBAR", "IDBORING"}, {"BORING"}, {}},
    {{"SHELLMILL", "FLYCUTTER"}, {"FACEMILL", "FACECUTTER"}, {"INSERT", "INDEX", "BUTTON", "SHOULDER"}},
    {{"CENTERDRILL", "CENTREDRILL"}, {"CDRILL"}, {}},
    {{"SPOTDRILL"}, {"SPOT"}, {}},
}};

constexpr std::array<std::string_view, 7> keywordFusionTypes{
    "counter sink", "counter bore", "reamer", "boring bar",
    "face mill",    "center drill", "spot drill",
};

// Indexed by ToolTypeCode.
constexpr std::array<std::string_view, 18> defaultFusionTypes{
    "flat end mill", "flat end mill", "ball end mill", "bull nose end mill",
    "tapered mill",  "tapered mill",  "slot mill",     "circle segment barrel",
    "dovetail mill", "flat end mill", "drill",         "tap right hand",
    "thread mill",   "probe",         "flat end mill", "flat end mill",
    "flat end mill", "flat end mill",
};

template <std::size_t Count, typename Match>
bool anyCell(const std::array<std::string_view, Count>& cells, Match&& match) {
    return std::any_of(cells.begin(), cells.end(),
                       [&](std::string_view cell) { return !cell.empty() && match(cell); });
}

bool hasKeyword(const KeywordRow& row, const FoldedText& compact, const FoldedText& whole) {
    return anyCell(row.containedCompact, [&](std::string_view w) { return containsText(compact, w); }) ||
           anyCell(row.wordStartCompact, [&](std::string_view w) { return matchWordStart(compact, w); }) ||
           anyCell(row.wholeWordUpper, [&](std::string_view w) { return matchWholeWord(whole, w); });
}

std::vector<std::int32_t> keywordKindsIn(std::string_view text) {
    const FoldedText compact = compactView(text);
    const FoldedText whole(text);
    std::vector<std::int32_t> kinds;
    for (std::size_t kind = 0; kind < keywordRows.size(); ++kind)
        if (hasKeyword(keywordRows[kind], compact, whole)) kinds.push_back(static_cast<std::int32_t>(kind));
    return kinds;
}

// Bit k set: KeywordKind k may override the PowerMill type.
unsigned permittedKinds(std::string_view typeKey) {
    if (typeKey == "end_mill") return 0b0011111;
    if (typeKey == "tip_radiused") return 0b0011110;
    if (typeKey == "taper_spherical") return 0b1100001;
    if (typeKey == "drill") return 0b1101111;
    return 0;
}

std::string keywordOr(const ToolModel& tool, std::string_view typeKey, std::string_view fallback) {
    std::string type = keywordTypeFor(tool.keywordKinds, typeKey);
    return type.empty() ? std::string(fallback) : type;
}

std::string tippedDiscType(const ToolModel& tool) {
    if (!(tool.diameter > 0) || !(tool.tipRadius >= 0.495 * tool.diameter)) return "slot mill";
    return 0.47 * tool.diameter > tool.upperTipRadius ? "ball end mill" : "lollipop mill";
}

std::string offCentreType(const ToolModel& tool) {
    const CircleSegmentKind kind = analyzeCircleSegment(tool).kind;
    if (kind == CircleSegmentKind::Lens) return "circle segment lens";
    if (kind == CircleSegmentKind::Oval) return "circle segment oval";
    return "flat end mill";
}

std::string tapType(const ToolModel& tool) {
    if (tool.tapHand == 0) return "tap left hand";
    if (tool.tapHand == 1) return "tap right hand";
    return detectHand(tool.name) == 1 ? "tap left hand" : "tap right hand";
}

// The arc of an off-centre tip radius reaching past the tool's radius.
CircleSegmentInfo reachingArc(const ToolModel& tool, double cx, double h, double cy, double r) {
    CircleSegmentInfo info;
    // Clamped on both sides: a negative diameter would push acos out of its domain.
    const double c = std::clamp((cx + h) / r, -1.0, 1.0);
    info.angle = std::acos(c) * 180 / std::numbers::pi;
    const double height = std::sqrt(r * r - cy * cy) + tool.tipRadiusCentreX;
    const double shallowDepth = tool.isMetric ? 0.25 : 0.01;
    info.kind = CircleSegmentKind::Other;
    if (info.angle > 10 && (1 - c) * r > shallowDepth) {
        info.steep = true;
        return info;
    }
    if (height > 0.0001) {
        info.kind = CircleSegmentKind::Oval;
        info.height = height;
    }
    return info;
}

struct MaterialDefaultsStore {
    std::mutex mutex;
    std::map<std::string, std::string> values;
};

std::map<std::string, std::string> builtInMaterialDefaults() {
    return {
        {"millingTools", "carbide"}, {"drills", "carbide"}, {"spotDrills", "carbide"},
        {"centerDrills", "hss"},     {"counterbore", "hss"}, {"taps", "hss"},
        {"reamers", "carbide"},
    };
}

// Written on the main thread while conversion workers read it, hence the lock.
MaterialDefaultsStore& materialStore() {
    static MaterialDefaultsStore store{{}, builtInMaterialDefaults()};
    return store;
}

struct MaterialQueryRow {
    std::string_view needle;
    std::string_view name;
    std::string_view category;
};

constexpr std::array<MaterialQueryRow, 10> materialQueryRows{{
    {"alum", "Aluminum", "metal"},
    {"stainless", "Stainless Steel", "metal"},
    {"tool steel", "High Carbon Steel", "metal"},
    {"mild", "Low Carbon Steel", "metal"},
    {"low carbon", "Low Carbon Steel", "metal"},
    {"titanium", "Titanium", "metal"},
    {"brass", "Brass", "metal"},
    {"copper", "Copper", "metal"},
    {"plastic", "Plastics", "plastic"},
    {"steel", "Low Carbon Steel", "metal"},
}};

bool isUsablePreset(const CuttingPreset& preset) {
    return preset.cuttingSpeed > 0 || preset.feedPerTooth > 0;
}

// Tags (each followed by a blank), description and name, in that order.
using ClassifiedTexts = std::array<std::string_view, 3>;

// The first text naming exactly one body material decides it.
void applyToolMaterial(ToolModel& tool, const ClassifiedTexts& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string material = detectToolMaterial(texts[i]);
        if (material.empty()) continue;
        tool.toolMaterial = std::move(material);
        tool.toolMaterialSource = static_cast<TextSource>(i + 1);
        return;
    }
}

void applyKeywordKinds(ToolModel& tool, const ClassifiedTexts& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::vector<std::int32_t> kinds = keywordKindsIn(texts[i]);
        if (kinds.empty()) continue;
        tool.keywordKinds = std::move(kinds);
        tool.keywordSource = static_cast<TextSource>(i + 1);
        return;
    }
}

// Roughing and finishing hits from all texts; both together cancel out.
ToolRole roleOf(const ClassifiedTexts& texts) {
    bool roughing = false;
    bool finishing = false;
    for (const auto text : texts) {
        const ToolRole role = detectRole(text);
        roughing = roughing || role == ToolRole::Roughing;
        finishing = finishing || role == ToolRole::Finishing;
    }
    if (roughing == finishing) return ToolRole::None;
    return roughing ? ToolRole::Roughing : ToolRole::Finishing;
}

} // namespace

void classifyTool(ToolModel& tool) {
    if (tool.classified) return;
    std::string tagText;
    for (const auto& tag : tool.tags) {
        tagText += tag;
        tagText += ' ';
    }
    const ClassifiedTexts texts{tagText, tool.description, tool.name};
    applyToolMaterial(tool, texts);
    tool.nameHand = detectHand(tool.name);
    if (tool.nameHand != 0) tool.handSource = TextSource::Name;
    tool.clockwise = tool.nameHand != 1;
    tool.threadCandidates = parseThreadDesignations(tool.name);
    applyKeywordKinds(tool, texts);
    tool.rfRole = roleOf(texts);
    tool.classified = true;
}

ToolProgressFn classifyingProgress(ToolProgressFn next) {
    return [next = std::move(next)](std::int32_t index, std::int32_t total, ToolModel* tool) {
        if (tool) classifyTool(*tool);
        if (next) next(index, total, tool);
    };
}

std::string fusionTypeFor(const ToolModel& tool) {
    switch (tool.typeCode) {
    case TypeEndMill: return keywordOr(tool, "end_mill", "flat end mill");
    case TypeTipRadiused: return keywordOr(tool, "tip_radiused", "bull nose end mill");
    case TypeTaperSpherical: return keywordOr(tool, "taper_spherical", "tapered mill");
    case TypeTippedDisc: return tippedDiscType(tool);
    case TypeOffCentreTipRad: return offCentreType(tool);
    case TypeDrill: return keywordOr(tool, "drill", "drill");
    case TypeTap: return tapType(tool);
    default: return defaultFusionType(tool.typeCode);
    }
}

std::string defaultFusionType(std::int32_t typeCode) {
    if (typeCode < 0 || static_cast<std::size_t>(typeCode) >= defaultFusionTypes.size())
        return "flat end mill";
    return std::string(defaultFusionTypes[static_cast<std::size_t>(typeCode)]);
}

std::string keywordTypeFor(const std::vector<std::int32_t>& kinds, std::string_view typeKey) {
    const unsigned permitted = permittedKinds(typeKey);
    for (std::int32_t kind = 0; kind < static_cast<std::int32_t>(keywordFusionTypes.size()); ++kind) {
        if ((permitted & (1u << kind)) == 0) continue;
        if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) continue;
        return std::string(keywordFusionTypes[static_cast<std::size_t>(kind)]);
    }
    return {};
}

CircleSegmentInfo analyzeCircleSegment(const ToolModel& tool) {
    if (tool.type != "off_centre_tip_rad") return {};
    const double cx = std::fabs(tool.tipRadiusCentreX);
    const double h = tool.diameter / 2;
    const double cy = tool.tipRadiusCentreY;
    const double r = tool.tipRadius;
    const bool near = cy > 1e-6 && std::fabs(r - cy) / cy < 0.05;
    if (cx < 1e-6 && near) return {CircleSegmentKind::Lens, 0, 0, false};
    if (r > h && cy > 1e-9 && r > cy && r - h + 1e-9 >= cx) return reachingArc(tool, cx, h, cy, r);
    return {CircleSegmentKind::Other, 0, 0, false};
}

std::string libraryCategoryFor(std::string_view fusionType) {
    if (fusionType == "spot drill") return "spotDrills";
    if (fusionType == "center drill") return "centerDrills";
    if (fusionType == "counter bore") return "counterbore";
    if (fusionType == "drill" || fusionType == "counter sink") return "drills";
    if (fusionType == "reamer") return "reamers";
    if (fusionType == "boring bar") return "boringTools";
    if (fusionType == "tap right hand" || fusionType == "tap left hand") return "taps";
    return "millingTools";
}

std::string defaultToolMaterialFor(std::string_view categoryKey) {
    auto& store = materialStore();
    const std::lock_guard lock(store.mutex);
    const auto found = store.values.find(std::string(categoryKey));
    return found == store.values.end() ? "carbide" : found->second;
}

std::map<std::string, std::string> materialDefaults() {
    auto& store = materialStore();
    const std::lock_guard lock(store.mutex);
    return store.values;
}

void setMaterialDefault(const std::string& categoryKey, const std::string& material) {
    auto& store = materialStore();
    const std::lock_guard lock(store.mutex);
    store.values[categoryKey] = material;
}

void resetMaterialDefaults() {
    auto& store = materialStore();
    const std::lock_guard lock(store.mutex);
    store.values = builtInMaterialDefaults();
}

std::string materialQueryFor(std::string_view material) {
    const FoldedText folded(material);
    for (const auto& row : materialQueryRows) {
        if (!containsText(folded, row.needle)) continue;
        std::string query = "{\"category\":\"";
        query += row.category;
        query += "\",\"query\":\"";
        query += row.name;
        query += "\",\"use-hardness\":false}";
        return query;
    }
    return "{\"category\":\"all\",\"query\":\"\",\"use-hardness\":false}";
}

std::string fusionCoolantFor(std::string_view coolant) {
    const std::string lower = lowerAscii(coolant);
    if (lower == "none") return "disabled";
    if (lower == "mist") return "mist";
    if (lower == "air") return "air";
    if (lower == "thru") return "tool";
    if (lower == "both") return "flood tool";
    return "flood";
}

std::string materialDisplayName(std::string_view material) {
    const std::string lower = lowerAscii(material);
    if (lower.empty() || lower == "none" || lower == "undefined" || lower == "unspecified")
        return "Unspecified Material";
    return std::string(material);
}

std::vector<NamedPreset> presetNamesFor(const ToolModel& tool) {
    std::map<std::string_view, int> usableByMaterial;
    for (const auto& preset : tool.presets)
        if (isUsablePreset(preset)) ++usableByMaterial[preset.material];

    std::vector<NamedPreset> named;
    for (const auto& preset : tool.presets) {
        if (!isUsablePreset(preset)) continue;
        const bool shared = usableByMaterial[preset.material] >= 2;
        std::string display = "PM: " + materialDisplayName(preset.material) + " - ";
        display += shared ? preset.name : std::string("General");
        named.push_back({std::move(display), &preset});
    }
    return named;
}

std::string detectToolMaterial(std::string_view text) {
    const FoldedText folded(text);
    const bool hss = matchWholeWord(folded, "HSS") || containsText(squeezedView(text), "HIGHSPEED");
    const bool carbide = containsText(folded, "CARBIDE");
    if (hss == carbide) return {};
    return hss ? "hss" : "carbide";
}

ToolRole detectRole(std::string_view text) {
    const FoldedText folded(text);
    const auto anyWord = [&](std::initializer_list<std::string_view> words) {
        return std::any_of(words.begin(), words.end(),
                           [&](std::string_view word) { return matchWholeWord(folded, word); });
    };
    const bool roughing = anyWord({"ROUGH", "ROUGHER", "ROUGHING", "RUF"});
    const bool finishing = anyWord({"FINISH", "FINISHER", "FINISHING", "FIN", "SEMIFINISH"});
    if (roughing == finishing) return ToolRole::None;
    return roughing ? ToolRole::Roughing : ToolRole::Finishing;
}

bool hasFusionType(const ToolModel& tool) {
    if (isUnsupportedTypeCode(tool.typeCode)) return false;
    return tool.typeCode != TypeOffCentreTipRad || analyzeCircleSegment(tool).kind != CircleSegmentKind::Other;
}

} // namespace Corvana
