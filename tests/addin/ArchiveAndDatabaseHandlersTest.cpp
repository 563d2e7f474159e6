#include "addin/ArchiveAndDatabaseHandlers.h"

#include "addin/SessionState.h"
#include "sources/MdbReader.h"
#include "tests/addin/AddinTestSupport.h"
#include "tests/sources/ZipTestArchives.h"
#include "tests/support/PtfWriter.h"

#include <filesystem>
#include <optional>

namespace Corvana {
namespace {

using namespace Testing;
using nlohmann::json;
namespace fs = std::filesystem;

const fs::path exampleProject = fs::path(CORVANA_SOURCE_DIR) / "examples/example-project";
const std::string sample = CORVANA_SOURCE_DIR "/tests/fixtures/mdb/tooldb-sample.mdb";
const json cancelled = {{"cancelled", true}, {"count", 0}, {"filePath", ""}};

class ArchiveAndDatabaseTest : public AddinTest {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        registerArchiveAndDatabaseParseActions();
        // Extractions land in a scratch folder inside the test's own folder.
        fs::create_directories(folder.file("tmp"));
        tempDir.emplace("TMPDIR", folder.file("tmp").string());
        mdbTools().clear();
    }

    void TearDown() override {
        host->setObserver({});
        tempDir.reset();
        mdbTools().clear();
        AddinTest::TearDown();
    }

    fs::path scratch() const { return folder.file("tmp") / "TOLVEX_PM"; }
    bool scratchIsEmpty() const { return !fs::exists(scratch()) || fs::is_empty(scratch()); }

    // Palette actions and message box titles in the order the host saw them.
    void recordOrder() {
        host->setObserver([this](const adsk::sim::HostRecord& record) {
            if (const auto* message = std::get_if<adsk::sim::PaletteMessage>(&record)) order.push_back(message->action);
            if (const auto* box = std::get_if<adsk::sim::MessageBoxShown>(&record)) order.push_back("box " + box->title);
        });
    }

    StringList order;
    std::optional<ScopedEnv> tempDir;
};

TEST_F(ArchiveAndDatabaseTest, ArchiveIsReadFromItsExtractionWhichIsThenRemoved) {
    const std::string archive = folder.file("Job \"7\".pmlprjz").string();
    zipFolder(exampleProject, archive, "");
    browse("BROWSE_AND_PARSE_ARCHIVE", {archive});

    EXPECT_EQ(repliesTo("PARSE_TOOL").size(), 10u);
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>{parseReply(archive, 10)});
    EXPECT_EQ(boxes(), StringList{});
    EXPECT_EQ(ptfTools().size(), 10u);
    EXPECT_TRUE(scratchIsEmpty()) << "the extraction folder is removed after the read";
    // The record outlives the extraction, so it names the archive the tools came from.
    EXPECT_EQ(lastSourceInfo().type + " " + lastSourceInfo().path, "archive " + archive);
}

// Archives that cannot be extracted or hold no project, and a scratch folder
// another user could control, fail with a cancelled reply and a message box
// and change nothing.
TEST_F(ArchiveAndDatabaseTest, ArchivesThatCannotBeReadChangeNothing) {
    writeText(folder.file("garbage.pmlprjz"), "not a zip archive");
    writeZip(folder.file("no index.pmlprjz"), {{"notes.txt", "hello", {}}});
    const std::string archive = folder.file("job.pmlprjz").string();
    zipFolder(exampleProject, archive, "");
    ptfTools().resize(2);
    lastSourceInfo().type = "before";
    recordOrder();
    browse("BROWSE_AND_PARSE_ARCHIVE", {folder.file("garbage.pmlprjz"), folder.file("no index.pmlprjz")});
    EXPECT_TRUE(scratchIsEmpty());
    fs::remove(scratch());
    fs::create_directories(folder.file("theirs"));
    fs::create_directory_symlink(folder.file("theirs"), scratch());
    browse("BROWSE_AND_PARSE_ARCHIVE", {archive});

    StringList expectedOrder;
    for (int i = 0; i < 3; ++i) expectedOrder.insert(expectedOrder.end(), {"REPLY_PARSE_PTF", "box Archive Import"});
    EXPECT_EQ(order, expectedOrder) << "the cancelled reply comes before the message box";
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>(3, cancelled));
    EXPECT_EQ(boxes(), (StringList{
        "Archive Import: This PowerMill archive could not be extracted. It may be corrupt, password-protected, or use an "
        "unsupported compression method.",
        "Archive Import: No PowerMill project index (.pmlprj) was found in this folder.\n\nThis archive does not contain "
        "a valid PowerMill project (a .pmlprj entity index).",
        "Archive Import: The scratch folder '" + scratch().string() + "' is a link; it is not used. Remove it and try again."}));
    EXPECT_TRUE(fs::is_empty(folder.file("theirs")));
    EXPECT_EQ(ptfTools().size(), 2u);
    EXPECT_EQ(lastSourceInfo().type, "before");
}

TEST_F(ArchiveAndDatabaseTest, DatabasesStreamToThePageOrFailWithOneReply) {
    ptfTools().resize(2);
    browse("BROWSE_AND_PARSE_MDB", {sample});
    EXPECT_EQ(repliesTo("PARSE_TOOL").size(), 31u);
    EXPECT_EQ(repliesTo("REPLY_PARSE_MDB"), std::vector<json>{parseReply(sample, 31)});
    EXPECT_EQ(mdbTools().size(), 31u);
    EXPECT_EQ(ptfTools().size(), 2u) << "the file-source list is not touched";
    EXPECT_EQ(lastSourceInfo().type + " " + lastSourceInfo().path, "mdb " + sample);

    host->clearRecords();
    host->queueDialogCancel();
    send("BROWSE_AND_PARSE_MDB");
    EXPECT_EQ(sentLines(), StringList{R"(REPLY_PARSE_MDB {"cancelled":true,"count":0,"filePath":""})"});
    EXPECT_EQ(mdbTools().size(), 31u);

    // A file that cannot be opened as a database reads as one without tools, replacing the list.
    const std::string notADatabase = CORVANA_SOURCE_DIR "/tests/fixtures/mdb/not-a-database.mdb";
    host->clearRecords();
    browse("BROWSE_AND_PARSE_MDB", {notADatabase});
    EXPECT_EQ(repliesTo("REPLY_PARSE_MDB"), std::vector<json>{parseReply(notADatabase, 0)});
    EXPECT_TRUE(mdbTools().empty());
}

TEST_F(ArchiveAndDatabaseTest, ToolLibraryPickerParsesByExtension) {
    const fs::path templateFile = folder.file("Shop.PTF");
    writeBytes(templateFile, PtfWriter().addTool("EM10").addTool("BN6").data);
    const fs::path database = folder.file("shop.v2.Mdb");
    fs::copy_file(sample, database);

    browse("BROWSE_AND_PARSE_TOOL_LIBRARY", {templateFile, database});
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>{parseReply(templateFile, 2)});
    EXPECT_EQ(repliesTo("REPLY_PARSE_MDB"), std::vector<json>{parseReply(database, 31)});
    EXPECT_EQ(ptfTools().size(), 2u);
    EXPECT_EQ(mdbTools().size(), 31u);

    host->clearRecords();
    recordOrder();
    browse("BROWSE_AND_PARSE_TOOL_LIBRARY", {folder.file("tools.mdb.bak"), folder.file("v1.ptf/README")});
    host->queueDialogCancel();
    send("BROWSE_AND_PARSE_TOOL_LIBRARY");
    EXPECT_EQ(order, (StringList{"box Tool Library Import", "REPLY_PARSE_PTF", "box Tool Library Import",
                                 "REPLY_PARSE_PTF", "REPLY_PARSE_PTF"}))
        << "the message box comes before the cancelled reply";
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>(3, cancelled));
    EXPECT_EQ(boxes(), StringList(2, "Tool Library Import: Unsupported file type. Select a PowerMill template (*.ptf) or "
                                     "database (*.mdb) file."));
    EXPECT_EQ(ptfTools().size(), 2u);
    EXPECT_EQ(mdbTools().size(), 31u);
}

// A parse requested while another one pumps would nest pumps and, for the
// same list, let two workers write it at once; every such request is refused.
TEST_F(ArchiveAndDatabaseTest, ParsesRequestedDuringAnotherParseAreRefused) {
    const json refused = parseReply("", 0, true);
    for (const char* action : {"BROWSE_AND_PARSE_PTF", "BROWSE_AND_PARSE_PROJECT", "BROWSE_AND_PARSE_ARCHIVE",
                               "BROWSE_AND_PARSE_MDB", "BROWSE_AND_PARSE_TOOL_LIBRARY"})
        host->queueFromPage(mainPaletteId, action, "{}");
    beginMdbParse(sample, ui(), afterPageMessages(*host, [](const std::string& path, const ToolProgressFn& progress) {
                      return readMdbFile(path, progress);
                  }));
    EXPECT_TRUE(host->dialogs().empty()) << "no refused request shows a dialog";
    EXPECT_EQ(repliesTo("REPLY_PARSE_PTF"), std::vector<json>(4, refused));
    EXPECT_EQ(repliesTo("REPLY_PARSE_MDB"), (std::vector<json>{refused, parseReply(sample, 31)}));
    EXPECT_EQ(mdbTools().size(), 31u);
    EXPECT_FALSE(isParseRunning());
}

} // namespace
} // namespace Corvana
