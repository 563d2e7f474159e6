#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace Corvana {

// Whole-file reads refuse files above this size (512 MiB): far above any real
// template, entity, index or request file, and far below what would exhaust memory.
inline constexpr std::uintmax_t kWholeFileLimit = std::uintmax_t{512} << 20;

// The bytes of a whole file in one buffer of its own, not zeroed before the read.
class FileBytes {
public:
    FileBytes() = default;
    explicit FileBytes(std::size_t size);

    std::uint8_t* data() { return buffer.get(); }
    const std::uint8_t* data() const { return buffer.get(); }
    std::size_t size() const { return length; }
    bool empty() const { return length == 0; }
    const std::uint8_t* begin() const { return data(); }
    const std::uint8_t* end() const { return data() + length; }

private:
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t length = 0;
};

enum class FileReadFailure {
    None,
    Unreadable,  // missing, not a regular file, or a read error
    TooLarge,    // above the limit
};

// The whole content of the regular file at the UTF-8 `path`; nullopt when it
// is missing, not a regular file (a pipe would block the reader), unreadable
// or larger than `limit`, with the reason in `failure` when given.
std::optional<FileBytes> readRegularFile(const std::string& path,
                                         FileReadFailure* failure = nullptr,
                                         std::uintmax_t limit = kWholeFileLimit);

// " It is larger than 512 MiB." for a file over the limit, else empty: the
// tail of a "cannot read" message.
std::string readFailureDetail(FileReadFailure failure);

} // namespace Corvana
