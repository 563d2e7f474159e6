#pragma once
// PowerMill project archives (.pmlprjz, a ZIP of a project folder): the
// extraction into the scratch folder for the project folder reader, and the
// release-year and units probes on an archive or an unpacked project folder.

#include "platform/Archive.h"

#include <string>
#include <string_view>
#include <utility>

namespace Corvana {

// Texts of the archive import's dialogs and replies.
inline constexpr std::string_view kArchiveDialogTitle = "Select PowerMill Archive";
inline constexpr std::string_view kArchiveDialogFilter = "PowerMill Archives (*.pmlprjz)";
inline constexpr std::string_view kArchiveImportTitle = "Archive Import";
inline constexpr std::string_view kArchiveSourceType = "archive";
inline constexpr std::string_view kArchiveNotExtractedMessage =
    "This PowerMill archive could not be extracted. It may be corrupt, password-protected, or use an "
    "unsupported compression method.";
inline constexpr std::string_view kArchiveProjectHint =
    "This archive does not contain a valid PowerMill project (a .pmlprj entity index).";

struct ArchiveExtraction {
    std::string folder;       // UTF-8; empty when the archive was not extracted
    std::string message;      // why not, for the diagnostics log
    std::string userMessage;  // why not, for the user: the not-extracted text or the scratch folder's problem
};

// Extracts the archive into `scratchFolder`/cvn_arch_<32 hex digits>; the
// scratch folder must be absolute. It counts as extracted only when every entry
// was written safely and the folder directly holds at least one regular file
// (a project zipped with its folder does not); otherwise nothing remains.
ArchiveExtraction extractPmArchiveInto(const std::string& archivePath, const std::string& scratchFolder,
                                       const ArchiveLimits& limits = {});

// extractPmArchiveInto the add-in's scratch folder. Nothing is extracted
// when that folder must not be used; the user message then says why.
ArchiveExtraction extractPmArchive(const std::string& archivePath);

// Deletes an extraction folder with its contents. Refuses (false) anything
// not named like one, so a wrong argument cannot delete a user's folder.
bool removeExtractedArchive(const std::string& folder);

// Deletes an extraction folder when the scope ends, on every exit.
class ExtractedArchiveCleanup {
public:
    explicit ExtractedArchiveCleanup(std::string extractionFolder) : folder(std::move(extractionFolder)) {}
    ~ExtractedArchiveCleanup();
    ExtractedArchiveCleanup(const ExtractedArchiveCleanup&) = delete;
    ExtractedArchiveCleanup& operator=(const ExtractedArchiveCleanup&) = delete;

private:
    std::string folder;
};

// The PowerMill release year recorded in the entity index of an archive
// (version="20yy" anywhere in the first index entry found, at any depth):
// 2018 to 2035, or 0 for anything else, including an unreadable archive.
int probeArchivePmVersion(const std::string& archivePath);

struct PmUnitsProbe {
    bool answered = false;
    bool metric = false;
};

// The units of an archive's entity index: the first non-blank character of
// its second line, "0" metric, "1" inches; anything else gives no answer.
PmUnitsProbe probeArchiveUnits(const std::string& archivePath);

// The release year in the first 2047 bytes of the folder's *.pmlprj file,
// after version=" or else after version=': 2018 to 2035, or 0.
int probeFolderPmVersion(const std::string& projectFolder);

// The units in the first 255 bytes of the folder's *.pmlprj file: metric when
// line 2, after blanks, starts with "0", inches otherwise (also for a one-line
// index). No answer without a readable index.
PmUnitsProbe probeFolderUnits(const std::string& projectFolder);

} // namespace Corvana
