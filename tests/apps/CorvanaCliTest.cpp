// Runs the corvana command line as a child process on real files.

#include "tests/support/ChildProcess.h"
#include "tests/support/JsonCheck.h"
#include "tests/support/PtfWriter.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace Corvana {
namespace {

using Testing::CommandRun;
using Testing::splitLines;

const std::string metricExample = std::string(CORVANA_SOURCE_DIR) + "/examples/metric-template.ptf";
const std::string projectExample = std::string(CORVANA_SOURCE_DIR) + "/examples/example-project";

CommandRun corvana(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), CORVANA_CLI);
    return Testing::runCommand(arguments);
}

std::size_t topLevelHolders(const nlohmann::json& document) {
    std::size_t count = 0;
    for (const auto& entry : document["data"]) count += entry["type"] == "holder" ? 1 : 0;
    return count;
}

TEST(CorvanaCliTest, InspectPrintsOneJsonSummaryPerToolOrATable) {
    const CommandRun run = corvana({"inspect", metricExample, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto lines = splitLines(run.output);
    ASSERT_EQ(lines.size(), 40u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto summary = Testing::parseJsonOrFail(lines[i]);
        EXPECT_EQ(summary["index"], i);
        EXPECT_TRUE(summary.contains("presetNames"));
        EXPECT_TRUE(summary["issues"].is_array());
    }
    EXPECT_EQ(Testing::parseJsonOrFail(lines[34])["unsupportedReason"], "type");  // the form cutter

    const CommandRun table = corvana({"inspect", metricExample});
    ASSERT_EQ(table.exitCode, 0);
    EXPECT_NE(table.output.find("tap -> tap left hand"), std::string::npos);
    EXPECT_NE(table.output.find("40 tools"), std::string::npos);
    Testing::TempDir dir;
    Testing::writeText(dir.file("empty.ptf"), "");
    const CommandRun empty = corvana({"inspect", dir.file("empty.ptf").string(), "--json"});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.output, "");
}

TEST(CorvanaCliTest, UnreadableSourcesExitOneWithOneLineAndUsageErrorsExitTwo) {
    Testing::TempDir dir;
    Testing::writeText(dir.file("notes.txt"), "x");
    Testing::writeProjectFolder(dir.file("two"), "# Entity Index\n", {}, "a.pmlprj");
    Testing::writeText(dir.file("two") / "b.pmlprj", "");
    Testing::writeProjectFolder(dir.file("broken"),
                                "# Entity Index\n" + Testing::toolEntityLine("t1") + Testing::toolEntityLine("t2"),
                                {{"t1", Testing::endMillEntity("t1")}});
    const std::vector<std::pair<std::string, std::string>> cases{
        {dir.file("missing.ptf").string(), "does not exist"},
        {dir.file("notes.txt").string(), "is not a PowerMill template"},
        {dir.file("two").string(), "Multiple .pmlprj files were found"},
        {dir.file("broken").string(), "could not be read"},
    };
    for (const auto& [source, message] : cases) {
        const CommandRun run = corvana({"inspect", source});
        EXPECT_EQ(run.exitCode, 1) << source;
        EXPECT_EQ(run.output, "") << source;
        EXPECT_EQ(splitLines(run.errors).size(), 1u) << run.errors;
        EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
    }

    const std::string out = dir.file("x.json").string();
    const std::vector<std::vector<std::string>> usageErrors{
        {}, {"inspect"}, {"frobnicate", metricExample}, {"convert", metricExample},
        {"convert", metricExample, "-o", out, "--holders", "3"},
        {"convert", metricExample, "-o", out, "--tolerance", "0"},
        {"convert", metricExample, "-o", out, "--holders", "2", "--holder-library", "../up"},
    };
    for (const auto& arguments : usageErrors)
        EXPECT_EQ(corvana(arguments).exitCode, 2) << (arguments.empty() ? "" : arguments.back());
}

TEST(CorvanaCliTest, UnusableOutputPathsExitOneWithOneLine) {
    Testing::TempDir dir;
    std::filesystem::create_directory(dir.file("folder"));
    const std::string longName(300, 'a');
    const std::vector<std::string> outputs{
        dir.file(longName + ".json").string(), dir.file(longName + "/out.json").string(),
        dir.file(std::string(250, 'b') + ".json").string(), dir.file("missing/out.json").string(),
        dir.file("folder").string()};
    for (const auto& output : outputs) {
        const CommandRun run = corvana({"convert", metricExample, "-o", output});
        EXPECT_EQ(run.exitCode, 1) << output;
        EXPECT_EQ(splitLines(run.errors).size(), 1u) << run.errors;
    }
}

TEST(CorvanaCliTest, ConvertWritesAStableLibraryWithHolders) {
    Testing::TempDir dir;
    const std::string first = dir.file("first.json").string();
    const std::string second = dir.file("second.json").string();
    const CommandRun run = corvana({"convert", metricExample, "-o", first, "--name", "Shop \"A\""});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(splitLines(run.output).size(), 1u);
    ASSERT_EQ(corvana({"convert", metricExample, "-o", second, "--name", "Shop \"A\""}).exitCode, 0);
    EXPECT_EQ(Testing::readText(first), Testing::readText(second));

    const auto document = Testing::parseJsonOrFail(Testing::readText(first));
    EXPECT_EQ(document["description"], "Shop \"A\"");
    EXPECT_EQ(document["units"], "millimeters");
    EXPECT_EQ(topLevelHolders(document), 3u);
    EXPECT_EQ(document["data"].size(), 36u + 3u);  // four turning, form and routing tools stay out
    EXPECT_EQ(document["data"][0]["guid"], "a0b1c2d3-e4f5-4c6d-8a9b-abcdef012345");

    ASSERT_EQ(corvana({"convert", metricExample, "-o", second, "--random-ids"}).exitCode, 0);
    const auto random = Testing::parseJsonOrFail(Testing::readText(second));
    EXPECT_EQ(random["description"], "Imported from PowerMill");
    EXPECT_NE(random["data"][0]["guid"], document["data"][0]["guid"]);
}

TEST(CorvanaCliTest, ConvertHolderDestinations) {
    Testing::TempDir dir;
    const std::string out = dir.file("tools.json").string();
    ASSERT_EQ(corvana({"convert", metricExample, "-o", out, "--holders", "0"}).exitCode, 0);
    EXPECT_EQ(topLevelHolders(Testing::parseJsonOrFail(Testing::readText(out))), 0u);

    ASSERT_EQ(corvana({"convert", metricExample, "-o", out, "--holders", "2", "--holder-library", "Shop Holders"})
                  .exitCode,
              0);
    const auto tools = Testing::parseJsonOrFail(Testing::readText(out));
    const auto holders = Testing::parseJsonOrFail(Testing::readText(dir.file("Shop Holders.json")));
    EXPECT_EQ(topLevelHolders(tools), 0u);
    EXPECT_TRUE(tools["data"][0].contains("holder"));
    EXPECT_EQ(holders["description"], "Shop Holders");
    EXPECT_EQ(holders["data"].size(), 3u);
}

TEST(CorvanaCliTest, ConvertFollowsARequestFile) {
    Testing::TempDir dir;
    Testing::writeText(dir.file("request.json"),
                       "{\"libraryName\":\"Taps\",\"selectedIndices\":[29,28,36],\"displayUnitMetric\":[0,0,0],"
                       "\"toolNumberOverrideIndices\":[28],\"toolNumberOverrideValues\":[101]}");
    const std::string out = dir.file("taps.json").string();
    const CommandRun run = corvana({"convert", metricExample, "-o", out, "--request", dir.file("request.json").string()});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto document = Testing::parseJsonOrFail(Testing::readText(out));
    EXPECT_EQ(document["description"], "Taps");
    EXPECT_EQ(document["units"], "inches");
    ASSERT_GE(document["data"].size(), 2u);  // the turning tool at 36 is left out
    EXPECT_EQ(document["data"][0]["type"], "tap left hand");
    EXPECT_EQ(document["data"][1]["type"], "tap right hand");
    EXPECT_EQ(document["data"][1]["post-process"]["number"], 101);
    EXPECT_NEAR(document["data"][1]["geometry"]["DC"].get<double>(), 10 / 25.4, 1e-6);

    EXPECT_EQ(corvana({"convert", metricExample, "-o", out, "--request", dir.file("none.json").string()}).exitCode, 1);
}

TEST(CorvanaCliTest, FailedConvertLeavesTheOldFile) {
    Testing::TempDir dir;
    const std::string out = dir.file("library.json").string();
    Testing::writeText(out, "{\"keep\":true}");
    Testing::writeText(dir.file("empty.ptf"), "");
    const CommandRun none = corvana({"convert", dir.file("empty.ptf").string(), "-o", out});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.errors.find("No tools selected."), std::string::npos);
    EXPECT_EQ(Testing::readText(out), "{\"keep\":true}");

    const CommandRun unwritable = corvana({"convert", metricExample, "-o", dir.file("no/such/dir.json").string()});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
              2);
}

} // namespace
} // namespace Corvana
