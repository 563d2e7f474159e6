#include "sources/ScratchDir.h"

#include <filesystem>
#include <system_error>

namespace Corvana {

std::string ensurePmTempDir() {
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    const std::filesystem::path folder = temp / "TOLVEX_PM";
    // Without a temporary directory nothing is created, least of all in the
    // current directory; the caller's write into the folder fails instead.
    if (!temp.empty()) std::filesystem::create_directory(folder, error);
    return folder.string();
}

} // namespace Corvana
