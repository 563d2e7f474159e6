#include "sources/ArchiveImport.h"

#include "platform/AsciiText.h"
#include "sources/NumberText.h"
#include "sources/ScratchDir.h"
#include "sources/Utf8Path.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>
#include <vector>

namespace Corvana {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExtractionPrefix = "cvn_arch_";
constexpr std::string_view kIndexExtension = ".pmlprj";
constexpr std::size_t kIdDigits = 32;
// Entity indexes list one line per entity; no real project comes near this.
constexpr std::size_t kMaxIndexTextBytes = std::size_t{16} << 20;
constexpr std::size_t kFolderVersionBytes = 2047;
constexpr std::size_t kFolderUnitsBytes = 255;
constexpr int kFirstKnownYear = 2018;
constexpr int kLastKnownYear = 2035;

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A fresh 128-bit id as 32 lower-case hex digits, the form a GUID takes in
// the scratch names.
std::string makeScratchId() {
    static constexpr char digits[] = "0123456789abcdef";
    std::random_device entropy;
    std::string id;
    id.reserve(kIdDigits);
    while (id.size() < kIdDigits) {
        std::uint32_t bits = entropy();
        for (int nibble = 0; nibble < 8; ++nibble, bits >>= 4) id += digits[bits & 0xF];
    }
    return id;
}

bool isExtractionFolderName(std::string_view leaf) {
    if (!leaf.starts_with(kExtractionPrefix)) return false;
    const std::string_view id = leaf.substr(kExtractionPrefix.size());
    return id.size() == kIdDigits && std::all_of(id.begin(), id.end(), isHexDigit);
}

// Subfolders are not searched: a project zipped with its folder does not count.
bool holdsRegularFileDirectly(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code statusError;
        if (it->symlink_status(statusError).type() == fs::file_type::regular) return true;
    }
    return false;
}

bool isKnownYear(std::int64_t year) {
    return year >= kFirstKnownYear && year <= kLastKnownYear;
}

// The first version="20dd" in the text, as the probe's pattern finds it.
int yearFromArchiveIndex(std::string_view text) {
    constexpr std::string_view key = "version=\"";
    for (std::size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
        const std::string_view rest = text.substr(at + key.size());
        if (rest.size() < 5 || !rest.starts_with("20") || !isDigit(rest[2]) || !isDigit(rest[3]) || rest[4] != '"')
            continue;
        const int year = 2000 + (rest[2] - '0') * 10 + (rest[3] - '0');
        return isKnownYear(year) ? year : 0;
    }
    return 0;
}

// A line as a text reader returns it: ended by CR, LF or CRLF; nullopt at
// the end of the text.
std::optional<std::string_view> nextLine(std::string_view text, std::size_t& pos) {
    if (pos >= text.size()) return std::nullopt;
    const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    return line;
}

PmUnitsProbe unitsFromArchiveIndex(std::string_view text) {
    std::size_t pos = 0;
    if (!nextLine(text, pos)) return {};
    const std::optional<std::string_view> second = nextLine(text, pos);
    if (!second) return {};
    const std::size_t first = second->find_first_not_of(" \t\v\f");
    if (first == std::string_view::npos) return {};
    const char units = (*second)[first];
    if (units != '0' && units != '1') return {};
    return {true, units == '0'};
}

// The first *.pmlprj file of the folder in name order, any case.
std::optional<fs::path> findIndexFile(const std::string& folder) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(pathFromUtf8(folder), error), end; !error && it != end; it.increment(error)) {
        const std::string extension = lowerAscii(utf8FromPath(it->path().extension()));
        std::error_code statusError;
        if (extension == kIndexExtension && it->is_regular_file(statusError)) found.push_back(it->path());
    }
    if (found.empty()) return std::nullopt;
    return *std::min_element(found.begin(), found.end());
}

// At most `count` bytes from the start of the file, cut at the first zero byte.
std::optional<std::string> readHead(const fs::path& file, std::size_t count) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string head(count, '\0');
    in.read(head.data(), static_cast<std::streamsize>(count));
    if (in.bad()) return std::nullopt;
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head.substr(0, head.find('\0'));
}

int yearAfter(std::string_view text, std::string_view key) {
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos) return 0;
    const std::optional<std::int64_t> year = parseLeadingInteger(text.substr(at + key.size(), 4));
    return year && isKnownYear(*year) ? static_cast<int>(*year) : 0;
}

} // namespace

ArchiveExtraction extractPmArchiveInto(const std::string& archivePath, const std::string& scratchFolder,
                                       const ArchiveLimits& limits) {
    // A relative scratch folder would extract below whatever the current folder is.
    const fs::path scratch = pathFromUtf8(scratchFolder);
    if (!scratch.is_absolute()) return {{}, "The scratch folder '" + scratchFolder + "' is not an absolute path.", {}};
    const fs::path target = scratch / (std::string(kExtractionPrefix) + makeScratchId());
    const std::string targetText = utf8FromPath(target);
    const ArchiveOutcome outcome = extractArchive(archivePath, targetText, limits);
    if (!outcome.ok) return {{}, outcome.message, {}};
    if (holdsRegularFileDirectly(target)) return {targetText, {}, {}};
    removeExtractedArchive(targetText);
    return {{}, "The archive holds no file at its top level.", {}};
}

ArchiveExtraction extractPmArchive(const std::string& archivePath) {
    const ScratchDir scratch = ensurePmTempDir();
    if (!scratch.error.empty()) return {{}, scratch.error, scratch.error};
    ArchiveExtraction extraction = extractPmArchiveInto(archivePath, scratch.path);
    if (extraction.folder.empty()) extraction.userMessage = std::string(kArchiveNotExtractedMessage);
    return extraction;
}

bool removeExtractedArchive(const std::string& folder) {
    const fs::path path = pathFromUtf8(folder);
    if (!isExtractionFolderName(utf8FromPath(path.filename()))) return false;
    std::error_code error;
    fs::remove_all(path, error);
    return !error;
}

ExtractedArchiveCleanup::~ExtractedArchiveCleanup() {
    if (!folder.empty()) removeExtractedArchive(folder);
}

int probeArchivePmVersion(const std::string& archivePath) {
    const auto text = readArchiveEntryText(archivePath, kIndexExtension, kMaxIndexTextBytes);
    return text ? yearFromArchiveIndex(*text) : 0;
}

PmUnitsProbe probeArchiveUnits(const std::string& archivePath) {
    const auto text = readArchiveEntryText(archivePath, kIndexExtension, kMaxIndexTextBytes);
    return text ? unitsFromArchiveIndex(*text) : PmUnitsProbe{};
}

int probeFolderPmVersion(const std::string& projectFolder) {
    const auto index = findIndexFile(projectFolder);
    if (!index) return 0;
    const auto head = readHead(*index, kFolderVersionBytes);
    if (!head) return 0;
    const int quoted = yearAfter(*head, "version=\"");
    return quoted != 0 ? quoted : yearAfter(*head, "version='");
}

PmUnitsProbe probeFolderUnits(const std::string& projectFolder) {
    const auto index = findIndexFile(projectFolder);
    if (!index) return {};
    const auto head = readHead(*index, kFolderUnitsBytes);
    if (!head) return {};
    const std::size_t lineFeed = head->find('\n');
    if (lineFeed == std::string::npos) return {true, false};
    const std::size_t next = head->find_first_not_of(" \t\r", lineFeed + 1);
    return {true, next != std::string::npos && (*head)[next] == '0'};
}

} // namespace Corvana
