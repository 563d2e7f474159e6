#include "addin/ParseHandlers.h"

#include "addin/ActionTable.h"
#include "addin/SessionState.h"
#include "sources/PtfParser.h"
#include "tests/addin/AddinTestSupport.h"
#include "tests/support/PtfWriter.h"

#include <stdexcept>

namespace Corvana {
namespace {

using namespace Testing;
using nlohmann::json;

const ToolFileReader templateReader = [](const std::string& path, const ToolProgressFn& progress) {
    return parsePtfFile(path, progress);
};

class ParseTest : public AddinTest {
protected:
    std::string writeTemplate(const std::string& name) {
        writeBytes(folder.file(name), PtfWriter().addTool("EM10").addTool("BN6").data);
        return folder.file(name).string();
    }

    // A project folder listing `stems`; the entity of `missing` (if any) is not written.
    std::string writeProject(const std::string& name, const StringList& stems, const std::string& missing = "") {
        std::string index = "# Entity Index\n";
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> entities;
        for (const auto& stem : stems) {
            index += toolEntityLine(stem);
            if (stem != missing) entities.emplace_back(stem, endMillEntity(stem));
        }
        writeProjectFolder(folder.file(name), index, entities);
        return folder.file(name).string();
    }
};

TEST_F(ParseTest, TemplateToolsStreamToThePageAndStay) {
    const std::string path = writeTemplate("tab\there \"quoted\".ptf");
    browse("BROWSE_AND_PARSE_PTF", {path});
    EXPECT_EQ(sentActions(), (StringList{"PARSE_BEGIN", "PARSE_TOOL", "PARSE_TOOL", "REPLY_PARSE_PTF"}));
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF")[0], parseReply(path, 2)) << "control characters in the path are escaped";
    host->queueDialogCancel();
    send("BROWSE_AND_PARSE_PTF");
    EXPECT_EQ(ptfTools().size(), 2u) << "a cancelled dialog keeps the previous tools";

    ptfTools().clear();
    host->clearRecords();
    ASSERT_TRUE(host->clickPaletteClose(mainPaletteId));
    browse("BROWSE_AND_PARSE_PTF", {path});
    EXPECT_TRUE(host->sentMessages().empty()) << "a hidden palette gets nothing";
    EXPECT_EQ(ptfTools().size(), 2u) << "but the tools are stored";
}

TEST_F(ParseTest, FailingReaderGivesOneReplyWithTheErrorMember) {
    ptfTools().resize(3);
    const ToolFileReader failing = [](const std::string&, const ToolProgressFn& progress) -> std::vector<ToolModel> {
        progress(0, 4, nullptr);
        throw std::bad_alloc();
    };
    beginPtfParse("C:\\Tools\\broken.ptf", ui(), failing);
    EXPECT_EQ(sentLines(), (StringList{R"(PARSE_BEGIN {"total":4})",
                                       R"(REPLY_PARSE_PTF {"cancelled":false,"filePath":"C:\\Tools\\broken.ptf",)"
                                       R"("count":0,"error":"parse_failed"})"}));
    EXPECT_TRUE(ptfTools().empty()) << "partial results are discarded";

    const std::string project = writeProject("failing project", {"t1"});
    host->clearRecords();
    beginProjectDirParse(project, project, ui(), "archive", "Archive Import", std::nullopt, failing);
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>{parseReply(project, 0, true)});
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].rfind("Archive Import: ", 0), 0u) << boxes()[0];
    EXPECT_EQ(lastSourceInfo().type, "archive");
}

TEST_F(ParseTest, ProjectFoldersGiveAllToolsOrNoneOrAreRefused) {
    const std::string project = writeProject("project", {"tool_1", "tool_2", "tool_3"});
    const std::string partial = writeProject("partial", {"t1", "t2", "t3"}, "t2");
    const std::string noTools = writeProject("no tools", {});
    browse("BROWSE_AND_PARSE_PROJECT", {project, partial, noTools});
    EXPECT_EQ(host->dialogs().at(0).kind, adsk::sim::DialogKind::Folder);
    EXPECT_EQ(repliesTo("PARSE_TOOL").at(2)["identifier"], "tool_3");
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"),
              (std::vector<json>{parseReply(project, 3), parseReply(partial, 0, true), parseReply(noTools, 0)}));
    EXPECT_EQ(boxes(), StringList{"Project Import: One or more tool entities could not be read. Import was aborted so "
                                  "no partial tool set is produced."});
    EXPECT_TRUE(ptfTools().empty());
    EXPECT_EQ(lastSourceInfo().type, "project");

    // An unusable folder is refused with its reason and changes nothing.
    ptfTools().resize(1);
    lastSourceInfo().type = "before";
    host->clearRecords();
    browse("BROWSE_AND_PARSE_PROJECT", {writeTemplate("file.ptf")});
    EXPECT_EQ(boxes(), StringList{"Project Import: The selected path is not a folder.\n\nSelect a PowerMill project "
                                  "folder (one containing a .pmlprj entity index)."});
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>(1, {{"cancelled", true}, {"count", 0}, {"filePath", ""}}));
    EXPECT_EQ(ptfTools().size(), 1u);
    EXPECT_EQ(lastSourceInfo().type, "before");
}

// The host may unload the add-in from inside a pump; the parse still ends
// cleanly and keeps its tools, with nobody left to tell.
TEST_F(ParseTest, StopDuringAParseLeavesNothingDangling) {
    registerAction("TEST_STOP", [](const std::string&, adsk::core::Application*, adsk::core::UserInterface*) {
        stop("");
    });
    host->queueFromPage(mainPaletteId, "TEST_STOP", "{}");
    beginPtfParse(writeTemplate("during stop.ptf"), ui(), afterPageMessages(*host, templateReader));
    EXPECT_TRUE(host->paletteIds().empty());
    EXPECT_TRUE(host->sentMessages().empty()) << "progress and reply went nowhere";
    EXPECT_EQ(ptfTools().size(), 2u);
}

} // namespace
} // namespace Corvana
