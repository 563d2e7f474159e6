#pragma once
// Paths travel as UTF-8 text; these convert at the filesystem boundary so
// non-ASCII names also work where the native encoding is not UTF-8.

#include <filesystem>
#include <string>
#include <string_view>

namespace Corvana {

inline std::filesystem::path pathFromUtf8(std::string_view path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

inline std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace Corvana
