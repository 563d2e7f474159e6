#include "sources/ProjectFolder.h"

#include "tests/support/PtfWriter.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace Corvana {
namespace {

using namespace Testing;

const std::string kHeader = "# Entity Index\n";

// The progress calls of one read, as "index/total entity".
std::vector<std::string> readWithProgress(const std::filesystem::path& folder, std::size_t& toolCount) {
    std::vector<std::string> calls;
    const auto progress = [&calls](std::int32_t index, std::int32_t total, const ToolModel* tool) {
        calls.push_back(std::to_string(index) + "/" + std::to_string(total) + " " + (tool ? tool->entityName : "-"));
    };
    toolCount = readProjectFolder(folder.string(), progress).size();
    return calls;
}

TEST(ProjectFolderTest, RefusesAnythingButOneEntityIndex) {
    TempDir dir;
    const auto error = [&dir](const std::string& folder) { return loadProjectIndex(dir.file(folder).string()).error; };
    writeProjectFolder(dir.file("two"), kHeader);
    std::filesystem::create_directories(dir.file("dirIndex/sub.pmlprj"));
    EXPECT_EQ(error("missing"), "The selected path is not a folder.");
    EXPECT_EQ(error("two/project.pmlprj"), "The selected path is not a folder.");
    EXPECT_EQ(error("dirIndex"), "The .pmlprj file is not a recognized PowerMill Entity Index.");
    for (const std::string header : {"# Entity\n", "# Entity List\n# Entity Index\n", ""}) {
        writeProjectFolder(dir.file("bad"), header + toolEntityLine("EM10"));
        EXPECT_EQ(error("bad"), "The .pmlprj file is not a recognized PowerMill Entity Index.") << header;
    }
}

TEST(ProjectFolderTest, CountsAndListsToolEntities) {
    TempDir dir;
    const std::string index = "\xEF\xBB\xBF# Entity Index v2\r\n" + toolEntityLine("EM10") +
                              "Boundary1.pmlent pmlEntBoundary 'Boundary1'\r\nRough.pmlent pmlEntToolpath 'R'\r\n" +
                              toolEntityLine("Ball 6") + "pmlEntTool '\r\n" + toolEntityLine("D5");
    writeProjectFolder(dir.path(), index, {}, "Job 12.PMLPRJ");
    const ProjectIndex result = loadProjectIndex(dir.path().string());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.toolEntityCount, 3);
    EXPECT_EQ(result.indexPath, dir.file("Job 12.PMLPRJ").string());
    const auto entries = readIndexEntries(result.indexPath);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 3u);
    EXPECT_EQ((*entries)[0].fileStem + "|" + (*entries)[1].fileStem + "|" + (*entries)[2].fileStem, "EM10|Ball 6|D5");
    EXPECT_FALSE(readIndexEntries(dir.file("missing.pmlprj").string()));
}

TEST(ProjectFolderTest, ReadsAllEntitiesOrNone) {
    TempDir dir;
    std::size_t count = 0;
    writeProjectFolder(dir.file("ok"), kHeader + toolEntityLine("tool_2") + toolEntityLine("tool..1"),
                       {{"tool_2", endMillEntity("BN6", "6")}, {"tool..1", endMillEntity("EM10")}});
    EXPECT_EQ(readWithProgress(dir.file("ok"), count),
              (std::vector<std::string>{"0/2 -", "1/2 tool_2", "2/2 tool..1"}));
    EXPECT_EQ(count, 2u);
    const ToolModel first = readProjectFolder(dir.file("ok").string()).at(0);
    EXPECT_EQ(first.identifier + "|" + first.name + "|" + first.sourceKind, "BN6|BN6|Project");

    const std::string abc = kHeader + toolEntityLine("a") + toolEntityLine("b") + toolEntityLine("c");
    writeProjectFolder(dir.file("gap"), abc, {{"a", endMillEntity("A")}, {"c", endMillEntity("C")}});
    EXPECT_EQ(readWithProgress(dir.file("gap"), count), (std::vector<std::string>{"0/3 -", "1/3 a"}));
    EXPECT_EQ(count, 0u);
    const auto twoTools = PtfWriter().addTool("1").addTool("2").data;
    for (const auto& bad : {endMillEntity("Zero", "0"), std::vector<std::uint8_t>{}, twoTools}) {
        writeProjectFolder(dir.file("bad"), abc, {{"a", endMillEntity("A")}, {"b", bad}, {"c", endMillEntity("C")}});
        EXPECT_TRUE(readProjectFolder(dir.file("bad").string()).empty());
    }
    writeProjectFolder(dir.file("none"), kHeader + "B.pmlent pmlEntBoundary 'B'\n");
    EXPECT_EQ(readWithProgress(dir.file("none"), count), (std::vector<std::string>{"0/0 -"}));
    EXPECT_TRUE(readWithProgress(dir.file("missing"), count).empty());
}

TEST(ProjectFolderTest, StemsNeverNameFilesOutsideTheFolder) {
    TempDir dir;
    writeBytes(dir.file("outside.pmlent"), endMillEntity("Outside"));
    writeProjectFolder(dir.file("project/sub"), "", {{"inner", endMillEntity("Inner")}});
#if !defined(_WIN32)
    // Valid entities wait under these names where the file system allows them.
    for (const char* name : {"sub\\inner", "C:outside", "CON", "com1.tool", ".."})
        writeBytes(dir.file("project") / (std::string(name) + ".pmlent"), endMillEntity("Decoy"));
#endif
    for (const std::string& stem : {std::string("../outside"), std::string("..\\outside"), std::string("sub/inner"),
                                    std::string("sub\\inner"), std::string("C:outside"), std::string(".."),
                                    std::string("CON"), std::string("com1.tool"), dir.file("outside").string()}) {
        writeProjectFolder(dir.file("project"), kHeader + toolEntityLine("ok") + toolEntityLine(stem),
                           {{"ok", endMillEntity("Ok")}});
        EXPECT_TRUE(readProjectFolder(dir.file("project").string()).empty()) << stem;
    }
    writeProjectFolder(dir.file("project"), kHeader + toolEntityLine("ok"));
    EXPECT_EQ(readProjectFolder(dir.file("project").string()).size(), 1u);
}

} // namespace
} // namespace Corvana
