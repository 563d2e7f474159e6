// Runs the corvana command line on project archives and tool databases.

#include "tests/sources/ZipTestArchives.h"
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
namespace fs = std::filesystem;

const fs::path projectExample = fs::path(CORVANA_SOURCE_DIR) / "examples/example-project";
const fs::path mdbFixtures = fs::path(CORVANA_SOURCE_DIR) / "tests/fixtures/mdb";

// A temporary folder of its own for each run, so its scratch folder can be checked.
class CliSourcesTest : public ::testing::Test {
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

    std::size_t holdersIn(const nlohmann::json& document) const {
        std::size_t count = 0;
        for (const auto& entry : document["data"]) count += entry["type"] == "holder" ? 1 : 0;
        return count;
    }

    Testing::TempDir dir;
};

TEST_F(CliSourcesTest, ArchiveReadsLikeTheProjectItHolds) {
    const std::string archive = dir.file("example project.pmlprjz").string();
    Testing::zipFolder(projectExample, archive);

    const CommandRun fromArchive = corvana({"inspect", archive, "--json"});
    ASSERT_EQ(fromArchive.exitCode, 0) << fromArchive.errors;
    const auto lines = splitLines(fromArchive.output);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(Testing::parseJsonOrFail(lines[0])["identifier"], "EM 12 4FL Carbide Finish");
    EXPECT_EQ(fromArchive.output, corvana({"inspect", projectExample.string(), "--json"}).output);
    EXPECT_TRUE(scratchIsEmpty());

    const std::string fromArchiveJson = dir.file("archive.json").string();
    const std::string fromFolderJson = dir.file("folder.json").string();
    const CommandRun convert = corvana({"convert", archive, "-o", fromArchiveJson});
    ASSERT_EQ(convert.exitCode, 0) << convert.errors;
    EXPECT_EQ(convert.output, "Wrote 9 tools of library 'Imported from PowerMill' to " + fromArchiveJson + ".\n");
    const auto document = Testing::parseJsonOrFail(Testing::readText(fromArchiveJson));
    EXPECT_EQ(document["data"].size(), 9u + 3u);
    EXPECT_EQ(holdersIn(document), 3u);
    ASSERT_EQ(corvana({"convert", projectExample.string(), "-o", fromFolderJson}).exitCode, 0);
    EXPECT_EQ(Testing::readText(fromArchiveJson), Testing::readText(fromFolderJson));
    EXPECT_TRUE(scratchIsEmpty());
}

TEST_F(CliSourcesTest, UnusableArchivesExitOneWithOneLine) {
    Testing::writeText(dir.file("garbage.pmlprjz"), "not a zip archive");
    Testing::writeZip(dir.file("escape.pmlprjz"),
                      {{"project.pmlprj", "# Entity Index\n", {}}, {"../x.pmlent", "x", {}}});
    Testing::zipFolder(projectExample, dir.file("nested.pmlprjz"), "example-project/");
    Testing::writeZip(dir.file("no index.pmlprjz"), {{"notes.txt", "hello", {}}});
    Testing::writeProjectFolder(dir.file("partial"),
                                "# Entity Index\n" + Testing::toolEntityLine("t1") + Testing::toolEntityLine("t2"),
                                {{"t1", Testing::endMillEntity("t1")}});
    Testing::zipFolder(dir.file("partial"), dir.file("partial.pmlprjz"));
    const std::string notExtracted = "This PowerMill archive could not be extracted.";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"garbage.pmlprjz", notExtracted},
        {"escape.pmlprjz", notExtracted},
        {"nested.pmlprjz", notExtracted},
        {"no index.pmlprjz",
         "No PowerMill project index (.pmlprj) was found in this folder. This archive does not contain a valid "
         "PowerMill project (a .pmlprj entity index)."},
        {"partial.pmlprjz", "One or more tool entities could not be read."},
        {"missing.pmlprjz", "does not exist"},
    };
    for (const auto& [name, message] : cases) {
        for (const char* command : {"inspect", "convert"}) {
            std::vector<std::string> arguments{command, dir.file(name).string()};
            if (std::string(command) == "convert")
                arguments.insert(arguments.end(), {"-o", dir.file("o.json").string()});
            const CommandRun run = corvana(arguments);
            EXPECT_EQ(run.exitCode, 1) << command << " " << name;
            EXPECT_EQ(run.output, "") << command << " " << name;
            EXPECT_EQ(splitLines(run.errors).size(), 1u) << run.errors;
            EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
        }
    }
    EXPECT_FALSE(fs::exists(dir.file("o.json")));
    EXPECT_FALSE(fs::exists(dir.file("tmp") / "TOLVEX_PM" / "x.pmlent"));
    EXPECT_TRUE(scratchIsEmpty());
}

TEST_F(CliSourcesTest, DatabasesInspectWithoutPresetNames) {
    const CommandRun run = corvana({"inspect", (mdbFixtures / "tooldb-sample.mdb").string(), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const auto lines = splitLines(run.output);
    ASSERT_EQ(lines.size(), 31u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto summary = Testing::parseJsonOrFail(lines[i]);
        EXPECT_EQ(summary["index"], i);
        EXPECT_FALSE(summary.contains("presetNames")) << lines[i];
    }
    const auto first = Testing::parseJsonOrFail(lines[0]);
    EXPECT_EQ(first["name"], "EM 10 4FL CARBIDE");
    EXPECT_EQ(first["holderName"], "HSK63 ER32 100");
    EXPECT_EQ(first["presetCount"], 3);
    EXPECT_EQ(Testing::parseJsonOrFail(lines[30])["name"], "BARREL 12 R250");

    // Files without tools, also one that is no database at all, list nothing.
    for (const char* name : {"empty-schema.mdb", "not-a-database.mdb"}) {
        const CommandRun empty = corvana({"inspect", (mdbFixtures / name).string(), "--json"});
        EXPECT_EQ(empty.exitCode, 0) << name << " " << empty.errors;
        EXPECT_EQ(empty.output, "") << name;
    }
}

TEST_F(CliSourcesTest, DatabasesConvertUnderTheirOwnDefaultName) {
    const std::string out = dir.file("tools.json").string();
    const CommandRun run = corvana({"convert", (mdbFixtures / "tooldb-sample.mdb").string(), "-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output, "Wrote 30 tools of library 'Imported from MDB' to " + out + ".\n");
    const auto document = Testing::parseJsonOrFail(Testing::readText(out));
    EXPECT_EQ(document["data"].size(), 30u + 4u);  // the form cutter stays out; four holders
    EXPECT_EQ(holdersIn(document), 4u);

    const CommandRun empty = corvana({"convert", (mdbFixtures / "empty-schema.mdb").string(), "-o", out});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.errors.find("No tools selected."), std::string::npos) << empty.errors;
}

} // namespace
} // namespace Corvana
