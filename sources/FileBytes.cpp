#include "sources/FileBytes.h"

#include "sources/Utf8Path.h"

#include <fstream>
#include <limits>
#include <system_error>

namespace Corvana {

std::optional<std::vector<std::uint8_t>> readRegularFile(const std::string& path) {
    const std::filesystem::path filePath = pathFromUtf8(path);
    std::error_code error;
    // file_size fails for anything but a regular file.
    const std::uintmax_t size = std::filesystem::file_size(filePath, error);
    if (error || size > static_cast<std::uintmax_t>(std::numeric_limits<std::streamsize>::max()))
        return std::nullopt;
    std::ifstream in(filePath, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) return std::nullopt;
    return bytes;
}

} // namespace Corvana
