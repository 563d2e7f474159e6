// Runs the corvana-host program as a child process with scripts against the
// test add-in modules, and checks every output line.

#include "tests/support/JsonCheck.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace Corvana {
namespace {

using Json = nlohmann::json;

struct HostRun {
    int exitCode = -1;
    std::vector<std::string> lines;  // standard output
    std::string errors;              // standard error
};

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// Runs the host with `script` as a file, or on standard input.
HostRun runHost(const std::string& script, const std::string& addin = TEST_ADDIN, bool viaStdin = false) {
    Testing::TempDir folder;
    Testing::writeText(folder.file("script.jsonl"), script);
    const std::string scriptFile = folder.file("script.jsonl").string();
    std::string command = quoted(CORVANA_HOST_BINARY) + " --libraries " + quoted(folder.file("libraries").string()) +
                          " --addin " + quoted(addin);
    command += viaStdin ? " < " + quoted(scriptFile) : " --script " + quoted(scriptFile);
    command += " > " + quoted(folder.file("out").string()) + " 2> " + quoted(folder.file("err").string());
    const int status = std::system(command.c_str());
    HostRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.lines = splitLines(Testing::readText(folder.file("out")));
    run.errors = Testing::readText(folder.file("err"));
    return run;
}

std::vector<Json> parsedLines(const HostRun& run) {
    std::vector<Json> parsed;
    for (const auto& line : run.lines) parsed.push_back(Testing::parseJsonOrFail(line));
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

TEST(HostProgramTest, PageMessagesDialogsAndMessageBoxesAsExactLines) {
    const auto run = runHost(
        "{\"send\":\"ECHO\",\"data\":\"hello \\\"page\\\"\\nØ 6 mm\"}\n"
        "{\"dialog\":\"ok\",\"path\":\"/data/tools.ptf\"}\n"
        "{\"dialog\":\"cancel\"}\n"
        "{\"dialog\":\"ok\",\"path\":\"/projects/Job 1\"}\n"
        "{\"send\":\"OPEN_FILE\",\"data\":\"\"}\n"
        "{\"send\":\"SAVE_FILE\",\"data\":\"\"}\n"
        "{\"send\":\"PICK_FOLDER\",\"data\":\"\"}\n"
        "{\"send\":\"OPEN_FILE\",\"data\":\"\"}\n"
        "{\"send\":\"MESSAGE_BOX\",\"data\":\"Unsupported file type.\"}\n"
        "{\"send\":\"LOG\",\"data\":\"[CVN diag] new=1\"}\n"
        "{\"send\":\"NOT_AN_ACTION\",\"data\":\"ignored\"}\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    const std::vector<std::string> expected{
        R"j({"log":"run()"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_ECHO","data":"hello \"page\"\nØ 6 mm"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_OPEN_FILE","data":"ok:/data/tools.ptf"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_SAVE_FILE","data":"cancel"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_PICK_FOLDER","data":"ok:/projects/Job 1"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_OPEN_FILE","data":"cancel"})j",
        R"j({"messageBox":"Unsupported file type.","title":"Test Add-in"})j",
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_MESSAGE_BOX","data":"Unsupported file type."})j",
        R"j({"log":"[CVN diag] new=1"})j",
        R"j({"log":"stop()"})j",
    };
    EXPECT_EQ(run.lines, expected);
    const auto parsed = parsedLines(run);
    ASSERT_EQ(parsed.size(), expected.size());
    EXPECT_EQ(parsed[1]["data"], "hello \"page\"\nØ 6 mm") << "data is the text exactly as sent";
}

TEST(HostProgramTest, FusionFactsReachTheAddin) {
    // Windows line ends are accepted.
    const auto run = runHost(
        "{\"send\":\"FACTS\",\"data\":\"\"}\r\n"
        "{\"fusion\":{\"units\":\"in\",\"language\":4,\"theme\":5,\"uiTheme\":3,\"version\":\"2.0.99999\","
        "\"user\":{\"displayName\":\"Ada\",\"email\":\"ada@example.com\"}}}\r\n"
        "{\"send\":\"FACTS\",\"data\":\"\"}\r\n"
        "{\"fusion\":{\"user\":null,\"units\":null}}\r\n"
        "{\"send\":\"FACTS\",\"data\":\"\"}\r\n"
        "{\"fusion\":{\"language\":13,\"theme\":0,\"uiTheme\":0,\"units\":\"mm\"}}\r\n"
        "{\"send\":\"FACTS\",\"data\":\"\"}\r\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(parsedLines(run), between({
                                    palette("REPLY_FACTS", "mm;3;1;1;2.0.21508;Test User <test.user@example.com>"),
                                    palette("REPLY_FACTS", "in;4;5;3;2.0.99999;Ada <ada@example.com>"),
                                    palette("REPLY_FACTS", "none;4;5;3;2.0.99999;signed out"),
                                    palette("REPLY_FACTS", "mm;13;0;0;2.0.99999;signed out"),
                                }));
}

TEST(HostProgramTest, WaitPumpsEventsThatWorkersFire) {
    // The first worker fires 150 ms in; only a wait delivers its event. The
    // second fires at once, but nothing pumps before the end.
    const auto run = runHost(
        "{\"send\":\"LATER\",\"data\":\"150\"}\n"
        "{\"send\":\"ECHO\",\"data\":\"before the wait\"}\n"
        "{\"wait\":1000}\n"
        "{\"send\":\"ECHO\",\"data\":\"after the wait\"}\n"
        "{\"send\":\"LATER\",\"data\":\"0\"}\n",
        TEST_ADDIN, true);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const auto parsed = parsedLines(run);
    EXPECT_EQ(parsed, between({
                          palette("REPLY_ECHO", "before the wait"),
                          palette("REPLY_LATER", "late"),
                          palette("REPLY_ECHO", "after the wait"),
                      }));
}

TEST(HostProgramTest, OutputsInterleaveInTheOrderTheyHappen) {
    const auto run = runHost("{\"send\":\"PROGRESS\",\"data\":\"Preparing\"}\n"
                             "{\"send\":\"ECHO\",\"data\":\"done\"}\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(parsedLines(run), between({
                                    Json{{"progress", "show"}, {"text", "Preparing 0/2"}},
                                    palette("PROGRESS_SHOWN", "Preparing"),
                                    Json{{"progress", "message"}, {"text", "Halfway 1/2"}},
                                    log("between"),
                                    Json{{"progress", "hide"}, {"text", "Halfway 1/2"}},
                                    palette("REPLY_ECHO", "done"),
                                }));
}

TEST(HostProgramTest, StandardOutputHoldsOnlyJsonLines) {
    const auto run = runHost("{\"send\":\"PRINT\",\"data\":\"\"}\n"
                             "{\"send\":\"ECHO_BYTES\",\"data\":\"ok\"}\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.errors.find("stray output from the add-in"), std::string::npos) << "printf goes to stderr";
    EXPECT_NE(run.errors.find("not UTF-8"), std::string::npos);
    EXPECT_EQ(parsedLines(run), between({palette("REPLY_BYTES", "ok\xEF\xBF\xBD\xEF\xBF\xBD")}))
        << "bytes that are not UTF-8 become U+FFFD instead of ending the host";
}

TEST(HostProgramTest, HiddenPaletteDropsMessagesButStillReceives) {
    const auto run = runHost(
        "{\"send\":\"ECHO\",\"data\":\"shown\"}\n"
        "{\"showPalette\":false}\n"
        "{\"send\":\"ECHO\",\"data\":\"hidden\"}\n"
        "{\"send\":\"ECHO_SECOND\",\"data\":\"to the other palette\"}\n"
        "{\"send\":\"LOG\",\"data\":\"still delivered\"}\n"
        "{\"showPalette\":false}\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(parsedLines(run), between({
                                    palette("REPLY_ECHO", "shown"),
                                    log("palette closed"),
                                    palette("REPLY_ECHO", "to the other palette", "SecondPaletteId"),
                                    log("still delivered"),
                                }));
    EXPECT_NE(run.errors.find("script line 6: "), std::string::npos) << "closing a hidden palette does nothing";
}

TEST(HostProgramTest, StopIsCalledOnceAtTheEndUnlessTheScriptStopped) {
    const auto empty = runHost("");
    EXPECT_EQ(empty.exitCode, 0) << empty.errors;
    EXPECT_EQ(parsedLines(empty), between({}));

    const auto stopped = runHost("{\"send\":\"ECHO\",\"data\":\"first\"}\n"
                                 "{\"stop\":true}\n"
                                 "{\"send\":\"ECHO\",\"data\":\"after stop\"}\n"
                                 "{\"wait\":10}\n");
    EXPECT_EQ(stopped.exitCode, 0) << stopped.errors;
    EXPECT_EQ(parsedLines(stopped), between({palette("REPLY_ECHO", "first")})) << "stop() exactly once";
    EXPECT_NE(stopped.errors.find("script line 3: "), std::string::npos) << "the palette is gone";

    const auto twice = runHost("{\"stop\":true}\n{\"stop\":true}\n");
    EXPECT_NE(twice.exitCode, 0);
    EXPECT_NE(twice.errors.find("script line 2: the add-in was already stopped"), std::string::npos) << twice.errors;
    EXPECT_EQ(parsedLines(twice), between({}));
}

TEST(HostProgramTest, AddinsThatCannotRunAreReported) {
    Testing::TempDir folder;
    const std::string missing = folder.file("libnothing.so").string();
    const auto absent = runHost("", missing);
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_NE(absent.errors.find("\"" + missing + "\" does not exist"), std::string::npos) << absent.errors;
    EXPECT_TRUE(absent.lines.empty());

    Testing::writeText(folder.file("text.so"), "not a shared object");
    const auto notLoadable = runHost("", folder.file("text.so").string());
    EXPECT_EQ(notLoadable.exitCode, 1);
    EXPECT_NE(notLoadable.errors.find("cannot load add-in module"), std::string::npos) << notLoadable.errors;

    const auto withoutRun = runHost("", TEST_ADDIN_WITHOUT_RUN);
    EXPECT_EQ(withoutRun.exitCode, 1);
    EXPECT_NE(withoutRun.errors.find("does not export \"run\""), std::string::npos) << withoutRun.errors;
    EXPECT_TRUE(withoutRun.lines.empty());

    const auto runFails = runHost("{\"send\":\"ECHO\",\"data\":\"x\"}\n", TEST_ADDIN_RUN_FAILS);
    EXPECT_EQ(runFails.exitCode, 1);
    EXPECT_NE(runFails.errors.find("run returned false"), std::string::npos) << runFails.errors;
    EXPECT_TRUE(runFails.lines.empty());

    const std::string noLibraries = quoted(CORVANA_HOST_BINARY) + " --addin " + quoted(TEST_ADDIN) + " </dev/null >/dev/null 2>&1";
    const int status = std::system(noLibraries.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << "--libraries is required";

    const std::string noScript = quoted(CORVANA_HOST_BINARY) + " --libraries " + quoted(folder.path().string()) +
                                 " --script " + quoted(folder.file("none.jsonl").string()) + " >/dev/null 2>&1";
    const int scriptStatus = std::system(noScript.c_str());
    EXPECT_EQ(WIFEXITED(scriptStatus) ? WEXITSTATUS(scriptStatus) : -1, 1) << "a missing script fails";

    const std::string fileAsLibraries = quoted(CORVANA_HOST_BINARY) + " --libraries " +
                                        quoted(folder.file("text.so").string()) + " --addin " + quoted(TEST_ADDIN) +
                                        " </dev/null >/dev/null 2>&1";
    const int folderStatus = std::system(fileAsLibraries.c_str());
    EXPECT_EQ(WIFEXITED(folderStatus) ? WEXITSTATUS(folderStatus) : -1, 1) << "a library folder that is a file fails";
}

TEST(HostProgramTest, MalformedLinesNameTheirLineAndStopTheAddin) {
    const std::vector<std::string> badLines{
        "{\"send\":\"ECHO\"",
        "[1,2]",
        "\"send\"",
        "{\"sned\":\"ECHO\",\"data\":\"\"}",
        "{\"send\":\"ECHO\",\"data\":5}",
        "{\"send\":\"ECHO\"}",
        "{\"send\":\"\",\"data\":\"\"}",
        "{\"send\":\"ECHO\",\"data\":\"x\",\"extra\":1}",
        "{\"send\":\"ECHO\",\"data\":\"x\",\"wait\":1}",
        "{\"send\":\"ECHO\",\"data\":\"\xff\"}",
        "{\"dialog\":\"ok\"}",
        "{\"dialog\":\"ok\",\"path\":\"\"}",
        "{\"dialog\":\"maybe\"}",
        "{\"dialog\":\"cancel\",\"path\":\"/a\"}",
        "{\"wait\":-1}",
        "{\"wait\":1.5}",
        "{\"wait\":\"10\"}",
        "{\"wait\":18446744073709551615}",
        "{\"fusion\":{\"language\":15}}",
        "{\"fusion\":{\"theme\":6}}",
        "{\"fusion\":{\"uiTheme\":-1}}",
        "{\"fusion\":{\"units\":\"furlong\"}}",
        "{\"fusion\":{\"user\":{\"displayName\":\"A\"}}}",
        "{\"fusion\":{\"version\":2}}",
        "{\"fusion\":{\"colour\":1}}",
        "{\"fusion\":[]}",
        "{\"showPalette\":true}",
        "{\"stop\":false}",
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
