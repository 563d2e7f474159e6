#include "platform/linux/XdgFolders.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace Corvana {
namespace {

namespace fs = std::filesystem;

// Relative XDG paths are invalid and ignored.
std::optional<fs::path> absoluteVariable(const char* variable) {
    const char* value = std::getenv(variable);
    if (value && *value == '/') return fs::path(value);
    return std::nullopt;
}

bool isPrivateFolder(const fs::path& folder) {
    struct stat facts {};
    if (::lstat(folder.c_str(), &facts) != 0) return false;
    return S_ISDIR(facts.st_mode) && facts.st_uid == ::geteuid() && (facts.st_mode & 077) == 0;
}

} // namespace

std::optional<fs::path> userConfigFolder() {
    if (const auto configHome = absoluteVariable("XDG_CONFIG_HOME")) return *configHome / "corvana";
    if (const auto home = absoluteVariable("HOME")) return *home / ".config" / "corvana";
    return std::nullopt;
}

std::optional<fs::path> privateRuntimeFolder(const char* name) {
    fs::path folder;
    if (const auto runtime = absoluteVariable("XDG_RUNTIME_DIR")) {
        folder = *runtime / name;
    } else {
        std::error_code error;
        const fs::path temp = fs::temp_directory_path(error);
        if (error) return std::nullopt;
        folder = temp / (std::string(name) + "-" + std::to_string(::geteuid()));
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    if (!isPrivateFolder(folder)) return std::nullopt;
    return folder;
}

} // namespace Corvana
