#include "LibraryFolder.h"

#include "platform/linux/WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace adsk::sim::detail {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view libraryExtension = ".json";
constexpr int maxNameNumber = 999;
// Far above any real library; a larger file is not read into memory.
constexpr std::uintmax_t maxLibraryFileBytes = std::uintmax_t{1} << 30;

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// A file name directly in the folder that listing shows: no separators, not hidden.
bool isPlainLeaf(std::string_view leaf) {
    return !leaf.empty() && leaf.front() != '.' && leaf.find_first_of("/\\") == std::string_view::npos &&
           !hasControlCharacter(leaf);
}

// A closed, fully written and synced hidden file in `folder`, with the given
// mode; nothing on failure, with no file left behind. The short fixed name
// fits wherever the library's own name fits.
std::optional<fs::path> writeTemporaryFile(const fs::path& folder, const TextSource& text, mode_t mode) {
    std::string pattern = (folder / ".library.XXXXXX").string();
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) return std::nullopt;
    const TextSink sink = [descriptor](std::string_view piece) { return Corvana::writeAll(descriptor, piece); };
    bool ok = ::fchmod(descriptor, mode) == 0 && text(sink) && ::fsync(descriptor) == 0;
    ok = ::close(descriptor) == 0 && ok;
    if (!ok) {
        ::unlink(pattern.c_str());
        return std::nullopt;
    }
    return fs::path(pattern);
}

std::string numberedLeaf(std::string_view name, int number) {
    std::string leaf(name);
    if (number > 1) leaf += " (" + std::to_string(number) + ")";
    return leaf + std::string(libraryExtension);
}

} // namespace

std::vector<std::string> listLibraryFiles(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string leaf = it->path().filename().string();
        std::error_code typeError;
        if (!isPlainLeaf(leaf) || it->path().extension() != libraryExtension) continue;
        if (!it->is_regular_file(typeError)) continue;
        names.push_back(leaf);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<fs::path> libraryFileForUrl(const fs::path& folder, std::string_view url) {
    if (url.size() <= localRootUrl.size() || url.substr(0, localRootUrl.size()) != localRootUrl ||
        url[localRootUrl.size()] != '/')
        return std::nullopt;
    const std::string_view leaf = url.substr(localRootUrl.size() + 1);
    if (!isPlainLeaf(leaf)) return std::nullopt;
    fs::path file = folder / std::string(leaf);
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return std::nullopt;
    return file;
}

bool isPlainLibraryName(std::string_view name) { return isPlainLeaf(name); }

std::optional<std::string> createLibraryFile(const fs::path& folder, std::string_view name,
                                             const TextSource& text) {
    if (!isPlainLibraryName(name)) return std::nullopt;
    const auto temporary = writeTemporaryFile(folder, text, 0644);
    if (!temporary) return std::nullopt;
    // A hard link creates the name only when it is free, so an existing
    // library is never overwritten, and the content appears complete.
    std::optional<std::string> created;
    for (int number = 1; number <= maxNameNumber && !created; ++number) {
        const std::string leaf = numberedLeaf(name, number);
        if (::link(temporary->c_str(), (folder / leaf).c_str()) == 0) created = leaf;
        else if (errno != EEXIST) break;
    }
    ::unlink(temporary->c_str());
    return created;
}

bool replaceLibraryFile(const fs::path& file, const TextSource& text) {
    struct stat existing {};
    if (::stat(file.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode)) return false;
    const auto temporary = writeTemporaryFile(file.parent_path(), text, existing.st_mode & 07777);
    if (!temporary) return false;
    if (::rename(temporary->c_str(), file.c_str()) == 0) return true;
    ::unlink(temporary->c_str());
    return false;
}

std::optional<std::string> readLibraryFile(const fs::path& file) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    if (error || size > maxLibraryFileBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content(static_cast<std::size_t>(size), '\0');
    in.read(content.data(), static_cast<std::streamsize>(size));
    content.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return std::nullopt;
    return content;
}

} // namespace adsk::sim::detail
