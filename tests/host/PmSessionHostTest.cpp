// The real add-in in corvana-host against pmsim processes: listing, live and
// launched opens with their replies, the import of what was read, warnings,
// errors, partial loads, the watchdog, and stop closing only the PowerMill
// the add-in started.

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
using Testing::PmSimProcess;

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
        if (action == "PM_TOOL") {
            ++tools;
            continue;
        }
        if (tools > 0) words.push_back("PM_TOOL x" + std::to_string(tools));
        tools = 0;
        words.push_back(action == "REPLY_PM_OPEN_STATUS" ? "status " + data["status"].get<std::string>() : action);
    }
    if (tools > 0) words.push_back("PM_TOOL x" + std::to_string(tools));
    return words;
}

std::vector<Json> dataOf(const std::vector<std::pair<std::string, Json>>& messages, const std::string& action) {
    std::vector<Json> found;
    for (const auto& [name, data] : messages)
        if (name == action) found.push_back(data);
    return found;
}

TEST(PmSessionHostTest, LiveAndLaunchedOpensThenStopClosesOnlyTheAddinsPowerMill) {
    const PmSimEnvironment environment;
    ASSERT_EQ(environment.install({"--year", "2024"}), 0);
    PmSimProcess user(environment, {"--project", exampleProject});
    const auto archive = environment.folder() / "Job12.pmlprjz";
    Testing::zipFolder(exampleProject, archive);
    const auto messages = runHost(
        environment,
        send("GET_PM_STATUS", "") + send("OPEN_PM_PROJECT", Json{{"type", "live"}, {"sessionIndex", 0}}) +
            send("IMPORT_PM_TOOLS", Json{{"libraryName", "From PowerMill"}, {"selectedIndices", {0, 1, 2}}}) +
            send("OPEN_PM_PROJECT", Json{{"type", "folder"}, {"path", exampleProject}}) + send("GET_PM_STATUS", "") +
            send("OPEN_PM_PROJECT", Json{{"type", "archive"}, {"path", archive.string()}}));
    const std::vector<std::string> live = {"REPLY_PM_STATUS", "status extracting", "PM_BEGIN", "PM_TOOL x10",
                                           "REPLY_PM_LOADED", "REPLY_IMPORT_TOOLS"};
    const std::vector<std::string> launched = {"status launching", "status starting", "status opening",
                                               "status reading",   "status extracting", "PM_BEGIN",
                                               "PM_TOOL x10",      "REPLY_PM_LOADED",  "REPLY_PM_STATUS"};
    const std::vector<std::string> reused = {"status launching", "status opening",  "status reading",
                                             "status extracting", "PM_BEGIN", "PM_TOOL x10", "REPLY_PM_LOADED"};
    std::vector<std::string> expected = live;
    expected.insert(expected.end(), launched.begin(), launched.end());
    expected.insert(expected.end(), reused.begin(), reused.end());
    EXPECT_EQ(outline(messages), expected);

    const auto status = dataOf(messages, "REPLY_PM_STATUS");
    const Json session = {{"projectName", "example-project"}, {"pmVersion", "2024.1.0"}, {"toolCount", 10},
                          {"isMetric", true}};
    EXPECT_EQ(status[0], (Json{{"pmInstalled", true}, {"sessions", {session}}}));
    EXPECT_EQ(status[1], status[0]) << "the add-in's own PowerMill is not listed";
    const auto loaded = dataOf(messages, "REPLY_PM_LOADED");
    ASSERT_EQ(loaded.size(), 3u);
    const Json complete = {{"cancelled", false}, {"count", 10}, {"projectName", "example-project"},
                           {"isMetric", true}, {"pmVersion", "2024.1.0"}};
    EXPECT_EQ(loaded[0], complete);
    EXPECT_EQ(loaded[1], complete);
    EXPECT_EQ(loaded[2]["projectName"], "Job12") << "an imported archive is named after its file";
    EXPECT_EQ(dataOf(messages, "REPLY_IMPORT_TOOLS")[0]["success"], true);
    EXPECT_EQ(dataOf(messages, "PM_TOOL")[3]["name"], "BULL 16 R2 Rough");

    // stop closed the launched PowerMill; the user's keeps running.
    EXPECT_TRUE(user.running());
    EXPECT_EQ(environment.liveServerCount(), 1u);
}

struct OpenCase {
    std::string name;
    std::vector<std::string> install;  // pmsim install arguments
    std::string script;
    std::string lastAction;
    Json lastData;  // the keys it must hold
};

TEST(PmSessionHostTest, WarningsErrorsAndPartialLoads) {
    const std::string pastStartup = "PowerMill did not start within 2 minutes. This may indicate a licensing or "
                                    "product issue for your investigation before retry.";
    const OpenCase cases[] = {
        {"newer release", {"--year", "2023"}, send("OPEN_PM_PROJECT", Json{{"type", "folder"}, {"path", "@"}}),
         "REPLY_PM_VERSION_WARN", {{"projectYear", 2024}, {"installedYear", 2023}, {"type", "folder"}}},
        {"forced", {"--year", "2023"}, send("OPEN_PM_PROJECT_FORCE", Json{{"type", "folder"}, {"path", "@"}}),
         "REPLY_PM_LOADED", {{"count", 10}}},
        {"quote in path", {"--year", "2024"}, send("OPEN_PM_PROJECT", Json{{"type", "folder"}, {"path", "/a\"b"}}),
         "REPLY_PM_ERROR", {{"reason", "invalid_path"}}},
        {"no session", {"--year", "2024"}, send("OPEN_PM_PROJECT", Json{{"type", "live"}}), "REPLY_PM_ERROR",
         {{"reason", "not_running"}}},
        {"start-up", {"--year", "2024", "--", "--startup-delay", "60"},
         send("OPEN_PM_PROJECT", Json{{"type", "folder"}, {"path", "@"}}), "REPLY_PM_ERROR",
         {{"reason", "launch_failed"}, {"detail", pastStartup}}},
        {"hangs", {"--year", "2024", "--", "--hang-after", "2"},
         send("OPEN_PM_PROJECT", Json{{"type", "folder"}, {"path", "@"}}), "REPLY_PM_LOADED",
         {{"partial", true}, {"partialReason", "timeout"}, {"count", 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PmSimEnvironment environment;
        ASSERT_EQ(environment.install(c.install), 0);
        std::string script = c.script;
        for (auto at = script.find('@'); at != std::string::npos; at = script.find('@'))
            script.replace(at, 1, exampleProject);
        const auto messages = runHost(environment, script);
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back().first, c.lastAction) << messages.back().second;
        for (const auto& [key, value] : c.lastData.items())
            EXPECT_EQ(messages.back().second.value(key, Json()), value) << key;
        if (c.name == "hangs") {
            const auto words = outline(messages);
            EXPECT_TRUE(words.size() > 7 && words[7] == "status extracting") << "the watchdog's notice";
        }
        EXPECT_EQ(environment.liveServerCount(), 0u) << "no PowerMill is left running";
    }
}

} // namespace
} // namespace Corvana
