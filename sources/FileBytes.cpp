#include "sources/FileBytes.h"

#include "sources/Utf8Path.h"

#include <fstream>
#include <limits>
#include <system_error>

namespace Corvana {
namespace {

std::optional<FileBytes> failed(FileReadFailure reason, FileReadFailure* failure) {
    if (failure) *failure = reason;
    return std::nullopt;
}

} // namespace

// Default-initialised: the read fills every byte.
FileBytes::FileBytes(std::size_t size) : buffer(new std::uint8_t[size]), length(size) {}

std::optional<FileBytes> readRegularFile(const std::string& path, FileReadFailure* failure, std::uintmax_t limit) {
    if (failure) *failure = FileReadFailure::None;
    const std::filesystem::path filePath = pathFromUtf8(path);
    std::error_code error;
    // file_size fails for anything but a regular file.
    const std::uintmax_t size = std::filesystem::file_size(filePath, error);
    if (error) return failed(FileReadFailure::Unreadable, failure);
    if (size > limit || size > static_cast<std::uintmax_t>(std::numeric_limits<std::streamsize>::max()))
        return failed(FileReadFailure::TooLarge, failure);
    std::ifstream in(filePath, std::ios::binary);
    if (!in) return failed(FileReadFailure::Unreadable, failure);
    FileBytes bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    // A file that grew since its size was taken is read up to that size; one
    // that shrank is not read at all.
    if (static_cast<std::uintmax_t>(in.gcount()) != size) return failed(FileReadFailure::Unreadable, failure);
    return bytes;
}

std::string readFailureDetail(FileReadFailure failure) {
    if (failure != FileReadFailure::TooLarge) return {};
    return " It is larger than " + std::to_string(kWholeFileLimit >> 20) + " MiB.";
}

} // namespace Corvana
