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

TEST(HostLibraryFlowTest, ImportInTheHostProgram) {
    Testing::TempDir folder;
    const std::string example = CORVANA_SOURCE_DIR "/examples/metric-template.ptf";
    Testing::writeText(folder.file("script.jsonl"),
                       sendLine("BROWSE_AND_PARSE_PTF", "{}", example) +
                           sendLine("IMPORT_TOOLS", R"({"libraryName":"Mills","selectedIndices":[0,1]})"));
    const auto run = Testing::runCommand({CORVANA_HOST_BINARY, "--libraries", folder.file("libraries").string(),
                                          "--addin", CORVANA_ADDIN_MODULE, "--script",
                                          folder.file("script.jsonl").string()});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    std::vector<json> outcome;
    for (const auto& line : Testing::splitLines(run.output)) {
        json parsed = Testing::parseJsonOrFail(line);
        if (parsed.value("progress", "") == "message" || parsed.value("action", "").rfind("REPLY_", 0) == 0)
            outcome.push_back(std::move(parsed));
    }
    const std::vector<json> expected = {
        page("REPLY_PARSE_PTF",
             nlohmann::ordered_json{{"cancelled", false}, {"filePath", example}, {"count", 40}}.dump()),
        {{"progress", "message"}, {"text", "Writing the tool library into Fusion, please wait..."}},
        {{"progress", "message"}, {"text", "Updating the holder library, please wait..."}},
        page("REPLY_IMPORT_TOOLS", R"({"success":true,"count":2,"message":"Library 'Mills' created with 2 tools."})"),
    };
    EXPECT_EQ(outcome, expected);
    EXPECT_EQ(Testing::parseJsonOrFail(Testing::readText(folder.file("libraries/Mills.json")))["data"].size(), 2u);
}

} // namespace
} // namespace Corvana
