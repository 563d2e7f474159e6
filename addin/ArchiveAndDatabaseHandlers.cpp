#include "addin/ArchiveAndDatabaseHandlers.h"

#include "addin/ActionTable.h"
#include "addin/PaletteBridge.h"
#include "addin/SessionState.h"
#include "sources/ArchiveImport.h"
#include "sources/MdbReader.h"

#include <vector>

namespace Corvana {
namespace {

constexpr const char* fileReply = "REPLY_PARSE_PTF";
constexpr const char* databaseReply = "REPLY_PARSE_MDB";
constexpr const char* unsupportedToolLibraryMessage =
    "Unsupported file type. Select a PowerMill template (*.ptf) or database (*.mdb) file.";

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

std::vector<ToolModel> readDatabase(const std::string& path, const ToolProgressFn& progress) {
    return readMdbFile(path, progress);
}

} // namespace

// A read that threw must not look like a database without tools: the reply carries the error member.
void beginMdbParse(const std::string& path, adsk::core::UserInterface* ui, const ToolFileReader& reader) {
    runSourceParse(databaseSource(), "mdb", path, ui, reader ? reader : ToolFileReader(readDatabase));
}

void onBrowseAndParseArchive(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (!ui || refuseWhileParsing(ui, fileReply)) return;
    const std::string archivePath =
        askForFile(ui, std::string(kArchiveDialogTitle), std::string(kArchiveDialogFilter));
    if (archivePath.empty()) {
        sendCancelledParse(ui, fileReply);
        return;
    }
    const ArchiveExtraction extraction = extractPmArchive(archivePath);
    const std::string& folder = extraction.folder;
    if (folder.empty()) {
        sendCancelledParse(ui, fileReply);
        ui->messageBox(extraction.userMessage, std::string(kArchiveImportTitle));
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
    if (!ui || refuseWhileParsing(ui, databaseReply)) return;
    const std::string path = askForFile(ui, "Select PowerMill Tool Database", "PowerMill Database (*.mdb)");
    if (path.empty()) {
        sendCancelledParse(ui, databaseReply);
        return;
    }
    beginMdbParse(path, ui);
}

void onBrowseAndParseToolLibrary(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (!ui || refuseWhileParsing(ui, fileReply)) return;
    const std::string path =
        askForFile(ui, "Select PowerMill Tool Library File", "PowerMill Tool Libraries (*.ptf;*.mdb)");
    if (path.empty()) {
        sendCancelledParse(ui, fileReply);
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
    sendCancelledParse(ui, fileReply);
}

void registerArchiveAndDatabaseParseActions() {
    registerAction("BROWSE_AND_PARSE_ARCHIVE", onBrowseAndParseArchive);
    registerAction("BROWSE_AND_PARSE_MDB", onBrowseAndParseMdb);
    registerAction("BROWSE_AND_PARSE_TOOL_LIBRARY", onBrowseAndParseToolLibrary);
}

} // namespace Corvana
