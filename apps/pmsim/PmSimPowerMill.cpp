#include "apps/pmsim/PmSimPowerMill.h"

#include "apps/pmsim/PmSimToolText.h"
#include "sources/ArchiveImport.h"
#include "sources/ProjectFolder.h"

#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <unistd.h>

namespace Corvana::PmSim {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kEntityPrefix = "entity('tool','";

std::chrono::steady_clock::duration seconds(double value) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(value));
}

// "entity('tool','NAME')" with apostrophes doubled in NAME: the name and the
// rest of the expression after the closing parenthesis.
std::optional<std::pair<std::string, std::string_view>> splitEntity(std::string_view expression) {
    if (!expression.starts_with(kEntityPrefix)) return std::nullopt;
    std::string toolName;
    for (std::size_t at = kEntityPrefix.size(); at + 1 < expression.size(); ++at) {
        if (expression[at] != '\'') {
            toolName += expression[at];
            continue;
        }
        if (expression[at + 1] == '\'') {
            toolName += '\'';
            ++at;
            continue;
        }
        if (expression[at + 1] != ')') return std::nullopt;
        return std::pair{toolName, expression.substr(at + 2)};
    }
    return std::nullopt;
}

// The text between the first opening and the last closing `quote`, with
// doubled `doubled` characters made single.
std::optional<std::string> quotedArgument(std::string_view text, char quote, char doubled) {
    const auto open = text.find(quote);
    const auto close = text.rfind(quote);
    if (open == std::string_view::npos || close <= open) return std::nullopt;
    std::string value;
    for (std::size_t at = open + 1; at < close; ++at) {
        value += text[at];
        if (text[at] == doubled && at + 1 < close && text[at + 1] == doubled) ++at;
    }
    return value;
}

std::string versionPart(const std::string& version, int index) {
    std::istringstream parts(version);
    std::string part;
    for (int i = 0; i <= index; ++i)
        if (!std::getline(parts, part, '.')) return {};
    return part;
}

void writeOutline(const std::string& path, const std::vector<ProfilePoint>& points) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.imbue(std::locale::classic());
    out << "PATTERN\n0 0 0\n";
    for (const auto& point : points) out << numberText(point.x) << ' ' << numberText(point.y) << " 0\n";
}

std::vector<ProfilePoint> readOutline(const std::string& path) { return readPatternProfile(path); }

} // namespace

PowerMill::PowerMill(const Options& given)
    : options(given), started(Clock::now()), projectOpened(Clock::now()), metric(given.units != "inches") {
    if (!options.logFile.empty()) logStream.open(options.logFile, std::ios::binary | std::ios::app);
    if (!options.project.empty()) openProject(options.project, options.project.ends_with(".pmlprjz"));
}

void PowerMill::log(std::string_view text) {
    if (!logStream) return;
    std::string line;
    for (const char c : text) {
        if (c == '\r') line += "\\r";
        else if (c == '\n') line += "\\n";
        else line += c;
    }
    logStream << line << '\n' << std::flush;
}

bool PowerMill::loaded() const { return Clock::now() - projectOpened >= seconds(options.loadDelaySeconds); }

const ToolModel* PowerMill::findTool(std::string_view toolName) const {
    if (!loaded()) return nullptr;
    for (const auto& tool : tools)
        if (PmSim::toolName(tool) == toolName) return &tool;
    return nullptr;
}

void PowerMill::openProject(const std::string& path, bool archive) {
    tools.clear();
    name.clear();
    directory.clear();
    std::string folder = path;
    std::string extraction;
    if (archive) {
        extraction = extractPmArchive(path).folder;
        folder = extraction;
    }
    const ExtractedArchiveCleanup cleanup(extraction);
    const ProjectIndex index = loadProjectIndex(folder);
    if (!index.ok) return;
    tools = readProjectFolder(folder);
    const PmUnitsProbe units = probeFolderUnits(folder);
    if (units.answered) metric = units.metric;
    // An imported archive is an unsaved project until the user saves it.
    if (!archive) {
        name = fs::path(index.indexPath).stem().string();
        fs::path absolute = fs::absolute(fs::path(folder)).lexically_normal();
        if (!absolute.has_filename()) absolute = absolute.parent_path();
        directory = absolute.parent_path().string();
    }
    projectOpened = Clock::now();
}

void PowerMill::command(std::string_view text) {
    std::lock_guard lock(mutex);
    log(text);
    if (text == "DELETE ALL\r YES") {
        tools.clear();
        name.clear();
        directory.clear();
    } else if (text == "UNITS MM" || text == "UNITS INCHES") {
        metric = text == "UNITS MM";
    } else if (text.starts_with("PROJECT READONLY OPEN ") || text.starts_with("PROJECT ARCHIVE IMPORT FILEOPEN ")) {
        if (const auto path = quotedArgument(text, '"', '\\')) openProject(*path, text.starts_with("PROJECT ARCHIVE"));
    } else if (text.starts_with("FORM TOOL ")) {
        toolFormOpen = true;
    } else if (text.starts_with("TOOL ACCEPT")) {
        toolFormOpen = false;
    } else if (text.starts_with("ACTIVATE TOOL ")) {
        activeTool = quotedArgument(text, '\'', '\'').value_or("");
    } else if (text == "DEACTIVATE TOOL") {
        activeTool.clear();
    } else if (text.starts_with("EXPORT TOOLHOLDER ; FILESAVE ") || text.starts_with("EXPORT TOOLSHANK ; FILESAVE ")) {
        if (const auto path = quotedArgument(text, '\'', '\0')) exportOutline(text.substr(11, 6), *path);
    } else if (text == "CREATE PATTERN ;") {
        pattern = Pattern{};
    } else if (text.starts_with("EDIT PATTERN ; INSERT FILE FILEOPEN ")) {
        const auto path = quotedArgument(text, '\'', '\0');
        if (pattern && path) pattern->points = readOutline(*path);
    } else if (text.starts_with("KEEP PATTERN ; FILESAVE ")) {
        const auto path = quotedArgument(text, '\'', '\0');
        if (pattern && path) writeOutline(*path, pattern->points);
    } else if (text == "DELETE PATTERN ;") {
        pattern.reset();
    } else if (text == "EXIT") {
        exitRequested = true;
    }
}

void PowerMill::exportOutline(std::string_view kind, const std::string& path) {
    const ToolModel* tool = findTool(activeTool);
    if (!tool) return;
    writeOutline(path, kind.starts_with("HOLDER") ? holderOutline(*tool) : shankOutline(*tool));
}

std::string PowerMill::evaluate(std::string_view expression) {
    std::lock_guard lock(mutex);
    log(expression);
    if (expression == "Units") {
        if (Clock::now() - started < seconds(options.startupDelaySeconds)) return {};
        return metric ? "MM" : "INCHES";
    }
    if (expression == "size(folder('tool'))") return std::to_string(loaded() ? tools.size() : 0);
    if (expression == "$sysvar(pmill_pid)") return std::to_string(::getpid());
    if (expression == "$feature_name()") return {};
    if (expression == "project.name") return name;
    if (expression == "project.directory") return directory;
    static constexpr std::string_view kVersionParts[] = {"year", "major", "minor", "codebase"};
    for (int i = 0; i < 4; ++i)
        if (expression == "$pmill_version()." + std::string(kVersionParts[i])) return versionPart(options.version, i);
    if (expression == "$widget('pmlTappingTool.Shell.TPGeom.Geometry.Pitch').Value") {
        const ToolModel* tool = toolFormOpen ? findTool(addressedTool) : nullptr;
        return tool ? numberText(tool->pitch) : std::string();
    }
    return evaluateToolExpression(expression);
}

std::string PowerMill::evaluateToolExpression(std::string_view expression) {
    const bool toXml = expression.starts_with("$to_xml(") && expression.ends_with(")");
    const bool size = expression.starts_with("size(") && expression.ends_with(")");
    std::string_view inner = expression;
    if (toXml) inner = expression.substr(8, expression.size() - 9);
    else if (size) inner = expression.substr(5, expression.size() - 6);
    const auto entity = splitEntity(inner);
    if (!entity) return {};
    const ToolModel* tool = findTool(entity->first);
    if (!tool) return {};
    addressedTool = entity->first;
    const std::string_view rest = entity->second;
    if (size && rest == ".shanksetvalues") return std::to_string(tool->shankSegments.size());
    if (size && rest == ".holdersetvalues") return std::to_string(tool->holderSegments.size());
    if (size) return {};
    if (toXml && rest.empty()) {
        ++toolXmlServed;
        return options.emptyXml ? std::string() : toolXml(*tool);
    }
    if (toXml && options.emptyXml) return {};
    if (toXml && rest == ".shanksetvalues") return shankSetValuesXml(*tool);
    if (toXml) return {};
    return toolParameter(*tool, rest).value_or("");
}

std::vector<std::string> PowerMill::toolNames() {
    std::lock_guard lock(mutex);
    std::vector<std::string> names;
    if (!loaded()) return names;
    for (const auto& tool : tools) names.push_back(PmSim::toolName(tool));
    return names;
}

std::string PowerMill::projectName() {
    std::lock_guard lock(mutex);
    return name;
}

bool PowerMill::shouldHang() {
    std::lock_guard lock(mutex);
    return options.hangAfter > 0 && toolXmlServed >= options.hangAfter;
}

bool PowerMill::shouldExit() {
    std::lock_guard lock(mutex);
    return exitRequested || (options.exitAfter > 0 && toolXmlServed >= options.exitAfter);
}

} // namespace Corvana::PmSim
