#include "sources/ArchiveImport.h"

#include "tests/sources/ZipTestArchives.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Corvana {
namespace {

using namespace Testing;
namespace fs = std::filesystem;

fs::path archiveOf(const TempDir& dir, const std::vector<ZipEntryFile>& entries) {
    writeZip(dir.file("probe.pmlprjz"), entries);
    return dir.file("probe.pmlprjz");
}

fs::path folderWithIndex(const TempDir& dir, std::string_view indexText, std::string_view indexName = "p.pmlprj") {
    const fs::path folder = dir.file("folder");
    fs::remove_all(folder);
    fs::create_directories(folder);
    writeText(folder / indexName, indexText);
    return folder;
}

TEST(ArchiveImportTest, RemovesOnlyExtractionFolders) {
    TempDir dir;
    const fs::path user = dir.file("Projects");
    fs::create_directories(user);
    writeText(user / "keep.txt", "x");
    for (const std::string& other : {user.string(), std::string(), dir.file("cvn_arch_0123").string(),
                                     dir.file("cvn_arch_0123456789ABCDEF0123456789ABCDEF").string()})
        EXPECT_FALSE(removeExtractedArchive(other)) << other;
    { const ExtractedArchiveCleanup cleanup(user.string()); }
    EXPECT_TRUE(fs::exists(user / "keep.txt"));
    const fs::path extraction = dir.file("cvn_arch_0123456789abcdef0123456789abcdef");
    fs::create_directories(extraction / "sub");
    writeText(extraction / "sub/file.txt", "x");
    EXPECT_TRUE(removeExtractedArchive(extraction.string()) && !fs::exists(extraction));
}

std::string unitsOf(const PmUnitsProbe& probe) {
    return !probe.answered ? "none" : probe.metric ? "mm" : "in";
}

TEST(ArchiveImportTest, ArchiveProbesReadTheFirstIndexEntry) {
    TempDir dir;
    const auto archive = [&](std::string_view text, std::string_view name = "job.pmlprj") {
        return archiveOf(dir, {{std::string(name), std::string(text), {}}}).string();
    };
    const std::vector<std::pair<std::string, int>> years{
        {"# Entity Index version=\"2017\"\n", 0}, {"# Entity Index version=\"2026\"\n", 2026},
        {"version=\"2018\"", 2018}, {"version=\"2035\"", 2035}, {"version=\"2036\"", 0},
        {"version=\"1.0\" then version=\"2024\"", 2024}, {"version=\"2017\" then version=\"2024\"", 0},
        {"version=\"20245\" version='2024' Version=\"2024\"", 0}};
    for (const auto& [text, year] : years) EXPECT_EQ(probeArchivePmVersion(archive(text)), year) << text;
    EXPECT_EQ(probeArchivePmVersion(archive("line\nmore\nversion=\"2025\"", "Nested/JOB.PMLPRJ")), 2025);
    EXPECT_EQ(probeArchivePmVersion(archive("version=\"2025\"", "job.pmlprj.bak")), 0);
    EXPECT_EQ(probeArchivePmVersion(
                  archiveOf(dir, {{"a.pmlprj", "version=\"2019\"", {}}, {"b.pmlprj", "version=\"2026\"", {}}}).string()),
              2019);
    EXPECT_EQ(probeArchivePmVersion(dir.file("missing.pmlprjz").string()), 0);
    writeText(dir.file("text.pmlprjz"), "version=\"2026\"");
    EXPECT_EQ(probeArchivePmVersion(dir.file("text.pmlprjz").string()), 0);

    const std::vector<std::pair<std::string, std::string>> units{
        {"# Entity Index\n0\n", "mm"}, {"# Entity Index\r\n  0 rest\r\n", "mm"}, {"# Entity Index\r\t1", "in"},
        {"# Entity Index\n1", "in"}, {"# Entity Index\n2\n", "none"}, {"# Entity Index\nx0\n", "none"},
        {"# Entity Index\n   \n0\n", "none"}, {"# Entity Index\n\n0\n", "none"}, {"# Entity Index\n", "none"},
        {"# Entity Index", "none"}, {"", "none"}};
    for (const auto& [text, unit] : units) EXPECT_EQ(unitsOf(probeArchiveUnits(archive(text))), unit) << text;
    EXPECT_FALSE(probeArchiveUnits(archive("x\n0\n", "other.txt")).answered ||
                 probeArchiveUnits(dir.file("missing.pmlprjz").string()).answered);
}

TEST(ArchiveImportTest, FolderProbesReadTheIndexHead) {
    TempDir dir;
    const std::vector<std::pair<std::string, int>> years{
        {"# Entity Index version=\"2026\"\n", 2026}, {"# Entity Index version='2024'\n", 2024},
        {"version=\"2017\" version='2023'", 2023}, {"version=\"2025\" version='2023'", 2025},
        {"version=\"1.0\" version=\"2025\"", 0}, {"version=\"2036\"", 0}, {"version=\"2018\"", 2018},
        {"version=\"203", 0}, {std::string(2035, ' ') + "version=\"2026\"", 0},  // the 6 is byte 2048
        {std::string(2034, ' ') + "version=\"2026\"", 2026}, {std::string("\0 version=\"2026\"", 16), 0}};
    for (const auto& [text, year] : years)
        EXPECT_EQ(probeFolderPmVersion(folderWithIndex(dir, text).string()), year) << text.substr(0, 40);
    EXPECT_EQ(probeFolderPmVersion(folderWithIndex(dir, "version=\"2026\"", "P.PmlPrj").string()), 2026);
    EXPECT_EQ(probeFolderPmVersion(folderWithIndex(dir, "version=\"2026\"", "p.txt").string()), 0);
    EXPECT_EQ(probeFolderPmVersion(dir.file("missing").string()), 0);

    const std::vector<std::pair<std::string, std::string>> units{
        {"# Entity Index\n 0\n", "mm"}, {"# Entity Index\r\n\t\r 0", "mm"}, {"# Entity Index\n1\n", "in"},
        {"# Entity Index\nx\n", "in"}, {"# Entity Index", "in"}, {"# Entity Index\n", "in"},
        {std::string(254, '#') + "\n0", "in"},  // the 0 lies beyond the first 255 bytes
        {std::string(253, '#') + "\n0", "mm"}, {std::string("#\0\n0", 4), "in"}};
    for (const auto& [text, unit] : units)
        EXPECT_EQ(unitsOf(probeFolderUnits(folderWithIndex(dir, text).string())), unit) << text.substr(0, 40);
    EXPECT_FALSE(probeFolderUnits(folderWithIndex(dir, "#\n0", "p.txt").string()).answered ||
                 probeFolderUnits(dir.file("missing").string()).answered);
    // The first index in name order answers.
    const fs::path folder = folderWithIndex(dir, "#\n1\n", "b.pmlprj");
    writeText(folder / "a.pmlprj", "#\n0\n");
    EXPECT_TRUE(probeFolderUnits(folder.string()).metric);
}

} // namespace
} // namespace Corvana
