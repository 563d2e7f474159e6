#pragma once
// Scratch folders for tests: each is created empty and removed on destruction.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

} // namespace Corvana::Testing
