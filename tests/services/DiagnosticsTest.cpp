// The diagnostics report, its ZIP (checked with unzip and Python's zipfile)
// and the log's protection against forged lines.

#include "services/Diagnostics.h"

#include "platform/Crypto.h"
#include "tests/services/ServiceTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace Corvana {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using StringList = std::vector<std::string>;

DiagnosticsJob sampleJob(const std::string& sourcePath) {
    DiagnosticsJob job;
    for (const auto& [number, code] : {std::pair{1, TypeEndMill}, std::pair{2, TypeForm}}) {
        ToolModel tool;
        tool.isMetric = true;
        tool.number = number;
        tool.entityName = "T" + std::to_string(number);
        tool.typeCode = code;
        tool.diameter = 10;
        job.tools.push_back(tool);
    }
    job.library = "Mills";
    job.source = DiagnosticsSource{"project", sourcePath, "Plate", "2024.1"};
    job.request = readDiagnosticsRequest(R"({"rating":4.9,"comment":"fine","userHash":"h1"})");
    job.timestamp = 1700000000;
    return job;
}

StringList entryNames(const std::string& bundle) {
    StringList names;
    for (const auto& line : Testing::checkBase64Zip(bundle).entries) names.push_back(line.substr(0, line.find(' ')));
    return names;
}

TEST(DiagnosticsTest, ReportJsonAndMailTextFollowTheRating) {
    DiagnosticsJob job = sampleJob("");
    const Json report = Json::parse(buildDiagnosticsJson(job));
    EXPECT_EQ(report["rating"], 4);
    EXPECT_EQ(report["pmProject"], "Plate");
    EXPECT_EQ(report["timestamp"], 1700000000);
    EXPECT_EQ(report["tools"][1]["identifier"], "T2");
    EXPECT_EQ(report["tools"][0]["unsupported"], false);
    EXPECT_EQ(report["tools"][1]["unsupported"], true);
    EXPECT_EQ(diagnosticsMailMessage(job), "Import diagnostics\nSource:  project\nLibrary: Mills\nRating:  4/5\n\nfine");
    for (const char* unrated : {R"({})", R"({"rating":0.5})", R"({"rating":-3})", R"({"rating":1e300})"}) {
        job.request = readDiagnosticsRequest(unrated);
        EXPECT_TRUE(Json::parse(buildDiagnosticsJson(job))["rating"].is_null()) << unrated;
        EXPECT_NE(diagnosticsMailMessage(job).find("Rating:  Not provided\n\n"), std::string::npos) << unrated;
    }
    EXPECT_EQ(diagnosticsReceivedJson(2, job.source),
              R"({"stage":"received","toolCount":2,"source":"project","hasSourceFile":false})");
}

TEST(DiagnosticsTest, FolderBundleIsAStoredZipWithoutLinkedFiles) {
    Testing::TempDir root;
    const fs::path plate = root.file("Plate");
    fs::create_directories(plate / "tools");
    Testing::writeText(plate / "Plate.pmlprj", "index");
    Testing::writeText(plate / "tools" / "EM10.pmlent", "entity");
    Testing::writeText(root.file("secret.txt"), "outside");
    fs::create_directory_symlink(root.path(), plate / "loop");
    fs::create_symlink(root.file("secret.txt"), plate / "secret.txt");
    const auto check = Testing::checkBase64Zip(buildDiagnosticsBundle(sampleJob(plate.string() + "/")));
    EXPECT_TRUE(check.unzipOk);
    EXPECT_EQ(check.entries, (StringList{"diagnostics.json 0 (1980, 1, 1)", "library.json 0 (1980, 1, 1)",
                                         "source/Plate/Plate.pmlprj 0 (1980, 1, 1)",
                                         "source/Plate/tools/EM10.pmlent 0 (1980, 1, 1)"}));
}

TEST(DiagnosticsTest, SourcesFallAwayWhenMissingOrTooLarge) {
    Testing::TempDir root;
    Testing::writeText(root.file("tools.ptf"), "template");
    fs::create_directory(root.file("big"));
    Testing::writeBytes(root.file("big") / "huge.pmlent", std::vector<std::uint8_t>(7200000, 0x5a));
    EXPECT_EQ(entryNames(buildDiagnosticsBundle(sampleJob(root.file("tools.ptf").string()))),
              (StringList{"diagnostics.json", "library.json", "tools.ptf"}));
    EXPECT_EQ(entryNames(buildDiagnosticsBundle(sampleJob(root.file("gone").string()))),
              (StringList{"diagnostics.json", "library.json"}));
    const std::string oversized = buildDiagnosticsBundle(sampleJob(root.file("big").string()));
    EXPECT_LT(oversized.size(), 100000u) << "rebuilt without the source files";
    EXPECT_EQ(collectSourceEntries(root.file("big").string(), 7200000).size(), 1u);
    EXPECT_TRUE(collectSourceEntries(root.file("big").string(), 7199999).empty());
}

TEST(DiagnosticsTest, EncodingAndLogValues) {
    EXPECT_EQ(base64Encode({'a', 'b', 'c'}), "YWJj");
    EXPECT_EQ(base64Encode({'a', 'b'}), "YWI=");
    EXPECT_EQ(logValue("Ana\n--- send: forged\r\\"), "Ana\\n--- send: forged\\r\\\\");
}

} // namespace
} // namespace Corvana
