#include "addin/ImportPipeline.h"

#include "addin/BackgroundJob.h"
#include "addin/HostSettings.h"
#include "addin/LibraryWriters.h"
#include "addin/PaletteBridge.h"
#include "library/PrepareLibrary.h"
#include "sources/JsonText.h"

#include "Core/Utils.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <memory>
#include <utility>

namespace Corvana {
namespace {

constexpr const char* progressAction = "IMPORT_PROGRESS";

struct LastImport {
    std::vector<ToolModel> tools;
    std::string library;
};

LastImport& lastImport() {
    static LastImport last;
    return last;
}

bool pipelineRunning = false;

// Marks a pipeline as running for the lifetime of the scope.
class PipelineScope {
public:
    PipelineScope() { pipelineRunning = true; }
    ~PipelineScope() { pipelineRunning = false; }
    PipelineScope(const PipelineScope&) = delete;
    PipelineScope& operator=(const PipelineScope&) = delete;
};

// What the worker leaves for the main thread; shared, so it outlives whichever side ends last.
struct PreparedResult {
    PreparedLibrary prepared;
    bool failed = false;
    std::string error;
};

std::string progressData(std::size_t current, std::size_t total) {
    return "{\"phase\":\"importing\",\"current\":" + std::to_string(current) + ",\"total\":" + std::to_string(total) +
           "}";
}

std::string failureReply(const std::string& message) {
    return "{\"success\":false,\"message\":" + quoteJsonText(message) + "}";
}

int dialogMaximum(std::size_t count) {
    return static_cast<int>(std::min<std::size_t>(count, static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

// The host's progress dialog for one pipeline run, without a cancel button
// (a started job cannot be stopped); hidden on every way out.
class PipelineDialog {
public:
    PipelineDialog(adsk::core::UserInterface* ui, int maximumValue) : maximum(maximumValue) {
        if (!ui) return;
        dialog = ui->createProgressDialog();
        if (!dialog) return;
        dialog->isCancelButtonShown(false);
        dialog->show("Corvana", "Preparing the tool library for import... (%v of %m)", 0, maximum, 0);
    }
    ~PipelineDialog() { hide(); }
    PipelineDialog(const PipelineDialog&) = delete;
    PipelineDialog& operator=(const PipelineDialog&) = delete;

    void advance() {
        if (dialog) dialog->progressValue(std::min(dialog->progressValue() + 1, maximum));
    }
    // Shows the text and lets the host draw it before the main thread is busy again.
    void say(const std::string& text) {
        if (dialog) dialog->message(text);
        adsk::doEvents();
    }
    void hide() {
        if (dialog && dialog->isShowing()) dialog->hide();
    }

private:
    adsk::core::Ptr<adsk::core::ProgressDialog> dialog;
    int maximum = 0;
};

// Prepares the document on a worker while the main thread pumps; the result
// is complete, or marked failed with its reason.
std::shared_ptr<PreparedResult> prepareOnWorker(std::vector<ToolModel> tools, const SimplifyOpts& simplify,
                                                const std::string& libraryName,
                                                const std::vector<std::string>& identifiers,
                                                const HolderDestination& destination,
                                                adsk::core::UserInterface* ui, PipelineDialog& dialog) {
    const auto job = std::make_shared<BackgroundJob>();
    const auto result = std::make_shared<PreparedResult>();
    auto work = [job, result, tools = std::move(tools), simplify, libraryName, identifiers, destination]() mutable {
        try {
            const PrepareProgressFn progress = [&job](std::size_t done, std::size_t total) {
                postJobMessage(*job, progressAction, progressData(done, total));
            };
            result->prepared = prepareLibrary(std::move(tools), simplify, libraryName, identifiers, destination,
                                              progress);
        } catch (const std::exception& error) {
            result->prepared = {};
            result->failed = true;
            result->error = error.what();
        } catch (...) {
            result->prepared = {};
            result->failed = true;
            result->error = "Unexpected error preparing tools for import.";
        }
    };
    std::thread worker = startJobWorker(job, std::move(work), {});
    pumpUntilDone(ui, job, worker,
                  [&dialog](const std::string& action, const std::string&) {
                      if (action == progressAction) dialog.advance();
                  },
                  {});
    return result;
}

// Adds the prepared holders to the holder library when the destination asks
// for one; the note for the reply when that failed, else empty.
std::string updateHolders(const PreparedLibrary& prepared, PipelineDialog& dialog) {
    if (!prepared.writeHolderLibrary) return {};
    dialog.say("Updating the holder library, please wait...");
    std::string error;
    if (updateHolderLibrary(prepared.holderJson, prepared.holderLibraryName, error)) return {};
    return " Note: the holder library was not updated (" + error + ").";
}

std::vector<std::string> unitNamesOf(const std::vector<ToolModel>& tools) {
    std::vector<std::string> names;
    names.reserve(tools.size());
    for (const auto& tool : tools) names.push_back(tool.displayUnit);
    return names;
}

std::string defaultMessage(const std::string& libraryName, const std::string& verbPhrase, std::size_t count,
                           const std::string& note) {
    return "Library '" + libraryName + "' " + verbPhrase + " " + std::to_string(count) + " tool" +
           (count == 1 ? "." : "s.") + note;
}

} // namespace

void runImportPipeline(std::vector<ToolModel> tools, const SimplifyOpts& simplify, const std::string& libraryName,
                       const std::string& verbPhrase, adsk::core::UserInterface* ui, const LibraryWriter& writer,
                       const ImportMessageBuilder& messageBuilder, const ReplyExtraFields& extraFields,
                       const std::string& replyAction) {
    // A request dispatched while another run pumps would write beside it.
    if (pipelineRunning) {
        sendToPalette(ui, replyAction, failureReply("Another library operation is still running."));
        return;
    }
    if (tools.empty()) {
        sendToPalette(ui, replyAction, failureReply("No tools selected."));
        return;
    }
    const PipelineScope running;
    const std::size_t count = tools.size();
    sendToPalette(ui, progressAction, progressData(0, count));
    PipelineDialog dialog(ui, dialogMaximum(count));
    const HolderDestination destination = holderDestinationFor(holderDestinationMode(), holderLibraryName());
    const std::vector<std::string> identifiers = makeImportIdentifiers(drawImportIdentifierBase(), count);

    const auto result = prepareOnWorker(std::move(tools), simplify, libraryName, identifiers, destination, ui, dialog);
    if (result->failed) {
        dialog.hide();
        sendToPalette(ui, replyAction, failureReply("Import failed: " + result->error));
        return;
    }
    const PreparedLibrary& prepared = result->prepared;
    lastImport().tools = prepared.tools;
    lastImport().library = libraryName;
    const auto fixes = buildThreadMillFixes(prepared.tools, identifiers);

    dialog.say("Writing the tool library into Fusion, please wait...");
    std::string error;
    const bool success = writer(prepared.json, unitNamesOf(prepared.tools), fixes, libraryName, error);
    const std::string note = success ? updateHolders(prepared, dialog) : std::string();
    dialog.hide();

    // The holder note is kept with a caller's message too, so a holder library
    // left behind is never reported as done.
    const std::string message = messageBuilder ? messageBuilder(success, static_cast<unsigned>(count), error) + note
                                : success      ? defaultMessage(libraryName, verbPhrase, count, note)
                                               : error;
    std::string reply = std::string("{\"success\":") + (success ? "true" : "false") +
                        ",\"count\":" + std::to_string(count) + ",\"message\":" + quoteJsonText(message);
    if (extraFields) reply += extraFields();
    sendToPalette(ui, replyAction, reply + "}");
}

const std::vector<ToolModel>& lastImportTools() { return lastImport().tools; }

const std::string& lastImportLibrary() { return lastImport().library; }

} // namespace Corvana
