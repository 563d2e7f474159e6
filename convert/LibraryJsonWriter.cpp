#include "convert/LibraryJsonWriter.h"

#include "sources/JsonText.h"
#include "sources/NumberText.h"

#include <array>
#include <string_view>

namespace Corvana {
namespace {

constexpr std::array<std::string_view, 45> kStrategyNames = {
    "adaptive2d", "bore", "circular", "contour2d", "face", "path3d", "pocket2d", "slot", "thread",
    "adaptive", "contour_new", "flat", "horizontal_new", "morph", "morphed_spiral", "parallel_new",
    "pencil_new", "pocket_new", "project", "radial_new", "ramp", "rest_finishing", "scallop_new",
    "spiral_new", "steep_and_shallow", "valley", "drill", "blend", "flow2", "moduleworks_4axis_finishing",
    "moduleworks_4axis_roughing", "moduleworks_automatic_deburring", "moduleworks_multiaxis_roughing",
    "moduleworks_swarf", "moduleworks_three_plus_two", "multiAxisContour", "multiAxisMorph",
    "rotary_finishing", "swarf5d", "cldToolpath", "contact", "rest_area", "tool", "tool_turning",
    "toolpath_edit_tool_change"};

// Writes "key": preceded by a comma unless the key opens its object.
void appendKey(std::string& out, std::string_view key) {
    if (!out.empty() && out.back() != '{') out += ',';
    out += '"';
    out += key;
    out += "\":";
}

void appendNumber(std::string& out, std::string_view key, double value, int precision = 6) {
    appendKey(out, key);
    appendJsonNumber(out, value, precision);
}

void appendInteger(std::string& out, std::string_view key, std::int32_t value) {
    appendKey(out, key);
    appendIntegerText(out, value);
}

void appendBool(std::string& out, std::string_view key, bool value) {
    appendKey(out, key);
    out += value ? "true" : "false";
}

void appendText(std::string& out, std::string_view key, std::string_view text) {
    appendKey(out, key);
    appendQuotedJson(out, text);
}

void appendRows(std::string& out, const std::vector<ProfileRow>& rows) {
    out += '[';
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out += i == 0 ? "{" : ",{";
        appendNumber(out, "height", rows[i].height);
        appendNumber(out, "lower-diameter", rows[i].lowerDiameter);
        appendNumber(out, "upper-diameter", rows[i].upperDiameter);
        out += '}';
    }
    out += ']';
}

void appendTypedValue(std::string& out, const TypedParam& param) {
    appendKey(out, param.key);
    if (param.kind == ParamRaw)
        out += param.text;
    else if (param.kind == ParamText)
        appendQuotedJson(out, param.text);
    else
        appendJsonNumber(out, param.number, 6);
}

void appendGeometry(std::string& out, const FusionGeometry& geometry) {
    appendKey(out, "geometry");
    out += '{';
    appendNumber(out, "DC", geometry.DC);
    appendNumber(out, "LB", geometry.LB);
    appendInteger(out, "NOF", geometry.NOF);
    appendNumber(out, "OAL", geometry.OAL);
    appendNumber(out, "SFDM", geometry.SFDM);
    appendNumber(out, "shoulder-diameter", geometry.shoulderDiameter);
    if (geometry.writeCuttingLength) {
        appendNumber(out, "LCF", geometry.LCF);
        appendNumber(out, "shoulder-length", geometry.shoulderLength);
    }
    for (const auto& param : geometry.numericParams) appendNumber(out, param.key, param.value);
    for (const auto& param : geometry.typedParams) appendTypedValue(out, param);
    out += '}';
}

void appendToolHolder(std::string& out, const FusionHolder& holder) {
    appendKey(out, "holder");
    out += '{';
    appendText(out, "description", holder.description);
    appendNumber(out, "gauge-length", holder.gaugeLength);
    appendText(out, "guid", holder.guid);
    appendText(out, "product-id", holder.productId);
    appendText(out, "product-link", holder.productLink);
    appendText(out, "type", "holder");
    appendText(out, "unit", holder.unit);
    appendText(out, "vendor", holder.vendor);
    if (!holder.segments.empty()) {
        appendKey(out, "segments");
        appendRows(out, holder.segments);
    }
    out += '}';
}

void appendPostProcess(std::string& out, const PostProcessBlock& block) {
    appendKey(out, "post-process");
    out += '{';
    appendBool(out, "break-control", block.breakControl);
    appendText(out, "comment", block.comment);
    appendInteger(out, "diameter-offset", block.diameterOffset);
    appendInteger(out, "length-offset", block.lengthOffset);
    appendBool(out, "live", block.live);
    appendBool(out, "manual-tool-change", block.manualToolChange);
    appendInteger(out, "number", block.number);
    appendInteger(out, "turret", block.turret);
    out += '}';
}

// The quoted strategy names joined by commas, built once.
const std::string& allStrategiesText() {
    static const std::string text = [] {
        std::string joined;
        for (const auto name : kStrategyNames) {
            if (!joined.empty()) joined += ',';
            joined += '"';
            joined += name;
            joined += '"';
        }
        return joined;
    }();
    return text;
}

void appendStrategyList(std::string& out, std::string_view key, bool assigned) {
    appendKey(out, key);
    out += '[';
    if (assigned) out += allStrategiesText();
    out += ']';
}

void appendOptionalDepth(std::string& out, std::string_view key, std::string_view useKey, double value,
                         bool used, int precision) {
    if (used) appendNumber(out, key, value, precision);
    appendBool(out, useKey, used);
}

void appendPreset(std::string& out, const FusionPreset& preset, int precision) {
    out += '{';
    appendText(out, "description", preset.description);
    appendNumber(out, "f_n", preset.f_n, 8);
    appendNumber(out, "f_z", preset.f_z, precision);
    appendText(out, "guid", preset.guid);
    appendKey(out, "material");
    out += preset.materialQuery.empty() ? std::string_view("{}") : std::string_view(preset.materialQuery);
    if (preset.hasCoolant) appendText(out, "tool-coolant", preset.toolCoolant);
    appendInteger(out, "n", preset.n);
    appendInteger(out, "n_ramp", preset.nRamp);
    appendText(out, "name", preset.name);
    if (preset.hasStrategies) {
        appendKey(out, "strategies");
        out += '{';
        appendStrategyList(out, "finishing", preset.finishing);
        appendStrategyList(out, "roughing", preset.roughing);
        out += '}';
    }
    appendOptionalDepth(out, "stepdown", "use-stepdown", preset.stepdown, preset.useStepdown, precision);
    appendOptionalDepth(out, "stepover", "use-stepover", preset.stepover, preset.useStepover, precision);
    appendNumber(out, "v_c", preset.v_c, 3);
    appendNumber(out, "v_f", preset.v_f, 4);
    appendNumber(out, "v_f_leadIn", preset.v_f_leadIn, 4);
    appendNumber(out, "v_f_leadOut", preset.v_f_leadOut, 4);
    appendNumber(out, "v_f_plunge", preset.v_f_plunge, 4);
    appendNumber(out, "v_f_ramp", preset.v_f_ramp, 4);
    appendNumber(out, "v_f_retract", preset.v_f_retract, 4);
    appendNumber(out, "v_f_transition", preset.v_f_transition, 4);
    out += '}';
}

bool isBlankText(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// The items of the extra presets array. A blank inside would leave a dangling
// comma behind the generated presets, so it counts as nothing.
std::string_view extraPresetItems(std::string_view text) {
    const std::size_t open = text.find('[');
    const std::size_t close = text.rfind(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close <= open + 1) return {};
    const std::string_view items = text.substr(open + 1, close - open - 1);
    return isBlankText(items) ? std::string_view() : items;
}

void appendPresets(std::string& out, const FusionToolRecord& record) {
    const int precision = record.unit == "millimeters" ? 3 : 4;
    for (std::size_t k = 0; k < record.presets.size(); ++k) {
        if (k > 0) out += ',';
        appendPreset(out, record.presets[k], precision);
    }
    const std::string_view extra = extraPresetItems(record.extraPresetsText);
    if (extra.empty()) return;
    if (!record.presets.empty()) out += ',';
    out += extra;
}

void appendToolHead(std::string& out, const FusionToolRecord& record) {
    if (record.writeBodyMaterial) appendText(out, "BMC", record.bodyMaterial);
    appendText(out, "CT", record.fusionType);
    appendBool(out, "CSP", record.clearanceStep);
    appendText(out, "description", record.description);
    appendText(out, "guid", record.guid);
    appendInteger(out, "number-of-flutes", record.fluteCount);
    appendBool(out, "pre-setting", record.presetting);
    appendText(out, "product-id", record.productId);
    appendText(out, "product-link", record.productLink);
    if (record.isTapered) appendText(out, "tapered-type", record.taperedType);
    appendText(out, "type", record.fusionType);
    appendText(out, "unit", record.unit);
    appendText(out, "vendor", record.vendor);
}

void appendToolEntry(std::string& out, const FusionToolRecord& record) {
    out += '{';
    appendToolHead(out, record);
    appendGeometry(out, record.geometry);
    if (record.hasShaft) {
        appendKey(out, "shaft");
        out += "{\"segments\":";
        appendRows(out, record.shaft);
        out += '}';
    }
    if (record.hasHolder) appendToolHolder(out, record.holder);
    appendPostProcess(out, record.postProcess);
    appendKey(out, "start-values");
    out += "{\"presets\":[";
    appendPresets(out, record);
    out += "]}}";
}

void appendLibraryHolder(std::string& out, const LibraryHolder& holder) {
    out += '{';
    appendText(out, "description", holder.description);
    appendNumber(out, "gaugeLength", holder.gaugeLength);
    appendText(out, "guid", holder.guid);
    appendText(out, "product-id", holder.productId);
    appendText(out, "type", "holder");
    appendText(out, "unit", holder.unit);
    appendText(out, "vendor", holder.vendor);
    appendKey(out, "segments");
    appendRows(out, holder.segments);
    out += '}';
}

LibraryHolder libraryHolder(DistinctHolder distinct, std::size_t position) {
    LibraryHolder holder;
    holder.description = std::move(distinct.name);
    holder.gaugeLength = distinct.gaugeLength;
    holder.unit = distinct.isMetric ? "millimeters" : "inches";
    holder.guid = makeStableGuid(static_cast<std::int32_t>(70000 + position));
    holder.segments = std::move(distinct.rows);
    return holder;
}

} // namespace

LibraryDocumentStream::LibraryDocumentStream(TextSink textSink, std::string_view description, bool metricUnits,
                                             LibraryJsonMode documentMode)
    : sink(std::move(textSink)), mode(documentMode) {
    pending.reserve(kPieceChars + kPieceChars / 4);
    pending += '{';
    appendText(pending, "description", description);
    appendText(pending, "guid", makeStableGuid(99999));
    appendText(pending, "units", metricUnits ? "millimeters" : "inches");
    appendInteger(pending, "version", 2);
    appendKey(pending, "data");
    pending += '[';
}

void LibraryDocumentStream::beginEntry() {
    if (!firstEntry) pending += ',';
    firstEntry = false;
}

void LibraryDocumentStream::deliver(bool whenFull) {
    if (whenFull && pending.size() < kPieceChars) return;
    if (ok && !pending.empty()) ok = sink(pending);
    pending.clear();
}

void LibraryDocumentStream::add(const ToolModel& tool, std::int32_t index, const std::string& identifier) {
    if (mode != ToolsOnly) holders.add(tool);
    if (mode == HoldersOnly || !ok) return;
    beginEntry();
    appendToolEntry(pending, toFusionToolRecord(tool, index, identifier));
    deliver(true);
}

bool LibraryDocumentStream::finish() {
    std::vector<DistinctHolder> distinct = holders.take();
    for (std::size_t k = 0; k < distinct.size() && ok; ++k) {
        beginEntry();
        appendLibraryHolder(pending, libraryHolder(std::move(distinct[k]), k));
        deliver(true);
    }
    pending += "]}";
    deliver(false);
    return ok;
}

} // namespace Corvana
