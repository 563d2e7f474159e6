#pragma once
// Running PowerMill sessions: listing and attaching, starting PowerMill and
// opening a project in it read-only, and closing the PowerMill the add-in
// started. Fixed waits go through the time scale.

#include "sources/pmsession/PmLink.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace Corvana {

inline constexpr std::chrono::milliseconds kPmStartBudget{120000};
inline constexpr std::chrono::milliseconds kPmPoll{500};
inline constexpr std::chrono::milliseconds kPmSettle{3000};
inline constexpr int kPmReuseLoadSeconds = 60;

inline constexpr const char* kPmNotInstalledText = "PowerMill is not installed or not registered on this machine.";
inline constexpr const char* kPmStartTimeoutText =
    "PowerMill did not start within 2 minutes. This may indicate a licensing or product issue for your "
    "investigation before retry.";
inline constexpr const char* kPmLoadTimeoutText = "The project did not finish loading within the timeout.";
inline constexpr const char* kPmUnsafePathText =
    "The path contains a double quote or a line break, which cannot be passed to PowerMill. Rename the folder or "
    "file and retry.";

// Process-wide session state, from run to stop. The cache and the launched
// session are touched by one thread at a time (the main thread, or the open
// job's worker while pmOpenInProgress is set); the two atomics by any thread.
struct PmSessionState {
    std::vector<PmSession> cache;  // entry i belongs to element i of the last list
    PmSession launched;            // the PowerMill the add-in started
    std::atomic<std::uint32_t> launchedPid{0};
    std::atomic<bool> openInProgress{false};
};

PmSessionState& pmSessionState();

// (status word, message) while an open proceeds.
using PmStatusFn = std::function<void(const std::string& status, const std::string& message)>;

// Running sessions, the add-in's own PowerMill left out while its id is
// known; refills the cache.
std::vector<PmSessionEntry> listPmSessions();

// The active PowerMill, described in `info`; null when there is none.
PmSession attachActivePmSession(PmSessionInfo& info);

// Empties the session and opens the folder or .pmlprjz archive read-only,
// then waits until its tool folder is not empty.
bool openProjectInSession(const PmSession& session, const std::string& path, std::string& error,
                          const PmStatusFn& status, int timeoutSeconds);

// Starts a new PowerMill and opens the project in it within one start-up
// budget; its id is stored in launchedPid as soon as it is known.
PmSession launchPmAndOpen(const std::string& path, PmSessionInfo& info, std::string& error,
                          const PmStatusFn& status);

// Closes the PowerMill the add-in started, unless an open is running.
void closeLaunchedPmSession();

} // namespace Corvana
