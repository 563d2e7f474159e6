// Runs the corvana command line as a child process on real files (templates,
// project folders and archives, tool databases) and on a running PowerMill
// (a pmsim process).

#include "tests/sources/ZipTestArchives.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ExampleTools.h"
#include "tests/support/JsonCheck.h"
#include "tests/support/PmSimProcess.h"
#include "tests/support/PtfWriter.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

namespace Corvana {
namespace {

using Testing::CommandRun;
using Testing::splitLines;
namespace fs = std::filesystem;

const std::string metricExample = CORVANA_SOURCE_DIR "/examples/metric-template.ptf";
const std::string projectExample = CORVANA_SOURCE_DIR "/examples/example-project";
const fs::path mdbFixtures = fs::path(CORVANA_SOURCE_DIR) / "tests/fixtures/mdb";
// Just above the 512 MiB that whole-file reads accept.
constexpr std::uintmax_t tooLargeToRead = (std::uintmax_t{512} << 20) + 1;

// Each test has a folder of its own, also as TMPDIR, so its scratch folder can be checked.
class CorvanaCliTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir.file("tmp")); }

    CommandRun corvana(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"env", "TMPDIR=" + dir.file("tmp").string(), CORVANA_CLI});
        return Testing::runCommand(arguments);
    }
    std::string file(const std::string& name) const { return dir.file(name).string(); }
    bool scratchIsEmpty() const {
        const fs::path scratch = dir.file("tmp") / "TOLVEX_PM";
        return !fs::exists(scratch) || fs::is_empty(scratch);
    }
    static nlohmann::json readJson(const std::string& path) { return Testing::parseJsonOrFail(Testing::readText(path)); }
    static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
    static std::size_t holdersIn(const nlohmann::json& document) {
        std::size_t count = 0;
        for (const auto& entry : document["data"]) count += entry["type"] == "holder" ? 1 : 0;
        return count;
    }

    Testing::TempDir dir;
};

TEST_F(CorvanaCliTest, InspectPrintsOneJsonSummaryPerToolOrATable) {
    const CommandRun run = corvana({"inspect", metricExample, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto lines = splitLines(run.output);
    ASSERT_EQ(lines.size(), 40u);
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(Testing::parseJsonOrFail(lines[i])["index"], i);
    EXPECT_TRUE(Testing::parseJsonOrFail(lines[0]).contains("presetNames"));
    EXPECT_EQ(Testing::parseJsonOrFail(lines[34])["unsupportedReason"], "type");  // the form cutter
    const CommandRun database = corvana({"inspect", (mdbFixtures / "tooldb-sample.mdb").string(), "--json"});
    EXPECT_EQ(splitLines(database.output).size(), 31u) << database.errors;
    EXPECT_FALSE(Testing::parseJsonOrFail(splitLines(database.output).at(0)).contains("presetNames"));

    const CommandRun table = corvana({"inspect", metricExample});
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_TRUE(has(table.output, "tap -> tap left hand") && has(table.output, "40 tools")) << table.output;
    Testing::writeText(file("empty.ptf"), "");
    const CommandRun empty = corvana({"inspect", file("empty.ptf"), "--json"});
    EXPECT_EQ(std::pair(empty.exitCode, empty.output), std::pair(0, std::string()));
}

TEST_F(CorvanaCliTest, UnreadableSourcesExitOneWithOneLineAndUsageErrorsExitTwo) {
    Testing::writeText(file("notes.txt"), "x");
    Testing::writeProjectFolder(file("two"), "# Entity Index\n", {}, "a.pmlprj");
    Testing::writeText(dir.file("two") / "b.pmlprj", "");
    Testing::writeProjectFolder(file("broken"),
                                "# Entity Index\n" + Testing::toolEntityLine("t1") + Testing::toolEntityLine("t2"),
                                {{"t1", Testing::endMillEntity("t1")}});
    // Sparse files just above the whole-file limit.
    Testing::writeText(file("huge.ptf"), "");
    fs::resize_file(file("huge.ptf"), tooLargeToRead);
    Testing::writeProjectFolder(file("huge index"), "# Entity Index\n");
    fs::resize_file(dir.file("huge index") / "project.pmlprj", tooLargeToRead);
    Testing::zipFolder(file("broken"), file("broken.pmlprjz"));
    Testing::writeText(file("garbage.pmlprjz"), "not a zip archive");
    Testing::writeZip(file("escape.pmlprjz"), {{"project.pmlprj", "# Entity Index\n", {}}, {"../x.pmlent", "x", {}}});
    Testing::zipFolder(projectExample, file("nested.pmlprjz"), "example-project/");
    Testing::writeZip(file("no index.pmlprjz"), {{"notes.txt", "hello", {}}});
    const std::string notExtracted = "This PowerMill archive could not be extracted.";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"huge.ptf", "larger than 512 MiB"}, {"huge index", "larger than 512 MiB"},
        {"missing.ptf", "does not exist"}, {"notes.txt", "is not a PowerMill template"},
        {"two", "Multiple .pmlprj files were found"}, {"broken", "could not be read"},
        {"garbage.pmlprjz", notExtracted}, {"escape.pmlprjz", notExtracted}, {"nested.pmlprjz", notExtracted},
        {"no index.pmlprjz", "No PowerMill project index (.pmlprj) was found in this folder. This archive does not "
                             "contain a valid PowerMill project (a .pmlprj entity index)."},
        {"broken.pmlprjz", "One or more tool entities could not be read."}, {"missing.pmlprjz", "does not exist"},
    };
    for (const auto& [name, message] : cases) {
        for (const bool convert : {false, true}) {
            std::vector<std::string> arguments{convert ? "convert" : "inspect", file(name)};
            if (convert) arguments.insert(arguments.end(), {"-o", file("o.json")});
            const CommandRun run = corvana(arguments);
            EXPECT_EQ(std::tuple(run.exitCode, run.output, splitLines(run.errors).size()), std::tuple(1, "", 1u))
                << arguments[0] << " " << name << ": " << run.errors;
            EXPECT_TRUE(has(run.errors, message)) << run.errors;
        }
    }
    EXPECT_FALSE(fs::exists(file("o.json")));
    EXPECT_FALSE(fs::exists(dir.file("tmp") / "TOLVEX_PM" / "x.pmlent"));
    EXPECT_TRUE(scratchIsEmpty());

    const std::string out = file("x.json");
    const std::vector<std::vector<std::string>> usageErrors{
        {}, {"inspect"}, {"frobnicate", metricExample}, {"convert", metricExample},
        {"convert", metricExample, "-o", out, "--holders", "3"},
        {"convert", metricExample, "-o", out, "--tolerance", "0"},
        {"convert", metricExample, "-o", out, "--holders", "2", "--holder-library", "../up"},
    };
    for (const auto& arguments : usageErrors)
        EXPECT_EQ(corvana(arguments).exitCode, 2) << (arguments.empty() ? "" : arguments.back());
}

TEST_F(CorvanaCliTest, UnusableOutputPathsExitOneWithOneLine) {
    std::filesystem::create_directory(dir.file("folder"));
    const std::string longName(300, 'a');
    for (const auto& output : {file(longName + ".json"), file(longName + "/out.json"),
                               file(std::string(250, 'b') + ".json"), file("missing/out.json"), file("folder")}) {
        const CommandRun run = corvana({"convert", metricExample, "-o", output});
        EXPECT_EQ(std::pair(run.exitCode, splitLines(run.errors).size()), std::pair(1, std::size_t{1})) << output << run.errors;
    }
    EXPECT_EQ(Testing::sortedEntries(dir.path()), (std::vector<std::string>{"folder", "tmp"})) << "no temporary file";
}

TEST_F(CorvanaCliTest, ConvertWritesAStableLibraryWithHoldersWhereAsked) {
    const std::string first = file("first.json"), second = file("second.json");
    const CommandRun run = corvana({"convert", metricExample, "-o", first, "--name", "Shop \"A\""});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output, "Wrote 36 tools of library 'Shop \"A\"' to " + first + ".\n");
    ASSERT_EQ(corvana({"convert", metricExample, "-o", second, "--name", "Shop \"A\""}).exitCode, 0);
    EXPECT_EQ(Testing::readText(first), Testing::readText(second));

    const auto document = readJson(first);
    EXPECT_EQ(document["description"], "Shop \"A\"");
    EXPECT_EQ(document["units"], "millimeters");
    EXPECT_EQ(holdersIn(document), 3u);
    EXPECT_EQ(document["data"].size(), 36u + 3u);  // four turning, form and routing tools stay out
    EXPECT_EQ(document["data"][0]["guid"], "a0b1c2d3-e4f5-4c6d-8a9b-abcdef012345");

    ASSERT_EQ(corvana({"convert", metricExample, "-o", second, "--random-ids"}).exitCode, 0);
    const auto random = readJson(second);
    EXPECT_EQ(random["description"], "Imported from PowerMill");
    EXPECT_NE(random["data"][0]["guid"], document["data"][0]["guid"]);
    ASSERT_EQ(corvana({"convert", (mdbFixtures / "tooldb-sample.mdb").string(), "-o", second}).exitCode, 0);
    EXPECT_EQ(readJson(second)["description"], "Imported from MDB");

    ASSERT_EQ(corvana({"convert", metricExample, "-o", second, "--holders", "0"}).exitCode, 0);
    EXPECT_EQ(holdersIn(readJson(second)), 0u);

    ASSERT_EQ(corvana({"convert", metricExample, "-o", second, "--holders", "2", "--holder-library", "Shop Holders"}).exitCode, 0);
    const auto holders = readJson(file("Shop Holders.json"));
    EXPECT_EQ(holdersIn(readJson(second)), 0u);
    EXPECT_EQ(holders["description"], "Shop Holders");
    EXPECT_EQ(holders["data"].size(), 3u);
}

TEST_F(CorvanaCliTest, ConvertFollowsARequestFile) {
    Testing::writeText(file("request.json"),
                       "{\"libraryName\":\"Taps\",\"selectedIndices\":[29,28,36],\"displayUnitMetric\":[0,0,0],"
                       "\"toolNumberOverrideIndices\":[28],\"toolNumberOverrideValues\":[101]}");
    const std::string out = file("taps.json");
    const CommandRun run = corvana({"convert", metricExample, "-o", out, "--request", file("request.json")});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto document = readJson(out);
    EXPECT_EQ(document["description"], "Taps");
    EXPECT_EQ(document["units"], "inches");
    ASSERT_GE(document["data"].size(), 2u);  // the turning tool at 36 is left out
    EXPECT_EQ(document["data"][0]["type"], "tap left hand");
    EXPECT_EQ(document["data"][1]["post-process"]["number"], 101);
    EXPECT_NEAR(document["data"][1]["geometry"]["DC"].get<double>(), 10 / 25.4, 1e-6);
}

TEST_F(CorvanaCliTest, FailedConvertLeavesTheOldFile) {
    const std::string out = file("library.json");
    Testing::writeText(out, "{\"keep\":true}");
    Testing::writeText(file("empty.ptf"), "");
    Testing::writeText(file("request.json"), "");
    fs::resize_file(file("request.json"), tooLargeToRead);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{file("empty.ptf")}, "No tools selected."},
        {{(mdbFixtures / "empty-schema.mdb").string()}, "No tools selected."},
        {{metricExample, "--request", file("request.json")}, "larger than 512 MiB"},
        {{metricExample, "--request", file("none.json")}, ""},
    };
    for (auto [arguments, message] : cases) {
        arguments.insert(arguments.begin(), "convert");
        arguments.insert(arguments.end(), {"-o", out});
        const CommandRun run = corvana(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments[1];
        EXPECT_TRUE(has(run.errors, message)) << run.errors;
        EXPECT_EQ(Testing::readText(out), "{\"keep\":true}");
    }
}

TEST_F(CorvanaCliTest, SessionsAreReadLikeTheProjectOnDisk) {
    const Testing::PmSimEnvironment environment;
    ASSERT_EQ(environment.install({"--year", "2024"}), 0);
    Testing::PmSimProcess powerMill(environment, {"--project", projectExample});
    // A session reports holders as exported outlines, so holder section counts differ.
    const auto withoutHolderCounts = [](const std::string& text) {
        return std::regex_replace(text, std::regex("\"holderCount\":\\d+,"), "");
    };
    const CommandRun fromSession = corvana({"inspect", "--session", "0", "--json"});
    ASSERT_EQ(fromSession.exitCode, 0) << fromSession.errors;
    EXPECT_EQ(withoutHolderCounts(fromSession.output),
              withoutHolderCounts(corvana({"inspect", projectExample, "--json"}).output));

    const std::string out = dir.file("out.json").string();
    const CommandRun converted = corvana({"convert", "--session", "0", "-o", out});
    EXPECT_EQ(converted.exitCode, 0) << converted.errors;
    EXPECT_EQ(readJson(out)["data"].size(), 12u) << "9 tools and 3 holders";

    const CommandRun missing = corvana({"inspect", "--session", "1"});
    EXPECT_EQ(std::pair(missing.exitCode, splitLines(missing.errors).size()), std::pair(1, std::size_t{1})) << missing.errors;
    EXPECT_EQ(corvana({"inspect", projectExample, "--session", "0"}).exitCode, 2);
}

TEST(ExamplesTest, CommittedExamplesMatchTheirGenerator) {
    const auto asText = [](const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); };
    EXPECT_EQ(Testing::readText(metricExample), asText(Testing::metricExampleTemplate()))
        << "run corvana-make-examples examples";
    EXPECT_EQ(Testing::readText(CORVANA_SOURCE_DIR "/examples/inch-template.ptf"),
              asText(Testing::inchExampleTemplate()));
    Testing::TempDir project;
    Testing::writeExampleProject(project.path());
    for (const auto& entry : fs::directory_iterator(project.path())) {
        const auto committed = fs::path(projectExample) / entry.path().filename();
        EXPECT_EQ(Testing::readText(committed), Testing::readText(entry.path())) << committed;
    }
}

} // namespace
} // namespace Corvana
