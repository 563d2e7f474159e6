#include "sources/MdbReader.h"

#include "platform/AsciiText.h"
#include "sources/FormCurve.h"
#include "sources/NumberText.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <map>
#include <numbers>
#include <optional>
#include <unordered_map>

namespace Corvana {
namespace {

constexpr double kTiny = 1e-9;

struct ToolTable {
    const char* name;
    std::string_view typeKey;
};

// Reading order; each table's rows start with its PowerMill type key.
constexpr std::array<ToolTable, 15> kToolTables{{
    {"EndMills", "end_mill"},
    {"FaceMills", "end_mill"},
    {"BoringBars", "end_mill"},
    {"CounterBores", "end_mill"},
    {"PlungeRoughers", "end_mill"},
    {"RoundingMills", "tip_radiused"},
    {"SideMills", "tipped_disc"},
    {"TwistDrills", "drill"},
    {"SpotDrills", "drill"},
    {"CounterSinks", "drill"},
    {"ChamferMills", "taper_tipped"},
    {"Taps", "tap"},
    {"ThreadMills", "thread_mill"},
    {"BarrelCutters", "barrel"},
    {"DovetailCutters", "dovetail"},
}};

// Every column a tool row may use; tables hold different subsets.
const std::vector<std::string>& toolColumns() {
    static const std::vector<std::string> columns{
        "Name", "Metric", "DefaultToolSlot", "Flutes", "Teeth", "HolderName", "Comment", "Material",
        "Diameter", "OverallLength", "FullCutterLength", "CutterLength", "CutterWidth", "ExposedLength",
        "FormCurve", "EndRadius", "CornerRadius", "CornerRad", "TipRadius", "Taper", "TipAngle", "Angle",
        "EndRadiusOffsetX", "EndRadiusOffsetY", "CutterDiameter", "IsCenterDrill", "Pitch", "MinPitch",
        "MaxPitch", "TPI", "BarrelRadius", "OffsetY", "UpperTipRadius", "FlatBottom", "ShankDiameter",
        "ShankLowerDiameter", "ShankLowerHeight", "ShankTaperHeight"};
    return columns;
}

// Column positions of one query result by name, built once per query.
class ColumnIndex {
public:
    explicit ColumnIndex(const std::vector<std::string>& columns) {
        for (std::size_t i = 0; i < columns.size(); ++i) positions.emplace(columns[i], i);
    }

    const FieldValue* find(const DatabaseRow& row, std::string_view name) const {
        const auto found = positions.find(name);
        if (found == positions.end() || found->second >= row.fields.size()) return nullptr;
        return &row.fields[found->second];
    }

private:
    std::unordered_map<std::string_view, std::size_t> positions;  // views into the result's names
};

std::optional<std::int32_t> integerFromText(std::string_view text) {
    const auto value = parseLeadingDouble(text);
    if (!value) return std::nullopt;
    const double rounded = std::nearbyint(*value);
    if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

// The field readers of one row. Absent, null, empty and unconvertible values
// all read as missing and give the reader's default.
class FieldReader {
public:
    FieldReader(const ColumnIndex& columnIndex, const DatabaseRow& databaseRow)
        : index(columnIndex), row(databaseRow) {}

    std::string_view text(std::string_view name) const {
        const FieldValue* value = index.find(row, name);
        if (value == nullptr || value->state != FieldState::Value) return {};
        return value->text;
    }
    double number(std::string_view name) const { return parseLeadingDouble(text(name)).value_or(0); }
    std::optional<std::int32_t> integerIfPresent(std::string_view name) const { return integerFromText(text(name)); }
    std::int32_t integer(std::string_view name) const { return integerIfPresent(name).value_or(0); }
    bool boolean(std::string_view name) const {
        const std::string_view value = text(name);
        if (const auto numeric = parseLeadingDouble(value)) return *numeric != 0;
        return equalsIgnoringAsciiCase(value, "true");
    }

private:
    const ColumnIndex& index;
    const DatabaseRow& row;
};

struct FeedSpeedRecord {
    double finishFeed = 0;
    double finishSpeed = 0;
    double finishDOC = 0;
    double finishOffset = 0;
    double roughFeed = 0;
    double roughSpeed = 0;
    double roughDOC = 0;
    double roughOffset = 0;
    std::string coolantName;
};

struct FeedSpeedMatch {
    std::string_view toolPart;  // the name before its last '/', a view into the map's key
    std::string_view materialLabel;
    const FeedSpeedRecord* record = nullptr;
};

using IdNames = std::unordered_map<std::int32_t, std::string>;
using FeedSpeedMap = std::map<std::string, FeedSpeedRecord>;  // ascending by name

struct Lookups {
    IdNames materials;
    std::unordered_map<std::string, std::vector<HolderSegment>> holders;
    FeedSpeedMap feedSpeeds;
    // Entries by the last '/'-bounded part of their tool part, in ascending name order.
    std::unordered_map<std::string_view, std::vector<FeedSpeedMatch>> feedSpeedsByLastPart;
};

// A missing id matches no lookup row.
std::string nameOf(const IdNames& names, std::optional<std::int32_t> id) {
    if (!id) return {};
    const auto found = names.find(*id);
    return found == names.end() ? std::string() : found->second;
}

// Rows without a usable id name nothing: mapping them to id 0 would give
// their name to every tool whose own id is missing.
IdNames readIdNames(ToolDatabase& database, const char* table, const char* idColumn, const char* nameColumn) {
    IdNames names;
    const TableRows rows = database.readRows(table, {idColumn, nameColumn});
    if (!rows.ok) return names;
    const ColumnIndex index(rows.columns);
    for (const DatabaseRow& row : rows.rows) {
        if (row.failed) break;  // a read error ends the query; what was read stays
        const FieldReader fields(index, row);
        const auto id = fields.integerIfPresent(idColumn);
        if (id) names[*id] = std::string(fields.text(nameColumn));
    }
    return names;
}

// An unreadable row or a broken curve ends the holder query; the holders read
// before it stay.
void readHolders(ToolDatabase& database, Lookups& lookups) {
    const TableRows rows = database.readRows("ToolHolders", {"Name", "FormCurve", "Metric"});
    if (!rows.ok) return;
    const ColumnIndex index(rows.columns);
    for (const DatabaseRow& row : rows.rows) {
        if (row.failed) return;
        const FieldReader fields(index, row);
        const std::string_view name = fields.text("Name");
        const std::string_view curve = fields.text("FormCurve");
        if (name.empty() || curve.empty()) continue;
        const auto points = parseFormCurve(curve);
        if (!points) return;
        lookups.holders[std::string(name)] = formCurveToHolder(*points, fields.boolean("Metric"));
    }
}

void readFeedSpeeds(ToolDatabase& database, const IdNames& coolants, Lookups& lookups) {
    const TableRows rows = database.readRows(
        "FeedSpeed", {"Name", "H1GeneralFinishFeed", "H1GeneralFinishSpeed", "H1GeneralFinishDOC",
                      "H1GeneralFinishOffset", "H1GeneralRoughFeed", "H1GeneralRoughSpeed", "H1GeneralRoughDOC",
                      "H1GeneralRoughOffset", "Coolant"});
    if (!rows.ok) return;
    const ColumnIndex index(rows.columns);
    for (const DatabaseRow& row : rows.rows) {
        if (row.failed) break;
        const FieldReader fields(index, row);
        const std::string_view name = fields.text("Name");
        if (name.empty()) continue;
        FeedSpeedRecord record{fields.number("H1GeneralFinishFeed"), fields.number("H1GeneralFinishSpeed"),
                               fields.number("H1GeneralFinishDOC"),  fields.number("H1GeneralFinishOffset"),
                               fields.number("H1GeneralRoughFeed"),  fields.number("H1GeneralRoughSpeed"),
                               fields.number("H1GeneralRoughDOC"),   fields.number("H1GeneralRoughOffset"),
                               {}};
        record.coolantName = nameOf(coolants, fields.integerIfPresent("Coolant"));
        lookups.feedSpeeds[std::string(name)] = std::move(record);
    }
}

std::string_view lastPart(std::string_view text) {
    const std::size_t slash = text.rfind('/');
    return slash == std::string_view::npos ? text : text.substr(slash + 1);
}

// Names read "<library>/<tool>/<material>". Tool names may hold a '/' of
// their own ("TAP 1/4-20 UNC"), so an entry belongs to a tool whose name is
// any '/'-bounded tail of the text before the last '/', the whole text
// included. Such a tail ends with that text's last part, so entries are filed
// under it once: the index stays linear in the names however many '/' they hold.
void indexFeedSpeeds(Lookups& lookups) {
    for (const auto& [name, record] : lookups.feedSpeeds) {
        const std::size_t last = name.rfind('/');
        if (last == std::string::npos || last < 1) continue;
        const std::string_view text(name);
        const std::string_view toolPart = text.substr(0, last);
        lookups.feedSpeedsByLastPart[lastPart(toolPart)].push_back({toolPart, text.substr(last + 1), &record});
    }
}

// The tool part is the tool name, or ends with '/' and the tool name.
bool namesTool(std::string_view toolPart, std::string_view toolName) {
    if (!toolPart.ends_with(toolName)) return false;
    return toolPart.size() == toolName.size() || toolPart[toolPart.size() - toolName.size() - 1] == '/';
}

std::vector<CuttingPreset> presetsFromFeedSpeed(const FeedSpeedRecord& record, const std::string& materialLabel) {
    std::vector<CuttingPreset> presets;
    if (record.roughSpeed > 0 || record.roughFeed > 0)
        presets.push_back({"Roughing", materialLabel, record.coolantName, record.roughSpeed, record.roughFeed,
                           record.roughOffset, record.roughDOC});
    if (record.finishSpeed > 0 || record.finishFeed > 0)
        presets.push_back({"Finishing", materialLabel, record.coolantName, record.finishSpeed, record.finishFeed,
                           record.finishOffset, record.finishDOC});
    return presets;
}

// Row values the later steps need beside the tool's own fields.
struct RowGeometry {
    double overallLength = 0;
    double taper = 0;
    std::vector<FormPoint> profile;
};

double firstNonZero(const FieldReader& fields, std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names)
        if (const double value = fields.number(name); value != 0) return value;
    return 0;
}

void readIdentity(ToolModel& tool, const FieldReader& fields, std::string_view typeKey, const IdNames& materials) {
    tool.isMetric = fields.boolean("Metric");
    tool.name = std::string(fields.text("Name"));
    tool.identifier = tool.name;
    tool.entityName = tool.name;
    tool.sourceKind = "MDB";
    tool.type = std::string(typeKey);
    tool.number = fields.integer("DefaultToolSlot");
    tool.numFlutes = fields.integer("Flutes");
    if (tool.numFlutes == 0) tool.numFlutes = fields.integer("Teeth");
    if (tool.numFlutes == 0) tool.numFlutes = 2;
    tool.holderName = std::string(fields.text("HolderName"));
    tool.description = std::string(fields.text("Comment"));
    tool.material = nameOf(materials, fields.integerIfPresent("Material"));
}

RowGeometry readDimensions(ToolModel& tool, const FieldReader& fields) {
    RowGeometry geometry;
    tool.diameter = fields.number("Diameter");
    geometry.overallLength = fields.number("OverallLength");
    tool.length = firstNonZero(fields, {"FullCutterLength", "CutterLength", "CutterWidth"});
    const double exposed = fields.number("ExposedLength");
    tool.overhang = exposed > kTiny ? exposed : geometry.overallLength;
    tool.tipRadius = firstNonZero(fields, {"EndRadius", "CornerRadius", "CornerRad", "TipRadius"});
    geometry.taper = fields.number("Taper");
    return geometry;
}

// A profile step below the cutting length that rises and changes radius by
// more than 2 % of the diameter marks a form cutter.
bool hasFormStep(const std::vector<FormPoint>& points, double cuttingLength, double diameter) {
    if (points.size() < 2 || cuttingLength < kTiny) return false;
    const double tolerance = diameter > 0 ? 0.02 * diameter : 0.01;
    for (std::size_t j = 1; j < points.size(); ++j) {
        const FormPoint& from = points[j - 1];
        const FormPoint& to = points[j];
        if (from.height >= cuttingLength - 1e-6) break;
        if (to.height - from.height > 1e-4 && std::abs(to.radius - from.radius) > tolerance) return true;
    }
    return false;
}

void decideEndMillType(ToolModel& tool, const FieldReader& fields, const RowGeometry& geometry) {
    const double radius = fields.number("EndRadius");
    const double offsetX = fields.number("EndRadiusOffsetX");
    const double offsetY = fields.number("EndRadiusOffsetY");
    if (std::abs(offsetX) > kTiny || std::abs(offsetY) > kTiny) {
        tool.type = "off_centre_tip_rad";
        tool.tipRadius = radius;
        tool.tipRadiusCentreX = offsetX;
        tool.tipRadiusCentreY = offsetY;
        return;
    }
    if (geometry.taper <= kTiny) {
        if (radius < kTiny && hasFormStep(geometry.profile, tool.length, tool.diameter)) {
            tool.type = "form";
            return;
        }
        tool.tipRadius = radius;
        // Without a radius there is no ball, even when the diameter is missing.
        if (radius > 0 && radius >= 0.495 * tool.diameter) tool.type = "ball_nosed";
        else if (radius > 0) tool.type = "tip_radiused";
        return;
    }
    tool.taperAngle = geometry.taper;
    tool.tipRadius = radius;
    const double cutter = fields.number("CutterLength");
    if (cutter <= kTiny || cutter >= tool.length - kTiny) {
        tool.type = "taper_spherical";
        return;
    }
    tool.type = "taper_tipped";
    tool.taperHeight = cutter;
    tool.taperDiameter = tool.diameter - 2 * cutter * std::tan(geometry.taper * std::numbers::pi / 180);
}

void applyTypeGeometry(ToolModel& tool, const FieldReader& fields, const RowGeometry& geometry) {
    if (tool.type == "drill") {
        const double angle = firstNonZero(fields, {"TipAngle", "Angle"});
        if (angle > 0) tool.taperAngle = angle / 2;
    }
    if (tool.type == "end_mill") decideEndMillType(tool, fields, geometry);
    if (tool.type == "tipped_disc" && geometry.taper > kTiny) {
        tool.type = "dovetail";
        tool.taperAngle = geometry.taper;
    }
    // Chamfer and dovetail cutters keep their flank angle in Taper as well;
    // without it Fusion would get a 0 degree cutter.
    if ((tool.type == "taper_tipped" || tool.type == "dovetail") && tool.taperAngle == 0 && geometry.taper > kTiny)
        tool.taperAngle = geometry.taper;
    if (tool.type == "thread_mill" && tool.diameter < kTiny) tool.diameter = fields.number("CutterDiameter");
}

void applyPitch(ToolModel& tool, const FieldReader& fields) {
    tool.pitch = fields.number("Pitch");
    if (tool.pitch == 0 && tool.type == "thread_mill") tool.pitch = firstNonZero(fields, {"MinPitch", "MaxPitch"});
    if (tool.pitch == 0 && tool.type == "tap") {
        const double threadsPerInch = fields.number("TPI");
        if (threadsPerInch > 0) tool.pitch = 1 / threadsPerInch;
    }
}

void applyOtherGeometry(ToolModel& tool, const FieldReader& fields) {
    tool.barrelRadius = fields.number("BarrelRadius");
    if (tool.tipRadiusCentreY == 0) tool.tipRadiusCentreY = fields.number("OffsetY");
    if (tool.upperTipRadius == 0) tool.upperTipRadius = fields.number("UpperTipRadius");
    if (tool.type == "barrel") tool.flatBottom = fields.boolean("FlatBottom");
}

// Shank lower diameter and height describe a neck below a taper up to the shank diameter.
std::vector<ShankSegment> shankFromColumns(const ToolModel& tool, const FieldReader& fields, double overallLength) {
    std::vector<ShankSegment> segments;
    const double shankLength = overallLength > tool.length ? overallLength - tool.length : 0;
    if (shankLength < kTiny) return segments;
    double shankDiameter = fields.number("ShankDiameter");
    if (shankDiameter < kTiny) shankDiameter = tool.diameter;
    const double lowerDiameter = fields.number("ShankLowerDiameter");
    const double lowerHeight = fields.number("ShankLowerHeight");
    const double taperHeight = fields.number("ShankTaperHeight");
    if (lowerDiameter <= kTiny || lowerHeight <= kTiny) {
        segments.push_back({shankDiameter, shankDiameter, shankLength, 0});
        return segments;
    }
    segments.push_back({lowerDiameter, lowerDiameter, lowerHeight, 0});
    if (taperHeight > kTiny) segments.push_back({shankDiameter, lowerDiameter, taperHeight, 0});
    const double rest = shankLength - lowerHeight - taperHeight;
    if (rest > 1e-6) segments.push_back({shankDiameter, shankDiameter, rest, 0});
    return segments;
}

void attachShankHolderAndPresets(ToolModel& tool, const FieldReader& fields, const RowGeometry& geometry,
                                 const Lookups& lookups) {
    if (geometry.profile.size() < 2) {
        tool.shankSegments = shankFromColumns(tool, fields, geometry.overallLength);
    } else {
        const bool noShank = !tool.holderName.empty() || geometry.overallLength <= tool.length;
        const double shankLength = noShank ? 0 : geometry.overallLength - tool.length;
        tool.shankSegments = formCurveToShank(geometry.profile, tool.length, shankLength, tool.isMetric);
    }
    if (!tool.holderName.empty()) {
        if (const auto holder = lookups.holders.find(tool.holderName); holder != lookups.holders.end()) {
            tool.holderSegments = holder->second;
            tool.rawHolderProfile = true;
        }
    }
    // Feeds and speeds are filed under the database name, never under the
    // "center " identifier this reader gives centre drills.
    if (tool.name.empty()) return;
    const auto matches = lookups.feedSpeedsByLastPart.find(lastPart(tool.name));
    if (matches == lookups.feedSpeedsByLastPart.end()) return;
    for (const FeedSpeedMatch& match : matches->second) {
        if (!namesTool(match.toolPart, tool.name)) continue;
        for (CuttingPreset& preset : presetsFromFeedSpeed(*match.record, std::string(match.materialLabel)))
            tool.presets.push_back(std::move(preset));
    }
}

// The tool of one row, or nullopt when its form curve is broken.
std::optional<ToolModel> buildTool(const FieldReader& fields, std::string_view typeKey, const Lookups& lookups) {
    auto profile = parseFormCurve(fields.text("FormCurve"));
    if (!profile) return std::nullopt;
    ToolModel tool;
    readIdentity(tool, fields, typeKey, lookups.materials);
    RowGeometry geometry = readDimensions(tool, fields);
    geometry.profile = std::move(*profile);
    applyTypeGeometry(tool, fields, geometry);
    if (fields.boolean("IsCenterDrill")) tool.identifier = "center " + tool.identifier;
    applyPitch(tool, fields);
    applyOtherGeometry(tool, fields);
    attachShankHolderAndPresets(tool, fields, geometry, lookups);
    tool.typeCode = typeCodeFor(tool.type);
    return tool;
}

std::int32_t countToolRows(ToolDatabase& database) {
    std::size_t total = 0;
    for (const ToolTable& table : kToolTables)
        if (const auto count = database.countRows(table.name); count && *count > 0)
            total += static_cast<std::size_t>(*count);
    return clampedCount(total);
}

void readToolTable(ToolDatabase& database, const ToolTable& table, const Lookups& lookups, std::int32_t total,
                   std::vector<ToolModel>& tools, const ToolProgressFn& progress) {
    const TableRows rows = database.readRows(table.name, toolColumns());
    if (!rows.ok) return;
    const ColumnIndex index(rows.columns);
    for (const DatabaseRow& row : rows.rows) {
        if (row.failed) continue;
        std::optional<ToolModel> tool = buildTool(FieldReader(index, row), table.typeKey, lookups);
        if (!tool) continue;
        tools.push_back(std::move(*tool));
        if (progress) progress(clampedCount(tools.size()), total, &tools.back());
    }
}

} // namespace

std::vector<ToolModel> readMdbDatabase(ToolDatabase& database, const ToolProgressFn& progress) {
    Lookups lookups;
    lookups.materials = readIdNames(database, "ToolMaterials", "ID", "Name");
    const IdNames coolants = readIdNames(database, "Coolants", "CoolantID", "PowerMILLName");
    readHolders(database, lookups);
    readFeedSpeeds(database, coolants, lookups);
    indexFeedSpeeds(lookups);
    const std::int32_t total = countToolRows(database);
    if (progress) progress(0, total, nullptr);
    std::vector<ToolModel> tools;
    for (const ToolTable& table : kToolTables) readToolTable(database, table, lookups, total, tools, progress);
    return tools;
}

std::vector<ToolModel> readMdbFile(const std::string& path, const ToolProgressFn& progress) {
    const ToolDatabaseOpening opening = openToolDatabase(path);
    if (!opening.database) return {};
    return readMdbDatabase(*opening.database, progress);
}

std::string fileExtensionOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::size_t separator = path.find_last_of("/\\");
    if (separator != std::string_view::npos && separator > dot) return {};
    return lowerAscii(path.substr(dot + 1));
}

} // namespace Corvana
