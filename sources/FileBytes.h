#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Corvana {

// The whole content of the regular file at the UTF-8 `path`; nullopt when it
// is missing, not a regular file (a pipe would block the reader) or unreadable.
std::optional<std::vector<std::uint8_t>> readRegularFile(const std::string& path);

} // namespace Corvana
