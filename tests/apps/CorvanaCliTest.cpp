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

    bool scratchIsEmpty() const {
        const fs::path scratch = dir.file("tmp") / "TOLVEX_PM";
        return !fs::exists(scratch) || fs::is_empty(scratch);
    }

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

    const CommandRun table = corvana({"inspect", metricExample});
    ASSERT_EQ(table.exitCode, 0);
    EXPECT_NE(table.output.find("tap -> tap left hand"), std::string::npos);
    EXPECT_NE(table.output.find("40 tools"), std::string::npos);
    Testing::writeText(dir.file("empty.ptf"), "");
    const CommandRun empty = corvana({"inspect", dir.file("empty.ptf").string(), "--json"});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.output, "");
}

TEST_F(CorvanaCliTest, UnreadableSourcesExitOneWithOneLineAndUsageErrorsExitTwo) {
    Testing::writeText(dir.file("notes.txt"), "x");
    Testing::writeProjectFolder(dir.file("two"), "# Entity Index\n", {}, "a.pmlprj");
    Testing::writeText(dir.file("two") / "b.pmlprj", "");
    Testing::writeProjectFolder(dir.file("broken"),
                                "# Entity Index\n" + Testing::toolEntityLine("t1") + Testing::toolEntityLine("t2"),
                                {{"t1", Testing::endMillEntity("t1")}});
    // Sparse files just above the whole-file limit.
    Testing::writeText(dir.file("huge.ptf"), "");
    fs::resize_file(dir.file("huge.ptf"), tooLargeToRead);
    Testing::writeProjectFolder(dir.file("huge index"), "# Entity Index\n");
    fs::resize_file(dir.file("huge index") / "project.pmlprj", tooLargeToRead);
    Testing::zipFolder(dir.file("broken"), dir.file("broken.pmlprjz"));
    Testing::writeText(dir.file("garbage.pmlprjz"), "not a zip archive");
    Testing::writeZip(dir.file("escape.pmlprjz"), {{"project.pmlprj", "# Entity Index\n", {}}, {"../x.pmlent", "x", {}}});
    Testing::zipFolder(projectExample, dir.file("nested.pmlprjz"), "example-project/");
    Testing::writeZip(dir.file("no index.pmlprjz"), {{"notes.txt", "hello", {}}});
    const std::string notExtracted = "This PowerMill archive could not be extracted.";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"huge.ptf", "larger than 512 MiB"},
        {"huge index", "larger than 512 MiB"},
        {"missing.ptf", "does not exist"},
        {"notes.txt", "is not a PowerMill template"},
        {"two", "Multiple .pmlprj files were found"},
        {"broken", "could not be read"},
        {"garbage.pmlprjz", notExtracted},
        {"escape.pmlprjz", notExtracted},
        {"nested.pmlprjz", notExtracted},
        {"no index.pmlprjz", "No PowerMill project index (.pmlprj) was found in this folder. This archive does not "
                             "contain a valid PowerMill project (a .pmlprj entity index)."},
        {"broken.pmlprjz", "One or more tool entities could not be read."},
        {"missing.pmlprjz", "does not exist"},
    };
    for (const auto& [name, message] : cases) {
        for (const bool convert : {false, true}) {
            std::vector<std::string> arguments{convert ? "convert" : "inspect", dir.file(name).string()};
            if (convert) arguments.insert(arguments.end(), {"-o", dir.file("o.json").string()});
            const CommandRun run = corvana(arguments);
            EXPECT_EQ(run.exitCode, 1) << arguments[0] << " " << name;
            EXPECT_EQ(run.output, "") << name;
            EXPECT_EQ(splitLines(run.errors).size(), 1u) << run.errors;
            EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
        }
    }
    EXPECT_FALSE(fs::exists(dir.file("o.json")));
    EXPECT_FALSE(fs::exists(dir.file("tmp") / "TOLVEX_PM" / "x.pmlent"));
    EXPECT_TRUE(scratchIsEmpty());

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

TEST_F(CorvanaCliTest, UnusableOutputPathsExitOneWithOneLine) {
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
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2) << "no temporary file";
}

TEST_F(CorvanaCliTest, ConvertWritesAStableLibraryWithHoldersWhereAsked) {
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
    EXPECT_EQ(holdersIn(document), 3u);
    EXPECT_EQ(document["data"].size(), 36u + 3u);  // four turning, form and routing tools stay out
    EXPECT_EQ(document["data"][0]["guid"], "a0b1c2d3-e4f5-4c6d-8a9b-abcdef012345");

    ASSERT_EQ(corvana({"convert", metricExample, "-o", second, "--random-ids"}).exitCode, 0);
    const auto random = Testing::parseJsonOrFail(Testing::readText(second));
    EXPECT_EQ(random["description"], "Imported from PowerMill");
    EXPECT_NE(random["data"][0]["guid"], document["data"][0]["guid"]);

    ASSERT_EQ(corvana({"convert", metricExample, "-o", second, "--holders", "0"}).exitCode, 0);
    EXPECT_EQ(holdersIn(Testing::parseJsonOrFail(Testing::readText(second))), 0u);

    ASSERT_EQ(corvana({"convert", metricExample, "-o", second, "--holders", "2", "--holder-library", "Shop Holders"})
                  .exitCode,
              0);
    const auto tools = Testing::parseJsonOrFail(Testing::readText(second));
    const auto holders = Testing::parseJsonOrFail(Testing::readText(dir.file("Shop Holders.json")));
    EXPECT_EQ(holdersIn(tools), 0u);
    EXPECT_EQ(holders["description"], "Shop Holders");
    EXPECT_EQ(holders["data"].size(), 3u);
}

TEST_F(CorvanaCliTest, ConvertFollowsARequestFile) {
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
    EXPECT_EQ(document["data"][1]["post-process"]["number"], 101);
    EXPECT_NEAR(document["data"][1]["geometry"]["DC"].get<double>(), 10 / 25.4, 1e-6);

    EXPECT_EQ(corvana({"convert", metricExample, "-o", out, "--request", dir.file("none.json").string()}).exitCode, 1);
}

TEST_F(CorvanaCliTest, FailedConvertLeavesTheOldFile) {
    const std::string out = dir.file("library.json").string();
    Testing::writeText(out, "{\"keep\":true}");
    Testing::writeText(dir.file("empty.ptf"), "");
    const CommandRun none = corvana({"convert", dir.file("empty.ptf").string(), "-o", out});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.errors.find("No tools selected."), std::string::npos);
    EXPECT_EQ(Testing::readText(out), "{\"keep\":true}");

    Testing::writeText(dir.file("request.json"), "");
    fs::resize_file(dir.file("request.json"), tooLargeToRead);
    const CommandRun request = corvana({"convert", metricExample, "-o", out, "--request", dir.file("request.json").string()});
    EXPECT_EQ(request.exitCode, 1);
    EXPECT_NE(request.errors.find("larger than 512 MiB"), std::string::npos) << request.errors;
    EXPECT_EQ(Testing::readText(out), "{\"keep\":true}");
}

TEST_F(CorvanaCliTest, ArchiveReadsLikeTheProjectItHolds) {
    const std::string archive = dir.file("example project.pmlprjz").string();
    Testing::zipFolder(projectExample, archive);

    const CommandRun fromArchive = corvana({"inspect", archive, "--json"});
    ASSERT_EQ(fromArchive.exitCode, 0) << fromArchive.errors;
    EXPECT_EQ(splitLines(fromArchive.output).size(), 10u);
    EXPECT_EQ(fromArchive.output, corvana({"inspect", projectExample, "--json"}).output);
    EXPECT_TRUE(scratchIsEmpty());

    const std::string fromArchiveJson = dir.file("archive.json").string();
    const std::string fromFolderJson = dir.file("folder.json").string();
    const CommandRun convert = corvana({"convert", archive, "-o", fromArchiveJson});
    ASSERT_EQ(convert.exitCode, 0) << convert.errors;
    EXPECT_EQ(convert.output, "Wrote 9 tools of library 'Imported from PowerMill' to " + fromArchiveJson + ".\n");
    ASSERT_EQ(corvana({"convert", projectExample, "-o", fromFolderJson}).exitCode, 0);
    EXPECT_EQ(Testing::readText(fromArchiveJson), Testing::readText(fromFolderJson));
    EXPECT_TRUE(scratchIsEmpty());
}

TEST_F(CorvanaCliTest, DatabasesListWithoutPresetNamesAndConvertUnderTheirOwnName) {
    const std::string sample = (mdbFixtures / "tooldb-sample.mdb").string();
    const CommandRun run = corvana({"inspect", sample, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto lines = splitLines(run.output);
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_FALSE(Testing::parseJsonOrFail(lines[0]).contains("presetNames"));
    // Files without tools, also one that is no database at all, list nothing.
    for (const char* name : {"empty-schema.mdb", "not-a-database.mdb"}) {
        const CommandRun empty = corvana({"inspect", (mdbFixtures / name).string(), "--json"});
        EXPECT_EQ(empty.exitCode, 0) << name << " " << empty.errors;
        EXPECT_EQ(empty.output, "") << name;
    }

    const std::string out = dir.file("tools.json").string();
    const CommandRun convert = corvana({"convert", sample, "-o", out});
    ASSERT_EQ(convert.exitCode, 0) << convert.errors;
    EXPECT_EQ(convert.output, "Wrote 30 tools of library 'Imported from MDB' to " + out + ".\n");
    const auto document = Testing::parseJsonOrFail(Testing::readText(out));
    EXPECT_EQ(document["data"].size(), 30u + 4u);  // the form cutter stays out; four holders
    EXPECT_EQ(holdersIn(document), 4u);
    const CommandRun empty = corvana({"convert", (mdbFixtures / "empty-schema.mdb").string(), "-o", out});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.errors.find("No tools selected."), std::string::npos) << empty.errors;
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
    EXPECT_EQ(Testing::parseJsonOrFail(Testing::readText(out))["data"].size(), 12u) << "9 tools and 3 holders";

    const CommandRun missing = corvana({"inspect", "--session", "1"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(splitLines(missing.errors).size(), 1u) << missing.errors;
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
