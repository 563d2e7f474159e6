#pragma once
// Writes a whole buffer to a descriptor, through short writes and signals.

#include <cerrno>
#include <cstddef>
#include <string_view>
#include <unistd.h>

namespace Corvana {

// False on the first error, or when the descriptor takes no byte at all.
inline bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace Corvana
