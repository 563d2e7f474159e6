#pragma once
// Scratch folders for tests: each is created empty and removed on destruction.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>

namespace Corvana::Testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return root; }
    std::filesystem::path file(std::string_view name) const { return root / name; }

private:
    std::filesystem::path root;
};

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void writeText(const std::filesystem::path& path, std::string_view text);
std::string readText(const std::filesystem::path& path);
// Names of every entry of the folder, hidden ones included, sorted.
std::vector<std::string> sortedEntries(const std::filesystem::path& folder);

// Sets an environment variable of this process (and so of its children)
// while it exists; the previous value, or its absence, returns afterwards.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name;
    std::optional<std::string> saved;
};

// Lowers this process's file-size limit while it exists, so that writes past
// it fail with EFBIG, the way a full disk fails a write half-way.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    void (*handler)(int);
    rlimit saved{};
};

} // namespace Corvana::Testing
