#pragma once
// The link to a running PowerMill through its automation server
// "PowerMILL.Application": the automation primitives, the detection of an
// installed release, the session description and the macro-text rules.

#include "platform/Automation.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Corvana {

inline constexpr const char* kPmProgId = "PowerMILL.Application";

// A counted reference to a PowerMill application object.
using PmSession = AutomationRef;

struct PmSessionInfo {
    std::string projectName;
    std::string pmVersion;
    std::int32_t toolCount = 0;
    bool launchedByAddin = false;
    bool isMetric = false;
    std::uint32_t pid = 0;  // 0 when unknown
};

struct PmSessionEntry {
    std::string projectName;
    std::string pmVersion;
    std::int32_t toolCount = 0;
    bool isMetric = false;
};

// Runs a macro command; true when the call itself succeeded.
bool pmDoCommand(const PmSession& session, std::string_view command);
// Evaluates a parameter expression; the returned text, empty on any failure.
std::string pmEvaluate(const PmSession& session, std::string_view expression);
// A property of any object of the session; empty on failure.
AutomationValue pmGetProperty(const AutomationRef& object, std::string_view name);

// True when "Units" answers one of PowerMill's unit words.
bool isPmSession(const PmSession& session);

// The newest installed release year (2030 down to 2018), 1 when only the
// automation class is registered, 0 when PowerMill is not installed.
int detectInstalledPmYear();

// Units, tool count, project name and version; leaves launchedByAddin and pid.
void readPmSessionInfo(const PmSession& session, PmSessionInfo& info);
// readPmSessionInfo, then the units stored with the project on disk when found.
void readPmProjectInfo(const PmSession& session, PmSessionInfo& info);
// "$sysvar(pmill_pid)"; 0 when it is not a number.
std::uint32_t readPmProcessId(const PmSession& session);

// Macro commands take paths and names inside quotes. A double quote or a line
// break would end the quoted text and let the rest run as further commands.
bool isSafeQuotedPath(std::string_view path);
bool isSafeToolName(std::string_view name);
std::string doubledBackslashes(std::string_view text);
std::string doubledApostrophes(std::string_view text);

} // namespace Corvana
