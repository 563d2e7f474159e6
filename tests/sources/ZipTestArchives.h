#pragma once
// Archives for the archive tests: real ones written with libzip from a
// folder, and hand-laid stored archives whose every field a test can bend.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana::Testing {

// Zips every file below `folder` (deflated, names relative to it with '/'),
// each name prefixed with `namePrefix`. Throws when libzip fails.
void zipFolder(const std::filesystem::path& folder, const std::filesystem::path& archive,
               std::string_view namePrefix = "");

struct ZipEntryFile {
    std::string name;
    std::string data;
    std::optional<std::string> password;  // AES-256 when set
};

// A deflated archive of the given entries, written with libzip.
void writeZip(const std::filesystem::path& archive, const std::vector<ZipEntryFile>& entries);

// A stored (uncompressed) entry laid out by hand.
struct RawZipEntry {
    std::string name;  // raw bytes: NUL, backslashes and duplicates allowed
    std::string data;
    std::uint32_t externalAttributes = 0100644u << 16;  // a regular file, mode 644
    std::optional<std::uint32_t> crc = std::nullopt;     // the true CRC-32 unless set
};

// The archive's bytes; `zip64` adds the ZIP64 end records that point to the
// central directory, with the classic end record's fields saturated.
std::vector<std::uint8_t> rawZipBytes(const std::vector<RawZipEntry>& entries, bool zip64 = false);

} // namespace Corvana::Testing
