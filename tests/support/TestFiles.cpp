#include "tests/support/TestFiles.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace Corvana::Testing {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    const auto name = "corvana-test-" + std::to_string(entropy()) + "-" + std::to_string(counter++);
    root = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(root);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

void writeText(const std::filesystem::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    writeText(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> sortedEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

ScopedEnv::ScopedEnv(std::string variable, const std::string& value) : name(std::move(variable)) {
    if (const char* current = std::getenv(name.c_str())) saved = current;
    ::setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (saved) ::setenv(name.c_str(), saved->c_str(), 1);
    else ::unsetenv(name.c_str());
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) : handler(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit lowered{bytes, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &lowered);
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
}

} // namespace Corvana::Testing
