#include "apps/corvana/SourceLoader.h"

#include "apps/corvana/SessionSource.h"

#include "convert/Classification.h"
#include "platform/AsciiText.h"
#include "sources/ArchiveImport.h"
#include "sources/MdbReader.h"
#include "sources/FileBytes.h"
#include "sources/ProjectFolder.h"
#include "sources/PtfParser.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

namespace Corvana {
namespace {

LoadedSource loadTemplate(const std::string& path, const ToolProgressFn& progress) {
    LoadedSource loaded;
    loaded.kind = SourceKind::Template;
    FileReadFailure failure = FileReadFailure::None;
    const auto bytes = readRegularFile(path, &failure);
    if (!bytes) {
        loaded.message = "Cannot read the file '" + path + "'." + readFailureDetail(failure);
        return loaded;
    }
    loaded.tools = parsePtfBytes(*bytes, progress);
    loaded.ok = true;
    return loaded;
}

LoadedSource loadProject(const std::string& path, const ToolProgressFn& progress) {
    LoadedSource loaded;
    loaded.kind = SourceKind::ProjectFolder;
    const ProjectIndex index = loadProjectIndex(path);
    if (!index.ok) {
        loaded.message = index.error;
        return loaded;
    }
    loaded.tools = readProjectFolder(path, progress);
    if (loaded.tools.empty() && index.toolEntityCount > 0) {
        loaded.message = "One or more tool entities could not be read. Import was aborted so no "
                         "partial tool set is produced.";
        return loaded;
    }
    loaded.ok = true;
    return loaded;
}

// The archive is read as the project folder it holds; the extraction folder
// is removed whatever the outcome.
LoadedSource loadArchive(const std::string& path, const ToolProgressFn& progress) {
    LoadedSource failed;
    failed.kind = SourceKind::ProjectArchive;
    const ArchiveExtraction extraction = extractPmArchive(path);
    const std::string& folder = extraction.folder;
    if (folder.empty()) {
        failed.message = extraction.userMessage;
        return failed;
    }
    const ExtractedArchiveCleanup cleanup(folder);
    const ProjectIndex index = loadProjectIndex(folder);
    if (!index.ok) {
        failed.message = index.error + " " + std::string(kArchiveProjectHint);
        return failed;
    }
    LoadedSource loaded = loadProject(folder, progress);
    loaded.kind = SourceKind::ProjectArchive;
    return loaded;
}

// A file that is not a database reads as one without tools, as in the add-in.
LoadedSource loadDatabase(const std::string& path, const ToolProgressFn& progress) {
    LoadedSource loaded;
    loaded.kind = SourceKind::Database;
    loaded.withPresetNames = false;
    loaded.tools = readMdbFile(path, progress);
    loaded.ok = true;
    return loaded;
}

} // namespace

SourceKind sourceKindOf(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return SourceKind::ProjectFolder;
    const std::string extension = lowerAscii(std::filesystem::path(path).extension().string());
    if (extension == ".ptf" || extension == ".pmlent") return SourceKind::Template;
    if (extension == ".pmlprjz") return SourceKind::ProjectArchive;
    if (extension == ".mdb") return SourceKind::Database;
    return SourceKind::Unsupported;
}

LoadedSource loadSource(const std::string& path, const ToolProgressFn& reportProgress) {
    const ToolProgressFn progress = classifyingProgress(reportProgress);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        LoadedSource missing;
        missing.message = "'" + path + "' does not exist.";
        return missing;
    }
    switch (sourceKindOf(path)) {
    case SourceKind::Template: return loadTemplate(path, progress);
    case SourceKind::ProjectFolder: return loadProject(path, progress);
    case SourceKind::ProjectArchive: return loadArchive(path, progress);
    case SourceKind::Database: return loadDatabase(path, progress);
    case SourceKind::Session:
    case SourceKind::Unsupported: break;
    }
    LoadedSource loaded;
    loaded.message = "'" + path +
                     "' is not a PowerMill template (.ptf), tool entity (.pmlent), project archive (.pmlprjz), "
                     "tool database (.mdb) or project folder.";
    return loaded;
}

LoadedSource loadSourceOrSession(const std::string& path, int session, const ToolProgressFn& progress) {
    return session >= 0 ? loadSessionSource(session, progress) : loadSource(path, progress);
}

} // namespace Corvana
