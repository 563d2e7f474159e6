#include "sources/ScratchDir.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace Corvana {
namespace {

// Points the temporary directory elsewhere for one scope.
struct TempDirVariable {
#if defined(_WIN32)
    explicit TempDirVariable(const std::string& value) { _putenv_s("TMP", value.c_str()); }
    ~TempDirVariable() { _putenv_s("TMP", ""); }
#else
    explicit TempDirVariable(const std::string& value) { setenv("TMPDIR", value.c_str(), 1); }
    ~TempDirVariable() { unsetenv("TMPDIR"); }
#endif
};

TEST(ScratchDirTest, CreatesOneFolderInTheTemporaryDirectory) {
    Testing::TempDir temp;
    const std::filesystem::path expected = temp.path() / "TOLVEX_PM";
    {
        const TempDirVariable redirect(temp.path().string());
        EXPECT_EQ(ensurePmTempDir(), expected.string());
        Testing::writeText(expected / "keep.txt", "x");
        EXPECT_EQ(ensurePmTempDir(), expected.string());
        EXPECT_TRUE(std::filesystem::exists(expected / "keep.txt"));
    }
    // Not a directory: nothing is created, nothing is thrown.
    const TempDirVariable redirect((expected / "keep.txt").string());
    EXPECT_EQ(std::filesystem::path(ensurePmTempDir()).filename(), "TOLVEX_PM");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "TOLVEX_PM"));
}

} // namespace
} // namespace Corvana
