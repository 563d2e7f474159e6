#include "platform/AtomicFile.h"
#include "platform/AtomicFileWriter.h"

#include "platform/linux/WriteAll.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Corvana {
namespace {

std::string temporaryBeside(const std::string& path) {
    std::random_device entropy;
    const std::filesystem::path target(path);
    const std::string leaf = "." + target.filename().string() + ".tmp-" + std::to_string(entropy());
    return (target.parent_path() / leaf).string();
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

// Why the target cannot be written at all; empty when it can be tried.
std::string targetRefusal(const std::string& path) {
    if (path.empty()) return "No file name was given.";
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return "'" + path + "' is a folder, not a file.";
    if (isReadOnlyFile(path)) return "'" + path + "' is read-only.";
    return {};
}

} // namespace

bool isReadOnlyFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    return (status.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0;
}

AtomicFileWriter::AtomicFileWriter(std::string path) : target(std::move(path)) {
    if (const std::string refusal = targetRefusal(target); !refusal.empty()) {
        outcome = {false, refusal};
        return;
    }
    temporary = temporaryBeside(target);
    descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        fail("Cannot create a temporary file beside", temporary, errno);
        temporary.clear();
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    closeFile();
    if (!committed && !temporary.empty()) ::unlink(temporary.c_str());
}

void AtomicFileWriter::fail(const std::string& what, const std::string& path, int error) {
    if (!outcome.ok) return;
    outcome = {false, what + " '" + path + "': " + std::strerror(error) + "."};
}

void AtomicFileWriter::closeFile() {
    if (descriptor < 0) return;
    // Don't retry close on EINTR: the descriptor is released either way.
    if (::close(descriptor) != 0) fail("Cannot write", temporary, errno);
    descriptor = -1;
}

bool AtomicFileWriter::write(std::string_view piece) {
    if (outcome.ok && !writeAll(descriptor, piece)) fail("Cannot write", temporary, errno ? errno : EIO);
    return outcome.ok;
}

// Puts the temporary file in the target's place: with the target's permission
// bits when it exists, then renamed over it, then the folder synced.
FileWriteOutcome AtomicFileWriter::commit() {
    if (outcome.ok && ::fsync(descriptor) != 0) fail("Cannot write", temporary, errno);
    closeFile();
    struct stat existing {};
    if (outcome.ok && ::stat(target.c_str(), &existing) == 0 &&
        ::chmod(temporary.c_str(), existing.st_mode & 07777) != 0)
        fail("Cannot keep the permissions of", target, errno);
    if (outcome.ok && std::rename(temporary.c_str(), target.c_str()) != 0) fail("Cannot replace", target, errno);
    committed = outcome.ok;
    if (committed) syncParentFolder(target);
    return outcome;
}

FileWriteOutcome writeFileAtomically(const std::string& path, std::string_view content) {
    AtomicFileWriter writer(path);
    writer.write(content);
    return writer.commit();
}

} // namespace Corvana
