// The library operations as the page drives them, against the simulated
// host's library folder, on the bundled metric example template.

#include "addin/ArchiveAndDatabaseHandlers.h"
#include "addin/ImportPipeline.h"
#include "addin/LibraryWriters.h"
#include "addin/ParseHandlers.h"
#include "addin/SessionState.h"
#include "tests/addin/AddinTestSupport.h"
#include "tests/support/JsonCheck.h"

#include <filesystem>

namespace Corvana {
namespace {

using namespace Testing;
using nlohmann::json;

class LibraryTest : public AddinTest {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        browse("BROWSE_AND_PARSE_PTF", {CORVANA_SOURCE_DIR "/examples/metric-template.ptf"});
        ASSERT_EQ(ptfTools().size(), 40u);
        host->clearRecords();
    }
    static std::string request(const std::string& name, const std::string& indices) {
        return "{\"libraryName\":\"" + name + "\",\"selectedIndices\":[" + indices + "]}";
    }
    std::filesystem::path libraryFile(const std::string& name) const {
        return folder.file("libraries") / (name + ".json");
    }
    // Descriptions of the library's tool entries, or of its holder entries.
    StringList entries(const std::string& name, bool holders = false) const {
        StringList names;
        const json document = parseJsonOrFail(readText(libraryFile(name)));
        for (const auto& entry : document["data"])
            if ((entry["type"] == "holder") == holders) names.push_back(entry["description"]);
        return names;
    }
    json lastReply(const std::string& action) const { return repliesTo(action).back(); }
};

TEST_F(LibraryTest, ImportWarnAnalyzeMergeAndReplace) {
    send("IMPORT_TOOLS", request("Mills", "0,1,2"));
    const StringList lines = sentLines();
    ASSERT_EQ(lines.size(), 5u) << "progress before each of the 3 tools and after the last";
    EXPECT_EQ(lines[3], R"(IMPORT_PROGRESS {"phase":"importing","current":3,"total":3})");
    EXPECT_EQ(host->progressSteps().back().value, 3) << "the host's dialog advances with the page's progress";
    EXPECT_EQ(lines[4], R"(REPLY_IMPORT_TOOLS {"success":true,"count":3,"message":"Library 'Mills' created with 3 tools."})");
    EXPECT_EQ(entries("Mills"), (StringList{"EM 12 4FL Carbide Finish", "EM 10 3FL Rough", "EM 6 HSS"}));
    EXPECT_EQ(entries("Mills", true), StringList{}) << "holders go to the holder library";
    EXPECT_EQ(entries("PowerMill Holders", true), (StringList{"HSK63 Shrink Fit 12", "BT40 ER32"}));

    const std::string created = readText(libraryFile("Mills"));
    host->clearRecords();
    send("IMPORT_TOOLS", request("Mills", "0,1,2,3"));
    EXPECT_EQ(sentLines(), StringList{R"(WARN_LIBRARY_EXISTS {"analyzed":false})"});
    send("ANALYZE_LIBRARY", request("Mills", "0,3,1,4,2"));
    EXPECT_EQ(lastReply("WARN_LIBRARY_EXISTS"),
              json::parse(R"({"analyzed":true,"existingCount":3,"mergeNew":2,"mergeDup":3,"mergeRemoved":0,)"
                          R"("newNames":["EM 20 Long Reach","CSK 10 90DEG"],)"
                          R"("matchingNames":["EM 12 4FL Carbide Finish","EM 10 3FL Rough","EM 6 HSS"],)"
                          R"("removedNames":[]})"));
    EXPECT_EQ(readText(libraryFile("Mills")), created) << "neither the warning nor the analysis writes";

    send("MERGE_LIBRARY", request("Mills", "0,34,3,1,4,2"));
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS"),
              json::parse(R"({"success":true,"count":5,)"
                          R"("message":"Library 'Mills' updated: 2 added, 3 already present.","addedIndices":[3,4]})"))
        << "the form cutter at 34 is not selectable, so positions map past it";
    EXPECT_EQ(entries("Mills").size(), 5u);
    EXPECT_EQ(entries("PowerMill Holders", true),
              (StringList{"HSK63 Shrink Fit 12", "BT40 ER32", "CAT40 Side Lock 20"}));

    const std::string holders = readText(libraryFile("PowerMill Holders"));
    send("MERGE_LIBRARY", request("Mills", "4,3"));
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS")["addedIndices"], json::array());
    EXPECT_EQ(readText(libraryFile("PowerMill Holders")), holders) << "known holders are not added again";

    send("REPLACE_LIBRARY", request("Mills", "31"));
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS"),
              json::parse(R"({"success":true,"count":1,"message":"Library 'Mills' replaced with 1 tool."})"));
    EXPECT_EQ(parseJsonOrFail(readText(libraryFile("Mills")))["data"][0]["geometry"]["NT"], 11)
        << "the one thread mill left; 20 mm of flutes at a 1.75 mm pitch: 11 passes";

    host->clearRecords();
    send("REPLACE_LIBRARY", request("Mills", ""));
    EXPECT_EQ(sentLines(), StringList{R"(REPLY_IMPORT_TOOLS {"success":false,"message":"No tools selected."})"});
}

TEST_F(LibraryTest, MissingAndRealFusionLibraries) {
    send("MERGE_LIBRARY", request("Fresh", "5,36,0"));
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS"),
              json::parse(R"({"success":true,"count":2,)"
                          R"("message":"Library 'Fresh' updated: 2 added, 0 already present.","addedIndices":[5,0]})"));

    std::filesystem::copy_file(
        CORVANA_SOURCE_DIR "/tests/fixtures/fusion-libraries/fusion-library-v26-inch-drills-endmills-holders.json",
        libraryFile("banana holes"));
    send("MERGE_LIBRARY", request("banana holes", "1,0"));
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS")["addedIndices"], json::array({1, 0}));
    const StringList merged = {"15/64\" drill", "9/32\" bit", "upcut", "upcut", "upcut", "1/4\" drill",
                               "EM 10 3FL Rough", "EM 12 4FL Carbide Finish"};
    EXPECT_EQ(entries("banana holes"), merged);
    send("MERGE_LIBRARY", request("banana holes", "0,1"));
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS")["message"], "Library 'banana holes' updated: 0 added, 2 already present.");
    EXPECT_EQ(entries("banana holes"), merged);
}

TEST_F(LibraryTest, HolderModesDecideWhereHoldersGo) {
    send("SET_HOLDER_DESTINATION", R"({"mode":1,"libName":"PowerMill Holders"})");
    send("IMPORT_TOOLS", request("Own", "0,1"));
    EXPECT_EQ(entries("Own", true), (StringList{"HSK63 Shrink Fit 12", "BT40 ER32"}));
    send("MERGE_LIBRARY", request("Own", "0,1,2,3"));
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS")["message"], "Library 'Own' updated: 2 added, 2 already present.");
    EXPECT_EQ(entries("Own", true), (StringList{"HSK63 Shrink Fit 12", "BT40 ER32", "CAT40 Side Lock 20"}))
        << "a merge adds only the holders the library lacks";
    EXPECT_FALSE(std::filesystem::exists(libraryFile("PowerMill Holders")));

    send("SET_HOLDER_DESTINATION", R"({"mode":2,"libName":"no/such"})");
    send("IMPORT_TOOLS", request("Noted", "0"));
    const std::string note = " Note: the holder library was not updated (Could not create the holder library.).";
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS"),
              json({{"success", true}, {"count", 1}, {"message", "Library 'Noted' created with 1 tool." + note}}));
    send("MERGE_LIBRARY", request("Noted", "0,1"));
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS")["message"], "Library 'Noted' updated: 1 added, 1 already present." + note);
}

TEST_F(LibraryTest, ExportCancelUnwritableAndDone) {
    host->queueDialogCancel();
    send("EXPORT_TOOLS_JSON", R"({"selectedIndices":[0]})");
    EXPECT_EQ(lastReply("REPLY_EXPORT_JSON"), json::parse(R"({"success":false,"count":1,"message":"Export cancelled."})"));
    EXPECT_EQ(host->dialogs().at(0).filter + " " + host->dialogs().at(0).initialFilename,
              "Tool Library (*.json) Imported from PowerMill.json");

    browse("EXPORT_TOOLS_JSON", {folder.file("missing/out.json")}, R"({"selectedIndices":[0]})");
    EXPECT_EQ(lastReply("REPLY_EXPORT_JSON")["message"], "Could not write to the selected file.");
    EXPECT_FALSE(std::filesystem::exists(libraryFile("PowerMill Holders"))) << "no holder library after a failure";


    browse("EXPORT_TOOLS_JSON", {folder.file("out.json")}, R"({"libraryName":"Shop","selectedIndices":[0,1,2]})");
    EXPECT_EQ(lastReply("REPLY_EXPORT_JSON"), json::parse(R"({"success":true,"count":3,"message":"Exported 3 tools to JSON."})"));
    EXPECT_EQ(host->dialogs().back().initialFilename, "Shop.json");
    EXPECT_EQ(parseJsonOrFail(readText(folder.file("out.json")))["data"].size(), 3u);
    EXPECT_EQ(entries("PowerMill Holders", true).size(), 2u) << "the holder library follows a successful export";
}

TEST_F(LibraryTest, FailedWritesKeepTheOldFiles) {
    send("IMPORT_TOOLS", request("Mills", "0"));
    const std::string before = readText(libraryFile("Mills"));
    const std::string target = folder.file("out.json").string();
    writeText(target, "the user's old file");
    host->queueDialogOk(target);
    {
        const FileSizeLimit limit(before.size() + 100);
        send("REPLACE_LIBRARY", request("Mills", "0,1,2,3,4,5,6,7,8,9"));
        send("MERGE_LIBRARY", request("Mills", "0,1,2,3,4,5,6,7,8,9"));
        send("EXPORT_TOOLS_JSON", R"({"selectedIndices":[0,1,2,3,4,5,6,7,8]})");
    }
    const auto replies = repliesTo("REPLY_IMPORT_TOOLS");
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[1]["message"], "Failed to replace existing library.");
    EXPECT_EQ(replies[2], json::parse(R"({"success":false,"count":10,)"
                                      R"("message":"Failed to update the existing library.","addedIndices":[]})"));
    EXPECT_EQ(lastReply("REPLY_EXPORT_JSON")["message"], "Failed while writing the file.");
    EXPECT_EQ(readText(libraryFile("Mills")), before);
    EXPECT_EQ(readText(target), "the user's old file");
    EXPECT_EQ(sortedEntries(folder.path()), (StringList{"libraries", "out.json"})) << "no temporary file";
    EXPECT_EQ(sortedEntries(folder.file("libraries")), (StringList{"Mills.json", "PowerMill Holders.json"}));
}

TEST_F(LibraryTest, RequestsNestedInARunningJobAreRefused) {
    host->queueFromPage(mainPaletteId, "REPLACE_LIBRARY", request("Mills", "1"));
    send("IMPORT_TOOLS", request("Mills", "0"));
    const auto replies = repliesTo("REPLY_IMPORT_TOOLS");
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0], json::parse(R"({"success":false,"message":"Another library operation is still running."})"));
    EXPECT_EQ(replies[1]["message"], "Library 'Mills' created with 1 tool.");

    host->queueFromPage(mainPaletteId, "MERGE_LIBRARY", request("Mills", "1"));
    host->queueFromPage(mainPaletteId, "ANALYZE_LIBRARY", request("Mills", "0"));
    // Reads only once the page's messages were dispatched inside the parse's pump.
    const auto blankTools = [](std::size_t count) {
        return [count](const std::string&, const ToolProgressFn&) { return std::vector<ToolModel>(count); };
    };
    beginPtfParse("slow.ptf", ui(), afterPageMessages(*host, blankTools(3)));
    const json stillReading = json::parse(R"({"success":false,"message":"The tool list is still being read."})");
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS"), stillReading);
    EXPECT_EQ(lastReply("WARN_LIBRARY_EXISTS")["existingCount"], 0);
    EXPECT_EQ(entries("Mills").size(), 1u);

    host->queueFromPage(mainPaletteId, "IMPORT_MDB_TOOLS", R"({"selectedIndices":[0]})");
    beginMdbParse("slow.mdb", ui(), afterPageMessages(*host, blankTools(2)));
    EXPECT_EQ(lastReply("REPLY_IMPORT_TOOLS"), stillReading) << "database requests wait for the database parse";
    EXPECT_EQ(mdbTools().size(), 2u);
    mdbTools().clear();
}

TEST_F(LibraryTest, SessionAndDatabaseListsFeedTheirVariants) {
    pmSessionTools() = {ptfTools()[0], ptfTools()[1]};
    mdbTools() = {ptfTools()[2]};
    send("IMPORT_PM_TOOLS", R"({"selectedIndices":[1,0]})");
    send("MERGE_MDB_LIBRARY", R"({"libraryName":"Imported from PowerMill","selectedIndices":[0]})");
    send("REPLACE_MDB_LIBRARY", R"({"selectedIndices":[0]})");
    EXPECT_EQ(entries("Imported from PowerMill"), (StringList{"EM 10 3FL Rough", "EM 12 4FL Carbide Finish", "EM 6 HSS"}));
    EXPECT_EQ(entries("Imported from MDB"), StringList{"EM 6 HSS"}) << "replace creates a missing library";
    send("ANALYZE_PM_LIBRARY", R"({"selectedIndices":[0]})");
    EXPECT_EQ(lastReply("WARN_LIBRARY_EXISTS")["mergeRemoved"], 2);
    host->queueDialogCancel();
    send("EXPORT_MDB_TOOLS_JSON", R"({"selectedIndices":[0]})");
    EXPECT_EQ(host->dialogs().back().initialFilename, "Imported from MDB.json");
    pmSessionTools().clear();
    mdbTools().clear();
}

TEST_F(LibraryTest, NamesAreExactAndThreadMillsAreCorrectedThroughParameters) {
    writeText(libraryFile("Mills.2024"), R"({"data":[]})");
    send("IMPORT_TOOLS", request("Mills.2024", "0"));
    send("IMPORT_TOOLS", request("mills.2024", "0"));
    EXPECT_EQ(sentActions(), (StringList{"WARN_LIBRARY_EXISTS", "IMPORT_PROGRESS", "IMPORT_PROGRESS", "REPLY_IMPORT_TOOLS"}))
        << "Mills.2024.json is named Mills.2024; names differ by case";

    const std::string document =
        R"({"data":[)"
        R"({"type":"thread mill","product-id":"tm-1","unit":"millimeters","geometry":{"DC":9.5,"NT":1,"HAND":true},)"
        R"("holder":{"product-id":"tm-2","unit":"millimeters"}},)"
        R"({"type":"thread mill","product-id":"tm-2","unit":"millimeters","geometry":{"DC":8,"NT":3,"HAND":false}},)"
        R"({"type":"thread mill","product-id":"tm-3","unit":"millimeters","geometry":{"DC":6,"NT":1,"HAND":true}}]})";
    std::string error;
    ASSERT_TRUE(createLibrary(document, {}, {{"tm-1", {8, false}}, {"tm-2", {1, true}}}, "Threads", error));
    const json stored = parseJsonOrFail(readText(libraryFile("Threads")));
    json geometries = json::array();
    for (const auto& tool : stored["data"]) geometries.push_back(tool["geometry"]);
    EXPECT_EQ(geometries, json::parse(R"([{"DC":9.5,"NT":8,"HAND":false},{"DC":8,"NT":3,"HAND":true},)"
                                      R"({"DC":6,"NT":1,"HAND":true}])"))
        << "one pass keeps the teeth; tools without a fix are untouched";
}

} // namespace
} // namespace Corvana
