#pragma once
// A ZIP archive written into memory with every entry stored (not deflated)
// and no dates, for mailing small bundles.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Corvana {

struct ZipEntry {
    std::string name;  // forward slashes
    std::vector<std::uint8_t> data;
};

// The archive's bytes; nullopt when it cannot be written (too large for a
// plain ZIP, or the library fails).
std::optional<std::vector<std::uint8_t>> writeStoredZip(const std::vector<ZipEntry>& entries);

} // namespace Corvana
