#include "sources/pmsession/SessionExtraction.h"

#include "platform/TimeScale.h"
#include "sources/NumberText.h"
#include "sources/ScratchDir.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <locale>
#include <sstream>
#include <thread>
#include <utility>

namespace Corvana {
namespace {

constexpr double kCoordinateEpsilon = 1e-9;
constexpr double kShankDiameterTolerance = 1e-6;
constexpr std::size_t kMaxParameterShankSections = 4;
constexpr int kPatternWaitAttempts = 100;
constexpr std::chrono::milliseconds kPatternWaitInterval{100};

// The platform's own separator, for paths this code builds.
constexpr char kPathSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

constexpr std::array<const char*, 12> kPreparationCommands = {
    "MACRO ABORT ALL",      "QUIT\r",           "TOOL ACCEPT\r",
    "DEACTIVATE STOCKMODEL", "DEACTIVATE TOOLPATH", "DEACTIVATE TOOL",
    "DEACTIVATE BOUNDARY",  "TOOLBAR COMMANDBAR LOWER", "ECHO OFF DCPDEBUG UNTRACE COMMAND ACCEPT",
    "DIALOGS MESSAGE OFF",  "DIALOGS ERROR OFF", "GRAPHICS LOCK"};
constexpr std::array<const char*, 3> kRestorationCommands = {"GRAPHICS UNLOCK", "DIALOGS ERROR ON",
                                                             "DIALOGS MESSAGE ON"};

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

double numberOf(std::string_view text) { return parseLeadingDouble(text).value_or(0); }

std::int32_t integerOf(std::string_view text) { return parseLeadingInt32(text).value_or(0); }

double minimumSectionLength(bool isMetric) { return isMetric ? 0.25 : 0.01; }

// Restores PowerMill's dialogs and redrawing however the extraction ends.
class SessionRestoration {
public:
    explicit SessionRestoration(const PmSession& held) : session(held) {}
    ~SessionRestoration() {
        for (const char* command : kRestorationCommands) pmDoCommand(session, command);
    }
    SessionRestoration(const SessionRestoration&) = delete;
    SessionRestoration& operator=(const SessionRestoration&) = delete;

private:
    const PmSession& session;
};

struct ExtractionContext {
    const PmSession& session;
    bool isMetric;
    double toleranceInch;
    std::string stamp;
};

// One tool's XML, its lower-case copy and its entity expression.
class ToolEntity {
public:
    ToolEntity(const PmSession& held, const std::string& name)
        : session(held), entity("entity('tool','" + doubledApostrophes(name) + "')"),
          xml(pmEvaluate(session, "$to_xml(" + entity + ")")), lower(lowerAscii(xml)) {}

    std::string element(std::string_view tag) const { return xmlElementText(xml, lower, tag); }

    std::string evaluate(std::string_view suffix) const { return pmEvaluate(session, entity + std::string(suffix)); }

    // An expression around the entity: `before` + entity + `after`.
    std::string evaluateWhole(std::string_view before, std::string_view after) const {
        return pmEvaluate(session, std::string(before) + entity + std::string(after));
    }

    std::string text(std::string_view tag, std::string_view suffix) const {
        std::string value = element(tag);
        return value.empty() && !suffix.empty() ? evaluate(suffix) : value;
    }

    double number(std::string_view tag, std::string_view suffix) const {
        const double value = numberOf(element(tag));
        return value == 0 && !suffix.empty() ? numberOf(evaluate(suffix)) : value;
    }

    std::int32_t integer(std::string_view tag, std::string_view suffix) const {
        const std::int32_t value = integerOf(element(tag));
        return value == 0 && !suffix.empty() ? integerOf(evaluate(suffix)) : value;
    }

    const PmSession& session;
    const std::string entity;
    const std::string xml;
    const std::string lower;
};

// The text of each <open>...</close> pair inside [from, to) of the lower-case
// copy, cut from the XML; stops at an opening tag without its closing tag.
std::vector<std::string> blockTexts(const std::string& xml, const std::string& lower, std::size_t from,
                                    std::size_t to, std::string_view open, std::string_view close) {
    std::vector<std::string> texts;
    for (;;) {
        const std::size_t start = lower.find(open, from);
        if (start == std::string::npos || start >= to) break;
        const std::size_t end = lower.find(close, start + open.size());
        if (end == std::string::npos) break;
        texts.push_back(xml.substr(start + open.size(), end - start - open.size()));
        from = end + close.size();
    }
    return texts;
}

void readTags(const ToolEntity& source, ToolModel& tool) {
    const std::size_t open = source.lower.find("<tags>");
    const std::size_t close = source.lower.find("</tags>");
    if (open == std::string::npos || close == std::string::npos || close < open) return;
    for (auto& text : blockTexts(source.xml, source.lower, open, close, "<string>", "</string>"))
        if (!text.empty()) tool.tags.push_back(std::move(text));
}

void readTipRadiusCentre(const ToolEntity& source, ToolModel& tool) {
    const std::size_t open = source.lower.find("<tipradiuscentre>");
    const std::size_t close =
        open == std::string::npos ? std::string::npos : source.lower.find("</tipradiuscentre>", open);
    if (close != std::string::npos) {
        const auto reals = blockTexts(source.xml, source.lower, open, close, "<real>", "</real>");
        if (!reals.empty()) tool.tipRadiusCentreX = numberOf(reals[0]);
        if (reals.size() > 1) tool.tipRadiusCentreY = numberOf(reals[1]);
    }
    if (tool.tipRadiusCentreX == 0) tool.tipRadiusCentreX = numberOf(source.evaluate(".tipradiuscentre[0]"));
    if (tool.tipRadiusCentreY == 0) tool.tipRadiusCentreY = numberOf(source.evaluate(".tipradiuscentre[1]"));
}

bool isFalseText(const std::string& text) { return text == "0" || text == "false" || text == "False"; }

void readTapPitchFromForm(const PmSession& session, ToolModel& tool) {
    pmDoCommand(session, "FORM TOOL \"tap (tap right hand, tap left hand)\"");
    tool.pitch = numberOf(pmEvaluate(session, "$widget('pmlTappingTool.Shell.TPGeom.Geometry.Pitch').Value"));
    pmDoCommand(session, "TOOL ACCEPT");
}

void readScalarFields(const ToolEntity& source, ToolModel& tool) {
    tool.entityName = source.text("identifier", ".identifier");
    if (tool.entityName.empty()) tool.entityName = tool.identifier;
    tool.type = source.text("type", ".type");
    tool.number = source.integer("number", ".number");
    tool.diameter = source.number("diameter", ".diameter");
    tool.length = source.number("length", ".length");
    tool.overhang = source.number("overhang", ".overhang");
    tool.numFlutes = source.integer("flutes", ".flutes");
    tool.holderName = source.text("holdername", ".holdername");
    tool.coolant = source.text("coolant", ".coolant");
    tool.material = source.text("stockmaterial", ".stockmaterial");
    tool.description = source.element("description");
    readTags(source, tool);
    tool.tipRadius = numberOf(source.element("tipradius"));
    const bool drill = tool.type == "drill";
    tool.taperAngle = source.number("taperangle", drill ? "" : ".taperangle");
    tool.taperDiameter = source.number("taperdiameter", ".taperdiameter");
    tool.taperHeight = source.number("taperheight", ".taperheight");
    if (drill) {
        const double drillAngle = source.number("drillangle", ".drillangle");
        if (drillAngle > 0) tool.taperAngle = drillAngle;
    }
    tool.barrelRadius = numberOf(source.element("barrelradius"));
    tool.upperTipRadius = source.number("uppertipradius", ".uppertipradius");
    readTipRadiusCentre(source, tool);
    tool.flatBottom = !isFalseText(source.text("flatbottom", ".flatbottom"));
    if (tool.type == "tap" || tool.type == "thread_mill") tool.pitch = source.number("pitch", ".pitch");
    if (tool.type == "tap" && tool.pitch == 0) readTapPitchFromForm(source.session, tool);
}

// Up to four cylindrical sections, each long enough, from the shank's parameter values.
bool readShankFromParameters(const ToolEntity& source, ToolModel& tool) {
    const std::string xml = source.evaluateWhole("$to_xml(", ".shanksetvalues)");
    const std::string lower = lowerAscii(xml);
    std::vector<ShankSegment> sections;
    for (const auto& block : blockTexts(xml, lower, 0, lower.size(), "<shanksetvalue>", "</shanksetvalue>")) {
        const std::string blockLower = lowerAscii(block);
        ShankSegment section;
        section.upperDiameter = numberOf(xmlElementText(block, blockLower, "UpperDiameter"));
        section.lowerDiameter = numberOf(xmlElementText(block, blockLower, "LowerDiameter"));
        section.length = numberOf(xmlElementText(block, blockLower, "Length"));
        if (section.length > 0 && section.upperDiameter > 0) sections.push_back(section);
    }
    if (sections.empty() || sections.size() > kMaxParameterShankSections) return false;
    const double minimum = minimumSectionLength(tool.isMetric);
    for (const auto& section : sections) {
        if (section.length < minimum) return false;
        if (std::fabs(section.upperDiameter - section.lowerDiameter) > kShankDiameterTolerance) return false;
    }
    tool.shankSegments = std::move(sections);
    return true;
}

std::string toleranceText(const ExtractionContext& context, bool isMetric) {
    const double value = context.toleranceInch * (isMetric ? 25.4 : 1.0);
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    return result.ec == std::errc() ? std::string(text, result.ptr) : "0.000000";
}

std::string forwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// Waits for PowerMill to write the pattern file; false when it never appears.
bool waitForFile(const std::string& path) {
    for (int attempt = 0; attempt < kPatternWaitAttempts; ++attempt) {
        if (std::ifstream(path, std::ios::binary)) return true;
        std::this_thread::sleep_for(scaledDuration(kPatternWaitInterval));
    }
    return false;
}

// Exports the active tool's holder or shank, turns it into a pattern and
// reads the pattern's points back; both scratch files are removed.
std::vector<ProfilePoint> exportToolProfile(const ExtractionContext& context, bool isMetric, const char* kind,
                                            std::size_t position) {
    // A scratch folder that must not be used leaves the section list empty; the tool is kept.
    const ScratchDir scratch = ensurePmTempDir();
    if (!scratch.error.empty()) return {};
    const std::string base = scratch.path + kPathSeparator + (kind[0] == 'H' ? "hpic" : "spic") + "_" +
                             context.stamp + "_" + std::to_string(position);
    const std::string exportFile = base + ".dgk";
    const std::string patternFile = base + ".pic";
    // The paths travel between apostrophes; one that would end the quoted text is not sent.
    if (base.find_first_of("'\r\n") != std::string::npos) return {};
    const std::string exportPath = forwardSlashes(exportFile);
    const std::string patternPath = forwardSlashes(patternFile);
    const std::string tolerance = toleranceText(context, isMetric);
    const PmSession& session = context.session;
    pmDoCommand(session, "EXPORT TOOL" + std::string(kind) + " ; FILESAVE '" + exportPath + "'");
    pmDoCommand(session, "CREATE PATTERN ;");
    pmDoCommand(session, "EDIT PATTERN ; INSERT FILE FILEOPEN '" + exportPath + "'");
    pmDoCommand(session, "EDIT PATTERN ; ARCFIT\r " + tolerance);
    pmDoCommand(session, "EDIT PATTERN ; SMASH\r " + tolerance);
    pmDoCommand(session, "KEEP PATTERN ; FILESAVE '" + patternPath + "'");
    pmDoCommand(session, "DELETE PATTERN ;");
    std::vector<ProfilePoint> points;
    if (waitForFile(patternFile)) points = readPatternProfile(patternFile);
    std::remove(exportFile.c_str());
    std::remove(patternFile.c_str());
    return points;
}

void readProfiles(const ExtractionContext& context, const ToolEntity& source, ToolModel& tool, std::size_t position) {
    const std::int32_t shankCount = integerOf(source.evaluateWhole("size(", ".shanksetvalues)"));
    const std::int32_t holderCount = integerOf(source.evaluateWhole("size(", ".holdersetvalues)"));
    bool shankDone = false;
    if (shankCount > 0 && static_cast<std::size_t>(shankCount) <= kMaxParameterShankSections)
        shankDone = readShankFromParameters(source, tool);
    const bool exportShank = shankCount > 0 && !shankDone;
    if (!exportShank && holderCount <= 0) return;
    pmDoCommand(context.session, "ACTIVATE TOOL '" + doubledApostrophes(tool.identifier) + "'");
    if (exportShank) {
        for (const auto& section : profileToSegments(exportToolProfile(context, tool.isMetric, "SHANK", position),
                                                     tool.isMetric))
            tool.shankSegments.push_back({section.upperDiameter, section.lowerDiameter, section.length, 0});
    }
    if (holderCount > 0) {
        for (const auto& section : profileToSegments(exportToolProfile(context, tool.isMetric, "HOLDER", position),
                                                     tool.isMetric)) {
            HolderSegment segment;
            segment.upperDiameter = section.upperDiameter;
            segment.lowerDiameter = section.lowerDiameter;
            segment.length = section.length;
            tool.holderSegments.push_back(segment);
        }
        tool.rawHolderProfile = !tool.holderSegments.empty();
    }
}

// A phase value from the XML (its <general> part when present), else from
// the phase's parameter expression.
double phaseValue(const ToolEntity& source, std::string_view parameter, std::string_view phase) {
    const std::string outer = source.element(parameter);
    const std::string text = xmlElementText(outer, lowerAscii(outer), phase);
    if (text.empty())
        return numberOf(source.evaluate("." + std::string(parameter) + "." + std::string(phase) + ".general"));
    const std::string lower = lowerAscii(text);
    const std::size_t open = lower.find("<general>");
    const std::size_t close = open == std::string::npos ? std::string::npos : lower.find("</general>", open);
    if (close == std::string::npos) return numberOf(text);
    return numberOf(std::string_view(text).substr(open + 9, close - open - 9));
}

void readCuttingPresets(const ToolEntity& source, ToolModel& tool) {
    static constexpr std::array<std::pair<const char*, const char*>, 2> kPhases = {
        std::pair{"Finishing", "finishing"}, std::pair{"Roughing", "roughing"}};
    for (const auto& [name, phase] : kPhases) {
        CuttingPreset preset;
        preset.name = name;
        preset.cuttingSpeed = phaseValue(source, "cuttingspeed", phase);
        preset.feedPerTooth = phaseValue(source, "feedpertooth", phase);
        if (!(preset.cuttingSpeed > 0) && !(preset.feedPerTooth > 0)) continue;
        preset.radialDepthOfCut = phaseValue(source, "radialdepthofcut", phase);
        preset.axialDepthOfCut = phaseValue(source, "axialdepthofcut", phase);
        tool.presets.push_back(std::move(preset));
    }
    if (tool.presets.empty()) {
        CuttingPreset preset;
        preset.name = "Default";
        preset.cuttingSpeed = numberOf(source.evaluate(".cuttingspeed"));
        preset.feedPerTooth = numberOf(source.evaluate(".feedpertooth"));
        if (preset.cuttingSpeed > 0 || preset.feedPerTooth > 0) tool.presets.push_back(std::move(preset));
    }
    for (auto& preset : tool.presets) {
        preset.material = tool.material;
        preset.coolant = tool.coolant;
    }
}

ToolModel readSessionTool(const ExtractionContext& context, const std::string& name, std::size_t position) {
    const ToolEntity source(context.session, name);
    ToolModel tool;
    tool.isMetric = context.isMetric;
    tool.identifier = name;
    tool.name = name;
    readScalarFields(source, tool);
    readProfiles(context, source, tool, position);
    readCuttingPresets(source, tool);
    return tool;
}

} // namespace

std::string xmlElementText(std::string_view xml, std::string_view lower, std::string_view tag) {
    const std::string tagLower = lowerAscii(tag);
    const std::string open = "<" + tagLower + ">";
    const std::string close = "</" + tagLower + ">";
    const std::size_t start = lower.find(open);
    if (start == std::string_view::npos) return {};
    const std::size_t end = lower.find(close, start + open.size());
    if (end == std::string_view::npos || end > xml.size()) return {};
    return std::string(xml.substr(start + open.size(), end - start - open.size()));
}

std::vector<std::string> listSessionToolNames(const PmSession& session) {
    std::vector<std::string> names;
    const AutomationValue project = pmGetProperty(session, "Project");
    if (project.kind != AutomationValue::Kind::Object) return names;
    const AutomationValue tools = pmGetProperty(project.object, "Tools");
    if (tools.kind != AutomationValue::Kind::Object) return names;
    const auto enumerator = tools.object->enumerate();
    if (!enumerator) return names;
    while (const auto element = enumerator->next()) {
        if (element->kind != AutomationValue::Kind::Object) continue;
        const AutomationValue name = pmGetProperty(element->object, "Name");
        if (name.kind == AutomationValue::Kind::Text) names.push_back(name.text);
    }
    return names;
}

std::vector<ProfilePoint> readPatternProfile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<ProfilePoint> points;
    bool originSeen = false;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        double x = 0, y = 0, z = 0;
        if (!(fields >> x >> y >> z)) continue;
        if (!originSeen) {
            originSeen = std::fabs(x) < kCoordinateEpsilon && std::fabs(y) < kCoordinateEpsilon &&
                         std::fabs(z) < kCoordinateEpsilon;
            continue;
        }
        if (x >= 0) points.push_back({x, y});
    }
    return points;
}

std::vector<ProfileSection> profileToSegments(const std::vector<ProfilePoint>& points, bool isMetric) {
    std::vector<ProfileSection> sections;
    if (points.size() < 2) return sections;
    const auto top = static_cast<std::size_t>(
        std::max_element(points.begin(), points.end(),
                         [](const ProfilePoint& a, const ProfilePoint& b) { return a.y < b.y; }) -
        points.begin());
    if (top == 0) return sections;
    const double minimum = minimumSectionLength(isMetric);
    double length = 0;
    double lower = -1;
    double upper = 0;
    for (std::size_t i = 0; i < top; ++i) {
        const bool lastStep = i + 1 == top;
        const double rise = points[i + 1].y - points[i].y;
        if (rise >= kCoordinateEpsilon) {
            upper = 2 * points[i + 1].x;
            if (lower < 0) lower = 2 * points[i].x;
            length += rise;
            if (length < minimum && !lastStep) continue;
        }
        if (length > kCoordinateEpsilon && lower >= 0) sections.push_back({upper, lower, length});
        length = 0;
        lower = -1;
    }
    return sections;
}

std::vector<ToolModel> extractSessionTools(const PmSession& session, bool isMetric, double toleranceInch,
                                           const ToolProgressFn& progress, const ExtractionAbortFn& abort) {
    const std::vector<std::string> names = listSessionToolNames(session);
    const std::int32_t total = clampedCount(names.size());
    if (progress) progress(0, total, nullptr);
    std::vector<ToolModel> tools;
    if (names.empty()) return tools;
    const auto stamp = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count();
    const ExtractionContext context{session, isMetric, toleranceInch, std::to_string(stamp)};
    tools.reserve(names.size());
    for (const char* command : kPreparationCommands) pmDoCommand(session, command);
    const SessionRestoration restoration(session);
    for (std::size_t position = 0; position < names.size(); ++position) {
        const std::string& name = names[position];
        // A name with a line break would end a macro command early; such a tool is skipped.
        if (name.empty() || !isSafeToolName(name)) continue;
        if (abort && abort()) break;
        ToolModel tool = readSessionTool(context, name, position);
        tool.typeCode = typeCodeFor(tool.type);
        tools.push_back(std::move(tool));
        if (progress) progress(clampedCount(tools.size()), total, &tools.back());
    }
    return tools;
}

} // namespace Corvana
