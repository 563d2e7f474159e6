// Runs the corvana-host program as a child process with scripts against the
// test add-in modules, and checks every output line.

#include "tests/support/ChildProcess.h"
#include "tests/support/JsonCheck.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace Corvana {
namespace {

using Json = nlohmann::json;
using Testing::CommandRun;

// Runs the host with `script` as a file, or on standard input.
CommandRun runHost(const std::string& script, const std::string& addin = TEST_ADDIN, bool viaStdin = false) {
    Testing::TempDir folder;
    const std::string scriptFile = folder.file("script.jsonl").string();
    Testing::writeText(scriptFile, script);
    const std::string libraries = folder.file("libraries").string();
    if (viaStdin)
        return Testing::runCommand({"sh", "-c", "exec \"$0\" --libraries \"$1\" --addin \"$2\" < \"$3\"",
                                    CORVANA_HOST_BINARY, libraries, addin, scriptFile});
    return Testing::runCommand({CORVANA_HOST_BINARY, "--libraries", libraries, "--addin", addin, "--script", scriptFile});
}

std::vector<Json> parsedLines(const CommandRun& run) {
    std::vector<Json> parsed;
    for (const auto& line : Testing::splitLines(run.output)) parsed.push_back(Testing::parseJsonOrFail(line));
    return parsed;
}

Json palette(const std::string& action, const std::string& data, const std::string& id = "CorvanaPaletteId") {
    return Json{{"palette", id}, {"action", action}, {"data", data}};
}

Json log(const std::string& text) { return Json{{"log", text}}; }

// Lines of the working test add-in around what the script produced.
std::vector<Json> between(std::vector<Json> middle) {
    middle.insert(middle.begin(), log("run()"));
    middle.push_back(log("stop()"));
    return middle;
}

TEST(HostProgramTest, PageMessagesDialogsMessageBoxesAndHiddenPaletteAsExactLines) {
    const auto run = runHost(
        "{\"send\":\"ECHO\",\"data\":\"hello \\\"page\\\"\\nØ 6 mm\"}\n" "{\"dialog\":\"ok\",\"path\":\"/data/tools.ptf\"}\n"
        "{\"dialog\":\"cancel\"}\n" "{\"dialog\":\"ok\",\"path\":\"/projects/Job 1\"}\n"
        "{\"send\":\"OPEN_FILE\",\"data\":\"\"}\n" "{\"send\":\"SAVE_FILE\",\"data\":\"\"}\n"
        "{\"send\":\"PICK_FOLDER\",\"data\":\"\"}\n" "{\"send\":\"OPEN_FILE\",\"data\":\"\"}\n"
        "{\"send\":\"MESSAGE_BOX\",\"data\":\"Unsupported file type.\"}\n" "{\"send\":\"NOT_AN_ACTION\",\"data\":\"ignored\"}\n"
        "{\"send\":\"PRINT\",\"data\":\"\"}\n" "{\"send\":\"ECHO_BYTES\",\"data\":\"ok\"}\n"
        "{\"showPalette\":false}\n" "{\"send\":\"ECHO\",\"data\":\"hidden\"}\n"
        "{\"send\":\"ECHO_SECOND\",\"data\":\"to the other palette\"}\n" "{\"send\":\"LOG\",\"data\":\"still delivered\"}\n"
        "{\"showPalette\":false}\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    // Bytes that are not UTF-8 become U+FFFD instead of ending the host; printf goes to stderr.
    EXPECT_EQ(Testing::splitLines(run.output), (std::vector<std::string>{
        R"j({"log":"run()"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_ECHO","data":"hello \"page\"\nØ 6 mm"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_OPEN_FILE","data":"ok:/data/tools.ptf"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_SAVE_FILE","data":"cancel"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_PICK_FOLDER","data":"ok:/projects/Job 1"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_OPEN_FILE","data":"cancel"})j",
        R"j({"messageBox":"Unsupported file type.","title":"Test Add-in"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_MESSAGE_BOX","data":"Unsupported file type."})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_BYTES","data":"ok��"})j",
        R"j({"log":"palette closed"})j",
        R"j({"palette":"SecondPaletteId","action":"REPLY_ECHO","data":"to the other palette"})j",
        R"j({"log":"still delivered"})j",
        R"j({"log":"stop()"})j",
    }));
    EXPECT_NE(run.errors.find("stray output from the add-in"), std::string::npos);
    EXPECT_NE(run.errors.find("not UTF-8"), std::string::npos);
    EXPECT_NE(run.errors.find("script line 17: "), std::string::npos) << "closing a hidden palette does nothing";
}

TEST(HostProgramTest, FusionFactsWaitsWorkerEventsAndOutputsInOrder) {
    // Fusion facts reach the add-in; Windows line ends are accepted. The first
    // worker fires 150 ms in; only a wait delivers its event. The second fires
    // at once, but nothing pumps before the end.
    const auto run = runHost("{\"fusion\":{\"units\":\"in\",\"language\":4,\"theme\":5,\"uiTheme\":3,\"version\":\"2.0.99999\","
                             "\"user\":{\"displayName\":\"Ada\",\"email\":\"ada@example.com\"}}}\r\n"
                             "{\"send\":\"FACTS\",\"data\":\"\"}\r\n" "{\"fusion\":{\"user\":null,\"units\":null}}\r\n"
                             "{\"send\":\"FACTS\",\"data\":\"\"}\r\n" "{\"send\":\"LATER\",\"data\":\"150\"}\n"
                             "{\"send\":\"ECHO\",\"data\":\"before the wait\"}\n" "{\"wait\":500}\n"
                             "{\"send\":\"ECHO\",\"data\":\"after the wait\"}\n"
                             "{\"send\":\"PROGRESS\",\"data\":\"Preparing\"}\n"
                             "{\"send\":\"LATER\",\"data\":\"0\"}\n",
                             TEST_ADDIN, true);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(parsedLines(run), between({
                                    palette("REPLY_FACTS", "in;4;5;3;2.0.99999;Ada <ada@example.com>"),
                                    palette("REPLY_FACTS", "none;4;5;3;2.0.99999;signed out"),
                                    palette("REPLY_ECHO", "before the wait"),
                                    palette("REPLY_LATER", "late"),
                                    palette("REPLY_ECHO", "after the wait"),
                                    Json{{"progress", "show"}, {"text", "Preparing 0/2"}},
                                    palette("PROGRESS_SHOWN", "Preparing"),
                                    Json{{"progress", "message"}, {"text", "Halfway 1/2"}},
                                    log("between"),
                                    Json{{"progress", "hide"}, {"text", "Halfway 1/2"}},
                                }));
}

TEST(HostProgramTest, StopIsCalledOnceAtTheEndUnlessTheScriptStopped) {
    const auto empty = runHost("");
    EXPECT_EQ(empty.exitCode, 0) << empty.errors;
    EXPECT_EQ(parsedLines(empty), between({}));

    const auto stopped = runHost("{\"send\":\"ECHO\",\"data\":\"first\"}\n{\"stop\":true}\n"
                                 "{\"send\":\"ECHO\",\"data\":\"after stop\"}\n{\"wait\":10}\n");
    EXPECT_EQ(stopped.exitCode, 0) << stopped.errors;
    EXPECT_EQ(parsedLines(stopped), between({palette("REPLY_ECHO", "first")})) << "stop() exactly once";
    EXPECT_NE(stopped.errors.find("script line 3: "), std::string::npos) << "the palette is gone";

    const auto twice = runHost("{\"stop\":true}\n{\"stop\":true}\n");
    EXPECT_NE(twice.exitCode, 0);
    EXPECT_NE(twice.errors.find("script line 2: the add-in was already stopped"), std::string::npos) << twice.errors;
    EXPECT_EQ(parsedLines(twice), between({}));
}

TEST(HostProgramTest, AddinsAndArgumentsThatCannotRunAreReported) {
    Testing::TempDir folder;
    const std::string missing = folder.file("libnothing.so").string();
    const std::string text = folder.file("text.so").string();
    Testing::writeText(text, "not a shared object");
    const std::vector<std::pair<std::string, std::string>> cases{
        {missing, "\"" + missing + "\" does not exist"},
        {text, "cannot load add-in module"},
        {TEST_ADDIN_WITHOUT_RUN, "does not export \"run\""},
        {TEST_ADDIN_RUN_FAILS, "run returned false"},
    };
    for (const auto& [addin, message] : cases) {
        const auto run = runHost("{\"send\":\"ECHO\",\"data\":\"x\"}\n", addin);
        EXPECT_EQ(run.exitCode, 1) << addin;
        EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
        EXPECT_EQ(run.output, "") << addin;
    }
    const std::string host = CORVANA_HOST_BINARY;
    EXPECT_EQ(Testing::runCommand({host, "--addin", TEST_ADDIN}).exitCode, 2) << "--libraries is required";
    EXPECT_EQ(Testing::runCommand({host, "--libraries", folder.path().string(), "--script",
                                   folder.file("none.jsonl").string()}).exitCode, 1)
        << "a missing script fails";
    EXPECT_EQ(Testing::runCommand({host, "--libraries", text, "--addin", TEST_ADDIN}).exitCode, 1)
        << "a library folder that is a file fails";
}

TEST(HostProgramTest, MalformedLinesNameTheirLineAndStopTheAddin) {
    const std::vector<std::string> badLines{
        "{\"send\":\"ECHO\"", "[1,2]", "\"send\"", "{\"sned\":\"ECHO\",\"data\":\"\"}",
        "{\"send\":\"ECHO\",\"data\":5}", "{\"send\":\"ECHO\"}", "{\"send\":\"\",\"data\":\"\"}",
        "{\"send\":\"ECHO\",\"data\":\"x\",\"extra\":1}", "{\"send\":\"ECHO\",\"data\":\"x\",\"wait\":1}",
        "{\"send\":\"ECHO\",\"data\":\"\xff\"}", "{\"dialog\":\"ok\"}", "{\"dialog\":\"ok\",\"path\":\"\"}",
        "{\"dialog\":\"maybe\"}", "{\"dialog\":\"cancel\",\"path\":\"/a\"}", "{\"wait\":-1}", "{\"wait\":1.5}",
        "{\"wait\":\"10\"}", "{\"wait\":18446744073709551615}", "{\"fusion\":{\"language\":15}}",
        "{\"fusion\":{\"theme\":6}}", "{\"fusion\":{\"uiTheme\":-1}}", "{\"fusion\":{\"units\":\"furlong\"}}",
        "{\"fusion\":{\"user\":{\"displayName\":\"A\"}}}", "{\"fusion\":{\"version\":2}}",
        "{\"fusion\":{\"colour\":1}}", "{\"fusion\":[]}", "{\"showPalette\":true}", "{\"stop\":false}",
    };
    for (const auto& bad : badLines) {
        const auto run = runHost("{\"send\":\"ECHO\",\"data\":\"first\"}\n\n" + bad +
                                 "\n{\"send\":\"ECHO\",\"data\":\"never\"}\n");
        EXPECT_EQ(run.exitCode, 1) << bad;
        EXPECT_NE(run.errors.find("corvana-host: script line 3: "), std::string::npos) << bad << "\n" << run.errors;
        EXPECT_EQ(parsedLines(run), between({palette("REPLY_ECHO", "first")})) << bad;
    }
}

} // namespace
} // namespace Corvana
