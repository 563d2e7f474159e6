#include "sources/ScratchDir.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace Corvana {
namespace {

constexpr mode_t kPrivateMode = 0700;

// Why the existing entry at `path` must not be used; empty when it may.
std::string unusableReason(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return "cannot be examined";
    if (S_ISLNK(status.st_mode)) return "is a link";
    if (!S_ISDIR(status.st_mode)) return "is not a folder";
    if (status.st_uid != ::geteuid()) return "belongs to another user";
    if ((status.st_mode & 07777) != kPrivateMode) return "can be reached by other users (its mode is not 0700)";
    return {};
}

} // namespace

ScratchDir ensurePmTempDir() {
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    ScratchDir scratch;
    // Without a temporary directory nothing is created, least of all in the current directory.
    if (temp.empty()) {
        scratch.path = "TOLVEX_PM";
        scratch.error = "There is no temporary folder to extract into.";
        return scratch;
    }
    scratch.path = (temp / "TOLVEX_PM").string();
    // mkdir applies the mode atomically (less the umask, which cannot add bits).
    if (::mkdir(scratch.path.c_str(), kPrivateMode) != 0 && errno != EEXIST) {
        scratch.error = "The scratch folder '" + scratch.path + "' cannot be created.";
        return scratch;
    }
    if (const std::string reason = unusableReason(scratch.path); !reason.empty())
        scratch.error = "The scratch folder '" + scratch.path + "' " + reason +
                        "; it is not used. Remove it and try again.";
    return scratch;
}

} // namespace Corvana
