// The diagnostics report, its ZIP (checked with unzip and Python's zipfile)
// and the log's protection against forged lines.

#include "services/Diagnostics.h"

#include "platform/Crypto.h"
#include "tests/services/ServiceTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace Corvana {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using StringList = std::vector<std::string>;

ToolModel tool(std::int32_t number, const std::string& name, std::int32_t typeCode, const std::string& type) {
    ToolModel made;
    made.isMetric = true;
    made.number = number;
    made.name = name;
    made.entityName = "T" + std::to_string(number);
    made.typeCode = typeCode;
    made.type = type;
    made.diameter = 10;
    made.length = 30;
    return made;
}

DiagnosticsJob sampleJob(const std::string& sourcePath) {
    DiagnosticsJob job;
    job.tools = {tool(1, "EM10", TypeEndMill, "end_mill"), tool(2, "FORM", TypeForm, "form")};
    job.library = "Mills";
    job.source = LastSourceInfo{"project", sourcePath, "Plate", "2024.1"};
    job.request = readDiagnosticsRequest(R"({"rating":4.9,"comment":"fine","userHash":"h1","addinVersion":"1.4.0"})");
    job.timestamp = 1700000000;
    return job;
}

TEST(DiagnosticsTest, ReportJsonAndMailTextFollowTheRating) {
    DiagnosticsJob job = sampleJob("");
    const Json report = Json::parse(buildDiagnosticsJson(job));
    EXPECT_EQ(report["rating"], 4);
    EXPECT_EQ(report["pmProject"], "Plate");
    EXPECT_EQ(report["toolCount"], 2);
    EXPECT_EQ(report["timestamp"], 1700000000);
    EXPECT_EQ(report["tools"][0]["unsupported"], false);
    EXPECT_EQ(report["tools"][1]["unsupported"], true);
    EXPECT_EQ(report["tools"][1]["identifier"], "T2");
    EXPECT_EQ(diagnosticsMailMessage(job), "Import diagnostics\nSource:  project\nLibrary: Mills\nRating:  4/5\n\nfine");
    for (const char* unrated : {R"({})", R"({"rating":0.5})", R"({"rating":-3})", R"({"rating":1e300})"}) {
        job.request = readDiagnosticsRequest(unrated);
        EXPECT_TRUE(Json::parse(buildDiagnosticsJson(job))["rating"].is_null()) << unrated;
        EXPECT_NE(diagnosticsMailMessage(job).find("Rating:  Not provided\n\n"), std::string::npos) << unrated;
    }
    EXPECT_EQ(diagnosticsReceivedJson(2, job.source),
              R"({"stage":"received","toolCount":2,"source":"project","hasSourceFile":false})");
    EXPECT_EQ(diagnosticsSentJson(false, 1, "HTTP 401"),
              R"({"stage":"sent","ok":false,"attachments":1,"error":"HTTP 401"})");
}

TEST(DiagnosticsTest, FolderBundleIsAValidStoredZipWithoutLinkedFiles) {
    Testing::TempDir root;
    const fs::path plate = root.file("Plate");
    fs::create_directories(plate / "tools");
    Testing::writeText(plate / "Plate.pmlprj", "index");
    Testing::writeText(plate / "tools" / "EM10.pmlent", "entity");
    Testing::writeText(root.file("secret.txt"), "outside");
    fs::create_directory_symlink(root.path(), plate / "loop");
    fs::create_symlink(root.file("secret.txt"), plate / "secret.txt");
    const std::string text = buildDiagnosticsBundle(sampleJob(plate.string() + "/"));
    const auto check = Testing::checkZip(Testing::decodeBase64(text));
    EXPECT_TRUE(check.unzipOk);
    EXPECT_EQ(check.entries, (StringList{"diagnostics.json 0 (1980, 1, 1)", "library.json 0 (1980, 1, 1)",
                                         "source/Plate/Plate.pmlprj 0 (1980, 1, 1)",
                                         "source/Plate/tools/EM10.pmlent 0 (1980, 1, 1)"}));
}

TEST(DiagnosticsTest, SourcesFallAwayWhenMissingOrTooLarge) {
    Testing::TempDir root;
    const fs::path single = root.file("tools.ptf");
    Testing::writeText(single, "template");
    fs::create_directory(root.file("big"));
    Testing::writeBytes(root.file("big") / "huge.pmlent", std::vector<std::uint8_t>(7200000, 0x5a));
    struct Case {
        std::string path;
        StringList names;
    };
    const std::vector<Case> cases = {
        {single.string(), {"diagnostics.json", "library.json", "tools.ptf"}},
        {root.file("gone").string(), {"diagnostics.json", "library.json"}},
        {root.file("big").string(), {"diagnostics.json", "library.json"}},
    };
    for (const auto& c : cases) {
        const std::string text = buildDiagnosticsBundle(sampleJob(c.path));
        EXPECT_LT(text.size(), diagnosticsTextLimit);
        StringList names;
        for (const auto& line : Testing::checkZip(Testing::decodeBase64(text)).entries)
            names.push_back(line.substr(0, line.find(' ')));
        EXPECT_EQ(names, c.names) << c.path;
    }
    EXPECT_EQ(collectSourceEntries(root.file("big").string(), 7200000).size(), 1u);
    EXPECT_TRUE(collectSourceEntries(root.file("big").string(), 7199999).empty()) << "over the budget";
}

TEST(DiagnosticsTest, EncodingAndLogValues) {
    EXPECT_EQ(base64Encode({'a', 'b', 'c'}), "YWJj");
    EXPECT_EQ(base64Encode({'a', 'b'}), "YWI=");
    EXPECT_EQ(base64Encode({}), "");
    EXPECT_EQ(logValue("Ana\n--- send: forged\r\\"), "Ana\\n--- send: forged\\r\\\\");
}

} // namespace
} // namespace Corvana
