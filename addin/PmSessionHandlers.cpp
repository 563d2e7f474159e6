#include "addin/PmSessionHandlers.h"

#include "addin/ActionTable.h"
#include "addin/FolderPicker.h"
#include "addin/PaletteBridge.h"
#include "addin/SessionState.h"
#include "addin/SourceParse.h"
#include "convert/Profiles.h"
#include "sources/ArchiveImport.h"
#include "sources/JsonText.h"
#include "sources/pmsession/PmOpen.h"
#include "sources/pmsession/PmSessions.h"

#include "Core/Utils.h"

#include <cmath>
#include <memory>
#include <optional>

namespace Corvana {
namespace {

constexpr const char* kBusyText = "Another tool source is being read; retry when it has finished.";
constexpr const char* kUnexpectedText = "Unexpected error during PowerMill import.";

void sendPmError(adsk::core::UserInterface* ui, const std::string& reason, const std::string& detail) {
    sendToPalette(ui, "REPLY_PM_ERROR", pmErrorJson(reason, detail));
}

std::string sessionsJson(const std::vector<PmSessionEntry>& sessions) {
    std::string json = "[";
    for (const auto& entry : sessions) {
        if (json.size() > 1) json += ',';
        json += pmSessionEntryJson(entry);
    }
    return json + "]";
}

// Raised while an open runs, so that stop leaves the add-in's PowerMill alone.
class OpenInProgressScope {
public:
    OpenInProgressScope() { pmSessionState().openInProgress.store(true); }
    ~OpenInProgressScope() { pmSessionState().openInProgress.store(false); }
    OpenInProgressScope(const OpenInProgressScope&) = delete;
    OpenInProgressScope& operator=(const OpenInProgressScope&) = delete;
};

// The archive from Fusion's file dialog; empty when the dialog was not confirmed.
std::string askForArchive(adsk::core::UserInterface* ui) {
    const auto dialog = ui ? ui->createFileDialog() : nullptr;
    if (!dialog) return {};
    dialog->title(std::string(kArchiveDialogTitle));
    dialog->filter(std::string(kArchiveDialogFilter));
    dialog->filterIndex(0);
    return dialog->showOpen() == adsk::core::DialogOK ? dialog->filename() : std::string();
}

// True when the project was saved by a newer release than the installed one;
// the warning is then sent.
bool warnAboutNewerRelease(adsk::core::UserInterface* ui, const std::string& type, const std::string& path) {
    const int projectYear = type == "folder" ? probeFolderPmVersion(path) : probeArchivePmVersion(path);
    const int installedYear = detectInstalledPmYear();
    if (projectYear < 1 || installedYear < 2 || projectYear <= installedYear) return false;
    sendToPalette(ui, "REPLY_PM_VERSION_WARN",
                  "{\"projectYear\":" + std::to_string(projectYear) +
                      ",\"installedYear\":" + std::to_string(installedYear) + ",\"path\":" + quoteJsonText(path) +
                      ",\"type\":" + quoteJsonText(type) + "}");
    return true;
}

// The listed session at `index`, every other listed reference released; the
// active PowerMill when the list has no such entry.
PmSession chooseLiveSession(int index, PmSessionInfo& info) {
    std::vector<PmSession>& cache = pmSessionState().cache;
    PmSession chosen;
    const auto position = static_cast<std::size_t>(index);
    if (index >= 0 && position < cache.size()) chosen = std::move(cache[position]);
    cache.clear();
    if (!chosen) chosen = attachActivePmSession(info);
    return chosen;
}

int sessionIndexOf(const std::string& data) {
    const double index = readJsonNumber(data, "sessionIndex", 0);
    if (!std::isfinite(index) || index < -1e9 || index > 1e9) return -1;
    return static_cast<int>(index);
}

// Ends an extraction that has made no progress for too long: the job is
// marked timed out and a PowerMill the add-in started is terminated.
void fireWatchdog(adsk::core::UserInterface* ui, BackgroundJob& job) {
    job.timedOut.store(true);
    if (const std::uint32_t pid = pmSessionState().launchedPid.load()) terminateProcess(pid, 1);
    sendToPalette(ui, "REPLY_PM_OPEN_STATUS", pmStatusJson("extracting", kPmTimingOutMessage));
    adsk::doEvents();
}

// The session source's reader: the open with its status messages and outcome posted to the job.
ToolJobReader pmOpenReader(PmOpenRequest request) {
    return [request = std::move(request)](BackgroundJob& job, const ToolProgressFn& progress) {
        PmOpenHooks hooks;
        hooks.post = [&job](const std::string& action, const std::string& data) { postJobMessage(job, action, data); };
        hooks.progress = progress;
        hooks.timedOut = &job.timedOut;
        return runPmOpen(request, hooks);
    };
}

// Runs the open while pumping, with the watchdog on every pass of the pump.
void runOpenJob(adsk::core::UserInterface* ui, PmOpenRequest request) {
    const SourceReadScope reading(sessionSource());
    const auto job = std::make_shared<BackgroundJob>();
    PmExtractionActivity activity;
    const OpenInProgressScope opening;
    const bool failed = readIntoSource(
        sessionSource(), ui, job, pmOpenReader(std::move(request)),
        [&activity](const std::string& action, const std::string&) { activity.observe(action); },
        [&]() {
            if (activity.isStale() && !job->timedOut.load() && !job->done.load()) fireWatchdog(ui, *job);
        });
    if (failed) sendPmError(ui, "exception", kUnexpectedText);
}

} // namespace

void onGetPmStatus(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    const bool installed = detectInstalledPmYear() != 0;
    const std::vector<PmSessionEntry> sessions = installed ? listPmSessions() : std::vector<PmSessionEntry>{};
    sendToPalette(ui, "REPLY_PM_STATUS",
                  std::string("{\"pmInstalled\":") + (installed ? "true" : "false") +
                      ",\"sessions\":" + sessionsJson(sessions) + "}");
}

void onOpenPmProject(const std::string& data, adsk::core::Application*, adsk::core::UserInterface* ui) {
    // A nested request from inside a pump would run a second reader beside the first.
    if (isParseRunning()) {
        sendPmError(ui, "busy", kBusyText);
        return;
    }
    pmSessionTools().clear();
    const std::string type = readJsonString(data, "type");
    std::string path = readJsonString(data, "path");
    if (type == "folder" && path.empty()) {
        path = browseForProjectFolder();
        if (path.empty()) return sendPmError(ui, "cancelled", "No folder selected.");
    }
    if (type == "archive" && path.empty()) {
        path = askForArchive(ui);
        if (path.empty()) return sendPmError(ui, "cancelled", "No archive selected.");
    }
    setLastSource(type, path);
    const bool live = type == "live";
    if (!live && !isSafeQuotedPath(path)) return sendPmError(ui, "invalid_path", kPmUnsafePathText);
    const bool checksRelease = !readJsonBool(data, "force") && (type == "folder" || type == "archive");
    if (checksRelease && warnAboutNewerRelease(ui, type, path)) return;
    PmOpenRequest request;
    request.type = type;
    request.path = path;
    request.toleranceInch = polyTolerance();
    if (live) {
        PmSession session = chooseLiveSession(sessionIndexOf(data), request.liveInfo);
        if (!session)
            return sendPmError(ui, "not_running", "Could not connect to the selected PowerMill session.");
        readPmProjectInfo(session, request.liveInfo);
        lastSourceInfo().projectName = request.liveInfo.projectName;
        lastSourceInfo().pmVersion = request.liveInfo.pmVersion;
        request.handoff = handOffAutomationObject(session);
    } else {
        sendToPalette(ui, "REPLY_PM_OPEN_STATUS", pmStatusJson("launching", "Launching PowerMill\u2026"));
        adsk::doEvents();
    }
    runOpenJob(ui, std::move(request));
}

void onOpenPmProjectForce(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    const std::string forced = "{\"force\":true," + (data.size() < 2 ? std::string("}") : data.substr(1));
    onOpenPmProject(forced, app, ui);
}

void registerPmOpenActions() {
    registerAction("GET_PM_STATUS", onGetPmStatus);
    registerAction("OPEN_PM_PROJECT", onOpenPmProject);
    registerAction("OPEN_PM_PROJECT_FORCE", onOpenPmProjectForce);
}

} // namespace Corvana
