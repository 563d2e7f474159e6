#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Corvana {

// Whole-file reads refuse files above this size (512 MiB): far above any real
// template, entity, index or request file, and far below what would exhaust memory.
inline constexpr std::uintmax_t kWholeFileLimit = std::uintmax_t{512} << 20;

enum class FileReadFailure {
    None,
    Unreadable,  // missing, not a regular file, or a read error
    TooLarge,    // above the limit
};

// The whole content of the regular file at the UTF-8 `path`; nullopt when it
// is missing, not a regular file (a pipe would block the reader), unreadable
// or larger than `limit`, with the reason in `failure` when given.
std::optional<std::vector<std::uint8_t>> readRegularFile(const std::string& path,
                                                         FileReadFailure* failure = nullptr,
                                                         std::uintmax_t limit = kWholeFileLimit);

// " It is larger than 512 MiB." for a file over the limit, else empty: the
// tail of a "cannot read" message.
std::string readFailureDetail(FileReadFailure failure);

} // namespace Corvana
