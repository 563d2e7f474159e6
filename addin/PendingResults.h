#pragma once
// Detached work: a thread finishes by firing a custom event, and the event's
// handler on the main thread completes the request. Feedback and diagnostics
// mails wait in the pending-completion map; the update download has a busy
// flag and the user interface it answers on.

#include "Core/CoreAll.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace Corvana {

using PendingCompletion = std::function<void(bool ok, const std::string& error)>;

// Stores the callback under the next request number (1, 2, ...) and returns
// that number. Safe from any thread.
std::int64_t addPendingCompletion(PendingCompletion completion);

// Takes the callback out of the map; nothing when the number is not pending.
std::optional<PendingCompletion> takePendingCompletion(std::int64_t id);

// Drops every pending callback (stop); their late events then do nothing.
void clearPendingCompletions();

// The additional info a finished thread fires: {"id":N,"ok":true,"err":"..."}.
std::string completionEventInfo(std::int64_t id, bool ok, const std::string& error);

// Completes the request named by the event's "id" (missing or unreadable: -1)
// with its "ok" and "err"; an id that is not pending does nothing.
void completePendingFromEvent(const std::string& additionalInfo);

// The update download's state, reset by stop.
std::atomic<bool>& updateDownloadBusy();
adsk::core::Ptr<adsk::core::UserInterface>& updateAnswerUserInterface();

} // namespace Corvana
