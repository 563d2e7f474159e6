#include "sources/pmsession/PmOpen.h"

#include "platform/TimeScale.h"
#include "sources/JsonText.h"
#include "sources/pmsession/PmSessions.h"

#include <exception>

namespace Corvana {
namespace {

constexpr const char* kUnsavedProject = "Unsaved project";
constexpr const char* kMarshalFailedText = "Failed to connect to the PowerMill session.";
constexpr const char* kSessionLostText =
    "The PowerMill session was lost during extraction. Check PowerMill and retry.";
constexpr const char* kTimeoutText =
    "No response from PowerMill for 2 minutes. The session may be frozen. Check PowerMill and retry.";
constexpr const char* kNoToolsText =
    "No tools found. The project may be empty or incompatible with the installed PowerMill version.";
constexpr const char* kUnexpectedText = "Unexpected error during PowerMill import.";

struct OpenedSession {
    PmSession session;
    PmSessionInfo info;
};

class PmOpenRun {
public:
    PmOpenRun(const PmOpenRequest& openRequest, const PmOpenHooks& openHooks)
        : request(openRequest), hooks(openHooks), live(openRequest.type == "live") {}

    std::vector<ToolModel> run() {
        std::optional<OpenedSession> opened = live ? takeUpLiveSession() : openInOwnPowerMill();
        if (!opened) return {};
        status("extracting", "Extracting tool data\u2026");
        const std::uint32_t pid = extractionPid(*opened);
        std::vector<ToolModel> tools = extractSessionTools(opened->session, opened->info.isMetric,
                                                           request.toleranceInch, hooks.progress, abortTest(pid));
        const char* sourceWord = live ? "Session" : request.type == "archive" ? "Archive" : "Project";
        for (auto& tool : tools) tool.sourceKind = sourceWord;
        opened->session.reset();
        if (sessionLost && !live) dropLaunchedSession();
        if (!live) nameFromPath(opened->info);
        postOutcome(tools.size(), opened->info);
        return tools;
    }

private:
    void post(const std::string& action, const std::string& data) const {
        if (hooks.post) hooks.post(action, data);
    }
    void status(const std::string& word, const std::string& message) const {
        post("REPLY_PM_OPEN_STATUS", pmStatusJson(word, message));
    }
    void error(const std::string& reason, const std::string& detail) const {
        post("REPLY_PM_ERROR", pmErrorJson(reason, detail));
    }
    bool timedOut() const { return hooks.timedOut && hooks.timedOut->load(); }

    std::optional<OpenedSession> takeUpLiveSession() {
        OpenedSession opened;
        if (request.handoff) opened.session = takeUpAutomationObject(*request.handoff);
        if (!opened.session) {
            error("marshal_failed", kMarshalFailedText);
            return std::nullopt;
        }
        opened.info = request.liveInfo;
        return opened;
    }

    std::optional<OpenedSession> openInOwnPowerMill() {
        PmSessionState& state = pmSessionState();
        const PmStatusFn statusFn = [this](const std::string& word, const std::string& message) {
            status(word, message);
        };
        OpenedSession opened;
        std::string failure;
        if (state.launched && !pmEvaluate(state.launched, "Units").empty()) {
            status("opening", "Loading project\u2026");
            if (!openProjectInSession(state.launched, request.path, failure, statusFn, kPmReuseLoadSeconds)) {
                error("load_failed", failure);
                return std::nullopt;
            }
            opened.session = state.launched;
            readPmProjectInfo(opened.session, opened.info);
            return opened;
        }
        // A PowerMill of ours that no longer answers is ended, not abandoned.
        if (state.launched) dropLaunchedSession(true);
        opened.session = launchPmAndOpen(request.path, opened.info, failure, statusFn);
        if (!opened.session) {
            state.launchedPid.store(0);
            error("launch_failed", failure);
            return std::nullopt;
        }
        state.launched = opened.session;
        return opened;
    }

    void dropLaunchedSession(bool terminate = false) {
        PmSessionState& state = pmSessionState();
        const std::uint32_t pid = state.launchedPid.exchange(0);
        state.launched.reset();
        if (terminate && pid != 0) terminateProcess(pid, 1);
    }

    std::uint32_t extractionPid(const OpenedSession& opened) const {
        std::uint32_t pid = opened.info.pid;
        if (pid == 0 && !live) pid = pmSessionState().launchedPid.load();
        if (pid == 0) pid = readPmProcessId(opened.session);
        return pid;
    }

    ExtractionAbortFn abortTest(std::uint32_t pid) {
        return [this, pid]() {
            if (timedOut()) return true;
            if (pid == 0 || isProcessRunning(pid)) return false;
            sessionLost = true;
            return true;
        };
    }

    // An unsaved or unnamed project is named after the folder or archive.
    void nameFromPath(PmSessionInfo& info) const {
        if (!info.projectName.empty() && info.projectName != kUnsavedProject) return;
        const std::size_t slash = request.path.find_last_of("/\\");
        std::string name = slash == std::string::npos ? request.path : request.path.substr(slash + 1);
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos) name.erase(dot);
        if (!name.empty()) info.projectName = name;
    }

    void postOutcome(std::size_t count, const PmSessionInfo& info) const {
        if (sessionLost) {
            if (count == 0) error("session_lost", kSessionLostText);
            else postLoaded(count, info, "session_lost");
        } else if (timedOut()) {
            if (count > 0) postLoaded(count, info, "timeout");
            else error("timeout", kTimeoutText);
        } else if (count == 0 && !live) {
            error("no_tools", kNoToolsText);
        } else {
            postLoaded(count, info, nullptr);
        }
    }

    void postLoaded(std::size_t count, const PmSessionInfo& info, const char* partialReason) const {
        std::string json = "{\"cancelled\":false,";
        if (partialReason)
            json += "\"partial\":true,\"partialReason\":" + quoteJsonText(partialReason) + ",";
        json += "\"count\":" + std::to_string(count) + ",\"projectName\":" + quoteJsonText(info.projectName) +
                ",\"isMetric\":" + (info.isMetric ? "true" : "false") +
                ",\"pmVersion\":" + quoteJsonText(info.pmVersion) + "}";
        post("REPLY_PM_LOADED", json);
    }

    const PmOpenRequest& request;
    const PmOpenHooks& hooks;
    const bool live;
    bool sessionLost = false;
};

} // namespace

std::vector<ToolModel> runPmOpen(const PmOpenRequest& request, const PmOpenHooks& hooks) {
    PmOpenRun run(request, hooks);
    try {
        return run.run();
    } catch (const std::exception& failure) {
        if (hooks.post) hooks.post("REPLY_PM_ERROR", pmErrorJson("exception", failure.what()));
    } catch (...) {
        if (hooks.post) hooks.post("REPLY_PM_ERROR", pmErrorJson("exception", kUnexpectedText));
    }
    return {};
}

void PmExtractionActivity::observe(const std::string& action) {
    if (action != "PM_BEGIN" && action != "PM_TOOL") return;
    extractionAlive = true;
    lastActivity = std::chrono::steady_clock::now();
}

bool PmExtractionActivity::isStale() const {
    return extractionAlive && std::chrono::steady_clock::now() - lastActivity > scaledDuration(kPmWatchdogLimit);
}

std::string pmStatusJson(const std::string& status, const std::string& message) {
    return "{\"status\":" + quoteJsonText(status) + ",\"msg\":" + quoteJsonText(message) + "}";
}

std::string pmSessionEntryJson(const PmSessionEntry& entry) {
    return "{\"projectName\":" + quoteJsonText(entry.projectName) +
           ",\"pmVersion\":" + quoteJsonText(entry.pmVersion) + ",\"toolCount\":" + std::to_string(entry.toolCount) +
           ",\"isMetric\":" + (entry.isMetric ? "true" : "false") + "}";
}

std::string pmErrorJson(const std::string& reason, const std::string& detail) {
    return "{\"reason\":" + quoteJsonText(reason) + ",\"detail\":" + quoteJsonText(detail) + "}";
}

} // namespace Corvana
