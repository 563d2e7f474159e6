#include "addin/BackgroundJob.h"

#include "addin/PaletteBridge.h"
#include "platform/TimeScale.h"

#include "Core/Utils.h"

namespace Corvana {
namespace {

// The queue is taken whole under the lock and forwarded outside it, so a
// callback that posts to the same job cannot deadlock; order is kept.
void drainMessages(adsk::core::UserInterface* ui, BackgroundJob& job, const JobMessageFn& onMessage) {
    std::deque<std::pair<std::string, std::string>> pending;
    {
        std::lock_guard lock(job.mutex);
        pending.swap(job.messages);
    }
    for (const auto& [action, data] : pending) {
        if (onMessage) onMessage(action, data);
        sendToPalette(ui, action, data);
    }
}

// Waits for the worker when pumping ends by an exception, so the thread is
// never destroyed while joinable (which would terminate the host).
class JoinOnUnwind {
public:
    explicit JoinOnUnwind(std::thread& thread) : worker(thread) {}
    JoinOnUnwind(const JoinOnUnwind&) = delete;
    JoinOnUnwind& operator=(const JoinOnUnwind&) = delete;
    ~JoinOnUnwind() {
        if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
    }

private:
    std::thread& worker;
};

} // namespace

void postJobMessage(BackgroundJob& job, std::string action, std::string data) {
    std::lock_guard lock(job.mutex);
    job.messages.emplace_back(std::move(action), std::move(data));
}

std::thread startJobWorker(std::shared_ptr<BackgroundJob> job, std::function<void()> work,
                           std::function<void()> onFailure) {
    return std::thread([job = std::move(job), work = std::move(work), onFailure = std::move(onFailure)]() {
        try {
            work();
        } catch (...) {
            try {
                if (onFailure) onFailure();
            } catch (...) {
                // Nothing may escape the worker; done is still set below.
            }
        }
        job->done.exchange(true);
    });
}

void pumpUntilDone(adsk::core::UserInterface* ui, const std::shared_ptr<BackgroundJob>& job, std::thread& worker,
                   JobMessageFn onMessage, JobTickFn onTick) {
    JoinOnUnwind joinGuard(worker);
    while (!job->done.load()) {
        adsk::doEvents();
        drainMessages(ui, *job, onMessage);
        if (onTick) onTick();
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + scaledDuration(jobPumpInterval));
    }
    // Messages posted just before done still reach the page.
    drainMessages(ui, *job, onMessage);
    worker.join();
}

} // namespace Corvana
