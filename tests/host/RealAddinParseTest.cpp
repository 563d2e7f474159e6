// Drives the real add-in module through the corvana-host program, as the
// development host and the page would: dialogs answered, page messages sent.

#include "tests/support/ChildProcess.h"
#include "tests/support/JsonCheck.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Corvana {
namespace {

const std::string examples = std::string(CORVANA_SOURCE_DIR) + "/examples";

std::vector<nlohmann::json> runScript(const std::string& script) {
    Testing::TempDir dir;
    Testing::writeText(dir.file("script.jsonl"), script);
    const auto run = Testing::runCommand({CORVANA_HOST_BINARY, "--libraries", dir.file("libraries").string(),
                                          "--addin", CORVANA_ADDIN_MODULE, "--script",
                                          dir.file("script.jsonl").string()});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    std::vector<nlohmann::json> lines;
    for (const auto& line : Testing::splitLines(run.output)) lines.push_back(Testing::parseJsonOrFail(line));
    return lines;
}

// Palette messages of one action, their data parsed.
std::vector<nlohmann::json> messages(const std::vector<nlohmann::json>& lines, const std::string& action) {
    std::vector<nlohmann::json> data;
    for (const auto& line : lines)
        if (line.value("action", "") == action) data.push_back(Testing::parseJsonOrFail(line["data"]));
    return data;
}

TEST(RealAddinParseTest, TemplateParseStreamsEveryToolThenReplies) {
    const auto lines = runScript("{\"dialog\":\"ok\",\"path\":\"" + examples + "/metric-template.ptf\"}\n"
                                 "{\"send\":\"BROWSE_AND_PARSE_PTF\",\"data\":\"\"}\n");
    const auto begin = messages(lines, "PARSE_BEGIN");
    const auto tools = messages(lines, "PARSE_TOOL");
    const auto reply = messages(lines, "REPLY_PARSE_PTF");
    ASSERT_EQ(begin.size(), 1u);
    EXPECT_EQ(begin[0]["total"], 40);
    ASSERT_EQ(tools.size(), 40u);
    for (std::size_t i = 0; i < tools.size(); ++i) EXPECT_EQ(tools[i]["index"], i);
    EXPECT_EQ(tools[28]["name"], "TAP M10 x 1.5");
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0]["count"], 40);
    EXPECT_EQ(reply[0]["cancelled"], false);
    EXPECT_EQ(reply[0]["filePath"], examples + "/metric-template.ptf");
    EXPECT_FALSE(reply[0].contains("error"));
}

TEST(RealAddinParseTest, ProjectFolderCancelledDialogAndHiddenPalette) {
    const auto lines = runScript("{\"dialog\":\"ok\",\"path\":\"" + examples + "/example-project\"}\n"
                                 "{\"send\":\"BROWSE_AND_PARSE_PROJECT\",\"data\":\"\"}\n"
                                 "{\"dialog\":\"cancel\"}\n"
                                 "{\"send\":\"BROWSE_AND_PARSE_PTF\",\"data\":\"\"}\n"
                                 "{\"showPalette\":false}\n"
                                 "{\"dialog\":\"ok\",\"path\":\"" + examples + "/inch-template.ptf\"}\n"
                                 "{\"send\":\"BROWSE_AND_PARSE_PTF\",\"data\":\"\"}\n");
    const auto reply = messages(lines, "REPLY_PARSE_PTF");
    ASSERT_EQ(reply.size(), 2u) << "a hidden palette receives no parse messages";
    EXPECT_EQ(reply[0]["count"], 10);
    EXPECT_EQ(messages(lines, "PARSE_TOOL").size(), 10u);
    EXPECT_EQ(reply[1], nlohmann::json::parse(R"({"cancelled":true,"count":0,"filePath":""})"));
}

} // namespace
} // namespace Corvana
