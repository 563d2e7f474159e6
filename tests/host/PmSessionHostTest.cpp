// The real add-in in corvana-host against pmsim processes, for the opens the
// outside check (scripts/check-session.sh) does not drive: an archive opened
// in the PowerMill the add-in started, release warnings, refused paths,
// start-up failures and the watchdog; stop leaves no PowerMill running.

#include "tests/support/ChildProcess.h"
#include "tests/support/JsonCheck.h"
#include "tests/sources/ZipTestArchives.h"
#include "tests/support/PmSimProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Corvana {
namespace {

using Json = nlohmann::json;
using Testing::PmSimEnvironment;

const std::string exampleProject = CORVANA_SOURCE_DIR "/examples/example-project";

std::string send(const std::string& action, const Json& data) {
    return Json{{"send", action}, {"data", data.is_string() ? data.get<std::string>() : data.dump()}}.dump() + "\n";
}

// Palette messages as (action, parsed data), in order.
std::vector<std::pair<std::string, Json>> runHost(const PmSimEnvironment& environment, const std::string& script) {
    Testing::writeText(environment.folder() / "script.jsonl", script + "{\"stop\":true}\n");
    const auto run = Testing::runCommand({CORVANA_HOST_BINARY, "--libraries", (environment.folder() / "libs").string(),
                                          "--addin", CORVANA_ADDIN_MODULE, "--time-scale", "0.05", "--script",
                                          (environment.folder() / "script.jsonl").string()});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    std::vector<std::pair<std::string, Json>> messages;
    for (const auto& line : Testing::splitLines(run.output)) {
        const Json parsed = Testing::parseJsonOrFail(line);
        if (parsed.contains("action"))
            messages.emplace_back(parsed["action"], Testing::parseJsonOrFail(parsed["data"].get<std::string>()));
    }
    return messages;
}

// Actions in order with PM_TOOL runs folded into one "PM_TOOL xN" entry, and
// status replies written as their status word.
std::vector<std::string> outline(const std::vector<std::pair<std::string, Json>>& messages) {
    std::vector<std::string> words;
    int tools = 0;
    for (const auto& [action, data] : messages) {
        if (action == "IMPORT_PROGRESS") continue;
        tools = action == "PM_TOOL" ? tools + 1 : 0;
        if (tools > 1) words.pop_back();
        if (tools > 0) words.push_back("PM_TOOL x" + std::to_string(tools));
        else words.push_back(action == "REPLY_PM_OPEN_STATUS" ? "status " + data["status"].get<std::string>() : action);
    }
    return words;
}

struct OpenCase {
    std::string name;
    std::vector<std::string> install;  // pmsim install arguments
    std::string script;                // '@' stands for the example project, '%' for an archive of it
    std::vector<std::string> outline;  // empty: not checked
    std::string lastAction;
    Json lastData;  // the keys it must hold
};

TEST(PmSessionHostTest, OpensWarningsErrorsAndPartialLoads) {
    const std::string pastStartup = "PowerMill did not start within 2 minutes. This may indicate a licensing or "
                                    "product issue for your investigation before retry.";
    const Json folder = {{"type", "folder"}, {"path", "@"}};
    const OpenCase cases[] = {
        {"archive in the launched PowerMill",
         {"--year", "2024"},
         send("OPEN_PM_PROJECT", folder) + send("OPEN_PM_PROJECT", Json{{"type", "archive"}, {"path", "%"}}),
         {"status launching", "status starting", "status opening", "status reading", "status extracting", "PM_BEGIN",
          "PM_TOOL x10", "REPLY_PM_LOADED", "status launching", "status opening", "status reading",
          "status extracting", "PM_BEGIN", "PM_TOOL x10", "REPLY_PM_LOADED"},
         "REPLY_PM_LOADED",
         {{"projectName", "Job12"}, {"count", 10}, {"isMetric", true}, {"pmVersion", "2024.1.0"}}},
        {"newer release", {"--year", "2023"}, send("OPEN_PM_PROJECT", folder), {}, "REPLY_PM_VERSION_WARN",
         {{"projectYear", 2024}, {"installedYear", 2023}, {"type", "folder"}}},
        {"forced", {"--year", "2023"}, send("OPEN_PM_PROJECT_FORCE", folder), {}, "REPLY_PM_LOADED", {{"count", 10}}},
        {"quote in path", {"--year", "2024"}, send("OPEN_PM_PROJECT", Json{{"type", "folder"}, {"path", "/a\"b"}}), {},
         "REPLY_PM_ERROR", {{"reason", "invalid_path"}}},
        {"no session", {"--year", "2024"}, send("OPEN_PM_PROJECT", Json{{"type", "live"}}), {}, "REPLY_PM_ERROR",
         {{"reason", "not_running"}}},
        {"start-up", {"--year", "2024", "--", "--startup-delay", "60"}, send("OPEN_PM_PROJECT", folder), {},
         "REPLY_PM_ERROR", {{"reason", "launch_failed"}, {"detail", pastStartup}}},
        {"hangs", {"--year", "2024", "--", "--hang-after", "2"}, send("OPEN_PM_PROJECT", folder),
         {"status launching", "status starting", "status opening", "status reading", "status extracting", "PM_BEGIN",
          "PM_TOOL x1", "status extracting", "PM_TOOL x1", "REPLY_PM_LOADED"},
         "REPLY_PM_LOADED", {{"partial", true}, {"partialReason", "timeout"}, {"count", 2}}},
    };
    const Testing::TempDir archiveFolder;
    const std::string archive = archiveFolder.file("Job12.pmlprjz").string();
    Testing::zipFolder(exampleProject, archive);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PmSimEnvironment environment;
        ASSERT_EQ(environment.install(c.install), 0);
        std::string script = c.script;
        for (const auto& [mark, text] : {std::pair('@', exampleProject), std::pair('%', archive)})
            for (auto at = script.find(mark); at != std::string::npos; at = script.find(mark)) script.replace(at, 1, text);
        const auto messages = runHost(environment, script);
        ASSERT_FALSE(messages.empty());
        if (!c.outline.empty()) {
            EXPECT_EQ(outline(messages), c.outline);
        }
        EXPECT_EQ(messages.back().first, c.lastAction) << messages.back().second;
        for (const auto& [key, value] : c.lastData.items())
            EXPECT_EQ(messages.back().second.value(key, Json()), value) << key;
        EXPECT_EQ(environment.liveServerCount(), 0u) << "no PowerMill is left running";
    }
}

} // namespace
} // namespace Corvana
