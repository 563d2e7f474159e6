#include "apps/corvana/SessionSource.h"

#include "convert/Classification.h"
#include "convert/Profiles.h"
#include "platform/TimeScale.h"
#include "sources/JsonText.h"
#include "sources/pmsession/PmOpen.h"
#include "sources/pmsession/PmSessions.h"

#include <atomic>
#include <iostream>
#include <mutex>
#include <thread>

namespace Corvana {
namespace {

constexpr std::chrono::milliseconds kWatchInterval{16};

std::string installedText(int year) {
    if (year == 0) return "PowerMill is not installed.";
    if (year == 1) return "PowerMill is registered (release unknown).";
    return "PowerMill " + std::to_string(year) + " is installed.";
}

// What the open posted last: its outcome.
struct Outcome {
    std::mutex mutex;
    std::string action;
    std::string data;
};

std::string partialNotice(const std::string& data) {
    const std::string count = std::to_string(static_cast<long long>(readJsonNumber(data, "count", 0)));
    if (readJsonString(data, "partialReason") == "timeout")
        return "PowerMill stopped answering; only the first " + count + " tools were read.";
    return "The PowerMill session ended; only the first " + count + " tools were read.";
}

// Runs the live open on a worker while this thread plays the watchdog: after
// 120 s without progress the open is marked timed out and ends.
std::vector<ToolModel> runLiveOpen(const PmOpenRequest& request, const ToolProgressFn& progress, Outcome& outcome) {
    std::atomic<bool> timedOut{false};
    std::atomic<bool> done{false};
    std::atomic<bool> alive{false};
    std::atomic<std::int64_t> lastActivity{0};
    const auto now = []() { return std::chrono::steady_clock::now().time_since_epoch().count(); };
    std::vector<ToolModel> tools;
    std::thread worker([&]() {
        PmOpenHooks hooks;
        hooks.post = [&outcome](const std::string& action, const std::string& data) {
            std::lock_guard lock(outcome.mutex);
            outcome.action = action;
            outcome.data = data;
        };
        hooks.progress = classifyingProgress([&](std::int32_t index, std::int32_t total, ToolModel* tool) {
            lastActivity.store(now());
            alive.store(true);
            if (progress) progress(index, total, tool);
        });
        hooks.timedOut = &timedOut;
        tools = runPmOpen(request, hooks);
        done.store(true);
    });
    const auto limit = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        scaledDuration(kPmWatchdogLimit)).count();
    while (!done.load()) {
        std::this_thread::sleep_for(scaledDuration(kWatchInterval));
        if (alive.load() && !timedOut.load() && now() - lastActivity.load() > limit) timedOut.store(true);
    }
    worker.join();
    return tools;
}

} // namespace

int runSessions(bool json) {
    const int year = detectInstalledPmYear();
    const std::vector<PmSessionEntry> sessions = year != 0 ? listPmSessions() : std::vector<PmSessionEntry>{};
    if (json) {
        for (const auto& entry : sessions) std::cout << pmSessionEntryJson(entry) << '\n';
        return 0;
    }
    std::cout << installedText(year) << '\n';
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        const PmSessionEntry& entry = sessions[i];
        std::cout << i << "  " << entry.projectName << "  PowerMill " << entry.pmVersion << "  " << entry.toolCount
                  << (entry.toolCount == 1 ? " tool" : " tools") << "  " << (entry.isMetric ? "mm" : "in") << '\n';
    }
    std::cout << sessions.size() << (sessions.size() == 1 ? " session" : " sessions") << '\n';
    return 0;
}

LoadedSource loadSessionSource(int index, const ToolProgressFn& progress) {
    LoadedSource loaded;
    loaded.kind = SourceKind::Session;
    const std::size_t listed = detectInstalledPmYear() != 0 ? listPmSessions().size() : 0;
    std::vector<PmSession>& cache = pmSessionState().cache;
    if (index < 0 || static_cast<std::size_t>(index) >= listed || static_cast<std::size_t>(index) >= cache.size()) {
        cache.clear();
        loaded.message = "There is no running PowerMill session " + std::to_string(index) +
                         " (corvana sessions lists them).";
        return loaded;
    }
    PmSession session = std::move(cache[static_cast<std::size_t>(index)]);
    cache.clear();
    PmOpenRequest request;
    request.type = "live";
    request.toleranceInch = polyTolerance();
    readPmProjectInfo(session, request.liveInfo);
    request.handoff = handOffAutomationObject(session);
    session.reset();
    Outcome outcome;
    loaded.tools = runLiveOpen(request, progress, outcome);
    if (outcome.action != "REPLY_PM_LOADED") {
        loaded.message = readJsonString(outcome.data, "detail");
        if (loaded.message.empty()) loaded.message = "The PowerMill session could not be read.";
        loaded.tools.clear();
        return loaded;
    }
    if (readJsonBool(outcome.data, "partial")) loaded.notice = partialNotice(outcome.data);
    loaded.ok = true;
    return loaded;
}

} // namespace Corvana
