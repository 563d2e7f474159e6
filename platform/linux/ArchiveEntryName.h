#pragma once
// Safety rules for the names and file types of archive entries, shared by the
// extraction and the tests that pin them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

struct EntryPath {
    std::vector<std::string> components;  // below the extraction folder; empty for a "./" entry
    bool isDirectory = false;             // the name ends with a separator
};

// Splits an entry name on '/' and '\' (Windows writes either), dropping empty
// and "." components. Empty when the name could reach outside the folder or
// name something other than a plain file there: absolute or UNC paths, drive
// letters and stream names (':'), components that Windows reduces to nothing
// or to ".." (trailing dots and blanks), device names (CON, NUL, COM1, ...),
// control characters including NUL, or a file entry without any component.
std::optional<EntryPath> splitArchiveEntryName(std::string_view name);

// True when the Unix mode in the high half of an entry's external attributes
// marks a symbolic link, a device, a FIFO or a socket.
bool isLinkOrDeviceEntry(std::uint32_t externalAttributes);

// The key under which two names collide on a case-insensitive file system.
std::string collisionKey(const std::vector<std::string>& components);

} // namespace Corvana
