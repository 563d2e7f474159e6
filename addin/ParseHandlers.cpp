#include "addin/ParseHandlers.h"

#include "addin/FolderPicker.h"
#include "addin/PaletteBridge.h"
#include "addin/SessionState.h"
#include "sources/ProjectFolder.h"
#include "sources/PtfParser.h"

namespace Corvana {
namespace {

constexpr const char* parseReply = "REPLY_PARSE_PTF";

std::vector<ToolModel> readTemplate(const std::string& path, const ToolProgressFn& progress) {
    return parsePtfFile(path, progress);
}

std::vector<ToolModel> readProject(const std::string& folder, const ToolProgressFn& progress) {
    return readProjectFolder(folder, progress);
}

} // namespace

void beginPtfParse(const std::string& path, adsk::core::UserInterface* ui, const ToolFileReader& reader) {
    runSourceParse(fileSource(), "ptf", path, ui, reader ? reader : ToolFileReader(readTemplate));
}

void beginProjectDirParse(const std::string& folder, const std::string& replyPath, adsk::core::UserInterface* ui,
                          const std::string& sourceType, const std::string& dialogTitle,
                          const std::optional<std::string>& hint, const ToolFileReader& reader) {
    if (refuseWhileParsing(ui, parseReply)) return;
    const SourceReadScope reading(fileSource());
    const ProjectIndex index = loadProjectIndex(folder);
    if (!index.ok) {
        sendCancelledParse(ui, parseReply);
        if (ui) ui->messageBox(hint ? index.error + "\n\n" + *hint : index.error, dialogTitle);
        return;
    }
    setLastSource(sourceType, folder);
    bool failed = readIntoSource(fileSource(), ui, folder, reader ? reader : ToolFileReader(readProject));
    if (ptfTools().empty() && index.toolEntityCount > 0) {
        if (ui)
            ui->messageBox("One or more tool entities could not be read. Import was aborted so no partial tool set "
                           "is produced.",
                           dialogTitle);
        failed = true;
    }
    sendParseReply(fileSource(), ui, replyPath, failed);
}

void onBrowseAndParsePtf(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (!ui || refuseWhileParsing(ui, parseReply)) return;
    const auto dialog = ui->createFileDialog();
    if (!dialog) return;
    dialog->title("Select PowerMill Template File");
    dialog->filter("PowerMill Templates (*.ptf)");
    dialog->isMultiSelectEnabled(false);
    if (dialog->showOpen() != adsk::core::DialogOK) {
        sendCancelledParse(ui, parseReply);
        return;
    }
    beginPtfParse(dialog->filename(), ui);
}

void onBrowseAndParseProject(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (refuseWhileParsing(ui, parseReply)) return;
    const std::string folder = browseForProjectFolder();
    if (folder.empty()) {
        sendCancelledParse(ui, parseReply);
        return;
    }
    beginProjectDirParse(folder, folder, ui, "project", "Project Import",
                         "Select a PowerMill project folder (one containing a .pmlprj entity index).");
}

} // namespace Corvana
