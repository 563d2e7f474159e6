#include "addin/ArchiveAndDatabaseHandlers.h"

#include "addin/ActionTable.h"
#include "addin/BackgroundJob.h"
#include "addin/PaletteBridge.h"
#include "convert/ToolSummary.h"
#include "sources/ArchiveImport.h"
#include "sources/JsonText.h"
#include "sources/MdbReader.h"

#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace Corvana {
namespace {

constexpr const char* cancelledReply = "{\"cancelled\":true,\"count\":0,\"filePath\":\"\"}";
constexpr const char* refusedReply = "{\"cancelled\":false,\"filePath\":\"\",\"count\":0,\"error\":\"parse_failed\"}";
constexpr const char* unsupportedToolLibraryMessage =
    "Unsupported file type. Select a PowerMill template (*.ptf) or database (*.mdb) file.";

bool databaseParseRunning = false;

class DatabaseParseScope {
public:
    DatabaseParseScope() { databaseParseRunning = true; }
    ~DatabaseParseScope() { databaseParseRunning = false; }
    DatabaseParseScope(const DatabaseParseScope&) = delete;
    DatabaseParseScope& operator=(const DatabaseParseScope&) = delete;
};

// A parse requested from inside another parse's pump is refused, whichever
// list either of them writes, so pumps never nest.
bool refuseWhileParsing(adsk::core::UserInterface* ui, const char* replyAction) {
    if (!isFileParseRunning() && !databaseParseRunning) return false;
    sendToPalette(ui, replyAction, refusedReply);
    return true;
}

// A single-selection open dialog; the chosen file, or empty when not confirmed.
std::string askForFile(adsk::core::UserInterface* ui, const std::string& title, const std::string& filter) {
    const auto dialog = ui->createFileDialog();
    if (!dialog) return {};
    dialog->title(title);
    dialog->filter(filter);
    dialog->isMultiSelectEnabled(false);
    if (dialog->showOpen() != adsk::core::DialogOK) return {};
    return dialog->filename();
}

// Database summaries carry no preset names: their presets are named per material.
ToolProgressFn databaseProgressPoster(const std::shared_ptr<BackgroundJob>& job) {
    return [job](std::int32_t index, std::int32_t total, const ToolModel* tool) {
        if (index == 0) {
            postJobMessage(*job, "PARSE_BEGIN", "{\"total\":" + std::to_string(total) + "}");
            return;
        }
        if (tool) postJobMessage(*job, "PARSE_TOOL", buildToolSummaryJson(*tool, index - 1, false));
    };
}

std::vector<ToolModel> readDatabase(const std::string& path, const ToolProgressFn& progress) {
    return readMdbFile(path, progress);
}

// Runs `reader` on a worker while pumping. The worker replaces mdbTools
// before it signals done, or empties it when the reader throws; true then.
bool readIntoMdbTools(adsk::core::UserInterface* ui, const std::string& path, const ToolFileReader& reader) {
    const auto job = std::make_shared<BackgroundJob>();
    // Shared with the worker, so the flag outlives whichever side ends last.
    const auto failed = std::make_shared<bool>(false);
    std::thread worker = startJobWorker(
        job,
        [job, path, reader]() {
            std::vector<ToolModel> tools = reader(path, databaseProgressPoster(job));
            mdbTools() = std::move(tools);
        },
        [failed]() {
            mdbTools().clear();
            *failed = true;
        });
    pumpUntilDone(ui, job, worker, {}, {});
    return *failed;
}

} // namespace

bool isDatabaseParseRunning() { return databaseParseRunning; }

void beginMdbParse(const std::string& path, adsk::core::UserInterface* ui, const ToolFileReader& reader) {
    if (refuseWhileParsing(ui, "REPLY_PARSE_MDB")) return;
    const DatabaseParseScope parsing;
    LastSourceInfo& info = lastSourceInfo();
    info.type = "mdb";
    info.path = path;
    info.projectName.clear();
    info.pmVersion.clear();
    const bool failed = readIntoMdbTools(ui, path, reader ? reader : ToolFileReader(readDatabase));
    // A read that threw must not look like a database without tools.
    std::string reply = "{\"cancelled\":false,\"filePath\":" + quoteJsonText(path) +
                        ",\"count\":" + std::to_string(mdbTools().size());
    if (failed) reply += ",\"error\":\"parse_failed\"";
    sendToPalette(ui, "REPLY_PARSE_MDB", reply + "}");
}

void onBrowseAndParseArchive(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (!ui || refuseWhileParsing(ui, "REPLY_PARSE_PTF")) return;
    const std::string archivePath =
        askForFile(ui, std::string(kArchiveDialogTitle), std::string(kArchiveDialogFilter));
    if (archivePath.empty()) {
        sendToPalette(ui, "REPLY_PARSE_PTF", cancelledReply);
        return;
    }
    const std::string folder = extractPmArchive(archivePath);
    if (folder.empty()) {
        sendToPalette(ui, "REPLY_PARSE_PTF", cancelledReply);
        ui->messageBox(std::string(kArchiveNotExtractedMessage), std::string(kArchiveImportTitle));
        return;
    }
    const ExtractedArchiveCleanup cleanup(folder);
    beginProjectDirParse(folder, archivePath, ui, std::string(kArchiveSourceType), std::string(kArchiveImportTitle),
                         std::string(kArchiveProjectHint));
    // The extraction folder goes away below; the source record keeps the archive itself.
    LastSourceInfo& info = lastSourceInfo();
    if (info.type == kArchiveSourceType && info.path == folder) info.path = archivePath;
}

void onBrowseAndParseMdb(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (!ui || refuseWhileParsing(ui, "REPLY_PARSE_MDB")) return;
    const std::string path = askForFile(ui, "Select PowerMill Tool Database", "PowerMill Database (*.mdb)");
    if (path.empty()) {
        sendToPalette(ui, "REPLY_PARSE_MDB", cancelledReply);
        return;
    }
    beginMdbParse(path, ui);
}

void onBrowseAndParseToolLibrary(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (!ui || refuseWhileParsing(ui, "REPLY_PARSE_PTF")) return;
    const std::string path =
        askForFile(ui, "Select PowerMill Tool Library File", "PowerMill Tool Libraries (*.ptf;*.mdb)");
    if (path.empty()) {
        sendToPalette(ui, "REPLY_PARSE_PTF", cancelledReply);
        return;
    }
    const std::string extension = fileExtensionOf(path);
    if (extension == "ptf") {
        beginPtfParse(path, ui);
        return;
    }
    if (extension == "mdb") {
        beginMdbParse(path, ui);
        return;
    }
    ui->messageBox(unsupportedToolLibraryMessage, "Tool Library Import");
    sendToPalette(ui, "REPLY_PARSE_PTF", cancelledReply);
}

void registerArchiveAndDatabaseParseActions() {
    registerAction("BROWSE_AND_PARSE_ARCHIVE", onBrowseAndParseArchive);
    registerAction("BROWSE_AND_PARSE_MDB", onBrowseAndParseMdb);
    registerAction("BROWSE_AND_PARSE_TOOL_LIBRARY", onBrowseAndParseToolLibrary);
}

} // namespace Corvana
