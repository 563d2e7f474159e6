// Runs the corvana-host program as a child process with scripts against the
// real add-in and the small test add-ins, and checks every output line.

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

// Runs the host with `script` as a file, or on standard input, in a folder of
// its own that is also the add-in's configuration and scratch folder. Mail
// goes to a closed port on 127.0.0.1.
CommandRun runHost(const std::string& script, const std::string& addin = CORVANA_ADDIN_MODULE, bool viaStdin = false) {
    Testing::TempDir folder;
    const std::string scriptFile = folder.file("script.jsonl").string();
    Testing::writeText(scriptFile, script);
    std::vector<std::string> command{"env", "XDG_CONFIG_HOME=" + folder.file("config").string(),
                                     "TMPDIR=" + folder.path().string(), "CORVANA_MAIL_HOST=127.0.0.1:1",
                                     CORVANA_HOST_BINARY, "--libraries", folder.file("libraries").string(),
                                     "--addin", addin};
    if (viaStdin)
        command.insert(command.begin(), {"sh", "-c", "exec \"$@\" < \"$0\"", scriptFile});
    else
        command.insert(command.end(), {"--script", scriptFile});
    return Testing::runCommand(command);
}

// The output lines, parsed, without the tool descriptions a parse streams.
std::vector<Json> parsedLines(const CommandRun& run) {
    std::vector<Json> parsed;
    for (const auto& line : Testing::splitLines(run.output))
        if (Json object = Testing::parseJsonOrFail(line); object.value("action", "") != "PARSE_TOOL")
            parsed.push_back(std::move(object));
    return parsed;
}

Json palette(const std::string& action, const std::string& data) {
    return Json{{"palette", "CorvanaPaletteId"}, {"action", action}, {"data", data}};
}

Json log(const std::string& text) { return Json{{"log", text}}; }

const std::string mfgUnits = "{\"send\":\"GET_MFG_UNITS\",\"data\":\"\"}\n";

TEST(HostProgramTest, PageMessagesDialogsMessageBoxesAndHiddenPaletteAsExactLines) {
    const auto run = runHost(
        "{\"fusion\":{\"user\":{\"displayName\":\"Zoë \\\"Z\\\"\",\"email\":\"z@example.com\"},"
        "\"version\":\"2.0.1\"}}\n" "{\"send\":\"GET_USER_INFO\",\"data\":\"\"}\n" "{\"dialog\":\"cancel\"}\n"
        "{\"dialog\":\"ok\",\"path\":\"/data/tools.txt\"}\n" "{\"send\":\"BROWSE_AND_PARSE_PTF\",\"data\":\"\"}\n"
        "{\"send\":\"BROWSE_AND_PARSE_TOOL_LIBRARY\",\"data\":\"\"}\n"
        "{\"send\":\"NOT_AN_ACTION\",\"data\":\"ignored\"}\n"
        "{\"showPalette\":false}\n" + mfgUnits + "{\"showPalette\":false}\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const std::string cancelled = R"(REPLY_PARSE_PTF","data":"{\"cancelled\":true,\"count\":0,\"filePath\":\"\"}"})";
    EXPECT_EQ(Testing::splitLines(run.output), (std::vector<std::string>{
        R"j({"palette":"CorvanaPaletteId","action":"REPLY_USER_INFO","data":"{\"displayName\":\"Zoë \\\"Z\\\"\",)j"
        R"j(\"email\":\"z@example.com\",\"fusionVersion\":\"2.0.1\"}"})j",
        R"({"palette":"CorvanaPaletteId","action":")" + cancelled,
        R"({"messageBox":"Unsupported file type. Select a PowerMill template (*.ptf) or database (*.mdb) file.",)"
        R"("title":"Tool Library Import"})",
        R"({"palette":"CorvanaPaletteId","action":")" + cancelled,
    }));
    EXPECT_NE(run.errors.find("script line 10: "), std::string::npos) << "closing a hidden palette does nothing";
}

TEST(HostProgramTest, FusionFactsWaitsWorkerEventsAndOutputsInOrder) {
    // Fusion facts reach the add-in (only millimetres are metric; German pages
    // are English); Windows line ends are accepted. The mail worker fails at
    // once, but only a wait delivers its event.
    const auto run = runHost("{\"fusion\":{\"units\":\"cm\",\"language\":4}}\r\n" + mfgUnits +
                                 "{\"send\":\"GET_APP_LANGUAGE\",\"data\":\"\"}\r\n"
                                 "{\"fusion\":{\"user\":null,\"units\":null,\"version\":\"2.0.9\",\"language\":5}}\r\n"
                                 "{\"send\":\"GET_USER_INFO\",\"data\":\"\"}\r\n"
                                 "{\"send\":\"GET_APP_LANGUAGE\",\"data\":\"\"}\r\n"
                                 "{\"send\":\"SUBMIT_FEEDBACK\",\"data\":\"{}\"}\n" + mfgUnits + "{\"wait\":1500}\n" +
                                 mfgUnits +
                                 "{\"dialog\":\"ok\",\"path\":\"" CORVANA_SOURCE_DIR "/examples/example-project\"}\n"
                                 "{\"send\":\"BROWSE_AND_PARSE_PROJECT\",\"data\":\"\"}\n"
                                 "{\"send\":\"IMPORT_TOOLS\",\"data\":\"{\\\"selectedIndices\\\":[0]}\"}\n",
                             CORVANA_ADDIN_MODULE, true);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const auto progress = [](const std::string& step, const std::string& text) {
        return Json{{"progress", step}, {"text", text}};
    };
    const auto importing = [](int current) {
        return palette("IMPORT_PROGRESS", R"({"phase":"importing","current":)" + std::to_string(current) +
                                              R"(,"total":1})");
    };
    EXPECT_EQ(parsedLines(run), (std::vector<Json>{
        palette("REPLY_MFG_UNITS", R"({"unit":"in"})"),
        palette("REPLY_APP_LANGUAGE", R"({"language":"fr"})"),
        palette("REPLY_USER_INFO", R"({"displayName":"","email":"","fusionVersion":"2.0.9"})"),
        palette("REPLY_APP_LANGUAGE", R"({"language":"en"})"),
        palette("REPLY_MFG_UNITS", R"({"unit":"in"})"),
        palette("REPLY_FEEDBACK_STATUS",
                R"({"success":false,"error":"HTTPS request failed: Couldn't connect to server"})"),
        palette("REPLY_MFG_UNITS", R"({"unit":"in"})"),
        palette("PARSE_BEGIN", R"({"total":10})"),
        palette("REPLY_PARSE_PTF", R"({"cancelled":false,"filePath":")" CORVANA_SOURCE_DIR
                                   R"(/examples/example-project","count":10})"),
        importing(0),
        progress("show", "Preparing the tool library for import... (0 of 1)"),
        importing(1),
        progress("message", "Writing the tool library into Fusion, please wait..."),
        progress("message", "Updating the holder library, please wait..."),
        progress("hide", "Updating the holder library, please wait..."),
        palette("REPLY_IMPORT_TOOLS",
                R"({"success":true,"count":1,"message":"Library 'Imported from PowerMill' created with 1 tool."})"),
    }));
}

// The test add-in prints to standard output and logs bytes that are not UTF-8
// in run, and logs its stop.
TEST(HostProgramTest, MisbehavingAddinOutputIsKeptApartAndStopIsCalledOnce) {
    const std::vector<Json> runAndStop{log("ok\xEF\xBF\xBD\xEF\xBF\xBD"), log("stop()")};
    const auto empty = runHost("", TEST_ADDIN);
    EXPECT_EQ(empty.exitCode, 0) << empty.errors;
    EXPECT_EQ(parsedLines(empty), runAndStop);
    EXPECT_NE(empty.errors.find("stray output from the add-in"), std::string::npos);
    EXPECT_NE(empty.errors.find("not UTF-8"), std::string::npos);

    const auto stopped = runHost("{\"stop\":true}\n" + mfgUnits + "{\"wait\":10}\n", TEST_ADDIN);
    EXPECT_EQ(stopped.exitCode, 0) << stopped.errors;
    EXPECT_EQ(parsedLines(stopped), runAndStop) << "stop() exactly once";
    EXPECT_NE(stopped.errors.find("script line 2: "), std::string::npos) << "there is no palette";

    const auto twice = runHost("{\"stop\":true}\n{\"stop\":true}\n", TEST_ADDIN);
    EXPECT_NE(twice.exitCode, 0);
    EXPECT_NE(twice.errors.find("script line 2: the add-in was already stopped"), std::string::npos) << twice.errors;
    EXPECT_EQ(parsedLines(twice), runAndStop);

    const auto failed = runHost("[1]\n", TEST_ADDIN);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(parsedLines(failed), runAndStop) << "stop also runs after a failed line";
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
        const auto run = runHost(mfgUnits, addin);
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
        const auto run = runHost(mfgUnits + "\n" + bad + "\n" + mfgUnits);
        EXPECT_EQ(run.exitCode, 1) << bad;
        EXPECT_NE(run.errors.find("corvana-host: script line 3: "), std::string::npos) << bad << "\n" << run.errors;
        EXPECT_EQ(parsedLines(run), std::vector<Json>{palette("REPLY_MFG_UNITS", R"({"unit":"mm"})")}) << bad;
    }
}

} // namespace
} // namespace Corvana
