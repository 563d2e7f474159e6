#include "sources/ArchiveImport.h"

#include "sources/ProjectFolder.h"
#include "tests/sources/ZipTestArchives.h"
#include "tests/support/PtfWriter.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Corvana {
namespace {

using namespace Testing;
namespace fs = std::filesystem;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A two-tool project folder zipped flat, or under a top-level folder.
fs::path zippedProject(const TempDir& dir, std::string_view prefix = "") {
    const fs::path project = dir.file("project");
    writeProjectFolder(project, "# Entity Index\n" + toolEntityLine("EM10") + toolEntityLine("BN6"),
                       {{"EM10", endMillEntity("EM10")}, {"BN6", endMillEntity("BN6", "6")}});
    const fs::path archive = dir.file("job.pmlprjz");
    zipFolder(project, archive, prefix);
    return archive;
}

fs::path archiveOf(const TempDir& dir, const std::vector<ZipEntryFile>& entries) {
    const fs::path archive = dir.file("probe.pmlprjz");
    writeZip(archive, entries);
    return archive;
}

fs::path folderWithIndex(const TempDir& dir, std::string_view indexText, std::string_view indexName = "p.pmlprj") {
    const fs::path folder = dir.file("folder");
    fs::remove_all(folder);
    fs::create_directories(folder);
    writeText(folder / indexName, indexText);
    return folder;
}

TEST(ArchiveImportTest, ExtractsAFlatProjectForTheFolderReader) {
    TempDir dir;
    const fs::path archive = zippedProject(dir);
    const fs::path scratch = dir.file("scratch");
    fs::create_directories(scratch);
    const ArchiveExtraction first = extractPmArchiveInto(archive.string(), scratch.string());
    const ArchiveExtraction second = extractPmArchiveInto(archive.string(), scratch.string());
    ASSERT_FALSE(first.folder.empty()) << first.message;
    EXPECT_EQ(fs::path(first.folder).parent_path(), scratch);
    const std::string leaf = fs::path(first.folder).filename().string();
    EXPECT_EQ(leaf.size(), 41u);
    EXPECT_TRUE(leaf.starts_with("cvn_arch_"));
    EXPECT_EQ(leaf.find_first_not_of("0123456789abcdef", 9), std::string::npos) << leaf;
    EXPECT_NE(first.folder, second.folder);
    EXPECT_EQ(namesIn(first.folder), (std::vector<std::string>{"BN6.pmlent", "EM10.pmlent", "project.pmlprj"}));

    const std::vector<ToolModel> tools = readProjectFolder(first.folder);
    ASSERT_EQ(tools.size(), 2u);
    EXPECT_EQ(tools[0].entityName, "EM10");
    EXPECT_EQ(tools[1].entityName, "BN6");
    EXPECT_EQ(tools[1].sourceKind, "Project");

    EXPECT_TRUE(removeExtractedArchive(first.folder));
    {
        const ExtractedArchiveCleanup cleanup(second.folder);
    }
    EXPECT_TRUE(fs::is_empty(scratch));
}

TEST(ArchiveImportTest, NotExtractedLeavesNothingBehind) {
    TempDir dir;
    const fs::path scratch = dir.file("scratch");
    fs::create_directories(scratch);
    const auto attempt = [&](const fs::path& archive) {
        const ArchiveExtraction result = extractPmArchiveInto(archive.string(), scratch.string());
        EXPECT_TRUE(result.folder.empty()) << archive;
        EXPECT_TRUE(fs::is_empty(scratch)) << archive;
        return result.message;
    };
    EXPECT_EQ(attempt(zippedProject(dir, "Job 12/")), "The archive holds no file at its top level.");
    EXPECT_EQ(attempt(archiveOf(dir, {{"only/", "", {}}, {"only/deeper/", "", {}}})),
              "The archive holds no file at its top level.");
    writeBytes(dir.file("empty.pmlprjz"), rawZipBytes({}));
    EXPECT_EQ(attempt(dir.file("empty.pmlprjz")), "The archive holds no file at its top level.");
    EXPECT_EQ(attempt(archiveOf(dir, {{"project.pmlprj", "# Entity Index\n", {}}, {"../EM10.pmlent", "x", {}}})),
              "Entry 1 '../EM10.pmlent' would be written outside the target folder.");
    EXPECT_FALSE(fs::exists(dir.file("EM10.pmlent")));
    const fs::path small = dir.file("small.pmlprjz");
    writeBytes(small, rawZipBytes({{"a.pmlent", "12"}, {"b.pmlent", "34"}}));
    EXPECT_EQ(extractPmArchiveInto(small.string(), scratch.string(), {3, 10}).message,
              "The archive declares more than 3 bytes.");
    EXPECT_TRUE(fs::is_empty(scratch));
    EXPECT_FALSE(attempt(dir.file("missing.pmlprjz")).empty());
    // A scratch folder that cannot be created is a failure, not a crash.
    EXPECT_TRUE(extractPmArchiveInto(zippedProject(dir).string(), dir.file("no/such").string()).folder.empty());
    EXPECT_EQ(extractPmArchiveInto(zippedProject(dir).string(), "").message,
              "The scratch folder '' is not an absolute path.");
}

TEST(ArchiveImportTest, RemovesOnlyExtractionFolders) {
    TempDir dir;
    const fs::path user = dir.file("Projects");
    fs::create_directories(user);
    writeText(user / "keep.txt", "x");
    EXPECT_FALSE(removeExtractedArchive(user.string()));
    EXPECT_FALSE(removeExtractedArchive(""));
    EXPECT_FALSE(removeExtractedArchive((dir.path() / "cvn_arch_0123").string()));
    EXPECT_FALSE(removeExtractedArchive((dir.path() / "cvn_arch_0123456789ABCDEF0123456789ABCDEF").string()));
    {
        const ExtractedArchiveCleanup cleanup(user.string());
    }
    EXPECT_TRUE(fs::exists(user / "keep.txt"));
    const fs::path extraction = dir.file("cvn_arch_0123456789abcdef0123456789abcdef");
    fs::create_directories(extraction / "sub");
    writeText(extraction / "sub/file.txt", "x");
    EXPECT_TRUE(removeExtractedArchive(extraction.string()));
    EXPECT_FALSE(fs::exists(extraction));
}

TEST(ArchiveImportTest, ArchiveVersionProbe) {
    TempDir dir;
    const auto year = [&](std::string_view indexText, std::string_view name = "job.pmlprj") {
        return probeArchivePmVersion(archiveOf(dir, {{std::string(name), std::string(indexText), {}}}).string());
    };
    EXPECT_EQ(year("# Entity Index version=\"2017\"\n"), 0);
    EXPECT_EQ(year("# Entity Index version=\"2026\"\n"), 2026);
    EXPECT_EQ(year("version=\"2018\""), 2018);
    EXPECT_EQ(year("version=\"2035\""), 2035);
    EXPECT_EQ(year("version=\"2036\""), 0);
    EXPECT_EQ(year("version=\"1.0\" then version=\"2024\""), 2024);
    EXPECT_EQ(year("version=\"2017\" then version=\"2024\""), 0);
    EXPECT_EQ(year("version=\"20245\" version='2024' Version=\"2024\""), 0);
    EXPECT_EQ(year("line\nmore\nversion=\"2025\"", "Nested/JOB.PMLPRJ"), 2025);
    EXPECT_EQ(year("version=\"2025\"", "job.pmlprj.bak"), 0);
    EXPECT_EQ(probeArchivePmVersion(archiveOf(dir, {{"a.pmlprj", "version=\"2019\"", {}},
                                                    {"b.pmlprj", "version=\"2026\"", {}}})
                                        .string()),
              2019);
    EXPECT_EQ(probeArchivePmVersion(dir.file("missing.pmlprjz").string()), 0);
    writeText(dir.file("text.pmlprjz"), "version=\"2026\"");
    EXPECT_EQ(probeArchivePmVersion(dir.file("text.pmlprjz").string()), 0);
}

TEST(ArchiveImportTest, ArchiveUnitsProbe) {
    TempDir dir;
    const auto units = [&](std::string_view indexText) {
        const PmUnitsProbe probe =
            probeArchiveUnits(archiveOf(dir, {{"job.pmlprj", std::string(indexText), {}}}).string());
        return !probe.answered ? std::string("none") : probe.metric ? std::string("mm") : std::string("in");
    };
    EXPECT_EQ(units("# Entity Index\n0\n"), "mm");
    EXPECT_EQ(units("# Entity Index\r\n  0 rest\r\n"), "mm");
    EXPECT_EQ(units("# Entity Index\r\t1"), "in");
    EXPECT_EQ(units("# Entity Index\n1"), "in");
    EXPECT_EQ(units("# Entity Index\n2\n"), "none");
    EXPECT_EQ(units("# Entity Index\nx0\n"), "none");
    EXPECT_EQ(units("# Entity Index\n   \n0\n"), "none");
    EXPECT_EQ(units("# Entity Index\n\n0\n"), "none");
    EXPECT_EQ(units("# Entity Index\n"), "none");
    EXPECT_EQ(units("# Entity Index"), "none");
    EXPECT_EQ(units(""), "none");
    EXPECT_FALSE(probeArchiveUnits(archiveOf(dir, {{"other.txt", "x\n0\n", {}}}).string()).answered);
    EXPECT_FALSE(probeArchiveUnits(dir.file("missing.pmlprjz").string()).answered);
}

TEST(ArchiveImportTest, FolderVersionProbe) {
    TempDir dir;
    const auto year = [&](std::string_view text) { return probeFolderPmVersion(folderWithIndex(dir, text).string()); };
    EXPECT_EQ(year("# Entity Index version=\"2026\"\n"), 2026);
    EXPECT_EQ(year("# Entity Index version='2024'\n"), 2024);
    EXPECT_EQ(year("version=\"2017\" version='2023'"), 2023);
    EXPECT_EQ(year("version=\"2025\" version='2023'"), 2025);
    EXPECT_EQ(year("version=\"1.0\" version=\"2025\""), 0);
    EXPECT_EQ(year("version=\"2036\""), 0);
    EXPECT_EQ(year("version=\"2018\""), 2018);
    EXPECT_EQ(year("version=\"203"), 0);
    EXPECT_EQ(year(std::string(2035, ' ') + "version=\"2026\""), 0);  // the 6 is byte 2048
    EXPECT_EQ(year(std::string(2034, ' ') + "version=\"2026\""), 2026);
    EXPECT_EQ(year(std::string("\0 version=\"2026\"", 16)), 0);
    EXPECT_EQ(probeFolderPmVersion(folderWithIndex(dir, "version=\"2026\"", "P.PmlPrj").string()), 2026);
    EXPECT_EQ(probeFolderPmVersion(folderWithIndex(dir, "version=\"2026\"", "p.txt").string()), 0);
    EXPECT_EQ(probeFolderPmVersion(dir.file("missing").string()), 0);
}

TEST(ArchiveImportTest, FolderUnitsProbe) {
    TempDir dir;
    const auto units = [&](std::string_view text) {
        const PmUnitsProbe probe = probeFolderUnits(folderWithIndex(dir, text).string());
        return !probe.answered ? std::string("none") : probe.metric ? std::string("mm") : std::string("in");
    };
    EXPECT_EQ(units("# Entity Index\n 0\n"), "mm");
    EXPECT_EQ(units("# Entity Index\r\n\t\r 0"), "mm");
    EXPECT_EQ(units("# Entity Index\n1\n"), "in");
    EXPECT_EQ(units("# Entity Index\nx\n"), "in");
    EXPECT_EQ(units("# Entity Index"), "in");
    EXPECT_EQ(units("# Entity Index\n"), "in");
    EXPECT_EQ(units(std::string(254, '#') + "\n0"), "in");  // the 0 lies beyond the first 255 bytes
    EXPECT_EQ(units(std::string(253, '#') + "\n0"), "mm");
    EXPECT_EQ(units(std::string("#\0\n0", 4)), "in");
    EXPECT_FALSE(probeFolderUnits(folderWithIndex(dir, "#\n0", "p.txt").string()).answered);
    EXPECT_FALSE(probeFolderUnits(dir.file("missing").string()).answered);
    // The first index in name order answers.
    const fs::path folder = folderWithIndex(dir, "#\n1\n", "b.pmlprj");
    writeText(folder / "a.pmlprj", "#\n0\n");
    EXPECT_TRUE(probeFolderUnits(folder.string()).metric);
}

} // namespace
} // namespace Corvana
