#include "addin/ArchiveAndDatabaseHandlers.h"

#include "sources/MdbReader.h"
#include "sources/PtfParser.h"
#include "tests/addin/AddinTestSupport.h"
#include "tests/sources/ZipTestArchives.h"
#include "tests/support/PtfWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <thread>

namespace Corvana {
namespace {

using namespace Testing;
using nlohmann::json;
namespace fs = std::filesystem;

const fs::path exampleProject = fs::path(CORVANA_SOURCE_DIR) / "examples/example-project";
const fs::path mdbFixtures = fs::path(CORVANA_SOURCE_DIR) / "tests/fixtures/mdb";

const json cancelled = {{"cancelled", true}, {"count", 0}, {"filePath", ""}};
const json refused = {{"cancelled", false}, {"filePath", ""}, {"count", 0}, {"error", "parse_failed"}};
// The reply of a parse that ran, with the error member when it failed.
json ranReply(const std::string& path, int count, bool failed = false) {
    json reply = {{"cancelled", false}, {"filePath", path}, {"count", count}};
    if (failed) reply["error"] = "parse_failed";
    return reply;
}

const char* const notExtracted =
    "This PowerMill archive could not be extracted. It may be corrupt, password-protected, or use an unsupported "
    "compression method.";
const char* const archiveHint = "This archive does not contain a valid PowerMill project (a .pmlprj entity index).";

class ArchiveAndDatabaseTest : public AddinTest {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        registerArchiveAndDatabaseParseActions();
        // Extractions land in a scratch folder inside the test's own folder.
        if (const char* previous = std::getenv("TMPDIR")) savedTempDir = previous;
        fs::create_directories(folder.file("tmp"));
        ::setenv("TMPDIR", folder.file("tmp").c_str(), 1);
        mdbTools().clear();
    }

    void TearDown() override {
        host->setObserver({});
        if (savedTempDir)
            ::setenv("TMPDIR", savedTempDir->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        mdbTools().clear();
        AddinTest::TearDown();
    }

    fs::path scratch() const { return folder.file("tmp") / "TOLVEX_PM"; }
    bool scratchIsEmpty() const { return !fs::exists(scratch()) || fs::is_empty(scratch()); }
    adsk::core::UserInterface* ui() const { return host->application()->userInterface().get(); }

    std::string zipped(const fs::path& project, const std::string& name, std::string_view prefix = "") {
        const fs::path archive = folder.file(name);
        zipFolder(project, archive, prefix);
        return archive.string();
    }

    // Palette actions and message box titles in the order the host saw them.
    void recordOrder() {
        host->setObserver([this](const adsk::sim::HostRecord& record) {
            if (const auto* message = std::get_if<adsk::sim::PaletteMessage>(&record))
                order.push_back(message->action);
            if (const auto* box = std::get_if<adsk::sim::MessageBoxShown>(&record))
                order.push_back("box " + box->title);
        });
    }

    StringList order;
    std::optional<std::string> savedTempDir;
};

TEST_F(ArchiveAndDatabaseTest, ArchiveIsReadFromItsExtractionWhichIsThenRemoved) {
    const std::string archive = zipped(exampleProject, "Job \"7\".pmlprjz");
    std::string pathDuringReply;
    bool extractionExistedAtReply = false;
    host->setObserver([&](const adsk::sim::HostRecord& record) {
        const auto* message = std::get_if<adsk::sim::PaletteMessage>(&record);
        if (!message || message->action != "REPLY_PARSE_PTF") return;
        pathDuringReply = lastSourceInfo().path;
        extractionExistedAtReply = fs::is_directory(pathDuringReply);
    });
    host->queueDialogOk(archive);
    send("BROWSE_AND_PARSE_ARCHIVE");

    ASSERT_EQ(host->dialogs().size(), 1u);
    EXPECT_EQ(host->dialogs()[0].kind, adsk::sim::DialogKind::Open);
    EXPECT_EQ(host->dialogs()[0].title, "Select PowerMill Archive");
    EXPECT_EQ(host->dialogs()[0].filter, "PowerMill Archives (*.pmlprjz)");
    EXPECT_FALSE(host->dialogs()[0].multiSelect);
    const StringList actions = sentActions();
    ASSERT_EQ(actions.size(), 12u);
    EXPECT_EQ(actions.front(), "PARSE_BEGIN");
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "PARSE_TOOL"), 10);
    EXPECT_EQ(host->sentMessages()[0].data, "{\"total\":10}");
    const auto tools = repliesTo("PARSE_TOOL");
    EXPECT_EQ(tools[0]["identifier"], "EM 12 4FL Carbide Finish");
    EXPECT_EQ(tools[9]["index"], 9);
    EXPECT_TRUE(tools[0].contains("presetNames"));
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>{ranReply(archive, 10)});
    EXPECT_TRUE(host->messageBoxes().empty());
    EXPECT_EQ(ptfTools().size(), 10u);

    EXPECT_TRUE(extractionExistedAtReply);
    EXPECT_EQ(fs::path(pathDuringReply).parent_path(), scratch());
    EXPECT_TRUE(scratchIsEmpty()) << "the extraction folder is removed after the read";
    // The record outlives the extraction, so it names the archive the tools came from.
    EXPECT_EQ(lastSourceInfo().type, "archive");
    EXPECT_EQ(lastSourceInfo().path, archive);

    host->clearRecords();
    host->queueDialogCancel();
    send("BROWSE_AND_PARSE_ARCHIVE");
    EXPECT_EQ(sentLines(), StringList{R"(REPLY_PARSE_PTF {"cancelled":true,"count":0,"filePath":""})"});
    EXPECT_TRUE(host->messageBoxes().empty());
    EXPECT_EQ(ptfTools().size(), 10u) << "a cancelled dialog keeps the previous tools";
}

TEST_F(ArchiveAndDatabaseTest, ArchivesThatCannotBeExtractedChangeNothing) {
    writeText(folder.file("garbage.pmlprjz"), "not a zip archive");
    writeZip(folder.file("escape.pmlprjz"),
             {{"project.pmlprj", "# Entity Index\n" + toolEntityLine("t1"), {}}, {"../t1.pmlent", "x", {}}});
    writeZip(folder.file("locked.pmlprjz"), {{"project.pmlprj", "# Entity Index\n", "secret"}});
    const std::string nested = zipped(exampleProject, "nested.pmlprjz", "example-project/");
    const std::vector<std::string> archives = {folder.file("garbage.pmlprjz").string(),
                                               folder.file("escape.pmlprjz").string(),
                                               folder.file("locked.pmlprjz").string(), nested,
                                               folder.file("missing.pmlprjz").string()};
    ptfTools().resize(2);
    lastSourceInfo().type = "before";
    recordOrder();
    for (const auto& archive : archives) {
        host->queueDialogOk(archive);
        send("BROWSE_AND_PARSE_ARCHIVE");
    }
    StringList expectedOrder;
    for (std::size_t i = 0; i < archives.size(); ++i) {
        expectedOrder.push_back("REPLY_PARSE_PTF");
        expectedOrder.push_back("box Archive Import");
    }
    EXPECT_EQ(order, expectedOrder) << "the cancelled reply comes before the message box";
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>(archives.size(), cancelled));
    for (const auto& box : host->messageBoxes()) EXPECT_EQ(box.text, notExtracted);
    EXPECT_FALSE(fs::exists(scratch() / "t1.pmlent")) << "an entry may not leave its extraction folder";
    EXPECT_TRUE(scratchIsEmpty());
    EXPECT_EQ(ptfTools().size(), 2u);
    EXPECT_EQ(lastSourceInfo().type, "before");
}

TEST_F(ArchiveAndDatabaseTest, ExtractedArchivesWithoutAUsableProject) {
    writeZip(folder.file("no index.pmlprjz"), {{"notes.txt", "hello", {}}});
    ptfTools().resize(2);
    lastSourceInfo().type = "before";
    host->queueDialogOk(folder.file("no index.pmlprjz").string());
    send("BROWSE_AND_PARSE_ARCHIVE");
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>{cancelled});
    ASSERT_EQ(host->messageBoxes().size(), 1u);
    EXPECT_EQ(host->messageBoxes()[0].text,
              std::string("No PowerMill project index (.pmlprj) was found in this folder.\n\n") + archiveHint);
    EXPECT_EQ(host->messageBoxes()[0].title, "Archive Import");
    EXPECT_EQ(ptfTools().size(), 2u);
    EXPECT_EQ(lastSourceInfo().type, "before");
    EXPECT_TRUE(scratchIsEmpty());

    const fs::path partial = folder.file("partial");
    writeProjectFolder(partial, "# Entity Index\n" + toolEntityLine("t1") + toolEntityLine("t2"),
                       {{"t1", endMillEntity("t1")}});
    const std::string archive = zipped(partial, "partial.pmlprjz");
    host->clearRecords();
    host->queueDialogOk(archive);
    send("BROWSE_AND_PARSE_ARCHIVE");
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>{ranReply(archive, 0, true)});
    ASSERT_EQ(host->messageBoxes().size(), 1u);
    EXPECT_EQ(host->messageBoxes()[0].text,
              "One or more tool entities could not be read. Import was aborted so no partial tool set is produced.");
    EXPECT_EQ(host->messageBoxes()[0].title, "Archive Import");
    EXPECT_TRUE(ptfTools().empty());
    EXPECT_EQ(lastSourceInfo().path, archive);
    EXPECT_TRUE(scratchIsEmpty());
}

TEST_F(ArchiveAndDatabaseTest, DatabasesStreamToThePageAndFillTheDatabaseList) {
    const std::string sample = (mdbFixtures / "tooldb-sample.mdb").string();
    ptfTools().resize(2);
    host->queueDialogOk(sample);
    send("BROWSE_AND_PARSE_MDB");

    ASSERT_EQ(host->dialogs().size(), 1u);
    EXPECT_EQ(host->dialogs()[0].title, "Select PowerMill Tool Database");
    EXPECT_EQ(host->dialogs()[0].filter, "PowerMill Database (*.mdb)");
    EXPECT_FALSE(host->dialogs()[0].multiSelect);
    const StringList actions = sentActions();
    ASSERT_EQ(actions.size(), 33u);
    EXPECT_EQ(host->sentMessages()[0].data, "{\"total\":31}");
    EXPECT_EQ(actions.back(), "REPLY_PARSE_MDB");
    const auto tools = repliesTo("PARSE_TOOL");
    ASSERT_EQ(tools.size(), 31u);
    EXPECT_EQ(tools[0]["name"], "EM 10 4FL CARBIDE");
    EXPECT_EQ(tools[0]["index"], 0);
    EXPECT_EQ(tools[30]["name"], "BARREL 12 R250");
    EXPECT_EQ(tools[30]["index"], 30);
    for (const auto& tool : tools) EXPECT_FALSE(tool.contains("presetNames")) << tool["name"];
    EXPECT_EQ(repliesTo("REPLY_PARSE_MDB"), std::vector<json>{ranReply(sample, 31)});
    EXPECT_EQ(mdbTools().size(), 31u);
    EXPECT_EQ(ptfTools().size(), 2u) << "the file-source list is not touched";
    EXPECT_EQ(lastSourceInfo().type, "mdb");
    EXPECT_EQ(lastSourceInfo().path, sample);

    host->clearRecords();
    host->queueDialogCancel();
    send("BROWSE_AND_PARSE_MDB");
    EXPECT_EQ(sentLines(), StringList{R"(REPLY_PARSE_MDB {"cancelled":true,"count":0,"filePath":""})"});
    EXPECT_EQ(mdbTools().size(), 31u);

    const std::string empty = (mdbFixtures / "empty-schema.mdb").string();
    host->clearRecords();
    host->queueDialogOk(empty);
    send("BROWSE_AND_PARSE_MDB");
    EXPECT_EQ(sentActions(), (StringList{"PARSE_BEGIN", "REPLY_PARSE_MDB"}));
    EXPECT_EQ(host->sentMessages()[0].data, "{\"total\":0}");
    EXPECT_EQ(repliesTo("REPLY_PARSE_MDB"), std::vector<json>{ranReply(empty, 0)});
    EXPECT_TRUE(mdbTools().empty());

    // A file that cannot be opened as a database reads as one without tools.
    for (const char* name : {"not-a-database.mdb", "missing.mdb"}) {
        const std::string path = (mdbFixtures / name).string();
        mdbTools().resize(1);
        host->clearRecords();
        host->queueDialogOk(path);
        send("BROWSE_AND_PARSE_MDB");
        EXPECT_EQ(repliesTo("REPLY_PARSE_MDB"), std::vector<json>{ranReply(path, 0)});
        EXPECT_EQ(sentActions(), StringList{"REPLY_PARSE_MDB"}) << name;
        EXPECT_TRUE(mdbTools().empty()) << name;
    }
}

TEST_F(ArchiveAndDatabaseTest, FailingDatabaseReadIsReportedAndLeavesNoTools) {
    mdbTools().resize(3);
    const ToolFileReader failing = [](const std::string&, const ToolProgressFn& progress) -> std::vector<ToolModel> {
        progress(0, 5, nullptr);
        throw std::bad_alloc();
    };
    beginMdbParse("C:\\Tools\\shop.mdb", ui(), failing);
    EXPECT_EQ(sentLines(), (StringList{R"(PARSE_BEGIN {"total":5})",
                                       R"(REPLY_PARSE_MDB {"cancelled":false,"filePath":"C:\\Tools\\shop.mdb",)"
                                       R"("count":0,"error":"parse_failed"})"}));
    EXPECT_TRUE(mdbTools().empty());
    EXPECT_FALSE(isDatabaseParseRunning());
}

TEST_F(ArchiveAndDatabaseTest, ToolLibraryPickerParsesByExtension) {
    const fs::path templateFile = folder.file("Shop.PTF");
    writeBytes(templateFile, PtfWriter().addTool("EM10").addTool("BN6").data);
    const fs::path database = folder.file("shop.v2.Mdb");
    fs::copy_file(mdbFixtures / "tooldb-sample.mdb", database);

    host->queueDialogOk(templateFile.string());
    send("BROWSE_AND_PARSE_TOOL_LIBRARY");
    ASSERT_EQ(host->dialogs().size(), 1u);
    EXPECT_EQ(host->dialogs()[0].title, "Select PowerMill Tool Library File");
    EXPECT_EQ(host->dialogs()[0].filter, "PowerMill Tool Libraries (*.ptf;*.mdb)");
    EXPECT_FALSE(host->dialogs()[0].multiSelect);
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>{ranReply(templateFile.string(), 2)});
    EXPECT_EQ(ptfTools().size(), 2u);
    EXPECT_EQ(lastSourceInfo().type, "ptf");

    host->clearRecords();
    host->queueDialogOk(database.string());
    send("BROWSE_AND_PARSE_TOOL_LIBRARY");
    EXPECT_TRUE(repliesTo("REPLY_PARSE_PTF").empty());
    EXPECT_EQ(repliesTo("REPLY_PARSE_MDB"), std::vector<json>{ranReply(database.string(), 31)});
    EXPECT_EQ(repliesTo("PARSE_TOOL").size(), 31u);
    EXPECT_EQ(mdbTools().size(), 31u);
    EXPECT_EQ(lastSourceInfo().type, "mdb");

    host->clearRecords();
    recordOrder();
    for (const std::string& path : {folder.file("job.pmlprjz").string(), folder.file("tools.mdb.bak").string(),
                                    folder.file("v1.ptf/README").string(), folder.file("noextension").string()}) {
        host->queueDialogOk(path);
        send("BROWSE_AND_PARSE_TOOL_LIBRARY");
    }
    host->queueDialogCancel();
    send("BROWSE_AND_PARSE_TOOL_LIBRARY");
    StringList expectedOrder;
    for (int i = 0; i < 4; ++i) {
        expectedOrder.push_back("box Tool Library Import");
        expectedOrder.push_back("REPLY_PARSE_PTF");
    }
    expectedOrder.push_back("REPLY_PARSE_PTF");
    EXPECT_EQ(order, expectedOrder) << "the message box comes before the cancelled reply";
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>(5, cancelled));
    for (const auto& box : host->messageBoxes())
        EXPECT_EQ(box.text, "Unsupported file type. Select a PowerMill template (*.ptf) or database (*.mdb) file.");
    EXPECT_EQ(ptfTools().size(), 2u);
    EXPECT_EQ(mdbTools().size(), 31u);
}

// Blocks the worker until the page messages queued before the parse were served by its pump.
ToolFileReader readAfterPageMessages(adsk::sim::SimHost& simHost, ToolFileReader reader) {
    return [&simHost, reader](const std::string& file, const ToolProgressFn& progress) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (simHost.pendingEvents() > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return reader(file, progress);
    };
}

// A parse requested while another one pumps would nest pumps and, for the
// same list, let two workers write it at once; every such request is refused.
TEST_F(ArchiveAndDatabaseTest, ParsesRequestedDuringAnotherParseAreRefused) {
    const std::string sample = (mdbFixtures / "tooldb-sample.mdb").string();
    const ToolFileReader databaseReader = [](const std::string& path, const ToolProgressFn& progress) {
        return readMdbFile(path, progress);
    };
    for (const char* action : {"BROWSE_AND_PARSE_PTF", "BROWSE_AND_PARSE_PROJECT", "BROWSE_AND_PARSE_ARCHIVE",
                               "BROWSE_AND_PARSE_MDB", "BROWSE_AND_PARSE_TOOL_LIBRARY"}) {
        host->queueFromPage(mainPaletteId, action, "{}");
    }
    beginMdbParse(sample, ui(), readAfterPageMessages(*host, databaseReader));
    EXPECT_TRUE(host->dialogs().empty()) << "no refused request shows a dialog";
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>(4, refused));
    const auto databaseReplies = repliesTo("REPLY_PARSE_MDB");
    ASSERT_EQ(databaseReplies.size(), 2u);
    EXPECT_EQ(databaseReplies[0], refused);
    EXPECT_EQ(databaseReplies[1], ranReply(sample, 31));
    EXPECT_EQ(mdbTools().size(), 31u);
    EXPECT_FALSE(isDatabaseParseRunning());

    // And the other way round: a template parse refuses a database parse.
    const fs::path templateFile = folder.file("outer.ptf");
    writeBytes(templateFile, PtfWriter().addTool("EM10").data);
    host->clearRecords();
    host->queueFromPage(mainPaletteId, "BROWSE_AND_PARSE_MDB", "{}");
    const ToolFileReader templateReader = [](const std::string& path, const ToolProgressFn& progress) {
        return parsePtfFile(path, progress);
    };
    beginPtfParse(templateFile.string(), ui(), readAfterPageMessages(*host, templateReader));
    EXPECT_EQ(repliesTo("REPLY_PARSE_MDB"), std::vector<json>{refused});
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>{ranReply(templateFile.string(), 1)});
    EXPECT_EQ(mdbTools().size(), 31u);
}

} // namespace
} // namespace Corvana
