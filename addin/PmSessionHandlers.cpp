#include "addin/PmSessionHandlers.h"

#include "addin/ActionTable.h"
#include "addin/BackgroundJob.h"
#include "addin/PaletteBridge.h"
#include "convert/Classification.h"
#include "convert/Profiles.h"
#include "convert/ToolSummary.h"
#include "platform/FolderPicker.h"
#include "sources/ArchiveImport.h"
#include "sources/JsonText.h"
#include "sources/ToolModel.h"
#include "sources/pmsession/PmOpen.h"
#include "sources/pmsession/PmSessions.h"

#include "Core/Utils.h"

#include <cmath>
#include <memory>
#include <optional>

namespace Corvana {
namespace {

constexpr const char* kBusyText = "A PowerMill project is already being opened.";

void sendPmError(adsk::core::UserInterface* ui, const std::string& reason, const std::string& detail) {
    sendToPalette(ui, "REPLY_PM_ERROR", pmErrorJson(reason, detail));
}

std::string sessionsJson(const std::vector<PmSessionEntry>& sessions) {
    std::string json = "[";
    for (const auto& entry : sessions) {
        if (json.size() > 1) json += ',';
        json += "{\"projectName\":" + quoteJsonText(entry.projectName) +
                ",\"pmVersion\":" + quoteJsonText(entry.pmVersion) +
                ",\"toolCount\":" + std::to_string(entry.toolCount) +
                ",\"isMetric\":" + (entry.isMetric ? "true" : "false") + "}";
    }
    return json + "]";
}

// The archive from Fusion's file dialog; empty when the dialog was not confirmed.
std::string askForArchive(adsk::core::UserInterface* ui) {
    const auto dialog = ui ? ui->createFileDialog() : nullptr;
    if (!dialog) return {};
    dialog->title(std::string(kArchiveDialogTitle));
    dialog->filter(std::string(kArchiveDialogFilter));
    dialog->filterIndex(0);
    return dialog->showOpen() == adsk::core::DialogOK ? dialog->filename() : std::string();
}

void recordSource(const std::string& type, const std::string& path) {
    LastSourceInfo& info = lastSourceInfo();
    info.type = type;
    info.path = path;
    info.projectName.clear();
    info.pmVersion.clear();
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
    if (index >= 0 && static_cast<std::size_t>(index) < cache.size()) chosen = std::move(cache[static_cast<std::size_t>(index)]);
    cache.clear();
    if (!chosen) chosen = attachActivePmSession(info);
    return chosen;
}

int sessionIndexOf(const std::string& data) {
    const double index = readJsonNumber(data, "sessionIndex", 0);
    if (!std::isfinite(index) || index < -1e9 || index > 1e9) return -1;
    return static_cast<int>(index);
}

ToolProgressFn pmProgressPoster(const std::shared_ptr<BackgroundJob>& job) {
    return [job](std::int32_t index, std::int32_t total, const ToolModel* tool) {
        if (index == 0) postJobMessage(*job, "PM_BEGIN", "{\"total\":" + std::to_string(total) + "}");
        else if (tool) postJobMessage(*job, "PM_TOOL", buildToolSummaryJson(*tool, index - 1, true));
    };
}

// Ends an extraction that has made no progress for too long: the job is
// marked timed out and a PowerMill the add-in started is terminated.
void fireWatchdog(adsk::core::UserInterface* ui, BackgroundJob& job) {
    job.timedOut.store(true);
    if (const std::uint32_t pid = pmSessionState().launchedPid.load()) terminateProcess(pid, 1);
    sendToPalette(ui, "REPLY_PM_OPEN_STATUS", pmStatusJson("extracting", kPmTimingOutMessage));
    adsk::doEvents();
}

void runOpenJob(adsk::core::UserInterface* ui, PmOpenRequest request) {
    const auto job = std::make_shared<BackgroundJob>();
    PmSessionState& state = pmSessionState();
    state.openInProgress.store(true);
    std::thread worker = startJobWorker(
        job,
        [job, request = std::move(request)]() {
            PmOpenHooks hooks;
            hooks.post = [job](const std::string& action, const std::string& data) {
                postJobMessage(*job, action, data);
            };
            hooks.progress = pmProgressPoster(job);
            hooks.prepare = [](ToolModel& tool) { classifyTool(tool); };
            hooks.timedOut = &job->timedOut;
            pmSessionTools() = runPmOpen(request, hooks);
        },
        [job]() { postJobMessage(*job, "REPLY_PM_ERROR", pmErrorJson("exception", "Unexpected error during PowerMill import.")); });
    PmExtractionActivity activity;
    pumpUntilDone(
        ui, job, worker, [&activity](const std::string& action, const std::string&) { activity.observe(action); },
        [&]() {
            if (activity.isStale() && !job->timedOut.load() && !job->done.load()) fireWatchdog(ui, *job);
        });
    state.openInProgress.store(false);
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
    // A nested request from inside the pump would run a second open beside the first.
    if (pmSessionState().openInProgress.load()) {
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
    recordSource(type, path);
    const bool live = type == "live";
    if (!live && !isSafeQuotedPath(path)) return sendPmError(ui, "invalid_path", kPmUnsafePathText);
    if (!readJsonBool(data, "force") && (type == "folder" || type == "archive") && warnAboutNewerRelease(ui, type, path))
        return;
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
