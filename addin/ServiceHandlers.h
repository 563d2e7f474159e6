#pragma once
// The support-service requests: feedback mail, the diagnostics bundle and the
// update download. Each starts a detached thread that ends by firing one of
// the add-in's custom events; the event's handler finishes on the main thread.

#include "services/FeedbackMail.h"

#include "Core/CoreAll.h"

#include "addin/PendingResults.h"

#include <string>

namespace Corvana {

// Builds the mail body here and sends it on a new thread. With a completion,
// the result comes back through "CorvanaFeedbackDone" to that completion.
// Throws std::system_error when no thread can be started.
void sendFeedbackAsync(const FeedbackRequest& request, PendingCompletion completion);

// The update thread's outcome reached the main thread: launch the verified
// installer, answer the palette that asked and clear the busy flag.
void completeUpdateFromEvent(const std::string& additionalInfo);

void onSubmitFeedback(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onSendDiagnostics(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onDownloadUpdate(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

} // namespace Corvana
