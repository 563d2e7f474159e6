#pragma once
// Opening a PowerMill project for its tools, the slow part of OPEN_PM_PROJECT
// that runs on a worker thread: connect to or start PowerMill, open the
// project, extract the tools, and post status messages and one outcome reply.
// Also the extraction watchdog's bookkeeping and the reply texts.

#include "sources/pmsession/PmLink.h"
#include "sources/pmsession/SessionExtraction.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Corvana {

inline constexpr std::chrono::milliseconds kPmWatchdogLimit{120000};
inline constexpr const char* kPmTimingOutMessage = "No response from PowerMill \u2014 timing out\u2026";

struct PmOpenRequest {
    std::string type;  // "folder", "archive", "live" or another word (opened as a folder)
    std::string path;
    AutomationHandoffRef handoff;              // live opens: the chosen session
    PmSessionInfo liveInfo;                    // live opens: its description
    double toleranceInch = 0.0005;
};

using PmPostFn = std::function<void(const std::string& action, const std::string& data)>;

struct PmOpenHooks {
    PmPostFn post;                             // REPLY_PM_OPEN_STATUS, REPLY_PM_ERROR, REPLY_PM_LOADED
    ToolProgressFn progress;                   // the extraction's progress
    const std::atomic<bool>* timedOut = nullptr;  // set by the watchdog
};

// Runs the open and posts its outcome. The tools read (also those of a
// partial load) are returned with their source word set.
std::vector<ToolModel> runPmOpen(const PmOpenRequest& request, const PmOpenHooks& hooks);

// Main-thread bookkeeping of the extraction watchdog: alive from the first
// PM_BEGIN or PM_TOOL message, stale after 120 s without one.
class PmExtractionActivity {
public:
    PmExtractionActivity() : lastActivity(std::chrono::steady_clock::now()) {}
    void observe(const std::string& action);
    bool isStale() const;

private:
    bool extractionAlive = false;
    std::chrono::steady_clock::time_point lastActivity;
};

std::string pmStatusJson(const std::string& status, const std::string& message);
// {"projectName":...,"pmVersion":...,"toolCount":...,"isMetric":...}
std::string pmSessionEntryJson(const PmSessionEntry& entry);
std::string pmErrorJson(const std::string& reason, const std::string& detail);

} // namespace Corvana
