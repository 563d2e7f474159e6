#include "platform/AtomicFile.h"

#include "platform/linux/WriteAll.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace Corvana {
namespace {

std::string systemError(const std::string& what, const std::string& path, int error) {
    return what + " '" + path + "': " + std::strerror(error) + ".";
}

std::string temporarySibling(const std::string& path) {
    std::random_device entropy;
    const std::filesystem::path target(path);
    const std::string leaf = "." + target.filename().string() + ".tmp-" + std::to_string(entropy());
    return (target.parent_path() / leaf).string();
}

// Writes and syncs the temporary file; the caller removes it on failure.
FileWriteOutcome writeTemporary(const std::string& temporary, std::string_view content) {
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return {false, systemError("Cannot create a temporary file beside", temporary, errno)};
    bool ok = writeAll(fd, content) && ::fsync(fd) == 0;
    const int writeError = errno;
    // Don't retry close on EINTR: the descriptor is released either way.
    if (::close(fd) != 0) ok = false;
    if (!ok) return {false, systemError("Cannot write", temporary, writeError)};
    return {true, {}};
}

} // namespace

FileWriteOutcome writeFileAtomically(const std::string& path, std::string_view content) {
    if (path.empty()) return {false, "No file name was given."};
    if (std::filesystem::is_directory(path)) return {false, "'" + path + "' is a folder, not a file."};
    const std::string temporary = temporarySibling(path);
    FileWriteOutcome outcome = writeTemporary(temporary, content);
    if (outcome.ok && std::rename(temporary.c_str(), path.c_str()) != 0)
        outcome = {false, systemError("Cannot replace", path, errno)};
    if (!outcome.ok) ::unlink(temporary.c_str());
    return outcome;
}

} // namespace Corvana
