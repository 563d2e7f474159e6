#include "convert/LibraryJson.h"

#include "convert/LibraryJsonWriter.h"
#include "convert/Classification.h"
#include "sources/JsonText.h"
#include "sources/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <string_view>

namespace Corvana {
namespace {


struct TypeFlags {
    bool probe = false;
    bool tapered = false;
    bool barrel = false;
    bool lens = false;
    bool oval = false;
    bool lollipop = false;
    bool face = false;
    bool dovetail = false;
    bool drill = false;
    bool spot = false;
    bool center = false;
    bool threadMill = false;
    bool tap = false;
};

TypeFlags typeFlagsFor(std::string_view fusionType) {
    TypeFlags flags;
    flags.probe = fusionType == "probe";
    flags.tapered = fusionType == "tapered mill";
    flags.barrel = fusionType == "circle segment barrel";
    flags.lens = fusionType == "circle segment lens";
    flags.oval = fusionType == "circle segment oval";
    flags.lollipop = fusionType == "lollipop mill";
    flags.face = fusionType == "face mill";
    flags.dovetail = fusionType == "dovetail mill";
    flags.drill = fusionType == "drill";
    flags.spot = fusionType == "spot drill";
    flags.center = fusionType == "center drill";
    flags.threadMill = fusionType == "thread mill";
    flags.tap = fusionType == "tap right hand" || fusionType == "tap left hand";
    return flags;
}

// Everything one tool's geometry derives from.
struct GeometryInput {
    const ToolModel& tool;
    std::string_view fusionType;
    TypeFlags flags;
    double eps = 0;
    double angle = 0;  // taperAngle in radians
};

double radians(double degrees) { return degrees * std::numbers::pi / 180; }

void appendHex(std::string& out, std::uint64_t value, int width) {
    static constexpr char hexDigits[] = "0123456789abcdef";
    std::array<char, 16> digits{};
    for (int i = width - 1; i >= 0; --i) {
        digits[static_cast<std::size_t>(i)] = hexDigits[value & 0xF];
        value >>= 4;
    }
    out.append(digits.data(), static_cast<std::size_t>(width));
}

// Preset seeds wrap as 32-bit values instead of overflowing on huge indexes.
std::int32_t presetSeed(std::int32_t index, std::int32_t k) {
    const auto seed = (static_cast<std::uint32_t>(index) + 10u) * 100u + static_cast<std::uint32_t>(k);
    return static_cast<std::int32_t>(seed);
}

double sumShankLengths(const std::vector<ShankSegment>& segments) {
    double total = 0;
    for (const auto& segment : segments) total += segment.length;
    return total;
}

double sumKeptHolderLengths(const std::vector<HolderSegment>& segments) {
    double total = 0;
    for (const auto& segment : segments)
        if (!segment.ignore) total += segment.length;
    return total;
}

double cuttingDiameter(const GeometryInput& in) {
    const ToolModel& tool = in.tool;
    double dc = tool.diameter;
    if (tool.typeCode == TypeTaperTipped && tool.taperDiameter > 0) dc = tool.taperDiameter;
    if (in.flags.dovetail && tool.tipRadius > 0) dc = tool.diameter - 2 * tool.tipRadius;
    if (tool.typeCode != TypeTaperSpherical) return dc;
    if (tool.tipRadius > 1e-6 && tool.taperAngle > 0)
        return 2 * tool.tipRadius * (1 - std::sin(in.angle)) / std::cos(in.angle);
    return in.eps;
}

double cuttingLength(const GeometryInput& in, double bodyLength, double lb, double dc) {
    const ToolModel& tool = in.tool;
    double candidate = bodyLength > 0 ? bodyLength : (lb > 0 ? lb : tool.diameter);
    if (tool.typeCode == TypeTaperSpherical && tool.taperAngle > 0)
        candidate = (tool.diameter - dc) / (2 * std::tan(in.angle));
    if (tool.typeCode == TypeTaperTipped && tool.taperHeight > 0) return std::min(lb, tool.taperHeight);
    return std::min(lb, candidate);
}

double shaftDiameter(const GeometryInput& in, double lcf) {
    const ToolModel& tool = in.tool;
    double sfdm = tool.shankSegments.empty() ? tool.diameter : tool.shankSegments.front().lowerDiameter;
    if (tool.typeCode == TypeTaperSpherical)
        sfdm = tool.diameter;
    else if (in.flags.tapered && tool.typeCode != TypeTaperTipped && tool.taperAngle > 0)
        sfdm = std::tan(in.angle) * 2 * lcf + tool.diameter;
    else if (in.flags.lollipop)
        sfdm = tool.diameter * 0.5;
    const bool circleSegment = in.flags.barrel || in.flags.lens || in.flags.oval;
    if (circleSegment && sfdm >= tool.diameter) sfdm = tool.diameter - in.eps;
    return sfdm;
}

void fillDimensions(FusionGeometry& geometry, const GeometryInput& in) {
    const ToolModel& tool = in.tool;
    const double shankLength = sumShankLengths(tool.shankSegments);
    const double bodyLength = in.flags.probe ? tool.diameter : tool.length;
    geometry.LB = tool.overhang > 0 ? tool.overhang : bodyLength + shankLength;
    geometry.DC = cuttingDiameter(in);
    geometry.LCF = cuttingLength(in, bodyLength, geometry.LB, geometry.DC);
    geometry.OAL = tool.overhang > 0 ? std::max(geometry.LB, bodyLength + shankLength) : geometry.LB;
    geometry.SFDM = shaftDiameter(in, geometry.LCF);
    geometry.shoulderDiameter = geometry.SFDM;
    geometry.shoulderLength = geometry.LCF;
    geometry.NOF = tool.numFlutes;
    geometry.writeCuttingLength = !in.flags.probe;
}

// A point angle of 180 degrees or more is impossible, so such a double is
// taken to mean the source already stored the full point angle.
double pointAngle(const ToolModel& tool, const TypeFlags& flags) {
    if (!(tool.taperAngle > 0)) return flags.spot ? 90 : 118;
    const double doubled = 2 * tool.taperAngle;
    return doubled < 180 ? doubled : tool.taperAngle;
}

void appendAngleParams(std::vector<NumericParam>& params, const GeometryInput& in, double lcf) {
    const ToolModel& tool = in.tool;
    const TypeFlags& flags = in.flags;
    const bool roundProfile =
        in.fusionType == "ball end mill" || flags.lollipop || flags.barrel || flags.lens || flags.oval;
    if (tool.typeCode == TypeTaperTipped) {
        params.push_back({"RE", tool.tipRadius});
    } else if (!roundProfile) {
        const bool slot = in.fusionType == "slot mill";
        params.push_back({"RE", slot ? std::min(tool.tipRadius, tool.upperTipRadius) : tool.tipRadius});
    }
    if (flags.tapered || flags.dovetail || in.fusionType == "chamfer mill" || flags.face)
        params.push_back({"TA", tool.taperAngle});
    if (flags.center) params.push_back({"TA", 90});
    if (flags.drill || flags.spot || flags.center) params.push_back({"SIG", pointAngle(tool, flags)});
    if (tool.typeCode == TypeTaperTipped && lcf > 0) params.push_back({"tip-length", lcf});
}

void appendBarrelParams(std::vector<NumericParam>& params, const GeometryInput& in, double dc) {
    const ToolModel& tool = in.tool;
    const double r = dc / 2;
    const double profile = tool.barrelRadius;
    const double axial = tool.tipRadiusCentreY;
    // An axial distance equal to the profile radius divides by zero; the writer
    // turns the resulting infinity into 0.
    const double numerator = (profile - r) * (profile - r) + axial * axial - profile * profile;
    const double reach = numerator / (2 * (axial - profile)) - in.eps;
    double lower = std::max(in.eps, reach);
    if (tool.flatBottom) lower = tool.tipRadius > 1e-6 ? tool.tipRadius : in.eps;
    params.push_back({"profile-radius", profile});
    params.push_back({"axial-distance", axial});
    params.push_back({"lower-radius", lower});
    params.push_back({"upper-radius", tool.upperTipRadius});
}

void appendProfileParams(std::vector<NumericParam>& params, const GeometryInput& in, double dc) {
    const ToolModel& tool = in.tool;
    if (in.flags.barrel) appendBarrelParams(params, in, dc);
    if (in.flags.lens) {
        params.push_back({"lower-radius", std::max(in.eps, tool.tipRadius)});
        params.push_back({"RE", in.eps});
        params.push_back({"upper-radius", 0});
    }
    if (in.flags.oval) {
        params.push_back({"profile-radius", tool.tipRadius});
        params.push_back({"lower-radius", std::max(in.eps, analyzeCircleSegment(tool).height)});
    }
    if (in.flags.face) {
        params.push_back({"DCX", tool.diameter});
        params.push_back({"upper-radius", 0});
    }
}

TypedParam numberParam(std::string key, double value) {
    return TypedParam{std::move(key), ParamNumber, value, {}};
}

void appendTypedParams(std::vector<TypedParam>& params, const GeometryInput& in) {
    const ToolModel& tool = in.tool;
    if (in.flags.threadMill) {
        params.push_back(numberParam("NT", 1));
        params.push_back(TypedParam{"clockwise", ParamRaw, 0, tool.spindleClockwise ? "true" : "false"});
        params.push_back(numberParam("TPN", tool.pitch));
        params.push_back(numberParam("TPX", tool.pitch));
        params.push_back(numberParam("thread-profile-angle", 60));
        params.push_back(TypedParam{"thread-tip-type", ParamText, 0, "point"});
    }
    if (in.flags.tap) params.push_back(numberParam("TP", tool.pitch));
}

FusionGeometry fusionGeometry(const GeometryInput& in) {
    FusionGeometry geometry;
    fillDimensions(geometry, in);
    appendAngleParams(geometry.numericParams, in, geometry.LCF);
    appendProfileParams(geometry.numericParams, in, geometry.DC);
    appendTypedParams(geometry.typedParams, in);
    return geometry;
}

std::string vendorText(const ToolModel& tool) {
    std::string vendor = "CVN";
    if (!tool.sourceKind.empty()) vendor += ": PM" + tool.sourceKind;
    if (!tool.sourceDetail.empty()) vendor += " " + tool.sourceDetail;
    return vendor;
}

// The role of each preset.
std::vector<ToolRole> presetRoles(const ToolModel& tool, const std::vector<NamedPreset>& named) {
    int roughing = 0;
    int finishing = 0;
    for (const auto& entry : named) {
        if (entry.preset->name == "Roughing") ++roughing;
        if (entry.preset->name == "Finishing") ++finishing;
    }
    std::vector<ToolRole> roles(named.size(), ToolRole::None);
    if (roughing >= 1 && finishing >= 1) {
        for (std::size_t k = 0; k < named.size(); ++k) {
            const std::string& name = named[k].preset->name;
            roles[k] = name == "Roughing" ? ToolRole::Roughing
                       : name == "Finishing" ? ToolRole::Finishing
                                             : ToolRole::None;
        }
        return roles;
    }
    ToolRole common = tool.rfRole;
    if (roughing >= 2)
        common = tool.rfRole == ToolRole::Finishing ? ToolRole::None : ToolRole::Roughing;
    else if (finishing >= 2)
        common = tool.rfRole == ToolRole::Roughing ? ToolRole::None : ToolRole::Finishing;
    std::fill(roles.begin(), roles.end(), common);
    return roles;
}

FusionPreset fusionPreset(const ToolModel& tool, const NamedPreset& entry, std::int32_t index,
                          std::int32_t k) {
    const CuttingPreset& source = *entry.preset;
    FusionPreset preset;
    const double speed = source.cuttingSpeed > 0 && tool.diameter > 0
                             ? (tool.isMetric ? 1000 : 12) * source.cuttingSpeed / (std::numbers::pi * tool.diameter)
                             : 0;
    preset.n = roundToInt32(speed);
    preset.nRamp = preset.n;
    const double teeth = std::max(tool.numFlutes, 1);
    preset.f_z = tool.diameter * source.feedPerTooth;
    preset.f_n = preset.f_z * teeth;
    preset.v_f = speed * preset.f_n;
    preset.v_f_leadIn = preset.f_z * 0.5 * teeth * speed;
    preset.v_f_leadOut = preset.v_f_leadIn;
    preset.v_f_transition = preset.v_f_leadIn;
    preset.v_f_plunge = preset.f_z * 0.33 * teeth * speed;
    preset.v_f_ramp = preset.v_f_plunge;
    preset.v_f_retract = preset.v_f_plunge;
    preset.stepover = tool.diameter * source.radialDepthOfCut;
    preset.useStepover = preset.stepover > 0;
    preset.stepdown = tool.diameter * source.axialDepthOfCut;
    preset.useStepdown = preset.stepdown > 0;
    preset.v_c = source.cuttingSpeed;
    preset.name = entry.displayName;
    preset.guid = makeStableGuid(presetSeed(index, k));
    preset.materialQuery = materialQueryFor(source.material);
    preset.hasCoolant = !source.coolant.empty();
    if (preset.hasCoolant) preset.toolCoolant = fusionCoolantFor(source.coolant);
    return preset;
}

std::vector<FusionPreset> fusionPresets(const ToolModel& tool, std::int32_t index) {
    std::vector<NamedPreset> named;
    if (tool.usePresets) named = presetNamesFor(tool);
    const std::vector<ToolRole> roles = presetRoles(tool, named);
    std::vector<FusionPreset> presets;
    presets.reserve(named.size() + 1);
    for (std::size_t k = 0; k < named.size(); ++k) {
        presets.push_back(fusionPreset(tool, named[k], index, static_cast<std::int32_t>(k)));
        if (!tool.assignStrategies) continue;
        presets.back().hasStrategies = true;
        presets.back().roughing = roles[k] == ToolRole::Roughing;
        presets.back().finishing = roles[k] == ToolRole::Finishing;
    }
    if (!presets.empty() || !tool.presetsJson.empty()) return presets;
    FusionPreset fallback;
    fallback.name = "PM: No Cutting Data";
    fallback.guid = makeStableGuid(presetSeed(index, 0));
    fallback.materialQuery = materialQueryFor("");
    presets.push_back(std::move(fallback));
    return presets;
}

} // namespace

std::string makeStableGuid(std::int32_t seed) {
    const auto seed32 = static_cast<std::uint32_t>(seed);
    const auto seed64 = static_cast<std::uint64_t>(static_cast<std::int64_t>(seed));
    std::string guid;
    guid.reserve(36);
    appendHex(guid, seed32 * 324508639u + 0xa0b1c2d3u, 8);
    guid += '-';
    appendHex(guid, (seed32 * 9320u - 6923u) & 0xFFFFu, 4);
    guid += '-';
    appendHex(guid, (seed32 * 4951u + 19565u) & 0xFFFFu, 4);
    guid += '-';
    appendHex(guid, (seed32 * 582u - 30053u) & 0xFFFFu, 4);
    guid += '-';
    appendHex(guid, (seed64 * 4886718345ull - 92574010236091ull) & 0xFFFFFFFFFFFFull, 12);
    return guid;
}

ToolModel convertToolUnits(const ToolModel& tool, bool toMetric) {
    ToolModel copy = tool;
    if (tool.isMetric == toMetric) return copy;
    const double k = toMetric ? 25.4 : 0.03937007874015748;
    for (double* length : {&copy.diameter, &copy.length, &copy.overhang, &copy.tipRadius,
                           &copy.taperDiameter, &copy.taperHeight, &copy.barrelRadius, &copy.tipRadiusCentreY,
                           &copy.tipRadiusCentreX, &copy.upperTipRadius, &copy.pitch})
        *length *= k;
    for (auto& shank : copy.shankSegments)
        for (double* length : {&shank.upperDiameter, &shank.lowerDiameter, &shank.length, &shank.filletRadius})
            *length *= k;
    for (auto& holder : copy.holderSegments)
        for (double* length : {&holder.upperDiameter, &holder.lowerDiameter, &holder.length,
                               &holder.blendLength, &holder.filletRadius, &holder.curveRadius})
            *length *= k;
    const double speedFactor = toMetric ? 0.3048 : 3.280839895013123;
    for (auto& preset : copy.presets) preset.cuttingSpeed *= speedFactor;
    copy.isMetric = toMetric;
    return copy;
}

FusionToolRecord toFusionToolRecord(const ToolModel& tool, std::int32_t index,
                                    const std::string& identifier) {
    FusionToolRecord record;
    record.fusionType = fusionTypeFor(tool);
    const GeometryInput in{tool, record.fusionType, typeFlagsFor(record.fusionType),
                           tool.isMetric ? 0.025 : 0.001, radians(tool.taperAngle)};
    record.bodyMaterial = tool.toolMaterial;
    if (record.bodyMaterial.empty())
        record.bodyMaterial = defaultToolMaterialFor(libraryCategoryFor(record.fusionType));
    record.writeBodyMaterial = !in.flags.probe;
    record.geometry = fusionGeometry(in);
    record.fluteCount = tool.numFlutes;
    record.description = tool.name.empty() ? tool.entityName : tool.name;
    record.guid = identifier;
    record.productId = identifier;
    record.vendor = vendorText(tool);
    record.unit = tool.isMetric ? "millimeters" : "inches";
    record.isTapered = in.flags.tapered;
    if (record.isTapered) record.taperedType = "tapered_bull_nose";
    record.hasShaft = !tool.shankSegments.empty();
    if (record.hasShaft) record.shaft = shankProfile(tool.shankSegments, tool.isMetric);
    record.hasHolder = !tool.holderSegments.empty() || !tool.holderName.empty();
    if (record.hasHolder) {
        record.holder.description = tool.holderName;
        record.holder.gaugeLength = sumKeptHolderLengths(tool.holderSegments);
        record.holder.unit = record.unit;
        record.holder.segments = holderProfile(tool);
    }
    record.postProcess.number = tool.number;
    record.postProcess.diameterOffset = tool.number;
    record.postProcess.lengthOffset = tool.number;
    record.presets = fusionPresets(tool, index);
    record.extraPresetsText = tool.presetsJson;
    return record;
}

std::string buildToolLibraryJson(const std::vector<ToolModel>& tools, const std::string& description,
                                 const std::vector<std::string>& identifiers, LibraryJsonMode mode) {
    std::string text;
    const auto append = [&text](std::string_view piece) {
        text += piece;
        return true;
    };
    LibraryDocumentStream stream(append, description, !tools.empty() && tools.front().isMetric, mode);
    for (std::size_t i = 0; i < tools.size(); ++i) {
        const auto index = static_cast<std::int32_t>(i);
        const bool hasIdentifier = i < identifiers.size() && !identifiers[i].empty();
        stream.add(tools[i], index, hasIdentifier ? identifiers[i] : makeStableGuid(index));
    }
    stream.finish();
    return text;
}

} // namespace Corvana
