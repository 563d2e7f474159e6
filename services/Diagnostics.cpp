#include "services/Diagnostics.h"

#include "convert/Classification.h"
#include "convert/LibraryJson.h"
#include "platform/Crypto.h"
#include "sources/FileBytes.h"
#include "sources/JsonText.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace Corvana {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> textBytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string toolJson(const ToolModel& tool) {
    return "{\"number\":" + std::to_string(tool.number) + ",\"identifier\":" + quoteJsonText(tool.entityName) +
           ",\"name\":" + quoteJsonText(tool.name) + ",\"type\":" + quoteJsonText(tool.type) +
           ",\"fusionType\":" + quoteJsonText(fusionTypeFor(tool)) +
           ",\"unsupported\":" + (!hasFusionType(tool) ? "true" : "false") + "}";
}

// The folder's name: its last component once trailing separators are gone.
std::string folderName(std::string path) {
    while (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    const auto slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? "project" : name;
}

// Regular files below the folder, never through a link, as sorted relative paths.
std::vector<fs::path> folderFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    for (const fs::recursive_directory_iterator end; !error && walk != end; walk.increment(error)) {
        std::error_code status;
        if (walk->symlink_status(status).type() == fs::file_type::regular)
            files.push_back(walk->path().lexically_relative(folder));
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The file's bytes when it is readable and no larger than `budget`.
std::optional<std::vector<std::uint8_t>> fileWithin(const std::string& path, std::uint64_t budget,
                                                    FileReadFailure* failure = nullptr) {
    const auto bytes = readRegularFile(path, failure, std::min<std::uint64_t>(budget, kWholeFileLimit));
    if (!bytes) return std::nullopt;
    return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

std::vector<ZipEntry> folderEntries(const std::string& path, std::uint64_t budget) {
    std::vector<ZipEntry> entries;
    const std::string prefix = "source/" + folderName(path) + "/";
    for (const auto& relative : folderFiles(path)) {
        FileReadFailure failure = FileReadFailure::None;
        auto bytes = fileWithin((fs::path(path) / relative).string(), budget, &failure);
        if (failure == FileReadFailure::TooLarge) break;
        if (!bytes) continue;
        budget -= bytes->size();
        entries.push_back({prefix + relative.generic_string(), std::move(*bytes)});
    }
    return entries;
}

std::string archiveText(const std::vector<ZipEntry>& entries) {
    const auto archive = writeStoredZip(entries);
    if (!archive) throw std::runtime_error("the diagnostics archive could not be written");
    return base64Encode(*archive);
}

} // namespace

DiagnosticsRequest readDiagnosticsRequest(const std::string& data) {
    DiagnosticsRequest request;
    // Clamped before the cast: a huge or odd number must not overflow it.
    const double rating = std::trunc(readJsonNumber(data, "rating", 0.0));
    request.rating = rating >= 1 && rating <= 1000000 ? static_cast<std::int32_t>(rating) : 0;
    request.comment = readJsonString(data, "comment");
    request.userHash = readJsonString(data, "userHash");
    request.addinVersion = readJsonString(data, "addinVersion");
    request.communityName = readJsonString(data, "communityName");
    return request;
}

std::string diagnosticsReceivedJson(std::size_t toolCount, const DiagnosticsSource& source) {
    return "{\"stage\":\"received\",\"toolCount\":" + std::to_string(toolCount) +
           ",\"source\":" + quoteJsonText(source.type) +
           ",\"hasSourceFile\":" + (source.path.empty() ? "false" : "true") + "}";
}

std::string diagnosticsSentJson(bool ok, std::size_t attachments, const std::string& error) {
    return std::string("{\"stage\":\"sent\",\"ok\":") + (ok ? "true" : "false") +
           ",\"attachments\":" + std::to_string(attachments) + ",\"error\":" + quoteJsonText(error) + "}";
}

std::string diagnosticsMailMessage(const DiagnosticsJob& job) {
    std::string message = "Import diagnostics\nSource:  " + job.source.type + "\nLibrary: " + job.library + "\n";
    if (job.request.rating < 1)
        message += "Rating:  Not provided\n\n";
    else
        message += "Rating:  " + std::to_string(job.request.rating) + "/5\n\n";
    return message + job.request.comment;
}

std::string buildDiagnosticsJson(const DiagnosticsJob& job) {
    std::string json = "{\"addinVersion\":" + quoteJsonText(job.request.addinVersion) +
                       ",\"pmVersion\":" + quoteJsonText(job.source.pmVersion) +
                       ",\"pmProject\":" + quoteJsonText(job.source.projectName) +
                       ",\"source\":" + quoteJsonText(job.source.type) + ",\"library\":" + quoteJsonText(job.library) +
                       ",\"toolCount\":" + std::to_string(job.tools.size()) + ",\"rating\":" +
                       (job.request.rating >= 1 ? std::to_string(job.request.rating) : std::string("null")) +
                       ",\"comment\":" + quoteJsonText(job.request.comment) +
                       ",\"userHash\":" + quoteJsonText(job.request.userHash) +
                       ",\"timestamp\":" + std::to_string(job.timestamp) + ",\"tools\":[";
    for (std::size_t i = 0; i < job.tools.size(); ++i) {
        if (i > 0) json += ',';
        json += toolJson(job.tools[i]);
    }
    return json + "]}";
}

std::vector<ZipEntry> collectSourceEntries(const std::string& path, std::uint64_t budget) {
    if (path.empty()) return {};
    std::error_code error;
    if (fs::is_directory(path, error)) return folderEntries(path, budget);
    auto bytes = fileWithin(path, kWholeFileLimit);
    if (!bytes) return {};
    const auto slash = path.find_last_of("/\\");
    return {ZipEntry{slash == std::string::npos ? path : path.substr(slash + 1), std::move(*bytes)}};
}

std::string buildDiagnosticsBundle(const DiagnosticsJob& job, std::size_t textLimit) {
    std::vector<ZipEntry> entries;
    entries.push_back({"diagnostics.json", textBytes(buildDiagnosticsJson(job))});
    entries.push_back(
        {"library.json", textBytes(buildToolLibraryJson(job.tools, job.library, {}, ToolsAndHolders))});
    auto sources = collectSourceEntries(job.source.path, diagnosticsSourceBudget);
    const bool hasSources = !sources.empty();
    std::move(sources.begin(), sources.end(), std::back_inserter(entries));
    std::string text = archiveText(entries);
    if (text.size() < textLimit || !hasSources) return text;
    entries.resize(2);
    return archiveText(entries);
}

std::string logValue(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '\\') escaped += "\\\\";
        else if (c == '\n') escaped += "\\n";
        else if (c == '\r') escaped += "\\r";
        else escaped += c;
    }
    return escaped;
}

fs::path diagnosticsLogPath() {
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    return error ? fs::path("tolvex-diagnostics.log") : temp / "tolvex-diagnostics.log";
}

void appendDiagnosticsLog(const std::string& text) {
    std::ofstream log(diagnosticsLogPath(), std::ios::binary | std::ios::app);
    log << text;
}

} // namespace Corvana
