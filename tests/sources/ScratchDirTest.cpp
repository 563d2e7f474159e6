#include "sources/ScratchDir.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include <sys/stat.h>

namespace Corvana {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST(ScratchDirTest, CreatesOnePrivateFolderInTheTemporaryDirectory) {
    Testing::TempDir temp;
    const fs::path expected = temp.path() / "TOLVEX_PM";
    {
        const Testing::ScopedEnv redirect("TMPDIR", temp.path().string());
        const ScratchDir first = ensurePmTempDir();
        EXPECT_EQ(std::tuple(first.path, first.error, modeOf(expected)), std::tuple(expected.string(), "", 0700u));
        Testing::writeText(expected / "keep.txt", "x");
        EXPECT_EQ(ensurePmTempDir().error, "");
        EXPECT_TRUE(fs::exists(expected / "keep.txt"));
    }
    // Not a directory: nothing is created, nothing is thrown, and the folder is refused.
    const Testing::ScopedEnv redirect("TMPDIR", (expected / "keep.txt").string());
    EXPECT_NE(ensurePmTempDir().error, "");
    EXPECT_FALSE(fs::exists(fs::current_path() / "TOLVEX_PM"));
}

// Someone else may have made the fixed name first: a link to their folder, or a folder others can reach
// (group read and search alone are too much).
TEST(ScratchDirTest, RefusesALinkAFileAndAFolderOthersCanReach) {
    Testing::TempDir temp;
    const Testing::ScopedEnv redirect("TMPDIR", temp.path().string());
    const fs::path scratch = temp.path() / "TOLVEX_PM";
    fs::create_directory(temp.path() / "elsewhere");
    const struct {
        const char* what;
        void (*make)(const fs::path& scratch, const fs::path& root);
    } cases[] = {
        {"a link", [](const fs::path& s, const fs::path& root) { fs::create_directory_symlink(root / "elsewhere", s); }},
        {"a folder", [](const fs::path& s, const fs::path&) {
             fs::create_directory(s);
             fs::permissions(s, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
         }},
        {"a file", [](const fs::path& s, const fs::path&) { Testing::writeText(s, "x"); }},
    };
    for (const auto& entry : cases) {
        fs::remove_all(scratch);
        entry.make(scratch, temp.path());
        const ScratchDir refused = ensurePmTempDir();
        EXPECT_NE(refused.error.find("TOLVEX_PM"), std::string::npos) << entry.what << ": " << refused.error;
    }
    EXPECT_TRUE(fs::is_empty(temp.path() / "elsewhere"));
}

} // namespace
} // namespace Corvana
