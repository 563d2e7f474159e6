#include "sources/ProjectFolder.h"

#include "platform/AsciiText.h"
#include "platform/WindowsNames.h"
#include "sources/FileBytes.h"
#include "sources/NumberText.h"
#include "sources/PtfParser.h"
#include "sources/Utf8Path.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>

namespace Corvana {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kIndexHeader = "# Entity Index";
constexpr std::string_view kToolEntityMarker = ".pmlent pmlEntTool '";

// The index's lines without line ends, a CRLF file's '\r' included. Only
// regular files are read: a pipe would block the reading thread.
std::optional<std::vector<std::string>> readIndexLines(const fs::path& path, FileReadFailure* failure = nullptr) {
    const auto bytes = readRegularFile(utf8FromPath(path), failure);
    if (!bytes) return std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

// The folder's own entries named *.pmlprj in any case; two are enough to refuse.
std::vector<fs::path> findIndexFiles(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (lowerAscii(utf8FromPath(it->path().extension())) != ".pmlprj") continue;
        found.push_back(it->path());
        if (found.size() == 2) break;
    }
    return found;
}

bool isToolEntityLine(std::string_view line) {
    return line.find(kToolEntityMarker) != std::string_view::npos;
}

ProjectIndex failedIndex(std::string message) {
    ProjectIndex index;
    index.error = std::move(message);
    return index;
}

// A stem names a file inside the folder only: no separator, drive or stream
// colon, NUL, dot entry or device name.
bool isSafeStem(std::string_view stem) {
    if (stem.find_first_of(std::string_view("/\\:\0", 4)) != std::string_view::npos) return false;
    if (stem == "." || stem == "..") return false;
    return !isWindowsDeviceName(stem);
}

std::optional<ToolModel> readEntity(const fs::path& folder, const IndexEntry& entry) {
    if (!isSafeStem(entry.fileStem)) return std::nullopt;
    const fs::path file = folder / pathFromUtf8(entry.fileStem + ".pmlent");
    std::vector<ToolModel> tools = parsePtfFile(utf8FromPath(file));
    if (tools.size() != 1) return std::nullopt;
    ToolModel tool = std::move(tools.front());
    tool.sourceKind = "Project";
    tool.entityName = entry.fileStem;
    return tool;
}

} // namespace

ProjectIndex loadProjectIndex(const std::string& folder) {
    const fs::path folderPath = pathFromUtf8(folder);
    std::error_code error;
    if (!fs::is_directory(folderPath, error)) return failedIndex("The selected path is not a folder.");
    const std::vector<fs::path> found = findIndexFiles(folderPath);
    if (found.empty()) return failedIndex("No PowerMill project index (.pmlprj) was found in this folder.");
    if (found.size() > 1) return failedIndex("Multiple .pmlprj files were found; the project folder is ambiguous.");
    FileReadFailure failure = FileReadFailure::None;
    const auto lines = readIndexLines(found.front(), &failure);
    if (failure == FileReadFailure::TooLarge)
        return failedIndex("The .pmlprj file cannot be read." + readFailureDetail(failure));
    if (!lines || lines->empty() || lines->front().find(kIndexHeader) == std::string::npos)
        return failedIndex("The .pmlprj file is not a recognized PowerMill Entity Index.");
    ProjectIndex index;
    index.indexPath = utf8FromPath(found.front());
    const auto count = std::count_if(lines->begin() + 1, lines->end(),
                                     [](const std::string& line) { return isToolEntityLine(line); });
    index.toolEntityCount = clampedCount(static_cast<std::size_t>(count));
    index.ok = true;
    return index;
}

std::optional<std::vector<IndexEntry>> readIndexEntries(const std::string& indexPath) {
    const auto lines = readIndexLines(pathFromUtf8(indexPath));
    if (!lines) return std::nullopt;
    std::vector<IndexEntry> entries;
    for (const auto& line : *lines) {
        if (!isToolEntityLine(line)) continue;
        entries.push_back({line.substr(0, line.find(kToolEntityMarker))});
    }
    return entries;
}

std::vector<ToolModel> readProjectFolder(const std::string& folder, const ToolProgressFn& progress) {
    const ProjectIndex index = loadProjectIndex(folder);
    if (!index.ok) return {};
    const auto entries = readIndexEntries(index.indexPath);
    if (!entries) return {};
    const std::int32_t total = clampedCount(entries->size());
    if (progress) progress(0, total, nullptr);
    const fs::path folderPath = pathFromUtf8(folder);
    std::vector<ToolModel> tools;
    tools.reserve(entries->size());
    for (const auto& entry : *entries) {
        std::optional<ToolModel> tool = readEntity(folderPath, entry);
        if (!tool) return {};
        tools.push_back(std::move(*tool));
        if (progress) progress(clampedCount(tools.size()), total, &tools.back());
    }
    return tools;
}

} // namespace Corvana
