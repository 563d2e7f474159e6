#include "platform/AtomicFile.h"
#include "platform/AtomicFileWriter.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Corvana {
namespace {

std::size_t entryCount(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(AtomicFileTest, FailureLeavesTheOldFileAndNoTemporary) {
    Testing::TempDir dir;
    EXPECT_FALSE(writeFileAtomically("", "x").ok);
    // A read-only target is refused rather than renamed over.
    const auto locked = dir.file("locked.json");
    Testing::writeText(locked, "keep");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_FALSE(writeFileAtomically(locked.string(), "x").ok);
    EXPECT_EQ(Testing::readText(locked), "keep");
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

TEST(AtomicFileTest, PiecesReplaceTheTargetOnlyWhenCommittedKeepingItsPermissions) {
    namespace fs = std::filesystem;
    Testing::TempDir dir;
    const auto target = dir.file("library.json");
    Testing::writeText(target, "old content that is longer than the new one");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write |
                      fs::perms::others_read;
    fs::permissions(target, mode);
    {
        AtomicFileWriter abandoned(target.string());
        EXPECT_TRUE(abandoned.write("half a docu"));
    }
    EXPECT_EQ(Testing::readText(target), "old content that is longer than the new one");
    EXPECT_EQ(entryCount(dir.path()), 1u) << "an abandoned write leaves no temporary";

    AtomicFileWriter writer(target.string());
    EXPECT_TRUE(writer.write("{\"new\":") && writer.write("") && writer.write("1}"));
    ASSERT_TRUE(writer.commit().ok);
    EXPECT_EQ(Testing::readText(target), "{\"new\":1}");
    EXPECT_EQ(fs::status(target).permissions(), mode);
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

} // namespace
} // namespace Corvana
