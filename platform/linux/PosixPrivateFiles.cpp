#include "platform/PrivateFiles.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

namespace Corvana {

std::filesystem::path createPrivateFolder(const std::filesystem::path& parent, const std::string& prefix) {
    const std::string pattern = (parent / (prefix + "XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkdtemp creates the folder new, with mode 0700.
    if (!::mkdtemp(name.data())) return {};
    return std::filesystem::path(name.data());
}

std::FILE* createPrivateFile(const std::filesystem::path& path) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0) return nullptr;
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (!file) ::close(descriptor);
    return file;
}

} // namespace Corvana
