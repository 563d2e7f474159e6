#include "addin/LibraryHandlers.h"

#include "addin/ActionTable.h"
#include "addin/ImportPipeline.h"
#include "addin/LibraryComparison.h"
#include "addin/LibraryWriters.h"
#include "addin/PaletteBridge.h"
#include "addin/SourceParse.h"
#include "library/ImportRequest.h"
#include "platform/AtomicFile.h"

#include "Core/Utils.h"

#include <filesystem>
#include <utility>

namespace Corvana {
namespace {

constexpr const char* importReply = "REPLY_IMPORT_TOOLS";
constexpr const char* exportReply = "REPLY_EXPORT_JSON";
constexpr const char* warningAction = "WARN_LIBRARY_EXISTS";

// A parse's worker replaces the source's tool list while that parse pumps,
// so a request dispatched meanwhile must not read the list.
bool refusedWhileReading(const ToolSource& source, adsk::core::UserInterface* ui, const char* replyAction) {
    if (!isBeingRead(source)) return false;
    sendToPalette(ui, replyAction, "{\"success\":false,\"message\":\"The tool list is still being read.\"}");
    return true;
}

// The analysis's wait dialog; hidden on every way out.
class AnalysisDialog {
public:
    explicit AnalysisDialog(adsk::core::UserInterface* ui) {
        if (!ui) return;
        dialog = ui->createProgressDialog();
        if (dialog) {
            dialog->isCancelButtonShown(false);
            dialog->show("Corvana", "Comparing your tools with the existing library, please wait...", 0, 1, 0);
        }
        adsk::doEvents();
    }
    ~AnalysisDialog() {
        if (dialog && dialog->isShowing()) dialog->hide();
    }
    AnalysisDialog(const AnalysisDialog&) = delete;
    AnalysisDialog& operator=(const AnalysisDialog&) = delete;

    void close() {
        if (!dialog) return;
        dialog->hide();
        adsk::doEvents();
    }

private:
    adsk::core::Ptr<adsk::core::ProgressDialog> dialog;
};

ImportRequest readRequest(const std::string& data, const ToolSource& source) {
    return readImportRequest(data, source.tools(), source.defaultLibraryName);
}

void importTools(const std::string& data, adsk::core::UserInterface* ui, const ToolSource& source) {
    if (refusedWhileReading(source, ui, importReply)) return;
    ImportRequest request = readRequest(data, source);
    if (libraryExists(request.libraryName)) {
        sendToPalette(ui, warningAction, "{\"analyzed\":false}");
        return;
    }
    runImportPipeline(std::move(request.tools), request.simplify, request.libraryName, "created with", ui,
                      createLibrary, {}, {}, importReply);
}

void analyzeTools(const std::string& data, adsk::core::UserInterface* ui, const ToolSource& source) {
    if (isBeingRead(source)) {
        sendToPalette(ui, warningAction, buildAnalysisReplyJson({}));
        return;
    }
    const ImportRequest request = readRequest(data, source);
    AnalysisDialog dialog(ui);
    const LibraryComparison comparison = analyzeLibrary(request.libraryName, request.tools);
    dialog.close();
    sendToPalette(ui, warningAction, buildAnalysisReplyJson(comparison));
}

void replaceTools(const std::string& data, adsk::core::UserInterface* ui, const ToolSource& source) {
    if (refusedWhileReading(source, ui, importReply)) return;
    ImportRequest request = readRequest(data, source);
    runImportPipeline(std::move(request.tools), request.simplify, request.libraryName, "replaced with", ui,
                      replaceLibrary, {}, {}, importReply);
}

// ,"addedIndices":[...]: the source index of each added tool, -1 for a position the selection lacks.
std::string addedIndicesField(const MergeCounters& counters, const std::vector<std::size_t>& keptIndices) {
    std::string field = ",\"addedIndices\":[";
    for (std::size_t i = 0; i < counters.addedPositions.size(); ++i) {
        if (i > 0) field += ',';
        const std::int32_t position = counters.addedPositions[i];
        const bool known = position >= 0 && static_cast<std::size_t>(position) < keptIndices.size();
        field += known ? std::to_string(keptIndices[static_cast<std::size_t>(position)]) : "-1";
    }
    return field + "]";
}

void mergeTools(const std::string& data, adsk::core::UserInterface* ui, const ToolSource& source) {
    if (refusedWhileReading(source, ui, importReply)) return;
    ImportRequest request = readRequest(data, source);
    // Read now: a nested parse may replace the source list while the pipeline pumps.
    const std::vector<std::size_t> keptIndices = selectedSourceIndices(data, source.tools());
    const std::string libraryName = request.libraryName;
    MergeCounters counters;
    const LibraryWriter writer = [&counters](const std::string& json, const std::vector<std::string>& unitNames,
                                             const ThreadMillFixes& fixes, const std::string& name,
                                             std::string& error) {
        return mergeIntoLibrary(json, unitNames, fixes, name, error, counters);
    };
    const ImportMessageBuilder message = [&counters, &libraryName](bool success, unsigned, const std::string& error) {
        if (!success) return error;
        return "Library '" + libraryName + "' updated: " + std::to_string(counters.added) + " added, " +
               std::to_string(counters.present) + " already present.";
    };
    const ReplyExtraFields extra = [&counters, &keptIndices]() { return addedIndicesField(counters, keptIndices); };
    runImportPipeline(std::move(request.tools), request.simplify, libraryName, "merged into", ui, writer, message,
                      extra, importReply);
}

// The chosen path names a file in an existing folder that is not read-only.
bool isWritableTarget(const std::string& path) {
    std::error_code error;
    const std::filesystem::path target(path);
    if (path.empty() || std::filesystem::is_directory(target, error) || isReadOnlyFile(path)) return false;
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    return std::filesystem::is_directory(folder, error);
}

// Asks for a file and writes the document there in one step: until the
// complete text is on disk, the file the user chose stays as it was.
bool writeExportFile(adsk::core::UserInterface* ui, const std::string& json, const std::string& libraryName,
                     std::string& error) {
    if (!ui) {
        error = "UI unavailable.";
        return false;
    }
    const auto dialog = ui->createFileDialog();
    if (!dialog) {
        error = "Could not open the save dialog.";
        return false;
    }
    dialog->title("Export Tool Library JSON");
    dialog->filter("Tool Library (*.json)");
    dialog->initialFilename((libraryName.empty() ? std::string("tool-library") : libraryName) + ".json");
    if (dialog->showSave() != adsk::core::DialogOK) {
        error = "Export cancelled.";
        return false;
    }
    const std::string path = dialog->filename();
    if (!isWritableTarget(path)) {
        error = "Could not write to the selected file.";
        return false;
    }
    if (!writeFileAtomically(path, json).ok) {
        error = "Failed while writing the file.";
        return false;
    }
    return true;
}

std::string exportMessage(bool success, unsigned count, const std::string& error) {
    if (!success) return error;
    return "Exported " + std::to_string(count) + (count == 1 ? " tool" : " tools") + " to JSON.";
}

void exportTools(const std::string& data, adsk::core::UserInterface* ui, const ToolSource& source) {
    if (refusedWhileReading(source, ui, exportReply)) return;
    ImportRequest request = readRequest(data, source);
    const LibraryWriter writer = [ui](const std::string& json, const std::vector<std::string>&,
                                      const ThreadMillFixes&, const std::string& name, std::string& error) {
        return writeExportFile(ui, json, name, error);
    };
    runImportPipeline(std::move(request.tools), request.simplify, request.libraryName, "exported", ui, writer,
                      exportMessage, {}, exportReply);
}

// Binds a library operation to one source as an action handler.
ActionHandler forSource(void (*operation)(const std::string&, adsk::core::UserInterface*, const ToolSource&),
                        const ToolSource& source) {
    return [operation, &source](const std::string& data, adsk::core::Application*, adsk::core::UserInterface* ui) {
        operation(data, ui, source);
    };
}

} // namespace

void registerLibraryActions(const ToolSource& source) {
    const std::string infix = source.actionInfix;
    registerAction("IMPORT_" + infix + "TOOLS", forSource(importTools, source));
    registerAction("ANALYZE_" + infix + "LIBRARY", forSource(analyzeTools, source));
    registerAction("REPLACE_" + infix + "LIBRARY", forSource(replaceTools, source));
    registerAction("MERGE_" + infix + "LIBRARY", forSource(mergeTools, source));
    registerAction("EXPORT_" + infix + "TOOLS_JSON", forSource(exportTools, source));
}

} // namespace Corvana
