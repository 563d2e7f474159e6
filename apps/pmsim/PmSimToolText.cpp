#include "apps/pmsim/PmSimToolText.h"

#include "convert/Profiles.h"

#include <charconv>
#include <map>

namespace Corvana::PmSim {
namespace {

// Taps keep their pitch in the tapping form only, so the form's widget is
// the one place that answers it.
bool pitchInParameters(const ToolModel& tool) { return tool.type == "thread_mill"; }

// Machining phases: the preset name (and XML tag) and the parameter word.
constexpr std::pair<std::string_view, std::string_view> kPhases[] = {{"Finishing", "finishing"},
                                                                    {"Roughing", "roughing"}};

// Presets read from PowerMill files are named after their phase.
const CuttingPreset* phasePreset(const ToolModel& tool, std::string_view phaseName) {
    for (const auto& preset : tool.presets)
        if (preset.name == phaseName) return &preset;
    return nullptr;
}

// A preset under another name answers the tool's plain cutting parameters.
const CuttingPreset* defaultPreset(const ToolModel& tool) {
    if (tool.presets.empty() || phasePreset(tool, "Finishing") || phasePreset(tool, "Roughing")) return nullptr;
    return &tool.presets.front();
}

double presetValue(const CuttingPreset& preset, std::string_view parameter) {
    if (parameter == "cuttingspeed") return preset.cuttingSpeed;
    if (parameter == "feedpertooth") return preset.feedPerTooth;
    if (parameter == "radialdepthofcut") return preset.radialDepthOfCut;
    return preset.axialDepthOfCut;
}

void element(std::string& xml, std::string_view tag, std::string_view text) {
    xml += "<" + std::string(tag) + ">" + std::string(text) + "</" + std::string(tag) + ">";
}

void cuttingElement(std::string& xml, const ToolModel& tool, std::string_view tag, std::string_view parameter) {
    xml += "<" + std::string(tag) + ">";
    for (const auto& [phaseTag, phaseWord] : kPhases) {
        const CuttingPreset* preset = phasePreset(tool, phaseTag);
        if (!preset) continue;
        xml += "<" + std::string(phaseTag) + ">";
        element(xml, "General", numberText(presetValue(*preset, parameter)));
        xml += "</" + std::string(phaseTag) + ">";
    }
    xml += "</" + std::string(tag) + ">";
}

using Parameters = std::map<std::string, std::string, std::less<>>;

Parameters scalarParameters(const ToolModel& tool) {
    Parameters values{
        {".identifier", tool.entityName},
        {".type", tool.type},
        {".number", std::to_string(tool.number)},
        {".diameter", numberText(tool.diameter)},
        {".length", numberText(tool.length)},
        {".overhang", numberText(tool.overhang)},
        {".flutes", std::to_string(tool.numFlutes)},
        {".holdername", tool.holderName},
        {".coolant", tool.coolant},
        {".stockmaterial", tool.material},
        {".taperangle", numberText(tool.taperAngle)},
        {".taperdiameter", numberText(tool.taperDiameter)},
        {".taperheight", numberText(tool.taperHeight)},
        {".drillangle", numberText(tool.type == "drill" ? tool.taperAngle : 0)},
        {".uppertipradius", numberText(tool.upperTipRadius)},
        {".tipradiuscentre[0]", numberText(tool.tipRadiusCentreX)},
        {".tipradiuscentre[1]", numberText(tool.tipRadiusCentreY)},
        {".flatbottom", tool.flatBottom ? "1" : "0"},
    };
    if (pitchInParameters(tool)) values[".pitch"] = numberText(tool.pitch);
    return values;
}

std::vector<ProfilePoint> outlineOf(const std::vector<ProfileRow>& rows) {
    std::vector<ProfilePoint> points;
    double height = 0;
    for (const auto& row : rows) {
        if (!(row.height > 0)) continue;
        const double lowerRadius = row.lowerDiameter / 2;
        if (points.empty() || points.back().x != lowerRadius) points.push_back({lowerRadius, height});
        height += row.height;
        points.push_back({row.upperDiameter / 2, height});
    }
    return points;
}

} // namespace

std::string numberText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string toolName(const ToolModel& tool) { return tool.name.empty() ? tool.identifier : tool.name; }

std::string toolXml(const ToolModel& tool) {
    std::string xml = "<Tool>";
    element(xml, "Name", toolName(tool));
    const Parameters values = scalarParameters(tool);
    static constexpr std::pair<std::string_view, std::string_view> kTags[] = {
        {"Identifier", ".identifier"}, {"Type", ".type"},         {"Number", ".number"},
        {"Diameter", ".diameter"},     {"Length", ".length"},     {"Overhang", ".overhang"},
        {"Flutes", ".flutes"},         {"HolderName", ".holdername"}, {"Coolant", ".coolant"},
        {"StockMaterial", ".stockmaterial"}};
    for (const auto& [tag, parameter] : kTags) element(xml, tag, values.find(parameter)->second);
    element(xml, "Description", tool.description);
    xml += "<Tags>";
    for (const auto& tag : tool.tags) element(xml, "String", tag);
    xml += "</Tags>";
    element(xml, "TipRadius", numberText(tool.tipRadius));
    element(xml, "TaperAngle", values.find(".taperangle")->second);
    element(xml, "TaperDiameter", values.find(".taperdiameter")->second);
    element(xml, "TaperHeight", values.find(".taperheight")->second);
    element(xml, "DrillAngle", values.find(".drillangle")->second);
    element(xml, "BarrelRadius", numberText(tool.barrelRadius));
    element(xml, "UpperTipRadius", values.find(".uppertipradius")->second);
    xml += "<TipRadiusCentre>";
    element(xml, "Real", numberText(tool.tipRadiusCentreX));
    element(xml, "Real", numberText(tool.tipRadiusCentreY));
    xml += "</TipRadiusCentre>";
    element(xml, "FlatBottom", values.find(".flatbottom")->second);
    if (pitchInParameters(tool)) element(xml, "Pitch", numberText(tool.pitch));
    cuttingElement(xml, tool, "CuttingSpeed", "cuttingspeed");
    cuttingElement(xml, tool, "FeedPerTooth", "feedpertooth");
    cuttingElement(xml, tool, "RadialDepthOfCut", "radialdepthofcut");
    cuttingElement(xml, tool, "AxialDepthOfCut", "axialdepthofcut");
    return xml + "</Tool>";
}

std::optional<std::string> toolParameter(const ToolModel& tool, std::string_view suffix) {
    const Parameters values = scalarParameters(tool);
    if (const auto found = values.find(suffix); found != values.end()) return found->second;
    for (const std::string_view parameter : {"cuttingspeed", "feedpertooth", "radialdepthofcut", "axialdepthofcut"}) {
        for (const auto& [phaseName, phaseWord] : kPhases) {
            if (suffix != "." + std::string(parameter) + "." + std::string(phaseWord) + ".general") continue;
            const CuttingPreset* preset = phasePreset(tool, phaseName);
            return numberText(preset ? presetValue(*preset, parameter) : 0);
        }
    }
    if (suffix == ".cuttingspeed" || suffix == ".feedpertooth") {
        const CuttingPreset* preset = defaultPreset(tool);
        return numberText(preset ? presetValue(*preset, suffix.substr(1)) : 0);
    }
    return std::nullopt;
}

std::string shankSetValuesXml(const ToolModel& tool) {
    std::string xml = "<ShankSetValues>";
    for (const auto& section : tool.shankSegments) {
        xml += "<ShankSetValue>";
        element(xml, "UpperDiameter", numberText(section.upperDiameter));
        element(xml, "LowerDiameter", numberText(section.lowerDiameter));
        element(xml, "Length", numberText(section.length));
        xml += "</ShankSetValue>";
    }
    return xml + "</ShankSetValues>";
}

std::vector<ProfilePoint> holderOutline(const ToolModel& tool) { return outlineOf(holderProfile(tool)); }

std::vector<ProfilePoint> shankOutline(const ToolModel& tool) {
    return outlineOf(shankProfile(tool.shankSegments, tool.isMetric));
}

} // namespace Corvana::PmSim
