#include "platform/linux/ArchiveEntryName.h"

#include "platform/AsciiText.h"
#include "platform/WindowsNames.h"

#include <algorithm>
#include <array>

namespace Corvana {
namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool hasControlCharacter(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::string_view trimTrailing(std::string_view text, std::string_view characters) {
    const std::size_t end = text.find_last_not_of(characters);
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

// Windows drops trailing dots and blanks, so ".. " and "..." become ".."
// or nothing there; such components are refused on every platform.
bool isSafeComponent(std::string_view component) {
    if (trimTrailing(component, ". ").empty()) return false;
    return !isWindowsDeviceName(component);
}

} // namespace

std::optional<EntryPath> splitArchiveEntryName(std::string_view name) {
    if (name.empty() || isSeparator(name.front())) return std::nullopt;
    if (name.find(':') != std::string_view::npos || hasControlCharacter(name)) return std::nullopt;
    EntryPath path;
    path.isDirectory = isSeparator(name.back());
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) ++end;
        const std::string_view component = name.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".") continue;
        if (!isSafeComponent(component)) return std::nullopt;
        path.components.emplace_back(component);
    }
    if (!path.isDirectory && path.components.empty()) return std::nullopt;
    return path;
}

bool isLinkOrDeviceEntry(std::uint32_t externalAttributes) {
    // The zip format stores st_mode in the high 16 bits; these are the
    // portable S_IFMT values, fixed by the format rather than by this host.
    constexpr std::uint32_t typeMask = 0170000;
    constexpr std::array<std::uint32_t, 5> linkAndDeviceTypes{0120000, 0020000, 0060000, 0010000, 0140000};
    const std::uint32_t type = (externalAttributes >> 16) & typeMask;
    return std::find(linkAndDeviceTypes.begin(), linkAndDeviceTypes.end(), type) != linkAndDeviceTypes.end();
}

std::string collisionKey(const std::vector<std::string>& components) {
    std::string key;
    for (const auto& component : components) {
        if (!key.empty()) key += '/';
        key += lowerAscii(component);
    }
    return key;
}

} // namespace Corvana
