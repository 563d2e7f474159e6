#pragma once
// ZIP archives: extraction of a whole archive into a fresh folder, and the
// text of one entry read without extracting anything.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Corvana {

// A crafted archive must not fill the disk: larger or more crowded archives
// are refused. Tests pass smaller figures; production uses the defaults.
inline constexpr std::uint64_t kMaxArchiveBytes = std::uint64_t{4} << 30;
inline constexpr std::uint64_t kMaxArchiveEntries = 100'000;

struct ArchiveLimits {
    std::uint64_t maxTotalBytes = kMaxArchiveBytes;   // bytes actually written, all entries together
    std::uint64_t maxEntries = kMaxArchiveEntries;    // directory entries included
};

struct ArchiveOutcome {
    bool ok = false;
    std::string message;  // for the diagnostics log when !ok: what, which entry, the figures
};

// Creates `targetFolder` (its parent must exist, the folder itself must not)
// and writes every entry of the archive below it. All or nothing: an entry
// whose name leaves the folder (absolute, "..", device name, control
// character), a link or device entry, duplicate names, an encrypted or corrupt
// entry, or an archive over the limits fails the whole extraction, and the
// folder is removed again. Paths are UTF-8.
ArchiveOutcome extractArchive(const std::string& archivePath, const std::string& targetFolder,
                              const ArchiveLimits& limits = {});

// The bytes of the first entry (in directory order) whose file name, the part
// after the last '/' or '\', ends with `nameSuffix` in any ASCII case; at most
// `maxBytes` of them, the entry's start when it is longer. Empty when the
// archive cannot be read, no entry matches, or the entry is encrypted or corrupt.
std::optional<std::string> readArchiveEntryText(const std::string& archivePath, std::string_view nameSuffix,
                                                std::size_t maxBytes);

} // namespace Corvana
