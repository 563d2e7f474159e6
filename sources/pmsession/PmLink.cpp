#include "sources/pmsession/PmLink.h"

#include "sources/ArchiveImport.h"
#include "sources/NumberText.h"

#include <array>
#include <filesystem>
#include <limits>

namespace Corvana {
namespace {

constexpr std::array<std::string_view, 2> kReleaseRoots = {"SOFTWARE\\Autodesk\\PowerMill ",
                                                           "SOFTWARE\\WOW6432Node\\Autodesk\\PowerMill "};
constexpr int kNewestYear = 2030;
constexpr int kOldestYear = 2018;

// The platform's own separator, for paths this code builds.
constexpr char kPathSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

std::string withDefault(std::string text, const char* fallback) { return text.empty() ? fallback : text; }

std::string doubled(std::string_view text, char c) {
    std::string out;
    out.reserve(text.size());
    for (const char byte : text) {
        out += byte;
        if (byte == c) out += c;
    }
    return out;
}

std::string readPmVersion(const PmSession& session) {
    const std::string year = pmEvaluate(session, "$pmill_version().year");
    if (year.empty()) return "<2019";
    std::string version = year + "." + withDefault(pmEvaluate(session, "$pmill_version().major"), "0") + "." +
                          withDefault(pmEvaluate(session, "$pmill_version().minor"), "0");
    const std::string codebase = pmEvaluate(session, "$pmill_version().codebase");
    if (!codebase.empty()) version += " (" + codebase + ")";
    return version;
}

} // namespace

bool pmDoCommand(const PmSession& session, std::string_view command) {
    return session && session->call("DoCommand", command).has_value();
}

std::string pmEvaluate(const PmSession& session, std::string_view expression) {
    if (!session) return {};
    const auto value = session->call("GetParameterXML", expression);
    if (!value || value->kind != AutomationValue::Kind::Text) return {};
    return value->text;
}

AutomationValue pmGetProperty(const AutomationRef& object, std::string_view name) {
    return object ? object->getProperty(name) : AutomationValue{};
}

bool isPmSession(const PmSession& session) {
    static constexpr std::array<std::string_view, 6> kUnitWords = {"imperial", "metric", "MM",
                                                                   "mm",       "INCHES", "inches"};
    const std::string units = pmEvaluate(session, "Units");
    for (const auto word : kUnitWords)
        if (units == word) return true;
    return false;
}

int detectInstalledPmYear() {
    for (const auto root : kReleaseRoots)
        for (int year = kNewestYear; year >= kOldestYear; --year)
            if (registryKeyExists(RegistryRoot::LocalMachine, std::string(root) + std::to_string(year))) return year;
    return registryKeyExists(RegistryRoot::ClassesRoot, kPmProgId) ? 1 : 0;
}

void readPmSessionInfo(const PmSession& session, PmSessionInfo& info) {
    const std::string units = pmEvaluate(session, "Units");
    info.isMetric = units == "metric" || units == "MM" || units == "mm";
    info.toolCount = parseLeadingInt32(pmEvaluate(session, "size(folder('tool'))")).value_or(0);
    info.projectName = pmEvaluate(session, "$feature_name()");
    if (info.projectName.empty()) info.projectName = pmEvaluate(session, "project.name");
    if (info.projectName.empty()) info.projectName = "Unsaved project";
    info.pmVersion = readPmVersion(session);
}

void readPmProjectInfo(const PmSession& session, PmSessionInfo& info) {
    readPmSessionInfo(session, info);
    if (!info.projectName.empty()) {
        const PmUnitsProbe probe = probeFolderUnits(info.projectName);
        if (probe.answered) {
            info.isMetric = probe.metric;
            return;
        }
    }
    std::string folder = pmEvaluate(session, "project.directory");
    if (folder.empty() || info.projectName.empty()) return;
    if (folder.back() != '\\' && folder.back() != '/') folder += kPathSeparator;
    const PmUnitsProbe probe = probeFolderUnits(folder + info.projectName);
    if (probe.answered) info.isMetric = probe.metric;
}

std::uint32_t readPmProcessId(const PmSession& session) {
    const auto pid = parseLeadingInteger(pmEvaluate(session, "$sysvar(pmill_pid)"));
    if (!pid || *pid < 0 || *pid > std::numeric_limits<std::uint32_t>::max()) return 0;
    return static_cast<std::uint32_t>(*pid);
}

bool isSafeQuotedPath(std::string_view path) { return path.find_first_of("\"\r\n") == std::string_view::npos; }

bool isSafeToolName(std::string_view name) { return name.find_first_of("\r\n") == std::string_view::npos; }

std::string doubledBackslashes(std::string_view text) { return doubled(text, '\\'); }

std::string doubledApostrophes(std::string_view text) { return doubled(text, '\''); }

} // namespace Corvana
