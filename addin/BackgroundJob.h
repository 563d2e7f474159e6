#pragma once
// Blocking jobs: one worker thread does the work while the main thread stays
// in the handler, pumping host events and forwarding the worker's progress
// messages to the page until the worker is done.

#include "Core/CoreAll.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace Corvana {

// One pump iteration; tests shorten it only through the time scale.
inline constexpr std::chrono::milliseconds jobPumpInterval{16};

// Always held by shared_ptr: the handler and the worker each keep one.
struct BackgroundJob {
    std::mutex mutex;                                             // guards messages
    std::deque<std::pair<std::string, std::string>> messages;    // (action, data), posting order
    std::atomic<bool> done{false};      // set by the worker as its very last action
    std::atomic<bool> timedOut{false};  // only the PowerMill open's watchdog sets it
};

// Queues a progress message; callable from any thread.
void postJobMessage(BackgroundJob& job, std::string action, std::string data);

// Starts `work` on a new thread that holds its own reference to the job. An
// exception out of `work` is handed to `onFailure` (on the worker) and goes
// no further; `done` is set last in every case. Throws std::system_error when
// no thread can be started.
std::thread startJobWorker(std::shared_ptr<BackgroundJob> job, std::function<void()> work,
                           std::function<void()> onFailure);

using JobMessageFn = std::function<void(const std::string& action, const std::string& data)>;
using JobTickFn = std::function<void()>;

// On the main thread: until the job is done, lets the host process its events,
// hands each queued message to `onMessage` (when set) and to sendToPalette,
// calls `onTick` (when set) and sleeps one pump interval. Then drains once
// more and joins the worker, so its results may be read on return.
void pumpUntilDone(adsk::core::UserInterface* ui, const std::shared_ptr<BackgroundJob>& job, std::thread& worker,
                   JobMessageFn onMessage, JobTickFn onTick);

} // namespace Corvana
