#include "addin/ParseHandlers.h"

#include "addin/ArchiveAndDatabaseHandlers.h"
#include "addin/BackgroundJob.h"
#include "addin/PaletteBridge.h"
#include "convert/ToolSummary.h"
#include "platform/FolderPicker.h"
#include "sources/JsonText.h"
#include "sources/ProjectFolder.h"
#include "sources/PtfParser.h"

#include <memory>
#include <utility>

namespace Corvana {
namespace {

constexpr const char* cancelledReply = "{\"cancelled\":true,\"count\":0,\"filePath\":\"\"}";
constexpr const char* refusedReply = "{\"cancelled\":false,\"filePath\":\"\",\"count\":0,\"error\":\"parse_failed\"}";

bool fileParseRunning = false;

// Marks a parse as running for the lifetime of the scope.
class FileParseScope {
public:
    FileParseScope() { fileParseRunning = true; }
    ~FileParseScope() { fileParseRunning = false; }
    FileParseScope(const FileParseScope&) = delete;
    FileParseScope& operator=(const FileParseScope&) = delete;
};

// Refuses a parse nested in another one's pump: two workers would write
// ptfTools at once, and a database parse's pump must not nest either.
bool refuseWhileParsing(adsk::core::UserInterface* ui) {
    if (!fileParseRunning && !isDatabaseParseRunning()) return false;
    sendToPalette(ui, "REPLY_PARSE_PTF", refusedReply);
    return true;
}

void setLastSource(const std::string& type, const std::string& path) {
    LastSourceInfo& info = lastSourceInfo();
    info.type = type;
    info.path = path;
    info.projectName.clear();
    info.pmVersion.clear();
}

// Posts PARSE_BEGIN for the announced total and PARSE_TOOL per kept tool.
ToolProgressFn progressPoster(const std::shared_ptr<BackgroundJob>& job) {
    return [job](std::int32_t index, std::int32_t total, const ToolModel* tool) {
        if (index == 0) {
            postJobMessage(*job, "PARSE_BEGIN", "{\"total\":" + std::to_string(total) + "}");
            return;
        }
        if (tool) postJobMessage(*job, "PARSE_TOOL", buildToolSummaryJson(*tool, index - 1, true));
    };
}

// Runs `reader` on a worker while pumping. The worker replaces ptfTools
// before it signals done, or empties it when the reader throws; true then.
bool readIntoPtfTools(adsk::core::UserInterface* ui, const std::string& path, const ToolFileReader& reader) {
    const auto job = std::make_shared<BackgroundJob>();
    // Shared with the worker, so the flag outlives whichever side ends last.
    const auto failed = std::make_shared<bool>(false);
    std::thread worker = startJobWorker(
        job,
        [job, path, reader]() {
            std::vector<ToolModel> tools = reader(path, progressPoster(job));
            ptfTools() = std::move(tools);
        },
        [failed]() {
            ptfTools().clear();
            *failed = true;
        });
    pumpUntilDone(ui, job, worker, {}, {});
    return *failed;
}

void sendParseReply(adsk::core::UserInterface* ui, const std::string& replyPath, bool failed) {
    std::string reply = "{\"cancelled\":false,\"filePath\":" + quoteJsonText(replyPath) +
                        ",\"count\":" + std::to_string(ptfTools().size());
    if (failed) reply += ",\"error\":\"parse_failed\"";
    sendToPalette(ui, "REPLY_PARSE_PTF", reply + "}");
}

std::vector<ToolModel> readTemplate(const std::string& path, const ToolProgressFn& progress) {
    return parsePtfFile(path, progress);
}

std::vector<ToolModel> readProject(const std::string& folder, const ToolProgressFn& progress) {
    return readProjectFolder(folder, progress);
}

} // namespace

bool isFileParseRunning() { return fileParseRunning; }

void beginPtfParse(const std::string& path, adsk::core::UserInterface* ui, const ToolFileReader& reader) {
    if (refuseWhileParsing(ui)) return;
    const FileParseScope parsing;
    setLastSource("ptf", path);
    const bool failed = readIntoPtfTools(ui, path, reader ? reader : ToolFileReader(readTemplate));
    sendParseReply(ui, path, failed);
}

void beginProjectDirParse(const std::string& folder, const std::string& replyPath, adsk::core::UserInterface* ui,
                          const std::string& sourceType, const std::string& dialogTitle,
                          const std::optional<std::string>& hint, const ToolFileReader& reader) {
    if (refuseWhileParsing(ui)) return;
    const FileParseScope parsing;
    const ProjectIndex index = loadProjectIndex(folder);
    if (!index.ok) {
        sendToPalette(ui, "REPLY_PARSE_PTF", cancelledReply);
        if (ui) ui->messageBox(hint ? index.error + "\n\n" + *hint : index.error, dialogTitle);
        return;
    }
    setLastSource(sourceType, folder);
    bool failed = readIntoPtfTools(ui, folder, reader ? reader : ToolFileReader(readProject));
    if (ptfTools().empty() && index.toolEntityCount > 0) {
        if (ui)
            ui->messageBox("One or more tool entities could not be read. Import was aborted so no partial tool set "
                           "is produced.",
                           dialogTitle);
        failed = true;
    }
    sendParseReply(ui, replyPath, failed);
}

void onBrowseAndParsePtf(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (!ui || refuseWhileParsing(ui)) return;
    const auto dialog = ui->createFileDialog();
    if (!dialog) return;
    dialog->title("Select PowerMill Template File");
    dialog->filter("PowerMill Templates (*.ptf)");
    dialog->isMultiSelectEnabled(false);
    if (dialog->showOpen() != adsk::core::DialogOK) {
        sendToPalette(ui, "REPLY_PARSE_PTF", cancelledReply);
        return;
    }
    beginPtfParse(dialog->filename(), ui);
}

void onBrowseAndParseProject(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (refuseWhileParsing(ui)) return;
    const std::string folder = browseForProjectFolder();
    if (folder.empty()) {
        sendToPalette(ui, "REPLY_PARSE_PTF", cancelledReply);
        return;
    }
    beginProjectDirParse(folder, folder, ui, "project", "Project Import",
                         "Select a PowerMill project folder (one containing a .pmlprj entity index).");
}

} // namespace Corvana
