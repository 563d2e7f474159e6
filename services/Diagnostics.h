#pragma once
// The diagnostics bundle: a report of the last import (JSON summary, the
// library document and the source files) packed as a stored ZIP in Base64,
// and the plain-text log the sending appends to.

#include "platform/StoredZip.h"
#include "sources/ToolModel.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

inline constexpr std::uint64_t diagnosticsSourceBudget = 30000000;  // bytes of source files
inline constexpr std::size_t diagnosticsTextLimit = 9500001;        // Base64 characters, exclusive

struct DiagnosticsRequest {
    std::int32_t rating = 0;  // below 1 means not rated
    std::string comment;
    std::string userHash;     // opaque, copied unchanged
    std::string addinVersion;
    std::string communityName;
};

// Where the imported tools came from: the source kind, its file or folder,
// and for a PowerMill session its project and version.
struct DiagnosticsSource {
    std::string type;
    std::string path;
    std::string projectName;
    std::string pmVersion;
};

// Everything the bundle needs, copied on the main thread.
struct DiagnosticsJob {
    std::vector<ToolModel> tools;
    std::string library;
    DiagnosticsSource source;
    DiagnosticsRequest request;
    std::int64_t timestamp = 0;  // seconds since 1970-01-01 UTC
};

DiagnosticsRequest readDiagnosticsRequest(const std::string& data);

// The two REPLY_DIAGNOSTICS_STATUS texts.
std::string diagnosticsReceivedJson(std::size_t toolCount, const DiagnosticsSource& source);
std::string diagnosticsSentJson(bool ok, std::size_t attachments, const std::string& error);

// The mail's message: source, library, rating and the user's comment.
std::string diagnosticsMailMessage(const DiagnosticsJob& job);

std::string buildDiagnosticsJson(const DiagnosticsJob& job);

// The source's files as entries: a folder's regular files (links are not
// followed) under "source/NAME/", sorted, until the budget is spent; a file
// under its base name. Nothing for a path that cannot be read.
std::vector<ZipEntry> collectSourceEntries(const std::string& path, std::uint64_t budget);

// Base64 of the ZIP of diagnostics.json, library.json and the source files;
// rebuilt without the source files when the text would reach the limit.
// Throws std::runtime_error when no archive can be written.
std::string buildDiagnosticsBundle(const DiagnosticsJob& job, std::size_t textLimit = diagnosticsTextLimit);

// A user-typed value made safe for one log line: backslash, line feed and
// carriage return escaped, so a value cannot start a forged line.
std::string logValue(std::string_view text);

// "tolvex-diagnostics.log" in the temporary folder.
std::filesystem::path diagnosticsLogPath();

// Appends the text to the log; failures are ignored.
void appendDiagnosticsLog(const std::string& text);

} // namespace Corvana
