#include "sources/pmsession/PmSessions.h"

#include "platform/TimeScale.h"
#include "sources/ArchiveImport.h"
#include "sources/NumberText.h"

#include <algorithm>
#include <thread>

namespace Corvana {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kArchiveExtension = ".pmlprjz";

void sleepScaled(std::chrono::milliseconds duration) { std::this_thread::sleep_for(scaledDuration(duration)); }

void report(const PmStatusFn& status, const char* word, const char* message) {
    if (status) status(word, message);
}

bool isArchivePath(const std::string& path) { return path.ends_with(kArchiveExtension); }

PmUnitsProbe probeUnits(const std::string& path) {
    return isArchivePath(path) ? probeArchiveUnits(path) : probeFolderUnits(path);
}

bool isKnownSession(const std::vector<PmSession>& cache, const PmSession& object) {
    return std::any_of(cache.begin(), cache.end(),
                       [&object](const PmSession& held) { return held->identity() == object->identity(); });
}

PmSessionEntry entryOf(const PmSessionInfo& info) {
    return {info.projectName, info.pmVersion, info.toolCount, info.isMetric};
}

// "Units" answers once PowerMill is ready; false when the deadline passes first.
bool waitForStartUp(const PmSession& session, Clock::time_point deadline) {
    for (;;) {
        if (Clock::now() >= deadline) return false;
        if (!pmEvaluate(session, "Units").empty()) return true;
        sleepScaled(kPmPoll);
    }
}

std::string failureCodeText(std::uint32_t code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(code));
    return "Failed to launch PowerMill (HRESULT 0x" + std::string(hex) + ").";
}

} // namespace

PmSessionState& pmSessionState() {
    static PmSessionState state;
    return state;
}

std::vector<PmSessionEntry> listPmSessions() {
    PmSessionState& state = pmSessionState();
    state.cache.clear();
    std::vector<PmSessionEntry> entries;
    for (PmSession& object : runningAutomationObjects()) {
        if (isKnownSession(state.cache, object) || !isPmSession(object)) continue;
        const std::uint32_t ownPid = state.launchedPid.load();
        if (ownPid != 0 && readPmProcessId(object) == ownPid) continue;
        PmSessionInfo info;
        readPmSessionInfo(object, info);
        entries.push_back(entryOf(info));
        state.cache.push_back(std::move(object));
    }
    if (!entries.empty()) return entries;
    if (PmSession active = activeAutomationObject(kPmProgId)) {
        PmSessionInfo info;
        readPmSessionInfo(active, info);
        entries.push_back(entryOf(info));
        state.cache.push_back(std::move(active));
    }
    return entries;
}

PmSession attachActivePmSession(PmSessionInfo& info) {
    if (!isAutomationClassRegistered(kPmProgId)) return nullptr;
    PmSession session = activeAutomationObject(kPmProgId);
    if (!session) return nullptr;
    readPmSessionInfo(session, info);
    info.launchedByAddin = false;
    return session;
}

bool openProjectInSession(const PmSession& session, const std::string& path, std::string& error,
                          const PmStatusFn& status, int timeoutSeconds) {
    if (!isSafeQuotedPath(path)) {
        error = kPmUnsafePathText;
        return false;
    }
    const bool archive = isArchivePath(path);
    pmDoCommand(session, "DELETE ALL\r YES");
    sleepScaled(kPmPoll);
    const PmUnitsProbe units = probeUnits(path);
    if (units.answered) pmDoCommand(session, units.metric ? "UNITS MM" : "UNITS INCHES");
    const std::string quoted = "\"" + doubledBackslashes(path) + "\"";
    pmDoCommand(session, (archive ? "PROJECT ARCHIVE IMPORT FILEOPEN " : "PROJECT READONLY OPEN ") + quoted);
    report(status, "reading", "Reading project tools\u2026");
    const auto deadline = Clock::now() + scaledDuration(std::chrono::seconds(std::max(timeoutSeconds, 0)));
    for (;;) {
        if (Clock::now() >= deadline) {
            error = kPmLoadTimeoutText;
            return false;
        }
        sleepScaled(kPmPoll);
        const auto count = parseLeadingInteger(pmEvaluate(session, "size(folder('tool'))"));
        if (count && *count > 0) return true;
    }
}

PmSession launchPmAndOpen(const std::string& path, PmSessionInfo& info, std::string& error,
                          const PmStatusFn& status) {
    if (!isAutomationClassRegistered(kPmProgId)) {
        error = kPmNotInstalledText;
        return nullptr;
    }
    const auto started = Clock::now();
    const auto deadline = started + scaledDuration(kPmStartBudget);
    CreatedServer created = createLocalServer(kPmProgId);
    if (!created.object) {
        error = failureCodeText(created.failureCode);
        return nullptr;
    }
    PmSession session = std::move(created.object);
    report(status, "starting", "Waiting for PowerMill to initialize\u2026");
    if (!waitForStartUp(session, deadline)) {
        error = kPmStartTimeoutText;
        return nullptr;
    }
    const std::uint32_t pid = readPmProcessId(session);
    minimiseServerWindows(pid, "PowerMILL");
    info.pid = pid;
    pmSessionState().launchedPid.store(pid);
    sleepScaled(kPmSettle);
    report(status, "opening", "Loading project\u2026");
    // Whole seconds left of the budget, measured on the unscaled clock.
    const auto scale = timeScaleFactor().load();
    const auto left = std::chrono::duration<double>(deadline - Clock::now()).count() / scale;
    const int remaining = left > 0 ? static_cast<int>(left) : 0;
    if (remaining <= 5) {
        error = kPmStartTimeoutText;
        return nullptr;
    }
    if (!openProjectInSession(session, path, error, status, remaining)) return nullptr;
    readPmSessionInfo(session, info);
    info.launchedByAddin = true;
    if (path.size() >= 8) {
        const PmUnitsProbe units = probeUnits(path);
        if (units.answered) info.isMetric = units.metric;
    }
    return session;
}

void closeLaunchedPmSession() {
    PmSessionState& state = pmSessionState();
    if (state.openInProgress.load() || !state.launched) return;
    pmDoCommand(state.launched, "DIALOGS MESSAGE OFF");
    pmDoCommand(state.launched, "DIALOGS ERROR OFF");
    pmDoCommand(state.launched, "EXIT");
    state.launched.reset();
    state.launchedPid.store(0);
}

} // namespace Corvana
