#include "platform/linux/ZipNameScan.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <span>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace Corvana {
namespace {

// Record layouts of the ZIP format.
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
// Larger directories are left to libzip, which blanks NUL bytes anyway.
constexpr std::uint64_t kMaxScannedDirectory = std::uint64_t{64} << 20;
// A comment may hold look-alike end records; only the last few are tried.
constexpr int kMaxEndCandidates = 8;

struct ByteCursor {
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
    bool failed = false;
};

const std::uint8_t* take(ByteCursor& cur, std::size_t count) {
    if (cur.failed || count > cur.data.size() - cur.pos) {
        cur.failed = true;
        return nullptr;
    }
    cur.pos += count;
    return cur.data.data() + cur.pos - count;
}

std::uint64_t readLe(ByteCursor& cur, std::size_t width) {
    const std::uint8_t* p = take(cur, width);
    if (!p) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = (value << 8) | p[i];
    return value;
}

bool readAt(int fd, std::uint64_t offset, std::vector<std::uint8_t>& out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

struct Directory {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t entries = 0;
};

// The ZIP64 end record that the locator just before the end record names.
bool readZip64Directory(int fd, std::uint64_t endOffset, Directory& directory) {
    if (endOffset < kZip64LocatorSize) return false;
    std::vector<std::uint8_t> locator(kZip64LocatorSize);
    if (!readAt(fd, endOffset - kZip64LocatorSize, locator)) return false;
    ByteCursor cur{locator};
    if (readLe(cur, 4) != kZip64LocatorSignature) return false;
    take(cur, 4);
    const std::uint64_t recordOffset = readLe(cur, 8);
    std::vector<std::uint8_t> record(kZip64EndSize);
    if (recordOffset > endOffset || !readAt(fd, recordOffset, record)) return false;
    ByteCursor rec{record};
    if (readLe(rec, 4) != kZip64EndSignature) return false;
    take(rec, 8 + 2 + 2 + 4 + 4 + 8);
    directory.entries = readLe(rec, 8);
    directory.size = readLe(rec, 8);
    directory.offset = readLe(rec, 8);
    return !rec.failed;
}

// The end record at `at` in the tail, which starts at file offset `tailOffset`.
bool readEndRecord(int fd, std::span<const std::uint8_t> tail, std::size_t at, std::uint64_t tailOffset,
                   Directory& directory) {
    ByteCursor cur{tail, at};
    if (readLe(cur, 4) != kEndSignature) return false;
    take(cur, 4);
    const std::uint64_t entriesOnDisk = readLe(cur, 2);
    directory.entries = readLe(cur, 2);
    directory.size = readLe(cur, 4);
    directory.offset = readLe(cur, 4);
    const std::uint64_t commentSize = readLe(cur, 2);
    if (cur.failed || commentSize > tail.size() - cur.pos) return false;
    const bool zip64 = entriesOnDisk == 0xFFFF || directory.entries == 0xFFFF || directory.size == 0xFFFFFFFF ||
                       directory.offset == 0xFFFFFFFF;
    return !zip64 || readZip64Directory(fd, tailOffset + at, directory);
}

// Walks every central record; a record that does not fit means the
// directory was not found where the end record points.
ZipNameScan scanDirectory(std::span<const std::uint8_t> bytes, std::uint64_t entries) {
    ByteCursor cur{bytes};
    for (std::uint64_t i = 0; i < entries; ++i) {
        if (readLe(cur, 4) != kCentralSignature) return ZipNameScan::Unreadable;
        take(cur, 24);
        const std::size_t nameSize = readLe(cur, 2);
        const std::size_t extraSize = readLe(cur, 2);
        const std::size_t commentSize = readLe(cur, 2);
        take(cur, kCentralHeaderSize - 34);
        const std::uint8_t* name = take(cur, nameSize);
        take(cur, extraSize);
        take(cur, commentSize);
        if (cur.failed) return ZipNameScan::Unreadable;
        if (std::find(name, name + nameSize, std::uint8_t{0}) != name + nameSize) return ZipNameScan::HasNul;
    }
    return ZipNameScan::Clean;
}

ZipNameScan scanAt(int fd, const Directory& directory, std::uint64_t fileSize) {
    if (directory.size > kMaxScannedDirectory || directory.offset > fileSize ||
        directory.size > fileSize - directory.offset)
        return ZipNameScan::Unreadable;
    // Every record takes at least 46 bytes, so a larger count cannot fit.
    if (directory.entries > directory.size / kCentralHeaderSize) return ZipNameScan::Unreadable;
    std::vector<std::uint8_t> bytes(directory.size);
    if (!readAt(fd, directory.offset, bytes)) return ZipNameScan::Unreadable;
    return scanDirectory(bytes, directory.entries);
}

} // namespace

ZipNameScan scanZipNamesForNul(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size < static_cast<off_t>(kEndSize)) return ZipNameScan::Unreadable;
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t tailSize = std::min<std::uint64_t>(fileSize, kEndSize + kMaxCommentSize);
    std::vector<std::uint8_t> tail(tailSize);
    const std::uint64_t tailOffset = fileSize - tailSize;
    if (!readAt(fd, tailOffset, tail)) return ZipNameScan::Unreadable;
    // The end record sits behind a comment of unknown length; the candidate
    // nearest the end whose directory reads through wins.
    int candidates = 0;
    for (std::size_t at = tail.size() - kEndSize + 1; at-- > 0 && candidates < kMaxEndCandidates;) {
        Directory directory;
        if (tail[at] != 0x50 || !readEndRecord(fd, tail, at, tailOffset, directory)) continue;
        ++candidates;
        const ZipNameScan scan = scanAt(fd, directory, fileSize);
        if (scan != ZipNameScan::Unreadable) return scan;
    }
    return ZipNameScan::Unreadable;
}

} // namespace Corvana
