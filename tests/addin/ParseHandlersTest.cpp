#include "addin/ParseHandlers.h"

#include "addin/ActionTable.h"
#include "sources/PtfParser.h"
#include "tests/addin/AddinTestSupport.h"
#include "tests/support/PtfWriter.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace Corvana {
namespace {

using namespace Testing;
using nlohmann::json;

const char* const projectHint = "Select a PowerMill project folder (one containing a .pmlprj entity index).";

class ParseTest : public AddinTest {
protected:
    std::string writeTemplate(const std::string& name) {
        const auto path = folder.file(name);
        writeBytes(path, PtfWriter().addTool("EM10").addTool("BN6").data);
        return path.string();
    }

    std::string writeProject(const std::string& name, const std::vector<std::string>& stems, bool skipSecond = false) {
        const auto path = folder.file(name);
        std::filesystem::create_directories(path);
        std::string index = "# Entity Index\n";
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> entities;
        for (std::size_t i = 0; i < stems.size(); ++i) {
            index += toolEntityLine(stems[i]);
            if (!(skipSecond && i == 1)) entities.emplace_back(stems[i], endMillEntity(stems[i]));
        }
        writeProjectFolder(path, index, entities);
        return path.string();
    }

    adsk::core::UserInterface* ui() const { return host->application()->userInterface().get(); }
};

TEST_F(ParseTest, TemplateToolsStreamToThePageAndStay) {
    const std::string path = writeTemplate("tab\there \"quoted\".ptf");
    host->queueDialogOk(path);
    send("BROWSE_AND_PARSE_PTF");

    ASSERT_EQ(host->dialogs().size(), 1u);
    EXPECT_EQ(host->dialogs()[0].title, "Select PowerMill Template File");
    EXPECT_EQ(host->dialogs()[0].filter, "PowerMill Templates (*.ptf)");
    EXPECT_EQ(sentActions(), (StringList{"PARSE_BEGIN", "PARSE_TOOL", "PARSE_TOOL", "REPLY_PARSE_PTF"}));
    EXPECT_EQ(host->sentMessages()[0].data, "{\"total\":2}");
    const auto tools = repliesTo("PARSE_TOOL");
    EXPECT_EQ(tools[0]["index"], 0);
    EXPECT_EQ(tools[1]["index"], 1);
    EXPECT_EQ(tools[1]["name"], "BN6");
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF")[0], (json{{"cancelled", false}, {"filePath", path}, {"count", 2}}));
    ASSERT_EQ(ptfTools().size(), 2u);
    EXPECT_EQ(lastSourceInfo().type, "ptf");
    EXPECT_EQ(lastSourceInfo().path, path);

    host->clearRecords();
    host->queueDialogCancel();
    send("BROWSE_AND_PARSE_PTF");
    EXPECT_EQ(sentLines(), StringList{R"(REPLY_PARSE_PTF {"cancelled":true,"count":0,"filePath":""})"});
    EXPECT_EQ(ptfTools().size(), 2u) << "a cancelled dialog keeps the previous tools";

    ptfTools().clear();
    host->clearRecords();
    ASSERT_TRUE(host->clickPaletteClose(mainPaletteId));
    host->queueDialogOk(path);
    send("BROWSE_AND_PARSE_PTF");
    EXPECT_TRUE(host->sentMessages().empty()) << "a hidden palette gets nothing";
    EXPECT_EQ(ptfTools().size(), 2u) << "but the tools are stored";
}

TEST_F(ParseTest, FailingReaderGivesOneReplyWithTheErrorMember) {
    ptfTools().resize(3);
    const ToolFileReader failing = [](const std::string&, const ToolProgressFn& progress) -> std::vector<ToolModel> {
        progress(0, 4, nullptr);
        throw std::bad_alloc();
    };
    beginPtfParse("/work/broken.ptf", ui(), failing);
    EXPECT_EQ(sentLines(), (StringList{R"(PARSE_BEGIN {"total":4})",
                                       R"(REPLY_PARSE_PTF {"cancelled":false,"filePath":"/work/broken.ptf",)"
                                       R"("count":0,"error":"parse_failed"})"}));
    EXPECT_TRUE(ptfTools().empty()) << "partial results are discarded";

    const std::string project = writeProject("failing project", {"t1"});
    host->clearRecords();
    beginProjectDirParse(project, project, ui(), "archive", "Archive Import", std::nullopt, failing);
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"),
              (std::vector<json>{{{"cancelled", false}, {"filePath", project}, {"count", 0}, {"error", "parse_failed"}}}));
    ASSERT_EQ(host->messageBoxes().size(), 1u);
    EXPECT_EQ(host->messageBoxes()[0].title, "Archive Import");
    EXPECT_EQ(lastSourceInfo().type, "archive");
}

TEST_F(ParseTest, ProjectFolderToolsStreamToThePage) {
    const std::string project = writeProject("project", {"tool_1", "tool_2", "tool_3"});
    host->queueDialogOk(project);
    send("BROWSE_AND_PARSE_PROJECT");
    ASSERT_EQ(host->dialogs().size(), 1u);
    EXPECT_EQ(host->dialogs()[0].kind, adsk::sim::DialogKind::Folder);
    EXPECT_EQ(host->dialogs()[0].title, "Select PowerMill Project Folder");
    EXPECT_EQ(sentActions(),
              (StringList{"PARSE_BEGIN", "PARSE_TOOL", "PARSE_TOOL", "PARSE_TOOL", "REPLY_PARSE_PTF"}));
    EXPECT_EQ(repliesTo("PARSE_TOOL")[2]["identifier"], "tool_3");
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF")[0], (json{{"cancelled", false}, {"filePath", project}, {"count", 3}}));
    EXPECT_EQ(ptfTools().size(), 3u);
    EXPECT_EQ(lastSourceInfo().type, "project");
    EXPECT_TRUE(host->messageBoxes().empty());

    host->clearRecords();
    host->queueDialogCancel();
    send("BROWSE_AND_PARSE_PROJECT");
    EXPECT_EQ(sentLines(), StringList{R"(REPLY_PARSE_PTF {"cancelled":true,"count":0,"filePath":""})"});
}

TEST_F(ParseTest, UnusableFoldersAreRefusedWithTheirReason) {
    const std::string notAFolder = writeTemplate("file.ptf");
    const auto empty = folder.file("empty");
    std::filesystem::create_directories(empty);
    const std::string twoIndexes = writeProject("two", {"t1"});
    writeText(std::filesystem::path(twoIndexes) / "other.PMLPRJ", "");
    const auto unrecognized = folder.file("unrecognized");
    std::filesystem::create_directories(unrecognized);
    writeProjectFolder(unrecognized, "# Tool List\n" + toolEntityLine("t1"), {{"t1", endMillEntity("t1")}});

    ptfTools().resize(1);
    lastSourceInfo().type = "before";
    for (const auto& path : {notAFolder, empty.string(), twoIndexes, unrecognized.string()}) {
        host->queueDialogOk(path);
        send("BROWSE_AND_PARSE_PROJECT");
    }
    const StringList reasons = {"The selected path is not a folder.",
                                "No PowerMill project index (.pmlprj) was found in this folder.",
                                "Multiple .pmlprj files were found; the project folder is ambiguous.",
                                "The .pmlprj file is not a recognized PowerMill Entity Index."};
    const auto boxes = host->messageBoxes();
    ASSERT_EQ(boxes.size(), reasons.size());
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        EXPECT_EQ(boxes[i].text, reasons[i] + "\n\n" + projectHint);
        EXPECT_EQ(boxes[i].title, "Project Import");
    }
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>(4, {{"cancelled", true}, {"count", 0}, {"filePath", ""}}));
    EXPECT_EQ(ptfTools().size(), 1u) << "refused folders change nothing";
    EXPECT_EQ(lastSourceInfo().type, "before");
}

TEST_F(ParseTest, OneUnreadableEntityLeavesNoToolAtAll) {
    const std::string project = writeProject("partial", {"t1", "t2", "t3"}, true);
    host->queueDialogOk(project);
    send("BROWSE_AND_PARSE_PROJECT");
    ASSERT_EQ(host->messageBoxes().size(), 1u);
    EXPECT_EQ(host->messageBoxes()[0].text,
              "One or more tool entities could not be read. Import was aborted so no partial tool set is produced.");
    EXPECT_EQ(host->messageBoxes()[0].title, "Project Import");
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF")[0],
              (json{{"cancelled", false}, {"filePath", project}, {"count", 0}, {"error", "parse_failed"}}));
    EXPECT_TRUE(ptfTools().empty());

    host->clearRecords();
    const std::string noTools = writeProject("no tools", {});
    host->queueDialogOk(noTools);
    send("BROWSE_AND_PARSE_PROJECT");
    EXPECT_TRUE(host->messageBoxes().empty());
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF")[0], (json{{"cancelled", false}, {"filePath", noTools}, {"count", 0}}));
}

// Blocks the worker until the page messages queued before the parse were served by its pump.
ToolFileReader readAfterPageMessages(adsk::sim::SimHost& simHost) {
    return [&simHost](const std::string& file, const ToolProgressFn& progress) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (simHost.pendingEvents() > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return parsePtfFile(file, progress);
    };
}

// A parse requested by the page while another one pumps would let two
// workers write the tool list at once; it is refused instead.
TEST_F(ParseTest, ParseNestedInAnotherParseIsRefused) {
    const std::string path = writeTemplate("outer.ptf");
    host->queueFromPage(mainPaletteId, "BROWSE_AND_PARSE_PTF", "{}");
    host->queueDialogOk(writeTemplate("inner.ptf"));
    beginPtfParse(path, ui(), readAfterPageMessages(*host));
    const auto replies = repliesTo("REPLY_PARSE_PTF");
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0], (json{{"cancelled", false}, {"filePath", ""}, {"count", 0}, {"error", "parse_failed"}}));
    EXPECT_EQ(replies[1], (json{{"cancelled", false}, {"filePath", path}, {"count", 2}}));
    EXPECT_TRUE(host->dialogs().empty()) << "the refused request shows no dialog";
    EXPECT_EQ(host->pendingDialogAnswers(), 1u);
    EXPECT_FALSE(isFileParseRunning());
}

// The host may unload the add-in from inside a pump; the parse still ends
// cleanly and keeps its tools, with nobody left to tell.
TEST_F(ParseTest, StopDuringAParseLeavesNothingDangling) {
    registerAction("TEST_STOP", [](const std::string&, adsk::core::Application*, adsk::core::UserInterface*) {
        stop("");
    });
    host->queueFromPage(mainPaletteId, "TEST_STOP", "{}");
    beginPtfParse(writeTemplate("during stop.ptf"), ui(), readAfterPageMessages(*host));
    EXPECT_TRUE(host->paletteIds().empty());
    EXPECT_TRUE(host->sentMessages().empty()) << "progress and reply went nowhere";
    EXPECT_EQ(ptfTools().size(), 2u);
}

} // namespace
} // namespace Corvana
