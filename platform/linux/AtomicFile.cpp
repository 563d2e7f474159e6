#include "platform/AtomicFile.h"

#include "platform/linux/WriteAll.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
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
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return {false, systemError("Cannot create a temporary file beside", temporary, errno)};
    bool ok = writeAll(fd, content) && ::fsync(fd) == 0;
    const int writeError = errno;
    // Don't retry close on EINTR: the descriptor is released either way.
    if (::close(fd) != 0) ok = false;
    if (!ok) return {false, systemError("Cannot write", temporary, writeError)};
    return {true, {}};
}

// Syncs the folder holding `path`, so its new entry is on disk. Best effort:
// the content is in place already, and some file systems cannot sync folders.
void syncParentFolder(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const int fd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Puts the written temporary file in the target's place: with the target's
// permission bits when it exists, then renamed over it, then the folder synced.
FileWriteOutcome finishReplacement(const std::string& temporary, const std::string& path) {
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && ::chmod(temporary.c_str(), target.st_mode & 07777) != 0)
        return {false, systemError("Cannot keep the permissions of", path, errno)};
    if (std::rename(temporary.c_str(), path.c_str()) != 0) return {false, systemError("Cannot replace", path, errno)};
    syncParentFolder(path);
    return {true, {}};
}

} // namespace

bool isReadOnlyFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    return (status.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0;
}

FileWriteOutcome writeFileAtomically(const std::string& path, std::string_view content) {
    if (path.empty()) return {false, "No file name was given."};
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return {false, "'" + path + "' is a folder, not a file."};
    if (isReadOnlyFile(path)) return {false, "'" + path + "' is read-only."};
    const std::string temporary = temporarySibling(path);
    FileWriteOutcome outcome = writeTemporary(temporary, content);
    if (outcome.ok) outcome = finishReplacement(temporary, path);
    if (!outcome.ok) ::unlink(temporary.c_str());
    return outcome;
}

} // namespace Corvana
