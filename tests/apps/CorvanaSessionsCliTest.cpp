// The command line on running PowerMill sessions (pmsim processes).

#include "tests/support/ChildProcess.h"
#include "tests/support/JsonCheck.h"
#include "tests/support/PmSimProcess.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace Corvana {
namespace {

using Testing::CommandRun;
using Testing::splitLines;

const std::string projectExample = std::string(CORVANA_SOURCE_DIR) + "/examples/example-project";

CommandRun corvana(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), CORVANA_CLI);
    return Testing::runCommand(arguments);
}

// Summaries without holder section counts, which a session reports as exported outlines.
std::string withoutHolderCounts(const std::string& text) {
    return std::regex_replace(text, std::regex("\"holderCount\":\\d+,"), "");
}

TEST(CorvanaSessionsCliTest, SessionsAreListedAndReadLikeTheProjectOnDisk) {
    const Testing::PmSimEnvironment environment;
    ASSERT_EQ(environment.install({"--year", "2024"}), 0);
    Testing::PmSimProcess first(environment, {"--units", "inches", "--version", "2023.2.0.7"});
    Testing::PmSimProcess second(environment, {"--project", projectExample});

    const CommandRun listed = corvana({"sessions", "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.errors;
    EXPECT_EQ(splitLines(listed.output),
              (std::vector<std::string>{
                  R"j({"projectName":"Unsaved project","pmVersion":"2023.2.0 (7)","toolCount":0,"isMetric":false})j",
                  R"({"projectName":"example-project","pmVersion":"2024.1.0","toolCount":10,"isMetric":true})"}));
    EXPECT_EQ(splitLines(corvana({"sessions"}).output).front(), "PowerMill 2024 is installed.");

    const CommandRun fromSession = corvana({"inspect", "--session", "1", "--json"});
    const CommandRun fromDisk = corvana({"inspect", projectExample, "--json"});
    ASSERT_EQ(fromSession.exitCode, 0) << fromSession.errors;
    EXPECT_EQ(withoutHolderCounts(fromSession.output), withoutHolderCounts(fromDisk.output));

    const auto output = environment.folder() / "out.json";
    const CommandRun converted = corvana({"convert", "--session", "1", "-o", output.string()});
    EXPECT_EQ(converted.exitCode, 0) << converted.errors;
    EXPECT_EQ(Testing::parseJsonOrFail(Testing::readText(output))["data"].size(), 12u) << "9 tools and 3 holders";

    const CommandRun missing = corvana({"inspect", "--session", "2"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(splitLines(missing.errors).size(), 1u) << missing.errors;
    EXPECT_EQ(corvana({"inspect", projectExample, "--session", "0"}).exitCode, 2);
    EXPECT_EQ(corvana({"inspect"}).exitCode, 2);
}

} // namespace
} // namespace Corvana
