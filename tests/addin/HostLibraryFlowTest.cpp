// The library operations scripted through the real corvana-host program,
// which loads the add-in module as Fusion would.

#include "tests/support/ChildProcess.h"
#include "tests/support/JsonCheck.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace Corvana {
namespace {

using nlohmann::json;

json page(const std::string& action, const std::string& data) {
    return json{{"palette", "CorvanaPaletteId"}, {"action", action}, {"data", data}};
}

// A script line sending `action`, after a dialog answered with `path` when one is given.
std::string sendLine(const std::string& action, const std::string& data, const std::string& path = "") {
    const std::string dialog = path.empty() ? "" : json{{"dialog", "ok"}, {"path", path}}.dump() + "\n";
    return dialog + json{{"send", action}, {"data", data}}.dump() + "\n";
}

TEST(HostLibraryFlowTest, ImportWarnAnalyzeMergeAndExportInTheHostProgram) {
    Testing::TempDir folder;
    const std::string exported = folder.file("export.json").string();
    const std::string mills = R"({"libraryName":"Mills","selectedIndices":[0,1]})";
    const std::string more = R"({"libraryName":"Mills","selectedIndices":[0,3,1]})";
    const std::string example = CORVANA_SOURCE_DIR "/examples/metric-template.ptf";
    Testing::writeText(folder.file("script.jsonl"),
                       sendLine("BROWSE_AND_PARSE_PTF", "{}", example) + sendLine("IMPORT_TOOLS", mills) +
                           sendLine("IMPORT_TOOLS", mills) + sendLine("ANALYZE_LIBRARY", more) +
                           sendLine("MERGE_LIBRARY", more) +
                           sendLine("EXPORT_TOOLS_JSON", R"({"selectedIndices":[3]})", exported));

    const auto run = Testing::runCommand({CORVANA_HOST_BINARY, "--libraries", folder.file("libraries").string(),
                                          "--addin", CORVANA_ADDIN_MODULE, "--script",
                                          folder.file("script.jsonl").string()});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    std::vector<json> outcome;
    for (const auto& line : Testing::splitLines(run.output)) {
        json parsed = Testing::parseJsonOrFail(line);
        const std::string action = parsed.value("action", "");
        if (parsed.contains("log") || parsed.value("progress", "") == "message" || action.rfind("REPLY_", 0) == 0 ||
            action == "WARN_LIBRARY_EXISTS")
            outcome.push_back(std::move(parsed));
    }
    const json writing = {{"progress", "message"}, {"text", "Writing the tool library into Fusion, please wait..."}};
    const json holders = {{"progress", "message"}, {"text", "Updating the holder library, please wait..."}};
    const std::vector<json> expected = {
        page("REPLY_PARSE_PTF",
             nlohmann::ordered_json{{"cancelled", false}, {"filePath", example}, {"count", 40}}.dump()),
        writing,
        holders,
        page("REPLY_IMPORT_TOOLS", R"({"success":true,"count":2,"message":"Library 'Mills' created with 2 tools."})"),
        page("WARN_LIBRARY_EXISTS", R"({"analyzed":false})"),
        json{{"log", "[CVN diag] new=1 matching=2 removed=0 existingTools=2"}},
        page("WARN_LIBRARY_EXISTS", R"({"analyzed":true,"existingCount":2,"mergeNew":1,"mergeDup":2,"mergeRemoved":0,)"
                                    R"("newNames":["EM 20 Long Reach"],)"
                                    R"("matchingNames":["EM 12 4FL Carbide Finish","EM 10 3FL Rough"],)"
                                    R"("removedNames":[]})"),
        writing,
        holders,
        page("REPLY_IMPORT_TOOLS", R"({"success":true,"count":3,)"
                                   R"("message":"Library 'Mills' updated: 1 added, 2 already present.",)"
                                   R"("addedIndices":[3]})"),
        writing,
        holders,
        page("REPLY_EXPORT_JSON", R"({"success":true,"count":1,"message":"Exported 1 tool to JSON."})"),
    };
    EXPECT_EQ(outcome, expected);
    EXPECT_EQ(Testing::parseJsonOrFail(Testing::readText(folder.file("libraries/Mills.json")))["data"].size(), 3u);
    EXPECT_EQ(Testing::parseJsonOrFail(Testing::readText(exported))["data"][0]["description"], "EM 20 Long Reach");
}

} // namespace
} // namespace Corvana
