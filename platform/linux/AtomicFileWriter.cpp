#include "platform/AtomicFileWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace Corvana {
namespace {

std::string temporaryBeside(const std::string& path) {
    std::random_device entropy;
    const std::filesystem::path target(path);
    const std::string leaf = "." + target.filename().string() + ".tmp-" + std::to_string(entropy());
    return (target.parent_path() / leaf).string();
}

} // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : target(std::move(path)) {
    if (target.empty()) {
        outcome = {false, "No file name was given."};
        return;
    }
    std::error_code error;
    if (std::filesystem::is_directory(target, error)) {
        outcome = {false, "'" + target + "' is a folder, not a file."};
        return;
    }
    temporary = temporaryBeside(target);
    descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
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
    while (outcome.ok && !piece.empty()) {
        const ssize_t written = ::write(descriptor, piece.data(), piece.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            fail("Cannot write", temporary, written < 0 ? errno : EIO);
            break;
        }
        piece.remove_prefix(static_cast<std::size_t>(written));
    }
    return outcome.ok;
}

FileWriteOutcome AtomicFileWriter::commit() {
    if (outcome.ok && ::fsync(descriptor) != 0) fail("Cannot write", temporary, errno);
    closeFile();
    if (outcome.ok && std::rename(temporary.c_str(), target.c_str()) != 0) fail("Cannot replace", target, errno);
    committed = outcome.ok;
    return outcome;
}

} // namespace Corvana
