#include "addin/ServiceHandlers.h"

#include "addin/HostRequests.h"
#include "addin/ImportPipeline.h"
#include "addin/Lifecycle.h"
#include "addin/PaletteBridge.h"
#include "addin/SessionState.h"
#include "platform/Opener.h"
#include "services/Diagnostics.h"
#include "services/HttpExchanges.h"
#include "services/UpdateDownload.h"
#include "sources/JsonText.h"

#include <chrono>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace Corvana {
namespace {

DiagnosticsSource diagnosticsSource() {
    const LastSourceInfo& source = lastSourceInfo();
    return {source.type, source.path, source.projectName, source.pmVersion};
}

constexpr const char* busyAnswer = "{\"ok\":false,\"launched\":false,\"devUnsigned\":false,\"errorCode\":\"busy\"}";

// Workers reach the host only to fire an event; after stop there is none.
void fireHostEvent(const char* eventId, const std::string& info) {
    if (const auto app = adsk::core::Application::get()) app->fireCustomEvent(eventId, info);
}

// The update thread's outcome, kept here for the done handler. The handler
// acts on this record, never on the event's text, which any add-in could
// fire: the file launched is the file that was verified.
struct UpdateResultSlot {
    std::mutex mutex;
    std::optional<UpdateOutcome> outcome;
};

UpdateResultSlot& updateResult() {
    static UpdateResultSlot slot;
    return slot;
}

std::optional<UpdateOutcome> takeUpdateResult() {
    auto& slot = updateResult();
    std::lock_guard lock(slot.mutex);
    return std::exchange(slot.outcome, std::nullopt);
}

void updateThread(const std::string& version, const ServiceSettings& settings) {
    UpdateOutcome outcome;
    try {
        outcome = downloadVerifiedUpdate(systemHttpClient(), settings, version);
    } catch (...) {
        outcome = UpdateOutcome{false, "download_failed", {}};
    }
    {
        auto& slot = updateResult();
        std::lock_guard lock(slot.mutex);
        slot.outcome = outcome;
    }
    fireHostEvent(updateDoneEventId, updateEventInfo(outcome));
}

void mailThread(const std::string& body, std::int64_t id, const ServiceSettings& settings) {
    bool ok = false;
    std::string error;
    try {
        ok = postMailJson(systemHttpClient(), settings, body, error);
    } catch (const std::exception& unexpected) {
        error = std::string("sending failed: ") + unexpected.what();
    }
    if (id != -1) fireHostEvent(feedbackDoneEventId, completionEventInfo(id, ok, error));
}

std::string logLineForSend(const DiagnosticsJob& job, const FeedbackRequest& mail, std::size_t textLength) {
    return "--- send: source=" + logValue(job.source.type) + " tools=" + std::to_string(job.tools.size()) +
           " attach=" + std::to_string(mail.attachments.size()) + " zipB64=" + std::to_string(textLength) +
           " user=" + logValue(mail.userName) + " <" + logValue(mail.userEmail) + ">\n";
}

// Builds the bundle and hands the mail to the feedback path; off the main thread.
void sendDiagnostics(const DiagnosticsJob& job, FeedbackRequest mail) {
    std::string text;
    try {
        text = buildDiagnosticsBundle(job);
    } catch (...) {
        appendDiagnosticsLog("--- send ABORTED: exception while building the diagnostics bundle\n");
        return;
    }
    mail.attachments.push_back({"diagnostics.zip", std::move(text)});
    appendDiagnosticsLog(logLineForSend(job, mail, mail.attachments.back().content.size()));
    const std::size_t attachments = mail.attachments.size();
    sendFeedbackAsync(mail, [attachments](bool ok, const std::string& error) {
        appendDiagnosticsLog(std::string("    result: ok=") + (ok ? "true" : "false") + " err=" + logValue(error) +
                             "\n");
        sendToPalette(heldUserInterface().get(), "REPLY_DIAGNOSTICS_STATUS",
                      diagnosticsSentJson(ok, attachments, error));
    });
}

void diagnosticsWorker(const DiagnosticsJob& job, FeedbackRequest mail) {
    try {
        sendDiagnostics(job, std::move(mail));
    } catch (...) {
        // Nothing may escape a detached thread; the page then gets no second reply.
        appendDiagnosticsLog("--- send ABORTED: the mail could not be started\n");
    }
}

DiagnosticsJob copyLastImport(const std::string& data) {
    DiagnosticsJob job;
    job.tools = lastImportTools();
    job.library = lastImportLibrary();
    job.source = diagnosticsSource();
    job.request = readDiagnosticsRequest(data);
    job.timestamp = std::chrono::duration_cast<std::chrono::seconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    return job;
}

} // namespace

void sendFeedbackAsync(const FeedbackRequest& request, PendingCompletion completion) {
    const ServiceSettings settings = serviceSettings();
    std::string body = buildFeedbackMailJson(request, settings.supportEmail);
    const std::int64_t id = completion ? addPendingCompletion(std::move(completion)) : -1;
    try {
        std::thread(mailThread, std::move(body), id, settings).detach();
    } catch (...) {
        if (id != -1) takePendingCompletion(id);
        throw;
    }
}

void onSubmitFeedback(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface*) {
    FeedbackRequest request = readFeedbackRequest(data);
    if (app) request.fusionVersion = app->version();
    sendFeedbackAsync(request, [](bool ok, const std::string& error) {
        sendToPalette(heldUserInterface().get(), "REPLY_FEEDBACK_STATUS",
                      ok ? std::string("{\"success\":true}")
                         : "{\"success\":false,\"error\":\"" + escapeJson(error) + "\"}");
    });
}

void onSendDiagnostics(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    sendToPalette(ui, "REPLY_DIAGNOSTICS_STATUS", diagnosticsReceivedJson(lastImportTools().size(), diagnosticsSource()));
    if (lastImportTools().empty()) return;
    DiagnosticsJob job = copyLastImport(data);
    const UserIdentity identity = resolveUserIdentity(app);
    FeedbackRequest mail;
    mail.userName = identity.displayName;
    mail.userEmail = identity.email;
    mail.fusionVersion = app ? app->version() : std::string();
    mail.addinVersion = job.request.addinVersion;
    mail.communityName = job.request.communityName;
    mail.pmVersion = job.source.pmVersion;
    mail.message = diagnosticsMailMessage(job);
    std::thread(diagnosticsWorker, std::move(job), std::move(mail)).detach();
}

void onDownloadUpdate(const std::string& data, adsk::core::Application*, adsk::core::UserInterface* ui) {
    const std::string version = readJsonString(data, "version");
    bool idle = false;
    if (version.empty() || !updateDownloadBusy().compare_exchange_strong(idle, true)) {
        sendToPalette(ui, "REPLY_DOWNLOAD_UPDATE", busyAnswer);
        return;
    }
    updateAnswerUserInterface() = adsk::core::Ptr<adsk::core::UserInterface>(ui);
    takeUpdateResult();
    try {
        std::thread(updateThread, version, serviceSettings()).detach();
    } catch (...) {
        // Without this the flag would refuse every later update as busy.
        updateAnswerUserInterface().reset();
        updateDownloadBusy().store(false);
        throw;
    }
}

void completeUpdateFromEvent(const std::string&) {
    // Only a download this add-in started, and has finished, is answered.
    if (!updateDownloadBusy().load()) return;
    const std::optional<UpdateOutcome> outcome = takeUpdateResult();
    if (!outcome) return;
    bool launched = false;
    std::string errorCode = outcome->errorCode;
    if (outcome->ok) {
        launched = systemOpener().openExternally(outcome->path);
        if (!launched) errorCode = "launch_failed";
    }
    sendToPalette(updateAnswerUserInterface().get(), "REPLY_DOWNLOAD_UPDATE",
                  std::string("{\"ok\":") + (launched ? "true" : "false") + ",\"launched\":" +
                      (launched ? "true" : "false") + ",\"devUnsigned\":false,\"errorCode\":" +
                      quoteJsonText(errorCode) + "}");
    updateAnswerUserInterface().reset();
    updateDownloadBusy().store(false);
}

} // namespace Corvana
