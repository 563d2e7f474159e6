#include "platform/Archive.h"

#include "platform/AsciiText.h"
#include "platform/linux/ArchiveEntryName.h"
#include "platform/linux/WriteAll.h"
#include "platform/linux/ZipNameScan.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <set>
#include <unordered_set>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace Corvana {
namespace {

constexpr std::size_t kCopyBufferSize = 64 * 1024;

class UniqueFd {
public:
    explicit UniqueFd(int descriptor = -1) : fd(descriptor) {}
    UniqueFd(UniqueFd&& other) noexcept : fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~UniqueFd() { reset(); }
    int get() const { return fd; }
    int release() { return std::exchange(fd, -1); }
    // Don't retry close on EINTR: the descriptor is released either way.
    void reset(int descriptor = -1) {
        if (fd >= 0) ::close(fd);
        fd = descriptor;
    }

private:
    int fd;
};

struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipDiscard>;

struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipFileHandle = std::unique_ptr<zip_file_t, ZipFileClose>;

// Removes a folder tree unless dismissed, so no exit leaves a partial extraction.
class FolderRemover {
public:
    explicit FolderRemover(std::string folder) : path(std::move(folder)) {}
    ~FolderRemover() {
        if (path.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    FolderRemover(const FolderRemover&) = delete;
    FolderRemover& operator=(const FolderRemover&) = delete;
    void dismiss() { path.clear(); }

private:
    std::string path;
};

ArchiveOutcome failure(std::string message) {
    return {false, std::move(message)};
}

std::string systemError(int error) {
    return std::strerror(error);
}

std::string zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::string describeEntry(zip_uint64_t index, const std::string& name) {
    return "Entry " + std::to_string(index) + " '" + name + "'";
}

struct OpenedArchive {
    ZipHandle zip;
    std::string message;  // why zip is empty
};

// Only a regular file is opened: a FIFO would block the caller. With
// `refuseNulNames`, a name holding a NUL byte refuses the whole archive.
OpenedArchive openArchive(const std::string& path, bool refuseNulNames) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return {nullptr, "Cannot open the archive '" + path + "': " + systemError(errno) + "."};
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {nullptr, "'" + path + "' is not a regular file."};
    if (refuseNulNames && scanZipNamesForNul(fd.get()) == ZipNameScan::HasNul)
        return {nullptr, "An entry name in '" + path + "' holds a NUL character."};
    int code = ZIP_ER_OK;
    // On success libzip owns the descriptor; on failure it stays ours.
    zip_t* zip = zip_fdopen(fd.get(), 0, &code);
    if (!zip) return {nullptr, "'" + path + "' is not a readable ZIP archive: " + zipErrorText(code) + "."};
    fd.release();
    return {ZipHandle(zip), {}};
}

struct PlannedEntry {
    zip_uint64_t index = 0;
    std::string name;
    EntryPath path;
    std::optional<std::uint64_t> declaredSize;
};

std::vector<std::string> leadingComponents(const std::vector<std::string>& components, std::size_t count) {
    return {components.begin(), components.begin() + static_cast<std::ptrdiff_t>(count)};
}

// True when `file` names a folder that another entry needs: some folder key
// equals it or lies below it. Keys are sorted, so one look-up each suffices
// and long, deep names cost no more than their length.
bool isAlsoAFolder(const std::string& file, const std::set<std::string>& folders) {
    if (folders.count(file)) return true;
    const std::string below = file + '/';
    const auto next = folders.lower_bound(below);
    return next != folders.end() && next->starts_with(below);
}

class ExtractionPlan {
public:
    explicit ExtractionPlan(const ArchiveLimits& archiveLimits) : limits(archiveLimits) {}

    // Checks every entry before anything is written.
    ArchiveOutcome build(zip_t* zip) {
        const zip_int64_t count = zip_get_num_entries(zip, 0);
        if (count < 0) return failure("The archive's entry count cannot be read.");
        if (static_cast<std::uint64_t>(count) > limits.maxEntries)
            return failure("The archive holds " + std::to_string(count) + " entries; at most " +
                           std::to_string(limits.maxEntries) + " are extracted.");
        entries.reserve(static_cast<std::size_t>(count));
        for (zip_uint64_t index = 0; index < static_cast<zip_uint64_t>(count); ++index) {
            ArchiveOutcome checked = add(zip, index);
            if (!checked.ok) return checked;
        }
        for (const auto& file : files)
            if (isAlsoAFolder(file, folders)) return failure("The name '" + file + "' is both a file and a folder.");
        return {true, {}};
    }

    const std::vector<PlannedEntry>& list() const { return entries; }

private:
    ArchiveOutcome add(zip_t* zip, zip_uint64_t index) {
        const char* rawName = zip_get_name(zip, index, ZIP_FL_ENC_GUESS);
        if (!rawName) return failure("The name of entry " + std::to_string(index) + " cannot be read.");
        PlannedEntry entry{index, rawName, {}, std::nullopt};
        const std::optional<EntryPath> path = splitArchiveEntryName(entry.name);
        if (!path) return failure(describeEntry(index, entry.name) + " would be written outside the target folder.");
        entry.path = *path;
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(zip, index, 0, &system, &attributes) != 0 ||
            isLinkOrDeviceEntry(attributes))
            return failure(describeEntry(index, entry.name) + " is a link or a device, not a file.");
        if (entry.path.isDirectory) {
            folders.insert(collisionKey(entry.path.components));
        } else {
            ArchiveOutcome checked = addFile(zip, entry);
            if (!checked.ok) return checked;
        }
        entries.push_back(std::move(entry));
        return {true, {}};
    }

    ArchiveOutcome addFile(zip_t* zip, PlannedEntry& entry) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip, entry.index, 0, &stat) != 0)
            return failure(describeEntry(entry.index, entry.name) + " cannot be read.");
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
            return failure(describeEntry(entry.index, entry.name) + " is encrypted.");
        // Declared sizes refuse an honest oversized archive before any write;
        // the bytes actually written are counted again while extracting.
        if (stat.valid & ZIP_STAT_SIZE) entry.declaredSize = stat.size;
        const std::uint64_t size = entry.declaredSize.value_or(0);
        if (size > limits.maxTotalBytes - declaredBytes)
            return failure("The archive declares more than " + std::to_string(limits.maxTotalBytes) + " bytes.");
        declaredBytes += size;
        if (!files.insert(collisionKey(entry.path.components)).second)
            return failure(describeEntry(entry.index, entry.name) + " repeats the name of an earlier entry.");
        folders.insert(collisionKey(leadingComponents(entry.path.components, entry.path.components.size() - 1)));
        return {true, {}};
    }

    ArchiveLimits limits;
    std::vector<PlannedEntry> entries;
    std::unordered_set<std::string> files;
    std::set<std::string> folders;  // each entry's folder, parents implied
    std::uint64_t declaredBytes = 0;
};

// Writes planned entries below an open root folder. Every step goes through
// descriptors opened without following links, so nothing lands elsewhere.
class EntryWriter {
public:
    EntryWriter(zip_t* archive, int root, const ArchiveLimits& archiveLimits)
        : zip(archive), rootFd(root), limits(archiveLimits), buffer(kCopyBufferSize) {}

    ArchiveOutcome write(const PlannedEntry& entry) {
        const auto& components = entry.path.components;
        const std::size_t folderDepth = entry.path.isDirectory ? components.size() : components.size() - 1;
        UniqueFd parent;
        if (!openFolders(components, folderDepth, parent))
            return failure("Cannot create the folders of " + describeEntry(entry.index, entry.name) + ": " +
                           systemError(errno) + ".");
        if (entry.path.isDirectory) return {true, {}};
        return writeFile(entry, parent.get() >= 0 ? parent.get() : rootFd);
    }

private:
    // Creates and opens the first `depth` components; `parent` stays empty
    // when depth is 0, meaning the root itself.
    bool openFolders(const std::vector<std::string>& components, std::size_t depth, UniqueFd& parent) const {
        for (std::size_t i = 0; i < depth; ++i) {
            const int at = parent.get() >= 0 ? parent.get() : rootFd;
            if (::mkdirat(at, components[i].c_str(), 0700) != 0 && errno != EEXIST) return false;
            UniqueFd next(::openat(at, components[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (next.get() < 0) return false;
            parent = std::move(next);
        }
        return true;
    }

    ArchiveOutcome writeFile(const PlannedEntry& entry, int parentFd) {
        ZipFileHandle file(zip_fopen_index(zip, entry.index, 0));
        if (!file)
            return failure(describeEntry(entry.index, entry.name) + " cannot be opened: " +
                           zip_strerror(zip) + ".");
        UniqueFd out(::openat(parentFd, entry.path.components.back().c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (out.get() < 0)
            return failure("Cannot create " + describeEntry(entry.index, entry.name) + ": " + systemError(errno) +
                           ".");
        ArchiveOutcome copied = copyData(entry, file.get(), out.get());
        if (!copied.ok) return copied;
        if (::close(out.release()) != 0)
            return failure("Cannot write " + describeEntry(entry.index, entry.name) + ": " + systemError(errno) + ".");
        const int closeCode = zip_fclose(file.release());
        if (closeCode != ZIP_ER_OK)
            return failure(describeEntry(entry.index, entry.name) + " is corrupt: " + zipErrorText(closeCode) + ".");
        return {true, {}};
    }

    // Data longer or shorter than the entry's declared size is corrupt; the
    // running total guards entries without a declared size as well.
    ArchiveOutcome copyData(const PlannedEntry& entry, zip_file_t* file, int outFd) {
        std::uint64_t entryBytes = 0;
        for (;;) {
            const zip_int64_t got = zip_fread(file, buffer.data(), buffer.size());
            if (got < 0)
                return failure(describeEntry(entry.index, entry.name) + " is corrupt: " + zip_file_strerror(file) +
                               ".");
            const auto count = static_cast<std::uint64_t>(got);
            entryBytes += count;
            const bool sizeMismatch = entry.declaredSize && (got == 0 ? entryBytes != *entry.declaredSize
                                                                      : entryBytes > *entry.declaredSize);
            if (sizeMismatch)
                return failure(describeEntry(entry.index, entry.name) + " is corrupt: its data does not match the " +
                               std::to_string(*entry.declaredSize) + " bytes its header declares.");
            if (got == 0) return {true, {}};
            if (count > limits.maxTotalBytes - writtenBytes)
                return failure("The archive expands to more than " + std::to_string(limits.maxTotalBytes) +
                               " bytes at " + describeEntry(entry.index, entry.name) + ".");
            writtenBytes += count;
            if (!writeAll(outFd, std::string_view(buffer.data(), static_cast<std::size_t>(count))))
                return failure("Cannot write " + describeEntry(entry.index, entry.name) + ": " +
                               systemError(errno) + ".");
        }
    }

    zip_t* zip;
    int rootFd;
    ArchiveLimits limits;
    std::vector<char> buffer;
    std::uint64_t writtenBytes = 0;
};

ArchiveOutcome writeEntries(zip_t* zip, const ExtractionPlan& plan, const std::string& targetFolder,
                            const ArchiveLimits& limits) {
    UniqueFd root(::open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (root.get() < 0) return failure("Cannot open the folder '" + targetFolder + "': " + systemError(errno) + ".");
    EntryWriter writer(zip, root.get(), limits);
    for (const auto& entry : plan.list()) {
        ArchiveOutcome written = writer.write(entry);
        if (!written.ok) return written;
    }
    return {true, {}};
}

std::string_view leafName(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

std::optional<std::string> readEntryPrefix(zip_t* zip, zip_uint64_t index, std::size_t maxBytes) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip, index, 0, &stat) != 0) return std::nullopt;
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) return std::nullopt;
    ZipFileHandle file(zip_fopen_index(zip, index, 0));
    if (!file) return std::nullopt;
    std::string text;
    std::vector<char> buffer(kCopyBufferSize);
    while (text.size() < maxBytes) {
        const std::size_t wanted = std::min(buffer.size(), maxBytes - text.size());
        const zip_int64_t got = zip_fread(file.get(), buffer.data(), wanted);
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return text;
}

} // namespace

ArchiveOutcome extractArchive(const std::string& archivePath, const std::string& targetFolder,
                              const ArchiveLimits& limits) {
    OpenedArchive archive = openArchive(archivePath, true);
    if (!archive.zip) return failure(archive.message);
    ExtractionPlan plan(limits);
    ArchiveOutcome planned = plan.build(archive.zip.get());
    if (!planned.ok) return planned;
    if (::mkdir(targetFolder.c_str(), 0700) != 0)
        return failure("Cannot create the folder '" + targetFolder + "': " + systemError(errno) + ".");
    FolderRemover remover(targetFolder);
    ArchiveOutcome written = writeEntries(archive.zip.get(), plan, targetFolder, limits);
    if (written.ok) remover.dismiss();
    return written;
}

std::optional<std::string> readArchiveEntryText(const std::string& archivePath, std::string_view nameSuffix,
                                                std::size_t maxBytes) {
    OpenedArchive archive = openArchive(archivePath, false);
    if (!archive.zip) return std::nullopt;
    const zip_int64_t count = zip_get_num_entries(archive.zip.get(), 0);
    for (zip_uint64_t index = 0; count > 0 && index < static_cast<zip_uint64_t>(count); ++index) {
        const char* name = zip_get_name(archive.zip.get(), index, ZIP_FL_ENC_GUESS);
        if (!name || !endsWithIgnoringAsciiCase(leafName(name), nameSuffix)) continue;
        return readEntryPrefix(archive.zip.get(), index, maxBytes);
    }
    return std::nullopt;
}

} // namespace Corvana
